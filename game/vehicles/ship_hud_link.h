#pragma once
/// SHIPHUDLINK: what the collector ship asks of the HUD of the player's ship. The ship HUD
/// implements it and registers its maker (COLLSHIP::HudMaker); the ship owns the HUD's node and
/// deletes it when the player leaves. Without a maker the ship flies without a HUD.

#include <cstdint>

class COLLSHIP;
class GAMENODE;
class QNNODE;

class SHIPHUDLINK {
public:
    virtual ~SHIPHUDLINK() = default;

    /// The HUD's node (a child of the ship).
    virtual GAMENODE* Node() = 0;

    /// Queued messages on the HUD's upper and lower message lines.
    virtual void PostUpper(const char* text) = 0;
    virtual void PostLower(const char* text) = 0;

    /// Gauges: countermeasure k (0-2), proximity i (0-2), the throttle's speed arrow (the speed
    /// fraction), canister count.
    virtual void SetCountermeter(std::uint32_t k, float fill) = 0;
    virtual void SetProximity(std::uint32_t i, float value) = 0;
    virtual void SetSpeed(float value) = 0;
    virtual void SetCanisterCount(std::uint32_t count) = 0;

    /// Ore pick-up: the indicator flash and the work-order lines checked against the mask.
    virtual void FlashOreCollected() = 0;
    virtual void RefreshWorkOrders(std::uint32_t oreMask) = 0;

    /// Reticle frame: 0 plain, 1 missile lock.
    virtual void SetReticleFrame(std::uint32_t frame) = 0;
    /// Damage indicator frame 0-3 (0 intact).
    virtual void SetDamageFrame(std::uint32_t frame) = 0;
    virtual void SetElectronicWarning(bool shown) = 0;
    virtual void SetCockpitShown(bool shown) = 0;

    /// Weapon selector: one icon per type in order; `selected` 0 for none.
    virtual void SetWeaponIcons(const std::uint32_t* types, std::uint32_t count, std::uint32_t selected,
                                bool blink) = 0;
    virtual void SetWeaponLow(std::uint32_t type, bool low) = 0;

    /// Target markers (on screen, around a ship) and locators (edge arrows toward a target).
    /// The ship owns the returned nodes; null when the HUD makes none.
    virtual GAMENODE* MakeMarker(QNNODE* target, std::uint32_t type, float size) = 0;
    virtual GAMENODE* MakeLocator(QNNODE* target, float reach, const float* colour) = 0;
    /// Deletes every marker and locator the HUD holds itself.
    virtual void ClearMarkers() = 0;
    /// The home arrow's target (the headquarters of the current site), and the site the HUD
    /// reads work orders from.
    virtual void SetHomeTarget(QNNODE* headquarters) = 0;
    virtual void SetTargetSite(std::uint32_t view, std::uint32_t company) = 0;
    /// The freighter the freighter locator follows lets go of it once it is gone.
    virtual void ReleaseGoneFreighter() = 0;
    /// The freighter locator follows `freighter` (null: none); one that has left is not taken.
    virtual void FollowFreighter(GAMENODE* freighter) { (void)freighter; }
};
