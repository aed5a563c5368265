// OBJ meshes: loads the input, checks the mesh and builds its collision shapes; the loaded
// corners written back as OBJ text must load again to the same positions, bit for bit.

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/mesh/qnmesh.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/mesh_checks.h"

namespace {

// The mesh's corners as OBJ text: one position per corner, one face per three corners.
std::string AsObj(const QNMESH& mesh)
{
    std::string text;
    const QNVERTEXARRAY v = mesh.Buffers.Vertices();
    char line[128];
    for (std::uint32_t i = 0; i < mesh.VertexCount(); ++i) {
        const QNVEC3 p = v.GetPosition(i);
        // Nine significant digits give every float back exactly; the exponent keeps its sign.
        std::snprintf(line, sizeof line, "v %.8e %.8e %.8e\n", double(p.x), double(p.y), double(p.z));
        text += line;
    }
    for (std::uint32_t i = 0; i + 2 < mesh.VertexCount(); i += 3) {
        std::snprintf(line, sizeof line, "f %u %u %u\n", i + 1, i + 2, i + 3);
        text += line;
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::WriteScratch(data, size, ".obj");
    QNMESH mesh;
    try {
        mesh.Load(path.c_str(), 0, 1, 2, 0, 3, false, false);
    } catch (const QNEXCEPTION&) {
        fuzz::Require(mesh.VertexCount() == 0, "a failed load leaves the mesh released");
        return 0;
    }
    fuzz::CheckMeshAndBuildCollision(mesh);

    const std::string text = AsObj(mesh);
    const std::string& again = fuzz::WriteScratch(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                                  ".again.obj");
    QNMESH reread;
    try {
        reread.Load(again.c_str(), 0, 1, 2, 0, 3, false, false);
    } catch (const QNEXCEPTION& e) {
        fuzz::Require(false, e.what());
    }
    fuzz::Require(reread.VertexCount() == mesh.VertexCount(), "the written mesh reads back with its corners");
    const QNVERTEXARRAY a = mesh.Buffers.Vertices(), b = reread.Buffers.Vertices();
    for (std::uint32_t i = 0; i < mesh.VertexCount(); ++i) {
        const QNVEC3 p = a.GetPosition(i), q = b.GetPosition(i);
        fuzz::Require(std::memcmp(&p, &q, sizeof p) == 0, "every corner reads back to the same position");
    }
    try {
        QNMESH level;
        mesh.Simplify(0.5f, level);
    } catch (const QNEXCEPTION&) {
    }
    return 0;
}
