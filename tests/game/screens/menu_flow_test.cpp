// The logo and the main menu in whole runs of the engine's loop: timing on the virtual clock,
// keys and clicks through the platform's event source, the game underneath, and quitting.

#include "physics/dynamics/world.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/view.h"
#include "tests/game/screens/screen_run.h"

namespace {

using screenrun::g_space;
using screenrun::g_stepPerRead;
using screenrun::ScreenRun;

constexpr float kNewGameX = MAINMENU::kButtonX;
constexpr float kNewGameY = MAINMENU::kNewGameY;

TEST_F(ScreenRun, LogoStaysTwoSecondsThenTheMenu)
{
    // Clock at the end of each frame; the logo's timer starts at the run's first frame.
    timeAt = [](long f) { return f == 1 ? 2.0 : f == 2 ? 2.99 : f == 3 ? 3.01 : 3.01 + 0.01 * double(f - 3); };
    ASSERT_EQ(Run(6), 0);
    EXPECT_EQ(SceneAt(1), "QUENNET");
    EXPECT_EQ(SceneAt(2), "QUENNET");
    EXPECT_EQ(SceneAt(3), "QUENNET");  // its update saw 1.99 s
    EXPECT_EQ(SceneAt(4), "QUENNET");  // saw 2.01 s and asked for the menu
    EXPECT_EQ(SceneAt(5), "MAINMENU");
    EXPECT_EQ(g_space.enter, 0);
}

TEST_F(ScreenRun, EscapeLeavesTheLogoAtOnce)
{
    Key(SDLK_ESCAPE, 2);
    ASSERT_EQ(Run(4), 0);
    EXPECT_EQ(SceneAt(2), "QUENNET");
    EXPECT_EQ(SceneAt(3), "MAINMENU");
}

TEST_F(ScreenRun, AClickLeavesTheLogoAtOnce)
{
    script.MouseButton(true, SDL_BUTTON_LEFT, 10, 10, 1);
    script.MouseButton(false, SDL_BUTTON_LEFT, 10, 10, 2);
    ASSERT_EQ(Run(4), 0);
    EXPECT_EQ(SceneAt(2), "QUENNET");
    EXPECT_EQ(SceneAt(3), "MAINMENU");
}

TEST_F(ScreenRun, MenuWithoutAGameStartsOneOnF2AndIgnoresEscape)
{
    Key(SDLK_ESCAPE, 2);   // logo -> menu at frame 3
    Key(SDLK_ESCAPE, 6);   // nothing under the menu: stays
    Key(SDLK_F2, 9);
    long menuFrame = 0;
    bool message = true;
    int bodies = -1, constraints = -1;
    onFrame = [&](long f) {
        if (QNSCENE::Current && std::string(QNSCENE::Current->Name().Text()) == "MAINMENU" && !menuFrame) {
            menuFrame = f;
            message = QNSCENE::Current->GetView(0)->Root->FindChild("MESSAGE") != nullptr;
            if (const QNPHYSWORLD* world = QNSCENE::Current->GetView(0)->World) {
                bodies = world->World->maxBodies;
                constraints = world->World->maxConstraints;
            }
        }
    };
    ASSERT_EQ(Run(12), 0);
    EXPECT_EQ(menuFrame, 3);
    EXPECT_FALSE(message);
    // The menu's own small world, made as it is entered.
    EXPECT_EQ(bodies, 10);
    EXPECT_EQ(constraints, 10);
    EXPECT_EQ(SceneAt(9), "MAINMENU");
    EXPECT_EQ(SceneAt(10), "SPACE");
    EXPECT_EQ(g_space.enter, 1);
}

TEST_F(ScreenRun, ClickOnNewGameThroughThePointerStartsTheGame)
{
    g_stepPerRead = 0.01;  // the wait for the click sound reads the clock
    Key(SDLK_ESCAPE, 2);
    Click(kNewGameX, kNewGameY, 6);
    std::string highlighted;
    onFrame = [&](long f) {
        if (f == 7 && QNSCENE::Current) {
            auto* button = static_cast<SPRITENODE*>(QNSCENE::Current->GetView(0)->Root->FindChild("NEWGAMEBUTTON"));
            highlighted = button && (button->PointerBits & QNPOINTER_INSIDE) ? "inside" : "outside";
        }
    };
    ASSERT_EQ(Run(14), 0);
    EXPECT_EQ(highlighted, "inside");
    const long game = FirstFrameOf("SPACE");
    EXPECT_GE(game, 9);
    EXPECT_LE(game, 10);
    EXPECT_EQ(g_space.enter, 1);
}

TEST_F(ScreenRun, EscapeWithAGameUnderneathResumesTheSameGame)
{
    g_stepPerRead = 0.01;
    Key(SDLK_ESCAPE, 2);   // logo -> menu
    Key(SDLK_F2, 5);       // menu -> SPACE at frame 6
    Key(SDLK_ESCAPE, 9);   // SPACE pushes the menu (frame 10)
    Click(kNewGameX, kNewGameY, 12);  // ignored with a game underneath
    Key(SDLK_ESCAPE, 20);  // pops back to the same SPACE (frame 21)
    bool message = false;
    std::string beneath;
    int leaves = -1;
    onFrame = [&](long f) {
        if (f == 11) {
            message = QNSCENE::Current->GetView(0)->Root->FindChild("MESSAGE") != nullptr;
            beneath = QNSCENE::Current->Beneath ? QNSCENE::Current->Beneath->Name().Text() : "";
        }
        leaves = g_space.leave;
    };
    ASSERT_EQ(Run(26), 0);
    EXPECT_EQ(SceneAt(6), "SPACE");
    EXPECT_EQ(SceneAt(10), "MAINMENU");
    EXPECT_TRUE(message);
    EXPECT_EQ(beneath, "SPACE");
    EXPECT_EQ(SceneAt(19), "MAINMENU");  // the click did not start a game
    EXPECT_EQ(SceneAt(21), "SPACE");
    EXPECT_EQ(SceneAt(26), "SPACE");     // Escape was not seen again by the game
    EXPECT_EQ(g_space.enter, 1);
    EXPECT_EQ(leaves, 0);
    EXPECT_EQ(g_space.escapes, 1);
}

TEST_F(ScreenRun, F2OverAGameStartsItAfresh)
{
    Key(SDLK_ESCAPE, 2);
    Key(SDLK_F2, 5);
    Key(SDLK_ESCAPE, 9);
    Key(SDLK_F2, 12);
    int leaves = -1;
    onFrame = [&](long) { leaves = g_space.leave; };
    ASSERT_EQ(Run(16), 0);
    EXPECT_EQ(SceneAt(12), "MAINMENU");
    EXPECT_EQ(SceneAt(13), "SPACE");
    EXPECT_EQ(g_space.enter, 2);
    EXPECT_EQ(leaves, 1);
}

TEST_F(ScreenRun, QuitButtonEndsTheRunWithStatusZero)
{
    g_stepPerRead = 0.01;
    Key(SDLK_ESCAPE, 2);
    Click(MAINMENU::kButtonX, MAINMENU::kQuitY, 6);
    ASSERT_EQ(Run(100), 0);
    // The press reaches the button at frame 9 (one frame behind the cursor); the request for
    // no scene ends the run at the next frame.
    EXPECT_LE(frame, 10);
    EXPECT_EQ(SceneAt(frame), "MAINMENU");
    EXPECT_EQ(g_space.enter, 0);
}

struct QuitProbe {
    QNWEAK<SPRITENODE> button;
    bool posted = false;
    bool counting = false;
    int reads = 0;
};
QuitProbe g_probe;

// The clock, and a quit queued at its first read while the new-game button is pressed (inside
// the wait for the click sound): the window was closed meanwhile.
std::int64_t ReadClockAndQuit(void*)
{
    SPRITENODE* button = g_probe.button.Get();
    if (!g_probe.posted && button && (button->PointerBits & QNPOINTER_PRESSED)) {
        PlatformPostQuit();
        g_probe.posted = g_probe.counting = true;
    }
    if (g_probe.counting)
        ++g_probe.reads;
    return screenrun::ReadClock(nullptr);
}

TEST_F(ScreenRun, AQuitDuringTheClickWaitEndsTheWaitAndTheRun)
{
    g_stepPerRead = 0.01;
    Key(SDLK_ESCAPE, 2);
    Click(kNewGameX, kNewGameY, 6);
    g_probe = QuitProbe{};
    PlatformSetCounter(&ReadClockAndQuit, nullptr);
    onFrame = [&](long) {
        g_probe.counting = false;
        if (QNSCENE::Current && !g_probe.button)
            g_probe.button = dynamic_cast<SPRITENODE*>(QNSCENE::Current->GetView(0)->Root->FindChild("NEWGAMEBUTTON"));
    };
    ASSERT_EQ(Run(100), 0);
    EXPECT_TRUE(g_probe.posted);
    EXPECT_LE(frame, 10);
    EXPECT_EQ(g_space.enter, 0);
    // The wait's next pump took the quit: it did not run out the click sound.
    EXPECT_GE(g_probe.reads, 1);
    EXPECT_LE(g_probe.reads, 2);
    g_probe = QuitProbe{};
}

}  // namespace

namespace {

// The frame as drawn, read back before it is presented.
struct Frame {
    std::vector<std::uint32_t> argb;
    std::uint32_t width = 0, height = 0;

    void Read() { ASSERT_TRUE(QNDISPLAY::ReadBack(argb, width, height)); }
    int R(int x, int y) const { return int((argb[std::size_t(y) * width + std::size_t(x)] >> 16) & 0xFF); }
    int G(int x, int y) const { return int((argb[std::size_t(y) * width + std::size_t(x)] >> 8) & 0xFF); }
    int B(int x, int y) const { return int(argb[std::size_t(y) * width + std::size_t(x)] & 0xFF); }
    // Pixels of the rectangle for which `test`(r, g, b) holds.
    template <class F>
    int Count(int x0, int y0, int x1, int y1, F test) const
    {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += test(R(x, y), G(x, y), B(x, y)) ? 1 : 0;
        return n;
    }
    int Sum(int x0, int y0, int x1, int y1) const
    {
        int s = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                s += R(x, y) + G(x, y) + B(x, y);
        return s;
    }
};

TEST_F(ScreenRun, LogoAndMenuAsDrawn)
{
    Key(SDLK_ESCAPE, 4);   // the menu from frame 5
    int px = 0, py = 0;
    ToPixel(kNewGameX, kNewGameY, &px, &py);
    script.MouseMotion(px, py, 0, 0, 9);  // over the new-game button from frame 10
    Frame logo, menu, hover;
    int reticleX = -1, reticleY = -1;
    onFrame = [&](long f) {
        if (f == 2)
            logo.Read();
        if (f == 8) {
            menu.Read();
            auto* reticle = QNSCENE::Current->GetView(0)->Root->FindChild("RETICLE");
            const QNVEC3 at = static_cast<QNNODE*>(reticle)->GetWorldMatrix().Translation();
            ToPixel(at.x, at.y, &reticleX, &reticleY);
        }
        if (f == 13)
            hover.Read();
    };
    ASSERT_EQ(Run(13), 0);
    ASSERT_EQ(logo.width, 640u);

    // The logo fills the screen: the gold emblem's outer ring left and right of the centre on
    // black, black corners.
    auto gold = [](int r, int g, int b) { return r > 150 && r > g && g > b + 40; };
    auto black = [](int r, int g, int b) { return r < 24 && g < 24 && b < 24; };
    EXPECT_GT(logo.Count(120, 220, 140, 260, gold), 400);
    EXPECT_GT(logo.Count(500, 220, 520, 260, gold), 400);
    EXPECT_EQ(logo.Count(0, 0, 40, 40, black), 1600);
    EXPECT_EQ(logo.Count(600, 440, 640, 480, black), 1600);

    // The menu: the dark blue backdrop, four buttons at the lower left (the quit button red),
    // the reticle tinting the backdrop under it.
    auto backdrop = [](int r, int g, int b) { return b > r + 10 && b > g && b < 140; };
    EXPECT_GT(menu.Count(400, 40, 600, 200, backdrop), 200 * 160 * 9 / 10);
    const int buttonsY[4] = {335, 372, 411, 449};  // new game, load/save, options, quit
    for (int i = 0; i < 4; ++i) {
        const int y = buttonsY[i];
        auto lit = [i](int r, int, int b) { return i < 3 ? (b > 150 && b > r + 60) : (r > 150 && r > b + 60); };
        EXPECT_GT(menu.Count(36, y - 8, 44, y + 8, lit), 40) << "button " << i;
    }
    ASSERT_GE(reticleX, 0);
    if (reticleX >= 0 && reticleX < 640 && reticleY >= 0 && reticleY < 480) {
        EXPECT_GT(menu.G(reticleX, reticleY), menu.B(reticleX, reticleY)) << reticleX << "," << reticleY;
        EXPECT_GT(menu.G(reticleX, reticleY), menu.R(reticleX, reticleY));
    }
    // The pointer over the new-game button shows its highlighted picture.
    EXPECT_EQ(SceneAt(13), "MAINMENU");
    EXPECT_GT(hover.Sum(36, 325, 190, 345), menu.Sum(36, 325, 190, 345) * 11 / 10);
    // The quit button keeps its picture (the drifting reticle may pass over it).
    const int quitBefore = menu.Sum(36, 440, 190, 458);
    EXPECT_LT(std::abs(hover.Sum(36, 440, 190, 458) - quitBefore), quitBefore / 20);
}

}  // namespace
