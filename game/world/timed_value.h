#pragma once
/// TIMEDVALUE: a value that runs from one number to another over a duration. Set restarts the
/// run; Value reads it with the animation clock's shapes: ONCE holds the end value, LOOP starts
/// again every duration, PINGPONG runs there and back, one way per duration; any other mode
/// keeps going past the end at the same rate.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engine/util/qntimer.h"

struct TIMEDVALUE {
    enum : std::uint32_t { ONCE = 0, LOOP = 1, PINGPONG = 2 };

    std::uint32_t Mode = ONCE;
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
    /// From at the start; a duration of 0 reads To at once.
    float Value() const
    {
        if (Duration <= 0.0f)
            return To;
        const double d = Duration;
        double t = Timer.Elapsed();
        bool back = false;
        switch (Mode) {
        case ONCE:
            t = std::min(t, d);
            break;
        case LOOP:
            t = std::fmod(t, d);
            break;
        case PINGPONG: {
            const double runs = std::floor(t / d);
            t -= runs * d;
            back = std::fmod(runs, 2.0) != 0.0;
            break;
        }
        default:
            break;
        }
        const float f = float(t / d);
        return back ? To + (From - To) * f : From + (To - From) * f;
    }
};
