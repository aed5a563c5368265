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

#include <emmintrin.h>
#include "physics/dynamics/me_math.h"

#include "physics/collision/model.h"
#include "physics/collision/space.h"
#include "physics/collision/triangle_mesh_tree.h"
#include "physics/collision/triangle_mesh_walk_local.h"

namespace {

MeReal Dot3(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

// The segment in the mesh's frame, laid out for the box tests: centre c and half-vector h
// (each coordinate in all four lanes), |h|, and the slab limit of the nearest hit so far.
struct LocalSegment {
    __m128 c[3], h[3];
    MeReal hLength;
    MeReal uMax;  ///< boxes whose slabs are all entered only beyond u = uMax hold no nearer hit
};

__m128 Abs(__m128 v) { return _mm_and_ps(v, _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff))); }
__m128 YZX(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 2, 1)); }
__m128 ZXY(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 1, 0, 2)); }

// Separating-axis test of the local segment against a node box, all axes at once (one lane
// per box axis) and one branch: with m and hh the segment's centre (relative to the box
// centre) and half-vector in box coordinates and e the half extents, the box's axes separate
// when |m_k| > e_k + |hh_k|, the cross products of the segment with them when
// |m_i hh_j - m_j hh_i| > e_i |hh_j| + e_j |hh_i|. A box the segment meets is still skipped
// when the segment enters one of its slabs beyond the nearest hit (u > uMax along c + u h):
// nothing inside can give a nearer hit.
bool SegmentMissesBox(const CxOrientedBox& box, const LocalSegment& s)
{
    // A flat leaf box of a triangle has zero thickness; the tolerance keeps rounding in the
    // projections from rejecting a segment that grazes it or the seam beside it.
    const MeReal scale = std::fabs(box.centre[0]) + std::fabs(box.centre[1]) + std::fabs(box.centre[2]);
    const MeReal tol = 1e-5f * (1 + box.ext[0] + s.hLength) + 2e-6f * scale;
    // Rows of the axes (the fourth lane of each load is the next field, cleared by the
    // transpose), turned into columns: lane k of column j is component j of axis k.
    __m128 a0 = _mm_loadu_ps(box.axis[0]), a1 = _mm_loadu_ps(box.axis[1]), a2 = _mm_loadu_ps(box.axis[2]);
    __m128 a3 = _mm_setzero_ps();
    _MM_TRANSPOSE4_PS(a0, a1, a2, a3);
    const __m128 d0 = _mm_sub_ps(s.c[0], _mm_set1_ps(box.centre[0]));
    const __m128 d1 = _mm_sub_ps(s.c[1], _mm_set1_ps(box.centre[1]));
    const __m128 d2 = _mm_sub_ps(s.c[2], _mm_set1_ps(box.centre[2]));
    const __m128 m = _mm_add_ps(_mm_add_ps(_mm_mul_ps(a0, d0), _mm_mul_ps(a1, d1)), _mm_mul_ps(a2, d2));
    const __m128 hh = _mm_add_ps(_mm_add_ps(_mm_mul_ps(a0, s.h[0]), _mm_mul_ps(a1, s.h[1])), _mm_mul_ps(a2, s.h[2]));
    // The fourth lane of e (the next field) only ever meets the fourth lanes, which are not read.
    const __m128 e = _mm_add_ps(_mm_loadu_ps(box.ext), _mm_set1_ps(tol));
    const __m128 am = Abs(m), ah = Abs(hh);
    __m128 separate = _mm_cmpgt_ps(am, _mm_add_ps(e, ah));
    const __m128 cross = Abs(_mm_sub_ps(_mm_mul_ps(YZX(m), ZXY(hh)), _mm_mul_ps(ZXY(m), YZX(hh))));
    const __m128 reach = _mm_add_ps(_mm_mul_ps(YZX(e), ZXY(ah)), _mm_mul_ps(ZXY(e), YZX(ah)));
    separate = _mm_or_ps(separate, _mm_cmpgt_ps(cross, reach));
    // Slab entries beyond the nearest hit: -e - m > uMax hh moving up a slab, e - m < uMax hh
    // moving down.
    const __m128 limit = _mm_mul_ps(_mm_set1_ps(s.uMax), hh);
    const __m128 up = _mm_and_ps(_mm_cmpgt_ps(hh, _mm_set1_ps(1e-12f)),
                                 _mm_cmpgt_ps(_mm_sub_ps(_mm_sub_ps(_mm_setzero_ps(), e), m), limit));
    const __m128 down = _mm_and_ps(_mm_cmplt_ps(hh, _mm_set1_ps(-1e-12f)), _mm_cmplt_ps(_mm_sub_ps(e, m), limit));
    separate = _mm_or_ps(separate, _mm_or_ps(up, down));
    return (_mm_movemask_ps(separate) & 7) != 0;
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
    const MeReal d[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const MeReal L = std::sqrt(Dot3(d, d));
    MeReal tBest = 2.0f;
    LocalSegment local;
    MeReal h[3];
    for (int k = 0; k < 3; ++k) {
        h[k] = (l1[k] - l0[k]) * 0.5f;
        local.c[k] = _mm_set1_ps((l0[k] + l1[k]) * 0.5f);
        local.h[k] = _mm_set1_ps(h[k]);
    }
    local.hLength = std::sqrt(Dot3(h, h));
    // Until a hit is known no slab entry is too far: u never exceeds 1.
    local.uMax = 1e30f;

    CxNodeStack<const CxTriangleMeshTreeNode*> stack(mesh->tree->depth + 1);
    if (!stack.Ok())
        return 0;
    stack.Push(mesh->tree->nodes);
    while (!stack.Empty()) {
        const CxTriangleMeshTreeNode* node = stack.Pop();
        if (SegmentMissesBox(node->box, local))
            continue;
        if (node->triangle >= 0) {
            const CxTriangle& tri = mesh->triangles[node->triangle];
            MeReal A[3], B[3], C[3], n[3];
            ToWorld(T, tri.v[0], A);
            ToWorld(T, tri.v[1], B);
            ToWorld(T, tri.v[2], C);
            RotateToWorld(T, mesh->normals + 3 * node->triangle, n);
            if (CxSegmentTriangle(A, B, C, n, p0, d, L, &tBest, hit))
                local.uMax = 2 * (tBest + 1e-4f) - 1;  // t = (u + 1) / 2 = tBest + a margin for rounding
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
