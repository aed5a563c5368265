// A destroyed part's effect and debris, and pictures of a starting and of a grown station.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <set>

#include "engine/scene/resources.h"
#include <algorithm>

#include "game/world/debris.h"
#include "game/world/destruction.h"
#include "game/world/headquarters.h"
#include "game/world/station_media.h"
#include "station_test_util.h"

namespace {

using stationtest::StationTest;

template <class T>
std::vector<T*> Under(QNITEM* root)
{
    std::vector<T*> out;
    for (QNITEM* x = QNITEM::Next(root, root); x; x = QNITEM::Next(root, x))
        if (auto* t = dynamic_cast<T*>(x))
            out.push_back(t);
    return out;
}

TEST_F(StationTest, DestroyedPartLeavesOneEffectWithTwentyDebrisGoneWithinFiveSeconds)
{
    STATION* station = MakePlayerStation();
    STATIONPART* joint = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT);
    STATIONPART* generator = BuildAt(station, joint, FACE_TOP, KIND_GENERATOR);
    ASSERT_NE(generator, nullptr) << PlacementMessage(station->Result);
    const QNVEC3 centre = generator->GetWorldMatrix().Translation();
    std::set<const QNMESH*> stationMeshes;
    for (int i = 0; i < DEBRIS::kStationMeshes; ++i)
        stationMeshes.insert(&scene->Resources.FindMesh("debris", i)->Level(0));

    // Frames are never destroyed; the generator is.
    joint->DamageBallistic(100.0f, 0, 0);
    EXPECT_FALSE(joint->IsDestroyed());
    generator->DamageBallistic(100.0f, 0, 0);
    Frames(2);
    const auto effects = Under<DESTRUCTION>(site);
    ASSERT_EQ(effects.size(), 1u);
    EXPECT_TRUE(station->CollectParts(KIND_GENERATOR).empty());
    EXPECT_EQ(station->Counts[KIND_GENERATOR], 0u);
    EXPECT_EQ(joint->CountFreeConnectors(), 5) << "the destroyed part left no link behind";
    auto pieces = Under<DEBRIS>(effects[0]);
    ASSERT_EQ(pieces.size(), std::size_t(DEBRISFIELD::kPieces));
    for (DEBRIS* p : pieces) {
        EXPECT_TRUE(stationMeshes.count(p->Mesh));
        EXPECT_GE(p->Lifetime, DEBRIS::kLifeMin);
        EXPECT_LE(p->Lifetime, DEBRIS::kLifeMax);
    }

    // One burst throws them all outward.
    Frames(30);
    pieces = Under<DEBRIS>(effects[0]);
    ASSERT_EQ(pieces.size(), std::size_t(DEBRISFIELD::kPieces));
    for (DEBRIS* p : pieces) {
        EXPECT_EQ(p->State, 3) << "thrown out of the pool";
        EXPECT_GT((p->GetWorldMatrix().Translation() - centre).Length(), 1.0f);
    }
    QNWEAK<DESTRUCTION> effect(effects[0]);
    Frames(int(5.0 * 60) - 32 + 3);
    EXPECT_FALSE(effect);
    EXPECT_TRUE(Under<DEBRIS>(site).empty());
    EXPECT_TRUE(Under<DESTRUCTION>(site).empty());
}

TEST_F(StationTest, ShipDebrisUsesTheSixShipMeshes)
{
    std::set<const QNMESH*> shipMeshes;
    for (int i = 0; i < DEBRIS::kShipMeshes; ++i)
        shipMeshes.insert(&scene->Resources.FindMesh("collship_debris", i)->Level(0));
    QNMATRIX at;
    auto* field = new DEBRISFIELD(site, DEBRISKIND::COLLSHIP, &at);
    std::set<const QNMESH*> used;
    for (DEBRIS* p : Under<DEBRIS>(field)) {
        EXPECT_TRUE(shipMeshes.count(p->Mesh));
        used.insert(p->Mesh);
    }
    EXPECT_GT(used.size(), 1u);
}

TEST_F(StationTest, WeldingSparksFlyOnceAPartIsJoined)
{
    STATION* station = MakePlayerStation();
    WELD* weld = station->Weld.Get();
    ASSERT_NE(weld, nullptr);
    ASSERT_EQ(Under<SPARK>(weld).size(), std::size_t(WELD::kSparks));
    STATIONPART* beam = StartBeam(station, 0);
    const QNVEC3 joining = QNVEC3::TransformCoord(beam->Connectors[1].Position, station->GetWorldMatrix());
    ASSERT_NE(BuildAt(station, beam, 1, KIND_JOINT), nullptr);
    EXPECT_EQ(station->Welding, WELDSTATE::START);
    EXPECT_TRUE(stationtest::Coincide(weld->GetWorldMatrix().Translation(), joining));
    EXPECT_EQ(weld->OwnSound->Source(), scene->Resources.FindSound("station_welding"));

    auto flying = [&] {
        int n = 0;
        for (SPARK* s : Under<SPARK>(weld))
            n += s->State == 3;
        return n;
    };
    EXPECT_EQ(flying(), 0);
    int frames = 0;
    int most = 0;
    do {
        station->Update();
        Frame();
        most = std::max(most, flying());
        ++frames;
    } while (station->Welding != WELDSTATE::IDLE && frames < 200);
    EXPECT_EQ(most, WELD::kSparks) << "one burst throws every spark";
    EXPECT_EQ(flying(), 0) << "each spark lives a tenth of a second";
    EXPECT_NEAR(frames / 60.0, STATION::kWeldSeconds, 0.05);
    EXPECT_TRUE(weld->Stopped);
}

// Pictures: a camera above and behind the station looks at its centre.
class StationPictureTest : public StationTest {
protected:
    void SetUp() override
    {
        StationTest::SetUp();
        scene->Background[0] = scene->Background[1] = scene->Background[2] = 0.0f;
        camera = new GAMENODE(view->Root, "CAMERA", 0, QNCF_LEVEL_PLAIN, 0, 0, nullptr, 0);
        const QNVEC3 origin = site->GetWorldMatrix().Translation();
        QNMATRIX eye;
        eye.SetLookAt(origin + QNVEC3(-12, 28, -34), origin + QNVEC3(3, 2, 4), QNVEC3(0, 1, 0));
        camera->SetTransform(eye);
        view->CurrentNode = camera;
    }
    /// Pixels of [x0, x1) x [y0, y1) that are not `rgb`.
    std::uint32_t CountNot(std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1, std::uint32_t rgb) const
    {
        return std::uint32_t(ShareNot(x0, y0, x1, y1, rgb, 4) * double((x1 - x0) * (y1 - y0)) + 0.5);
    }
    /// Writes the last picture as a binary PPM when STATION_IMAGE_DIR names a folder, for a look.
    void Save(const char* name) const
    {
        if (const char* dir = std::getenv("STATION_IMAGE_DIR"))
            SavePicture((std::string(dir) + "/" + name).c_str());
    }
    GAMENODE* camera = nullptr;
};

// A structure drawn with the stand-in mesh of its kind.
class SHOWN : public STATIONPART {
public:
    SHOWN(STATIONPART* parent, std::int32_t connector, std::int32_t kind, const char* mesh, std::uint32_t view)
        : STATIONPART(parent, "SHOWN", kind, 0, false, 0, view)
    {
        SetTexture("joint");
        SetMesh(mesh);
        AddConnector(FACE_FRONT);
        AttachTo(parent, connector, 0);
    }
};

template <std::int32_t Kind>
STATIONPART* MakeShown(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    static const char* const meshes[] = {"collshipdock", "processor", "storage", "cargoport"};
    return new SHOWN(parent, connector, Kind, meshes[Kind - KIND_COLLSHIPDOCK], station.ViewIndex);
}

TEST_F(StationPictureTest, StartingAndGrownStationsFillTheirRegions)
{
    for (const char* mesh : {"collshipdock", "processor", "storage", "cargoport"})
        stationmedia::Mesh(scene->Resources, mesh);
    STATION::SetMaker(KIND_COLLSHIPDOCK, &MakeShown<KIND_COLLSHIPDOCK>);
    STATION::SetMaker(KIND_PROCESSOR, &MakeShown<KIND_PROCESSOR>);
    STATION::SetMaker(KIND_STORAGE, &MakeShown<KIND_STORAGE>);
    STATION::SetMaker(KIND_CARGOPORT, &MakeShown<KIND_CARGOPORT>);
    STATION* station = MakePlayerStation();
    Frame();

    Render();
    Save("station_start.ppm");
    const std::vector<std::uint32_t> start = pixels;
    const std::uint32_t w = width, h = height;
    // The starting station fills the middle of the picture; the top corners show space.
    EXPECT_GT(CountNot(w * 3 / 8, h * 3 / 8, w * 5 / 8, h * 5 / 8, 0x000000), (w / 4) * (h / 4) / 3);
    EXPECT_EQ(CountNot(0, 0, w / 10, h / 10, 0x000000), 0u);
    EXPECT_EQ(CountNot(w - w / 10, 0, w, h / 10, 0x000000), 0u);

    // A joint at the end of each starting beam, a mast with the generator on one of them, and
    // the big parts pointing out.
    STATIONPART* joints[4];
    for (std::int32_t side = 0; side < 4; ++side) {
        joints[side] = BuildAt(station, StartBeam(station, side), 1, KIND_JOINT);
        ASSERT_NE(joints[side], nullptr) << PlacementMessage(station->Result);
    }
    STATIONPART* mast = BuildAt(station, joints[0], FACE_TOP, KIND_BEAM);
    ASSERT_NE(mast, nullptr) << PlacementMessage(station->Result);
    STATIONPART* top = BuildAt(station, mast, 1, KIND_JOINT);
    ASSERT_NE(top, nullptr) << PlacementMessage(station->Result);
    ASSERT_NE(BuildAt(station, top, Facing(top, QNVEC3(0, 1, 0)), KIND_GENERATOR), nullptr) << PlacementMessage(station->Result);
    const struct {
        std::int32_t side, kind;
        QNVEC3 out;
    } plan[] = {{1, KIND_COLLSHIPDOCK, {1, 0, 0}}, {0, KIND_PROCESSOR, {0, 0, 1}}, {3, KIND_STORAGE, {-1, 0, 0}},
                {2, KIND_CARGOPORT, {0, 0, -1}}};
    int built = 0;
    for (const auto& step : plan) {
        STATIONPART* joint = joints[step.side];
        built += BuildAt(station, joint, Facing(joint, step.out), step.kind) != nullptr;
    }
    EXPECT_EQ(built, 4) << PlacementMessage(station->Result);
    Frame();
    Render();
    Save("station_grown.ppm");
    // Everything of the starting station is still drawn, and the new parts add their own.
    std::uint32_t added = 0, lost = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const bool before = (start[i] & 0xFFFFFF) != 0, after = (pixels[i] & 0xFFFFFF) != 0;
        added += !before && after;
        lost += before && !after;
    }
    EXPECT_GT(added, w * h / 20);
    EXPECT_LT(lost, w * h / 200);
}

}  // namespace
