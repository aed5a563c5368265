// The part factory's results and messages, removals, loop closing, re-hanging after a removal
// on a looped frame, and the power rule, on a site's station.

#include <string>

#include "engine/render/qnmaterial.h"
#include "engine/scene/glow.h"

#include "game/world/beam.h"
#include "game/world/enhancer.h"
#include "game/world/generator.h"
#include "game/world/headquarters.h"
#include "station_test_util.h"

namespace {

using stationtest::Coincide;
using stationtest::StationTest;

// A structure of a kind whose own construction lives elsewhere: a cube with one connector.
class STANDIN : public STATIONPART {
public:
    STANDIN(STATIONPART* parent, std::int32_t connector, std::int32_t kind, std::uint32_t view)
        : STATIONPART(parent, "STANDIN", kind, 0, false, 0, view)
    {
        SetTexture("joint");
        SetMesh("joint");
        AddConnector(FACE_FRONT);
        AttachTo(parent, connector, 0);
    }
    bool HoldsOre() const override { return Ore; }
    void SetPowered(bool on) override
    {
        STATIONPART::SetPowered(on);
        ++PowerCalls;
    }
    bool Ore = false;
    int PowerCalls = 0;
};


template <std::int32_t Kind>
STATIONPART* MakeKind(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new STANDIN(parent, connector, Kind, station.ViewIndex);
}

void InstallStandIns()
{
    STATION::SetMaker(KIND_COLLSHIPDOCK, &MakeKind<KIND_COLLSHIPDOCK>);
    STATION::SetMaker(KIND_PROCESSOR, &MakeKind<KIND_PROCESSOR>);
    STATION::SetMaker(KIND_SHORTRANGETURRET, &MakeKind<KIND_SHORTRANGETURRET>);
}

// Every link is paired, sits on the same point and joins two different parts.
void ExpectLinksPaired(STATION* station)
{
    std::vector<STATIONPART*> all;
    for (std::int32_t kind = KIND_FIRST_STRUCTURE; kind <= KIND_LAST_STRUCTURE; ++kind)
        for (STATIONPART* p : station->CollectParts(kind))
            all.push_back(p);
    for (STATIONPART* p : all) {
        for (std::int32_t i = 0; i < p->ConnectorCount; ++i) {
            const STATIONCONNECTOR& c = p->Connectors[i];
            if (!c.Link)
                continue;
            EXPECT_EQ(c.Link->Link, &c);
            EXPECT_NE(c.Link->Owner, p);
            EXPECT_TRUE(Coincide(c.Position, c.Link->Position)) << p->Name().Text() << " " << c.Position.x << "," << c.Position.y << "," << c.Position.z << " vs " << c.Link->Position.x << "," << c.Link->Position.y << "," << c.Link->Position.z;
        }
    }
}

std::string Message(const STATION* station)
{
    return PlacementMessage(station->Result);
}

TEST_F(StationTest, FactoryResultsAndTheirMessages)
{
    InstallStandIns();
    STATION* station = MakePlayerStation();
    STATIONPART* root = station->RootJoint.Get();
    ASSERT_NE(root, nullptr);
    ExpectLinksPaired(station);

    station->Select(nullptr);
    EXPECT_EQ(station->BuildPart(KIND_BEAM, 1, STATION::kNoColour), nullptr);
    EXPECT_EQ(Message(station), "No structure selected");

    // The root joint's only free connector is its bottom.
    station->Select(root);
    EXPECT_EQ(station->SelectedConnector, FACE_BOTTOM);
    EXPECT_EQ(station->BuildPart(KIND_JOINT, 1, STATION::kNoColour), nullptr);
    EXPECT_EQ(Message(station), "Can't connect these structure types");
    EXPECT_EQ(station->BuildPart(KIND_COLLSHIPDOCK, 1, STATION::kNoColour), nullptr);
    EXPECT_EQ(Message(station), "Wrong side for this structure type");

    STATIONPART* beam = StartBeam(station, 0);
    STATIONPART* joint = BuildAt(station, beam, 1, KIND_JOINT);
    ASSERT_NE(joint, nullptr) << Message(station);
    EXPECT_EQ(station->Result, PLACE_OK);
    EXPECT_TRUE(Coincide(joint->Connectors[0].Position, beam->Connectors[1].Position, 1e-5f));
    EXPECT_EQ(joint->Connectors[0].Link, &beam->Connectors[1]);
    EXPECT_EQ(joint->ParentPart(), beam);
    // The marker moved on to the next free connector, and the new joint kept the world's up.
    EXPECT_EQ(station->SelectedConnector, -1) << "a starting beam has nothing more to offer";
    EXPECT_EQ(joint->ConnectorFace(4), FACE_TOP);

    EXPECT_EQ(BuildAt(station, joint, 4, KIND_COLLSHIPDOCK), nullptr);
    EXPECT_EQ(Message(station), "Wrong side for this structure type");
    ASSERT_NE(BuildAt(station, joint, 1, KIND_COLLSHIPDOCK), nullptr) << Message(station);
    EXPECT_EQ(BuildAt(station, joint, 3, KIND_COLLSHIPDOCK), nullptr);
    EXPECT_EQ(Message(station), "Maximum quantity for this structure reached");
    EXPECT_EQ(BuildAt(station, joint, 3, KIND_BEAM + 100), nullptr);
    EXPECT_EQ(Message(station), "Can't connect these structure types");

    station->BeamLimit = station->Counts[KIND_BEAM];
    EXPECT_EQ(BuildAt(station, joint, 3, KIND_BEAM), nullptr);
    EXPECT_EQ(Message(station), "Maximum quantity for this structure reached");
    station->BeamLimit = STATION::kPlayerFrameLimit;

    // Up from the joint, then back over the headquarters: the last beam is blocked by it.
    STATIONPART* up = BuildAt(station, joint, 4, KIND_BEAM);
    ASSERT_NE(up, nullptr) << Message(station);
    STATIONPART* high = BuildAt(station, up, 1, KIND_JOINT);
    ASSERT_NE(high, nullptr) << Message(station);
    const std::uint32_t beams = station->Counts[KIND_BEAM];
    std::int32_t back = -1;
    for (std::int32_t i = 0; i < high->ConnectorCount; ++i) {
        const QNVEC3 towardRoot = root->Connectors[0].Position - high->Connectors[i].Position;
        if (high->Connectors[i].IsFree() && QNVEC3::Dot(high->Connectors[i].Normal, towardRoot) > 1.0f && std::fabs(high->Connectors[i].Normal.y) < 0.5f)
            back = i;
    }
    ASSERT_GE(back, 0);
    EXPECT_EQ(BuildAt(station, high, back, KIND_BEAM), nullptr);
    EXPECT_EQ(Message(station), "Blocked by another structure");
    EXPECT_EQ(station->Counts[KIND_BEAM], beams);
    EXPECT_TRUE(high->Connectors[back].IsFreeForMarker()) << "the refused part left no link behind";

    // A loose body in the way of the next beam.
    const QNVEC3 spot = joint->Connectors[3].Position + joint->Connectors[3].Normal * 4.0f;
    QNMATRIX at;
    at.SetTranslationV(QNVEC3::TransformCoord(spot, station->GetWorldMatrix()));
    auto* rock = new GAMENODE(site, "ROCK", KIND_ASTEROID, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    rock->SetMesh("joint");
    rock->SetState(3, 0, false, false);
    EXPECT_EQ(BuildAt(station, joint, 3, KIND_BEAM), nullptr);
    EXPECT_EQ(Message(station), "Blocked by moving object");
    QNITEM::Destroy(rock);
    EXPECT_NE(BuildAt(station, joint, 3, KIND_BEAM), nullptr) << Message(station);
    ExpectLinksPaired(station);

    // An enhancer of colour pair 3 sets its bit and shows cell 3 on its labels.
    auto* enhancer = dynamic_cast<ENHANCER*>(BuildAt(station, joint, 5, KIND_ENHANCER, 1000.0f, PAIR_GREEN_BLUE));
    ASSERT_NE(enhancer, nullptr) << Message(station);
    EXPECT_EQ(station->EnhancerColours, 1u << PAIR_GREEN_BLUE);
    int labels = 0;
    for (QNITEM* c = enhancer->FirstChild(); c; c = c->Next()) {
        auto* label = dynamic_cast<GAMENODE*>(c);
        if (!label || label->Name().Text() != std::string("LABEL"))
            continue;
        ++labels;
        ASSERT_NE(label->Stages, nullptr);
        EXPECT_FLOAT_EQ(label->Stages->Stages[0].Matrix[8], 0.75f) << "column 3 of 4";
        EXPECT_FLOAT_EQ(label->Stages->Stages[0].Matrix[9], 0.0f);
    }
    EXPECT_EQ(labels, int(ENHANCER::kLabels));
    EXPECT_EQ(station->RemovePartChecked(enhancer, false), PLACE_OK);
    EXPECT_EQ(station->EnhancerColours, 0u);

    // Uninstalled, the factory keeps only its own constructions and a new site stands bare, so
    // stand-ins installed here cannot build in a later test.
    STATION::Uninstall();
    for (std::int32_t kind = KIND_FIRST_STRUCTURE; kind <= KIND_LAST_STRUCTURE; ++kind)
        EXPECT_EQ(STATION::IsBuildable(kind),
                  kind == KIND_BEAM || kind == KIND_JOINT || kind == KIND_GENERATOR || kind == KIND_ENHANCER)
            << kind;
    EXPECT_EQ(BuildAt(station, joint, 5, KIND_SHORTRANGETURRET), nullptr);
    EXPECT_EQ(Message(station), "Can't connect these structure types");
    const auto* bare = new SITE(view->Root, 1, 0);
    EXPECT_EQ(bare->Station.Get(), nullptr);
}

TEST_F(StationTest, RemovalCodesAndRehangingOnALoopedFrame)
{
    InstallStandIns();
    STATION* station = MakePlayerStation();
    STATIONPART* root = station->RootJoint.Get();
    // A square: root, +z beam, joint, beam along x, joint, beam back along -z meeting the joint
    // at the end of the +x starting beam.
    STATIONPART* j1 = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT);
    STATIONPART* j3 = BuildAt(station, StartBeam(station, 1), 1, KIND_JOINT);
    ASSERT_TRUE(j1 && j3) << Message(station);
    std::int32_t toward = -1;
    for (std::int32_t i = 0; i < j1->ConnectorCount; ++i)
        if (j1->Connectors[i].Normal.x > 0.9f)
            toward = i;
    STATIONPART* bx = BuildAt(station, j1, toward, KIND_BEAM);
    ASSERT_NE(bx, nullptr) << Message(station);
    STATIONPART* j2 = BuildAt(station, bx, 1, KIND_JOINT);
    ASSERT_NE(j2, nullptr) << Message(station);
    for (std::int32_t i = 0; i < j2->ConnectorCount; ++i)
        if (j2->Connectors[i].Normal.z < -0.9f)
            toward = i;
    STATIONPART* bz = BuildAt(station, j2, toward, KIND_BEAM);
    ASSERT_NE(bz, nullptr) << Message(station);
    // The loop closed: the last beam's far end is linked to the joint it reached.
    EXPECT_EQ(bz->CountFreeConnectors(), 0);
    EXPECT_EQ(bz->Connectors[1].Link->Owner, j3);
    ExpectLinksPaired(station);

    station->Select(nullptr);
    EXPECT_EQ(station->RemoveSelected(), PLACE_NO_STRUCTURE);
    EXPECT_EQ(station->RemovePartChecked(StartBeam(station, 2), false), PLACE_PERMANENT);
    EXPECT_EQ(Message(station), "Structure is permanent");
    EXPECT_EQ(station->RemovePartChecked(root, false), PLACE_PERMANENT);

    // A joint on a branch with a processor holding ore.
    STATIONPART* branch = BuildAt(station, StartBeam(station, 3), 1, KIND_JOINT);
    ASSERT_NE(branch, nullptr) << Message(station);
    auto* processor = dynamic_cast<STANDIN*>(BuildAt(station, branch, 1, KIND_PROCESSOR));
    ASSERT_NE(processor, nullptr) << Message(station);
    EXPECT_EQ(station->ProcessorsAndStorage.size(), 1u);
    EXPECT_EQ(station->RemovePartChecked(branch, false), PLACE_SUPPORTS_OTHERS);
    EXPECT_EQ(Message(station), "Structure supports other structures");
    processor->Ore = true;
    EXPECT_EQ(station->RemovePartChecked(processor, false), PLACE_CONTAINS_ORE);
    EXPECT_EQ(Message(station), "Structure contains ore");
    QNWEAK<STATIONPART> gone(processor);
    EXPECT_EQ(station->RemovePartChecked(processor, true), PLACE_OK);
    EXPECT_TRUE(station->ProcessorsAndStorage.empty());
    EXPECT_TRUE(branch->Connectors[1].IsFree());
    Frame();
    EXPECT_TRUE(gone);
    Frames(2);
    EXPECT_FALSE(gone);

    // Taking out the beam between the first two joints: the far joint and the last beam still
    // reach the root round the loop and hang from it that way, where they are.
    const QNMATRIX j2World = j2->GetWorldMatrix();
    station->Select(bx);
    EXPECT_EQ(station->RemoveSelected(), PLACE_OK);
    EXPECT_FALSE(station->Selected);
    EXPECT_EQ(bz->ParentPart(), j3);
    EXPECT_EQ(j2->ParentPart(), bz);
    EXPECT_FALSE(bx->IsAncestorOf(j2));
    EXPECT_TRUE(root->IsAncestorOf(j2));
    EXPECT_EQ(j2->GetWorldMatrix(), j2World);
    QNWEAK<STATIONPART> bxAlive(bx);
    Frames(3);
    EXPECT_FALSE(bxAlive);
    EXPECT_EQ(j1->CountFreeConnectors(), 5);
    ExpectLinksPaired(station);
    // Now the far joint hangs at the end of a branch: the beam under it may not go.
    EXPECT_EQ(station->RemovePartChecked(bz, false), PLACE_SUPPORTS_OTHERS);
    EXPECT_EQ(station->RemovePartChecked(j2, false), PLACE_OK);
    Frames(3);
    EXPECT_EQ(station->RemovePartChecked(bz, false), PLACE_OK);
    Frames(3);
    EXPECT_EQ(j3->CountFreeConnectors(), 5);
    EXPECT_EQ(station->Counts[KIND_BEAM], 4u);
    EXPECT_EQ(station->Counts[KIND_JOINT], 4u);
}

TEST_F(StationTest, OneGeneratorPowersEightPartsAndTheNinthTurnsAllOff)
{
    InstallStandIns();
    STATION* station = MakePlayerStation();
    auto* hq = dynamic_cast<HEADQUARTERS*>(station->CollectParts(KIND_HEADQUARTERS).front());
    ASSERT_NE(hq, nullptr);
    EXPECT_TRUE(station->Underpowered) << "the headquarters alone has no generator";
    EXPECT_FALSE(hq->Powered);
    Frames(30);
    EXPECT_FALSE(hq->LightsOn());
    EXPECT_EQ(hq->RedLight()->Votes[0], 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(hq->WhiteLight(i)->Votes[0], 2);

    STATIONPART* j1 = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT);
    STATIONPART* j3 = BuildAt(station, StartBeam(station, 1), 1, KIND_JOINT);
    ASSERT_TRUE(j1 && j3);
    STATIONPART* generator = BuildAt(station, j1, FACE_TOP, KIND_GENERATOR);
    ASSERT_NE(generator, nullptr) << Message(station);
    EXPECT_EQ(station->Generators, 1u);
    EXPECT_FALSE(station->Underpowered);
    EXPECT_TRUE(hq->Powered);
    EXPECT_EQ(station->OwnSound->Source(), scene->Resources.FindSound("station_power", 0));
    // Powered and active, the headquarters lights up and its red light blinks.
    EXPECT_TRUE(hq->LightsOn());
    int redOn = 0, redOff = 0;
    for (int i = 0; i < 120; ++i) {
        Frame();
        (hq->RedLight()->Votes[0] == 3 ? redOn : redOff) += 1;
        EXPECT_EQ(hq->WhiteLight(i % 4)->Votes[0], 3);
    }
    EXPECT_GT(redOn, 20);
    EXPECT_GT(redOff, 20);

    std::vector<STANDIN*> parts;
    for (STATIONPART* joint : {j1, j3}) {
        for (std::int32_t c = 0; c < joint->ConnectorCount; ++c) {
            if (!joint->Connectors[c].IsFreeForMarker() || parts.size() == 8)
                continue;
            auto* p = dynamic_cast<STANDIN*>(BuildAt(station, joint, c, KIND_SHORTRANGETURRET));
            ASSERT_NE(p, nullptr) << Message(station);
            parts.push_back(p);
            if (parts.size() < 8) {
                EXPECT_FALSE(station->Underpowered) << parts.size();
                EXPECT_TRUE(p->Powered);
            }
        }
    }
    ASSERT_EQ(parts.size(), 8u);
    EXPECT_EQ(station->PoweredParts, 9u);
    EXPECT_TRUE(station->NoPowerForMore());
    EXPECT_TRUE(station->Underpowered);
    for (STANDIN* p : parts)
        EXPECT_FALSE(p->Powered);
    EXPECT_FALSE(hq->Powered);
    EXPECT_EQ(station->OwnSound->Source(), scene->Resources.FindSound("station_power", 1));
    EXPECT_TRUE(station->OwnSound->IsPlaying());

    // Removing one powers the rest again; destroying the working generator stops them.
    EXPECT_EQ(station->RemovePartChecked(parts.back(), false), PLACE_OK);
    EXPECT_FALSE(station->Underpowered);
    EXPECT_TRUE(hq->Powered);
    generator->DamageBallistic(100.0f, 0, 0);
    Frames(3);
    EXPECT_EQ(station->Generators, 0u);
    EXPECT_TRUE(station->Underpowered);
    EXPECT_FALSE(parts.front()->Powered);

    // A station without sounds (a computer company's) switches silently.
    auto* other = new SITE(view->Root, 2, 0);
    auto* quiet = dynamic_cast<STATION*>(other->Station.Get());
    ASSERT_NE(quiet, nullptr);
    STATIONPART* qj = BuildAt(quiet, StartBeam(quiet, 0), 1, KIND_JOINT);
    ASSERT_NE(BuildAt(quiet, qj, FACE_TOP, KIND_GENERATOR), nullptr) << Message(quiet);
    EXPECT_FALSE(quiet->Underpowered);
    EXPECT_EQ(quiet->OwnSound, nullptr);
}

}  // namespace
