#pragma once
/// Distance and penetration depth of two convex sets (GJK with Johnson's sub-algorithm, and
/// an expanding-polytope search when the cores overlap), and the support-mapping overlap test
/// of any two models whose types supply a support point.
///
/// A convex set is a core (a hull, or a primitive with a local support function) placed by a
/// transform and rounded by a fatness. All distances here are between cores; callers subtract
/// the fatness of both sets. Normals point from set B towards set A.

#include "physics/collision/convex_hull.h"

/// Support point of a primitive in a local direction (not necessarily unit).
using McdLocalSupportFn = void (*)(const McdGeometry* geometry, const MeReal direction[3], MeReal out[3]);

struct McdConvexSet {
    const CxConvexHull* hull = nullptr;      ///< hull core, or null for a primitive core
    const McdGeometry* primitive = nullptr;  ///< primitive core (read by `support`)
    McdLocalSupportFn support = nullptr;
    MeConstMatrix4Ptr transform = nullptr;   ///< null = identity
    MeReal fatness = 0;
};

/// The simplex a pair keeps between queries: its points as local points of each set (so a
/// kept simplex follows the sets' motion), and the hull vertices of the last supports, where
/// the next hill climbs start. Count 0 means not started.
struct McdGjkSimplex {
    int count = 0;
    MeReal a[4][3] = {};
    MeReal b[4][3] = {};
    int lastA = -1;  ///< hull vertex index of the last support on A, -1 none
    int lastB = -1;
};

/// World points and barycentric weights of the current simplex (one query's scratch).
struct McdSimplexCoords {
    MeReal a[4][3] = {};
    MeReal b[4][3] = {};
    MeReal weight[4] = {1, 0, 0, 0};
};

/// Status of `McdGjkClosestPoints`.
enum McdGjkStatus : int {
    kMcdGjkOverlap = 0,    ///< the simplex grew to four points
    kMcdGjkTouching = 1,   ///< squared distance below 1e-8
    kMcdGjkWithin = 2,     ///< converged closer than the fatness sum
    kMcdGjkApart = 3,      ///< apart by at least the fatness sum (distance maybe not final)
    kMcdGjkStopped = 4,    ///< iteration limit, or the distance failed to decrease
};

/// Support of a set in a world direction: the world point, its value (direction . point)
/// and the hull vertex index (-1 for a primitive). Hulls climb from vertex `start`.
int McdConvexSetSupport(const McdConvexSet* set, int start, const MeReal direction[3], MeReal worldPoint[3],
                        MeReal localPoint[3], MeReal* value);

/// Starts a simplex: one point pair, the supports along the direction between the sets'
/// positions ((1, 0, 0) when they coincide), returned in `direction`.
void McdGjkInitSimplex(McdGjkSimplex* simplex, MeReal direction[3], const McdConvexSet* a, const McdConvexSet* b);

/// The GJK iteration from the simplex (count >= 1). Writes the closest points of the cores,
/// the squared distance and leaves the simplex for the next call.
int McdGjkClosestPoints(const McdConvexSet* a, const McdConvexSet* b, McdGjkSimplex* simplex,
                        McdSimplexCoords* coords, MeReal pointA[3], MeReal pointB[3], MeReal* squaredDistance);

/// The signed separation of the cores (negative depth when they overlap) and the unit
/// normal from B towards A. Beyond the fatness sum the value only says "apart" (it is then
/// sqrt(fatness sum^2 + 1) or more). Starts the simplex when its count is 0.
MeReal McdConvexSeparation(const McdConvexSet* a, const McdConvexSet* b, McdGjkSimplex* simplex, MeReal normal[3]);

/// Penetration depth from an overlap simplex of 2-4 points: returns minus the depth and the
/// normal from B towards A. A one-point simplex returns the distance of its point pair and
/// leaves the normal as it is.
MeReal McdPenetrationDepth(const McdConvexSet* a, const McdConvexSet* b, McdGjkSimplex* simplex,
                           McdSimplexCoords* coords, MeReal normal[3]);

/// Overlap test of two models through their types' support points (GJK from scratch, 40
/// iterations): 1 when they overlap or lie within 0.01, else 0. The closest points are
/// written when the pointers are not null.
MeU8 McdSupportIntersect(McdModelID model1, McdModelID model2, MeReal closest1[3], MeReal closest2[3]);

/// World support point of a geometry instance along a direction (normalised here when not
/// zero) and its value (point . the direction as given).
void McdGeometrySupport(McdGeometryInstance* instance, MeReal point[3], MeReal* value, const MeReal direction[3]);
