// A freighter's visit to a cargo port of a station at a real site, flown by its own steering
// through the physics world at 60 frames a second: called, arrived, docked, doors open, pods
// loaded, dispatched, gone; and a port lost while the freighter is docked.

#include <cmath>
#include <numbers>

#include "engine/physics/node_motion.h"
#include "engine/resource/qndisk.h"
#include "engine/scene/view.h"
#include "game/vehicles/freighter.h"
#include "game/vehicles/outside_hyperspace.h"
#include "game/world/arrow.h"
#include "game/world/game_globals.h"
#include "game/world/path_planner.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "tests/game/game_test_util.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

class FreighterTest : public gametest::GameSceneTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        QNDISK::MakeTempFolder();
        InitPathPlanners();
        ViewTurns[0].Create(30);
        STATION::Install();
        FREIGHTER::Install();
        MakeScene(
            [](QNRESOURCES& r) {
                SITE::RegisterMedia(r);
                OUTSIDEHYPERSPACE::LoadResources(r);
                FREIGHTER::RegisterMedia(r);
                for (const char* name : {"stationcollision", "othercollision"}) {
                    QNRESOURCES::SoundParams = QNSOUNDPARAMS();
                    QNRESOURCES::SoundParams.Name = name;
                    QNRESOURCES::SoundParams.File = "media\\general\\sounds\\bump.wav";
                    r.AddSound();
                }
            },
            1);
        view = scene->GetView(0);
        site = new SITE(view->Root, 0, 0);
        site->SetState(3, 0, false, false);
        station = dynamic_cast<STATION*>(site->Station.Get());
        ASSERT_NE(station, nullptr);
        station->Marker = new ARROW(station, 0);
        STATIONPART* power = Build(StartBeam(1), 1, KIND_JOINT);
        STATIONPART* joint = Build(StartBeam(0), 1, KIND_JOINT);
        ASSERT_TRUE(power && joint);
        ASSERT_NE(Build(power, FACE_TOP, KIND_GENERATOR), nullptr);
        // The port on the joint's outer end: the freighter's lane runs across the beam's line.
        std::int32_t end = -1;
        const QNVEC3 out = (joint->GetWorldMatrix().Translation() - site->GetWorldMatrix().Translation()).Normalize();
        for (std::int32_t c = 0; c < joint->ConnectorCount; ++c)
            if (QNVEC3::Dot(joint->Connectors[c].Normal, out) > 0.9f)
                end = c;
        port = dynamic_cast<CARGOPORT*>(Build(joint, end, KIND_CARGOPORT));
        ASSERT_NE(port, nullptr) << PlacementMessage(station->Result);
        Frame();
    }
    void TearDown() override
    {
        GameSceneTest::TearDown();
        CargoLinks = CARGOLINKS();
        for (std::int32_t kind : {KIND_PROCESSOR, KIND_STORAGE, KIND_CARGOPORT})
            STATION::SetMaker(kind, nullptr);
        SITE::BuildStation = nullptr;
        SITE::RegisterStationMedia = nullptr;
        ViewTurns[0].Destroy();
        FreePathPlanners();
        QNDISK::RemoveTempFolder();
    }
    STATIONPART* StartBeam(std::int32_t side) const
    {
        const STATIONCONNECTOR* link = station->RootJoint->Connectors[side].Link;
        return link ? link->Owner : nullptr;
    }
    STATIONPART* Build(STATIONPART* part, std::int32_t connector, std::int32_t kind)
    {
        station->Select(part);
        station->ClearMarker();
        station->SelectedConnector = connector;
        return station->BuildPart(kind, 1000.0f, STATION::kNoColour);
    }
    // One frame at the test's frame rate (the game caps at 60, 30 or 20).
    void Step()
    {
        const double dt = 1.0 / double(GetParam());
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(dt * 1e6)));
        QNAPP::StepTime(float(dt));
        QNSCENE::UpdateScene(scene);
        QNSCENE::PostUpdateScene(scene);
        ViewTurns[0].Advance();
        now += dt;
    }
    // Frames until `done` holds or `limit` seconds pass; the seconds taken.
    template <class F>
    double RunUntil(F&& done, double limit)
    {
        const double start = now;
        while (!done() && now - start < limit)
            Step();
        return now - start;
    }
    QNVEC3 PortPoint(const QNVEC3& p) const { return QNVEC3::TransformCoord(p, port->GetWorldMatrix()); }
    std::uint32_t Flashes() const
    {
        std::uint32_t n = 0;
        for (QNITEM* x = site->FirstChild(); x; x = x->Next())
            n += dynamic_cast<OUTSIDEHYPERSPACE*>(x) ? 1 : 0;
        return n;
    }

    QNVIEW* view = nullptr;
    SITE* site = nullptr;
    STATION* station = nullptr;
    CARGOPORT* port = nullptr;
    double now = 0.0;
};

TEST_P(FreighterTest, AVisitFromCallToDeparture)
{
    ASSERT_TRUE(port->CallFreighter());
    auto* f = dynamic_cast<FREIGHTER*>(port->Freighter());
    ASSERT_NE(f, nullptr);
    QNWEAK<GAMENODE> handle(f);
    EXPECT_LT(f->State, 2) << "unseen until it arrives";
    EXPECT_EQ(f->Docking(), DOCKINGSTATE::WAITING);

    EXPECT_LT(RunUntil([&] { return port->Present(); }, 11.0), 10.2);
    EXPECT_EQ(Flashes(), 1u);
    EXPECT_EQ(port->TakeFee(), CARGOPORT::kFee);
    Step();
    EXPECT_EQ(f->State, 3);
    EXPECT_EQ(f->Leg, 1u);

    const double flight = RunUntil([&] { return f->Docking() == DOCKINGSTATE::DOCKED; }, 120.0);
    ASSERT_EQ(f->Docking(), DOCKINGSTATE::DOCKED) << "leg " << f->Leg << " state " << int(f->Docking());
    EXPECT_LT(flight, 90.0);
    EXPECT_GE(f->Plans, 1u);
    // At the berth within both tolerances: the position and the nose along the lane.
    const QNMATRIX docked = f->GetWorldMatrix();
    EXPECT_LT((docked.Translation() - PortPoint(CARGOPORT::Waypoint(2))).Length(), FREIGHTER::kDockStop + 0.3f);
    const QNVEC3 lane = (PortPoint(CARGOPORT::Waypoint(2)) - PortPoint(CARGOPORT::Waypoint(1))).Normalize();
    EXPECT_GT(QNVEC3::Dot(docked.Row(2).Normalize(), lane), std::cos(2.0f * kDegree));

    EXPECT_LT(RunUntil([&] { return port->Phase() == FREIGHTERPHASE::HOLDING; }, 30.0), 20.0);
    EXPECT_EQ(f->Doors(), DOORSTATE::OPEN);
    // The leaves swung out on their hinges.
    EXPECT_LT(QNVEC3::Dot(f->LeftDoor->GetWorldMatrix().Row(1), docked.Row(1)), 0.0f);

    port->AddPod(2e6f);
    port->AddPod(3e6f);
    EXPECT_LT(RunUntil([&] { return f->PodsLoaded == 2; }, 60.0), 40.0);
    EXPECT_EQ(f->Load(), 5e6f);
    EXPECT_EQ(f->Pods[0]->State, 3);
    EXPECT_EQ(f->Pods[1]->State, 3);
    EXPECT_EQ(f->Pods[2]->State, 2);
    EXPECT_LT((f->GetWorldMatrix().Translation() - docked.Translation()).Length(), 0.5f) << "held at the berth";

    port->DispatchFreighter();
    EXPECT_LT(RunUntil([&] { return f->Docking() == DOCKINGSTATE::MANOEUVRE; }, 30.0), 20.0);
    EXPECT_EQ(f->Doors(), DOORSTATE::CLOSED);
    EXPECT_TRUE(f->Departing);
    EXPECT_LT(RunUntil([&] { return !handle; }, 120.0), 90.0) << "leg " << f->Leg << " state " << int(f->Docking());
    EXPECT_EQ(port->Phase(), FREIGHTERPHASE::NONE);
    EXPECT_EQ(port->TakeCargoValue(), 5e6f);
}

TEST_P(FreighterTest, APortLostWhileDockedSendsTheFreighterAwayFromTheSite)
{
    ASSERT_TRUE(port->CallFreighter());
    QNWEAK<GAMENODE> handle(port->Freighter());
    auto* f = dynamic_cast<FREIGHTER*>(handle.Get());
    RunUntil([&] { return f->Docking() == DOCKINGSTATE::DOCKED; }, 120.0);
    ASSERT_EQ(f->Docking(), DOCKINGSTATE::DOCKED);

    port->Kill();
    Step();
    EXPECT_EQ(f->Leg, 5u);
    const QNVEC3 centre = site->GetWorldMatrix().Translation();
    EXPECT_NEAR((f->Waypoints[5] - centre).Length(), FREIGHTER::kFlyAway, 0.01f);
    float farthest = 0.0f;
    const std::uint32_t before = Flashes();
    const double away = RunUntil(
        [&] {
            if (handle)
                farthest = std::max(farthest, (f->GetWorldMatrix().Translation() - centre).Length());
            return !handle;
        },
        120.0);
    EXPECT_LT(away, 90.0);
    EXPECT_GT(farthest, FREIGHTER::kFlyAway - FREIGHTER::kReach - 1.0f);
    EXPECT_GT(Flashes(), before) << "it vanishes in a flash";
}

INSTANTIATE_TEST_SUITE_P(FrameRates, FreighterTest, ::testing::Values(60, 30, 20));

}  // namespace
