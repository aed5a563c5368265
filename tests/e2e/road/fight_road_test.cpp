// Fights in the program's own game with no display, at 50 frames a second: rival collector ships
// come over by their pilots' own jump. A rival raids the player's station, pulls its trigger only
// while its nose points at what it attacks, hurts the station and goes home; a station with a
// mid-range turret hurts a raiding rival; station weapons hit a rival ship held still or crossing
// within their reach.

#include <gtest/gtest.h>

#include <memory>

#include "app/fight_arena.h"
#include "app/game_driver.h"
#include "game/world/item_types.h"
#include "game/world/neutron_emitter.h"
#include "tests/e2e/road/road.h"

namespace {

using namespace road;

constexpr std::uint64_t kSecond = kDriverFramesPerSecond;

// One rival watched through a fight at the player's site.
struct RAIDER {
    std::uint32_t View = ~0u;
    QNWEAK<COLLSHIP> Ship;
    std::uint32_t Pulls = 0, PullsOff = 0;
    float WorstAngle = 0.0f;
    bool Visited = false, Home = false;
    arena::TOLLKEEPER Toll;

    // After each frame: the trigger pulls of the frame and where the nose pointed.
    void Watch()
    {
        COLLSHIP* ship = Ship.Get();
        if (!ship)
            return;
        if (ship->CurrentSite.Get() == arena::PlayerSite())
            Visited = true;
        else if (Visited && ship->CurrentSite.Get() == arena::Rival(View)->Site())
            Home = true;
        Toll.Read();
        // A pull in this frame was decided on the ship and target as the last frame left them.
        if (ship->TriggerPulls != pulls_) {
            const std::uint32_t now = ship->TriggerPulls - pulls_;
            Pulls += now;
            if (angle_ >= 0.0f) {
                WorstAngle = std::max(WorstAngle, angle_);
                if (angle_ >= AIPILOT::kShootDegrees)
                    PullsOff += now;
            }
        }
        pulls_ = ship->TriggerPulls;
        AIPILOT* pilot = arena::PilotOf(View);
        const auto* target = pilot ? dynamic_cast<const QNNODE*>(pilot->Target()) : nullptr;
        angle_ = target ? arena::AngleOff(ship, arena::Position(target)) / arena::kDegree : -1.0f;
    }

private:
    std::uint32_t pulls_ = 0;
    float angle_ = -1.0f;
};

// Waits for a rival with a ship and takes it as the raider (the others are kept at home).
ROADSTEP ARivalWithAShip(const std::shared_ptr<RAIDER>& r)
{
    return {"a rival with a ship", nullptr, kSecond,
            [r] { ASSERT_NE(r->View, ~0u) << "no rival bought a ship"; },
            [r] {
                for (std::uint32_t v : arena::RivalViews())
                    if (COLLSHIP* ship = arena::ShipOf(v)) {
                        r->View = v;
                        r->Ship = ship;
                        r->Toll.Watch(ship, false);
                        for (std::uint32_t other : arena::RivalViews())
                            if (other != v)
                                arena::PilotOf(other)->Reset();
                        return true;
                    }
                return false;
            },
            nullptr, 600};
}

// The rival's pilot goes to the site the player looks at: it jumps over by itself.
ROADSTEP TheRivalJumpsOver(const std::shared_ptr<RAIDER>& r)
{
    return {"the rival jumps over", [r] { arena::SendRival(r->View); }, 10,
            [r] {
                ASSERT_TRUE(arena::RivalAtPlayersSite(r->View));
                EXPECT_GE(r->Ship.Get()->HyperjumpCount, 1u);
            },
            [r] { return arena::RivalAtPlayersSite(r->View); }, [r](int) { arena::SendRival(r->View); }, 60};
}

// Station parts of the player's, each watched for the damage it takes.
struct DEFENCE {
    std::vector<std::unique_ptr<arena::TOLLKEEPER>> Parts;
    void Watch()
    {
        for (auto& k : Parts)
            k->Read();
    }
    arena::TOLL Total() const
    {
        arena::TOLL t;
        for (const auto& k : Parts) {
            t.Hits += k->Toll.Hits;
            t.Ballistic += k->Toll.Ballistic;
            t.Electronic += k->Toll.Electronic;
        }
        return t;
    }
};

ROADSTEP Builds(const char* name, std::int32_t side, std::int32_t kind, const std::shared_ptr<DEFENCE>& d)
{
    return {name, [side, kind, d] {
                STATIONPART* part = arena::BuildOnTop(side, kind);
                if (part)
                    d->Parts.push_back(std::make_unique<arena::TOLLKEEPER>(part, false));
            },
            2, [kind] {
                STATION* station = Station();
                ASSERT_NE(station, nullptr);
                EXPECT_GE(station->Counts[kind], 1u);
            }};
}

int Drive(ROAD& road, const std::function<void()>& everyFrame)
{
    GAMEDRIVE drive;
    drive.Frames = 200000;
    drive.DrawEvery = 1000;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) {
        everyFrame();
        return road.Frame();
    };
    return DriveHeadlessGame(drive, nullptr);
}

TEST(FightRoad, ARivalRaidsTheStationPointingAtWhatItHitsAndGoesHome)
{
    ReportToTest();
    auto r = std::make_shared<RAIDER>();
    auto d = std::make_shared<DEFENCE>();
    std::vector<ROADSTEP> steps = {
        {"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }},
        Builds("a generator", 0, KIND_GENERATOR, d),
        ARivalWithAShip(r),
        TheRivalJumpsOver(r),
        {"it fights and goes home", nullptr, 10 * kSecond,
         [r, d] {
             EXPECT_TRUE(r->Home) << "still away after the fight";
             EXPECT_GT(r->Pulls, 0u) << "it never fired";
             EXPECT_EQ(r->PullsOff, 0u) << "fired pointing " << r->WorstAngle << " degrees off its target";
             EXPECT_GT(d->Total().Damage(), 0.0f) << "the station was not hurt";
         },
         [r] { return r->Home; }, nullptr, 30},
    };
    ROAD road(std::move(steps));
    ASSERT_EQ(Drive(road, [r, d] {
                  r->Watch();
                  d->Watch();
              }),
              0);
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

TEST(FightRoad, ADefendedStationHurtsARaidingRival)
{
    ReportToTest();
    auto r = std::make_shared<RAIDER>();
    auto d = std::make_shared<DEFENCE>();
    std::vector<ROADSTEP> steps = {
        {"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }},
        Builds("a generator", 0, KIND_GENERATOR, d),
        Builds("a mid-range turret", 1, KIND_MIDRANGETURRET, d),
        ARivalWithAShip(r),
        TheRivalJumpsOver(r),
        {"the turret hurts it", nullptr, 5 * kSecond,
         [r] {
             EXPECT_GT(r->Toll.Toll.Ballistic, 0.0f);
             EXPECT_GT(r->Toll.Toll.Hits, 0u);
         },
         [r] { return r->Toll.Toll.Ballistic > 0.0f || !r->Ship.Get(); }, nullptr, 24},
    };
    ROAD road(std::move(steps));
    ASSERT_EQ(Drive(road, [r, d] {
                  r->Watch();
                  d->Watch();
              }),
              0);
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

// The rival's ship, its pilot idle, held still or crossing the line of sight in front of a
// station weapon, a little above it: the weapon hits it within its reach at the speeds it meets.
TEST(FightRoad, StationWeaponsHitARivalStillOrCrossingWithinTheirReach)
{
    ReportToTest();
    struct PASS {
        std::int32_t Kind;
        float Distance, Speed;
        float Damage;   ///< at least this much in the pass
    };
    const PASS passes[] = {
        {KIND_NEUTRONEMITTER, 30.0f, 0.0f, NEUTRONEMITTER::NEUTRONBEAM::kBurn},
        {KIND_NEUTRONEMITTER, 60.0f, 35.0f, NEUTRONEMITTER::NEUTRONBEAM::kBurn},
        {KIND_NEUTRONEMITTER, 90.0f, 20.0f, NEUTRONEMITTER::NEUTRONBEAM::kBurn},
        {KIND_MIDRANGETURRET, 25.0f, 35.0f, 20.0f},
        {KIND_FLACKGUN, 150.0f, 20.0f, 10.0f},
    };
    auto r = std::make_shared<RAIDER>();
    auto weapon = std::make_shared<QNWEAK<STATIONPART>>();
    auto course = std::make_shared<arena::COURSE>();
    auto held = std::make_shared<bool>(false);
    std::vector<ROADSTEP> steps = {
        {"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }},
        {"a generator", [] { arena::BuildOnTop(0, KIND_GENERATOR); }, 2, nullptr},
        ARivalWithAShip(r),
        TheRivalJumpsOver(r),
    };
    for (const PASS& pass : passes) {
        steps.push_back({"a weapon built",
                         [r, weapon, pass] {
                             arena::PilotOf(r->View)->Reset();
                             *weapon = arena::BuildOnTop(2, pass.Kind);
                         },
                         8 * kSecond,
                         [weapon] { ASSERT_NE(weapon->Get(), nullptr) << PlacementMessage(Station()->Result); }});
        steps.push_back({"the rival in front of it",
                         [r, weapon, course, held, pass] {
                             STATIONPART* w = weapon->Get();
                             const QNVEC3 out = arena::Outward(w);
                             course->Centre = arena::Position(w);
                             course->A = (out + QNVEC3(0, 0.3f, 0)).Normalize();
                             course->B = QNVEC3::Cross(QNVEC3(0, 1, 0), out).Normalize();
                             course->Radius = pass.Distance;
                             course->Speed = pass.Speed;
                             course->Time = 0.0;
                             *held = true;
                             r->Toll.Watch(r->Ship.Get(), true);
                         },
                         16 * kSecond, [r, pass] {
                             SCOPED_TRACE(testing::Message() << "kind " << pass.Kind << ", " << pass.Distance
                                                             << " units away, crossing at " << pass.Speed);
                             EXPECT_GE(r->Toll.Toll.Damage(), pass.Damage);
                         }});
        steps.push_back({"the weapon taken off",
                         [weapon, held] {
                             arena::Remove(weapon->Get());
                             *held = false;
                         },
                         kSecond, nullptr});
    }
    ROAD road(std::move(steps));
    ASSERT_EQ(Drive(road, [r, course, held] {
                  COLLSHIP* ship = r->Ship.Get();
                  if (*held && ship)
                      arena::Steer(ship, *course, 1.0 / kSecond);
                  else if (ship && arena::RivalAtPlayersSite(r->View)) {
                      const QNVEC3 away = arena::Position(arena::PlayerSite()) + QNVEC3(0, 1500, 0);
                      arena::Hold(ship, away, away + QNVEC3(0, 0, 1));
                  }
                  r->Watch();
              }),
              0);
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
