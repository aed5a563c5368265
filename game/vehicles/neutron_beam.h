#pragma once
/// NEUTRONBEAM: the EM-2's beam, a spinning row of 12 flickering SEGMENTs with rings running
/// along it. While on, each Update casts a 50-unit line along the beam; the beam stops at the
/// nearest hit (its length), hands the hit to its callback with the time since the last update,
/// shows the segments up to that length with an end piece at its tip and sends a ring along.
///
/// Votes: vote 1 carries on (3) and off (1), vote 2 the flicker (3 shown, 2 hidden); each
/// segment's own vote 0 shows (3) or hides (2) it by the length.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"

struct QNNODEHIT;

class NEUTRONBEAM : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 71;
    static constexpr float kLength = 50.0f;
    static constexpr float kSegmentStep = 5.0f;       ///< one segment per 5 units of length
    static constexpr std::uint32_t kSegments = 12;    ///< 50 / 5 + 1, counted inclusively
    static constexpr float kSegmentSpacing = 4.99f;   ///< a hair under 5 so the pieces overlap
    static constexpr double kCellPeriod = 0.05;
    static constexpr float kSpin = 50.0f;

    /// The effect of a hit, with the time step it stands for.
    using HITCALLBACK = std::uint32_t (*)(const QNNODEHIT& hit, float dt);

    NEUTRONBEAM(QNNODE* parent, const QNMATRIX* transform);

    void Update() override;
    void SetOn(bool on);

    /// Segment count shown for the current length (the end piece's index).
    std::uint32_t EndIndex() const;
    void AnimateSegments();
    void SpawnRings();

    class SEGMENT : public GAMENODE {
    public:
        SEGMENT(QNNODE* parent, std::uint32_t index);
        bool EndPiece = false;
    };

    class RING : public GAMENODE {
    public:
        RING(NEUTRONBEAM* beam, const QNMATRIX* transform);
        void Update() override;
        NEUTRONBEAM* Beam = nullptr;  ///< the parent (owns the ring)
    };

    bool On = false;
    QNTIMER FlickerTimer, SegmentTimer, DamageClock, RingTimer;
    float FlickerInterval = 0.0f;
    float RingInterval = 0.0f;
    float Length = 0.0f;
    HITCALLBACK OnHit = nullptr;
    GAMENODE* Segments = nullptr;
    GAMENODE* Rings = nullptr;
    SEGMENT* Segment[kSegments] = {};
    std::uint32_t RingsSent = 0;
};
