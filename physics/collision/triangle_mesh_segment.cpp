// Line segments against triangle meshes.
//
// The world segment P0 + t d (0 <= t <= 1) is taken into the mesh's frame once; the box tree
// is walked with an explicit stack, a node being skipped when the segment's separating-axis
// test against its box rejects it (the box's three axes and the three cross products of the
// segment with them), or once a hit is known, when the segment enters the box beyond it. The test is widened by a small tolerance relative to the box, so a
// segment through the shared edge of two leaves cannot slip between their flat boxes. Leaves
// test their triangle in world space: plane crossing t = n.(A - P0) / n.d, then barycentric
// coordinates in the two coordinates that drop the normal's largest component, widened by
// 1e-6. Both faces are hit; the stored normal is reported. Of two hits at the same t the one
// visited later wins, and the nearest hit (smallest t) is kept.

#include <cmath>
#include "physics/dynamics/me_math.h"

#include "physics/collision/model.h"
#include "physics/collision/space.h"
#include "physics/collision/triangle_mesh_tree.h"
#include "physics/collision/triangle_mesh_walk_local.h"

namespace {

MeReal Dot3(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

// Separating-axis test of the local segment (centre c, half-vector h of length hLength)
// against a node box. A box the segment meets is still skipped when the segment enters it
// beyond tBest (with a margin for rounding): nothing inside can give a nearer hit.
bool SegmentMissesBox(const CxOrientedBox& box, const MeReal c[3], const MeReal h[3], MeReal hLength, MeReal tBest)
{
    const MeReal d[3] = {c[0] - box.centre[0], c[1] - box.centre[1], c[2] - box.centre[2]};
    MeReal m[3], hh[3], e[3], ah[3];
    // A flat leaf box of a triangle has zero thickness; the tolerance keeps rounding in the
    // projections from rejecting a segment that grazes it or the seam beside it.
    const MeReal scale = std::fabs(box.centre[0]) + std::fabs(box.centre[1]) + std::fabs(box.centre[2]);
    const MeReal tol = 1e-5f * (1 + box.ext[0] + hLength) + 2e-6f * scale;
    // Most boxes are rejected by their own axes; each is tested as soon as it is projected.
    for (int k = 0; k < 3; ++k) {
        m[k] = Dot3(d, box.axis[k]);
        hh[k] = Dot3(h, box.axis[k]);
        e[k] = box.ext[k] + tol;
        ah[k] = std::fabs(hh[k]);
        if (std::fabs(m[k]) > e[k] + ah[k])
            return true;
    }
    if (std::fabs(m[1] * hh[2] - m[2] * hh[1]) > e[1] * ah[2] + e[2] * ah[1])
        return true;
    if (std::fabs(m[2] * hh[0] - m[0] * hh[2]) > e[0] * ah[2] + e[2] * ah[0])
        return true;
    if (std::fabs(m[0] * hh[1] - m[1] * hh[0]) > e[0] * ah[1] + e[1] * ah[0])
        return true;
    if (tBest >= 1)
        return false;
    // Entry parameter u in [-1, 1] along c + u h is the latest entry into the three slabs;
    // the box is skipped when one slab is entered beyond uMax (t = (u + 1) / 2 = tBest + margin).
    const MeReal uMax = 2 * (tBest + 1e-4f) - 1;
    for (int k = 0; k < 3; ++k) {
        if (hh[k] > 1e-12f && -e[k] - m[k] > uMax * hh[k])
            return true;
        if (hh[k] < -1e-12f && e[k] - m[k] < uMax * hh[k])
            return true;
    }
    return false;
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

}  // namespace

bool CxSegmentTriangle(const MeReal A[3], const MeReal B[3], const MeReal C[3], const MeReal n[3], const MeReal P0[3],
                       const MeReal d[3], MeReal L, MeReal* tBest, McdLineSegIntersectResult* hit)
{
    const MeReal denom = Dot3(n, d);
    if (std::fabs(denom) < 1e-6f)
        return false;
    const MeReal t = (Dot3(n, A) - Dot3(n, P0)) / denom;
    if (t > *tBest || t < 0 || t > 1)
        return false;
    const MeReal X[3] = {P0[0] + t * d[0], P0[1] + t * d[1], P0[2] + t * d[2]};
    const MeReal ax = std::fabs(n[0]), ay = std::fabs(n[1]), az = std::fabs(n[2]);
    int drop = 2;
    if (ax > ay && ax > az)
        drop = 0;
    else if (ay >= ax && ay > az)
        drop = 1;
    const int u = drop == 0 ? 1 : 0;
    const int v = drop == 2 ? 1 : 2;
    const MeReal e1u = B[u] - A[u], e1v = B[v] - A[v];
    const MeReal e2u = C[u] - A[u], e2v = C[v] - A[v];
    const MeReal qu = X[u] - A[u], qv = X[v] - A[v];
    const MeReal det = e2u * e1v - e2v * e1u;
    if (std::fabs(det) < 1e-6f)
        return false;
    const MeReal beta = (e1v * qu - qv * e1u) / det;
    const MeReal gamma = (e2u * qv - e2v * qu) / det;
    if (beta < -1e-6f || gamma < -1e-6f || 1 - beta - gamma < -1e-6f)
        return false;
    *tBest = t;
    for (int k = 0; k < 3; ++k) {
        hit->position[k] = X[k];
        hit->normal[k] = n[k];
    }
    hit->distance = L * t;
    return true;
}

int McdTriangleMeshLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3],
                               McdLineSegIntersectResult* hit)
{
    if (!model || !hit)
        return 0;
    const CxTriangleMesh* mesh = static_cast<const CxTriangleMesh*>(McdModelGetGeometry(model));
    MeConstMatrix4Ptr T = McdModelGetTransformPtr(model);
    if (!mesh || !T || !mesh->tree || !mesh->tree->nodes)
        return 0;
    MeReal l0[3], l1[3];
    for (int k = 0; k < 3; ++k) {
        const MeReal a[3] = {p0[0] - T[3][0], p0[1] - T[3][1], p0[2] - T[3][2]};
        const MeReal b[3] = {p1[0] - T[3][0], p1[1] - T[3][1], p1[2] - T[3][2]};
        l0[k] = Dot3(a, T[k]);
        l1[k] = Dot3(b, T[k]);
    }
    const MeReal c[3] = {(l0[0] + l1[0]) * 0.5f, (l0[1] + l1[1]) * 0.5f, (l0[2] + l1[2]) * 0.5f};
    const MeReal h[3] = {(l1[0] - l0[0]) * 0.5f, (l1[1] - l0[1]) * 0.5f, (l1[2] - l0[2]) * 0.5f};
    const MeReal d[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const MeReal L = std::sqrt(Dot3(d, d));
    MeReal tBest = 2.0f;
    const MeReal hLength = std::sqrt(Dot3(h, h));

    CxNodeStack<const CxTriangleMeshTreeNode*> stack(mesh->tree->depth + 1);
    if (!stack.Ok())
        return 0;
    stack.Push(mesh->tree->nodes);
    while (!stack.Empty()) {
        const CxTriangleMeshTreeNode* node = stack.Pop();
        if (SegmentMissesBox(node->box, c, h, hLength, tBest))
            continue;
        if (node->triangle >= 0) {
            const CxTriangle& tri = mesh->triangles[node->triangle];
            MeReal A[3], B[3], C[3], n[3];
            ToWorld(T, tri.v[0], A);
            ToWorld(T, tri.v[1], B);
            ToWorld(T, tri.v[2], C);
            RotateToWorld(T, mesh->normals + 3 * node->triangle, n);
            CxSegmentTriangle(A, B, C, n, p0, d, L, &tBest, hit);
            continue;
        }
        // Right first on the stack so the left subtree is visited first.
        stack.Push(node->right);
        stack.Push(node->left);
    }
    return tBest < 1.0f ? 1 : 0;
}

void McdTriangleMeshRegisterLineSegment(McdFrameworkID framework)
{
    McdGeometrySetLineSegFn(framework, kMcdTriangleMeshType, McdTriangleMeshLineSegment);
}
