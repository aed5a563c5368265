#pragma once
/// The line-test object: the low-level line clippers and primitive overlap tests that the
/// pair functions share, reached through one instance the framework creates at `McdInit`
/// and destroys at `McdTerm` (`McdGeometryTestsGet`). It holds no data; its operations are
/// virtual.
///
/// Conventions of every operation:
/// - A segment given by centre p and half-vector d covers p + t.d for t in [-1, 1]; a line
///   clip narrows a parameter range [tLo, tHi].
/// - Boxes are given by half extents and sit at the origin of the frame of the line.
/// - Points are appended through an `McdPointCursor` over a caller-owned list; appends
///   beyond the list's end are dropped (the cursor counts them as `overflow`).
/// - Contact outputs follow the contact record: separation negative on overlap, the normal
///   from the second shape towards the first, dims one byte per shape (0 vertex, 1 edge,
///   2 face, 3 curved surface). Each operation says which shape takes the high byte.
/// - A reciprocal direction holds 1/d per component, 0 for a zero component
///   (`McdReciprocal`).

#include "physics/collision/framework.h"

/// Write cursor of a caller-owned list of 3-float points.
struct McdPointCursor {
    MeReal (*next)[3] = nullptr;
    MeReal (*end)[3] = nullptr;
    int overflow = 0;

    McdPointCursor() = default;
    McdPointCursor(MeReal (*list)[3], int capacity) : next(list), end(list + capacity) {}

    /// Appends a point; returns its slot, or null when the list is full.
    MeReal* Append(const MeReal p[3])
    {
        if (next >= end) {
            ++overflow;
            return nullptr;
        }
        MeReal* slot = *next++;
        slot[0] = p[0];
        slot[1] = p[1];
        slot[2] = p[2];
        return slot;
    }
    /// Points written since `begin`.
    int Count(const MeReal (*begin)[3]) const { return static_cast<int>(next - begin); }
};

/// A triangle as the triangle-list pairs hand it to the tests: vertices, unit face normal and
/// edges expressed in the frame of the other shape. Edge k runs from vertex k to vertex k+1
/// (`McdTriangleSetEdges`).
struct McdTriangleRecord {
    const MeReal* vertices[3] = {nullptr, nullptr, nullptr};
    MeReal normal[3] = {0, 0, 0};
    MeReal edges[3][3] = {};
    unsigned flags = 0;
};

/// Triangle flags: edge and vertex contacts take their own normal and separation.
inline constexpr unsigned kMcdTriangleUseEdgeNormals = 1u;
/// Triangle flags: the triangle is two-sided (read by the triangle-list pairs).
inline constexpr unsigned kMcdTriangleTwoSided = 2u;
/// Triangle flags: edge k may make edge contacts when bit (2 + k) is set.
inline constexpr unsigned kMcdTriangleEdge0 = 4u;

/// edges[0] = v1 - v0, edges[1] = v2 - v1, edges[2] = v0 - v2.
void McdTriangleSetEdges(McdTriangleRecord* triangle);

/// Relative margin within which box faces count as flush: 1e-5 of the larger box's largest
/// half extent is some hundred float roundings, yet far below any contact depth that matters.
inline constexpr MeReal kMcdBoxFlushTolerance = 1e-5f;
/// The flush margin of two boxes: `kMcdBoxFlushTolerance` times their largest half extent.
MeReal McdBoxFlushTolerance(const MeReal ea[3], const MeReal eb[3]);

/// Component-wise reciprocal; 0 where a component is 0.
void McdReciprocal(const MeReal d[3], MeReal out[3]);

class McdGeometryTests {
public:
    McdGeometryTests() = default;
    McdGeometryTests(const McdGeometryTests&) = delete;
    McdGeometryTests& operator=(const McdGeometryTests&) = delete;
    virtual ~McdGeometryTests() = default;

    /// Clips the segment (p, d) by the box `e`; appends the entry point when -1 < tLo < 1 and
    /// the exit point when -1 < tHi < 1 (where the segment crosses the box surface).
    virtual void SegmentClip(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], const MeReal rd[3],
                             const MeReal e[3]);
    /// The same clip; appends both ends of the part inside (entry, then exit) and returns the
    /// last point's slot, or null when the segment misses the box.
    virtual MeReal* SegmentClip2(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], const MeReal rd[3],
                                 const MeReal e[3]);
    /// 1 when |ca - cb|^2 < (ra + rb)^2.
    virtual int SpheresOverlap(const MeReal ca[3], MeReal ra, const MeReal cb[3], MeReal rb);
    /// Narrows [tLo, tHi] to the part of the line p + t.d inside the cylinder of radius r and
    /// half height h along z about the origin; false when nothing is left.
    virtual bool LineCylinderClip(MeReal* tLo, MeReal* tHi, const MeReal p[3], const MeReal d[3], MeReal r,
                                  MeReal h);
    /// `LineCylinderClip` on [tLo, tHi]; appends the point at the new lower bound when it rose
    /// and at the new upper bound when it fell.
    virtual void LineCylinderCrossings(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r,
                                       MeReal h, MeReal tLo, MeReal tHi);
    /// `LineCylinderClip`; appends both clipped ends; the last slot or null on a miss.
    virtual MeReal* LineCylinderClipEnds(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r,
                                         MeReal h, MeReal tLo, MeReal tHi);
    /// `LineCylinderClip`; appends the clipped start always and the clipped end when it fell
    /// below tHi; the last slot or null on a miss.
    virtual MeReal* LineCylinderClipFromStart(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3],
                                              MeReal r, MeReal h, MeReal tLo, MeReal tHi);
    /// Appends both ends of the part of segment a-b inside the cylinder (r, h); the last slot
    /// or null on a miss.
    virtual MeReal* CylinderContactClip(McdPointCursor* cursor, MeReal r, MeReal h, const MeReal a[3],
                                        const MeReal b[3]);
    /// Clips the segment to z <= 0 (`rdz` = 1/d_z, 0 when d_z = 0); appends the entry and the
    /// exit point when each lies strictly inside (-1, 1).
    virtual void SegmentPlaneCrossing(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal rdz);
    /// The same clip; appends both ends of the kept part; the last slot or null on a miss.
    virtual MeReal* SegmentPlaneClip(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal rdz);
    /// Clips the twelve edges of box `eOwn`, placed by `pose` in the frame of box `eOther`,
    /// against that box, appending the crossing points (at most 24). Points within the flush
    /// margin (`McdBoxFlushTolerance`) of the other box count as inside it, and an edge
    /// whose travel along an axis is below the margin counts as parallel to that axis.
    virtual void BoxEdgesInBox(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal eOwn[3],
                               const MeReal eOther[3]);
    /// Appends the crossings of the box's edges with the plane z = 0 and its corners below it
    /// (box `e` placed by `pose` in the plane's frame; at most 16 points).
    virtual void BoxPlaneContacts(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e[3]);
    /// Sphere of radius r centred at the origin against a triangle. Normal from the triangle
    /// towards the sphere, position the sphere's deepest point, dims 515 for the face (the
    /// triangle's feature in the high byte when the edge's bit is set: 259 edge, 3 vertex).
    /// Beside the face, the edge holding the triangle's closest point decides.
    virtual bool SphereTriangle(MeReal* separation, MeReal normal[3], MeReal position[3], MeI16* dims,
                                MeReal tolerance, MeReal r, const McdTriangleRecord* triangle);
    /// Box `e` at the origin against a triangle: separating axes (face normal, box axes, box
    /// axis x active edge; an axis standing for a shared edge gives way to the face normal);
    /// false when one separates by more than the tolerance. Normal from the triangle towards
    /// the box; a point p's separation is p.normal - offset, the box's depth at p. Appends
    /// points on the box's surface over the patch: the ends of the active triangle edges
    /// inside the box, the crossings of the box's edges with the triangle, the places of
    /// greatest depth, and the box corners behind the triangle. True when it appended.
    /// Dims: box feature low byte, triangle's high byte.
    virtual bool BoxTriangle(MeReal* separation, MeReal normal[3], MeReal* offset, McdPointCursor* cursor,
                             MeI16* dims, MeReal tolerance, const MeReal e[3], const McdTriangleRecord* triangle);
    /// Cylinder (radius r, half height h, axis z, at the origin) against a triangle, with the
    /// outputs of `BoxTriangle`. Dims: low byte 2 (triangle face), high byte 2 for a cap
    /// (normal along the axis within 0.999999 in squared cosine), else 3 (the side).
    virtual bool CylinderTriangle(MeReal* separation, MeReal normal[3], MeReal* offset, McdPointCursor* cursor,
                                  MeI16* dims, MeReal tolerance, MeReal r, MeReal h,
                                  const McdTriangleRecord* triangle);
    /// Fifteen-axis test of box a (origin) and box b (placed by `poseB` in a's frame). False
    /// when an axis separates them by more than the tolerance. Else: separation along the
    /// best axis, unit normal from b towards a (in a's frame), dims (a's feature low byte),
    /// and `support`: the offset along the normal of the plane midway between the two boxes'
    /// faces on that axis (points p of the contact patch lie near normal.p = support).
    virtual bool BoxBoxSeparatingAxis(MeReal* separation, MeReal normal[3], MeReal* support, MeI16* dims,
                                      MeReal tolerance, const MeReal ea[3], const MeReal eb[3],
                                      MeConstMatrix4Ptr poseB);
    /// Box `e` placed by `pose` in the frame of the plane z = 0 (solid below). Separation =
    /// the box's lowest height; dims: box feature low byte (2 flat, 1 edge, 0 corner), plane
    /// face high byte. When it is at most the tolerance the box's points go to the cursor
    /// (`BoxPlaneContacts`); true when the list grew.
    virtual bool BoxPlane(MeReal* separation, McdPointCursor* cursor, MeI16* dims, MeReal tolerance, const MeReal e[3],
                          MeConstMatrix4Ptr pose);
    /// Sphere (radius r, centre c in the box's frame) against box `e`. Normal from the sphere
    /// towards the box, position the sphere's deepest point, dims sphere high byte (3) and
    /// the box feature low byte. False when apart by more than the tolerance.
    virtual bool SphereBox(MeReal* separation, MeReal normal[3], MeReal position[3], MeI16* dims, MeReal tolerance,
                           const MeReal e[3], MeReal r, const MeReal c[3]);
};

/// Returns the shared instance, creating it on first use, and counts one more user (each
/// framework is one). Null when the allocation fails.
McdGeometryTests* McdGeometryTestsCreate();
/// Counts one user less; the last one destroys the instance.
void McdGeometryTestsDestroy();
/// The current instance, or null.
McdGeometryTests* McdGeometryTestsGet();
