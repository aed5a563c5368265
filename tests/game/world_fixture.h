#pragma once
// A game world on a real (headless) display: the stand-in media archive, the physics layer,
// the view renderer, the four path planners, and one scene whose views the test fills. Frames
// run on the virtual clock: the scene's update, its render, then its physics step.

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qnvertex_buffer.h"
#include "engine/render/qnviewport.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"
#include "engine/scene/scene.h"
#include "engine/scene/scene_renderer.h"
#include "game/world/path_planner.h"
#include "platform/window.h"
#include "tests/game/game_test_util.h"

/// A scene whose registration and entry the test supplies.
class WORLDTESTSCENE : public QNSCENE {
public:
    WORLDTESTSCENE(const char* name, std::uint32_t views, std::function<void(QNRESOURCES&)> reg)
        : QNSCENE(&QNSCENE::SceneRoot(), name, views), register_(std::move(reg))
    {
    }
    void Register(QNRESOURCES& r) override
    {
        if (register_)
            register_(r);
    }

private:
    std::function<void(QNRESOURCES&)> register_;
};

class WorldTest : public GameTest {
protected:
    static constexpr std::uint32_t kWidth = 320, kHeight = 240;

    void SetUp() override
    {
        ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
        ASSERT_TRUE(PlatformWindowCreate("world test", kWidth, kHeight)) << SDL_GetError();
        QNDISPLAYSETTINGS req;
        req.Width = kWidth;
        req.Height = kHeight;
        QNGRFDEV::Create(req);
        QNDISPLAY::OpenWindowed();
        QNDISK::MakeTempFolder();
        QNSTORAGE::SetArchive(CORVANE_MEDIA_ARCHIVE);
        GameTest::SetUp();
        QNRESOURCES::InstallHooks();
        QNVIEWRENDERER::Install();
        InitPathPlanners();
    }
    void TearDown() override
    {
        QNSCENE::PopAll();
        QNSCENE::SceneRoot().DeleteChildren();
        FreePathPlanners();
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
        GameTest::TearDown();
        QNSTORAGE::SetArchive(nullptr);
        QNDISK::RemoveTempFolder();
        QNDISPLAY::Close();
        QNGRFDEV::Release();
        PlatformWindowDestroy();
    }

    /// Makes and enters a scene of `views` views with the given registration.
    QNSCENE* MakeScene(std::uint32_t views, std::function<void(QNRESOURCES&)> reg, const char* name = "WORLD")
    {
        auto* scene = new WORLDTESTSCENE(name, views, std::move(reg));
        for (std::uint32_t i = 0; i < views; ++i)
            scene->GetView(i)->Root->Camera = scene->GetView(i)->Camera;
        scene->ViewMask = (1u << views) - 1;
        QNSCENE::EnterScene(scene);
        QNSCENE::Current = scene;
        return scene;
    }

    /// One frame of `dt` seconds: update, render (read back), physics step.
    void Frame(QNSCENE* scene, float dt = 0.02f)
    {
        Advance(dt);
        QNAPP::dt = dt;
        QNAPP::Rate = 0.02f / dt;
        QNSCENE::UpdateScene(scene);
        QNDISPLAY::BeginScene();
        QNSCENE::RenderScene(scene);
        QNDISPLAY::EndScene();
        QNSCENE::PostUpdateScene(scene);
    }
    /// Runs frames for `seconds` of virtual time.
    void Run(QNSCENE* scene, float seconds, float dt = 0.02f)
    {
        for (float t = 0; t < seconds; t += dt)
            Frame(scene, dt);
    }

    void Grab() { ASSERT_TRUE(QNDISPLAY::ReadBack(pixels, width, height)); }
    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y) const
    {
        return pixels[std::size_t(y) * width + x] & 0xFFFFFF;
    }
    static int Red(std::uint32_t c) { return int((c >> 16) & 0xFF); }
    static int Green(std::uint32_t c) { return int((c >> 8) & 0xFF); }
    static int Blue(std::uint32_t c) { return int(c & 0xFF); }

    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
};
