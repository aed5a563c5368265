#include "engine/input/qninput.h"
#include "engine/input/qninput_local.h"
#include "platform/events.h"

namespace {
bool gOpen = false;
PlatformWindow* gWindow = nullptr;
}  // namespace

void QNINPDEV::Open(PlatformWindow* window) {
    gWindow = window;
    gOpen = true;
}

void QNINPDEV::Close() {
    gWindow = nullptr;
    gOpen = false;
}

bool QNINPDEV::IsOpen() { return gOpen; }

void QNINPDEV::OnEvent(const PlatformEvent& event) {
    QNJOYSTICK::OnEvent(event);
    QNKEYBOARD::OnEvent(event);
    QNMOUSE::OnEvent(event);
}

namespace qninput {

void Listen(PlatformInputDevice* device) {
    PlatformAddEventListener(&PlatformInputDevice::Listener, device);
}

void StopListening(PlatformInputDevice* device) {
    PlatformRemoveEventListener(&PlatformInputDevice::Listener, device);
}

}  // namespace qninput
