#pragma once
// Fixture shared by the game tests: the collision framework with the physics layer's hooks, a
// virtual clock, the project's generator seeded, and views built without a display.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "engine/physics/qnphysworld.h"
#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qnvertex_buffer.h"
#include "engine/render/qnviewport.h"
#include "engine/resource/qnstorage.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene.h"
#include "engine/scene/scene_hooks.h"
#include "engine/scene/scene_renderer.h"
#include "engine/sound/qnsound.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "engine/util/qntimer.h"
#include "platform/test_events.h"
#include "platform/window.h"

class GameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QNTIMER::SetFrequency(1000000);
        QNTIMER::SetFrameCounter(0);
        QNPHYSWORLD::InitFramework(2500, 200);
        QNPHYSWORLD::InstallHooks();
        QNAPP::dt = 0.02f;
        QNAPP::Rate = 1.0f;
        SeedRandom(1234);
    }
    void TearDown() override
    {
        QNHOOKS::Node = QNNODEHOOKS{};
        QNHOOKS::Scene = QNSCENEHOOKS{};
        QNHOOKS::Slots = QNSLOTHOOKS{};
        QNPHYSWORLD::TermFramework();
    }
    /// Moves the virtual clock on by `seconds` and reads the physics clock.
    static void Advance(double seconds)
    {
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(seconds * 1e6)));
        QNPHYSWORLD::ReadClock();
    }
};

inline QNMATRIX Translation(float x, float y, float z)
{
    QNMATRIX m;
    m.SetTranslation(x, y, z);
    return m;
}

// A game scene with a real headless display, the stand-in media archive that the build makes, a
// virtual clock at 60 frames a second and a four-view scene whose resources the test registers.
// Frame() runs one frame as the program does: clock, scene update, physics step.

namespace gametest {

class TESTSPACE : public QNSCENE {
public:
    TESTSPACE(std::function<void(QNRESOURCES&)> registration, std::uint32_t views)
        : QNSCENE(&QNSCENE::SceneRoot(), "TESTSPACE", views), registration_(std::move(registration))
    {
    }
    void Register(QNRESOURCES& r) override
    {
        if (registration_)
            registration_(r);
    }

private:
    std::function<void(QNRESOURCES&)> registration_;
};

class GameSceneTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kWidth = 320, kHeight = 240;
    static constexpr double kFrame = 1.0 / 60.0;

    void SetUp() override
    {
        ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
        ASSERT_TRUE(PlatformWindowCreate("game test", windowWidth, windowHeight)) << SDL_GetError();
        QNDISPLAYSETTINGS req;
        req.Width = windowWidth;
        req.Height = windowHeight;
        QNGRFDEV::Create(req);
        QNDISPLAY::OpenWindowed();
        QNAUDDEV::Open(false);
        QNTIMER::SetFrequency(1000000);
        QNTIMER::SetFrameCounter(1000000);
        QNPHYSWORLD::InitFramework(500, 100);
        QNPHYSWORLD::InstallHooks();
        QNRESOURCES::InstallHooks();
        QNVIEWRENDERER::Install();
#ifdef CORVANE_MEDIA_ARCHIVE
        QNSTORAGE::SetArchive(CORVANE_MEDIA_ARCHIVE);  // a test program that registers media names it
#endif
        SeedRandom(1);
        QNAPP::StepTime(float(kFrame));
    }
    void TearDown() override
    {
        QNSCENE::PopAll();
        QNSCENE::SceneRoot().DeleteChildren();
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
        QNHOOKS::Node = QNNODEHOOKS{};
        QNHOOKS::Scene = QNSCENEHOOKS{};
        QNHOOKS::Slots = QNSLOTHOOKS{};
        QNPHYSWORLD::TermFramework();
        QNAUDDEV::Close();
        QNDISPLAY::Close();
        QNGRFDEV::Release();
        PlatformWindowDestroy();
    }

    /// Makes and enters a scene of `views` views with the test's registration; every view's
    /// root draws through its own camera.
    QNSCENE* MakeScene(std::function<void(QNRESOURCES&)> registration, std::uint32_t views = 4)
    {
        scene = new TESTSPACE(std::move(registration), views);
        for (std::uint32_t i = 0; i < views; ++i)
            scene->GetView(i)->Root->Camera = scene->GetView(i)->Camera;
        QNSCENE::EnterScene(scene);
        QNSCENE::Current = scene;
        return scene;
    }

    /// One frame at 60 Hz: the clock moves on, the scene and its views update, the worlds step.
    void Frame()
    {
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(kFrame * 1e6)));
        QNAPP::StepTime(float(kFrame));
        QNSCENE::UpdateScene(scene);
        QNSCENE::PostUpdateScene(scene);
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            Frame();
    }
    /// Moves the clock on without a frame (a stall).
    static void Stall(double seconds)
    {
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(seconds * 1e6)));
    }

    /// Draws the scene and reads the frame back.
    void Render()
    {
        QNDISPLAY::BeginScene();
        QNSCENE::RenderScene(scene);
        QNDISPLAY::EndScene();
        ASSERT_TRUE(QNDISPLAY::ReadBack(pixels, width, height));
    }
    /// Writes the last frame as a binary PPM to `path`, for a look; nothing without a path.
    void SavePicture(const char* path) const
    {
        std::FILE* f = path ? std::fopen(path, "wb") : nullptr;
        if (!f)
            return;
        std::fprintf(f, "P6 %u %u 255\n", width, height);
        for (std::uint32_t p : pixels) {
            const unsigned char rgb[3] = {std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p)};
            std::fwrite(rgb, 1, 3, f);
        }
        std::fclose(f);
    }
    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y) const { return pixels[std::size_t(y) * width + x] & 0xFFFFFF; }
    /// Share of the pixels of the rectangle that differ from `rgb` by more than `tol` in a channel.
    double ShareNot(std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1, std::uint32_t rgb,
                    int tol = 12) const
    {
        std::uint32_t differ = 0, all = 0;
        for (std::uint32_t y = y0; y < y1; ++y)
            for (std::uint32_t x = x0; x < x1; ++x, ++all) {
                const std::uint32_t p = Pixel(x, y);
                for (int s = 0; s < 24; s += 8)
                    if (std::abs(int((p >> s) & 0xFF) - int((rgb >> s) & 0xFF)) > tol) {
                        ++differ;
                        break;
                    }
            }
        return all ? double(differ) / all : 0.0;
    }

    /// The window's size; a fixture that wants another sets it before SetUp.
    std::uint32_t windowWidth = kWidth, windowHeight = kHeight;
    QNSCENE* scene = nullptr;
    std::vector<std::uint32_t> pixels;
    std::uint32_t width = 0, height = 0;
};

/// A key pressed (with Shift when asked) through `script` before one `step` and released before
/// the next.
template <class STEP>
void TapKey(PlatformScriptedEvents& script, SDL_Keycode key, bool shift, STEP step)
{
    if (shift)
        script.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT, script.Pass());
    script.KeyDown(key, shift ? KMOD_LSHIFT : KMOD_NONE, script.Pass());
    step();
    script.KeyUp(key, shift ? KMOD_LSHIFT : KMOD_NONE, script.Pass());
    if (shift)
        script.KeyUp(SDLK_LSHIFT, KMOD_NONE, script.Pass());
    step();
}

}  // namespace gametest
