#pragma once
/// QNEMITTER and QNEFFECTNODE: particle emitters that launch pre-built effect nodes (debris
/// chunks, dust, sparks) from a pool.
///
/// Effects are made once under their emitter and wait dormant (state 1, off the update list,
/// bodies disabled) under the emitter's pool child "QNEMITTER::RECYCLE". An emission picks a
/// random pooled effect, places it at a random turn and offset in the emitter's frame, moves it
/// under the emitter, shows it (a checked change may refuse an effect that would overlap: it
/// goes back to the pool and counts as launched), enables its body and gives it the emitter's
/// velocity plus a random launch speed along its forward axis and a random spin. Game code
/// recycles an effect when it is spent; a recycle from the effect's own update is safe (the
/// update list is walked with a cursor). With RemoveWhenSpent the emitter deletes itself once
/// its pool is empty and nothing else is left under it.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"

class QNEMITTER : public GAMENODE {
public:
    /// A game node with class flags + 0x4000004 and its pool; the clock starts now.
    QNEMITTER(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
              std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform);
    ~QNEMITTER() override;

    /// Removal once spent, the clock, then a timed or requested emission (see the header).
    void Update() override;

    GAMENODE* Pool = nullptr;
    float IntervalMin = 0.0f;
    float IntervalMax = 0.0f;
    float AngleX = 0.0f;
    float AngleY = 0.0f;
    float OffsetX = 0.0f;
    float OffsetY = 0.0f;
    float Now = 0.0f;
    float SpeedMin = 0.0f;
    float SpeedMax = 0.0f;
    float SpinMin = 0.0f;
    float SpinMax = 0.0f;
    std::uint8_t Stopped = 0;
    std::uint8_t RemoveWhenSpent = 0;
    std::uint8_t FireNow = 0;
    QNTIMER EmitTimer;
    QNTIMER Clock;
    std::uint32_t PerEmission = 1;

private:
    void Launch();
};

class QNEFFECTNODE : public GAMENODE {
public:
    /// A game node under `emitter` (class flags + 0x2000004, body mode 0, identity transform),
    /// put straight into the emitter's pool.
    QNEFFECTNODE(QNEMITTER* emitter, const char* name, std::int32_t kind, std::uint32_t classFlags,
                 std::uint32_t userFlags);

    /// Called right after the effect is launched.
    virtual void OnEmit() {}

    /// Back into the pool of its emitter: motion stopped and body disabled (with a body), off
    /// the update list, vote 0 = 1 (checked, recursive). The state change's result.
    std::uint32_t Recycle();
    /// Seconds since the launch on the emitter's clock.
    float Age() const;
    /// The emitter the effect belongs to (flying or pooled).
    QNEMITTER* Emitter() const;

    float StartTime = 0.0f;
};
