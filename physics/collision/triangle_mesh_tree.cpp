// Box tree of a triangle mesh: top-down build and the oriented-box overlap test.
//
// Build. The node at the top of an explicit stack owns a contiguous range of one index array.
// Its box is fitted to the range's triangles; a range of one triangle makes a leaf. Otherwise
// the range is split in place, stably, across a plane through the box centre normal to axis
// 0, 1 or 2 (longest first): a triangle goes left when the midpoint of its projection lies
// below the plane. When fewer than a tenth (more than nine tenths) go left, the plane moves a
// tenth of the half extent up (down) and the count is taken again; an axis that still leaves
// one side empty is skipped, and when no axis works the triangles are dealt alternately. Both
// halves are therefore non-empty, so n triangles use exactly 2n - 1 nodes. The right range is
// pushed before the left one, so nodes are numbered depth-first, left subtree first. No
// recursion: a degenerate strip of triangles that splits one off per level costs stack
// entries from the memory table, not machine stack.
//
// Overlap. Separating axes of two oriented boxes: the three axes of each, then the nine cross
// products, each compared with the sum of projected radii plus 1e-6, so touching boxes
// overlap. Box axes may form a left-handed frame; the test never assumes otherwise.

#include "physics/collision/triangle_mesh_tree.h"
#include "physics/dynamics/me_math.h"

#include <cmath>
#include <cstring>

#include "physics/collision/collision_local.h"

namespace {

struct BuildEntry {
    int begin;
    int count;
    int parent;  // node index, -1 for the root
    int isRight;
    int depth;
};

MeReal Dot3(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

// Moves indices whose key is "left" to the front in order and the rest behind them in order.
template <class IsLeft>
int StablePartition(int* indices, int count, int* scratch, IsLeft isLeft)
{
    int left = 0, right = 0;
    for (int i = 0; i < count; ++i) {
        if (isLeft(i, indices[i]))
            indices[left++] = indices[i];
        else
            scratch[right++] = indices[i];
    }
    for (int i = 0; i < right; ++i)
        indices[left + i] = scratch[i];
    return left;
}

}  // namespace

CxTriangleMeshTreeNode* CxTriangleMeshTreeAllocNodes(CxTriangleMeshTree* tree, CxTriangleMesh* mesh)
{
    tree->mesh = mesh;
    tree->nextNode = 0;
    tree->nodeCount = 0;
    tree->depth = 0;
    McdDeleteArray(tree->nodes);
    tree->nodes = nullptr;
    if (!mesh || mesh->count <= 0)
        return nullptr;
    const int nodes = 2 * mesh->count - 1;
    // One clear of the block (null links, zero boxes) instead of constructing node by node.
    void* block = MeMemoryAPI.create(sizeof(CxTriangleMeshTreeNode) * static_cast<std::size_t>(nodes));
    if (!block)
        return nullptr;
    std::memset(block, 0, sizeof(CxTriangleMeshTreeNode) * static_cast<std::size_t>(nodes));
    tree->nodes = static_cast<CxTriangleMeshTreeNode*>(block);
    for (int i = 0; i < nodes; ++i)
        tree->nodes[i].triangle = -1;
    tree->nodeCount = nodes;
    return tree->nodes;
}

void CxTriangleMeshTreeRelease(CxTriangleMeshTree* tree)
{
    McdDeleteArray(tree->nodes);
    tree->nodes = nullptr;
    tree->nodeCount = 0;
}

MeReal CxTriangleProjectedMid(const CxTriangle* t, const MeReal axis[3])
{
    const MeReal a = Dot3(t->v[0], axis), b = Dot3(t->v[1], axis), c = Dot3(t->v[2], axis);
    const MeReal hi = std::fmax(a, std::fmax(b, c));
    const MeReal lo = std::fmin(a, std::fmin(b, c));
    return (hi + lo) * 0.5f;
}

int CxTriangleMeshTreeSplit(const CxTriangleMesh* mesh, const CxOrientedBox* box, int* indices, int count,
                            int* scratch)
{
    for (int k = 0; k < 3; ++k) {
        const MeReal* axis = box->axis[k];
        MeReal p = Dot3(box->centre, axis);
        auto countLeft = [&](MeReal plane) {
            int n = 0;
            for (int i = 0; i < count; ++i)
                if (CxTriangleProjectedMid(&mesh->triangles[indices[i]], axis) < plane)
                    ++n;
            return n;
        };
        int left = countLeft(p);
        const double r = static_cast<double>(left) / count;
        if (r > 0.9 || r < 0.1) {
            p += (r > 0.9 ? -0.1f : 0.1f) * box->ext[k];
            left = countLeft(p);
        }
        if (left > 0 && left < count)
            return StablePartition(indices, count, scratch, [&](int, int tri) {
                return CxTriangleProjectedMid(&mesh->triangles[tri], axis) < p;
            });
    }
    return StablePartition(indices, count, scratch, [](int position, int) { return position % 2 == 0; });
}

void CxTriangleMeshTreeFitRectSphere(const CxTriangleMesh* mesh, CxTriangleMeshTreeNode* node, const int* indices,
                                     int count)
{
    const CxOrientedBox& b = node->box;
    const MeReal e0 = b.ext[0], e1 = b.ext[1], e2 = b.ext[2];
    node->rectHalf[0] = e0;
    node->rectHalf[1] = e1;
    node->rectRadius = e2;
    if (e2 <= 1e-6f)
        return;
    MeReal lo = 0, hi = e2, accepted = 0;
    for (int round = 0; round < 5; ++round) {
        const MeReal mid = (lo + hi) * 0.5f;
        const MeReal ra = e0 - mid, rb = e1 - mid;
        bool rejected = false;
        for (int i = 0; i < count && !rejected; ++i)
            for (const MeReal* p : mesh->triangles[indices[i]].v) {
                const MeReal d[3] = {p[0] - b.centre[0], p[1] - b.centre[1], p[2] - b.centre[2]};
                const MeReal q[3] = {Dot3(d, b.axis[0]), Dot3(d, b.axis[1]), Dot3(d, b.axis[2])};
                if (std::fabs(q[0]) <= ra && std::fabs(q[1]) <= rb)
                    continue;
                const MeReal dx = std::fabs(q[0]) > ra ? std::fabs(q[0]) - ra : 0;
                const MeReal dy = std::fabs(q[1]) > rb ? std::fabs(q[1]) - rb : 0;
                if (dx * dx + dy * dy + q[2] * q[2] > e2 * e2) {
                    rejected = true;
                    break;
                }
            }
        if (rejected) {
            hi = mid;
        } else {
            lo = mid;
            accepted = mid;
        }
    }
    node->rectHalf[0] = e0 - accepted;
    node->rectHalf[1] = e1 - accepted;
}

int CxTriangleMeshTreeBuild(CxTriangleMeshTree* tree)
{
    CxTriangleMesh* mesh = tree->mesh;
    if (!mesh || !tree->nodes || mesh->count <= 0)
        return 0;
    const int n = mesh->count;
    int* indices = McdNewArray<int>(static_cast<std::size_t>(n));
    int* scratch = McdNewArray<int>(static_cast<std::size_t>(n));
    BuildEntry* stack = McdNewArray<BuildEntry>(static_cast<std::size_t>(n) + 1);
    CxBoxFitScratch* fit = CxBoxFitScratchCreate(mesh);
    if (!indices || !scratch || !stack || !fit) {
        McdDeleteArray(indices);
        McdDeleteArray(scratch);
        McdDeleteArray(stack);
        CxBoxFitScratchDestroy(fit);
        return 0;
    }
    for (int i = 0; i < n; ++i)
        indices[i] = i;

    int top = 0;
    stack[top++] = {0, n, -1, 0, 1};
    tree->nextNode = -1;
    tree->depth = 0;
    while (top > 0) {
        const BuildEntry e = stack[--top];
        const int index = ++tree->nextNode;
        CxTriangleMeshTreeNode* node = tree->nodes + index;
        if (e.parent >= 0) {
            CxTriangleMeshTreeNode* parent = tree->nodes + e.parent;
            node->parent = parent;
            (e.isRight ? parent->right : parent->left) = node;
        }
        if (e.depth > tree->depth)
            tree->depth = e.depth;
        int* range = indices + e.begin;
        CxBoxFitterFitWith(fit, mesh, &node->box, range, e.count);
        if (tree->treeOption > 0)
            CxTriangleMeshTreeFitRectSphere(mesh, node, range, e.count);
        if (e.count == 1) {
            node->triangle = range[0];
            continue;
        }
        const int left = CxTriangleMeshTreeSplit(mesh, &node->box, range, e.count, scratch);
        stack[top++] = {e.begin + left, e.count - left, index, 1, e.depth + 1};
        stack[top++] = {e.begin, left, index, 0, e.depth + 1};
    }
    McdDeleteArray(indices);
    McdDeleteArray(scratch);
    McdDeleteArray(stack);
    CxBoxFitScratchDestroy(fit);
    return 1;
}

int CxObbOverlap(const CxOrientedBox* a, MeConstMatrix4Ptr ta, const CxOrientedBox* b, MeConstMatrix4Ptr tb)
{
    // World axes and centres.
    MeReal A[3][3], B[3][3], ca[3], cb[3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            A[i][j] = a->axis[i][0] * ta[0][j] + a->axis[i][1] * ta[1][j] + a->axis[i][2] * ta[2][j];
            B[i][j] = b->axis[i][0] * tb[0][j] + b->axis[i][1] * tb[1][j] + b->axis[i][2] * tb[2][j];
        }
    for (int j = 0; j < 3; ++j) {
        ca[j] = a->centre[0] * ta[0][j] + a->centre[1] * ta[1][j] + a->centre[2] * ta[2][j] + ta[3][j];
        cb[j] = b->centre[0] * tb[0][j] + b->centre[1] * tb[1][j] + b->centre[2] * tb[2][j] + tb[3][j];
    }
    const MeReal d[3] = {cb[0] - ca[0], cb[1] - ca[1], cb[2] - ca[2]};
    MeReal R[3][3], AR[3][3], T[3];
    for (int i = 0; i < 3; ++i) {
        T[i] = Dot3(d, A[i]);
        for (int j = 0; j < 3; ++j) {
            R[i][j] = Dot3(A[i], B[j]);
            AR[i][j] = std::fabs(R[i][j]);
        }
    }
    const MeReal* e = a->ext;
    const MeReal* f = b->ext;
    const MeReal eps = 1e-6f;
    for (int i = 0; i < 3; ++i) {
        const MeReal rb = f[0] * AR[i][0] + f[1] * AR[i][1] + f[2] * AR[i][2];
        if (std::fabs(T[i]) > e[i] + rb + eps)
            return 1 + i;
    }
    for (int j = 0; j < 3; ++j) {
        const MeReal ra = e[0] * AR[0][j] + e[1] * AR[1][j] + e[2] * AR[2][j];
        const MeReal t = T[0] * R[0][j] + T[1] * R[1][j] + T[2] * R[2][j];
        if (std::fabs(t) > ra + f[j] + eps)
            return 4 + j;
    }
    for (int i = 0; i < 3; ++i) {
        const int i1 = (i + 1) % 3, i2 = (i + 2) % 3;
        for (int j = 0; j < 3; ++j) {
            const int j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            // Axis A_i x B_j, in A's frame.
            const MeReal ra = e[i1] * AR[i2][j] + e[i2] * AR[i1][j];
            const MeReal rb = f[j1] * AR[i][j2] + f[j2] * AR[i][j1];
            const MeReal t = T[i2] * R[i1][j] - T[i1] * R[i2][j];
            if (std::fabs(t) > ra + rb + eps)
                return 7 + 3 * i + j;
        }
    }
    return 0;
}
