#pragma once
/// TIMEDVALUE: a value that runs from one number to another over a duration. Set restarts the
/// run; Value reads it (linear in the mode used here; readers may give other modes a shape).

#include <algorithm>
#include <cstdint>

#include "engine/util/qntimer.h"

struct TIMEDVALUE {
    std::uint32_t Mode = 0;
    bool Running = false;
    float From = 0.0f;
    float To = 0.0f;
    float Duration = 0.0f;
    QNTIMER Timer;
    std::uint32_t Extra = 0;

    void Set(float from, float to, float duration, std::uint32_t mode)
    {
        From = from;
        To = to;
        Duration = duration;
        Mode = mode;
        Running = false;
        Extra = 0;
        Timer.Init(duration);
    }
    /// From at the start, To once the duration has passed (at once for a duration of 0).
    float Value() const
    {
        const double t = Duration > 0.0f ? std::min(1.0, Timer.Elapsed() / Duration) : 1.0;
        return From + (To - From) * float(t);
    }
};
