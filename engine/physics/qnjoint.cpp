// Joints between two node bodies, and the drive that swings a motorised limit between two
// ends: once the limit's position comes within the tolerance of the current target, the
// target switches to the other end.

#include <cmath>

#include "engine/physics/qnphysworld.h"
#include "physics/dynamics/dynamics.h"

void QNJOINT::Create(QNPHYSWORLD* world, std::int32_t kind)
{
    Destroy();
    Kind = kind;
    World = world;
    MdtWorld* w = world ? world->World : nullptr;
    if (!w)
        return;
    switch (kind) {
    case QNJOINT_BALL: Constraint = MdtBallJointCreate(w); break;
    case QNJOINT_HINGE: Constraint = MdtHingeCreate(w); break;
    case QNJOINT_SLIDER: Constraint = MdtSliderCreate(w); break;
    case QNJOINT_ANGULAR: Constraint = MdtAngularJointCreate(w); break;
    case QNJOINT_PLANE: Constraint = MdtJointType10Create(w); break;
    case QNJOINT_LINE: Constraint = MdtJointType11Create(w); break;
    case QNJOINT_DISTANCE: Constraint = MdtDistanceJointCreate(w); break;
    case QNJOINT_UNIVERSAL: Constraint = MdtUniversalJointCreate(w); break;
    case QNJOINT_TYPE3: Constraint = MdtJointType3Create(w); break;
    default: Constraint = nullptr; break;
    }
}

void QNJOINT::SetBodies(QNBODY* first, QNBODY* second)
{
    First = first;
    Second = second;
    if (!Constraint)
        return;
    MdtConstraintSetBodies(Constraint, first ? first->Body : nullptr, second ? second->Body : nullptr);
    MdtConstraintEnable(Constraint);
}

void QNJOINT::SetPosition(const QNVEC3& p, const QNVEC3& p2)
{
    if (!Constraint)
        return;
    switch (Kind) {
    case QNJOINT_BALL:
    case QNJOINT_UNIVERSAL: MdtBallJointSetPosition(Constraint, p.x, p.y, p.z); break;
    case QNJOINT_HINGE: MdtConstraintSetPosition(Constraint, p.x, p.y, p.z); break;
    case QNJOINT_PLANE: MdtJointType10SetPosition(Constraint, p.x, p.y, p.z); break;
    case QNJOINT_LINE: MdtJointType11SetPosition(Constraint, p.x, p.y, p.z); break;
    case QNJOINT_DISTANCE:
        MdtDistanceJointSetPosition(Constraint, 0, p.x, p.y, p.z);
        MdtDistanceJointSetPosition(Constraint, 1, p2.x, p2.y, p2.z);
        break;
    case QNJOINT_TYPE3: MdtJointType3SetPosition(Constraint, p.x, p.y, p.z); break;
    default: break;
    }
}

void QNJOINT::SetAxis(const QNVEC3& a, const QNVEC3& a2)
{
    if (!Constraint)
        return;
    switch (Kind) {
    case QNJOINT_HINGE:
    case QNJOINT_SLIDER: MdtConstraintSetAxis(Constraint, a.x, a.y, a.z); break;
    case QNJOINT_LINE: MdtJointType11SetAxis(Constraint, a.x, a.y, a.z); break;
    case QNJOINT_UNIVERSAL:
        MdtUniversalJointSetAxis(Constraint, 0, a.x, a.y, a.z);
        MdtUniversalJointSetAxis(Constraint, 1, a2.x, a2.y, a2.z);
        break;
    case QNJOINT_TYPE3: MdtJointType3SetAxis(Constraint, a.x, a.y, a.z); break;
    default: break;
    }
}

void QNJOINT::Enable(bool on)
{
    if (!Constraint)
        return;
    if (on)
        MdtConstraintEnable(Constraint);
    else if (MdtConstraintIsEnabled(Constraint))
        MdtConstraintDisable(Constraint);
}

void QNJOINT::Destroy()
{
    if (!Constraint)
        return;
    if (MdtConstraintIsEnabled(Constraint))
        MdtConstraintDisable(Constraint);
    MdtConstraintDestroy(Constraint);
    Constraint = nullptr;
    Kind = QNJOINT_NONE;
}

MdtLimit* QNJOINT::GetLimit(int index) const
{
    if (!Constraint || index != 0)
        return nullptr;
    switch (Kind) {
    case QNJOINT_HINGE:
    case QNJOINT_SLIDER: return MdtHingeGetLimit(Constraint);
    case QNJOINT_DISTANCE: return MdtDistanceJointGetLimit(Constraint);
    default: return nullptr;
    }
}

void QNJOINT::SetLimitStops(float lower, float upper, int index)
{
    if (MdtLimit* l = GetLimit(index)) {
        MdtSingleLimitSetStop(MdtLimitGetLower(l), lower);
        MdtSingleLimitSetStop(MdtLimitGetUpper(l), upper);
        MdtLimitSetLimited(l, 1);
    }
}

void QNJOINT::SetLimitRestitution(float lower, float upper, int index)
{
    if (MdtLimit* l = GetLimit(index)) {
        MdtSingleLimitSetRestitution(MdtLimitGetLower(l), lower);
        MdtSingleLimitSetRestitution(MdtLimitGetUpper(l), upper);
        MdtLimitSetLimited(l, 1);
    }
}

void QNJOINT::SetMotor(float speed, float maxForce, int index)
{
    if (MdtLimit* l = GetLimit(index)) {
        MdtLimitSetMotor(l, speed, maxForce);
        MdtLimitActivateMotor(l, 0);
    }
}

void QNJOINT::WakeBodies()
{
    if (First)
        First->Wake();
    if (Second)
        Second->Wake();
}

void QNJOINT::ActivateMotor(bool on, int index)
{
    if (MdtLimit* l = GetLimit(index)) {
        WakeBodies();
        MdtLimitActivateMotor(l, on ? 1 : 0);
    }
}

void QNJOINT::SetDrive(float a, float b, float speed, float maxForce, float factor, float tolerance)
{
    DriveA = a;
    DriveB = b;
    Speed = speed;
    MaxForce = maxForce;
    Factor = factor;
    Tolerance = tolerance;
    Target = speed >= 0.0f ? b : a;
}

void QNJOINT::UpdateDrive(int index)
{
    MdtLimit* l = GetLimit(index);
    if (!l || !MdtLimitIsMotorized(l))
        return;
    WakeBodies();
    if (DriveA != DriveB && std::fabs(MdtLimitGetPosition(l) - Target) < Tolerance)
        Target = Target == DriveB ? DriveA : DriveB;
    // The sign of the speed only chose the first end; the servo takes a speed bound.
    MdtLimitDriveToPosition(l, Target, Factor, std::fabs(Speed), MaxForce);
}
