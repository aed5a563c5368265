#pragma once
/// Triangle mesh against triangle mesh: contacts from the simultaneous walk of the two box
/// trees, and the triangle-triangle tests under it. Contact normals point from the second
/// model towards the first; separations are negative on penetration.

#include <cfloat>

#include "physics/collision/model_pair.h"
#include "physics/collision/triangle_mesh.h"
#include "physics/collision/triangle_mesh_tree.h"

/// Sets the (11, 11) interaction to `McdTriangleMeshTriangleMeshIntersect`; returns 1.
int McdTriangleMeshRegisterPairs(McdFrameworkID framework);

/// The intersect body: with no contact room (maximum or budget 0) only whether the meshes
/// overlap; otherwise at most min(budget, 4) contacts for a small pair (fewer than 120
/// triangles in all and fewer than 20 in one mesh) with one common normal and depth, and at
/// most min(budget, 30) for a large one. Writes count, touch and the result normal; returns touch.
int McdTriangleMeshPairContacts(McdIntersectResult* result, int budget, McdModelID model1, McdModelID model2);

/// Whether any triangle of one placed tree meets one of the other.
bool CxMeshTreesOverlap(const CxTriangleMeshTree* treeA, const CxTriangleMeshTree* treeB, MeConstMatrix4Ptr ta,
                        MeConstMatrix4Ptr tb);

/// Two world triangles: 0 apart; 2, 3 or 4 crossing, with the two ends of the common section
/// (2: both on A's edges, 3: both on B's, 4: one each); 5 coplanar, with the corners of the
/// overlap (at most min(limit, 6), in polygon order when four or more). Plane distances below
/// 1e-6 count as zero; touching counts.
int CxTriangleTriangleContact(const MeReal a0[3], const MeReal a1[3], const MeReal a2[3], const MeReal b0[3],
                              const MeReal b1[3], const MeReal b2[3], MeReal points[][3], int limit, int* count);
bool CxTriangleTriangleOverlap(const MeReal a0[3], const MeReal a1[3], const MeReal a2[3], const MeReal b0[3],
                               const MeReal b1[3], const MeReal b2[3]);

/// Most contacts a large pair keeps; the work area holds one more (the candidate).
inline constexpr int kCxMeshWorkSlots = 31;

/// Per-call work of the mesh pair: the two placements, the merge tables and the budget.
struct CxMeshPairWork {
    MeConstMatrix4Ptr transformA = nullptr;
    MeConstMatrix4Ptr transformB = nullptr;
    const CxTriangleMesh* meshA = nullptr;
    const CxTriangleMesh* meshB = nullptr;
    McdModelID model1 = nullptr;  ///< read by the common-normal pass (its depth segments)
    McdModelID model2 = nullptr;
    MeReal distance2[kCxMeshWorkSlots][kCxMeshWorkSlots] = {};  ///< squared distances of a full set
    MeReal rowSum[kCxMeshWorkSlots] = {};
    int counter[kCxMeshWorkSlots] = {};  ///< contacts summed into each slot
    int budget = 4;
    int limit = 4;  ///< the merge limit
    bool small = false;
};

/// Penetration of two world triangles along a chosen unit normal N (from B towards A):
/// corners and edge crossings of one triangle inside the other's prism (side planes through
/// its edges, normals N x edge) are carried along N onto the other's plane; the smallest
/// signed travel (negated for A's points) is `best`, negative on penetration. Coplanar
/// triangles compare corners with the other's edges across the plane. `best` stays the
/// largest float when nothing qualifies; `points` hold the winning point and its image.
class CxTriangleContactBuilder {
public:
    CxTriangleContactBuilder(const MeReal* A[3], const MeReal* B[3], const MeReal nA[3], const MeReal nB[3],
                             const MeReal N[3]);
    /// Computes and returns `best`.
    MeReal Compute();

    MeReal best = FLT_MAX;
    MeReal points[2][3] = {};

private:
    bool ProjectInto(const MeReal* X[3], const MeReal* Y[3], const MeReal nY[3], MeReal sign);
    void Offer(MeReal travel, const MeReal from[3], const MeReal to[3]);

    const MeReal* a_[3];
    const MeReal* b_[3];
    MeReal nA_[3], nB_[3], n_[3];
};

/// Admits or merges the contact written at index `contactCount` of the result. Within
/// squared distance 0.01 of a contact it adds its normal there and is dropped; below `limit`
/// it is admitted; into a full set the most crowded contact (smallest sum of squared
/// distances) is merged into its nearest neighbour (midpoint, summed normal, summed
/// separation and counter) and the candidate takes the freed slot. Returns the count.
int CxContactMerge(McdIntersectResult* result, CxMeshPairWork* work, int limit);

/// The contact walk from the node pair (nodeA, nodeB): every leaf pair whose boxes overlap
/// makes its contacts, written while the result has room (and below 30 for a small pair) and
/// merged to `work->limit`.
void CxMeshTreeContacts(McdIntersectResult* result, CxMeshPairWork* work, const CxTriangleMeshTreeNode* nodeA,
                        const CxTriangleMeshTree* treeA, MeConstMatrix4Ptr transformA,
                        const CxTriangleMeshTreeNode* nodeB, const CxTriangleMeshTree* treeB,
                        MeConstMatrix4Ptr transformB, bool small);

/// The boolean walk from (nodeA, nodeB): increments `found` at the first meeting triangle pair.
void CxMeshTreeOverlap(const CxTriangleMeshTreeNode* nodeA, const CxTriangleMeshTree* treeA,
                       MeConstMatrix4Ptr transformA, const CxTriangleMeshTreeNode* nodeB,
                       const CxTriangleMeshTree* treeB, MeConstMatrix4Ptr transformB, int* found);

/// Final pass of a small pair: fewer than 3 contacts keep their own (normalised) normals;
/// otherwise one normal (the signed sum over the contacts, signs from the widest consecutive
/// triple, oriented from the second mesh's centre towards the first's) and one depth measured
/// by two segments through the contacts' mean, against `work->model2` and `work->model1`.
/// Collinear sets are dropped (returns 0, count 0); sets the result normal when it applies.
int CxContactsCommonNormal(McdIntersectResult* result, CxMeshPairWork* work, const CxTriangleMeshTree* treeA,
                           const CxTriangleMeshTree* treeB, MeConstMatrix4Ptr transformA, MeConstMatrix4Ptr transformB);
