// Mining in the program's own game with no display, the suit and the ship moved only by their
// keys (the road pilot): the chain built in the suit, the free ship undocked and boarded, then the
// mining steps (chipper, ore cloud, dock, delivery), then the ship undocked again, flown out past
// the jump distance, jumped to a rival's site and flown there by the throttle, jumped home and
// flown there too; jumped away again and wrecked there, the player is back in the suit at home,
// with the home view.

#include <gtest/gtest.h>

#include "tests/e2e/road/mining_steps.h"

namespace {

using namespace road;
using mining::Nose;
using mining::Ship;

// The jump to the first rival's site: that company's key, then 3.
ROADSTEP JumpToRival(const char* name, const std::shared_ptr<mining::WATCH>& w)
{
    return {name, [w] {
         for (std::uint32_t c = 0; c < kCompanyCount; ++c)
             if (Companies[c] && Companies[c] != PlayerCompany && Companies[c]->Site()) {
                 w->Away = Companies[c]->Site();
                 Key(kCompanyKeys[c]);
                 HoldKeyAt(Script().Pass() + 4, SDLK_3, 1);
                 break;
             }
     },
     50, [w] {
         ASSERT_EQ(Ship()->CurrentSite.Get(), w->Away.Get());
         EXPECT_EQ(QNSCENE::Current->ActiveView, w->Away.Get()->ViewIndex);
     },
     [w] { return w->Away.Get() && Ship()->CurrentSite.Get() == w->Away.Get(); }, nullptr, 20};
}

// The throttle held: the ship moves off along its nose.
ROADSTEP FlyOn(const char* name, const std::shared_ptr<mining::WATCH>& w)
{
    return {name, [w] {
         w->From = Ship()->GetWorldMatrix().Translation();
         w->Nose = Nose(Ship()->GetWorldMatrix());
         HoldKey(SDLK_w, 10);
     },
     50, [w] {
         const QNVEC3 moved = Ship()->GetWorldMatrix().Translation() - w->From;
         ASSERT_GT(moved.Length(), 3.0f) << "the ship stayed where it arrived";
         EXPECT_GT(QNVEC3::Dot(moved.Normalize(), w->Nose), 0.99f);
     }};
}

TEST(MiningRoad, ChipperOreCloudDockAndDeliveryInTheRealGame)
{
    ReportToTest();
    auto w = std::make_shared<mining::WATCH>();

    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }}};
    const std::int32_t kinds[] = {KIND_GENERATOR, KIND_COLLSHIPDOCK, KIND_PROCESSOR};
    const std::int32_t sides[] = {2, 0, 1};
    for (int i = 0; i < 3; ++i)
        Append(steps, BuildOnStartBeam(sides[i], kinds[i], QNVEC3(1, 0, 0)));

    std::vector<ROADSTEP> boarding = {
        {"the free ship", nullptr, 600, [] { ASSERT_NE(Ship(), nullptr); }},
        {"undock", [] { Key(SDLK_SPACE); }, 30, [] { ASSERT_FALSE(PlayerCompany->Dock()->Holding); },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        BoardStep("board"),
    };
    Append(steps, std::move(boarding));
    Append(steps, mining::MiningSteps(w));
    std::vector<ROADSTEP> jumps = {
        {"undock", [] { Key(SDLK_SPACE); }, 60, [] { ASSERT_FALSE(PlayerCompany->Dock()->Holding); },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 20},
        BoardStep("board again"),
        FlyOutToJump("out past the jump distance", [] { return true; }),
        JumpToRival("jump to a rival's site", w),
        FlyOn("the throttle flies it there", w),
        {"jump home", [] {
             for (std::uint32_t c = 0; c < kCompanyCount; ++c)
                 if (Companies[c] == PlayerCompany)
                     Key(kCompanyKeys[c]);
             HoldKeyAt(Script().Pass() + 4, SDLK_5, 1);
         },
         50, [] {
             ASSERT_EQ(Ship()->CurrentSite.Get(), PlayerCompany->Site());
             EXPECT_EQ(QNSCENE::Current->ActiveView, PlayerCompany->Site()->ViewIndex);
         },
         [] { return Ship()->CurrentSite.Get() == PlayerCompany->Site(); }, nullptr, 20},
        FlyOn("and flies at home", w),
        JumpToRival("jump away again", w),
        {"wrecked there, the pilot ejects", [] { Ship()->DamageBallistic(1000.0f, 0, 0); }, 10,
         [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::EJECTING); }},
        {"back in the suit at home, seen from home", nullptr, 50,
         [w] {
             ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
             EXPECT_EQ(QNSCENE::Current->ActiveView, PlayerCompany->Site()->ViewIndex);
             EXPECT_FALSE(QNSCENE::Current->IsViewEnabled(w->Away.Get()->ViewIndex));
             EXPECT_EQ(w->Away.Get()->State, 2u);
             EXPECT_EQ(PlayerCompany->Suit()->View, QNSCENE::Current->ActiveViewPtr());
         },
         [] { return PlayerCompany->Mode == COMPANYMODE::SUIT; }, nullptr, 10},
        {"done", nullptr, 2, nullptr},
    };
    Append(steps, std::move(jumps));

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) {
        mining::Observe(*w);
        return road.Frame();
    };
    ASSERT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    EXPECT_TRUE(road.Finished()) << "last step reached: "
                                 << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
