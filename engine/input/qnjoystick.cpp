#include "engine/input/qninput.h"
#include "engine/input/qninput_local.h"
#include "platform/input_joystick.h"

#include <memory>

namespace {

std::unique_ptr<PlatformJoystick> gDevice;
PlatformJoystickState gState;
std::uint32_t gButtonState = QNJOYSTICK::kNoButton;
std::uint32_t gButtonEvent = QNJOYSTICK::kNoButton;

void ReadDevice() {
    std::uint32_t rc = gDevice->Poll();
    QNEXCEPTION::SetLastDeviceResult(rc);
    if (rc != kInputOk) throw QNJOYSTICK::EXC(rc, "Unable to poll joystick device.");
    rc = gDevice->GetState(&gState);
    QNEXCEPTION::SetLastDeviceResult(rc);
    if (rc != kInputOk) throw QNJOYSTICK::EXC(rc, "Unable to get joystick device state.");
}

}  // namespace

void QNJOYSTICK::Open(bool exclusive) {
    Close();
    gDevice = PlatformJoystick::OpenFirst();
    if (!gDevice) return;
    gDevice->SetExclusive(exclusive);
    gDevice->SetRange(kJoyX, -1000, 1000);
    gDevice->SetRange(kJoyY, -1000, 1000);
    gDevice->SetRange(kJoyZ, 0, 1000);
    for (int axis : {kJoyX, kJoyY, kJoyZ}) {
        gDevice->SetDeadZone(axis, 1000);
        gDevice->SetSaturation(axis, 9000);
    }
    qninput::Listen(gDevice.get());
    QNEXCEPTION::SetLastDeviceResult(gDevice->Acquire());
}

bool QNJOYSTICK::Poll() {
    if (!gDevice) return false;
    if (!qninput::PollWithRecovery<EXC>(*gDevice, ReadDevice,
                                        [] { gState = PlatformJoystickState{}; }))
        return false;
    std::uint32_t buttons = kNoButton;
    for (std::uint32_t i = 0; i < 4; ++i) {
        if (gState.buttons[i] & 0x80) {
            buttons = i;
            break;
        }
    }
    if (buttons != gButtonState) {
        gButtonState = buttons;
        gButtonEvent = buttons;
    } else {
        gButtonEvent = kNoButton;
    }
    return true;
}

void QNJOYSTICK::Axes(float* x, float* y, float* z) {
    *x = static_cast<float>(gState.x);
    *y = static_cast<float>(gState.y);
    *z = static_cast<float>(gState.z);
}

void QNJOYSTICK::Rotation(float* x, float* y, float* z) {
    *x = static_cast<float>(gState.rx);
    *y = static_cast<float>(gState.ry);
    *z = static_cast<float>(gState.rz);
}

float QNJOYSTICK::Slider(int n) {
    return n >= 0 && n < 2 ? static_cast<float>(gState.slider[n]) : 0.0f;
}

float QNJOYSTICK::POV(int n) {
    // Hundredths of a degree, or the centred value as the device reports it.
    return n >= 0 && n < 4 ? static_cast<float>(gState.pov[n]) : 0.0f;
}

bool QNJOYSTICK::ButtonDown(int n) { return n >= 0 && n < 32 && (gState.buttons[n] & 0x80) != 0; }
std::uint32_t QNJOYSTICK::ButtonState() { return gButtonState; }
std::uint32_t QNJOYSTICK::ButtonEvent() { return gButtonEvent; }

void QNJOYSTICK::Close() {
    if (gDevice) {
        gDevice->Unacquire();
        qninput::StopListening(gDevice.get());
        gDevice.reset();
    }
    gState = PlatformJoystickState{};
    gButtonState = kNoButton;
    gButtonEvent = kNoButton;
}

bool QNJOYSTICK::IsPresent() { return gDevice != nullptr; }

void QNJOYSTICK::OnEvent(const PlatformEvent& event) {
    if (gDevice) gDevice->OnEvent(event);
}

PlatformJoystick* QNJOYSTICK::Device() { return gDevice.get(); }
const PlatformJoystickState& QNJOYSTICK::State() { return gState; }
