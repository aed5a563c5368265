// The stand-in meshes against the connector rules, placement in a view that is never stepped,
// the refusals that leave no trace, and a destroyed selected part taking the marker with it.

#include <string>
#include <vector>

#include "station_test_util.h"

namespace {

using stationtest::Coincide;
using stationtest::StationTest;

// A processor of the factory's test stand-in: a cube with one connector.
class CRATE : public STATIONPART {
public:
    CRATE(STATIONPART* parent, std::int32_t connector, std::uint32_t view)
        : STATIONPART(parent, "CRATE", KIND_PROCESSOR, 0, false, 0, view)
    {
        SetTexture("joint");
        SetMesh("joint");
        AddConnector(FACE_FRONT);
        AttachTo(parent, connector, 0);
    }
};

STATIONPART* MakeCrate(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new CRATE(parent, connector, station.ViewIndex);
}

// How far the mesh box reaches along the axis-aligned direction `n`.
float Reach(const QNBOX& box, const QNVEC3& n)
{
    return (n.x > 0 ? box.max.x : box.min.x) * n.x + (n.y > 0 ? box.max.y : box.min.y) * n.y +
           (n.z > 0 ? box.max.z : box.min.z) * n.z;
}

std::string Message(const STATION* station)
{
    return PlacementMessage(station->Result);
}

TEST_F(StationTest, StandInMeshesCarryEveryConnectorOnABoxFaceInTheStationsFrame)
{
    STATION* station = MakePlayerStation();
    STATIONPART* root = station->RootJoint.Get();
    STATIONPART* beam = StartBeam(station, 0);
    STATIONPART* hq = station->CollectParts(KIND_HEADQUARTERS).front();
    STATIONPART* joint = BuildAt(station, beam, 1, KIND_JOINT);
    ASSERT_NE(joint, nullptr) << Message(station);
    STATIONPART* generator = BuildAt(station, joint, FACE_TOP, KIND_GENERATOR);
    ASSERT_NE(generator, nullptr) << Message(station);

    // The beam is long in x and ends in its two x faces; the joint is a cube.
    const QNVEC3 b = beam->Mesh->Box.max - beam->Mesh->Box.min;
    EXPECT_GT(b.x, 2.0f * b.y);
    EXPECT_GT(b.x, 2.0f * b.z);
    EXPECT_NEAR(std::fabs(beam->Templates[0].Normal.x), 1.0f, 1e-6f);
    EXPECT_NEAR(std::fabs(beam->Templates[1].Normal.x), 1.0f, 1e-6f);
    const QNVEC3 j = joint->Mesh->Box.max - joint->Mesh->Box.min;
    EXPECT_NEAR(j.x, j.y, 1e-4f);
    EXPECT_NEAR(j.x, j.z, 1e-4f);
    EXPECT_EQ(joint->ConnectorCount, 6);
    // The headquarters and the generator hang from their bottom face and stand above their joint.
    for (STATIONPART* top : {hq, generator}) {
        EXPECT_EQ(top->Templates[0].Normal, QNVEC3(0, -1, 0)) << top->Name().Text();
        const QNVEC3 up = top->GetWorldMatrix().Translation() - top->ParentPart()->GetWorldMatrix().Translation();
        EXPECT_GT(QNVEC3::Dot(up, station->GetWorldMatrix().Row(1)), 0.5f) << top->Name().Text();
    }

    const QNMATRIX stationWorld = station->GetWorldMatrix();
    for (STATIONPART* part : {root, beam, hq, joint, generator}) {
        ASSERT_NE(part->Mesh, nullptr);
        for (std::int32_t i = 0; i < part->ConnectorCount; ++i) {
            const STATIONCONNECTOR& t = part->Templates[i];
            EXPECT_NEAR(QNVEC3::Dot(t.Position, t.Normal), Reach(part->Mesh->Box, t.Normal) + STATIONPART::kConnectorGap,
                        1e-4f)
                << part->Name().Text() << " " << i;
            // The placed connector is the template carried into the station's frame.
            const QNVEC3 viaPart = QNVEC3::TransformCoord(t.Position, part->GetWorldMatrix());
            const QNVEC3 viaStation = QNVEC3::TransformCoord(part->Connectors[i].Position, stationWorld);
            EXPECT_TRUE(Coincide(viaPart, viaStation)) << part->Name().Text() << " " << i;
        }
    }
}

TEST_F(StationTest, OccupiedConnectorsAndDestroyedSelectionsLeaveNothingBehind)
{
    STATION* station = MakePlayerStation();
    STATIONPART* beam = StartBeam(station, 0);
    STATIONPART* joint = BuildAt(station, beam, 1, KIND_JOINT);
    ASSERT_NE(joint, nullptr) << Message(station);

    // The beam's far end now holds the joint.
    const std::uint32_t joints = station->Counts[KIND_JOINT];
    EXPECT_EQ(BuildAt(station, beam, 1, KIND_JOINT), nullptr);
    EXPECT_EQ(Message(station), "No more connections available");
    EXPECT_EQ(station->Counts[KIND_JOINT], joints);
    EXPECT_EQ(joint->Connectors[0].Link, &beam->Connectors[1]) << "the marker took the joint's link";
    EXPECT_EQ(beam->Connectors[1].Link, &joint->Connectors[0]);

    // A beam selected with the marker on its far end is taken away by a removal that did not
    // go through the selection: the selection goes and the marker marks nothing.
    STATIONPART* stub = BuildAt(station, joint, FACE_TOP, KIND_BEAM);
    ASSERT_NE(stub, nullptr) << Message(station);
    station->Select(stub);
    ASSERT_GE(station->SelectedConnector, 0);
    STATIONPART* marker = station->Marker.Get();
    ASSERT_NE(marker, nullptr);
    ASSERT_NE(marker->Connectors[0].Link, nullptr);
    EXPECT_EQ(marker->Connectors[0].Link->Owner, stub);
    EXPECT_EQ(station->RemovePartChecked(stub, false), PLACE_OK);
    EXPECT_FALSE(station->Selected);
    EXPECT_EQ(station->SelectedConnector, -1);
    EXPECT_EQ(marker->Connectors[0].Link, nullptr);
    station->Update();
    EXPECT_EQ(marker->Votes[0], 2);
    Frames(3);
    ASSERT_TRUE(station->Marker) << "the marker outlives the part it marked";

    // A selected generator shot away takes the selection with it.
    STATIONPART* generator = BuildAt(station, joint, FACE_TOP, KIND_GENERATOR);
    ASSERT_NE(generator, nullptr) << Message(station);
    station->Select(generator);
    QNWEAK<STATIONPART> alive(generator);
    generator->DamageBallistic(1000.0f, 0, 0);
    Frames(4);
    EXPECT_FALSE(alive);
    EXPECT_FALSE(station->Selected);
    EXPECT_EQ(station->BuildPart(KIND_BEAM, 1000.0f, STATION::kNoColour), nullptr);
    EXPECT_EQ(Message(station), "No structure selected");
    EXPECT_EQ(joint->CountFreeConnectors(), 5);
}

// A computer company's site in a view the scene neither updates nor steps.
class DisabledViewStation : public StationTest {
protected:
    DisabledViewStation() { SceneViews = 2; }
    void SetUp() override
    {
        StationTest::SetUp();
        scene->ViewMask = 1;
        STATION::SetMaker(KIND_PROCESSOR, &MakeCrate);
        away = new SITE(scene->GetView(1)->Root, 1, 1);
        away->SetState(3, 0, false, false);
    }
    SITE* away = nullptr;
};

TEST_F(DisabledViewStation, PlacementSeesBlockersUnsteppedAndARefusedProcessorLeavesOnce)
{
    ASSERT_FALSE(scene->IsViewEnabled(1));
    auto* station = dynamic_cast<STATION*>(away->Station.Get());
    ASSERT_NE(station, nullptr);
    Frames(3);
    STATIONPART* joint = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT);
    ASSERT_NE(joint, nullptr) << Message(station);
    std::vector<std::int32_t> sides;
    for (std::int32_t c = 0; c < joint->ConnectorCount; ++c)
        if (joint->Connectors[c].IsFreeForMarker() && joint->ConnectorFace(c) < FACE_TOP)
            sides.push_back(c);
    ASSERT_GE(sides.size(), 2u);
    STATIONPART* first = BuildAt(station, joint, sides[0], KIND_PROCESSOR);
    ASSERT_NE(first, nullptr) << Message(station);
    ASSERT_EQ(station->ProcessorsAndStorage.size(), 1u);
    const std::uint32_t powered = station->PoweredParts;

    // A rock made just now, never stepped, in front of the joint's other side.
    const std::int32_t side = sides[1];
    const QNVEC3 spot = joint->Connectors[side].Position + joint->Connectors[side].Normal * 1.5f;
    QNMATRIX at;
    at.SetTranslationV(QNVEC3::TransformCoord(spot, station->GetWorldMatrix()));
    auto* rock = new GAMENODE(away, "ROCK", KIND_ASTEROID, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    rock->SetMesh("joint");
    rock->SetState(3, 0, false, false);

    EXPECT_EQ(BuildAt(station, joint, side, KIND_PROCESSOR), nullptr);
    EXPECT_EQ(Message(station), "Blocked by moving object");
    // The refused processor left its list once: the first one is still in it.
    ASSERT_EQ(station->ProcessorsAndStorage.size(), 1u);
    EXPECT_TRUE(station->ProcessorsAndStorage[0].Is(first));
    EXPECT_EQ(station->Counts[KIND_PROCESSOR], 1u);
    EXPECT_EQ(station->PoweredParts, powered);
    EXPECT_TRUE(joint->Connectors[side].IsFreeForMarker());

    // A structure in the way counts as one: a beam back over the root is blocked by the
    // headquarters, still without a step.
    QNITEM::Destroy(rock);
    STATIONPART* up = BuildAt(station, joint, FACE_TOP, KIND_BEAM);
    ASSERT_NE(up, nullptr) << Message(station);
    STATIONPART* high = BuildAt(station, up, 1, KIND_JOINT);
    ASSERT_NE(high, nullptr) << Message(station);
    STATIONPART* root = station->RootJoint.Get();
    const QNVEC3 toRoot = root->Connectors[0].Position - high->Connectors[0].Position;
    const std::int32_t back = Facing(high, QNVEC3(toRoot.x, 0, toRoot.z).Normalize());
    ASSERT_GE(back, 0);
    EXPECT_EQ(BuildAt(station, high, back, KIND_BEAM), nullptr);
    EXPECT_EQ(Message(station), "Blocked by another structure");
    EXPECT_TRUE(high->Connectors[back].IsFreeForMarker());
    EXPECT_NE(BuildAt(station, joint, side, KIND_PROCESSOR), nullptr) << Message(station);
    EXPECT_EQ(station->ProcessorsAndStorage.size(), 2u);
}

}  // namespace
