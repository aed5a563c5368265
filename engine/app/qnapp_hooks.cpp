#include "engine/app/qnapp_hooks.h"

#include "engine/app/qnapp.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "engine/util/qnmath.h"
#include "engine/util/qnsystem.h"
#include "platform/window.h"

namespace QNAPP {

QNAPPDEVICES Devices;
QNAPPSCENES Scenes;

void InstallDefaultHooks()
{
    Devices = QNAPPDEVICES{};
    Scenes = QNAPPSCENES{};

    Devices.SystemInit = [] { QNSYSTEM::Init(); };
    Devices.SeedRandom = [](std::uint32_t seed) { SeedRandom(seed); };
    Devices.Sleep = [](float seconds) { QNSYSTEM::Sleep(seconds); };
    Devices.ShowCursor = [](bool show) { PlatformShowCursor(show); };
    Devices.CaptureCursor = [](bool capture) { PlatformCaptureCursor(capture); };
    Devices.WindowIsMinimised = [] { return PlatformWindowIsMinimised(); };
    Devices.WindowIsForeground = [] { return PlatformWindowIsForeground(); };
    Devices.InputOpen = [](SDL_Window* window) { QNINPDEV::Open(window); };
    Devices.KeyboardOpen = [](bool exclusive) { QNKEYBOARD::Open(exclusive); };
    Devices.JoystickOpen = [](bool exclusive) { QNJOYSTICK::Open(exclusive); };
    Devices.MouseOpen = [](bool exclusive) { QNMOUSE::Open(exclusive); };
    Devices.BindingsCreate = [](std::uint32_t count) { QNINPUTMAP::Create(count); };
    Devices.JoystickPoll = [] { QNJOYSTICK::Poll(); };
    Devices.KeyboardPoll = [] { QNKEYBOARD::Poll(); };
    Devices.MousePoll = [] { QNMOUSE::Poll(); };
    Devices.BindingsEvaluate = [] { QNINPUTMAP::EvaluateAll(); };
    Devices.MouseButtonEvent = [] { return QNMOUSE::ButtonEvent(); };
    Devices.KeyboardIsComboDown = [](std::uint32_t code) { return QNKEYBOARD::IsComboDown(code); };
    Devices.MouseDrain = [] { QNMOUSE::Drain(); };
    Devices.MouseSetArrow = [] {
        if (QNMOUSE::IsOpen())
            QNMOUSE::SetCursor(QNMOUSE::Cursor());
    };
    Devices.CursorToViewport = [] {
        // The display's viewport is the requested back buffer.
        const QNDISPLAYSETTINGS& mode = Settings.Device.DisplayMode;
        const float w = static_cast<float>(mode.Width);
        const float h = static_cast<float>(mode.Height);
        const float lower[3] = {0.0f, 0.0f, -1000.0f};
        const float upper[3] = {w, h, 1000.0f};
        const float centre[3] = {w / 2, h / 2, 0.0f};
        for (int i = 0; i < 3; ++i) {
            QNMOUSE::LowerBound[i] = lower[i];
            QNMOUSE::UpperBound[i] = upper[i];
            QNMOUSE::Position[i] = centre[i];
        }
    };
    Devices.BindingsFree = [] { QNINPUTMAP::Free(); };
    Devices.JoystickClose = [] { QNJOYSTICK::Close(); };
    Devices.MouseClose = [] { QNMOUSE::Close(); };
    Devices.KeyboardClose = [] { QNKEYBOARD::Close(); };
    Devices.InputClose = [] { QNINPDEV::Close(); };

    // Until a display presents, the frame clock still runs once per frame.
    Devices.Present = [] { QNFRAMESTATS::Tick(false); };
}

}  // namespace QNAPP
