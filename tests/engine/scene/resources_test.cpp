#include <gtest/gtest.h>

#include <string>

#include "tests/engine/scene/slot_test_util.h"

namespace {

class ResourcesTest : public slottest::SlotFixture {
protected:
    std::vector<std::string> MeshKeys() const
    {
        std::vector<std::string> keys;
        for (QNITEM* e = resources->Meshes.FirstChild(); e; e = e->Next())
            keys.push_back(e->Name().Text());
        return keys;
    }
    void RegisterFile(const char* name, const std::string& file, int count)
    {
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = name;
        QNRESOURCES::MeshParams.File = file.c_str();
        QNRESOURCES::MeshParams.Args[0] = float(count);
        resources->AddMeshFile();
    }
};

TEST_F(ResourcesTest, KeysAndSeriesNames)
{
    const char* name = "rock";
    EXPECT_EQ(MakeResourceKey(name, 0), name);
    EXPECT_STREQ(MakeResourceKey(name, 1), "rock2");
    EXPECT_STREQ(MakeResourceKey(name, 2), "rock3");
    const std::string longName(300, 'x');
    const char* key = MakeResourceKey(longName.c_str(), 5);
    EXPECT_EQ(std::strlen(key), 127u);  // cut to the shared buffer

    slottest::WriteQuad(dir + "x.gbm", 1);
    slottest::WriteQuad(dir + "x2.gbm", 2);
    slottest::WriteQuad(dir + "x3.gbm", 3);
    int calls = 0;
    QNRESOURCES::LoadCallback = [](void* arg) { ++*static_cast<int*>(arg); };
    QNRESOURCES::LoadCallbackArg = &calls;

    RegisterFile("X", dir + "x1.gbm", 3);  // member i of the file series: x, x2, x3
    EXPECT_EQ(MeshKeys(), (std::vector<std::string>{"X", "X2", "X3"}));
    EXPECT_FLOAT_EQ(resources->FindMesh("x", 2)->Level(0).Box.max.x, 3.0f);
    EXPECT_EQ(resources->FindMesh("X", 1)->Index, 1);
    EXPECT_EQ(calls, 1);

    resources->Meshes.DeleteChildren();
    RegisterFile("X7", dir + "x.gbm", 1);
    RegisterFile("", dir + "x2.gbm", 1);  // no name: the file's title
    RegisterFile("none", dir + "x.gbm", 0);
    EXPECT_EQ(MeshKeys(), (std::vector<std::string>{"X", "x"}));
    EXPECT_EQ(calls, 4);  // a count of 0 still calls back

    try {
        resources->FindMesh("absent", 1);
        FAIL();
    } catch (const QNNODE::EXC& e) {
        EXPECT_STREQ(e.what(), "Node 'absent2' not found.");
    }
    // A loader failure keeps the entries made so far.
    EXPECT_THROW(RegisterFile("Y", dir + "x.gbm", 5), QNFILE::EXC);
    EXPECT_NE(resources->Meshes.FindChild("Y3"), nullptr);
    EXPECT_EQ(resources->Meshes.FindChild("Y5"), nullptr);
}

TEST_F(ResourcesTest, MaterialsAndColoursCopyRegisteredOnes)
{
    QNCOLOUR* red = resources->AddColour("red");
    red->SetColour(1, 0, 0, 0.5f);
    const QNCOLOUR* copy = resources->AddColour("red2", "red");
    EXPECT_FLOAT_EQ(copy->Ambient.r, 0.5f);
    EXPECT_FLOAT_EQ(copy->Diffuse.g, 0.0f);
    EXPECT_EQ(resources->FindColour("red", 1), copy);
    EXPECT_TRUE(resources->FindMaterial("alpha")->AlphaBlend);
    EXPECT_EQ(resources->AddMaterial("glass", "alpha")->SrcBlend, 5u);
    EXPECT_FLOAT_EQ(resources->FindColour("fullbright")->Emissive.r, 1.0f);
    EXPECT_THROW(resources->AddColour("c", "nope"), QNNODE::EXC);
    EXPECT_THROW(resources->AddMaterial("m", "nope"), QNNODE::EXC);
    EXPECT_EQ(resources->Colours.FindChild("c"), nullptr);
}

TEST_F(ResourcesTest, GeneratedGroupsAndDistanceLevels)
{
    QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    p.Name = "ball";
    p.Args[0] = 2;
    p.Args[1] = 24;
    p.Args[2] = 16;
    p.LevelCount = 4;
    p.LastLevelFraction = 0.25f;
    resources->AddMeshVariant();
    QNMESHLIST* ball = resources->FindMesh("ball");
    ASSERT_EQ(ball->LevelCount, 4u);
    for (std::uint32_t k = 1; k < 4; ++k)
        EXPECT_LT(ball->Level(k).VertexCount(), ball->Level(k - 1).VertexCount()) << k;
    EXPECT_GT(ball->Level(3).VertexCount(), 0u);

    p = QNMESHPARAMS();
    p.Name = "flat";
    p.LevelCount = 1;
    p.LastLevelFraction = 0.5f;
    const float grid[7] = {2, 1, 3, 2, 1, 1, 1};
    std::memcpy(p.Args, grid, sizeof grid);
    resources->AddMesh();
    EXPECT_EQ(resources->FindMesh("flat")->LevelCount, 1u);
    EXPECT_EQ(resources->FindMesh("flat")->Level(0).VertexCount(), 6u * 4);
    // A File that names only a texture (as a load screen's quad is registered) makes the group
    // from the block's own arguments.
    resources->Textures.AddChild(new QNTEXTUREENTRY("screen", 0));
    p.Name = "screen";
    p.File = "screen";
    resources->AddMesh();
    EXPECT_EQ(resources->FindMesh("screen")->Level(0).VertexCount(), 6u * 4);

    p = QNMESHPARAMS();
    p.Name = "crate";
    p.Args[1] = 2;
    p.Args[2] = 4;
    p.Args[3] = 6;
    resources->AddMeshBox();
    const QNMESH& crate = resources->FindMesh("crate")->Level(0);
    EXPECT_FALSE(crate.HasVertices());
    EXPECT_EQ(crate.Box.max, QNVEC3(1, 2, 3));
}

class RegisteringScene : public QNSCENE {
public:
    using QNSCENE::QNSCENE;
    void Register(QNRESOURCES& r) override
    {
        r.AddMaterial("own");
        r.AddColour("own");
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = "box";
        QNRESOURCES::MeshParams.Args[1] = 1;
        r.AddMeshBox();
    }
};

TEST_F(ResourcesTest, LeavingASceneFreesAllButMaterials)
{
    QNRESOURCES::InstallHooks();
    auto* s = new RegisteringScene(&QNSCENE::SceneRoot(), "REG", 1);
    QNSCENE::EnterScene(s);
    EXPECT_NE(s->Resources.Meshes.FindChild("box"), nullptr);
    EXPECT_NE(s->Resources.Colours.FindChild("fullbright"), nullptr);
    const std::uint32_t materials = s->Resources.Materials.ChildCount();
    QNSCENE::LeaveScene(s);
    EXPECT_EQ(s->Resources.Meshes.ChildCount(), 0u);
    EXPECT_EQ(s->Resources.Colours.ChildCount(), 0u);
    EXPECT_EQ(s->Resources.Materials.ChildCount(), materials);
    QNSCENE::EnterScene(s);
    EXPECT_EQ(s->Resources.Materials.ChildCount(), 2 * materials);
    EXPECT_EQ(s->Resources.FindMaterial("own"),
              &static_cast<QNMATERIALENTRY*>(s->Resources.Materials.FindChild("own"))->Material);
    QNSCENE::LeaveScene(s);
    QNITEM::Destroy(s);
}

}  // namespace
