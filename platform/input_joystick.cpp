#include "platform/input_joystick.h"

#include <algorithm>
#include <cmath>

std::unique_ptr<PlatformJoystick> PlatformJoystick::OpenFirst() {
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return nullptr;
  SDL_Joystick* joystick = SDL_NumJoysticks() > 0 ? SDL_JoystickOpen(0) : nullptr;
  if (!joystick) {
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    return nullptr;
  }
  return std::unique_ptr<PlatformJoystick>(new PlatformJoystick(joystick));
}

PlatformJoystick::PlatformJoystick(SDL_Joystick* joystick) : joystick_(joystick) {}

PlatformJoystick::~PlatformJoystick() {
  SDL_JoystickClose(joystick_);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

const char* PlatformJoystick::Name() const {
  const char* name = SDL_JoystickName(joystick_);
  return name ? name : "";
}

void PlatformJoystick::SetRange(int axis, int32_t lo, int32_t hi) {
  if (axis < 0 || axis >= kJoyAxisCount || lo > hi) return;
  axes_[axis].lo = lo;
  axes_[axis].hi = hi;
}

void PlatformJoystick::SetDeadZone(int axis, uint32_t units) {
  if (axis < 0 || axis >= kJoyAxisCount || units > 10000) return;
  axes_[axis].deadZone = units;
}

void PlatformJoystick::SetSaturation(int axis, uint32_t units) {
  if (axis < 0 || axis >= kJoyAxisCount || units > 10000) return;
  axes_[axis].saturation = units;
}

int32_t PlatformJoystick::ScaleAxis(int axis, int16_t raw) const {
  const AxisProps& a = axes_[std::clamp(axis, 0, kJoyAxisCount - 1)];
  const double travel = raw >= 0 ? raw / 32767.0 : raw / 32768.0;  // -1..1
  const double p = std::fabs(travel) * 10000.0;
  double q;  // 0..1 of the half range
  if (p <= a.deadZone) {
    q = 0;
  } else if (p >= a.saturation) {
    q = 1;
  } else {
    q = (p - a.deadZone) / (static_cast<double>(a.saturation) - a.deadZone);
  }
  if (travel < 0) q = -q;
  const double centre = (static_cast<double>(a.lo) + a.hi) * 0.5;
  const double half = (static_cast<double>(a.hi) - a.lo) * 0.5;
  return static_cast<int32_t>(std::lround(centre + q * half));
}

uint32_t PlatformJoystick::Poll() {
  const uint32_t rc = CheckRead();
  if (rc != kInputOk) return rc;
  SDL_JoystickUpdate();
  return kInputOk;
}

static uint32_t PovFromHat(uint8_t hat) {
  switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return PlatformJoystick::kPovCentred;
  }
}

uint32_t PlatformJoystick::GetState(PlatformJoystickState* state) {
  const uint32_t rc = CheckRead();
  if (rc != kInputOk) return rc;
  PlatformJoystickState s;
  int32_t* axisSlots[kJoyAxisCount] = {&s.x, &s.y, &s.z, &s.rx, &s.ry, &s.rz,
                                       &s.slider[0], &s.slider[1]};
  const int axes = SDL_JoystickNumAxes(joystick_);
  for (int i = 0; i < kJoyAxisCount; ++i) {
    // Axes the device lacks rest at their centre.
    const int16_t raw = i < axes ? SDL_JoystickGetAxis(joystick_, i) : 0;
    *axisSlots[i] = ScaleAxis(i, raw);
  }
  const int hats = SDL_JoystickNumHats(joystick_);
  for (int i = 0; i < 4; ++i) {
    s.pov[i] = i < hats ? PovFromHat(SDL_JoystickGetHat(joystick_, i)) : kPovCentred;
  }
  const int buttons = std::min(SDL_JoystickNumButtons(joystick_), 32);
  for (int i = 0; i < buttons; ++i) {
    s.buttons[i] = SDL_JoystickGetButton(joystick_, i) ? 0x80 : 0;
  }
  *state = s;
  return kInputOk;
}
