#pragma once
/// Small registration helpers over the resource parameter blocks, for the world's media.

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
