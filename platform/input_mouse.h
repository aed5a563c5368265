#pragma once
// The mouse device: relative motion and wheel summed since the last read
// (wheel in units of 120 per notch), four buttons (left, right, middle,
// fourth), and, when exclusive, SDL's relative mouse mode while acquired.
// Positions and motion are in picture pixels: window pixels mapped through
// the rectangle the picture is presented in (PlatformClientToPicture), motion
// scaled by the same factor, so the pointer lands where the picture shows it.

#include "platform/input_device.h"

#include <cstdint>

/// The 16-byte mouse state: movement since the last read and the button bytes
/// (high bit = down): 0 left, 1 right, 2 middle, 3 fourth.
struct PlatformMouseState {
  int32_t x = 0;
  int32_t y = 0;
  int32_t z = 0;  ///< wheel, 120 per notch, positive away from the user
  uint8_t buttons[4] = {};
};
static_assert(sizeof(PlatformMouseState) == 16);

class PlatformMouse : public PlatformInputDevice {
 public:
  static constexpr int32_t kWheelNotch = 120;

  ~PlatformMouse() override;

  /// Copies the state and starts summing motion afresh. A button pressed since the last read
  /// reads down once even when it was released again (a click shorter than the time between
  /// two reads still counts). Fails when not acquired.
  uint32_t GetState(PlatformMouseState* state);

  /// True while the device holds SDL's relative mouse mode.
  bool RelativeMode() const { return relative_; }

  /// The pointer in picture pixels as the last motion or button event placed it (scripted
  /// events included); false before any such event.
  bool Pointer(float* x, float* y) const;

 protected:
  void HandleEvent(const SDL_Event& event) override;
  void OnAcquire() override;
  void OnUnacquire() override;

 private:
  void SetRelative(bool on);

  PlatformMouseState state_;
  uint8_t pressed_[4] = {};  // 0x80 for buttons pressed since the last read
  float wheelRest_ = 0;  // fraction of a unit not yet reported
  float motionRest_[2] = {0, 0};  // fractions of a picture pixel not yet reported
  bool relative_ = false;
  float pointerX_ = 0, pointerY_ = 0;
  bool hasPointer_ = false;
};

/// Sets the standard arrow cursor (no effect without a video subsystem).
void PlatformSetArrowCursor();

/// Sets a cursor made from an ARGB image (rows top first) with its hot spot in pixels. The image is
/// kept as the cursor in use even when the video driver cannot show colour cursors (the system
/// arrow shows then). False, with the arrow set, for an empty image or a hot spot outside it.
bool PlatformSetImageCursor(const uint32_t* argb, int width, int height, int hotX, int hotY);

/// The image cursor in use (nullptr while the arrow is set); `width` and `height` receive its size.
const uint32_t* PlatformCursorImage(int* width, int* height);

/// The system cursor's display counter: each call adds 1 (show) or takes 1 away (hide);
/// the cursor shows while the counter is 0 or more. Returns the new counter.
int PlatformCountCursor(bool show);
