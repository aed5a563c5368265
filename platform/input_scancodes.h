#pragma once
// Keyboard scan codes in the classic PC set-1 numbering the engine uses
// (one byte; extended keys carry the 0x80 bit: arrows, right Ctrl and Alt,
// keypad Enter and divide, Pause, the navigation block).

#include <SDL.h>
#include <cstdint>

/// Scan codes the engine and the game name in code.
enum PlatformKeyCode : uint8_t {
  kKeyEscape = 0x01,
  kKey1 = 0x02,
  kKeyBackspace = 0x0E,
  kKeyTab = 0x0F,
  kKeyQ = 0x10,
  kKeyW = 0x11,
  kKeyE = 0x12,
  kKeyEnter = 0x1C,
  kKeyLeftCtrl = 0x1D,
  kKeyA = 0x1E,
  kKeyS = 0x1F,
  kKeyD = 0x20,
  kKeyLeftShift = 0x2A,
  kKeyZ = 0x2C,
  kKeyRightShift = 0x36,
  kKeyLeftAlt = 0x38,
  kKeySpace = 0x39,
  kKeyF1 = 0x3B,
  kKeyRightCtrl = 0x9D,
  kKeyRightAlt = 0xB8,
  kKeyPause = 0xC5,
  kKeyUp = 0xC8,
  kKeyLeft = 0xCB,
  kKeyRight = 0xCD,
  kKeyDown = 0xD0,
};

/// The scan code of an SDL scancode; 0 for keys that have none.
uint8_t PlatformKeyCodeFromScancode(SDL_Scancode scancode);

/// The SDL scancode of a scan code (the inverse of the table); SDL_SCANCODE_UNKNOWN when none.
SDL_Scancode PlatformScancodeFromKeyCode(uint8_t code);
