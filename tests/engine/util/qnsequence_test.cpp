#include "engine/util/qnsequence.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Virtual frame clock: each Frame moves the stored counter on by the given seconds.
std::int64_t now = 0;
void Frame(double seconds)
{
    now += static_cast<std::int64_t>(seconds * 1e9 + 0.5);
    QNTIMER::SetFrameCounter(now);
}

class SequenceTest : public testing::Test {
protected:
    void SetUp() override
    {
        now = 1000000000;
        QNTIMER::SetFrequency(1000000000);
        QNTIMER::SetFrameCounter(now);
    }
};

std::vector<int> RunFrames(QNSEQUENCE& s, int frames, double dt)
{
    std::vector<int> out;
    for (int i = 0; i < frames; ++i) {
        Frame(dt);
        out.push_back(s.Advance());
    }
    return out;
}

} // namespace

TEST_F(SequenceTest, BlinkAlternatesAtItsRate)
{
    QNSEQUENCE s("@3 (0:0~1)");
    s.Start();
    EXPECT_EQ(s.Advance(), 0);
    EXPECT_EQ(s.Advance(), 0);   // same frame: no period passed
    // Frames of 0.1 s: a step every third-of-a-second boundary.
    EXPECT_EQ(RunFrames(s, 10, 0.1), (std::vector<int>{0, 0, 0, 1, 1, 1, 0, 0, 0, 1}));

    QNSEQUENCE two("@2 (0: 0 1)");
    two.Start();
    EXPECT_EQ(two.Advance(), 0);
    EXPECT_EQ(RunFrames(two, 4, 0.5), (std::vector<int>{1, 0, 1, 0}));
}

TEST_F(SequenceTest, CountsThenEnds)
{
    QNSEQUENCE s("@20 0~15");
    s.Start();
    std::vector<int> got{s.Advance()};
    for (int v : RunFrames(s, 18, 0.05))
        got.push_back(v);
    std::vector<int> want;
    for (int i = 0; i <= 15; ++i)
        want.push_back(i);
    want.push_back(-1);
    want.push_back(-1);
    want.push_back(-1);
    EXPECT_EQ(got, want);
}

TEST_F(SequenceTest, CountedLoopsThenHoldForever)
{
    QNSEQUENCE s("@25 (1:0~17) @25 (1:0~14) @1 (0:-1~-1)");
    s.Start();
    std::vector<int> got{s.Advance()};
    for (int i = 0; i < 17 + 15 + 5; ++i) {
        Frame(0.04);
        got.push_back(s.Advance());
    }
    std::vector<int> want;
    for (int i = 0; i <= 17; ++i)
        want.push_back(i);
    for (int i = 0; i <= 14; ++i)
        want.push_back(i);
    while (want.size() < got.size())
        want.push_back(-1);
    EXPECT_EQ(got, want);
    Frame(30.0);
    EXPECT_EQ(s.Advance(), -1);
}

TEST_F(SequenceTest, LongPauseRunsEveryMissedStep)
{
    QNSEQUENCE s("@10 (3:0~4) 9");
    s.Start();
    EXPECT_EQ(s.Advance(), 0);
    // 0 1 2 3 4 | 0 1 2 3 4 | 0 1 2 3 4 | 9: 14 more steps end the third turn.
    Frame(1.4);
    EXPECT_EQ(s.Advance(), 4);
    Frame(0.1);
    EXPECT_EQ(s.Advance(), 9);
    Frame(0.1);
    EXPECT_EQ(s.Advance(), -1);
}

TEST_F(SequenceTest, ProgramsWithoutStepsCannotSpin)
{
    QNSEQUENCE idle("@5 (0:)");
    idle.Start();
    EXPECT_EQ(idle.Advance(), -1);   // ends instead of looping for ever
    Frame(1.0);
    EXPECT_EQ(idle.Advance(), -1);

    QNSEQUENCE rateOnly("@5 7 (0:@5)");
    rateOnly.Start();
    EXPECT_EQ(rateOnly.Advance(), 7);
    Frame(0.2);
    EXPECT_EQ(rateOnly.Advance(), -1);

    QNSEQUENCE noRate("4 5");
    noRate.Start();
    EXPECT_EQ(noRate.Advance(), 4);
    Frame(100.0);
    EXPECT_EQ(noRate.Advance(), 4);   // no rate, no steps after the first

    QNSEQUENCE stray("@1 ) - 3");
    stray.Start();
    EXPECT_EQ(stray.Advance(), 3);

    QNSEQUENCE empty("");
    empty.Start();
    EXPECT_EQ(empty.Advance(), -1);
    QNSEQUENCE none;
    EXPECT_EQ(none.Advance(), -1);
}
