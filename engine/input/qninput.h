#pragma once
/// Input devices: keyboard, mouse and one joystick, polled once per frame in the order
/// joystick, keyboard, mouse, before the input bindings are evaluated.
///
/// Each device is a static class over one platform device and one state block. The platform
/// devices take their data from the message pump; `OnEvent` feeds an event directly (tests).
///
/// Focus: while the window lacks the focus a device cannot be acquired. A poll that finds its
/// device lost or not acquired tries to acquire it again; when that fails it clears the device's
/// state block (every key up, no motion, every button up, axes 0) and returns, leaving the event
/// words, the button states and the cursor position as they were. Drains end when a poll fails
/// that way, so a drain of a device that stays unavailable ends.

#include "engine/util/qnexception.h"

#include "platform/platform_types.h"
#include <cstdint>

class PlatformKeyboard;
class PlatformMouse;
class PlatformJoystick;
struct PlatformMouseState;
struct PlatformJoystickState;

/// The input system (the window the devices bind to).
class QNINPDEV {
public:
    using EXC = QNINPDEV_EXC;
    /// Starts the input system for a window (null = the main window). Devices listen to the
    /// message pump from their own Open.
    static void Open(PlatformWindow* window = nullptr);
    static void Close();
    static bool IsOpen();
    /// Feeds one event to every open device.
    static void OnEvent(const PlatformEvent& event);
};

/// Modifier bits of key codes and key events.
constexpr std::uint32_t QNKEY_SHIFT = 0x100;
constexpr std::uint32_t QNKEY_CONTROL = 0x200;
constexpr std::uint32_t QNKEY_ALT = 0x400;

class QNKEYBOARD {
public:
    using EXC = QNKEYBOARD_EXC;

    /// Opens the keyboard (foreground, exclusive or not), 16-event buffer, acquires, drains.
    static void Open(bool exclusive);
    /// Reads up to 16 buffered events and the key state (a key tapped since the last poll reads
    /// down once). Every press counts: the key event is the oldest press not yet reported, its
    /// scan code plus the modifier bits down when it was made, so presses that arrive in one
    /// frame are reported one per poll; 0 when none is waiting. A modifier key pressed in the
    /// same read as another key is no press of its own.
    /// Returns false when the device could not be read (state cleared, key event kept).
    static bool Poll();
    /// Polls until the key event is 0, or until a poll fails.
    static void Drain();
    /// The modifier bits (QNKEY_SHIFT, QNKEY_CONTROL, QNKEY_ALT) currently down.
    static std::uint32_t Modifiers();
    /// True when the key of the low byte is down (or the low byte is 0) and the three modifier
    /// groups are down exactly as the code's bits say.
    static bool IsComboDown(std::uint32_t code);
    /// The key's high bit in the state block.
    static bool KeyDown(std::uint8_t scanCode);
    /// The key event of the last poll: 0 or scan code | modifier bits.
    static std::uint32_t KeyEvent();
    /// The 256-byte key state block.
    static const std::uint8_t* State();
    static void Close();
    static bool IsOpen();
    static void OnEvent(const PlatformEvent& event);
    /// The platform device (null when closed).
    static PlatformKeyboard* Device();
};

class QNMOUSE {
public:
    using EXC = QNMOUSE_EXC;

    /// Opens the mouse (exclusive = relative mode while acquired), acquires, arrow cursor.
    static void Open(bool exclusive);
    /// Reads the state; updates the button state and event and moves the cursor position by
    /// the motion, kept within [lower, upper - 1] on each axis. False when the device could not
    /// be read (state cleared, button state, event and position kept).
    static bool Poll();
    /// Polls until the button event is 0, or until a poll fails.
    static void Drain();
    /// Movement (x, y, wheel) of the last read.
    static void Motion(float* x, float* y, float* wheel);
    /// High bit of button byte n, n = 1 (left), 2 (right), 3 (middle), 4 (fourth).
    static bool ButtonDown(int n);
    /// 1 left, 2 right, 3 middle, 0 none: the first of the three held, in that order.
    static std::uint32_t ButtonState();
    /// The new button state in the poll it changed, else 0.
    static std::uint32_t ButtonEvent();
    /// 0 = standard arrow; another id shows the image medium kCursorMedium names for it (hot spot at
    /// kCursorHotX/Y), or the arrow when the media have no such image.
    static void SetCursor(std::uint32_t resourceId);
    static constexpr const char* kCursorMedium = "media\\program\\cursor%u_image.dds";
    /// The pointer images are arrows with their tip at the top-left corner.
    static constexpr int kCursorHotX = 1, kCursorHotY = 1;
    static std::uint32_t Cursor();
    /// The system cursor's display counter.
    static int ShowCursor(bool show);
    static void Close();
    static bool IsOpen();
    static void OnEvent(const PlatformEvent& event);
    static PlatformMouse* Device();
    /// The raw 16-byte state of the last read.
    static const PlatformMouseState& State();

    /// The pointer in viewport pixels, the one every cursor and pick reads: the cursor position
    /// while the device holds relative mode; otherwise where the last motion or button event
    /// of the pump put the system pointer (scripted events included), within the bounds; the
    /// cursor position before any such event.
    static void Pointer(float* x, float* y);

    /// Cursor position and its bounds (set by the display and the cursor node).
    static float Position[3];
    static float LowerBound[3];
    static float UpperBound[3];
};

class QNJOYSTICK {
public:
    using EXC = QNJOYSTICK_EXC;
    static constexpr std::uint32_t kNoButton = 0xFFFFFFFFu;

    /// Opens the first attached joystick: x and y -1000..1000, z 0..1000, dead zone 10 % and
    /// saturation 90 % on all three. Without one the joystick stays absent.
    static void Open(bool exclusive);
    /// Does nothing without a joystick; otherwise reads the state and the button state (index
    /// 0-3 of the first of buttons 0-3 held, else kNoButton) and event (the new button state
    /// in the poll it changed, else kNoButton). False when the device could not be read.
    static bool Poll();
    static void Axes(float* x, float* y, float* z);
    static void Rotation(float* x, float* y, float* z);
    static float Slider(int n);
    static float POV(int n);
    static bool ButtonDown(int n);
    static std::uint32_t ButtonState();
    static std::uint32_t ButtonEvent();
    static void Close();
    static bool IsPresent();
    static void OnEvent(const PlatformEvent& event);
    static PlatformJoystick* Device();
    static const PlatformJoystickState& State();
};
