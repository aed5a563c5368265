// The engine started as the program starts it, driven by scripted events: the pointer reaches
// picking and the cursor node, the camera carries the sound listener.

#include <cmath>

#include <gtest/gtest.h>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/physics/qnpick.h"
#include "engine/scene/cursor.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "engine/sound/qnsound.h"
#include "platform/audio_device.h"
#include "platform/events.h"
#include "platform/test_events.h"

namespace {

QNCURSOR* g_cursor = nullptr;
GAMENODE* g_camera = nullptr;
QNSCENE* g_scene = nullptr;

QNMATRIX CameraPlacement()
{
    QNMATRIX turn;
    turn.SetRotationY(0.5f);
    QNMATRIX at;
    at.SetTranslation(10.0f, 2.0f, -30.0f);
    return turn * at;
}

void MakeScene(QNAPPSETTINGS& settings)
{
    settings.ExclusiveInput = 0;
    QNAPP::CopyDeviceSettings();
    g_scene = new QNSCENE(&QNSCENE::SceneRoot(), "IO", 1);
    QNVIEW* view = g_scene->GetView(0);
    const QNMATRIX placement = CameraPlacement();
    g_camera = new GAMENODE(view->Root, "EYE", 0, QNCF_LEVEL_GAME, 0, 0, &placement, 0);
    view->CurrentNode = g_camera;
    g_cursor = new QNCURSOR(view->Root, "CURSOR", QNCF_LEVEL_GAME | QNCF_SCREEN, QNVEC3(4, -4, 0));
    g_cursor->SetState(3, 0, false, true);
}

class EngineIoTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QNAPP::ResetState();
        QNAPP::InstallDefaultHooks();
        QNAPP::Devices.Sleep = [](float) {};
        script.Install();
        MakeScene(QNAPP::Settings);
        QNAPP::StartUp();
    }
    void TearDown() override
    {
        script.Uninstall();
        QNAPP::AbortRun();
        QNAPP::Cleanup();
        QNAPP::InstallDefaultHooks();
        QNAPP::ResetState();
        PlatformClearQuit();
        g_cursor = nullptr;
        g_camera = nullptr;
        g_scene = nullptr;
    }

    PlatformScriptedEvents script;
};

TEST_F(EngineIoTest, ScriptedPointerReachesPickingAndTheCursorNode)
{
    ASSERT_TRUE(QNAPP::LoopPass());
    // Screen pixel (320, 120) of the 640 x 480 display: x -0.5 rounds away from zero.
    script.MouseMotion(320, 120, 5, -3, script.Pass());
    ASSERT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(QNPICK::CursorPosition(), QNVEC3(-1, 250, 0));
    EXPECT_EQ(QNCURSOR::Position(), QNVEC3(-1, 250, 0));
    EXPECT_EQ(NodeWorldMatrix(g_cursor).Translation(), QNVEC3(-5, 254, 0));  // minus the hot spot

    // A press at the far corner moves the pointer there and is seen by the cursor node.
    script.Advance();
    script.MouseButton(true, SDL_BUTTON_LEFT, 639, 479, script.Pass());
    ASSERT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(QNPICK::CursorPosition(), QNVEC3(664, -498, 0));
    EXPECT_EQ(g_cursor->Button, 1u);
    EXPECT_EQ(g_cursor->Changed, 1);
}

TEST_F(EngineIoTest, CameraOfTheCurrentViewPlacesTheListenerEveryFrame)
{
    g_scene->RollOff = 5.0f;
    ASSERT_TRUE(QNAPP::LoopPass());
    const QNMATRIX m = CameraPlacement();
    const PlatformAudioListener& l = PlatformAudio::Listener();
    for (int i = 0; i < 3; ++i) {
        EXPECT_FLOAT_EQ(l.position[i], m.m[12 + i]) << i;
        EXPECT_FLOAT_EQ(l.front[i], m.m[8 + i]) << i;
        EXPECT_FLOAT_EQ(l.top[i], m.m[4 + i]) << i;
    }
    EXPECT_FLOAT_EQ(l.rolloffFactor, 5.0f);

    // The camera moves: the next frame takes the listener with it.
    QNMATRIX moved;
    moved.SetTranslation(-4.0f, 0.0f, 7.0f);
    NodeSetTransform(g_camera, moved);
    ASSERT_TRUE(QNAPP::LoopPass());
    EXPECT_FLOAT_EQ(PlatformAudio::Listener().position[0], -4.0f);
    EXPECT_FLOAT_EQ(PlatformAudio::Listener().position[2], 7.0f);
    EXPECT_FLOAT_EQ(PlatformAudio::Listener().front[2], 1.0f);
}

}  // namespace
