#pragma once
/// Pair functions of spheres, boxes and cylinders against triangle lists, whose triangles a
/// user callback supplies on demand (`McdTriangleListFnPtr`, entries `McdUserTriangle`).
///
/// Each call asks the callback for the triangles near the other shape's bounding sphere,
/// tests every triangle with the geometry tests, gathers the contacts (at most 200 for the
/// sphere, 400 for the box and the cylinder) and culls them to the pair's budget. Normals
/// point from the triangle list (model 2) towards the shape (model 1); a one-sided
/// triangle's contacts never push the shape through its back. Each contact carries its
/// triangle's user word as `element2`.

#include "physics/collision/geometry_tests.h"
#include "physics/collision/model_pair.h"

int McdSphereTriangleListIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdBoxTriangleListIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdCylinderTriangleListIntersect(McdModelPair* pair, McdIntersectResult* result);

int McdSphereTriangleListRegister(McdFrameworkID framework);
int McdBoxTriangleListRegister(McdFrameworkID framework);
int McdCylinderTriangleListRegister(McdFrameworkID framework);

/// Forwarders to the geometry tests object (`McdGeometryTestsGet`); false without one.
bool McdSphereTriangleTest(MeReal* separation, MeReal normal[3], MeReal position[3], MeI16* dims, MeReal tolerance,
                           MeReal r, const McdTriangleRecord* triangle);
bool McdBoxTriangleTest(MeReal* separation, MeReal normal[3], MeReal* offset, McdPointCursor* cursor, MeI16* dims,
                        MeReal tolerance, const MeReal e[3], const McdTriangleRecord* triangle);
void McdCylinderLineCrossings(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r, MeReal h,
                              MeReal tLo, MeReal tHi);
MeReal* McdCylinderLineClipEnds(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r, MeReal h,
                                MeReal tLo, MeReal tHi);
