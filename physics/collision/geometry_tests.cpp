// The shared primitive tests: slab clipping of segments by boxes, planes and cylinders, and
// the overlap tests of box-box, box-plane, sphere-box and the triangle tests.
//
// Slab clipping. A segment p + t.d is inside a box of half extents e where every coordinate
// satisfies |p_i + t.d_i| <= e_i. Per axis that is an interval of t: with q = 1/d_i it runs
// from -p_i.q - |q|.e_i to -p_i.q + |q|.e_i. A component below 1e-6 counts as parallel: the
// axis then keeps everything or nothing. The clip intersects the intervals.
//
// Separating axes. Two convex shapes are apart when their projections on some axis are
// disjoint. For boxes the candidate axes are the six face normals and the nine cross
// products of an edge direction of each. Each axis L gives the separation
// |L.t| - r_a(L) - r_b(L) (t the centre offset, r the projected radii); the largest one is
// the least penetration (or the gap). Cross products are normalised; edge pairs that are
// nearly parallel give no axis. An edge axis must beat the best face axis by the tolerance,
// so that face contacts (stable, several points) win near ties.
//
// Box against triangle. The axis search leaves out the axes of edges shared with a flat
// neighbour (their bit clear), and an axis whose extreme feature on the triangle is no edge
// or corner of the surface (a shared edge, a corner seen from inside) gives way to the
// face axis: the pieces of a flat floor all push along its normal. Contact points lie on the
// box's surface, each with the depth of the box at that place: a point of the triangle p
// goes to where the line p + s.n enters the box (the box must rise by -s to clear p), and a
// box corner behind the triangle keeps its height. The greatest depth over the triangle is
// among its corners, the points over box edges and over box corners, which join the points
// of the patch. An edge pair's points take the depth of its axis. Since a corner and a point
// above it on the same line meet at one place, the culling sees the patch, not a column.
//
// Sign conventions: the returned normal points from the second shape towards the first (for
// the box-box test from b to a; for the sphere-box test from the sphere to the box; for the
// triangle tests from the triangle to the other shape).

#include "physics/collision/geometry_tests.h"
#include "physics/dynamics/me_math.h"

#include <cmath>
#include <initializer_list>

namespace {

inline MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

inline void Cross(MeReal out[3], const MeReal a[3], const MeReal b[3])
{
    const MeReal x = a[1] * b[2] - a[2] * b[1];
    const MeReal y = a[2] * b[0] - a[0] * b[2];
    const MeReal z = a[0] * b[1] - a[1] * b[0];
    out[0] = x, out[1] = y, out[2] = z;
}

inline void Point(MeReal out[3], const MeReal p[3], const MeReal d[3], MeReal t)
{
    for (int i = 0; i < 3; ++i)
        out[i] = p[i] + t * d[i];
}

// Narrows [lo, hi] to the part of p + t.d inside box e. False on a miss.
bool SlabClip(MeReal* lo, MeReal* hi, const MeReal p[3], const MeReal d[3], const MeReal rd[3], const MeReal e[3])
{
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(d[i]) < 1e-6f) {
            if (std::fabs(p[i]) > e[i])
                return false;
            continue;
        }
        const MeReal q = rd[i];
        const MeReal aq = std::fabs(q);
        const MeReal t1 = -p[i] * q - aq * e[i];
        const MeReal t2 = -p[i] * q + aq * e[i];
        if (t1 > *lo)
            *lo = t1;
        if (t2 < *hi)
            *hi = t2;
        if (*hi < *lo)
            return false;
    }
    return true;
}

// The slab clip with a reciprocal that is 0 on the axes the edge does not cross (its travel
// along them is below the flush tolerance).
bool FlushSlabClip(MeReal* lo, MeReal* hi, const MeReal p[3], const MeReal rd[3], const MeReal e[3])
{
    for (int i = 0; i < 3; ++i) {
        if (rd[i] == 0) {
            if (std::fabs(p[i]) > e[i])
                return false;
            continue;
        }
        const MeReal aq = std::fabs(rd[i]);
        const MeReal t1 = -p[i] * rd[i] - aq * e[i];
        const MeReal t2 = -p[i] * rd[i] + aq * e[i];
        if (t1 > *lo)
            *lo = t1;
        if (t2 < *hi)
            *hi = t2;
        if (*hi < *lo)
            return false;
    }
    return true;
}

// Narrows [lo, hi] to z <= 0.
bool PlaneClip(MeReal* lo, MeReal* hi, const MeReal p[3], const MeReal d[3], MeReal rdz)
{
    if (d[2] > 0) {
        const MeReal t = -rdz * p[2];
        if (t < *hi)
            *hi = t;
    } else if (d[2] < 0) {
        const MeReal t = -rdz * p[2];
        if (t > *lo)
            *lo = t;
    } else if (p[2] > 0) {
        return false;
    }
    return *hi >= *lo;
}

// Support radius of a box with half extents e and axes rows of `axes` along L.
MeReal BoxRadius(const MeReal e[3], const MeReal L[3])
{
    return e[0] * std::fabs(L[0]) + e[1] * std::fabs(L[1]) + e[2] * std::fabs(L[2]);
}

MeReal CylinderRadius(MeReal r, MeReal h, const MeReal L[3])
{
    const MeReal s2 = 1 - L[2] * L[2];
    return r * std::sqrt(s2 > 0 ? s2 : 0) + h * std::fabs(L[2]);
}

// Feature of a box seen along a unit direction in its frame: 2 face, 1 edge, 0 vertex.
int BoxFeature(const MeReal n[3])
{
    int zeros = 0;
    for (int i = 0; i < 3; ++i)
        if (std::fabs(n[i]) < 0.0001f)
            ++zeros;
    return zeros > 2 ? 2 : zeros;
}

// +1 when the vertices run counter-clockwise about the normal, -1 when clockwise.
MeReal Winding(const McdTriangleRecord* tri)
{
    MeReal c[3];
    Cross(c, tri->edges[0], tri->edges[1]);
    return Dot(c, tri->normal) >= 0 ? 1.0f : -1.0f;
}

bool InsideTriangle(const McdTriangleRecord* tri, const MeReal p[3], MeReal slack)
{
    const MeReal winding = Winding(tri);
    for (int k = 0; k < 3; ++k) {
        MeReal w[3], c[3];
        for (int i = 0; i < 3; ++i)
            w[i] = p[i] - tri->vertices[k][i];
        Cross(c, tri->edges[k], w);
        if (winding * Dot(c, tri->normal) < -slack)
            return false;
    }
    return true;
}

// Separating-axis state shared by the two triangle tests.
struct TriangleAxes {
    MeReal best = -FLT_MAX;
    MeReal normal[3] = {0, 0, 1};
    MeReal offset = 0;
    int kind = 0;  ///< 0 triangle face, 1 shape face, 2 edge pair
    bool separated = false;

    // L unit. The shape is centred at the origin with support radius r along L.
    void Try(const MeReal L[3], MeReal r, const McdTriangleRecord* tri, MeReal tolerance, int axisKind, MeReal bias)
    {
        MeReal lo = FLT_MAX, hi = -FLT_MAX;
        for (int k = 0; k < 3; ++k) {
            const MeReal v = Dot(L, tri->vertices[k]);
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
        // Shape on the + side of the triangle along L, or on the - side.
        const MeReal above = -r - hi;
        const MeReal below = lo - r;
        const MeReal sep = above >= below ? above : below;
        if (sep > tolerance) {
            separated = true;
            return;
        }
        if (sep > best + bias) {
            best = sep;
            kind = axisKind;
            const MeReal s = above >= below ? 1.0f : -1.0f;
            for (int i = 0; i < 3; ++i)
                normal[i] = s * L[i];
            offset = above >= below ? hi : -lo;
        }
    }
};

// Where the line p + s.n enters the box e going along n: the least s on it inside the box,
// into `entry`. False when the line passes beside the box.
bool BoxEntryAlong(MeReal* entry, const MeReal p[3], const MeReal n[3], const MeReal e[3])
{
    MeReal lo = -FLT_MAX, hi = FLT_MAX;
    for (int i = 0; i < 3; ++i) {
        if (std::fabs(n[i]) < 1e-9f) {
            if (std::fabs(p[i]) > e[i] * (1 + 1e-6f))
                return false;
            continue;
        }
        const MeReal t1 = (-e[i] - p[i]) / n[i], t2 = (e[i] - p[i]) / n[i];
        lo = std::fmax(lo, std::fmin(t1, t2));
        hi = std::fmin(hi, std::fmax(t1, t2));
    }
    // Points on the box's surface may miss it by rounding.
    if (lo > hi + 1e-6f * (e[0] + e[1] + e[2]))
        return false;
    *entry = lo;
    return true;
}

// The points of the segment v + t.d (t in [lo, hi]) under which an edge of box e passes
// along n (the box edge lies below the point along n).
void AppendEdgesBeneath(McdPointCursor* cursor, const MeReal v[3], const MeReal d[3], MeReal lo, MeReal hi,
                        const MeReal n[3], const MeReal e[3])
{
    // Two directions across n: the crossing is solved in the plane they span.
    MeReal u1[3], u2[3];
    const MeReal pick[3] = {std::fabs(n[0]) < 0.6f ? 1.0f : 0.0f, std::fabs(n[0]) < 0.6f ? 0.0f : 1.0f, 0};
    Cross(u1, n, pick);
    const MeReal len = std::sqrt(Dot(u1, u1));
    for (MeReal& x : u1)
        x /= len;
    Cross(u2, n, u1);
    const MeReal d1 = Dot(d, u1), d2 = Dot(d, u2);
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        for (int sj = -1; sj <= 1; sj += 2)
            for (int sk = -1; sk <= 1; sk += 2) {
                // Box edge a + s.f, s in [-1, 1], along axis i.
                MeReal a[3] = {0, 0, 0}, f[3] = {0, 0, 0};
                a[j] = sj * e[j];
                a[k] = sk * e[k];
                f[i] = e[i];
                // v + t.d - a - s.f has no part across n: t.d - s.f = a - v in (u1, u2).
                const MeReal w[3] = {a[0] - v[0], a[1] - v[1], a[2] - v[2]};
                const MeReal f1 = Dot(f, u1), f2 = Dot(f, u2), w1 = Dot(w, u1), w2 = Dot(w, u2);
                const MeReal det = -d1 * f2 + d2 * f1;
                if (std::fabs(det) < 1e-9f)
                    continue;
                const MeReal t = (-w1 * f2 + w2 * f1) / det;
                const MeReal s = (d1 * w2 - d2 * w1) / det;
                if (!(t > lo && t < hi && s >= -1 && s <= 1))
                    continue;
                MeReal p[3], b[3];
                Point(p, v, d, t);
                Point(b, a, f, s);
                if (Dot(n, p) > Dot(n, b))
                    cursor->Append(p);
            }
    }
}

// Whether a normal n that is not the triangle's own belongs to the surface: the triangle's
// feature extreme along n (its vertices within rounding of `top`) must be the face, or have
// an open edge (bit set) across which n points outward. A piece's corner at a shared edge,
// or an inner direction, only separates the box from this piece of a flat surface.
bool ExtremeFeatureIsOpen(const McdTriangleRecord* tri, const MeReal n[3], MeReal top)
{
    MeReal size = 0;
    for (int k = 0; k < 3; ++k)
        size = std::fmax(size, Dot(tri->edges[k], tri->edges[k]));
    const MeReal slack = 1e-5f * std::sqrt(size);
    bool at[3];
    int count = 0;
    for (int k = 0; k < 3; ++k)
        count += at[k] = Dot(n, tri->vertices[k]) >= top - slack;
    if (count >= 3)
        return true;
    for (int k = 0; k < 3; ++k) {
        const int k1 = (k + 1) % 3;
        if (!(tri->flags & (kMcdTriangleEdge0 << k)) || !(count == 1 ? at[k] || at[k1] : at[k] && at[k1]))
            continue;
        // The edge's outward direction in the plane: away from the third vertex.
        MeReal m[3], inward[3];
        Cross(m, tri->edges[k], tri->normal);
        const MeReal* opposite = tri->vertices[(k + 2) % 3];
        for (int i = 0; i < 3; ++i)
            inward[i] = opposite[i] - tri->vertices[k][i];
        const MeReal sign = Dot(m, inward) > 0 ? -1.0f : 1.0f;
        if (sign * Dot(n, m) > 1e-4f * std::sqrt(Dot(m, m)))
            return true;
    }
    return false;
}

}  // namespace

void McdTriangleSetEdges(McdTriangleRecord* t)
{
    for (int k = 0; k < 3; ++k) {
        const MeReal* a = t->vertices[k];
        const MeReal* b = t->vertices[(k + 1) % 3];
        for (int i = 0; i < 3; ++i)
            t->edges[k][i] = b[i] - a[i];
    }
}

MeReal McdBoxFlushTolerance(const MeReal ea[3], const MeReal eb[3])
{
    MeReal largest = 0;
    for (int i = 0; i < 3; ++i) {
        largest = ea[i] > largest ? ea[i] : largest;
        largest = eb[i] > largest ? eb[i] : largest;
    }
    return kMcdBoxFlushTolerance * largest;
}

void McdReciprocal(const MeReal d[3], MeReal out[3])
{
    for (int i = 0; i < 3; ++i)
        out[i] = d[i] != 0 ? 1 / d[i] : 0;
}

void McdGeometryTests::SegmentClip(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], const MeReal rd[3],
                                   const MeReal e[3])
{
    MeReal lo = -1, hi = 1, q[3];
    if (!SlabClip(&lo, &hi, p, d, rd, e))
        return;
    if (lo > -1 && lo < 1) {
        Point(q, p, d, lo);
        cursor->Append(q);
    }
    if (hi > -1 && hi < 1) {
        Point(q, p, d, hi);
        cursor->Append(q);
    }
}

MeReal* McdGeometryTests::SegmentClip2(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3],
                                       const MeReal rd[3], const MeReal e[3])
{
    MeReal lo = -1, hi = 1, q[3];
    if (!SlabClip(&lo, &hi, p, d, rd, e))
        return nullptr;
    Point(q, p, d, lo);
    MeReal* last = cursor->Append(q);
    Point(q, p, d, hi);
    MeReal* end = cursor->Append(q);
    return end ? end : last;
}

int McdGeometryTests::SpheresOverlap(const MeReal ca[3], MeReal ra, const MeReal cb[3], MeReal rb)
{
    MeReal d2 = 0;
    for (int i = 0; i < 3; ++i)
        d2 += (ca[i] - cb[i]) * (ca[i] - cb[i]);
    return d2 < (ra + rb) * (ra + rb) ? 1 : 0;
}

bool McdGeometryTests::LineCylinderClip(MeReal* tLo, MeReal* tHi, const MeReal p[3], const MeReal d[3], MeReal r,
                                        MeReal h)
{
    const MeReal a = d[0] * d[0] + d[1] * d[1];
    const MeReal b = p[0] * d[0] + p[1] * d[1];
    const MeReal c = p[0] * p[0] + p[1] * p[1] - r * r;
    MeReal lo = -FLT_MAX, hi = FLT_MAX;
    if (a < 1e-16f) {
        // Parallel to the axis: inside the circle or nowhere; only the caps bound it.
        if (c > 0)
            return false;
    } else {
        const MeReal disc = b * b - a * c;
        if (disc < 0)
            return false;
        const MeReal root = std::sqrt(disc);
        lo = (-b - root) / a;
        hi = (-b + root) / a;
        if (hi < *tLo || lo > *tHi)
            return false;
    }
    if (std::fabs(d[2]) < 1e-8f) {
        if (std::fabs(p[2]) > h)
            return false;
    } else {
        MeReal c1 = (-h - p[2]) / d[2], c2 = (h - p[2]) / d[2];
        if (c1 > c2) {
            const MeReal t = c1;
            c1 = c2, c2 = t;
        }
        if (c2 < *tLo || c1 > *tHi)
            return false;
        lo = c1 > lo ? c1 : lo;
        hi = c2 < hi ? c2 : hi;
    }
    if (hi < lo)
        return false;
    const MeReal newLo = lo > *tLo ? lo : *tLo;
    const MeReal newHi = hi < *tHi ? hi : *tHi;
    if (newHi < newLo)
        return false;
    *tLo = newLo;
    *tHi = newHi;
    return true;
}

void McdGeometryTests::LineCylinderCrossings(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r,
                                             MeReal h, MeReal tLo, MeReal tHi)
{
    MeReal lo = tLo, hi = tHi, q[3];
    if (!LineCylinderClip(&lo, &hi, p, d, r, h))
        return;
    if (lo > tLo) {
        Point(q, p, d, lo);
        cursor->Append(q);
    }
    if (hi < tHi) {
        Point(q, p, d, hi);
        cursor->Append(q);
    }
}

MeReal* McdGeometryTests::LineCylinderClipEnds(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r,
                                               MeReal h, MeReal tLo, MeReal tHi)
{
    MeReal lo = tLo, hi = tHi, q[3];
    if (!LineCylinderClip(&lo, &hi, p, d, r, h))
        return nullptr;
    Point(q, p, d, lo);
    MeReal* last = cursor->Append(q);
    Point(q, p, d, hi);
    MeReal* end = cursor->Append(q);
    return end ? end : last;
}

MeReal* McdGeometryTests::LineCylinderClipFromStart(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3],
                                                    MeReal r, MeReal h, MeReal tLo, MeReal tHi)
{
    MeReal lo = tLo, hi = tHi, q[3];
    if (!LineCylinderClip(&lo, &hi, p, d, r, h))
        return nullptr;
    Point(q, p, d, lo);
    MeReal* last = cursor->Append(q);
    if (hi < tHi) {
        Point(q, p, d, hi);
        if (MeReal* end = cursor->Append(q))
            last = end;
    }
    return last;
}

MeReal* McdGeometryTests::CylinderContactClip(McdPointCursor* cursor, MeReal r, MeReal h, const MeReal a[3],
                                              const MeReal b[3])
{
    const MeReal d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    return LineCylinderClipEnds(cursor, a, d, r, h, 0, 1);
}

void McdGeometryTests::SegmentPlaneCrossing(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal rdz)
{
    MeReal lo = -1, hi = 1, q[3];
    if (!PlaneClip(&lo, &hi, p, d, rdz))
        return;
    if (lo > -1 && lo < 1) {
        Point(q, p, d, lo);
        cursor->Append(q);
    }
    if (hi > -1 && hi < 1) {
        Point(q, p, d, hi);
        cursor->Append(q);
    }
}

MeReal* McdGeometryTests::SegmentPlaneClip(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal rdz)
{
    MeReal lo = -1, hi = 1, q[3];
    if (!PlaneClip(&lo, &hi, p, d, rdz))
        return nullptr;
    Point(q, p, d, lo);
    MeReal* last = cursor->Append(q);
    Point(q, p, d, hi);
    MeReal* end = cursor->Append(q);
    return end ? end : last;
}

void McdGeometryTests::BoxEdgesInBox(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal eOwn[3],
                                     const MeReal eOther[3])
{
    // Faces of boxes resting flush on each other coincide to rounding: an edge on the other
    // box's face plane, or a coordinate equal to its half extent, must count as inside, else
    // flush faces lose corners at random. Both tests get a margin scaled to the boxes.
    const MeReal tol = McdBoxFlushTolerance(eOwn, eOther);
    const MeReal wide[3] = {eOther[0] + tol, eOther[1] + tol, eOther[2] + tol};
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        MeReal d[3], rd[3];
        for (int m = 0; m < 3; ++m)
            d[m] = eOwn[i] * pose[i][m];
        for (int m = 0; m < 3; ++m)
            rd[m] = std::fabs(d[m]) < tol ? 0 : 1 / d[m];
        for (int sj = -1; sj <= 1; sj += 2)
            for (int sk = -1; sk <= 1; sk += 2) {
                MeReal p[3];
                for (int m = 0; m < 3; ++m)
                    p[m] = pose[3][m] + sj * eOwn[j] * pose[j][m] + sk * eOwn[k] * pose[k][m];
                MeReal lo = -1, hi = 1, q[3];
                if (!FlushSlabClip(&lo, &hi, p, rd, wide))
                    continue;
                if (lo > -1 && lo < 1) {
                    Point(q, p, d, lo);
                    cursor->Append(q);
                }
                if (hi > -1 && hi < 1) {
                    Point(q, p, d, hi);
                    cursor->Append(q);
                }
            }
    }
}

void McdGeometryTests::BoxPlaneContacts(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e[3])
{
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        MeReal d[3];
        for (int m = 0; m < 3; ++m)
            d[m] = e[i] * pose[i][m];
        const MeReal rdz = d[2] != 0 ? 1 / d[2] : 0;
        for (int sj = -1; sj <= 1; sj += 2)
            for (int sk = -1; sk <= 1; sk += 2) {
                MeReal p[3];
                for (int m = 0; m < 3; ++m)
                    p[m] = pose[3][m] + sj * e[j] * pose[j][m] + sk * e[k] * pose[k][m];
                // Edges along the third axis carry the corners below the plane.
                if (i == 2)
                    SegmentPlaneClip(cursor, p, d, rdz);
                else
                    SegmentPlaneCrossing(cursor, p, d, rdz);
            }
    }
}

bool McdGeometryTests::SphereTriangle(MeReal* separation, MeReal normal[3], MeReal position[3], MeI16* dims,
                                      MeReal tolerance, MeReal r, const McdTriangleRecord* tri)
{
    const MeReal* n = tri->normal;
    const MeReal s = Dot(tri->vertices[0], n);
    MeReal sep = std::fabs(s) - r;
    if (sep > tolerance)
        return false;
    const MeReal sign = s <= 0 ? 1.0f : -1.0f;
    MeReal nrm[3] = {sign * n[0], sign * n[1], sign * n[2]};
    MeI16 code = 515;

    // The centre lies outside edge k when the origin is on the outer side of the edge's line:
    // w_k = (v_k x v_k+1) . n against the triangle's winding. The closest point of the
    // triangle then lies on such an edge; of those, the edge whose segment comes nearest
    // holds it (the nearest line can belong to a far segment beside an obtuse corner).
    const MeReal outward = -Winding(tri);
    int edge = -1;
    MeReal c[3] = {0, 0, 0}, nearest = 0;
    bool vertex = true;
    for (int k = 0; k < 3; ++k) {
        MeReal x[3];
        Cross(x, tri->vertices[k], tri->vertices[(k + 1) % 3]);
        if (!(outward * Dot(x, n) > 0))
            continue;
        const MeReal* v = tri->vertices[k];
        const MeReal* ek = tri->edges[k];
        const MeReal len2 = Dot(ek, ek);
        if (len2 <= 0)
            continue;
        const MeReal u = -Dot(v, ek);
        MeReal q[3];
        bool atVertex = true;
        if (u <= 0) {
            q[0] = v[0], q[1] = v[1], q[2] = v[2];
        } else if (u >= len2) {
            const MeReal* w = tri->vertices[(k + 1) % 3];
            q[0] = w[0], q[1] = w[1], q[2] = w[2];
        } else {
            Point(q, v, ek, u / len2);
            atVertex = false;
        }
        const MeReal d2 = Dot(q, q);
        if (edge < 0 || d2 < nearest) {
            edge = k;
            nearest = d2;
            c[0] = q[0], c[1] = q[1], c[2] = q[2];
            vertex = atVertex;
        }
    }
    if (edge >= 0) {
        const MeReal dist = std::sqrt(Dot(c, c));
        const MeReal edgeSep = dist - r;
        if (edgeSep > tolerance)
            return false;
        if ((tri->flags & kMcdTriangleUseEdgeNormals) && dist > 0) {
            sep = edgeSep;
            for (int i = 0; i < 3; ++i)
                nrm[i] = -c[i] / dist;
        }
        if (tri->flags & (kMcdTriangleEdge0 << edge))
            code = vertex ? 3 : 259;
    }
    *separation = sep;
    for (int i = 0; i < 3; ++i) {
        normal[i] = nrm[i];
        position[i] = -r * nrm[i];
    }
    *dims = code;
    return true;
}

bool McdGeometryTests::BoxTriangle(MeReal* separation, MeReal normal[3], MeReal* offset, McdPointCursor* cursor,
                                   MeI16* dims, MeReal tolerance, const MeReal e[3], const McdTriangleRecord* tri)
{
    TriangleAxes axes;
    axes.Try(tri->normal, BoxRadius(e, tri->normal), tri, tolerance, 0, -FLT_MAX);
    const TriangleAxes face = axes;
    for (int i = 0; i < 3 && !axes.separated; ++i) {
        const MeReal L[3] = {i == 0 ? 1.0f : 0.0f, i == 1 ? 1.0f : 0.0f, i == 2 ? 1.0f : 0.0f};
        axes.Try(L, e[i], tri, tolerance, 1, 0);
    }
    // An edge shared with a flat neighbour (its bit clear) is no edge of the surface: its
    // axes would only separate the box from this piece of it.
    for (int i = 0; i < 3 && !axes.separated; ++i)
        for (int k = 0; k < 3 && !axes.separated; ++k) {
            if (!(tri->flags & (kMcdTriangleEdge0 << k)))
                continue;
            const MeReal a[3] = {i == 0 ? 1.0f : 0.0f, i == 1 ? 1.0f : 0.0f, i == 2 ? 1.0f : 0.0f};
            MeReal L[3];
            Cross(L, a, tri->edges[k]);
            const MeReal len2 = Dot(L, L);
            if (len2 < 1e-12f * (Dot(tri->edges[k], tri->edges[k]) + 1e-30f))
                continue;
            const MeReal inv = 1 / std::sqrt(len2);
            for (MeReal& x : L)
                x *= inv;
            axes.Try(L, BoxRadius(e, L), tri, tolerance, 2, tolerance);
        }
    if (axes.separated)
        return false;
    // An axis that stands for no feature of the surface leaves the decision to the face axis.
    if (axes.kind != 0 && !ExtremeFeatureIsOpen(tri, axes.normal, axes.offset))
        axes = face;

    const MeReal(*begin)[3] = cursor->next;
    // Active triangle edges inside the box.
    const MeReal* n = axes.normal;
    for (int k = 0; k < 3; ++k) {
        if (!(tri->flags & (kMcdTriangleEdge0 << k)))
            continue;
        MeReal lo = 0, hi = 1, rd[3], q[3];
        McdReciprocal(tri->edges[k], rd);
        if (!SlabClip(&lo, &hi, tri->vertices[k], tri->edges[k], rd, e))
            continue;
        Point(q, tri->vertices[k], tri->edges[k], lo);
        cursor->Append(q);
        if (hi > lo) {
            Point(q, tri->vertices[k], tri->edges[k], hi);
            cursor->Append(q);
        }
    }
    // Box edges through the triangle.
    const MeReal plane = Dot(tri->normal, tri->vertices[0]);
    const MeReal side = Dot(n, tri->normal) >= 0 ? 1.0f : -1.0f;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        for (int sj = -1; sj <= 1; sj += 2)
            for (int sk = -1; sk <= 1; sk += 2) {
                MeReal a[3] = {0, 0, 0}, b[3];
                a[j] = sj * e[j];
                a[k] = sk * e[k];
                a[i] = -e[i];
                b[0] = a[0], b[1] = a[1], b[2] = a[2];
                b[i] = e[i];
                const MeReal ha = Dot(tri->normal, a) - plane, hb = Dot(tri->normal, b) - plane;
                if ((ha < 0) != (hb < 0) && ha != hb) {
                    MeReal q[3];
                    const MeReal t = ha / (ha - hb);
                    for (int m = 0; m < 3; ++m)
                        q[m] = a[m] + t * (b[m] - a[m]);
                    if (InsideTriangle(tri, q, 1e-6f))
                        cursor->Append(q);
                }
            }
    }
    // The depth of the box at a point of the triangle is how far the box must move along n
    // to clear it. Over the triangle it is greatest at a corner of the triangle, where an edge
    // of the triangle passes over a box edge, or over a box corner (its lower surface along n
    // is convex): those points join the list.
    const MeReal slope = Dot(n, tri->normal);
    if (axes.kind != 2) {
        for (int k = 0; k < 3; ++k) {
            cursor->Append(tri->vertices[k]);
            AppendEdgesBeneath(cursor, tri->vertices[k], tri->edges[k], 0, 1, n, e);
        }
        if (std::fabs(slope) > 1e-6f)
            for (int c = 0; c < 8; ++c) {
                const MeReal corner[3] = {(c & 1) ? e[0] : -e[0], (c & 2) ? e[1] : -e[1], (c & 4) ? e[2] : -e[2]};
                MeReal q[3];
                Point(q, corner, n, (plane - Dot(tri->normal, corner)) / slope);
                if (InsideTriangle(tri, q, 1e-6f))
                    cursor->Append(q);
            }
    }
    // Each point of the triangle goes to the box's surface below it along n, where the
    // separation p.n - offset is the depth at that point (module comment); a point the box
    // does not reach is dropped. Edge pairs take the depth of their axis throughout.
    MeReal(*points)[3] = cursor->next - cursor->Count(begin);
    // Points found twice (a corner under its own projection, a vertex on a clipped edge's
    // end) are kept once.
    const MeReal same = 1e-10f * (e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
    int kept = 0;
    auto keep = [&](const MeReal q[3]) {
        for (int i = 0; i < kept; ++i) {
            const MeReal d[3] = {points[i][0] - q[0], points[i][1] - q[1], points[i][2] - q[2]};
            if (Dot(d, d) <= same)
                return;
        }
        points[kept][0] = q[0], points[kept][1] = q[1], points[kept][2] = q[2];
        ++kept;
    };
    const int found = cursor->Count(begin);
    for (int q = 0; q < found; ++q) {
        const MeReal* p = points[q];
        const MeReal height = Dot(n, p) - axes.offset;
        MeReal depth = axes.best;
        if (axes.kind != 2 && (!BoxEntryAlong(&depth, p, n, e) || depth > 0))
            continue;
        const MeReal moved[3] = {p[0] + (depth - height) * n[0], p[1] + (depth - height) * n[1],
                                 p[2] + (depth - height) * n[2]};
        keep(moved);
    }
    cursor->next = points + kept;
    // Box corners behind the triangle: their height is their depth.
    for (int c = 0; c < 8; ++c) {
        const MeReal corner[3] = {(c & 1) ? e[0] : -e[0], (c & 2) ? e[1] : -e[1], (c & 4) ? e[2] : -e[2]};
        if (side * (Dot(tri->normal, corner) - plane) < 0 && Dot(n, corner) - axes.offset <= tolerance &&
            InsideTriangle(tri, corner, 1e-6f)) {
            bool known = false;
            for (const MeReal(*q)[3] = points; q < cursor->next && !known; ++q) {
                const MeReal d[3] = {(*q)[0] - corner[0], (*q)[1] - corner[1], (*q)[2] - corner[2]};
                known = Dot(d, d) <= same;
            }
            if (!known)
                cursor->Append(corner);
        }
    }
    if (cursor->Count(begin) == 0)
        return false;
    *separation = axes.best;
    *offset = axes.offset;
    for (int i = 0; i < 3; ++i)
        normal[i] = axes.normal[i];
    const MeReal local[3] = {-axes.normal[0], -axes.normal[1], -axes.normal[2]};
    const int boxFeature = axes.kind == 2 ? 1 : BoxFeature(local);
    const int triFeature = axes.kind == 0 ? 2 : (axes.kind == 2 ? 1 : 0);
    *dims = static_cast<MeI16>(boxFeature | (triFeature << 8));
    return true;
}

bool McdGeometryTests::CylinderTriangle(MeReal* separation, MeReal normal[3], MeReal* offset, McdPointCursor* cursor,
                                        MeI16* dims, MeReal tolerance, MeReal r, MeReal h,
                                        const McdTriangleRecord* tri)
{
    TriangleAxes axes;
    const MeReal z[3] = {0, 0, 1};
    axes.Try(tri->normal, CylinderRadius(r, h, tri->normal), tri, tolerance, 0, -FLT_MAX);
    if (!axes.separated)
        axes.Try(z, h, tri, tolerance, 1, 0);
    for (int k = 0; k < 3 && !axes.separated; ++k) {
        // Edge against the side: the horizontal direction across the edge, and the
        // direction from the axis to the vertex.
        MeReal L[3];
        Cross(L, z, tri->edges[k]);
        MeReal len2 = Dot(L, L);
        if (len2 > 1e-12f) {
            const MeReal inv = 1 / std::sqrt(len2);
            for (MeReal& x : L)
                x *= inv;
            axes.Try(L, CylinderRadius(r, h, L), tri, tolerance, 2, tolerance);
        }
        const MeReal* v = tri->vertices[k];
        MeReal radial[3] = {v[0], v[1], 0};
        len2 = Dot(radial, radial);
        if (len2 > 1e-12f && !axes.separated) {
            const MeReal inv = 1 / std::sqrt(len2);
            for (MeReal& x : radial)
                x *= inv;
            axes.Try(radial, r, tri, tolerance, 2, tolerance);
        }
    }
    if (axes.separated)
        return false;

    const MeReal(*begin)[3] = cursor->next;
    for (int k = 0; k < 3; ++k) {
        if (!(tri->flags & (kMcdTriangleEdge0 << k)))
            continue;
        LineCylinderClipEnds(cursor, tri->vertices[k], tri->edges[k], r, h, 0, 1);
    }
    // Rim samples and the side lines through them, behind the triangle and over it.
    const MeReal plane = Dot(tri->normal, tri->vertices[0]);
    const MeReal side = Dot(axes.normal, tri->normal) >= 0 ? 1.0f : -1.0f;
    constexpr int kSamples = 8;
    for (int s = 0; s < kSamples; ++s) {
        const MeReal angle = 2 * ME_PI * static_cast<MeReal>(s) / kSamples;
        const MeReal x = r * std::cos(angle), y = r * std::sin(angle);
        const MeReal a[3] = {x, y, -h}, b[3] = {x, y, h};
        for (const MeReal* p : {a, b})
            if (side * (Dot(tri->normal, p) - plane) < 0 && Dot(axes.normal, p) - axes.offset <= tolerance &&
                InsideTriangle(tri, p, 1e-6f))
                cursor->Append(p);
        const MeReal ha = Dot(tri->normal, a) - plane, hb = Dot(tri->normal, b) - plane;
        if ((ha < 0) != (hb < 0) && ha != hb) {
            const MeReal t = ha / (ha - hb);
            const MeReal q[3] = {x, y, -h + t * 2 * h};
            if (InsideTriangle(tri, q, 1e-6f))
                cursor->Append(q);
        }
    }
    if (cursor->Count(begin) == 0)
        return false;
    *separation = axes.best;
    *offset = axes.offset;
    for (int i = 0; i < 3; ++i)
        normal[i] = axes.normal[i];
    const bool cap = axes.normal[2] * axes.normal[2] > 0.999999f;
    *dims = static_cast<MeI16>(2 | ((cap ? 2 : 3) << 8));
    return true;
}

bool McdGeometryTests::BoxBoxSeparatingAxis(MeReal* separation, MeReal normal[3], MeReal* support, MeI16* dims,
                                            MeReal tolerance, const MeReal ea[3], const MeReal eb[3],
                                            MeConstMatrix4Ptr poseB)
{
    const MeReal* t = poseB[3];
    MeReal best = -FLT_MAX, bestFace = -FLT_MAX;
    MeReal bestAxis[3] = {1, 0, 0};
    int bestKind = 0;  // 0 face of a, 1 face of b, 2 edge pair
    bool crossWon = false;

    auto tryAxis = [&](const MeReal L[3], MeReal length, int kind) -> bool {
        // L has the given length; separations are compared normalised.
        MeReal rb = 0;
        for (int j = 0; j < 3; ++j)
            rb += eb[j] * std::fabs(Dot(L, poseB[j]));
        const MeReal raw = std::fabs(Dot(L, t)) - BoxRadius(ea, L) - rb;
        if (raw > length * tolerance)
            return false;
        const MeReal s = raw / length;
        bool wins;
        if (kind < 2)
            wins = s > best;
        else
            wins = crossWon ? s > best : s > bestFace + tolerance;
        if (wins) {
            best = s;
            bestKind = kind;
            for (int i = 0; i < 3; ++i)
                bestAxis[i] = L[i] / length;
            if (kind == 2)
                crossWon = true;
            else
                bestFace = s;
        }
        return true;
    };

    for (int k = 0; k < 3; ++k) {
        const MeReal L[3] = {k == 0 ? 1.0f : 0.0f, k == 1 ? 1.0f : 0.0f, k == 2 ? 1.0f : 0.0f};
        if (!tryAxis(L, 1, 0))
            return false;
    }
    for (int k = 0; k < 3; ++k)
        if (!tryAxis(poseB[k], 1, 1))
            return false;
    const MeReal minSine2 = tolerance * tolerance > 1e-6f ? tolerance * tolerance : 1e-6f;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const MeReal c = poseB[j][i];
            const MeReal sine2 = 1 - c * c;
            if (sine2 <= minSine2)
                continue;
            const MeReal a[3] = {i == 0 ? 1.0f : 0.0f, i == 1 ? 1.0f : 0.0f, i == 2 ? 1.0f : 0.0f};
            MeReal L[3];
            Cross(L, a, poseB[j]);
            if (!tryAxis(L, std::sqrt(sine2), 2))
                return false;
        }

    // Normal from b towards a: against the offset of b.
    const MeReal sign = Dot(bestAxis, t) > 0 ? -1.0f : 1.0f;
    for (int i = 0; i < 3; ++i)
        normal[i] = sign * bestAxis[i];
    *separation = best;
    // a's face towards b lies at normal.p = -r_a; b's face towards a at -r_a - separation.
    *support = -BoxRadius(ea, normal) - 0.5f * best;
    if (bestKind == 2) {
        *dims = 257;
    } else if (bestKind == 0) {
        MeReal inB[3];
        for (int j = 0; j < 3; ++j)
            inB[j] = Dot(normal, poseB[j]);
        *dims = static_cast<MeI16>(2 | (BoxFeature(inB) << 8));
    } else {
        *dims = static_cast<MeI16>(BoxFeature(normal) | (2 << 8));
    }
    return true;
}

bool McdGeometryTests::BoxPlane(MeReal* separation, McdPointCursor* cursor, MeI16* dims, MeReal tolerance,
                                const MeReal e[3], MeConstMatrix4Ptr pose)
{
    const MeReal lowest =
        pose[3][2] - (std::fabs(pose[0][2]) * e[0] + std::fabs(pose[1][2]) * e[1] + std::fabs(pose[2][2]) * e[2]);
    int flat = 0;
    for (int i = 0; i < 3; ++i)
        if (std::fabs(pose[i][2]) < 0.0001f)
            ++flat;
    *separation = lowest;
    *dims = static_cast<MeI16>((flat > 2 ? 2 : flat) | (2 << 8));
    if (lowest > tolerance)
        return false;
    const MeReal(*begin)[3] = cursor->next;
    BoxPlaneContacts(cursor, pose, e);
    return cursor->Count(begin) > 0;
}

bool McdGeometryTests::SphereBox(MeReal* separation, MeReal normal[3], MeReal position[3], MeI16* dims,
                                 MeReal tolerance, const MeReal e[3], MeReal r, const MeReal c[3])
{
    MeReal offset[3] = {0, 0, 0};
    MeReal d2 = 0;
    int outside = 0;
    for (int i = 0; i < 3; ++i) {
        if (c[i] > e[i])
            offset[i] = e[i] - c[i];
        else if (c[i] < -e[i])
            offset[i] = -e[i] - c[i];
        else
            continue;
        ++outside;
        d2 += offset[i] * offset[i];
    }
    if (d2 > (tolerance + r) * (tolerance + r))
        return false;
    if (d2 > tolerance * tolerance && d2 > 0) {
        const MeReal d = std::sqrt(d2);
        for (int i = 0; i < 3; ++i) {
            normal[i] = offset[i] / d;
            position[i] = c[i] + r * normal[i];
        }
        *separation = d - r;
        *dims = static_cast<MeI16>(768 + (3 - outside));
        return true;
    }
    // Inside or within the tolerance of the surface: push out through the nearest face.
    int axis = 0;
    MeReal sign = -1, least = FLT_MAX;
    for (int i = 0; i < 3; ++i) {
        const MeReal up = std::fabs(e[i] - c[i]);
        if (up < least) {
            least = up, axis = i, sign = -1;
        }
        const MeReal down = std::fabs(e[i] + c[i]);
        if (down < least) {
            least = down, axis = i, sign = 1;
        }
    }
    for (int i = 0; i < 3; ++i)
        normal[i] = i == axis ? sign : 0.0f;
    for (int i = 0; i < 3; ++i)
        position[i] = c[i] + r * normal[i];
    *separation = std::fabs(c[axis]) - e[axis] - r;
    *dims = 770;
    return true;
}
