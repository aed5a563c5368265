#include "platform/input_mouse.h"

#include "platform/window.h"

#include <algorithm>
#include <cmath>
#include <vector>

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
  for (uint8_t& p : pressed_) p = 0;
  wheelRest_ = 0;
  motionRest_[0] = motionRest_[1] = 0;
}

// Adds client-pixel motion in picture pixels, keeping the fraction for the next event.
static int32_t ScaledMotion(int32_t clientPixels, float* rest) {
  const float units = static_cast<float>(clientPixels) * PlatformPictureScale() + *rest;
  const float whole = std::trunc(units);
  *rest = units - whole;
  return static_cast<int32_t>(whole);
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
      state_.x += ScaledMotion(event.motion.xrel, &motionRest_[0]);
      state_.y += ScaledMotion(event.motion.yrel, &motionRest_[1]);
      PlatformClientToPicture(static_cast<float>(event.motion.x), static_cast<float>(event.motion.y), &pointerX_,
                              &pointerY_);
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
      if (i >= 0) {
        state_.buttons[i] = event.type == SDL_MOUSEBUTTONDOWN ? 0x80 : 0;
        if (event.type == SDL_MOUSEBUTTONDOWN) pressed_[i] = 0x80;
      }
      PlatformClientToPicture(static_cast<float>(event.button.x), static_cast<float>(event.button.y), &pointerX_,
                              &pointerY_);
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
  for (int i = 0; i < 4; ++i) {
    state->buttons[i] = static_cast<uint8_t>(state->buttons[i] | pressed_[i]);
    pressed_[i] = 0;
  }
  state_.x = state_.y = state_.z = 0;
  return kInputOk;
}

bool PlatformMouse::Pointer(float* x, float* y) const {
  if (!hasPointer_) return false;
  *x = pointerX_;
  *y = pointerY_;
  return true;
}

namespace {

SDL_Cursor* gArrow = nullptr;
SDL_Cursor* gImageCursor = nullptr;  // owned; freed when replaced
std::vector<uint32_t> gImage;
int gImageWidth = 0, gImageHeight = 0, gHotX = 0, gHotY = 0;

void ShowArrow() {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return;
  if (!gArrow) gArrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  if (gArrow) SDL_SetCursor(gArrow);
}

void DropImageCursor() {
  if (gImageCursor) {
    SDL_FreeCursor(gImageCursor);  // SDL falls back on its default cursor if this one is shown
    gImageCursor = nullptr;
  }
  gImage.clear();
  gImageWidth = gImageHeight = 0;
}

}  // namespace

void PlatformSetArrowCursor() {
  ShowArrow();
  DropImageCursor();
}

bool PlatformSetImageCursor(const uint32_t* argb, int width, int height, int hotX, int hotY) {
  if (!argb || width <= 0 || height <= 0 || hotX < 0 || hotY < 0 || hotX >= width || hotY >= height) {
    PlatformSetArrowCursor();
    return false;
  }
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  if (width == gImageWidth && height == gImageHeight && hotX == gHotX && hotY == gHotY &&
      std::equal(argb, argb + count, gImage.begin()))
    return true;  // already in use: the set-cursor message repeats it often
  SDL_Cursor* cursor = nullptr;
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceFrom(const_cast<uint32_t*>(argb), width, height, 32, width * 4,
                                                    0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u);
    if (surface) {
      cursor = SDL_CreateColorCursor(surface, hotX, hotY);  // null where the driver has no colour cursors
      SDL_FreeSurface(surface);
    }
  }
  if (cursor) {
    SDL_SetCursor(cursor);
  } else {
    ShowArrow();
  }
  DropImageCursor();
  gImageCursor = cursor;
  gImage.assign(argb, argb + count);
  gImageWidth = width;
  gImageHeight = height;
  gHotX = hotX;
  gHotY = hotY;
  return true;
}

const uint32_t* PlatformCursorImage(int* width, int* height) {
  if (width) *width = gImageWidth;
  if (height) *height = gImageHeight;
  return gImage.empty() ? nullptr : gImage.data();
}

int PlatformCountCursor(bool show) {
  static int counter = 0;
  counter += show ? 1 : -1;
  PlatformShowCursor(counter >= 0);
  return counter;
}
