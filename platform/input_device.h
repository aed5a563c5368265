#pragma once
// Common ground of the keyboard, mouse and joystick devices: result codes,
// acquisition and window focus.
//
// A device is "acquired" while the program may read it. It can only be
// acquired while the window has the input focus (foreground cooperation);
// losing the focus unacquires it and clears its state, and every read then
// fails with kInputErrInputLost once and kInputErrNotAcquired after that,
// until Acquire succeeds again. A window that never reported a focus change
// (headless runs, scripted tests) counts as focused.

#include <SDL.h>
#include <cstdint>

/// Result codes of the input devices. The engine tests the two "lost" codes.
enum : uint32_t {
  kInputOk = 0,
  kInputErrOtherAppHasPrio = 0x80070005u,  ///< Acquire refused: the window lacks focus.
  kInputErrNotAcquired = 0x8007000Cu,      ///< Read on a device that is not acquired.
  kInputErrInputLost = 0x8007001Eu,        ///< First read after the device lost acquisition.
};

/// Base of the platform input devices.
class PlatformInputDevice {
 public:
  PlatformInputDevice() = default;
  PlatformInputDevice(const PlatformInputDevice&) = delete;
  PlatformInputDevice& operator=(const PlatformInputDevice&) = delete;
  virtual ~PlatformInputDevice() = default;

  /// Feeds one event from the message pump (or from a test's script).
  /// Window focus events change the focus; the rest reach the device only while acquired.
  void OnEvent(const SDL_Event& event);

  /// Listener signature of the message pump; `self` is the device.
  static void Listener(const SDL_Event& event, void* self);

  /// Exclusive cooperation (only the mouse gives it a meaning: relative mode).
  void SetExclusive(bool exclusive) { exclusive_ = exclusive; }
  bool Exclusive() const { return exclusive_; }

  /// Starts delivering data. Fails with kInputErrOtherAppHasPrio without focus.
  uint32_t Acquire();
  /// Stops delivering data and clears the device state.
  void Unacquire();

  bool Acquired() const { return acquired_; }
  bool Focused() const { return focused_; }

 protected:
  /// kInputOk while acquired, else the lost/not-acquired code (lost only once).
  uint32_t CheckRead();
  virtual void HandleEvent(const SDL_Event& event) = 0;
  virtual void OnAcquire() {}
  /// Clears everything the device had collected.
  virtual void OnUnacquire() = 0;

 private:
  void LoseAcquisition();

  bool focused_ = true;
  bool acquired_ = false;
  bool lost_ = false;
  bool exclusive_ = false;
};
