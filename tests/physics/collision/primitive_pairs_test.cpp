#include <cmath>

#include "tests/physics/collision/pair_test_support.h"

using colltest::AxisAnglePose;
using colltest::PairTest;
using colltest::Placed;

namespace {

TEST_F(PairTest, SphereSphereNormalDepthAndPoint)
{
    Placed* a = Sphere(1, 0, 0, 1.9f);
    Placed* b = Sphere(0.5f, 0, 0, 0.5f);
    ASSERT_EQ(Collide(a, b), 1);
    ASSERT_EQ(result.contactCount, 1);
    EXPECT_NEAR(contacts[0].normal[2], 1, 1e-6f);  // from model 2 (below) towards model 1
    EXPECT_NEAR(contacts[0].separation, -0.1f, 1e-5f);
    EXPECT_NEAR(contacts[0].position[2], (0.5f * 1.9f + 1 * 0.5f) / 1.5f, 1e-5f);
    EXPECT_EQ(contacts[0].dims, 771);
    EXPECT_NEAR(result.normal[2], 1, 1e-6f);

    // Exactly touching, no padding: touching with the midpoint.
    McdModelSetPadding(a->model, 0);
    McdModelSetPadding(b->model, 0);
    a->tm[3][2] = 2.0f;
    ASSERT_EQ(Collide(a, b), 1);
    EXPECT_NEAR(contacts[0].separation, 0, 1e-6f);
    EXPECT_NEAR(contacts[0].position[2], 1.0f, 1e-6f);
    a->tm[3][2] = 2.1f;
    EXPECT_EQ(Collide(a, b), 0);
    EXPECT_EQ(result.contactCount, 0);
}

TEST_F(PairTest, SphereSphereDegenerateCases)
{
    // Coincident centres: a unit normal. Two point spheres: the midpoint, no division by 0.
    Placed* a = Sphere(1, 2, 0, 0);
    Placed* b = Sphere(1, 2, 0, 0);
    ASSERT_EQ(Collide(a, b), 1);
    EXPECT_EQ(contacts[0].normal[2], 1);
    EXPECT_FLOAT_EQ(contacts[0].separation, -2);
    Placed* p = Sphere(0, 0, 0, 0);
    Placed* q = Sphere(0, 0.002f, 0, 0);
    ASSERT_EQ(Collide(p, q), 1);
    EXPECT_FLOAT_EQ(contacts[0].position[0], 0.001f);
    EXPECT_TRUE(std::isfinite(contacts[0].position[0]));
}

TEST_F(PairTest, SpherePlaneTouchesUpToThePadding)
{
    Placed* s = Sphere(0.5f, 1, 2, 0.45f);
    Placed* plane = Plane();
    ASSERT_EQ(Collide(plane, s), 1);  // the table puts the sphere first
    EXPECT_EQ(pair.model1, s->model);
    EXPECT_NEAR(contacts[0].separation, -0.05f, 1e-6f);
    EXPECT_NEAR(contacts[0].position[2], -0.05f, 1e-6f);
    EXPECT_EQ(contacts[0].dims, 515);
    s->tm[3][2] = 0.5f + 0.005f + 0.005f;  // separation equal to the pair padding
    EXPECT_EQ(Collide(s, plane), 1);
    s->tm[3][2] = 0.52f;
    EXPECT_EQ(Collide(s, plane), 0);
}

TEST_F(PairTest, BoxOnPlaneGivesItsFourCornersAndTiltedAtMostFour)
{
    Placed* box = Box(0.5f, 0.5f, 0.5f, 3, 4, 0.499f);
    Placed* plane = Plane();
    ASSERT_EQ(Collide(plane, box), 1);
    ASSERT_EQ(result.contactCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(contacts[i].separation, -0.001f, 1e-6f);
        EXPECT_NEAR(contacts[i].position[2], -0.001f, 1e-6f);
        EXPECT_NEAR(std::fabs(contacts[i].position[0] - 3), 0.5f, 1e-6f);
        EXPECT_NEAR(std::fabs(contacts[i].position[1] - 4), 0.5f, 1e-6f);
        EXPECT_EQ(contacts[i].normal[2], 1);
        EXPECT_EQ(contacts[i].dims, 0x0202);
    }
    // Resting exactly: touching test passes nothing deep enough.
    box->tm[3][2] = 0.5f;
    Collide(box, plane);
    EXPECT_EQ(result.contactCount, 0);

    // Tilted and sunk: at most four, every one below the plane, the deepest kept.
    AxisAnglePose(box->tm, 0.6f, 0.8f, 0, 0.3f, 0, 0, 0.4f);
    ASSERT_EQ(Collide(box, plane), 1);
    ASSERT_GE(result.contactCount, 1);
    EXPECT_LE(result.contactCount, 4);
    float lowest = 0;
    for (int k = 0; k < 8; ++k) {
        float z = box->tm[3][2];
        for (int i = 0; i < 3; ++i)
            z += ((k >> i) & 1 ? 0.5f : -0.5f) * box->tm[i][2];
        lowest = std::min(lowest, z);
    }
    EXPECT_NEAR(contacts[0].separation, lowest, 1e-5f);
    for (int i = 0; i < result.contactCount; ++i)
        EXPECT_LT(contacts[i].position[2], 0);

    // A raised, turned plane: contacts in world coordinates on its surface.
    AxisAnglePose(plane->tm, 1, 0, 0, 0.5f * 3.14159265f, 0, 10, 0);  // normal along -y
    colltest::Identity(box->tm);
    box->tm[3][1] = 10 + 0.499f * -1;
    ASSERT_EQ(Collide(box, plane), 1);
    ASSERT_EQ(result.contactCount, 4);
    EXPECT_NEAR(result.normal[1], -1, 1e-6f);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(contacts[i].position[1], 10.001f, 1e-5f);
}

TEST_F(PairTest, BoxPlaneBudgetOfTheRequest)
{
    Placed* box = Box(1, 0.5f, 0.25f, 0, 0, 0.2f);
    Placed* plane = Plane();
    ASSERT_EQ(Collide(box, plane, 2), 1);
    EXPECT_EQ(result.contactCount, 2);
    ASSERT_EQ(Collide(box, plane, 1), 1);
    EXPECT_EQ(result.contactCount, 1);
}

TEST_F(PairTest, BoxSphereByFaceEdgeCornerAndInside)
{
    Placed* box = Box(1, 1, 1);
    Placed* s = Sphere(0.5f, 0, 0, 1.4f);
    // Face: the table puts the box first; normal from the sphere towards the box.
    ASSERT_EQ(Collide(s, box), 1);
    EXPECT_EQ(pair.model1, box->model);
    EXPECT_NEAR(contacts[0].normal[2], -1, 1e-6f);
    EXPECT_NEAR(contacts[0].separation, -0.1f, 1e-5f);
    EXPECT_NEAR(contacts[0].position[2], 0.9f, 1e-5f);
    EXPECT_EQ(contacts[0].dims, 768 + 2);

    // Edge: centre beyond the edge x = 1, z = 1.
    s->tm[3][0] = 1.3f, s->tm[3][2] = 1.3f;
    ASSERT_EQ(Collide(box, s), 1);
    const float h = std::sqrt(0.18f);
    EXPECT_NEAR(contacts[0].separation, h - 0.5f, 1e-5f);
    EXPECT_NEAR(contacts[0].normal[0], -1 / std::sqrt(2.0f), 1e-5f);
    EXPECT_EQ(contacts[0].dims, 768 + 1);

    // Corner.
    s->tm[3][0] = s->tm[3][1] = s->tm[3][2] = 1.2f;
    ASSERT_EQ(Collide(box, s), 1);
    EXPECT_NEAR(contacts[0].separation, std::sqrt(0.12f) - 0.5f, 1e-5f);
    EXPECT_EQ(contacts[0].dims, 768);

    // Inside, nearest the -y face: pushed out through it.
    s->tm[3][0] = 0.2f, s->tm[3][1] = -0.7f, s->tm[3][2] = 0.1f;
    ASSERT_EQ(Collide(box, s), 1);
    EXPECT_NEAR(contacts[0].normal[1], 1, 1e-6f);
    EXPECT_NEAR(contacts[0].separation, 0.7f - 1 - 0.5f, 1e-5f);
    EXPECT_EQ(contacts[0].dims, 770);

    // Rotated box: the normal comes back to world.
    AxisAnglePose(box->tm, 0, 0, 1, 0.5f * 3.14159265f, 5, 0, 0);
    s->tm[3][0] = 5, s->tm[3][1] = 1.4f, s->tm[3][2] = 0;
    ASSERT_EQ(Collide(box, s), 1);
    EXPECT_NEAR(contacts[0].normal[1], -1, 1e-5f);

    s->tm[3][1] = 2;
    EXPECT_EQ(Collide(box, s), 0);
    EXPECT_EQ(result.contactCount, 0);
}

TEST_F(PairTest, SafeTimesKeepTheRecordContract)
{
    Placed* a = Sphere(1, 0, 0, 0);
    Placed* b = Sphere(1, 10, 0, 0);
    McdModelPairInit(&pair, a->model, b->model);
    McdHello(&pair);
    McdSafeTimeResult record;
    // No velocities: at rest, the step stays.
    EXPECT_EQ(McdSphereSphereSafeTime(&pair, 1, &record), 0);
    EXPECT_EQ(record.pair, &pair);
    EXPECT_EQ(record.time, 1);
    MeReal va[3] = {4, 0, 0}, vb[3] = {0, 0, 0};
    McdModelSetLinearVelocityPtr(a->model, va);
    McdModelSetLinearVelocityPtr(b->model, vb);
    ASSERT_EQ(McdSphereSphereSafeTime(&pair, 3, &record), 1);
    EXPECT_NEAR(record.time, 2, 1e-5f);  // gap 8 at speed 4
    va[0] = -4;                            // receding: no time, the step stays
    EXPECT_EQ(McdSphereSphereSafeTime(&pair, 3, &record), 0);
    EXPECT_EQ(record.time, 3);

    // Sphere and plane: parallel motion never reaches it.
    Placed* plane = Plane();
    McdModelPairInit(&pair, a->model, plane->model);
    McdHello(&pair);
    a->tm[3][2] = 3;
    va[0] = 5, va[2] = 0;
    EXPECT_EQ(McdSpherePlaneSafeTime(&pair, 1, &record), 0);
    EXPECT_EQ(record.time, 1);
    va[2] = -4;
    ASSERT_EQ(McdSpherePlaneSafeTime(&pair, 1, &record), 1);
    EXPECT_NEAR(record.time, 0.5f, 1e-6f);

    // Box and plane: parallel motion and receding motion keep the step.
    Placed* box = Box(0.5f, 0.5f, 0.5f, 0, 0, 2.5f);
    MeReal v[3] = {3, 0, 0};
    McdModelSetLinearVelocityPtr(box->model, v);
    McdModelPairInit(&pair, box->model, plane->model);
    McdHello(&pair);
    EXPECT_EQ(McdBoxPlaneSafeTime(&pair, 1, &record), 0);
    EXPECT_EQ(record.time, 1);
    v[2] = 4;
    EXPECT_EQ(McdBoxPlaneSafeTime(&pair, 1, &record), 0);
    v[2] = -4;
    ASSERT_EQ(McdBoxPlaneSafeTime(&pair, 1, &record), 1);
    EXPECT_NEAR(record.time, 0.5f, 1e-6f);

    // Box and box: needs both velocity pointers; an absurd spin is capped, not looped on.
    Placed* other = Box(0.5f, 0.5f, 0.5f, 3, 0, 2.5f);
    McdModelPairInit(&pair, box->model, other->model);
    McdHello(&pair);
    EXPECT_EQ(McdBoxBoxSafeTime(&pair, 1, &record), 0);
    MeReal w0[3] = {0, 0, 0}, w1[3] = {0, 0, 0}, v1[3] = {0, 0, 0};
    v[0] = 4, v[2] = 0;
    McdModelSetAngularVelocityPtr(box->model, w0);
    McdModelSetLinearVelocityPtr(other->model, v1);
    McdModelSetAngularVelocityPtr(other->model, w1);
    ASSERT_EQ(McdBoxBoxSafeTime(&pair, 1, &record), 1);
    EXPECT_NEAR(record.time, 0.5f + 1e-6f, 1e-5f);
    w1[2] = 1e30f;
    EXPECT_EQ(McdBoxBoxSafeTime(&pair, 1, &record), 1);
    EXPECT_LE(record.time, 1);

    // Box and sphere: the sphere's stand-in cube (half extent 2r / (1 + sqrt 2)) sweeps.
    Placed* ball = Sphere(1, 5, 0, 2.5f);
    MeReal vs[3] = {-2, 0, 0};
    McdModelSetLinearVelocityPtr(ball->model, vs);
    v[0] = 0;
    McdModelPairInit(&pair, box->model, ball->model);
    McdHello(&pair);
    ASSERT_EQ(McdBoxSphereSafeTime(&pair, 2, &record), 1);
    const float half = 2 / (1 + std::sqrt(2.0f));
    EXPECT_NEAR(record.time, (5 - 0.5f - half) / 2, 1e-5f);
    vs[0] = 2;
    EXPECT_EQ(McdBoxSphereSafeTime(&pair, 2, &record), 0);
    EXPECT_EQ(record.time, 2);
}

}  // namespace
