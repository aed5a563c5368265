#pragma once
/// Geometric helpers of the convex-mesh pairs: features of hulls and cylinders, polygon
/// clipping, closest points of segments, the normal of an edge-edge contact and neighbour
/// lookups in a hull's vertex graph. None allocates.

#include "physics/collision/convex_hull.h"

/// A support feature: 1 point (vertex), 2 (edge) or 3+ (face polygon, in ring order), in the
/// shape's frame, or -1 for a disc (a cylinder's cap: its centre in `points[0]` and its
/// `radius`). For a face or a disc, `normal` is its outward unit normal (facing the direction
/// the feature was asked for).
struct McdConvexFeature {
    static constexpr int kMaxPoints = 40;
    int count = 0;
    MeReal points[kMaxPoints][3];
    MeReal normal[3] = {0, 0, 0};
    MeReal support = 0;  ///< largest dot product of the shape with the direction
    MeReal radius = 0;   ///< of a disc
};

/// The feature of a hull extreme along the local unit direction `d`: the support vertex,
/// then the incident face whose vertices all lie within `tolerance` of the support value
/// (the most aligned one), else the incident edge within it, else the vertex. A flat hull
/// (one face) seen from its back gives the face with the normal turned to `d`.
void McdConvexHullSupportFeature(const CxConvexHull* hull, const MeReal d[3], MeReal tolerance, int start,
                                 McdConvexFeature* out);

/// The feature of a cylinder (radius r, half height h) along local direction d: a rim vertex,
/// a side edge, or a cap disc (count -1).
void McdCylinderSupportFeature(MeReal r, MeReal h, const MeReal d[3], MeReal tolerance, McdConvexFeature* out);

/// A cap disc given as a regular 12-gon on its rim (count 12, the same centre, normal and
/// support): the polygon the disc helpers replace, kept for shapes they do not cover.
void McdDiscAsPolygon(McdConvexFeature* feature);

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

/// The roots of a x^2 + b x + c = 0 as a centre and the squared half distance: for a != 0
/// centre -b / 2a and width b^2 / 4a^2 - c / a; for a = 0, b != 0 the single root with width
/// 0; false when a = b = 0.
bool McdSolveQuadratic(MeReal a, MeReal b, MeReal c, MeReal* centre, MeReal* width);

/// Contact points of two discs in one plane at z = `height`: disc 1 (radius r1) at the
/// origin, disc 2 (r2) at (dx, dy). Apart or barely overlapping: one point between the
/// centres; one inside the other: three points on the smaller rim; otherwise the two rim
/// crossings and the two rim points on the line of centres. Returns the count (at most 4).
int McdDiscDiscContactPoints(MeReal r1, MeReal r2, MeReal height, MeReal dx, MeReal dy, MeReal (*out)[3]);

/// The part of segment a-b over a disc of radius r about the z axis (x-y projection): the
/// two points where it crosses the rim (clamped to the segment), one where it touches the
/// rim, else the segment's point closest to the axis. Returns the count (1 or 2).
int McdSegmentDiscClip(const MeReal a[3], const MeReal b[3], MeReal r, MeReal (*out)[3]);

/// Clips segment p0-p1 to the circle x^2 + y^2 <= r^2 (x-y projection, z interpolated).
/// 0 when it misses (or its projection is shorter than 0.01); else 1, with flags[0] set when
/// p0 was moved onto the rim and flags[1] when p1 was.
int McdSegmentClipCircle(MeReal r, MeReal p0[3], MeReal p1[3], int flags[2]);

/// The contact points of a polygon (at least 3 points, disc frame) over a disc of radius r
/// about the z axis, lifted onto the polygon's plane: the polygon's edges clipped to the
/// circle; when the rim crosses the polygon once, the rim points on the polygon's side;
/// when the disc lies wholly on the polygon, four rim points. At most `maxPoints`; 1 when
/// any point was produced.
int McdPolygonClipDisc(const MeReal (*polygon)[3], int count, MeReal r, int maxPoints, MeReal (*out)[3], int* outCount);
