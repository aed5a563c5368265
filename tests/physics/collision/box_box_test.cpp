#include <algorithm>
#include <cmath>

#include "physics/collision/box_box.h"

#include "tests/physics/collision/pair_test_support.h"

using colltest::AxisAnglePose;
using colltest::PairTest;
using colltest::Placed;
using colltest::Uniform;

namespace {

bool HasContactNear(const McdContact* c, int n, float x, float y, float z, float tol = 2e-3f)
{
    for (int i = 0; i < n; ++i)
        if (std::fabs(c[i].position[0] - x) < tol && std::fabs(c[i].position[1] - y) < tol &&
            std::fabs(c[i].position[2] - z) < tol)
            return true;
    return false;
}

// Brute-force fifteen-axis separation of two world boxes, in double.
struct Reference {
    double face = -1e30, edge = -1e30;
    bool valid = false;
};

Reference BruteForce(const MeMatrix4 ta, const float ea[3], const MeMatrix4 tb, const float eb[3], float tolerance)
{
    auto dot = [](const double a[3], const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; };
    const double t[3] = {tb[3][0] - ta[3][0], tb[3][1] - ta[3][1], tb[3][2] - ta[3][2]};
    auto sep = [&](const double L[3]) {
        double ra = 0, rb = 0, d = 0;
        for (int i = 0; i < 3; ++i) {
            ra += ea[i] * std::fabs(dot(L, ta[i]));
            rb += eb[i] * std::fabs(dot(L, tb[i]));
            d += L[i] * t[i];
        }
        return std::fabs(d) - ra - rb;
    };
    Reference r;
    for (int i = 0; i < 3; ++i) {
        const double La[3] = {ta[i][0], ta[i][1], ta[i][2]}, Lb[3] = {tb[i][0], tb[i][1], tb[i][2]};
        r.face = std::max({r.face, sep(La), sep(Lb)});
    }
    const double minSine2 = std::max(double(tolerance) * tolerance, 1e-6);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const float* a = ta[i];
            const float* b = tb[j];
            double L[3] = {double(a[1]) * b[2] - double(a[2]) * b[1], double(a[2]) * b[0] - double(a[0]) * b[2],
                           double(a[0]) * b[1] - double(a[1]) * b[0]};
            const double len2 = L[0] * L[0] + L[1] * L[1] + L[2] * L[2];
            if (len2 <= minSine2 * 1.01 || len2 < 1e-12)
                continue;
            const double len = std::sqrt(len2);
            for (double& x : L)
                x /= len;
            r.edge = std::max(r.edge, sep(L));
        }
    r.valid = true;
    return r;
}

TEST_F(PairTest, FaceFaceGivesTheOverlapRectangleInBothOrders)
{
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(0.5f, 0.5f, 0.5f, 0.7f, 0.3f, 1.499f);
    for (int order = 0; order < 2; ++order) {
        ASSERT_EQ(order == 0 ? Collide(a, b) : Collide(b, a), 1);
        ASSERT_EQ(result.contactCount, 4);
        const float sign = pair.model1 == a->model ? -1.0f : 1.0f;  // from model 2 towards model 1
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(contacts[i].normal[2], sign, 1e-5f);
            EXPECT_NEAR(contacts[i].separation, -0.001f, 1e-5f);
            EXPECT_EQ(contacts[i].dims, 0x0202);
        }
        EXPECT_NEAR(result.normal[2], sign, 1e-5f);
        for (auto [x, y] : {std::pair{0.2f, -0.2f}, {1.0f, -0.2f}, {1.0f, 0.8f}, {0.2f, 0.8f}})
            EXPECT_TRUE(HasContactNear(contacts, 4, x, y, 0.9995f)) << order << " " << x << "," << y;
    }
    // A small box wholly on the big one's face: its own four bottom corners, both orders.
    b->tm[3][0] = 0.1f, b->tm[3][1] = 0;
    for (int order = 0; order < 2; ++order) {
        ASSERT_EQ(order == 0 ? Collide(a, b) : Collide(b, a), 1);
        ASSERT_EQ(result.contactCount, 4);
        for (auto [x, y] : {std::pair{-0.4f, -0.5f}, {0.6f, -0.5f}, {0.6f, 0.5f}, {-0.4f, 0.5f}})
            EXPECT_TRUE(HasContactNear(contacts, 4, x, y, 0.9995f)) << order;
    }
    // Resting exactly, or within the padding: touching, no contacts.
    b->tm[3][2] = 1.5f;
    EXPECT_EQ(Collide(a, b), 0);
    EXPECT_EQ(result.contactCount, 0);
    b->tm[3][2] = 1.52f;
    EXPECT_EQ(Collide(a, b), 0);
}

TEST_F(PairTest, CornerIntoFaceGivesContactsInBothOrders)
{
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(0.5f, 0.5f, 0.5f);
    // Turn b so that its corner (1, 1, 1) points straight down: the rotation taking
    // (1, 1, 1)/sqrt3 to (0, 0, -1) is about (1, -1, 0)/sqrt2.
    const float angle = std::acos(-1 / std::sqrt(3.0f));
    AxisAnglePose(b->tm, 1 / std::sqrt(2.0f), -1 / std::sqrt(2.0f), 0, angle, 0.2f, -0.1f,
                  1 + 0.5f * std::sqrt(3.0f) - 0.01f);
    for (int order = 0; order < 2; ++order) {
        ASSERT_EQ(order == 0 ? Collide(a, b) : Collide(b, a), 1) << order;
        ASSERT_GE(result.contactCount, 1) << order;
        const float sign = pair.model1 == a->model ? -1.0f : 1.0f;
        EXPECT_NEAR(result.normal[2], sign, 1e-4f);
        for (int i = 0; i < result.contactCount; ++i) {
            EXPECT_NEAR(contacts[i].separation, -0.01f, 1e-4f) << order;
            EXPECT_NEAR(contacts[i].position[0], 0.2f, 0.02f);
            EXPECT_NEAR(contacts[i].position[1], -0.1f, 0.02f);
            EXPECT_NEAR(contacts[i].position[2], 0.995f, 0.006f);
        }
    }
}

TEST_F(PairTest, EdgeAcrossEdgeGivesTheEdgeNormalInBothOrders)
{
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(1, 1, 1);
    const float q = 0.25f * 3.14159265f;
    AxisAnglePose(a->tm, 1, 0, 0, q, 0, 0, 0);                                  // top edge along x
    AxisAnglePose(b->tm, 0, 1, 0, q, 0.1f, 0.2f, 2 * std::sqrt(2.0f) - 0.01f);  // bottom edge along y
    for (int order = 0; order < 2; ++order) {
        ASSERT_EQ(order == 0 ? Collide(a, b) : Collide(b, a), 1);
        ASSERT_GE(result.contactCount, 1);
        const float sign = pair.model1 == a->model ? -1.0f : 1.0f;
        EXPECT_NEAR(result.normal[2], sign, 1e-4f);
        for (int i = 0; i < result.contactCount; ++i) {
            EXPECT_NEAR(contacts[i].separation, -0.01f, 1e-4f);
            EXPECT_EQ(contacts[i].dims, 257);
            EXPECT_NEAR(contacts[i].position[0], 0.1f, 0.02f);
            EXPECT_NEAR(contacts[i].position[1], 0, 0.02f);
        }
    }
}

TEST_F(PairTest, SeparatingAxisMatchesBruteForceOnRandomPoses)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    ASSERT_NE(tests, nullptr);
    int overlapping = 0, edgeWins = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        MeMatrix4 ta, tb;
        colltest::RandomPose(ta, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
        colltest::RandomPose(tb, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
        if (trial % 5 == 0)
            colltest::Identity(tb), tb[3][0] = Uniform(-2, 2);  // parallel axes, skipped edges
        const float ea[3] = {Uniform(0.1f, 1), Uniform(0.1f, 1), Uniform(0.1f, 1)};
        const float eb[3] = {Uniform(0.1f, 1), Uniform(0.1f, 1), Uniform(0.1f, 1)};
        const float tol = trial % 2 ? 0.01f : 0.0f;
        const Reference ref = BruteForce(ta, ea, tb, eb, tol);
        MeReal pose[4][4];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                pose[i][j] = ta[j][0] * tb[i][0] + ta[j][1] * tb[i][1] + ta[j][2] * tb[i][2];
            const float d[3] = {tb[3][0] - ta[3][0], tb[3][1] - ta[3][1], tb[3][2] - ta[3][2]};
            pose[3][i] = d[0] * ta[i][0] + d[1] * ta[i][1] + d[2] * ta[i][2];
        }
        MeReal sep = 0, n[3], support;
        MeI16 dims;
        const bool hit = tests->BoxBoxSeparatingAxis(&sep, n, &support, &dims, tol, ea, eb, pose);
        const double worst = std::max(ref.face, ref.edge);
        if (std::fabs(worst - tol) < 1e-4)
            continue;  // too close to the threshold to judge in float
        ASSERT_EQ(hit, worst <= tol) << trial;
        if (!hit)
            continue;
        ++overlapping;
        const double expected = ref.edge > ref.face + tol ? ref.edge : ref.face;
        if (std::fabs(ref.edge - (ref.face + tol)) < 1e-4)
            continue;
        EXPECT_NEAR(sep, expected, 2e-4) << trial;
        if (ref.edge > ref.face + tol) {
            ++edgeWins;
            EXPECT_EQ(dims, 257);
        }
        // Unit normal, pointing from b towards a.
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1, 1e-4);
        EXPECT_LE(n[0] * pose[3][0] + n[1] * pose[3][1] + n[2] * pose[3][2], 1e-5f) << trial;
    }
    EXPECT_GT(overlapping, 500);
    EXPECT_GT(edgeWins, 20);
}

// Contacts as a set of points in the contact plane: their reach along a direction.
float Reach(const McdContact* c, int n, const float u[3])
{
    float best = -1e30f;
    for (int i = 0; i < n; ++i)
        best = std::max(best, c[i].position[0] * u[0] + c[i].position[1] * u[1] + c[i].position[2] * u[2]);
    return best;
}

TEST_F(PairTest, DeepPassThroughKeepsContactsSpreadOverTheOverlap)
{
    // b sits 0.7 deep in a along z (the least overlap); seen along z the overlap is about
    // x in [-0.3, 0.5], y in [-0.4, 0.5].
    Placed* a = Box(0.5f, 0.5f, 0.5f);
    Placed* b = Box(0.5f, 0.5f, 0.5f);
    AxisAnglePose(b->tm, 0, 0, 1, 0.03f, 0.2f, 0.1f, 0.3f);
    for (int order = 0; order < 2; ++order) {
        ASSERT_EQ(order == 0 ? Collide(a, b) : Collide(b, a), 1);
        ASSERT_EQ(result.contactCount, 4) << order;
        EXPECT_NEAR(std::fabs(result.normal[2]), 1, 1e-4f);
        const float x[3] = {1, 0, 0}, mx[3] = {-1, 0, 0}, y[3] = {0, 1, 0}, my[3] = {0, -1, 0};
        EXPECT_GT(Reach(contacts, 4, x) + Reach(contacts, 4, mx), 0.7f) << order;
        EXPECT_GT(Reach(contacts, 4, y) + Reach(contacts, 4, my), 0.8f) << order;
        float deepest = 0;
        for (int i = 0; i < 4; ++i)
            deepest = std::min(deepest, contacts[i].separation);
        EXPECT_NEAR(deepest, -0.7f, 1e-3f);
    }
}

TEST_F(PairTest, FaceFlushToRoundingKeepsFourCorners)
{
    // Equal boxes stacked 1 mm deep, their sides flush, turned by angles that leave the
    // side planes coinciding only to rounding.
    Placed* a = Box(0.5f, 0.5f, 0.5f);
    Placed* b = Box(0.5f, 0.5f, 0.5f);
    for (int k = 0; k < 200; ++k) {
        const float angle = 1e-6f * static_cast<float>(k % 20);
        AxisAnglePose(a->tm, 0, 0, 1, angle, 3.1f * k, -1.7f * k, 0.25f * k);
        AxisAnglePose(b->tm, 0, 0, 1, angle, 3.1f * k, -1.7f * k, 0.25f * k + 0.999f);
        for (int order = 0; order < 2; ++order) {
            ASSERT_EQ(order == 0 ? Collide(a, b) : Collide(b, a), 1) << k;
            ASSERT_EQ(result.contactCount, 4) << k << " " << order;
            const float x[3] = {1, 0, 0}, mx[3] = {-1, 0, 0};
            EXPECT_NEAR(Reach(contacts, 4, x) + Reach(contacts, 4, mx), 1, 1e-3f) << k;
        }
    }
}

// The intersect's own patch (clipped incident face or the two edges of an edge axis) lies
// within the general patch (every edge crossing and every corner inside) and its deepest
// contact has the overlap's depth on every axis.
TEST_F(PairTest, AxisPatchLiesInTheGeneralPatchOnRandomPoses)
{
    MeRandomSeed(4242);
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(1, 1, 1);
    int checked = 0, faces = 0, edges = 0;
    for (int trial = 0; trial < 3000; ++trial) {
        float* ea = McdBoxGetHalfExtents(McdModelGetGeometry(a->model));
        float* eb = McdBoxGetHalfExtents(McdModelGetGeometry(b->model));
        for (int i = 0; i < 3; ++i)
            ea[i] = Uniform(0.2f, 1), eb[i] = Uniform(0.2f, 1);
        colltest::RandomPose(a->tm, Uniform(-0.3f, 0.3f), Uniform(-0.3f, 0.3f), Uniform(-0.3f, 0.3f));
        colltest::RandomPose(b->tm, Uniform(-1.5f, 1.5f), Uniform(-1.5f, 1.5f), Uniform(-1.5f, 1.5f));
        if (Collide(a, b, 16) == 0)
            continue;
        MeReal pose[4][4];
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j)
                pose[i][j] = a->tm[j][0] * b->tm[i][0] + a->tm[j][1] * b->tm[i][1] + a->tm[j][2] * b->tm[i][2];
            const float d[3] = {b->tm[3][0] - a->tm[3][0], b->tm[3][1] - a->tm[3][1], b->tm[3][2] - a->tm[3][2]};
            pose[3][i] = d[0] * a->tm[i][0] + d[1] * a->tm[i][1] + d[2] * a->tm[i][2];
        }
        MeReal sep, n[3], support;
        MeI16 dims;
        const MeReal padding = McdModelGetPadding(a->model) + McdModelGetPadding(b->model);
        ASSERT_TRUE(McdBoxBoxOverlapTest(&sep, n, &support, &dims, padding, ea, eb, pose)) << trial;
        MeReal local[64][3];
        McdPointCursor cursor(local, 64);
        McdBoxBoxGatherPatch(&cursor, pose, ea, eb);
        const int count = cursor.Count(local);
        ASSERT_GT(count, 0) << trial;
        ++checked;
        MeReal worldNormal[3];
        for (int j = 0; j < 3; ++j)
            worldNormal[j] = n[0] * a->tm[0][j] + n[1] * a->tm[1][j] + n[2] * a->tm[2][j];
        EXPECT_NEAR(worldNormal[0] * result.normal[0] + worldNormal[1] * result.normal[1] +
                        worldNormal[2] * result.normal[2],
                    1, 1e-3f)
            << trial;
        // Reach of the general patch along in-plane directions, compared in a's frame.
        float u[3] = {n[1] - n[2], n[2] - n[0], n[0] - n[1]};
        const float ul = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        for (float& c : u)
            c /= ul;
        const float v[3] = {n[1] * u[2] - n[2] * u[1], n[2] * u[0] - n[0] * u[2], n[0] * u[1] - n[1] * u[0]};
        const float margin = 1e-3f + 0.01f * std::fabs(sep);
        for (int d = 0; d < 8; ++d) {
            const float c = std::cos(0.785398f * d), s = std::sin(0.785398f * d);
            const float dir[3] = {c * u[0] + s * v[0], c * u[1] + s * v[1], c * u[2] + s * v[2]};
            float general = -1e30f, own = -1e30f;
            for (int i = 0; i < count; ++i)
                general = std::max(general, dir[0] * local[i][0] + dir[1] * local[i][1] + dir[2] * local[i][2]);
            for (int i = 0; i < result.contactCount; ++i) {
                MeReal p[3];
                const float* w = contacts[i].position;
                const float rel[3] = {w[0] - a->tm[3][0], w[1] - a->tm[3][1], w[2] - a->tm[3][2]};
                for (int j = 0; j < 3; ++j)
                    p[j] = rel[0] * a->tm[j][0] + rel[1] * a->tm[j][1] + rel[2] * a->tm[j][2];
                own = std::max(own, dir[0] * p[0] + dir[1] * p[1] + dir[2] * p[2]);
            }
            EXPECT_LE(own, general + margin) << trial << " direction " << d;
        }
        float deepest = 0;
        for (int i = 0; i < result.contactCount; ++i)
            deepest = std::min(deepest, contacts[i].separation);
        ++(dims == 257 ? edges : faces);
        EXPECT_NEAR(deepest, sep, 1e-4f) << trial;
    }
    EXPECT_GT(checked, 400);
    EXPECT_GT(faces, 100);
    EXPECT_GT(edges, 20);
}

// A resting face's contacts come from its clipped polygon: with room for all, the whole ring
// from the deepest point; with four, the deepest point and three more of that ring, in its
// order (counter-clockwise about the normal), so a wrong turn or place in the ring shows.
TEST_F(PairTest, FaceContactsAreTheDeepestAndOthersOfTheClippedRingInItsOrder)
{
    MeRandomSeed(9090);
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(1, 1, 1);
    int culled = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        float* ea = McdBoxGetHalfExtents(McdModelGetGeometry(a->model));
        float* eb = McdBoxGetHalfExtents(McdModelGetGeometry(b->model));
        for (int i = 0; i < 3; ++i)
            ea[i] = Uniform(0.3f, 1.5f), eb[i] = Uniform(0.3f, 1.5f);
        AxisAnglePose(a->tm, 0, 0, 1, 0, 0, 0, 0);
        AxisAnglePose(b->tm, Uniform(-0.05f, 0.05f), Uniform(-0.05f, 0.05f), 1, Uniform(0, 3.1f), Uniform(-1, 1),
                      Uniform(-1, 1), ea[2] + eb[2] - Uniform(0.002f, 0.05f));
        for (int order = 0; order < 2; ++order) {
            Placed* first = order ? b : a;
            Placed* second = order ? a : b;
            if (Collide(first, second, 16) == 0)
                continue;
            const int n = result.contactCount;
            McdContact ring[16];
            std::copy(contacts, contacts + n, ring);
            for (int i = 1; i < n; ++i)
                ASSERT_GE(ring[i].separation, ring[0].separation) << trial;
            // Counter-clockwise about the normal (from model 2 towards model 1).
            for (int i = 0; i < n && n >= 3; ++i) {
                const float* p = ring[i].position;
                const float* q = ring[(i + 1) % n].position;
                const float* r = ring[(i + 2) % n].position;
                const float u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
                const float v[3] = {r[0] - q[0], r[1] - q[1], r[2] - q[2]};
                const float* m = result.normal;
                EXPECT_GT(m[0] * (u[1] * v[2] - u[2] * v[1]) + m[1] * (u[2] * v[0] - u[0] * v[2]) +
                              m[2] * (u[0] * v[1] - u[1] * v[0]),
                          -1e-5f)
                    << trial << " " << order;
            }
            ASSERT_EQ(Collide(first, second, 4), 1) << trial;
            ASSERT_EQ(result.contactCount, std::min(n, 4)) << trial;
            int at = 0;
            for (int k = 0; k < result.contactCount; ++k) {
                while (at < n && !(std::fabs(ring[at].position[0] - contacts[k].position[0]) < 1e-6f &&
                                   std::fabs(ring[at].position[1] - contacts[k].position[1]) < 1e-6f &&
                                   std::fabs(ring[at].position[2] - contacts[k].position[2]) < 1e-6f))
                    ++at;
                ASSERT_LT(at, n) << trial << " " << order << " contact " << k;
                EXPECT_EQ(contacts[k].separation, ring[at].separation);
                if (k == 0) {
                    EXPECT_EQ(at, 0);
                }
            }
            culled += n > 4;
        }
    }
    EXPECT_GT(culled, 500);
}

TEST_F(PairTest, CoincidentBoxesGetAUnitNormal)
{
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(0.5f, 0.5f, 0.5f);
    ASSERT_EQ(Collide(a, b), 1);
    ASSERT_GE(result.contactCount, 1);
    const float len = std::sqrt(result.normal[0] * result.normal[0] + result.normal[1] * result.normal[1] +
                                result.normal[2] * result.normal[2]);
    EXPECT_NEAR(len, 1, 1e-6f);
    EXPECT_LE(result.contactCount, 4);
}

TEST_F(PairTest, BoxSweepFindsTheEntryTime)
{
    MeMatrix4 ta, tb;
    colltest::Identity(ta);
    colltest::Identity(tb);
    tb[3][0] = 5;
    const float e[3] = {1, 1, 1};
    const float still[3] = {0, 0, 0}, left[3] = {-2, 0, 0}, right[3] = {2, 0, 0};
    float t = -1;
    EXPECT_EQ(McdBoxBoxSweepTest(e, ta, still, e, tb, left, 2, &t), 1);
    EXPECT_NEAR(t, 1.5f, 1e-5f);  // the gap of 3 closes at speed 2
    EXPECT_EQ(McdBoxBoxSweepTest(e, ta, still, e, tb, right, 2, &t), 0);
    EXPECT_EQ(McdBoxBoxSweepTest(e, ta, still, e, tb, still, 2, &t), 0);
    EXPECT_EQ(McdBoxBoxSweepTest(e, ta, still, e, tb, left, 1.5f, &t), 1);  // meeting at the very end
    tb[3][0] = 1;
    EXPECT_EQ(McdBoxBoxSweepTest(e, ta, still, e, tb, right, 2, &t), 1);
    EXPECT_EQ(t, 0);
}

}  // namespace

// Boxes turned at random and set just off a face of each other (beyond the padding, within
// it, touching, slightly in), in both orders: the intersect decides as the line-test
// object's fifteen-axis test does, makes no contact unless that test finds an overlap, and
// reports that test's normal in the world for an overlap.
TEST_F(PairTest, NearFacePairsDecideAsTheSeparatingAxisTest)
{
    MeRandomSeed(77);
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(1, 1, 1);
    McdModelSetPadding(a->model, 0.01f);
    McdModelSetPadding(b->model, 0.01f);
    int apart = 0, within = 0, into = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        float* ea = McdBoxGetHalfExtents(McdModelGetGeometry(a->model));
        float* eb = McdBoxGetHalfExtents(McdModelGetGeometry(b->model));
        for (int i = 0; i < 3; ++i)
            ea[i] = Uniform(0.2f, 1), eb[i] = Uniform(0.2f, 1);
        colltest::RandomPose(a->tm, Uniform(-2, 2), Uniform(-2, 2), Uniform(-2, 2));
        colltest::RandomPose(b->tm, 0, 0, 0);
        if (trial % 2)  // b's faces parallel to a's
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    b->tm[i][j] = a->tm[(i + trial / 2) % 3][j];
        // Off a's face k (side s): b's reach along that axis plus a gap about the padding.
        const int k = trial % 3;
        const float s = trial % 4 < 2 ? 1.0f : -1.0f;
        float reach = 0;
        for (int j = 0; j < 3; ++j)
            reach += eb[j] * std::fabs(b->tm[j][0] * a->tm[k][0] + b->tm[j][1] * a->tm[k][1] + b->tm[j][2] * a->tm[k][2]);
        const float gap = Uniform(-0.01f, 0.04f), u = Uniform(-0.5f, 0.5f), v = Uniform(-0.5f, 0.5f);
        for (int j = 0; j < 3; ++j)
            b->tm[3][j] = a->tm[3][j] + s * (ea[k] + reach + gap) * a->tm[k][j] + u * ea[(k + 1) % 3] * a->tm[(k + 1) % 3][j] +
                          v * ea[(k + 2) % 3] * a->tm[(k + 2) % 3][j];
        for (int order = 0; order < 2; ++order) {
            Placed* p = order ? b : a;
            Placed* q = order ? a : b;
            MeReal pose[4][4];
            for (int i = 0; i < 3; ++i) {
                for (int j = 0; j < 3; ++j)
                    pose[i][j] = p->tm[j][0] * q->tm[i][0] + p->tm[j][1] * q->tm[i][1] + p->tm[j][2] * q->tm[i][2];
                const float d[3] = {q->tm[3][0] - p->tm[3][0], q->tm[3][1] - p->tm[3][1], q->tm[3][2] - p->tm[3][2]};
                pose[3][i] = d[0] * p->tm[i][0] + d[1] * p->tm[i][1] + d[2] * p->tm[i][2];
            }
            MeReal sep = 0, n[3], support;
            MeI16 dims;
            const bool hit = McdBoxBoxOverlapTest(&sep, n, &support, &dims, 0.02f, order ? eb : ea, order ? ea : eb, pose);
            Collide(p, q);
            if (!hit) {
                ++apart;
                EXPECT_EQ(result.contactCount, 0) << trial;
                continue;
            }
            const MeReal* m = result.normal;
            if (sep >= 0) {
                // Touching within the padding: no contact; the normal is an axis that shows it,
                // from q towards p.
                ++within;
                EXPECT_EQ(result.contactCount, 0) << trial;
                EXPECT_NEAR(m[0] * m[0] + m[1] * m[1] + m[2] * m[2], 1, 1e-5f) << trial;
                const float d[3] = {p->tm[3][0] - q->tm[3][0], p->tm[3][1] - q->tm[3][1], p->tm[3][2] - q->tm[3][2]};
                EXPECT_GE(m[0] * d[0] + m[1] * d[1] + m[2] * d[2], 0) << trial;
                continue;
            }
            ++into;
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(m[j], n[0] * p->tm[0][j] + n[1] * p->tm[1][j] + n[2] * p->tm[2][j], 1e-5f)
                    << trial << " order " << order;
        }
    }
    EXPECT_GT(apart, 300);
    EXPECT_GT(within, 800);
    EXPECT_GT(into, 200);
}

// Deep overlaps on seeded poses, in both model orders: the reported depth (the deepest
// contact) is the overlap of the two boxes along the reported normal (in double), so moving
// them apart by it along the normal separates them; and it is the least overlap over the
// fifteen axes (brute force) but for the bias of face axes by the padding.
TEST_F(PairTest, DeepOverlapsSeparateByTheReportedDepthAlongTheNormal)
{
    MeRandomSeed(2002);
    Placed* a = Box(1, 1, 1);
    Placed* b = Box(1, 1, 1);
    const double padding = McdModelGetPadding(a->model) + McdModelGetPadding(b->model);
    int deep = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        float* ea = McdBoxGetHalfExtents(McdModelGetGeometry(a->model));
        float* eb = McdBoxGetHalfExtents(McdModelGetGeometry(b->model));
        for (int i = 0; i < 3; ++i)
            ea[i] = Uniform(0.1f, 1), eb[i] = Uniform(0.1f, 1);
        colltest::RandomPose(a->tm, Uniform(-0.5f, 0.5f), Uniform(-0.5f, 0.5f), Uniform(-0.5f, 0.5f));
        colltest::RandomPose(b->tm, Uniform(-0.5f, 0.5f), Uniform(-0.5f, 0.5f), Uniform(-0.5f, 0.5f));
        const Reference before = BruteForce(a->tm, ea, b->tm, eb, 0);
        const double overlap = -std::max(before.face, before.edge);
        if (overlap < 0.05)
            continue;
        ++deep;
        for (int order = 0; order < 2; ++order) {
            Placed* p = order ? b : a;
            Placed* q = order ? a : b;
            ASSERT_EQ(Collide(p, q), 1) << trial;
            ASSERT_GT(result.contactCount, 0) << trial;
            float depth = 0;
            for (int i = 0; i < result.contactCount; ++i)
                depth = std::max(depth, -contacts[i].separation);
            const float* n = result.normal;
            const float* ep = order ? eb : ea;
            const float* eq = order ? ea : eb;
            double along = 0, reach = 0;
            for (int i = 0; i < 3; ++i) {
                along += double(n[i]) * (p->tm[3][i] - q->tm[3][i]);
                reach += ep[i] * std::fabs(double(n[0]) * p->tm[i][0] + double(n[1]) * p->tm[i][1] + double(n[2]) * p->tm[i][2]);
                reach += eq[i] * std::fabs(double(n[0]) * q->tm[i][0] + double(n[1]) * q->tm[i][1] + double(n[2]) * q->tm[i][2]);
            }
            EXPECT_NEAR(depth, reach - std::fabs(along), 1e-3 * (1 + overlap)) << trial << " order " << order;
            EXPECT_GE(along, -1e-4) << trial << " order " << order;
            EXPECT_GE(depth, overlap - 1e-3) << trial << " order " << order;
            EXPECT_LE(depth, overlap + padding + 1e-3) << trial << " order " << order;
            // p moves along the normal (from q towards p) by the depth.
            MeMatrix4 moved;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 4; ++j)
                    moved[i][j] = p->tm[i][j];
            for (int j = 0; j < 3; ++j)
                moved[3][j] += depth * result.normal[j];
            const Reference after = BruteForce(moved, ep, q->tm, eq, 0);
            EXPECT_GT(std::max(after.face, after.edge), -1e-3) << trial << " order " << order;
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(deep, 1000);
}
