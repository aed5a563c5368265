#include "fuzz/mesh_checks.h"

#include <cmath>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "fuzz/fuzz_support.h"

namespace fuzz {

void CheckMeshAndBuildCollision(QNMESH& mesh)
{
    static const bool ready = [] {
        QNPHYSWORLD::InitFramework(64, 64);
        QNMESH::CollisionBuilder = [](QNMESH& m, std::uint32_t kind, std::uint32_t option,
                                      const char* name) -> QNMESHCOLLISION* {
            return BuildMeshCollision(m, kind, option, name);
        };
        QNMESH::CollisionRelease = [](QNMESHCOLLISION* shape) { ReleaseMeshCollision(shape); };
        return QNPHYSWORLD::Framework() != nullptr;
    }();
    Require(ready, "the collision framework starts");

    const std::uint32_t vertices = mesh.VertexCount(), indices = mesh.IndexCount();
    const QNVERTEXARRAY v = mesh.Buffers.Vertices();
    for (std::uint32_t i = 0; i < vertices; ++i) {
        const QNVEC3 p = v.GetPosition(i);
        for (int k = 0; k < 3; ++k)
            Require(p[k] >= mesh.Box.min[k] && p[k] <= mesh.Box.max[k], "the box holds every vertex");
    }
    for (std::uint32_t i = 0; i < indices; ++i)
        Require(mesh.Buffers.Indices()[i] < vertices, "every index names a vertex");
    const float radius = (mesh.Box.max - mesh.Box.min).Length() * 0.5f;
    Require(mesh.Radius == radius, "the radius is half the box's diagonal");

    const std::uint32_t triangles = mesh.Buffers.PrimitiveType == D3DPT_TRIANGLELIST ? indices / 3 : 0;
    const std::uint32_t primitive = 1 + (vertices + indices) % 5;
    const std::uint32_t kinds[] = {QNCOLLGEOM::CONVEX, QNCOLLGEOM::TRIANGLE_LIST, QNCOLLGEOM::TRIANGLE_MESH, primitive};
    for (std::uint32_t kind : kinds) {
        mesh.CreateCollision(kind, 8, "fuzz");
        const QNCOLLGEOM* shape = mesh.Collision;
        Require(shape != nullptr, "every kind gives a shape");
        Require(shape->VertexCount <= vertices, "no shape has more vertices than the mesh");
        if (kind == QNCOLLGEOM::TRIANGLE_LIST || kind == QNCOLLGEOM::TRIANGLE_MESH)
            Require(shape->TriangleCount <= triangles, "no shape has more triangles than the mesh");
        mesh.ReleaseCollision();
    }
}

}  // namespace fuzz
