// GJK distance between two convex cores with Johnson's distance sub-algorithm.
//
// The search works on the Minkowski difference A - B: its point closest to the origin is
// pA - pB for the closest points of the cores. The simplex holds up to four support pairs
// (Ai, Bi), yi = Ai - Bi. Each iteration Johnson's sub-algorithm finds the smallest subset X
// of the simplex whose affine hull's closest point to the origin lies inside it, with weights
// lambda_i = Delta_i(X) / sum Delta(X) from the determinant recursion
//   Delta_i({i}) = 1,  Delta_j(X + {j}) = sum_{i in X} Delta_i(X) (yi.yk - yi.yj), k = min X;
// X qualifies when all its Delta_i > 0 and every point j outside it has Delta_j(X + {j}) <= 0.
// With v = pB - pA (from A towards B), the new support pair is sA along v and sB along -v;
// |v|^2 + v.(sA - sB) is |v| times the gap between the current distance and its lower bound,
// so the search has converged when it falls below 1e-4 |v|^2, and v.(sA - sB) <= 0 proves the cores at least
// -v.(sA - sB)/|v| apart. Four points with positive weights enclose the origin: the cores
// overlap, and the penetration search takes over.
//
// The kept simplex stores local points of each set, so a pair's simplex follows its models
// from one frame to the next; the hull climbs start at the last support vertices. Motion can
// leave a kept simplex degenerate (four points of an old overlap flattened to rounding), so
// that no subset passes Johnson's test; its distance then bounds nothing, and the search
// starts again from one support pair, so that a kept pair decides as a fresh one.
// Sign conventions: separations are positive apart, negative on overlap; normals point from
// B towards A.

#include "physics/collision/gjk.h"
#include "physics/dynamics/me_math.h"

#include <cmath>

#include "physics/collision/geometry.h"
#include "physics/collision/model.h"

namespace {

constexpr int kMaxIterations = 30;
constexpr MeReal kTouchingSq = 1e-8f;
constexpr MeReal kConverged = 0.0001f;
constexpr MeReal kMinDeterminantSum = 1e-20f;

MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void ToWorld(MeConstMatrix4Ptr t, const MeReal local[3], MeReal out[3])
{
    if (!t) {
        out[0] = local[0];
        out[1] = local[1];
        out[2] = local[2];
        return;
    }
    for (int j = 0; j < 3; ++j)
        out[j] = local[0] * t[0][j] + local[1] * t[1][j] + local[2] * t[2][j] + t[3][j];
}

void DirectionToLocal(MeConstMatrix4Ptr t, const MeReal d[3], MeReal out[3])
{
    if (!t) {
        out[0] = d[0];
        out[1] = d[1];
        out[2] = d[2];
        return;
    }
    for (int i = 0; i < 3; ++i)
        out[i] = t[i][0] * d[0] + t[i][1] * d[1] + t[i][2] * d[2];
}

int HullClimb(const CxConvexHull* h, int start, const MeReal d[3])
{
    if (h->vertexCount <= 0)
        return -1;
    const CxVertex* cur = &h->vertices[(start >= 0 && start < h->vertexCount) ? start : 0];
    MeReal best = Dot(cur->position, d);
    const CxVertex* from = nullptr;
    for (int guard = 0; guard <= h->vertexCount; ++guard) {
        const CxVertex* next = nullptr;
        for (int i = 0; i < cur->neighbourCount; ++i) {
            const CxVertex* w = cur->neighbours[i];
            if (w == from)
                continue;
            const MeReal value = Dot(w->position, d);
            if (value > best) {
                best = value;
                next = w;
            }
        }
        if (!next)
            break;
        from = cur;
        cur = next;
    }
    return cnvVertexIndex(h, cur);
}

// Johnson's sub-algorithm over the simplex's world points. On success compacts the simplex
// (and coords) to the chosen subset, writes the weights and returns true.
bool Johnson(McdGjkSimplex* s, McdSimplexCoords* c)
{
    const int n = s->count;
    MeReal y[4][3];
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < 3; ++j)
            y[i][j] = c->a[i][j] - c->b[i][j];
    MeReal dp[4][4];
    for (int i = 0; i < n; ++i)
        for (int j = i; j < n; ++j)
            dp[i][j] = dp[j][i] = Dot(y[i], y[j]);

    MeReal det[16][4] = {};
    const int full = (1 << n) - 1;
    for (int mask = 1; mask <= full; ++mask) {
        int k = 0;
        while (!(mask & (1 << k)))
            ++k;
        if (mask == (1 << k)) {
            det[mask][k] = 1;
            continue;
        }
        for (int j = 0; j < n; ++j) {
            if (!(mask & (1 << j)))
                continue;
            const int x = mask & ~(1 << j);
            int kx = 0;
            while (!(x & (1 << kx)))
                ++kx;
            MeReal sum = 0;
            for (int i = 0; i < n; ++i)
                if (x & (1 << i))
                    sum += det[x][i] * (dp[i][kx] - dp[i][j]);
            det[mask][j] = sum;
        }
    }
    for (int mask = 1; mask <= full; ++mask) {
        bool ok = true;
        MeReal total = 0;
        for (int i = 0; i < n && ok; ++i) {
            if (mask & (1 << i)) {
                if (!(det[mask][i] > 0))
                    ok = false;
                total += det[mask][i];
            } else if (det[mask | (1 << i)][i] > 0) {
                ok = false;
            }
        }
        if (!ok || total < kMinDeterminantSum)
            continue;
        int m = 0;
        MeReal w[4];
        for (int i = 0; i < n; ++i) {
            if (!(mask & (1 << i)))
                continue;
            w[m] = det[mask][i] / total;
            for (int j = 0; j < 3; ++j) {
                s->a[m][j] = s->a[i][j];
                s->b[m][j] = s->b[i][j];
                c->a[m][j] = c->a[i][j];
                c->b[m][j] = c->b[i][j];
            }
            ++m;
        }
        s->count = m;
        for (int i = 0; i < 4; ++i)
            c->weight[i] = i < m ? w[i] : 0;
        return true;
    }
    return false;
}

void ClosestPoints(const McdGjkSimplex* s, const McdSimplexCoords* c, MeReal pA[3], MeReal pB[3])
{
    for (int j = 0; j < 3; ++j) {
        pA[j] = 0;
        pB[j] = 0;
        for (int i = 0; i < s->count; ++i) {
            pA[j] += c->weight[i] * c->a[i][j];
            pB[j] += c->weight[i] * c->b[i][j];
        }
    }
}

}  // namespace

int McdConvexSetSupport(const McdConvexSet* set, int start, const MeReal direction[3], MeReal worldPoint[3],
                        MeReal localPoint[3], MeReal* value)
{
    MeReal d[3];
    DirectionToLocal(set->transform, direction, d);
    int index = -1;
    if (set->hull) {
        index = HullClimb(set->hull, start, d);
        const MeReal* p = index >= 0 ? set->hull->vertices[index].position : nullptr;
        for (int j = 0; j < 3; ++j)
            localPoint[j] = p ? p[j] : 0;
    } else if (set->support) {
        set->support(set->primitive, d, localPoint);
    } else {
        localPoint[0] = localPoint[1] = localPoint[2] = 0;
    }
    ToWorld(set->transform, localPoint, worldPoint);
    if (value)
        *value = Dot(direction, worldPoint);
    return index;
}

void McdGjkInitSimplex(McdGjkSimplex* simplex, MeReal direction[3], const McdConvexSet* a, const McdConvexSet* b)
{
    MeReal d[3] = {0, 0, 0};
    for (int j = 0; j < 3; ++j)
        d[j] = (a->transform ? a->transform[3][j] : 0) - (b->transform ? b->transform[3][j] : 0);
    const MeReal len = std::sqrt(Dot(d, d));
    if (len > 0) {
        for (MeReal& x : d)
            x /= len;
    } else {
        d[0] = 1;
        d[1] = d[2] = 0;
    }
    // Any pair is a valid start; the sides facing each other are near the closest points.
    MeReal w[3], nd[3] = {-d[0], -d[1], -d[2]};
    simplex->lastA = McdConvexSetSupport(a, -1, nd, w, simplex->a[0], nullptr);
    simplex->lastB = McdConvexSetSupport(b, -1, d, w, simplex->b[0], nullptr);
    simplex->count = 1;
    for (int j = 0; j < 3; ++j)
        direction[j] = d[j];
}

int McdGjkClosestPoints(const McdConvexSet* a, const McdConvexSet* b, McdGjkSimplex* s, McdSimplexCoords* c,
                        MeReal pA[3], MeReal pB[3], MeReal* squaredDistance)
{
    const MeReal fat = a->fatness + b->fatness;
    const MeReal fatSq = fat * fat;
    MeReal previous = 1e30f;
    MeReal v[3];
    // A usable state before the first Johnson step: the first point pair alone.
    c->weight[0] = 1;
    c->weight[1] = c->weight[2] = c->weight[3] = 0;
    for (int j = 0; j < 3; ++j) {
        pA[j] = c->a[0][j];
        pB[j] = c->b[0][j];
        v[j] = pB[j] - pA[j];
    }
    MeReal sq = Dot(v, v);
    *squaredDistance = sq;

    bool restarted = false;
    for (int iteration = 0;; ++iteration) {
        if (iteration >= kMaxIterations)
            return kMcdGjkStopped;
        if (s->count > 1) {
            if (!Johnson(s, c)) {
                // No subset qualifies: the simplex is degenerate to rounding (a kept one that
                // the motion flattened, or a new point that adds nothing). The distance found
                // so far bounds nothing from below, so the search starts once more from a
                // single support pair; a second failure keeps the last distance.
                if (restarted)
                    break;
                restarted = true;
                MeReal d[3];
                McdGjkInitSimplex(s, d, a, b);
                ToWorld(a->transform, s->a[0], c->a[0]);
                ToWorld(b->transform, s->b[0], c->b[0]);
                previous = 1e30f;
                iteration = -1;
                continue;
            }
            if (s->count == 4) {
                *squaredDistance = 0;
                ClosestPoints(s, c, pA, pB);
                return kMcdGjkOverlap;
            }
        } else {
            c->weight[0] = 1;
        }
        ClosestPoints(s, c, pA, pB);
        for (int j = 0; j < 3; ++j)
            v[j] = pB[j] - pA[j];
        sq = Dot(v, v);
        *squaredDistance = sq;
        if (sq < kTouchingSq)
            return kMcdGjkTouching;

        MeReal sA[3], sB[3], lA[3], lB[3], nv[3] = {-v[0], -v[1], -v[2]};
        const int iA = McdConvexSetSupport(a, s->lastA, v, sA, lA, nullptr);
        const int iB = McdConvexSetSupport(b, s->lastB, nv, sB, lB, nullptr);
        MeReal w[3] = {sA[0] - sB[0], sA[1] - sB[1], sA[2] - sB[2]};
        const MeReal delta = Dot(v, w);
        if (delta <= 0 && (fat == 0 || fatSq * sq <= delta * delta))
            return kMcdGjkApart;
        MeReal mu = delta + sq;
        if (mu < 0)
            mu = 0;
        // Relative to |v|^2: the distance error is then below 1e-4 |v| at any scale, and a
        // shallow overlap is not taken for a small gap.
        if (mu < kConverged * sq)
            return sq >= fatSq ? kMcdGjkApart : kMcdGjkWithin;
        if (!(sq < previous))
            return kMcdGjkStopped;

        const int k = s->count;
        for (int j = 0; j < 3; ++j) {
            s->a[k][j] = lA[j];
            s->b[k][j] = lB[j];
            c->a[k][j] = sA[j];
            c->b[k][j] = sB[j];
        }
        c->weight[k] = 0;
        s->count = k + 1;
        s->lastA = iA;
        s->lastB = iB;
        previous = sq;
    }
    return *squaredDistance >= fatSq ? kMcdGjkApart : kMcdGjkWithin;
}

MeReal McdConvexSeparation(const McdConvexSet* a, const McdConvexSet* b, McdGjkSimplex* s, MeReal normal[3])
{
    if (s->count <= 0) {
        MeReal d[3];
        McdGjkInitSimplex(s, d, a, b);
    }
    McdSimplexCoords c;
    for (int i = 0; i < s->count; ++i) {
        ToWorld(a->transform, s->a[i], c.a[i]);
        ToWorld(b->transform, s->b[i], c.b[i]);
    }
    const MeReal fat = a->fatness + b->fatness;
    MeReal pA[3], pB[3], sq = 0;
    const int status = McdGjkClosestPoints(a, b, s, &c, pA, pB, &sq);
    if (status == kMcdGjkApart)
        sq = fat * fat + 1;
    // A touching pair with a single point pair has no polytope to expand: its distance is
    // the answer (near 0), with the direction between the points when there is one.
    if (status == kMcdGjkOverlap || (status == kMcdGjkTouching && s->count >= 2))
        return McdPenetrationDepth(a, b, s, &c, normal);
    MeReal n[3] = {pA[0] - pB[0], pA[1] - pB[1], pA[2] - pB[2]};
    const MeReal len = std::sqrt(Dot(n, n));
    if (len > 0) {
        for (int j = 0; j < 3; ++j)
            normal[j] = n[j] / len;
    } else if (status != kMcdGjkTouching) {
        normal[0] = normal[1] = normal[2] = 0;
    }
    return std::sqrt(sq);
}

void McdGeometrySupport(McdGeometryInstance* instance, MeReal point[3], MeReal* value, const MeReal direction[3])
{
    MeReal d[3] = {direction[0], direction[1], direction[2]};
    const MeReal len = std::sqrt(Dot(d, d));
    if (len > 0)
        for (MeReal& x : d)
            x /= len;
    McdGeometryMaximPoint(instance, d, point);
    *value = Dot(point, direction);
}

// The support-mapping test: the same iteration on whole geometries, from scratch each call.
MeU8 McdSupportIntersect(McdModelID m1, McdModelID m2, MeReal closest1[3], MeReal closest2[3])
{
    constexpr int kIterations = 40;
    constexpr MeReal kThreshold = 0.0001f;
    McdGeometryInstance* g1 = McdModelGetGeometryInstance(m1);
    McdGeometryInstance* g2 = McdModelGetGeometryInstance(m2);
    McdGjkSimplex s;
    McdSimplexCoords c;
    MeReal d[3];
    for (int j = 0; j < 3; ++j)
        d[j] = g2->transform[3][j] - g1->transform[3][j];
    if (Dot(d, d) == 0) {
        d[0] = 1;
        d[1] = d[2] = 0;
    }
    MeReal nd[3] = {-d[0], -d[1], -d[2]}, value;
    McdGeometrySupport(g1, c.a[0], &value, d);
    McdGeometrySupport(g2, c.b[0], &value, nd);
    s.count = 1;
    MeReal previous = 1e30f;
    MeU8 result = 1;
    for (int iteration = 0; iteration < kIterations; ++iteration) {
        if (s.count > 1) {
            if (!Johnson(&s, &c)) {
                // No subset qualifies, so the newest pair brought no progress: drop it; the
                // last distance (at least the threshold) stands.
                --s.count;
                result = 0;
                break;
            }
        } else {
            c.weight[0] = 1;
        }
        if (s.count > 3) {
            result = 1;
            break;
        }
        MeReal p1[3], p2[3], v[3];
        ClosestPoints(&s, &c, p1, p2);
        for (int j = 0; j < 3; ++j)
            v[j] = p2[j] - p1[j];
        if (closest1)
            for (int j = 0; j < 3; ++j)
                closest1[j] = p1[j];
        if (closest2)
            for (int j = 0; j < 3; ++j)
                closest2[j] = p2[j];
        const MeReal sq = Dot(v, v);
        if (sq < kThreshold) {
            result = 1;
            break;
        }
        MeReal s1[3], s2[3], nv[3] = {-v[0], -v[1], -v[2]};
        McdGeometrySupport(g1, s1, &value, v);
        McdGeometrySupport(g2, s2, &value, nv);
        MeReal w[3] = {s1[0] - s2[0], s1[1] - s2[1], s1[2] - s2[2]};
        const MeReal mu = sq + Dot(v, w);
        if (mu < kThreshold) {
            result = 0;
            break;
        }
        if (!(sq < previous)) {
            result = 0;
            break;
        }
        const int k = s.count;
        for (int j = 0; j < 3; ++j) {
            c.a[k][j] = s1[j];
            c.b[k][j] = s2[j];
        }
        c.weight[k] = 0;
        s.count = k + 1;
        previous = sq;
    }
    return result;
}
