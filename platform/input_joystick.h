#pragma once
// The joystick device: the first SDL joystick, read as the 80-byte joystick
// state the engine expects (six axes, two sliders, four hats, 32 buttons).
//
// Axis scaling: SDL reports -32768..32767. Each axis has a range [lo, hi], a
// dead zone and a saturation, both in units of 1/10000 of the half-travel
// from the centre. With p = |travel| in those units:
//   p <= deadzone       -> centre of the range
//   p >= saturation     -> the end of the range on that side
//   otherwise           -> centre +- (p - deadzone) / (saturation - deadzone) of the half range.
// Defaults: range 0..65535, dead zone 0, saturation 10000. Hats read in
// hundredths of a degree clockwise from "up", 0xFFFFFFFF when centred or absent.

#include "platform/input_device.h"

#include <cstdint>
#include <memory>

/// The 80-byte joystick state.
struct PlatformJoystickState {
  int32_t x = 0, y = 0, z = 0;
  int32_t rx = 0, ry = 0, rz = 0;
  int32_t slider[2] = {};
  uint32_t pov[4] = {};
  uint8_t buttons[32] = {};  ///< high bit = down
};
static_assert(sizeof(PlatformJoystickState) == 80);

/// Axis numbers for the per-axis properties, in state order.
enum PlatformJoystickAxis : int {
  kJoyX, kJoyY, kJoyZ, kJoyRx, kJoyRy, kJoyRz, kJoySlider0, kJoySlider1, kJoyAxisCount
};

class PlatformJoystick : public PlatformInputDevice {
 public:
  static constexpr uint32_t kPovCentred = 0xFFFFFFFFu;

  /// Opens the first joystick SDL enumerates (starting SDL's joystick subsystem);
  /// null when none is attached.
  static std::unique_ptr<PlatformJoystick> OpenFirst();
  ~PlatformJoystick() override;

  void SetRange(int axis, int32_t lo, int32_t hi);
  void SetDeadZone(int axis, uint32_t units);
  void SetSaturation(int axis, uint32_t units);

  /// Brings the device's values up to date. Fails when not acquired.
  uint32_t Poll();
  /// Reads the state. Fails when not acquired.
  uint32_t GetState(PlatformJoystickState* state);

  /// Scales one raw SDL axis value by an axis's properties.
  int32_t ScaleAxis(int axis, int16_t raw) const;

  /// The SDL name of the device.
  const char* Name() const;

 protected:
  void HandleEvent(const SDL_Event&) override {}
  void OnUnacquire() override {}

 private:
  explicit PlatformJoystick(SDL_Joystick* joystick);

  struct AxisProps {
    int32_t lo = 0, hi = 65535;
    uint32_t deadZone = 0, saturation = 10000;
  };

  SDL_Joystick* joystick_;
  AxisProps axes_[kJoyAxisCount];
};
