#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/collision/contact_cull.h"
#include "tests/physics/collision/collision_test_support.h"

using colltest::Uniform;

namespace {

const MeReal kUp[3] = {0, 0, 1};

McdContact At(float x, float y, float sep, MeI16 dims = 0)
{
    McdContact c;
    c.position[0] = x;
    c.position[1] = y;
    c.normal[2] = 1;
    c.separation = sep;
    c.dims = dims;
    return c;
}

bool Contains(const McdContact* out, int n, float x, float y)
{
    for (int i = 0; i < n; ++i)
        if (std::fabs(out[i].position[0] - x) < 1e-6f && std::fabs(out[i].position[1] - y) < 1e-6f)
            return true;
    return false;
}

float PolygonArea(const McdContact* out, int n)
{
    // Shoelace over the points sorted by angle about their mean.
    float cx = 0, cy = 0;
    for (int i = 0; i < n; ++i)
        cx += out[i].position[0], cy += out[i].position[1];
    cx /= n, cy /= n;
    std::vector<std::pair<float, int>> order;
    for (int i = 0; i < n; ++i)
        order.push_back({std::atan2(out[i].position[1] - cy, out[i].position[0] - cx), i});
    std::sort(order.begin(), order.end());
    float a = 0;
    for (int k = 0; k < n; ++k) {
        const McdContact& p = out[order[k].second];
        const McdContact& q = out[order[(k + 1) % n].second];
        a += p.position[0] * q.position[1] - q.position[0] * p.position[1];
    }
    return std::fabs(a) / 2;
}

TEST(ContactCull, SquareDropsItsMiddleAndKeepsTheDeepest)
{
    McdContact c[5] = {At(0.5f, 0.5f, -0.01f), At(0, 0, -0.02f), At(1, 0, -0.01f), At(1, 1, -0.01f), At(0, 1, -0.01f)};
    McdContact out[4];
    const int n = McdContactCull(kUp, c, 5, out, 4, 0);
    ASSERT_EQ(n, 4);
    EXPECT_FLOAT_EQ(out[0].separation, -0.02f);  // the deepest comes first
    EXPECT_FALSE(Contains(out, n, 0.5f, 0.5f));
    for (auto [x, y] : {std::pair{0.f, 0.f}, {1.f, 0.f}, {1.f, 1.f}, {0.f, 1.f}})
        EXPECT_TRUE(Contains(out, n, x, y)) << x << "," << y;
}

TEST(ContactCull, PentagonLosesTheCheapestCornerNeverTheDeepest)
{
    // A house shape: the roof tip (0.5, 1.1) adds the least area.
    McdContact c[5] = {At(0, 0, -0.01f), At(1, 0, -0.01f), At(1, 1, -0.01f), At(0.5f, 1.1f, -0.01f), At(0, 1, -0.01f)};
    McdContact out[4];
    ASSERT_EQ(McdContactCull(kUp, c, 5, out, 4, 0), 4);
    EXPECT_FALSE(Contains(out, 4, 0.5f, 1.1f));
    // The same with the roof tip deepest: it stays, another corner goes.
    McdContact d[5] = {At(0, 0, -0.01f), At(1, 0, -0.01f), At(1, 1, -0.01f), At(0.5f, 1.1f, -0.05f), At(0, 1, -0.01f)};
    ASSERT_EQ(McdContactCull(kUp, d, 5, out, 4, 0), 4);
    EXPECT_TRUE(Contains(out, 4, 0.5f, 1.1f));
    EXPECT_FLOAT_EQ(out[0].separation, -0.05f);
}

TEST(ContactCull, SimilarCollinearAndSingleBudgets)
{
    McdContact near[2] = {At(0, 0, -0.01f), At(0.005f, 0, -0.02f)};
    McdContact out[4];
    ASSERT_EQ(McdContactCull(kUp, near, 2, out, 4, 0), 1);
    EXPECT_FLOAT_EQ(out[0].separation, -0.02f);

    McdContact line[4] = {At(0, 0, -0.01f), At(1, 0, -0.01f), At(2, 0, -0.01f), At(3, 0, -0.01f)};
    EXPECT_EQ(McdContactCull(kUp, line, 4, out, 4, 0), 2);

    McdContact many[3] = {At(0, 0, -0.01f), At(1, 0, -0.03f), At(0, 1, -0.02f)};
    ASSERT_EQ(McdContactCull(kUp, many, 3, out, 1, 0), 1);
    EXPECT_FLOAT_EQ(out[0].separation, -0.03f);
    EXPECT_EQ(McdContactCull(kUp, many, 3, out, 0, 0), 0);
    EXPECT_EQ(McdContactCull(kUp, many, 0, out, 4, 0), 0);
}

TEST(ContactCull, FaceFirstPutsFaceFeaturesAhead)
{
    McdContact c[4] = {At(0, 0, -0.02f, 0x0101), At(1, 0, -0.01f, 0x0202), At(1, 1, -0.01f, 0), At(0, 1, -0.01f, 0x0200)};
    McdContact out[4];
    ASSERT_EQ(McdContactCull(kUp, c, 4, out, 4, 1), 4);
    EXPECT_EQ(out[0].dims, 0x0202);
    EXPECT_EQ(out[1].dims, 0x0200);
    EXPECT_EQ(out[2].dims, 0x0101);
}

// Random clouds: the budget holds, the deepest survives, no two survivors are similar, and
// the kept polygon covers most of the cloud's hull area.
TEST(ContactCull, RandomCloudsKeepBudgetDeepestAndSpread)
{
    MeRandomSeed(77);
    for (int trial = 0; trial < 300; ++trial) {
        const int count = 2 + MeRandom() % 60;
        const int budget = 1 + MeRandom() % 6;
        std::vector<McdContact> c(count);
        int deepest = 0;
        for (int i = 0; i < count; ++i) {
            c[i] = At(Uniform(-1, 1), Uniform(-1, 1), Uniform(-0.1f, 0));
            if (MeRandom() % 8 == 0 && i > 0)
                c[i] = c[MeRandom() % i];  // exact duplicates happen in practice
            if (c[i].separation < c[deepest].separation)
                deepest = i;
        }
        const McdContact deep = c[deepest];
        McdContact out[8];
        const int n = McdContactCull(kUp, c.data(), count, out, budget, 0);
        ASSERT_GE(n, 1);
        ASSERT_LE(n, budget);
        EXPECT_EQ(out[0].separation, deep.separation);
        EXPECT_EQ(out[0].position[0], deep.position[0]);
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                EXPECT_FALSE(McdContactsAreSimilar(&out[i], &out[j])) << trial;
        if (budget >= 4 && count >= 20) {
            EXPECT_GT(PolygonArea(out, n), 1.0f) << trial;  // of a cloud spanning area 4
        }
    }
}

TEST(ContactCull, PolygonGeneratorKeepsOnlyPenetratingPoints)
{
    McdModelPair pair;
    McdIntersectRequest request{4, 0};
    pair.request = &request;
    McdContact contacts[8];
    McdIntersectResult result;
    result.pair = &pair;
    result.contacts = contacts;
    result.contactMaxCount = 8;
    // A frame rotated 90 degrees about z and moved by (10, 0, 0).
    MeReal t[4][4] = {{0, 1, 0, 0}, {-1, 0, 0, 0}, {0, 0, 1, 0}, {10, 0, 0, 1}};
    const MeReal pts[6][3] = {{0, 0, -0.1f}, {1, 0, -0.1f}, {1, 1, -0.1f}, {0, 1, -0.1f}, {0.5f, 0.5f, 0.2f},
                              {0.2f, 0.2f, -0.0001f}};
    const MeReal n[3] = {0, 0, 1};
    // Separation -0.05: keep points with z - 0 below -0.0005.
    EXPECT_EQ(McdContactsFromPolygon(&result, pts, 6, t, n, 0, -0.05f, 0x0202), 4);
    EXPECT_EQ(result.contactCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(contacts[i].separation, -0.1f);
        EXPECT_EQ(contacts[i].dims, 0x0202);
        EXPECT_FLOAT_EQ(contacts[i].normal[2], 1);
    }
    EXPECT_FLOAT_EQ(result.normal[2], 1);
    EXPECT_TRUE(Contains(contacts, 4, 10, 1));  // (1, 0) rotated to (0, 1) and moved
    request.contactMaxCount = 2;
    EXPECT_EQ(McdContactsFromPolygon(&result, pts, 6, t, n, 0, -0.05f, 0), 2);
    result.contactMaxCount = 0;
    EXPECT_EQ(McdContactsFromPolygon(&result, pts, 6, t, n, 0, -0.05f, 0), 0);
}

}  // namespace
