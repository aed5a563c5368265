#include "physics/dynamics/body.h"
#include "physics/dynamics/constraint.h"
#include "physics/dynamics/joints.h"
#include "physics/dynamics/kea_cpu.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/row_storage.h"
#include "physics/dynamics/world.h"
#include "physics/dynamics/world_step.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Silences the info messages of world creation and records warnings.
struct QuietChannels {
    static inline int warnings = 0;
    static void CountWarning(int, const char*, va_list) { ++warnings; }
    MeMessageHandler info = MeSetInfoHandler(MeNullMessageHandler);
    MeMessageHandler warning = MeSetWarningHandler(CountWarning);
    QuietChannels() { warnings = 0; }
    ~QuietChannels()
    {
        MeSetInfoHandler(info);
        MeSetWarningHandler(warning);
    }
};

std::vector<MdtBody*> enabledSeen, disabledSeen;
void OnEnabled(MdtBody* b) { enabledSeen.push_back(b); }
void OnDisabled(MdtBody* b) { disabledSeen.push_back(b); }

bool Aligned(const void* p, std::uintptr_t a) { return reinterpret_cast<std::uintptr_t>(p) % a == 0; }

int allocationsLeft = 0;
void* FailingCreate(std::size_t size) { return allocationsLeft-- > 0 ? MeDefaultMalloc(size) : nullptr; }
void* FailingCreateZeroed(std::size_t size) { return allocationsLeft-- > 0 ? MeDefaultCalloc(size) : nullptr; }

}  // namespace

TEST(MdtWorld, CreateSizesArraysAndRejectsBadCapacities)
{
    QuietChannels quiet;
    EXPECT_EQ(MdtWorldCreate(0, 10), nullptr);
    EXPECT_EQ(MdtWorldCreate(-3, 10), nullptr);
    EXPECT_EQ(MdtWorldCreate(5, -1), nullptr);

    for (int round = 0; round < 3; ++round) {  // repeated under the sanitizers: nothing leaks
        MdtWorld* w = MdtWorldCreate(300, 250);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->rows.max_constraint_rows, 2508);
        EXPECT_EQ(w->rows.max_partitions, 300);
        EXPECT_EQ(w->rows.max_constraints, 250);
        EXPECT_TRUE(Aligned(w->rows.Jstore, 64));
        EXPECT_TRUE(Aligned(w->rows.xgamma, 64));
        EXPECT_TRUE(Aligned(w->stepTransforms, 64));
        EXPECT_TRUE(Aligned(w->solverBodies, 64));
        // Per-row arrays start zero-filled, the last entries included.
        EXPECT_EQ(w->rows.lo[2507], 0.0f);
        EXPECT_EQ(w->rows.Jstore[2508 * 12 - 1], 0.0f);
        w->solverBodies[299] = nullptr;  // pointer-sized entries for every body
        EXPECT_EQ(w->epsilon, 0.01f);
        EXPECT_EQ(w->gamma, 0.2f);
        EXPECT_EQ(w->autoDisable.restSteps, 10);
        EXPECT_EQ(w->autoDisable.maxRows, 0x7fffffff);
        EXPECT_STREQ(w->version, "1.1.0 (build 631)");
        EXPECT_TRUE(w->solverVariant == 1 || w->solverVariant == 2);
        MdtWorldSetGamma(w, 0.3f);
        EXPECT_EQ(w->workingGamma, 0.3f);
        EXPECT_EQ(MdtWorldGetBodyCount(w), 0);
        EXPECT_EQ(MdtWorldGetConstraintCount(w), 0);
        MdtWorldDestroy(w);
    }

    EXPECT_EQ(MdtMaxConstraintRows(1), 12);
    EXPECT_EQ(MdtMaxConstraintRows(6), 60);
    EXPECT_EQ(MdtMaxConstraintRows(7), 72);

    MdtWorld* noConstraints = MdtWorldCreate(4, 0);
    ASSERT_NE(noConstraints, nullptr);
    EXPECT_EQ(noConstraints->rows.max_constraint_rows, 0);
    EXPECT_EQ(noConstraints->rows.Jstore, nullptr);
    EXPECT_EQ(noConstraints->rows.lambda, nullptr);
    EXPECT_EQ(MdtConstraintCreate(noConstraints), nullptr);
    MdtWorldDestroy(noConstraints);
}

TEST(MdtWorld, CreateFreesEverythingWhenAnAllocationFails)
{
    QuietChannels quiet;
    MeMessageHandler fatal = MeSetFatalErrorHandler(MeNullMessageHandler);
    MeMemoryFunctions saved = MeMemoryAPI;
    MeMemoryAPI.create = FailingCreate;
    MeMemoryAPI.createZeroed = FailingCreateZeroed;
    int failures = 0;
    for (int allowed = 0; allowed < 60; ++allowed) {
        allocationsLeft = allowed;
        testing::internal::CaptureStdout();
        MdtWorld* w = MdtWorldCreate(8, 8);
        testing::internal::GetCapturedStdout();
        if (w)
            MdtWorldDestroy(w);
        else
            ++failures;
    }
    MeMemoryAPI = saved;
    MeSetFatalErrorHandler(fatal);
    EXPECT_GT(failures, 10);  // each failure point was hit; the sanitizers catch any leak
}

TEST(MdtBody, CreateDestroyAndPoolLimit)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(2, 4);
    MdtBody* a = MdtBodyCreate(w);
    MdtBody* b = MdtBodyCreate(w);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(Aligned(a, 16));
    EXPECT_EQ(MdtBodyCreate(w), nullptr);
    EXPECT_EQ(MdtWorldGetBodyCount(w), 2);
    EXPECT_EQ(a->state, 100);
    EXPECT_EQ(MdtBodyIsEnabled(a), 0);
    EXPECT_EQ(MdtBodyGetMass(a), 1.0f);
    EXPECT_EQ(a->kea.invI1[1], 2.5f);
    EXPECT_EQ(a->kea.qrot[0], 1.0f);
    EXPECT_EQ(a->stepValue, FLT_MAX);
    EXPECT_EQ(w->bodyTree.count, 2);
    MdtBodyDestroy(a);
    EXPECT_EQ(MdtWorldGetBodyCount(w), 1);
    EXPECT_EQ(w->bodyTree.count, 1);
    EXPECT_EQ(MdtBodyCreate(w), a);  // the record comes back from the pool
    MdtWorldDestroy(w);
}

TEST(MdtBody, EnableAndDisableCallTheWorldHooks)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtWorldSetBodyHooks(w, OnEnabled, OnDisabled);
    enabledSeen.clear();
    disabledSeen.clear();
    MdtBody* b = MdtBodyCreate(w);
    MdtBodyEnable(b);
    b->stepsSinceEnabled = 7;
    MdtBodyEnable(b);  // already enabled: counted once, steps reset
    EXPECT_EQ(MdtWorldGetEnabledBodyCount(w), 1);
    EXPECT_EQ(b->stepsSinceEnabled, 0);
    EXPECT_EQ(enabledSeen, std::vector<MdtBody*>{b});
    EXPECT_EQ(w->enabledBodyTree.count, 1);
    MdtBodyDisable(b);
    MdtBodyDisable(b);
    EXPECT_EQ(disabledSeen, std::vector<MdtBody*>{b});
    EXPECT_EQ(b->stepsSinceEnabled, -1);
    EXPECT_EQ(MdtWorldGetEnabledBodyCount(w), 0);

    MdtBodyEnable(b);
    MdtBodyDestroy(b);  // destroying an enabled body disables it once
    EXPECT_EQ(disabledSeen.size(), 2u);
    EXPECT_EQ(MdtWorldGetEnabledBodyCount(w), 0);
    EXPECT_EQ(MdtWorldGetBodyCount(w), 0);
    EXPECT_EQ(b->state, -1);
    MdtWorldDestroy(w);
}

TEST(MdtBody, DestroyDisablesItsConstraints)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtBody* a = MdtBodyCreate(w);
    MdtBody* b = MdtBodyCreate(w);
    MdtConstraint* c = MdtConstraintCreate(w);
    MdtConstraint* lonely = MdtConstraintCreate(w);
    ASSERT_NE(c, nullptr);
    MdtConstraintSetBodies(c, a, b);
    MdtConstraintEnable(c);
    EXPECT_EQ(MdtConstraintIsEnabled(c), 1);
    EXPECT_EQ(a->constraintTree.count, 1);
    EXPECT_EQ(b->constraintTree.count, 1);
    EXPECT_EQ(w->nEnabledConstraints, 1);
    MdtConstraintSetBodies(lonely, nullptr, b);  // second body only: refused with a warning
    MdtConstraintEnable(lonely);
    EXPECT_EQ(MdtConstraintIsEnabled(lonely), 0);
    EXPECT_EQ(QuietChannels::warnings, 1);
    EXPECT_EQ(MdtWorldGetConstraintCount(w), 2);

    MdtBodyDestroy(a);
    EXPECT_EQ(MdtConstraintIsEnabled(c), 0);
    EXPECT_EQ(b->constraintTree.count, 0);
    EXPECT_EQ(w->nEnabledConstraints, 0);
    MdtConstraintDestroy(c);
    MdtConstraintDestroy(lonely);
    EXPECT_EQ(MdtWorldGetConstraintCount(w), 0);
    MdtWorldDestroy(w);
}

// A joint whose body was destroyed (enabled or not when it went) lets go of it: enabling it
// again is refused with a warning until its bodies are set anew, so the next body made from
// the same record is not joined by it, and the world steps on.
TEST(MdtBody, AJointDoesNotBringBackADestroyedBody)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtBody* a = MdtBodyCreate(w);
    MdtBody* b = MdtBodyCreate(w);
    MdtConstraint* on = MdtBallJointCreate(w);
    MdtConstraint* off = MdtBallJointCreate(w);
    for (MdtConstraint* j : {on, off}) {
        MdtConstraintSetBodies(j, a, b);
        MdtBallJointSetPosition(j, 0.5f, 0, 0);
    }
    MdtConstraintEnable(on);
    MdtBodyEnable(a);
    MdtBodyEnable(b);
    MdtBodyDestroy(b);
    EXPECT_EQ(MdtConstraintIsEnabled(on), 0);
    for (MdtConstraint* j : {on, off}) {
        EXPECT_EQ(MdtConstraintGetBody(j, 1), nullptr);
        MdtConstraintEnable(j);
        EXPECT_EQ(MdtConstraintIsEnabled(j), 0);
    }
    EXPECT_EQ(QuietChannels::warnings, 2);
    EXPECT_EQ(w->nEnabledConstraints, 0);
    MdtBody* c = MdtBodyCreate(w);
    ASSERT_EQ(c, b);  // the same record
    MdtBodyEnable(c);
    MdtBodySetLinearVelocity(c, 0, 3, 0);
    for (int i = 0; i < 10; ++i)
        MdtWorldStep(w, 0.02f);
    EXPECT_EQ(c->constraintTree.count, 0);
    EXPECT_NEAR(c->kea.vel[1], 3, 1e-5f);
    // Set anew, the joint holds again.
    MdtConstraintSetBodies(on, a, c);
    MdtConstraintEnable(on);
    EXPECT_EQ(MdtConstraintIsEnabled(on), 1);
    MdtWorldStep(w, 0.02f);
    MdtWorldDestroy(w);
}

TEST(MdtBody, MassInertiaTransformVelocityDampingAndForces)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(2, 0);
    MdtBody* b = MdtBodyCreate(w);
    MdtBodySetMass(b, 2);
    EXPECT_EQ(b->kea.invmass, 0.5f);
    for (MeReal bad : {0.0f, -1.0f, NAN, INFINITY})
        MdtBodySetMass(b, bad);
    EXPECT_EQ(QuietChannels::warnings, 4);
    EXPECT_EQ(MdtBodyGetMass(b), 2.0f);
    EXPECT_EQ(b->kea.invmass, 0.5f);

    MeReal I[9];
    EXPECT_EQ(MdtMakeInertiaTensorBox(12, 1, 2, 3, I), 0);
    EXPECT_FLOAT_EQ(I[0], 13);
    EXPECT_FLOAT_EQ(I[4], 10);
    EXPECT_FLOAT_EQ(I[8], 5);
    EXPECT_EQ(I[1], 0);
    I[1] = I[3] = 1;  // an off-diagonal term tests the full inverse
    MdtBodySetInertiaTensor(b, I);
    // Zero, negative, not finite or not positive definite: refused like a bad mass.
    {
        const int before = QuietChannels::warnings;
        const MeReal zero[9] = {}, negative[9] = {-1, 0, 0, 0, 1, 0, 0, 0, 1}, flat[9] = {1, 2, 0, 2, 1, 0, 0, 0, 1};
        const MeReal nan[9] = {1, 0, 0, 0, NAN, 0, 0, 0, 1}, huge[9] = {1, 0, 0, 0, INFINITY, 0, 0, 0, 1};
        for (const MeReal* bad : {zero, negative, flat, nan, huge})
            MdtBodySetInertiaTensor(b, bad);
        EXPECT_EQ(QuietChannels::warnings, before + 5);
        MeReal kept[9];
        MdtBodyGetInertiaTensor(b, kept);
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(kept[i], I[i]) << i;
    }
    const MeReal* inv[3] = {b->kea.invI0, b->kea.invI1, b->kea.invI2};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            MeReal sum = 0;
            for (int k = 0; k < 3; ++k)
                sum += I[3 * i + k] * inv[k][j];
            EXPECT_NEAR(sum, i == j ? 1 : 0, 1e-6);
        }

    // A pure translation leaves the orientation alone and moves the centre of mass.
    MeMatrix4 m;
    MeMatrix4TMMakeIdentity(m);
    m[3][0] = 1, m[3][1] = 2, m[3][2] = 3;
    MdtBodySetTransform(b, m);
    EXPECT_EQ(b->kea.qrot[0], 1.0f);
    EXPECT_EQ(b->comTM[3][2], 3.0f);
    MeReal pos[3];
    MdtBodyGetPosition(b, pos);
    EXPECT_EQ(pos[1], 2.0f);
    EXPECT_EQ(MdtBodyGetTransformPtr(b)[13], 2.0f);

    // A rotation comes through as the matching quaternion.
    MeReal q[4] = {std::cos(0.3f), std::sin(0.3f), 0, 0};
    MeQuaternionToTM(m, q);
    MdtBodySetTransform(b, m);
    EXPECT_NEAR(b->kea.qrot[0], q[0], 1e-6);
    EXPECT_NEAR(b->kea.qrot[1], q[1], 1e-6);

    MdtBodySetLinearVelocity(b, 1, 0, 0);
    MdtBodySetAngularVelocity(b, 0, 0, 2);
    MeReal v[3];
    MdtBodyGetAngularVelocity(b, v);
    EXPECT_EQ(v[2], 2.0f);
    EXPECT_EQ(MdtBodyGetLinearVelocityPtr(b), b->kea.vel);
    MeReal p[3] = {pos[0], pos[1] + 1, pos[2]}, vp[3];
    MdtBodyGetVelocityAtPoint(b, p, vp);  // w x r = (0,0,2) x (0,1,0) = (-2,0,0)
    EXPECT_FLOAT_EQ(vp[0], -1);
    EXPECT_FLOAT_EQ(vp[1], 0);

    MdtBodySetLinearVelocityDamping(b, 0.5f);
    MdtBodySetAngularVelocityDamping(b, 0.25f);
    EXPECT_EQ(b->linearDamping, 0.5f);
    EXPECT_EQ(b->angularDamping, 0.25f);

    MdtBodyAddForce(b, 1, 2, 3);
    MdtBodyAddForce(b, 1, 0, 0);
    MdtBodyAddTorque(b, 0, 0, -1);
    MeReal f[3], t[3];
    MdtBodyGetForce(b, f);
    MdtBodyGetTorque(b, t);
    EXPECT_EQ(f[0], 2.0f);
    EXPECT_EQ(t[2], -1.0f);
    MdtBodyResetForces(b);
    MdtBodyGetForce(b, f);
    EXPECT_EQ(f[0], 0.0f);
    MdtBodyAddImpulse(b, 1, 0, 0);
    EXPECT_EQ(b->impulseFlag, 1);
    MdtBodyResetImpulses(b);
    EXPECT_EQ(b->impulseLinear[0], 0.0f);

    MdtBodyReset(b);
    EXPECT_EQ(MdtBodyGetMass(b), 1.0f);
    EXPECT_EQ(b->kea.vel[0], 0.0f);
    EXPECT_EQ(b->transform[3][0], 0.0f);
    MdtWorldDestroy(w);
}

TEST(MdtBody, OffsetFramesAndConversions)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(2, 0);
    MdtBody* b = MdtBodyCreate(w);
    // Centre of mass half a unit along the body's x axis.
    b->offsetFlag = 1;
    b->relTM[3][0] = -0.5f;
    MeMatrix4 m;
    MeReal q[4] = {std::cos(ME_PI / 4), 0, 0, std::sin(ME_PI / 4)};  // 90 degrees about z
    MeMatrix4TMMakeIdentity(m);
    MeQuaternionToTM(m, q);
    m[3][0] = 10;
    MdtBodySetTransform(b, m);
    EXPECT_NEAR(b->comTM[3][0], 10, 1e-6);
    EXPECT_NEAR(b->comTM[3][1], 0.5f, 1e-6);  // body x maps to world y
    MdtBodyUpdateTransformFromCom(b);
    EXPECT_NEAR(b->transform[3][0], 10, 1e-6);
    EXPECT_NEAR(b->transform[3][1], 0, 1e-6);

    MeReal worldPoint[3] = {10, 1.5f, 0}, local[3];
    MdtConvertPosition(nullptr, worldPoint, b, local);
    EXPECT_NEAR(local[0], 1, 1e-6);  // one unit along the body's x from the centre of mass
    MeReal dir[3] = {0, 1, 0}, localDir[3];
    MdtConvertVector(nullptr, dir, b, localDir);
    EXPECT_NEAR(localDir[0], 1, 1e-6);
    MdtConvertPosition(nullptr, worldPoint, nullptr, local);
    EXPECT_EQ(local[1], 1.5f);
    MdtWorldDestroy(w);
}

TEST(MdtBody, IsMovingTestsInOrderWithStrictThresholds)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(2, 0);
    MdtBody* b = MdtBodyCreate(w);
    const MdtAutoDisableParams& t = w->autoDisable;
    MdtBodyEnable(b);
    EXPECT_EQ(MdtBodyIsMoving(b, &t), 1);  // just enabled
    b->stepsSinceEnabled = 10;
    EXPECT_EQ(MdtBodyIsMoving(b, &t), 0);
    MdtBodySetLinearVelocity(b, std::sqrt(0.02f), 0, 0);
    b->kea.vel[0] = 0;
    b->kea.vel[1] = 0.1f;  // squared speed 0.01: at rest
    EXPECT_EQ(MdtBodyIsMoving(b, &t), 0);
    b->kea.vel[1] = 0.2f;
    EXPECT_EQ(MdtBodyIsMoving(b, &t), 1);
    b->kea.vel[1] = 0;
    b->kea.accelrot[2] = 0.05f;  // 0.0025 > 0.002
    EXPECT_EQ(MdtBodyIsMoving(b, &t), 1);
    MdtWorldDestroy(w);
}

TEST(MdtConstraint, DefaultAxisAndPositionsInBodyFrames)
{
    QuietChannels quiet;
    MdtWorld* w = MdtWorldCreate(2, 2);
    MdtBody* b = MdtBodyCreate(w);
    MeMatrix4 m;
    MeMatrix4TMMakeIdentity(m);
    m[3][0] = 2;
    MdtBodySetTransform(b, m);
    MdtConstraint* c = MdtConstraintCreate(w);
    MdtConstraintSetBodies(c, b, nullptr);
    MdtConstraintSetAxis(c, 0, 0, 0);
    EXPECT_EQ(c->attach[0][0][0], 1.0f);
    EXPECT_EQ(c->attach[0][1][2], -1.0f);  // p = (0, 0, -1)
    EXPECT_EQ(c->attach[0][2][1], 1.0f);   // q = (0, 1, 0)
    MdtConstraintSetAxis(c, 0, 0, std::sqrt(1.0005f));
    EXPECT_EQ(c->attach[1][0][2], std::sqrt(1.0005f));  // within 0.001 of unit: stored as given
    MdtConstraintSetAxis(c, 0, 0, std::sqrt(1.002f));
    EXPECT_FLOAT_EQ(c->attach[1][0][2], 1.0f);
    MdtConstraintSetPosition(c, 3, 1, 0);
    EXPECT_EQ(c->attach[0][3][0], 1.0f);  // relative to body 0's centre of mass
    EXPECT_EQ(c->attach[1][3][0], 3.0f);  // world for the absent body
    MdtConstraintEnable(c);
    MdtConstraintSetBodies(c, nullptr, nullptr);  // ignored while enabled
    EXPECT_EQ(MdtConstraintGetBody(c, 0), b);
    MdtConstraintSetKey(c, 5);
    EXPECT_EQ(c->key, 0);
    MdtConstraintDestroy(c);
    EXPECT_EQ(c->type, -1);
    EXPECT_EQ(b->constraintTree.count, 0);
    MdtWorldDestroy(w);
}
