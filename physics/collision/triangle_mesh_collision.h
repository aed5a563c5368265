#pragma once
/// Triangle mesh against triangle mesh: contacts from the simultaneous walk of the two box
/// trees, and the triangle-triangle tests under it. Contact normals point from the second
/// model towards the first; separations are negative on penetration.

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
