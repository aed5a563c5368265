#pragma once
/// Rigid bodies of the dynamics toolkit. A body is a record from its world's body pool with
/// its frames, mass properties, velocities, accumulated forces and the links that put it into
/// the world's sets. Points and directions are row vectors multiplied on the left.

#include "physics/dynamics/kea_types.h"
#include "physics/dynamics/me_rbtree.h"
#include "physics/dynamics/me_types.h"

struct MdtWorld;
struct MdtConstraint;

struct MdtBody {
    MeMatrix4 comTM;          ///< centre-of-mass frame; row 3 is the centre of mass in world
    MeMatrix4 transform;      ///< the body frame as the user sees it
    MeMatrix4 relTM;          ///< body frame relative to the centre-of-mass frame (offset flag)
    MeReal impulseLinear[4];  ///< accumulated; applied as force / step at the next step
    MeReal impulseAngular[4];
    int state;                ///< 100 in use, -1 after destroy
    int state2;
    ::keaBody kea;            ///< the solver's view, read and written in place
    int offsetFlag;
    int impulseFlag;
    MdtWorld* world;
    int key;
    MeRBTreeNode worldNode;    ///< in the world's body set
    MeRBTreeNode enabledNode;  ///< in the world's enabled-body set while enabled
    int partitionIndex;
    int arrayIndex;            ///< index in the step's body list
    int partitionArrayIndex;   ///< index within its partition
    MeU32 flags;               ///< bit 0 enabled; bit 1 the step's visited mark
    MeReal mass;
    MeReal linearDamping;
    MeReal angularDamping;
    MeRBTree constraintTree;   ///< the enabled constraints that use this body
    int stepsSinceEnabled;
    void* model;               ///< collision model bound to this body
    MeReal stepValue;
};

using MdtBodyID = MdtBody*;
using MdtConstBodyID = const MdtBody*;

inline constexpr MeU32 MdtBodyFlagEnabled = 1u;
inline constexpr MeU32 MdtBodyFlagVisited = 2u;

/// Rest thresholds read by `MdtBodyIsMoving` (the world's auto-disable block).
struct MdtAutoDisableParams;

/// A body from the world's pool, reset and disabled; null when the pool is empty.
MdtBody* MdtBodyCreate(MdtWorld* world);
/// Disables the body's constraints and the body, unlinks it and returns it to the pool.
void MdtBodyDestroy(MdtBody* body);
/// Disables the body and restores every default without unlinking it from the world.
void MdtBodyReset(MdtBody* body);

/// Puts the body into the step (calls the world's body-enabled hook when it was disabled).
void MdtBodyEnable(MdtBody* body);
/// Takes the body out of the step (calls the world's body-disabled hook when it was enabled).
void MdtBodyDisable(MdtBody* body);
int MdtBodyIsEnabled(const MdtBody* body);

MeReal MdtBodyGetMass(const MdtBody* body);
/// Sets mass and inverse mass; a non-positive or non-finite mass is ignored with a warning.
void MdtBodySetMass(MdtBody* body, MeReal mass);
/// Sets the body-frame inertia tensor (nine floats, rows of three) and its inverse.
void MdtBodySetInertiaTensor(MdtBody* body, const MeReal inertia[9]);
void MdtBodyGetInertiaTensor(const MdtBody* body, MeReal out[9]);
void MdtBodyGetLinearVelocity(const MdtBody* body, MeReal out[3]);
void MdtBodyGetAngularVelocity(const MdtBody* body, MeReal out[3]);
MeReal* MdtBodyGetLinearVelocityPtr(MdtBody* body);
MeReal* MdtBodyGetAngularVelocityPtr(MdtBody* body);
void MdtBodySetLinearVelocity(MdtBody* body, MeReal x, MeReal y, MeReal z);
void MdtBodySetAngularVelocity(MdtBody* body, MeReal x, MeReal y, MeReal z);
/// Damping: each step adds -c x linear velocity to the force (and likewise for torque).
void MdtBodySetLinearVelocityDamping(MdtBody* body, MeReal c);
void MdtBodySetAngularVelocityDamping(MdtBody* body, MeReal c);
void MdtBodyGetTransform(const MdtBody* body, MeMatrix4 out);
/// The body's transform, kept up to date by every step (16 floats, row-major).
const MeReal* MdtBodyGetTransformPtr(const MdtBody* body);
void MdtBodySetTransform(MdtBody* body, const MeMatrix4 m);
void MdtBodyGetPosition(const MdtBody* body, MeReal out[3]);
void MdtBodyGetOrientation(const MdtBody* body, MeReal q[4]);
void MdtBodyResetForces(MdtBody* body);
void MdtBodyResetImpulses(MdtBody* body);
void MdtBodyAddForce(MdtBody* body, MeReal x, MeReal y, MeReal z);
void MdtBodyAddTorque(MdtBody* body, MeReal x, MeReal y, MeReal z);
/// Adds an impulse, applied as impulse / step at the next step.
void MdtBodyAddImpulse(MdtBody* body, MeReal x, MeReal y, MeReal z);
void MdtBodyGetForce(const MdtBody* body, MeReal out[3]);
void MdtBodyGetTorque(const MdtBody* body, MeReal out[3]);
/// out = linear velocity + angular velocity x (p - centre of mass).
void MdtBodyGetVelocityAtPoint(const MdtBody* body, const MeReal p[3], MeReal out[3]);

/// Centre-of-mass frame from the transform (through the relative transform when offset), and
/// the orientation from it.
void MdtBodyUpdateComFromTransform(MdtBody* body);
/// Transform from the centre-of-mass frame; the step calls it after integration.
void MdtBodyUpdateTransformFromCom(MdtBody* body);

/// v (a direction) from `frame` (world when null) into the centre-of-mass frame of `body`
/// (world when null).
void MdtConvertVector(const MeMatrix4 frame, const MeReal v[3], const MdtBody* body, MeReal out[3]);
/// The same for a point.
void MdtConvertPosition(const MeMatrix4 frame, const MeReal p[3], const MdtBody* body, MeReal out[3]);

/// Inertia tensor of a solid box with sides x, y, z (nine floats); returns 0.
int MdtMakeInertiaTensorBox(MeReal mass, MeReal x, MeReal y, MeReal z, MeReal out[9]);
/// Inertia tensor of a solid sphere of the given radius.
int MdtMakeInertiaTensorSphere(MeReal mass, MeReal radius, MeReal out[9]);

using MdtBodyConstraintFn = void (*)(MdtConstraint* constraint, void* argument);
/// Calls `callback` for every enabled constraint of the body in key order; the callback may
/// remove the constraint.
void MdtBodyForAllConstraints(MdtBody* body, MdtBodyConstraintFn callback, void* argument);

/// 1 while the body must stay enabled: any squared speed or acceleration above its threshold,
/// or enabled fewer steps ago than the minimum.
int MdtBodyIsMoving(const MdtBody* body, const MdtAutoDisableParams* thresholds);
