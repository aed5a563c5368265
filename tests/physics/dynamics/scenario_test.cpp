// Whole-step scenarios with analytic answers.

#include "dynamics_test_util.h"
#include "physics/dynamics/kea_cpu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

using namespace dyntest;

namespace {

constexpr MeReal h = 1.0f / 60;
constexpr MeReal g = 9.81f;

MdtBody* MakeBody(MdtWorld* w, MeReal mass, MeReal x, MeReal y, MeReal z)
{
    MdtBody* b = MdtBodyCreate(w);
    MdtBodySetMass(b, mass);
    MeReal I[9];
    MdtMakeInertiaTensorBox(mass, 1, 1, 1, I);
    MdtBodySetInertiaTensor(b, I);
    SetPosition(b, x, y, z);
    MdtBodyEnable(b);
    return b;
}

// Angle between body 0's hinge axis and body 1's, in world coordinates.
MeReal Misalignment(const MdtConstraint* c)
{
    MeReal a0[3], a1[3];
    MeMatrix4TMRotate(a0, c->body[0]->comTM, c->attach[0][0]);
    if (c->body[1])
        MeMatrix4TMRotate(a1, c->body[1]->comTM, c->attach[1][0]);
    else
        MeVector3Copy(a1, c->attach[1][0]);
    return MeSafeAcos(MeVector3Dot(a0, a1));
}

}  // namespace

TEST(Scenario, FreeFallMatchesTheIntegratorAndSpinKeepsItsRate)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtWorldSetGravity(w, 0, -g, 0);
    MdtBody* b = MakeBody(w, 2, 0, 100, 0);
    MdtBodySetAngularVelocity(b, 0.5f, 3, -1);
    // Semi-implicit Euler: v_n = -g h n, y_n = y0 - g h^2 n (n + 1) / 2.
    MeReal v = 0, y = 100;
    for (int n = 1; n <= 120; ++n) {
        MdtWorldStep(w, h);
        v += h * -g;
        y += h * v;
    }
    MeReal pos[3], vel[3], rate[3];
    MdtBodyGetPosition(b, pos);
    MdtBodyGetLinearVelocity(b, vel);
    MdtBodyGetAngularVelocity(b, rate);
    EXPECT_FLOAT_EQ(vel[1], v);
    EXPECT_FLOAT_EQ(pos[1], y);
    EXPECT_NEAR(y, 100 - g * h * h * 120 * 121 / 2, 1e-3);
    EXPECT_EQ(rate[0], 0.5f);
    EXPECT_EQ(rate[1], 3.0f);
    EXPECT_EQ(rate[2], -1.0f);
    // The orientation turned by |w| t about the fixed axis w.
    const MeReal angle = std::sqrt(0.25f + 9 + 1) * 2;
    EXPECT_NEAR(std::fabs(b->kea.qrot[0]), std::fabs(std::cos(angle / 2)), 1e-3);
    MdtWorldDestroy(w);
}

TEST(Scenario, NoStepForBadStepSizes)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtWorldSetGravity(w, 0, -g, 0);
    MdtBody* b = MakeBody(w, 1, 0, 5, 0);
    for (MeReal bad : {0.0f, -h, NAN, INFINITY})
        MdtWorldStep(w, bad);
    EXPECT_EQ(b->comTM[3][1], 5.0f);
    EXPECT_EQ(b->kea.vel[1], 0.0f);
    MdtWorldDestroy(w);
}

TEST(Scenario, RestingSphereAndBoxSettleAtThePredictedPenetration)
{
    Quiet quiet;
    const MeReal mass = 3, eps = 0.01f, gamma = 0.2f;
    {
        MdtWorld* w = MdtWorldCreate(4, 16);
        MdtWorldSetGravity(w, 0, -g, 0);
        MdtBody* b = MakeBody(w, mass, 0, 0.5f, 0);
        Ground ground(w, b);
        for (int i = 0; i < 400; ++i) {
            ground.Sphere(b, 0.5f);
            MdtWorldStep(w, h);
        }
        // At rest the normal force is m g and the softness leaves xi = -h^2 eps m g / gamma.
        const MeReal expected = h * h * eps * mass * g / gamma;
        EXPECT_NEAR(0.5f - b->comTM[3][1], expected, 0.02f * expected);
        EXPECT_NEAR(b->kea.vel[1], 0, 1e-4);
        MeReal force[3];
        MdtConstraintGetForce(MdtContactGroupGetFirst(ground.group), 0, force);
        EXPECT_NEAR(force[1], mass * g, 0.01f * mass * g);
        EXPECT_NEAR(MdtContactGroupGetLoad(ground.group), mass * g, 0.01f * mass * g);
        MdtWorldDestroy(w);
    }
    {
        MdtWorld* w = MdtWorldCreate(4, 16);
        MdtWorldSetGravity(w, 0, -g, 0);
        MdtBody* b = MakeBody(w, mass, 0, 0.5f, 0);
        Ground ground(w, b);
        for (int i = 0; i < 400; ++i) {
            ground.Box(b, 0.5f, 0.5f, 0.5f);
            MdtWorldStep(w, h);
        }
        ASSERT_EQ(MdtContactGroupGetCount(ground.group), 4);
        const MeReal expected = h * h * eps * (mass * g / 4) / gamma;
        EXPECT_NEAR(0.5f - b->comTM[3][1], expected, 0.02f * expected);
        for (MdtConstraint* c = MdtContactGroupGetFirst(ground.group); c; c = MdtContactGetNext(ground.group, c)) {
            MeReal force[3];
            MdtConstraintGetForce(c, 0, force);
            EXPECT_NEAR(force[1], mass * g / 4, 0.01f * mass * g);
        }
        EXPECT_NEAR(b->kea.qrot[0], 1, 1e-5);
        MdtWorldDestroy(w);
    }
}

TEST(Scenario, FrictionStopsASlidingBoxAtThePredictedDeceleration)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 16);
    MdtWorldSetGravity(w, 0, -g, 0);
    const MeReal mass = 2, bound = 1.5f;  // per contact
    MdtBody* b = MakeBody(w, mass, 0, 0.4999f, 0);  // touching from the first step
    Ground ground(w, b);
    MdtContactParamsSetType(&ground.params, 2);
    MdtContactParamsSetFriction(&ground.params, bound);
    MdtBodySetLinearVelocity(b, 3, 0, 1);
    const MeReal v0 = std::sqrt(10.0f);
    const MeReal decel = 4 * bound / mass;  // four contacts at the full bound
    int steps = 0;
    MeReal speedAfter10 = 0;
    for (; steps < 600; ++steps) {
        ground.Box(b, 0.5f, 0.5f, 0.5f);
        MdtWorldStep(w, h);
        if (steps == 9)
            speedAfter10 = std::hypot(b->kea.vel[0], b->kea.vel[2]);
        if (std::hypot(b->kea.vel[0], b->kea.vel[2]) < 1e-3f)
            break;
    }
    EXPECT_NEAR(speedAfter10, v0 - 10 * h * decel, 0.01f);
    EXPECT_NEAR((steps + 1) * h, v0 / decel, 2 * h);
    // Sliding kept its direction (x : z = 3 : 1) and the box did not tip.
    EXPECT_NEAR(b->comTM[3][0] / b->comTM[3][2], 3, 0.01f);
    EXPECT_NEAR(b->kea.qrot[0], 1, 1e-4);
    MdtWorldDestroy(w);
}

TEST(Scenario, RestitutionReboundsAtThePredictedSpeed)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 16);
    const MeReal mass = 1.5f, e = 0.6f, v = 4;
    MdtBody* b = MakeBody(w, mass, 0, 0.5f, 0);
    Ground ground(w, b);
    MdtContactParamsSetRestitution(&ground.params, e);
    MdtBodySetLinearVelocity(b, 0, -v, 0);
    ground.Sphere(b, 0.5f + 1e-7f);  // touching, no penetration
    MdtWorldStep(w, h);
    // (1/m + eps) lambda = (1 + e) v / h, then v' = -v + h lambda / m.
    const MeReal expected = -v + (1 + e) * v / (1 + mass * 0.01f);
    EXPECT_NEAR(b->kea.vel[1], expected, 1e-3f);
    EXPECT_GT(b->kea.vel[1], 0.9f * e * v);

    // Below the velocity threshold there is no bounce.
    MdtBodySetLinearVelocity(b, 0, -0.0005f, 0);
    SetPosition(b, 0, 0.5f, 0);
    ground.Sphere(b, 0.5f + 1e-7f);
    MdtWorldStep(w, h);
    EXPECT_NEAR(b->kea.vel[1], 0, 1e-5f);
    MdtWorldDestroy(w);
}

TEST(Scenario, HingeKeepsItsAxisAndAMisalignmentShrinks)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 8);
    MdtWorldSetGravity(w, 0, -g, 0);
    MdtBody* b = MakeBody(w, 1, 1, 0, 0);
    MdtConstraint* hinge = MdtHingeCreate(w);
    MdtConstraintSetBodies(hinge, b, nullptr);
    MdtConstraintSetPosition(hinge, 0, 0, 0);
    MdtConstraintSetAxis(hinge, 0, 0, 1);
    MdtConstraintEnable(hinge);
    // Gravity swings the body about z; a steady torque about x tries to tilt the axis.
    for (int i = 0; i < 120; ++i) {
        MdtBodyAddTorque(b, 2, 0, 0);
        MdtWorldStep(w, h);
        ASSERT_LT(Misalignment(hinge), 0.01f) << i;
    }
    MeReal p[3];
    MdtBodyGetPosition(b, p);
    // Stays on its circle: the velocity-level rows drift by about v^2 h^2 / 2 per step on the
    // curve, which the error reduction gamma holds near v^2 h^2 / (2 gamma), 1 cm at 4 m/s.
    EXPECT_NEAR(std::hypot(p[0], p[1]), 1, 0.02f);
    EXPECT_NEAR(p[2], 0, 0.01f);
    EXPECT_LT(p[1], -0.1f);  // and it did swing down

    // Tilt the body off the axis: the error shrinks step by step.
    MeReal q[4] = {std::cos(0.1f), std::sin(0.1f), 0, 0};
    MeMatrix4 m;
    MeMatrix4TMMakeIdentity(m);
    MeQuaternionToTM(m, q);
    MeMatrix4TMTransform(m[3], m, b->comTM[3]);
    MdtBodySetTransform(b, m);
    MdtBodySetLinearVelocity(b, 0, 0, 0);
    MdtBodySetAngularVelocity(b, 0, 0, 0);
    MdtWorldSetGravity(w, 0, 0, 0);
    MeReal previous = Misalignment(hinge);
    EXPECT_NEAR(previous, 0.2f, 0.01f);
    for (int i = 0; i < 60; ++i) {
        MdtWorldStep(w, h);
        const MeReal now = Misalignment(hinge);
        EXPECT_LT(now, previous + 1e-6f) << i;
        previous = now;
    }
    EXPECT_LT(previous, 0.01f);
    MdtWorldDestroy(w);
}

TEST(Scenario, LimitsHoldAndBounceMotorsReachSpeedDrivesReachPosition)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 8);
    MdtBody* b = MakeBody(w, 1, 0, 0, 0);
    MdtConstraint* hinge = MdtHingeCreate(w);
    MdtConstraintSetBodies(hinge, b, nullptr);
    MdtConstraintSetAxis(hinge, 0, 0, 1);
    MdtConstraintEnable(hinge);
    MdtLimit* limit = MdtHingeGetLimit(hinge);
    MdtSingleLimitSetStop(MdtLimitGetLower(limit), -0.5f);
    MdtSingleLimitSetStop(MdtLimitGetUpper(limit), 0.5f);
    MdtSingleLimitSetRestitution(MdtLimitGetUpper(limit), 0.5f);
    MdtLimitSetLimited(limit, 1);
    const MeReal w0 = 3;
    MdtBodySetAngularVelocity(b, 0, 0, w0);
    MeReal largest = 0, reboundRate = 0;
    for (int i = 0; i < 40; ++i) {
        MdtWorldStep(w, h);
        largest = std::max(largest, MdtLimitGetPosition(limit));
        if (b->kea.velrot[2] < 0 && reboundRate == 0)
            reboundRate = b->kea.velrot[2];
    }
    EXPECT_LT(largest, 0.5f + w0 * h);  // at most one step of travel past the stop
    EXPECT_NEAR(reboundRate, -0.5f * w0, 0.05f * w0);
    EXPECT_GT(MdtLimitGetPosition(limit), -0.5f - 0.05f);

    // Motor: free of the stops, the hinge reaches the desired speed.
    MdtLimitSetLimited(limit, 0);
    MdtLimitSetMotor(limit, -2, 100);
    MdtLimitActivateMotor(limit, 1);
    for (int i = 0; i < 5; ++i)
        MdtWorldStep(w, h);
    EXPECT_NEAR(b->kea.velrot[2], -2, 0.05f);

    // A weak motor accelerates at its force bound over the isotropic inertia.
    MdtBodySetAngularVelocity(b, 0, 0, 0);
    MdtLimitSetMotor(limit, 10, 0.1f);
    MdtLimitActivateMotor(limit, 1);
    MdtWorldStep(w, h);
    const MeReal inertia = 1.0f / 6;  // unit box
    EXPECT_NEAR(b->kea.velrot[2], h * 0.1f / inertia, 2e-3f);

    // Drive to a position, repeated each step as the engine does.
    for (int i = 0; i < 300; ++i) {
        MdtLimitDriveToPosition(limit, 1.2f, 0.3f, 2, 50);
        MdtWorldStep(w, h);
    }
    EXPECT_NEAR(MdtLimitGetPosition(limit), 1.2f, 0.01f);
    EXPECT_NEAR(b->kea.velrot[2], 0, 0.02f);
    MdtWorldDestroy(w);
}

TEST(Scenario, PendulumKeepsItsPeriod)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 8);
    MdtWorldSetGravity(w, 0, -g, 0);
    const MeReal L = 2, r = 0.1f, mass = 1;
    MdtBody* b = MdtBodyCreate(w);
    MdtBodySetMass(b, mass);
    MeReal I[9];
    MdtMakeInertiaTensorSphere(mass, r, I);
    MdtBodySetInertiaTensor(b, I);
    const MeReal theta0 = 0.1f;
    SetPosition(b, L * std::sin(theta0), -L * std::cos(theta0), 0);
    MdtBodyEnable(b);
    MdtConstraint* joint = MdtBallJointCreate(w);
    MdtConstraintSetBodies(joint, b, nullptr);
    MdtBallJointSetPosition(joint, 0, 0, 0);
    MdtConstraintEnable(joint);
    // Physical pendulum: T = 2 pi sqrt((I + m L^2) / (m g L)).
    const MeReal period = 2 * ME_PI * std::sqrt((0.4f * mass * r * r + mass * L * L) / (mass * g * L));
    MeReal previousX = b->comTM[3][0];
    std::vector<MeReal> crossings;
    for (int i = 0; i < 60 * 12 && crossings.size() < 7; ++i) {
        MdtWorldStep(w, h);
        const MeReal x = b->comTM[3][0];
        if ((previousX > 0) != (x > 0))
            crossings.push_back((i + previousX / (previousX - x)) * h);
        previousX = x;
    }
    ASSERT_GE(crossings.size(), 7u);
    const MeReal measured = (crossings[6] - crossings[0]) / 3;
    EXPECT_NEAR(measured, period, 0.01f * period);
    MeReal p[3];
    MdtBodyGetPosition(b, p);
    EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]), L, 0.01f);
    MdtWorldDestroy(w);
}

TEST(Scenario, RestingBodyAutoDisablesAndAConstraintWakesIt)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 8);
    MdtWorldSetAutoDisable(w, 1);
    MdtBody* sleeper = MakeBody(w, 1, 0, 0, 0);
    int step = 0;
    while (MdtBodyIsEnabled(sleeper) && step < 100) {
        MdtWorldStep(w, h);
        ++step;
    }
    // Counted 0 at enable, +1 per step; the eleventh step sees 10 steps and no motion.
    EXPECT_EQ(step, 11);
    EXPECT_EQ(MdtWorldGetEnabledBodyCount(w), 0);

    // A moving body joined to the sleeper by an enabled joint wakes it in the next step.
    MdtBody* mover = MakeBody(w, 1, 2, 0, 0);
    MdtBodySetLinearVelocity(mover, 1, 0, 0);
    MdtConstraint* joint = MdtBallJointCreate(w);
    MdtConstraintSetBodies(joint, mover, sleeper);
    MdtBallJointSetPosition(joint, 1, 0, 0);
    MdtConstraintEnable(joint);
    MdtWorldStep(w, h);
    EXPECT_EQ(MdtBodyIsEnabled(sleeper), 1);
    EXPECT_GT(sleeper->kea.vel[0], 0.1f);  // and it moved in that same step
    MdtWorldDestroy(w);
}

TEST(Scenario, RowLimitShedsLeastImportantContactsFirst)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 16);
    w->autoDisable.maxRows = 8;
    MdtBody* b = MakeBody(w, 1, 0, 0.5f, 0);
    Ground ground(w, b);
    MdtContactParamsSetType(&ground.params, 2);
    const MeReal depths[3] = {0.01f, 0.03f, 0.02f};
    MdtConstraint* contacts[3];
    for (int i = 0; i < 3; ++i) {
        const MeReal p[3] = {0.1f * i, 0, 0};
        ground.Add(p, depths[i]);
        contacts[i] = i == 0 ? MdtContactGroupGetFirst(ground.group) : MdtContactGetNext(ground.group, contacts[i - 1]);
    }
    // 9 rows padded to 12, excess 4: the two shallowest contacts lose their friction.
    MdtWorldStep(w, h);
    EXPECT_EQ(MdtContactGroupGetCount(ground.group), 3);
    EXPECT_EQ(contacts[0]->contact.params.type, 0);
    EXPECT_EQ(contacts[2]->contact.params.type, 0);
    EXPECT_EQ(contacts[1]->contact.params.type, 2);
    // Importance: against the world, 100 + (n - i) * 100 / n in order of depth.
    EXPECT_FLOAT_EQ(contacts[1]->contact.importance, 200);
    EXPECT_FLOAT_EQ(contacts[2]->contact.importance, 100 + 200.0f / 3);

    // With a limit of 4 rows the shallow contacts go altogether.
    w->autoDisable.maxRows = 4;
    MdtWorldStep(w, h);
    EXPECT_EQ(MdtContactGroupGetCount(ground.group), 1);
    EXPECT_EQ(MdtContactGroupGetFirst(ground.group), contacts[1]);
    MdtWorldDestroy(w);
}

TEST(Scenario, DampingGravityAndImpulsesEnterTheForceStep)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtBody* b = MakeBody(w, 2, 0, 0, 0);
    MdtBodySetLinearVelocity(b, 4, 0, 0);
    MdtBodySetAngularVelocity(b, 0, 3, 0);
    MdtBodySetLinearVelocityDamping(b, 0.5f);
    MdtBodySetAngularVelocityDamping(b, 0.1f);
    MdtWorldStep(w, h);
    // v' = v - h c v / m; the angular rate uses the isotropic inverse inertia 1 / max(I).
    EXPECT_FLOAT_EQ(b->kea.vel[0], 4 - h * 0.5f * 4 / 2);
    const MeReal inertia = 2.0f / 6;
    EXPECT_FLOAT_EQ(b->kea.velrot[1], 3 - h * 0.1f * 3 / inertia);
    MeReal force[3];
    MdtBodyGetForce(b, force);
    EXPECT_EQ(force[0], 0.0f);  // forces are cleared after every step

    MdtBodySetLinearVelocityDamping(b, 0);
    MdtBodySetLinearVelocity(b, 0, 0, 0);
    MdtBodyAddImpulse(b, 0, 0, 3);  // a momentum change of 3 over one step
    MdtWorldStep(w, h);
    EXPECT_FLOAT_EQ(b->kea.vel[2], 1.5f);
    EXPECT_EQ(b->impulseFlag, 0);
    MdtWorldStep(w, h);
    EXPECT_FLOAT_EQ(b->kea.vel[2], 1.5f);
    MdtWorldDestroy(w);
}

TEST(Scenario, LongRunIsRepeatableBitForBit)
{
    // A stack on the ground and a swinging chain, both variants, 300 steps. Only IEEE basic
    // operations and square roots are involved, so the result is the same on every build.
    auto run = [](int variant) {
        Quiet quiet;
        const int previous = keaSetCPUOverride(variant);
        MdtWorld* w = MdtWorldCreate(16, 128);
        keaSetCPUOverride(previous);
        MdtWorldSetGravity(w, 0, -g, 0);
        MdtBody* box = MakeBody(w, 1, 0, 0.45f, 0);
        MdtBodySetAngularVelocity(box, 0.1f, 0, 0.2f);
        Ground ground(w, box);
        MdtContactParamsSetType(&ground.params, 2);
        MdtContactParamsSetFriction(&ground.params, 2);
        MdtBody* previousLink = nullptr;
        for (int i = 0; i < 6; ++i) {
            MdtBody* link = MakeBody(w, 1, 3 + i * 1.0f, 5, 0);
            MdtConstraint* c = MdtBallJointCreate(w);
            MdtConstraintSetBodies(c, link, previousLink);
            MdtBallJointSetPosition(c, 2.5f + i * 1.0f, 5, 0);
            MdtConstraintEnable(c);
            previousLink = link;
        }
        std::uint64_t hash = 1469598103934665603ull;
        for (int step = 0; step < 300; ++step) {
            ground.Box(box, 0.5f, 0.5f, 0.5f);
            MdtWorldStep(w, h);
        }
        for (MeRBTreeNode* n = MeRBTreeFirst(&w->bodyTree); n; n = MeRBTreeNext(&w->bodyTree, n)) {
            const MdtBody* b = static_cast<const MdtBody*>(n->data);
            for (int i = 0; i < 16; ++i) {
                std::uint32_t bits;
                std::memcpy(&bits, &b->transform[i / 4][i % 4], 4);
                hash = (hash ^ bits) * 1099511628211ull;
            }
        }
        MdtWorldDestroy(w);
        return hash;
    };
    const std::uint64_t scalar = run(1), sse = run(2);
    EXPECT_EQ(run(1), scalar);
    EXPECT_EQ(run(2), sse);
    // Golden values: a change here means the arithmetic of the step changed.
    EXPECT_EQ(scalar, 0xfc4a6e2354dae453ull);
    EXPECT_EQ(sse, 0x5e8fd454baf17075ull);
}
