// GBM meshes: loads the input, checks the mesh and builds its collision shapes, then its lower
// detail level as a mesh group would.

#include "engine/mesh/qnmesh.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/mesh_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::WriteScratch(data, size, ".gbm");
    QNMESH mesh;
    try {
        mesh.Load(path.c_str(), 0, 1, 2, 0, 3, false, false);
    } catch (const QNEXCEPTION&) {
        fuzz::Require(mesh.VertexCount() == 0, "a failed load leaves the mesh released");
        return 0;
    }
    fuzz::CheckMeshAndBuildCollision(mesh);
    try {
        QNMESH level;
        mesh.Simplify(0.5f, level);
    } catch (const QNEXCEPTION&) {
    }
    return 0;
}
