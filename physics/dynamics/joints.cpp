#include "physics/dynamics/joints.h"

#include "physics/dynamics/body.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/world.h"

#include <cfloat>
#include <cstring>

namespace {

MdtConstraint* Make(MdtWorld* world, int type, MdtRowBuilder builder, int rowCount, void (*reset)(MdtConstraint*))
{
    MdtConstraint* c = MdtConstraintCreate(world);
    if (!c)
        return nullptr;
    c->type = type;
    c->buildRows = builder;
    c->rowCount = rowCount;
    reset(c);
    return c;
}

void ClearData(MdtConstraint* c)
{
    MdtConstraintDisable(c);
    char* data = reinterpret_cast<char*>(&c->contact);
    std::memset(data, 0, static_cast<std::size_t>(reinterpret_cast<char*>(c + 1) - data));
}

// World position of a body's centre of mass (origin for the world).
void CentreOfMass(const MdtBody* b, MeReal out[3])
{
    if (b)
        MeVector3Copy(out, b->comTM[3]);
    else
        MeVector3Set(out, 0, 0, 0);
}

void DirectionToWorld(const MdtBody* b, const MeReal local[3], MeReal out[3])
{
    if (b)
        MeMatrix4TMRotate(out, b->comTM, local);
    else
        MeVector3Copy(out, local);
}

}  // namespace

void MdtBallJointReset(MdtConstraint* c)
{
    ClearData(c);
    MdtConstraintReset(c);
}

void MdtLimitedJointReset(MdtConstraint* c)
{
    ClearData(c);
    MdtLimitReset(&c->limited.limit);
    MdtConstraintReset(c);
}

void MdtJointType3Reset(MdtConstraint* c)
{
    ClearData(c);
    MdtJointType3Data& d = c->type3;
    MeVector3Set(d.axisA, 0, 0, 1);
    MeVector3Set(d.axisB, 0, 1, 0);
    MeVector3Set(d.axisC, 0, 1, 0);
    d.turnMaxForce = 1e9f;
    d.travelUpper = 1e9f;
    d.travelLower = -1e9f;
    MdtConstraintReset(c);
}

void MdtUniversalJointReset(MdtConstraint* c)
{
    ClearData(c);
    MeVector3Set(c->universal.axis1, 1, 0, 0);
    MeVector3Set(c->universal.axis2, 0, 1, 0);
    MdtConstraintReset(c);
}

void MdtJointType11Reset(MdtConstraint* c)
{
    ClearData(c);
    MdtConstraintReset(c);
}

void MdtAngularJointReset(MdtConstraint* c)
{
    ClearData(c);
    c->angular.stiffness = FLT_MAX;
    c->angular.damping = FLT_MAX;
    MdtConstraintReset(c);
}

void MdtDistanceJointReset(MdtConstraint* c)
{
    ClearData(c);
    MdtLimit& l = c->distance.limit;
    MdtLimitReset(&l);
    MdtLimitSetLimited(&l, 1);
    l.lower.stiffness = l.upper.stiffness = 1.0f;
    MdtConstraintReset(c);
}

MdtConstraint* MdtBallJointCreate(MdtWorld* w) { return Make(w, MdtTypeBallJoint, MdtBallJointBuildRows, 3, MdtBallJointReset); }
MdtConstraint* MdtHingeCreate(MdtWorld* w) { return Make(w, MdtTypeHinge, MdtHingeBuildRows, 6, MdtLimitedJointReset); }

MdtConstraint* MdtSliderCreate(MdtWorld* w)
{
    MdtConstraint* c = Make(w, MdtTypeSlider, MdtSliderBuildRows, 6, MdtLimitedJointReset);
    if (c)
        c->setAxis = MdtSliderSetAxis;
    return c;
}

MdtConstraint* MdtJointType3Create(MdtWorld* w) { return Make(w, MdtTypeJointType3, MdtJointType3BuildRows, 6, MdtJointType3Reset); }
MdtConstraint* MdtUniversalJointCreate(MdtWorld* w) { return Make(w, MdtTypeUniversal, MdtUniversalJointBuildRows, 4, MdtUniversalJointReset); }
MdtConstraint* MdtJointType10Create(MdtWorld* w) { return Make(w, MdtTypeJointType10, MdtJointType10BuildRows, 1, MdtBallJointReset); }

MdtConstraint* MdtJointType11Create(MdtWorld* w)
{
    MdtConstraint* c = Make(w, MdtTypeJointType11, MdtJointType11BuildRows, 2, MdtJointType11Reset);
    if (c)
        c->setBodies = MdtJointType11SetBodies;
    return c;
}

MdtConstraint* MdtAngularJointCreate(MdtWorld* w)
{
    MdtConstraint* c = Make(w, MdtTypeAngular, MdtAngularJointBuildRows, 3, MdtAngularJointReset);
    if (c)
        c->setBodies = MdtAngularJointSetBodies;
    return c;
}

MdtConstraint* MdtDistanceJointCreate(MdtWorld* w) { return Make(w, MdtTypeDistance, MdtDistanceJointBuildRows, 1, MdtDistanceJointReset); }

void MdtBallJointSetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    const MeReal p[3] = {x, y, z};
    MeReal* a0 = c->type == MdtTypeUniversal ? c->universal.anchor0 : c->ball.anchor0;
    MeReal* a1 = c->type == MdtTypeUniversal ? c->universal.anchor1 : c->ball.anchor1;
    MdtConvertPosition(nullptr, p, c->body[0], a0);
    MdtConvertPosition(nullptr, p, c->body[1], a1);
    MdtConstraintSetPosition(c, x, y, z);
}

void MdtSliderSetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    MdtConstraintDefaultSetAxis(c, x, y, z);
    MeReal c0[3], c1[3], d[3];
    CentreOfMass(c->body[0], c0);
    CentreOfMass(c->body[1], c1);
    MeVector3Subtract(d, c0, c1);
    MdtConvertVector(nullptr, d, c->body[1], c->attach[1][3]);
}

void MdtJointType3SetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    const MeReal p[3] = {x, y, z};
    MdtConvertPosition(nullptr, p, c->body[0], c->type3.anchor0);
}

void MdtJointType3SetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    MeReal a[3] = {x, y, z};
    if (MeVector3Normalize(a) == 0)
        MeVector3Set(a, 1, 0, 0);
    MdtConvertVector(nullptr, a, c->body[0], c->type3.axisA);
}

void MdtUniversalJointGetAxis(const MdtConstraint* c, int which, MeReal out[3])
{
    if (which == 0)
        DirectionToWorld(c->body[0], c->universal.axis1, out);
    else
        DirectionToWorld(c->body[1], c->universal.axis2, out);
}

void MdtUniversalJointSetAxis(MdtConstraint* c, int which, MeReal x, MeReal y, MeReal z)
{
    MeReal a[3] = {x, y, z};
    MeVector3Normalize(a);
    if (which == 0)
        MdtConvertVector(nullptr, a, c->body[0], c->universal.axis1);
    else
        MdtConvertVector(nullptr, a, c->body[1], c->universal.axis2);
    MeReal other[3];
    MdtUniversalJointGetAxis(c, which == 0 ? 1 : 0, other);
    c->universal.referenceCosine = MeVector3Dot(a, other);
}

void MdtJointType10SetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    const MeReal p[3] = {x, y, z};
    MdtConvertPosition(nullptr, p, c->body[0], c->type10.anchor0);
    MdtConvertPosition(nullptr, p, c->body[1], c->type10.anchor1);
    MeReal c0[3], c1[3], pc[3], d[3];
    CentreOfMass(c->body[0], c0);
    CentreOfMass(c->body[1], c1);
    MeVector3Subtract(pc, p, c1);
    MeVector3Subtract(d, c0, c1);
    c->type10.reference = MeVector3Dot(pc, d);
    MdtConstraintSetPosition(c, x, y, z);
}

void MdtJointType11SetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    const MeReal p[3] = {x, y, z};
    MdtConvertPosition(nullptr, p, c->body[0], c->type11.anchor0);
    MdtConvertPosition(nullptr, p, c->body[1], c->type11.anchor1);
    MdtConstraintSetPosition(c, x, y, z);
}

void MdtJointType11SetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    MeReal a[3] = {x, y, z};
    if (MeVector3Normalize(a) == 0)
        MeVector3Set(a, 1, 0, 0);
    MeReal p[3], q[3];
    MdtPlaneSpace(a, p, q);
    MdtConvertVector(nullptr, a, c->body[1], c->type11.axis);
    MdtConvertVector(nullptr, p, c->body[1], c->type11.perpendicular);
}

void MdtJointType11SetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1)
{
    if (c->flags & MdtConstraintFlagEnabled)
        return;
    MdtConstraintDefaultSetBodies(c, body0, body1);
    MdtJointType11SetAxis(c, 1, 0, 0);
}

void MdtAngularJointSetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1)
{
    if (c->flags & MdtConstraintFlagEnabled)
        return;
    MdtConstraintDefaultSetBodies(c, body0, body1);
    if (body0)
        MdtConstraintDefaultSetAxis(c, body0->transform[0][0], body0->transform[0][1], body0->transform[0][2]);
}

void MdtDistanceJointSetPosition(MdtConstraint* c, int which, MeReal x, MeReal y, MeReal z)
{
    const int i = which ? 1 : 0;
    const MeReal p[3] = {x, y, z};
    MdtConvertPosition(nullptr, p, c->body[i], i ? c->distance.anchor1 : c->distance.anchor0);
    MdtConstraintSetBodyPosition(c, i, x, y, z);
}

void MdtDistanceJointSetStiffness(MdtConstraint* c, MeReal k)
{
    c->distance.limit.lower.stiffness = k;
    c->distance.limit.upper.stiffness = k;
}

MdtLimit* MdtHingeGetLimit(MdtConstraint* c) { return &c->limited.limit; }
MdtLimit* MdtDistanceJointGetLimit(MdtConstraint* c) { return &c->distance.limit; }
MdtConstraint* MdtJointType11Cast(MdtConstraint* c) { return c && c->type == MdtTypeJointType11 ? c : nullptr; }
MdtConstraint* MdtSliderCast(MdtConstraint* c) { return c && c->type == MdtTypeSlider ? c : nullptr; }
MdtConstraint* MdtAngularJointCast(MdtConstraint* c) { return c && c->type == MdtTypeAngular ? c : nullptr; }
