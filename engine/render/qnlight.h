#pragma once
/// Device lights of the nodes and the hardware light slots they occupy.
///
/// A light takes a slot when attached: the first free slot, else a new one
/// with the next index (indices are never given back except through the free
/// list). Slots in use remember their owner (the view the light belongs to) so
/// that the scene render can switch on only the current view's lights.

#include <cstdint>

#include "engine/util/qn_item.h"
#include "engine/util/qnmatrix.h"
#include "platform/gl_types.h"

class QNLIGHTSLOT;

class QNLIGHT {
public:
    GfxLight Light;
    QNLIGHTSLOT* Slot = nullptr;
    std::uint8_t Enabled = 0;

    /// Alphas 1, every other value 0, then a white directional light placed by the identity
    /// (at the origin, pointing along +z).
    QNLIGHT();
    ~QNLIGHT() { Detach(); }
    QNLIGHT(const QNLIGHT&) = delete;
    QNLIGHT& operator=(const QNLIGHT&) = delete;

    /// Directional: diffuse and specular (r, g, b), no ambient, range, falloff, attenuation and
    /// cone angles 0. Position, direction and alphas are kept.
    void SetDirectional(float r, float g, float b);
    /// Point: diffuse and specular (r, g, b), no ambient, attenuation 1, 0, 0, falloff and cone
    /// angles 0, the range given. Position, direction and alphas are kept.
    void SetPoint(float range, float r, float g, float b);
    /// Position from the translation row, direction from the third row.
    void SetFromMatrix(const QNMATRIX& m);
    /// Takes a slot if it has none, sends the parameters and switches the light to enable.
    void Attach(bool enable, const void* owner);
    /// Sends the parameters again (when attached).
    void Update();
    /// Switches the device light when attached and the switch differs.
    void Enable(bool on);
    /// Switches the light off and gives its slot back.
    void Detach();
};

class QNLIGHTSLOT : public QNITEM {
public:
    QNLIGHT* Light = nullptr;
    const void* Owner = nullptr;
    std::uint32_t Index = 0;

    /// After a device reset: every light in use is sent and switched again.
    static void ReapplyAll();
    /// Every slot of owner (every slot when owner is null) gets the switch !off.
    static void EnableOwner(bool off, const void* owner);
    /// Deletes every slot and restarts the index counter (shutdown, and between tests).
    static void DeleteAll();

    static QNITEM& InUse();
    static QNITEM& Free();
    /// The index the next new slot gets.
    static std::uint32_t NextIndex;
};
