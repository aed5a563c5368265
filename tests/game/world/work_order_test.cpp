#include <gtest/gtest.h>

#include <bit>

#include "engine/util/qnmath.h"
#include "game/world/item_types.h"
#include "game/world/work_order.h"

namespace {

TEST(WorkOrders, GenerationOverManySeeds)
{
    int lineCounts[5] = {};
    SeedRandom(12345);
    for (int n = 0; n < 400; ++n) {
        WORKORDERDATA order;
        order.Generate();
        ASSERT_GE(order.LineCount, 2u) << n;
        ASSERT_LE(order.LineCount, 4u) << n;
        ++lineCounts[order.LineCount];
        EXPECT_EQ(std::popcount(order.Cells), static_cast<int>(order.LineCount)) << "cells repeat, order " << n;
        float value = 0.0f;
        std::uint32_t cells = 0;
        for (std::uint32_t i = 0; i < order.LineCount; ++i) {
            const WORKORDERLINE& line = order.Lines[i];
            ASSERT_LT(line.Colour, kOreColours);
            ASSERT_LT(line.Kind, kOreKinds);
            cells |= 1u << OreCell(line.Colour, line.Kind);
            value += WORKORDERDATA::KindPrice(line.Kind);
        }
        EXPECT_EQ(cells, order.Cells);
        EXPECT_EQ(value, order.Value);
        EXPECT_EQ(order.Bonus, 0.0f);
        EXPECT_TRUE(order.IsFilledBy(order.Cells));
        EXPECT_TRUE(order.IsFilledBy(kAllOre));
        const std::uint32_t firstCell = 1u << OreCell(order.Lines[0].Colour, order.Lines[0].Kind);
        EXPECT_FALSE(order.IsFilledBy(order.Cells & ~firstCell));
    }
    // Two and four lines a quarter of the time each, three half of it.
    EXPECT_GT(lineCounts[3], lineCounts[2]);
    EXPECT_GT(lineCounts[3], lineCounts[4]);
    EXPECT_GT(lineCounts[2], 50);
    EXPECT_GT(lineCounts[4], 50);

    SeedRandom(77);
    WORKORDERDATA a;
    a.Generate();
    SeedRandom(77);
    WORKORDERDATA b;
    b.Generate();
    EXPECT_EQ(a.Cells, b.Cells);
    EXPECT_EQ(a.Value, b.Value);
}

TEST(WorkOrders, FillAndColourExamples)
{
    WORKORDERDATA order;
    order.AddLine(ORE_RED, 0);
    order.AddLine(ORE_GREEN, 1);
    order.AddLine(ORE_GREEN, 1);
    EXPECT_EQ(order.LineCount, 2u);
    EXPECT_EQ(order.Value, 18000000.0f);
    EXPECT_TRUE(order.IsFilledBy((1u << 0) | (1u << 4)));
    EXPECT_TRUE(order.IsFilledBy((1u << 0) | (1u << 4) | (1u << 11)));
    EXPECT_FALSE(order.IsFilledBy(1u << 0));
    EXPECT_FALSE(order.IsFilledBy(1u << 1 | 1u << 4));
    EXPECT_TRUE(order.HasColour(ORE_RED));
    EXPECT_FALSE(order.HasColour(ORE_BLUE));
    EXPECT_FALSE(order.HasColour(7));
    EXPECT_TRUE(order.HasColourPair(PAIR_RED_GREEN));
    EXPECT_FALSE(order.HasColourPair(PAIR_RED_BLUE));
    EXPECT_FALSE(order.HasColourPair(PAIR_NONE));

    WORKORDERDATA empty;
    EXPECT_TRUE(empty.IsFilledBy(0));
}

TEST(WorkOrders, EnhancerBonusCountsEveryPairTheOrderHolds)
{
    WORKORDERDATA order;
    order.AddLine(ORE_RED, 2);
    order.AddLine(ORE_GREEN, 0);
    order.AddLine(ORE_BLUE, 1);
    ASSERT_EQ(order.Value, 30500000.0f);

    order.ComputeBonus(0x3F);  // all six pairs: red/green, red/blue and green/blue match
    EXPECT_FLOAT_EQ(order.Bonus, 3 * 0.2f * 30500000.0f);
    EXPECT_FLOAT_EQ(order.Worth(), order.Value + order.Bonus);

    order.ComputeBonus(1u << PAIR_BLUE_YELLOW | 1u << PAIR_GREEN_YELLOW);
    EXPECT_EQ(order.Bonus, 0.0f);
    order.ComputeBonus(1u << PAIR_RED_BLUE | 1u << 6);  // bits beyond the six pairs count for nothing
    EXPECT_FLOAT_EQ(order.Bonus, 0.2f * 30500000.0f);
}

}  // namespace
