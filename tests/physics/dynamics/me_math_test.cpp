#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_random.h"

#include <gtest/gtest.h>

namespace {

MeReal Uniform(MeReal lo, MeReal hi) { return lo + (hi - lo) * static_cast<MeReal>(MeRandom()) / MeRANDOM_MAX; }

void RandomQuaternion(MeReal q[4])
{
    for (int i = 0; i < 4; ++i)
        q[i] = Uniform(-1, 1);
    MeQuaternionNormalize(q);
}

}  // namespace

TEST(MeMath, QuaternionMatrixRoundTripCoversEveryBranch)
{
    MeRandomSeed(3);
    for (int i = 0; i < 500; ++i) {
        MeReal q[4];
        RandomQuaternion(q);
        if (q[0] < 0)
            for (MeReal& c : q)
                c = -c;
        MeMatrix4 m;
        MeMatrix4TMMakeIdentity(m);
        MeQuaternionToTM(m, q);
        MeReal back[4];
        MeMatrix4ToQuaternion(back, m);
        if (back[0] < 0)
            for (MeReal& c : back)
                c = -c;
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(back[k], q[k], 2e-5f);
    }
    // Half-turns (trace -1) take the largest-diagonal branch.
    MeMatrix4 flip = {{1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}};
    MeReal q[4];
    MeMatrix4ToQuaternion(q, flip);
    EXPECT_FLOAT_EQ(std::fabs(q[1]), 1.0f);
}

TEST(MeMath, RotationMatrixRowsAreRotatedAxes)
{
    // 90 degrees about z: the local x axis goes to world y.
    MeReal q[4] = {std::cos(ME_PI / 4), 0, 0, std::sin(ME_PI / 4)};
    MeMatrix4 m;
    MeMatrix4TMMakeIdentity(m);
    MeQuaternionToTM(m, q);
    EXPECT_NEAR(m[0][1], 1, 1e-6);
    EXPECT_NEAR(m[1][0], -1, 1e-6);
    MeReal p[3] = {1, 0, 0}, out[3];
    MeMatrix4TMRotate(out, m, p);
    EXPECT_NEAR(out[1], 1, 1e-6);
}

TEST(MeMath, FiniteRotationMatchesAngleAxis)
{
    MeReal q[4] = {1, 0, 0, 0};
    MeReal omega[3] = {0, 0, 2};
    MeQuaternionFiniteRotation(q, omega, 0.25f);  // half a radian about z
    EXPECT_NEAR(q[0], std::cos(0.25f), 1e-6);
    EXPECT_NEAR(q[3], std::sin(0.25f), 1e-6);
    MeReal slow[3] = {0, 0.00005f, 0};
    MeReal before[4] = {q[0], q[1], q[2], q[3]};
    MeQuaternionFiniteRotation(q, slow, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(q[i], before[i]);
    // Composition: rotating twice by half the time equals once by the whole.
    MeRandomSeed(8);
    MeReal a[4], b[4];
    RandomQuaternion(a);
    for (int i = 0; i < 4; ++i)
        b[i] = a[i];
    MeReal w[3] = {0.3f, -1.2f, 0.7f};
    MeQuaternionFiniteRotation(a, w, 0.1f);
    MeQuaternionFiniteRotation(b, w, 0.05f);
    MeQuaternionFiniteRotation(b, w, 0.05f);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(a[i], b[i], 1e-6);
}

TEST(MeMath, SymmetricInverseAndRigidInverse)
{
    MeReal m[9] = {4, 1, 0.5f, 1, 3, 0.2f, 0.5f, 0.2f, 2};
    MeReal r0[3], r1[3], r2[3];
    MeMatrix3SymmetricInverse(m, r0, r1, r2);
    const MeReal* rows[3] = {r0, r1, r2};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            MeReal sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += m[i * 3 + k] * rows[k][j];
            EXPECT_NEAR(sum, i == j ? 1 : 0, 1e-6);
        }

    MeRandomSeed(5);
    MeReal q[4];
    RandomQuaternion(q);
    MeMatrix4 t;
    MeMatrix4TMMakeIdentity(t);
    MeQuaternionToTM(t, q);
    t[3][0] = 1, t[3][1] = -2, t[3][2] = 3;
    MeMatrix4 inv;
    MeMatrix4Copy(inv, t);
    MeMatrix4RigidInvertInPlace(inv);
    MeMatrix4 product;
    MeMatrix4Multiply(product, t, inv);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(product[i][j], i == j ? 1 : 0, 1e-5);
    MeReal p[3] = {0.5f, 0.25f, -1}, world[3], local[3];
    MeMatrix4TMTransform(world, t, p);
    MeMatrix4TMInverseTransform(local, t, world);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(local[i], p[i], 1e-5);
    MeMatrix4Multiply(t, t, inv);  // aliasing the result is allowed
    EXPECT_NEAR(t[3][1], 0, 1e-5);
}

TEST(MeMath, SegmentBoxAgreesWithSampling)
{
    MeReal lo[3] = {-1, -2, -0.5f}, hi[3] = {1, 2, 0.5f};
    MeReal origin[3] = {-3, 0, 0}, dir[3] = {1, 0, 0};
    EXPECT_EQ(MeSegmentBoxIntersect(lo, hi, origin, dir), 1);
    MeReal away[3] = {-1, 0, 0};
    EXPECT_EQ(MeSegmentBoxIntersect(lo, hi, origin, away), 0);
    MeReal inside[3] = {0, 0, 0};
    EXPECT_EQ(MeSegmentBoxIntersect(lo, hi, inside, away), 1);
    EXPECT_EQ(MeSegmentBoxIntersect(lo, lo, origin, dir), 0);  // degenerate box

    // Against brute force: march along the ray and test containment.
    MeRandomSeed(11);
    for (int i = 0; i < 300; ++i) {
        MeReal o[3], d[3];
        for (int k = 0; k < 3; ++k)
            o[k] = Uniform(-4, 4), d[k] = Uniform(-1, 1);
        bool sampled = false;
        for (int s = 0; s <= 4000 && !sampled; ++s) {
            MeReal t = s * 0.005f;
            bool in = true;
            for (int k = 0; k < 3; ++k) {
                MeReal x = o[k] + t * d[k];
                in &= x >= lo[k] && x <= hi[k];
            }
            sampled = in;
        }
        if (sampled) {  // a sampled hit is a real one; near-grazing misses may slip between samples
            EXPECT_EQ(MeSegmentBoxIntersect(lo, hi, o, d), 1);
        }
    }

    // Segment form: the end limits the reach and the hit is the entry point.
    MeReal start[3] = {-3, 0, 0}, endShort[3] = {-2, 0, 0}, endLong[3] = {3, 0, 0}, hit[3];
    EXPECT_EQ(MeSegmentBoxIntersect(lo, hi, start, endShort, hit), 0);
    ASSERT_EQ(MeSegmentBoxIntersect(lo, hi, start, endLong, hit), 1);
    EXPECT_FLOAT_EQ(hit[0], -1);
    EXPECT_EQ(MeSegmentBoxIntersect(lo, hi, start, start, hit), 0);
}

TEST(MeMath, RayTriangleTwoSidedWithBarycentrics)
{
    MeReal a[3] = {0, 0, 0}, b[3] = {2, 0, 0}, c[3] = {0, 2, 0};
    MeReal o[3] = {0.5f, 0.25f, 3}, down[3] = {0, 0, -1}, up[3] = {0, 0, 1};
    MeReal u, v, t;
    ASSERT_EQ(MeRayTriangleIntersect(a, b, c, o, down, &u, &v, &t), 1);
    EXPECT_FLOAT_EQ(u, 0.25f);
    EXPECT_FLOAT_EQ(v, 0.125f);
    EXPECT_FLOAT_EQ(t, 3);
    EXPECT_EQ(MeRayTriangleIntersect(a, b, c, o, up, &u, &v, &t), 0);  // behind the origin
    MeReal below[3] = {0.5f, 0.25f, -3};
    EXPECT_EQ(MeRayTriangleIntersect(a, b, c, below, up, nullptr, nullptr, &t), 1);  // back face
    EXPECT_FLOAT_EQ(t, 3);
    MeReal outside[3] = {1.5f, 1.5f, 3};
    EXPECT_EQ(MeRayTriangleIntersect(a, b, c, outside, down, &u, &v, &t), 0);
    MeReal along[3] = {1, 0, 0};
    EXPECT_EQ(MeRayTriangleIntersect(a, b, c, o, along, &u, &v, &t), 0);  // parallel
}
