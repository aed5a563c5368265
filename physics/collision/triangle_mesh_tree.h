#pragma once
/// The box tree of a triangle mesh and the oriented-box fitter that sizes its nodes.
///
/// The tree is binary, built top-down: each node's box is fitted to its triangles, the
/// triangles are split across the box's longest workable axis and each half becomes a child.
/// Leaves hold one triangle; n triangles give exactly 2n - 1 nodes in one block, numbered
/// depth-first, left subtree before right (the root is node 0).

#include "physics/collision/triangle_mesh.h"

struct CxTriangleMeshTreeNode {
    CxTriangleMeshTreeNode* left = nullptr;
    CxTriangleMeshTreeNode* right = nullptr;
    CxTriangleMeshTreeNode* parent = nullptr;
    CxOrientedBox box;
    int triangle = -1;  ///< leaf: triangle index; inner node: -1
};

/// The long form's volume of a node: the points within `radius` of a rectangle of half sizes
/// `half` along box axes 0 and 1 about the box centre.
struct CxRectSphere {
    MeReal half[2] = {0, 0};
    MeReal radius = 0;
};

struct CxTriangleMeshTree {
    CxTriangleMesh* mesh = nullptr;
    CxTriangleMeshTreeNode* nodes = nullptr;
    int nextNode = 0;   ///< last node handed out by the build
    int treeOption = 0;
    int nodeCount = 0;  ///< 2n - 1
    int depth = 0;      ///< nodes on the longest root-to-leaf path
    /// One per node, kept apart so the walks read compact nodes; null unless the tree option > 0.
    CxRectSphere* rectSpheres = nullptr;
};

/// Sets the mesh and allocates its 2n - 1 nodes (and their rectangle-sphere volumes in the long
/// form); null for an empty mesh or on failure. The nodes are not cleared: the build writes
/// every field of every node.
CxTriangleMeshTreeNode* CxTriangleMeshTreeAllocNodes(CxTriangleMeshTree* tree, CxTriangleMesh* mesh);
/// Builds the whole tree over triangles 0..n-1. Returns 1, 0 without nodes or on failure.
int CxTriangleMeshTreeBuild(CxTriangleMeshTree* tree);
/// Frees the node array and the volumes.
void CxTriangleMeshTreeRelease(CxTriangleMeshTree* tree);

/// Splits `indices[0..count)` in place, stably, into a left part (returned count) and a right
/// part that follows it; `scratch` and `mids` hold `count` entries. Both parts are non-empty for
/// count >= 2.
int CxTriangleMeshTreeSplit(const CxTriangleMesh* mesh, const CxOrientedBox* box, int* indices, int count,
                            int* scratch, MeReal* mids);
/// (max + min) / 2 of the three corners' projections on `axis`.
MeReal CxTriangleProjectedMid(const CxTriangle* triangle, const MeReal axis[3]);
/// The long form's rectangle-sphere volume about a node's fitted box over its triangles.
void CxTriangleMeshTreeFitRectSphere(const CxTriangleMesh* mesh, const CxOrientedBox* box, const int* indices,
                                     int count, CxRectSphere* out);

// Oriented-box fitting.

/// Fits `box` to the listed triangles (count >= 1): one triangle gets a box along its longest
/// edge and normal; more get the covariance's principal axes refined by a short descent over
/// rotations, whose random restart draws from `MeRandom`.
void CxBoxFitterFit(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count);
/// Compact per-triangle and per-corner arrays of one mesh that make repeated fits fast.
struct CxBoxFitScratch;
/// Null for an empty mesh or on allocation failure.
CxBoxFitScratch* CxBoxFitScratchCreate(const CxTriangleMesh* mesh);
void CxBoxFitScratchDestroy(CxBoxFitScratch* scratch);
/// `CxBoxFitterFit` through a scratch made for `mesh`; the same box.
void CxBoxFitterFitWith(CxBoxFitScratch* scratch, const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices,
                        int count);
/// Most fits `CxBoxFitterFitBatch` runs side by side.
inline constexpr int kCxBoxFitBatch = 4;
/// Up to `kCxBoxFitBatch` fits side by side, each box the one `CxBoxFitterFitWith` gives,
/// except that none draws from the generator: a fit that would need a random start is given
/// up (its box unspecified). Returns a mask with bit j set when box j was fitted. A caller
/// that fits the given-up boxes singly, in the order single fits would have come, keeps the
/// generator's draws in that order.
int CxBoxFitterFitBatch(CxBoxFitScratch* scratch, const CxTriangleMesh* mesh, int count, CxOrientedBox* const boxes[],
                        const int* const lists[], const int counts[]);
/// Adds the fitter's covariance of the listed triangles into `matrix` (row-major 3x3).
void CxTriangleSetCovariance(const CxTriangleMesh* mesh, const int* indices, int count, MeReal matrix[9]);
/// Jacobi sweeps on a symmetric 3x3 matrix, rotations accumulated into `vectors` (columns).
/// Returns the sweep count (0 when already diagonal within 0.001, at most 101).
int CxJacobiEigen3(MeReal matrix[9], MeReal vectors[9]);
/// Identity, Jacobi, then (unless more than 35 sweeps) columns sorted by eigenvalue, largest
/// first. Returns the sweep count.
int CxEigenSolve3(MeReal vectors[9], MeReal matrix[9]);
void CxBoxFitTriangle(const CxTriangleMesh* mesh, CxOrientedBox* box, int triangle);
/// Orders the axes by half extent, largest first.
void CxBoxSortAxes(CxOrientedBox* box);
/// Descent over small rotations that shrinks the box's size measure.
void CxBoxRefine(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count);
/// Three `MeRandom` values mapped to [-1, 1], normalised when not zero.
void CxRandomUnitVector(MeReal out[3]);
/// The descent's size measure of half extents e: the squared diagonal for flat or long boxes,
/// else the surface measure e0 e1 + (e0 + e1) e2.
inline MeReal CxBoxCost(const MeReal e[3])
{
    const MeReal emin = e[0] < e[1] ? (e[0] < e[2] ? e[0] : e[2]) : (e[1] < e[2] ? e[1] : e[2]);
    const MeReal emax = e[0] > e[1] ? (e[0] > e[2] ? e[0] : e[2]) : (e[1] > e[2] ? e[1] : e[2]);
    if (emin < 1e-6f || emax / emin > 20.0f)
        return e[0] * e[0] + e[1] * e[1] + e[2] * e[2];
    return e[0] * e[1] + (e[0] + e[1]) * e[2];
}

/// 0 when the boxes, each placed by its 4x4 transform, overlap (1e-6 widening); otherwise the
/// number 1-15 of the first separating axis.
int CxObbOverlap(const CxOrientedBox* a, MeConstMatrix4Ptr ta, const CxOrientedBox* b, MeConstMatrix4Ptr tb);
