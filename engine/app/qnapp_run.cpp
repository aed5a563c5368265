#include <exception>
#include <string>

#include "engine/app/qnapp_local.h"
#include "engine/app/qnwindow.h"
#include "engine/util/qnexception.h"
#include "engine/util/qnsystem.h"
#include "engine/util/qntimer.h"
#include "platform/events.h"
#include "platform/window.h"

namespace QNAPP {

namespace detail {

std::uint32_t OpenDevices = 0;

void DestroyWindow()
{
    if (OpenDevices & kWindow) {
        OpenDevices &= ~kWindow;
        Call(Devices.CaptureCursor, false);
        QNWINDOW::Destroy();
    }
    PlatformSetWindowProc(nullptr);
    PlatformSetAccelerator(0);
}

}  // namespace detail

using namespace detail;

namespace {

std::intptr_t WindowProcThunk(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam)
{
    return WindowProc(message, wparam, lparam);
}

// Opens one device and records it, so that shutdown closes it.
template <class F, class... A>
void Open(OpenBit bit, const F& fn, A&&... args)
{
    Call(fn, std::forward<A>(args)...);
    OpenDevices |= bit;
}

// One shutdown step: runs when its device is open (always, for bit 0), at most once, and a
// failure is kept for later so the remaining steps still run.
template <class F>
void CloseStep(std::uint32_t bit, const F& fn, std::exception_ptr& first)
{
    if (bit != 0) {
        if (!(OpenDevices & bit))
            return;
        OpenDevices &= ~bit;
    }
    try {
        Call(fn);
    } catch (...) {
        if (!first)
            first = std::current_exception();
    }
}

}  // namespace

void Init()
{
    Call(Scenes.Init);
    PlatformClearQuit();
    QuitPosted = 0;
}

void CopyDeviceSettings()
{
    const QNDEVICESETTINGS& d = Settings.Device;
    Call(Devices.SceneDefaults, d.FieldOfView, d.NearPlane, d.FarPlane);
    Call(Devices.MaterialGroupMask, d.RenderOptions);
}

void StartDevices(const QNDEVICESETTINGS& d, PlatformWindow* inputWindow, bool exclusive)
{
    Open(kTempFolder, Devices.TempFolderCreate);
    Open(kSystem, Devices.SystemInit);
    Open(kGraphics, Devices.GraphicsCreate, d.DisplayMode);
    Open(kMusic, Devices.MusicOpen, d.MusicOptions);
    Open(kInput, Devices.InputOpen, inputWindow);
    Open(kPhysics, Devices.PhysicsOpen, d.CollisionCapacity, d.CollisionCapacity2);
    Call(Devices.TexturesReset);
    Open(kKeyboard, Devices.KeyboardOpen, false);
    Open(kJoystick, Devices.JoystickOpen, exclusive);
    Open(kMouse, Devices.MouseOpen, exclusive);
    Open(kBindings, Devices.BindingsCreate, d.BindingCount);
    Open(kArchive, Devices.ArchiveOpen, d.ArchiveName);
    Call(Devices.GameTimerRestart);
    OpenDisplay(d.FullScreen != 0);
    Call(Scenes.RequestFirst);
    Call(Devices.SeedRandom, 0u);
}

void StartUp()
{
    InPump = 0;
    PlatformSetAccelerator(Settings.AcceleratorCommand);
    PlatformSetWindowProc(&WindowProcThunk);

    if (Settings.Window)
        QNWINDOW::Adopt(Settings.Window);
    else
        QNWINDOW::Create(Settings.Title, Settings.Device.DisplayMode.Width, Settings.Device.DisplayMode.Height);
    OpenDevices |= kWindow;

    InactivePause = Settings.ExclusiveInput;
    const bool exclusive = Settings.ExclusiveInput != 0;
    StartDevices(Settings.Device, Settings.InputWindow ? Settings.InputWindow : QNWINDOW::Handle(), exclusive);

    if (exclusive)
        Call(Devices.CaptureCursor, true);
    CursorReleased = 0;
    Gamma = 0.0f;
    QNTIMER::ReadCounter();
    QNFRAMESTATS::Reset();
}

void Shutdown()
{
    std::exception_ptr first;
    CloseStep(0, [] {
        Call(Devices.ShowCursor, true);
        Call(Scenes.PopAll);
    }, first);
    CloseStep(0, Devices.LightsAndPoolsDelete, first);
    CloseStep(kBindings, Devices.BindingsFree, first);
    CloseStep(kJoystick, Devices.JoystickClose, first);
    CloseStep(kMouse, Devices.MouseClose, first);
    CloseStep(kKeyboard, Devices.KeyboardClose, first);
    CloseStep(kDisplay, Devices.DisplayClose, first);
    CloseStep(kPhysics, Devices.PhysicsClose, first);
    CloseStep(kInput, Devices.InputClose, first);
    CloseStep(kMusic, Devices.MusicClose, first);
    CloseStep(kGraphics, Devices.GraphicsRelease, first);
    CloseStep(kArchive, Devices.ArchiveClose, first);
    CloseStep(kSystem, Devices.SystemShutdown, first);
    CloseStep(kTempFolder, Devices.TempFolderDelete, first);
    InPump = 0;
    if (first)
        std::rethrow_exception(first);
}

void AbortRun()
{
    // Already on an error path: the first error is the one reported.
    try {
        Shutdown();
    } catch (...) {
    }
    DestroyWindow();
}

int Run()
{
    try {
        StartUp();
        while (LoopPass()) {
        }
        Shutdown();
    } catch (...) {
        AbortRun();
        throw;
    }
    DestroyWindow();
    return 0;
}

void Cleanup()
{
    std::exception_ptr first;
    CloseStep(0, Scenes.PopAll, first);
    CloseStep(0, Scenes.DeleteAll, first);
    if (first)
        std::rethrow_exception(first);
}

int Main(GameSetup setup, const char* commandLine)
{
    Settings.CommandLine = commandLine;

    // The message is copied at the catch, before cleanup can raise (and overwrite) another.
    std::string error;
    bool failed = false;
    try {
        Init();
        if (setup)
            setup(Settings);
        Run();
        Cleanup();
    } catch (const QNEXCEPTION& e) {
        error = e.what();
        failed = true;
    } catch (const std::exception& e) {
        error = e.what();
        failed = true;
    } catch (...) {
        error = "Unknown error.";
        failed = true;
    }
    if (failed) {
        try {
            Cleanup();
        } catch (...) {
        }
        QNSYSTEM::MessageBox("%s", "E R R O R", QNSYSTEM::kError, error.c_str());
    }
    return failed ? 1 : 0;
}

}  // namespace QNAPP
