#include <stdexcept>
#include <string>

#include "app_fixture.h"

namespace {

const char* kStartUp =
    "TempFolderCreate SystemInit GraphicsCreate MusicOpen InputOpen PhysicsOpen TexturesReset "
    "KeyboardOpen JoystickOpen MouseOpen BindingsCreate ArchiveOpen GameTimerRestart "
    "DisplayOpenWindowed SetPerspective RenderCachesSendAll CursorToViewport RequestFirst SeedRandom "
    "Capture";

const char* kShutdown =
    "ShowCursor PopAll LightsAndPoolsDelete BindingsFree JoystickClose MouseClose KeyboardClose "
    "DisplayClose PhysicsClose InputClose MusicClose GraphicsRelease ArchiveClose SystemShutdown "
    "TempFolderDelete";

}  // namespace

TEST_F(AppTest, StartUpAndShutdownRunInTheirOrderAndShutdownOnlyOnce)
{
    QNAPP::StartUp();
    EXPECT_EQ(Joined(), kStartUp);
    ASSERT_NE(PlatformWindowHandle(), nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(PlatformWindowHandle()) & SDL_WINDOW_OPENGL);
    EXPECT_EQ(QNAPP::InactivePause, 1);

    log.clear();
    QNAPP::Shutdown();
    EXPECT_EQ(Joined(), kShutdown);
    log.clear();
    QNAPP::Shutdown();
    EXPECT_EQ(Joined(), "ShowCursor PopAll LightsAndPoolsDelete");  // no device is closed twice
}

TEST_F(AppTest, FullScreenSettingOpensFullScreenAndAFailedWindowedOpenFallsBack)
{
    QNAPP::Settings.Device.FullScreen = 1;
    QNAPP::StartUp();
    EXPECT_EQ(Find("DisplayOpenWindowed"), -1);
    EXPECT_GE(Find("DisplayOpenFullScreen"), 0);
    QNAPP::AbortRun();

    log.clear();
    QNAPP::Settings.Device.FullScreen = 0;
    QNAPP::Devices.DisplayOpenWindowed = [this] {
        Log("DisplayOpenWindowed");
        throw QNDISPLAY_EXC(0, "Unable to open display.");
    };
    QNAPP::StartUp();
    EXPECT_EQ(Find("DisplayOpenFullScreen"), Find("DisplayOpenWindowed") + 1);
    EXPECT_TRUE(fullScreen);
}

TEST_F(AppTest, CopyDeviceSettingsHandsOnProjectionAndRenderOptions)
{
    float fov = 0, nearPlane = 0, farPlane = 0;
    std::uint32_t mask = 0;
    QNAPP::Devices.SceneDefaults = [&](float f, float n, float r) { fov = f; nearPlane = n; farPlane = r; };
    QNAPP::Devices.MaterialGroupMask = [&](std::uint32_t m) { mask = m; };
    QNAPP::CopyDeviceSettings();
    EXPECT_FLOAT_EQ(fov, 1.0471976f);
    EXPECT_FLOAT_EQ(nearPlane, 0.2f);
    EXPECT_FLOAT_EQ(farPlane, 1000.0f);
    EXPECT_EQ(mask, 271u);
}

TEST_F(AppTest, ShutdownGoesOnPastAFailingStepAndReportsIt)
{
    QNAPP::StartUp();
    QNAPP::Devices.MouseClose = [this] {
        Log("MouseClose");
        throw QNMOUSE_EXC(1, "mouse would not close");
    };
    log.clear();
    EXPECT_THROW(QNAPP::Shutdown(), QNMOUSE_EXC);
    EXPECT_EQ(Joined(), kShutdown);
    log.clear();
    EXPECT_NO_THROW(QNAPP::Shutdown());
    EXPECT_EQ(Count("MouseClose"), 0);
}

namespace {
void NoSetup(QNAPPSETTINGS&) {}
void SwitchToNothing(QNAPPSETTINGS&) {}
}  // namespace

TEST_F(AppTest, AFailureDuringStartUpClosesWhatWasOpenedThenShowsTheError)
{
    QNAPP::Devices.PhysicsOpen = [this](std::uint32_t, std::uint32_t) {
        Log("PhysicsOpen");
        throw QNEXCEPTION(5, "Physics world failed with %d.", 2500);
    };
    ::testing::internal::CaptureStderr();
    const int status = QNAPP::Main(&NoSetup, "");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(status, 0);
    EXPECT_NE(err.find("E R R O R: Physics world failed with 2500."), std::string::npos) << err;
    EXPECT_EQ(Joined(),
              "Init TempFolderCreate SystemInit GraphicsCreate MusicOpen InputOpen PhysicsOpen "
              "ShowCursor PopAll LightsAndPoolsDelete InputClose MusicClose GraphicsRelease "
              "SystemShutdown TempFolderDelete Release PopAll DeleteAll");
    EXPECT_EQ(PlatformWindowHandle(), nullptr);
}

TEST_F(AppTest, ErrorTextIsKeptWhenCleanupFailsAgain)
{
    QNAPP::Scenes.Update = [] { throw QNNODE_EXC(0, "Node '%s' not found.", "SPACE"); };
    QNAPP::Scenes.DeleteAll = [] { throw QNNODE_EXC(0, "a later failure"); };
    ::testing::internal::CaptureStderr();
    const int status = QNAPP::Main(&NoSetup, "");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(status, 0);
    EXPECT_NE(err.find("E R R O R: Node 'SPACE' not found."), std::string::npos) << err;
    EXPECT_EQ(err.find("a later failure"), std::string::npos);
    EXPECT_EQ(Count("TempFolderDelete"), 1);
}

TEST_F(AppTest, OtherExceptionsAlsoEndWithANonZeroStatus)
{
    QNAPP::Scenes.Render = [] { throw std::runtime_error("bad state"); };
    ::testing::internal::CaptureStderr();
    EXPECT_NE(QNAPP::Main(&NoSetup, ""), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("E R R O R: bad state"), std::string::npos);
}

TEST_F(AppTest, ACleanRunEndsWithStatusZero)
{
    int frames = 0;
    QNAPP::Scenes.Update = [&] {
        if (++frames == 3)
            hasCurrent = false;  // a switch to no scene, seen at the next frame
    };
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(QNAPP::Main(&SwitchToNothing, ""), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(Count("TempFolderDelete"), 1);
    EXPECT_EQ(Count("DeleteAll"), 1);
}
