// Joints between two node bodies, and the drive that swings a motorised limit between two
// ends: once the limit's position comes within the tolerance of the current target, the
// target switches to the other end.
//
// A joint is listed in both of its bodies (QNBODY::Joints), so a body that goes away or is
// re-made reaches its joints. Re-making keeps the constraint's set-up: the attachment frames
// and the type data are kept in each body's centre-of-mass frame, so a copy taken from the old
// constraint is valid for a new body at the same placement, in the same world or another.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/physics/qnphysworld.h"
#include "engine/util/qnexception.h"
#include "physics/collision/dt_bridge.h"
#include "physics/dynamics/dynamics.h"

namespace {

MdtConstraint* MakeConstraint(MdtWorld* w, std::int32_t kind)
{
    switch (kind) {
    case QNJOINT_BALL: return MdtBallJointCreate(w);
    case QNJOINT_HINGE: return MdtHingeCreate(w);
    case QNJOINT_SLIDER: return MdtSliderCreate(w);
    case QNJOINT_ANGULAR: return MdtAngularJointCreate(w);
    case QNJOINT_PLANE: return MdtJointType10Create(w);
    case QNJOINT_LINE: return MdtJointType11Create(w);
    case QNJOINT_DISTANCE: return MdtDistanceJointCreate(w);
    case QNJOINT_UNIVERSAL: return MdtUniversalJointCreate(w);
    case QNJOINT_TYPE3: return MdtJointType3Create(w);
    default: return nullptr;
    }
}

// The constraint of a joint kind, with room made when the world's records are all taken:
// contact groups give theirs back (their pairs make them again at the next collide), since
// a joint the game asked for must not be missing.
MdtConstraint* MakeRoomyConstraint(MdtWorld* w, std::int32_t kind)
{
    MdtConstraint* c = MakeConstraint(w, kind);
    if (!c && kind >= QNJOINT_BALL && kind <= QNJOINT_TYPE3 && McdDtBridgeDestroyContactGroups(w) > 0)
        c = MakeConstraint(w, kind);
    return c;
}

MdtBody* DynamicOf(QNBODY* b)
{
    return b ? b->Body : nullptr;
}

// The set-up part of a constraint record: its attachment frames and the type's data, which
// close the record.
constexpr std::size_t kSetupOffset = offsetof(MdtConstraint, attach);
constexpr std::size_t kSetupSize = sizeof(MdtConstraint) - kSetupOffset;

}  // namespace

QNJOINT::QNJOINT() = default;

QNJOINT::~QNJOINT()
{
    Destroy();
}

void QNJOINT::Attach(QNBODY* body)
{
    if (body && std::find(body->Joints.begin(), body->Joints.end(), this) == body->Joints.end())
        body->Joints.push_back(this);
}

void QNJOINT::Detach(QNBODY* body)
{
    if (body && body != First && body != Second)
        body->Joints.erase(std::remove(body->Joints.begin(), body->Joints.end(), this), body->Joints.end());
}

void QNJOINT::Create(QNPHYSWORLD* world, std::int32_t kind)
{
    Destroy();
    Kind = kind;
    World = world;
    MdtWorld* w = world ? world->World : nullptr;
    Constraint = w ? MakeRoomyConstraint(w, kind) : nullptr;
    if (w && !Constraint && kind >= QNJOINT_BALL && kind <= QNJOINT_TYPE3)
        throw QNNODE_EXC(0, "The physics world has no room for another joint (%d constraints in use).",
                         MdtWorldGetConstraintCount(w));
}

void QNJOINT::SetBodies(QNBODY* first, QNBODY* second)
{
    QNBODY* const oldFirst = First;
    QNBODY* const oldSecond = Second;
    First = first;
    Second = second;
    Detach(oldFirst);
    Detach(oldSecond);
    Attach(first);
    Attach(second);
    heldOff_ = false;
    if (!Constraint)
        return;
    if (MdtConstraintIsEnabled(Constraint))
        MdtConstraintDisable(Constraint);
    MdtConstraintSetBodies(Constraint, DynamicOf(first), DynamicOf(second));
    MdtConstraintEnable(Constraint);
}

void QNJOINT::Reenable(bool enabled)
{
    // Without a first dynamic body (one being re-made) the constraint can't be on: it is held
    // off and comes back on once the body is there again.
    heldOff_ = enabled && !DynamicOf(First);
    if (enabled && !heldOff_)
        MdtConstraintEnable(Constraint);
}

void QNJOINT::Suspend()
{
    if (!Constraint)
        return;
    if (!saved_)
        saved_ = std::make_unique<MdtConstraint>();
    std::memcpy(reinterpret_cast<char*>(saved_.get()) + kSetupOffset,
                reinterpret_cast<const char*>(Constraint) + kSetupOffset, kSetupSize);
    const bool enabled = MdtConstraintIsEnabled(Constraint) != 0;
    savedEnabled_ = enabled || heldOff_;
    heldOff_ = false;
    if (enabled)
        MdtConstraintDisable(Constraint);
    MdtConstraintDestroy(Constraint);
    Constraint = nullptr;
}

void QNJOINT::Rebind()
{
    if (Kind == QNJOINT_NONE)
        return;
    QNPHYSWORLD* world = First ? First->World : (Second ? Second->World : World);
    if (First && Second && First->World != Second->World)
        world = nullptr;
    MdtWorld* w = world ? world->World : nullptr;
    if (Constraint && Constraint->world == w) {
        const bool enabled = MdtConstraintIsEnabled(Constraint) != 0;
        if (enabled)
            MdtConstraintDisable(Constraint);
        // A side whose dynamic body changes (made, re-made, or gone to the world) keeps its
        // anchor and axes where they are in the world.
        MdtConstraintRebindBodies(Constraint, DynamicOf(First), DynamicOf(Second));
        Reenable(enabled || heldOff_);
        return;
    }
    Suspend();
    if (!w || !saved_)
        return;
    Constraint = MakeRoomyConstraint(w, Kind);
    World = world;
    if (!Constraint)
        return;
    MdtConstraintSetBodies(Constraint, DynamicOf(First), DynamicOf(Second));
    std::memcpy(reinterpret_cast<char*>(Constraint) + kSetupOffset,
                reinterpret_cast<const char*>(saved_.get()) + kSetupOffset, kSetupSize);
    Reenable(savedEnabled_);
}

void QNJOINT::BodyGone(QNBODY* body)
{
    if (body && (body == First || body == Second))
        Destroy();
}

void QNJOINT::Retarget(QNBODY* from, QNBODY* to)
{
    if (!from || from == to || (from != First && from != Second))
        return;
    if (First == from)
        First = to;
    if (Second == from)
        Second = to;
    Detach(from);
    Attach(to);
    Rebind();
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
    heldOff_ = false;
    if (!Constraint)
        return;
    if (on)
        MdtConstraintEnable(Constraint);
    else if (MdtConstraintIsEnabled(Constraint))
        MdtConstraintDisable(Constraint);
}

void QNJOINT::Destroy()
{
    QNBODY* const first = First;
    QNBODY* const second = Second;
    First = nullptr;
    Second = nullptr;
    Detach(first);
    Detach(second);
    saved_.reset();
    heldOff_ = false;
    Kind = QNJOINT_NONE;
    if (!Constraint)
        return;
    if (MdtConstraintIsEnabled(Constraint))
        MdtConstraintDisable(Constraint);
    MdtConstraintDestroy(Constraint);
    Constraint = nullptr;
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
