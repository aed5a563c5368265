// The game's main road, played by the program's own libraries with no display: the logo and the
// menu, a new game, building the station's chain in the suit by keys and the pointer, the free
// collector ship at the new dock, boarding and leaving it, Escape to the menu and back, and a
// clean end. Each step checks the game's state, not only that nothing failed.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/road/road.h"
#include "engine/scene/scene.h"
#include "game/vehicles/collship.h"
#include "game/world/collship_dock.h"
#include "game/world/company.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_company.h"
#include "game/world/station.h"
#include "platform/test_events.h"

namespace {

using namespace road;

COLLSHIP* Ship()
{
    return dynamic_cast<COLLSHIP*>(PlayerCompany->Ship());
}


TEST(MainRoad, NewGameBuildsTheChainGetsTheFreeShipBoardsAndEndsCleanly)
{
    ReportToTest();
    std::vector<std::string> startScenes;
    COMPANY* companiesAtStart[kCompanyCount] = {};

    std::vector<ROADSTEP> steps = {
        {"a new game", nullptr, 1,
         [&] {
             ASSERT_NE(PlayerCompany, nullptr);
             for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
                 ASSERT_NE(Companies[v], nullptr);
                 companiesAtStart[v] = Companies[v];
             }
             EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
             EXPECT_EQ(PlayerCompany->Money(), 0.0f);
             ASSERT_EQ(PlayerCompany->ItemCount(), 5u);
             for (std::uint32_t i = 0; i < 5; ++i)
                 EXPECT_EQ(PlayerCompany->Item(i).Type, ITEM_GENERATOR + i);
             ASSERT_NE(Station(), nullptr);
             EXPECT_EQ(Station()->Counts[KIND_HEADQUARTERS], 1u);
         }},
    };
    for (ROADSTEP& s : BuildOnStartBeam(2, KIND_GENERATOR, QNVEC3(1, 0, 0)))
        steps.push_back(std::move(s));
    for (ROADSTEP& s : BuildOnStartBeam(0, KIND_COLLSHIPDOCK, QNVEC3(1, 0, 0)))
        steps.push_back(std::move(s));
    for (ROADSTEP& s : BuildOnStartBeam(1, KIND_PROCESSOR, QNVEC3(1, 0, 0)))
        steps.push_back(std::move(s));
    std::vector<ROADSTEP> rest = {
        {"the first ship is free", nullptr, 600,
         [] {
             ASSERT_NE(PlayerCompany->Ship(), nullptr);
             EXPECT_FALSE(PlayerCompany->FreeShip);
             EXPECT_EQ(PlayerCompany->Money(), 0.0f);
         }},
        {"undock the free ship with Space", [] { Key(SDLK_SPACE); }, 30,
         [] {
             ASSERT_NE(PlayerCompany->Dock(), nullptr);
             EXPECT_FALSE(PlayerCompany->Dock()->Holding);
             EXPECT_EQ(PlayerCompany->Dock()->DockState, DOCKSTATE::WAITING);
         },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        {"board the ship", [] {
             GAMENODE* ship = PlayerCompany->Ship();
             GAMENODE* suit = PlayerCompany->Suit();
             QNMATRIX m = ship->GetWorldMatrix();
             m.SetTranslationV(ship->GetWorldMatrix().Translation() + QNVEC3(0, 4, 0));
             PlaceAtWorld(suit, m);
             Key(SDLK_RETURN);
         },
         30, [] { EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP); }},
        {"leave the ship", [] { Key(SDLK_RETURN); }, 30,
         [] { EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT); }},
        {"escape to the menu", [] { Key(SDLK_ESCAPE); }, 20,
         [] {
             ASSERT_NE(QNSCENE::Current, nullptr);
             EXPECT_STREQ(QNSCENE::Current->Name().Text(), "MAINMENU");
         }},
        {"and back to the same game", [] { Key(SDLK_ESCAPE); }, 20,
         [&] {
             ASSERT_NE(QNSCENE::Current, nullptr);
             EXPECT_STREQ(QNSCENE::Current->Name().Text(), "SPACE");
             for (std::uint32_t v = 0; v < kCompanyCount; ++v)
                 EXPECT_EQ(Companies[v], companiesAtStart[v]);
             EXPECT_EQ(Station()->Counts[KIND_PROCESSOR], 1u);
         }},
        {"board the ship again", [] {
             QNMATRIX m = Ship()->GetWorldMatrix();
             m.SetTranslationV(m.Translation() + QNVEC3(0, 4, 0));
             PlaceAtWorld(PlayerCompany->Suit(), m);
             Key(SDLK_RETURN);
         },
         30, [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP); }},
        {"Tab selects the chipper", [] { Key(SDLK_TAB); }, kKeyFrames,
         [] { ASSERT_EQ(Ship()->SelectedWeaponType(), std::uint32_t(WEAPON_CHIPPER)); },
         [] { return Ship()->SelectedWeaponType() == WEAPON_CHIPPER; }, [](int) { Key(SDLK_TAB); }, 8},
    };
    for (ROADSTEP& s : rest)
        steps.push_back(std::move(s));

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.DrawEvery = 1;
    drive.OnStartPass = [&](std::uint64_t) {
        const char* name = QNSCENE::Current ? QNSCENE::Current->Name().Text() : "";
        if (startScenes.empty() || startScenes.back() != name)
            startScenes.emplace_back(name);
    };
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) { return road.Frame(); };
    GAMEDRIVERTIMES times;
    EXPECT_EQ(DriveHeadlessGame(drive, &times), 0);

    ASSERT_GE(startScenes.size(), 2u);
    EXPECT_EQ(startScenes[0], "QUENNET");  // the logo
    EXPECT_EQ(startScenes[1], "MAINMENU");
    EXPECT_TRUE(road.Finished()) << "last step reached: "
                                                       << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
