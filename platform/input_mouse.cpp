#include "platform/input_mouse.h"

#include "platform/window.h"

#include <cmath>

PlatformMouse::~PlatformMouse() { SetRelative(false); }

void PlatformMouse::SetRelative(bool on) {
  if (on == relative_) return;
  // Relative mode needs a video subsystem (and a window to grab); without one
  // the device still reads the motion events it is given.
  if (on && SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  if (SDL_SetRelativeMouseMode(on ? SDL_TRUE : SDL_FALSE) == 0 || !on) relative_ = on;
}

void PlatformMouse::OnAcquire() {
  if (Exclusive()) SetRelative(true);
}

void PlatformMouse::OnUnacquire() {
  SetRelative(false);
  state_ = PlatformMouseState{};
  wheelRest_ = 0;
}

static int ButtonIndex(uint8_t sdlButton) {
  switch (sdlButton) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    case SDL_BUTTON_X1: return 3;
    default: return -1;
  }
}

void PlatformMouse::HandleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_MOUSEMOTION:
      state_.x += event.motion.xrel;
      state_.y += event.motion.yrel;
      pointerX_ = event.motion.x;
      pointerY_ = event.motion.y;
      hasPointer_ = true;
      break;
    case SDL_MOUSEWHEEL: {
      // Prefer the precise amount (smooth wheels); scripted events may give only whole notches.
      float notches = event.wheel.preciseY != 0.0f ? event.wheel.preciseY
                                                   : static_cast<float>(event.wheel.y);
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      const float units = notches * kWheelNotch + wheelRest_;
      const float whole = std::trunc(units);
      wheelRest_ = units - whole;
      state_.z += static_cast<int32_t>(whole);
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const int i = ButtonIndex(event.button.button);
      if (i >= 0) state_.buttons[i] = event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
      pointerX_ = event.button.x;
      pointerY_ = event.button.y;
      hasPointer_ = true;
      break;
    }
    default:
      break;
  }
}

uint32_t PlatformMouse::GetState(PlatformMouseState* state) {
  const uint32_t rc = CheckRead();
  if (rc != kInputOk) return rc;
  *state = state_;
  state_.x = state_.y = state_.z = 0;
  return kInputOk;
}

bool PlatformMouse::Pointer(int32_t* x, int32_t* y) const {
  if (!hasPointer_) return false;
  *x = pointerX_;
  *y = pointerY_;
  return true;
}

void PlatformSetArrowCursor() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  static SDL_Cursor* arrow = nullptr;
  if (!arrow) arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  if (arrow) SDL_SetCursor(arrow);
}

int PlatformCountCursor(bool show) {
  static int counter = 0;
  counter += show ? 1 : -1;
  PlatformShowCursor(counter >= 0);
  return counter;
}
