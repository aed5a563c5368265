#pragma once
/// Constraints: every joint and contact is an `MdtConstraint`, a record from the world's
/// constraint pool with a common header, three per-type functions and per-type data. The
/// world step calls the row builder of every enabled constraint.
///
/// Attachment frames: rows 0-2 are the constraint axis and two unit perpendiculars, row 3 the
/// attachment point, in the body's centre-of-mass frame (world coordinates for an absent body).

#include "physics/dynamics/kea_types.h"
#include "physics/dynamics/me_rbtree.h"
#include "physics/dynamics/me_types.h"

struct MdtWorld;
struct MdtBody;
struct MdtConstraint;

/// Appends the constraint's rows to the row storage. Arguments: rows, the constraint, the
/// step's centre-of-mass frames by step index, the step's solver bodies, and the solver
/// parameters (step size, epsilon, gamma).
using MdtRowBuilder = void (*)(keaConstraints* rows, MdtConstraint* constraint, const MeMatrix4* frames,
                               keaBody* const* bodies, const MeReal* params);
using MdtSetBodiesFn = void (*)(MdtConstraint* constraint, MdtBody* body0, MdtBody* body1);
using MdtSetAxisFn = void (*)(MdtConstraint* constraint, MeReal x, MeReal y, MeReal z);

/// One stop of a limit.
struct MdtSingleLimit {
    MeReal stop;
    MeReal stiffness;
    MeReal damping;
    MeReal restitution;
};

/// Stops and motor of one free coordinate of a joint.
struct MdtLimit {
    int limited;
    int active;
    int calibrated;
    int bounceSuppressed;
    MeReal overshoot;        ///< position minus the violated stop, else 0
    MeReal rawPosition;
    MeReal positionTarget;
    int positionMode;
    MeReal previousRaw;
    MeReal offset;           ///< position = offset + raw position
    MeReal rate;
    MeReal stiffnessThreshold;
    MdtSingleLimit lower;
    MdtSingleLimit upper;
    int motorized;
    MeReal motorDesiredVelocity;
    MeReal motorMaxForce;
};

/// Parameters of a contact.
struct MdtContactParams {
    int type;               ///< 0 frictionless, 1 friction in one direction, 2 in two
    int frictionModel1;     ///< 0 fixed bound, 1 bound = share x coefficient, other unbounded
    int frictionModel2;
    MeU32 options;
    MeReal restitution;
    MeReal velThreshold;
    MeReal softness;
    MeReal adhesion;
    MeReal friction1;
    MeReal frictionCoeff1;
    MeReal slip1;
    MeReal friction2;
    MeReal frictionCoeff2;
    MeReal slip2;
    MeReal tangentVelocity1;
    MeReal tangentVelocity2;
    int unused16;
    int unused17;
};

enum : MeU32 {
    MdtContactOptionUseDirection = 1,
    MdtContactOptionBounce = 2,
    MdtContactOptionSoft = 4,
    MdtContactOptionAdhesive = 8,
    MdtContactOptionSlip1 = 16,
    MdtContactOptionSlip2 = 32,
    MdtContactOptionSlide1 = 64,
    MdtContactOptionSlide2 = 128,
    MdtContactOptionMovingSurface = 256,
};

struct MdtBallJointData {
    MeReal anchor0[3];
    MeReal anchor1[3];
};

struct MdtLimitedJointData {  // hinge and slider
    MdtLimit limit;
};

struct MdtJointType3Data {
    MeReal anchor0[3];
    MeReal axisA[3];
    MeReal axisB[3];
    MeReal axisC[3];
    MeReal travelStiffness;
    MeReal travelDamping;
    MeReal turnVelocity;
    MeReal turnMaxForce;
    MeReal spinVelocity;
    MeReal spinMaxForce;
    int turnLock;
    MeReal travelUpper;
    MeReal travelLower;
    MeReal travelReference;
    MeReal stopSoftness;
};

struct MdtUniversalJointData {
    MeReal anchor0[3];
    MeReal anchor1[3];
    MeReal axis1[3];  ///< in body 0
    MeReal axis2[3];  ///< in body 1 (world when absent)
    MeReal referenceCosine;
};

struct MdtJointType10Data {
    MeReal anchor0[3];
    MeReal anchor1[3];
    MeReal reference;
};

struct MdtJointType11Data {
    MeReal anchor0[3];
    MeReal anchor1[3];
    MeReal axis[3];           ///< in body 1
    MeReal perpendicular[3];  ///< in body 1
};

struct MdtAngularJointData {
    int freeAboutAxis;
    MeReal stiffness;
    MeReal damping;
};

struct MdtDistanceJointData {
    MeReal anchor0[3];
    MeReal anchor1[3];
    MdtLimit limit;
};

struct MdtContactData {
    MeReal position[3];
    MeReal normal[3];  ///< from body 1 towards body 0
    MeReal penetration;
    MeReal direction[3];
    MeReal surfaceVelocity[3];
    MdtContactParams params;
    MdtConstraint* next;
    MdtConstraint* previous;
    MdtConstraint* group;
    MeReal importance;
};

struct MdtContactGroupData {
    int count;
    MdtConstraint* first;
    MdtConstraint* last;
    int flip;
    MeReal load;
    void* pair;
};

struct MdtConstraint {
    MdtWorld* world;
    int key;
    MeRBTreeNode worldNode;
    MeRBTreeNode bodyNode[2];
    MdtBody* body[2];        ///< body 1 null means the world
    MeU32 flags;             ///< bit 0 enabled; bit 1 the step's visited mark; bit 2 a body was lost
    MdtRowBuilder buildRows;
    int rowCount;            ///< most rows the builder writes
    MeReal force[4][4];      ///< force on body 0, force on body 1, torque on body 0, torque on body 1
    MdtSetBodiesFn setBodies;
    MdtSetAxisFn setAxis;
    int type;                ///< -1 when freed
    int bodyIndex[2];        ///< step indices; -1 for the world
    MeMatrix4 attach[2];
    union {
        MdtBallJointData ball;        ///< types 0 (ball)
        MdtLimitedJointData limited;  ///< hinge, slider
        MdtJointType3Data type3;
        MdtUniversalJointData universal;
        MdtJointType10Data type10;
        MdtJointType11Data type11;
        MdtAngularJointData angular;
        MdtDistanceJointData distance;
        MdtContactData contact;
        MdtContactGroupData group;
    };
};

using MdtConstraintID = MdtConstraint*;
using MdtContactID = MdtConstraint*;
using MdtContactGroupID = MdtConstraint*;
using MdtLimitID = MdtLimit*;
using MdtSingleLimitID = MdtSingleLimit*;
using MdtContactParamsID = MdtContactParams*;

inline constexpr MeU32 MdtConstraintFlagEnabled = 1u;
inline constexpr MeU32 MdtConstraintFlagVisited = 2u;
/// Set when a body of the constraint was destroyed (its pointer is cleared): enabling is
/// refused until the bodies are set again.
inline constexpr MeU32 MdtConstraintFlagBodyLost = 4u;

enum MdtConstraintType {
    MdtTypeBallJoint = 0,
    MdtTypeHinge = 1,
    MdtTypeSlider = 2,
    MdtTypeJointType3 = 3,
    MdtTypeContact = 4,
    MdtTypeContactGroup = 5,
    MdtTypeUniversal = 9,
    MdtTypeJointType10 = 10,
    MdtTypeJointType11 = 11,
    MdtTypeAngular = 12,
    MdtTypeDistance = 13,
};

/// A record from the world's constraint pool with the header cleared; null when the pool is
/// empty. The type's creator finishes it.
MdtConstraint* MdtConstraintCreate(MdtWorld* world);
/// Disables when enabled, marks the record freed and returns it to the pool. A contact is
/// first removed from its group; a contact group destroys its contacts.
void MdtConstraintDestroy(MdtConstraint* c);
/// Step indices -1, flags 0, reaction vectors 0, attachment frames identity, nodes initialised.
void MdtConstraintReset(MdtConstraint* c);
/// Links the constraint into the world's and its bodies' constraint sets. A constraint needs
/// its first body; one with only a second body (or none) stays disabled with a warning.
void MdtConstraintEnable(MdtConstraint* c);
void MdtConstraintDisable(MdtConstraint* c);
int MdtConstraintIsEnabled(const MdtConstraint* c);
/// Sets the bodies through the type's own function (ignored while enabled).
void MdtConstraintSetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1);
/// `MdtConstraintSetBodies`, with what each side keeps in its body's frame (attachment frame,
/// the type's anchors and axes) first carried from the present body's frame into the new
/// one's (world for none), so that the joint holds to the same places. Only while disabled.
void MdtConstraintRebindBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1);
void MdtConstraintDefaultSetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1);
MdtBody* MdtConstraintGetBody(const MdtConstraint* c, int which);
/// The reaction force on body 0 or 1 from the last step.
void MdtConstraintGetForce(const MdtConstraint* c, int which, MeReal out[3]);
void MdtConstraintGetTorque(const MdtConstraint* c, int which, MeReal out[3]);
/// Sets the key of the constraint's set entries (ignored while enabled).
void MdtConstraintSetKey(MdtConstraint* c, int key);
/// Attachment point of body `which` from a world point.
void MdtConstraintSetBodyPosition(MdtConstraint* c, int which, MeReal x, MeReal y, MeReal z);
/// Attachment point of both bodies from one world point.
void MdtConstraintSetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
/// Sets the axis through the type's own function.
void MdtConstraintSetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
/// Normalises the axis (zero gives 1, 0, 0), builds two perpendiculars and stores all three
/// as rows 0-2 of both attachment frames.
void MdtConstraintDefaultSetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
/// Two unit perpendiculars p, q of the unit axis a with q = a x p.
void MdtPlaneSpace(const MeReal a[3], MeReal p[3], MeReal q[3]);

/// Returns its argument: views a joint as its constraint.
template <typename T>
inline T ReturnArgument(T x) { return x; }
