#include "app_fixture.h"

namespace {
const char* kFrame =
    "ApplyRequest JoystickPoll KeyboardPoll MousePoll BindingsEvaluate Update Render PostUpdate "
    "SoundCommit Present";
}

TEST_F(AppTest, FrameRunsInItsOrder)
{
    QNAPP::StartUp();
    log.clear();
    EXPECT_TRUE(QNAPP::Frame());
    EXPECT_EQ(Joined(), kFrame);

    log.clear();
    QNAPP::ConsoleMetrics = reinterpret_cast<QNCONSOLEMETRICS*>(this);
    QNAPP::Frame();
    QNAPP::ConsoleMetrics = nullptr;
    EXPECT_EQ(Find("OverlayUpdate"), Find("BindingsEvaluate") + 1);
    EXPECT_EQ(Find("Update"), Find("OverlayUpdate") + 1);
}

TEST_F(AppTest, SwitchToNoSceneEndsTheLoopBeforeInputIsPolled)
{
    QNAPP::StartUp();
    hasCurrent = false;
    log.clear();
    EXPECT_FALSE(QNAPP::LoopPass());
    EXPECT_EQ(Joined(), "ApplyRequest");
}

TEST_F(AppTest, QuitEventEndsThePass)
{
    QNAPP::StartUp();
    script.Quit();
    log.clear();
    EXPECT_FALSE(QNAPP::LoopPass());
    EXPECT_EQ(Find("ApplyRequest"), -1);
}

TEST_F(AppTest, ClosingTheWindowPostsAQuit)
{
    QNAPP::StartUp();
    script.Window(SDL_WINDOWEVENT_CLOSE);
    EXPECT_FALSE(QNAPP::LoopPass());
    EXPECT_EQ(QNAPP::QuitPosted, 1);
}

TEST_F(AppTest, QuitTakenByALoopPassInsideTheFrameEndsTheOuterPass)
{
    QNAPP::StartUp();
    bool nestedResult = true;
    QNAPP::Scenes.Update = [&] {
        script.Quit();
        nestedResult = QNAPP::LoopPass();  // e.g. a loading screen keeping the window alive
    };
    EXPECT_FALSE(QNAPP::LoopPass());
    EXPECT_FALSE(nestedResult);
    EXPECT_FALSE(QNAPP::LoopPass());
}

TEST_F(AppTest, QuitWhileWaitingForTheButtonReleaseIsNotLost)
{
    QNAPP::StartUp();
    // Alt + left click releases the cursor: the pass waits for the button to come up.
    buttonEvent = 1;
    altDown = true;
    QNAPP::LeftButtonDown = 1;
    script.Quit();
    log.clear();
    EXPECT_FALSE(QNAPP::LoopPass());
    EXPECT_EQ(QNAPP::CursorReleased, 1);
    EXPECT_EQ(Find("ApplyRequest"), -1);
}

TEST_F(AppTest, AltClickReleasesTheCursorAndAClickCapturesItAgain)
{
    QNAPP::StartUp();
    buttonEvent = 1;
    altDown = true;
    QNAPP::LeftButtonDown = 1;
    script.MouseButton(false, SDL_BUTTON_LEFT, 5, 5);
    log.clear();
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(QNAPP::CursorReleased, 1);
    EXPECT_EQ(Joined().rfind("ShowCursor Release MouseClose MouseDrain", 0), 0u) << Joined();

    buttonEvent = 0;
    altDown = false;
    script.MouseButton(true, SDL_BUTTON_LEFT, 5, 5);
    QNAPP::LoopPass();  // the pump sees the press
    script.MouseButton(false, SDL_BUTTON_LEFT, 5, 5);
    log.clear();
    QNAPP::LoopPass();
    EXPECT_EQ(QNAPP::CursorReleased, 0);
    EXPECT_EQ(Joined().rfind("HideCursor MouseOpen Capture MouseDrain", 0), 0u) << Joined();
    EXPECT_EQ(QNAPP::LeftButtonDown, 0);
}

TEST_F(AppTest, MinimisedOrBackgroundWindowPumpsButRunsNoFrame)
{
    QNAPP::StartUp();
    minimised = true;
    log.clear();
    const std::uint64_t pumps = PlatformPumpCount();
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(PlatformPumpCount(), pumps + 1);
    EXPECT_EQ(Find("ApplyRequest"), -1);

    minimised = false;
    foreground = false;
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(Find("ApplyRequest"), -1);

    QNAPP::Settings.ExclusiveInput = 0;
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_GE(Find("ApplyRequest"), 0);
}

TEST_F(AppTest, DtIsZeroAfterASceneChangeAndAfterAStall)
{
    QNAPP::StartUp();
    QNAPP::Scenes.ApplyRequest = [] {};
    // Frames of 20 ms settle the clock.
    for (int i = 0; i < 4; ++i) {
        Advance(0.02);
        QNAPP::Frame();
    }
    Advance(0.02);
    QNAPP::Frame();
    EXPECT_NEAR(QNAPP::dt, 0.02f, 1e-4f);
    EXPECT_NEAR(QNAPP::Rate, 1.0f, 1e-3f);

    QNFRAMESTATS::SceneChanged = 1;  // as a switch, push or pop sets it
    Advance(0.02);
    QNAPP::Frame();
    EXPECT_EQ(QNAPP::dt, 0.0f);
    EXPECT_EQ(QNAPP::Rate, 0.0f);
    EXPECT_EQ(QNFRAMESTATS::SceneChanged, 0);  // the frame clock cleared it
    Advance(0.02);
    QNAPP::Frame();
    EXPECT_EQ(QNAPP::dt, 0.0f);  // the first frame after the change runs with dt = 0
    for (int i = 0; i < 3; ++i) {
        Advance(0.02);
        QNAPP::Frame();
    }
    EXPECT_GT(QNAPP::dt, 0.0f);

    Advance(0.6);  // a stall
    QNAPP::Frame();
    Advance(0.02);
    QNAPP::Frame();
    EXPECT_EQ(QNAPP::dt, 0.0f);
    EXPECT_EQ(QNAPP::Rate, 0.0f);
}

TEST_F(AppTest, StepTimeRule)
{
    QNAPP::StepTime(0.04f);
    EXPECT_FLOAT_EQ(QNAPP::dt, 0.04f);
    EXPECT_FLOAT_EQ(QNAPP::Rate, 0.5f);
    QNAPP::StepTime(0.0f);
    EXPECT_EQ(QNAPP::dt, 0.0f);
    EXPECT_EQ(QNAPP::Rate, 0.0f);
    QNAPP::StepTime(0.3f);
    EXPECT_EQ(QNAPP::dt, 0.0f);
}

TEST_F(AppTest, FrameClockSmoothsPairsAndNeverDividesByZero)
{
    QNFRAMESTATS::Reset();
    QNFRAMESTATS::Tick();  // zero time, zero smoothed time: no division
    EXPECT_EQ(QNFRAMESTATS::Fps, 0u);
    Advance(0.01);
    QNFRAMESTATS::Tick();
    EXPECT_EQ(QNFRAMESTATS::Fps, 0u);
    Advance(0.03);
    QNFRAMESTATS::Tick();
    EXPECT_NEAR(QNFRAMESTATS::SmoothedTime, 0.02f, 1e-6f);  // mean of 0.01 and 0.03
    EXPECT_EQ(QNFRAMESTATS::Fps, 50u);
    Advance(0.01);
    QNFRAMESTATS::Tick();
    EXPECT_NEAR(QNFRAMESTATS::SmoothedTime, 0.02f, 1e-6f);  // changes every second frame
    EXPECT_NEAR(QNFRAMESTATS::FrameTime, 0.02f, 1e-6f);
    Advance(0.05);
    QNFRAMESTATS::Tick();
    EXPECT_NEAR(QNFRAMESTATS::SmoothedTime, 0.03f, 1e-6f);
    EXPECT_EQ(QNFRAMESTATS::MaxFps, 50u);
    EXPECT_EQ(QNFRAMESTATS::MinFps, 33u);
}

TEST_F(AppTest, FrameCapWaitsOnTheCounterFromTheNextSecond)
{
    QNFRAMESTATS::Reset();
    QNAPP::FrameCap = 20;
    stepPerRead = 1000000;  // every counter read moves time by 1 ms
    for (int i = 0; i < 120 && QNFRAMESTATS::CapPeriod == 0.0f; ++i) {
        Advance(0.01);
        QNFRAMESTATS::Tick();
    }
    EXPECT_FLOAT_EQ(QNFRAMESTATS::CapPeriod, 0.05f);
    EXPECT_GT(QNFRAMESTATS::AverageFps, 0u);
    for (int i = 0; i < 4; ++i) {
        Advance(0.01);
        QNFRAMESTATS::Tick();
    }
    EXPECT_GE(QNFRAMESTATS::FrameTime, 0.05f);
    EXPECT_LT(QNFRAMESTATS::FrameTime, 0.06f);
}

TEST_F(AppTest, LostDeviceInAWindowWaitsThenReopensWindowed)
{
    QNAPP::StartUp();
    int presents = 0;
    QNAPP::Devices.Present = [&] {
        Log("Present");
        if (++presents == 1) {
            lost = true;
            foreground = false;  // another program took the screen
            throw QNDISPLAY_EXC(0x88760868u, "Unable to display graphics.");
        }
        lost = false;
    };
    // The device comes back when the user returns to the window.
    QNAPP::Devices.DisplayIsDeviceAvailable = [this] {
        Log("IsDeviceAvailable");
        foreground = --unavailableChecks < 0;
        return foreground;
    };
    unavailableChecks = 2;
    log.clear();
    EXPECT_TRUE(QNAPP::LoopPass());
    const int reopen = Find("ReleaseDevice");
    ASSERT_GE(reopen, 0);
    EXPECT_EQ(Count("Sleep"), 3);  // until the device answers available
    EXPECT_EQ(Joined(static_cast<std::size_t>(reopen)).rfind(
                  "ReleaseDevice PoolsRelease DisplayOpenWindowed SetPerspective RenderCachesSendAll "
                  "CursorToViewport LightsApply PoolsRebuild RestoreDevice",
                  0),
              0u)
        << Joined();
    EXPECT_EQ(Count("Present"), 2);  // the frame ran again after the reopening
    EXPECT_EQ(QNAPP::InPump, 1);
}

TEST_F(AppTest, LostDeviceInFullScreenReopensAtOnce)
{
    QNAPP::Settings.Device.FullScreen = 1;
    QNAPP::StartUp();
    int presents = 0;
    QNAPP::Devices.Present = [&] {
        if (++presents == 1) {
            lost = true;
            throw QNDISPLAY_EXC(0x88760869u, "Unable to display graphics.");
        }
        lost = false;
    };
    log.clear();
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(Count("Sleep"), 0);
    EXPECT_EQ(Count("DisplayOpenFullScreen"), 1);
    EXPECT_EQ(presents, 2);
}

TEST_F(AppTest, WindowedReopenFailureWaitsForTheForegroundThenGoesFullScreen)
{
    QNAPP::StartUp();
    int presents = 0;
    QNAPP::Devices.Present = [&] {
        if (++presents == 1) {
            lost = true;
            throw QNDISPLAY_EXC(0x88760868u, "Unable to display graphics.");
        }
    };
    QNAPP::Devices.DisplayOpenWindowed = [this] {
        Log("DisplayOpenWindowed");
        throw QNDISPLAY_EXC(0x88760868u, "Unable to reopen display.");
    };
    // The window is in the background until a focus event arrives.
    QNAPP::Devices.WindowIsForeground = [this] { return foreground || PlatformQuitPending(); };
    QNAPP::Devices.Sleep = [this](float) { foreground = true; };
    log.clear();
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_TRUE(fullScreen);
    EXPECT_EQ(presents, 2);
}

TEST_F(AppTest, QuitDuringTheLostDeviceWaitIsNotLost)
{
    QNAPP::StartUp();
    QNAPP::Devices.Present = [&] {
        lost = true;
        foreground = false;
        throw QNDISPLAY_EXC(0x88760868u, "Unable to display graphics.");
    };
    unavailableChecks = 1000;
    QNAPP::Devices.Sleep = [this](float) { script.Quit(); };
    EXPECT_FALSE(QNAPP::LoopPass());
    EXPECT_FALSE(QNAPP::LoopPass());
}

TEST_F(AppTest, OtherDisplayErrorsLeaveThePass)
{
    QNAPP::StartUp();
    QNAPP::Devices.Present = [] { throw QNDISPLAY_EXC(0x8876086Cu, "Unable to display graphics."); };
    lost = false;
    EXPECT_THROW(QNAPP::LoopPass(), QNDISPLAY_EXC);
}

TEST_F(AppTest, FrameCapWaitEndsOnAFrozenCounter)
{
    QNFRAMESTATS::Reset();
    QNFRAMESTATS::CapPeriod = 0.05f;
    stepPerRead = 0;
    Advance(0.01);
    QNFRAMESTATS::Tick();
    Advance(0.01);
    QNFRAMESTATS::Tick();  // smoothed 0.01 < cap: waits, but the clock never moves
    EXPECT_NEAR(QNFRAMESTATS::FrameTime, 0.01f, 1e-6f);
}

TEST_F(AppTest, FullScreenTakesTheCursorBackAndNoFocusLogicWithoutExclusiveInput)
{
    QNAPP::Settings.Device.FullScreen = 1;
    QNAPP::StartUp();
    QNAPP::CursorReleased = 1;  // released in a window, then switched to full screen
    log.clear();
    QNAPP::UpdateFocus();
    EXPECT_EQ(Joined(), "MouseClose MouseOpen HideCursor Capture");
    EXPECT_EQ(QNAPP::CursorReleased, 0);
    QNAPP::AbortRun();

    QNAPP::Settings.Device.FullScreen = 0;
    QNAPP::Settings.ExclusiveInput = 0;
    QNAPP::StartUp();
    buttonEvent = 1;
    altDown = true;
    QNAPP::LeftButtonDown = 1;
    log.clear();
    QNAPP::UpdateFocus();
    EXPECT_EQ(Joined(), "");
    EXPECT_EQ(QNAPP::CursorReleased, 0);
    EXPECT_EQ(QNAPP::LeftButtonDown, 1);
}
