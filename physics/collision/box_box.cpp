// Box-box contacts.
//
// Method. Box 2 is expressed in box 1's frame (pose R). The fifteen-axis separating test
// gives the axis of least penetration: the unit normal n from box 2 towards box 1, the
// separation s (negative when they overlap) and the offset m of the mid-plane between the
// two faces on that axis: box 1's face towards box 2 lies at n.p = m + s/2, box 2's face at
// n.p = m - s/2 (for s < 0 each face lies inside the other box by |s|).
//
// Contact points come only from edge crossings: every edge of each box is clipped against
// the other box and the points where it crosses the surface are kept. On the axis of least
// penetration the two boxes overlap along n exactly between their two faces, so every
// crossing lies in that slab. The corners of the contact patch are such crossings whichever
// box owns them: a corner of box 2 pushed into a face of box 1 shows as the crossings of its
// three edges with that face, a corner of box 1 pushed into box 2 as the crossings of its
// edges with box 2's face, and an overlap rectangle's corners as crossings of vertical edges
// with a face or of two face edges with each other. (A box wholly inside the other has no
// crossings; its corners stand in.) Each point is moved along n onto the
// mid-plane and given the separation s, so that both model orders make the same contacts.
// The contact generator then keeps points strictly below 0.01 s (none when s >= 0: boxes
// resting exactly on each other, or within their padding, touch without contacts) and culls
// them to the pair's budget.
//
// Safe time. Rotation is handled by sub-steps of at most 0.2 radians of summed rotation; in
// each sub-step the boxes move linearly (the sweep test of box_sweep.cpp) and the poses are
// advanced by the quaternion derivative q' = 1/2 (0, w) q between sub-steps.

#include "physics/collision/box_box.h"

#include <cmath>

#include "physics/collision/contact_cull.h"
#include "physics/collision/pair_local.h"
#include "physics/dynamics/me_math.h"

using namespace mcdpair;

namespace {

constexpr int kGatherMax = 48;

bool Inside(const MeReal p[3], const MeReal e[3])
{
    return std::fabs(p[0]) <= e[0] && std::fabs(p[1]) <= e[1] && std::fabs(p[2]) <= e[2];
}

// A box wholly inside the other has no edge crossings; its corners stand in for them.
void AppendInnerCorners(McdPointCursor* cursor, MeConstMatrix4Ptr pose, const MeReal e1[3], const MeReal e2[3])
{
    MeReal inverse[4][4];
    MeMatrix4InvertRigid(inverse, pose);
    for (int k = 0; k < 8; ++k) {
        const MeReal c2[3] = {(k & 1) ? e2[0] : -e2[0], (k & 2) ? e2[1] : -e2[1], (k & 4) ? e2[2] : -e2[2]};
        MeReal p[3];
        Transform(p, pose, c2);
        if (Inside(p, e1))
            cursor->Append(p);
        const MeReal c1[3] = {(k & 1) ? e1[0] : -e1[0], (k & 2) ? e1[1] : -e1[1], (k & 4) ? e1[2] : -e1[2]};
        Transform(p, inverse, c1);
        if (Inside(p, e2))
            cursor->Append(c1);
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

int McdBoxBoxIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    MeConstMatrix4Ptr t1 = PoseOf(pair->model1);
    MeConstMatrix4Ptr t2 = PoseOf(pair->model2);
    const MeReal* e1 = BoxExtents(pair->model1);
    const MeReal* e2 = BoxExtents(pair->model2);
    MeReal pose[4][4];
    PoseIn(pose, t1, t2);

    MeReal separation, normal[3], support;
    MeI16 dims;
    if (!McdBoxBoxOverlapTest(&separation, normal, &support, &dims, PairPadding(pair), e1, e2, pose))
        return NoContact(result);

    if (!(separation < 0)) {
        // Within the padding but not penetrating: every patch point would get the separation
        // s >= 0 and none is kept.
        Rotate(result->normal, t1, normal);
        result->contactCount = 0;
        return 0;
    }
    MeReal points[kGatherMax][3];
    McdPointCursor cursor(points, kGatherMax);
    McdBoxBoxGatherPoints(&cursor, pose, e1, e2);
    if (cursor.Count(points) == 0)
        AppendInnerCorners(&cursor, pose, e1, e2);
    const int count = cursor.Count(points);
    for (int i = 0; i < count; ++i) {
        const MeReal lift = support - Dot(normal, points[i]);
        for (int j = 0; j < 3; ++j)
            points[i][j] += lift * normal[j];
    }
    McdContactsFromPolygon(result, points, count, t1, normal, support - separation, separation, dims);
    return result->contactCount > 0 ? 1 : 0;
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
