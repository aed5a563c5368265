// Shopping and fighting in the program's own game with no display: a new game through the logo
// and the menu, a generator and a dock placed for the free ship, money credited to the company,
// then the shop-and-fight steps: the build store, the black market through its portal, an
// Ironman bought and installed, and fired at a computer company's ship.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/road/road.h"
#include "tests/e2e/road/shop_steps.h"

namespace {

using namespace road;

constexpr float kCredit = 30000000.0f;

TEST(ShopRoad, BuildStoreBlackMarketWeaponAndFight)
{
    ReportToTest();
    std::vector<std::string> startScenes;
    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] {
                                        ASSERT_NE(PlayerCompany, nullptr);
                                        ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
                                    }}};
    Append(steps, BuildOnStartBeam(2, KIND_GENERATOR, QNVEC3(1, 0, 0)));
    Append(steps, BuildOnStartBeam(0, KIND_COLLSHIPDOCK, QNVEC3(1, 0, 0)));
    std::vector<ROADSTEP> setUp = {
        {"the free ship", nullptr, 600, [] { ASSERT_NE(PlayerCompany->Ship(), nullptr); },
         [] { return PlayerCompany->Ship() != nullptr; }, nullptr, 10},
        {"money credited", [] { PlayerCompany->AddMoney(kCredit); }, 1,
         [] { ASSERT_EQ(PlayerCompany->Money(), kCredit); }},
    };
    Append(steps, std::move(setUp));
    Append(steps, ShopAndFightSteps());

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.DrawEvery = 1;
    drive.OnStartPass = RecordStartScenes(startScenes);
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) { return road.Frame(); };
    EXPECT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    ASSERT_GE(startScenes.size(), 2u);
    EXPECT_EQ(startScenes[0], "QUENNET");
    EXPECT_EQ(startScenes[1], "MAINMENU");
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
