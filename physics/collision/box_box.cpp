// Box-box contacts.
//
// Method. Box 2 is expressed in box 1's frame (pose R). The fifteen-axis separating test
// gives the axis of least penetration: the unit normal n from box 2 towards box 1, the
// separation s (negative when they overlap) and the offset m of the mid-plane between the
// two faces on that axis: box 1's face towards box 2 lies at n.p = m + s/2, box 2's face at
// n.p = m - s/2 (for s < 0 each face lies inside the other box by |s|). The pair runs its
// own copy of that test over the absolute rotation matrix (each projected radius is a row of
// |R| times the extents), with the line-test object's decisions: the same padding, the same
// order of axes and the same bias of face axes over edge axes.
//
// Contact points. The contact patch is the overlap of the two boxes seen along n; its
// corners are the points wanted.
// - A face axis (of either box) makes that face the reference face and the face of the
//   other box most opposed to it the incident face. The incident face's four corners are
//   clipped against the reference box's six face planes (Sutherland-Hodgman, at most ten
//   points), which leaves the part of the incident face inside the reference box. For a face resting on a face these are the corners of the overlap rectangle, for a
//   tilted face the wedge below the reference face, for a corner pushed into a face the
//   corner and the two points where its edges cross the reference face.
// - An edge axis names one edge of each box (the edges extreme along n); the contact is the
//   midpoint of their closest points.
// When that yields no point (rounding on a grazing pose), the general patch stands in:
// every edge of each box clipped against the other box, plus the corners of each box that
// lie inside the other. All clips count a point within a small margin scaled to the boxes
// as inside (`McdBoxFlushTolerance`), so faces flush to rounding keep all their corners.
// Each point is moved along n onto the mid-plane, so that both model orders make the same
// contacts. A point of an incident face keeps its own depth below the reference face as its
// separation (a tilted box is righted by the deeper side), shifted all alike when the
// deepest of them is shallower than s (its corner clipped away beside the reference box),
// so that the reported depth is the overlap along n; the point of an edge axis and
// of the general patch take the patch's separation s. Points whose separation is not
// strictly below 0.01 s are dropped (none survive when s >= 0: boxes resting exactly on
// each other, or within their padding, touch without contacts) and the rest are culled to
// the pair's budget (`McdContactCull`).
//
// Safe time. Rotation is handled by sub-steps of at most 0.2 radians of summed rotation; in
// each sub-step the boxes move linearly (the sweep test of box_sweep.cpp) and the poses are
// advanced by the quaternion derivative q' = 1/2 (0, w) q between sub-steps.

#include "physics/collision/box_box.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <new>

#include "physics/collision/contact_cull.h"
#include "physics/collision/pair_local.h"
#include "physics/dynamics/me_math.h"

using namespace mcdpair;

namespace {

// Room for the general patch: 24 edge crossings each way and 8 corners each way.
constexpr int kPatchMax = 64;
// Most corners of a clipped incident face.
constexpr int kFaceMax = 9;

bool Inside(const MeReal p[3], const MeReal e[3], MeReal tol)
{
    return std::fabs(p[0]) <= e[0] + tol && std::fabs(p[1]) <= e[1] + tol && std::fabs(p[2]) <= e[2] + tol;
}

// Corners of each box that lie inside the other, in box 1's frame.
void AppendInnerCorners(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e1[3], const MeReal e2[3])
{
    const MeReal tol = McdBoxFlushTolerance(e1, e2);
    MeReal inverse[4][4];
    MeMatrix4InvertRigid(inverse, pose);
    for (int k = 0; k < 8; ++k) {
        const MeReal c2[3] = {(k & 1) ? e2[0] : -e2[0], (k & 2) ? e2[1] : -e2[1], (k & 4) ? e2[2] : -e2[2]};
        MeReal p[3];
        Transform(p, pose, c2);
        if (Inside(p, e1, tol))
            cursor->Append(p);
        const MeReal c1[3] = {(k & 1) ? e1[0] : -e1[0], (k & 2) ? e1[1] : -e1[1], (k & 4) ? e1[2] : -e1[2]};
        Transform(p, inverse, c1);
        if (Inside(p, e2, tol))
            cursor->Append(c1);
    }
}

MeReal Sign(MeReal x) { return x < 0 ? -1.0f : 1.0f; }

// Answer of the separating-axis test: the axis it chose and its separation; `Orient` adds
// the unit normal from box 2 towards box 1 (box 1's frame).
struct Axis {
    MeReal separation = 0;
    MeReal normal[3] = {0, 0, 0};
    int kind = 0;  ///< 0 face of box 1, 1 face of box 2, 2 edge of box 1 x edge of box 2
    int a = 0;     ///< box 1's axis (face or edge)
    int b = 0;     ///< box 2's axis (face or edge)
    MeReal length = 1;  ///< |a x b| of an edge axis
};

// Box 2's pose in box 1's frame (as `PoseIn`; `offset` its translation) and A = |R| beside
// it, each entry taken from the value just computed rather than reloaded from the pose.
inline void RelativePose(MeReal R[4][4], MeReal A[3][3], MeConstMatrix4Ptr f, MeConstMatrix4Ptr g,
                         const MeReal offset[3])
{
    #pragma GCC unroll 3
    for (int i = 0; i < 3; ++i) {
        #pragma GCC unroll 3
        for (int j = 0; j < 3; ++j) {
            const MeReal r = Dot(g[i], f[j]);
            R[i][j] = r;
            A[i][j] = std::fabs(r);
        }
        R[i][3] = 0;
        R[3][i] = offset[i];
    }
    R[3][3] = 1;
}

inline bool Answer(Axis* out, MeReal best, int kind, int ia, int ib)
{
    out->separation = best;
    out->kind = kind;
    out->a = ia;
    out->b = ib;
    return true;
}

// The chosen axis's unit normal, pointing from box 2 towards box 1.
void Orient(Axis* out, MeConstMatrix4Ptr R)
{
    const MeReal* t = R[3];
    const int ia = out->a, ib = out->b;
    // Each component is chosen rather than stored at a computed place, so that the reads
    // below need not wait for the stores.
    MeReal axis[3];
    if (out->kind == 0) {
#pragma GCC unroll 3
        for (int m = 0; m < 3; ++m)
            axis[m] = m == ia ? 1.0f : 0.0f;
    } else if (out->kind == 1) {
#pragma GCC unroll 3
        for (int m = 0; m < 3; ++m)
            axis[m] = R[ib][m];
    } else {
        const int i1 = ia == 2 ? 0 : ia + 1, i2 = ia == 0 ? 2 : ia - 1;
        const MeReal inv = 1 / out->length;
        const MeReal a1 = -R[ib][i2] * inv, a2 = R[ib][i1] * inv;
#pragma GCC unroll 3
        for (int m = 0; m < 3; ++m)
            axis[m] = m == ia ? 0.0f : (m == i1 ? a1 : a2);
    }
    const MeReal sign = Dot(axis, t) > 0 ? -1.0f : 1.0f;
#pragma GCC unroll 3
    for (int m = 0; m < 3; ++m)
        out->normal[m] = sign * axis[m];
}

// Four floats (GCC/Clang vector extension) for the edge axes of the fifteen-axis test.
using Lanes = MeReal __attribute__((vector_size(16)));
using IntLanes = int __attribute__((vector_size(16)));

inline Lanes Abs(Lanes v)
{
    return std::bit_cast<Lanes>(std::bit_cast<IntLanes>(v) & IntLanes{0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff});
}

// The fifteen-axis test with the decisions of the line-test object's box-box test. R's rows
// are box 2's axes in box 1's frame, so R[j][i] is the cosine between axis i of box 1 and
// axis j of box 2; A = |R|. Projected radii: box 1 along its axis i is e1_i, box 2 along it
// sum_j e2_j A[j][i]; along a_i x b_j box 1's radius uses the two other rows of column j
// ... and box 2's the two other rows of column i of A (entries of a rotation are cofactors).
// An edge axis's separation is raw / length with length = sqrt(1 - c^2); while it is
// negative it is compared in squares, so the root is taken only for a separating or a
// winning axis.
bool SeparatingAxis(Axis* out, MeReal tolerance, const MeReal e1[3], const MeReal e2[3], MeConstMatrix4Ptr R,
                    const MeReal (*A)[3])
{
    const MeReal* t = R[3];
    MeReal best = -FLT_MAX, bestFace = -FLT_MAX;
    int kind = 0, ia = 0, ib = 0;
    bool crossWon = false;

    // A face axis with s >= 0 settles the outcome: the best separation is at least s, so the
    // pair makes no contacts whatever the other axes say. Its answer is that axis.
    #pragma GCC unroll 3
    for (int i = 0; i < 3; ++i) {
        const MeReal s = std::fabs(t[i]) - e1[i] - (e2[0] * A[0][i] + e2[1] * A[1][i] + e2[2] * A[2][i]);
        if (s > tolerance)
            return false;
        if (s >= 0)
            return Answer(out, s, 0, i, 0);
        if (s > best)
            best = bestFace = s, kind = 0, ia = i;
    }
    #pragma GCC unroll 3
    for (int j = 0; j < 3; ++j) {
        const MeReal s = std::fabs(R[j][0] * t[0] + R[j][1] * t[1] + R[j][2] * t[2]) -
                         (e1[0] * A[j][0] + e1[1] * A[j][1] + e1[2] * A[j][2]) - e2[j];
        if (s > tolerance)
            return false;
        if (s >= 0)
            return Answer(out, s, 1, 0, j);
        if (s > best)
            best = bestFace = s, kind = 1, ib = j;
    }
    const MeReal minSine2 = tolerance * tolerance > 1e-6f ? tolerance * tolerance : 1e-6f;
    // Every edge axis a_i x b_j first, four lanes (j) at a time: raw, the unnormalised
    // separation |L.t| - r1 - r2, and sine2 = |L|^2, each with the products and sums of the
    // scalar expressions in their order. Column i of R holds the cosines R[j][i] over j.
    const Lanes col[3] = {{R[0][0], R[1][0], R[2][0], 0}, {R[0][1], R[1][1], R[2][1], 0}, {R[0][2], R[1][2], R[2][2], 0}};
    const Lanes absCol[3] = {Abs(col[0]), Abs(col[1]), Abs(col[2])};
    const Lanes e2Next = {e2[1], e2[2], e2[0], 0}, e2Last = {e2[2], e2[0], e2[1], 0};
    constexpr int kNext[3] = {1, 2, 0}, kLast[3] = {2, 0, 1};
    MeReal raws[3][4], sines[3][4];
#pragma GCC unroll 3
    for (int i = 0; i < 3; ++i) {
        const int i1 = kNext[i], i2 = kLast[i];
        // L = a_i x b_j: components i1, i2 are -R[j][i2], R[j][i1]. Box 1's radius uses
        // A[j][i2], A[j][i1]; box 2's e2[j1] A[j2][i] + e2[j2] A[j1][i].
        const Lanes lt = col[i1] * t[i2] - col[i2] * t[i1];
        const Lanes r1 = e1[i1] * absCol[i2] + e1[i2] * absCol[i1];
        const Lanes a = absCol[i];
        const Lanes aLast = {a[2], a[0], a[1], 0}, aNext = {a[1], a[2], a[0], 0};
        const Lanes r2 = e2Next * aLast + e2Last * aNext;
        const Lanes raw = Abs(lt) - r1 - r2;
        const Lanes sine2 = 1.0f - col[i] * col[i];
        std::memcpy(raws[i], &raw, sizeof raw);
        std::memcpy(sines[i], &sine2, sizeof sine2);
    }
#pragma GCC unroll 3
    for (int i = 0; i < 3; ++i) {
#pragma GCC unroll 3
        for (int j = 0; j < 3; ++j) {
            const MeReal sine2 = sines[i][j];
            if (sine2 <= minSine2)
                continue;
            const MeReal raw = raws[i][j];
            const MeReal bar = crossWon ? best : bestFace + tolerance;
            if (raw < 0 && tolerance >= 0) {
                // s = raw / length < 0 beats a bar below it: raw^2 < bar^2 sine2.
                if (!(bar < 0 && raw * raw < bar * bar * sine2))
                    continue;
            }
            const MeReal length = std::sqrt(sine2);
            if (raw > length * tolerance)
                return false;
            const MeReal s = raw / length;
            if (s > bar)
                best = s, kind = 2, ia = i, ib = j, crossWon = true, out->length = length;
        }
    }

    return Answer(out, best, kind, ia, ib);
}

// The contact dims code of the chosen axis (normal n, box 1's frame).
MeI16 AxisDims(const Axis& axis, MeConstMatrix4Ptr R)
{
    auto feature = [](const MeReal n[3]) {
        int zeros = 0;
#pragma GCC unroll 3
        for (int m = 0; m < 3; ++m)
            if (std::fabs(n[m]) < 0.0001f)
                ++zeros;
        return zeros > 2 ? 2 : zeros;
    };
    if (axis.kind == 2)
        return 257;
    if (axis.kind == 0) {
        MeReal inB[3];
#pragma GCC unroll 3
        for (int j = 0; j < 3; ++j)
            inB[j] = Dot(axis.normal, R[j]);
        return static_cast<MeI16>(2 | (feature(inB) << 8));
    }
    return static_cast<MeI16>(feature(axis.normal) | (2 << 8));
}

// Sutherland-Hodgman step: keeps the part of the polygon where side * p[axis] <= limit.
// Branch-free: every candidate point is written and the count advances by its condition, so
// `out` needs room for one point more than the result.
inline int ClipPolygon(MeReal (*out)[3], const MeReal (*in)[3], int n, int axis, MeReal side, MeReal limit)
{
    if (n == 0)
        return 0;
    int m = 0;
    const MeReal* p = in[n - 1];
    MeReal dp = side * p[axis] - limit;
    for (int k = 0; k < n; ++k) {
        const MeReal* q = in[k];
        const MeReal dq = side * q[axis] - limit;
        const bool crosses = ((dp < 0) & (dq > 0)) | ((dp > 0) & (dq < 0));
        // Computed either way (a point not counted is overwritten next).
        const MeReal u = dp / (dp - dq);
        out[m][0] = p[0] + u * (q[0] - p[0]);
        out[m][1] = p[1] + u * (q[1] - p[1]);
        out[m][2] = p[2] + u * (q[2] - p[2]);
        m += crosses;
        out[m][0] = q[0], out[m][1] = q[1], out[m][2] = q[2];
        m += dq <= 0;
        p = q;
        dp = dq;
    }
    return m;
}

// The incident box's face most opposed to the reference face's outward normal sr.e_k: its
// axis j (the pose row most parallel to e_k), the side of it, and the two axes spanning it.
struct IncidentFace {
    int j, j1, j2;
    MeReal side;
};

inline IncidentFace IncidentFaceOf(MeConstMatrix4Ptr pose, int k, MeReal sr)
{
    int j = 0;
    for (int m = 1; m < 3; ++m)
        if (std::fabs(pose[m][k]) > std::fabs(pose[j][k]))
            j = m;
    return {j, (j + 1) % 3, (j + 2) % 3, -Sign(pose[j][k]) * sr};
}

// Reference box at the origin with extents er, reference face on axis k at side sr (outward
// normal sr.e_k). The incident box, placed by `pose` in the reference frame, offers its face
// most opposed to that normal; it is clipped to the reference box's four side planes and its
// far face, planes that cut no corner being skipped. The part beyond the reference face is
// left: its points lie outside the reference box and the caller drops them by their depth.
// The polygon's corners (at most 9) end in one of the two work buffers `a` and `b`, which
// `*out` then names. Returns their number.
int ClipIncidentFace(MeReal (**out)[3], MeReal (*a)[3], MeReal (*b)[3], const MeReal er[3], int k, MeReal sr,
                     MeConstMatrix4Ptr pose, const MeReal ei[3], MeReal tol)
{
    const IncidentFace face = IncidentFaceOf(pose, k, sr);
    const int j = face.j, j1 = face.j1, j2 = face.j2;
    const MeReal si = face.side;
    MeReal c[3], u[3], v[3];
    for (int m = 0; m < 3; ++m) {
        c[m] = pose[3][m] + si * ei[j] * pose[j][m];
        u[m] = ei[j1] * pose[j1][m];
        v[m] = ei[j2] * pose[j2][m];
    }
    for (int m = 0; m < 3; ++m) {
        a[0][m] = c[m] + u[m] + v[m];
        a[1][m] = c[m] - u[m] + v[m];
        a[2][m] = c[m] - u[m] - v[m];
        a[3][m] = c[m] + u[m] - v[m];
    }
    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
    const int axes[5] = {k1, k1, k2, k2, k};
    const MeReal sides[5] = {1, -1, 1, -1, -sr};
    const MeReal limits[5] = {er[k1] + tol, er[k1] + tol, er[k2] + tol, er[k2] + tol, er[k] + tol};
    // Only planes that cut a corner can cut the face: the clipped polygon's points are
    // convex combinations of the corners.
    unsigned cuts = 0;
    for (int p = 0; p < 5; ++p)
        for (int q = 0; q < 4; ++q)
            cuts |= unsigned(!(sides[p] * a[q][axes[p]] - limits[p] <= 0)) << p;
    MeReal(*from)[3] = a;
    MeReal(*to)[3] = b;
    int n = 4;
    for (; cuts && n > 0; cuts &= cuts - 1) {
        const int p = __builtin_ctz(cuts);
        n = ClipPolygon(to, from, n, axes[p], sides[p], limits[p]);
        MeReal(*swap)[3] = from;
        from = to;
        to = swap;
    }
    *out = from;
    return n;
}

// One Sutherland-Hodgman step in the reference face's plane: keeps the part of the polygon
// where +-c <= limit, c its x (A = 0) or y (A = 1) coordinate, negated when Neg. Branch-free
// like `ClipPolygon`, with the same arithmetic on the two coordinates.
template <int A, bool Neg>
inline int ClipSide(MeReal* ox, MeReal* oy, const MeReal* ix, const MeReal* iy, int n, MeReal limit)
{
    const MeReal* ic = A == 0 ? ix : iy;
    int m = 0;
    MeReal px = ix[n - 1], py = iy[n - 1];
    MeReal dp = (Neg ? -ic[n - 1] : ic[n - 1]) - limit;
    for (int k = 0; k < n; ++k) {
        const MeReal qx = ix[k], qy = iy[k];
        const MeReal dq = (Neg ? -ic[k] : ic[k]) - limit;
        const bool crosses = ((dp < 0) & (dq > 0)) | ((dp > 0) & (dq < 0));
        if (crosses) {
            const MeReal u = dp / (dp - dq);
            ox[m] = px + u * (qx - px);
            oy[m] = py + u * (qy - py);
            ++m;
        }
        ox[m] = qx;
        oy[m] = qy;
        m += dq <= 0;
        px = qx;
        py = qy;
        dp = dq;
    }
    return m;
}

// `ClipIncidentFace` in the reference face's plane: the incident face is clipped in two
// coordinates (x along axis k + 1, y along k + 2 of the reference frame) and each corner's
// third coordinate z comes from its place on the incident face's plane. `x`, `y`, `z` get
// the corners (room for 10); -1 when the reference box's far face cuts the incident face
// (the 3-D clip handles that).
int ClipIncidentFacePlanar(MeReal* x, MeReal* y, MeReal* z, const MeReal er[3], int k, MeReal sr,
                           MeConstMatrix4Ptr pose, const MeReal ei[3], MeReal tol)
{
    const IncidentFace face = IncidentFaceOf(pose, k, sr);
    const int j = face.j, j1 = face.j1, j2 = face.j2;
    const MeReal si = face.side;
    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
    const int axes[3] = {k1, k2, k};
    MeReal c[3], u[3], v[3];
    for (int m = 0; m < 3; ++m) {
        const int a = axes[m];
        c[m] = pose[3][a] + si * ei[j] * pose[j][a];
        u[m] = ei[j1] * pose[j1][a];
        v[m] = ei[j2] * pose[j2][a];
    }
    MeReal bx[11], by[11];
    bx[0] = c[0] + u[0] + v[0], by[0] = c[1] + u[1] + v[1];
    bx[1] = c[0] - u[0] + v[0], by[1] = c[1] - u[1] + v[1];
    bx[2] = c[0] - u[0] - v[0], by[2] = c[1] - u[1] - v[1];
    bx[3] = c[0] + u[0] - v[0], by[3] = c[1] + u[1] - v[1];
    const MeReal farLimit = er[k] + tol, farSide = -sr;
    const MeReal z0 = c[2] + u[2] + v[2], z1 = c[2] - u[2] + v[2], z2 = c[2] - u[2] - v[2], z3 = c[2] + u[2] - v[2];
    if (!(farSide * z0 - farLimit <= 0 && farSide * z1 - farLimit <= 0 && farSide * z2 - farLimit <= 0 &&
          farSide * z3 - farLimit <= 0))
        return -1;
    const MeReal hx = er[k1] + tol, hy = er[k2] + tol;
    unsigned cuts = 0;
    for (int q = 0; q < 4; ++q) {
        cuts |= unsigned(!(bx[q] - hx <= 0));
        cuts |= unsigned(!(-bx[q] - hx <= 0)) << 1;
        cuts |= unsigned(!(by[q] - hy <= 0)) << 2;
        cuts |= unsigned(!(-by[q] - hy <= 0)) << 3;
    }
    MeReal* fx = bx;
    MeReal* fy = by;
    MeReal* tx = x;
    MeReal* ty = y;
    int n = 4;
    for (; cuts && n > 0; cuts &= cuts - 1) {
        switch (__builtin_ctz(cuts)) {
        case 0: n = ClipSide<0, false>(tx, ty, fx, fy, n, hx); break;
        case 1: n = ClipSide<0, true>(tx, ty, fx, fy, n, hx); break;
        case 2: n = ClipSide<1, false>(tx, ty, fx, fy, n, hy); break;
        default: n = ClipSide<1, true>(tx, ty, fx, fy, n, hy); break;
        }
        MeReal* sx = fx;
        MeReal* sy = fy;
        fx = tx, fy = ty, tx = sx, ty = sy;
    }
    if (fx != x)
        for (int q = 0; q < n; ++q)
            x[q] = fx[q], y[q] = fy[q];
    // The incident face's plane: P_j . (p - centre) = 0 with P_j its normal.
    const MeReal* f = pose[j];
    const MeReal gx = -f[k1] / f[k], gy = -f[k2] / f[k];
    for (int q = 0; q < n; ++q)
        z[q] = c[2] + gx * (x[q] - c[0]) + gy * (y[q] - c[1]);
    return n;
}

// The contact point of an edge axis: the midpoint of the closest points of box 1's edge
// extreme along -n and box 2's edge extreme along +n (box 1's frame). False when the edges
// are parallel to rounding.
bool EdgePoint(MeReal q[3], const Axis& axis, MeConstMatrix4Ptr R, const MeReal e1[3], const MeReal e2[3])
{
    // Written so that every array stays in registers: fixed places only (unrolled loops,
    // selected components), no store read back at another width.
    const MeReal* n = axis.normal;
    const int i = axis.a, j = axis.b;
    auto pick = [](const MeReal v[3], int k) { return k == 0 ? v[0] : (k == 1 ? v[1] : v[2]); };
    // Box 1's edge p1 + u1 d1 with d1 = e1_i along axis i, box 2's p2 + u2 d2.
    MeReal p1[3];
#pragma GCC unroll 3
    for (int m = 0; m < 3; ++m)
        p1[m] = m == i ? 0 : -Sign(n[m]) * e1[m];
    const MeReal h1 = pick(e1, i);
    const MeReal ej = pick(e2, j);
    // Box 2's edge runs along its axis j; its other axes place it (a zero step along j
    // leaves the sum as it is).
    MeReal step[3];
#pragma GCC unroll 3
    for (int k = 0; k < 3; ++k)
        step[k] = k == j ? 0.0f : Sign(Dot(n, R[k])) * e2[k];
    MeReal p2[3], d2[3];
#pragma GCC unroll 3
    for (int m = 0; m < 3; ++m) {
        p2[m] = R[3][m] + step[0] * R[0][m] + step[1] * R[1][m] + step[2] * R[2][m];
        d2[m] = ej * R[j][m];
    }
    // The closest points of the two lines, clamped to the edges.
    MeReal w[3];
#pragma GCC unroll 3
    for (int m = 0; m < 3; ++m)
        w[m] = p1[m] - p2[m];
    const MeReal a = h1 * h1, b = h1 * pick(d2, i), c = Dot(d2, d2), d = h1 * pick(w, i), e = Dot(d2, w);
    const MeReal denominator = a * c - b * b;
    if (!(denominator > 0))
        return false;
    auto clamp = [](MeReal x) { return x < -1 ? -1.0f : (x > 1 ? 1.0f : x); };
    const MeReal u1 = clamp((b * e - c * d) / denominator);
    const MeReal u2 = clamp((a * e - b * d) / denominator);
#pragma GCC unroll 3
    for (int m = 0; m < 3; ++m)
        q[m] = 0.5f * (p1[m] + (m == i ? u1 * h1 : 0.0f) + p2[m] + u2 * d2[m]);
    return true;
}

// (p - a) x (b - a) in the plane, as the contact culling measures it.
inline MeReal PlaneMeasure(MeReal ax, MeReal ay, MeReal bx, MeReal by, MeReal px, MeReal py)
{
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// `McdContactCull` for the points of a clipped incident face, taken straight from the
// polygon. The culling feeds its points to a hull with the deepest first; a convex, ordered
// polygon's points all lie on that hull, so each point's place in the ring is its place in
// the polygon, and what is left of the culling is its rules: similar points dropped, the
// seeding, and the node of least area leaving while the ring is over budget. Points are
// given by their plane coordinates (x, y; counter-clockwise about the normal), their height
// h along the normal and their separation. The ring is a bit set over the points' places
// (counter-clockwise steps from the deepest). `keep` gets the survivors in ring order from
// the deepest; returns their number, or -1 for a polygon too thin to order (the culling
// proper decides it).
int PolygonCull(int* keep, const MeReal* x, const MeReal* y, const MeReal* h, const MeReal* sep, int count,
                int maxCount)
{
    int deepest = 0;
    MeReal least = sep[0];
    for (int i = 1; i < count; ++i) {
        deepest = sep[i] < least ? i : deepest;
        least = sep[i] < least ? sep[i] : least;
    }
    keep[0] = deepest;
    if (count == 1 || maxCount == 1)
        return 1;
    MeReal twiceArea = 0;
    for (int i = 0, j = count - 1; i < count; j = i++)
        twiceArea += x[j] * y[i] - y[j] * x[i];
    if (!(std::fabs(twiceArea) > 0.0001f))
        return -1;
    // Each point's place; the points in place order (rx, ry, rh) and the place of each
    // candidate in the culling's order (the deepest swapped to the front).
    int place[kFaceMax + 1], at[kFaceMax + 1];
    MeReal rx[kFaceMax + 1], ry[kFaceMax + 1], rh[kFaceMax + 1], area[kFaceMax + 1];
    const int forward = twiceArea > 0 ? 1 : count - 1;
    for (int r = 0, i = deepest; r < count; ++r, i = i + forward < count ? i + forward : i + forward - count) {
        at[r] = i;
        rx[r] = x[i], ry[r] = y[i], rh[r] = h[i];
    }
    for (int i = 1; i < count; ++i) {
        const int c = i == deepest ? 0 : i;
        const int step = twiceArea > 0 ? c - deepest : deepest - c;
        place[i] = step < 0 ? step + count : step;
    }
    auto similar = [&](int a, int b) {
        const MeReal dx = rx[a] - rx[b], dy = ry[a] - ry[b], dz = rh[a] - rh[b];
        return dx * dx + dy * dy + dz * dz < 0.0001f;
    };
    auto measure = [&](int a, int b, int c) { return PlaneMeasure(rx[a], ry[a], rx[b], ry[b], rx[c], ry[c]); };
    unsigned ring = 1;
    auto prevOf = [&ring](int r) {
        const unsigned below = ring & ((1u << r) - 1);
        return 31 - __builtin_clz(below ? below : ring);
    };
    auto nextOf = [&ring](int r) {
        const unsigned above = ring & ~((2u << r) - 1);
        return above ? __builtin_ctz(above) : 0;
    };
    // The head's area is never read: it never leaves.
    auto update = [&](int r) {
        if (r != 0)
            area[r] = measure(prevOf(r), r, nextOf(r));
    };
    int i = 1;
    while (i < count && similar(0, place[i]))
        ++i;
    if (i == count)
        return 1;
    const int second = place[i++];
    ring |= 1u << second;
    if (maxCount > 2) {
        for (; i < count; ++i) {
            const int c = place[i];
            const MeReal s = measure(0, second, c);
            if (s > 0.0001f || s < -0.0001f) {
                if ((s > 0) != (second < c))
                    return -1;
                ring |= 1u << c;
                area[second] = area[c] = s > 0 ? s : -s;
                ++i;
                break;
            }
        }
    }
    for (; i < count; ++i) {
        const int c = place[i];
        const int prev = prevOf(c), next = nextOf(c);
        // Outside the edge it splits, or inside the hull and dropped.
        if (!(measure(prev, next, c) < 0))
            continue;
        bool near = false;
        for (unsigned m = ring; m; m &= m - 1)
            near |= similar(__builtin_ctz(m), c);
        if (near)
            continue;
        ring |= 1u << c;
        update(prev);
        update(c);
        update(next);
        while (__builtin_popcount(ring) > maxCount) {
            unsigned m = ring & ~1u;
            int best = __builtin_ctz(m);
            MeReal smallest = area[best];
            for (m &= m - 1; m; m &= m - 1) {
                const int r = __builtin_ctz(m);
                best = area[r] < smallest ? r : best;
                smallest = area[r] < smallest ? area[r] : smallest;
            }
            ring &= ~(1u << best);
            update(prevOf(best));
            update(nextOf(best));
        }
    }
    int n = 0;
    for (unsigned m = ring; m; m &= m - 1)
        keep[n++] = at[__builtin_ctz(m)];
    return n;
}

}  // namespace

void MeMatrix4InvertRigid(MeReal out[4][4], MeConstMatrix4Ptr m)
{
    MeReal r[4][4];
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            r[i][j] = m[j][i];
        r[i][3] = 0;
    }
    for (int j = 0; j < 3; ++j)
        r[3][j] = -(m[3][0] * m[j][0] + m[3][1] * m[j][1] + m[3][2] * m[j][2]);
    r[3][3] = 1;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i][j] = r[i][j];
}

void MeQuaternionToMatrix4(MeReal m[4][4], const MeReal q[4])
{
    const MeReal w = q[0], x = q[1], y = q[2], z = q[3];
    m[0][0] = w * w + x * x - y * y - z * z;
    m[0][1] = 2 * x * y + 2 * w * z;
    m[0][2] = 2 * x * z - 2 * w * y;
    m[1][0] = 2 * x * y - 2 * w * z;
    m[1][1] = w * w - x * x + y * y - z * z;
    m[1][2] = 2 * y * z + 2 * w * x;
    m[2][0] = 2 * x * z + 2 * w * y;
    m[2][1] = 2 * y * z - 2 * w * x;
    m[2][2] = w * w - x * x - y * y + z * z;
}

bool McdBoxBoxOverlapTest(MeReal* separation, MeReal normal[3], MeReal* support, MeI16* dims, MeReal tolerance,
                          const MeReal e1[3], const MeReal e2[3], MeConstMatrix4Ptr pose)
{
    return McdGeometryTestsGet()->BoxBoxSeparatingAxis(separation, normal, support, dims, tolerance, e1, e2, pose);
}

void McdBoxBoxClipEdges(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal eOwn[3], const MeReal eOther[3])
{
    McdGeometryTestsGet()->BoxEdgesInBox(cursor, pose, eOwn, eOther);
}

void McdBoxBoxGatherPoints(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e1[3], const MeReal e2[3])
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    tests->BoxEdgesInBox(cursor, pose, e2, e1);
    MeReal inverse[4][4];
    MeMatrix4InvertRigid(inverse, pose);
    MeReal local[24][3];
    McdPointCursor localCursor(local, 24);
    tests->BoxEdgesInBox(&localCursor, inverse, e1, e2);
    const int n = localCursor.Count(local);
    for (int i = 0; i < n; ++i) {
        MeReal p[3];
        Transform(p, pose, local[i]);
        cursor->Append(p);
    }
}

void McdBoxBoxGatherPatch(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e1[3], const MeReal e2[3])
{
    McdBoxBoxGatherPoints(cursor, pose, e1, e2);
    AppendInnerCorners(cursor, pose, e1, e2);
}

namespace {

// The points of an incident face keep their own depths below the reference face, but the
// deepest of them can be shallower than the overlap s on the axis: when the corner of the
// incident box that reaches deepest along the normal lies beside the reference box, the clip
// drops it, yet the boxes part only after moving |s| along the normal. All the depths then
// move by the same amount so that the deepest is s (the tilt they show is kept).
void DeepestAtTheOverlap(MeReal* separations, int count, MeReal overlap)
{
    MeReal deepest = 0;
    for (int i = 0; i < count; ++i)
        deepest = separations[i] < deepest ? separations[i] : deepest;
    if (!(deepest > overlap))
        return;
    const MeReal shift = overlap - deepest;
    for (int i = 0; i < count; ++i)
        separations[i] += shift;
}

// Turns the patch points (box 1's frame) into contacts culled into the result. Points of a
// face axis lie on the incident face: each takes its own depth below the reference face (box
// 1's face at n.p = m + s/2, box 2's at m - s/2). Other points are crossings of both surfaces
// and take the patch's separation. kMax bounds `count`.
template <int kMax>
int PatchContacts(McdIntersectResult* result, const Axis& axis, MeConstMatrix4Ptr pose, MeConstMatrix4Ptr t1,
                  const MeReal (*points)[3], int count, bool ownDepth, MeReal support)
{
    const MeReal* n = axis.normal;
    const MeReal face = axis.kind == 0 ? support + 0.5f * axis.separation : support - 0.5f * axis.separation;
    const MeI16 dims = AxisDims(axis, pose);
    const MeReal keepBelow = 0.01f * axis.separation;
    alignas(McdContact) unsigned char storage[sizeof(McdContact) * kMax];
    McdContact* candidates = reinterpret_cast<McdContact*>(storage);
    MeReal depths[kMax];
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const MeReal np = Dot(n, points[i]);
        MeReal separation = axis.separation;
        if (ownDepth)
            separation = axis.kind == 0 ? face - np : np - face;
        if (!(separation < keepBelow))
            continue;
        const MeReal lift = support - np;
        const MeReal q[3] = {points[i][0] + lift * n[0], points[i][1] + lift * n[1], points[i][2] + lift * n[2]};
        McdContact& c = *new (&candidates[kept]) McdContact();
        Transform(c.position, t1, q);
        for (int j = 0; j < 3; ++j)
            c.normal[j] = result->normal[j];
        depths[kept++] = separation;
        c.dims = dims;
    }
    DeepestAtTheOverlap(depths, kept, axis.separation);
    for (int i = 0; i < kept; ++i)
        candidates[i].separation = depths[i];
    result->contactCount = McdContactCull(result->normal, candidates, kept, result->contacts,
                                          McdResultContactCap(result), McdResultRequest(result)->faceNormalsFirst);
    return result->contactCount > 0 ? 1 : 0;
}

// The contacts of a face axis, worked in the reference box's frame (box 1's for a face of box
// 1, box 2's for a face of box 2; `support` is box 1's): the incident face clipped to the
// reference face, each corner with its own depth below the reference face, lifted onto the
// mid-plane and culled straight from the polygon (`PolygonCull`). -1 when the clip leaves
// no corner.
int FaceContacts(McdIntersectResult* result, const Axis& axis, MeConstMatrix4Ptr R, MeConstMatrix4Ptr t1,
                 MeConstMatrix4Ptr t2, const MeReal e1[3], const MeReal e2[3], MeReal support)
{
    const MeReal tol = McdBoxFlushTolerance(e1, e2);
    MeReal inverse[4][4];
    MeConstMatrix4Ptr incident = R, frame = t1;
    const MeReal *er = e1, *ei = e2;
    // n is turn e_k in the reference frame; the reference face lies at n.p = face and the
    // mid-plane at n.p = mid; the incident box lies on the side sr of the reference face.
    int k;
    MeReal turn, sr, face, mid;
    if (axis.kind == 0) {
        k = axis.a;
        turn = Sign(axis.normal[k]);
        sr = -turn;
        mid = support;
        face = support + 0.5f * axis.separation;
    } else {
        MeMatrix4InvertRigid(inverse, R);
        incident = inverse;
        frame = t2;
        er = e2, ei = e1;
        k = axis.b;
        turn = Sign(Dot(axis.normal, R[k]));
        sr = turn;
        face = er[k];
        mid = face + 0.5f * axis.separation;
    }
    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
    MeReal x[11], y[11], z[11];
    int count = ClipIncidentFacePlanar(x, y, z, er, k, sr, incident, ei, tol);
    if (count < 0) {
        MeReal a[11][3], b[11][3];
        MeReal(*clipped)[3];
        count = ClipIncidentFace(&clipped, a, b, er, k, sr, incident, ei, tol);
        for (int q = 0; q < count; ++q)
            x[q] = clipped[q][k1], y[q] = clipped[q][k2], z[q] = clipped[q][k];
    }
    if (count == 0)
        return -1;
    // Kept corners: plane coordinates (x, turn y) are counter-clockwise about n; h the
    // height on the mid-plane.
    const MeReal keepBelow = 0.01f * axis.separation;
    MeReal px[kFaceMax + 1], py[kFaceMax + 1], h[kFaceMax + 1], sep[kFaceMax + 1];
    int kept = 0;
    for (int q = 0; q < count; ++q) {
        const MeReal np = turn * z[q];
        const MeReal s = axis.kind == 0 ? face - np : np - face;
        if (s < keepBelow) {
            px[kept] = x[q];
            py[kept] = turn * y[q];
            h[kept] = z[q] + (mid - np) * turn;
            sep[kept++] = s;
        }
    }
    const int cap = McdResultContactCap(result);
    if (kept == 0 || cap == 0)
        return result->contactCount = 0;
    DeepestAtTheOverlap(sep, kept, axis.separation);
    int keep[kFaceMax + 1];
    const int n2 = PolygonCull(keep, px, py, h, sep, kept, cap < kMcdContactCandidateMax ? cap : kMcdContactCandidateMax);
    if (n2 < 0) {
        MeReal points[kFaceMax + 1][3];
        for (int q = 0; q < count; ++q) {
            MeReal p[3];
            p[k1] = x[q], p[k2] = y[q], p[k] = z[q];
            if (axis.kind == 0)
                points[q][0] = p[0], points[q][1] = p[1], points[q][2] = p[2];
            else
                Transform(points[q], R, p);
        }
        return PatchContacts<kFaceMax + 1>(result, axis, R, t1, points, count, true, support);
    }
    const MeI16 dims = AxisDims(axis, R);
    const MeReal *a1 = frame[k1], *a2 = frame[k2], *a = frame[k], *o = frame[3];
    for (int j = 0; j < n2; ++j) {
        const int i = keep[j];
        const MeReal qy = turn * py[i];
        McdContact& c = result->contacts[j];
        for (int m = 0; m < 3; ++m)
            c.position[m] = px[i] * a1[m] + qy * a2[m] + h[i] * a[m] + o[m];
        for (int m = 0; m < 3; ++m)
            c.normal[m] = result->normal[m];
        c.separation = sep[i];
        c.dims = dims;
        c.element1 = c.element2 = nullptr;
    }
    result->contactCount = n2;
    return n2 > 0 ? 1 : 0;
}

// The general patch's contacts, in a frame of its own (it needs room for 64 points).
[[gnu::noinline]] int GeneralPatchContacts(McdIntersectResult* result, const Axis& axis, MeConstMatrix4Ptr pose,
                                           MeConstMatrix4Ptr t1, const MeReal e1[3], const MeReal e2[3],
                                           MeReal support)
{
    MeReal points[kPatchMax][3];
    McdPointCursor cursor(points, kPatchMax);
    McdBoxBoxGatherPatch(&cursor, pose, e1, e2);
    return PatchContacts<kPatchMax>(result, axis, pose, t1, points, cursor.Count(points), false, support);
}

// The contacts of an overlapping pair (kept apart from the intersect so that the common
// cases, apart or only touching, run in a small stack frame).
[[gnu::noinline]] int PenetratingContacts(McdIntersectResult* result, const Axis& axis, MeConstMatrix4Ptr pose,
                                         MeConstMatrix4Ptr t1, MeConstMatrix4Ptr t2, const MeReal e1[3],
                                         const MeReal e2[3])
{
    const MeReal* n = axis.normal;
    // The mid-plane n.p = support between the two faces on the axis.
    const MeReal support =
        -(e1[0] * std::fabs(n[0]) + e1[1] * std::fabs(n[1]) + e1[2] * std::fabs(n[2])) - 0.5f * axis.separation;
    if (axis.kind == 2) {
        MeReal q[3];
        if (!EdgePoint(q, axis, pose, e1, e2))
            return GeneralPatchContacts(result, axis, pose, t1, e1, e2, support);
        // One contact at the patch's separation: written directly.
        if (McdResultContactCap(result) < 1)
            return 0;
        const MeReal lift = support - Dot(n, q);
#pragma GCC unroll 3
        for (int m = 0; m < 3; ++m)
            q[m] += lift * n[m];
        McdContact& c = result->contacts[0];
        c = McdContact{};
        Transform(c.position, t1, q);
        for (int m = 0; m < 3; ++m)
            c.normal[m] = result->normal[m];
        c.separation = axis.separation;
        c.dims = AxisDims(axis, pose);
        result->contactCount = 1;
        return 1;
    }
    const int made = FaceContacts(result, axis, pose, t1, t2, e1, e2, support);
    return made >= 0 ? made : GeneralPatchContacts(result, axis, pose, t1, e1, e2, support);
}

}  // namespace

int McdBoxBoxIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    // The accessors inline here: this pair runs more often than any other.
    const McdModel* m1 = pair->model1;
    const McdModel* m2 = pair->model2;
    MeConstMatrix4Ptr t1 = m1->instance.transform ? m1->instance.transform : IdentityPose();
    MeConstMatrix4Ptr t2 = m2->instance.transform ? m2->instance.transform : IdentityPose();
    const MeReal* e1 = static_cast<const McdBox*>(m1->instance.geometry)->halfExtents;
    const MeReal* e2 = static_cast<const McdBox*>(m2->instance.geometry)->halfExtents;
    const MeReal tolerance = m1->padding + m2->padding;
    // Centres further apart than the two bounding spheres grown by the padding: no axis test
    // is needed. (|e1| + |e2| + tol)^2 <= 3 (|e1|^2 + |e2|^2 + tol^2) spares the roots.
    const MeReal d[3] = {t2[3][0] - t1[3][0], t2[3][1] - t1[3][1], t2[3][2] - t1[3][2]};
    if (Dot(d, d) > 3 * (Dot(e1, e1) + Dot(e2, e2) + tolerance * tolerance))
        return NoContact(result);
    // Box 1's face axes in the test's order and arithmetic, each from the offset and one column
    // of |R|: an axis whose separation is bounded below 0 cannot settle the test and is
    // skipped (a column of a rotation has |entries| summing to at least 1, so box 2 reaches at
    // least its least half extent along the axis); one that separates beyond the padding or
    // touches settles it without the rest of the pose, as the full test would. The bounds are
    // taken together first: most overlapping pairs skip the lot on one branch.
    MeReal offset[3];
    {
        const MeReal least = (e2[0] < e2[1] ? (e2[0] < e2[2] ? e2[0] : e2[2]) : (e2[1] < e2[2] ? e2[1] : e2[2])) *
                             (1 - 1e-4f);
        const MeReal margin = 1e-5f * (e2[0] + e2[1] + e2[2] + e1[0] + e1[1] + e1[2]);
        unsigned open = 0;
        for (int i = 0; i < 3; ++i) {
            offset[i] = Dot(d, t1[i]);
            const MeReal ti = std::fabs(offset[i]);
            open |= unsigned(!(ti - e1[i] - least < -margin * (1 + ti))) << i;
        }
        for (; open; open &= open - 1) {
            const int i = __builtin_ctz(open);
            const MeReal s = std::fabs(offset[i]) - e1[i] -
                             (e2[0] * std::fabs(Dot(t2[0], t1[i])) + e2[1] * std::fabs(Dot(t2[1], t1[i])) +
                              e2[2] * std::fabs(Dot(t2[2], t1[i])));
            if (s > tolerance)
                return NoContact(result);
            if (s >= 0) {
                result->contactCount = 0;
                const MeReal sign = offset[i] > 0 ? -1.0f : 1.0f;
                for (int m = 0; m < 3; ++m)
                    result->normal[m] = sign * t1[i][m];
                return 0;
            }
        }
    }
    MeReal pose[4][4], A[3][3];
    RelativePose(pose, A, t1, t2, offset);

    Axis axis;
    if (!SeparatingAxis(&axis, tolerance, e1, e2, pose, A))
        return NoContact(result);
    result->contactCount = 0;
    if (axis.kind == 0) {
        // The normal is box 1's axis: its world direction is a row of box 1's pose.
        const MeReal sign = pose[3][axis.a] > 0 ? -1.0f : 1.0f;
        for (int m = 0; m < 3; ++m)
            result->normal[m] = sign * t1[axis.a][m];
        if (!(axis.separation < 0))
            return 0;
    }
    if (!(axis.separation < 0) || result->contactMaxCount < 1 || !result->contacts) {
        // Within the padding but not penetrating: every patch point would get a separation
        // s >= 0 and none is kept.
        Orient(&axis, pose);
        Rotate(result->normal, t1, axis.normal);
        return 0;
    }
    Orient(&axis, pose);
    if (axis.kind != 0)
        Rotate(result->normal, t1, axis.normal);
    return PenetratingContacts(result, axis, pose, t1, t2, e1, e2);
}

int McdBoxBoxSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    result->pair = pair;
    result->time = step;
    McdModel* m1 = pair->model1;
    McdModel* m2 = pair->model2;
    if (!m1->linearVelocity || !m1->angularVelocity || !m2->linearVelocity || !m2->angularVelocity)
        return 0;
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    const MeReal spin = MeVector3Magnitude(m1->angularVelocity) + MeVector3Magnitude(m2->angularVelocity);
    // One sub-step per 0.2 radian; an absurd rotation (non-finite, or more sub-steps than
    // any step can use) is capped.
    constexpr int kMaxSubSteps = 1000;
    const double wanted = std::isfinite(spin) ? std::floor(double(spin) * step / 0.2) + 1 : kMaxSubSteps;
    const int n = wanted > kMaxSubSteps ? kMaxSubSteps : static_cast<int>(wanted);
    const MeReal h = step / n;

    MeReal pose[2][4][4];
    MeReal q[2][4];
    McdModel* models[2] = {m1, m2};
    for (int b = 0; b < 2; ++b) {
        MeConstMatrix4Ptr t = PoseOf(models[b]);
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                pose[b][i][j] = t[i][j];
        MeMatrix4ToQuaternion(q[b], pose[b]);
    }
    const MeReal* e1 = BoxExtents(m1);
    const MeReal* e2 = BoxExtents(m2);
    for (int i = 0; i < n; ++i) {
        MeReal t = 0;
        if (McdBoxBoxSweepTest(e1, pose[0], m1->linearVelocity, e2, pose[1], m2->linearVelocity, h, &t)) {
            result->time = i * h + t + 1e-6f;
            return 1;
        }
        if (i + 1 >= n)
            break;
        for (int b = 0; b < 2; ++b) {
            const MeReal* w = models[b]->angularVelocity;
            MeReal* qb = q[b];
            const MeReal dw = -0.5f * (w[0] * qb[1] + w[1] * qb[2] + w[2] * qb[3]);
            const MeReal dx = 0.5f * (qb[0] * w[0] + w[1] * qb[3] - w[2] * qb[2]);
            const MeReal dy = 0.5f * (qb[0] * w[1] + w[2] * qb[1] - w[0] * qb[3]);
            const MeReal dz = 0.5f * (qb[0] * w[2] + w[0] * qb[2] - w[1] * qb[1]);
            qb[0] += h * dw, qb[1] += h * dx, qb[2] += h * dy, qb[3] += h * dz;
            const MeReal len = std::sqrt(qb[0] * qb[0] + qb[1] * qb[1] + qb[2] * qb[2] + qb[3] * qb[3]);
            if (len > 0)
                for (int k = 0; k < 4; ++k)
                    qb[k] /= len;
            MeQuaternionToMatrix4(pose[b], qb);
            const MeReal* v = models[b]->linearVelocity;
            for (int k = 0; k < 3; ++k)
                pose[b][3][k] += h * v[k];
        }
    }
    return 0;
}

int McdBoxBoxRegisterInteraction(McdFrameworkID framework)
{
    McdInteractions fns;
    fns.intersect = McdBoxBoxIntersect;
    fns.safeTime = McdBoxBoxSafeTime;
    McdFrameworkSetInteraction(framework, kMcdBoxType, kMcdBoxType, &fns, nullptr);
    return 1;
}
