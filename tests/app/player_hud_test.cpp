// The player's commands reaching the HUDs in a new game, by scripted keys through the default
// bindings: the ranking panel in the suit and in the ship, the suit HUD's indicators, the
// approach cube of the destination list, the work-order refresh of "every ore" and the work-order
// panel.

#include <gtest/gtest.h>

#include "app/game_setup.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/collship_hud.h"
#include "game/vehicles/ranking_display.h"
#include "game/vehicles/suit.h"
#include "game/vehicles/suit_hud.h"
#include "game/world/company_links.h"
#include "game/world/game_globals.h"
#include "game/world/player_company.h"
#include "game/world/space.h"
#include "game/world/station.h"
#include "tests/app/player_keys_fixture.h"

namespace {

bool Shown(const QNNODE* n)
{
    return n && n->State == 3;
}

using PlayerHudTest = gametest::PlayerKeysTest;

TEST_F(PlayerHudTest, RankingIndicatorsApproachCubeAndOrdersReachTheHuds)
{
    ASSERT_NE(PlayerCompany, nullptr);
    auto* suit = dynamic_cast<SUIT*>(PlayerCompany->Suit());
    ASSERT_TRUE(suit && suit->Hud);
    SUITHUD* hud = suit->Hud;
    const float money[4] = {2.0e6f, 9.0e6f, 4.0e6f, 7.0e6f};
    for (std::uint32_t v = 0; v < kCompanyCount; ++v)
        Companies[v]->SetMoney(money[v]);

    // K in the suit: the ranking, richest first, covers the clutter; Escape closes it and does
    // not open the main menu.
    Key(SDLK_k);
    ASSERT_EQ(hud->ShownPanel.Get(), hud->Ranking);
    EXPECT_TRUE(Shown(hud->Ranking));
    const std::uint32_t expected[4] = {1, 3, 2, 0};
    for (std::uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(hud->Ranking->Order[i]->Colour, expected[i]);
        EXPECT_EQ(hud->Ranking->Order[i]->Icon, Companies[expected[i]]->Identity);
        EXPECT_FLOAT_EQ(hud->Ranking->Order[i]->Money, money[expected[i]]);
    }
    Key(SDLK_ESCAPE);
    EXPECT_EQ(hud->ShownPanel.Get(), nullptr);
    EXPECT_FALSE(Shown(hud->Ranking));
    EXPECT_EQ(QNSCENE::RequestKind, QNSCENE::REQUEST_NONE);
    // Without the panel Escape is the menu's again.
    Key(SDLK_ESCAPE);
    EXPECT_EQ(QNSCENE::RequestKind, QNSCENE::REQUEST_PUSH);
    QNSCENE::RequestKind = QNSCENE::REQUEST_NONE;

    // The power warning follows the station; a still ship beside the suit lights the board
    // indicator; no freighter is docked.
    STATION* station = PlayerCompany->SiteStation();
    station->Underpowered = true;
    Step();
    EXPECT_TRUE(Shown(hud->OverloadIcon));
    EXPECT_FALSE(Shown(hud->CollShipIndicator));
    EXPECT_FALSE(Shown(hud->CargoShipIndicator));
    station->Underpowered = false;
    QNMATRIX beside;
    beside.SetTranslation(5.0f, 0.0f, 0.0f);
    auto* ship = dynamic_cast<COLLSHIP*>(
        CompanyVehicles.CreateShip(PlayerCompany->Site(), beside * suit->GetWorldMatrix(), PlayerCompany->Identity));
    ASSERT_NE(ship, nullptr);
    PlayerCompany->SetShip(ship);
    Step();
    EXPECT_FALSE(Shown(hud->OverloadIcon));
    EXPECT_TRUE(PlayerCompany->ReadyToBoard);
    EXPECT_TRUE(Shown(hud->CollShipIndicator));

    // Boarded by Enter and flown out by W past the jump distance: K toggles the ship HUD's
    // ranking; R opens the destination list with the approach cube, Escape closes both; Shift+Z
    // checks every order line.
    Key(SDLK_RETURN);
    ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP);
    auto* shipHud = dynamic_cast<COLLSHIPHUD*>(ship->Hud);
    ASSERT_NE(shipHud, nullptr);
    script.KeyDown(SDLK_w, KMOD_NONE, script.Pass());
    for (int i = 0; i < 1200 && !PlayerCompany->HyperjumpEnabled; ++i)
        Step();
    script.KeyUp(SDLK_w, KMOD_NONE, script.Pass());
    Step();
    ASSERT_TRUE(PlayerCompany->HyperjumpEnabled);
    Key(SDLK_k);
    EXPECT_EQ(shipHud->ShownPanel.Get(), shipHud->Ranking);
    Key(SDLK_k);
    EXPECT_EQ(shipHud->ShownPanel.Get(), nullptr);
    Key(SDLK_r);
    ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::DESTINATIONS);
    ASSERT_NE(shipHud->ApproachCube, nullptr);
    EXPECT_EQ(shipHud->ShownPanel.Get(), shipHud->ApproachCube);
    Key(SDLK_ESCAPE);
    EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP);
    EXPECT_EQ(shipHud->ApproachCube, nullptr);
    EXPECT_EQ(shipHud->ShownPanel.Get(), nullptr);
    EXPECT_EQ(QNSCENE::RequestKind, QNSCENE::REQUEST_NONE);
    Key(SDLK_z, true);
    EXPECT_EQ(shipHud->OreMask, ship->OreMask());
    EXPECT_NE(shipHud->OreMask, 0u);

    // O steps the work-order panel through the two orders and back to none; Escape hides a shown
    // order and leaves the main menu alone.
    const std::uint32_t shown[3] = {1, 2, 0};
    for (std::uint32_t n : shown) {
        Key(SDLK_o);
        EXPECT_EQ(shipHud->ShownOrder, n);
        EXPECT_EQ(shipHud->ShownPanel.Get() == shipHud->WorkOrder, n != 0);
    }
    Key(SDLK_o);
    Key(SDLK_ESCAPE);
    EXPECT_EQ(shipHud->ShownOrder, 0u);
    EXPECT_EQ(shipHud->ShownPanel.Get(), nullptr);
    EXPECT_EQ(QNSCENE::RequestKind, QNSCENE::REQUEST_NONE);
}

}  // namespace
