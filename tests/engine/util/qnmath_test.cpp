#include "engine/util/qnmath.h"

#include "physics/dynamics/me_random.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(QnMath, RoundingHelpers)
{
    EXPECT_FLOAT_EQ(RoundTo4Places(1.23456f), 1.2346f);
    EXPECT_FLOAT_EQ(RoundTo4Places(0.00004f), 0.0f);
    EXPECT_FLOAT_EQ(RoundTo4Places(-1.23456f), -1.2346f);
    EXPECT_FLOAT_EQ(ModfF(-2.75f), -2.0f);
    EXPECT_FLOAT_EQ(ModfF(2.75f), 2.0f);

    EXPECT_EQ(RoundToInt(2.5f), 3);
    EXPECT_EQ(RoundToInt(-2.5f), -3);
    EXPECT_EQ(RoundToInt(2.4999f), 2);
    EXPECT_EQ(RoundToInt(0.49999997f), 0);   // adding 0.5 in float would round this up
    EXPECT_EQ(RoundToInt(-0.4f), 0);
    EXPECT_EQ(RoundToInt(1e20f), INT_MAX);
    EXPECT_EQ(RoundToInt(-1e20f), INT_MIN);
    EXPECT_EQ(RoundToInt(NAN), 0);
}

TEST(QnMath, WrapAndAcos)
{
    EXPECT_FLOAT_EQ(WrapFloat(370.0f, 0.0f, 360.0f), 10.0f);
    EXPECT_FLOAT_EQ(WrapFloat(-10.0f, 0.0f, 360.0f), 350.0f);
    EXPECT_FLOAT_EQ(WrapFloat(360.0f, 0.0f, 360.0f), 0.0f);
    EXPECT_FLOAT_EQ(WrapFloat(-360.0f, 0.0f, 360.0f), 0.0f);   // never hi itself
    EXPECT_FLOAT_EQ(WrapFloat(-1.0f, -3.14159f, 3.14159f), -1.0f);
    EXPECT_FLOAT_EQ(WrapFloat(4.0f, -1.0f, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(WrapFloat(5.0f, 2.0f, 2.0f), 2.0f);

    EXPECT_FLOAT_EQ(AcosF(1.0000001f), 0.0f);
    EXPECT_FLOAT_EQ(AcosF(-1.5f), std::acos(-1.0f));
    EXPECT_FLOAT_EQ(Atan2F(1.0f, 0.0f), std::atan2(1.0f, 0.0f));
    EXPECT_FLOAT_EQ(SqrtF(9.0f), 3.0f);
}

TEST(QnMath, RandomRangeReachesBothEndsAndRepeatsPerSeed)
{
    MeRandomGenerator gen;
    MeRandomGenerator* previous = MeRandomSetGenerator(&gen);

    EXPECT_EQ(RandomRange(4.5f, 4.5f), 4.5f);
    bool low = false, high = false;
    SeedRandom(99);
    for (int i = 0; i < 300000 && !(low && high); ++i) {
        const float v = RandomRange(-7.25f, 3.3f);
        ASSERT_GE(v, -7.25f);
        ASSERT_LE(v, 3.3f);
        low |= v == -7.25f;
        high |= v == 3.3f;
    }
    EXPECT_TRUE(low);
    EXPECT_TRUE(high);

    // Integer draws 1..6 with RoundToInt hit every face.
    int seen[7] = {};
    for (int i = 0; i < 6000; ++i) {
        const int d = RoundToInt(RandomRange(1.0f, 6.0f));
        ASSERT_GE(d, 1);
        ASSERT_LE(d, 6);
        ++seen[d];
    }
    for (int d = 1; d <= 6; ++d)
        EXPECT_GT(seen[d], 0) << d;

    SeedRandom(1234);
    float first[8];
    for (float& f : first)
        f = RandomRange(0.0f, 1.0f);
    SeedRandom(1234);
    for (float f : first)
        EXPECT_EQ(RandomRange(0.0f, 1.0f), f);

    MeRandomSetGenerator(previous);
}
