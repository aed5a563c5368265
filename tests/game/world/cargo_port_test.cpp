// The cargo port with a stand-in freighter that the test docks, opens and sends off: the
// call's conditions, the fee, the pods carried into the hold slots, the value delivered and the
// port's recovery from a lost freighter.

#include <vector>

#include "game/world/cargo_port.h"
#include "game/world/generator.h"
#include "tests/game/world/station_test_util.h"

namespace {

class STANDINFREIGHTER : public GAMENODE, public CARGOFREIGHTER {
public:
    STANDINFREIGHTER(QNNODE* parent, const QNMATRIX& start, CARGOPORT* port)
        : GAMENODE(parent, "FREIGHTER", 67, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &start, 0), Port(port)
    {
    }
    void Call() override { ++Calls; }
    void OpenDoors() override { ++Opens; }
    void CloseDoors() override { ++Closes; }
    void LoadPod(float value) override
    {
        Values.push_back(value);
        // Where the pod is when it is stowed, against the slot it was sent to.
        const QNVEC3 slot = QNVEC3::TransformCoord(Slot(std::uint32_t(Values.size() - 1)), GetWorldMatrix());
        Misses.push_back((Port->CurrentPod()->GetWorldMatrix().Translation() - slot).Length());
        LoadValue += value;
    }
    void Depart() override { ++Departures; }
    QNVEC3 PodPosition(std::uint32_t n) const override
    {
        Slots.push_back(n);
        return Slot(n);
    }
    static QNVEC3 Slot(std::uint32_t n) { return QNVEC3(0.0f, float(n / 6) * 1.2f - 1.0f, float(n % 6) * 1.5f - 2.7f); }
    DOCKINGSTATE Docking() const override { return DockingNow; }
    DOORSTATE Doors() const override { return DoorsNow; }
    float Load() const override { return LoadValue; }
    bool IsFreighterDestroyed() const override { return Destroyed; }

    CARGOPORT* Port;
    int Calls = 0, Opens = 0, Closes = 0, Departures = 0;
    std::vector<float> Values;
    std::vector<float> Misses;
    mutable std::vector<std::uint32_t> Slots;
    DOCKINGSTATE DockingNow = DOCKINGSTATE::WAITING;
    DOORSTATE DoorsNow = DOORSTATE::CLOSED;
    float LoadValue = 0.0f;
    bool Destroyed = false;
};

std::vector<STANDINFREIGHTER*> g_made;

GAMENODE* MakeStandIn(QNNODE* parent, const QNMATRIX& start, const QNVEC3*, const QNVEC3&, CARGOPORT* port,
                      std::uint32_t)
{
    g_made.push_back(new STANDINFREIGHTER(parent, start, port));
    return g_made.back();
}

class CargoPortTest : public stationtest::StationTest {
protected:
    void SetUp() override
    {
        StationTest::SetUp();
        g_made.clear();
        CARGOPORT::InstallMakers();
        CargoLinks.CreateFreighter = &MakeStandIn;
        station = MakePlayerStation();
        power = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT);
        STATIONPART* joint = BuildAt(station, StartBeam(station, 1), 1, KIND_JOINT);
        ASSERT_TRUE(power && joint);
        PowerOn();
        const std::int32_t end = Facing(joint, QNVEC3(1, 0, 0));
        port = dynamic_cast<CARGOPORT*>(BuildAt(station, joint, end, KIND_CARGOPORT));
        ASSERT_NE(port, nullptr) << PlacementMessage(station->Result);
        EXPECT_EQ(station->CargoPort.Get(), port);
        Frame();
        ASSERT_NE(port->PendingPods(), nullptr);
    }
    void TearDown() override
    {
        CargoLinks = CARGOLINKS();
        StationTest::TearDown();
    }
    void PowerOn()
    {
        Frames(3);  // a removed generator leaves its place two frames later
        generator = BuildAt(station, power, FACE_TOP, KIND_GENERATOR);
        ASSERT_NE(generator, nullptr);
    }
    void Seconds(double s) { Frames(int(s * 60.0 + 0.5)); }
    // The stand-in at its berth, as a freighter that has flown in.
    void Dock(STANDINFREIGHTER* f)
    {
        QNMATRIX turn, move;
        turn.SetRotationY(-1.5707964f);
        move.SetTranslationV(CARGOPORT::Waypoint(2));
        f->SetTransform(turn * move * port->GetWorldMatrix());
        f->DockingNow = DOCKINGSTATE::DOCKED;
    }
    void AddPod(float value) { ASSERT_NE(port->AddPod(value), nullptr); }

    STATION* station = nullptr;
    STATIONPART* power = nullptr;
    STATIONPART* generator = nullptr;
    CARGOPORT* port = nullptr;
};

TEST_F(CargoPortTest, AVisitChargesTheFeeOnceLoadsFivePodsInOrderAndDeliversTheirValue)
{
    ASSERT_EQ(station->RemovePartChecked(generator, false), PLACE_OK);
    EXPECT_FALSE(port->CallFreighter()) << "an unpowered port calls nobody";
    EXPECT_TRUE(g_made.empty());
    PowerOn();

    ASSERT_TRUE(port->CallFreighter());
    ASSERT_EQ(g_made.size(), 1u);
    STANDINFREIGHTER* f = g_made[0];
    EXPECT_EQ(port->Freighter(), f);
    EXPECT_FALSE(port->CallFreighter()) << "one freighter at a time";
    EXPECT_EQ(g_made.size(), 1u);

    Seconds(9.8);
    EXPECT_FALSE(port->Present());
    EXPECT_EQ(f->Calls, 0);
    EXPECT_EQ(port->TakeFee(), 0.0f);
    Seconds(0.4);
    EXPECT_TRUE(port->Present());
    EXPECT_EQ(f->Calls, 1);
    EXPECT_EQ(port->TakeFee(), CARGOPORT::kFee);
    EXPECT_EQ(port->TakeFee(), 0.0f);

    // Pods placed before the doors are open wait.
    for (int i = 1; i <= 5; ++i)
        AddPod(float(i) * 1e6f);
    Dock(f);
    Frame();
    EXPECT_EQ(f->Opens, 1);
    EXPECT_EQ(port->Phase(), FREIGHTERPHASE::OPENING);
    Seconds(1.0);
    EXPECT_TRUE(f->Values.empty());
    f->DoorsNow = DOORSTATE::OPEN;
    Frame();
    EXPECT_EQ(port->Phase(), FREIGHTERPHASE::HOLDING);

    double waited = 0.0;
    // Each pod takes three pushes of a few seconds each.
    while (port->PendingPods()->FirstChild() && waited < 90.0) {
        Frame();
        waited += kFrame;
    }
    EXPECT_LT(waited, 90.0);
    EXPECT_EQ(f->Values, (std::vector<float>{1e6f, 2e6f, 3e6f, 4e6f, 5e6f}));
    EXPECT_EQ(f->Slots, (std::vector<std::uint32_t>{0, 1, 2, 3, 4}));
    for (float miss : f->Misses)
        EXPECT_LT(miss, 0.05f);
    EXPECT_EQ(port->PodsLoaded(), 5u);

    port->DispatchFreighter();
    EXPECT_EQ(f->Closes, 1);
    Frame();
    EXPECT_EQ(f->Departures, 0) << "it leaves only once its doors are shut";
    f->DoorsNow = DOORSTATE::CLOSED;
    Frame();
    EXPECT_EQ(f->Departures, 1);
    EXPECT_EQ(port->PendingCargoValue(), 0.0f);
    f->DockingNow = DOCKINGSTATE::GONE;
    Frames(3);
    EXPECT_EQ(port->Freighter(), nullptr) << "the port deletes the freighter that left";
    EXPECT_EQ(port->Phase(), FREIGHTERPHASE::NONE);
    EXPECT_EQ(port->TakeCargoValue(), 15e6f);
    EXPECT_EQ(port->TakeCargoValue(), 0.0f);
    EXPECT_TRUE(port->CallFreighter()) << "the next visit may start";
}

TEST_F(CargoPortTest, ALostFreighterEndsTheVisitAndItsPodsWaitForTheNext)
{
    ASSERT_TRUE(port->CallFreighter());
    STANDINFREIGHTER* first = g_made[0];
    Seconds(10.5);
    Dock(first);
    Frame();
    first->DoorsNow = DOORSTATE::OPEN;
    Frame();
    AddPod(7e6f);
    AddPod(8e6f);
    while (first->Values.empty())
        Frame();
    // Destroyed with a pod on its way: no value, the port is free again, the pod waits.
    first->LoadValue = 7e6f;
    first->Destroyed = true;
    Frame();
    EXPECT_EQ(port->Phase(), FREIGHTERPHASE::NONE);
    EXPECT_EQ(port->Freighter(), nullptr);
    Seconds(5.0);
    EXPECT_EQ(port->TakeCargoValue(), 0.0f);
    EXPECT_EQ(port->PendingPods()->ChildCount(), 1u);
    EXPECT_EQ(first->Values.size(), 1u);
    QNITEM::Destroy(first);

    // The next freighter is deleted by someone else before it arrives: the port lets it go.
    ASSERT_TRUE(port->CallFreighter());
    ASSERT_EQ(g_made.size(), 2u);
    QNITEM::Destroy(g_made[1]);
    Frame();
    EXPECT_EQ(port->Phase(), FREIGHTERPHASE::NONE);

    // A third one takes the waiting pod into its first slot.
    ASSERT_TRUE(port->CallFreighter());
    STANDINFREIGHTER* third = g_made[2];
    Seconds(10.5);
    EXPECT_EQ(port->TakeFee(), CARGOPORT::kFee);
    Dock(third);
    Frame();
    third->DoorsNow = DOORSTATE::OPEN;
    Seconds(15.0);
    EXPECT_EQ(third->Values, (std::vector<float>{8e6f}));
    EXPECT_EQ(third->Slots.front(), 0u);
}

}  // namespace
