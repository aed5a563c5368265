// The scene walk drawing through the view renderer on a real (headless) OpenGL display.

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qnvertex_buffer.h"
#include "engine/render/qnviewport.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene.h"
#include "engine/scene/scene_renderer.h"
#include "engine/scene/view.h"
#include "platform/window.h"

namespace {

constexpr std::uint32_t kWidth = 160, kHeight = 120;

std::map<const QNNODE*, QNMATRIX>& Placements()
{
    static std::map<const QNNODE*, QNMATRIX> table;
    return table;
}

class BallScene : public QNSCENE {
public:
    using QNSCENE::QNSCENE;
    void Register(QNRESOURCES& r) override
    {
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = "ball";
        QNRESOURCES::MeshParams.Args[0] = 1.0f;
        QNRESOURCES::MeshParams.Args[1] = 16;
        QNRESOURCES::MeshParams.Args[2] = 12;
        r.AddMeshVariant();
    }
};

class SceneRendererTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
        ASSERT_TRUE(PlatformWindowCreate("scene renderer test", kWidth, kHeight)) << SDL_GetError();
        QNDISPLAYSETTINGS req;
        req.Width = kWidth;
        req.Height = kHeight;
        QNGRFDEV::Create(req);
        QNDISPLAY::OpenWindowed();
        QNHOOKS::Slots.WorldMatrix = [](const QNNODE* n, QNMATRIX& out) {
            auto it = Placements().find(n);
            out = it == Placements().end() ? QNMATRIX() : it->second;
        };
        QNRESOURCES::InstallHooks();
        QNVIEWRENDERER::Install();
    }
    void TearDown() override
    {
        QNSCENE::PopAll();
        QNSCENE::SceneRoot().DeleteChildren();
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
        QNHOOKS::Slots = QNSLOTHOOKS();
        QNHOOKS::Scene = QNSCENEHOOKS();
        Placements().clear();
        QNDISPLAY::Close();
        QNGRFDEV::Release();
        PlatformWindowDestroy();
    }

    void Render(QNSCENE* scene)
    {
        QNDISPLAY::BeginScene();
        QNSCENE::RenderScene(scene);
        QNDISPLAY::EndScene();
        ASSERT_TRUE(QNDISPLAY::ReadBack(pixels, width, height));
        ASSERT_EQ(width, kWidth);
    }
    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y) const { return pixels[std::size_t(y) * width + x] & 0xFFFFFF; }

    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
};

TEST_F(SceneRendererTest, ViewsGetCamerasAndTheWalkDrawsTheActiveViewsQueue)
{
    auto* scene = new BallScene(&QNSCENE::SceneRoot(), "BALLS", 2);
    QNVIEW* view = scene->GetView(0);
    ASSERT_NE(view->Camera, nullptr);
    ASSERT_NE(scene->GetView(1)->Camera, nullptr);
    view->Root->Camera = view->Camera;
    QNSCENE::EnterScene(scene);

    auto* ball = new GAMENODE(view->Root, "BALL", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    QNMATRIX at;
    at.SetTranslation(0, 0, 6);
    Placements()[ball] = at;
    ball->SetColour("fullbright");
    ball->SetMesh("ball");
    ball->SetState(3, 0, false, false);
    ASSERT_NE(ball->Instance, nullptr);

    scene->Background[0] = 0.0f;
    scene->Background[1] = 0.0f;
    scene->Background[2] = 1.0f;
    Render(scene);
    // The ball sits on the camera's axis: white in the middle, background in the corners.
    EXPECT_EQ(Pixel(kWidth / 2, kHeight / 2), 0xFFFFFFu);
    EXPECT_EQ(Pixel(2, 2), 0x0000FFu);
    EXPECT_EQ(Pixel(kWidth - 3, kHeight - 3), 0x0000FFu);
    EXPECT_GT(scene->DrawStats.Primitives, 0u);

    // Leaving the scene empties the queues; the cameras stay until the views go.
    QNSCENE::LeaveScene(scene);
    EXPECT_EQ(view->Camera->MainList.FirstChild(), nullptr);
    delete scene;
}

TEST_F(SceneRendererTest, ClearIsLimitedToTheSceneRectangleAndLightsFollowTheirView)
{
    auto* scene = new BallScene(&QNSCENE::SceneRoot(), "RECT", 1);
    QNSCENE::EnterScene(scene);

    QNDISPLAY::BeginScene();
    QNDISPLAY::Clear(0, 1, 0, 1, -1);
    QNDISPLAY::EndScene();
    scene->ViewRect = {0, 0, 80, 60};
    scene->Background[0] = 1.0f;
    scene->Background[1] = 0.0f;
    scene->Background[2] = 0.0f;
    Render(scene);
    EXPECT_EQ(Pixel(10, 10), 0xFF0000u);
    EXPECT_EQ(Pixel(120, 100), 0x00FF00u);

    QNLIGHT light;
    light.SetDirectional(1, 1, 1);
    light.Attach(true, scene->GetView(0));
    QNVIEWRENDERER renderer;
    renderer.SetSceneLights(*scene, false);
    EXPECT_EQ(light.Enabled, 0);
    renderer.SetSceneLights(*scene, true);
    EXPECT_EQ(light.Enabled, 1);
    light.Detach();
}

}  // namespace
