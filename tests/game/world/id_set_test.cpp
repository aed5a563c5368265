#include <gtest/gtest.h>

#include <vector>

#include "game/world/id_set.h"

namespace {

// Which members act over `frames` frames when the cursor advances once per frame.
std::vector<std::uint64_t> Turns(IDSET& set, int frames)
{
    std::vector<std::uint64_t> turns;
    for (int i = 0; i < frames; ++i) {
        turns.push_back(set.Current());
        set.Advance();
    }
    return turns;
}

TEST(IdSets, MembersTakeTurnsInIdOrder)
{
    IDSET set;
    EXPECT_FALSE(set.Insert(5));  // no room before Create
    set.Create(3);
    EXPECT_TRUE(set.Insert(1));
    EXPECT_EQ(Turns(set, 3), (std::vector<std::uint64_t>{1, 1, 1}));
    EXPECT_TRUE(set.Insert(0x100000000ull + 7));  // wide ids stay whole
    EXPECT_TRUE(set.Insert(9));
    EXPECT_FALSE(set.Insert(9));
    EXPECT_FALSE(set.Insert(4));  // full
    EXPECT_EQ(set.Count(), 3u);
    EXPECT_EQ(set.Cursor(), 0u);
    EXPECT_EQ(Turns(set, 6), (std::vector<std::uint64_t>{1, 9, 0x100000007ull, 1, 9, 0x100000007ull}));
    EXPECT_TRUE(set.HasTurn(1));
    EXPECT_FALSE(set.HasTurn(9));
    ASSERT_NE(set.Find(0x100000007ull), nullptr);
    EXPECT_EQ(*set.Find(0x100000007ull), 0x100000007ull);
    EXPECT_EQ(set.Find(7), nullptr);
}

TEST(IdSets, RemovingKeepsTheCursorInRange)
{
    IDSET set;
    set.Create(30);
    for (std::uint64_t v : {30, 10, 20})
        ASSERT_TRUE(set.Insert(v));
    set.Advance();
    set.Advance();
    EXPECT_EQ(set.Current(), 30u);
    EXPECT_TRUE(set.Remove(30));  // the member at the end while the cursor points at it
    EXPECT_EQ(set.Cursor(), 0u);
    EXPECT_EQ(set.Current(), 10u);
    EXPECT_FALSE(set.Remove(30));
    set.Advance();
    EXPECT_TRUE(set.Remove(10));  // the cursor stays below the count
    EXPECT_EQ(set.Current(), 20u);
    EXPECT_TRUE(set.Remove(20));
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(set.Current(), 0u);
    EXPECT_FALSE(set.HasTurn(0));
    set.Advance();
    EXPECT_EQ(set.Cursor(), 0u);

    set.Insert(3);
    set.Destroy();
    EXPECT_EQ(set.Count(), 0u);
    EXPECT_EQ(set.Capacity(), 0u);
    EXPECT_FALSE(set.Insert(3));

    const std::uint64_t a = IDSET::NewSerial();
    const std::uint64_t b = IDSET::NewSerial();
    EXPECT_GT(b, a);
    EXPECT_NE(a, 0u);
}

}  // namespace
