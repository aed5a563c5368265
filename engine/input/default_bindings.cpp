#include "engine/input/default_bindings.h"

namespace {

constexpr std::uint32_t K = QNINPUT_KEYBOARD, M = QNINPUT_MOUSE;
constexpr std::uint32_t KEY = QNINPUT_KEY, AXIS = QNINPUT_AXIS, BUTTON = QNINPUT_BUTTON;
constexpr std::uint32_t SHIFT = 0x100;
constexpr std::uint32_t kUp = 0xC8, kDown = 0xD0, kLeft = 0xCB, kRight = 0xCD;

// A key that fires on its press.
constexpr QNINPUTROW Press(int action, std::uint32_t code) {
    return {action, K, KEY, code, 1.0f, -1, 1, QNINPUT_SET, 0.0f, 0.0f};
}
// A key read while held.
constexpr QNINPUTROW Held(int action, std::uint32_t code, float scale = 1.0f, int target = -1,
                          std::uint32_t mode = QNINPUT_SET) {
    return {action, K, KEY, code, scale, target, 0, mode, 0.0f, 0.0f};
}
constexpr QNINPUTROW MouseAxis(int action, std::uint32_t axis, float scale, int target) {
    return {action, M, AXIS, axis, scale, target, 0, QNINPUT_PEAK, 0.0f, 0.0f};
}
constexpr QNINPUTROW MouseButton(int action, std::uint32_t button, bool press, int target = -1,
                                 std::uint32_t mode = QNINPUT_SET) {
    return {action, M, BUTTON, button, 1.0f, target, press ? 1u : 0u, mode, 0.0f, 0.0f};
}

constexpr QNINPUTROW kRows[] = {
    Press(1, 0x01),  // Escape: ranking / destination list / main menu
    MouseButton(2, 0, true),
    Press(4, 0x0F),  // Tab: next free connector
    MouseButton(6, 1, true),
    // Suit: place inventory items 0-4 (1-5), sell them (Shift+1-5).
    Press(8, 0x02), Press(9, 0x03), Press(10, 0x04), Press(11, 0x05), Press(12, 0x06),
    Press(13, SHIFT | 0x02), Press(14, SHIFT | 0x03), Press(15, SHIFT | 0x04),
    Press(16, SHIFT | 0x05), Press(17, SHIFT | 0x06),
    Press(19, 0x39),  // Space: dock or undock
    Press(20, 0x1C),  // Enter: board
    Press(21, 0x1C),  // Enter: leave the ship
    // Suit thrust: each pair cancels while both keys are held.
    Held(22, 0x1E, -3.0f), Held(23, 0x20, 3.0f, 22, QNINPUT_TOGGLE),
    Held(24, 0x12, -3.0f), Held(25, 0x10, 3.0f, 24, QNINPUT_TOGGLE),
    Held(26, 0x1F, -3.0f), Held(27, 0x11, 3.0f, 26, QNINPUT_TOGGLE),
    // Suit pitch, yaw, roll: keys, and the mouse where it moves further.
    Held(28, kUp, 4.0f), Held(29, kDown, -4.0f, 28, QNINPUT_TOGGLE), MouseAxis(30, 1, 1.0f, 28),
    Held(31, kLeft, -4.0f), Held(32, kRight, 4.0f, 31, QNINPUT_TOGGLE), MouseAxis(33, 0, 1.0f, 31),
    Held(34, SHIFT | kRight, -4.0f), Held(35, SHIFT | kLeft, 4.0f, 34, QNINPUT_TOGGLE),
    MouseAxis(36, 2, 0.25f, 34),
    Press(37, 0x3E),  // F4: helmet overlay
    Press(38, 0x3E),  // F4: cockpit
    Press(39, 0x2E),
    Press(41, 0x18),
    // Ship throttle: W and S integrate within -1..1, D latches it to 0.
    {42, K, KEY, 0x11, 1.0f, -1, 0, QNINPUT_INTEGRATE, -1.0f, 1.0f},
    {43, K, KEY, 0x1F, -1.0f, 42, 0, QNINPUT_INTEGRATE, -1.0f, 1.0f},
    {44, K, KEY, 0x20, 0.0f, 42, 1, QNINPUT_LATCH, -1.0f, 1.0f},
    // Ship pitch, yaw, roll.
    Held(45, kUp, -4.0f), Held(46, kDown, 4.0f, 45, QNINPUT_TOGGLE), MouseAxis(47, 1, 1.0f, 45),
    Held(48, kLeft, -4.0f), Held(49, kRight, 4.0f, 48, QNINPUT_TOGGLE), MouseAxis(50, 0, 1.0f, 48),
    Held(51, SHIFT | kRight, -4.0f), Held(52, SHIFT | kLeft, 4.0f, 51, QNINPUT_TOGGLE),
    MouseAxis(53, 2, 0.25f, 51),
    Press(54, 0x21),  // F: call a freighter
    Held(58, 0x39), MouseButton(59, 0, false, 58, QNINPUT_PEAK),  // fire
    Held(60, 0x0E), MouseButton(61, 1, false, 60, QNINPUT_PEAK),  // rear-eject canister
    Press(62, 0x0F), MouseButton(63, 2, false, 62, QNINPUT_PEAK),  // next weapon
    // Destination lists of companies 0-3 (R, G, B, Y), destinations 0-7 (1-8).
    Press(69, 0x13), Press(70, 0x22), Press(71, 0x30), Press(72, 0x15),
    Press(73, 0x02), Press(74, 0x03), Press(75, 0x04), Press(76, 0x05),
    Press(77, 0x06), Press(78, 0x07), Press(79, 0x08), Press(80, 0x09),
    // Camera views 1-5: C, F5-F8.
    Held(81, 0x2E), Held(82, 0x3F), Held(83, 0x40), Held(84, 0x41), Held(85, 0x42),
    Press(87, 0x25),          // K: ranking
    Press(88, SHIFT | 0x2C),  // Shift+Z: every ore collected
    Held(89, 0x2C),           // Z: zoom
    Press(90, 0x3C),          // F2: build store
    Press(92, 0x3D),          // F3: mercenary manager
};

}  // namespace

const QNINPUTROW* QnDefaultBindings(int* count) {
    *count = static_cast<int>(sizeof kRows / sizeof kRows[0]);
    return kRows;
}

void QnWriteDefaultBindings() {
    int count = 0;
    const QNINPUTROW* rows = QnDefaultBindings(&count);
    QNINPUTMAP::Write(rows, count);
}
