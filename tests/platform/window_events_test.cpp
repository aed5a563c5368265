#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/events.h"
#include "platform/message_box.h"
#include "platform/test_events.h"
#include "platform/window.h"

namespace {

struct Message {
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
};

std::vector<Message> g_messages;
int g_nestedPumpsOnKey = 0;

std::intptr_t RecordingProc(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam)
{
    g_messages.push_back({message, wparam, lparam});
    if (message == PM_DESTROY)
        PlatformPostQuit();
    if (message == PM_KEYDOWN && g_nestedPumpsOnKey > 0) {
        --g_nestedPumpsOnKey;
        PlatformPumpMessages();
    }
    return 0;
}

class PumpTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_messages.clear();
        g_nestedPumpsOnKey = 0;
        PlatformClearQuit();
        PlatformSetWindowProc(&RecordingProc);
        PlatformSetAccelerator(0);
        script.Install();
    }
    void TearDown() override
    {
        script.Uninstall();
        PlatformSetWindowProc(nullptr);
        PlatformSetAccelerator(0);
        PlatformClearQuit();
    }
    PlatformScriptedEvents script;
};

void CountEvents(const SDL_Event& e, void* context)
{
    auto* types = static_cast<std::vector<Uint32>*>(context);
    types->push_back(e.type);
}

}  // namespace

TEST(PlatformWindowRect, CutsToNinetyPercentAndCentres)
{
    PlatformRect r = PlatformWindowRect(640, 480, 1920, 1080);
    EXPECT_EQ(r.width, 640);
    EXPECT_EQ(r.height, 480);
    EXPECT_EQ(r.x, 640);
    EXPECT_EQ(r.y, 300);

    r = PlatformWindowRect(1920, 479, 1920, 1080);
    EXPECT_EQ(r.width, 1728);
    EXPECT_EQ(r.x, 96);
    EXPECT_EQ(r.y, 300);  // (1080 - 479) / 2 rounded down

    r = PlatformWindowRect(800, 2000, 1024, 768);
    EXPECT_EQ(r.height, 691);  // 768 * 90 / 100
    EXPECT_EQ(r.y, 38);
}

TEST_F(PumpTest, TranslatesKeysButtonsAndWindowEvents)
{
    script.KeyDown(SDLK_LSHIFT, KMOD_LSHIFT);
    script.KeyDown(SDLK_F5, KMOD_LSHIFT);
    script.KeyUp(SDLK_F5, KMOD_NONE);
    script.MouseButton(true, SDL_BUTTON_LEFT, 10, 10);
    script.MouseButton(true, SDL_BUTTON_RIGHT, 10, 10);
    script.MouseButton(false, SDL_BUTTON_LEFT, 10, 10);
    script.Window(SDL_WINDOWEVENT_FOCUS_LOST);
    EXPECT_TRUE(PlatformPumpMessages());

    ASSERT_EQ(g_messages.size(), 6u);
    EXPECT_EQ(g_messages[0].message, PM_KEYDOWN);
    EXPECT_EQ(g_messages[0].wparam, PVK_SHIFT);
    EXPECT_EQ(g_messages[1].message, PM_KEYDOWN);
    EXPECT_EQ(g_messages[1].wparam, PVK_F5);
    EXPECT_EQ(g_messages[1].lparam, static_cast<std::intptr_t>(PMOD_SHIFT));
    EXPECT_EQ(g_messages[2].message, PM_KEYUP);
    EXPECT_EQ(g_messages[2].lparam, 0);
    EXPECT_EQ(g_messages[3].message, PM_LBUTTONDOWN);  // the right button gives no message
    EXPECT_EQ(g_messages[4].message, PM_LBUTTONUP);
    EXPECT_EQ(g_messages[5].message, PM_KILLFOCUS);
}

TEST_F(PumpTest, AltEnterIsTheAcceleratorCommandOnlyWhenOneIsSet)
{
    script.KeyDown(SDLK_RETURN, KMOD_LALT);
    PlatformPumpMessages();
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].message, PM_KEYDOWN);

    g_messages.clear();
    PlatformSetAccelerator(40001);
    script.KeyDown(SDLK_RETURN, KMOD_LALT);
    script.KeyDown(SDLK_RETURN, KMOD_NONE);
    PlatformPumpMessages();
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[0].message, PM_COMMAND);
    EXPECT_EQ(g_messages[0].wparam, (std::uintptr_t{1} << 16) | 40001u);
    EXPECT_EQ(g_messages[1].message, PM_KEYDOWN);
    EXPECT_EQ(g_messages[1].wparam, PVK_RETURN);
}

TEST_F(PumpTest, ListenersSeeEveryEventIncludingQuit)
{
    std::vector<Uint32> types;
    PlatformAddEventListener(&CountEvents, &types);
    PlatformAddEventListener(&CountEvents, &types);  // registered once only
    script.MouseMotion(5, 5, 1, 1);
    script.KeyPress(SDLK_a);
    script.Quit();
    EXPECT_FALSE(PlatformPumpMessages());
    PlatformRemoveEventListener(&CountEvents, &types);
    EXPECT_EQ(types, (std::vector<Uint32>{SDL_MOUSEMOTION, SDL_KEYDOWN, SDL_KEYUP, SDL_QUIT}));

    PlatformClearQuit();
    script.KeyPress(SDLK_b);
    PlatformPumpMessages();
    EXPECT_EQ(types.size(), 4u);
}

TEST_F(PumpTest, QuitTakenByANestedPumpReachesTheOuterPump)
{
    g_nestedPumpsOnKey = 1;
    script.KeyDown(SDLK_a);  // the window procedure pumps again while handling this key
    script.Quit();
    script.KeyDown(SDLK_b);
    EXPECT_FALSE(PlatformPumpMessages());
    EXPECT_TRUE(PlatformQuitPending());
    EXPECT_EQ(script.Pending(), 1u);  // nothing after the quit was taken
    EXPECT_FALSE(PlatformPumpMessages());
    PlatformClearQuit();
    EXPECT_TRUE(PlatformPumpMessages());
    EXPECT_EQ(script.Pending(), 0u);
}

TEST_F(PumpTest, WindowCloseEndsThePumpThroughTheWindowProcedure)
{
    script.Window(SDL_WINDOWEVENT_CLOSE);
    script.KeyDown(SDLK_a);
    EXPECT_FALSE(PlatformPumpMessages());
    ASSERT_EQ(g_messages.size(), 1u);
    EXPECT_EQ(g_messages[0].message, PM_DESTROY);
}

TEST_F(PumpTest, ScriptedEventsWaitForTheirPass)
{
    script.KeyDown(SDLK_a, KMOD_NONE, 0);
    script.KeyDown(SDLK_b, KMOD_NONE, 2);
    PlatformPumpMessages();
    EXPECT_EQ(g_messages.size(), 1u);
    script.Advance();
    PlatformPumpMessages();
    EXPECT_EQ(g_messages.size(), 1u);
    script.Advance();
    PlatformPumpMessages();
    ASSERT_EQ(g_messages.size(), 2u);
    EXPECT_EQ(g_messages[1].wparam, static_cast<std::uintptr_t>('B'));
}

TEST_F(PumpTest, HeadlessWindowIsOpenGLAndAlwaysForeground)
{
    ASSERT_TRUE(PlatformWindowCreate("test", 320, 200)) << SDL_GetError();
    SDL_Window* w = PlatformWindowHandle();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(SDL_GetWindowFlags(w) & SDL_WINDOW_OPENGL);
    EXPECT_TRUE(PlatformIsHeadless());
    int cw = 0, ch = 0;
    PlatformWindowClientSize(&cw, &ch);
    EXPECT_EQ(cw, 320);
    EXPECT_EQ(ch, 200);

    script.Window(SDL_WINDOWEVENT_FOCUS_LOST);
    script.Window(SDL_WINDOWEVENT_MINIMIZED);
    PlatformPumpMessages();
    EXPECT_TRUE(PlatformWindowIsForeground());
    EXPECT_TRUE(PlatformWindowIsMinimised());
    script.Window(SDL_WINDOWEVENT_RESTORED);
    PlatformPumpMessages();
    EXPECT_FALSE(PlatformWindowIsMinimised());

    PlatformCaptureCursor(true);
    EXPECT_TRUE(PlatformCursorCaptured());
    PlatformWindowDestroy();
    PlatformWindowDestroy();
    EXPECT_EQ(PlatformWindowHandle(), nullptr);
    EXPECT_FALSE(PlatformCursorCaptured());
    PlatformVideoQuit();
}

TEST(PlatformMessageBox, CaptionsByKind)
{
    EXPECT_STREQ(PlatformMessageBoxCaption(nullptr, PLATFORM_MB_MESSAGE), "MESSAGE");
    EXPECT_STREQ(PlatformMessageBoxCaption(nullptr, PLATFORM_MB_WARNING), "WARNING");
    EXPECT_STREQ(PlatformMessageBoxCaption(nullptr, PLATFORM_MB_ERROR), "ERROR");
    EXPECT_STREQ(PlatformMessageBoxCaption(nullptr, 7), "");
    EXPECT_STREQ(PlatformMessageBoxCaption("Given", PLATFORM_MB_WARNING), "Given");
}

TEST(PlatformMessageBox, HeadlessGoesToStderrWithoutBlocking)
{
    ASSERT_TRUE(PlatformIsHeadless());
    ::testing::internal::CaptureStderr();
    PlatformMessageBox("Unable to open display.", "E R R O R", PLATFORM_MB_ERROR);
    PlatformMessageBox("careful", nullptr, PLATFORM_MB_WARNING);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("E R R O R: Unable to open display."), std::string::npos);
    EXPECT_NE(err.find("WARNING: careful"), std::string::npos);
}

TEST(PlatformScriptedEvents, KeysCarryTheirScancodeBeforeVideoStarts)
{
    PlatformVideoQuit();
    PlatformScriptedEvents script;
    script.KeyDown(SDLK_SPACE);
    script.KeyDown(SDLK_a);
    script.KeyDown(SDLK_F9);
    script.KeyDown(SDLK_ESCAPE);
    const SDL_Scancode expected[] = {SDL_SCANCODE_SPACE, SDL_SCANCODE_A, SDL_SCANCODE_F9, SDL_SCANCODE_ESCAPE};
    std::vector<SDL_Scancode> seen;
    script.Install();
    const PlatformEventListener listener = [](const SDL_Event& e, void* ctx) {
        static_cast<std::vector<SDL_Scancode>*>(ctx)->push_back(e.key.keysym.scancode);
    };
    PlatformAddEventListener(listener, &seen);
    PlatformPumpMessages();
    PlatformRemoveEventListener(listener, &seen);
    EXPECT_EQ(seen, std::vector<SDL_Scancode>(std::begin(expected), std::end(expected)));
}
