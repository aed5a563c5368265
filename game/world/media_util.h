#pragma once
/// Small registration helpers over the resource parameter blocks, for the world's media.

#include "engine/mesh/qnmesh.h"
#include "engine/scene/resources.h"

/// Registers `count` textures named `name` from `file` (series numbering), with a cell grid of
/// `columns` x `rows`.
inline void RegisterTextures(QNRESOURCES& r, const char* name, const char* file, int count = 1,
                             std::uint32_t columns = 1, std::uint32_t rows = 1)
{
    QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
    QNRESOURCES::TextureParams.Name = name;
    QNRESOURCES::TextureParams.File = file;
    QNRESOURCES::TextureParams.Count = count;
    QNRESOURCES::TextureParams.Columns = columns;
    QNRESOURCES::TextureParams.Rows = rows;
    r.AddTexture();
}

/// Registers `count` mesh groups named `name` from `file` (series numbering).
inline void RegisterMeshes(QNRESOURCES& r, const char* name, const char* file, int count = 1)
{
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Name = name;
    QNRESOURCES::MeshParams.File = file;
    QNRESOURCES::MeshParams.Args[0] = float(count);
    r.AddMeshFile();
}

/// Sets the mesh parameter block for a flat quad `width` x `height` named `name`, with no
/// collision model (a picture only).
inline void SetQuadParams(const char* name, float width, float height)
{
    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    m = QNMESHPARAMS();
    m.Name = name;
    m.CollisionOption1 = 0;
    const float args[7] = {width, height, 1, 1, 1, 1, 1};
    for (int i = 0; i < 7; ++i)
        m.Args[i] = args[i];
}

/// Registers a flat quad mesh `width` x `height` named `name`. On a texture of `columns` x `rows`
/// cells of `cellWidth` x `cellHeight` (texture fractions) the quad's coordinates span one cell,
/// and selecting a cell moves them.
inline void RegisterQuad(QNRESOURCES& r, const char* name, float width, float height, float columns = 1.0f,
                         float rows = 1.0f, float cellWidth = 1.0f, float cellHeight = 1.0f)
{
    SetQuadParams(name, width, height);
    r.AddMesh();
    QNMESHLIST* group = columns > 1.0f || rows > 1.0f ? r.FindMesh(name) : nullptr;
    if (!group)
        return;
    const QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    const float grid[6] = {columns, rows, 0.0f, cellWidth, cellHeight, 0.0f};
    QNMESH& mesh = group->Level(0);
    mesh.SetTextureGrid(grid);
    mesh.CreateGrid(width, height, 1, 1, 1, 1, m.Option2, m.Option3, m.Option1, m.Option4, true, true);
}
