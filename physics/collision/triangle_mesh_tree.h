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
    /// Rectangle-sphere volume, filled only when the tree option is > 0.
    MeReal rectHalf[2] = {0, 0};
    MeReal rectRadius = 0;
};

struct CxTriangleMeshTree {
    CxTriangleMesh* mesh = nullptr;
    CxTriangleMeshTreeNode* nodes = nullptr;
    int nextNode = 0;   ///< last node handed out by the build
    int treeOption = 0;
    int nodeCount = 0;  ///< 2n - 1
    int depth = 0;      ///< nodes on the longest root-to-leaf path
};

/// Sets the mesh, allocates and clears its 2n - 1 nodes; null for an empty mesh or on failure.
CxTriangleMeshTreeNode* CxTriangleMeshTreeAllocNodes(CxTriangleMeshTree* tree, CxTriangleMesh* mesh);
/// Builds the whole tree over triangles 0..n-1. Returns 1, 0 without nodes or on failure.
int CxTriangleMeshTreeBuild(CxTriangleMeshTree* tree);
/// Frees the node array.
void CxTriangleMeshTreeRelease(CxTriangleMeshTree* tree);

/// Splits `indices[0..count)` in place, stably, into a left part (returned count) and a right
/// part that follows it; `scratch` holds `count` entries. Both parts are non-empty for count >= 2.
int CxTriangleMeshTreeSplit(const CxTriangleMesh* mesh, const CxOrientedBox* box, int* indices, int count,
                            int* scratch);
/// (max + min) / 2 of the three corners' projections on `axis`.
MeReal CxTriangleProjectedMid(const CxTriangle* triangle, const MeReal axis[3]);
/// The long form's rectangle-sphere volume of a node over its triangles.
void CxTriangleMeshTreeFitRectSphere(const CxTriangleMesh* mesh, CxTriangleMeshTreeNode* node, const int* indices,
                                     int count);

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
/// The descent's size measure of half extents e.
MeReal CxBoxCost(const MeReal e[3]);

/// 0 when the boxes, each placed by its 4x4 transform, overlap (1e-6 widening); otherwise the
/// number 1-15 of the first separating axis.
int CxObbOverlap(const CxOrientedBox* a, MeConstMatrix4Ptr ta, const CxOrientedBox* b, MeConstMatrix4Ptr tb);
