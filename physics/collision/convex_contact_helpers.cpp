// Features and small geometric operations of the convex contact generator.
//
// A feature is the part of a shape extreme along a direction, widened by a tolerance: the
// support vertex alone, an edge, or a face polygon. On a hull the support vertex comes from
// the hill climb; a face is accepted only when every vertex of its ring lies within the
// tolerance of the support value, so the feature never reaches beyond the shape's extreme
// slab. Tolerance tests on segments and edges are relative to the edge lengths, so they
// mean the same for a pebble and a station module.

#include "physics/collision/convex_contact_helpers.h"
#include "physics/dynamics/me_math.h"

#include <cmath>
#include <initializer_list>

#include "physics/collision/gjk.h"

namespace {

MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void Copy(MeReal out[3], const MeReal in[3])
{
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
}

}  // namespace

void McdConvexHullSupportFeature(const CxConvexHull* hull, const MeReal d[3], MeReal tolerance, int start,
                                 McdConvexFeature* out)
{
    McdConvexSet set;
    set.hull = hull;
    MeReal w[3], local[3], value;
    const int index = McdConvexSetSupport(&set, start, d, w, local, &value);
    out->support = value;
    out->count = 1;
    Copy(out->points[0], local);
    if (index < 0)
        return;
    const CxVertex* v = &hull->vertices[index];
    const CxFace* best = nullptr;
    MeReal bestAlign = -2;
    MeReal bestNormal[3] = {0, 0, 0};
    for (int f = 0; f < v->faceCount; ++f) {
        const CxFace* face = v->faces[f];
        if (face->vertexCount < 3 || face->vertexCount > McdConvexFeature::kMaxPoints)
            continue;
        bool inside = true;
        for (int j = 0; j < face->vertexCount && inside; ++j)
            inside = Dot(face->ring[j].position, d) >= value - tolerance;
        if (!inside)
            continue;
        MeReal n[3];
        Copy(n, face->normal);
        if (Dot(n, d) < 0 && hull->faceCount == 1)
            for (MeReal& x : n)
                x = -x;
        const MeReal align = Dot(n, d);
        if (align > bestAlign) {
            bestAlign = align;
            best = face;
            Copy(bestNormal, n);
        }
    }
    if (best) {
        out->count = best->vertexCount;
        for (int j = 0; j < best->vertexCount; ++j)
            Copy(out->points[j], best->ring[j].position);
        Copy(out->normal, bestNormal);
        return;
    }
    const CxVertex* edge = nullptr;
    MeReal edgeValue = -1e30f;
    for (int k = 0; k < v->neighbourCount; ++k) {
        const MeReal nv = Dot(v->neighbours[k]->position, d);
        if (nv >= value - tolerance && nv > edgeValue) {
            edgeValue = nv;
            edge = v->neighbours[k];
        }
    }
    if (edge) {
        out->count = 2;
        Copy(out->points[1], edge->position);
    }
}

void McdCylinderSupportFeature(MeReal r, MeReal h, const MeReal d[3], MeReal tolerance, McdConvexFeature* out)
{
    const MeReal l = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    const MeReal capZ = d[2] <= 0 ? -h : h;
    if (l > 0.0001f && r * l >= 0.5f * tolerance) {
        const MeReal rx = r * d[0] / l, ry = r * d[1] / l;
        out->support = rx * d[0] + ry * d[1] + std::fabs(h * d[2]);
        if (std::fabs(2 * h * d[2]) >= tolerance) {
            out->count = 1;
            out->points[0][0] = rx;
            out->points[0][1] = ry;
            out->points[0][2] = capZ;
        } else {
            out->count = 2;
            const MeReal z0 = d[2] <= 0 ? -h : h;
            out->points[0][0] = out->points[1][0] = rx;
            out->points[0][1] = out->points[1][1] = ry;
            out->points[0][2] = z0;
            out->points[1][2] = -z0;
        }
        return;
    }
    // A cap: the disc, with the cap's outward normal.
    out->count = -1;
    out->points[0][0] = out->points[0][1] = 0;
    out->points[0][2] = capZ;
    out->radius = r;
    out->normal[0] = out->normal[1] = 0;
    out->normal[2] = capZ < 0 ? -1.0f : 1.0f;
    out->support = std::fabs(h * d[2]) + r * l;
}

void McdDiscAsPolygon(McdConvexFeature* f)
{
    if (f->count != -1)
        return;
    // Two unit vectors across the disc's normal.
    const MeReal* n = f->normal;
    MeReal u[3] = {0, 0, 0};
    u[std::fabs(n[0]) < 0.6f ? 0 : 1] = 1;
    const MeReal along = Dot(u, n);
    for (int j = 0; j < 3; ++j)
        u[j] -= along * n[j];
    const MeReal ul = std::sqrt(Dot(u, u));
    for (MeReal& x : u)
        x /= ul;
    MeReal v[3];
    cnvVec3Cross(v, n, u);
    MeReal centre[3];
    Copy(centre, f->points[0]);
    constexpr int kSides = 12;
    for (int i = 0; i < kSides; ++i) {
        const MeReal a = 2.0f * 3.1415927f * static_cast<MeReal>(i) / kSides;
        const MeReal c = f->radius * std::cos(a), s = f->radius * std::sin(a);
        for (int j = 0; j < 3; ++j)
            f->points[i][j] = centre[j] + c * u[j] + s * v[j];
    }
    f->count = kSides;
}

int McdConvexMeshSupportFeature(MeReal (*points)[3], int maxCount, const MeReal d[3], const CxConvexHull* hull,
                                MeReal tolerance, MeReal* support)
{
    *support = 0;
    if (maxCount <= 0 || !hull || hull->vertexCount <= 0)
        return 0;
    if (hull->faceCount == 0) {
        MeReal best = -1e30f;
        for (int i = 0; i < hull->vertexCount; ++i)
            best = std::fmax(best, Dot(hull->vertices[i].position, d));
        int n = 0;
        for (int i = 0; i < hull->vertexCount && n < maxCount; ++i)
            if (Dot(hull->vertices[i].position, d) >= best - tolerance)
                Copy(points[n++], hull->vertices[i].position);
        *support = best;
        return n;
    }
    const CxFace* best = nullptr;
    MeReal bestAlign = -2;
    for (int f = 0; f < hull->faceCount; ++f) {
        const MeReal align = Dot(hull->faces[f].normal, d);
        if (align >= bestAlign) {
            bestAlign = align;
            best = &hull->faces[f];
        }
        if (align >= 1 - tolerance) {
            const int k = best->vertexCount < maxCount ? best->vertexCount : maxCount;
            for (int j = 0; j < k; ++j)
                Copy(points[j], best->ring[j].position);
            if (k > 0)
                *support = 0.5f * (Dot(best->ring[0].position, d) + Dot(best->ring[best->vertexCount / 2].position, d));
            return k;
        }
    }
    if (!best || best->vertexCount == 0)
        return 0;
    const int k = best->vertexCount;
    int top = 0;
    for (int j = 1; j < k; ++j)
        if (Dot(best->ring[j].position, d) > Dot(best->ring[top].position, d))
            top = j;
    const MeReal topValue = Dot(best->ring[top].position, d);
    Copy(points[0], best->ring[top].position);
    for (int step : {1, k - 1}) {
        const CxRingEntry& other = best->ring[(top + step) % k];
        const MeReal value = Dot(other.position, d);
        if (maxCount > 1 && value >= topValue - tolerance) {
            Copy(points[1], other.position);
            *support = 0.5f * (topValue + value);
            return 2;
        }
    }
    *support = topValue;
    return 1;
}

int McdClipPolygonByPlane(MeReal (*out)[3], int maxOut, const MeReal (*in)[3], int inCount, const MeReal n[3],
                          MeReal offset)
{
    int count = 0;
    if (inCount <= 0)
        return 0;
    const MeReal* prev = in[inCount - 1];
    MeReal dPrev = Dot(n, prev) - offset;
    for (int i = 0; i < inCount; ++i) {
        const MeReal* cur = in[i];
        const MeReal dCur = Dot(n, cur) - offset;
        if ((dPrev >= 0) != (dCur >= 0) && count < maxOut) {
            const MeReal t = dPrev / (dPrev - dCur);
            for (int j = 0; j < 3; ++j)
                out[count][j] = prev[j] + (cur[j] - prev[j]) * t;
            ++count;
        }
        if (dCur >= 0 && count < maxOut)
            Copy(out[count++], cur);
        prev = cur;
        dPrev = dCur;
    }
    return count;
}

MeReal McdPointSegmentDistance(const MeReal p[3], const MeReal a[3], const MeReal b[3], MeReal closest[3])
{
    MeReal ab[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    MeReal ap[3] = {p[0] - a[0], p[1] - a[1], p[2] - a[2]};
    const MeReal len2 = Dot(ab, ab);
    MeReal t = len2 > 0 ? Dot(ap, ab) / len2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    MeReal diff[3];
    for (int j = 0; j < 3; ++j) {
        closest[j] = a[j] + t * ab[j];
        diff[j] = p[j] - closest[j];
    }
    return std::sqrt(Dot(diff, diff));
}

MeReal McdSegmentSegmentClosest(const MeReal a0[3], const MeReal a1[3], const MeReal b0[3], const MeReal b1[3],
                                MeReal* s, MeReal* t, MeReal pa[3], MeReal pb[3])
{
    MeReal u[3], v[3], w[3];
    for (int j = 0; j < 3; ++j) {
        u[j] = a1[j] - a0[j];
        v[j] = b1[j] - b0[j];
        w[j] = a0[j] - b0[j];
    }
    const MeReal uu = Dot(u, u), vv = Dot(v, v), uv = Dot(u, v);
    const MeReal det = uu * vv - uv * uv;
    // Both edges of usable length and not near parallel (angle above about 0.01 rad).
    if (uu > 1e-12f && vv > 1e-12f && det >= 1e-4f * uu * vv) {
        const MeReal ss = (uv * Dot(v, w) - vv * Dot(u, w)) / det;
        const MeReal tt = (uv * ss + Dot(v, w)) / vv;
        if (ss >= 0 && ss <= 1 && tt >= 0 && tt <= 1) {
            MeReal diff[3];
            for (int j = 0; j < 3; ++j) {
                pa[j] = a0[j] + ss * u[j];
                pb[j] = b0[j] + tt * v[j];
                diff[j] = pa[j] - pb[j];
            }
            *s = ss;
            *t = tt;
            return std::sqrt(Dot(diff, diff));
        }
    }
    // The closest pair involves an end point: the best of the four end-point queries.
    MeReal best = 1e30f, c[3];
    auto consider = [&](const MeReal* p, const MeReal* q0, const MeReal* q1, bool pOnA, MeReal pParam) {
        const MeReal dist = McdPointSegmentDistance(p, q0, q1, c);
        if (dist >= best)
            return;
        best = dist;
        MeReal qd[3] = {q1[0] - q0[0], q1[1] - q0[1], q1[2] - q0[2]};
        MeReal cq[3] = {c[0] - q0[0], c[1] - q0[1], c[2] - q0[2]};
        const MeReal len2 = Dot(qd, qd);
        const MeReal qParam = len2 > 0 ? Dot(cq, qd) / len2 : 0;
        if (pOnA) {
            Copy(pa, p);
            Copy(pb, c);
            *s = pParam;
            *t = qParam;
        } else {
            Copy(pb, p);
            Copy(pa, c);
            *t = pParam;
            *s = qParam;
        }
    };
    consider(a0, b0, b1, true, 0);
    consider(a1, b0, b1, true, 1);
    consider(b0, a0, a1, false, 0);
    consider(b1, a0, a1, false, 1);
    return best;
}

void McdEdgeEdgeNormal(MeReal normal[3], const MeReal a0[3], const MeReal a1[3], const MeReal b0[3],
                       const MeReal b1[3], const MeReal bCentre[3], const MeReal fallback[3])
{
    MeReal ea[3], eb[3], n[3];
    for (int j = 0; j < 3; ++j) {
        ea[j] = a1[j] - a0[j];
        eb[j] = b1[j] - b0[j];
    }
    cnvVec3Cross(n, ea, eb);
    const MeReal aa = Dot(ea, ea), bb = Dot(eb, eb);
    if (Dot(n, n) < 1e-8f * aa * bb || aa == 0 || bb == 0) {
        // Parallel: the part of the midpoints' offset perpendicular to A's edge.
        MeReal m[3];
        for (int j = 0; j < 3; ++j)
            m[j] = 0.5f * (b0[j] + b1[j]) - 0.5f * (a0[j] + a1[j]);
        const MeReal em = Dot(ea, m);
        for (int j = 0; j < 3; ++j)
            n[j] = m[j] * aa - em * ea[j];
        // Collinear edges leave no perpendicular: keep the query's direction.
        if (Dot(n, n) <= 1e-12f * aa * aa * (Dot(m, m) + aa)) {
            Copy(normal, fallback);
            return;
        }
    }
    const MeReal len = std::sqrt(Dot(n, n));
    for (int j = 0; j < 3; ++j)
        n[j] /= len;
    // From B towards A: B's centre lies behind B's edge along the normal.
    MeReal toEdge[3] = {b0[0] - bCentre[0], b0[1] - bCentre[1], b0[2] - bCentre[2]};
    if (Dot(n, toEdge) < 0)
        for (MeReal& x : n)
            x = -x;
    Copy(normal, n);
}

CxVertex* const* McdHullNeighbourSlot(const CxVertex* vertex, const CxVertex* neighbour)
{
    if (!vertex)
        return nullptr;
    int i = 0;
    while (i < vertex->neighbourCount && vertex->neighbours[i] != neighbour)
        ++i;
    return vertex->neighbours + i;
}

const CxVertex* McdHullNextNeighbour(const CxVertex* vertex, const CxVertex* neighbour, int direction)
{
    if (!vertex || vertex->neighbourCount == 0)
        return neighbour;
    const int n = vertex->neighbourCount;
    const int i = static_cast<int>(McdHullNeighbourSlot(vertex, neighbour) - vertex->neighbours);
    if (i >= n)
        return neighbour;
    return vertex->neighbours[direction == 1 ? (i + 1) % n : (i + n - 1) % n];
}

void McdPlaneFromPoints(const MeReal p0[3], const MeReal p1[3], const MeReal p2[3], MeReal normal[3], MeReal* d)
{
    MeReal e1[3], e2[3];
    cnvVec3Sub(e1, p1, p0);
    cnvVec3Sub(e2, p2, p0);
    cnvVec3Cross(normal, e1, e2);
    *d = Dot(normal, p0);
}

void McdPolygonCentroid(int count, const MeReal (*points)[3], MeReal centroid[3])
{
    centroid[0] = centroid[1] = centroid[2] = 0;
    if (count <= 0)
        return;
    for (int i = 0; i < count; ++i)
        for (int j = 0; j < 3; ++j)
            centroid[j] += points[i][j];
    for (int j = 0; j < 3; ++j)
        centroid[j] /= static_cast<MeReal>(count);
}

int McdPolygonContainsOrigin2D(int count, const MeReal (*points)[3])
{
    int inside = 0;
    for (int i = 0; i < count; ++i) {
        const MeReal* a = points[(i + count - 1) % count];
        const MeReal* b = points[i];
        if ((a[1] > 0) != (b[1] > 0)) {
            const MeReal x = a[0] + (b[0] - a[0]) * (0 - a[1]) / (b[1] - a[1]);
            if (x > 0)
                inside ^= 1;
        }
    }
    return inside;
}

bool McdSolveQuadratic(MeReal a, MeReal b, MeReal c, MeReal* centre, MeReal* width)
{
    if (a != 0) {
        *centre = -b / (2 * a);
        *width = b * b / (4 * a * a) - c / a;
        return true;
    }
    if (b != 0) {
        *centre = -c / b;
        *width = 0;
        return true;
    }
    return false;
}

int McdDiscDiscContactPoints(MeReal r1, MeReal r2, MeReal height, MeReal dx, MeReal dy, MeReal (*out)[3])
{
    const MeReal d2 = dx * dx + dy * dy;
    auto put = [&](int i, MeReal x, MeReal y) {
        out[i][0] = x;
        out[i][1] = y;
        out[i][2] = height;
    };
    if (r1 * r1 + r2 * r2 <= d2) {
        // Apart, or barely overlapping: one point between the centres.
        const MeReal f = r1 + r2 > 0 ? r1 / (r1 + r2) : 0;
        put(0, dx * f, dy * f);
        return 1;
    }
    const MeReal d = std::sqrt(d2);
    if (d < std::fabs(r2 - r1) + 0.0001f) {
        // One disc inside the other: three points on the smaller rim, about disc 1's centre.
        const MeReal rs = r1 < r2 ? r1 : r2;
        put(0, 0, rs);
        put(1, 0.8660254f * rs, -0.5f * rs);
        put(2, -0.8660254f * rs, -0.5f * rs);
        return 3;
    }
    // The two rim crossings and the two rim points on the line of centres.
    const MeReal a = (r1 * r1 + d2 - r2 * r2) / (2 * d2);
    const MeReal h2 = r1 * r1 / d2 - a * a;
    const MeReal h = h2 > 0 ? std::sqrt(h2) : 0;
    put(0, a * dx - h * dy, a * dy + h * dx);
    put(1, a * dx + h * dy, a * dy - h * dx);
    put(2, dx * r1 / d, dy * r1 / d);
    put(3, dx * (d - r2) / d, dy * (d - r2) / d);
    return 4;
}

int McdSegmentDiscClip(const MeReal a[3], const MeReal b[3], MeReal r, MeReal (*out)[3])
{
    const MeReal dx = b[0] - a[0], dy = b[1] - a[1];
    auto at = [&](int i, MeReal t) {
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        for (int j = 0; j < 3; ++j)
            out[i][j] = a[j] + t * (b[j] - a[j]);
    };
    MeReal tc = 0, w = 0;
    const bool solved = McdSolveQuadratic(dx * dx + dy * dy, 2 * (a[0] * dx + a[1] * dy),
                                          a[0] * a[0] + a[1] * a[1] - r * r, &tc, &w);
    if (solved && w > -0.0001f && w < 0.0001f) {
        at(0, tc);
        return 1;
    }
    if (solved && w >= 0.0001f) {
        const MeReal s = std::sqrt(w);
        // Both crossings beyond the same end: the segment stays outside the circle.
        if (tc + s >= 0 && tc - s <= 1) {
            at(0, tc - s);
            at(1, tc + s);
            return 2;
        }
    }
    // No crossing: the point of the segment closest to the disc's axis (a segment along the
    // axis gives its middle).
    at(0, dx * dx + dy * dy > 0 ? -(a[0] * dx + a[1] * dy) / (dx * dx + dy * dy) : 0.5f);
    return 1;
}

int McdSegmentClipCircle(MeReal r, MeReal p0[3], MeReal p1[3], int flags[2])
{
    flags[0] = flags[1] = 0;
    const MeReal dx = p1[0] - p0[0], dy = p1[1] - p0[1];
    const MeReal dd = dx * dx + dy * dy;
    if (dd < 0.0001f)
        return 0;
    const MeReal b = p0[0] * dx + p0[1] * dy;
    const MeReal c = p0[0] * p0[0] + p0[1] * p0[1] - r * r;
    const MeReal discriminant = b * b - dd * c;
    if (discriminant < 0)
        return 0;
    const MeReal s = std::sqrt(discriminant);
    const MeReal t1 = (-b - s) / dd, t2 = (-b + s) / dd;
    if ((t1 < 0 && t2 < 0) || (t1 > 1 && t2 > 1))
        return 0;
    if (t1 <= 0 && t2 >= 1)
        return 1;
    const MeReal q0[3] = {p0[0], p0[1], p0[2]}, q1[3] = {p1[0], p1[1], p1[2]};
    if (t1 > 0) {
        for (int j = 0; j < 3; ++j)
            p0[j] = q0[j] + t1 * (q1[j] - q0[j]);
        flags[0] = 1;
    }
    if (t2 < 1) {
        for (int j = 0; j < 3; ++j)
            p1[j] = q0[j] + t2 * (q1[j] - q0[j]);
        flags[1] = 1;
    }
    return 1;
}

int McdPolygonClipDisc(const MeReal (*polygon)[3], int count, MeReal r, int maxPoints, MeReal (*out)[3], int* outCount)
{
    *outCount = 0;
    if (count < 3 || maxPoints <= 0)
        return 0;
    int n = 0;
    auto append = [&](const MeReal p[3]) {
        if (n < maxPoints)
            Copy(out[n++], p);
    };
    for (int i = 0; i < count; ++i) {
        MeReal p[3], q[3];
        Copy(p, polygon[i]);
        Copy(q, polygon[(i + 1) % count]);
        int flags[2];
        if (!McdSegmentClipCircle(r, p, q, flags))
            continue;
        if (flags[0])
            append(p);
        append(q);
    }
    // The plane of the polygon, to lift disc points (x, y) onto it.
    MeReal N[3], d;
    McdPlaneFromPoints(polygon[0], polygon[1], polygon[count - 1], N, &d);
    const bool flat = std::fabs(N[2]) > 0.0001f;
    auto lifted = [&](MeReal x, MeReal y) {
        const MeReal p[3] = {x, y, -(N[0] * x + N[1] * y - d) / N[2]};
        append(p);
    };
    if (n == 2 && flat) {
        // The rim crosses the polygon once: add the rim point on the polygon's side of the
        // chord, and when the polygon covers more than half the disc the two rim points
        // between it and the crossings.
        const MeReal p0[2] = {out[0][0], out[0][1]}, p1[2] = {out[1][0], out[1][1]};
        const MeReal dx = p1[0] - p0[0], dy = p1[1] - p0[1], dd = dx * dx + dy * dy;
        if (dd > 0) {
            MeReal a, b;
            if (std::fabs(dx) <= 0.0001f) {
                a = std::sqrt(dy * dy / dd);
                b = -(dx / dy) * a;
            } else {
                b = std::sqrt(dx * dx / dd);
                a = -(dy / dx) * b;
            }
            MeReal centroid[3];
            McdPolygonCentroid(count, polygon, centroid);
            if ((centroid[0] - p1[0]) * a + (centroid[1] - p1[1]) * b < 0)
                a = -a, b = -b;
            const MeReal R[2] = {r * a, r * b};
            if (R[0] * p0[0] + R[1] * p0[1] < 0) {
                for (const MeReal* p : {p1, p0}) {
                    const MeReal mx = R[0] + p[0], my = R[1] + p[1];
                    const MeReal m = std::sqrt(mx * mx + my * my);
                    if (m > 0)
                        lifted(r * mx / m, r * my / m);
                }
            } else {
                lifted(R[0], R[1]);
            }
        }
    } else if (n == 0 && flat && McdPolygonContainsOrigin2D(count, polygon)) {
        // The whole disc lies on the polygon: four points of its rim.
        lifted(r, 0);
        lifted(0, r);
        lifted(-r, 0);
        lifted(0, -r);
    }
    *outCount = n;
    return n > 0 ? 1 : 0;
}
