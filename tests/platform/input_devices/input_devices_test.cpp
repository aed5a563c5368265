#include "platform/input_joystick.h"
#include "platform/input_keyboard.h"
#include "platform/input_mouse.h"
#include "platform/input_scancodes.h"

#include <gtest/gtest.h>

#include <set>

namespace {

SDL_Event Key(SDL_Scancode sc, bool down, bool repeat = false) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.keysym.scancode = sc;
  e.key.repeat = repeat;
  return e;
}

SDL_Event Focus(bool gained) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.event = gained ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
  return e;
}

SDL_Event Motion(int dx, int dy) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.xrel = dx;
  e.motion.yrel = dy;
  return e;
}

SDL_Event Wheel(int notches, float precise = 0, bool flipped = false) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.y = notches;
  e.wheel.preciseY = precise;
  e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
  return e;
}

SDL_Event Button(uint8_t button, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  e.button.button = button;
  return e;
}

TEST(ScanCodes, ExtendedAndCommonKeys) {
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_ESCAPE), 0x01);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_A), 0x1E);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_Z), 0x2C);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_F4), 0x3E);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_F12), 0x58);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_UP), 0xC8);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_DOWN), 0xD0);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_LEFT), 0xCB);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_RIGHT), 0xCD);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_RCTRL), 0x9D);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_RALT), 0xB8);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_PAUSE), 0xC5);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_KP_ENTER), 0x9C);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_SCANCODE_KP_DIVIDE), 0xB5);
  EXPECT_EQ(PlatformKeyCodeFromScancode(static_cast<SDL_Scancode>(-1)), 0);
  EXPECT_EQ(PlatformKeyCodeFromScancode(SDL_NUM_SCANCODES), 0);
}

TEST(ScanCodes, EveryPrintableKeyHasItsOwnCode) {
  // Letters, digits, function keys, the navigation block and the keypad must not collide.
  std::set<uint8_t> seen;
  auto add = [&](SDL_Scancode first, SDL_Scancode last) {
    for (int s = first; s <= last; ++s) {
      if (s == SDL_SCANCODE_NONUSHASH) continue;  // the same key as backslash on ISO boards
      const uint8_t code = PlatformKeyCodeFromScancode(static_cast<SDL_Scancode>(s));
      EXPECT_NE(code, 0) << "scancode " << s;
      EXPECT_TRUE(seen.insert(code).second) << "scancode " << s;
      EXPECT_EQ(PlatformScancodeFromKeyCode(code), s);
    }
  };
  add(SDL_SCANCODE_A, SDL_SCANCODE_SLASH);
  add(SDL_SCANCODE_CAPSLOCK, SDL_SCANCODE_KP_PERIOD);
  add(SDL_SCANCODE_LCTRL, SDL_SCANCODE_RGUI);
}

TEST(Keyboard, StateAndEventsFollowThePump) {
  PlatformKeyboard kb;
  ASSERT_EQ(kb.Acquire(), kInputOk);
  kb.OnEvent(Key(SDL_SCANCODE_A, true));
  kb.OnEvent(Key(SDL_SCANCODE_A, true, /*repeat=*/true));  // auto-repeat: dropped
  kb.OnEvent(Key(SDL_SCANCODE_RALT, true));
  uint8_t state[256];
  ASSERT_EQ(kb.GetState(state), kInputOk);
  EXPECT_EQ(state[0x1E], 0x80);
  EXPECT_EQ(state[0xB8], 0x80);
  EXPECT_EQ(state[0x1F], 0);

  PlatformKeyEvent ev[16];
  uint32_t n = 16;
  ASSERT_EQ(kb.GetEvents(ev, &n), kInputOk);
  ASSERT_EQ(n, 2u);
  EXPECT_EQ(ev[0].code, 0x1E);
  EXPECT_TRUE(ev[0].down);
  EXPECT_EQ(ev[1].code, 0xB8);

  kb.OnEvent(Key(SDL_SCANCODE_A, false));
  n = 16;
  ASSERT_EQ(kb.GetEvents(ev, &n), kInputOk);
  ASSERT_EQ(n, 1u);
  EXPECT_FALSE(ev[0].down);
  ASSERT_EQ(kb.GetState(state), kInputOk);
  EXPECT_EQ(state[0x1E], 0);
}

TEST(Keyboard, MoreThanABufferOfEventsSpansTwoReads) {
  PlatformKeyboard kb;
  kb.Acquire();
  for (int i = 0; i < 10; ++i) {
    kb.OnEvent(Key(SDL_SCANCODE_Q, true));
    kb.OnEvent(Key(SDL_SCANCODE_Q, false));
  }
  PlatformKeyEvent ev[32];
  uint32_t n = 32;
  ASSERT_EQ(kb.GetEvents(ev, &n), kInputOk);
  EXPECT_EQ(n, 16u);
  n = 32;
  ASSERT_EQ(kb.GetEvents(ev, &n), kInputOk);
  EXPECT_EQ(n, 4u);
  EXPECT_FALSE(ev[3].down);
  n = 32;
  kb.GetEvents(ev, &n);
  EXPECT_EQ(n, 0u);
}

TEST(Keyboard, FocusLossUnacquiresAndClears) {
  PlatformKeyboard kb;
  kb.Acquire();
  kb.OnEvent(Key(SDL_SCANCODE_W, true));
  kb.OnEvent(Focus(false));
  EXPECT_FALSE(kb.Acquired());
  uint8_t state[256];
  PlatformKeyEvent ev[16];
  uint32_t n = 16;
  EXPECT_EQ(kb.GetEvents(ev, &n), kInputErrInputLost);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(kb.GetState(state), kInputErrNotAcquired);
  EXPECT_EQ(kb.Acquire(), kInputErrOtherAppHasPrio);
  kb.OnEvent(Key(SDL_SCANCODE_E, true));  // not seen while in the background
  kb.OnEvent(Focus(true));
  ASSERT_EQ(kb.Acquire(), kInputOk);
  ASSERT_EQ(kb.GetState(state), kInputOk);
  EXPECT_EQ(state[0x11], 0);  // W was cleared
  EXPECT_EQ(state[0x12], 0);
  n = 16;
  kb.GetEvents(ev, &n);
  EXPECT_EQ(n, 0u);
}

TEST(Mouse, MotionAndWheelSumSinceLastRead) {
  PlatformMouse mouse;
  mouse.SetExclusive(true);  // no video subsystem: relative mode is not taken
  ASSERT_EQ(mouse.Acquire(), kInputOk);
  EXPECT_FALSE(mouse.RelativeMode());
  mouse.OnEvent(Motion(3, -2));
  mouse.OnEvent(Motion(4, 5));
  mouse.OnEvent(Wheel(1));
  mouse.OnEvent(Wheel(2));
  mouse.OnEvent(Wheel(1, 0, /*flipped=*/true));
  PlatformMouseState s;
  ASSERT_EQ(mouse.GetState(&s), kInputOk);
  EXPECT_EQ(s.x, 7);
  EXPECT_EQ(s.y, 3);
  EXPECT_EQ(s.z, 2 * PlatformMouse::kWheelNotch);
  ASSERT_EQ(mouse.GetState(&s), kInputOk);
  EXPECT_EQ(s.x, 0);
  EXPECT_EQ(s.y, 0);
  EXPECT_EQ(s.z, 0);
  // Half notches of a smooth wheel add up to whole units.
  mouse.OnEvent(Wheel(0, 0.25f));
  mouse.OnEvent(Wheel(0, 0.25f));
  mouse.OnEvent(Wheel(0, -0.1f));
  mouse.GetState(&s);
  EXPECT_EQ(s.z, 48);
}

TEST(Mouse, ButtonsAndFocus) {
  PlatformMouse mouse;
  mouse.Acquire();
  mouse.OnEvent(Button(SDL_BUTTON_RIGHT, true));
  mouse.OnEvent(Button(SDL_BUTTON_X1, true));
  mouse.OnEvent(Button(SDL_BUTTON_MIDDLE, true));
  mouse.OnEvent(Button(SDL_BUTTON_MIDDLE, false));
  PlatformMouseState s;
  mouse.GetState(&s);
  EXPECT_EQ(s.buttons[0], 0);
  EXPECT_EQ(s.buttons[1], 0x80);
  EXPECT_EQ(s.buttons[2], 0x80);  // clicked since the last read: down for this one
  EXPECT_EQ(s.buttons[3], 0x80);
  mouse.GetState(&s);
  EXPECT_EQ(s.buttons[2], 0);
  EXPECT_EQ(s.buttons[3], 0x80);
  mouse.OnEvent(Motion(5, 5));
  mouse.OnEvent(Focus(false));
  EXPECT_NE(mouse.GetState(&s), kInputOk);
  mouse.OnEvent(Focus(true));
  ASSERT_EQ(mouse.Acquire(), kInputOk);
  ASSERT_EQ(mouse.GetState(&s), kInputOk);
  EXPECT_EQ(s.x, 0);
  EXPECT_EQ(s.buttons[1], 0);
}

class Joystick : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
    device_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 32, 1);
    if (device_ < 0) GTEST_SKIP() << "no virtual joystick driver: " << SDL_GetError();
  }
  void TearDown() override {
    joy_.reset();
    if (device_ >= 0) SDL_JoystickDetachVirtual(device_);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  int device_ = -1;
  std::unique_ptr<PlatformJoystick> joy_;
};

TEST_F(Joystick, AxesScaleWithDeadZoneAndSaturation) {
  joy_ = PlatformJoystick::OpenFirst();
  ASSERT_TRUE(joy_);
  joy_->SetRange(kJoyX, -1000, 1000);
  joy_->SetRange(kJoyZ, 0, 1000);
  for (int a : {kJoyX, kJoyZ}) {
    joy_->SetDeadZone(a, 1000);
    joy_->SetSaturation(a, 9000);
  }
  EXPECT_EQ(joy_->ScaleAxis(kJoyX, 0), 0);
  EXPECT_EQ(joy_->ScaleAxis(kJoyX, 3000), 0);        // inside the 10 % dead zone
  EXPECT_EQ(joy_->ScaleAxis(kJoyX, 32767), 1000);
  EXPECT_EQ(joy_->ScaleAxis(kJoyX, 30000), 1000);    // beyond 90 %: saturated
  EXPECT_EQ(joy_->ScaleAxis(kJoyX, -32768), -1000);
  EXPECT_EQ(joy_->ScaleAxis(kJoyX, 16384), 500);     // half travel: (0.5-0.1)/0.8
  EXPECT_EQ(joy_->ScaleAxis(kJoyZ, 0), 500);
  EXPECT_EQ(joy_->ScaleAxis(kJoyZ, -32768), 0);

  ASSERT_EQ(joy_->Acquire(), kInputOk);
  SDL_Joystick* v = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(device_));
  ASSERT_NE(v, nullptr);
  SDL_JoystickSetVirtualAxis(v, 0, -32768);
  SDL_JoystickSetVirtualAxis(v, 1, 16384);
  SDL_JoystickSetVirtualButton(v, 2, 1);
  SDL_JoystickSetVirtualHat(v, 0, SDL_HAT_RIGHT);
  ASSERT_EQ(joy_->Poll(), kInputOk);
  PlatformJoystickState s;
  ASSERT_EQ(joy_->GetState(&s), kInputOk);
  EXPECT_EQ(s.x, -1000);
  EXPECT_EQ(s.y, 32768 + 16384);  // default range 0..65535, no dead zone
  EXPECT_EQ(s.buttons[2], 0x80);
  EXPECT_EQ(s.buttons[0], 0);
  EXPECT_EQ(s.pov[0], 9000u);
  EXPECT_EQ(s.pov[1], PlatformJoystick::kPovCentred);

  joy_->OnEvent(Focus(false));
  EXPECT_NE(joy_->Poll(), kInputOk);
  EXPECT_NE(joy_->Acquire(), kInputOk);
}

}  // namespace
