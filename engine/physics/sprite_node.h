#pragma once
/// SPRITENODE: a screen element (button, check box, text field, tile) that the engine tells
/// about the pointer, clicks, the keyboard focus and typed keys through OnMessage.
///
/// Once a frame each enabled sprite compares the current cursor node's pointing position with
/// its bounds (children included, in virtual-screen units; the pointer lies at depth 0, so a
/// flat picture laid deeper is never under it) and reports entering, hovering and leaving; then
/// follows the cursor's button through press (the button going down over the sprite), drag and
/// drop; then its hot key; then, when it holds the focus, the key typed this frame. A typed key is handled
/// by one sprite per frame: a Tab that moves the focus to a sprite updated later in the same
/// pass is not seen again by the new focus.
///
/// Focus and the current cursor are program-wide (QNAPP::Focus, QNAPP::Cursor), both held by
/// weak handles, so destroying the focused sprite or the cursor leaves none.

#include <cstdint>
#include <memory>

#include "engine/scene/cursor.h"
#include "engine/scene/node_chain.h"
#include "engine/util/qnmatrix.h"

class SPRITENODE;

namespace QNAPP {
/// The sprite holding the keyboard focus.
inline QNWEAK<SPRITENODE> Focus;
/// The current cursor node of the screen (each screen sets its own).
inline QNWEAK<QNCURSOR> Cursor;
}  // namespace QNAPP

/// Sprite message ids (OnMessage's first argument).
enum : std::uint32_t {
    QNMSG_ENTER = 1,
    QNMSG_OVER = 2,
    QNMSG_LEAVE = 3,
    QNMSG_PRESS = 4,
    QNMSG_PRESSED = 5,
    QNMSG_RELEASE = 6,
    QNMSG_HOTKEY_DOWN = 8,
    QNMSG_HOTKEY_HELD = 9,
    QNMSG_HOTKEY_UP = 10,
    QNMSG_KEY = 11,
    QNMSG_FOCUS = 12,
    QNMSG_UNFOCUS = 13,
    QNMSG_DRAG_BEGIN = 14,
    QNMSG_DRAGGING = 15,
    QNMSG_DROPPED = 16,
    QNMSG_DROP_TARGET = 17,
    QNMSG_DISABLED = 18,
    QNMSG_PROPERTY19 = 19,
};

/// Kinds of sprite.
enum : std::int32_t {
    QNSPRITE_ELEMENT = 0,  ///< ordinary, focusable
    QNSPRITE_SCREEN = 1,   ///< screen root
    QNSPRITE_GROUP = 2,    ///< group root (focus cycles within it)
};

/// Bits of SPRITENODE::PointerBits.
enum : std::uint32_t {
    QNPOINTER_INSIDE = 1,
    QNPOINTER_PRESSED = 2,
    QNPOINTER_HOTKEY = 4,
    QNPOINTER_DRAGGING = 8,
};

/// Bits of SPRITENODE::TextFilter: the kinds of character refused.
enum : std::uint32_t {
    QNTEXT_NO_LETTERS = 1,
    QNTEXT_NO_DIGITS = 2,
    QNTEXT_NO_OTHERS = 4,
};

/// Distance in virtual units the cursor moves while pressed before a drag begins.
inline constexpr float kDragDistance = 10.0f;

class SPRITENODE : public GAMENODE {
public:
    /// A game node with class flags + 0x2000044 and user flags + 4; a text buffer of
    /// `textCapacity` characters (plus the terminator) when it is not 0.
    SPRITENODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
               std::int32_t bodyMode, const QNMATRIX* transform, std::uint32_t userFlags,
               std::int32_t spriteKind = QNSPRITE_ELEMENT, std::uint32_t hotKey = 0,
               std::uint32_t textCapacity = 0, std::uint32_t textFilter = 0);
    ~SPRITENODE() override;

    /// Message from the engine (ids above); the default answers 0.
    virtual std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b);

    /// Pointer test, press test, hot-key test and key input (see the header comment).
    void Update() override;

    /// The typed text (always terminated).
    const char* GetText() const { return Text ? Text.get() : ""; }
    /// Replaces the text, cut at the capacity.
    void SetText(const char* text);

    /// Replaces the hit box (the bounds in the sprite's own frame).
    void SetHitBox(const QNBOX& box);

    /// The character the US layout gives scan code `code` (Shift in its modifier bits), or 0.
    static char KeyCharacter(std::uint32_t code);

    std::uint32_t PointerBits = 0;
    std::uint32_t Property19 = 0;
    std::uint32_t HotKey = 0;
    std::uint32_t TextLength = 0;
    std::uint32_t TextCapacity = 0;
    std::uint32_t TextFilter = 0;
    std::uint8_t Disabled = 0;
    QNVEC3 PressPosition;
    std::unique_ptr<char[]> Text;
    std::int32_t SpriteKind = QNSPRITE_ELEMENT;

private:
    void PointerTest(QNCURSOR* cursor);
    void PressTest(QNCURSOR* cursor);
    void HotKeyTest();
    void KeyInput();
    void TypeCharacter(std::uint32_t key);
    bool PointerInside(const QNCURSOR* cursor) const;
    void CycleFocus(bool backwards);
};
