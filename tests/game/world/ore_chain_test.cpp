// The ore processor and the storage unit on a powered station: processing time across power
// losses, the chambers' order and the levels they show.

#include <algorithm>
#include <cmath>
#include <set>
#include <vector>

#include "engine/util/qnapp_state.h"
#include "engine/util/qntimer.h"
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

// The arm mechanism is a closed loop (small arm on its hinge, large arm on a ball at the small
// arm's end, its axle held on the processor's guide line). At each of the game's frame rates the
// driven loop must move, hold both its joints and stay finite.
class ProcessorArmTest : public OreChainTest, public ::testing::WithParamInterface<int> {
protected:
    void Step()
    {
        const double dt = 1.0 / double(GetParam());
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(dt * 1e6)));
        QNAPP::StepTime(float(dt));
        QNSCENE::UpdateScene(scene);
        QNSCENE::PostUpdateScene(scene);
    }
};

TEST_P(ProcessorArmTest, TheDrivenLoopMovesAndHoldsItsJointsAtTheGamesFrameRates)
{
    auto* processor = dynamic_cast<PROCESSOR*>(BuildAt(station, joint, FreeSide(), KIND_PROCESSOR));
    ASSERT_NE(processor, nullptr) << PlacementMessage(station->Result);
    ASSERT_TRUE(processor->LargeArm && processor->Axle);
    const QNMATRIX small0 = processor->Arm->GetWorldMatrix();
    const QNMATRIX large0 = processor->LargeArm->GetWorldMatrix();
    const QNVEC3 pin = processor->Axle->GetWorldMatrix().Translation();
    const QNVEC3 guide = large0.Row(0).Normalize();
    // The ball: the large arm's end as a point of the small arm.
    const QNVEC3 ballEnd = QNVEC3::TransformCoord(QNVEC3(1.735f, 0.0f, 0.0f), large0);
    const QNVEC3 ballOnSmall = QNVEC3::TransformCoord(ballEnd, small0.Inverse());
    EXPECT_GT((ballEnd - pin).Length(), 3.0f);

    processor->StartProcessing(1e6f);
    float minSmall = 1.0f, minLarge = 1.0f, worstBall = 0.0f, worstPin = 0.0f;
    const int frames = 40 * GetParam();
    for (int f = 0; f < frames; ++f) {
        Step();
        const QNMATRIX small = processor->Arm->GetWorldMatrix();
        const QNMATRIX large = processor->LargeArm->GetWorldMatrix();
        const QNVEC3 at = large.Translation();
        ASSERT_TRUE(std::isfinite(at.x) && std::isfinite(at.y) && std::isfinite(at.z)) << "frame " << f;
        ASSERT_LT((at - large0.Translation()).Length(), 8.0f) << "frame " << f;
        minSmall = std::min(minSmall, QNVEC3::Dot(small.Row(2).Normalize(), small0.Row(2).Normalize()));
        const QNVEC3 axis = large.Row(0).Normalize();
        minLarge = std::min(minLarge, QNVEC3::Dot(axis, large0.Row(0).Normalize()));
        const QNVEC3 end = QNVEC3::TransformCoord(QNVEC3(1.735f, 0.0f, 0.0f), large);
        worstBall = std::max(worstBall, (end - QNVEC3::TransformCoord(ballOnSmall, small)).Length());
        // The axle's distance from the guide line.
        const QNVEC3 d = processor->Axle->GetWorldMatrix().Translation() - pin;
        worstPin = std::max(worstPin, (d - guide * QNVEC3::Dot(d, guide)).Length());
    }
    EXPECT_LT(minSmall, 0.5f) << "the small arm swings";
    EXPECT_LT(minLarge, 0.97f) << "the large arm follows";
    // The toolkit's joints give a little under the drive's reversals (about 0.2 at 60 frames a
    // second, 0.45 at 20); a loop that comes apart drifts by whole units.
    EXPECT_LT(worstBall, 0.5f);
    EXPECT_LT(worstPin, 0.5f);

    // Stopped, the loop is pulled back to rest and settles.
    PowerOff();
    for (int f = 0; f < 20 * GetParam(); ++f)
        Step();
    EXPECT_GT(QNVEC3::Dot(processor->Arm->GetWorldMatrix().Row(2).Normalize(), small0.Row(2).Normalize()), 0.99f);
    EXPECT_GT(QNVEC3::Dot(processor->LargeArm->GetWorldMatrix().Row(0).Normalize(), large0.Row(0).Normalize()),
              0.99f);
}

INSTANTIATE_TEST_SUITE_P(FrameRates, ProcessorArmTest, ::testing::Values(60, 30, 20));
