// What the HUDs show in a new game of the program's own set-up, played by scripted keys, checked
// against the game state they show: the money in both HUDs, the site and target-site indicators
// with the company colour and emblem, the arrows to the ship and the headquarters, the missile
// warning, the two throttle arrows, and the markers and arrows of wrecked targets. The player's
// view and emblem differ from 0 and from each other here, so a HUD left at its first cells is
// seen.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "engine/sound/qnsound.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/collship_hud.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/missile.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/site_indicator.h"
#include "game/vehicles/suit.h"
#include "game/vehicles/suit_hud.h"
#include "game/world/antiship.h"
#include "game/world/company_links.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_company.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "tests/app/player_keys_fixture.h"

namespace {

bool Shown(const QNNODE* n)
{
    return n && n->State == 3;
}

std::string MoneyText(float money)
{
    char text[32];
    MONEYDISPLAY::Format(money, text, sizeof text);
    return text;
}

/// The throttle arrow's travel along its track, from its base place.
float ArrowTravel(const SHIPHUD* hud, std::uint32_t arrow)
{
    return hud->ThrottleArrows[arrow]->GetLocalMatrix().Translation().y - hud->ThrottleBase[arrow].Translation().y;
}

class HudTruthTest : public gametest::PlayerKeysTest {
protected:
    /// A game in which the player has view 3 and emblem 2.
    HudTruthTest() { gameSeed = 20000; }

    SUIT* Suit() const { return dynamic_cast<SUIT*>(PlayerCompany->Suit()); }
    STATIONPART* Headquarters() const
    {
        const auto parts = PlayerCompany->SiteStation()->CollectParts(KIND_HEADQUARTERS);
        return parts.empty() ? nullptr : parts.front();
    }
    /// A collector ship of the player's company set down still beside the suit, as the company
    /// takes a new ship (no dock is built in this game).
    COLLSHIP* ShipBesideSuit()
    {
        const QNMATRIX beside = Translation(5.0f, 0.0f, 0.0f) * Suit()->GetWorldMatrix();
        auto* ship = dynamic_cast<COLLSHIP*>(
            CompanyVehicles.CreateShip(PlayerCompany->Site(), beside, PlayerCompany->Identity));
        if (ship)
            PlayerCompany->SetShip(ship);
        return ship;
    }
    /// Enter boards the ship standing beside the suit.
    COLLSHIPHUD* Board()
    {
        Step();
        Key(SDLK_RETURN);
        auto* ship = dynamic_cast<COLLSHIP*>(PlayerCompany->Ship());
        return ship && PlayerCompany->Mode == COMPANYMODE::SHIP ? dynamic_cast<COLLSHIPHUD*>(ship->Hud) : nullptr;
    }

    void ExpectSite(const SITEINDICATOR* indicator, std::uint32_t colour, std::uint32_t emblem, const char* what)
    {
        SCOPED_TRACE(what);
        EXPECT_EQ(indicator->ColourIcon->Index, colour);
        EXPECT_EQ(indicator->CompanyIcon->Index, emblem);
    }
};

TEST_F(HudTruthTest, BothHudsShowTheMoneyTheSiteAndTheirArrows)
{
    ASSERT_EQ(PlayerView, 3u);
    ASSERT_EQ(PlayerCompany->Identity, 2u);
    SUITHUD* suitHud = Suit()->Hud;
    ASSERT_NE(suitHud, nullptr);
    Step();

    // In the suit: the money, the own site's colour and emblem, the arrow to the headquarters.
    EXPECT_EQ(suitHud->Money->Text(), MoneyText(PlayerCompany->Money()));
    ExpectSite(suitHud->SiteIndicator, PlayerView, PlayerCompany->Identity, "suit HUD site");
    ASSERT_NE(Headquarters(), nullptr);
    EXPECT_EQ(suitHud->OwnLocator->Target.Get(), Headquarters());
    // A ship of the company: the suit's arrow points at it.
    COLLSHIP* ship = ShipBesideSuit();
    ASSERT_NE(ship, nullptr);
    Step();
    EXPECT_EQ(suitHud->Locator->Target.Get(), ship);

    // In the cockpit: the same money and site; the own site is no target site.
    COLLSHIPHUD* hud = Board();
    ASSERT_NE(hud, nullptr);
    Step();
    EXPECT_EQ(hud->Money->Text(), MoneyText(PlayerCompany->Money()));
    ExpectSite(hud->SiteIndicator, PlayerView, PlayerCompany->Identity, "ship HUD site");
    EXPECT_FALSE(Shown(hud->TargetSite));
    EXPECT_EQ(hud->OwnLocator->Target.Get(), Headquarters());
    // Nothing collected and no canisters aboard: no ore flash, no canister count.
    Steps(3);
    EXPECT_FALSE(Shown(hud->OreCollected));
    EXPECT_FALSE(Shown(hud->CanisterCounter));
    // Money booked while flying reaches the cockpit.
    PlayerCompany->AddMoney(-2.5e6f);
    Step();
    EXPECT_EQ(hud->Money->Text(), MoneyText(PlayerCompany->Money()));

    // Back in the suit (Enter, the ship still at home): the suit HUD shows the money again.
    Key(SDLK_RETURN);
    ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
    suitHud = Suit()->Hud;
    ASSERT_NE(suitHud, nullptr);
    EXPECT_EQ(suitHud->Money->Text(), MoneyText(PlayerCompany->Money()));
    ExpectSite(suitHud->SiteIndicator, PlayerView, PlayerCompany->Identity, "suit HUD site again");
    EXPECT_EQ(suitHud->Locator->Target.Get(), ship);
    EXPECT_EQ(suitHud->OwnLocator->Target.Get(), Headquarters());
}

TEST_F(HudTruthTest, AwayTheTargetSiteShowsTheHostsColourAndEmblem)
{
    ASSERT_NE(ShipBesideSuit(), nullptr);
    COLLSHIPHUD* hud = Board();
    ASSERT_NE(hud, nullptr);
    // Full throttle out of the site until the hyperjump opens, then R and corner 1: company 0's
    // site.
    script.KeyDown(SDLK_w, KMOD_NONE, script.Pass());
    for (int i = 0; i < 1200 && !PlayerCompany->HyperjumpEnabled; ++i)
        Step();
    script.KeyUp(SDLK_w, KMOD_NONE, script.Pass());
    ASSERT_TRUE(PlayerCompany->HyperjumpEnabled);
    Key(SDLK_r);
    ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::DESTINATIONS);
    Key(SDLK_1);
    auto* ship = dynamic_cast<COLLSHIP*>(PlayerCompany->Ship());
    const SITE* host = Companies[0]->Site();
    for (int i = 0; i < 600 && ship->CurrentSite.Get() != host; ++i)
        Step();
    ASSERT_EQ(ship->CurrentSite.Get(), host);
    // Out of the tunnel, the HUD is shown again.
    for (int i = 0; i < 600 && ship->Tunnel; ++i)
        Step();
    ASSERT_EQ(ship->Tunnel, nullptr);
    hud = dynamic_cast<COLLSHIPHUD*>(ship->Hud);
    ASSERT_NE(hud, nullptr);
    ExpectSite(hud->SiteIndicator, PlayerView, PlayerCompany->Identity, "own site away");
    EXPECT_TRUE(Shown(hud->TargetSite));
    ExpectSite(hud->TargetSite, 0, Companies[0]->Identity, "target site");
}

TEST_F(HudTruthTest, TheThirdProximityMeterWarnsOfTheNearestHomingMissile)
{
    COLLSHIP* ship = ShipBesideSuit();
    ASSERT_NE(ship, nullptr);
    COLLSHIPHUD* hud = Board();
    ASSERT_NE(hud, nullptr);
    PROXMETER* warning = hud->Proximity[2];
    Step();
    EXPECT_FALSE(Shown(warning));

    // A station missile 58.4 units off, homing on the ship: (100 - d) / 95, shown, the warning
    // looping.
    const QNMATRIX ahead = Translation(0.0f, 0.0f, 58.4f) * ship->GetWorldMatrix();
    auto* missile = new ANTISHIP::MISSILE(ship->ParentNode(), ahead, ship);
    missile->SetState(3, 0, false, true);
    // One aimed at someone else does not count.
    const QNMATRIX aside = Translation(0.0f, 30.0f, 0.0f) * ship->GetWorldMatrix();
    auto* other = new ANTISHIP::MISSILE(ship->ParentNode(), aside, nullptr);
    other->SetState(3, 0, false, true);
    Step();
    EXPECT_NEAR(warning->Value, (100.0f - 58.4f) / 95.0f, 0.01f);
    EXPECT_NEAR(ship->Proximity[2], warning->Value, 1e-6f);
    EXPECT_TRUE(Shown(warning));
    ASSERT_NE(warning->Sound, nullptr);
    EXPECT_TRUE(warning->Sound->IsPlaying());
    EXPECT_NE(warning->Sound->Looping(), 0u);

    // A nearer Cheetah missile of a rival takes over.
    const QNMATRIX near = Translation(-20.0f, 0.0f, 0.0f) * ship->GetWorldMatrix();
    auto* cheetah = new MISSILE(ship->ParentNode(), &near);
    cheetah->Target = ship;
    cheetah->SetState(3, 0, false, true);
    Step();
    EXPECT_NEAR(warning->Value, 80.0f / 95.0f, 0.01f);

    // Both gone: the meter empties and hides, and the warning stops.
    QNITEM::Destroy(missile);
    QNITEM::Destroy(cheetah);
    Steps(2);
    EXPECT_FLOAT_EQ(ship->Proximity[2], 0.0f);
    EXPECT_FALSE(Shown(warning));
    EXPECT_EQ(warning->Sound->Looping(), 0u);
}

TEST_F(HudTruthTest, OneThrottleArrowShowsTheSettingAndTheOtherTheSpeed)
{
    COLLSHIP* ship = ShipBesideSuit();
    ASSERT_NE(ship, nullptr);
    COLLSHIPHUD* hud = Board();
    ASSERT_NE(hud, nullptr);
    // W held: the setting climbs ahead of the speed; each arrow moves steadily, never jumping
    // between the two.
    script.KeyDown(SDLK_w, KMOD_NONE, script.Pass());
    float last[2] = {0.0f, 0.0f};
    for (int i = 0; i < 40; ++i) {
        Step();
        for (std::uint32_t a = 0; a < 2; ++a) {
            const float travel = ArrowTravel(hud, a);
            EXPECT_GE(travel, last[a] - 1e-3f) << "arrow " << a << " frame " << i;
            last[a] = travel;
        }
    }
    script.KeyUp(SDLK_w, KMOD_NONE, script.Pass());
    Step();
    const float setting = QNINPUTMAP::Value(ACT_THROTTLE);
    ASSERT_GT(setting, ship->Speed + 0.05f);
    EXPECT_NEAR(ArrowTravel(hud, SHIPHUD::kThrottleArrow), setting * SHIPHUD::kThrottleForward, 0.01f);
    EXPECT_NEAR(ArrowTravel(hud, SHIPHUD::kSpeedArrow), ship->Speed * SHIPHUD::kThrottleForward, 0.01f);
    // S held past zero: the setting goes into reverse (red, the shorter track) before the speed.
    script.KeyDown(SDLK_s, KMOD_NONE, script.Pass());
    for (int i = 0; i < 200 && QNINPUTMAP::Value(ACT_THROTTLE) > -0.5f; ++i)
        Step();
    script.KeyUp(SDLK_s, KMOD_NONE, script.Pass());
    Step();
    const float reverse = QNINPUTMAP::Value(ACT_THROTTLE);
    ASSERT_LT(reverse, 0.0f);
    EXPECT_NEAR(ArrowTravel(hud, SHIPHUD::kThrottleArrow), reverse * SHIPHUD::kThrottleReverse, 0.01f);
    const float speed = ship->Speed;
    EXPECT_NEAR(ArrowTravel(hud, SHIPHUD::kSpeedArrow),
                speed * (speed >= 0.0f ? SHIPHUD::kThrottleForward : SHIPHUD::kThrottleReverse), 0.01f);
}

TEST_F(HudTruthTest, WreckedTargetsLoseTheirMarkersAndArrows)
{
    COLLSHIP* ship = ShipBesideSuit();
    ASSERT_NE(ship, nullptr);
    COLLSHIPHUD* hud = Board();
    ASSERT_NE(hud, nullptr);
    // A rival's ship ahead (marker) and one behind (arrow), both flown by their pilots.
    const QNMATRIX ahead = Translation(0.0f, 0.0f, 60.0f) * ship->GetWorldMatrix();
    const QNMATRIX behind = Translation(0.0f, 0.0f, -60.0f) * ship->GetWorldMatrix();
    const std::uint32_t rivalView = (PlayerView + 1) % kCompanyCount;
    auto* site = PlayerCompany->Site();
    auto* front = new COLLSHIP(site, &ahead, rivalView, Companies[rivalView]->Identity);
    auto* back = new COLLSHIP(site, &behind, rivalView, Companies[rivalView]->Identity);
    for (COLLSHIP* rival : {front, back}) {
        rival->SetViewMode(VIEWMODE_OUTSIDE);
        rival->SetPilotAboard(true);
        rival->SetState(3, 0, false, true);
    }
    Steps(3);
    auto markerOf = [&](const COLLSHIP* target) -> GAMENODE* {
        for (const TARGETENTRY& e : ship->NearTargets)
            if (e.Node.Get() == target)
                return e.Marker.Get();
        return nullptr;
    };
    auto locatorOf = [&](const COLLSHIP* target) -> GAMENODE* {
        for (const TARGETENTRY& e : ship->FarTargets)
            if (e.Node.Get() == target)
                return e.Marker.Get();
        return nullptr;
    };
    ASSERT_NE(markerOf(front), nullptr);
    ASSERT_NE(locatorOf(back), nullptr);
    EXPECT_TRUE(Shown(markerOf(front)));
    EXPECT_TRUE(Shown(locatorOf(back)));

    // Both wrecked (their pilots still aboard, so the wrecks stay a while): marker and arrow go.
    front->DamageBallistic(1000.0f, 0, 0);
    back->DamageBallistic(1000.0f, 0, 0);
    ASSERT_TRUE(front->IsDestroyed() && back->IsDestroyed());
    Steps(2);
    ASSERT_NE(front->ParentNode(), nullptr);
    EXPECT_FALSE(Shown(markerOf(front)));
    EXPECT_FALSE(Shown(locatorOf(back)));

}

}  // namespace
