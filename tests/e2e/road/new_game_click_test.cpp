// The program's own game started as a player starts it: the title menu's NEW GAME clicked where
// the picture shows it, in window pixels of the full-screen window, with a click whose press and
// release both fall between two frames. The game then holds the pointer at once.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/game_driver.h"
#include "engine/input/qninput.h"
#include "engine/scene/scene.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnvirtual_screen.h"
#include "game/screens/main_menu.h"
#include "game/world/game_globals.h"
#include "platform/input_mouse.h"
#include "platform/test_events.h"
#include "platform/window.h"

namespace {

// The pass at which the driver itself would start the game with F2.
constexpr std::uint64_t kDriverNewGamePass = 150;

// Window pixel of a point of the screens' frame, through the rectangle the picture is shown in.
void WindowPixel(float x, float y, int* wx, int* wy)
{
    const float px = (x + QNVIRTUALSCREEN::HalfWidth) * (QNMOUSE::UpperBound[0] - QNMOUSE::LowerBound[0]) /
                     QNVIRTUALSCREEN::Width;
    const float py = (QNVIRTUALSCREEN::HalfHeight - y) * (QNMOUSE::UpperBound[1] - QNMOUSE::LowerBound[1]) /
                     QNVIRTUALSCREEN::Height;
    float cx = 0, cy = 0;
    PlatformPictureToClient(px, py, &cx, &cy);
    *wx = int(std::lround(cx));
    *wy = int(std::lround(cy));
}

TEST(NewGameClick, AShortClickOnTheDrawnButtonStartsAGameThatHoldsThePointer)
{
    std::uint64_t menuPass = 0, gamePass = 0;
    int windowWidth = 0, windowHeight = 0;
    GAMEDRIVE drive;
    drive.Frames = 2;
    drive.OnStartPass = [&](std::uint64_t pass) {
        PlatformScriptedEvents* script = DriverScript();
        const std::string scene = QNSCENE::Current ? QNSCENE::Current->Name().Text() : "";
        if (scene == "MAINMENU" && !menuPass)
            menuPass = pass;
        if (scene == "SPACE" && !gamePass)
            gamePass = pass;
        if (menuPass && pass == menuPass + 3) {
            PlatformWindowClientSize(&windowWidth, &windowHeight);
            int x = 0, y = 0;
            WindowPixel(MAINMENU::kButtonX, MAINMENU::kNewGameY, &x, &y);
            script->MouseMotion(x, y, 0, 0, script->Pass());
            script->MouseButton(true, SDL_BUTTON_LEFT, x, y, script->Pass() + 2);
            script->MouseButton(false, SDL_BUTTON_LEFT, x, y, script->Pass() + 2);
        }
    };
    bool exclusive = false, captured = false, pauses = false;
    std::uint32_t cursor = ~0u;
    drive.OnFrame = [&](std::uint64_t frame, const GAMEDRIVERTIMES&) {
        if (frame == 1) {
            exclusive = QNMOUSE::Device() && QNMOUSE::Device()->Exclusive();
            captured = PlatformCursorCaptured();
            pauses = QNAPP::InactivePause != 0;
            cursor = QNMOUSE::Cursor();
        }
        return true;
    };
    ASSERT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    ASSERT_NE(menuPass, 0u);
    // The window is the display's (the game asks for full screen), larger than the picture.
    EXPECT_GT(windowWidth, 640);
    EXPECT_GT(windowHeight, 480);
    // The click started the game, long before the driver's own F2.
    ASSERT_NE(gamePass, 0u);
    EXPECT_LT(gamePass, kDriverNewGamePass);
    EXPECT_LE(gamePass, menuPass + 12);
    // The game's first frame: exclusive mouse, pointer held in the window, the menu's cursor
    // image gone, and the game pauses without the focus.
    EXPECT_TRUE(exclusive);
    EXPECT_TRUE(captured);
    EXPECT_TRUE(pauses);
    EXPECT_EQ(cursor, 0u);
}

}  // namespace
