// The loop over the engine's own devices: a real scene on the headless display.

#include <string>

#include <gtest/gtest.h>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/physics/qnpick.h"
#include "engine/render/qndisplay.h"
#include "engine/scene/scene.h"
#include "platform/events.h"
#include "platform/test_events.h"

namespace {

struct Counts {
    int enter = 0;
    int update = 0;
    int leave = 0;
    int quitAt = 0;  // frame at which the scene asks for no scene
    std::string error;  // thrown from Update at quitAt when set
};

Counts g_counts;

class COUNTINGSCENE : public QNSCENE {
public:
    explicit COUNTINGSCENE(const char* name) : QNSCENE(&QNSCENE::SceneRoot(), name, 1) {}
    void Enter() override { ++g_counts.enter; }
    void Leave() override { ++g_counts.leave; }
    void Update() override
    {
        if (++g_counts.update == g_counts.quitAt) {
            if (!g_counts.error.empty())
                throw QNNODE_EXC(0, "%s", g_counts.error.c_str());
            QNSCENE::RequestQuit();
        }
    }
};

void MakeScenes(QNAPPSETTINGS& settings)
{
    settings.ExclusiveInput = 0;
    QNAPP::CopyDeviceSettings();
    new COUNTINGSCENE("FIRST");
}

class EngineRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_counts = Counts{};
        QNAPP::ResetState();
        QNAPP::InstallDefaultHooks();
        QNAPP::Devices.Sleep = [](float) {};
    }
    void TearDown() override
    {
        QNAPP::AbortRun();
        QNAPP::Cleanup();
        QNAPP::InstallDefaultHooks();
        QNAPP::ResetState();
        PlatformClearQuit();
    }
};

}  // namespace

TEST_F(EngineRunTest, SceneRunsUntilItAsksForNoSceneAndIsLeftOnce)
{
    g_counts.quitAt = 5;
    EXPECT_EQ(QNAPP::Main(&MakeScenes, ""), 0);
    EXPECT_EQ(g_counts.enter, 1);
    EXPECT_EQ(g_counts.update, 5);
    EXPECT_EQ(g_counts.leave, 1);
    EXPECT_EQ(QNSCENE::SceneRoot().FirstChild(), nullptr);  // the scenes were deleted
    EXPECT_EQ(QNDISPLAY::Device, nullptr);
    // The display opened at the default 640 x 480: picking's screen centre is its middle.
    EXPECT_EQ(QNPICK::Centre.x, 320.0f);
    EXPECT_EQ(QNPICK::Centre.y, 240.0f);
}

TEST_F(EngineRunTest, EngineErrorInAFrameLeavesTheSceneAndExitsNonZero)
{
    g_counts.quitAt = 2;
    g_counts.error = "Node 'GHOST' not found.";
    ::testing::internal::CaptureStderr();
    EXPECT_NE(QNAPP::Main(&MakeScenes, ""), 0);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("E R R O R: Node 'GHOST' not found."), std::string::npos);
    EXPECT_EQ(g_counts.leave, 1);
    EXPECT_EQ(QNDISPLAY::Device, nullptr);
}

TEST_F(EngineRunTest, LostDeviceIsReopenedWindowedAndInFullScreen)
{
    MakeScenes(QNAPP::Settings);
    QNAPP::StartUp();
    ASSERT_TRUE(QNAPP::LoopPass());
    ASSERT_NE(QNDISPLAY::Device, nullptr);
    EXPECT_FALSE(QNDISPLAY::FullScreen);

    QNDISPLAY::ForceLost(1);  // lost for one availability check, then it needs a reset
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_FALSE(QNDISPLAY::FullScreen);
    const int updates = g_counts.update;
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(g_counts.update, updates + 1);
    EXPECT_FALSE(QNDISPLAY::WasLost());

    QNAPP::ToggleFullScreen();
    EXPECT_TRUE(QNDISPLAY::FullScreen);
    QNDISPLAY::ForceLost(0);  // needs a reset at once
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_TRUE(QNDISPLAY::FullScreen);
    EXPECT_FALSE(QNDISPLAY::WasLost());
    EXPECT_EQ(g_counts.leave, 0);

    QNAPP::Shutdown();
    EXPECT_EQ(g_counts.leave, 1);
}

TEST_F(EngineRunTest, ShiftF9WithoutTheOverlayFontDoesNothing)
{
    MakeScenes(QNAPP::Settings);
    QNAPP::Settings.DeveloperKeys = 1;
    QNAPP::StartUp();
    ASSERT_TRUE(QNAPP::LoopPass());
    PlatformScriptedEvents script;
    script.Install();
    script.KeyDown(SDLK_F9, KMOD_LSHIFT);
    script.KeyUp(SDLK_F9, KMOD_LSHIFT);
    EXPECT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(QNAPP::ConsoleMetrics, nullptr);
    EXPECT_TRUE(QNAPP::LoopPass());
}
