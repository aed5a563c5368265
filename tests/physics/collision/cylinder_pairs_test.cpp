// Cylinder pairs, the rim-rim objective, and the cylinder's line-segment test.

#include <cmath>
#include <vector>

#include "collision_test_support.h"
#include "physics/collision/cylinder_pairs.h"
#include "physics/collision/minimiser.h"

namespace {

using colltest::FrameworkTest;
using colltest::Uniform;

// Rotation rows of an axis-angle turn, position p.
void Pose(MeMatrix4 m, const MeReal axis[3], MeReal angle, MeReal x, MeReal y, MeReal z)
{
    const MeReal c = std::cos(angle), s = std::sin(angle), t = 1 - c;
    const MeReal X = axis[0], Y = axis[1], Z = axis[2];
    // Row i is the image of local axis i (row-vector convention).
    const MeReal R[3][3] = {{t * X * X + c, t * X * Y + s * Z, t * X * Z - s * Y},
                            {t * X * Y - s * Z, t * Y * Y + c, t * Y * Z + s * X},
                            {t * X * Z + s * Y, t * Y * Z - s * X, t * Z * Z + c}};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            m[i][j] = R[i][j];
        m[i][3] = 0;
    }
    m[3][0] = x;
    m[3][1] = y;
    m[3][2] = z;
    m[3][3] = 1;
}

const MeReal kX[3] = {1, 0, 0};
const MeReal kY[3] = {0, 1, 0};

class CylinderPairTest : public FrameworkTest {
protected:
    McdModelID Model(McdGeometryID g, MeMatrix4 t)
    {
        McdModelID m = McdModelCreate(g);
        McdModelSetTransformPtr(m, t);
        McdModelSetPadding(m, 0.005f);
        models.push_back(m);
        return m;
    }
    void TearDown() override
    {
        for (McdModelID m : models) {
            McdGeometryID g = McdModelGetGeometry(m);
            McdModelDestroy(m);
            if (McdGeometryGetReferenceCount(g) == 0)
                McdGeometryDestroy(g);
        }
        FrameworkTest::TearDown();
    }
    // The pair through the interaction table (models swapped into registration order).
    int Collide(McdModelID a, McdModelID b, McdIntersectResult* result, int room = 8)
    {
        McdModelPairInit(&pair, a, b);
        McdHello(&pair);
        contacts.assign(32, McdContact());
        *result = McdIntersectResult();
        result->pair = &pair;
        result->contacts = contacts.data();
        result->contactMaxCount = room;
        McdIntersect(&pair, result);
        McdGoodbye(&pair);
        return result->touch;
    }
    McdModelPair pair;
    std::vector<McdContact> contacts;
    std::vector<McdModelID> models;
};

void ExpectNormal(const McdContact& c, MeReal x, MeReal y, MeReal z, MeReal tol = 1e-4f)
{
    EXPECT_NEAR(c.normal[0], x, tol);
    EXPECT_NEAR(c.normal[1], y, tol);
    EXPECT_NEAR(c.normal[2], z, tol);
}

TEST_F(CylinderPairTest, CoaxialStackSideBySideAndCrossed)
{
    MeMatrix4 t1, t2;
    colltest::Identity(t1);
    // Stacked cap to cap, overlapping by 0.1: cylinder 1's cap axis wins.
    {
        MeReal rel[4][4];
        colltest::Identity(t2);
        t2[3][2] = 0.9f;
        McdTransformRelative(rel, t2, t1);
        MeReal points[32][3];
        McdPointCursor cursor(points, 32);
        McdCylinderTestOutput out;
        ASSERT_TRUE(McdCylinderCylinderTest(&out, &cursor, 0.01f, 1.0f, 0.5f, 1.0f, 0.5f, rel));
        EXPECT_EQ(out.code, 12);
        EXPECT_EQ(out.dims, 2);
        EXPECT_NEAR(out.separation, -0.1f, 1e-5f);
    }
    McdModelID c1 = Model(McdCylinderCreate(framework, 1.0f, 1.0f), t1);
    McdModelID c2 = Model(McdCylinderCreate(framework, 0.8f, 1.0f), t2);
    McdIntersectResult r;
    colltest::Identity(t2);
    t2[3][2] = 0.9f;
    ASSERT_EQ(Collide(c1, c2, &r), 1);
    ASSERT_GT(r.contactCount, 0);
    EXPECT_LE(r.contactCount, 4);
    for (int i = 0; i < r.contactCount; ++i) {
        ExpectNormal(r.contacts[i], 0, 0, -1);
        EXPECT_NEAR(r.contacts[i].separation, -0.1f, 1e-4f);
    }
    // Side by side, 0.1 deep.
    t2[3][0] = 1.7f;
    t2[3][2] = 0;
    ASSERT_EQ(Collide(c1, c2, &r), 1);
    for (int i = 0; i < r.contactCount; ++i) {
        ExpectNormal(r.contacts[i], -1, 0, 0);
        EXPECT_NEAR(r.contacts[i].separation, -0.1f, 1e-4f);
    }
    // Crossed: cylinder 2 along x, above cylinder 1's side.
    Pose(t2, kY, 1.5707963f, 0, 1.7f, 0);
    ASSERT_EQ(Collide(c1, c2, &r), 1);
    ASSERT_GT(r.contactCount, 0);
    for (int i = 0; i < r.contactCount; ++i) {
        ExpectNormal(r.contacts[i], 0, -1, 0);
        EXPECT_NEAR(r.contacts[i].separation, -0.1f, 1e-3f);
    }
    // Apart beyond the padding.
    t2[3][1] = 1.9f;
    EXPECT_EQ(Collide(c1, c2, &r), 0);
    EXPECT_EQ(r.contactCount, 0);
}

TEST_F(CylinderPairTest, SphereByCapSideAndRim)
{
    MeReal p[3];
    McdCylinderTestOutput out;
    const MeReal cap[3] = {0.2f, 0.1f, 1.4f};
    ASSERT_TRUE(McdCylinderSphereTest(&out, p, 0.01f, 1.0f, 1.0f, 0.5f, cap));
    EXPECT_EQ(out.dims, 770);
    EXPECT_EQ(out.normal[2], -1.0f);
    EXPECT_NEAR(out.separation, -0.1f, 1e-6f);
    EXPECT_NEAR(p[2], 0.9f, 1e-6f);
    const MeReal side[3] = {0, -1.4f, 0.3f};
    ASSERT_TRUE(McdCylinderSphereTest(&out, p, 0.01f, 1.0f, 1.0f, 0.5f, side));
    EXPECT_EQ(out.dims, 771);
    EXPECT_NEAR(out.normal[1], 1.0f, 1e-6f);
    EXPECT_NEAR(out.separation, -0.1f, 1e-6f);
    const MeReal rim[3] = {1.2f, 0, 1.2f};
    ASSERT_TRUE(McdCylinderSphereTest(&out, p, 0.01f, 1.0f, 1.0f, 0.5f, rim));
    EXPECT_EQ(out.dims, 769);
    EXPECT_NEAR(out.normal[0], -0.70710678f, 1e-5f);
    EXPECT_NEAR(out.normal[2], -0.70710678f, 1e-5f);
    EXPECT_NEAR(out.separation, 0.28284271f - 0.5f, 1e-5f);
    const MeReal far[3] = {3, 0, 0};
    EXPECT_FALSE(McdCylinderSphereTest(&out, p, 0.01f, 1.0f, 1.0f, 0.5f, far));
    // The centre on the axis inside a long cylinder: a fixed radial normal, never 0/0.
    const MeReal onAxis[3] = {0, 0, 0};
    ASSERT_TRUE(McdCylinderSphereTest(&out, p, 0.01f, 0.2f, 5.0f, 0.5f, onAxis));
    EXPECT_EQ(out.dims, 771);
    EXPECT_TRUE(std::isfinite(out.normal[0]) && std::isfinite(out.normal[1]));
    EXPECT_NEAR(out.normal[0] * out.normal[0] + out.normal[1] * out.normal[1], 1.0f, 1e-6f);

    // Through the table, with the sphere as model 1 of the call: the pair swaps them.
    MeMatrix4 tc, ts;
    Pose(tc, kX, 0.3f, 1, 2, 3);
    McdModelID cyl = Model(McdCylinderCreate(framework, 1.0f, 2.0f), tc);
    const MeReal local[3] = {0.3f, 0.2f, 1.4f};
    MeReal world[3];
    MeMatrix4TransformPoint(tc, local, world);
    colltest::Identity(ts);
    for (int k = 0; k < 3; ++k)
        ts[3][k] = world[k];
    McdModelID sph = Model(McdSphereCreate(framework, 0.5f), ts);
    McdIntersectResult r;
    ASSERT_EQ(Collide(sph, cyl, &r), 1);
    ASSERT_EQ(r.contactCount, 1);
    EXPECT_NEAR(r.contacts[0].separation, -0.1f, 1e-5f);
    // From the sphere towards the cylinder: minus the cylinder's axis.
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(r.contacts[0].normal[k], -tc[2][k], 1e-5f);
}

TEST_F(CylinderPairTest, PlaneUprightLyingAndTilted)
{
    MeMatrix4 tp, tc;
    colltest::Identity(tp);
    McdModelID plane = Model(McdPlaneCreate(framework), tp);
    McdModelID cyl = Model(McdCylinderCreate(framework, 0.5f, 2.0f), tc);
    McdIntersectResult r;
    struct Case {
        MeReal angle;
        MeReal height;
        MeI16 dims;
    } cases[] = {{0, 0.95f, 514}, {1.5707963f, 0.45f, 515}, {0.5f, 0, 513}};
    for (const Case& c : cases) {
        Pose(tc, kX, c.angle, 0.3f, -0.2f, 0);
        // Lowest point 0.05 below the plane.
        const MeReal lowest = std::fabs(tc[2][2]) * 1.0f + 0.5f * std::sqrt(1 - tc[2][2] * tc[2][2]);
        tc[3][2] = lowest - 0.05f;
        ASSERT_EQ(Collide(cyl, plane, &r), 1);
        ASSERT_GT(r.contactCount, 0) << c.angle;
        EXPECT_LE(r.contactCount, 4);
        MeReal deepest = 0;
        for (int i = 0; i < r.contactCount; ++i) {
            EXPECT_EQ(r.contacts[i].dims, c.dims);
            ExpectNormal(r.contacts[i], 0, 0, 1);
            EXPECT_NEAR(r.contacts[i].separation, r.contacts[i].position[2], 1e-5f);
            deepest = std::fmin(deepest, r.contacts[i].separation);
        }
        EXPECT_NEAR(deepest, -0.05f, 1e-4f);
        (void)c.height;
    }
    // Within the padding but not touching: the test passes, no contact is made.
    Pose(tc, kX, 0.5f, 0, 0, 0);
    tc[3][2] = std::fabs(tc[2][2]) + 0.5f * std::sqrt(1 - tc[2][2] * tc[2][2]) + 0.004f;
    EXPECT_EQ(Collide(cyl, plane, &r), 1);
    EXPECT_EQ(r.contactCount, 0);
    tc[3][2] += 0.1f;
    EXPECT_EQ(Collide(cyl, plane, &r), 0);
}

TEST_F(CylinderPairTest, BoxStandingAndLying)
{
    MeMatrix4 tb, tc;
    colltest::Identity(tb);
    McdModelID box = Model(McdBoxCreate(framework, 2, 2, 2), tb);
    McdModelID cyl = Model(McdCylinderCreate(framework, 0.5f, 2.0f), tc);
    McdIntersectResult r;
    colltest::Identity(tc);
    tc[3][2] = 1 + 1 - 0.05f;
    ASSERT_EQ(Collide(box, cyl, &r), 1);
    ASSERT_GT(r.contactCount, 0);
    EXPECT_LE(r.contactCount, 4);
    for (int i = 0; i < r.contactCount; ++i) {
        ExpectNormal(r.contacts[i], 0, 0, -1);
        EXPECT_NEAR(r.contacts[i].separation, -0.05f, 1e-4f);
        EXPECT_EQ(r.contacts[i].dims, 2 | (2 << 8));
    }
    Pose(tc, kY, 1.5707963f, 0.2f, 0, 1 + 0.5f - 0.05f);
    ASSERT_EQ(Collide(cyl, box, &r), 1);
    ASSERT_GT(r.contactCount, 0);
    for (int i = 0; i < r.contactCount; ++i) {
        ExpectNormal(r.contacts[i], 0, 0, -1);
        EXPECT_NEAR(r.contacts[i].separation, -0.05f, 1e-4f);
        EXPECT_EQ(r.contacts[i].dims, 2 | (3 << 8));
    }
}

// Points sampled inside a cylinder (r, h) placed by t.
bool AnyPointInside(MeConstMatrix4Ptr ta, MeReal ra, MeReal ha, MeConstMatrix4Ptr tb, MeReal rb, MeReal hb,
                    bool bIsBox, const MeReal eb[3])
{
    for (int i = 0; i < 400; ++i) {
        const MeReal rho = ra * std::sqrt(static_cast<MeReal>(i % 20) / 19.0f);
        const MeReal phi = 0.7f * static_cast<MeReal>(i);
        const MeReal local[3] = {rho * std::cos(phi), rho * std::sin(phi), ha * (2 * static_cast<MeReal>(i / 20) / 19.0f - 1)};
        MeReal w[3], q[3];
        MeMatrix4TransformPoint(ta, local, w);
        const MeReal d[3] = {w[0] - tb[3][0], w[1] - tb[3][1], w[2] - tb[3][2]};
        for (int k = 0; k < 3; ++k)
            q[k] = d[0] * tb[k][0] + d[1] * tb[k][1] + d[2] * tb[k][2];
        if (bIsBox ? (std::fabs(q[0]) < eb[0] && std::fabs(q[1]) < eb[1] && std::fabs(q[2]) < eb[2])
                   : (q[0] * q[0] + q[1] * q[1] < rb * rb && std::fabs(q[2]) < hb))
            return true;
    }
    return false;
}

TEST_F(CylinderPairTest, FuzzOfRandomPosesHasNoNaNAndNoFalseSeparation)
{
    MeMatrix4 t1, t2;
    McdModelID c1 = Model(McdCylinderCreate(framework, 0.6f, 1.6f), t1);
    McdModelID c2 = Model(McdCylinderCreate(framework, 0.3f, 1.0f), t2);
    McdModelID box = Model(McdBoxCreate(framework, 1.0f, 0.6f, 1.4f), t2);
    McdModelID sphere = Model(McdSphereCreate(framework, 0.4f), t2);
    const MeReal boxE[3] = {0.5f, 0.3f, 0.7f};
    int touching = 0;
    for (int trial = 0; trial < 600; ++trial) {
        colltest::RandomPose(t1, 0, 0, 0);
        colltest::RandomPose(t2, Uniform(-1.3f, 1.3f), Uniform(-1.3f, 1.3f), Uniform(-1.3f, 1.3f));
        McdIntersectResult r;
        const int cc = Collide(c1, c2, &r);
        if (AnyPointInside(t2, 0.3f, 0.5f, t1, 0.6f, 0.8f, false, boxE)) {
            MeReal rel[4][4], pts[32][3];
            McdTransformRelative(rel, t2, t1);
            McdPointCursor cursor(pts, 32);
            McdCylinderTestOutput out;
            const bool apart = !McdCylinderCylinderTest(&out, &cursor, 0.01f, 0.6f, 0.8f, 0.3f, 0.5f, rel);
            EXPECT_FALSE(apart) << "cylinders, trial " << trial << " code " << out.code;
            EXPECT_EQ(cc, 1) << "cylinders, trial " << trial << " code " << out.code << " s " << out.separation
                             << " points " << cursor.Count(pts);
            ++touching;
        }
        for (int i = 0; i < r.contactCount; ++i) {
            const McdContact& c = r.contacts[i];
            ASSERT_TRUE(std::isfinite(c.separation) && std::isfinite(c.normal[0]) && std::isfinite(c.normal[1]) &&
                        std::isfinite(c.normal[2]) && std::isfinite(c.position[0]));
            EXPECT_NEAR(c.normal[0] * c.normal[0] + c.normal[1] * c.normal[1] + c.normal[2] * c.normal[2], 1, 1e-3f);
        }
        const int bc = Collide(box, c1, &r);
        if (AnyPointInside(t1, 0.6f, 0.8f, t2, 0, 0, true, boxE)) {
            EXPECT_EQ(bc, 1) << "box, trial " << trial;
        }
        for (int i = 0; i < r.contactCount; ++i)
            ASSERT_TRUE(std::isfinite(r.contacts[i].separation) && std::isfinite(r.contacts[i].normal[2]));
        const int sc = Collide(c1, sphere, &r);
        MeReal q[3];
        const MeReal d[3] = {t2[3][0] - t1[3][0], t2[3][1] - t1[3][1], t2[3][2] - t1[3][2]};
        for (int k = 0; k < 3; ++k)
            q[k] = d[0] * t1[k][0] + d[1] * t1[k][1] + d[2] * t1[k][2];
        if (q[0] * q[0] + q[1] * q[1] < 0.36f && std::fabs(q[2]) < 0.8f) {
            EXPECT_EQ(sc, 1);
        }
        if (r.contactCount) {
            ASSERT_TRUE(std::isfinite(r.contacts[0].normal[0]) && std::isfinite(r.contacts[0].separation));
        }
    }
    EXPECT_GT(touching, 50);
}

TEST(CylinderRim, ObjectiveIsHalfTheSquaredRimDistanceAndMinimiserFindsIt)
{
    MeRandomSeed(99);
    for (int trial = 0; trial < 30; ++trial) {
        MeMatrix4 t;
        colltest::RandomPose(t, Uniform(-2, 2), Uniform(-2, 2), Uniform(1.5f, 3));
        const MeReal r1 = Uniform(0.3f, 1), r2 = Uniform(0.3f, 1), z1 = 0.5f;
        const MeReal C2[3] = {t[3][0], t[3][1], t[3][2]};
        McdCylinderSetRimParameters(r1, z1, r2, C2, t[0], t[1]);
        auto dist2 = [&](MeReal a, MeReal b) {
            MeReal s = 0;
            const MeReal P1[3] = {r1 * std::cos(a), r1 * std::sin(a), z1};
            for (int k = 0; k < 3; ++k) {
                const MeReal P2 = C2[k] + r2 * (std::cos(b) * t[0][k] + std::sin(b) * t[1][k]);
                s += (P2 - P1[k]) * (P2 - P1[k]);
            }
            return s;
        };
        // f differs from half the squared distance by a constant; the gradient matches.
        const MeReal offset = dist2(0, 0) / 2 - McdCylinderRimFunction(0, 0);
        for (int k = 0; k < 10; ++k) {
            const MeReal a = Uniform(-3, 3), b = Uniform(-3, 3);
            EXPECT_NEAR(McdCylinderRimFunction(a, b) + offset, dist2(a, b) / 2, 1e-4f);
            MeReal g[2];
            McdCylinderRimGradient(g, a, b);
            const MeReal h = 1e-3f;
            EXPECT_NEAR(g[0], (McdCylinderRimFunction(a + h, b) - McdCylinderRimFunction(a - h, b)) / (2 * h), 2e-3f);
            EXPECT_NEAR(g[1], (McdCylinderRimFunction(a, b + h) - McdCylinderRimFunction(a, b - h)) / (2 * h), 2e-3f);
        }
        // The conjugate-gradient search lands on a minimum no worse than a coarse scan's best
        // neighbourhood allows (the objective has at most a few local minima).
        MeReal best = 1e30f;
        for (int i = 0; i < 360; ++i)
            for (int j = 0; j < 360; ++j)
                best = std::fmin(best, dist2(0.0174533f * i, 0.0174533f * j));
        MeReal x[2] = {0, 0};
        MeMinimizeConjugateGradient(2, x, 0.001f, 0.001f,
                                    [](const MeReal* p) { return McdCylinderRimFunction(p[0], p[1]); },
                                    [](MeReal* g, const MeReal* p) { McdCylinderRimGradient(g, p[0], p[1]); });
        MeReal gx[2];
        McdCylinderRimGradient(gx, x[0], x[1]);
        EXPECT_LT(std::fabs(gx[0]) + std::fabs(gx[1]), 0.05f) << trial;
        EXPECT_GE(dist2(x[0], x[1]), best - 1e-3f);
    }
}

TEST_F(CylinderPairTest, RimAgainstRimSeparationIsTheRimDistance)
{
    // Cylinder 2 tilted and set off diagonally above cylinder 1, so that the nearest
    // features are one rim of each; the test's separation must match a scan of the rims.
    MeRandomSeed(4);
    int rimCases = 0;
    for (int trial = 0; trial < 200 && rimCases < 12; ++trial) {
        const MeReal r1 = 0.5f, h1 = 0.5f, r2 = 0.4f, h2 = 0.3f;
        MeMatrix4 rel;
        const MeReal axis[3] = {std::cos(Uniform(0, 6.28f)), std::sin(Uniform(0, 6.28f)), 0};
        MeReal norm = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1]);
        const MeReal unit[3] = {axis[0] / norm, axis[1] / norm, 0};
        Pose(rel, unit, Uniform(0.4f, 1.2f), Uniform(-1.6f, 1.6f), Uniform(-1.6f, 1.6f), Uniform(1.2f, 1.8f));
        MeReal pts[32][3];
        McdPointCursor cursor(pts, 32);
        McdCylinderTestOutput out;
        const bool touching = McdCylinderCylinderTest(&out, &cursor, 10.0f, r1, h1, r2, h2, rel);
        if (!touching || !(out.code == 0 || out.code == 1 || out.code == 4 || out.code == 5))
            continue;
        ++rimCases;
        const MeReal z1 = (out.code & 1) ? h1 : -h1;
        const MeReal k2 = (out.code & 4) ? h2 : -h2;
        MeReal best = 1e30f;
        for (int i = 0; i < 360; ++i)
            for (int j = 0; j < 360; ++j) {
                const MeReal a = 0.0174533f * i, b = 0.0174533f * j;
                MeReal d2 = 0;
                const MeReal P1[3] = {r1 * std::cos(a), r1 * std::sin(a), z1};
                for (int k = 0; k < 3; ++k) {
                    const MeReal P2 = rel[3][k] + k2 * rel[2][k] + r2 * (std::cos(b) * rel[0][k] + std::sin(b) * rel[1][k]);
                    d2 += (P2 - P1[k]) * (P2 - P1[k]);
                }
                best = std::fmin(best, d2);
            }
        EXPECT_NEAR(out.separation, std::sqrt(best), 5e-3f) << trial;
        EXPECT_EQ(out.dims, 0);
        EXPECT_EQ(cursor.Count(pts), 1);
    }
    EXPECT_GT(rimCases, 3);
}

TEST_F(CylinderPairTest, LineSegmentHitsCapsSideAndStartInside)
{
    MeMatrix4 t;
    Pose(t, kX, 0.4f, 1, 2, 3);
    McdModelID cyl = Model(McdCylinderCreate(framework, 0.5f, 2.0f), t);
    McdLineSegIntersectResult hit;
    auto world = [&](MeReal x, MeReal y, MeReal z, MeReal out[3]) {
        const MeReal p[3] = {x, y, z};
        MeMatrix4TransformPoint(t, p, out);
    };
    MeReal a[3], b[3];
    // Along the axis through both caps: the nearer (top) cap.
    world(0.1f, 0, 3, a);
    world(0.1f, 0, -3, b);
    ASSERT_EQ(McdCylinderLineSegIntersect(cyl, a, b, &hit), 1);
    EXPECT_NEAR(hit.distance, 2.0f, 1e-4f);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(hit.normal[k], t[2][k], 1e-5f);
    // From the side: radial normal.
    world(2, 0, 0.3f, a);
    world(-2, 0, 0.3f, b);
    ASSERT_EQ(McdCylinderLineSegIntersect(cyl, a, b, &hit), 1);
    EXPECT_NEAR(hit.distance, 1.5f, 1e-4f);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(hit.normal[k], t[0][k], 1e-5f);
    // Starting inside: distance 0, the top cap's normal.
    world(0, 0, 0, a);
    ASSERT_EQ(McdCylinderLineSegIntersect(cyl, a, b, &hit), 1);
    EXPECT_EQ(hit.distance, 0);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(hit.normal[k], t[2][k], 1e-5f);
    // Ending exactly on the surface is not a hit.
    const MeReal s[3] = {0, 2, 0}, e[3] = {0, 0.5f, 0};
    MeReal ws[3], we[3];
    colltest::Identity(t);
    MeMatrix4TransformPoint(t, s, ws);
    MeMatrix4TransformPoint(t, e, we);
    EXPECT_EQ(McdCylinderLineSegIntersect(cyl, ws, we, &hit), 0);
}

}  // namespace
