#include "engine/util/qntimer.h"
#include "platform/system.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

std::int64_t virtualNow = 0;

// Drives the frame counter through the injected platform counter, as the frame driver would.
class TimerTest : public testing::Test {
protected:
    void SetUp() override
    {
        virtualNow = 0;
        PlatformSetCounter([](void*) { return virtualNow; }, nullptr);
        QNTIMER::SetFrequency(1000000000);
        QNTIMER::ReadCounter();
    }
    void TearDown() override { PlatformSetCounter(nullptr, nullptr); }
    static void Frame(double seconds)
    {
        virtualNow += static_cast<std::int64_t>(seconds * 1e9 + 0.5);
        QNTIMER::ReadCounter();
    }
};

} // namespace

TEST_F(TimerTest, TimeStandsStillWithinAFrame)
{
    Frame(3.0);
    QNTIMER t(0.0);
    EXPECT_EQ(t.Elapsed(), 0.0);
    virtualNow += 500000000;   // the clock moves, the frame counter does not
    EXPECT_EQ(t.Elapsed(), 0.0);
    QNTIMER::ReadCounter();
    EXPECT_DOUBLE_EQ(t.Elapsed(), 0.5);
    t.Restart();
    EXPECT_EQ(t.Elapsed(), 0.0);
}

TEST_F(TimerTest, PeriodsNeverDrift)
{
    QNTIMER t(0.5);
    std::vector<std::uint32_t> got;
    for (int i = 0; i < 5; ++i) {
        Frame(0.2);
        got.push_back(t.PeriodsElapsed());
    }
    EXPECT_EQ(got, (std::vector<std::uint32_t>{0, 0, 1, 0, 1}));

    QNTIMER u(0.5);
    Frame(1.3);
    EXPECT_EQ(u.PeriodsElapsed(), 2u);
    Frame(0.15);   // 1.45 s: boundary at 1.5 not yet reached
    EXPECT_EQ(u.PeriodsElapsed(), 0u);
    Frame(0.05);
    EXPECT_EQ(u.PeriodsElapsed(), 1u);

    QNTIMER none(0.0);
    Frame(10.0);
    EXPECT_EQ(none.PeriodsElapsed(), 0u);
}

TEST_F(TimerTest, BackwardsClockAndHugeGaps)
{
    Frame(10.0);
    QNTIMER t(0.5);
    virtualNow -= 4000000000;   // an injected clock that goes back
    QNTIMER::ReadCounter();
    EXPECT_EQ(t.PeriodsElapsed(), 0u);

    QNTIMER::SetFrameCounter(0);
    QNTIMER fast(1e-9);
    QNTIMER::SetFrameCounter(INT64_C(200000000) * 1000000000);   // 2e8 s later
    EXPECT_EQ(fast.PeriodsElapsed(), UINT32_MAX);
    EXPECT_EQ(fast.Elapsed(), 0.0);   // restarted after 1e8 s
    EXPECT_EQ(fast.Accounted(), 0.0);
}
