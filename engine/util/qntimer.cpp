#include "engine/util/qntimer.h"

#include "platform/system.h"

#include <cmath>

namespace {
std::int64_t frameCounter = 0;
std::int64_t frequency = 1000000000;
} // namespace

void QNTIMER::ReadCounter() { frameCounter = PlatformPerformanceCounter(); }
std::int64_t QNTIMER::FrameCounter() { return frameCounter; }
void QNTIMER::SetFrameCounter(std::int64_t counter) { frameCounter = counter; }
std::int64_t QNTIMER::Frequency() { return frequency; }

void QNTIMER::SetFrequency(std::int64_t countsPerSecond)
{
    if (countsPerSecond > 0)
        frequency = countsPerSecond;
}

void QNTIMER::Init(double period)
{
    period_ = period;
    Restart();
}

void QNTIMER::Restart()
{
    start_ = frameCounter;
    accounted_ = 0.0;
}

double QNTIMER::Elapsed() const
{
    return static_cast<double>(frameCounter - start_) / static_cast<double>(frequency);
}

std::uint32_t QNTIMER::PeriodsElapsed()
{
    if (!(period_ > 0.0))
        return 0;
    const double t = Elapsed();
    // A counter that went backwards (an injected clock) gives no ticks rather than a wrapped
    // count; an absurdly long gap saturates.
    // The tiny allowance keeps a boundary that the frame counter hits exactly from being lost
    // to rounding in the division.
    const double whole = std::trunc((t - accounted_) / period_ + 1e-7);
    std::uint32_t n = 0;
    if (whole >= 4294967295.0)
        n = UINT32_MAX;
    else if (whole > 0.0)
        n = static_cast<std::uint32_t>(whole);
    if (n != 0)
        accounted_ += static_cast<double>(n) * period_;
    if (t >= 100000000.0)
        Restart();
    return n;
}
