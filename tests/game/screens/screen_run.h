#pragma once
// Whole runs of the program's screens through the engine's loop on the headless display: a
// virtual clock, scripted keys and pointer through the platform's event source (the cursor reads
// the input layer's pointer, mapped to the screen frame), and a record of the current scene at
// every frame. "SPACE" is a stand-in game scene that counts its entries and pushes the menu on
// Escape.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/input/qninput.h"
#include "engine/physics/sprite_node.h"
#include "engine/render/qndisplay.h"
#include "engine/scene/cursor.h"
#include "engine/scene/scene.h"
#include "engine/util/qnmath.h"
#include "game/screens/logo.h"
#include "game/screens/main_menu.h"
#include "platform/events.h"
#include "platform/system.h"
#include "platform/test_events.h"
#include "platform/window.h"

namespace screenrun {

struct SpaceCounts {
    int enter = 0;
    int leave = 0;
    int escapes = 0;  // Escape keys the game saw (each pushes the menu)
};

inline SpaceCounts g_space;

class TESTSPACE : public QNSCENE {
public:
    TESTSPACE() : QNSCENE(&QNSCENE::SceneRoot(), "SPACE", 1) {}
    void Enter() override
    {
        ++g_space.enter;
        QNAPP::Cursor.Reset();
    }
    void Leave() override { ++g_space.leave; }
    void Update() override
    {
        if ((QNKEYBOARD::KeyEvent() & 0xFF) == 0x01) {
            ++g_space.escapes;
            QNSCENE::RequestPush("MAINMENU");
        }
    }
};

// The virtual clock: seconds, moved on by every read while `stepPerRead` is set.
inline double g_now = 0.0;
inline double g_stepPerRead = 0.0;
inline std::int64_t ReadClock(void*)
{
    const double t = g_now;
    g_now += g_stepPerRead;
    return std::llround(t * double(PlatformPerformanceFrequency()));
}

class ScreenRun : public ::testing::Test {
public:
    static inline ScreenRun* active = nullptr;

protected:
    void SetUp() override
    {
        active = this;
        g_space = SpaceCounts{};
        g_now = 1.0;
        g_stepPerRead = 0.0;
        PlatformSetCounter(&ReadClock, nullptr);
        QNAPP::ResetState();
        QNAPP::InstallDefaultHooks();
        QNAPP::Devices.Sleep = [](float) {};
        QNAPP::Devices.SeedRandom = [](std::uint32_t) { SeedRandom(kSeed); };
        original = QNAPP::Devices.Present;
        QNAPP::Devices.Present = [] { active->Present(); };
        script.Install();
    }
    void TearDown() override
    {
        script.Uninstall();
        QNAPP::AbortRun();
        QNAPP::Cleanup();
        QNAPP::InstallDefaultHooks();
        QNAPP::ResetState();
        QNAPP::Focus.Reset();
        QNAPP::Cursor.Reset();
        PlatformClearQuit();
        PlatformSetCounter(nullptr, nullptr);
        active = nullptr;
    }

    // The program's screens: the logo first, then the menu and the stand-in game.
    static void Setup(QNAPPSETTINGS& settings)
    {
        settings.ExclusiveInput = 0;
        settings.Device.FullScreen = 0;
#ifdef CORVANE_MEDIA_ARCHIVE
        settings.Device.ArchiveName = CORVANE_MEDIA_ARCHIVE;
#endif
        QNAPP::CopyDeviceSettings();
        new LOGO(&QNSCENE::SceneRoot());
        new MAINMENU(&QNSCENE::SceneRoot());
        new TESTSPACE();
    }

    /// Runs at most `frames` frames; the run's exit status.
    int Run(long frames)
    {
        maxFrames = frames;
        return QNAPP::Main(&ScreenRun::Setup, "");
    }

    // Frame f (from 1) takes the events scripted for pass f - 1.
    void Key(SDL_Keycode key, long frame)
    {
        script.KeyDown(key, KMOD_NONE, std::uint64_t(frame - 1));
        script.KeyUp(key, KMOD_NONE, std::uint64_t(frame));
    }
    // Pixel of a point of the screen frame on the 640 x 480 client area.
    static void ToPixel(float x, float y, int* px, int* py)
    {
        *px = int(std::lround((x + 667.0f) * 640.0f / 1333.0f));
        *py = int(std::lround((500.0f - y) * 480.0f / 1000.0f));
    }
    // Moves the pointer onto (x, y) in `frame`, presses the left button two frames later and
    // releases it two frames after that.
    void Click(float x, float y, long frame)
    {
        int px = 0, py = 0;
        ToPixel(x, y, &px, &py);
        script.MouseMotion(px, py, 0, 0, std::uint64_t(frame - 1));
        script.MouseButton(true, SDL_BUTTON_LEFT, px, py, std::uint64_t(frame + 1));
        script.MouseButton(false, SDL_BUTTON_LEFT, px, py, std::uint64_t(frame + 3));
    }

    /// The scene current at the end of frame f (1-based), "" for none.
    std::string SceneAt(long f) const
    {
        return f >= 1 && std::size_t(f) <= scenes.size() ? scenes[std::size_t(f - 1)] : std::string("?");
    }
    /// First frame at which `name` is current, or 0.
    long FirstFrameOf(const std::string& name, long from = 1) const
    {
        for (long f = from; std::size_t(f) <= scenes.size(); ++f)
            if (scenes[std::size_t(f - 1)] == name)
                return f;
        return 0;
    }

    void Present()
    {
        ++frame;
        if (timeAt)
            g_now = std::max(g_now, timeAt(frame));
        else
            g_now += kFrameSeconds;
        scenes.push_back(QNSCENE::Current ? QNSCENE::Current->Name().Text() : "");
        if (onFrame)
            onFrame(frame);
        if (original)
            original();
        script.Advance();
        if (frame >= maxFrames)
            PlatformPostQuit();
    }

    static constexpr double kFrameSeconds = 1.0 / 60.0;
    static constexpr std::uint32_t kSeed = 4242;

    PlatformScriptedEvents script{false};
    std::function<void()> original;
    std::function<double(long)> timeAt;   // clock at the end of each frame (seconds)
    std::function<void(long)> onFrame;    // runs before the frame is presented
    std::vector<std::string> scenes;
    long frame = 0;
    long maxFrames = 0;
};

}  // namespace screenrun
