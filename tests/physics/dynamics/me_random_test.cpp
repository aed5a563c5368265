#include "physics/dynamics/me_random.h"

#include <gtest/gtest.h>

TEST(MeRandom, ClassicSequenceAndRange)
{
    MeRandomSeed(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169};
    for (int value : expected)
        EXPECT_EQ(MeRandom(), value);

    MeRandomSeed(12345);
    bool sawZeroish = false, sawTop = false;
    for (int i = 0; i < 200000; ++i) {
        int r = MeRandom();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, MeRANDOM_MAX);
        sawZeroish |= r < 16;
        sawTop |= r > MeRANDOM_MAX - 16;
    }
    EXPECT_TRUE(sawZeroish);
    EXPECT_TRUE(sawTop);
}

TEST(MeRandom, InjectedGeneratorIsUsedAndRestored)
{
    MeRandomSeed(7);
    const int builtinFirst = MeRandom();

    MeRandomGenerator injected;
    injected.state = 7;
    MeRandomGenerator* previous = MeRandomSetGenerator(&injected);
    EXPECT_EQ(MeRandom(), builtinFirst);  // same seed, same sequence
    EXPECT_EQ(injected.state, 7u * 214013u + 2531011u);

    MeRandomSetGenerator(previous);
    MeRandomSeed(7);
    EXPECT_EQ(MeRandom(), builtinFirst);
}
