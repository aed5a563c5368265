#pragma once
// Scripted SDL events for the input tests.

#include <SDL.h>

namespace testinput {

inline SDL_Event Key(SDL_Scancode sc, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.keysym.scancode = sc;
  return e;
}

inline SDL_Event Focus(bool gained) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
  return e;
}

inline SDL_Event Motion(int dx, int dy) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.xrel = dx;
  e.motion.yrel = dy;
  return e;
}

inline SDL_Event Wheel(int notches) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.y = notches;
  return e;
}

inline SDL_Event Button(uint8_t button, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = button;
  return e;
}

}  // namespace testinput
