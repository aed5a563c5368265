#pragma once
/// Pair functions of the convex mesh (type 8) with convex meshes, spheres, boxes, cylinders,
/// planes and triangle lists, and the GJK-based contact generator they share.
///
/// Sign conventions: contact and result normals point from model 2 towards model 1; a
/// contact's separation is negative on overlap; a pair touches when the separation is 0 or
/// less. Pairs keep their GJK simplex and last normal in a pair-data record from the
/// framework's pool between frames.

#include "physics/collision/gjk.h"
#include "physics/collision/model_pair.h"
#include "physics/collision/primitives.h"

/// One side of a convex pair: a hull or a cylinder, its transform (null = identity) and the
/// fatness the core is rounded by (a sphere is the point hull with its radius).
struct McdConvexObject {
    const CxConvexHull* hull = nullptr;
    const McdCylinder* cylinder = nullptr;
    MeConstMatrix4Ptr transform = nullptr;
    MeReal fatness = 0;
};

/// What a convex pair keeps between frames.
struct McdPairData {
    int initialised = 0;        ///< 0 until the GJK state is set up
    McdGjkSimplex simplex;
    MeReal normal[3] = {1, 0, 0};  ///< the last separating direction (from model 2 towards model 1)
};

/// Creates the framework's pool of 100 pair-data records when it has none; 1 on success.
int McdConvexPairDataPoolCreate(McdFrameworkID framework);
/// Registration step of the convex interactions: the shared box and triangle hulls (held
/// until the framework's cleanup) and the pair-data pool.
int McdConvexInteractionsPrepare(McdFrameworkID framework);

/// Hello: a pair-data record from the pool (warning 25 when the pool is exhausted; the pair
/// then runs without warm start). Goodbye returns it.
int McdConvexPairHello(McdModelPair* pair);
int McdConvexPairGoodbye(McdModelPair* pair);

int McdConvexMeshConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdSphereConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdBoxConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdCylinderConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdConvexMeshPlaneIntersect(McdModelPair* pair, McdIntersectResult* result);
/// The list's triangles near the mesh's bounding sphere (from its callback), each tested as
/// a flat hull; the contacts are culled into the result, whose normal is the normalised sum
/// of the triangles' normals. One-sided triangles push the mesh out to their face side.
int McdTriangleListConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result);

/// The GJK-based pair: separation of the two objects, then contacts from their features.
/// `data` may be null (no warm start). Returns 1 when they touch.
int McdConvexPairIntersect(McdIntersectResult* result, const McdConvexObject* o1, const McdConvexObject* o2,
                           McdPairData* data);

/// Contacts of two touching objects from their features along the separating normal
/// (world, from object 2 towards object 1) with the separation found by GJK; culled into the
/// result. Returns the count written.
int McdConvexContactsFromFeatures(McdIntersectResult* result, const McdConvexObject* o1, const McdConvexObject* o2,
                                  const MeReal normal[3], MeReal separation);

/// The shared box hull (the cube of half extent 1, built at registration) rescaled to
/// `halfExtents`; its ring positions and face normals follow. Builds it when needed.
CxConvexHull* McdBoxHullUpdate(const MeReal halfExtents[3]);
