// Screen sprites driven frame by frame by scripted keys and mouse buttons through the platform's
// event source, with the pointer path given in virtual-screen units.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/input/qninput.h"
#include "engine/physics/sprite_node.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "platform/events.h"
#include "platform/test_events.h"
#include "platform/window.h"
#include "tests/engine/physics/physics_fixture.h"

namespace {

QNVEC3 g_pointer;

// A sprite that logs every message as "NAME:id" ("NAME:id=a" for the ids whose argument the
// tests check).
class RECSPRITE : public SPRITENODE {
public:
    RECSPRITE(QNNODE* parent, const char* name, std::vector<std::string>* log, std::int32_t spriteKind = 0,
              std::uint32_t hotKey = 0, std::uint32_t capacity = 0, std::uint32_t filter = 0)
        : SPRITENODE(parent, name, 0, 0, 0, nullptr, 0, spriteKind, hotKey, capacity, filter), log_(log)
    {
        SetHitBox(QNBOX(QNVEC3(-50, -20, 0), QNVEC3(50, 20, 0)));
    }
    std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override
    {
        std::string entry = std::string(Name().Text()) + ":" + std::to_string(id);
        if (id == QNMSG_PRESS || id == QNMSG_DISABLED || id == QNMSG_PROPERTY19)
            entry += "=" + std::to_string(a);
        if (id == QNMSG_FOCUS || id == QNMSG_UNFOCUS)
            entry += "=" + std::string(a ? reinterpret_cast<QNITEM*>(a)->Name().Text() : "-");
        log_->push_back(entry);
        return SPRITENODE::OnMessage(id, a, b);
    }

private:
    std::vector<std::string>* log_;
};

class SpriteTest : public PhysicsTest {
protected:
    void SetUp() override
    {
        PhysicsTest::SetUp();
        ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
        ASSERT_TRUE(PlatformWindowCreate("sprite test", 320, 240)) << SDL_GetError();
        script.Install();
        QNINPDEV::Open();
        QNKEYBOARD::Open(false);
        QNMOUSE::Open(false);
        scene = new QNSCENE(&QNSCENE::SceneRoot(), "SPRITES", 1);
        QNSCENE::EnterScene(scene);
        root = scene->GetView(0)->Root;
        g_pointer = QNVEC3(-600, 0, 0);
        QNCURSOR::PositionSource = [] { return g_pointer; };
        // Made first, so the sprites see this frame's pointer.
        cursor = new QNCURSOR(root, "CURSOR", QNCF_LEVEL_GAME | QNCF_SCREEN, QNVEC3(0, 0, 0));
        QNAPP::Cursor = cursor;
    }
    void TearDown() override
    {
        QNSCENE::PopAll();
        QNSCENE::SceneRoot().DeleteChildren();
        QNCURSOR::PositionSource = nullptr;
        QNAPP::Cursor.Reset();
        QNAPP::Focus.Reset();
        QNMOUSE::Close();
        QNKEYBOARD::Close();
        QNINPDEV::Close();
        script.Uninstall();
        PlatformClearQuit();
        PlatformWindowDestroy();
        PhysicsTest::TearDown();
    }

    // One frame: the pump, the device polls, the scene's lists.
    void Frame()
    {
        PlatformPumpMessages();
        QNKEYBOARD::Poll();
        QNMOUSE::Poll();
        QNSCENE::UpdateScene(scene);
        script.Advance();
    }
    // The messages of one frame.
    std::vector<std::string> FrameLog()
    {
        log.clear();
        Frame();
        return log;
    }
    void Button(bool down) { script.MouseButton(down, SDL_BUTTON_LEFT, 0, 0, script.Pass()); }
    void KeyDown(SDL_Keycode k) { script.KeyDown(k, KMOD_NONE, script.Pass()); }
    void KeyUp(SDL_Keycode k) { script.KeyUp(k, KMOD_NONE, script.Pass()); }
    // Down in one frame, up in the next (a poll that sees both reports only the release).
    std::vector<std::string> Type(SDL_Keycode k)
    {
        KeyDown(k);
        std::vector<std::string> seen = FrameLog();
        KeyUp(k);
        Frame();
        return seen;
    }

    PlatformScriptedEvents script{false};
    QNSCENE* scene = nullptr;
    QNNODE* root = nullptr;
    QNCURSOR* cursor = nullptr;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(SpriteTest, PointerPathOverAButtonAndADisabledTwin)
{
    auto* button = new RECSPRITE(root, "B", &log);
    auto* twin = new RECSPRITE(root, "T", &log);
    twin->BroadcastDisabled(1, false);
    EXPECT_EQ(log, Log({"T:18=1"}));

    EXPECT_EQ(FrameLog(), Log());
    g_pointer = QNVEC3(0, 0, 0);
    EXPECT_EQ(FrameLog(), Log({"B:1", "B:2"}));
    EXPECT_EQ(FrameLog(), Log({"B:2"}));
    Button(true);
    EXPECT_EQ(FrameLog(), Log({"B:2", "B:12=-", "B:4=1"}));
    EXPECT_TRUE(QNAPP::Focus.Is(button));
    EXPECT_EQ(FrameLog(), Log({"B:2", "B:5"}));
    g_pointer = QNVEC3(9, 0, 0);  // within the drag distance
    EXPECT_EQ(FrameLog(), Log({"B:2", "B:5"}));
    g_pointer = QNVEC3(10.5f, 0, 0);
    EXPECT_EQ(FrameLog(), Log({"B:2", "B:5", "B:6", "B:14"}));
    EXPECT_EQ(button->PointerBits, std::uint32_t(QNPOINTER_INSIDE | QNPOINTER_DRAGGING));
    EXPECT_EQ(FrameLog(), Log({"B:2", "B:15"}));
    Button(false);
    EXPECT_EQ(FrameLog(), Log({"B:2", "B:16"}));
    g_pointer = QNVEC3(49.5f, 19.5f, 0);  // the box is half-open: still inside
    EXPECT_EQ(FrameLog(), Log({"B:2"}));
    g_pointer = QNVEC3(50, 0, 0);
    EXPECT_EQ(FrameLog(), Log({"B:3"}));
    EXPECT_EQ(FrameLog(), Log());

    // A press that ends without moving: press, then release.
    g_pointer = QNVEC3(0, 0, 0);
    Button(true);
    EXPECT_EQ(FrameLog(), Log({"B:1", "B:2", "B:4=1"}));  // already focused: no 12
    Button(false);
    EXPECT_EQ(FrameLog(), Log({"B:2", "B:6"}));

    // Broadcasts reach the disabled twin; the excluded node gets none; enabling it again lets
    // the pointer through.
    log.clear();
    root->BroadcastProperty19(7, true, button);
    EXPECT_EQ(log, Log({"T:19=7"}));
    EXPECT_EQ(twin->Property19, 7u);
    EXPECT_EQ(button->Property19, 0u);
    log.clear();
    root->BroadcastProperty18(0, true);
    EXPECT_EQ(log, Log({"B:18=0", "T:18=0"}));
    EXPECT_EQ(FrameLog(), Log({"B:2", "T:1", "T:2"}));
}

TEST_F(SpriteTest, DropTargetReleasesTheCarriedNodeOnlyWhenItAccepts)
{
    struct TARGET : RECSPRITE {
        using RECSPRITE::RECSPRITE;
        std::int32_t answer = 1;
        std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override
        {
            RECSPRITE::OnMessage(id, a, b);
            return id == QNMSG_DROP_TARGET ? answer : 0;
        }
    };
    auto* target = new TARGET(root, "D", &log);
    auto* icon = new GAMENODE(root, "ICON", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    QNSCENE::SetKeyboardTarget(icon);
    EXPECT_EQ(QNSCENE::GetKeyboardTarget(), icon);
    g_pointer = QNVEC3(0, 0, 0);
    EXPECT_EQ(FrameLog(), Log({"D:1", "D:2", "D:17"}));
    EXPECT_EQ(QNSCENE::GetKeyboardTarget(), icon);
    target->answer = 2;
    EXPECT_EQ(FrameLog(), Log({"D:2", "D:17"}));
    EXPECT_EQ(QNSCENE::GetKeyboardTarget(), nullptr);
    EXPECT_EQ(FrameLog(), Log({"D:2"}));

    // Without a cursor there is no target to carry and no pointer test.
    delete cursor;
    EXPECT_EQ(QNSCENE::GetKeyboardTarget(), nullptr);
    QNSCENE::SetKeyboardTarget(icon);
    EXPECT_EQ(FrameLog(), Log());
}

TEST_F(SpriteTest, OnlyAButtonGoingDownPressesAndAHeldSlideEndsInADrop)
{
    // Two buttons side by side, and a full-screen picture laid behind them at depth 1.
    auto* left = new RECSPRITE(root, "L", &log);
    auto* right = new RECSPRITE(root, "R", &log);
    right->SetTranslation(QNVEC3(200, 0, 0));
    auto* back = new RECSPRITE(root, "K", &log);
    back->SetHitBox(QNBOX(QNVEC3(-667, -500, 0), QNVEC3(667, 500, 0)));
    back->SetTranslation(QNVEC3(0, 0, 1));
    auto* icon = new GAMENODE(root, "ICON", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);

    g_pointer = QNVEC3(0, 0, 0);
    EXPECT_EQ(FrameLog(), Log({"L:1", "L:2"}));  // the deeper picture is not under the pointer
    Button(true);
    EXPECT_EQ(FrameLog(), Log({"L:2", "L:12=-", "L:4=1"}));
    QNSCENE::SetKeyboardTarget(icon);  // what L's drag carries
    g_pointer = QNVEC3(100, 0, 0);
    EXPECT_EQ(FrameLog(), Log({"L:3", "L:5", "L:6", "L:14"}));
    g_pointer = QNVEC3(200, 0, 0);
    // Sliding onto R with the button held presses nothing; the focus stays with L.
    EXPECT_EQ(FrameLog(), Log({"L:15", "R:1", "R:2"}));
    EXPECT_EQ(FrameLog(), Log({"L:15", "R:2"}));
    EXPECT_TRUE(QNAPP::Focus.Is(left));
    Button(false);
    EXPECT_EQ(FrameLog(), Log({"L:16", "R:2", "R:17"}));

    // A button held since before the cursor existed is no press either.
    delete cursor;
    Button(true);
    Frame();
    cursor = new QNCURSOR(root, "CURSOR", QNCF_LEVEL_GAME | QNCF_SCREEN, QNVEC3(0, 0, 0));
    QNAPP::Cursor = cursor;
    for (int i = 0; i < 3; ++i)
        for (const std::string& m : FrameLog())
            EXPECT_EQ(m.find(":4"), std::string::npos) << m;
    EXPECT_EQ(FrameLog(), Log({"R:2"}));
    Button(false);
    Frame();
    Button(true);
    EXPECT_EQ(FrameLog(), Log({"R:2"}));  // this cursor is read before it updates
    EXPECT_EQ(FrameLog(), Log({"R:2", "L:13=R", "R:12=L", "R:4=1"}));
}

TEST_F(SpriteTest, HotKeyNeedsExactlyItsModifiers)
{
    auto* save = new RECSPRITE(root, "S", &log, 0, 0x1F | QNKEY_CONTROL);  // Ctrl+S
    EXPECT_EQ(Type(SDLK_s), Log());
    KeyDown(SDLK_LCTRL);
    Frame();
    KeyDown(SDLK_s);
    // The focus it takes also hears the key typed (message 11).
    EXPECT_EQ(FrameLog(), Log({"S:12=-", "S:8", "S:9", "S:11"}));
    EXPECT_EQ(FrameLog(), Log({"S:9"}));
    EXPECT_EQ(FrameLog(), Log({"S:9"}));
    KeyDown(SDLK_LSHIFT);  // Ctrl+Shift+S is another combination
    EXPECT_EQ(FrameLog(), Log({"S:10", "S:11"}));
    KeyUp(SDLK_LSHIFT);
    EXPECT_EQ(FrameLog(), Log({"S:8", "S:9"}));
    KeyUp(SDLK_s);
    EXPECT_EQ(FrameLog(), Log({"S:10"}));
    EXPECT_EQ(save->PointerBits & QNPOINTER_HOTKEY, 0u);
    EXPECT_EQ(FrameLog(), Log());
}

TEST_F(SpriteTest, TabCyclesFocusWithinItsGroupAndWraps)
{
    auto* screen = new RECSPRITE(root, "R", &log, QNSPRITE_SCREEN);
    auto* a = new RECSPRITE(screen, "A", &log);
    auto* group = new RECSPRITE(screen, "G", &log, QNSPRITE_GROUP);
    auto* d = new RECSPRITE(group, "D", &log);
    auto* e = new RECSPRITE(group, "E", &log);
    auto* b = new RECSPRITE(screen, "B", &log);
    auto* off = new RECSPRITE(screen, "X", &log);
    off->BroadcastDisabled(1, false);
    for (RECSPRITE* s : {screen, a, group, d, e, b, off})
        s->SetHitBox(QNBOX(QNVEC3(1000, 1000, 0), QNVEC3(1001, 1001, 0)));
    EXPECT_EQ(a->FindSpriteRoot(), screen);
    EXPECT_EQ(e->FindSceneRoot(), group);
    EXPECT_EQ(group->FindSpriteRoot(), group);

    QNNODE::SetFocus(a);
    log.clear();
    // One Tab moves the focus once, though the new focus is updated later in the same pass.
    EXPECT_EQ(Type(SDLK_TAB), Log({"A:13=B", "B:12=A", "A:11"}));
    EXPECT_TRUE(QNAPP::Focus.Is(b));
    Type(SDLK_TAB);  // past the disabled X and the group, back to A
    EXPECT_TRUE(QNAPP::Focus.Is(a));
    KeyDown(SDLK_LSHIFT);
    Frame();
    Type(SDLK_TAB);
    EXPECT_TRUE(QNAPP::Focus.Is(b));
    KeyUp(SDLK_LSHIFT);
    Frame();

    QNNODE::SetFocus(d);
    Type(SDLK_TAB);
    EXPECT_TRUE(QNAPP::Focus.Is(e));
    Type(SDLK_TAB);
    EXPECT_TRUE(QNAPP::Focus.Is(d));

    // A group whose only sprite holds the focus, and a focused root with nothing to focus.
    delete e;
    log.clear();
    EXPECT_EQ(Type(SDLK_TAB), Log({"D:11"}));
    EXPECT_TRUE(QNAPP::Focus.Is(d));
    auto* lone = new RECSPRITE(root, "L", &log, QNSPRITE_GROUP);
    QNNODE::SetFocus(lone);
    log.clear();
    EXPECT_EQ(Type(SDLK_TAB), Log({"L:11"}));
    EXPECT_TRUE(QNAPP::Focus.Is(lone));
}

TEST_F(SpriteTest, FocusClearingAndDestruction)
{
    auto* a = new RECSPRITE(root, "A", &log);
    QNNODE::ClearFocus(nullptr);  // no focus: nothing to tell
    EXPECT_TRUE(log.empty());
    QNNODE::SetFocus(a);
    QNNODE::SetFocus(a);
    EXPECT_EQ(log, Log({"A:12=-"}));
    log.clear();
    QNNODE::ClearFocus(root);
    EXPECT_EQ(log, Log({"A:13=ROOT"}));
    EXPECT_EQ(QNAPP::Focus.Get(), nullptr);

    QNNODE::SetFocus(a);
    delete a;
    EXPECT_EQ(QNAPP::Focus.Get(), nullptr);
    log.clear();
    QNNODE::ClearFocus(nullptr);
    EXPECT_TRUE(log.empty());
}

TEST_F(SpriteTest, TextFieldOfFourWithFilters)
{
    auto* field = new RECSPRITE(root, "F", &log, 0, 0, 4, QNTEXT_NO_DIGITS);
    auto* other = new RECSPRITE(root, "O", &log);
    QNNODE::SetFocus(field);
    EXPECT_EQ(Type(SDLK_7), Log());  // refused: no message
    EXPECT_EQ(Type(SDLK_a), Log({"F:11"}));
    KeyDown(SDLK_LSHIFT);
    Frame();
    Type(SDLK_b);
    Type(SDLK_SLASH);
    KeyUp(SDLK_LSHIFT);
    Frame();
    Type(SDLK_SPACE);
    EXPECT_STREQ(field->GetText(), "aB? ");
    EXPECT_EQ(field->TextLength, 4u);
    EXPECT_EQ(Type(SDLK_c), Log({"F:11"}));  // full: reported, not added
    EXPECT_STREQ(field->GetText(), "aB? ");
    EXPECT_EQ(Type(SDLK_BACKSPACE), Log({"F:11"}));
    EXPECT_STREQ(field->GetText(), "aB?");
    EXPECT_EQ(Type(SDLK_F1), Log({"F:11"}));  // no character: nothing added
    EXPECT_STREQ(field->GetText(), "aB?");
    EXPECT_EQ(field->TextLength, 3u);
    EXPECT_EQ(Type(SDLK_ESCAPE), Log({"F:11"}));
    EXPECT_STREQ(field->GetText(), "");
    EXPECT_EQ(Type(SDLK_BACKSPACE), Log({"F:11"}));

    // Only the focused sprite reads keys; letters refused by another filter.
    field->TextFilter = QNTEXT_NO_LETTERS | QNTEXT_NO_OTHERS;
    Type(SDLK_KP_7);
    Type(SDLK_q);
    Type(SDLK_SPACE);
    EXPECT_STREQ(field->GetText(), "7");
    QNNODE::SetFocus(other);
    log.clear();
    EXPECT_EQ(Type(SDLK_8), Log({"O:11"}));
    EXPECT_STREQ(field->GetText(), "7");
    EXPECT_STREQ(other->GetText(), "");
}

}  // namespace
