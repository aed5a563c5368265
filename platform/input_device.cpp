#include "platform/input_device.h"

void PlatformInputDevice::Listener(const SDL_Event& event, void* self) {
  static_cast<PlatformInputDevice*>(self)->OnEvent(event);
}

void PlatformInputDevice::OnEvent(const SDL_Event& event) {
  if (event.type == SDL_WINDOWEVENT) {
    if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
      focused_ = false;
      if (acquired_) LoseAcquisition();
    } else if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
      focused_ = true;
    }
    return;
  }
  if (acquired_) HandleEvent(event);
}

uint32_t PlatformInputDevice::Acquire() {
  if (!focused_) return kInputErrOtherAppHasPrio;
  if (!acquired_) {
    acquired_ = true;
    lost_ = false;
    OnAcquire();
  }
  return kInputOk;
}

void PlatformInputDevice::Unacquire() {
  if (acquired_) {
    acquired_ = false;
    OnUnacquire();
  }
  lost_ = false;
}

void PlatformInputDevice::LoseAcquisition() {
  acquired_ = false;
  lost_ = true;
  OnUnacquire();
}

uint32_t PlatformInputDevice::CheckRead() {
  if (acquired_) return kInputOk;
  if (lost_) {
    lost_ = false;
    return kInputErrInputLost;
  }
  return kInputErrNotAcquired;
}
