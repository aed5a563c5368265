// A freighter's visit to a cargo port of a station at a real site, flown by its own steering
// through the physics world at 60 frames a second: called, arrived, docked, doors open, pods
// loaded, dispatched, gone; and a port lost while the freighter is docked.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <numbers>

#include "engine/physics/node_motion.h"
#include "engine/resource/qndisk.h"
#include "engine/scene/view.h"
#include "game/vehicles/freighter.h"
#include "game/vehicles/outside_hyperspace.h"
#include "game/world/arrow.h"
#include "game/world/company.h"
#include "game/world/company_links.h"
#include "game/world/item_types.h"
#include "game/world/ore_processor.h"
#include "game/world/ore_storage.h"
#include "game/world/game_globals.h"
#include "game/world/path_planner.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "tests/game/game_test_util.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

class CargoSiteTest : public gametest::GameSceneTest {
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
        owner = std::make_unique<COMPANY>(0, 0, table, scene);
        site = owner->Site();
        ASSERT_NE(site, nullptr);
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
        CompanyVehicles = COMPANYVEHICLES();
        company = nullptr;
        owner.reset();
        GameSceneTest::TearDown();
        CargoLinks = CARGOLINKS();
        STATION::Uninstall();
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
    virtual int FrameRate() const { return 60; }
    // One frame at the test's frame rate (the game caps at 60, 30 or 20).
    void Step()
    {
        const double dt = 1.0 / double(FrameRate());
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(dt * 1e6)));
        QNAPP::StepTime(float(dt));
        QNSCENE::UpdateScene(scene);
        QNSCENE::PostUpdateScene(scene);
        if (company)
            company->Update();
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
    // Writes the frame as a PPM when SHIP_IMAGE_DIR names a folder (for looking at it).
    void Keep(const char* name) const
    {
        if (const char* dir = std::getenv("SHIP_IMAGE_DIR"))
            SavePicture((std::string(dir) + "/" + name + ".ppm").c_str());
    }
    // A picture from `offset` (in the freighter's axes) looking at it: the freighter fills the
    // middle of the frame.
    void Picture(GAMENODE* f, const char* name, const QNVEC3& offset)
    {
        scene->Background[0] = scene->Background[1] = scene->Background[2] = 0.0f;
        auto* camera = new GAMENODE(view->Root, "CAMERA", 0, QNCF_LEVEL_PLAIN, 0, 0, nullptr, 0);
        const QNMATRIX m = f->GetWorldMatrix();
        const QNVEC3 at = m.Translation();
        QNMATRIX eye;
        eye.SetLookAt(at + m.Row(0) * offset.x + m.Row(1) * offset.y + m.Row(2) * offset.z, at, m.Row(1));
        camera->SetTransform(eye);
        view->CurrentNode = camera;
        Render();
        Keep(name);
        EXPECT_GT(ShareNot(width * 2 / 5, height * 2 / 5, width * 3 / 5, height * 3 / 5, 0x000000, 4), 0.8) << name;
        view->CurrentNode.Reset();
        QNITEM::Destroy(camera);
    }
    QNVEC3 PortPoint(const QNVEC3& p) const { return QNVEC3::TransformCoord(p, port->GetWorldMatrix()); }
    std::uint32_t Flashes() const
    {
        std::uint32_t n = 0;
        for (QNITEM* x = site->FirstChild(); x; x = x->Next())
            n += dynamic_cast<OUTSIDEHYPERSPACE*>(x) ? 1 : 0;
        return n;
    }

    COMPANY* table[4] = {};
    std::unique_ptr<COMPANY> owner;   ///< the site's company
    QNVIEW* view = nullptr;
    SITE* site = nullptr;
    STATION* station = nullptr;
    CARGOPORT* port = nullptr;
    COMPANY* company = nullptr;   ///< updated after each frame when set
    double now = 0.0;
};

class FreighterTest : public CargoSiteTest, public ::testing::WithParamInterface<int> {
protected:
    int FrameRate() const override { return GetParam(); }
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
    if (GetParam() == 60)
        Picture(f, "freighter_arriving", QNVEC3(12.0f, 9.0f, 4.0f));

    const double flight = RunUntil([&] { return f->Docking() == DOCKINGSTATE::DOCKED; }, 120.0);
    ASSERT_EQ(f->Docking(), DOCKINGSTATE::DOCKED) << "leg " << f->Leg << " state " << int(f->Docking());
    EXPECT_LT(flight, 90.0);
    const QNVEC3 engine = QNVEC3::TransformCoord(QNVEC3(0.0229f, -1.3672f, -11.5f), f->GetWorldMatrix());
    EXPECT_LT((f->EngineGlows[1]->GetWorldMatrix().Translation() - engine).Length(), 0.01f) << "the glows fly along";
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
    if (GetParam() == 60)
        Picture(f, "freighter_docked", QNVEC3(-14.0f, 3.0f, -4.0f));

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

TEST_F(CargoSiteTest, AFreighterWhosePlaceIsTakenRetriesEverySecond)
{
    ASSERT_TRUE(port->CallFreighter());
    QNWEAK<GAMENODE> handle(port->Freighter());
    auto* f = dynamic_cast<FREIGHTER*>(handle.Get());
    // A block parked where the freighter comes out of hyperspace.
    QNMATRIX at = f->GetWorldMatrix();
    auto* block = new GAMENODE(site, "BLOCK", 10, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    block->SetMesh("headq");
    block->SetState(3, 0, false, true);
    RunUntil([&] { return port->Present(); }, 11.0);
    Step();
    EXPECT_EQ(f->Docking(), DOCKINGSTATE::ARRIVING);
    EXPECT_LT(f->State, 2);
    EXPECT_EQ(f->ArrivalDelay, FREIGHTER::kRetryDelay);
    RunUntil([] { return false; }, 2.5);
    EXPECT_EQ(f->Docking(), DOCKINGSTATE::ARRIVING) << "still refused";

    QNITEM::Destroy(block);
    EXPECT_LT(RunUntil([&] { return f->State == 3; }, 2.0), 1.05);
    EXPECT_EQ(f->Leg, 1u);
}

// A collector ship as the company and its dock see it: the ore mask it carries.
class STANDINSHIP : public DAMAGEABLE, public COMPANYSHIP {
public:
    STANDINSHIP(QNNODE* parent, const QNMATRIX& at) : DAMAGEABLE(parent, "SHIP", KIND_COLLSHIP, QNCF_LEVEL_GAME, 0, 0, &at, 0)
    {
        SetMaxima(25.0f, 25.0f);
        Active = true;
    }
    bool IsShipDestroyed() const override { return IsDestroyed(); }
    std::uint32_t OreMask() const override { return Ore; }
    void SetOreMask(std::uint32_t mask) override { Ore = mask; }
    void SetPilotAboard(bool) override {}
    void SetViewMode(std::uint32_t) override {}
    void SetDocked(bool) override {}
    bool InstallWeapon(std::uint32_t) override { return true; }
    std::uint32_t Ore = 0;
};

// The ore chain end to end, through the company's own steps: an order filled by the docked
// ship's mask is delivered at the dock, processed, stored, carried off by a freighter and paid.
TEST_F(CargoSiteTest, AnOrderBecomesProductStorageAPodAndMoney)
{
    company = owner.get();
    STATIONPART* left = Build(StartBeam(2), 1, KIND_JOINT);
    STATIONPART* back = Build(StartBeam(3), 1, KIND_JOINT);
    ASSERT_TRUE(left && back);
    auto outer = [&](STATIONPART* joint) {
        const QNVEC3 out = (joint->GetWorldMatrix().Translation() - site->GetWorldMatrix().Translation()).Normalize();
        for (std::int32_t c = 0; c < joint->ConnectorCount; ++c)
            if (QNVEC3::Dot(joint->Connectors[c].Normal, out) > 0.9f)
                return c;
        return -1;
    };
    STATIONPART* dock = Build(left, outer(left), KIND_COLLSHIPDOCK);
    ASSERT_NE(dock, nullptr) << PlacementMessage(station->Result);
    auto* processor = dynamic_cast<PROCESSOR*>(Build(back, outer(back), KIND_PROCESSOR));
    ASSERT_NE(processor, nullptr) << PlacementMessage(station->Result);
    // The storage unit at the end of a branch off the processor's joint.
    STATIONPART* branch = nullptr;
    for (std::int32_t c = 0; c < back->ConnectorCount && !branch; ++c)
        if (back->Connectors[c].IsFreeForMarker() && back->ConnectorFace(c) < FACE_TOP)
            branch = Build(back, c, KIND_BEAM);
    ASSERT_NE(branch, nullptr) << PlacementMessage(station->Result);
    STATIONPART* tip = nullptr;
    for (std::int32_t c = 0; c < branch->ConnectorCount && !tip; ++c)
        if (branch->Connectors[c].IsFreeForMarker())
            tip = Build(branch, c, KIND_JOINT);
    ASSERT_NE(tip, nullptr) << PlacementMessage(station->Result);
    STORAGE* storage = nullptr;
    for (std::int32_t c = 0; c < tip->ConnectorCount && !storage; ++c)
        if (tip->Connectors[c].IsFreeForMarker() && tip->ConnectorFace(c) < FACE_TOP)
            storage = dynamic_cast<STORAGE*>(Build(tip, c, KIND_STORAGE));
    ASSERT_NE(storage, nullptr) << PlacementMessage(station->Result);
    ASSERT_FALSE(station->Underpowered);
    CompanyVehicles.CreateShip = [](GAMENODE* site, const QNMATRIX& at, std::uint32_t) -> GAMENODE* {
        return new STANDINSHIP(site, at);
    };
    ASSERT_TRUE(company->BuyCollectorShip());
    auto* ship = dynamic_cast<STANDINSHIP*>(company->Ship());
    ASSERT_NE(ship, nullptr);

    const float start = 10e6f;
    company->SetMoney(start);
    company->NewWorkOrders();
    const WORKORDERDATA order = company->WorkOrders[0];
    const float worth = std::max(order.Worth(), company->WorkOrders[1].IsFilledBy(order.Cells)
                                                    ? company->WorkOrders[1].Worth()
                                                    : 0.0f);
    ASSERT_GT(worth, 0.0f);
    ship->Ore = order.Cells;
    company->Delivery = DELIVERYSTATE::DOCKED;  // the pilot docked (the player's Space)

    EXPECT_LT(RunUntil([&] { return processor->ProcessingState == PROCESSORSTATE::PROCESSING; }, 15.0), 10.5);
    EXPECT_EQ(processor->Amount, worth);
    EXPECT_EQ(ship->Ore, 0u) << "the ore left the ship";
    EXPECT_EQ(company->Delivery, DELIVERYSTATE::NONE);

    EXPECT_LT(RunUntil([&] { return storage->StoredOre != 0.0f; }, 200.0), 181.0);
    EXPECT_EQ(storage->StoredOre, worth);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::IDLE);
    EXPECT_LT(RunUntil([&] { return company->FullStorage.size() == 1; }, 30.0), 20.0);
    EXPECT_EQ(company->Money(), start) << "nothing paid or earned yet";

    ASSERT_TRUE(company->CallFreighter());
    EXPECT_FALSE(company->CallFreighter());
    EXPECT_LT(RunUntil([&] { return company->Money() != start; }, 20.0), 10.2);
    EXPECT_EQ(company->Money(), start - CARGOPORT::kFee) << "the fee, once, on arrival";
    EXPECT_LT(RunUntil([&] { return port->Phase() == FREIGHTERPHASE::HOLDING; }, 120.0), 100.0);
    EXPECT_LT(RunUntil([&] { return company->LoadingStorage.Get() == nullptr && storage->StoredOre == 0.0f; }, 30.0),
              20.0);
    EXPECT_EQ(storage->Level, 0.0f);
    EXPECT_LT(RunUntil([&] { return port->Phase() == FREIGHTERPHASE::CLOSING; }, 60.0), 40.0)
        << "sent off once the pod is aboard";
    EXPECT_LT(RunUntil([&] { return port->Phase() == FREIGHTERPHASE::NONE; }, 120.0), 90.0);
    Step();
    EXPECT_EQ(company->Money(), start - CARGOPORT::kFee + worth);
    EXPECT_EQ(port->PendingPods()->FirstChild(), nullptr);
    EXPECT_EQ(company->EmptyStorage.size(), 1u);
    EXPECT_EQ(company->IdleProcessors.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(FrameRates, FreighterTest, ::testing::Values(60, 30, 20));

}  // namespace
