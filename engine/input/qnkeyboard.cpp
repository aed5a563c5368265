#include "engine/input/qninput.h"
#include "engine/input/qninput_local.h"
#include "platform/input_keyboard.h"

#include <cstring>
#include <deque>
#include <memory>

namespace {

std::unique_ptr<PlatformKeyboard> gDevice;
std::uint8_t gState[256];
std::uint32_t gKeyEvent = 0;
// Presses read but not yet reported: each poll reports one, so presses that arrive together
// each get a frame of their own. Each keeps the modifiers down when it was made.
std::deque<std::uint32_t> gPresses;
constexpr std::size_t kPressLimit = 16;
// The modifier keys down after the events read so far (scan code | 0x80 when down).
std::uint8_t gModifierKeys[256];

constexpr std::uint8_t kShiftKeys[] = {0x2A, 0x36};
constexpr std::uint8_t kControlKeys[] = {0x1D, 0x9D};
constexpr std::uint8_t kAltKeys[] = {0x38, 0xB8};

bool AnyDown(const std::uint8_t* state, const std::uint8_t (&keys)[2]) {
    return (state[keys[0]] & 0x80) != 0 || (state[keys[1]] & 0x80) != 0;
}

std::uint32_t ModifiersOf(const std::uint8_t* state) {
    return (AnyDown(state, kShiftKeys) ? QNKEY_SHIFT : 0) | (AnyDown(state, kControlKeys) ? QNKEY_CONTROL : 0) |
           (AnyDown(state, kAltKeys) ? QNKEY_ALT : 0);
}

bool IsModifier(std::uint8_t code) {
    for (const auto* group : {&kShiftKeys, &kControlKeys, &kAltKeys})
        if (code == (*group)[0] || code == (*group)[1]) return true;
    return false;
}

void ReadDevice() {
    PlatformKeyEvent events[16];
    std::uint32_t count = 16;
    std::uint32_t rc = gDevice->GetEvents(events, &count);
    QNEXCEPTION::SetLastDeviceResult(rc);
    if (rc != kInputOk) throw QNKEYBOARD::EXC(rc, "Unable to obtain keyboard data.");
    rc = gDevice->GetState(gState);
    QNEXCEPTION::SetLastDeviceResult(rc);
    if (rc != kInputOk) throw QNKEYBOARD::EXC(rc, "Unable to poll keyboard device.");
    // A modifier pressed together with another key only qualifies that key's press.
    bool otherKey = false;
    for (std::uint32_t i = 0; i < count; ++i) otherKey = otherKey || (events[i].down && !IsModifier(events[i].code));
    for (std::uint32_t i = 0; i < count; ++i) {
        const PlatformKeyEvent& e = events[i];
        const bool modifier = IsModifier(e.code);
        if (modifier) gModifierKeys[e.code] = e.down ? 0x80 : 0;
        if (e.down && !(modifier && otherKey) && gPresses.size() < kPressLimit)
            gPresses.push_back(e.code | ModifiersOf(gModifierKeys));
    }
    if (gPresses.empty()) {
        gKeyEvent = 0;
        return;
    }
    gKeyEvent = gPresses.front();
    gPresses.pop_front();
}

}  // namespace

void QNKEYBOARD::Open(bool exclusive) {
    Close();
    gDevice = std::make_unique<PlatformKeyboard>();
    gDevice->SetBufferSize(16);
    gDevice->SetExclusive(exclusive);
    qninput::Listen(gDevice.get());
    QNEXCEPTION::SetLastDeviceResult(gDevice->Acquire());
    Drain();
}

bool QNKEYBOARD::Poll() {
    if (!gDevice) return false;
    return qninput::PollWithRecovery<EXC>(*gDevice, ReadDevice,
                                          [] { std::memset(gState, 0, sizeof gState); });
}

void QNKEYBOARD::Drain() {
    for (int i = 0; i < qninput::kDrainLimit; ++i) {
        if (!Poll() || gKeyEvent == 0) return;
    }
}

std::uint32_t QNKEYBOARD::Modifiers() { return ModifiersOf(gState); }

bool QNKEYBOARD::IsComboDown(std::uint32_t code) {
    const std::uint32_t key = code & 0xFF;
    if (key != 0 && (gState[key] & 0x80) == 0) return false;
    const std::uint32_t mask = QNKEY_SHIFT | QNKEY_CONTROL | QNKEY_ALT;
    return (code & mask) == Modifiers();
}

bool QNKEYBOARD::KeyDown(std::uint8_t scanCode) { return (gState[scanCode] & 0x80) != 0; }
std::uint32_t QNKEYBOARD::KeyEvent() { return gKeyEvent; }
const std::uint8_t* QNKEYBOARD::State() { return gState; }

void QNKEYBOARD::Close() {
    if (gDevice) {
        gDevice->Unacquire();
        qninput::StopListening(gDevice.get());
        gDevice.reset();
    }
    std::memset(gState, 0, sizeof gState);
    std::memset(gModifierKeys, 0, sizeof gModifierKeys);
    gPresses.clear();
    gKeyEvent = 0;
}

bool QNKEYBOARD::IsOpen() { return gDevice != nullptr; }

void QNKEYBOARD::OnEvent(const PlatformEvent& event) {
    if (gDevice) gDevice->OnEvent(event);
}

PlatformKeyboard* QNKEYBOARD::Device() { return gDevice.get(); }
