// Limits, contact records and the partitioner.

#include "dynamics_test_util.h"
#include "physics/dynamics/row_storage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace dyntest;

namespace {

int lastWarningLevel = -1;
void RecordLevel(int level, const char*, va_list) { lastWarningLevel = level; }

std::string infoText;
void CaptureInfo(int, const char* text) { infoText = text; }

}  // namespace

TEST(MdtLimit, SettersClampAndDriveToPosition)
{
    MdtLimit l;
    MdtLimitReset(&l);
    EXPECT_EQ(MdtLimitGetUpper(&l)->stiffness, FLT_MAX);
    EXPECT_EQ(MdtLimitGetLower(&l)->restitution, 1.0f);
    MdtSingleLimitSetRestitution(&l.upper, 1.5f);
    EXPECT_EQ(l.upper.restitution, 1.0f);
    MdtSingleLimitSetRestitution(&l.upper, -0.2f);
    EXPECT_EQ(l.upper.restitution, 0.0f);
    MdtSingleLimitSetRestitution(&l.upper, NAN);
    EXPECT_EQ(l.upper.restitution, 0.0f);

    MdtLimitSetMotor(&l, 1, -5);
    EXPECT_EQ(l.motorMaxForce, 5.0f);
    EXPECT_EQ(MdtLimitIsMotorized(&l), 1);
    EXPECT_EQ(GetSecondWord(&l), 0);  // setting a motor leaves the active flag alone
    MdtLimitActivateMotor(&l, 1);
    EXPECT_EQ(MdtLimitIsActive(&l), 1);
    MdtLimitActivateMotor(&l, 0);
    EXPECT_EQ(MdtLimitIsActive(&l), 0);
    MdtLimitSetLimited(&l, 1);
    EXPECT_EQ(MdtLimitIsActive(&l), 1);

    l.offset = 0.25f;  // position 0.25 with target 0: e = 0.25
    MdtLimitDriveToPosition(&l, 0, 0.5f, 2, 7);
    EXPECT_FLOAT_EQ(l.motorDesiredVelocity, -1);
    EXPECT_EQ(l.motorMaxForce, 7.0f);
    MdtLimitDriveToPosition(&l, 2, 0.5f, 2, 7);
    EXPECT_FLOAT_EQ(l.motorDesiredVelocity, 2);
    // A range of 0 or less drives at full speed by the sign of the error, 0 without one.
    MdtLimitDriveToPosition(&l, -1, 0, 3, 7);
    EXPECT_FLOAT_EQ(l.motorDesiredVelocity, -3);
    MdtLimitDriveToPosition(&l, 1, -1, 3, 7);
    EXPECT_FLOAT_EQ(l.motorDesiredVelocity, 3);
    MdtLimitDriveToPosition(&l, 0.25f, 0, 3, 7);
    EXPECT_EQ(l.motorDesiredVelocity, 0.0f);
    EXPECT_TRUE(std::isfinite(l.motorDesiredVelocity));
}

TEST(MdtLimit, PositionCalibratesUnwrapsAndMeasuresOvershoot)
{
    MdtLimit l;
    MdtLimitReset(&l);
    l.offset = 0.7f;  // the user's initial position
    l.rate = 1;
    MdtLimitUpdatePosition(&l, 0.2f, 1);
    EXPECT_FLOAT_EQ(MdtLimitGetPosition(&l), 0.7f);
    // Crossing +pi: the raw angle jumps to -pi, the position keeps going.
    MdtLimitUpdatePosition(&l, 3.1f, 1);
    MdtLimitUpdatePosition(&l, -3.1f, 1);
    EXPECT_NEAR(MdtLimitGetPosition(&l), 0.7f + (2 * ME_PI - 3.1f - 0.2f), 1e-5);
    // No rate: the raw position holds.
    l.rate = 0;
    MdtLimitUpdatePosition(&l, 0, 1);
    EXPECT_NEAR(l.rawPosition, 2 * ME_PI - 3.1f, 1e-5);
    l.rate = 1;
    MdtLimitSetLimited(&l, 1);
    MdtSingleLimitSetStop(&l.upper, 3);
    MdtSingleLimitSetStop(&l.lower, -3);
    MdtLimitUpdatePosition(&l, 2.9f, 1);
    EXPECT_NEAR(l.overshoot, MdtLimitGetPosition(&l) - 3, 1e-5);
}

TEST(MdtContact, ParamsGroupsAndRowCounts)
{
    Quiet quiet;
    MeMessageHandler previous = MeSetWarningHandler(RecordLevel);
    MdtContactParams p;
    MdtContactParamsReset(&p);
    EXPECT_EQ(p.velThreshold, 0.001f);
    EXPECT_EQ(p.friction2, FLT_MAX);
    MdtContactParamsSetType(&p, 3);
    EXPECT_EQ(p.type, 0);
    EXPECT_EQ(lastWarningLevel, 12);
    MdtContactParamsSetType(&p, 2);
    EXPECT_EQ(p.type, 2);
    MeSetWarningHandler(previous);

    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtBody* a = MdtBodyCreate(w);
    MdtConstraint* g = MdtContactGroupCreate(w);
    MdtConstraintSetBodies(g, a, nullptr);
    MdtConstraint* c1 = MdtContactGroupCreateContact(g);
    MdtConstraint* c2 = MdtContactGroupCreateContact(g);
    MdtConstraint* c3 = MdtContactGroupCreateContact(g);
    EXPECT_EQ(MdtContactGroupCreateContact(g), nullptr);  // pool of 4 is full
    EXPECT_EQ(MdtContactGroupGetCount(g), 3);
    EXPECT_EQ(MdtConstraintGetBody(c2, 0), a);
    EXPECT_EQ(MdtContactGetGroup(c3), g);
    // Resetting a contact inside the group clears its data, not the group's list.
    MdtContactSetPenetration(c2, 0.3f);
    MdtContactReset(c2);
    EXPECT_EQ(MdtContactGetPenetration(c2), 0);
    EXPECT_EQ(MdtContactGetGroup(c2), g);
    EXPECT_EQ(MdtContactGetNext(g, c1), c2);
    EXPECT_EQ(MdtContactGetNext(g, c2), c3);
    EXPECT_EQ(c3->contact.previous, c2);
    MdtContactGroupDestroyContact(g, c2);
    EXPECT_EQ(MdtContactGetNext(g, c1), c3);
    EXPECT_EQ(c3->contact.previous, c1);
    MdtContactGroupDestroyContact(g, c1);
    MdtContactGroupRemove(g, c3);
    EXPECT_EQ(MdtContactGroupGetFirst(g), nullptr);
    EXPECT_EQ(g->group.last, nullptr);
    EXPECT_EQ(MdtContactGroupGetCount(g), 0);
    EXPECT_EQ(MdtContactGetGroup(c3), nullptr);
    MdtConstraintDestroy(c3);
    EXPECT_EQ(MdtConstraintIsContactGroup(g), g);
    EXPECT_EQ(MdtConstraintIsContactGroup(a == nullptr ? g : c3), nullptr);

    MdtConstraint* c = MdtContactGroupCreateContact(g);
    MdtContactGetParams(c)->type = 1;
    EXPECT_EQ(MdtContactGetRowCount(c), 2);
    const MeReal pos[3] = {1, 2, 3}, normal[3] = {0, 0, 1};
    MdtContactSetFromCollision(&p, pos, normal, -0.05f, c, 1);
    EXPECT_EQ(c->contact.normal[2], -1.0f);
    EXPECT_FLOAT_EQ(MdtContactGetPenetration(c), 0.05f);
    EXPECT_EQ(MdtContactGetRowCount(c), 3);
    MdtContactGroupDestroy(g);
    EXPECT_EQ(MdtWorldGetConstraintCount(w), 0);

    // Destroying through the plain constraint call keeps the lists sound as well.
    g = MdtContactGroupCreate(w);
    MdtConstraint* first = MdtContactGroupCreateContact(g);
    MdtConstraint* second = MdtContactGroupCreateContact(g);
    MdtConstraintDestroy(first);
    EXPECT_EQ(MdtContactGroupGetFirst(g), second);
    EXPECT_EQ(MdtContactGroupGetCount(g), 1);
    MdtConstraintDestroy(g);
    EXPECT_EQ(MdtWorldGetConstraintCount(w), 0);
    MdtWorldDestroy(w);
}

TEST(MdtContact, FrictionDirectionsAndBounds)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 8);
    MdtBody* b = MdtBodyCreate(w);
    MdtBodyEnable(b);
    Ground ground(w, b);
    auto pack = [&]() {
        MdtPartitionWorld(w, &w->partitions, nullptr, nullptr);
        MdtPackPartitions(w, 1.0f / 60);
    };
    auto direction = [&](int row) {
        MeReal t[3];
        for (int k = 0; k < 3; ++k)
            t[k] = w->rows.Jstore[keaJstoreIndex(row, k)];
        return std::vector<MeReal>{t[0], t[1], t[2]};
    };
    const MeReal p[3] = {0, 0, 0};
    ground.Add(p, 0.01f);
    MdtConstraint* c = MdtContactGroupGetFirst(ground.group);
    MdtContactParams& cp = *MdtContactGetParams(c);

    // Option 1 with a direction along the normal: the cross product vanishes, a fallback pair is used.
    cp.type = 2;
    cp.options = MdtContactOptionUseDirection;
    MdtContactSetDirection(c, 0, 3, 0);
    pack();
    for (int row : {1, 2}) {
        auto t = direction(row);
        EXPECT_NEAR(t[0] * t[0] + t[1] * t[1] + t[2] * t[2], 1, 1e-5);
        EXPECT_NEAR(t[1], 0, 1e-6);
    }
    // A long direction is normalised.
    MdtContactSetDirection(c, 5, 0, 0);
    pack();
    auto t1 = direction(1);
    EXPECT_NEAR(std::fabs(t1[2]), 1, 1e-6);

    // Sliding: the diagonal pair with scaled bounds; at rest an orthonormal pair with full bounds.
    cp.options = 0;
    cp.friction1 = cp.friction2 = 2;
    MdtBodySetLinearVelocity(b, 1, 0, 0);
    pack();
    EXPECT_FLOAT_EQ(w->rows.hi[1], 2 * 0.70710677f);
    auto d1 = direction(1);
    EXPECT_NEAR(std::fabs(d1[0]), 0.70710677f, 1e-5);
    MdtBodySetLinearVelocity(b, 0, 0, 0);
    pack();
    EXPECT_FLOAT_EQ(w->rows.hi[1], 2);

    // Friction model 1 with no load yet: bound 0.
    cp.frictionModel1 = cp.frictionModel2 = 1;
    cp.frictionCoeff1 = cp.frictionCoeff2 = 0.5f;
    pack();
    EXPECT_EQ(w->rows.hi[1], 0.0f);
    EXPECT_EQ(w->rows.lo[2], 0.0f);
    ground.group->group.load = 8;
    pack();
    EXPECT_FLOAT_EQ(w->rows.hi[1], 4);

    // A group with no contacts builds no rows.
    ground.Clear();
    pack();
    EXPECT_EQ(w->rows.num_constraints, 0);
    EXPECT_EQ(w->rows.num_rows_exc_padding, 0);
    MdtWorldDestroy(w);
}

TEST(MdtJointType3, FreeTravelIsAZeroRow)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 8);
    MdtBody* a = MdtBodyCreate(w);
    MdtBody* b = MdtBodyCreate(w);
    SetPosition(b, 0, 1, 0);
    MdtConstraint* c = MdtJointType3Create(w);
    MdtConstraintSetBodies(c, a, b);
    MdtConstraintEnable(c);
    MdtBodyEnable(a);
    MdtPartitionWorld(w, &w->partitions, nullptr, nullptr);
    MdtPackPartitions(w, 1.0f / 60);
    EXPECT_EQ(w->rows.Jsize[0], 5);  // no spin motor force: row 5 left out
    for (int col = 0; col < 12; ++col)
        EXPECT_EQ(w->rows.Jstore[keaJstoreIndex(2, col)], 0.0f);
    for (int row = 0; row < 5; ++row) {
        EXPECT_TRUE(std::isfinite(w->rows.slipfactor[row]));
        EXPECT_TRUE(std::isfinite(w->rows.xgamma[row]));
    }
    // Travel stays free through a step: body 1 slides along A undisturbed.
    MdtBodySetLinearVelocity(b, 0, 0, 2);
    MdtWorldStep(w, 1.0f / 60);
    EXPECT_NEAR(b->kea.vel[2], 2, 1e-4);
    MdtWorldDestroy(w);
}

TEST(MdtPartition, IslandsFollowEnabledConstraints)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(8, 8);
    MdtWorldStep(w, 1.0f / 60);  // nothing enabled: no partition, nothing happens
    EXPECT_EQ(w->partitions.partitionCount, 0);
    MdtBody* a = MdtBodyCreate(w);
    MdtBody* b = MdtBodyCreate(w);
    MdtBody* c = MdtBodyCreate(w);
    SetPosition(b, 1, 0, 0);
    SetPosition(c, 2, 0, 0);
    MdtBodyEnable(a);
    MdtBodyEnable(b);
    MdtConstraint* ab = MdtBallJointCreate(w);
    MdtConstraintSetBodies(ab, a, b);
    MdtConstraint* bc = MdtBallJointCreate(w);
    MdtConstraintSetBodies(bc, b, c);
    MdtConstraintEnable(bc);
    MdtPartitionWorld(w, &w->partitions, nullptr, nullptr);
    // a alone (its joint is disabled); b with c, which gets enabled on the way.
    EXPECT_EQ(w->partitions.partitionCount, 2);
    EXPECT_EQ(w->partitions.bodyCount[0], 1);
    EXPECT_EQ(w->partitions.bodyCount[1], 2);
    EXPECT_EQ(MdtBodyIsEnabled(c), 1);
    EXPECT_EQ(c->partitionIndex, 1);
    EXPECT_EQ(b->flags & MdtBodyFlagVisited, 0u);
    EXPECT_EQ(bc->flags & MdtConstraintFlagVisited, 0u);
    MdtConstraintEnable(ab);
    MdtPartitionWorld(w, &w->partitions, nullptr, nullptr);
    EXPECT_EQ(w->partitions.partitionCount, 1);
    EXPECT_EQ(w->partitions.totalConstraints, 2);
    MdtWorldDestroy(w);
}

TEST(MdtWorldStep, WorldWithoutConstraintsAndScratchFailure)
{
    Quiet quiet;
    MdtWorld* free = MdtWorldCreate(2, 0);
    MdtWorldSetGravity(free, 0, -10, 0);
    MdtBody* b = MdtBodyCreate(free);
    MdtBodyEnable(b);
    MdtBodySetLinearVelocity(b, 1, 0, 0);
    MdtWorldStep(free, 0.5f);
    EXPECT_FLOAT_EQ(b->comTM[3][0], 0.5f);
    EXPECT_FLOAT_EQ(b->kea.vel[1], -5);
    MdtWorldDestroy(free);

    // The scratch cannot grow: the constraints are skipped with a warning, the bodies still move.
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtWorldSetGravity(w, 0, -10, 0);
    MdtBody* a = MdtBodyCreate(w);
    MdtBodyEnable(a);
    MdtConstraint* joint = MdtBallJointCreate(w);
    MdtConstraintSetBodies(joint, a, nullptr);
    MdtConstraintEnable(joint);
    MeMessageHandler fatal = MeSetFatalErrorHandler(MeNullMessageHandler);
    MeMemoryFunctions saved = MeMemoryAPI;
    MeMemoryAPI.create = [](std::size_t) -> void* { return nullptr; };
    testing::internal::CaptureStdout();
    MdtWorldStep(w, 0.5f);
    testing::internal::GetCapturedStdout();
    MeMemoryAPI = saved;
    MeSetFatalErrorHandler(fatal);
    EXPECT_EQ(Quiet::warnings, 1);
    EXPECT_FLOAT_EQ(a->kea.vel[1], -5);
    // With memory back the joint holds again.
    MdtBodySetLinearVelocity(a, 0, 0, 0);
    SetPosition(a, 0, 0, 0);
    MdtWorldStep(w, 1.0f / 60);
    EXPECT_NEAR(a->kea.vel[1], 0, 0.01f);
    MdtWorldDestroy(w);
}

TEST(MdtWorldStep, DebugDrawingReportsAMissingLineFunction)
{
    Quiet quiet;
    MeMessageHandler info = MeSetInfoHandler(nullptr);
    MeMessageOutput output = MeSetInfoOutput(CaptureInfo);
    MdtWorld* w = MdtWorldCreate(2, 4);
    MdtBody* b = MdtBodyCreate(w);
    MdtBodyEnable(b);
    Ground ground(w, b);
    const MeReal p[3] = {0, 0, 0};
    ground.Add(p, 0.01f);
    w->debugDrawFlags = 1;
    infoText.clear();
    MdtWorldStep(w, 1.0f / 60);
    EXPECT_EQ(infoText, "MeInfo{0}: Cannot draw debug line: No Debug Line Drawing Function Set.\n");
    MdtWorldDestroy(w);
    MeSetInfoOutput(output);
    MeSetInfoHandler(info);
}

TEST(MdtLimit, StopRowsSoftAndHard)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtBody* b = MdtBodyCreate(w);
    MdtBodyEnable(b);
    MdtConstraint* hinge = MdtHingeCreate(w);
    MdtConstraintSetBodies(hinge, b, nullptr);
    MdtConstraintSetAxis(hinge, 0, 0, 1);
    MdtConstraintEnable(hinge);
    MdtLimit* limit = MdtHingeGetLimit(hinge);
    MdtLimitSetLimited(limit, 1);
    MdtSingleLimitSetStop(MdtLimitGetUpper(limit), -0.2f);  // already 0.2 past the upper stop
    MdtSingleLimitSetStop(MdtLimitGetLower(limit), -1);
    const MeReal h = 1.0f / 60;
    auto pack = [&]() {
        MdtPartitionWorld(w, &w->partitions, nullptr, nullptr);
        MdtPackPartitions(w, h);
    };
    // The total diagonal addition is the spring's t / h = 1 / (h^2 k), never negative, even
    // for a stiff spring whose t is below epsilon h.
    for (MeReal k : {1e6f, 100.0f, 1.0f}) {
        MdtSingleLimitSetStiffness(MdtLimitGetUpper(limit), k);
        pack();
        ASSERT_EQ(w->rows.Jsize[0], 6);
        const MeReal slip = w->rows.slipfactor[5];
        EXPECT_GE(slip / h + w->epsilon, 0.0f) << k;
        EXPECT_NEAR(slip / h + w->epsilon, 1 / (h * h * k), 1e-4f * (1 + 1 / (h * h * k))) << k;
        EXPECT_NEAR(w->rows.xi[5], 0.2f, 1e-5);
        EXPECT_EQ(w->rows.hi[5], 0.0f);  // over the upper stop the row only pushes back
        EXPECT_EQ(w->rows.lo[5], -FLT_MAX);
    }
    // Hard stop hit slowly: the position is corrected instead of bouncing.
    MdtSingleLimitSetStiffness(MdtLimitGetUpper(limit), FLT_MAX);
    MdtBodySetAngularVelocity(b, 0, 0, 0.01f);
    pack();
    EXPECT_EQ(limit->bounceSuppressed, 1);
    EXPECT_EQ(w->rows.c[5], 0.0f);
    EXPECT_NEAR(w->rows.xi[5], 0.2f, 1e-5);
    // A stop of stiffness 0 holds nothing: no row.
    MdtSingleLimitSetStiffness(MdtLimitGetUpper(limit), 0);
    pack();
    EXPECT_EQ(w->rows.Jsize[0], 5);
    MdtWorldDestroy(w);
}
