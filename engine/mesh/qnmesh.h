#pragma once
/// QNMESH: one renderable mesh. Its vertices and indices live in ranges of the shared pools
/// (QNMESHBUFFERS); the mesh keeps its bounding box and radius, the layout of a generated grid
/// and the texture grid that generated texture coordinates index.
///
/// Sources: GBM files (the engine's binary format), OBJ text files (positions, normals,
/// texture coordinates and triangles), and the generators (grids of patches, spheres, boxes).
/// Every loader checks the counts and indices it reads against what the file and the pools
/// hold and raises QNMESH::EXC (or the parser's and file's exceptions); a failed load leaves
/// the mesh released.
///
/// The collision shape of a mesh belongs to the collision layer: CreateCollision hands the
/// mesh to the builder that layer registers, and the mesh frees the shape through it.

#include <cstdint>

#include "engine/render/qnvertex_buffer.h"
#include "engine/util/qnbox.h"
#include "engine/util/qnexception.h"

class QNTEXTURE;
struct QNMESHCOLLISION;

/// Layout of a generated grid.
struct QNMESHGRID {
    float PatchColumns = 0, PatchRows = 0;
    float PatchWidth = 0, PatchHeight = 0;
    float CellsAcross = 0, CellsDown = 0;
    float VertsAcross = 0, VertsDown = 0;
    std::uint32_t VerticesPerPatch = 0;
    std::uint32_t IndicesPerPatch = 0;
    std::uint32_t TotalVertices = 0;
    std::uint32_t TotalIndices = 0;
};

class QNMESH {
public:
    using EXC = QNMESH_EXC;

    /// Largest vertex record of a GBM file, and the fixed part every record holds.
    static constexpr std::uint32_t kMaxRecordSize = 200;
    static constexpr std::uint32_t kRecordFixedSize = 60;
    /// Most vertices one pool range holds (16-bit indices).
    static constexpr std::uint32_t kMaxVertices = 65536;

    QNMESH() = default;
    ~QNMESH();
    QNMESH(const QNMESH&) = delete;
    QNMESH& operator=(const QNMESH&) = delete;

    QNMESHBUFFERS Buffers;
    QNBOX Box;
    float Radius = 0.0f;
    QNMESHGRID Grid;
    /// Columns, rows, (unused), cell width, cell height, (unused).
    float TextureGrid[6] = {1, 1, 0, 1, 1, 0};
    /// Character cells of a text mesh.
    float Columns = 0.0f;
    float Rows = 0.0f;
    /// Texture the text mesh was built for (not owned).
    QNTEXTURE* Texture = nullptr;
    /// Collision shape (collision layer), or null.
    QNMESHCOLLISION* Collision = nullptr;

    /// Loads by extension (".gbm" added when there is none): GBM or OBJ. Raises
    /// "Unknown mesh format '%s'." for any other.
    void Load(const char* name, int index, std::uint32_t sets, std::uint32_t coords, std::uint32_t vertexUsage,
              std::uint32_t kind, bool upload, bool useArchive = true);
    void LoadGBM(const char* name, int index, std::uint32_t sets, std::uint32_t coords, std::uint32_t vertexUsage,
                 std::uint32_t kind, bool upload, bool useArchive = true);
    void LoadOBJ(const char* name, int index, std::uint32_t sets, std::uint32_t coords, std::uint32_t vertexUsage,
                 std::uint32_t kind, bool upload, bool useArchive = true);

    /// Patch columns x rows patches of cellsAcross x cellsDown cells each, in the x-y plane,
    /// centred; patches left to right and top to bottom. Facing: clockwise towards -z (normal
    /// (0, 0, -1)); else mirrored, normal (0, 0, 1).
    void CreateGrid(float patchWidth, float patchHeight, std::uint32_t patchColumns, std::uint32_t patchRows,
                    std::uint32_t cellsAcross, std::uint32_t cellsDown, std::uint32_t sets, std::uint32_t coords,
                    std::uint32_t vertexUsage, std::uint32_t kind, bool facing, bool upload);
    /// A UV sphere: one vertex per segment at each pole, full rings between.
    void CreateSphere(float radius, std::uint32_t segments, std::uint32_t rings, std::uint32_t sets,
                      std::uint32_t coords, std::uint32_t vertexUsage, std::uint32_t kind, bool upload);
    /// Box (-x/2, -y/2, -z/2)..(x/2, y/2, z/2) and its radius; no geometry.
    void SetBoxSize(float x, float y, float z);
    /// The texture grid; no values restore the defaults (1, 1, 0, 1, 1, 0).
    void SetTextureGrid(const float* values = nullptr);
    /// Gives patch (column, row) of a generated grid texture cell `cell` of the texture grid.
    void TileTextureCoords(std::uint32_t column, std::uint32_t row, std::uint32_t cell, bool upload);

    /// Builds the collision shape through the registered builder (kinds 1-9); the shape is
    /// named `name`. Without a builder nothing is made.
    void CreateCollision(std::uint32_t kind, std::uint32_t option, const char* name);
    void ReleaseCollision();
    /// Collision layer entries: build a shape of `kind` for a mesh, and free one.
    static inline QNMESHCOLLISION* (*CollisionBuilder)(QNMESH& mesh, std::uint32_t kind, std::uint32_t option,
                                                       const char* name) = nullptr;
    static inline void (*CollisionRelease)(QNMESHCOLLISION* shape) = nullptr;

    /// Simplifies into `destination`, keeping about vertex count x fraction vertices.
    void Simplify(float fraction, QNMESH& destination) const;

    /// Copies this mesh's geometry, box and layout into `destination` (no collision shape).
    void CopyTo(QNMESH& destination) const;

    /// Frees the buffers and the collision shape.
    void Release();

    std::uint32_t VertexCount() const { return Buffers.VertexRange ? Buffers.VertexRange->Count : 0; }
    std::uint32_t IndexCount() const { return Buffers.IndexRange ? Buffers.IndexRange->Count : 0; }
    bool HasVertices() const { return VertexCount() != 0; }

private:
    void FinishBox(bool upload);
};
