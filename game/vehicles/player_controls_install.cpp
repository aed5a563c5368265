#include "game/vehicles/player_controls_install.h"

#include <algorithm>

#include "engine/util/qnmath.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/comet.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/ranking_display.h"
#include "game/vehicles/ship_hud.h"
#include "game/vehicles/stars.h"
#include "game/vehicles/suit.h"
#include "game/vehicles/suit_hud.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/vehicles/site_indicator.h"
#include "game/world/player_controls.h"
#include "game/world/site.h"

namespace {

// The comet's drift once it is placed around the viewer anew.
constexpr float kCometSpeed = 0.1f;

COLLSHIP* Ship(GAMENODE* node)
{
    return dynamic_cast<COLLSHIP*>(node);
}

/// The HUD of the worn suit or of the player's ship, or null.
HUD* HudOf(GAMENODE* node)
{
    if (SUIT* suit = dynamic_cast<SUIT*>(node))
        return suit->Hud;
    if (COLLSHIP* ship = Ship(node); ship && ship->Hud)
        return dynamic_cast<HUD*>(ship->Hud->Node());
    return nullptr;
}

SHIPHUD* ShipHudOf(GAMENODE* node)
{
    return dynamic_cast<SHIPHUD*>(HudOf(node));
}

}  // namespace

void InstallPlayerShipControls()
{
    PLAYERCONTROLS& c = PlayerControls;
    c.SetThrottle = [](GAMENODE* n, float t) {
        if (COLLSHIP* s = Ship(n))
            s->Throttle = t;
    };
    c.AddSteering = [](GAMENODE* n, const QNVEC3& v) {
        if (COLLSHIP* s = Ship(n))
            s->Steering = s->Steering + v;
    };
    c.FireWeapon = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->FireSelectedWeapon();
    };
    c.EjectCanister = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->EjectCanister();
    };
    c.SelectNextWeapon = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->SelectNextWeapon();
    };
    c.SetZoom = [](GAMENODE* n, bool on) {
        if (COLLSHIP* s = Ship(n))
            s->SetZoom(on);
    };
    c.SetZoomEquipped = [](GAMENODE* n, bool on) {
        if (COLLSHIP* s = Ship(n))
            s->SetZoomEquipped(on);
    };
    c.ToggleCockpit = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->ToggleCockpit();
    };
    c.SetCameraView = [](GAMENODE* n, std::uint32_t v) {
        if (COLLSHIP* s = Ship(n))
            s->SetCameraView(v);
    };
    c.StartHyperjump = [](GAMENODE* n, SITE* site, std::uint32_t corner) {
        COLLSHIP* s = Ship(n);
        return s && s->StartHyperjump(site, corner);
    };
    c.ShipSite = [](GAMENODE* n) -> SITE* {
        COLLSHIP* s = Ship(n);
        return s ? s->CurrentSite.Get() : nullptr;
    };
    c.SetShipCondition = [](GAMENODE* n, float condition) {
        if (COLLSHIP* s = Ship(n)) {
            s->BallisticMax = s->ElectronicMax = condition;
            s->Ballistic = s->Electronic = condition;
        }
    };
    c.ShipMessage = [](GAMENODE* n, const char* text) {
        if (COLLSHIP* s = Ship(n); s && s->Hud)
            s->Hud->PostLower(text);
    };
    c.ShowThrottle = [](GAMENODE* n, float t) {
        if (SHIPHUD* hud = ShipHudOf(n))
            hud->SetThrottle(SHIPHUD::kThrottleArrow, t);
    };
    c.SetTargetSite = [](GAMENODE* n, std::uint32_t colour, std::uint32_t emblem) {
        if (SHIPHUD* hud = ShipHudOf(n))
            hud->SetTargetSite(colour, emblem);
    };
    c.ShowApproachCube = [](GAMENODE* n, bool shown) {
        if (SHIPHUD* hud = ShipHudOf(n))
            hud->ShowApproachCube(shown);
    };
    c.RefreshWorkOrders = [](GAMENODE* n, std::uint32_t mask) {
        if (COLLSHIP* s = Ship(n); s && s->Hud)
            s->Hud->RefreshWorkOrders(mask);
    };
    c.SetWorkOrders = [](GAMENODE* n, const WORKORDERDATA* first, const WORKORDERDATA* second) {
        if (SHIPHUD* hud = ShipHudOf(n))
            hud->SetOrders(first, second);
    };
    c.StepWorkOrderPanel = [](GAMENODE* n) {
        if (SHIPHUD* hud = ShipHudOf(n))
            hud->CycleWorkOrder();
    };
    c.FollowFreighter = [](GAMENODE* n, GAMENODE* freighter) {
        if (COLLSHIP* s = Ship(n); s && s->Hud)
            s->Hud->FollowFreighter(freighter);
    };
    c.MoveSky = [](GAMENODE* sky, GAMENODE* site) {
        auto* stars = dynamic_cast<STARS*>(sky);
        if (!stars || !site)
            return;
        stars->AttachWithState(site, 3, 0, false, true);
        if (stars->Comet)
            stars->Comet->Reposition(RandomRange(-1.0f, 1.0f), RandomRange(-1.0f, 1.0f), kCometSpeed);
    };
    c.ShowMoney = [](GAMENODE* n, float money) {
        if (HUD* hud = HudOf(n); hud && hud->Money)
            hud->Money->SetValue(money);
    };
    c.SetHudSite = [](GAMENODE* n, std::uint32_t colour, std::uint32_t emblem) {
        if (HUD* hud = HudOf(n))
            hud->SiteIndicator->Set(colour, emblem);
    };
    c.RankingShown = [](GAMENODE* n) {
        HUD* hud = HudOf(n);
        return hud && hud->Ranking && hud->ShownPanel.Get() == hud->Ranking;
    };
    c.ShowRanking = [](GAMENODE* n, bool show, const RANKINGROW* rows, std::uint32_t count) {
        HUD* hud = HudOf(n);
        if (!hud || !hud->Ranking)
            return;
        if (!show) {
            if (hud->ShownPanel.Get() == hud->Ranking)
                hud->ShowPanel(false, nullptr);
            return;
        }
        RANKINGDISPLAY* ranking = hud->Ranking;
        count = std::min(count, RANKINGDISPLAY::kRows);
        for (std::uint32_t i = 0; i < RANKINGDISPLAY::kRows; ++i)
            ranking->Records[i] = i < count ? RANKINGRECORD{rows[i].Index, rows[i].Identity, rows[i].Money}
                                            : RANKINGRECORD{};
        hud->ShowPanel(true, ranking);
    };
    c.SetSuitIndicators = [](GAMENODE* n, bool board, bool freighter, bool underpowered) {
        SUIT* suit = dynamic_cast<SUIT*>(n);
        SUITHUD* hud = suit ? suit->Hud : nullptr;
        if (!hud)
            return;
        hud->CollShipIndicator->Blinking = board;
        ShowOnVote(hud->CollShipIndicator, 1, board);
        ShowOnVote(hud->CargoShipIndicator, 1, freighter);
        hud->SetOverload(underpowered);
    };
    c.SetSuitArrows = [](GAMENODE* n, GAMENODE* headquarters, GAMENODE* ship) {
        SUIT* suit = dynamic_cast<SUIT*>(n);
        SUITHUD* hud = suit ? suit->Hud : nullptr;
        if (!hud)
            return;
        hud->OwnLocator->SetTarget(headquarters);
        hud->Locator->SetTarget(ship);
    };
}
