#pragma once
/// Textures loaded from the storage archive, with a grid of equal cells that a
/// node shows one at a time by moving its texture transform.

#include <cstdint>

#include "engine/render/qnmaterial.h"
#include "engine/util/qnbox.h"
#include "engine/util/qnexception.h"
#include "engine/util/qnstring.h"
#include "platform/gl_device.h"

/// Columns and rows (x, y) and the cell size in texture coordinates.
struct QNTEXGRID {
    QNVEC3 Cells;     ///< columns, rows, 0
    QNVEC3 CellSize;  ///< width, height, 0

    /// Cell size width / columns by height / rows when both counts are above 0, else 0 by 0.
    void SetGrid(float columns, float rows, float width, float height);
    /// Writes cell n's offset (column n mod columns, row n / columns) into the translation of
    /// the stage's texture matrix. Does nothing with fewer than one column.
    static void SelectCell(const QNTEXGRID& grid, std::uint32_t n, QNTEXTURESTAGES::STAGE& stage);
};

class QNTEXTURE {
public:
    using EXC = QNTEXTURE_EXC;

    QNTEXGRID Grid;
    GfxTexture* Texture = nullptr;
    GfxResource* Second = nullptr;  ///< a second device object released with the texture
    std::uint32_t TransformFlag = 0;  ///< the stage showing this texture uses its matrix
    QNBOX Box;                        ///< (0, 0, 0) to (width, height, 0) in texels

    QNTEXTURE();
    ~QNTEXTURE() { Release(); }
    QNTEXTURE(const QNTEXTURE&) = delete;
    QNTEXTURE& operator=(const QNTEXTURE&) = delete;

    /// Loads member `index` of a numbered series through a temporary copy out of the archive
    /// (exportOption 0 reads the file itself). Throws EXC "Unable to open texture '%s'." naming
    /// the medium, followed by the archive's reason when its export failed.
    void Load(const char* fileName, std::uint32_t mipLevels, int index, std::uint32_t kind, std::uint32_t exportOption);
    /// Loads straight from a file on disk; a failure names `shownName` when given, else `path`.
    void LoadFile(const char* path, std::uint32_t mipLevels, std::uint32_t kind, const char* shownName = nullptr);
    void Release();

    /// The format a kind asks the loader for, by the current display mode.
    static std::uint32_t TextureFormat(std::uint32_t kind);

    /// Bytes of level 0 of every loaded texture, and their number.
    static std::uint32_t LoadedBytes;
    static std::uint32_t LoadedCount;

private:
    std::uint32_t level0Size_ = 0;
};
