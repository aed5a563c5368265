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
    // A cap: a 12-gon on the rim, with the cap's outward normal.
    constexpr int kSides = 12;
    out->count = kSides;
    for (int i = 0; i < kSides; ++i) {
        const MeReal a = 2.0f * 3.1415927f * static_cast<MeReal>(i) / kSides;
        out->points[i][0] = r * std::cos(a);
        out->points[i][1] = r * std::sin(a);
        out->points[i][2] = capZ;
    }
    out->normal[0] = out->normal[1] = 0;
    out->normal[2] = capZ < 0 ? -1.0f : 1.0f;
    out->support = std::fabs(h * d[2]) + r * l;
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
