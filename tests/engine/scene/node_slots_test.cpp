#include <gtest/gtest.h>

#include "engine/sound/qnsound.h"
#include "engine/util/qntimer.h"
#include "tests/engine/scene/slot_test_util.h"

namespace {

class NodeSlotsTest : public slottest::SlotFixture {
protected:
    void SetUp() override
    {
        SlotFixture::SetUp();
        slottest::WriteQuad(dir + "quad.gbm", 1);
        QNRESOURCES::MeshParams.Name = "quad";
        const std::string file = dir + "quad.gbm";
        QNRESOURCES::MeshParams.File = file.c_str();
        QNRESOURCES::MeshParams.Args[0] = 1;
        resources->AddMeshFile();
        QNRESOURCES::MeshParams = QNMESHPARAMS();
    }
    GAMENODE* NewNode(std::uint32_t classFlags = QNCF_LEVEL_GAME)
    {
        return new GAMENODE(view->Root, "N", 0, classFlags, 0, 0, nullptr, 0);
    }
};

TEST_F(NodeSlotsTest, ColourMaterialAndTextureSlots)
{
    GAMENODE* n = NewNode();
    EXPECT_EQ(n->Material, &QNRESOURCES::DefaultMaterial());
    n->SetOwnColour("fullbright");
    ASSERT_NE(n->OwnColour, nullptr);
    EXPECT_EQ(n->Colour, n->OwnColour);
    EXPECT_FLOAT_EQ(n->Colour->Emissive.g, 1.0f);
    // A missing key throws and leaves the slot as it was.
    EXPECT_THROW(n->SetColour("nope"), QNNODE::EXC);
    EXPECT_EQ(n->Colour, n->OwnColour);
    n->SetColour("white");
    EXPECT_EQ(n->OwnColour, nullptr);
    EXPECT_EQ(n->Colour, resources->FindColour("white"));
    n->SetMaterial("alpha");
    EXPECT_EQ(n->Material, resources->FindMaterial("alpha"));
    n->SetMaterial(nullptr);
    EXPECT_EQ(n->Material, &QNRESOURCES::DefaultMaterial());

    auto* tex = new QNTEXTUREENTRY("font", 0);
    resources->Textures.AddChild(tex);
    n->OwnTexture[3] = new QNTEXTURE;  // a private texture is freed when the stage is set
    EXPECT_EQ(n->SetTexture("font", 0, 3), &tex->Texture);
    EXPECT_EQ(n->OwnTexture[3], nullptr);
    EXPECT_EQ(n->Stages->Stages[3].Texture, &tex->Texture);
    EXPECT_EQ(n->SetTexture(nullptr, 0, 3), nullptr);
    EXPECT_EQ(n->Stages->Stages[3].Texture, nullptr);
    EXPECT_EQ(n->SetTexture("font", 0, 8), nullptr);
}

TEST_F(NodeSlotsTest, MeshInstanceFollowsState)
{
    GAMENODE* n = NewNode();
    n->SetMesh("quad");
    EXPECT_EQ(n->Mesh, &resources->FindMesh("quad")->Level(0));
    EXPECT_EQ(n->Instance, nullptr);  // dormant: no instance yet
    n->SetState(3, 0, false, false);
    ASSERT_NE(n->Instance, nullptr);
    EXPECT_EQ(viewport.MainList.ChildCount(), 1u);
    EXPECT_EQ(n->Instance->Mesh, &n->Mesh->Buffers);
    QNMATRIX moved;
    moved.SetTranslation(3, 4, 5);
    slottest::Placements()[n] = moved;
    n->UpdateInstance();  // a fixed instance takes the node's matrix in the engine's per-frame work
    EXPECT_EQ(n->Instance->World.Translation(), QNVEC3(3, 4, 5));
    n->SetState(2, 1, false, false);
    ASSERT_NE(n->Instance, nullptr);
    EXPECT_EQ(n->Instance->Visible, 0);
    n->SetState(3, 1, false, false);
    EXPECT_EQ(n->Instance->Visible, 1);
    n->SetState(0, 0, false, false);
    EXPECT_EQ(n->Instance, nullptr);
    n->SetState(3, 0, false, false);
    ASSERT_NE(n->Instance, nullptr);
    n->SetMesh(nullptr);
    EXPECT_EQ(n->Instance, nullptr);
    EXPECT_EQ(viewport.MainList.ChildCount(), 0u);

    // A screen node's instance is an overlay; a box-only mesh draws nothing.
    GAMENODE* s = NewNode(QNCF_LEVEL_GAME | QNCF_SCREEN);
    s->SetState(3, 0, false, false);
    s->SetMesh("quad");
    EXPECT_EQ(viewport.OverlayList.ChildCount(), 1u);
    QNRESOURCES::MeshParams.Name = "box";
    QNRESOURCES::MeshParams.Args[1] = 4;
    resources->AddMeshBox();
    GAMENODE* b = NewNode();
    b->SetState(3, 0, false, false);
    b->SetBoxMesh("box");
    ASSERT_NE(b->Mesh, nullptr);
    EXPECT_EQ(b->CollisionGroup, resources->FindMesh("box"));
    EXPECT_FLOAT_EQ(b->Mesh->Box.max.x, 2.0f);
    EXPECT_EQ(b->Instance, nullptr);
}

class HiddenNode : public GAMENODE {
public:
    using GAMENODE::GAMENODE;
    bool BeforeDraw() override
    {
        ++asked;
        return false;
    }
    int asked = 0;
};

TEST_F(NodeSlotsTest, InstanceFlagsFromNodeFlags)
{
    auto* n = new HiddenNode(view->Root, "H", 0, QNCF_LEVEL_GAME | 0x200 | 0x80, 8 | 16, 0, nullptr, 0);
    n->SetState(3, 0, false, false);
    n->SetMesh("quad");
    ASSERT_NE(n->Instance, nullptr);
    EXPECT_EQ(n->Instance->Flags, std::uint32_t(QNRI_BILLBOARD | QNRI_NOSTATS | QNRI_APPEND));
    EXPECT_EQ(n->Instance->Transform, nullptr);  // fixed: body mode 0, no 0x400 or 0x800
    ASSERT_NE(n->Instance->DrawCallback, nullptr);
    EXPECT_FALSE(n->Instance->Draw());
    EXPECT_EQ(n->asked, 1);
}

TEST_F(NodeSlotsTest, DistanceLevelsByCameraDistance)
{
    EXPECT_EQ(QNMESHNODE::LevelForDistance(250, 100, 400, 4), 2u);
    EXPECT_EQ(QNMESHNODE::LevelForDistance(50, 100, 400, 4), 0u);
    EXPECT_EQ(QNMESHNODE::LevelForDistance(400, 100, 400, 4), 3u);
    EXPECT_EQ(QNMESHNODE::LevelForDistance(4000, 100, 400, 4), 3u);
    EXPECT_EQ(QNMESHNODE::LevelForDistance(399.9f, 100, 400, 4), 3u);

    QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    p.Name = "ball";
    p.Args[0] = 2;
    p.Args[1] = 16;
    p.Args[2] = 12;
    p.LevelCount = 4;
    resources->AddMeshVariant();
    GAMENODE* n = NewNode(QNCF_LEVEL_GAME | 0x800);
    n->LevelNear = 100;
    n->LevelFar = 400;
    n->SetState(3, 0, false, false);
    n->SetMesh("ball");
    QNMESHLIST* ball = resources->FindMesh("ball");
    EXPECT_EQ(n->MeshGroup, ball);
    ASSERT_NE(n->Instance, nullptr);
    ASSERT_NE(n->Instance->Transform, nullptr);
    QNMATRIX at;
    at.SetTranslation(0, 0, 250);
    slottest::Placements()[n] = at;
    const QNMATRIX* m = n->Instance->Transform(n, 0);
    EXPECT_FLOAT_EQ(m->m[14], 250.0f);
    EXPECT_EQ(n->Mesh, &ball->Level(2));
    EXPECT_EQ(n->Instance->Mesh, &ball->Level(2).Buffers);
    viewport.Camera.SetTranslation(0, 0, 200);
    n->Instance->Transform(n, 0);
    EXPECT_EQ(n->Mesh, &ball->Level(0));
}

TEST_F(NodeSlotsTest, LightFollowsState)
{
    GAMENODE* n = NewNode();
    EXPECT_FLOAT_EQ(n->Light->Light.Diffuse.r, 1.0f);
    n->SetPointLight(10, 1, 0.5f, 0);
    EXPECT_FLOAT_EQ(n->Light->Light.Range, 10.0f);
    n->AttachLight(true);
    EXPECT_EQ(n->Light->Slot, nullptr);  // dormant: no hardware slot
    n->SetState(3, 0, false, false);
    ASSERT_NE(n->Light->Slot, nullptr);
    EXPECT_EQ(n->Light->Enabled, 1);
    n->SetState(2, 1, false, false);
    EXPECT_EQ(n->Light->Enabled, 0);
    n->SetState(3, 1, false, false);
    EXPECT_EQ(n->Light->Enabled, 1);
    n->SetLightOn(false);
    EXPECT_EQ(n->Light->Enabled, 0);
    EXPECT_FALSE(n->IsOnUpdateList());  // a node that cannot move is not updated per frame
    n->ReleaseLight();
    EXPECT_EQ(n->Light->Slot, nullptr);
}

TEST_F(NodeSlotsTest, SoundFollowsState)
{
    QNAUDDEV::Open(false);
    ASSERT_TRUE(QNAUDDEV::IsOpen());
    slottest::WriteWav(dir + "hum.wav");
    const std::string file = dir + "hum.wav";
    QNRESOURCES::SoundParams.File = file.c_str();
    QNRESOURCES::SoundParams.Option = 0;
    QNRESOURCES::SoundParams.LoadMode = QNSOUND::POSITIONAL;
    resources->AddSound();
    ASSERT_TRUE(resources->FindSound("hum")->HasData());

    GAMENODE* n = NewNode();
    n->SetSound("hum");
    ASSERT_NE(n->Sound, nullptr);
    EXPECT_EQ(n->Sound->Source(), resources->FindSound("hum"));
    n->PlaySound(-1);
    EXPECT_FALSE(n->Sound->IsPlaying());  // dormant nodes stay silent
    EXPECT_EQ(n->Looping, 1);
    n->SetState(3, 0, false, false);
    EXPECT_TRUE(n->Sound->IsPlaying());
    n->SetState(2, 1, false, false);
    EXPECT_FALSE(n->Sound->IsPlaying());
    n->SetState(3, 1, false, false);
    EXPECT_TRUE(n->Sound->IsPlaying());
    n->StopSound();
    EXPECT_FALSE(n->Sound->IsPlaying());
    n->SetState(2, 1, false, false);
    n->SetState(3, 1, false, false);
    EXPECT_FALSE(n->Sound->IsPlaying());  // stopped sounds do not come back
    QNITEM::Destroy(scene);
    scene = nullptr;
    QNAUDDEV::Close();
}

// A node without a body is never followed: its sound takes the place the node stands at when it
// plays (and when a looping play comes back with the node), not the one it had when it was set.
TEST_F(NodeSlotsTest, AStillNodesSoundPlaysWhereTheNodeStands)
{
    QNAUDDEV::Open(false);
    ASSERT_TRUE(QNAUDDEV::IsOpen());
    slottest::WriteWav(dir + "hum.wav");
    const std::string file = dir + "hum.wav";
    QNRESOURCES::SoundParams.File = file.c_str();
    QNRESOURCES::SoundParams.Option = 0;
    QNRESOURCES::SoundParams.LoadMode = QNSOUND::POSITIONAL;
    resources->AddSound();

    GAMENODE* n = NewNode();
    n->SetSound("hum");
    ASSERT_NE(n->Sound, nullptr);
    QNMATRIX at;
    at.SetTranslation(40.0f, -3.0f, 12.0f);
    NodeSetTransform(n, at);
    n->SetState(3, 0, false, false);
    n->PlaySound(-1);
    const float* p = n->Sound->Params().position;
    EXPECT_FLOAT_EQ(p[0], 40.0f);
    EXPECT_FLOAT_EQ(p[1], -3.0f);
    EXPECT_FLOAT_EQ(p[2], 12.0f);
    at.SetTranslation(-7.0f, 2.0f, 5.0f);
    NodeSetTransform(n, at);
    n->SetState(2, 1, false, false);
    n->SetState(3, 1, false, false);
    EXPECT_TRUE(n->Sound->IsPlaying());
    EXPECT_FLOAT_EQ(n->Sound->Params().position[0], -7.0f);
    EXPECT_FLOAT_EQ(n->Sound->Params().position[2], 5.0f);
    QNITEM::Destroy(scene);
    scene = nullptr;
    QNAUDDEV::Close();
}

}  // namespace

TEST_F(NodeSlotsTest, ALevelWithoutVerticesDropsItsInstanceAfterTheDrawWalk)
{
    QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    p.Name = "ball";
    p.Args[0] = 2;
    p.Args[1] = 16;
    p.Args[2] = 12;
    p.LevelCount = 4;
    resources->AddMeshVariant();
    QNMESHLIST* ball = resources->FindMesh("ball");
    ball->Level(3).Release();
    ASSERT_FALSE(ball->Level(3).HasVertices());

    GAMENODE* near = NewNode();
    near->SetState(3, 0, false, false);
    near->SetMesh("quad");
    GAMENODE* far = NewNode(QNCF_LEVEL_GAME | 0x800);
    far->LevelNear = 100;
    far->LevelFar = 400;
    far->SetState(3, 0, false, false);
    far->SetMesh("ball");
    ASSERT_NE(far->Instance, nullptr);
    QNWEAK<QNITEM> farItem(far->Instance);
    QNMATRIX at;
    at.SetTranslation(0, 0, 450);
    slottest::Placements()[far] = at;

    // Its matrix, asked inside the walk, picks the empty level: the item leaves once the walk
    // is over, and only the quad is drawn.
    for (std::uint8_t culling : {0, 1}) {
        viewport.Culling = culling;
        viewport.Draw();
        EXPECT_EQ(far->Instance, nullptr);
        EXPECT_FALSE(farItem);
        EXPECT_EQ(far->Mesh, &ball->Level(3));
        EXPECT_EQ(viewport.Vertices, 4u) << int(culling);
        EXPECT_EQ(viewport.MainList.ChildCount(), 1u);
        far->Mesh = &ball->Level(0);
        far->RefreshMesh();
        ASSERT_NE(far->Instance, nullptr);
        farItem = far->Instance;
    }
}
