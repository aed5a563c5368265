#pragma once
/// The convex mesh geometry (type 8): a convex hull rounded by a fatness.
///
/// The mesh owns its hull. Its frame is its model's transform; the bounding sphere is centred
/// on the frame's origin with radius fatness + the farthest vertex distance.

#include "physics/collision/convex_hull.h"
#include "physics/collision/geometry.h"

struct McdConvexMesh : McdGeometry {
    CxConvexHull* hull = nullptr;
    MeReal fatness = 0;
    MeReal boundingRadius = 0;
};

/// A mesh over `hull` (taken over: destroying the mesh frees it). Null when the hull is null
/// or the allocation fails; in the latter case the hull is freed.
McdGeometryID McdConvexMeshCreate(McdFrameworkID framework, CxConvexHull* hull, MeReal fatness);
/// `McdConvexMeshCreate`(framework, `cnvComputeHull`(count, points, 1), fatness): null when
/// the points span no solid (fewer than 4, or all coplanar).
McdGeometryID McdConvexMeshCreateFromPoints(McdFrameworkID framework, const MeReal* points, int count,
                                            MeReal fatness);

CxConvexHull* McdConvexMeshGetHull(McdGeometryID mesh);
MeReal McdConvexMeshGetFatness(McdGeometryID mesh);
int McdConvexMeshGetFaceCount(McdGeometryID mesh);
int McdConvexMeshGetFaceVertexCount(McdGeometryID mesh, int face);
/// Position (3 floats, mesh frame) of ring entry j of a face; null outside the mesh.
const MeReal* McdConvexMeshGetFaceVertex(McdGeometryID mesh, int face, int j);

// Type functions.
void McdConvexMeshDestroy(McdGeometryID g);
void McdConvexMeshUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second);
void McdConvexMeshGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius);
/// Support point of the hull (without the fatness) along a world direction.
void McdConvexMeshMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3]);
/// Volume, centre of mass (the transform's position row) and inertia per unit mass about it
/// (uniform density); the fatness is ignored.
MeI16 McdConvexMeshGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

/// Line segment p0 -> p1 against the hull (no fatness): the entry point, or the exit point
/// when p0 lies inside; the face normal in world and the distance from p0. 1 on a hit.
int McdConvexMeshLineSegIntersect(McdModelID model, const MeReal p0[3], const MeReal p1[3],
                                  McdLineSegIntersectResult* hit);
