#include "physics/dynamics/constraint.h"

#include "physics/dynamics/body.h"
#include "physics/dynamics/contact.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/world.h"

#include <cmath>
#include <cstring>

MdtConstraint* MdtConstraintCreate(MdtWorld* world)
{
    MdtConstraint* c = static_cast<MdtConstraint*>(MeFixedPoolGet(&world->constraintPool));
    if (!c) {
        MeWarning(0, "MdtConstraintCreate: all %d constraints of the world are in use.\n", world->constraintPool.count);
        return nullptr;
    }
    std::memset(static_cast<void*>(c), 0, sizeof(MdtConstraint));
    c->world = world;
    c->setBodies = MdtConstraintDefaultSetBodies;
    c->setAxis = MdtConstraintDefaultSetAxis;
    c->type = -1;
    MdtConstraintReset(c);
    return c;
}

void MdtConstraintDestroy(MdtConstraint* c)
{
    if (!c)
        return;
    // A contact leaves its group first, and a group takes its contacts with it, so no list
    // keeps a record that went back to the pool.
    if (c->type == MdtTypeContact && c->contact.group)
        MdtContactGroupRemove(c->contact.group, c);
    if (c->type == MdtTypeContactGroup) {
        for (MdtConstraint* k = c->group.first; k;) {
            MdtConstraint* next = k->contact.next;
            k->contact.group = nullptr;
            MdtConstraintDestroy(k);
            k = next;
        }
        c->group.first = c->group.last = nullptr;
        c->group.count = 0;
    }
    MdtConstraintDisable(c);
    c->type = -1;
    MeFixedPoolPut(&c->world->constraintPool, c);
}

void MdtConstraintReset(MdtConstraint* c)
{
    c->bodyIndex[0] = c->bodyIndex[1] = -1;
    c->flags = 0;
    std::memset(c->force, 0, sizeof c->force);
    MeMatrix4TMMakeIdentity(c->attach[0]);
    MeMatrix4TMMakeIdentity(c->attach[1]);
    MeRBTreeNodeInit(&c->worldNode, c->key);
    MeRBTreeNodeInit(&c->bodyNode[0], c->key);
    MeRBTreeNodeInit(&c->bodyNode[1], c->key);
    c->worldNode.data = c->bodyNode[0].data = c->bodyNode[1].data = c;
}

void MdtConstraintEnable(MdtConstraint* c)
{
    if (c->flags & MdtConstraintFlagEnabled)
        return;
    if (c->flags & MdtConstraintFlagBodyLost) {
        MeWarning(0, "MdtConstraintEnable: a body of this constraint was destroyed; it stays disabled until its "
                     "bodies are set again.\n");
        return;
    }
    if (!c->body[0]) {
        if (c->body[1])
            MeWarning(0, "MdtConstraintEnable: a constraint needs its first body; it stays disabled.\n");
        return;
    }
    MdtWorld* world = c->world;
    c->flags |= MdtConstraintFlagEnabled;
    MeRBTreeNodeInit(&c->worldNode, c->key);
    MeRBTreeInsert(&world->enabledConstraintTree, &c->worldNode, c->key);
    ++world->nEnabledConstraints;
    for (int i = 0; i < 2; ++i) {
        if (c->body[i]) {
            MeRBTreeNodeInit(&c->bodyNode[i], c->key);
            MeRBTreeInsert(&c->body[i]->constraintTree, &c->bodyNode[i], c->key);
        }
    }
}

void MdtConstraintDisable(MdtConstraint* c)
{
    if (!(c->flags & MdtConstraintFlagEnabled))
        return;
    MdtWorld* world = c->world;
    c->flags &= ~MdtConstraintFlagEnabled;
    MeRBTreeRemove(&world->enabledConstraintTree, &c->worldNode);
    --world->nEnabledConstraints;
    for (int i = 0; i < 2; ++i)
        if (c->body[i] && MeRBTreeNodeIsLinked(&c->bodyNode[i]))
            MeRBTreeRemove(&c->body[i]->constraintTree, &c->bodyNode[i]);
}

int MdtConstraintIsEnabled(const MdtConstraint* c) { return (c->flags & MdtConstraintFlagEnabled) ? 1 : 0; }

void MdtConstraintSetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1)
{
    c->setBodies(c, body0, body1);
    if (!(c->flags & MdtConstraintFlagEnabled))
        c->flags &= ~MdtConstraintFlagBodyLost;
}

void MdtConstraintRebindBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1)
{
    if (c->flags & MdtConstraintFlagEnabled)
        return;
    MdtBody* const next[2] = {body0, body1};
    for (int i = 0; i < 2; ++i) {
        const MdtBody* from = c->body[i];
        const MdtBody* to = next[i];
        if (from == to)
            continue;
        const MeReal(*frame)[4] = from ? from->comTM : nullptr;
        auto point = [&](MeReal* p) { MeReal q[3]; MdtConvertPosition(frame, p, to, q); MeVector3Copy(p, q); };
        auto axis = [&](MeReal* v) { MeReal q[3]; MdtConvertVector(frame, v, to, q); MeVector3Copy(v, q); };
        for (int row = 0; row < 3; ++row)
            axis(c->attach[i][row]);
        point(c->attach[i][3]);
        switch (c->type) {
        case MdtTypeBallJoint:
            point(i == 0 ? c->ball.anchor0 : c->ball.anchor1);
            break;
        case MdtTypeJointType10:
            point(i == 0 ? c->type10.anchor0 : c->type10.anchor1);
            break;
        case MdtTypeUniversal:
            point(i == 0 ? c->universal.anchor0 : c->universal.anchor1);
            axis(i == 0 ? c->universal.axis1 : c->universal.axis2);
            break;
        case MdtTypeJointType3:
            if (i == 0) {
                point(c->type3.anchor0);
                axis(c->type3.axisA);
                axis(c->type3.axisB);
            } else {
                axis(c->type3.axisC);
            }
            break;
        case MdtTypeJointType11:
            point(i == 0 ? c->type11.anchor0 : c->type11.anchor1);
            if (i == 1) {
                axis(c->type11.axis);
                axis(c->type11.perpendicular);
            }
            break;
        case MdtTypeDistance:
            point(i == 0 ? c->distance.anchor0 : c->distance.anchor1);
            break;
        default:
            break;
        }
    }
    MdtConstraintSetBodies(c, body0, body1);
}

void MdtConstraintDefaultSetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1)
{
    if (c->flags & MdtConstraintFlagEnabled)
        return;
    c->body[0] = body0;
    c->body[1] = body1;
}

MdtBody* MdtConstraintGetBody(const MdtConstraint* c, int which) { return c->body[which ? 1 : 0]; }

void MdtConstraintGetForce(const MdtConstraint* c, int which, MeReal out[3])
{
    MeVector3Copy(out, c->force[which ? 1 : 0]);
}

void MdtConstraintGetTorque(const MdtConstraint* c, int which, MeReal out[3])
{
    MeVector3Copy(out, c->force[which ? 3 : 2]);
}

void MdtConstraintSetKey(MdtConstraint* c, int key)
{
    if (c->flags & MdtConstraintFlagEnabled)
        return;
    c->key = key;
    c->worldNode.key = c->bodyNode[0].key = c->bodyNode[1].key = key;
}

void MdtConstraintSetBodyPosition(MdtConstraint* c, int which, MeReal x, MeReal y, MeReal z)
{
    const int i = which ? 1 : 0;
    const MeReal p[3] = {x, y, z};
    MdtConvertPosition(nullptr, p, c->body[i], c->attach[i][3]);
}

void MdtConstraintSetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    MdtConstraintSetBodyPosition(c, 0, x, y, z);
    MdtConstraintSetBodyPosition(c, 1, x, y, z);
}

void MdtConstraintSetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z) { c->setAxis(c, x, y, z); }

void MdtPlaneSpace(const MeReal a[3], MeReal p[3], MeReal q[3])
{
    if (std::fabs(a[1]) < std::fabs(a[0])) {
        MeReal s = std::sqrt(a[0] * a[0] + a[2] * a[2]);
        MeVector3Set(p, a[2] / s, 0, -a[0] / s);
    } else {
        MeReal s = std::sqrt(a[1] * a[1] + a[2] * a[2]);
        MeVector3Set(p, 0, -a[2] / s, a[1] / s);
    }
    MeVector3Cross(q, a, p);
}

void MdtConstraintDefaultSetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    MeReal a[3] = {x, y, z};
    MeReal lengthSqr = MeVector3MagnitudeSqr(a);
    if (lengthSqr == 0 || !std::isfinite(lengthSqr))
        MeVector3Set(a, 1, 0, 0);
    else if (std::fabs(lengthSqr - 1) > 0.001f)
        MeVector3Normalize(a);
    MeReal p[3], q[3];
    MdtPlaneSpace(a, p, q);
    for (int i = 0; i < 2; ++i) {
        MdtConvertVector(nullptr, a, c->body[i], c->attach[i][0]);
        MdtConvertVector(nullptr, p, c->body[i], c->attach[i][1]);
        MdtConvertVector(nullptr, q, c->body[i], c->attach[i][2]);
    }
}
