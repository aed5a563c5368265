// Triangle mesh against triangle mesh.
//
// Walk. The two box trees are descended together from their roots with an explicit stack of
// node pairs; a pair whose oriented boxes are separated (15-axis test, 1e-6 widening) is
// dropped. Of two inner nodes the one with the larger sum of half extents is split (b on
// ties). Every overlapping leaf pair is visited.
//
// Leaf pair. The two world triangles are intersected (interval-overlap method): each
// triangle's corners are measured against the other's plane (|distance| < 1e-6 counts as on
// the plane); when neither lies wholly on one side, crossing triangles give the two ends of
// the common part of their sections along the line of the planes (case 2: both ends on A's
// edges, 3: both on B's, 4: one each) and coplanar ones give the corners of their overlap
// polygon (case 5, at most 6, in polygon order). The contact normal points from B (model 2)
// towards A (model 1): B's face normal for case 2, minus A's for case 3, otherwise the
// area-weighted blend aB nB - aA nA. The penetration along it is the largest travel along N
// that takes a corner or edge crossing of one triangle, inside the other's prism, onto the
// other's plane (negative when penetrating).
//
// Merging keeps at most L contacts (L = min(budget, 4) for small pairs, min(budget, 30) for
// large ones) in a work area of 31. A candidate within 0.1 of a contact adds its normal to
// it. Into a full set, the contact with the smallest sum of squared distances to the others
// (the most crowded) is merged into its nearest neighbour: midpoint, summed normal, summed
// separation and summed count travel together, and the freed slot takes the candidate. At
// the end normals are normalised and separations divided by their counts; a contact whose
// summed normal vanished is dropped.
//
// Small pairs (fewer than 120 triangles in all, fewer than 20 in one mesh) end with one
// common normal: the contact normals summed with signs that agree with the plane of the
// widest contact triple, oriented from the second mesh's centre towards the first's, and one
// depth measured by two segments through the contacts' mean along that normal, one against
// each mesh. Collinear contact sets are dropped; when the signed sum vanishes each contact
// keeps its own normal.

#include <cfloat>
#include "physics/dynamics/me_math.h"
#include <cmath>
#include <utility>

#include "physics/collision/model.h"
#include "physics/collision/model_pair.h"
#include "physics/collision/triangle_mesh_collision.h"
#include "physics/collision/triangle_mesh_walk_local.h"

namespace {

constexpr int kWorkSlots = 31;
constexpr int kSmallContactCap = 30;

MeReal Dot3(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void Cross3(const MeReal a[3], const MeReal b[3], MeReal out[3]) { MeVector3Cross(out, a, b); }

void Sub3(const MeReal a[3], const MeReal b[3], MeReal out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = a[k] - b[k];
}

void Copy3(const MeReal a[3], MeReal out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = a[k];
}

MeReal Normalise(MeReal v[3])
{
    const MeReal len = std::sqrt(Dot3(v, v));
    if (len != 0)
        for (int k = 0; k < 3; ++k)
            v[k] /= len;
    return len;
}

MeReal Dist2(const MeReal a[3], const MeReal b[3])
{
    MeReal d[3];
    Sub3(a, b, d);
    return Dot3(d, d);
}

void ToWorld(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
}

void RotateToWorld(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = v[0] * t[0][j] + v[1] * t[1][j] + v[2] * t[2][j];
}

// Section of a triangle by the other's plane, as an interval along the planes' common line.
struct Section {
    MeReal lo = 0, hi = 0;
    MeReal pLo[3] = {0, 0, 0}, pHi[3] = {0, 0, 0};
};

void SectionOf(const MeReal* T[3], const MeReal d[3], const MeReal dir[3], Section* s)
{
    MeReal pts[4][3];
    int n = 0;
    for (int i = 0; i < 3 && n < 4; ++i) {
        const int j = (i + 1) % 3;
        if (d[i] == 0)
            Copy3(T[i], pts[n++]);
        if ((d[i] < 0 && d[j] > 0) || (d[i] > 0 && d[j] < 0)) {
            const MeReal u = d[i] / (d[i] - d[j]);
            for (int k = 0; k < 3; ++k)
                pts[n][k] = T[i][k] + u * (T[j][k] - T[i][k]);
            ++n;
        }
    }
    s->lo = FLT_MAX;
    s->hi = -FLT_MAX;
    for (int i = 0; i < n; ++i) {
        const MeReal t = Dot3(pts[i], dir);
        if (t < s->lo) {
            s->lo = t;
            Copy3(pts[i], s->pLo);
        }
        if (t > s->hi) {
            s->hi = t;
            Copy3(pts[i], s->pHi);
        }
    }
}

// Signed distances of T's corners to the plane (n, offset), snapped to 0 below 1e-6.
// Returns false when all three lie strictly on one side.
bool PlaneDistances(const MeReal* T[3], const MeReal n[3], MeReal offset, MeReal d[3])
{
    int pos = 0, neg = 0;
    for (int i = 0; i < 3; ++i) {
        d[i] = Dot3(n, T[i]) - offset;
        if (std::fabs(d[i]) < 1e-6f)
            d[i] = 0;
        pos += d[i] > 0;
        neg += d[i] < 0;
    }
    return !(pos == 3 || neg == 3);
}

bool PointInTriangle2(const MeReal p[2], const MeReal t[3][2])
{
    int pos = 0, neg = 0;
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const MeReal c = (t[j][0] - t[i][0]) * (p[1] - t[i][1]) - (t[j][1] - t[i][1]) * (p[0] - t[i][0]);
        pos += c > 0;
        neg += c < 0;
    }
    return pos == 0 || neg == 0;
}

// Coplanar overlap polygon (projected on the coordinates that drop n's largest component).
int CoplanarOverlap(const MeReal* A[3], const MeReal* B[3], const MeReal n[3], MeReal out[][3], int limit)
{
    const MeReal ax = std::fabs(n[0]), ay = std::fabs(n[1]), az = std::fabs(n[2]);
    const int drop = (ax >= ay && ax >= az) ? 0 : (ay >= az ? 1 : 2);
    const int u = drop == 0 ? 1 : 0, v = drop == 2 ? 1 : 2;
    MeReal a2[3][2], b2[3][2];
    for (int i = 0; i < 3; ++i) {
        a2[i][0] = A[i][u];
        a2[i][1] = A[i][v];
        b2[i][0] = B[i][u];
        b2[i][1] = B[i][v];
    }
    int count = 0;
    auto add = [&](const MeReal p[3]) {
        if (count >= limit)
            return;
        for (int i = 0; i < count; ++i)
            if (Dist2(out[i], p) < 1e-6f)
                return;
        Copy3(p, out[count++]);
    };
    for (int i = 0; i < 3; ++i) {
        const int i1 = (i + 1) % 3;
        for (int j = 0; j < 3; ++j) {
            const int j1 = (j + 1) % 3;
            const MeReal r[2] = {a2[i1][0] - a2[i][0], a2[i1][1] - a2[i][1]};
            const MeReal s[2] = {b2[j1][0] - b2[j][0], b2[j1][1] - b2[j][1]};
            const MeReal den = r[0] * s[1] - r[1] * s[0];
            if (std::fabs(den) < 1e-12f)
                continue;
            const MeReal q[2] = {b2[j][0] - a2[i][0], b2[j][1] - a2[i][1]};
            const MeReal ta = (q[0] * s[1] - q[1] * s[0]) / den;
            const MeReal tb = (q[0] * r[1] - q[1] * r[0]) / den;
            if (ta < 0 || ta > 1 || tb < 0 || tb > 1)
                continue;
            MeReal p[3];
            for (int k = 0; k < 3; ++k)
                p[k] = A[i][k] + ta * (A[i1][k] - A[i][k]);
            add(p);
        }
    }
    for (int i = 0; i < 3; ++i)
        if (PointInTriangle2(a2[i], b2))
            add(A[i]);
    for (int i = 0; i < 3; ++i)
        if (PointInTriangle2(b2[i], a2))
            add(B[i]);
    if (count >= 4) {
        int first = 0;
        for (int i = 1; i < count; ++i)
            if (out[i][v] < out[first][v])
                first = i;
        MeReal sorted[6][3];
        MeReal key[6];
        Copy3(out[first], sorted[0]);
        int m = 1;
        for (int i = 0; i < count; ++i) {
            if (i == first)
                continue;
            const MeReal du = out[i][u] - out[first][u], dv = out[i][v] - out[first][v];
            const MeReal len = std::sqrt(du * du + dv * dv);
            const MeReal c = len > 0 ? du / len : 1;
            // Insertion keeps the first of equal keys first.
            int at = m;
            while (at > 1 && key[at - 1] < c) {
                Copy3(sorted[at - 1], sorted[at]);
                key[at] = key[at - 1];
                --at;
            }
            Copy3(out[i], sorted[at]);
            key[at] = c;
            ++m;
        }
        for (int i = 0; i < count; ++i)
            Copy3(sorted[i], out[i]);
    }
    return count;
}

// Contact builder: penetration of two triangles along N (largest float when nothing found).
struct SidePlanes {
    MeReal n[3][3];
    MeReal d[3];
    MeReal Value(int i, const MeReal p[3]) const { return Dot3(n[i], p) - d[i]; }
};

void BuildSides(const MeReal* T[3], const MeReal N[3], SidePlanes* s)
{
    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3, k = (i + 2) % 3;
        MeReal e[3];
        Sub3(T[j], T[i], e);
        Cross3(N, e, s->n[i]);
        s->d[i] = Dot3(s->n[i], T[i]);
        if (Dot3(s->n[i], T[k]) - s->d[i] < 0) {
            for (MeReal& x : s->n[i])
                x = -x;
            s->d[i] = -s->d[i];
        }
    }
}

bool SamePlane(const MeReal nA[3], MeReal dA, const MeReal nB[3], MeReal dB)
{
    bool same = std::fabs(dA - dB) <= 1e-6f, opposite = std::fabs(dA + dB) <= 1e-6f;
    for (int k = 0; k < 3; ++k) {
        same = same && std::fabs(nA[k] - nB[k]) <= 1e-6f;
        opposite = opposite && std::fabs(nA[k] + nB[k]) <= 1e-6f;
    }
    return same || opposite;
}

// Travel of the corners and edge crossings of X inside Y's prism onto Y's plane; `sign`
// negates the travel for the first triangle. Returns true when all three corners were inside.
bool ProjectInto(const MeReal* X[3], const MeReal* Y[3], const MeReal nY[3], const MeReal N[3], MeReal sign,
                 MeReal* best)
{
    SidePlanes sides;
    BuildSides(Y, N, &sides);
    const MeReal den = Dot3(N, nY);
    const MeReal offset = Dot3(nY, Y[0]);
    auto travel = [&](const MeReal p[3]) {
        if (std::fabs(den) < 1e-6f)
            return;
        const MeReal t = sign * (offset - Dot3(nY, p)) / den;
        if (t < *best)
            *best = t;
    };
    int inside = 0;
    for (int i = 0; i < 3; ++i)
        if (sides.Value(0, X[i]) >= 0 && sides.Value(1, X[i]) >= 0 && sides.Value(2, X[i]) >= 0) {
            ++inside;
            travel(X[i]);
        }
    if (inside == 3)
        return true;
    for (int i = 0; i < 3; ++i) {
        const MeReal* P = X[i];
        const MeReal* Q = X[(i + 1) % 3];
        for (int s = 0; s < 3; ++s) {
            const MeReal sp = sides.Value(s, P), sq = sides.Value(s, Q);
            if (std::fabs(sp - sq) < 1e-6f)
                continue;
            const MeReal u = sp / (sp - sq);
            if (u < 0 || u >= 1)
                continue;
            MeReal x[3];
            for (int k = 0; k < 3; ++k)
                x[k] = P[k] + u * (Q[k] - P[k]);
            bool in = true;
            for (int o = 0; o < 3; ++o)
                if (o != s && sides.Value(o, x) < -1e-6f)
                    in = false;
            if (in)
                travel(x);
        }
    }
    return false;
}

MeReal ContactDepth(const MeReal* A[3], const MeReal* B[3], const MeReal nA[3], const MeReal nB[3], const MeReal N[3])
{
    MeReal best = FLT_MAX;
    if (SamePlane(nA, Dot3(nA, A[0]), nB, Dot3(nB, B[0]))) {
        MeReal T[3];
        Cross3(N, nA, T);
        auto scan = [&](const MeReal* P[3], const MeReal* E[3], MeReal sign) {
            for (int i = 0; i < 3; ++i) {
                const MeReal s = Dot3(P[i], N), u = Dot3(P[i], T);
                for (int e = 0; e < 3; ++e) {
                    const MeReal* a = E[e];
                    const MeReal* b = E[(e + 1) % 3];
                    const MeReal ua = Dot3(a, T), ub = Dot3(b, T);
                    if (ua == ub || u < std::fmin(ua, ub) || u > std::fmax(ua, ub))
                        continue;
                    const MeReal w = (u - ua) / (ub - ua);
                    const MeReal se = Dot3(a, N) + w * (Dot3(b, N) - Dot3(a, N));
                    const MeReal gap = sign * (s - se);
                    if (gap < best)
                        best = gap;
                }
            }
        };
        scan(A, B, 1);
        scan(B, A, -1);
        return best;
    }
    if (ProjectInto(A, B, nB, N, -1, &best))
        return best;
    ProjectInto(B, A, nA, N, 1, &best);
    return best;
}

struct PairWork {
    McdContact contacts[kWorkSlots];
    int counts[kWorkSlots];
    int count = 0;
    int limit = 0;
    bool small = false;
    MeConstMatrix4Ptr ta = nullptr;
    MeConstMatrix4Ptr tb = nullptr;
    const CxTriangleMesh* ma = nullptr;
    const CxTriangleMesh* mb = nullptr;
};

// Admits or merges the candidate written at index `count`.
void Merge(PairWork& w)
{
    const int n = w.count;
    McdContact* c = w.contacts;
    for (int i = 0; i < n; ++i)
        if (Dist2(c[i].position, c[n].position) < 0.01f) {
            for (int k = 0; k < 3; ++k)
                c[i].normal[k] += c[n].normal[k];
            return;
        }
    if (n < w.limit) {
        w.counts[n] = 1;
        w.count = n + 1;
        return;
    }
    w.counts[n] = 1;
    int k = 0;
    MeReal bestSum = FLT_MAX;
    for (int i = 0; i <= n; ++i) {
        MeReal sum = 0;
        for (int j = 0; j <= n; ++j)
            sum += Dist2(c[i].position, c[j].position);
        if (sum < bestSum) {
            bestSum = sum;
            k = i;
        }
    }
    int m = -1;
    MeReal nearest = FLT_MAX;
    for (int j = 0; j <= n; ++j)
        if (j != k && Dist2(c[k].position, c[j].position) < nearest) {
            nearest = Dist2(c[k].position, c[j].position);
            m = j;
        }
    if (m < 0)
        return;
    for (int q = 0; q < 3; ++q) {
        c[m].position[q] = (c[k].position[q] + c[m].position[q]) * 0.5f;
        c[m].normal[q] += c[k].normal[q];
    }
    c[m].separation += c[k].separation;
    w.counts[m] += w.counts[k];
    if (k != n) {
        c[k] = c[n];
        w.counts[k] = w.counts[n];
    }
}

void Emit(PairWork& w, const MeReal p[3], const MeReal normal[3], MeReal separation)
{
    if (w.small && w.count >= kSmallContactCap)
        return;
    McdContact& c = w.contacts[w.count];
    c = McdContact();
    Copy3(p, c.position);
    Copy3(normal, c.normal);
    c.separation = separation;
    Merge(w);
}

void LeafPair(PairWork& w, const CxTriangleMeshTreeNode* a, const CxTriangleMeshTreeNode* b)
{
    const CxTriangle& ta = w.ma->triangles[a->triangle];
    const CxTriangle& tb = w.mb->triangles[b->triangle];
    MeReal A[3][3], B[3][3];
    for (int i = 0; i < 3; ++i) {
        ToWorld(w.ta, ta.v[i], A[i]);
        ToWorld(w.tb, tb.v[i], B[i]);
    }
    MeReal points[6][3];
    int k = 0;
    const int code = CxTriangleTriangleContact(A[0], A[1], A[2], B[0], B[1], B[2], points, 6, &k);
    if (code == 0)
        return;
    MeReal nA[3], nB[3], N[3];
    RotateToWorld(w.ta, w.ma->normals + 3 * a->triangle, nA);
    RotateToWorld(w.tb, w.mb->normals + 3 * b->triangle, nB);
    if (code == 2) {
        Copy3(nB, N);
    } else if (code == 3) {
        for (int q = 0; q < 3; ++q)
            N[q] = -nA[q];
    } else {
        // nB and -nA both point from B towards A; adding nA when the faces are not opposed
        // would turn the blend of two perpendicular faces outward.
        const MeReal aA = w.ma->areas[a->triangle], aB = w.mb->areas[b->triangle];
        for (int q = 0; q < 3; ++q)
            N[q] = aB * nB[q] - aA * nA[q];
    }
    if (Normalise(N) < 1e-6f)
        Copy3(nB, N);
    const MeReal* pa[3] = {A[0], A[1], A[2]};
    const MeReal* pb[3] = {B[0], B[1], B[2]};
    const MeReal best = ContactDepth(pa, pb, nA, nB, N);
    if (k != 2) {
        for (int i = 0; i < k; ++i)
            Emit(w, points[i], nB, 0);
        return;
    }
    const MeReal separation = best <= 0 ? best : 0;
    Emit(w, points[0], N, separation);
    Emit(w, points[1], N, separation);
}

using NodePair = std::pair<const CxTriangleMeshTreeNode*, const CxTriangleMeshTreeNode*>;

MeReal ExtentSum(const CxTriangleMeshTreeNode* n)
{
    return n->box.ext[0] + n->box.ext[1] + n->box.ext[2];
}

void ContactWalk(PairWork& w, const CxTriangleMeshTree* treeA, const CxTriangleMeshTree* treeB)
{
    CxNodeStack<NodePair> stack(treeA->depth + treeB->depth + 2);
    if (!stack.Ok())
        return;
    stack.Push({treeA->nodes, treeB->nodes});
    while (!stack.Empty()) {
        const auto [a, b] = stack.Pop();
        if (CxObbOverlap(&a->box, w.ta, &b->box, w.tb) != 0)
            continue;
        const bool leafA = a->triangle >= 0, leafB = b->triangle >= 0;
        if (leafA && leafB) {
            LeafPair(w, a, b);
        } else if (leafA || (!leafB && !(ExtentSum(b) < ExtentSum(a)))) {
            stack.Push({a, b->right});
            stack.Push({a, b->left});
        } else {
            stack.Push({a->right, b});
            stack.Push({a->left, b});
        }
    }
}

// Common normal and depth of a small pair; returns the contact count kept.
void CommonNormal(PairWork& w, McdModelID model1, McdModelID model2, MeReal resultNormal[3])
{
    McdContact* c = w.contacts;
    const int n = w.count;
    if (n == 0)
        return;
    MeReal W[3] = {0, 0, 0};
    MeReal widest = 1e-6f;
    bool found = false;
    if (n >= 3) {
        for (int i = 0; i + 1 < n; ++i) {
            MeReal e1[3], e2[3], x[3];
            Sub3(c[i + 1].position, c[i].position, e1);
            Sub3(c[(i + 2) % n].position, c[i].position, e2);
            Cross3(e1, e2, x);
            if (Dot3(x, x) > widest) {
                widest = Dot3(x, x);
                Copy3(x, W);
                found = true;
            }
        }
        if (!found) {
            w.count = 0;
            return;
        }
    }
    MeReal Nbar[3] = {0, 0, 0};
    if (found) {
        for (int i = 0; i < n; ++i) {
            const MeReal s = Dot3(c[i].normal, W) > 0 ? 1.0f : -1.0f;
            for (int q = 0; q < 3; ++q)
                Nbar[q] += s * c[i].normal[q];
        }
    }
    if (!found || Normalise(Nbar) == 0)
        return;  // each contact keeps its own normal
    MeReal centreA[3], centreB[3], D[3];
    ToWorld(w.ta, w.ma->centre, centreA);
    ToWorld(w.tb, w.mb->centre, centreB);
    Sub3(centreA, centreB, D);
    if (Dot3(Nbar, D) < 0)
        for (MeReal& x : Nbar)
            x = -x;
    MeReal C[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i)
        for (int q = 0; q < 3; ++q)
            C[q] += c[i].position[q] / static_cast<MeReal>(n);
    MeReal s0[3], s1[3];
    McdLineSegIntersectResult hit;
    for (int q = 0; q < 3; ++q) {
        s0[q] = C[q] - 0.1f * Nbar[q];
        s1[q] = C[q] + 0.9f * Nbar[q];
    }
    const MeReal d1 = McdTriangleMeshLineSegment(model2, s0, s1, &hit) ? hit.distance : 0;
    for (int q = 0; q < 3; ++q) {
        s0[q] = C[q] + 0.1f * Nbar[q];
        s1[q] = C[q] - 0.9f * Nbar[q];
    }
    const MeReal d2 = McdTriangleMeshLineSegment(model1, s0, s1, &hit) ? hit.distance : 0;
    MeReal separation = 0.2f - d1 - d2;
    if (separation > 0)
        separation = 0;
    for (int i = 0; i < n; ++i) {
        Copy3(Nbar, c[i].normal);
        c[i].separation = separation;
        w.counts[i] = 1;
    }
    Copy3(Nbar, resultNormal);
}

// Normalises summed normals, averages summed separations and drops contacts whose normal
// vanished; returns the kept count.
int Finish(PairWork& w)
{
    int kept = 0;
    for (int i = 0; i < w.count; ++i) {
        McdContact c = w.contacts[i];
        if (Normalise(c.normal) == 0)
            continue;
        if (w.counts[i] > 1)
            c.separation /= static_cast<MeReal>(w.counts[i]);
        w.contacts[kept++] = c;
    }
    w.count = kept;
    return kept;
}

}  // namespace

int CxTriangleTriangleContact(const MeReal a0[3], const MeReal a1[3], const MeReal a2[3], const MeReal b0[3],
                              const MeReal b1[3], const MeReal b2[3], MeReal points[][3], int limit, int* count)
{
    *count = 0;
    const MeReal* A[3] = {a0, a1, a2};
    const MeReal* B[3] = {b0, b1, b2};
    MeReal nA[3], nB[3], e1[3], e2[3];
    Sub3(a1, a0, e1);
    Sub3(a2, a0, e2);
    Cross3(e1, e2, nA);
    Sub3(b1, b0, e1);
    Sub3(b2, b0, e2);
    Cross3(e1, e2, nB);
    if (Normalise(nA) == 0 || Normalise(nB) == 0)
        return 0;
    MeReal dB[3], dA[3];
    if (!PlaneDistances(B, nA, Dot3(nA, a0), dB) || !PlaneDistances(A, nB, Dot3(nB, b0), dA))
        return 0;
    if (dA[0] == 0 && dA[1] == 0 && dA[2] == 0) {
        *count = CoplanarOverlap(A, B, nA, points, limit < 6 ? limit : 6);
        return *count > 0 ? 5 : 0;
    }
    MeReal dir[3];
    Cross3(nA, nB, dir);
    Section sa, sb;
    SectionOf(A, dA, dir, &sa);
    SectionOf(B, dB, dir, &sb);
    if (sa.hi < sb.lo || sb.hi < sa.lo)
        return 0;
    const bool loFromA = sa.lo >= sb.lo;
    const bool hiFromA = sa.hi <= sb.hi;
    if (limit < 2)
        return 0;
    Copy3(loFromA ? sa.pLo : sb.pLo, points[0]);
    Copy3(hiFromA ? sa.pHi : sb.pHi, points[1]);
    *count = 2;
    if (loFromA && hiFromA)
        return 2;
    if (!loFromA && !hiFromA)
        return 3;
    return 4;
}

bool CxTriangleTriangleOverlap(const MeReal a0[3], const MeReal a1[3], const MeReal a2[3], const MeReal b0[3],
                               const MeReal b1[3], const MeReal b2[3])
{
    MeReal points[6][3];
    int count = 0;
    return CxTriangleTriangleContact(a0, a1, a2, b0, b1, b2, points, 6, &count) != 0;
}

bool CxMeshTreesOverlap(const CxTriangleMeshTree* treeA, const CxTriangleMeshTree* treeB, MeConstMatrix4Ptr ta,
                        MeConstMatrix4Ptr tb)
{
    if (!treeA || !treeB || !treeA->nodes || !treeB->nodes)
        return false;
    const CxTriangleMesh* ma = treeA->mesh;
    const CxTriangleMesh* mb = treeB->mesh;
    CxNodeStack<NodePair> stack(treeA->depth + treeB->depth + 2);
    if (!stack.Ok())
        return false;
    stack.Push({treeA->nodes, treeB->nodes});
    while (!stack.Empty()) {
        const auto [a, b] = stack.Pop();
        if (CxObbOverlap(&a->box, ta, &b->box, tb) != 0)
            continue;
        const bool leafA = a->triangle >= 0, leafB = b->triangle >= 0;
        if (leafA && leafB) {
            MeReal A[3][3], B[3][3];
            for (int i = 0; i < 3; ++i) {
                ToWorld(ta, ma->triangles[a->triangle].v[i], A[i]);
                ToWorld(tb, mb->triangles[b->triangle].v[i], B[i]);
            }
            if (CxTriangleTriangleOverlap(A[0], A[1], A[2], B[0], B[1], B[2]))
                return true;
        } else if (leafA) {
            stack.Push({a, b->right});
            stack.Push({a, b->left});
        } else {
            stack.Push({a->right, b});
            stack.Push({a->left, b});
        }
    }
    return false;
}

int McdTriangleMeshPairContacts(McdIntersectResult* result, int budget, McdModelID model1, McdModelID model2)
{
    result->contactCount = 0;
    result->touch = 0;
    const CxTriangleMesh* ma = static_cast<const CxTriangleMesh*>(McdModelGetGeometry(model1));
    const CxTriangleMesh* mb = static_cast<const CxTriangleMesh*>(McdModelGetGeometry(model2));
    MeConstMatrix4Ptr ta = McdModelGetTransformPtr(model1);
    MeConstMatrix4Ptr tb = McdModelGetTransformPtr(model2);
    if (!ma || !mb || !ta || !tb || !ma->tree || !mb->tree || !ma->tree->nodes || !mb->tree->nodes)
        return 0;
    if (result->contactMaxCount <= 0 || budget <= 0 || !result->contacts) {
        result->touch = CxMeshTreesOverlap(ma->tree, mb->tree, ta, tb) ? 1 : 0;
        return result->touch;
    }
    PairWork w;
    w.ta = ta;
    w.tb = tb;
    w.ma = ma;
    w.mb = mb;
    w.small = ma->count + mb->count < 120 && (ma->count < 20 || mb->count < 20);
    w.limit = budget < (w.small ? 4 : kSmallContactCap) ? budget : (w.small ? 4 : kSmallContactCap);
    if (w.limit > result->contactMaxCount)
        w.limit = result->contactMaxCount;
    for (int& c : w.counts)
        c = 1;
    ContactWalk(w, ma->tree, mb->tree);

    MeReal normal[3] = {0, 0, 0};
    if (w.small)
        CommonNormal(w, model1, model2, normal);
    const int n = Finish(w);
    if (Dot3(normal, normal) == 0) {
        for (int i = 0; i < n; ++i)
            for (int q = 0; q < 3; ++q)
                normal[q] += w.contacts[i].normal[q];
        Normalise(normal);
    }
    for (int i = 0; i < n; ++i)
        result->contacts[i] = w.contacts[i];
    result->contactCount = n;
    Copy3(normal, result->normal);
    result->touch = n > 0 ? 1 : 0;
    return result->touch;
}

int McdTriangleMeshTriangleMeshIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    if (!pair || !result)
        return 0;
    const int budget = pair->request ? pair->request->contactMaxCount : 4;
    return McdTriangleMeshPairContacts(result, budget, pair->model1, pair->model2);
}

int McdTriangleMeshRegisterPairs(McdFrameworkID framework)
{
    McdInteractions fns;
    fns.intersect = McdTriangleMeshTriangleMeshIntersect;
    McdFrameworkSetInteraction(framework, kMcdTriangleMeshType, kMcdTriangleMeshType, &fns, nullptr);
    return 1;
}
