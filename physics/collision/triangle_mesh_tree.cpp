// Box tree of a triangle mesh: top-down build and the oriented-box overlap test.
//
// Build. A node is a contiguous range of one index array. Its box is fitted to the range's
// triangles; a range of one triangle makes a leaf. Otherwise the range is split in place,
// stably, across a plane through the box centre normal to axis 0, 1 or 2 (longest first): a
// triangle goes left when the midpoint of its projection lies below the plane. When fewer than
// a tenth (more than nine tenths) go left, the plane moves a tenth of the half extent up
// (down) and the count is taken again; an axis that still leaves one side empty is skipped,
// and when no axis works the triangles are dealt alternately. Both halves are therefore
// non-empty, so n triangles use exactly 2n - 1 nodes, and a node's place in depth-first order
// follows from the counts alone: the left child is node + 1, the right child node + 2 left.
//
// Order of fits. The box fits dominate the build, and each is a long chain of dependent
// steps, so pending nodes are fitted four side by side (`CxBoxFitterFitBatch`) in whatever
// order they come. The one thing a fit shares with others is the program's generator, drawn
// when a descent needs a random start; a batch gives such a fit up, and the given-up nodes
// wait in a heap ordered by node index. When nothing else is pending, the smallest of them is
// fitted alone: every node before it in depth-first order has been fitted and no later node
// has drawn, so the draws come exactly as in a depth-first build and the tree is the same.
// Entries live in arrays from the memory table, never on the machine stack, so a degenerate
// strip that splits one triangle off per level costs no recursion.
//
// Overlap. Separating axes of two oriented boxes: the three axes of each, then the nine cross
// products, each compared with the sum of projected radii plus 1e-6, so touching boxes
// overlap. Box axes may form a left-handed frame; the test never assumes otherwise.

#include "physics/collision/triangle_mesh_tree.h"
#include "physics/dynamics/me_math.h"

#include <algorithm>
#include <cmath>

#include "physics/collision/collision_local.h"

namespace {

// A node whose triangles are known: a range of the index array.
struct BuildEntry {
    int begin;
    int count;
    int node;
    int parent;  // node index, -1 for the root
    int isRight;
    int depth;
};

// A growing array of entries from the memory table.
class EntryList {
public:
    ~EntryList() { McdDeleteArray(items_); }
    bool Push(const BuildEntry& e)
    {
        if (size_ == capacity_) {
            const int grown = capacity_ ? 2 * capacity_ : 64;
            void* block = items_ ? MeMemoryAPI.resize(items_, sizeof(BuildEntry) * static_cast<std::size_t>(grown))
                                 : MeMemoryAPI.create(sizeof(BuildEntry) * static_cast<std::size_t>(grown));
            if (!block)
                return false;
            items_ = static_cast<BuildEntry*>(block);
            capacity_ = grown;
        }
        items_[size_++] = e;
        return true;
    }
    BuildEntry Pop() { return items_[--size_]; }
    int Size() const { return size_; }
    BuildEntry* Items() { return items_; }

private:
    BuildEntry* items_ = nullptr;
    int size_ = 0;
    int capacity_ = 0;
};

// Min-heap order by node index, which is depth-first order.
bool Later(const BuildEntry& a, const BuildEntry& b) { return a.node > b.node; }

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
    CxTriangleMeshTreeRelease(tree);
    if (!mesh || mesh->count <= 0)
        return nullptr;
    const int nodes = 2 * mesh->count - 1;
    // Left uncleared: the build writes every field of every node once, and the block's pages
    // are touched only then.
    void* block = MeMemoryAPI.create(sizeof(CxTriangleMeshTreeNode) * static_cast<std::size_t>(nodes));
    if (!block)
        return nullptr;
    tree->nodes = static_cast<CxTriangleMeshTreeNode*>(block);
    tree->nodeCount = nodes;
    if (tree->treeOption > 0) {
        tree->rectSpheres = McdNewArray<CxRectSphere>(static_cast<std::size_t>(nodes));
        if (!tree->rectSpheres) {
            CxTriangleMeshTreeRelease(tree);
            return nullptr;
        }
    }
    return tree->nodes;
}

void CxTriangleMeshTreeRelease(CxTriangleMeshTree* tree)
{
    McdDeleteArray(tree->nodes);
    McdDeleteArray(tree->rectSpheres);
    tree->nodes = nullptr;
    tree->rectSpheres = nullptr;
    tree->nodeCount = 0;
}

MeReal CxTriangleProjectedMid(const CxTriangle* t, const MeReal axis[3])
{
    const MeReal a = Dot3(t->v[0], axis), b = Dot3(t->v[1], axis), c = Dot3(t->v[2], axis);
    // Plain comparisons: a zero's sign, which fmax may pick differently, does not change how
    // the middle compares with a plane.
    const MeReal hab = a > b ? a : b, lab = a < b ? a : b;
    const MeReal hi = hab > c ? hab : c, lo = lab < c ? lab : c;
    return (hi + lo) * 0.5f;
}

int CxTriangleMeshTreeSplit(const CxTriangleMesh* mesh, const CxOrientedBox* box, int* indices, int count,
                            int* scratch, MeReal* mids)
{
    for (int k = 0; k < 3; ++k) {
        const MeReal* axis = box->axis[k];
        MeReal p = Dot3(box->centre, axis);
        for (int i = 0; i < count; ++i)
            mids[i] = CxTriangleProjectedMid(&mesh->triangles[indices[i]], axis);
        auto countLeft = [&](MeReal plane) {
            int n = 0;
            for (int i = 0; i < count; ++i)
                n += mids[i] < plane;
            return n;
        };
        int left = countLeft(p);
        const double r = static_cast<double>(left) / count;
        if (r > 0.9 || r < 0.1) {
            p += (r > 0.9 ? -0.1f : 0.1f) * box->ext[k];
            left = countLeft(p);
        }
        if (left > 0 && left < count)
            return StablePartition(indices, count, scratch, [&](int position, int) { return mids[position] < p; });
    }
    return StablePartition(indices, count, scratch, [](int position, int) { return position % 2 == 0; });
}

void CxTriangleMeshTreeFitRectSphere(const CxTriangleMesh* mesh, const CxOrientedBox* box, const int* indices,
                                     int count, CxRectSphere* out)
{
    const CxOrientedBox& b = *box;
    const MeReal e0 = b.ext[0], e1 = b.ext[1], e2 = b.ext[2];
    out->half[0] = e0;
    out->half[1] = e1;
    out->radius = e2;
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
    out->half[0] = e0 - accepted;
    out->half[1] = e1 - accepted;
}

namespace {

// The build's state: the index array, split scratch, the entries waiting for a fit and the
// given-up ones waiting for their turn.
struct Builder {
    CxTriangleMeshTree* tree;
    const CxTriangleMesh* mesh;
    int* indices;
    int* scratch;
    MeReal* mids;
    CxBoxFitScratch* fit;
    EntryList pending;   // boxes to fit, any order
    EntryList deferred;  // boxes whose fit draws from the generator: a min-heap by node
};

// Links a node whose box is fitted, and splits an inner node into two pending children:
// node + 1 and, after the left subtree's 2 left - 1 nodes, node + 2 left.
bool Place(Builder* b, const BuildEntry& e)
{
    CxTriangleMeshTree* tree = b->tree;
    CxTriangleMeshTreeNode* node = tree->nodes + e.node;
    node->left = node->right = node->parent = nullptr;
    node->triangle = -1;
    if (e.parent >= 0) {
        CxTriangleMeshTreeNode* parent = tree->nodes + e.parent;
        node->parent = parent;
        (e.isRight ? parent->right : parent->left) = node;
    }
    if (e.depth > tree->depth)
        tree->depth = e.depth;
    int* range = b->indices + e.begin;
    if (tree->treeOption > 0)
        CxTriangleMeshTreeFitRectSphere(b->mesh, &node->box, range, e.count, tree->rectSpheres + e.node);
    if (e.count == 1) {
        node->triangle = range[0];
        return true;
    }
    const int left = CxTriangleMeshTreeSplit(b->mesh, &node->box, range, e.count, b->scratch, b->mids);
    return b->pending.Push({e.begin + left, e.count - left, e.node + 2 * left, e.node, 1, e.depth + 1}) &&
           b->pending.Push({e.begin, left, e.node + 1, e.node, 0, e.depth + 1});
}

// Fits the pending boxes in batches and places them, until none is pending; a box that would
// draw from the generator joins the deferred heap instead.
bool FitPending(Builder* b)
{
    while (b->pending.Size() > 0) {
        BuildEntry batch[kCxBoxFitBatch];
        CxOrientedBox* boxes[kCxBoxFitBatch];
        const int* lists[kCxBoxFitBatch];
        int counts[kCxBoxFitBatch];
        int k = 0;
        while (k < kCxBoxFitBatch && b->pending.Size() > 0) {
            batch[k] = b->pending.Pop();
            boxes[k] = &b->tree->nodes[batch[k].node].box;
            lists[k] = b->indices + batch[k].begin;
            counts[k] = batch[k].count;
            ++k;
        }
        const int fitted = CxBoxFitterFitBatch(b->fit, b->mesh, k, boxes, lists, counts);
        for (int j = 0; j < k; ++j) {
            if ((fitted >> j) & 1) {
                if (!Place(b, batch[j]))
                    return false;
                continue;
            }
            if (!b->deferred.Push(batch[j]))
                return false;
            BuildEntry* heap = b->deferred.Items();
            std::push_heap(heap, heap + b->deferred.Size(), Later);
        }
    }
    return true;
}

}  // namespace

int CxTriangleMeshTreeBuild(CxTriangleMeshTree* tree)
{
    CxTriangleMesh* mesh = tree->mesh;
    if (!mesh || !tree->nodes || mesh->count <= 0)
        return 0;
    const int n = mesh->count;
    Builder b{tree, mesh, McdNewArray<int>(static_cast<std::size_t>(n)), McdNewArray<int>(static_cast<std::size_t>(n)),
              McdNewArray<MeReal>(static_cast<std::size_t>(n)), CxBoxFitScratchCreate(mesh), {}, {}};
    bool ok = b.indices && b.scratch && b.mids && b.fit;
    if (ok) {
        for (int i = 0; i < n; ++i)
            b.indices[i] = i;
        tree->depth = 0;
        // Boxes are fitted in whatever order batches them best; only draws from the
        // generator keep the depth-first order. The smallest deferred node is the first box
        // left whose fit draws: every node before it in depth-first order is fitted (later
        // nodes that are fitted drew nothing), so it draws exactly when a depth-first build
        // would, and the nodes its subtree defers all come before the heap's others.
        BuildEntry next{0, n, 0, -1, 0, 1};
        for (;;) {
            CxBoxFitterFitWith(b.fit, mesh, &tree->nodes[next.node].box, b.indices + next.begin, next.count);
            if (!Place(&b, next) || !FitPending(&b)) {
                ok = false;
                break;
            }
            if (b.deferred.Size() == 0)
                break;
            BuildEntry* heap = b.deferred.Items();
            std::pop_heap(heap, heap + b.deferred.Size(), Later);
            next = b.deferred.Pop();
        }
        tree->nextNode = 2 * n - 2;
    }
    McdDeleteArray(b.indices);
    McdDeleteArray(b.scratch);
    McdDeleteArray(b.mids);
    CxBoxFitScratchDestroy(b.fit);
    return ok ? 1 : 0;
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
