#pragma once
/// The program's window, as the run loop holds it: the platform window plus whether it was
/// adopted from the settings (`Settings.Window`) rather than created here.

#include <cstdint>

#include "platform/platform_types.h"

struct QNWINDOW {
    /// Set when the settings' window was adopted, clear when the program created its own.
    static std::uint8_t DestroyFlag;

    /// Creates the program's window (OpenGL, centred, client size width x height, cut to 90 %
    /// of the screen when it would reach it). Throws QNGRFDEV::EXC when the platform cannot.
    static void Create(const char* title, int width, int height);
    /// Uses a window made elsewhere.
    static void Adopt(PlatformWindow* window);
    /// Destroys the window (adopted or own); safe to call twice.
    static void Destroy();
    /// New client size, centred again.
    static void Resize(int width, int height);
    /// The window, or null.
    static PlatformWindow* Handle();
    /// Gives the window the icon image `medium` (a DDS file of the archive, or of the disk when
    /// no archive is set); false, leaving the window as it was, when it is missing or unreadable.
    static bool SetIcon(const char* medium);

    /// The program's icon medium.
    static constexpr const char* kIcon = "media\\program\\icon.dds";
};
