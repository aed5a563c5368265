#include "app_fixture.h"

namespace {
void ShiftKey(PlatformScriptedEvents& s, SDL_Keycode key)
{
    s.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);
    s.KeyPress(key, KMOD_LSHIFT);
    s.KeyUp(SDLK_LSHIFT, KMOD_NONE);
}
}  // namespace

TEST_F(AppTest, ShiftF6CyclesTheFrameCapOnlyWithTheDeveloperFlag)
{
    QNAPP::StartUp();
    const std::uint32_t expected[] = {60, 30, 20, 0};
    for (std::uint32_t cap : expected) {
        ShiftKey(script, SDLK_F6);
        PlatformPumpMessages();
        EXPECT_EQ(QNAPP::FrameCap, cap);
    }
    QNAPP::FrameCap = 45;  // a value outside the cycle stays
    ShiftKey(script, SDLK_F6);
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::FrameCap, 45u);

    QNAPP::FrameCap = 0;
    QNAPP::Settings.DeveloperKeys = 0;
    ShiftKey(script, SDLK_F6);
    ShiftKey(script, SDLK_F5);
    ShiftKey(script, SDLK_F9);
    script.KeyPress(SDLK_F6);  // without Shift
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::FrameCap, 0u);
    EXPECT_EQ(QNAPP::TintOn, 0);
    EXPECT_EQ(overlays, 0);
}

TEST_F(AppTest, ShiftIsReadFromTheKeyAndClearedOnFocusLoss)
{
    QNAPP::StartUp();
    script.KeyPress(SDLK_F6, KMOD_RSHIFT);  // no Shift key-down seen, but the key says Shift
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::FrameCap, 60u);

    script.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);
    script.Window(SDL_WINDOWEVENT_FOCUS_LOST);  // the key-up happens in another window
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::ShiftDown, 0);
    script.KeyPress(SDLK_F6, KMOD_NONE);
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::FrameCap, 60u);
}

TEST_F(AppTest, ShiftF5TogglesWireframeWithTheBlueBackground)
{
    QNAPP::StartUp();
    ShiftKey(script, SDLK_F5);
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::TintOn, 1);
    EXPECT_EQ(Count("TintOn"), 1);
    EXPECT_FLOAT_EQ(background[0], 0.0f);
    EXPECT_FLOAT_EQ(background[1], 0.0f);
    EXPECT_FLOAT_EQ(background[2], 0.7f);
    ShiftKey(script, SDLK_F5);
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::TintOn, 0);
    EXPECT_FLOAT_EQ(background[0], 0.1f);
    EXPECT_FLOAT_EQ(background[1], 0.2f);
    EXPECT_FLOAT_EQ(background[2], 0.3f);

    hasCurrent = false;
    ShiftKey(script, SDLK_F5);
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::TintOn, 0);
}

TEST_F(AppTest, GammaStepsHoldTheRangeInFullScreenOnly)
{
    QNAPP::StartUp();
    ShiftKey(script, SDLK_F8);
    PlatformPumpMessages();
    EXPECT_EQ(QNAPP::Gamma, 0.0f);  // windowed: nothing
    EXPECT_EQ(Count("SetGamma"), 0);

    fullScreen = true;
    QNAPP::Settings.DeveloperKeys = 0;  // gamma does not need the developer flag
    for (int i = 0; i < 8; ++i) {
        ShiftKey(script, SDLK_F8);
        PlatformPumpMessages();
    }
    EXPECT_NEAR(QNAPP::Gamma, 0.8f, 1e-5f);
    EXPECT_EQ(Count("SetGamma"), 8);
    ShiftKey(script, SDLK_F8);
    PlatformPumpMessages();
    EXPECT_EQ(Count("SetGamma"), 8);
    EXPECT_LE(QNAPP::Gamma, 0.8f);

    for (int i = 0; i < 17; ++i) {
        ShiftKey(script, SDLK_F7);
        PlatformPumpMessages();
    }
    EXPECT_NEAR(QNAPP::Gamma, -0.8f, 1e-5f);
    EXPECT_GE(QNAPP::Gamma, -0.8f);
    EXPECT_EQ(Count("SetGamma"), 24);
    EXPECT_FLOAT_EQ(gammaSet, QNAPP::Gamma);
}

TEST_F(AppTest, ShiftF9TogglesTheOverlayOnlyWhenItsFontExists)
{
    QNAPP::StartUp();
    fontAvailable = false;
    ShiftKey(script, SDLK_F9);
    PlatformPumpMessages();
    EXPECT_EQ(overlays, 0);
    EXPECT_EQ(QNAPP::ConsoleMetrics, nullptr);

    fontAvailable = true;
    ShiftKey(script, SDLK_F9);
    PlatformPumpMessages();
    EXPECT_EQ(overlays, 1);
    EXPECT_NE(QNAPP::ConsoleMetrics, nullptr);
    ShiftKey(script, SDLK_F9);
    PlatformPumpMessages();
    EXPECT_EQ(overlays, 0);
    EXPECT_EQ(QNAPP::ConsoleMetrics, nullptr);
}

TEST_F(AppTest, AltEnterTogglesFullScreenAndBack)
{
    QNAPP::Settings.AcceleratorCommand = 40001;
    QNAPP::StartUp();
    log.clear();
    script.KeyPress(SDLK_RETURN, KMOD_LALT);
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_TRUE(fullScreen);
    EXPECT_EQ(Find("DisplayOpenFullScreen"), Find("PoolsRelease") + 1);
    EXPECT_EQ(QNAPP::InPump, 1);

    script.KeyPress(SDLK_RETURN, KMOD_LALT);
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_FALSE(fullScreen);
    int w = 0, h = 0;
    PlatformWindowClientSize(&w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);

    // Outside the pump (InPump clear) the command is ignored.
    QNAPP::InPump = 0;
    QNAPP::WindowProc(PM_COMMAND, (std::uintptr_t{1} << 16) | 40001u, 0);
    EXPECT_FALSE(fullScreen);
}

TEST_F(AppTest, RepaintRendersOnlyInsideThePumpInAWindow)
{
    QNAPP::StartUp();
    log.clear();
    QNAPP::InPump = 0;
    EXPECT_EQ(QNAPP::WindowProc(PM_ERASEBKGND, 0, 0), 0);
    QNAPP::InPump = 1;
    EXPECT_EQ(QNAPP::WindowProc(PM_ERASEBKGND, 0, 0), 1);
    EXPECT_EQ(Joined(), "Update Render Present");
    fullScreen = true;
    EXPECT_EQ(QNAPP::WindowProc(PM_ERASEBKGND, 0, 0), 0);
}
