#pragma once
// Internals shared by the run-loop files.

#include <cstdint>
#include <functional>
#include <utility>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"

namespace QNAPP::detail {

/// What start-up has opened; shutdown closes exactly these, each once.
enum OpenBit : std::uint32_t {
    kWindow = 1u << 0,
    kTempFolder = 1u << 1,
    kSystem = 1u << 2,
    kGraphics = 1u << 3,
    kMusic = 1u << 4,
    kInput = 1u << 5,
    kPhysics = 1u << 6,
    kKeyboard = 1u << 7,
    kJoystick = 1u << 8,
    kMouse = 1u << 9,
    kBindings = 1u << 10,
    kArchive = 1u << 11,
    kDisplay = 1u << 12,
};

extern std::uint32_t OpenDevices;

template <class F, class... A>
void Call(const F& fn, A&&... args)
{
    if (fn)
        fn(std::forward<A>(args)...);
}

template <class R, class F>
R Ask(const F& fn, R otherwise)
{
    return fn ? fn() : otherwise;
}

bool IsFullScreen();
/// Destroys the window and disconnects the window procedure and the accelerator.
void DestroyWindow();

}  // namespace QNAPP::detail
