#pragma once
/// Joint kinds. Each creator takes a constraint from the world's pool (null when it is empty),
/// sets its type, row builder and functions and resets it.
///
/// | kind | rows |
/// |---|---|
/// | ball | 3 point rows |
/// | hinge | 3 point rows, 2 axis rows, 1 limit/motor row about the axis |
/// | slider | 3 orientation rows, 2 rows holding the travel on the axis, 1 limit/motor row |
/// | type 3 | 2 line rows, a springy bounded travel row, 1 perpendicularity row, turning and spin motors |
/// | universal | 3 point rows, 1 row keeping the axes at their reference angle |
/// | type 10 | 1 row holding body 0's centre of mass on a plane of body 1 |
/// | type 11 | 2 rows holding body 0's anchor on a line of body 1 |
/// | angular | 2 or 3 rows locking the relative orientation (or all but about the axis) |
/// | distance | 1 row keeping the anchors' distance between the limit's stops |
///
/// Limited coordinates: the hinge angle grows as body 0 turns about the axis (right-handed)
/// relative to body 1, unwrapped across +-pi; the slider position is the travel of body 0's
/// centre of mass along body 1's axis from where `MdtConstraintSetAxis` found it; the distance
/// joint's is the distance between its two anchors. A limit reads the user's initial value
/// until the first step measures it (see `MdtLimitUpdatePosition`).

#include "physics/dynamics/constraint.h"
#include "physics/dynamics/limit.h"

MdtConstraint* MdtBallJointCreate(MdtWorld* world);
MdtConstraint* MdtHingeCreate(MdtWorld* world);
MdtConstraint* MdtSliderCreate(MdtWorld* world);
MdtConstraint* MdtJointType3Create(MdtWorld* world);
MdtConstraint* MdtUniversalJointCreate(MdtWorld* world);
MdtConstraint* MdtJointType10Create(MdtWorld* world);
MdtConstraint* MdtJointType11Create(MdtWorld* world);
MdtConstraint* MdtAngularJointCreate(MdtWorld* world);
MdtConstraint* MdtDistanceJointCreate(MdtWorld* world);

void MdtBallJointReset(MdtConstraint* c);
void MdtLimitedJointReset(MdtConstraint* c);
void MdtJointType3Reset(MdtConstraint* c);
void MdtUniversalJointReset(MdtConstraint* c);
void MdtJointType11Reset(MdtConstraint* c);
void MdtAngularJointReset(MdtConstraint* c);
void MdtDistanceJointReset(MdtConstraint* c);

/// Anchor of both bodies from a world point (ball and universal joints).
void MdtBallJointSetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
/// The slider's axis, plus its reference separation of the two centres of mass.
void MdtSliderSetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtJointType3SetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
/// Axis A in body 0, normalised; zero becomes (1, 0, 0).
void MdtJointType3SetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
/// which = 0: axis 1 in body 0; otherwise axis 2 in body 1. Updates the reference cosine.
void MdtUniversalJointSetAxis(MdtConstraint* c, int which, MeReal x, MeReal y, MeReal z);
void MdtUniversalJointGetAxis(const MdtConstraint* c, int which, MeReal out[3]);
void MdtJointType10SetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtJointType11SetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtJointType11SetAxis(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtJointType11SetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1);
void MdtAngularJointSetBodies(MdtConstraint* c, MdtBody* body0, MdtBody* body1);
/// Anchor of body `which` from a world point.
void MdtDistanceJointSetPosition(MdtConstraint* c, int which, MeReal x, MeReal y, MeReal z);
void MdtDistanceJointSetStiffness(MdtConstraint* c, MeReal k);

/// The limit of a hinge or slider.
MdtLimit* MdtHingeGetLimit(MdtConstraint* c);
MdtLimit* MdtDistanceJointGetLimit(MdtConstraint* c);
MdtConstraint* MdtJointType11Cast(MdtConstraint* c);
MdtConstraint* MdtSliderCast(MdtConstraint* c);
MdtConstraint* MdtAngularJointCast(MdtConstraint* c);

/// Row builders (one per kind).
void MdtBallJointBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtHingeBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtSliderBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtJointType3BuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtUniversalJointBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtJointType10BuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtJointType11BuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtAngularJointBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtDistanceJointBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
