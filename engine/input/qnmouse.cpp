#include "engine/input/qninput.h"
#include "engine/input/qninput_local.h"
#include "engine/resource/qnimagemedium.h"
#include "platform/input_mouse.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>

float QNMOUSE::Position[3] = {0, 0, 0};
float QNMOUSE::LowerBound[3] = {0, 0, 0};
float QNMOUSE::UpperBound[3] = {0, 0, 0};

namespace {

std::unique_ptr<PlatformMouse> gDevice;
PlatformMouseState gState;
std::uint32_t gButtonState = 0;
std::uint32_t gButtonEvent = 0;
std::uint32_t gCursor = 0;
std::map<std::uint32_t, DdsImage> gCursorImages;

void ReadDevice() {
    const std::uint32_t rc = gDevice->GetState(&gState);
    QNEXCEPTION::SetLastDeviceResult(rc);
    if (rc != kInputOk) throw QNMOUSE::EXC(rc, "Unable to obtain mouse device state.");
}

}  // namespace

void QNMOUSE::Open(bool exclusive) {
    Close();
    gDevice = std::make_unique<PlatformMouse>();
    gDevice->SetExclusive(exclusive);
    qninput::Listen(gDevice.get());
    QNEXCEPTION::SetLastDeviceResult(gDevice->Acquire());
    SetCursor(0);
}

bool QNMOUSE::Poll() {
    if (!gDevice) return false;
    if (!qninput::PollWithRecovery<EXC>(*gDevice, ReadDevice, [] { gState = PlatformMouseState{}; }))
        return false;
    std::uint32_t buttons = 0;
    if (gState.buttons[0] != 0) {
        buttons = 1;
    } else if (gState.buttons[1] != 0) {
        buttons = 2;
    } else if (gState.buttons[2] != 0) {
        buttons = 3;
    }
    if (buttons != gButtonState) {
        gButtonState = buttons;
        gButtonEvent = buttons;
    } else {
        gButtonEvent = 0;
    }
    const float motion[3] = {static_cast<float>(gState.x), static_cast<float>(gState.y),
                             static_cast<float>(gState.z)};
    for (int i = 0; i < 3; ++i) {
        Position[i] += motion[i];
        if (Position[i] < LowerBound[i]) Position[i] = LowerBound[i];
        if (Position[i] >= UpperBound[i]) Position[i] = UpperBound[i] - 1.0f;
    }
    return true;
}

void QNMOUSE::Drain() {
    for (int i = 0; i < qninput::kDrainLimit; ++i) {
        if (!Poll() || gButtonEvent == 0) return;
    }
}

void QNMOUSE::Motion(float* x, float* y, float* wheel) {
    *x = static_cast<float>(gState.x);
    *y = static_cast<float>(gState.y);
    *wheel = static_cast<float>(gState.z);
}

bool QNMOUSE::ButtonDown(int n) {
    if (n < 1 || n > 4) return false;
    return (gState.buttons[n - 1] & 0x80) != 0;
}

void QNMOUSE::Pointer(float* x, float* y) {
    *x = Position[0];
    *y = Position[1];
    float px = 0, py = 0;
    if (!gDevice || gDevice->RelativeMode() || !gDevice->Pointer(&px, &py)) return;
    *x = std::clamp(std::round(px), LowerBound[0], std::max(LowerBound[0], UpperBound[0] - 1.0f));
    *y = std::clamp(std::round(py), LowerBound[1], std::max(LowerBound[1], UpperBound[1] - 1.0f));
}

std::uint32_t QNMOUSE::ButtonState() { return gButtonState; }
std::uint32_t QNMOUSE::ButtonEvent() { return gButtonEvent; }

void QNMOUSE::SetCursor(std::uint32_t resourceId) {
    gCursor = resourceId;
    if (resourceId != 0) {
        // Images are read once; a missing one is looked for again (the archive may open later).
        auto found = gCursorImages.find(resourceId);
        if (found == gCursorImages.end()) {
            char medium[64];
            std::snprintf(medium, sizeof medium, kCursorMedium, static_cast<unsigned>(resourceId));
            DdsImage image;
            if (QNReadImageMedium(medium, &image) && !image.argb.empty())
                found = gCursorImages.emplace(resourceId, std::move(image)).first;
        }
        if (found != gCursorImages.end() &&
            PlatformSetImageCursor(found->second.argb.data(), static_cast<int>(found->second.width),
                                   static_cast<int>(found->second.height),
                                   kCursorHotX, kCursorHotY))
            return;
    }
    PlatformSetArrowCursor();
}

std::uint32_t QNMOUSE::Cursor() { return gCursor; }
int QNMOUSE::ShowCursor(bool show) { return PlatformCountCursor(show); }

void QNMOUSE::Close() {
    if (gDevice) {
        gDevice->Unacquire();
        qninput::StopListening(gDevice.get());
        gDevice.reset();
    }
    gState = PlatformMouseState{};
    gButtonEvent = 0;
}

bool QNMOUSE::IsOpen() { return gDevice != nullptr; }

void QNMOUSE::OnEvent(const PlatformEvent& event) {
    if (gDevice) gDevice->OnEvent(event);
}

PlatformMouse* QNMOUSE::Device() { return gDevice.get(); }
const PlatformMouseState& QNMOUSE::State() { return gState; }
