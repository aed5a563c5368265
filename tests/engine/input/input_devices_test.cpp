#include "engine/input/qninput.h"
#include "input_events.h"
#include "platform/events.h"
#include "platform/test_events.h"

#include <gtest/gtest.h>

using namespace testinput;

namespace {

class Devices : public ::testing::Test {
 protected:
  void SetUp() override {
    QNINPDEV::Open();
    QNKEYBOARD::Open(false);
    QNMOUSE::Open(true);
    for (int i = 0; i < 3; ++i) {
      QNMOUSE::LowerBound[i] = i == 2 ? -1000.0f : 0.0f;
      QNMOUSE::UpperBound[i] = i == 0 ? 640.0f : i == 1 ? 480.0f : 1000.0f;
      QNMOUSE::Position[i] = QNMOUSE::UpperBound[i] / 2;
    }
    QNMOUSE::Position[2] = 0;
    QNMOUSE::Poll();  // the button state outlives a close: start from "none"
  }
  void TearDown() override {
    QNMOUSE::Close();
    QNKEYBOARD::Close();
    QNINPDEV::Close();
  }
  static void Send(const SDL_Event& e) { QNINPDEV::OnEvent(e); }
};

TEST_F(Devices, SeveralPressesOfOneFrameCountOnePerPoll) {
  Send(Key(SDL_SCANCODE_A, true));
  Send(Key(SDL_SCANCODE_D, true));
  ASSERT_TRUE(QNKEYBOARD::Poll());
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x1Eu);
  EXPECT_TRUE(QNKEYBOARD::KeyDown(0x1E));
  EXPECT_TRUE(QNKEYBOARD::KeyDown(0x20));
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x20u);
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);  // nothing new this frame
  Send(Key(SDL_SCANCODE_W, true));
  Send(Key(SDL_SCANCODE_D, false));
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x11u);  // a release after the press does not undo it
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);
}

TEST_F(Devices, ModifiersJoinTheKeyEventAndMustMatchExactly) {
  Send(Key(SDL_SCANCODE_RSHIFT, true));
  Send(Key(SDL_SCANCODE_A, true));
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x11Eu);
  EXPECT_EQ(QNKEYBOARD::Modifiers(), QNKEY_SHIFT);
  EXPECT_TRUE(QNKEYBOARD::IsComboDown(0x11E));
  EXPECT_FALSE(QNKEYBOARD::IsComboDown(0x1E));  // Shift is held but not asked for
  Send(Key(SDL_SCANCODE_LCTRL, true));
  QNKEYBOARD::Poll();
  EXPECT_FALSE(QNKEYBOARD::IsComboDown(0x11E));
  EXPECT_TRUE(QNKEYBOARD::IsComboDown(0x31E));
  Send(Key(SDL_SCANCODE_RALT, true));
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0xB8u | 0x700u);
  EXPECT_TRUE(QNKEYBOARD::IsComboDown(0x700));  // code 0 tests the modifiers alone
  EXPECT_FALSE(QNKEYBOARD::IsComboDown(0x400));
}

TEST_F(Devices, MoreThanSixteenEventsArriveOverTwoPolls) {
  for (int i = 0; i < 8; ++i) {
    Send(Key(SDL_SCANCODE_Q, true));
    Send(Key(SDL_SCANCODE_Q, false));
  }
  Send(Key(SDL_SCANCODE_W, true));  // the 17th event
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x10u);
  for (int i = 1; i < 8; ++i) {  // every tap of Q counts, one per poll
    QNKEYBOARD::Poll();
    EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x10u);
  }
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x11u);
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);
}

TEST_F(Devices, MouseMotionWheelButtonsAndCursorBounds) {
  Send(Motion(10, -20));
  Send(Wheel(2));
  Send(Button(SDL_BUTTON_RIGHT, true));
  Send(Button(SDL_BUTTON_LEFT, true));
  ASSERT_TRUE(QNMOUSE::Poll());
  float x, y, w;
  QNMOUSE::Motion(&x, &y, &w);
  EXPECT_EQ(x, 10.0f);
  EXPECT_EQ(y, -20.0f);
  EXPECT_EQ(w, 240.0f);
  EXPECT_EQ(QNMOUSE::ButtonState(), 1u);  // left wins over right
  EXPECT_EQ(QNMOUSE::ButtonEvent(), 1u);
  EXPECT_TRUE(QNMOUSE::ButtonDown(2));
  EXPECT_FALSE(QNMOUSE::ButtonDown(5));
  EXPECT_EQ(QNMOUSE::Position[0], 330.0f);
  EXPECT_EQ(QNMOUSE::Position[1], 220.0f);
  EXPECT_EQ(QNMOUSE::Position[2], 240.0f);

  QNMOUSE::Poll();
  EXPECT_EQ(QNMOUSE::ButtonEvent(), 0u);
  QNMOUSE::Motion(&x, &y, &w);
  EXPECT_EQ(x, 0.0f);
  Send(Button(SDL_BUTTON_LEFT, false));
  QNMOUSE::Poll();
  EXPECT_EQ(QNMOUSE::ButtonState(), 2u);
  EXPECT_EQ(QNMOUSE::ButtonEvent(), 2u);

  Send(Motion(5000, -5000));
  Send(Wheel(-100));
  QNMOUSE::Poll();
  EXPECT_EQ(QNMOUSE::Position[0], 639.0f);  // never reaches the upper bound
  EXPECT_EQ(QNMOUSE::Position[1], 0.0f);
  EXPECT_EQ(QNMOUSE::Position[2], -1000.0f);
}

TEST_F(Devices, FocusLossClearsStateBlocksAndKeepsEvents) {
  Send(Key(SDL_SCANCODE_A, true));
  Send(Motion(7, 7));
  Send(Button(SDL_BUTTON_LEFT, true));
  QNKEYBOARD::Poll();
  QNMOUSE::Poll();
  ASSERT_EQ(QNKEYBOARD::KeyEvent(), 0x1Eu);
  const float px = QNMOUSE::Position[0];

  Send(Focus(false));
  Send(Motion(3, 3));
  EXPECT_FALSE(QNKEYBOARD::Poll());
  EXPECT_FALSE(QNMOUSE::Poll());
  EXPECT_FALSE(QNKEYBOARD::KeyDown(0x1E));
  EXPECT_FALSE(QNKEYBOARD::IsComboDown(0x1E));
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x1Eu);  // kept
  float x, y, w;
  QNMOUSE::Motion(&x, &y, &w);
  EXPECT_EQ(x, 0.0f);
  EXPECT_FALSE(QNMOUSE::ButtonDown(1));
  EXPECT_EQ(QNMOUSE::ButtonState(), 1u);  // kept
  EXPECT_EQ(QNMOUSE::Position[0], px);

  // A drain of a device that stays unavailable ends.
  QNKEYBOARD::Drain();
  QNMOUSE::Drain();

  Send(Focus(true));
  EXPECT_TRUE(QNKEYBOARD::Poll());
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);
  Send(Key(SDL_SCANCODE_S, true));
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x1Fu);
  EXPECT_TRUE(QNMOUSE::Poll());
}

TEST_F(Devices, OpenDrainsTheKeyboard) {
  Send(Key(SDL_SCANCODE_A, true));
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x1Eu);
  Send(Key(SDL_SCANCODE_B, true));
  QNKEYBOARD::Drain();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);
  EXPECT_TRUE(QNKEYBOARD::KeyDown(0x30));
}

TEST(Joystick, AbsentJoystickAnswersZero) {
  QNJOYSTICK::Open(true);
  if (QNJOYSTICK::IsPresent()) {
    QNJOYSTICK::Close();
    GTEST_SKIP() << "a joystick is attached to this machine";
  }
  EXPECT_FALSE(QNJOYSTICK::Poll());
  float x = 1, y = 1, z = 1;
  QNJOYSTICK::Axes(&x, &y, &z);
  EXPECT_EQ(x + y + z, 0.0f);
  QNJOYSTICK::Rotation(&x, &y, &z);
  EXPECT_EQ(x + y + z, 0.0f);
  EXPECT_EQ(QNJOYSTICK::Slider(0), 0.0f);
  EXPECT_EQ(QNJOYSTICK::POV(0), 0.0f);
  EXPECT_FALSE(QNJOYSTICK::ButtonDown(0));
  EXPECT_FALSE(QNJOYSTICK::ButtonDown(40));
  QNJOYSTICK::Close();
}

TEST(Joystick, VirtualStickScalesAndReportsButtonEvents) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
  const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 3, 8, 0);
  if (index < 0 || SDL_NumJoysticks() != 1) {
    if (index >= 0) SDL_JoystickDetachVirtual(index);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    GTEST_SKIP() << "virtual joystick unavailable or another joystick attached";
  }
  QNJOYSTICK::Open(true);
  ASSERT_TRUE(QNJOYSTICK::IsPresent());
  SDL_Joystick* v = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
  SDL_JoystickSetVirtualAxis(v, 0, 32767);
  SDL_JoystickSetVirtualAxis(v, 1, -2000);  // inside the dead zone
  SDL_JoystickSetVirtualAxis(v, 2, 32767);
  SDL_JoystickSetVirtualButton(v, 1, 1);
  SDL_JoystickSetVirtualButton(v, 3, 1);
  ASSERT_TRUE(QNJOYSTICK::Poll());
  float x, y, z;
  QNJOYSTICK::Axes(&x, &y, &z);
  EXPECT_EQ(x, 1000.0f);
  EXPECT_EQ(y, 0.0f);
  EXPECT_EQ(z, 1000.0f);
  EXPECT_EQ(QNJOYSTICK::ButtonState(), 1u);
  EXPECT_EQ(QNJOYSTICK::ButtonEvent(), 1u);
  QNJOYSTICK::Poll();
  EXPECT_EQ(QNJOYSTICK::ButtonEvent(), QNJOYSTICK::kNoButton);
  SDL_JoystickSetVirtualButton(v, 1, 0);
  QNJOYSTICK::Poll();
  EXPECT_EQ(QNJOYSTICK::ButtonEvent(), 3u);
  EXPECT_TRUE(QNJOYSTICK::ButtonDown(3));

  QNJOYSTICK::OnEvent(Focus(false));
  EXPECT_FALSE(QNJOYSTICK::Poll());
  QNJOYSTICK::Axes(&x, &y, &z);
  EXPECT_EQ(x, 0.0f);
  EXPECT_EQ(QNJOYSTICK::ButtonState(), 3u);  // kept
  QNJOYSTICK::Close();
  SDL_JoystickDetachVirtual(index);
  SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
}

}  // namespace

namespace {

TEST(Pump, OpenDevicesListenToTheMessagePump) {
  PlatformScriptedEvents script;
  script.Install();
  QNKEYBOARD::Open(false);
  script.Push(Key(SDL_SCANCODE_K, true));
  PlatformPumpMessages();
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x25u);
  QNKEYBOARD::Close();
  script.Push(Key(SDL_SCANCODE_J, true));
  PlatformPumpMessages();  // a closed device no longer listens
  QNKEYBOARD::Open(false);
  QNKEYBOARD::Poll();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);
  QNKEYBOARD::Close();
  script.Uninstall();
}

}  // namespace
