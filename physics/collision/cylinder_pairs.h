#pragma once
/// Pair functions of the cylinder: against cylinders, spheres, planes and boxes (with safe
/// times), the cylinder's line-segment test, and the helpers they share.
///
/// Contract of every intersect function: model 1 has the first type of the pair, contact
/// normals point from model 2 towards model 1, separations are negative on penetration, and
/// the tolerance is the sum of both models' paddings. A cylinder's axis is its local z, its
/// caps the discs z = +h and z = -h of radius r.

#include "physics/collision/geometry_tests.h"
#include "physics/collision/model_pair.h"

/// out = pose of frame F expressed in frame G: out[i][j] = F.axis_i . G.axis_j, row 3 =
/// (F.origin - G.origin) in G's coordinates.
void McdTransformRelative(MeReal out[4][4], MeConstMatrix4Ptr F, MeConstMatrix4Ptr G);

/// u perpendicular to n (from n x d1, else n x d2, else n x the coordinate axis of n's
/// smallest component), normalised; v = n x u.
void McdFaceFrame(MeReal v[3], MeReal u[3], const MeReal n[3], const MeReal d1[3], const MeReal d2[3]);
/// out = a x b.
void McdVec3Cross(const MeReal a[3], MeReal out[3], const MeReal b[3]);
/// out = e_i x v.
void McdVec3AxisCross(MeReal out[3], int i, const MeReal v[3]);

/// Results of the cylinder tests: separation (largest over the candidate axes), unit normal
/// in the test's frame from model 2 towards model 1, support distance (a point p gets the
/// separation normal . p - support), dims and the test's case code.
struct McdCylinderTestOutput {
    MeReal separation = 0;
    MeReal normal[3] = {0, 0, 0};
    MeReal support = 0;
    MeI16 dims = 0;
    int code = -1;
};

/// Cylinder 2 (pose `rel` in cylinder 1's frame) against cylinder 1. False when separated by
/// more than the tolerance; else the output and the candidate points (cylinder 1's frame).
bool McdCylinderCylinderTest(McdCylinderTestOutput* out, McdPointCursor* cursor, MeReal tolerance, MeReal r1,
                             MeReal h1, MeReal r2, MeReal h2, MeConstMatrix4Ptr rel);
/// Sphere (radius R, centre c in the cylinder's frame) against the cylinder; `position` is the
/// sphere's point nearest the cylinder. False when apart by more than the tolerance.
bool McdCylinderSphereTest(McdCylinderTestOutput* out, MeReal position[3], MeReal tolerance, MeReal r, MeReal h,
                           MeReal R, const MeReal c[3]);
/// Cylinder (pose `rel` in the plane's frame) against the plane z = 0; appends its points
/// below the plane, or its lowest point when none is. False when higher than the tolerance.
bool McdCylinderPlaneTest(MeReal* separation, McdPointCursor* cursor, MeReal tolerance, MeReal r, MeReal h,
                          MeConstMatrix4Ptr rel);
/// Cylinder (pose `rel` in the box's frame) against the box `e`.
bool McdBoxCylinderTest(McdCylinderTestOutput* out, McdPointCursor* cursor, MeReal tolerance, const MeReal e[3],
                        MeReal r, MeReal h, MeConstMatrix4Ptr rel);

/// The cylinder-cylinder clipper: for each cylinder whose flag is set, its two cap diameters
/// along u and its four side lines at +-u, +-w are clipped against the other cylinder; all
/// points are appended in cylinder 1's frame (at most 24). Directions are unit vectors in
/// cylinder 1's frame, perpendicular to their cylinder's axis.
void McdCylinderEdgesInCylinder(McdPointCursor* cursor, MeConstMatrix4Ptr rel, MeReal r1, MeReal h1,
                                const MeReal u1[3], const MeReal w1[3], int flag1, MeReal r2, MeReal h2,
                                const MeReal u2[3], const MeReal w2[3], int flag2);

/// Rim parameters (c0..c3, d0..d3, r0, r1) of the rim-rim search: rim 1 is (r0 cos a, r0 sin a,
/// z1) in cylinder 1's frame, rim 2 is C2 + r1 (cos b X2 + sin b Y2); with D = C2 - (0, 0, z1):
/// c0, c1 = D.x, D.y; c2, c3 = D.X2, D.Y2; d0 = X2.x, d1 = Y2.x, d2 = X2.y, d3 = Y2.y. Then
/// f(a, b) = (|rim2(b) - rim1(a)|^2 - const) / 2.
extern MeReal McdCylinderRimParameters[10];
/// Fills the rim parameters from the rims' geometry.
void McdCylinderSetRimParameters(MeReal r1, MeReal z1, MeReal r2, const MeReal C2[3], const MeReal X2[3],
                                 const MeReal Y2[3]);
MeReal McdCylinderRimFunction(MeReal a, MeReal b);
void McdCylinderRimGradient(MeReal gradient[2], MeReal a, MeReal b);

int McdCylinderCylinderIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdCylinderSphereIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdCylinderPlaneIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdBoxCylinderIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdCylinderCylinderSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);
int McdCylinderSphereSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);
int McdBoxCylinderSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);

int McdCylinderCylinderRegisterInteraction(McdFrameworkID framework);
int McdCylinderSphereRegisterInteraction(McdFrameworkID framework);
int McdCylinderPlaneRegisterInteraction(McdFrameworkID framework);
int McdBoxCylinderRegisterInteraction(McdFrameworkID framework);

/// The cylinder's line-segment test: the nearest crossing of the world segment p0-p1 with
/// the cylinder (a start inside counts as a hit at distance 0 on the top cap). 1 on a hit.
int McdCylinderLineSegIntersect(McdModelID model, const MeReal p0[3], const MeReal p1[3],
                                McdLineSegIntersectResult* hit);
/// Installs `McdCylinderLineSegIntersect` for type 4.
void McdCylinderRegisterLineSegFn(McdFrameworkID framework);
