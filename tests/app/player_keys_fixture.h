// A new game of the program's own set-up played by scripted keys through the default bindings:
// the keyboard and mouse devices read the platform's event queue each frame, as the program does.
#pragma once

#include <SDL.h>

#include <cmath>
#include <cstdint>

#include "engine/input/default_bindings.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "platform/events.h"
#include "platform/test_events.h"
#include "tests/app/new_game_fixture.h"

namespace gametest {

class PlayerKeysTest : public NewGameSceneTest {
protected:
    void OpenInput() override
    {
        QNINPDEV::Open();
        QNKEYBOARD::Open(false);
        QNMOUSE::Open(false);
        QNINPUTMAP::Create(QNDEFAULTBINDINGCOUNT);
        QnWriteDefaultBindings();
        script.Install();
    }
    void CloseInput() override
    {
        script.Uninstall();
        QNINPUTMAP::Free();
        QNMOUSE::Close();
        QNKEYBOARD::Close();
        QNINPDEV::Close();
    }
    /// One program frame: events pumped, devices polled, bindings read, then the scene updated,
    /// drawn (which sets the view's projection the HUD markers read) and its worlds stepped.
    void Step()
    {
        PlatformPumpMessages();
        QNKEYBOARD::Poll();
        QNMOUSE::Poll();
        QNINPUTMAP::EvaluateAll(float(kFrame));
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(kFrame * 1e6)));
        QNAPP::StepTime(float(kFrame));
        QNSCENE::UpdateScene(scene);
        QNDISPLAY::BeginScene();
        QNSCENE::RenderScene(scene);
        QNDISPLAY::EndScene();
        QNSCENE::PostUpdateScene(scene);
        script.Advance();
    }
    void Steps(int n)
    {
        for (int i = 0; i < n; ++i)
            Step();
    }
    /// A tap: down for one frame, up in the next.
    void Key(SDL_Keycode key, bool shift = false)
    {
        TapKey(script, key, shift, [this] { Step(); });
    }
    /// `key` held down for `frames` frames.
    void Hold(SDL_Keycode key, int frames)
    {
        script.KeyDown(key, KMOD_NONE, script.Pass());
        Steps(frames);
        script.KeyUp(key, KMOD_NONE, script.Pass());
        Step();
    }

    PlatformScriptedEvents script;
};

}  // namespace gametest
