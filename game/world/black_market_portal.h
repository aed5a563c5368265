#pragma once
/// BLACKMARKETPORTAL: the structure at the player's site whose animated barrier opens the black
/// market. A collector ship flown from inside (view mode 1) that starts touching the barrier
/// pushes the "BLACKMARKET" scene and is moved 15 units along its own z axis, clear of the
/// barrier. Contacts arrive inside the physics step, so the barrier only notes the ship there
/// and acts in its one-shot operation at the next update.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/scene/resources.h"
#include "engine/util/qnsequence.h"
#include "game/world/natural_object.h"

class BARRIER : public GAMENODE {
public:
    /// Side of the barrier's square surface and the depth of its collision box.
    static constexpr float kSide = 14.25f;
    static constexpr float kDepth = 1.0f;
    /// How far a ship is moved along its own z axis when it enters.
    static constexpr float kPushDistance = 15.0f;

    BARRIER(QNNODE* parent, const QNMATRIX& placement);

    /// Shows the texture-grid cell of the current animation frame.
    void Update() override;
    /// Notes a collector ship in view mode 1 at the start of a contact.
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;
    /// Pushes the black market and moves the noted ship.
    void RunOnce() override;

    QNSEQUENCE Frames[2];
    /// Scene pushes made (for the HUD and tests).
    std::uint32_t Entries = 0;

private:
    QNWEAK<QNNODE> pending_;
};

class BLACKMARKETPORTAL : public NATURALOBJECT {
public:
    /// Where the player's company puts the portal in its site's frame.
    static constexpr float kSiteZ = 350.0f;

    BLACKMARKETPORTAL(QNNODE* parent, const QNMATRIX& placement, std::uint32_t view);

    BARRIER* Barrier = nullptr;
};

/// Registers the portal's and the barrier's media (with the in-game scene's media).
void RegisterPortalMedia(QNRESOURCES& resources);
