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

using NodePair = std::pair<const CxTriangleMeshTreeNode*, const CxTriangleMeshTreeNode*>;

MeReal ExtentSum(const CxTriangleMeshTreeNode* n)
{
    return n->box.ext[0] + n->box.ext[1] + n->box.ext[2];
}

// Writes a candidate behind the last contact and merges it; writes stop at the result's room
// (and at 30 contacts for a small pair).
void Emit(McdIntersectResult* result, CxMeshPairWork* w, const MeReal p[3], const MeReal normal[3],
          MeReal separation)
{
    if (result->contactCount >= result->contactMaxCount || (w->small && result->contactCount >= kSmallContactCap))
        return;
    McdContact& c = result->contacts[result->contactCount];
    c = McdContact();
    Copy3(p, c.position);
    Copy3(normal, c.normal);
    c.separation = separation;
    CxContactMerge(result, w, w->limit);
}

void LeafPair(McdIntersectResult* result, CxMeshPairWork* w, const CxTriangleMeshTreeNode* a,
              const CxTriangleMeshTreeNode* b)
{
    const CxTriangle& ta = w->meshA->triangles[a->triangle];
    const CxTriangle& tb = w->meshB->triangles[b->triangle];
    MeReal A[3][3], B[3][3];
    for (int i = 0; i < 3; ++i) {
        ToWorld(w->transformA, ta.v[i], A[i]);
        ToWorld(w->transformB, tb.v[i], B[i]);
    }
    MeReal points[6][3];
    int k = 0;
    const int code = CxTriangleTriangleContact(A[0], A[1], A[2], B[0], B[1], B[2], points, 6, &k);
    if (code == 0)
        return;
    MeReal nA[3], nB[3], N[3];
    RotateToWorld(w->transformA, w->meshA->normals + 3 * a->triangle, nA);
    RotateToWorld(w->transformB, w->meshB->normals + 3 * b->triangle, nB);
    if (code == 2) {
        Copy3(nB, N);
    } else if (code == 3) {
        for (int q = 0; q < 3; ++q)
            N[q] = -nA[q];
    } else {
        // nB and -nA both point from B towards A; adding nA when the faces are not opposed
        // would turn the blend of two perpendicular faces outward.
        const MeReal aA = w->meshA->areas[a->triangle], aB = w->meshB->areas[b->triangle];
        for (int q = 0; q < 3; ++q)
            N[q] = aB * nB[q] - aA * nA[q];
    }
    if (Normalise(N) < 1e-6f)
        Copy3(nB, N);
    if (k != 2) {
        for (int i = 0; i < k; ++i)
            Emit(result, w, points[i], nB, 0);
        return;
    }
    const MeReal* pa[3] = {A[0], A[1], A[2]};
    const MeReal* pb[3] = {B[0], B[1], B[2]};
    CxTriangleContactBuilder builder(pa, pb, nA, nB, N);
    const MeReal best = builder.Compute();
    const MeReal separation = best <= 0 ? best : 0;
    Emit(result, w, points[0], N, separation);
    Emit(result, w, points[1], N, separation);
}

// Normalises summed normals, averages summed separations and drops contacts whose normal
// vanished; returns the kept count.
int Finish(McdIntersectResult* result, const CxMeshPairWork* w)
{
    int kept = 0;
    for (int i = 0; i < result->contactCount; ++i) {
        McdContact c = result->contacts[i];
        if (Normalise(c.normal) == 0)
            continue;
        if (w->counter[i] > 1)
            c.separation /= static_cast<MeReal>(w->counter[i]);
        result->contacts[kept++] = c;
    }
    result->contactCount = kept;
    return kept;
}

}  // namespace

CxTriangleContactBuilder::CxTriangleContactBuilder(const MeReal* A[3], const MeReal* B[3], const MeReal nA[3],
                                                   const MeReal nB[3], const MeReal N[3])
{
    for (int i = 0; i < 3; ++i) {
        a_[i] = A[i];
        b_[i] = B[i];
        nA_[i] = nA[i];
        nB_[i] = nB[i];
        n_[i] = N[i];
    }
}

void CxTriangleContactBuilder::Offer(MeReal travel, const MeReal from[3], const MeReal to[3])
{
    if (!(travel < best))
        return;
    best = travel;
    Copy3(from, points[0]);
    Copy3(to, points[1]);
}

// Travel of the corners and edge crossings of X inside Y's prism onto Y's plane; `sign`
// negates the travel for the first triangle. Returns true when all three corners were inside.
bool CxTriangleContactBuilder::ProjectInto(const MeReal* X[3], const MeReal* Y[3], const MeReal nY[3], MeReal sign)
{
    SidePlanes sides;
    BuildSides(Y, n_, &sides);
    const MeReal den = Dot3(n_, nY);
    const MeReal offset = Dot3(nY, Y[0]);
    auto travel = [&](const MeReal p[3]) {
        if (std::fabs(den) < 1e-6f)
            return;
        const MeReal t = (offset - Dot3(nY, p)) / den;
        const MeReal image[3] = {p[0] + t * n_[0], p[1] + t * n_[1], p[2] + t * n_[2]};
        Offer(sign * t, p, image);
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

MeReal CxTriangleContactBuilder::Compute()
{
    best = FLT_MAX;
    const MeReal* N = n_;
    if (SamePlane(nA_, Dot3(nA_, a_[0]), nB_, Dot3(nB_, b_[0]))) {
        MeReal T[3];
        Cross3(N, nA_, T);
        auto scan = [&](const MeReal* const P[3], const MeReal* const E[3], MeReal sign) {
            for (int i = 0; i < 3; ++i) {
                const MeReal s = Dot3(P[i], N), u = Dot3(P[i], T);
                for (int e = 0; e < 3; ++e) {
                    const MeReal* a = E[e];
                    const MeReal* b = E[(e + 1) % 3];
                    const MeReal ua = Dot3(a, T), ub = Dot3(b, T);
                    if (ua == ub || u < std::fmin(ua, ub) || u > std::fmax(ua, ub))
                        continue;
                    const MeReal w = (u - ua) / (ub - ua);
                    MeReal edgePoint[3];
                    for (int k = 0; k < 3; ++k)
                        edgePoint[k] = a[k] + w * (b[k] - a[k]);
                    Offer(sign * (s - Dot3(edgePoint, N)), P[i], edgePoint);
                }
            }
        };
        scan(a_, b_, 1);
        scan(b_, a_, -1);
        return best;
    }
    if (ProjectInto(a_, b_, nB_, -1))
        return best;
    ProjectInto(b_, a_, nA_, 1);
    return best;
}

int CxContactMerge(McdIntersectResult* result, CxMeshPairWork* work, int limit)
{
    const int n = result->contactCount;
    McdContact* c = result->contacts;
    for (int i = 0; i < n; ++i)
        if (Dist2(c[i].position, c[n].position) < 0.01f) {
            for (int k = 0; k < 3; ++k)
                c[i].normal[k] += c[n].normal[k];
            return n;
        }
    work->counter[n] = 1;
    if (n < limit) {
        result->contactCount = n + 1;
        return n + 1;
    }
    // Full: the most crowded contact (smallest row sum of squared distances) joins its
    // nearest neighbour; the candidate takes the freed slot.
    for (int i = 0; i <= n; ++i) {
        work->distance2[i][i] = 0;
        for (int j = i + 1; j <= n; ++j)
            work->distance2[i][j] = work->distance2[j][i] = Dist2(c[i].position, c[j].position);
    }
    int k = 0;
    for (int i = 0; i <= n; ++i) {
        MeReal sum = 0;
        for (int j = 0; j <= n; ++j)
            sum += work->distance2[i][j];
        work->rowSum[i] = sum;
        if (sum < work->rowSum[k])
            k = i;
    }
    int m = -1;
    for (int j = 0; j <= n; ++j)
        if (j != k && (m < 0 || work->distance2[k][j] < work->distance2[k][m]))
            m = j;
    if (m < 0)
        return n;
    for (int q = 0; q < 3; ++q) {
        c[m].position[q] = (c[k].position[q] + c[m].position[q]) * 0.5f;
        c[m].normal[q] += c[k].normal[q];
    }
    c[m].separation += c[k].separation;
    work->counter[m] += work->counter[k];
    if (k != n) {
        c[k] = c[n];
        work->counter[k] = work->counter[n];
    }
    return n;
}

void CxMeshTreeContacts(McdIntersectResult* result, CxMeshPairWork* work, const CxTriangleMeshTreeNode* nodeA,
                        const CxTriangleMeshTree* treeA, MeConstMatrix4Ptr transformA,
                        const CxTriangleMeshTreeNode* nodeB, const CxTriangleMeshTree* treeB,
                        MeConstMatrix4Ptr transformB, bool small)
{
    if (!nodeA || !nodeB || !treeA || !treeB)
        return;
    work->transformA = transformA;
    work->transformB = transformB;
    work->meshA = treeA->mesh;
    work->meshB = treeB->mesh;
    work->small = small;
    CxNodeStack<NodePair> stack(treeA->depth + treeB->depth + 2);
    if (!stack.Ok())
        return;
    stack.Push({nodeA, nodeB});
    while (!stack.Empty()) {
        const auto [a, b] = stack.Pop();
        if (CxObbOverlap(&a->box, transformA, &b->box, transformB) != 0)
            continue;
        const bool leafA = a->triangle >= 0, leafB = b->triangle >= 0;
        if (leafA && leafB) {
            LeafPair(result, work, a, b);
        } else if (leafA || (!leafB && !(ExtentSum(b) < ExtentSum(a)))) {
            stack.Push({a, b->right});
            stack.Push({a, b->left});
        } else {
            stack.Push({a->right, b});
            stack.Push({a->left, b});
        }
    }
}

int CxContactsCommonNormal(McdIntersectResult* result, CxMeshPairWork* work, const CxTriangleMeshTree* treeA,
                           const CxTriangleMeshTree* treeB, MeConstMatrix4Ptr transformA, MeConstMatrix4Ptr transformB)
{
    McdContact* c = result->contacts;
    const int n = result->contactCount;
    if (n == 0)
        return 0;
    if (n < 3) {
        for (int i = 0; i < n; ++i)
            Normalise(c[i].normal);
        return 1;
    }
    MeReal W[3] = {0, 0, 0};
    MeReal widest = 1e-6f;
    bool found = false;
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
        result->contactCount = 0;
        return 0;
    }
    MeReal Nbar[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
        const MeReal s = Dot3(c[i].normal, W) > 0 ? 1.0f : -1.0f;
        for (int q = 0; q < 3; ++q)
            Nbar[q] += s * c[i].normal[q];
    }
    if (Normalise(Nbar) == 0)
        return 1;  // each contact keeps its own normal
    MeReal centreA[3], centreB[3], D[3];
    ToWorld(transformA, treeA->mesh->centre, centreA);
    ToWorld(transformB, treeB->mesh->centre, centreB);
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
    const MeReal d1 = McdTriangleMeshLineSegment(work->model2, s0, s1, &hit) ? hit.distance : 0;
    for (int q = 0; q < 3; ++q) {
        s0[q] = C[q] + 0.1f * Nbar[q];
        s1[q] = C[q] - 0.9f * Nbar[q];
    }
    const MeReal d2 = McdTriangleMeshLineSegment(work->model1, s0, s1, &hit) ? hit.distance : 0;
    MeReal separation = 0.2f - d1 - d2;
    if (separation > 0)
        separation = 0;
    for (int i = 0; i < n; ++i) {
        Copy3(Nbar, c[i].normal);
        c[i].separation = separation;
        work->counter[i] = 1;
    }
    Copy3(Nbar, result->normal);
    return 1;
}

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

void CxMeshTreeOverlap(const CxTriangleMeshTreeNode* nodeA, const CxTriangleMeshTree* treeA, MeConstMatrix4Ptr ta,
                       const CxTriangleMeshTreeNode* nodeB, const CxTriangleMeshTree* treeB, MeConstMatrix4Ptr tb,
                       int* found)
{
    if (!nodeA || !nodeB || !treeA || !treeB || *found > 0)
        return;
    const CxTriangleMesh* ma = treeA->mesh;
    const CxTriangleMesh* mb = treeB->mesh;
    CxNodeStack<NodePair> stack(treeA->depth + treeB->depth + 2);
    if (!stack.Ok())
        return;
    stack.Push({nodeA, nodeB});
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
            if (CxTriangleTriangleOverlap(A[0], A[1], A[2], B[0], B[1], B[2])) {
                ++*found;
                return;
            }
        } else if (leafA) {
            stack.Push({a, b->right});
            stack.Push({a, b->left});
        } else {
            stack.Push({a->right, b});
            stack.Push({a->left, b});
        }
    }
}

bool CxMeshTreesOverlap(const CxTriangleMeshTree* treeA, const CxTriangleMeshTree* treeB, MeConstMatrix4Ptr ta,
                        MeConstMatrix4Ptr tb)
{
    if (!treeA || !treeB || !treeA->nodes || !treeB->nodes)
        return false;
    int found = 0;
    CxMeshTreeOverlap(treeA->nodes, treeA, ta, treeB->nodes, treeB, tb, &found);
    return found > 0;
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
    CxMeshPairWork w;
    w.model1 = model1;
    w.model2 = model2;
    w.budget = budget;
    const bool small = ma->count + mb->count < 120 && (ma->count < 20 || mb->count < 20);
    const int cap = small ? 4 : kSmallContactCap;
    w.limit = budget < cap ? budget : cap;
    for (int& c : w.counter)
        c = 1;
    result->normal[0] = result->normal[1] = result->normal[2] = 0;
    CxMeshTreeContacts(result, &w, ma->tree->nodes, ma->tree, ta, mb->tree->nodes, mb->tree, tb, small);
    if (small)
        CxContactsCommonNormal(result, &w, ma->tree, mb->tree, ta, tb);
    const bool common = small && Dot3(result->normal, result->normal) > 0;
    const int n = Finish(result, &w);
    if (!common) {
        MeReal normal[3] = {0, 0, 0};
        for (int i = 0; i < n; ++i)
            for (int q = 0; q < 3; ++q)
                normal[q] += result->contacts[i].normal[q];
        Normalise(normal);
        Copy3(normal, result->normal);
    }
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
