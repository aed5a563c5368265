#pragma once
// The message pump. Events come from an event source (SDL_PollEvent, or a scripted queue in
// tests and in the harness); every event goes to the registered listeners (the input devices)
// and is then translated into a window message for the window procedure, in the shape the
// engine's window procedure expects: key down/up with virtual keys, left button, focus,
// destroy, and the Alt+Enter accelerator as a command.

#include <cstdint>

#include <SDL2/SDL.h>

/// Window messages handed to the window procedure.
enum : std::uint32_t {
    PM_DESTROY = 0x0002,
    PM_SIZE = 0x0005,        ///< wparam 1 minimised, 0 restored
    PM_SETFOCUS = 0x0007,
    PM_KILLFOCUS = 0x0008,
    PM_ERASEBKGND = 0x0014,  ///< the window needs repainting (exposed)
    PM_SETCURSOR = 0x0020,
    PM_KEYDOWN = 0x0100,     ///< wparam virtual key, lparam modifier bits (PMOD_*) at the event
    PM_KEYUP = 0x0101,
    PM_COMMAND = 0x0111,     ///< wparam: high word 1 = from the accelerator, low word the command
    PM_SYSCOMMAND = 0x0112,
    PM_LBUTTONDOWN = 0x0201,
    PM_LBUTTONUP = 0x0202,
};

/// Modifier bits in the lparam of key messages, read from the event itself.
enum : std::uint32_t { PMOD_SHIFT = 1, PMOD_CONTROL = 2, PMOD_ALT = 4 };

/// Virtual keys used by the engine.
enum : std::uint32_t {
    PVK_RETURN = 0x0D,
    PVK_SHIFT = 0x10,
    PVK_CONTROL = 0x11,
    PVK_MENU = 0x12,
    PVK_ESCAPE = 0x1B,
    PVK_SPACE = 0x20,
    PVK_F1 = 0x70,
    PVK_F5 = 0x74,
    PVK_F6 = 0x75,
    PVK_F7 = 0x76,
    PVK_F8 = 0x77,
    PVK_F9 = 0x78,
    PVK_F12 = 0x7B,
};

/// Virtual key of an SDL key code: letters and digits as their upper-case characters, F1-F12,
/// Shift, Control, Alt, Return, Escape, Space; 0 for keys the engine does not name.
std::uint32_t PlatformVirtualKey(SDL_Keycode key);

/// Modifier bits (PMOD_*) of SDL key modifiers.
std::uint32_t PlatformModifierBits(Uint16 mod);

/// Event source: fills *event and returns true, or returns false when no event is waiting.
using PlatformEventSource = bool (*)(SDL_Event* event, void* context);

/// Replaces the event source; null restores SDL_PollEvent.
void PlatformSetEventSource(PlatformEventSource source, void* context);

/// Listeners receive every event the pump takes, before the window procedure sees it.
using PlatformEventListener = void (*)(const SDL_Event& event, void* context);
void PlatformAddEventListener(PlatformEventListener listener, void* context);
void PlatformRemoveEventListener(PlatformEventListener listener, void* context);

/// Window procedure: receives the translated messages.
using PlatformWindowProc = std::intptr_t (*)(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
void PlatformSetWindowProc(PlatformWindowProc proc);

/// Sends one message to the window procedure now (no queue).
std::intptr_t PlatformSendMessage(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);

/// Accelerator: Alt+Enter becomes PM_COMMAND with wparam (1 << 16) | command. 0 = no accelerator.
void PlatformSetAccelerator(std::uint32_t command);

/// Empties the event queue without waiting. Returns false when a quit is pending: an SDL_QUIT
/// event, or PlatformPostQuit. A quit stays pending until PlatformClearQuit, so a quit taken by
/// a nested pump is seen again by every pump after it.
bool PlatformPumpMessages();

/// Waits up to the given time for an event (no wait with a non-SDL source), then pumps.
bool PlatformWaitMessages(double seconds);

/// Asks the pump to end with a quit (the window procedure's answer to destruction).
void PlatformPostQuit();
bool PlatformQuitPending();
void PlatformClearQuit();

/// Number of pumps run so far (for tests of the loop).
std::uint64_t PlatformPumpCount();
