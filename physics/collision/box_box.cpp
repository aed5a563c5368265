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
// separation (a tilted box is righted by the deeper side); the point of an edge axis and
// of the general patch take the patch's separation s. Points whose separation is not
// strictly below 0.01 s are dropped (none survive when s >= 0: boxes resting exactly on
// each other, or within their padding, touch without contacts) and the rest are culled to
// the pair's budget (`McdContactCull`).
//
// Safe time. Rotation is handled by sub-steps of at most 0.2 radians of summed rotation; in
// each sub-step the boxes move linearly (the sweep test of box_sweep.cpp) and the poses are
// advanced by the quaternion derivative q' = 1/2 (0, w) q between sub-steps.

#include "physics/collision/box_box.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <new>

#include "physics/collision/contact_cull.h"
#include "physics/collision/pair_local.h"
#include "physics/dynamics/me_math.h"

using namespace mcdpair;

namespace {

// Room for the general patch: 24 edge crossings each way and 8 corners each way.
constexpr int kPatchMax = 64;

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

// Answer of the separating-axis test, with the axis it chose.
struct Axis {
    MeReal separation = 0;
    MeReal normal[3] = {0, 0, 0};
    MeReal support = 0;
    MeI16 dims = 0;
    int kind = 0;  ///< 0 face of box 1, 1 face of box 2, 2 edge of box 1 x edge of box 2
    int a = 0;     ///< box 1's axis (face or edge)
    int b = 0;     ///< box 2's axis (face or edge)
};

// Fills the answer for the chosen axis: normal from box 2 towards box 1, mid-plane offset and
// dims. Returns true.
bool Answer(Axis* out, MeReal best, int kind, int ia, int ib, const MeReal e1[3], MeConstMatrix4Ptr R)
{
    const MeReal* t = R[3];
    MeReal axis[3];
    if (kind == 0) {
        axis[0] = axis[1] = axis[2] = 0;
        axis[ia] = 1;
    } else if (kind == 1) {
        for (int m = 0; m < 3; ++m)
            axis[m] = R[ib][m];
    } else {
        const int i1 = (ia + 1) % 3, i2 = (ia + 2) % 3;
        const MeReal inv = 1 / std::sqrt(1 - R[ib][ia] * R[ib][ia]);
        axis[ia] = 0;
        axis[i1] = -R[ib][i2] * inv;
        axis[i2] = R[ib][i1] * inv;
    }
    const MeReal sign = Dot(axis, t) > 0 ? -1.0f : 1.0f;
    for (int m = 0; m < 3; ++m)
        out->normal[m] = sign * axis[m];
    out->separation = best;
    out->support = -(e1[0] * std::fabs(out->normal[0]) + e1[1] * std::fabs(out->normal[1]) +
                     e1[2] * std::fabs(out->normal[2])) -
                   0.5f * best;
    out->kind = kind;
    out->a = ia;
    out->b = ib;
    auto feature = [](const MeReal n[3]) {
        int zeros = 0;
        for (int m = 0; m < 3; ++m)
            if (std::fabs(n[m]) < 0.0001f)
                ++zeros;
        return zeros > 2 ? 2 : zeros;
    };
    if (kind == 2) {
        out->dims = 257;
    } else if (kind == 0) {
        MeReal inB[3];
        for (int j = 0; j < 3; ++j)
            inB[j] = Dot(out->normal, R[j]);
        out->dims = static_cast<MeI16>(2 | (feature(inB) << 8));
    } else {
        out->dims = static_cast<MeI16>(feature(out->normal) | (2 << 8));
    }
    return true;
}

// The fifteen-axis test with the decisions of the line-test object's box-box test. R's rows
// are box 2's axes in box 1's frame, so R[j][i] is the cosine between axis i of box 1 and
// axis j of box 2; A = |R|. Projected radii: box 1 along its axis i is e1_i, box 2 along it
// sum_j e2_j A[j][i]; along a_i x b_j box 1's radius uses the two other rows of column j
// ... and box 2's the two other rows of column i of A (entries of a rotation are cofactors).
bool SeparatingAxis(Axis* out, MeReal tolerance, const MeReal e1[3], const MeReal e2[3], MeConstMatrix4Ptr R)
{
    const MeReal* t = R[3];
    MeReal A[3][3];
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            A[j][i] = std::fabs(R[j][i]);

    MeReal best = -FLT_MAX, bestFace = -FLT_MAX;
    int kind = 0, ia = 0, ib = 0;
    bool crossWon = false;

    // A face axis with s >= 0 settles the outcome: the best separation is at least s, so the
    // pair makes no contacts whatever the other axes say. Its answer is that axis.
    auto settled = [&](MeReal s, int k, int i, int j) { return s >= 0 && (best = s, kind = k, ia = i, ib = j, true); };
    for (int i = 0; i < 3; ++i) {
        const MeReal s = std::fabs(t[i]) - e1[i] - (e2[0] * A[0][i] + e2[1] * A[1][i] + e2[2] * A[2][i]);
        if (s > tolerance)
            return false;
        if (settled(s, 0, i, 0))
            return Answer(out, best, kind, ia, ib, e1, R);
        if (s > best)
            best = bestFace = s, kind = 0, ia = i;
    }
    for (int j = 0; j < 3; ++j) {
        const MeReal s = std::fabs(R[j][0] * t[0] + R[j][1] * t[1] + R[j][2] * t[2]) -
                         (e1[0] * A[j][0] + e1[1] * A[j][1] + e1[2] * A[j][2]) - e2[j];
        if (s > tolerance)
            return false;
        if (settled(s, 1, 0, j))
            return Answer(out, best, kind, ia, ib, e1, R);
        if (s > best)
            best = bestFace = s, kind = 1, ib = j;
    }
    const MeReal minSine2 = tolerance * tolerance > 1e-6f ? tolerance * tolerance : 1e-6f;
    for (int i = 0; i < 3; ++i) {
        const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        for (int j = 0; j < 3; ++j) {
            const MeReal c = R[j][i];
            const MeReal sine2 = 1 - c * c;
            if (sine2 <= minSine2)
                continue;
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            // L = a_i x b_j: components i1, i2 are -R[j][i2], R[j][i1].
            const MeReal lt = R[j][i1] * t[i2] - R[j][i2] * t[i1];
            const MeReal r1 = e1[i1] * A[j][i2] + e1[i2] * A[j][i1];
            const MeReal r2 = e2[j1] * A[j2][i] + e2[j2] * A[j1][i];
            const MeReal length = std::sqrt(sine2);
            const MeReal raw = std::fabs(lt) - r1 - r2;
            if (raw > length * tolerance)
                return false;
            const MeReal s = raw / length;
            if (crossWon ? s > best : s > bestFace + tolerance)
                best = s, kind = 2, ia = i, ib = j, crossWon = true;
        }
    }

    return Answer(out, best, kind, ia, ib, e1, R);
}

// Sutherland-Hodgman step: keeps the part of the polygon where side * p[axis] <= limit.
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
        if ((dp < 0 && dq > 0) || (dp > 0 && dq < 0)) {
            const MeReal u = dp / (dp - dq);
            for (int c = 0; c < 3; ++c)
                out[m][c] = p[c] + u * (q[c] - p[c]);
            ++m;
        }
        if (dq <= 0) {
            out[m][0] = q[0], out[m][1] = q[1], out[m][2] = q[2];
            ++m;
        }
        p = q;
        dp = dq;
    }
    return m;
}

// Reference box at the origin with extents er, reference face on axis k at side sr (outward
// normal sr.e_k). The incident box, placed by `pose` in the reference frame, offers its face
// most opposed to that normal; it is clipped to the reference box's six face planes, which
// leaves the part of the incident face inside the reference box: its corners (at most 10)
// go to `out`. Returns their number.
int ClipIncidentFace(MeReal (*out)[3], const MeReal er[3], int k, MeReal sr, MeConstMatrix4Ptr pose, const MeReal ei[3],
                     MeReal tol)
{
    int j = 0;
    for (int m = 1; m < 3; ++m)
        if (std::fabs(pose[m][k]) > std::fabs(pose[j][k]))
            j = m;
    const MeReal si = -Sign(pose[j][k]) * sr;
    const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
    MeReal c[3], u[3], v[3];
    for (int m = 0; m < 3; ++m) {
        c[m] = pose[3][m] + si * ei[j] * pose[j][m];
        u[m] = ei[j1] * pose[j1][m];
        v[m] = ei[j2] * pose[j2][m];
    }
    MeReal a[10][3], b[10][3];
    const MeReal corner[4][2] = {{1, 1}, {-1, 1}, {-1, -1}, {1, -1}};
    for (int q = 0; q < 4; ++q)
        for (int m = 0; m < 3; ++m)
            a[q][m] = c[m] + corner[q][0] * u[m] + corner[q][1] * v[m];
    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
    int n = ClipPolygon(b, a, 4, k1, 1, er[k1] + tol);
    n = ClipPolygon(a, b, n, k1, -1, er[k1] + tol);
    n = ClipPolygon(b, a, n, k2, 1, er[k2] + tol);
    n = ClipPolygon(a, b, n, k2, -1, er[k2] + tol);
    n = ClipPolygon(b, a, n, k, sr, er[k] + tol);
    return ClipPolygon(out, b, n, k, -sr, er[k] + tol);
}

// The patch corners for the chosen axis, in box 1's frame (see the method above).
void AxisPatch(McdPointCursor* cursor, const Axis& axis, MeConstMatrix4Ptr R, const MeReal e1[3], const MeReal e2[3])
{
    const MeReal tol = McdBoxFlushTolerance(e1, e2);
    const MeReal* n = axis.normal;
    if (axis.kind == 0) {
        MeReal points[10][3];
        const int count = ClipIncidentFace(points, e1, axis.a, -Sign(n[axis.a]), R, e2, tol);
        for (int q = 0; q < count; ++q)
            cursor->Append(points[q]);
    } else if (axis.kind == 1) {
        MeReal inverse[4][4];
        MeMatrix4InvertRigid(inverse, R);
        const MeReal nk = Dot(n, R[axis.b]);
        MeReal points[10][3];
        const int count = ClipIncidentFace(points, e2, axis.b, Sign(nk), inverse, e1, tol);
        for (int q = 0; q < count; ++q) {
            MeReal p[3];
            Transform(p, R, points[q]);
            cursor->Append(p);
        }
    } else {
        // Box 1's edge extreme along -n, box 2's extreme along +n.
        const int i = axis.a, j = axis.b;
        MeReal p1[3], d1[3] = {0, 0, 0};
        for (int m = 0; m < 3; ++m)
            p1[m] = m == i ? 0 : -Sign(n[m]) * e1[m];
        d1[i] = e1[i];
        MeReal p2[3], d2[3];
        for (int m = 0; m < 3; ++m) {
            p2[m] = R[3][m];
            d2[m] = e2[j] * R[j][m];
        }
        for (int q = 0; q < 3; ++q)
            if (q != j) {
                const MeReal s = Sign(Dot(n, R[q])) * e2[q];
                for (int m = 0; m < 3; ++m)
                    p2[m] += s * R[q][m];
            }
        // The closest points of the two edges (their directions are not parallel, or the
        // axis would not exist); the contact is their midpoint.
        MeReal w[3];
        for (int m = 0; m < 3; ++m)
            w[m] = p1[m] - p2[m];
        const MeReal a = Dot(d1, d1), b = Dot(d1, d2), c = Dot(d2, d2), d = Dot(d1, w), e = Dot(d2, w);
        const MeReal denominator = a * c - b * b;
        if (!(denominator > 0))
            return;
        auto clamp = [](MeReal x) { return x < -1 ? -1.0f : (x > 1 ? 1.0f : x); };
        const MeReal u1 = clamp((b * e - c * d) / denominator);
        const MeReal u2 = clamp((a * e - b * d) / denominator);
        MeReal q[3];
        for (int m = 0; m < 3; ++m)
            q[m] = 0.5f * (p1[m] + u1 * d1[m] + p2[m] + u2 * d2[m]);
        cursor->Append(q);
    }
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

// The contacts of an overlapping pair (kept apart from the intersect so that the common
// cases, apart or only touching, run in a small stack frame).
[[gnu::noinline]] int PenetratingContacts(McdIntersectResult* result, const Axis& axis, MeConstMatrix4Ptr pose,
                                         MeConstMatrix4Ptr t1, const MeReal e1[3], const MeReal e2[3])
{
    MeReal points[kPatchMax][3];
    McdPointCursor cursor(points, kPatchMax);
    AxisPatch(&cursor, axis, pose, e1, e2);
    bool ownDepth = axis.kind < 2;
    if (cursor.Count(points) == 0) {
        McdBoxBoxGatherPatch(&cursor, pose, e1, e2);
        ownDepth = false;
    }
    const int count = cursor.Count(points);
    // A face axis's points lie on the incident face: each takes its own depth below the
    // reference face (box 1's face at n.p = m + s/2, box 2's at m - s/2). Other points are
    // crossings of both surfaces and take the patch's separation.
    const MeReal* n = axis.normal;
    const MeReal face = axis.kind == 0 ? axis.support + 0.5f * axis.separation : axis.support - 0.5f * axis.separation;
    const MeReal keepBelow = 0.01f * axis.separation;
    alignas(McdContact) unsigned char storage[sizeof(McdContact) * kPatchMax];
    McdContact* candidates = reinterpret_cast<McdContact*>(storage);
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const MeReal np = Dot(n, points[i]);
        MeReal separation = axis.separation;
        if (ownDepth)
            separation = axis.kind == 0 ? face - np : np - face;
        if (!(separation < keepBelow))
            continue;
        const MeReal lift = axis.support - np;
        const MeReal q[3] = {points[i][0] + lift * n[0], points[i][1] + lift * n[1], points[i][2] + lift * n[2]};
        McdContact& c = *new (&candidates[kept++]) McdContact();
        Transform(c.position, t1, q);
        for (int j = 0; j < 3; ++j)
            c.normal[j] = result->normal[j];
        c.separation = separation;
        c.dims = axis.dims;
    }
    result->contactCount = McdContactCull(result->normal, candidates, kept, result->contacts,
                                          McdResultContactCap(result), McdResultRequest(result)->faceNormalsFirst);
    return result->contactCount > 0 ? 1 : 0;
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
    MeReal pose[4][4];
    PoseIn(pose, t1, t2);

    Axis axis;
    if (!SeparatingAxis(&axis, m1->padding + m2->padding, e1, e2, pose))
        return NoContact(result);
    Rotate(result->normal, t1, axis.normal);
    result->contactCount = 0;
    if (!(axis.separation < 0) || result->contactMaxCount < 1 || !result->contacts) {
        // Within the padding but not penetrating: every patch point would get a separation
        // s >= 0 and none is kept.
        return 0;
    }
    return PenetratingContacts(result, axis, pose, t1, e1, e2);
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
