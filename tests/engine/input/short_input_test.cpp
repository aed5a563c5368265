// Presses shorter than a frame, through the message pump as the player makes them: a key tap or
// a click whose down and up both arrive between two polls, several presses in one frame, and
// the pointer mapped through the picture shown in a window of another size.

#include "engine/input/default_bindings.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "platform/events.h"
#include "platform/input_mouse.h"
#include "platform/test_events.h"
#include "platform/window.h"

#include <gtest/gtest.h>

namespace {

constexpr std::uint32_t kScanA = 0x1E, kScanD = 0x20, kScanLeft = 0xCB;

class ShortInput : public ::testing::Test {
 protected:
  void SetUp() override {
    script.Install();
    QNINPDEV::Open();
    QNKEYBOARD::Open(false);
    QNMOUSE::Open(false);
    for (int i = 0; i < 3; ++i) {
      QNMOUSE::LowerBound[i] = i == 2 ? -1000.0f : 0.0f;
      QNMOUSE::UpperBound[i] = i == 0 ? 640.0f : i == 1 ? 480.0f : 1000.0f;
      QNMOUSE::Position[i] = QNMOUSE::UpperBound[i] / 2;
    }
    QNMOUSE::Poll();
  }
  void TearDown() override {
    PlatformClearPresentation();
    QNINPUTMAP::Free();
    QNMOUSE::Close();
    QNKEYBOARD::Close();
    QNINPDEV::Close();
    script.Uninstall();
  }
  // One frame's input: the pump takes what the player did, then the devices are polled.
  void Frame() {
    PlatformPumpMessages();
    script.Advance();
    QNKEYBOARD::Poll();
    QNMOUSE::Poll();
    QNINPUTMAP::EvaluateAll(0.02f);
  }
  PlatformScriptedEvents script;
};

TEST_F(ShortInput, AKeyTappedBetweenTwoPollsIsPressedAndHeldForOneFrame) {
  QNINPUTMAP::Create(93);
  QnWriteDefaultBindings();
  script.KeyDown(SDLK_LEFT, KMOD_NONE, 0);
  script.KeyUp(SDLK_LEFT, KMOD_NONE, 0);
  script.KeyDown(SDLK_ESCAPE, KMOD_NONE, 0);
  script.KeyUp(SDLK_ESCAPE, KMOD_NONE, 0);
  Frame();
  EXPECT_TRUE(QNKEYBOARD::KeyDown(kScanLeft));
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), kScanLeft);
  EXPECT_EQ(QNINPUTMAP::Value(31), -4.0f);  // the suit's yaw saw the key held
  Frame();
  EXPECT_FALSE(QNKEYBOARD::KeyDown(kScanLeft));
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x01u);  // Escape came in the same frame: its turn now
  EXPECT_EQ(QNINPUTMAP::Value(1), 1.0f);
  EXPECT_EQ(QNINPUTMAP::Value(31), 0.0f);
  Frame();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);
  EXPECT_EQ(QNINPUTMAP::Value(1), 0.0f);
}

TEST_F(ShortInput, EveryPressOfAFrameCountsInTheOrderMadeWithItsModifiers) {
  script.KeyDown(SDLK_a);
  script.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);
  script.KeyDown(SDLK_d, KMOD_LSHIFT);
  script.KeyUp(SDLK_d, KMOD_LSHIFT);
  script.KeyUp(SDLK_LSHIFT);
  Frame();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), kScanA);
  EXPECT_EQ(QNKEYBOARD::Modifiers(), QNKEY_SHIFT);  // the tapped Shift reads down for this frame
  Frame();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), kScanD | QNKEY_SHIFT);  // Shift was down when D went down
  EXPECT_EQ(QNKEYBOARD::Modifiers(), 0u);
  Frame();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0u);
  EXPECT_TRUE(QNKEYBOARD::KeyDown(kScanA));  // still held
  script.KeyDown(SDLK_RCTRL, KMOD_RCTRL, script.Pass());  // a modifier alone is a press
  Frame();
  EXPECT_EQ(QNKEYBOARD::KeyEvent(), 0x9Du | QNKEY_CONTROL);
}

TEST_F(ShortInput, AClickBetweenTwoPollsIsOneButtonEventAndAnEdgeBindingFires) {
  QNINPUTMAP::Create(93);
  QnWriteDefaultBindings();
  script.MouseButton(true, SDL_BUTTON_LEFT, 100, 100, 0);
  script.MouseButton(false, SDL_BUTTON_LEFT, 100, 100, 0);
  Frame();
  EXPECT_EQ(QNMOUSE::ButtonEvent(), 1u);
  EXPECT_TRUE(QNMOUSE::ButtonDown(1));
  EXPECT_EQ(QNINPUTMAP::Value(2), 1.0f);  // the suit's extend-the-frame press
  Frame();
  EXPECT_EQ(QNMOUSE::ButtonState(), 0u);
  EXPECT_FALSE(QNMOUSE::ButtonDown(1));
  EXPECT_EQ(QNINPUTMAP::Value(2), 0.0f);
  Frame();
  EXPECT_EQ(QNMOUSE::ButtonEvent(), 0u);
}

TEST_F(ShortInput, ThePointerMapsThroughThePictureAndMotionScalesWithIt) {
  // A 640 x 480 picture in a 1280 x 720 window: 1.5 window pixels a picture pixel, bars of
  // 160 pixels left and right.
  PlatformSetPresentation(640, 480, 1280, 720);
  const PlatformRect r = PlatformPictureRect();
  EXPECT_EQ(r.x, 160);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.width, 960);
  EXPECT_EQ(r.height, 720);

  float x = 0, y = 0;
  script.MouseMotion(640, 360, 0, 0, 0);
  Frame();
  QNMOUSE::Pointer(&x, &y);
  EXPECT_EQ(x, 320.0f);
  EXPECT_EQ(y, 240.0f);
  // The corners of the window: the bars hold the pointer at the picture's edges.
  const int corners[4][2] = {{0, 0}, {1279, 0}, {0, 719}, {1279, 719}};
  const float expected[4][2] = {{0, 0}, {639, 0}, {0, 479}, {639, 479}};
  for (int i = 0; i < 4; ++i) {
    script.MouseMotion(corners[i][0], corners[i][1], 0, 0, script.Pass());
    Frame();
    QNMOUSE::Pointer(&x, &y);
    EXPECT_EQ(x, expected[i][0]) << "corner " << i;
    EXPECT_EQ(y, expected[i][1]) << "corner " << i;
  }
  // A button pressed at the picture's right edge lands there.
  script.MouseButton(true, SDL_BUTTON_LEFT, 1119, 719, script.Pass());
  Frame();
  QNMOUSE::Pointer(&x, &y);
  EXPECT_EQ(x, 639.0f);
  EXPECT_EQ(y, 479.0f);

  // Relative motion: three moves of 5 window pixels are 10 picture pixels, none lost to rounding.
  for (int i = 0; i < 3; ++i) script.MouseMotion(0, 0, 5, -5, script.Pass());
  Frame();
  float dx = 0, dy = 0, wheel = 0;
  QNMOUSE::Motion(&dx, &dy, &wheel);
  EXPECT_EQ(dx, 10.0f);
  EXPECT_EQ(dy, -10.0f);
}

TEST(PictureFit, FillsTheClientWithoutStretchingAndCentresTheBars) {
  struct Case { int cw, ch; PlatformRect r; };
  const Case cases[] = {
      {640, 480, {0, 0, 640, 480}},       {1024, 768, {0, 0, 1024, 768}},
      {1920, 1080, {240, 0, 1440, 1080}}, {800, 1000, {0, 200, 800, 600}},
      {1366, 768, {171, 0, 1024, 768}},   {0, 0, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const PlatformRect r = PlatformFitPicture(640, 480, c.cw, c.ch);
    EXPECT_EQ(r.x, c.r.x) << c.cw << "x" << c.ch;
    EXPECT_EQ(r.y, c.r.y) << c.cw << "x" << c.ch;
    EXPECT_EQ(r.width, c.r.width) << c.cw << "x" << c.ch;
    EXPECT_EQ(r.height, c.r.height) << c.cw << "x" << c.ch;
  }
  // The two directions of the mapping agree on pixel centres.
  PlatformSetPresentation(640, 480, 1920, 1080);
  float cx = 0, cy = 0, px = 0, py = 0;
  PlatformPictureToClient(100.0f, 200.0f, &cx, &cy);
  PlatformClientToPicture(cx, cy, &px, &py);
  EXPECT_NEAR(px, 100.0f, 1e-3f);
  EXPECT_NEAR(py, 200.0f, 1e-3f);
  EXPECT_NEAR(PlatformPictureScale(), 640.0f / 1440.0f, 1e-6f);
  PlatformClearPresentation();
  EXPECT_EQ(PlatformPictureScale(), 1.0f);
}

}  // namespace
