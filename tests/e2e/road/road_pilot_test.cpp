// The road pilot in the program's own game: the suit flown by its keys to look at a start beam
// from outside the station (the beam is selected by the suit's sight), the ship flown by its
// keys to a point off to its side and brought to rest, rolled to a leaning up axis at a second
// point, its nose turned onto the station, then left, and the suit flown back to board it.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "app/road_pilot.h"
#include "engine/physics/node_motion.h"
#include "game/vehicles/collship.h"
#include "game/world/collship_dock.h"
#include "tests/e2e/road/road.h"

namespace {

using namespace road;

struct FLIGHT {
    QNVEC3 Goal, Up;
    std::uint64_t Frames = 0;
    std::uint64_t Presses = 0;
};

bool Still(const GAMENODE* node, float limit)
{
    return node->IsSlowerThan(limit) && node->IsTurningSlowerThan(limit);
}

QNVEC3 StationCentre()
{
    return Station()->RootJoint.Get()->GetWorldMatrix().Translation();
}

TEST(RoadPilot, FliesTheSuitAndTheShipByTheirKeys)
{
    ReportToTest();
    auto flight = std::make_shared<FLIGHT>();
    PILOT& pilot = Pilot();
    const QNVEC3 outward(1, 0, 0);
    auto beamFrom = [] { return QNVEC3::TransformNormal(QNVEC3(1, 0, 0), Station()->GetWorldMatrix()).Normalize(); };

    std::vector<ROADSTEP> steps = {
        {"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }},
        {"the suit looks at a start beam from outside",
         [flight, &pilot] { flight->Presses = pilot.Presses(); }, 1,
         [flight, &pilot, beamFrom] {
             const GAMENODE* suit = PlayerCompany->Suit();
             const QNVEC3 beam = StartBeam(2)->GetWorldMatrix().Translation();
             EXPECT_GT(pilot.Presses(), flight->Presses) << "no key was pressed";
             EXPECT_LT((suit->GetWorldMatrix().Translation() - (beam + beamFrom() * 12.0f)).Length(), 12.0f * 0.3f);
             RecordProperty("suit_flight_frames", int(flight->Frames));
             EXPECT_TRUE(Still(suit, 0.25f));
             EXPECT_EQ(Station()->Selected.Get(), StartBeam(2)) << "the suit's sight is off the beam";
         },
         [flight, &pilot, beamFrom] {
             ++flight->Frames;
             return pilot.SuitLook(StartBeam(2)->GetWorldMatrix().Translation(), beamFrom(), 12.0f);
         },
         nullptr, 20 * kDriverFramesPerSecond},
    };
    Append(steps, BuildOnStartBeam(2, KIND_GENERATOR, outward));
    Append(steps, BuildOnStartBeam(0, KIND_COLLSHIPDOCK, outward));
    Append(steps, TakeFreeShip());
    std::vector<ROADSTEP> ship = {
        {"the ship flies to a point behind and above it and stops",
         [flight] {
             const QNMATRIX m = PlayerShip()->GetWorldMatrix();
             flight->Goal = m.Translation() - m.Row(2).Normalize() * 40.0f + m.Row(0).Normalize() * 30.0f +
                            m.Row(1).Normalize() * 20.0f;
             flight->Frames = 0;
         },
         1,
         [flight] {
             const COLLSHIP* ship = PlayerShip();
             EXPECT_LT((ship->GetWorldMatrix().Translation() - flight->Goal).Length(), 3.0f);
             EXPECT_TRUE(Still(ship, 0.1f));
             EXPECT_EQ(ship->Throttle, 0.0f);
             RecordProperty("ship_flight_frames", int(flight->Frames));
         },
         [flight, &pilot] {
             ++flight->Frames;
             return pilot.ShipTo(flight->Goal, true, {.Reach = 3.0f});
         },
         nullptr, 60 * kDriverFramesPerSecond},
        {"and on to a second point, rolled to a leaning up axis",
         [flight] {
             flight->Goal = StationCentre() + QNVEC3(40, 30, -50);
             flight->Up = QNVEC3(0.5f, 1.0f, 0.2f).Normalize();
         },
         1,
         [flight] {
             const QNMATRIX m = PlayerShip()->GetWorldMatrix();
             EXPECT_LT((m.Translation() - flight->Goal).Length(), 3.0f);
             const QNVEC3 nose = m.Row(2).Normalize();
             const QNVEC3 flat = (flight->Up - nose * QNVEC3::Dot(flight->Up, nose)).Normalize();
             EXPECT_GT(QNVEC3::Dot(m.Row(1).Normalize(), flat), std::cos(0.2f));
             EXPECT_TRUE(Still(PlayerShip(), 0.1f));
         },
         [flight, &pilot] { return pilot.ShipTo(flight->Goal, true, {.Reach = 3.0f}, &flight->Up); }, nullptr,
         60 * kDriverFramesPerSecond},
        {"its nose turned onto the station", nullptr, 1,
         [] {
             const QNMATRIX m = PlayerShip()->GetWorldMatrix();
             const QNVEC3 want = (StationCentre() - m.Translation()).Normalize();
             EXPECT_GT(QNVEC3::Dot(m.Row(2).Normalize(), want), std::cos(0.05f));
         },
         [&pilot] { return pilot.ShipAim(StationCentre(), {.Aim = 0.03f}); }, nullptr, 30 * kDriverFramesPerSecond},
        {"Enter leaves the ship", [] { Key(SDLK_RETURN); }, 10,
         [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT); }},
        {"the suit flies back over the ship and Enter boards it", nullptr, 1,
         [] { EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP); },
         [&pilot] {
             if (PlayerCompany->Mode == COMPANYMODE::SHIP)
                 return true;
             const QNMATRIX m = PlayerShip()->GetWorldMatrix();
             if (pilot.SuitTo(m.Translation() + m.Row(1).Normalize() * 4.0f, 2.0f))
                 Key(SDLK_RETURN);
             return false;
         },
         nullptr, 20 * kDriverFramesPerSecond},
    };
    Append(steps, std::move(ship));

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.DrawEvery = 10;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) { return road.Frame(); };
    ASSERT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
