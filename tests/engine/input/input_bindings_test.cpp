#include "engine/input/default_bindings.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "input_events.h"

#include <gtest/gtest.h>

using namespace testinput;

namespace {

// The default table over scripted devices; Frame() polls and evaluates like the engine's frame.
class DefaultBindings : public ::testing::Test {
 protected:
  void SetUp() override {
    QNINPDEV::Open();
    QNKEYBOARD::Open(false);
    QNMOUSE::Open(true);
    QNINPUTMAP::Create(QNDEFAULTBINDINGCOUNT);
    QnWriteDefaultBindings();
  }
  void TearDown() override {
    QNINPUTMAP::Free();
    QNMOUSE::Close();
    QNKEYBOARD::Close();
    QNINPDEV::Close();
  }
  static void Send(const SDL_Event& e) { QNINPDEV::OnEvent(e); }
  static void Frame(float dt = 0.02f) {
    QNJOYSTICK::Poll();
    QNKEYBOARD::Poll();
    QNMOUSE::Poll();
    QNINPUTMAP::EvaluateAll(dt);
  }
  static float V(int i) { return QNINPUTMAP::Value(i); }
};

TEST_F(DefaultBindings, TableShape) {
  int count = 0;
  const QNINPUTROW* rows = QnDefaultBindings(&count);
  EXPECT_EQ(count, 93 - 16);
  std::vector<bool> written(QNDEFAULTBINDINGCOUNT, false);
  for (int i = 0; i < count; ++i) {
    ASSERT_LT(rows[i].Action, 93);
    EXPECT_FALSE(written[rows[i].Action]) << "action " << rows[i].Action << " written twice";
    written[rows[i].Action] = true;
  }
  for (int unwritten : {0, 3, 5, 7, 18, 40, 55, 56, 57, 64, 65, 66, 67, 68, 86, 91}) {
    EXPECT_FALSE(written[unwritten]) << unwritten;
    EXPECT_EQ(QNINPUTMAP::Binding(unwritten)->Device, 0u);
  }
  EXPECT_EQ(QNINPUTMAP::Binding(23)->Target, QNINPUTMAP::Binding(22));
  EXPECT_EQ(QNINPUTMAP::Binding(22)->Target, nullptr);
  EXPECT_EQ(QNINPUTMAP::Binding(34)->Index, 461u);
  EXPECT_EQ(QNINPUTMAP::Binding(88)->Index, 300u);
}

TEST_F(DefaultBindings, EscapeFiresForExactlyOneFrame) {
  Send(Key(SDL_SCANCODE_ESCAPE, true));
  Frame();
  EXPECT_EQ(V(1), 1.0f);
  Frame();
  EXPECT_EQ(V(1), 0.0f);  // still held, but no new press
  Send(Key(SDL_SCANCODE_ESCAPE, false));
  Send(Key(SDL_SCANCODE_LSHIFT, true));
  Send(Key(SDL_SCANCODE_ESCAPE, true));
  Frame();
  EXPECT_EQ(V(1), 0.0f);  // Shift+Escape is another code
}

TEST_F(DefaultBindings, OppositeThrustKeysCancel) {
  Send(Key(SDL_SCANCODE_A, true));
  Frame();
  EXPECT_EQ(V(22), -3.0f);
  Send(Key(SDL_SCANCODE_D, true));
  Frame();
  EXPECT_EQ(V(22), 0.0f);
  Send(Key(SDL_SCANCODE_A, false));
  Frame();
  EXPECT_EQ(V(22), 3.0f);
  Send(Key(SDL_SCANCODE_D, false));
  Frame();
  EXPECT_EQ(V(22), 0.0f);
}

TEST_F(DefaultBindings, ThrottleIntegratesClampsAndLatchesToZero) {
  Send(Key(SDL_SCANCODE_W, true));
  Frame(0.25f);
  EXPECT_FLOAT_EQ(V(42), 0.25f);
  Frame(0.5f);
  EXPECT_FLOAT_EQ(V(42), 0.75f);
  Frame(0.5f);
  EXPECT_EQ(V(42), 1.0f);  // clamped
  Frame(0.0f);             // a frame after a scene change adds nothing
  EXPECT_EQ(V(42), 1.0f);
  Send(Key(SDL_SCANCODE_W, false));
  Send(Key(SDL_SCANCODE_D, true));
  Frame(0.1f);
  EXPECT_EQ(V(42), 0.0f);
  Send(Key(SDL_SCANCODE_D, false));
  Send(Key(SDL_SCANCODE_S, true));
  for (int i = 0; i < 30; ++i) Frame(0.1f);
  EXPECT_EQ(V(42), -1.0f);
}

TEST_F(DefaultBindings, ShiftBindingsNeedShiftAlone) {
  Send(Key(SDL_SCANCODE_LSHIFT, true));
  Send(Key(SDL_SCANCODE_RIGHT, true));
  Frame();
  EXPECT_EQ(V(34), -4.0f);  // Shift+Right: roll
  EXPECT_EQ(V(31), 0.0f);   // plain Right (yaw) wants no Shift
  Send(Key(SDL_SCANCODE_RCTRL, true));
  Frame();
  EXPECT_EQ(V(34), 0.0f);
  Send(Key(SDL_SCANCODE_RCTRL, false));
  Send(Key(SDL_SCANCODE_1, true));
  Frame();
  EXPECT_EQ(V(13), 1.0f);  // Shift+1 sells
  EXPECT_EQ(V(8), 0.0f);   // 1 alone would place
}

TEST_F(DefaultBindings, MouseAndKeysShareTheSteeringValue) {
  Send(Motion(0, 250));
  Frame();
  EXPECT_EQ(V(28), 250.0f);  // min = max = 0: no clamping
  EXPECT_EQ(V(45), 250.0f);
  Send(Key(SDL_SCANCODE_UP, true));
  Send(Motion(0, 2));
  Frame();
  EXPECT_EQ(V(28), 4.0f);  // the key is larger in the movement's direction
  Send(Motion(0, -9));
  Frame();
  EXPECT_EQ(V(28), -9.0f);  // the mouse wins in its own direction
  Send(Key(SDL_SCANCODE_UP, false));
  Send(Wheel(1));
  Frame();
  EXPECT_EQ(V(34), 30.0f);  // 120 units x 0.25
}

TEST_F(DefaultBindings, MouseButtonsAndAlt) {
  Send(Button(SDL_BUTTON_LEFT, true));
  Frame();
  EXPECT_EQ(V(2), 1.0f);   // on press
  EXPECT_EQ(V(58), 1.0f);  // fire while held
  Frame();
  EXPECT_EQ(V(2), 0.0f);
  EXPECT_EQ(V(58), 1.0f);
  Send(Key(SDL_SCANCODE_LALT, true));
  Frame();
  EXPECT_EQ(V(58), 0.0f);  // Alt hides the buttons from the bindings
}

TEST(Bindings, ModesOnOneTarget) {
  QNINPUTMAP::Create(4);
  QNINPUTBINDING& t = *QNINPUTMAP::Binding(0);
  QNINPUTBINDING& r = *QNINPUTMAP::Binding(1);
  r.Target = &t;
  r.Minimum = r.Maximum = 0;

  r.Mode = QNINPUT_PEAK;
  QNINPUTMAP::Apply(r, 2);
  QNINPUTMAP::Apply(r, 1);
  EXPECT_EQ(t.Value, 2.0f);
  QNINPUTMAP::Apply(r, 0);
  EXPECT_EQ(t.Value, 2.0f);
  QNINPUTMAP::Apply(r, -3);
  EXPECT_EQ(t.Value, -3.0f);

  r.Mode = QNINPUT_LATCH;
  r.Scale = 0.5f;
  QNINPUTMAP::Apply(r, 4);
  EXPECT_EQ(t.Value, 2.0f);
  QNINPUTMAP::Apply(r, 0);
  EXPECT_EQ(t.Value, 2.0f);  // the last non-zero input stays
  r.Scale = 0;
  QNINPUTMAP::Apply(r, 1);
  EXPECT_EQ(t.Value, 0.0f);  // a non-zero raw latches even a zero value

  r.Mode = QNINPUT_TOGGLE;
  r.Scale = 1;
  QNINPUTMAP::Apply(r, 5);
  EXPECT_EQ(t.Value, 5.0f);
  QNINPUTMAP::Apply(r, 0);
  EXPECT_EQ(t.Value, 5.0f);
  QNINPUTMAP::Apply(r, 5);
  EXPECT_EQ(t.Value, 0.0f);

  r.Mode = 9;  // unknown mode: unchanged, but still clamped by r's bounds
  t.Value = 50;
  r.Minimum = -1;
  r.Maximum = 1;
  QNINPUTMAP::Apply(r, 7);
  EXPECT_EQ(t.Value, 1.0f);

  // Two records on one target: the later set wins.
  QNINPUTBINDING& a = *QNINPUTMAP::Binding(2);
  QNINPUTBINDING& b = *QNINPUTMAP::Binding(3);
  a.Target = b.Target = &t;
  QNINPUTMAP::Apply(a, 1);
  QNINPUTMAP::Apply(b, 0);
  EXPECT_EQ(t.Value, 0.0f);
  QNINPUTMAP::Free();
}

TEST(Bindings, SensitivityOnlyForKnownControls) {
  QNINPUTMAP::Create(2);
  EXPECT_EQ(QNINPUTMAP::Sensitivity(2, 1, 1), 1.0f);
  QNINPUTMAP::SetSensitivity(2, 1, 1, 3.0f);
  QNINPUTBINDING& r = *QNINPUTMAP::Binding(0);
  r.Device = QNINPUT_MOUSE;
  r.Kind = QNINPUT_AXIS;
  r.Index = 1;
  QNINPUTMAP::Apply(r, 2);
  EXPECT_EQ(r.Value, 6.0f);
  // Devices and kinds outside the table (the slot would lie past its end) take no factor.
  QNINPUTBINDING& odd = *QNINPUTMAP::Binding(1);
  odd.Device = 7;
  odd.Kind = 9;
  odd.Index = 2;
  QNINPUTMAP::Apply(odd, 2);
  EXPECT_EQ(odd.Value, 2.0f);
  EXPECT_EQ(QNINPUTMAP::Raw(odd), 0.0f);
  QNINPUTMAP::SetSensitivity(4, 1, 0, 9.0f);  // ignored
  EXPECT_EQ(QNINPUTMAP::Sensitivity(4, 1, 0), 1.0f);
  // Create resets every factor.
  QNINPUTMAP::Create(0);
  EXPECT_EQ(QNINPUTMAP::Count(), 0u);
  EXPECT_EQ(QNINPUTMAP::Sensitivity(2, 1, 1), 1.0f);
  EXPECT_EQ(QNINPUTMAP::Binding(0), nullptr);
  EXPECT_EQ(QNINPUTMAP::Value(0), 0.0f);
  QnWriteDefaultBindings();  // rows beyond the table are skipped
  EXPECT_EQ(QNINPUTMAP::Count(), 0u);
}

TEST(Bindings, JoystickBindingsReadZeroWithoutJoystick) {
  QNJOYSTICK::Close();
  QNINPUTMAP::Create(3);
  QNINPUTROW rows[] = {
      {0, QNINPUT_JOYSTICK, QNINPUT_AXIS, 0, 1.0f, -1, 0, QNINPUT_SET, 0, 0},
      {1, QNINPUT_JOYSTICK, QNINPUT_BUTTON, 0, 1.0f, -1, 1, QNINPUT_SET, 0, 0},
      {2, QNINPUT_JOYSTICK, QNINPUT_BUTTON, 31, 1.0f, -1, 0, QNINPUT_SET, 0, 0},
  };
  QNINPUTMAP::Write(rows, 3);
  for (int i = 0; i < 3; ++i) QNINPUTMAP::Binding(i)->Value = 5;
  QNINPUTMAP::EvaluateAll(0.02f);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(QNINPUTMAP::Value(i), 0.0f) << i;
  QNINPUTMAP::Free();
}

}  // namespace
