#pragma once
/// QNTIMER: the engine's one timer, measured against the frame counter.
///
/// The frame driver stores the performance counter once per frame (ReadCounter); every timer
/// reads that stored value, so time stands still within a frame and a timer restarted during a
/// frame starts at the frame's time. A period turns elapsed time into whole ticks that never
/// drift: the accounted time advances by whole periods only.

#include <cstdint>

class QNTIMER {
public:
    QNTIMER() = default;
    explicit QNTIMER(double period) { Init(period); }

    /// Stores the current performance counter as the frame counter (once per frame).
    static void ReadCounter();
    /// The stored frame counter.
    static std::int64_t FrameCounter();
    /// Sets the frame counter directly (virtual clocks in tests and tools).
    static void SetFrameCounter(std::int64_t counter);
    /// Counts per second of the counter (set by QNSYSTEM::Init; 1e9 before that).
    static std::int64_t Frequency();
    static void SetFrequency(std::int64_t countsPerSecond);

    /// Sets the period (seconds, 0 = none) and restarts.
    void Init(double period);
    /// Start = frame counter, accounted = 0; the period stays.
    void Restart();
    /// Seconds from the start to the frame counter.
    double Elapsed() const;
    /// Whole periods completed since the last call (0 with no period). The timer restarts by
    /// itself once 1e8 seconds have passed.
    std::uint32_t PeriodsElapsed();

    double Period() const { return period_; }
    double Accounted() const { return accounted_; }
    std::int64_t Start() const { return start_; }

private:
    std::int64_t start_ = 0;
    double accounted_ = 0.0;
    double period_ = 0.0;
};
