#pragma once
/// The services the run loop drives, as replaceable entries. Each engine area that owns a
/// device fills its entries in InstallDefaultHooks; tests put recorders in their place.

#include <cstdint>
#include <functional>

#include "engine/util/qnapp_state.h"

#include "platform/platform_types.h"

/// Devices in start-up order (1 to 11), then the per-frame, recovery and shutdown entries.
struct QNAPPDEVICES {
    // Start-up, in order.
    std::function<void()> TempFolderCreate;                                   // 1
    std::function<void()> SystemInit;                                         // 2
    std::function<void(const QNDISPLAYSETTINGS&)> GraphicsCreate;             // 3
    std::function<void(std::uint8_t musicOptions)> MusicOpen;                 // 4
    std::function<void(PlatformWindow* inputWindow)> InputOpen;                   // 5
    std::function<void(std::uint32_t capacity, std::uint32_t capacity2)> PhysicsOpen;  // 6
    std::function<void()> TexturesReset;                                      // 7
    std::function<void(bool exclusive)> KeyboardOpen;
    std::function<void(bool exclusive)> JoystickOpen;
    std::function<void(bool exclusive)> MouseOpen;
    std::function<void(std::uint32_t count)> BindingsCreate;                  // 8
    std::function<void(const char* name)> ArchiveOpen;                        // 9
    std::function<void()> GameTimerRestart;                                   // 10
    std::function<void()> DisplayOpenFullScreen;                              // 11
    std::function<void()> DisplayOpenWindowed;
    std::function<void(float fov, float nearPlane, float farPlane)> SetPerspective;
    std::function<void()> RenderCachesSendAll;
    std::function<void()> CursorToViewport;   ///< mouse bounds and centre from the viewport
    std::function<void(std::uint32_t seed)> SeedRandom;                       // 13

    // Frame.
    std::function<void()> JoystickPoll;
    std::function<void()> KeyboardPoll;
    std::function<void()> MousePoll;
    std::function<void()> BindingsEvaluate;
    std::function<void()> SoundCommit;
    std::function<void()> Present;            ///< runs QNFRAMESTATS::Tick, then presents

    // Display state, lost device and gamma.
    std::function<bool()> DisplayIsFullScreen;
    std::function<bool()> DisplayWasLost;
    std::function<bool()> DisplayIsDeviceAvailable;
    std::function<void()> PoolsRelease;
    std::function<void()> PoolsRebuild;
    std::function<void()> LightsApply;
    std::function<void(float gamma)> SetGamma;

    // Focus and cursor.
    std::function<std::uint32_t()> MouseButtonEvent;       ///< 1 = left pressed in the last poll
    std::function<bool(std::uint32_t code)> KeyboardIsComboDown;
    std::function<void()> MouseDrain;
    std::function<void()> MouseSetArrow;
    std::function<void(bool show)> ShowCursor;
    std::function<void(bool capture)> CaptureCursor;
    std::function<bool()> WindowIsMinimised;
    std::function<bool()> WindowIsForeground;
    std::function<void(float seconds)> Sleep;

    // Settings copied at set-up.
    std::function<void(float fov, float nearPlane, float farPlane)> SceneDefaults;
    std::function<void(std::uint32_t mask)> MaterialGroupMask;

    // Shutdown, in order (after the scenes are popped).
    std::function<void()> LightsAndPoolsDelete;
    std::function<void()> BindingsFree;
    std::function<void()> JoystickClose;
    std::function<void()> MouseClose;
    std::function<void()> KeyboardClose;
    std::function<void()> DisplayClose;
    std::function<void()> PhysicsClose;
    std::function<void()> InputClose;
    std::function<void()> MusicClose;
    std::function<void()> GraphicsRelease;
    std::function<void()> ArchiveClose;
    std::function<void()> SystemShutdown;
    std::function<void()> TempFolderDelete;
};

/// The scene stack and the current scene, as the loop sees them.
struct QNAPPSCENES {
    std::function<void()> Init;          ///< clear request, current scene and request kind
    std::function<void()> RequestFirst;  ///< switch to the scene root's first child
    std::function<void()> ApplyRequest;
    std::function<bool()> HasCurrent;
    std::function<bool()> NeedsRedraw;   ///< the current scene asks for a repaint
    std::function<void()> Update;
    std::function<void()> Render;
    std::function<void()> PostUpdate;
    std::function<void()> PopAll;
    std::function<void()> DeleteAll;     ///< delete the scene root's children
    std::function<void()> ReleaseDevice;
    std::function<void()> RestoreDevice;
    std::function<void(bool on)> SetTint;                ///< wireframe render material
    std::function<void(float rgba[4])> GetBackground;
    std::function<void(float r, float g, float b)> SetBackgroundColour;
    std::function<bool()> OverlayFontAvailable;          ///< "consolefont" is registered
    std::function<void()> OverlayCreate;
    std::function<void()> OverlayDelete;
    std::function<void()> OverlayUpdate;
};

namespace QNAPP {
extern QNAPPDEVICES Devices;
extern QNAPPSCENES Scenes;
}  // namespace QNAPP
