#pragma once
/// QNANIMCLOCK: an animation time from a timer, by play mode.
///
/// Mode 0 (once) holds the end value after one length; mode 1 (loop) restarts every length;
/// mode 2 (ping-pong) runs from `From` to `To` in one length and back in the next, the direction
/// flipping once for every length boundary crossed since the last call, however many frames
/// that took; other modes map the raw elapsed time.

#include <cstdint>

#include "engine/util/qntimer.h"

class QNANIMCLOCK {
public:
    enum : std::int32_t { ONCE = 0, LOOP = 1, PINGPONG = 2 };

    QNANIMCLOCK() = default;
    QNANIMCLOCK(std::int32_t mode, float from, float to, float length) { Init(mode, from, to, length); }

    /// Sets the mode and range and restarts forwards.
    void Init(std::int32_t mode, float from, float to, float length);
    /// Restarts the timer forwards.
    void Restart();
    /// The value at the frame's time.
    float Time();

    std::int32_t Mode = ONCE;
    std::uint8_t Reversed = 0;
    float From = 0.0f;
    float To = 1.0f;
    float Length = 1.0f;
    QNTIMER Timer;
    std::uint32_t LastPeriods = 0;
};
