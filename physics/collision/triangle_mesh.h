#pragma once
/// Triangle meshes: static collision geometry (type 11, "CxTriangleMesh") made of triangles
/// whose corners point into vertex storage the caller owns, with per-triangle normals and
/// areas, a local box and sphere, and a tree of fitted oriented boxes over the triangles.
///
/// Life: create with a capacity, add triangles (degenerate ones are refused), build once, use
/// in models, destroy through `McdGeometryDestroy`. The vertices must outlive the mesh. An
/// empty mesh builds no tree (build returns 0); its box is empty and every query misses.

#include <cstdint>

#include "physics/collision/geometry.h"

struct CxTriangleMeshTree;

/// An oriented box in a mesh's local frame. Axes are unit and mutually perpendicular but may
/// form a left-handed frame; after fitting, ext[0] >= ext[1] >= ext[2].
struct CxOrientedBox {
    MeReal ext[3] = {0, 0, 0};
    MeReal axis[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    MeReal centre[3] = {0, 0, 0};
};

/// Three corner pointers of one stored triangle, in the order added (A, B, C).
struct CxTriangle {
    const MeReal* v[3] = {nullptr, nullptr, nullptr};
};

using CxTriangleMeshReleaseFn = void (*)(void* argument);

struct CxTriangleMesh : McdGeometry {
    CxTriangleMeshTree* tree = nullptr;   ///< null until a build with triangles
    int* flags = nullptr;                 ///< one per triangle, all 1 after a build
    int count = 0;                        ///< triangles stored
    CxTriangle* triangles = nullptr;
    MeReal* normals = nullptr;            ///< 3 per triangle (built)
    MeReal* areas = nullptr;              ///< 1 per triangle (built)
    int capacity = 0;
    CxTriangleMeshReleaseFn release = nullptr;  ///< called with `releaseArgument` at destroy
    void* releaseArgument = nullptr;
    void* extraBuffer = nullptr;          ///< freed with the mesh when set
    MeReal halfExtents[3] = {0, 0, 0};    ///< local box (built; zero when empty)
    MeReal centre[3] = {0, 0, 0};
    MeReal radius = 0;
    int treeOption = 0;                   ///< > 0: tree nodes carry the rectangle-sphere volume
};

/// Registers type 11 "CxTriangleMesh" with its five type functions.
int McdTriangleMeshRegisterType(McdFrameworkID framework);

/// An empty mesh with room for `capacity` triangles (at least 1); null on allocation failure.
McdGeometryID McdTriangleMeshCreate(McdFrameworkID framework, int capacity);
McdGeometryID McdTriangleMeshCreateFull(McdFrameworkID framework, int capacity, int treeOption);

/// Stores the triangle (A, B, C) by pointer and returns 1; a triangle of area below 1e-6 (or
/// a failed growth) is ignored with 0.
int McdTriangleMeshAddTriangle(McdGeometryID mesh, const MeReal* a, const MeReal* b, const MeReal* c);

/// Trims the array, computes normals, areas, the local box and the box tree. Returns 1, or 0
/// for an empty mesh (no tree, zero box) or an allocation failure. May be called again.
int McdTriangleMeshBuild(McdGeometryID mesh);

int McdTriangleMeshGetTriangleCount(McdGeometryID mesh);
void McdTriangleMeshGetTriangleVertexPtrs(McdGeometryID mesh, int i, const MeReal** a, const MeReal** b,
                                          const MeReal** c);
void McdTriangleMeshGetTriangleVertices(McdGeometryID mesh, int i, MeReal a[3], MeReal b[3], MeReal c[3]);
void McdTriangleMeshGetTriangleNormalPtr(McdGeometryID mesh, int i, const MeReal** normal);
MeReal McdTriangleMeshGetTriangleArea(McdGeometryID mesh, int i);

/// Over the corners of the listed triangles: the vertices with the largest and smallest dot
/// product with `direction`, and those values. The first corner met wins ties.
void CxTriangleSetExtremeVertices(const CxTriangleMesh* mesh, const int* indices, int n, const MeReal direction[3],
                                  const MeReal** maxVertex, const MeReal** minVertex, MeReal* maxValue,
                                  MeReal* minValue);

// Type functions.
void McdTriangleMeshDestroy(McdGeometryID mesh);
void McdTriangleMeshUpdate(McdGeometryInstance* instance, MeConstMatrix4Ptr second);
void McdTriangleMeshGetBoundingSphere(McdGeometryID mesh, MeReal centre[3], MeReal* radius);
/// Not provided for meshes: warns and leaves the output untouched.
void CxTriangleMeshMaximPoint(McdGeometryInstance* instance, const MeReal direction[3], MeReal point[3]);
MeI16 McdTriangleMeshGetMassProperties(McdGeometryID mesh, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

/// Line-segment test of type 11 (triangle_mesh_segment.cpp): the nearest crossing of the
/// world segment p0-p1 with a triangle of the model's mesh; 1 on a hit.
int McdTriangleMeshLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3],
                               McdLineSegIntersectResult* hit);

/// Installs `McdTriangleMeshLineSegment` as the line-segment test of type 11.
void McdTriangleMeshRegisterLineSegment(McdFrameworkID framework);

/// The mesh-mesh intersect function (triangle_mesh_collision.cpp).
int McdTriangleMeshTriangleMeshIntersect(McdModelPair* pair, McdIntersectResult* result);
