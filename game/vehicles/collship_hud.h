#pragma once
/// COLLSHIPHUD: the ship HUD as the collector ship speaks to it (SHIPHUDLINK over SHIPHUD).

#include "game/vehicles/ship_hud.h"
#include "game/vehicles/ship_hud_link.h"

class COLLSHIP;

class COLLSHIPHUD : public SHIPHUD, public SHIPHUDLINK {
public:
    explicit COLLSHIPHUD(COLLSHIP* ship);

    /// The maker COLLSHIP::HudMaker takes in the game.
    static SHIPHUDLINK* Make(COLLSHIP* ship);

    GAMENODE* Node() override { return this; }
    void PostUpper(const char* text) override;
    void PostLower(const char* text) override;
    void SetCountermeter(std::uint32_t k, float fill) override { SHIPHUD::SetCountermeter(k, fill); }
    void SetProximity(std::uint32_t i, float value) override { SHIPHUD::SetProximity(i, value); }
    void SetSpeed(float value) override { SHIPHUD::SetThrottle(kSpeedArrow, value); }
    void SetCanisterCount(std::uint32_t count) override { SHIPHUD::SetCanisterCount(std::int32_t(count)); }
    void FlashOreCollected() override;
    void RefreshWorkOrders(std::uint32_t oreMask) override;
    void SetReticleFrame(std::uint32_t frame) override;
    void SetDamageFrame(std::uint32_t frame) override { SetDamageIndicatorCell(frame); }
    void SetElectronicWarning(bool shown) override;
    void SetCockpitShown(bool shown) override { SetDamageIndicator(!shown); }
    void SetWeaponIcons(const std::uint32_t* types, std::uint32_t count, std::uint32_t selected, bool blink) override;
    void SetWeaponLow(std::uint32_t type, bool low) override;
    GAMENODE* MakeMarker(QNNODE* target, std::uint32_t type, float size) override;
    GAMENODE* MakeLocator(QNNODE* target, float reach, const float* colour) override;
    void ClearMarkers() override;
    void SetHomeTarget(QNNODE* headquarters) override;
    void SetTargetSite(std::uint32_t view, std::uint32_t company) override { SHIPHUD::SetTargetSite(view, company); }
    void ReleaseGoneFreighter() override;
    void FollowFreighter(GAMENODE* freighter) override;
};
