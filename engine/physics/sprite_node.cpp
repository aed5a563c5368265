#include "engine/physics/sprite_node.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/input/qninput.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"

namespace {

constexpr std::uint32_t kScanEscape = 0x01;
constexpr std::uint32_t kScanBackspace = 0x0E;
constexpr std::uint32_t kScanTab = 0x0F;
constexpr std::uint32_t kModifierMask = QNKEY_SHIFT | QNKEY_CONTROL | QNKEY_ALT;

// US layout by scan code: plain and shifted characters of the main block (0x00-0x39).
constexpr char kPlain[0x3A] = {
    0,   0,   '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', '-', '=', 0,   0,
    'q', 'w', 'e', 'r', 't', 'y', 'u', 'i', 'o', 'p', '[', ']', 0,   0,   'a', 's',
    'd', 'f', 'g', 'h', 'j', 'k', 'l', ';', '\'', '`', 0,  '\\', 'z', 'x', 'c', 'v',
    'b', 'n', 'm', ',', '.', '/', 0,   '*', 0,   ' '};
constexpr char kShifted[0x3A] = {
    0,   0,   '!', '@', '#', '$', '%', '^', '&', '*', '(', ')', '_', '+', 0,   0,
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', '{', '}', 0,   0,   'A', 'S',
    'D', 'F', 'G', 'H', 'J', 'K', 'L', ':', '"', '~', 0,   '|', 'Z', 'X', 'C', 'V',
    'B', 'N', 'M', '<', '>', '?', 0,   '*', 0,   ' '};

// The keypad (0x47-0x53), the same with or without Shift; 0xB5 is the keypad's divide.
constexpr char kKeypad[0x53 - 0x47 + 1] = {'7', '8', '9', '-', '4', '5', '6', '+', '1', '2', '3', '0', '.'};
constexpr std::uint32_t kScanKeypadDivide = 0xB5;

// The view and update pass in which a typed key was last handled: one sprite per frame.
const QNVIEW* g_keyView = nullptr;
std::uint32_t g_keyPass = 0;

SPRITENODE* AsSprite(QNNODE* node)
{
    return dynamic_cast<SPRITENODE*>(node);
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Kind-0 sprites under `root` in pre-order, not entering nested group roots.
void CollectFocusable(QNNODE* root, QNNODE* node, std::vector<SPRITENODE*>& out)
{
    for (QNITEM* child = node->FirstChild(); child; child = child->Next()) {
        auto* n = dynamic_cast<QNNODE*>(child);
        if (!n)
            continue;
        SPRITENODE* s = AsSprite(n);
        if (s && s->SpriteKind == QNSPRITE_GROUP && n != root)
            continue;
        if (s && s->SpriteKind == QNSPRITE_ELEMENT && !s->Disabled)
            out.push_back(s);
        CollectFocusable(root, n, out);
    }
}

}  // namespace

SPRITENODE::SPRITENODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                       std::int32_t bodyMode, const QNMATRIX* transform, std::uint32_t userFlags,
                       std::int32_t spriteKind, std::uint32_t hotKey, std::uint32_t textCapacity,
                       std::uint32_t textFilter)
    : GAMENODE(parent, name, kind, classFlags | QNCF_LEVEL_GAME | QNCF_SCREEN | QNCF_UPDATE, userFlags | 4,
               bodyMode, transform, 0),
      HotKey(hotKey),
      TextCapacity(textCapacity),
      TextFilter(textFilter),
      SpriteKind(spriteKind)
{
    if (textCapacity) {
        Text = std::make_unique<char[]>(std::size_t(textCapacity) + 1);
        Text[0] = 0;
    }
}

SPRITENODE::~SPRITENODE() = default;

std::int32_t SPRITENODE::OnMessage(std::uint32_t, std::uintptr_t, std::uintptr_t)
{
    return 0;
}

void SPRITENODE::SetText(const char* text)
{
    if (!Text)
        return;
    const std::size_t n = text ? std::min<std::size_t>(std::strlen(text), TextCapacity) : 0;
    if (n)
        std::memcpy(Text.get(), text, n);
    Text[n] = 0;
    TextLength = std::uint32_t(n);
}

void SPRITENODE::SetHitBox(const QNBOX& box)
{
    if (!Bounds)
        Bounds = new QNNODEBOUNDS;
    Bounds->LocalBox = box;
}

char SPRITENODE::KeyCharacter(std::uint32_t code)
{
    const std::uint32_t scan = code & 0xFF;
    if (scan < sizeof kPlain)
        return (code & QNKEY_SHIFT) ? kShifted[scan] : kPlain[scan];
    if (scan >= 0x47 && scan <= 0x53)
        return kKeypad[scan - 0x47];
    if (scan == kScanKeypadDivide)
        return '/';
    return 0;
}

void SPRITENODE::Update()
{
    if (Disabled)
        return;
    if (QNCURSOR* cursor = QNAPP::Cursor.Get()) {
        QNWEAK<SPRITENODE> alive(this);
        PointerTest(cursor);
        if (!alive || !QNAPP::Cursor.Is(cursor))
            return;
        PressTest(cursor);
        if (!alive)
            return;
    }
    QNWEAK<SPRITENODE> alive(this);
    HotKeyTest();
    if (alive)
        KeyInput();
}

bool SPRITENODE::PointerInside(const QNCURSOR* cursor) const
{
    QNBOX box;
    GetTreeBounds(box, true, false);
    // Depth counts: a picture laid behind the elements (a backdrop at depth 1) is not under the
    // pointer, which points at depth 0.
    return box.Contains(cursor->Pointing);
}

void SPRITENODE::PointerTest(QNCURSOR* cursor)
{
    const bool inside = PointerInside(cursor);
    const auto carried = reinterpret_cast<std::uintptr_t>(cursor->Linked.Get());
    if (inside && !(PointerBits & QNPOINTER_INSIDE)) {
        PointerBits |= QNPOINTER_INSIDE;
        OnMessage(QNMSG_ENTER, carried, 0);
    } else if (!inside && (PointerBits & QNPOINTER_INSIDE)) {
        PointerBits &= ~QNPOINTER_INSIDE;
        OnMessage(QNMSG_LEAVE, carried, 0);
        return;
    }
    if (inside)
        OnMessage(QNMSG_OVER, carried, 0);
}

void SPRITENODE::PressTest(QNCURSOR* cursor)
{
    const QNVEC3 at = cursor->Pointing;
    const std::uint32_t button = cursor->Button;
    if (!(PointerBits & (QNPOINTER_PRESSED | QNPOINTER_DRAGGING))) {
        if (!(PointerBits & QNPOINTER_INSIDE))
            return;
        if (button) {
            // A press is the button going down over the sprite: a button held while the pointer
            // slides on (dragging something else) presses nothing, so a drop reaches this sprite.
            if (!cursor->Changed)
                return;
            QNWEAK<SPRITENODE> alive(this);
            SetFocus(this);
            if (!alive)
                return;
            PressPosition = at;
            PointerBits |= QNPOINTER_PRESSED;
            OnMessage(QNMSG_PRESS, button, 0);
        } else if (QNNODE* carried = cursor->Linked.Get()) {
            QNWEAK<QNCURSOR> keep(cursor);
            if (OnMessage(QNMSG_DROP_TARGET, reinterpret_cast<std::uintptr_t>(carried), 0) == 2 && keep)
                cursor->Linked.Reset();
        }
        return;
    }
    if (PointerBits & QNPOINTER_PRESSED) {
        if (!button) {
            PointerBits &= ~QNPOINTER_PRESSED;
            OnMessage(QNMSG_RELEASE, 0, 0);
            return;
        }
        QNWEAK<SPRITENODE> alive(this);
        OnMessage(QNMSG_PRESSED, 0, 0);
        if (!alive)
            return;
        if ((PointerBits & QNPOINTER_PRESSED) && (at - PressPosition).Length() > kDragDistance) {
            PointerBits &= ~QNPOINTER_PRESSED;
            OnMessage(QNMSG_RELEASE, 0, 0);
            if (!alive)
                return;
            PointerBits |= QNPOINTER_DRAGGING;
            OnMessage(QNMSG_DRAG_BEGIN, 0, 0);
        }
        return;
    }
    if (!button) {
        PointerBits &= ~QNPOINTER_DRAGGING;
        OnMessage(QNMSG_DROPPED, 0, 0);
    } else {
        OnMessage(QNMSG_DRAGGING, 0, 0);
    }
}

void SPRITENODE::HotKeyTest()
{
    if (!HotKey)
        return;
    QNWEAK<SPRITENODE> alive(this);
    if (QNKEYBOARD::IsComboDown(HotKey)) {
        if (!(PointerBits & QNPOINTER_HOTKEY)) {
            PointerBits |= QNPOINTER_HOTKEY;
            SetFocus(this);
            if (!alive)
                return;
            OnMessage(QNMSG_HOTKEY_DOWN, 0, 0);
            if (!alive)
                return;
        }
        OnMessage(QNMSG_HOTKEY_HELD, 0, 0);
    } else if (PointerBits & QNPOINTER_HOTKEY) {
        PointerBits &= ~QNPOINTER_HOTKEY;
        OnMessage(QNMSG_HOTKEY_UP, 0, 0);
    }
}

void SPRITENODE::KeyInput()
{
    if (!QNAPP::Focus.Is(this))
        return;
    const std::uint32_t key = QNKEYBOARD::KeyEvent();
    if (!key)
        return;
    if (View) {
        if (g_keyView == View && g_keyPass == View->UpdatePass)
            return;
        g_keyView = View;
        g_keyPass = View->UpdatePass;
    }
    const std::uint32_t scan = key & 0xFF;
    const std::uint32_t mods = key & kModifierMask;
    QNWEAK<SPRITENODE> alive(this);
    if (scan == kScanTab && (mods == 0 || mods == QNKEY_SHIFT)) {
        CycleFocus(mods == QNKEY_SHIFT);
    } else if (scan == kScanEscape && mods == 0) {
        SetText(nullptr);
    } else if (scan == kScanBackspace && mods == 0) {
        if (Text && TextLength)
            Text[--TextLength] = 0;
    } else if ((mods == 0 || mods == QNKEY_SHIFT) && Text && TextLength < TextCapacity) {
        TypeCharacter(key);
        return;
    }
    if (alive)
        OnMessage(QNMSG_KEY, key, 0);
}

void SPRITENODE::TypeCharacter(std::uint32_t key)
{
    const char c = KeyCharacter(key);
    const std::uint32_t refusing = IsLetter(c) ? QNTEXT_NO_LETTERS : IsDigit(c) ? QNTEXT_NO_DIGITS : QNTEXT_NO_OTHERS;
    if (TextFilter & refusing)
        return;
    // A key without a character is reported but adds nothing: a terminator inside the text
    // would hide every character typed after it.
    if (c) {
        Text[TextLength++] = c;
        Text[TextLength] = 0;
    }
    OnMessage(QNMSG_KEY, key, 0);
}

void SPRITENODE::CycleFocus(bool backwards)
{
    QNNODE* group = FindSpriteRoot();
    if (!group)
        group = View ? View->Root : nullptr;
    if (!group)
        return;
    std::vector<SPRITENODE*> ring;
    CollectFocusable(group, group, ring);
    if (ring.empty())
        return;
    std::size_t i = 0;
    while (i < ring.size() && ring[i] != this)
        ++i;
    SPRITENODE* next = nullptr;
    if (i == ring.size())
        next = backwards ? ring.back() : ring.front();
    else
        next = ring[backwards ? (i + ring.size() - 1) % ring.size() : (i + 1) % ring.size()];
    SetFocus(next);
}

void QNNODE::SetFocus(SPRITENODE* sprite)
{
    SPRITENODE* old = QNAPP::Focus.Get();
    if (old == sprite)
        return;
    QNAPP::Focus = sprite;
    QNWEAK<SPRITENODE> next(sprite);
    if (old)
        old->OnMessage(QNMSG_UNFOCUS, reinterpret_cast<std::uintptr_t>(sprite), 0);
    if (SPRITENODE* s = next.Get())
        s->OnMessage(QNMSG_FOCUS, reinterpret_cast<std::uintptr_t>(old), 0);
}

void QNNODE::ClearFocus(QNNODE* value)
{
    SPRITENODE* old = QNAPP::Focus.Get();
    if (!old)
        return;
    QNAPP::Focus.Reset();
    old->OnMessage(QNMSG_UNFOCUS, reinterpret_cast<std::uintptr_t>(value), 0);
}

void QNNODE::BroadcastDisabled(std::uint32_t flag, bool recursive)
{
    if (SPRITENODE* s = AsSprite(this)) {
        s->Disabled = flag ? 1 : 0;
        s->OnMessage(QNMSG_DISABLED, flag, 0);
    }
    if (!recursive)
        return;
    for (QNCHILDWALK walk(this); QNITEM* child = walk.Advance();)
        if (auto* n = dynamic_cast<QNNODE*>(child))
            n->BroadcastDisabled(flag, true);
}

void QNNODE::BroadcastProperty19(std::uint32_t value, bool recursive, const QNNODE* except)
{
    if (this != except) {
        if (SPRITENODE* s = AsSprite(this)) {
            s->Property19 = value;
            s->OnMessage(QNMSG_PROPERTY19, value, 0);
        }
    }
    if (!recursive)
        return;
    for (QNCHILDWALK walk(this); QNITEM* child = walk.Advance();)
        if (auto* n = dynamic_cast<QNNODE*>(child))
            n->BroadcastProperty19(value, true, except);
}

QNNODE* QNNODE::FindSpriteRoot()
{
    for (QNNODE* n = this; n; n = n->ParentNode()) {
        const SPRITENODE* s = AsSprite(n);
        if (s && (s->SpriteKind == QNSPRITE_SCREEN || s->SpriteKind == QNSPRITE_GROUP))
            return n;
    }
    return nullptr;
}

void QNSCENE::SetKeyboardTarget(QNNODE* node)
{
    if (QNCURSOR* cursor = QNAPP::Cursor.Get())
        cursor->Linked = node;
}

QNNODE* QNSCENE::GetKeyboardTarget()
{
    QNCURSOR* cursor = QNAPP::Cursor.Get();
    return cursor ? cursor->Linked.Get() : nullptr;
}
