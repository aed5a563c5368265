// Each row's Jacobian times the body velocities must equal the time derivative of the row's
// position error (the sign rule), checked by central differences on random poses.

#include "dynamics_test_util.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dyntest;

namespace {

struct Pose {
    MeReal q[4];
    MeReal p[3];
    MeReal v[3];
    MeReal w[3];
};

Pose RandomPose()
{
    Pose s;
    RandomUnitQuaternion(s.q);
    for (int i = 0; i < 3; ++i) {
        s.p[i] = Uniform(-2, 2);
        s.v[i] = Uniform(-1, 1);
        s.w[i] = Uniform(-1, 1);
    }
    return s;
}

// The pose advanced by dt along its velocities (exact rotation).
void Advance(const Pose& s, MeReal dt, MdtBody* b)
{
    MeReal q[4] = {s.q[0], s.q[1], s.q[2], s.q[3]};
    MeReal w[3] = {s.w[0], s.w[1], s.w[2]};
    if (dt < 0) {
        for (MeReal& c : w)
            c = -c;
        dt = -dt;
        MeQuaternionFiniteRotation(q, w, dt);
        SetPose(b, q, s.p[0] - dt * s.v[0], s.p[1] - dt * s.v[1], s.p[2] - dt * s.v[2]);
    } else {
        MeQuaternionFiniteRotation(q, w, dt);
        SetPose(b, q, s.p[0] + dt * s.v[0], s.p[1] + dt * s.v[1], s.p[2] + dt * s.v[2]);
    }
    MdtBodySetLinearVelocity(b, s.v[0], s.v[1], s.v[2]);
    MdtBodySetAngularVelocity(b, s.w[0], s.w[1], s.w[2]);
}

struct Rows {
    std::vector<MeReal> xi, jv;
};

Rows Pack(MdtWorld* w, MdtBody* b0, MdtBody* b1)
{
    MdtPartitionWorld(w, &w->partitions, nullptr, nullptr);
    MdtPackPartitions(w, 1.0f / 60);
    const keaConstraints& r = w->rows;
    Rows out;
    const int k = r.Jsize[0];
    for (int i = 0; i < k; ++i) {
        const int row = r.Jofs[0] + i, jrow = row;  // first constraint of the first partition
        MeReal jv = 0;
        for (int c = 0; c < 3; ++c) {
            jv += r.Jstore[keaJstoreIndex(jrow, c)] * b0->kea.vel[c];
            jv += r.Jstore[keaJstoreIndex(jrow, 3 + c)] * b0->kea.velrot[c];
            if (b1) {
                jv += r.Jstore[keaJstoreIndex(jrow, 6 + c)] * b1->kea.vel[c];
                jv += r.Jstore[keaJstoreIndex(jrow, 9 + c)] * b1->kea.velrot[c];
            }
        }
        out.xi.push_back(r.xi[row]);
        out.jv.push_back(jv);
    }
    return out;
}

using Setup = std::function<MdtConstraint*(MdtWorld*, MdtBody*, MdtBody*)>;

// Builds the constraint on random poses, then compares J v with the central difference of xi
// for the rows listed in `checked`.
void CheckRows(const char* what, const Setup& setup, std::vector<int> checked, bool withBody1 = true, int trials = 20)
{
    Quiet quiet;
    MeRandomSeed(1234);
    for (int trial = 0; trial < trials; ++trial) {
        MdtWorld* w = MdtWorldCreate(4, 8);
        MdtBody* b0 = MdtBodyCreate(w);
        MdtBody* b1 = withBody1 ? MdtBodyCreate(w) : nullptr;
        Pose s0 = RandomPose(), s1 = RandomPose();
        Advance(s0, 0, b0);
        if (b1)
            Advance(s1, 0, b1);
        MdtConstraint* c = setup(w, b0, b1);
        ASSERT_NE(c, nullptr);
        MdtConstraintEnable(c);
        MdtBodyEnable(b0);
        if (b1)
            MdtBodyEnable(b1);
        // Move the bodies away from the set-up poses so every constraint is violated.
        s0 = RandomPose();
        s1 = RandomPose();
        const MeReal dt = 1e-3f;
        Advance(s0, dt, b0);
        if (b1)
            Advance(s1, dt, b1);
        Rows plus = Pack(w, b0, b1);
        Advance(s0, -dt, b0);
        if (b1)
            Advance(s1, -dt, b1);
        Rows minus = Pack(w, b0, b1);
        Advance(s0, 0, b0);
        if (b1)
            Advance(s1, 0, b1);
        Rows now = Pack(w, b0, b1);
        for (int row : checked) {
            ASSERT_LT(row, static_cast<int>(now.xi.size())) << what;
            const MeReal fd = (plus.xi[row] - minus.xi[row]) / (2 * dt);
            EXPECT_NEAR(now.jv[row], fd, 3e-3f + 3e-3f * std::fabs(fd)) << what << " row " << row << " trial " << trial;
        }
        MdtWorldDestroy(w);
    }
}

}  // namespace

TEST(RowBuilderJacobian, BallHingeUniversalPointAndAxisRows)
{
    CheckRows("ball", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtBallJointCreate(w);
        MdtConstraintSetBodies(c, a, b);
        MdtBallJointSetPosition(c, 0.3f, -0.2f, 0.5f);
        return c;
    }, {0, 1, 2});
    CheckRows("ball to world", [](MdtWorld* w, MdtBody* a, MdtBody*) {
        MdtConstraint* c = MdtBallJointCreate(w);
        MdtConstraintSetBodies(c, a, nullptr);
        MdtBallJointSetPosition(c, 1, 2, 3);
        return c;
    }, {0, 1, 2}, false);
    CheckRows("hinge", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtHingeCreate(w);
        MdtConstraintSetBodies(c, a, b);
        MdtConstraintSetPosition(c, 0.1f, 0.2f, 0.3f);
        MdtConstraintSetAxis(c, 0.3f, 1, -0.2f);
        return c;
    }, {0, 1, 2, 3, 4});
    CheckRows("universal", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtUniversalJointCreate(w);
        MdtConstraintSetBodies(c, a, b);
        MdtBallJointSetPosition(c, 0.5f, 0, 0);
        MdtUniversalJointSetAxis(c, 0, 1, 0, 0);
        MdtUniversalJointSetAxis(c, 1, 0, 1, 0);
        return c;
    }, {0, 1, 2, 3});
}

TEST(RowBuilderJacobian, SliderAngularDistanceAndTypes3To11)
{
    CheckRows("slider", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtSliderCreate(w);
        MdtConstraintSetBodies(c, a, b);
        MdtConstraintSetAxis(c, 0, 0.6f, 0.8f);
        return c;
    }, {0, 1, 2, 3, 4});
    CheckRows("angular", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtAngularJointCreate(w);
        MdtConstraintSetBodies(c, a, b);
        return c;
    }, {0, 1, 2});
    CheckRows("angular to world", [](MdtWorld* w, MdtBody* a, MdtBody*) {
        MdtConstraint* c = MdtAngularJointCreate(w);
        MdtConstraintSetBodies(c, a, nullptr);
        return c;
    }, {0, 1, 2}, false);
    CheckRows("type 3", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtJointType3Create(w);
        MdtConstraintSetBodies(c, a, b);
        MdtJointType3SetPosition(c, 0.2f, 0.1f, 0);
        MdtJointType3SetAxis(c, 0, 1, 0.2f);
        c->type3.travelStiffness = 50;  // a springy travel row measures the travel itself
        c->type3.turnLock = 1;
        return c;
    }, {0, 1, 2, 3, 4});
    CheckRows("type 10", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtJointType10Create(w);
        MdtConstraintSetBodies(c, a, b);
        MdtJointType10SetPosition(c, 0.4f, 0.5f, -0.3f);
        return c;
    }, {0});
    CheckRows("type 11", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtJointType11Create(w);
        MdtConstraintSetBodies(c, a, b);
        MdtJointType11SetPosition(c, 0.4f, 0.5f, -0.3f);
        MdtJointType11SetAxis(c, 0.2f, 0.3f, 1);
        return c;
    }, {0, 1});
    CheckRows("distance", [](MdtWorld* w, MdtBody* a, MdtBody* b) {
        MdtConstraint* c = MdtDistanceJointCreate(w);
        MdtConstraintSetBodies(c, a, b);
        MdtDistanceJointSetPosition(c, 0, 0.3f, 0, 0);
        MdtDistanceJointSetPosition(c, 1, -0.3f, 0.2f, 0);
        MdtDistanceJointSetStiffness(c, FLT_MAX);
        MdtSingleLimitSetStop(MdtLimitGetUpper(MdtDistanceJointGetLimit(c)), 0.1f);  // always over: a row
        return c;
    }, {0});
}

TEST(RowBuilderJacobian, ContactNormalRow)
{
    // The normal row's error is minus the penetration; moving the bodies changes the separation
    // of the two material points at the contact, which is what J v measures. Compare with the
    // separation of those points computed directly.
    Quiet quiet;
    MeRandomSeed(77);
    for (int trial = 0; trial < 20; ++trial) {
        MdtWorld* w = MdtWorldCreate(4, 8);
        MdtBody* a = MdtBodyCreate(w);
        MdtBody* b = MdtBodyCreate(w);
        Pose s0 = RandomPose(), s1 = RandomPose();
        Advance(s0, 0, a);
        Advance(s1, 0, b);
        MdtConstraint* g = MdtContactGroupCreate(w);
        MdtConstraintSetBodies(g, a, b);
        MdtConstraint* c = MdtContactGroupCreateContact(g);
        MeReal n[3] = {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
        MeVector3Normalize(n);
        const MeReal p[3] = {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
        MdtContactSetNormal(c, n[0], n[1], n[2]);
        MdtContactSetPosition(c, p[0], p[1], p[2]);
        MdtContactGetParams(c)->type = 2;
        MdtConstraintEnable(g);
        MdtBodyEnable(a);
        MdtBodyEnable(b);
        // Material points at p on each body, in body coordinates.
        MeReal pa[3], pb[3];
        MdtConvertPosition(nullptr, p, a, pa);
        MdtConvertPosition(nullptr, p, b, pb);
        auto separation = [&](MeReal dt) {
            Advance(s0, dt, a);
            Advance(s1, dt, b);
            MeReal wa[3], wb[3], d[3];
            MeMatrix4TMTransform(wa, a->comTM, pa);
            MeMatrix4TMTransform(wb, b->comTM, pb);
            MeVector3Subtract(d, wa, wb);
            return MeVector3Dot(d, n);
        };
        const MeReal dt = 1e-3f;
        const MeReal fd = (separation(dt) - separation(-dt)) / (2 * dt);
        separation(0);
        Rows now = Pack(w, a, b);
        ASSERT_EQ(now.jv.size(), 3u);
        EXPECT_NEAR(now.jv[0], fd, 3e-3f + 3e-3f * std::fabs(fd));
        MdtWorldDestroy(w);
    }
}

TEST(RowBuilderJacobian, LimitRatesAreTheDerivativesOfTheirPositions)
{
    // Bodies moving in a way the joint allows: the hinge turns about its axis, the slider
    // travels along its axis, the distance joint stretches. The rate the builder hands the
    // limit must match the change of the limit position.
    Quiet quiet;
    struct Case {
        const char* what;
        MdtConstraint* (*make)(MdtWorld*, MdtBody*, MdtBody*);
        MeReal v[3], w[3];
    };
    const Case cases[] = {
        {"hinge",
         [](MdtWorld* w, MdtBody* a, MdtBody* b) {
             MdtConstraint* c = MdtHingeCreate(w);
             MdtConstraintSetBodies(c, a, b);
             MdtConstraintSetPosition(c, 0, 0, 0);
             MdtConstraintSetAxis(c, 0, 0, 1);
             MdtLimitSetLimited(MdtHingeGetLimit(c), 1);
             MdtSingleLimitSetStop(MdtLimitGetLower(MdtHingeGetLimit(c)), -100);
             MdtSingleLimitSetStop(MdtLimitGetUpper(MdtHingeGetLimit(c)), 100);
             return c;
         },
         {0, 0, 0}, {0, 0, 1.5f}},
        {"slider",
         [](MdtWorld* w, MdtBody* a, MdtBody* b) {
             MdtConstraint* c = MdtSliderCreate(w);
             MdtConstraintSetBodies(c, a, b);
             MdtConstraintSetAxis(c, 0, 0.6f, 0.8f);
             MdtLimitSetLimited(MdtHingeGetLimit(c), 1);
             MdtSingleLimitSetStop(MdtLimitGetLower(MdtHingeGetLimit(c)), -100);
             MdtSingleLimitSetStop(MdtLimitGetUpper(MdtHingeGetLimit(c)), 100);
             return c;
         },
         {0, 1.2f, 1.6f}, {0, 0, 0}},
        {"distance",
         [](MdtWorld* w, MdtBody* a, MdtBody* b) {
             MdtConstraint* c = MdtDistanceJointCreate(w);
             MdtConstraintSetBodies(c, a, b);
             MdtDistanceJointSetPosition(c, 0, 0.2f, 0.1f, 0);
             MdtDistanceJointSetPosition(c, 1, 1.5f, -0.3f, 0.2f);
             return c;
         },
         {0.3f, -0.7f, 0.2f}, {0.4f, 0.1f, -0.2f}},
    };
    for (const Case& k : cases) {
        MdtWorld* w = MdtWorldCreate(4, 4);
        MdtBody* a = MdtBodyCreate(w);
        MdtBody* b = MdtBodyCreate(w);
        SetPosition(a, 0.5f, 0.2f, 0.1f);
        SetPosition(b, 1.5f, 0.4f, -0.2f);
        MdtConstraint* c = k.make(w, a, b);
        MdtConstraintEnable(c);
        MdtBodyEnable(a);
        MdtLimit* limit = c->type == MdtTypeDistance ? MdtDistanceJointGetLimit(c) : MdtHingeGetLimit(c);
        const Pose start{{1, 0, 0, 0}, {0.5f, 0.2f, 0.1f}, {k.v[0], k.v[1], k.v[2]}, {k.w[0], k.w[1], k.w[2]}};
        const MeReal dt = 2e-3f;
        MeReal positions[3], rates[3];
        for (int i = 0; i < 3; ++i) {
            Advance(start, (i - 1) * dt, a);
            Pack(w, a, b);
            positions[i] = MdtLimitGetPosition(limit);
            rates[i] = limit->rate;
        }
        const MeReal fd = (positions[2] - positions[0]) / (2 * dt);
        EXPECT_NEAR(rates[1], fd, 2e-3f + 2e-3f * std::fabs(fd)) << k.what;
        EXPECT_GT(std::fabs(fd), 0.1f) << k.what;
        MdtWorldDestroy(w);
    }
}
