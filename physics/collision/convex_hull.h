#pragma once
/// Convex hull records: the shape of a convex mesh and of the shared box, point and triangle
/// hulls of the convex pairs.
///
/// A hull is a vertex graph with faces. Every vertex lists its neighbours (one per hull edge)
/// in cyclic order around it, counter-clockwise seen from outside, and its faces in the same
/// cyclic order (face i lies between neighbours i and i + 1). Every face holds its
/// vertex ring, clockwise seen from outside (the cross product of consecutive ring edges
/// points into the hull), and its outward unit normal. For a vertex v the cycle is the one
/// the rings give: if a face's ring runs p -> v -> n, the next face around v is the one
/// whose ring enters v from n, so neighbour i+1 is the "next" of the face whose "previous"
/// is neighbour i.

#include "physics/collision/framework.h"

struct CxFace;

struct CxVertex {
    MeReal position[3] = {0, 0, 0};
    int faceCount = 0;
    CxFace** faces = nullptr;
    int neighbourCount = 0;
    CxVertex** neighbours = nullptr;
};

struct CxRingEntry {
    CxVertex* vertex = nullptr;
    MeReal position[3] = {0, 0, 0};
    MeReal normal[3] = {0, 0, 0};  ///< the face normal (mode 1) or the vertex's mean normal (mode 0)
};

struct CxFace {
    int vertexCount = 0;
    CxRingEntry* ring = nullptr;
    MeReal normal[3] = {0, 0, 0};  ///< outward, unit
};

struct CxConvexHull {
    int vertexCount = 0;
    CxVertex* vertices = nullptr;
    int faceCount = 0;
    CxFace* faces = nullptr;
    // Backing stores of the per-vertex and per-face arrays above.
    CxFace** faceRefStore = nullptr;
    CxVertex** neighbourStore = nullptr;
    CxRingEntry* ringStore = nullptr;
};

/// The hull of `count` points (3 floats each) through qhull. `normalMode` 1 gives every ring
/// entry its face normal, 0 the mean of the vertex's face normals (not normalised). Null when
/// qhull cannot build a solid hull (fewer than 4 points, all points coplanar) or an
/// allocation fails; nothing is leaked and qhull's memory is always released.
CxConvexHull* cnvComputeHull(int count, const MeReal* points, int normalMode);

/// A flat hull of one triangle: 3 vertices with 2 neighbours and 1 face each, one face of 3
/// ring entries carrying `normal`. Null when an allocation fails.
CxConvexHull* cnvMakeTriangleHull(const MeReal a[3], const MeReal b[3], const MeReal c[3], const MeReal normal[3]);

/// Frees a hull made by `cnvComputeHull` or `cnvMakeTriangleHull`; null is ignored.
void cnvHullDestroy(CxConvexHull* hull);

/// Copies every vertex position into the ring entries that refer to it and recomputes each
/// face normal from its whole ring (faces of fewer than 3 vertices keep theirs). Called after
/// vertex positions change (the shared box hull on rescale).
void cnvHullRefresh(CxConvexHull* hull);

/// Loads the shared triangle hull: vertex and ring positions, face and ring normals.
void McdTriangleHullSetVertices(CxConvexHull* hull, const MeReal a[3], const MeReal b[3], const MeReal c[3],
                                const MeReal normal[3]);

/// The shared one-vertex hull at the origin (no faces): a sphere is this hull with fatness.
CxConvexHull* cnvSharedScratch();

/// The index of a vertex record of `hull`.
inline int cnvVertexIndex(const CxConvexHull* hull, const CxVertex* vertex)
{
    return static_cast<int>(vertex - hull->vertices);
}

void cnvVec3Sub(MeReal out[3], const MeReal a[3], const MeReal b[3]);
void cnvVec3Cross(MeReal out[3], const MeReal a[3], const MeReal b[3]);
MeReal cnvVec3Dot(const MeReal a[3], const MeReal b[3]);
/// atan2(+-|u x v|, u . v) + pi, the sign negative when (u x v) . axis < 0: an angle in 0 .. 2 pi.
MeReal cnvAngleAround(const MeReal u[3], const MeReal v[3], const MeReal axis[3]);
