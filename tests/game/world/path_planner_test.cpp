// Grid path planner: box records, point and segment tests, and paths checked against a
// brute-force search of the same grid.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <queue>
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

namespace {

// The project's generator stays untouched: scenes come from a local LCG.
struct SceneRandom {
    std::uint32_t x;
    float Next(float a, float b)
    {
        x = x * 1664525u + 1013904223u;
        return a + (b - a) * float(x >> 8) / float(1u << 24);
    }
};

struct SCENE {
    std::vector<QNBOX> boxes;
    QNVEC3 start, goal;
};

constexpr float kStep = 2.0f;
constexpr float kMargin = 0.5f;
constexpr int kReach = 18;  // grid points each way from the start that the brute force covers

SCENE MakeScene(std::uint32_t seed, QNPATHPLANNER& planner)
{
    SceneRandom r{seed};
    SCENE s;
    const int count = 4 + int(r.Next(0, 8));
    for (int i = 0; i < count; ++i) {
        const QNVEC3 c(r.Next(-12, 12), r.Next(-12, 12), r.Next(-12, 12));
        const QNVEC3 h(r.Next(1.5f, 6), r.Next(1.5f, 6), r.Next(1.5f, 6));
        s.boxes.emplace_back(c - h, c + h);
        planner.AddBox(s.boxes.back());
    }
    do {
        s.start = QNVEC3(r.Next(-16, 16), r.Next(-16, 16), r.Next(-16, 16));
        s.goal = QNVEC3(r.Next(-16, 16), r.Next(-16, 16), r.Next(-16, 16));
    } while (planner.IsPointBlocked(s.start, QNVEC3(99, 99, 99), QNVEC3(99, 99, 99), kMargin) ||
             planner.IsPointBlocked(s.goal, QNVEC3(99, 99, 99), QNVEC3(99, 99, 99), kMargin));
    return s;
}

// Dijkstra over the planner's grid with its own blocking rules: the shortest length from the
// start to a grid point that sees the goal, plus that last segment; negative when none.
float BruteForceLength(const QNPATHPLANNER& planner, const SCENE& s)
{
    const int side = 2 * kReach + 1;
    auto index = [&](int i, int j, int k) { return ((i + kReach) * side + (j + kReach)) * side + (k + kReach); };
    auto point = [&](int i, int j, int k) { return s.start + QNVEC3(float(i), float(j), float(k)) * kStep; };
    std::vector<float> dist(std::size_t(side) * side * side, 1e30f);
    std::vector<char> done(dist.size(), 0);
    using ITEM = std::pair<float, std::array<int, 3>>;
    std::priority_queue<ITEM, std::vector<ITEM>, std::greater<ITEM>> frontier;
    frontier.push({0.0f, {0, 0, 0}});
    dist[index(0, 0, 0)] = 0;
    float best = -1;
    const int dirs[6][3] = {{0, 0, 1}, {1, 0, 0}, {0, 0, -1}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}};
    while (!frontier.empty()) {
        const auto c = frontier.top().second;
        frontier.pop();
        const int ci = index(c[0], c[1], c[2]);
        if (done[ci])
            continue;
        done[ci] = 1;
        const QNVEC3 p = point(c[0], c[1], c[2]);
        if (best >= 0 && dist[ci] >= best)
            break;
        if (!planner.IsSegmentBlocked(p, s.goal, kMargin)) {
            const float total = dist[ci] + (s.goal - p).Length();
            if (best < 0 || total < best)
                best = total;
        }
        for (const auto& d : dirs) {
            const int a = c[0] + d[0], b = c[1] + d[1], e = c[2] + d[2];
            if (std::abs(a) > kReach || std::abs(b) > kReach || std::abs(e) > kReach)
                continue;
            const QNVEC3 q = point(a, b, e);
            if (planner.IsPointBlocked(q, s.start, s.goal, kMargin) || planner.IsSegmentBlocked(p, q, kMargin))
                continue;
            const int qi = index(a, b, e);
            if (!done[qi] && dist[ci] + kStep < dist[qi]) {
                dist[qi] = dist[ci] + kStep;
                frontier.push({dist[qi], {a, b, e}});
            }
        }
    }
    return best;
}

float PathLength(const QNVEC3* p, std::uint32_t n)
{
    float total = 0;
    for (std::uint32_t i = 0; i + 1 < n; ++i)
        total += (p[i + 1] - p[i]).Length();
    return total;
}

}  // namespace

// The planner finds a path exactly where the brute-force search of its grid does; with the
// doubled heuristic the path may be up to twice the grid optimum, and thinning never makes it
// longer than the raw path. Every thinned segment is clear.
TEST(PathPlanner, PathsAroundRandomBoxesAgainstBruteForce)
{
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        QNPATHPLANNER planner;
        planner.Init(32, 20000, 2000);
        const SCENE s = MakeScene(seed, planner);
        std::vector<QNVEC3> path(planner.PathCapacity());
        const std::uint32_t n = planner.FindPath(path.data(), planner.PathCapacity(), s.start, s.goal, kStep, kMargin);
        const float brute = BruteForceLength(planner, s);
        ASSERT_EQ(n > 0, brute >= 0) << seed;
        if (!n)
            continue;
        EXPECT_EQ(path[0], s.start);
        EXPECT_EQ(path[n - 1], s.goal);
        const float length = PathLength(path.data(), n);
        EXPECT_LE(length, 2.0f * brute + 1e-3f) << seed;
        EXPECT_GE(length, (s.goal - s.start).Length() - 1e-3f) << seed;
        for (std::uint32_t i = 0; i + 1 < n; ++i)
            EXPECT_FALSE(planner.IsSegmentBlocked(path[i], path[i + 1], kMargin)) << seed << " " << i;
        for (std::uint32_t i = 1; i + 1 < n; ++i)
            EXPECT_FALSE(planner.IsPointBlocked(path[i], s.start, s.goal, kMargin)) << seed << " " << i;
    }
}

TEST(PathPlanner, CapacitiesLimitsAndBoxesAroundTheEnds)
{
    QNPATHPLANNER planner;
    planner.Init(16, 300, 100);
    const QNVEC3 start(0, 0, 0), goal(0, 0, 40);
    // A wide wall halfway: going round it takes more than a handful of grid points.
    planner.AddBox(Box(-6, -6, 19, 6, 6, 21));
    QNVEC3 path[kPathPoints + 1];
    const QNVEC3 sentinel(-7, -7, -7);
    const std::uint32_t full = planner.FindPath(path, kPathPoints, start, goal, 2.0f, 0.5f);
    ASSERT_GE(full, 3u);

    // The caller's buffer too small for the raw path: refused, nothing written past its end.
    for (auto& p : path)
        p = sentinel;
    EXPECT_EQ(planner.FindPath(path, 4, start, goal, 2.0f, 0.5f), 0u);
    for (std::uint32_t i = 4; i < kPathPoints + 1; ++i)
        EXPECT_EQ(path[i], sentinel) << i;

    // A path limit below the raw path's length, and a node pool too small for the search.
    planner.Init(16, 300, 5);
    planner.AddBox(Box(-6, -6, 19, 6, 6, 21));
    EXPECT_EQ(planner.FindPath(path, kPathPoints, start, goal, 2.0f, 0.5f), 0u);
    planner.Init(16, 20, 100);
    planner.AddBox(Box(-6, -6, 19, 6, 6, 21));
    EXPECT_EQ(planner.FindPath(path, kPathPoints, start, goal, 2.0f, 0.5f), 0u);
    EXPECT_EQ(planner.NodesUsed(), 20u);

    // A goal sealed in a shell of six walls: the search runs out of nodes.
    planner.Init(16, 300, 100);
    const float in = 4, out = 6;
    planner.AddBox(Box(-out, -out, 30 - out, out, out, 30 - in));
    planner.AddBox(Box(-out, -out, 30 + in, out, out, 30 + out));
    planner.AddBox(Box(-out, -out, 30 - in, -in, out, 30 + in));
    planner.AddBox(Box(in, -out, 30 - in, out, out, 30 + in));
    planner.AddBox(Box(-in, -out, 30 - in, in, -in, 30 + in));
    planner.AddBox(Box(-in, in, 30 - in, in, out, 30 + in));
    EXPECT_EQ(planner.FindPath(path, kPathPoints, start, QNVEC3(0, 0, 30), 2.0f, 0.5f), 0u);

    // A start inside a box (a ship docked in a part's box) leaves it freely; so does a goal.
    planner.Init(16, 300, 100);
    planner.AddBox(Box(-3, -3, -3, 3, 3, 3));
    planner.AddBox(Box(-3, -3, 37, 3, 3, 43));
    EXPECT_FALSE(planner.IsPointBlocked(QNVEC3(1, 0, 0), start, goal, 0.5f));
    EXPECT_FALSE(planner.IsSegmentBlocked(start, QNVEC3(0, 0, 10), 0.5f));
    EXPECT_TRUE(planner.IsSegmentBlocked(QNVEC3(0, 0, -10), QNVEC3(0, 0, 10) + QNVEC3(0, 0, 40), 0.5f));
    EXPECT_EQ(planner.FindPath(path, kPathPoints, start, goal, 2.0f, 0.5f), 2u);
}

TEST(PathPlanner, ThinningKeepsOnlyTheCornersNeeded)
{
    QNPATHPLANNER planner;
    planner.Init(4, 10, 100);
    // Collinear points collapse to their ends.
    QNVEC3 line[5] = {{0, 0, 0}, {0, 0, 2}, {0, 0, 4}, {0, 0, 6}, {0, 0, 8}};
    ASSERT_EQ(planner.ThinPath(line, 5, 0.5f), 2u);
    EXPECT_EQ(line[1], QNVEC3(0, 0, 8));
    // An L round a box keeps its corner; without the box the corner goes.
    QNVEC3 bend[5] = {{0, 0, 0}, {0, 0, 4}, {0, 0, 8}, {4, 0, 8}, {8, 0, 8}};
    QNVEC3 copy[5];
    std::copy(bend, bend + 5, copy);
    EXPECT_EQ(planner.ThinPath(copy, 5, 0.5f), 2u);
    planner.AddBox(Box(2, -2, 2, 10, 2, 6));
    ASSERT_EQ(planner.ThinPath(bend, 5, 0.5f), 3u);
    EXPECT_EQ(bend[1], QNVEC3(0, 0, 8));
    EXPECT_EQ(bend[2], QNVEC3(8, 0, 8));
}
