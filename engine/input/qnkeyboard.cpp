#include "engine/input/qninput.h"
#include "engine/input/qninput_local.h"
#include "platform/input_keyboard.h"

#include <cstring>
#include <memory>

namespace {

std::unique_ptr<PlatformKeyboard> gDevice;
std::uint8_t gState[256];
std::uint32_t gKeyEvent = 0;

constexpr std::uint8_t kShiftKeys[] = {0x2A, 0x36};
constexpr std::uint8_t kControlKeys[] = {0x1D, 0x9D};
constexpr std::uint8_t kAltKeys[] = {0x38, 0xB8};

bool AnyDown(const std::uint8_t (&keys)[2]) {
    return (gState[keys[0]] & 0x80) != 0 || (gState[keys[1]] & 0x80) != 0;
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
    if (count == 0) {
        gKeyEvent = 0;
        return;
    }
    const PlatformKeyEvent& last = events[count - 1];
    gKeyEvent = last.down ? (last.code | QNKEYBOARD::Modifiers()) : 0;
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

std::uint32_t QNKEYBOARD::Modifiers() {
    return (AnyDown(kShiftKeys) ? QNKEY_SHIFT : 0) | (AnyDown(kControlKeys) ? QNKEY_CONTROL : 0) |
           (AnyDown(kAltKeys) ? QNKEY_ALT : 0);
}

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
    gKeyEvent = 0;
}

bool QNKEYBOARD::IsOpen() { return gDevice != nullptr; }

void QNKEYBOARD::OnEvent(const PlatformEvent& event) {
    if (gDevice) gDevice->OnEvent(event);
}

PlatformKeyboard* QNKEYBOARD::Device() { return gDevice.get(); }
