#include "physics/dynamics/body.h"

#include "physics/dynamics/constraint.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/world.h"

#include <cmath>
#include <cstring>

namespace {

void Zero4(MeReal* v) { v[0] = v[1] = v[2] = v[3] = 0; }

}  // namespace

MdtBody* MdtBodyCreate(MdtWorld* world)
{
    MdtBody* b = static_cast<MdtBody*>(MeFixedPoolGet(&world->bodyPool));
    if (!b)
        return nullptr;
    std::memset(static_cast<void*>(b), 0, sizeof(MdtBody));
    b->world = world;
    b->state = 100;
    b->state2 = 240;
    b->key = 0;
    b->flags = 0;
    MeRBTreeNodeInit(&b->worldNode, 0);
    MeRBTreeNodeInit(&b->enabledNode, 0);
    b->worldNode.data = b;
    b->enabledNode.data = b;
    MdtBodyReset(b);
    MeRBTreeInsert(&world->bodyTree, &b->worldNode, b->key);
    MeRBTreeInit(&b->constraintTree, 1000000, MeCompareIntegers);
    MeRBTreeSetIntrusive(&b->constraintTree);
    ++world->nBodies;
    return b;
}

void MdtBodyDestroy(MdtBody* b)
{
    if (!b || b->state != 100)
        return;
    // Every constraint of the world that names this body lets go of it, enabled or not (a
    // disabled one is in no body's tree, so the world's pool is searched): one enabled later
    // would lead the step back to the pooled record, or to the next body made from it.
    MdtWorld* world = b->world;
    MeFixedPool& pool = world->constraintPool;
    for (int i = 0; i < pool.used; ++i) {
        auto* c = static_cast<MdtConstraint*>(pool.freeList[i]);
        if (c->body[0] != b && c->body[1] != b)
            continue;
        MdtConstraintDisable(c);
        for (MdtBody*& used : c->body)
            if (used == b)
                used = nullptr;
        c->flags |= MdtConstraintFlagBodyLost;
    }
    MeRBTreeRemove(&world->bodyTree, &b->worldNode);
    if (b->flags & MdtBodyFlagEnabled)
        MdtBodyDisable(b);
    b->state = -1;
    --world->nBodies;
    MeFixedPoolPut(&world->bodyPool, b);
}

void MdtBodyReset(MdtBody* b)
{
    if (b->flags & MdtBodyFlagEnabled)
        MdtBodyDisable(b);
    MeMatrix4TMMakeIdentity(b->comTM);
    MeMatrix4TMMakeIdentity(b->transform);
    MeMatrix4TMMakeIdentity(b->relTM);
    Zero4(b->impulseLinear);
    Zero4(b->impulseAngular);
    b->kea = ::keaBody{};
    b->offsetFlag = 0;
    b->impulseFlag = 0;
    b->partitionIndex = b->arrayIndex = b->partitionArrayIndex = -1;
    b->flags = 0;
    b->mass = 1;
    b->linearDamping = 0;
    b->angularDamping = 0;
    b->stepsSinceEnabled = -1;
    b->stepValue = FLT_MAX;
    MeQuaternionToTM(b->comTM, b->kea.qrot);
    b->comTM[3][0] = b->comTM[3][1] = b->comTM[3][2] = 0;
}

void MdtBodyEnable(MdtBody* b)
{
    if (!(b->flags & MdtBodyFlagEnabled)) {
        MdtWorld* world = b->world;
        MeRBTreeNodeInit(&b->enabledNode, b->key);
        MeRBTreeInsert(&world->enabledBodyTree, &b->enabledNode, b->key);
        b->flags |= MdtBodyFlagEnabled;
        ++world->nEnabledBodies;
        if (world->bodyEnabledHook)
            world->bodyEnabledHook(b);
    }
    b->stepsSinceEnabled = 0;
}

void MdtBodyDisable(MdtBody* b)
{
    if (!(b->flags & MdtBodyFlagEnabled))
        return;
    MdtWorld* world = b->world;
    MeRBTreeRemove(&world->enabledBodyTree, &b->enabledNode);
    b->flags &= ~MdtBodyFlagEnabled;
    b->stepsSinceEnabled = -1;
    b->partitionIndex = -1;
    --world->nEnabledBodies;
    if (world->bodyDisabledHook)
        world->bodyDisabledHook(b);
}

int MdtBodyIsEnabled(const MdtBody* b) { return (b->flags & MdtBodyFlagEnabled) ? 1 : 0; }

MeReal MdtBodyGetMass(const MdtBody* b) { return b->mass; }

void MdtBodySetMass(MdtBody* b, MeReal mass)
{
    if (!(mass > 0) || !std::isfinite(mass)) {
        MeWarning(0, "MdtBodySetMass: mass %g ignored; it must be positive and finite.\n", static_cast<double>(mass));
        return;
    }
    b->mass = mass;
    b->kea.invmass = 1 / mass;
}

void MdtBodySetInertiaTensor(MdtBody* b, const MeReal I[9])
{
    // A tensor must be finite and positive definite (leading minors above 0), or the
    // inverse the solver uses is meaningless.
    bool finite = true;
    for (int i = 0; i < 9; ++i)
        finite = finite && std::isfinite(I[i]);
    const double m1 = I[0], m2 = double(I[0]) * I[4] - double(I[1]) * I[3];
    const double m3 = I[0] * (double(I[4]) * I[8] - double(I[5]) * I[7]) - I[1] * (double(I[3]) * I[8] - double(I[5]) * I[6]) +
                      I[2] * (double(I[3]) * I[7] - double(I[4]) * I[6]);
    if (!finite || !(m1 > 0 && m2 > 0 && m3 > 0)) {
        MeWarning(0, "MdtBodySetInertiaTensor: tensor (%g %g %g) ignored; it must be finite and positive definite.\n",
                  static_cast<double>(I[0]), static_cast<double>(I[4]), static_cast<double>(I[8]));
        return;
    }
    MeReal* rows[3] = {b->kea.I0, b->kea.I1, b->kea.I2};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            rows[i][j] = I[3 * i + j];
    MeMatrix3SymmetricInverse(I, b->kea.invI0, b->kea.invI1, b->kea.invI2);
}

void MdtBodyGetInertiaTensor(const MdtBody* b, MeReal out[9])
{
    const MeReal* rows[3] = {b->kea.I0, b->kea.I1, b->kea.I2};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out[3 * i + j] = rows[i][j];
}

void MdtBodyGetLinearVelocity(const MdtBody* b, MeReal out[3]) { MeVector3Copy(out, b->kea.vel); }
void MdtBodyGetAngularVelocity(const MdtBody* b, MeReal out[3]) { MeVector3Copy(out, b->kea.velrot); }
MeReal* MdtBodyGetLinearVelocityPtr(MdtBody* b) { return b->kea.vel; }
MeReal* MdtBodyGetAngularVelocityPtr(MdtBody* b) { return b->kea.velrot; }
void MdtBodySetLinearVelocity(MdtBody* b, MeReal x, MeReal y, MeReal z) { MeVector3Set(b->kea.vel, x, y, z); }
void MdtBodySetAngularVelocity(MdtBody* b, MeReal x, MeReal y, MeReal z) { MeVector3Set(b->kea.velrot, x, y, z); }
void MdtBodySetLinearVelocityDamping(MdtBody* b, MeReal c) { b->linearDamping = c; }
void MdtBodySetAngularVelocityDamping(MdtBody* b, MeReal c) { b->angularDamping = c; }

void MdtBodyGetTransform(const MdtBody* b, MeMatrix4 out) { MeMatrix4Copy(out, b->transform); }
const MeReal* MdtBodyGetTransformPtr(const MdtBody* b) { return &b->transform[0][0]; }

void MdtBodySetTransform(MdtBody* b, const MeMatrix4 m)
{
    MeMatrix4Copy(b->transform, m);
    MdtBodyUpdateComFromTransform(b);
}

void MdtBodyGetPosition(const MdtBody* b, MeReal out[3]) { MeVector3Copy(out, b->transform[3]); }

void MdtBodyGetOrientation(const MdtBody* b, MeReal q[4])
{
    for (int i = 0; i < 4; ++i)
        q[i] = b->kea.qrot[i];
}

void MdtBodyResetForces(MdtBody* b)
{
    Zero4(b->kea.force);
    Zero4(b->kea.torque);
}

void MdtBodyResetImpulses(MdtBody* b)
{
    Zero4(b->impulseLinear);
    Zero4(b->impulseAngular);
    b->impulseFlag = 0;
}

void MdtBodyAddForce(MdtBody* b, MeReal x, MeReal y, MeReal z)
{
    b->kea.force[0] += x, b->kea.force[1] += y, b->kea.force[2] += z;
}

void MdtBodyAddTorque(MdtBody* b, MeReal x, MeReal y, MeReal z)
{
    b->kea.torque[0] += x, b->kea.torque[1] += y, b->kea.torque[2] += z;
}

void MdtBodyAddImpulse(MdtBody* b, MeReal x, MeReal y, MeReal z)
{
    b->impulseLinear[0] += x, b->impulseLinear[1] += y, b->impulseLinear[2] += z;
    b->impulseFlag = 1;
}

void MdtBodyGetForce(const MdtBody* b, MeReal out[3]) { MeVector3Copy(out, b->kea.force); }
void MdtBodyGetTorque(const MdtBody* b, MeReal out[3]) { MeVector3Copy(out, b->kea.torque); }

void MdtBodyGetVelocityAtPoint(const MdtBody* b, const MeReal p[3], MeReal out[3])
{
    MeReal r[3], wxr[3];
    MeVector3Subtract(r, p, b->comTM[3]);
    MeVector3Cross(wxr, b->kea.velrot, r);
    MeVector3Add(out, b->kea.vel, wxr);
}

void MdtBodyUpdateComFromTransform(MdtBody* b)
{
    if (b->offsetFlag) {
        MeMatrix4 inv;
        MeMatrix4Copy(inv, b->relTM);
        MeMatrix4RigidInvertInPlace(inv);
        MeMatrix4Multiply(b->comTM, inv, b->transform);
    } else {
        MeMatrix4Copy(b->comTM, b->transform);
    }
    MeMatrix4ToQuaternion(b->kea.qrot, b->comTM);
}

void MdtBodyUpdateTransformFromCom(MdtBody* b)
{
    if (b->offsetFlag)
        MeMatrix4Multiply(b->transform, b->relTM, b->comTM);
    else
        MeMatrix4Copy(b->transform, b->comTM);
}

void MdtConvertVector(const MeMatrix4 frame, const MeReal v[3], const MdtBody* body, MeReal out[3])
{
    MeReal world[3];
    if (frame)
        MeMatrix4TMRotate(world, frame, v);
    else
        MeVector3Copy(world, v);
    if (body)
        MeMatrix4TMInverseRotate(out, body->comTM, world);
    else
        MeVector3Copy(out, world);
}

void MdtConvertPosition(const MeMatrix4 frame, const MeReal p[3], const MdtBody* body, MeReal out[3])
{
    MeReal world[3];
    if (frame)
        MeMatrix4TMTransform(world, frame, p);
    else
        MeVector3Copy(world, p);
    if (body)
        MeMatrix4TMInverseTransform(out, body->comTM, world);
    else
        MeVector3Copy(out, world);
}

int MdtMakeInertiaTensorBox(MeReal mass, MeReal x, MeReal y, MeReal z, MeReal out[9])
{
    for (int i = 0; i < 9; ++i)
        out[i] = 0;
    const MeReal k = mass * 0.083333336f;
    out[0] = k * (y * y + z * z);
    out[4] = k * (x * x + z * z);
    out[8] = k * (x * x + y * y);
    return 0;
}

int MdtMakeInertiaTensorSphere(MeReal mass, MeReal radius, MeReal out[9])
{
    for (int i = 0; i < 9; ++i)
        out[i] = 0;
    out[0] = out[4] = out[8] = 0.4f * mass * radius * radius;
    return 0;
}

void MdtBodyForAllConstraints(MdtBody* b, MdtBodyConstraintFn callback, void* argument)
{
    for (MeRBTreeNode* n = MeRBTreeFirst(&b->constraintTree); n;) {
        MeRBTreeNode* next = MeRBTreeNext(&b->constraintTree, n);
        callback(static_cast<MdtConstraint*>(n->data), argument);
        n = next;
    }
}

int MdtBodyIsMoving(const MdtBody* b, const MdtAutoDisableParams* t)
{
    const keaBody& k = b->kea;
    if (MeVector3MagnitudeSqr(k.vel) > t->velocityThreshold)
        return 1;
    if (MeVector3MagnitudeSqr(k.velrot) > t->angularThreshold)
        return 1;
    if (MeVector3MagnitudeSqr(k.accel) > t->accelerationThreshold)
        return 1;
    if (MeVector3MagnitudeSqr(k.accelrot) > t->accelerationThreshold)
        return 1;
    return b->stepsSinceEnabled < t->restSteps ? 1 : 0;
}
