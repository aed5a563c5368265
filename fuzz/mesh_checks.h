#pragma once
// Shared by the mesh targets: what the engine builds from a loaded mesh, and the facts every
// loaded mesh must show.

class QNMESH;

namespace fuzz {

/// Checks the mesh (every index names a vertex, the box holds every vertex, the radius is half
/// the box's diagonal), then builds its collision shapes as the engine does: the hull, the
/// triangle list and the triangle mesh of its vertices and triangles, and one shape sized from
/// its box. No shape holds more vertices or triangles than the mesh.
void CheckMeshAndBuildCollision(QNMESH& mesh);

}  // namespace fuzz
