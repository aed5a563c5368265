// The loop over the engine's own devices: a real scene on the headless display.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/physics/qnpick.h"
#include "engine/physics/wire_box.h"
#include "engine/render/qnviewport.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/view.h"
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

namespace {

// Every entry of a table of plain function pointers (and the renderer pointer) is set.
template <class TABLE>
int NullEntries(const TABLE& table)
{
    static_assert(sizeof(TABLE) % sizeof(void*) == 0, "a table holds pointers only");
    void* entries[sizeof(TABLE) / sizeof(void*)];
    std::memcpy(entries, &table, sizeof table);
    int nulls = 0;
    for (void* e : entries)
        nulls += e == nullptr;
    return nulls;
}

}  // namespace

// The program's start-up leaves no entry empty, and the behaviour behind them is the real one:
// wire boxes follow their node, a fixed node's light is placed once, a moving node's follows.
TEST_F(EngineRunTest, ProgramStartUpInstallsEveryHookWithItsBehaviour)
{
    MakeScenes(QNAPP::Settings);
    QNAPP::StartUp();
    ASSERT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(NullEntries(QNHOOKS::Node), 0);
    EXPECT_EQ(NullEntries(QNHOOKS::Scene), 0);
    EXPECT_EQ(NullEntries(QNHOOKS::Slots), 0);
    const QNAPPDEVICES& d = QNAPP::Devices;
    // The system layer holds nothing to close on this platform: SystemShutdown may stay empty.
    for (bool set : {bool(d.TempFolderCreate), bool(d.SystemInit), bool(d.GraphicsCreate), bool(d.MusicOpen),
                     bool(d.InputOpen), bool(d.PhysicsOpen), bool(d.TexturesReset), bool(d.KeyboardOpen),
                     bool(d.JoystickOpen), bool(d.MouseOpen), bool(d.BindingsCreate), bool(d.ArchiveOpen),
                     bool(d.GameTimerRestart), bool(d.DisplayOpenFullScreen), bool(d.DisplayOpenWindowed),
                     bool(d.SetPerspective), bool(d.RenderCachesSendAll), bool(d.CursorToViewport),
                     bool(d.SeedRandom), bool(d.JoystickPoll), bool(d.KeyboardPoll), bool(d.MousePoll),
                     bool(d.BindingsEvaluate), bool(d.SoundCommit), bool(d.Present), bool(d.DisplayIsFullScreen),
                     bool(d.DisplayWasLost), bool(d.DisplayIsDeviceAvailable), bool(d.PoolsRelease),
                     bool(d.PoolsRebuild), bool(d.LightsApply), bool(d.SetGamma), bool(d.MouseButtonEvent),
                     bool(d.KeyboardIsComboDown), bool(d.MouseDrain), bool(d.MouseSetArrow), bool(d.ShowCursor),
                     bool(d.CaptureCursor), bool(d.WindowIsMinimised), bool(d.WindowIsForeground), bool(d.Sleep),
                     bool(d.SceneDefaults), bool(d.MaterialGroupMask), bool(d.LightsAndPoolsDelete),
                     bool(d.BindingsFree), bool(d.JoystickClose), bool(d.MouseClose), bool(d.KeyboardClose),
                     bool(d.DisplayClose), bool(d.PhysicsClose), bool(d.InputClose), bool(d.MusicClose),
                     bool(d.GraphicsRelease), bool(d.ArchiveClose), bool(d.TempFolderDelete)})
        EXPECT_TRUE(set);

    QNVIEW* view = QNSCENE::Current->GetView(0);
    GAMENODE* root = view->Root;
    EXPECT_FALSE(NodeCanMove(root));
    auto* lamp = new GAMENODE(root, "LAMP", 0, QNCF_LEVEL_PLAIN, 0, 0, nullptr, 0);
    auto* ship = new GAMENODE(root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, nullptr, 0);
    auto* shipLamp = new GAMENODE(ship, "SHIPLAMP", 0, QNCF_LEVEL_PLAIN, 0, 1, nullptr, 0);
    for (GAMENODE* n : {lamp, shipLamp}) {
        n->AttachLight(false);
        n->SetState(3, 0, false, false);
    }
    EXPECT_FALSE(lamp->IsOnUpdateList()) << "a fixed light is placed once";
    EXPECT_TRUE(shipLamp->IsOnUpdateList()) << "a light on a moving body follows it";

    auto* boxed = new GAMENODE(root, "BOXED", 0, QNCF_LEVEL_PLAIN, QNUF_WIREBOX, 0, nullptr, 0);
    ASSERT_NE(boxed->WireBox, nullptr);
    QNRENDERITEM* item = boxed->WireBox->Item;
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->Parent(), &view->Camera->MainList);
    EXPECT_EQ(item->Mesh->PrimitiveCount(), 12u);
    boxed->Bounds = new QNNODEBOUNDS;
    boxed->Bounds->LocalBox = QNBOX(QNVEC3(-1, -2, -3), QNVEC3(1, 2, 3));
    QNMATRIX place;
    place.SetTranslation(10, 0, 0);
    boxed->SetTransform(place);
    boxed->SetState(3, 0, false, false);
    ASSERT_TRUE(QNAPP::LoopPass());
    const QNVERTEXARRAY v = item->Mesh->Vertices();
    EXPECT_EQ(v.GetPosition(0), QNVEC3(-1, -2, -3));
    EXPECT_EQ(v.GetPosition(7), QNVEC3(1, 2, 3));
    EXPECT_EQ(item->World.Translation(), QNVEC3(10, 0, 0));
    EXPECT_EQ(item->Visible, 1);
    QNITEM::Destroy(boxed);
    EXPECT_EQ(view->Camera->MainList.FindChild("wirebox"), nullptr);
    ASSERT_TRUE(QNAPP::LoopPass());
    QNAPP::Shutdown();
}
