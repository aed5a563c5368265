#pragma once
/// Box against box: the pair (2, 2) and its helpers.
///
/// `McdBoxBoxIntersect` runs the fifteen-axis test (with the decisions of the line-test
/// object's) for the contact normal (from box 2 towards box 1), the separation and the
/// mid-plane of the contact patch, finds the patch corners (the incident face clipped to the
/// reference face, or the crossings of the two edges of an edge axis) and turns them into
/// contacts culled to the pair's budget. Boxes that only touch
/// (separation >= 0) make no contacts. `McdBoxBoxSafeTime` finds the first time two moving
/// boxes meet within a step by linear sweeps over sub-steps short enough for their rotation.

#include "physics/collision/geometry_tests.h"
#include "physics/collision/model_pair.h"

/// 1 when at least one contact was written, else 0 (count 0).
int McdBoxBoxIntersect(McdModelPair* pair, McdIntersectResult* result);
/// Writes {pair, step} first; 1 with the time of first contact when the boxes meet within the
/// step, else 0. Models without both velocity pointers: 0.
int McdBoxBoxSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);
/// Registers (2, 2) with the intersect and safe-time functions; returns 1.
int McdBoxBoxRegisterInteraction(McdFrameworkID framework);

/// Appends (at most 48 points) the crossings of box 2's edges with box 1 and of box 1's
/// edges with box 2, in box 1's frame; `pose` places box 2 in box 1's frame.
void McdBoxBoxGatherPoints(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e1[3], const MeReal e2[3]);

/// The general contact patch of two overlapping boxes, in box 1's frame: the edge crossings
/// of `McdBoxBoxGatherPoints` and the corners of each box inside the other (at most 64
/// points). The intersect falls back to it when the chosen axis's own patch is empty.
void McdBoxBoxGatherPatch(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e1[3], const MeReal e2[3]);

/// Forwarders to the line-test object.
bool McdBoxBoxOverlapTest(MeReal* separation, MeReal normal[3], MeReal* support, MeI16* dims, MeReal tolerance,
                          const MeReal e1[3], const MeReal e2[3], MeConstMatrix4Ptr pose);
void McdBoxBoxClipEdges(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal eOwn[3], const MeReal eOther[3]);

/// out = the inverse of the rigid transform m (transposed rotation, translation -R^T t).
void MeMatrix4InvertRigid(MeReal out[4][4], MeConstMatrix4Ptr m);
/// Rotation rows 0-2 of m from the quaternion q = (w, x, y, z); row 3 untouched.
void MeQuaternionToMatrix4(MeReal m[4][4], const MeReal q[4]);

/// Do two boxes moving with constant velocities (no rotation) meet within [0, h]? 1 with the
/// first time of contact (0 when they overlap at the start), else 0. Conservative: a pair
/// apart on some axis only in mid-interval reports a meeting.
int McdBoxBoxSweepTest(const MeReal eA[3], MeConstMatrix4Ptr poseA, const MeReal vA[3], const MeReal eB[3],
                       MeConstMatrix4Ptr poseB, const MeReal vB[3], MeReal h, MeReal* time);
