#pragma once
/// The run loop: start-up, message pump, one frame per loop pass, lost-device recovery and
/// shutdown, all on the main thread.
///
/// The loop drives devices and scenes that other engine areas own through two tables of hooks,
/// `QNAPP::Devices` and `QNAPP::Scenes` (engine/app/qnapp_hooks.h). `InstallDefaultHooks` fills
/// them with the engine's own services; tests replace single entries to record the order of
/// calls. An empty entry is skipped (a query answers its neutral value).

#include <cstdint>

#include "engine/util/qnapp_state.h"

#include "platform/platform_types.h"

namespace QNAPP {

/// The game set-up: fills the settings, copies the device settings and creates the scenes.
using GameSetup = void (*)(QNAPPSETTINGS& settings);

/// The entry point's body: Init, the game set-up, Run and Cleanup. An engine error (or any
/// std::exception) shuts the engine down, shows the message captioned "E R R O R" and gives a
/// non-zero status; a clean run returns 0.
int Main(GameSetup setup, const char* commandLine);

/// Clears the scene request, the current scene and the request kind, and any pending quit.
void Init();
/// Copies field of view and planes into the scene defaults and the render options into the
/// material group mask; the game set-up calls it after filling the settings.
void CopyDeviceSettings();
/// StartUp, then LoopPass until it answers false, then Shutdown and the window's destruction.
/// A throw from start-up, a loop pass or the shutdown closes what was opened and goes on.
int Run();
/// Window and devices in their fixed order; the first scene is requested.
void StartUp();
/// Start-up steps 1 to 13 (temporary folder to the random seed), recording what opened.
void StartDevices(const QNDEVICESETTINGS& device, PlatformWindow* inputWindow, bool exclusive);
/// Opens the display in the wanted mode (a windowed open that fails opens full screen), then
/// the projection, the caches' send-all flags and the cursor bounds from the viewport.
void OpenDisplay(bool fullScreen);
/// One pass: focus, pump, one frame. False ends the run (a quit, or no current scene).
bool LoopPass();
/// One frame in its order. False when no scene is current after the request was applied.
bool Frame();
/// Closes every device that is open, in the shutdown order; each step runs even when an
/// earlier one failed (the first failure is thrown at the end); a second call does nothing.
void Shutdown();
/// Pops every scene and deletes the scenes.
void Cleanup();
/// Shutdown and the window's destruction on the way out of an error.
void AbortRun();
/// Releases the scenes' device objects, reopens the display in the wanted mode and rebuilds.
void ReopenDisplay(bool fullScreen);
/// ReopenDisplay in the other mode.
void ToggleFullScreen();
/// The window procedure (messages of platform/events.h).
std::intptr_t WindowProc(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
/// Cursor capture and release at the start of every pass (only while InactivePause).
void UpdateFocus();

/// Fills Devices and Scenes with the engine's services (the entries other areas provide are
/// connected as those areas land).
void InstallDefaultHooks();

}  // namespace QNAPP
