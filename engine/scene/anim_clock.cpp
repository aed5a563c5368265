#include "engine/scene/anim_clock.h"

#include <cmath>

void QNANIMCLOCK::Init(std::int32_t mode, float from, float to, float length)
{
    Mode = mode;
    From = from;
    To = to;
    Length = length;
    Restart();
}

void QNANIMCLOCK::Restart()
{
    Timer.Init(Length);
    Reversed = 0;
    LastPeriods = 0;
}

float QNANIMCLOCK::Time()
{
    double t = Timer.Elapsed();
    const bool hasLength = Length > 0.0f;
    // Whole lengths since the start, counted from the elapsed time itself so that a long
    // frame that crosses several boundaries flips once for each.
    const auto periods = hasLength ? std::uint32_t(std::floor(t / double(Length))) : 0u;
    switch (Mode) {
    case ONCE:
        if (t > double(Length))
            t = Length;
        break;
    case LOOP:
        t = hasLength ? std::fmod(t, double(Length)) : 0.0;
        break;
    case PINGPONG:
        t = hasLength ? std::fmod(t, double(Length)) : 0.0;
        if (periods > LastPeriods && ((periods - LastPeriods) & 1u))
            Reversed ^= 1;
        break;
    default:
        break;
    }
    LastPeriods = periods;
    if (!hasLength)
        return Reversed ? To : From;
    const float f = float(t);
    return Reversed ? To + f * (From - To) / Length : From + f * (To - From) / Length;
}
