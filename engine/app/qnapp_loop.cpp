#include "engine/app/qnapp_local.h"
#include "engine/util/qnexception.h"
#include "platform/events.h"
#include "platform/window.h"

namespace QNAPP {

namespace detail {

bool IsFullScreen()
{
    return Ask(Devices.DisplayIsFullScreen, false);
}

}  // namespace detail

using namespace detail;

void OpenDisplay(bool fullScreen)
{
    if (fullScreen) {
        Call(Devices.DisplayOpenFullScreen);
    } else {
        try {
            Call(Devices.DisplayOpenWindowed);
        } catch (...) {
            Call(Devices.DisplayOpenFullScreen);
        }
    }
    OpenDevices |= kDisplay;
    const QNDEVICESETTINGS& d = Settings.Device;
    Call(Devices.SetPerspective, d.FieldOfView, d.NearPlane, d.FarPlane);
    Call(Devices.RenderCachesSendAll);
    Call(Devices.CursorToViewport);
}

namespace {

// Keyboard combination code: Alt held, Shift and Control not.
constexpr std::uint32_t kAltOnly = 0x400;

bool WindowIsForeground()
{
    return Devices.WindowIsForeground ? Devices.WindowIsForeground() : PlatformWindowIsForeground();
}

bool WindowIsMinimised()
{
    return Devices.WindowIsMinimised ? Devices.WindowIsMinimised() : PlatformWindowIsMinimised();
}

void Sleep(float seconds)
{
    Call(Devices.Sleep, seconds);
}

// Pumps until the left button is released (or a quit arrives, which stays pending).
void PumpUntilButtonReleased()
{
    while (LeftButtonDown) {
        if (!PlatformPumpMessages())
            return;
        if (LeftButtonDown)
            Sleep(0.01f);
    }
}

// After a lost device: false when a quit arrived while waiting.
bool RecoverLostDevice()
{
    InPump = 0;
    if (IsFullScreen()) {
        ReopenDisplay(true);
        return true;
    }
    do {
        Sleep(0.25f);
        if (!PlatformPumpMessages())
            return false;
    } while (!Ask(Devices.DisplayIsDeviceAvailable, true) && !WindowIsForeground());
    try {
        ReopenDisplay(false);
    } catch (...) {
        while (!WindowIsForeground()) {
            if (!PlatformWaitMessages(0.25))
                return false;
            Sleep(0.01f);
        }
        ReopenDisplay(true);
    }
    return true;
}

}  // namespace

void UpdateFocus()
{
    if (!InactivePause)
        return;
    if (IsFullScreen()) {
        if (CursorReleased) {
            Call(Devices.MouseClose);
            Call(Devices.MouseOpen, true);
            CursorReleased = 0;
            Call(Devices.ShowCursor, false);
            Call(Devices.CaptureCursor, true);
        }
        return;
    }
    if (CursorReleased) {
        if (LeftButtonDown) {
            Call(Devices.ShowCursor, false);
            CursorReleased = 0;
            PumpUntilButtonReleased();
            Call(Devices.MouseOpen, true);
            Call(Devices.CaptureCursor, true);
            Call(Devices.MouseDrain);
            LeftButtonDown = 0;
            return;
        }
    } else if (Ask(Devices.MouseButtonEvent, 0u) == 1 && Devices.KeyboardIsComboDown &&
               Devices.KeyboardIsComboDown(kAltOnly)) {
        CursorReleased = 1;
        Call(Devices.ShowCursor, true);
        Call(Devices.CaptureCursor, false);
        PumpUntilButtonReleased();
        Call(Devices.MouseClose);
        Call(Devices.MouseDrain);
    }
    LeftButtonDown = 0;
}

bool Frame()
{
    Call(Scenes.ApplyRequest);
    if (!Ask(Scenes.HasCurrent, false))
        return false;
    Call(Devices.JoystickPoll);
    Call(Devices.KeyboardPoll);
    Call(Devices.MousePoll);
    Call(Devices.BindingsEvaluate);
    if (QNFRAMESTATS::SceneChanged)
        StepTime(0.0f);
    else
        StepTime(QNFRAMESTATS::FrameTime);
    if (ConsoleMetrics)
        Call(Scenes.OverlayUpdate);
    Call(Scenes.Update);
    Call(Scenes.Render);
    Call(Scenes.PostUpdate);
    Call(Devices.SoundCommit);
    Call(Devices.Present);
    return true;
}

bool LoopPass()
{
    UpdateFocus();
    for (;;) {
        try {
            InPump = 1;
            if (!PlatformPumpMessages())
                return false;
            if (Settings.ExclusiveInput && (WindowIsMinimised() || !WindowIsForeground())) {
                // No frame in the background; keep pumping without spinning the processor.
                Sleep(0.01f);
                return !PlatformQuitPending();
            }
            const bool more = Frame();
            // A pass run from inside the frame (or any nested pump) may have taken the quit.
            return more && !PlatformQuitPending();
        } catch (const QNDISPLAY_EXC&) {
            if (!Ask(Devices.DisplayWasLost, false))
                throw;
            if (!RecoverLostDevice())
                return false;
        }
    }
}

void ReopenDisplay(bool fullScreen)
{
    Call(Scenes.ReleaseDevice);
    Call(Devices.PoolsRelease);
    OpenDisplay(fullScreen);
    Call(Devices.LightsApply);
    Call(Devices.PoolsRebuild);
    Call(Scenes.RestoreDevice);
}

void ToggleFullScreen()
{
    ReopenDisplay(!IsFullScreen());
}

}  // namespace QNAPP
