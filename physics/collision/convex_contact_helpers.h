#pragma once
/// Geometric helpers of the convex-mesh pairs: features of hulls and cylinders, polygon
/// clipping, closest points of segments, the normal of an edge-edge contact and neighbour
/// lookups in a hull's vertex graph. None allocates.

#include "physics/collision/convex_hull.h"

/// A support feature: 1 point (vertex), 2 (edge) or 3+ (face polygon, in ring order), in the
/// shape's frame. For a face, `normal` is its outward unit normal (facing the direction the
/// feature was asked for).
struct McdConvexFeature {
    static constexpr int kMaxPoints = 40;
    int count = 0;
    MeReal points[kMaxPoints][3];
    MeReal normal[3] = {0, 0, 0};
    MeReal support = 0;  ///< largest dot product of the shape with the direction
};

/// The feature of a hull extreme along the local unit direction `d`: the support vertex,
/// then the incident face whose vertices all lie within `tolerance` of the support value
/// (the most aligned one), else the incident edge within it, else the vertex. A flat hull
/// (one face) seen from its back gives the face with the normal turned to `d`.
void McdConvexHullSupportFeature(const CxConvexHull* hull, const MeReal d[3], MeReal tolerance, int start,
                                 McdConvexFeature* out);

/// The feature of a cylinder (radius r, half height h) along local direction d: a rim vertex,
/// a side edge, or a cap; the cap disc is given as a regular 12-gon on its rim.
void McdCylinderSupportFeature(MeReal r, MeReal h, const MeReal d[3], MeReal tolerance, McdConvexFeature* out);

/// The extreme feature of a hull along d by face normals (the plane pair's): the first face
/// whose normal . d is within `tolerance` of 1 gives its whole ring, else the best face's
/// most extreme ring vertex and, when within tolerance, its ring neighbour (an edge). Writes
/// at most `maxCount` points; the support value is the feature's mean dot product.
int McdConvexMeshSupportFeature(MeReal (*points)[3], int maxCount, const MeReal d[3], const CxConvexHull* hull,
                                MeReal tolerance, MeReal* support);

/// Keeps the part of polygon `in` with n . p - offset >= 0 (Sutherland-Hodgman), writing at
/// most `maxOut` points. Returns the output count.
int McdClipPolygonByPlane(MeReal (*out)[3], int maxOut, const MeReal (*in)[3], int inCount, const MeReal n[3],
                          MeReal offset);

/// Closest points of segments a0-a1 and b0-b1: parameters s, t in [0, 1], the points and
/// their distance. Near-parallel (relative to the edge lengths) and degenerate segments are
/// handled by end-point distances.
MeReal McdSegmentSegmentClosest(const MeReal a0[3], const MeReal a1[3], const MeReal b0[3], const MeReal b1[3],
                                MeReal* s, MeReal* t, MeReal pa[3], MeReal pb[3]);

/// Distance of p from segment a-b and the closest point (a for a zero-length segment).
MeReal McdPointSegmentDistance(const MeReal p[3], const MeReal a[3], const MeReal b[3], MeReal closest[3]);

/// Unit normal of an edge-edge contact between edge a0-a1 and edge b0-b1 (world points),
/// oriented from B's side towards A's: the edges' cross product, or for parallel edges the
/// part of the midpoints' offset perpendicular to them, or `fallback` when the edges are
/// collinear. `bCentre` is a point inside B (its centre) used to orient the normal.
void McdEdgeEdgeNormal(MeReal normal[3], const MeReal a0[3], const MeReal a1[3], const MeReal b0[3],
                       const MeReal b1[3], const MeReal bCentre[3], const MeReal fallback[3]);

/// The slot of `neighbour` in `vertex`'s list (one past the end when absent; null for null).
CxVertex* const* McdHullNeighbourSlot(const CxVertex* vertex, const CxVertex* neighbour);
/// The neighbour after (direction 1) or before the given one in cycle order, wrapping.
const CxVertex* McdHullNextNeighbour(const CxVertex* vertex, const CxVertex* neighbour, int direction);

/// normal = (p1 - p0) x (p2 - p0) (not normalised), d = normal . p0.
void McdPlaneFromPoints(const MeReal p0[3], const MeReal p1[3], const MeReal p2[3], MeReal normal[3], MeReal* d);
void McdPolygonCentroid(int count, const MeReal (*points)[3], MeReal centroid[3]);
/// 1 when the origin lies inside the polygon's x-y projection (crossing number).
int McdPolygonContainsOrigin2D(int count, const MeReal (*points)[3]);
