// A scene registered from the program's own media archive draws a textured GBM mesh and a line
// of text on a real (headless) OpenGL display; the frame is checked by pixel regions.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qnviewport.h"
#include "engine/resource/qnstorage.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene.h"
#include "engine/scene/text_mesh.h"
#include "engine/scene/view.h"
#include "platform/window.h"

#ifdef CORVANE_PROGRAM

namespace {

constexpr std::uint32_t kWidth = 320, kHeight = 240;
constexpr std::uint32_t kBackground = 0x000030;

std::map<const QNNODE*, QNMATRIX>& Placements()
{
    static std::map<const QNNODE*, QNMATRIX> table;
    return table;
}

class MediaScene : public QNSCENE {
public:
    using QNSCENE::QNSCENE;
    void Register(QNRESOURCES& r) override
    {
        QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
        QNRESOURCES::TextureParams.Name = "storage";  // the manifest names the file
        r.AddTexture();
        QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
        QNRESOURCES::TextureParams.Name = "font";
        QNRESOURCES::TextureParams.File = "media\\screens\\common\\textures\\font.dds";
        QNRESOURCES::TextureParams.Columns = QNRESOURCES::TextureParams.Rows = 16;
        r.AddTexture();
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = "storage";
        QNRESOURCES::MeshParams.Args[0] = 1;
        r.AddMeshFile();
    }
};

class MeshImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
        ASSERT_TRUE(PlatformWindowCreate("mesh image test", kWidth, kHeight)) << SDL_GetError();
        QNDISPLAYSETTINGS req;
        req.Width = kWidth;
        req.Height = kHeight;
        QNGRFDEV::Create(req);
        QNDISPLAY::OpenWindowed();
        QNSTORAGE::SetArchive(CORVANE_PROGRAM);
        QNHOOKS::Slots.WorldMatrix = [](const QNNODE* n, QNMATRIX& out) {
            auto it = Placements().find(n);
            out = it == Placements().end() ? QNMATRIX() : it->second;
        };
        QNHOOKS::Slots.SetTransform = [](QNNODE* n, const QNMATRIX& m) { Placements()[n] = m; };
        QNRESOURCES::InstallHooks();
    }
    void TearDown() override
    {
        QNSCENE::PopAll();
        QNSCENE::SceneRoot().DeleteChildren();
        viewport.ReleaseDevice();
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
        QNHOOKS::Slots = QNSLOTHOOKS();
        QNHOOKS::Scene = QNSCENEHOOKS();
        Placements().clear();
        QNSTORAGE::SetArchive("");
        QNDISK::RemoveTempFolder();  // made by loads from the archive
        QNDISPLAY::Close();
        QNGRFDEV::Release();
        PlatformWindowDestroy();
    }

    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y) const { return pixels[std::size_t(y) * width + x] & 0xFFFFFF; }
    static int Channel(std::uint32_t c, int shift) { return int((c >> shift) & 0xFF); }
    static bool Near(std::uint32_t a, std::uint32_t b, int tol)
    {
        for (int s = 0; s < 24; s += 8)
            if (std::abs(Channel(a, s) - Channel(b, s)) > tol)
                return false;
        return true;
    }
    // Pixels of the rectangle within tol of rgb.
    std::uint32_t Count(std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1, std::uint32_t rgb,
                        int tol) const
    {
        std::uint32_t n = 0;
        for (std::uint32_t y = y0; y < y1; ++y)
            for (std::uint32_t x = x0; x < x1; ++x)
                n += Near(Pixel(x, y), rgb, tol) ? 1 : 0;
        return n;
    }

    QNVIEWPORT viewport;
    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
};

TEST_F(MeshImageTest, TexturedMeshAndTextFromTheArchive)
{
    auto* scene = new MediaScene(&QNSCENE::SceneRoot(), "MEDIA", 1);
    QNVIEW* view = scene->GetView(0);
    view->Camera = &viewport;
    view->Root->Camera = &viewport;
    QNSCENE::EnterScene(scene);
    QNRESOURCES& r = scene->Resources;
    ASSERT_GT(r.FindMesh("storage")->Level(0).VertexCount(), 0u);
    ASSERT_NE(r.FindTexture("font")->Texture.Texture, nullptr);

    auto* block = new GAMENODE(view->Root, "BLOCK", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    block->SetColour("fullbright");
    block->SetTexture("storage");
    block->SetMesh("storage");
    block->SetState(3, 0, false, false);
    ASSERT_NE(block->Instance, nullptr);

    auto* text = new GAMENODE(view->Root, "TEXT", 0, QNCF_LEVEL_GAME | QNCF_SCREEN, 0, 0, nullptr, 0);
    text->SetMaterial("sprite");
    text->SetColour("fullbright");
    text->SetTexture("font");
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Args[6] = 1;
    text->BuildTextMesh(40, 80, 20, 1);
    QNMATRIX at;
    at.SetTranslation(0, 380, 0);
    Placements()[text] = at;
    PrintText(text->Mesh, "%s", 0, QNALIGN_CENTRE, "HELLO");
    text->SetState(3, 0, false, false);
    ASSERT_NE(text->Instance, nullptr);

    QNMATRIX camera;
    camera.SetTranslation(0, 0, -8);
    QNDISPLAY::SetPerspective(1.0f, 0.2f, 1000.0f);
    QNDISPLAY::SetAmbient(1, 1, 1);
    QNDISPLAY::BeginScene();
    QNDISPLAY::Clear(0, 0, 48.0f / 255, 1.0f, -1.0f);
    viewport.SetCamera(camera);
    viewport.Draw();
    QNDISPLAY::EndScene();
    ASSERT_TRUE(QNDISPLAY::ReadBack(pixels, width, height));
    ASSERT_EQ(width, kWidth);

    // The block's front face fills the middle with the orange-brown hull texture.
    std::uint32_t warm = 0;
    for (std::uint32_t y = 100; y < 170; ++y)
        for (std::uint32_t x = 130; x < 190; ++x) {
            const std::uint32_t c = Pixel(x, y);
            warm += (Channel(c, 16) > Channel(c, 0) + 30 && Channel(c, 16) > 60) ? 1 : 0;
        }
    EXPECT_GT(warm, 60u * 70u * 8 / 10) << "block texture missing";
    EXPECT_EQ(Count(0, 100, 40, 170, kBackground, 3), 40u * 70u);  // left of the block
    EXPECT_EQ(Count(280, 100, 320, 170, kBackground, 3), 40u * 70u);

    // The text line: five glyph cells centred at the top, blank cells on either side.
    // Cells are 40 x 80 virtual units = 9.6 x 19.2 pixels; the line centred on y = 380 covers
    // pixel rows 19.2 to 38.4, the five cells x 136 to 184.
    const std::uint32_t bright = Count(136, 20, 184, 38, 0xFFFFFF, 80);
    EXPECT_GT(bright, 40u) << "no glyph pixels";
    EXPECT_LT(bright, 48u * 18u * 7 / 10) << "cells filled solid";
    EXPECT_EQ(Count(40, 20, 120, 38, kBackground, 3), 80u * 18u);
    EXPECT_EQ(Count(200, 20, 280, 38, kBackground, 3), 80u * 18u);

    // Above the text and between text and block: background only.
    EXPECT_EQ(Count(0, 0, 320, 18, kBackground, 3), 320u * 18u);
    EXPECT_EQ(Count(0, 40, 320, 54, kBackground, 3), 320u * 14u);
}

}  // namespace

#endif
