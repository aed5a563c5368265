// The ore processor and the storage unit on a powered station: processing time across power
// losses, the chambers' order and the levels they show.

#include <set>
#include <vector>

#include "game/world/cargo_port.h"
#include "game/world/generator.h"
#include "game/world/ore_processor.h"
#include "game/world/ore_storage.h"
#include "tests/game/world/station_test_util.h"

namespace {

class OreChainTest : public stationtest::StationTest {
protected:
    void SetUp() override
    {
        StationTest::SetUp();
        CARGOPORT::InstallMakers();
        station = MakePlayerStation();
        // The generator overhangs its joint: the parts under test go on a joint of their own.
        power = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT);
        joint = BuildAt(station, StartBeam(station, 1), 1, KIND_JOINT);
        ASSERT_TRUE(power && joint);
        generator = dynamic_cast<GENERATOR*>(BuildAt(station, power, FACE_TOP, KIND_GENERATOR));
        ASSERT_NE(generator, nullptr);
        ASSERT_FALSE(station->Underpowered);
    }
    // The station's only generator leaves (the power rule switches every part off) or comes back.
    void PowerOff()
    {
        ASSERT_EQ(station->RemovePartChecked(generator, false), PLACE_OK);
        ASSERT_TRUE(station->Underpowered);
    }
    void PowerOn()
    {
        generator = dynamic_cast<GENERATOR*>(BuildAt(station, power, FACE_TOP, KIND_GENERATOR));
        ASSERT_NE(generator, nullptr) << PlacementMessage(station->Result);
        ASSERT_FALSE(station->Underpowered);
    }
    void TearDown() override
    {
        for (std::int32_t kind : {KIND_PROCESSOR, KIND_STORAGE, KIND_CARGOPORT})
            STATION::SetMaker(kind, nullptr);
        StationTest::TearDown();
    }
    // A free side connector of the joint.
    std::int32_t FreeSide() const
    {
        for (std::int32_t c = 0; c < joint->ConnectorCount; ++c)
            if (joint->Connectors[c].IsFreeForMarker() && joint->ConnectorFace(c) < FACE_TOP)
                return c;
        return -1;
    }
    void Seconds(double s) { Frames(int(s * 60.0 + 0.5)); }

    STATION* station = nullptr;
    STATIONPART* joint = nullptr;
    STATIONPART* power = nullptr;
    GENERATOR* generator = nullptr;
};

TEST_F(OreChainTest, ProcessingCountsOnlyPoweredTimeAndHoldsTheProductUntilCollected)
{
    auto* processor = dynamic_cast<PROCESSOR*>(BuildAt(station, joint, FreeSide(), KIND_PROCESSOR));
    ASSERT_NE(processor, nullptr) << PlacementMessage(station->Result);
    ASSERT_EQ(station->ProcessorsAndStorage.size(), 1u);
    EXPECT_TRUE(processor->IsOperating());
    const QNMATRIX armRest = processor->Arm->GetWorldMatrix();
    // Chips out of the vents (launched chips hang under their vent, the others in its pool).
    auto flying = [&] {
        int n = 0;
        for (QNEMITTER* vent : processor->Vents)
            for (QNITEM* c = vent->FirstChild(); c; c = c->Next())
                n += dynamic_cast<VENTCHIP*>(c) ? 1 : 0;
        return n;
    };
    EXPECT_EQ(flying(), 0);

    processor->StartProcessing(12e6f);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PROCESSING);
    EXPECT_TRUE(processor->Running);
    Frame();
    EXPECT_EQ(flying(), PROCESSOR::kVents * 3) << "every vent bursts at once";
    Seconds(60.0);
    EXPECT_NEAR(processor->Elapsed, 60.0f, 0.1f);
    // The running machinery swings the arm on its hinge.
    EXPECT_LT(QNVEC3::Dot(processor->Arm->GetWorldMatrix().Row(2), armRest.Row(2)), 0.99f);

    // The generator stops: the station loses power and the processor waits with its time kept.
    PowerOff();
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PAUSED);
    EXPECT_FALSE(processor->Running);
    Seconds(30.0);
    EXPECT_EQ(flying(), 0) << "the vents rest while the machinery is off";
    EXPECT_NEAR(processor->Elapsed, 60.0f, 0.1f);
    EXPECT_EQ(station->RemovePartChecked(processor, false), PLACE_CONTAINS_ORE);

    PowerOn();
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PROCESSING);
    Seconds(119.0);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PROCESSING);
    Seconds(1.5);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::FINISHED);
    EXPECT_EQ(processor->Progress(), PROCESSOR::kProcessingTime);
    EXPECT_FALSE(processor->Running);
    EXPECT_EQ(processor->Amount, 12e6f);

    processor->Collect();
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::IDLE);
    EXPECT_FALSE(processor->HoldsOre());

    // Started without power it waits, and its 180 s begin when the power comes.
    PowerOff();
    processor->StartProcessing(1.0f);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PAUSED);
    Seconds(5.0);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PAUSED);
    PowerOn();
    Seconds(179.0);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PROCESSING);
    Seconds(1.5);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::FINISHED);
}

// Runs until the unit is idle (or `limit` seconds), recording each moving chamber once and the
// largest change of the shown level between two frames.
struct MOVE {
    std::vector<std::uint32_t> Chambers;
    float LargestStep = 0.0f;
    double Seconds = 0.0;
};

TEST_F(OreChainTest, StorageMovesOneChamberAtATimeAndEmptiesFromFull)
{
    auto* storage = dynamic_cast<STORAGE*>(BuildAt(station, joint, FreeSide(), KIND_STORAGE));
    ASSERT_NE(storage, nullptr) << PlacementMessage(station->Result);
    auto run = [&](double limit) {
        MOVE m;
        float last = storage->Level;
        while (storage->MovingChamber != STORAGE::kIdle && m.Seconds < limit) {
            if (storage->MovingChamber < 4 && (m.Chambers.empty() || m.Chambers.back() != storage->MovingChamber))
                m.Chambers.push_back(storage->MovingChamber);
            Frame();
            m.Seconds += kFrame;
            m.LargestStep = std::max(m.LargestStep, std::fabs(storage->Level - last));
            last = storage->Level;
        }
        return m;
    };

    storage->SetLevel(10.0f);
    run(30.0);
    EXPECT_FLOAT_EQ(storage->Level, 10.0f);

    storage->SetLevel(60.0f);
    EXPECT_TRUE(storage->Filling);
    MOVE up = run(30.0);
    EXPECT_EQ(up.Chambers, (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_LT(up.Seconds, 20.0);
    // Within a chamber the level moves smoothly; at a change it jumps by at most the arrival
    // tolerance's share of a quarter (on to 25 and to 50 exactly).
    EXPECT_LT(up.LargestStep, STORAGE::kArrival / STORAGE::kChamberTravel * 25.0f + 0.5f);
    EXPECT_FLOAT_EQ(storage->Level, 60.0f);
    EXPECT_NEAR(storage->Slide(0), 20.0f, STORAGE::kArrival);
    EXPECT_NEAR(storage->Slide(1), 20.0f, STORAGE::kArrival);
    EXPECT_NEAR(storage->Slide(2), 8.0f, STORAGE::kArrival);
    EXPECT_NEAR(storage->Slide(3), 0.0f, 0.1f);

    // A power loss holds the moving chamber; the power's return drives it on.
    storage->SetLevel(150.0f);
    EXPECT_FLOAT_EQ(storage->TargetLevel, 100.0f);
    Seconds(0.5);
    PowerOff();
    EXPECT_EQ(storage->MovingChamber, STORAGE::kPaused);
    const float held = storage->Slide(2);
    Seconds(3.0);
    EXPECT_NEAR(storage->Slide(2), held, 0.3f);
    PowerOn();
    EXPECT_EQ(storage->MovingChamber, 2u);
    run(30.0);
    EXPECT_FLOAT_EQ(storage->Level, 100.0f);
    for (std::uint32_t n = 0; n < 4; ++n)
        EXPECT_NEAR(storage->Slide(n), 20.0f, STORAGE::kArrival) << n;

    // From full the top chamber moves first, down to empty.
    storage->SetLevel(-5.0f);
    EXPECT_FLOAT_EQ(storage->TargetLevel, 0.0f);
    EXPECT_FALSE(storage->Filling);
    MOVE down = run(40.0);
    EXPECT_EQ(down.Chambers, (std::vector<std::uint32_t>{3, 2, 1, 0}));
    EXPECT_FLOAT_EQ(storage->Level, 0.0f);
    EXPECT_EQ(storage->MovingChamber, STORAGE::kIdle);
    for (std::uint32_t n = 0; n < 4; ++n)
        EXPECT_NEAR(storage->Slide(n), 0.0f, STORAGE::kArrival) << n;

    storage->StoredOre = 3e6f;
    EXPECT_EQ(station->RemovePartChecked(storage, false), PLACE_CONTAINS_ORE);
}

}  // namespace
