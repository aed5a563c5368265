#pragma once
/// Pair functions of the cone (type 5) with cones, boxes, cylinders, spheres and planes, and
/// the cone's line-segment test.
///
/// The cone lies along its local z axis with its origin at its centre of mass: the apex at
/// z = a (3/4 of the height), the base disc of radius r at z = -b (1/4 of the height).
/// Normals point from model 2 towards model 1; separations are negative on overlap. The
/// cone pairs ignore the models' paddings. Cone-cone, cone-box and cone-cylinder report
/// touching only (no contacts), from the support-mapping test.

#include "physics/collision/model_pair.h"
#include "physics/collision/primitives.h"

enum McdConeFeatureCode : int {
    kMcdConeFeaturePoint = 0,  ///< the apex or one base-rim point
    kMcdConeFeatureSlant = 1,  ///< a slant generator: base-rim point, then the apex
    kMcdConeFeatureBase = 2,   ///< the base disc (its centre)
};

/// Touch test through the support-mapping test; writes no contact, but the result normal.
int McdConeConvexIntersect(McdModelPair* pair, McdIntersectResult* result);
/// One contact with the sphere, by the region of the cone's profile nearest its centre.
int McdConeSphereIntersect(McdModelPair* pair, McdIntersectResult* result);
/// One (apex or rim point), two (a slant generator) or three (the base) contacts.
int McdConePlaneIntersect(McdModelPair* pair, McdIntersectResult* result);

/// The cone's extreme feature along world direction d (normalised here) within tolerance;
/// writes up to two world points and returns the `McdConeFeatureCode`.
int McdConeSupportFeature(const McdCone* cone, MeConstMatrix4Ptr transform, const MeReal d[3], MeReal out[2][3],
                          MeReal tolerance);

/// 1 when -b <= z <= a, with the cone's radius at height z; else 0.
int McdConeRadiusAtHeight(const McdCone* cone, MeReal z, MeReal* radius);

/// The (unclamped) parameter of the point of the line through (x0, y0) and (x1, y1) nearest
/// (px, py).
MeReal McdSegmentClosestParam2D(MeReal x0, MeReal y0, MeReal x1, MeReal y1, MeReal px, MeReal py);

/// First crossing of the segment p0 -> p1 with the cone's surface (slant or base): position,
/// outward surface normal and distance from p0. A cone lower than 1e-6 is never hit.
int McdConeLineSegIntersect(McdModelID model, const MeReal p0[3], const MeReal p1[3],
                            McdLineSegIntersectResult* hit);
