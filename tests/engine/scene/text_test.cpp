#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

#include "engine/scene/anim_clock.h"
#include "engine/scene/glow.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/text_mesh.h"
#include "tests/engine/scene/slot_test_util.h"

namespace {

// Reads row `line` of a text mesh back from the texture cell of each patch.
std::string ReadLine(const QNMESH* mesh, std::uint32_t line)
{
    std::string s;
    const QNVERTEXARRAY v = mesh->Buffers.Vertices();
    const auto columns = std::uint32_t(mesh->Columns);
    for (std::uint32_t c = 0; c < columns; ++c) {
        const float* uv = v.TexCoord((line * columns + c) * mesh->Grid.VerticesPerPatch, 0);
        const int col = int(std::lround(uv[0] / mesh->TextureGrid[3]));
        const int row = int(std::lround(uv[1] / mesh->TextureGrid[4]));
        s += char(row * int(mesh->TextureGrid[0]) + col);
    }
    return s;
}

void SetClock(double seconds)
{
    QNTIMER::SetFrameCounter(std::int64_t(seconds * double(QNTIMER::Frequency())));
}

class TextTest : public slottest::SlotFixture {
protected:
    void SetUp() override
    {
        SlotFixture::SetUp();
        auto* font = new QNTEXTUREENTRY("font", 0);
        font->Texture.Grid.SetGrid(16, 16, 1, 1);
        resources->Textures.AddChild(font);
        QNRESOURCES::MeshParams.Option1 = 2;
        QNRESOURCES::MeshParams.Args[6] = 1;
        SetClock(0);
    }
    GAMENODE* TextNode(std::uint32_t columns, std::uint32_t rows)
    {
        auto* n = new GAMENODE(view->Root, "T", 0, QNCF_LEVEL_GAME | QNCF_SCREEN, 0, 0, nullptr, 0);
        n->SetTexture("font");
        n->BuildTextMesh(10, 20, columns, rows);
        return n;
    }
};

TEST_F(TextTest, PrintTextAlignsAndCuts)
{
    QNMESH* mesh = TextNode(50, 2)->Mesh;
    ASSERT_NE(mesh, nullptr);
    EXPECT_FLOAT_EQ(mesh->Columns, 50.0f);
    PrintText(mesh, "%s", 0, QNALIGN_CENTRE, "ABCDEFG");
    EXPECT_EQ(ReadLine(mesh, 0), std::string(21, ' ') + "ABCDEFG" + std::string(22, ' '));
    PrintText(mesh, "%d%%", 1, QNALIGN_RIGHT, 42);
    EXPECT_EQ(ReadLine(mesh, 1), std::string(47, ' ') + "42%");
    EXPECT_EQ(ReadLine(mesh, 0).substr(21, 7), "ABCDEFG");  // the other line is kept
    PrintTextLine(mesh, "", 0, QNALIGN_LEFT);
    EXPECT_EQ(ReadLine(mesh, 0), std::string(50, ' '));
    const std::string longText = std::string(45, 'a') + "0123456789";
    PrintText(mesh, "%s", 0, QNALIGN_CENTRE, longText.c_str());
    EXPECT_EQ(ReadLine(mesh, 0), longText.substr(0, 50));
    // The formatted result is printed as it is, never formatted again.
    PrintText(mesh, "%s", 1, QNALIGN_LEFT, "100%d %s");
    EXPECT_EQ(ReadLine(mesh, 1).substr(0, 8), "100%d %s");
    // A format longer than the buffer is cut, not overrun.
    const std::string huge(1000, 'z');
    PrintText(mesh, "%s", 1, QNALIGN_LEFT, huge.c_str());
    EXPECT_EQ(ReadLine(mesh, 1), std::string(50, 'z'));
    PrintText(mesh, "x", 5, QNALIGN_LEFT);  // no such line: nothing happens
}

TEST_F(TextTest, QueuedMessagesTakeTurns)
{
    auto* q = new QNQUEUEDMESSAGE(view->Root, "font", 0, -400, QNALIGN_CENTRE, 4, 10, 20);
    EXPECT_STREQ(q->Shown(), "");
    q->Post("first %d", 1);
    q->Post("second");
    q->Post("third");
    q->Update();
    EXPECT_STREQ(q->Shown(), "first 1");
    EXPECT_EQ(ReadLine(q->Mesh, 0).substr(21, 7), "first 1");
    SetClock(1.9);
    q->Update();
    EXPECT_STREQ(q->Shown(), "first 1");
    SetClock(2.0);
    q->Update();
    EXPECT_STREQ(q->Shown(), "second");
    SetClock(4.0);
    q->Update();
    EXPECT_STREQ(q->Shown(), "third");
    SetClock(7.9);
    q->Update();
    EXPECT_STREQ(q->Shown(), "third");
    SetClock(8.0);
    q->Update();
    EXPECT_STREQ(q->Shown(), "");
    EXPECT_EQ(q->Showing, 0);

    // While a line shows, the same text again (any case) is dropped; with nothing showing both queue.
    q->Post("dup");
    q->Post("dup");
    EXPECT_EQ(q->WritePos, (q->ReadPos + 2) % 10);
    q->Update();  // the first shows, the second waits
    EXPECT_EQ(q->WritePos, (q->ReadPos + 1) % 10);
    q->Post("DUP");
    EXPECT_EQ(q->WritePos, (q->ReadPos + 1) % 10);
    q->Post("other");
    EXPECT_EQ(q->WritePos, (q->ReadPos + 2) % 10);
    // Over-long posts are cut to the line.
    q->Post("%s", std::string(200, 'q').c_str());
    EXPECT_EQ(std::strlen(q->Lines[(q->WritePos + 9) % 10]), 49u);
}

TEST_F(TextTest, QueuedMessageWithoutDisplayTimeStays)
{
    // The mesh block as a registration may leave it (a box, no texture set, pre-transformed
    // vertices): the message builds its text mesh from its own block.
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Option2 = 0;
    QNRESOURCES::MeshParams.CollisionOption1 = 3;
    auto* q = new QNQUEUEDMESSAGE(view->Root, "font", 0, 0, QNALIGN_LEFT, 0, 10, 20);
    q->Post("stay");
    q->Update();
    SetClock(1000);
    q->Update();
    EXPECT_STREQ(q->Shown(), "stay");
    q->Post("next");
    q->Update();
    EXPECT_STREQ(q->Shown(), "next");
    ASSERT_NE(q->Mesh->Buffers.Vertices().TexCoord(0, 0), nullptr);
    EXPECT_EQ(ReadLine(q->Mesh, 0).substr(0, 5), "next ");
    EXPECT_FLOAT_EQ(q->Mesh->Columns, float(QNQUEUEDMESSAGE::kLineSize));
}

TEST_F(TextTest, AnimationClockModes)
{
    QNANIMCLOCK once(QNANIMCLOCK::ONCE, 0, 1, 2);
    SetClock(1);
    EXPECT_FLOAT_EQ(once.Time(), 0.5f);
    SetClock(2);
    EXPECT_FLOAT_EQ(once.Time(), 1.0f);
    SetClock(7);
    EXPECT_FLOAT_EQ(once.Time(), 1.0f);

    SetClock(0);
    QNANIMCLOCK loop(QNANIMCLOCK::LOOP, 10, 20, 2);
    SetClock(3);
    EXPECT_FLOAT_EQ(loop.Time(), 15.0f);

    SetClock(0);
    QNANIMCLOCK pp(QNANIMCLOCK::PINGPONG, 0, 1, 1);
    SetClock(0.25);
    EXPECT_FLOAT_EQ(pp.Time(), 0.25f);
    SetClock(1.25);
    EXPECT_FLOAT_EQ(pp.Time(), 0.75f);  // on its way back
    SetClock(2.25);
    EXPECT_FLOAT_EQ(pp.Time(), 0.25f);
    // One long frame across three boundaries flips three times: backwards again.
    SetClock(5.5);
    EXPECT_FLOAT_EQ(pp.Time(), 0.5f);
    SetClock(5.75);
    EXPECT_FLOAT_EQ(pp.Time(), 0.25f);
    // Two boundaries keep the direction.
    SetClock(7.75);
    EXPECT_FLOAT_EQ(pp.Time(), 0.25f);
}

TEST_F(TextTest, GlowConeFadeAndPull)
{
    const float cone = float(std::numbers::pi / 2), fade = 0.2f;
    QNMATRIX glow;  // at the origin looking along +z
    QNGLOWFRAME f;
    ASSERT_TRUE(ComputeGlowFrame(glow, QNVEC3(0, 0, 10), QNMATRIX(), cone, fade, 1.0f, 1.0f, f));
    EXPECT_FALSE(f.Outside);
    EXPECT_FLOAT_EQ(f.K, 1.0f);
    EXPECT_FLOAT_EQ(f.World.m[0], 1.0f);
    EXPECT_FLOAT_EQ(f.World.m[14], 1.0f);  // pulled towards the camera by the size

    // Exactly at the cone's edge: shown, faded to 0.
    ASSERT_TRUE(ComputeGlowFrame(glow, QNVEC3(10, 0, 0), QNMATRIX(), cone, fade, 1.0f, 1.0f, f));
    EXPECT_FALSE(f.Outside);
    EXPECT_NEAR(f.K, 0.0f, 1e-5f);
    // Half-way through the fade band, scaled by the glow's alpha.
    const float a = cone - fade / 2;
    ASSERT_TRUE(ComputeGlowFrame(glow, QNVEC3(std::sin(a), 0, std::cos(a)) * 10, QNMATRIX(), cone, fade, 1.0f, 0.5f, f));
    EXPECT_NEAR(f.K, 0.25f, 1e-4f);
    // Hard edge without a fade width.
    ASSERT_TRUE(ComputeGlowFrame(glow, QNVEC3(std::sin(a), 0, std::cos(a)) * 10, QNMATRIX(), cone, 0, 1.0f, 1.0f, f));
    EXPECT_FLOAT_EQ(f.K, 1.0f);
    ASSERT_TRUE(ComputeGlowFrame(glow, QNVEC3(0, 1, -10), QNMATRIX(), cone, 0, 1.0f, 1.0f, f));
    EXPECT_TRUE(f.Outside);

    // A close camera pulls the sprite by the distance less 0.5 only.
    ASSERT_TRUE(ComputeGlowFrame(glow, QNVEC3(0, 0, 1.2f), QNMATRIX(), cone, fade, 5.0f, 1.0f, f));
    EXPECT_NEAR(f.World.m[14], 0.7f, 1e-5f);
    // An axis a little longer than 1 still gives a number; a camera on the glow gives no frame.
    QNMATRIX scaled;
    scaled.SetScaling(1, 1, 1.0000001f);
    ASSERT_TRUE(ComputeGlowFrame(scaled, QNVEC3(0, 0, 3), QNMATRIX(), cone, fade, 1.0f, 1.0f, f));
    EXPECT_FALSE(std::isnan(f.Angle));
    EXPECT_FALSE(ComputeGlowFrame(glow, QNVEC3(0, 0, 0), QNMATRIX(), cone, fade, 1.0f, 1.0f, f));
}

TEST_F(TextTest, GlowNodeVotesAndFades)
{
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    slottest::WriteQuad(dir + "flare.gbm", 1);
    const std::string file = dir + "flare.gbm";
    QNRESOURCES::MeshParams.File = file.c_str();
    QNRESOURCES::MeshParams.Args[0] = 1;
    resources->AddMeshFile();
    auto* camera = new GAMENODE(view->Root, "CAM", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    view->CurrentNode = camera;
    auto* holder = new GAMENODE(view->Root, "HOLDER", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    holder->SetState(3, 0, false, true);
    auto* g = new QNGLOW(holder, nullptr, float(std::numbers::pi / 4), 0.1f, 1.0f, "flare", "font");
    g->SetState(3, 0, false, true);
    ASSERT_NE(g->Glow, nullptr);
    EXPECT_EQ(g->Glow->Material, resources->FindMaterial("alpha"));

    QNMATRIX at;
    at.SetTranslation(0, 0, 20);
    slottest::Placements()[camera] = at;
    g->Update();
    EXPECT_EQ(g->Outside, 0);
    EXPECT_EQ(g->State, 3);
    EXPECT_FLOAT_EQ(g->Glow->OwnColour->Diffuse.a, 1.0f);
    at.SetTranslation(20, 0, 1);
    slottest::Placements()[camera] = at;
    g->Update();
    EXPECT_EQ(g->Outside, 1);
    EXPECT_EQ(g->State, 2);
    // A hidden parent stops the update.
    holder->SetState(2, 1, false, false);
    at.SetTranslation(0, 0, 20);
    slottest::Placements()[camera] = at;
    g->Update();
    EXPECT_EQ(g->Outside, 1);
}

TEST_F(TextTest, ConsoleMetricsShowsZeroWithoutTriangles)
{
    QNSCENE::Current = scene;
    auto* m = new QNCONSOLEMETRICS(view->Root, "font", -600, 450);
    EXPECT_EQ(QNAPP::ConsoleMetrics, m);
    const std::string line0 = ReadLine(m->Mesh, 0);
    EXPECT_NE(line0.find("V/T:0.0"), std::string::npos) << line0;
    EXPECT_EQ(line0.rfind("F/S:", 0), 0u) << line0;
    EXPECT_NE(ReadLine(m->Mesh, 1).find("O:"), std::string::npos);
    QNITEM::Destroy(m);
    EXPECT_EQ(QNAPP::ConsoleMetrics, nullptr);
    QNSCENE::Current = nullptr;
}

}  // namespace
