#include "engine/app/qnapp_local.h"
#include "platform/events.h"
#include "engine/app/qnwindow.h"

namespace QNAPP {

using namespace detail;

namespace {

constexpr float kGammaLimit = 0.8f;
constexpr float kGammaStep = 0.1f;

void ToggleWireframe()
{
    if (!TintOn) {
        TintOn = 1;
        Call(Scenes.SetTint, true);
        Call(Scenes.GetBackground, SavedBackground);
        Call(Scenes.SetBackgroundColour, 0.0f, 0.0f, 0.7f);
    } else {
        TintOn = 0;
        Call(Scenes.SetTint, false);
        Call(Scenes.SetBackgroundColour, SavedBackground[0], SavedBackground[1], SavedBackground[2]);
    }
}

void CycleFrameCap()
{
    switch (FrameCap) {
    case 0: FrameCap = 60; break;
    case 60: FrameCap = 30; break;
    case 30: FrameCap = 20; break;
    case 20: FrameCap = 0; break;
    default: break;
    }
}

// Gamma moves in float steps of 0.1; a step is taken only while at least half a step of room
// is left, and the result is held inside the range, so float rounding can neither add a ninth
// step nor leave the range.
void StepGamma(float direction)
{
    const float next = Gamma + direction * kGammaStep;
    if (direction > 0.0f ? Gamma >= kGammaLimit - kGammaStep * 0.5f : Gamma <= -kGammaLimit + kGammaStep * 0.5f)
        return;
    Gamma = next > kGammaLimit ? kGammaLimit : next < -kGammaLimit ? -kGammaLimit : next;
    Call(Devices.SetGamma, Gamma);
}

void ToggleOverlay()
{
    if (ConsoleMetrics) {
        Call(Scenes.OverlayDelete);
        return;
    }
    if (Ask(Scenes.HasCurrent, false) && Ask(Scenes.OverlayFontAvailable, false))
        Call(Scenes.OverlayCreate);
}

// Shift+F5 to Shift+F9.
void DeveloperKey(std::uint32_t key)
{
    const bool developer = Settings.DeveloperKeys != 0;
    switch (key) {
    case PVK_F5:
        if (developer && Ask(Scenes.HasCurrent, false))
            ToggleWireframe();
        break;
    case PVK_F6:
        if (developer)
            CycleFrameCap();
        break;
    case PVK_F7:
        if (IsFullScreen())
            StepGamma(-1.0f);
        break;
    case PVK_F8:
        if (IsFullScreen())
            StepGamma(1.0f);
        break;
    case PVK_F9:
        if (developer)
            ToggleOverlay();
        break;
    default: break;
    }
}

}  // namespace

std::intptr_t WindowProc(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam)
{
    switch (message) {
    case PM_DESTROY:
        PlatformPostQuit();
        QuitPosted = 1;
        return 0;
    case PM_ERASEBKGND:
        if (InPump && !IsFullScreen() && Ask(Scenes.HasCurrent, false) && Ask(Scenes.NeedsRedraw, false)) {
            Call(Scenes.Update);
            Call(Scenes.Render);
            Call(Devices.Present);
            return 1;
        }
        return 0;
    case PM_SETCURSOR:
        Call(Devices.MouseSetArrow);
        return 1;
    case PM_SYSCOMMAND:
        return 1;
    case PM_LBUTTONDOWN:
        LeftButtonDown = 1;
        return 0;
    case PM_LBUTTONUP:
        LeftButtonDown = 0;
        return 0;
    case PM_KILLFOCUS:
        // The key-up of a Shift released elsewhere never arrives.
        ShiftDown = 0;
        return 0;
    case PM_KEYDOWN:
        // Shift is read from the message itself, so a missed key-up cannot leave it stuck.
        ShiftDown = (wparam == PVK_SHIFT || (lparam & PMOD_SHIFT)) ? 1 : 0;
        if (ShiftDown && wparam >= PVK_F5 && wparam <= PVK_F9) {
            DeveloperKey(static_cast<std::uint32_t>(wparam));
            return 0;
        }
        return 0;
    case PM_KEYUP:
        if (wparam == PVK_SHIFT)
            ShiftDown = 0;
        return 0;
    case PM_COMMAND:
        if ((wparam >> 16) == 1 && (wparam & 0xFFFF) == Settings.AcceleratorCommand &&
            Settings.AcceleratorCommand != 0 && InPump) {
            InPump = 0;
            ToggleFullScreen();
            if (!IsFullScreen())
                QNWINDOW::Resize(Settings.Device.DisplayMode.Width, Settings.Device.DisplayMode.Height);
            InPump = 1;
        }
        return 0;
    default:
        return 0;
    }
}

}  // namespace QNAPP
