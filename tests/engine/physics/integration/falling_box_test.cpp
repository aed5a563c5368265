// A box node falls onto a floor node made from a stand-in GBM mesh (a triangle list), headless
// with real rendering: the box comes to rest on the floor, the floor hears the contact begin,
// go on and, once the box is lifted away, end; a pick through the box's screen position meets
// the box first.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "engine/physics/qnpick.h"
#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qnvertex_buffer.h"
#include "engine/render/qnviewport.h"
#include "engine/resource/media_manifest.h"
#include "engine/resource/qndisk.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/scene_hooks.h"
#include "engine/scene/view.h"
#include "engine/util/qnapp_state.h"
#include "physics/dynamics/dynamics.h"
#include "platform/window.h"
#include "tools/stand_in.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr float kDt = 0.02f;

class Floor : public GAMENODE {
public:
    using GAMENODE::GAMENODE;
    void OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*) override
    {
        Phases.push_back(phase);
        Partners.push_back(other);
    }
    std::vector<std::uint32_t> Phases;
    std::vector<QNNODE*> Partners;
};

class FallingBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
        ASSERT_TRUE(PlatformWindowCreate("physics", kWidth, kHeight)) << SDL_GetError();
        QNDISPLAYSETTINGS request;
        request.Width = kWidth;
        request.Height = kHeight;
        QNGRFDEV::Create(request);
        QNDISPLAY::OpenWindowed();
        QNDISK::MakeTempFolder();
        QNTIMER::SetFrequency(1000000);
        QNTIMER::SetFrameCounter(0);
        QNAPP::dt = kDt;
        QNAPP::Rate = 0.02f / kDt;
        QNPHYSWORLD::InitFramework(500, 100);
        QNPHYSWORLD::InstallHooks();
    }
    void TearDown() override
    {
        QNHOOKS::Node = QNNODEHOOKS{};
        QNHOOKS::Scene = QNSCENEHOOKS{};
        QNHOOKS::Slots = QNSLOTHOOKS{};
        QNMESH::CollisionBuilder = nullptr;
        QNMESH::CollisionRelease = nullptr;
        QNPHYSWORLD::TermFramework();
        DeleteAllPools();
        QNDISK::RemoveTempFolder();
        QNDISPLAY::Close();
        QNGRFDEV::Release();
        PlatformWindowDestroy();
    }

    // Loads the stand-in of a plate with the given box and colour from its GBM bytes.
    void LoadPlate(QNMESH& mesh, const char* name, QNVEC3 lo, QNVEC3 hi, std::uint32_t colour)
    {
        QNMEDIAENTRY entry{};
        entry.Path = name;
        entry.Kind = QNMEDIAKIND::MESH;
        entry.Count = 1;
        entry.Look = std::uint8_t(QNMESHLOOK::PLATE);
        entry.Colour = colour;
        for (int k = 0; k < 3; ++k) {
            entry.Min[k] = lo[k];
            entry.Max[k] = hi[k];
        }
        const Bytes bytes = MakeMesh(entry, 0);
        const std::string path = std::string(QNDISK::TempFolder().Text()) + name + ".gbm";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
        std::fclose(f);
        mesh.Load(path.c_str(), 0, 1, 2, 0, 2, true, false);
    }

    // One frame: the view's lists, the render, then the physics step.
    void Frame(QNVIEW& view, QNVIEWPORT& camera, GAMENODE* box)
    {
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + 20000);
        view.RunLists();
        if (box && box->Instance)
            box->Instance->World = box->GetWorldMatrix();
        QNDISPLAY::SetPerspective(1.0f, 0.2f, 1000.0f);
        camera.SetCamera(eye_);
        QNDISPLAY::SetAmbient(1, 1, 1);
        QNDISPLAY::Clear(0, 0, 1, 1.0f, -1.0f);
        camera.Draw();
        QNHOOKS::Scene.StepWorld(&view, kDt);
    }

    QNMATRIX eye_ = [] {
        QNMATRIX m;
        m.SetTranslation(0, 1.2f, -8);
        return m;
    }();
};

}  // namespace

TEST_F(FallingBoxTest, BoxRestsOnTheFloorContactsRunTheirPhasesAndPicksMeetTheBoxFirst)
{
    QNMESH floorMesh, boxMesh;
    LoadPlate(floorMesh, "floor", QNVEC3(-10, -0.5f, -10), QNVEC3(10, 0.5f, 10), 0xFF808080u);
    LoadPlate(boxMesh, "crate", QNVEC3(-0.5f, -0.5f, -0.5f), QNVEC3(0.5f, 0.5f, 0.5f), 0xFFFF2020u);
    floorMesh.CreateCollision(QNCOLLGEOM::TRIANGLE_LIST, 40, "floor");
    boxMesh.CreateCollision(QNCOLLGEOM::BOX, 0, "crate");
    auto* shape = static_cast<QNCOLLGEOM*>(floorMesh.Collision);
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(shape->Kind, QNCOLLGEOM::TRIANGLE_LIST);
    EXPECT_EQ(shape->VertexCount, 8u);  // the stand-in's per-face corners welded
    EXPECT_EQ(shape->TriangleCount, 12u);

    {
        QNVIEWPORT camera;  // outlives the view, whose nodes drop their render items
        QNVIEW view(nullptr);
        view.Camera = &camera;
        view.Root->Camera = &camera;
        ASSERT_NE(view.World, nullptr);
        MdtWorldSetGravity(view.World->World, 0, -9.81f, 0);

        auto* floor = new Floor(view.Root, "FLOOR", 0, QNCF_LEVEL_GAME | QNCF_CONTACTS, 0, 0, nullptr, 0);
        floor->Mesh = &floorMesh;
        floor->SetState(3, 0, false, false);
        floor->RefreshMesh();
        QNMATRIX turn, lift;
        turn.SetRotationY(0.3f);
        lift.SetTranslation(0, 3, 0);
        const QNMATRIX start = turn * lift;
        auto* box = new GAMENODE(view.Root, "BOX", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &start, 0);
        box->Mesh = &boxMesh;
        box->SetState(3, 0, false, false);
        box->RefreshMesh();
        ASSERT_NE(floor->Model, nullptr);
        ASSERT_NE(box->Model, nullptr);
        ASSERT_NE(box->Instance, nullptr);

        for (int i = 0; i < 150; ++i)
            Frame(view, camera, box);

        // At rest on the floor's top face (y = 0.5), the box's centre half a side above it.
        const QNVEC3 at = box->GetWorldMatrix().Translation();
        EXPECT_NEAR(at.y, 1.0f, 0.05f);
        EXPECT_NEAR(at.x, 0.0f, 0.05f);
        EXPECT_NEAR(at.z, 0.0f, 0.05f);
        EXPECT_TRUE(box->IsSlowerThan(0.05f));
        ASSERT_GE(floor->Phases.size(), 2u);
        EXPECT_EQ(floor->Phases[0], QNCONTACT_BEGAN);
        EXPECT_EQ(floor->Phases[1], QNCONTACT_TOUCHING);
        for (std::size_t i = 0; i < floor->Phases.size(); ++i) {
            EXPECT_NE(floor->Phases[i], QNCONTACT_ENDED) << i;
            EXPECT_EQ(floor->Partners[i], box);
        }

        // Rendered: the box's screen position shows the box, not the background.
        const QNVEC3 clip = QNVEC3::TransformCoord(at, QNDISPLAY::ViewProjection);
        const auto px = std::uint32_t((clip.x + 1) * 0.5f * kWidth);
        const auto py = std::uint32_t((1 - clip.y) * 0.5f * kHeight);
        std::vector<std::uint32_t> argb;
        std::uint32_t w = 0, h = 0;
        ASSERT_TRUE(QNDISPLAY::ReadBack(argb, w, h));
        ASSERT_LT(px, w);
        ASSERT_LT(py, h);
        const std::uint32_t seen = argb[std::size_t(py) * w + px];
        const std::uint32_t sky = argb[std::size_t(2) * w + w / 2];
        EXPECT_EQ(sky & 0xFFFFFFu, 0x0000FFu);
        EXPECT_NE(seen & 0xFFFFFFu, 0x0000FFu);

        // A pick through that screen position: from the near plane to the far plane.
        const QNMATRIX unproject = QNDISPLAY::ViewProjection.Inverse();
        const QNVEC3 nearPoint = QNVEC3::TransformCoord(QNVEC3(clip.x, clip.y, 0), unproject);
        const QNVEC3 farPoint = QNVEC3::TransformCoord(QNVEC3(clip.x, clip.y, 1), unproject);
        QNSEGMENTHIT hits[4];
        const int n = view.World->IntersectSegment(nearPoint, farPoint, 4, hits);
        ASSERT_GE(n, 1);
        ASSERT_NE(hits[0].Body, nullptr);
        EXPECT_EQ(hits[0].Body->Owner, box);
        for (int i = 1; i < n; ++i)
            EXPECT_GE(hits[i].Distance, hits[i - 1].Distance);

        // Lifted away: the contact ends about 0.25 s after the last touch and goes the frame after.
        MdtWorldSetGravity(view.World->World, 0, 0, 0);
        box->SetTranslation(QNVEC3(0, 20, 0));
        box->StopMotion(false, 0);
        const std::size_t before = floor->Phases.size();
        int frames = 0;
        while (floor->Phases.back() != QNCONTACT_ENDED && frames < 40) {
            Frame(view, camera, box);
            ++frames;
        }
        ASSERT_EQ(floor->Phases.back(), QNCONTACT_ENDED);
        EXPECT_GE(frames, 12);
        EXPECT_LE(frames, 16);
        for (std::size_t i = before; i + 1 < floor->Phases.size(); ++i)
            EXPECT_EQ(floor->Phases[i], QNCONTACT_TOUCHING);
        EXPECT_NE(floor->FindContact(box), nullptr);
        Frame(view, camera, box);
        EXPECT_EQ(floor->FindContact(box), nullptr);
        EXPECT_EQ(floor->Phases.back(), QNCONTACT_ENDED);
    }
}
