// The engine started as the program starts it, driven by scripted events: the pointer reaches
// picking and the cursor node, the camera carries the sound listener.

#include <cmath>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/physics/qnpick.h"
#include "engine/render/qndisplay.h"
#include "engine/scene/resources.h"
#include "engine/scene/cursor.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "engine/sound/qnsound.h"
#include "platform/audio_device.h"
#include "platform/events.h"
#include "platform/test_events.h"

namespace {

// A white ball in front of the camera.
class BALLSCENE : public QNSCENE {
public:
    BALLSCENE() : QNSCENE(&QNSCENE::SceneRoot(), "BALL", 1) {}
    void Register(QNRESOURCES& r) override
    {
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = "ball";
        QNRESOURCES::MeshParams.Args[0] = 1.0f;
        QNRESOURCES::MeshParams.Args[1] = 16;
        QNRESOURCES::MeshParams.Args[2] = 12;
        r.AddMeshVariant();
    }
    void Enter() override
    {
        QNMATRIX at;
        at.SetTranslation(0, 0, 4);
        auto* ball = new GAMENODE(GetView(0)->Root, "BALL", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
        ball->SetColour("fullbright");
        ball->SetMesh("ball");
        ball->SetState(3, 0, false, false);
    }
};

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

// Pixels of the display's middle quarter (the ball covers it) that show the colour.
int CountInMiddle(std::uint32_t rgb)
{
    std::vector<std::uint32_t> px;
    std::uint32_t w = 0, h = 0;
    if (!QNDISPLAY::ReadBack(px, w, h))
        return -1;
    int n = 0;
    for (std::uint32_t y = h * 3 / 8; y < h * 5 / 8; ++y)
        for (std::uint32_t x = w * 3 / 8; x < w * 5 / 8; ++x)
            n += (px[y * w + x] & 0xFFFFFF) == rgb;
    return n;
}

TEST_F(EngineIoTest, ShiftF5DrawsTheSceneAsWireframeOverTheTintBackground)
{
    new BALLSCENE;
    QNSCENE::RequestSwitch("BALL");
    ASSERT_TRUE(QNAPP::LoopPass());
    ASSERT_TRUE(QNAPP::LoopPass());
    const int area = (640 / 4) * (480 / 4);
    EXPECT_EQ(CountInMiddle(0xFFFFFF), area);  // the ball, filled

    script.KeyDown(SDLK_F5, KMOD_LSHIFT, script.Pass());
    script.KeyUp(SDLK_F5, KMOD_LSHIFT, script.Pass() + 1);
    ASSERT_TRUE(QNAPP::LoopPass());
    script.Advance();
    ASSERT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(QNAPP::TintOn, 1);
    // Only the edges are drawn; the tint background (0, 0, 0.7) shows between them.
    const int white = CountInMiddle(0xFFFFFF);
    EXPECT_GT(white, 0);
    EXPECT_LT(white, area / 2);
    EXPECT_GT(CountInMiddle(0x0000B2), area / 2);

    script.Advance();
    script.KeyDown(SDLK_F5, KMOD_LSHIFT, script.Pass());
    script.KeyUp(SDLK_F5, KMOD_LSHIFT, script.Pass() + 1);
    ASSERT_TRUE(QNAPP::LoopPass());
    script.Advance();
    ASSERT_TRUE(QNAPP::LoopPass());
    EXPECT_EQ(QNAPP::TintOn, 0);
    EXPECT_EQ(CountInMiddle(0xFFFFFF), area);
}

}  // namespace
