#include "engine/render/qntexture.h"

#include "engine/render/qndisplay.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qntempfile.h"
#include "platform/dds.h"

std::uint32_t QNTEXTURE::LoadedBytes = 0;
std::uint32_t QNTEXTURE::LoadedCount = 0;

void QNTEXGRID::SetGrid(float columns, float rows, float width, float height) {
    Cells = QNVEC3(columns, rows, 0.0f);
    if (columns > 0.0f && rows > 0.0f)
        CellSize = QNVEC3(width / columns, height / rows, 0.0f);
    else
        CellSize = QNVEC3(0.0f, 0.0f, 0.0f);
}

void QNTEXGRID::SelectCell(const QNTEXGRID& grid, std::uint32_t n, QNTEXTURESTAGES::STAGE& stage) {
    if (!(grid.Cells.x >= 1.0f)) return;  // no column: no cell to pick (and no division by zero)
    const std::uint32_t columns = std::uint32_t(grid.Cells.x);
    const std::uint32_t column = n % columns, row = n / columns;
    // Two-coordinate texture transforms take their translation from the third row.
    stage.Matrix[8] = float(column) * grid.CellSize.x;
    stage.Matrix[9] = float(row) * grid.CellSize.y;
}

QNTEXTURE::QNTEXTURE() { Grid.SetGrid(1.0f, 1.0f, 1.0f, 1.0f); }

std::uint32_t QNTEXTURE::TextureFormat(std::uint32_t kind) {
    const QNDISPLAYMODE& m = *QNGRFDEV::CurrentMode;
    const bool sixteen = m.Bits == 16;
    if (kind == 3 && !m.Granted.Dxt1Textures) kind = 1;
    if (kind == 4 && !m.Granted.Dxt1Textures) kind = 2;
    switch (kind) {
    case 1: return sixteen ? D3DFMT_A1R5G5B5 : D3DFMT_A8R8G8B8;
    case 2: return sixteen ? D3DFMT_A4R4G4B4 : D3DFMT_A8R8G8B8;
    case 3: return D3DFMT_DXT1;
    case 4: return D3DFMT_DXT3;
    default: return D3DFMT_UNKNOWN;
    }
}

void QNTEXTURE::LoadFile(const char* path, std::uint32_t mipLevels, std::uint32_t kind, const char* shownName) {
    Release();
    GfxResult r = GfxLoadTexture(QNDISPLAY::Device, path, GFX_DEFAULT, GFX_DEFAULT, mipLevels, 0,
                                 D3DFORMAT(TextureFormat(kind)), D3DPOOL_MANAGED, 0, &Texture);
    if (r != D3D_OK) throw EXC(r, "Unable to open texture '%s'.", shownName ? shownName : path);
    GfxSurfaceDesc desc;
    Texture->GetLevelDesc(0, &desc);
    level0Size_ = desc.Size;
    LoadedBytes += desc.Size;
    ++LoadedCount;
    Box = QNBOX(QNVEC3(0, 0, 0), QNVEC3(float(desc.Width), float(desc.Height), 0));
    Grid.SetGrid(1.0f, 1.0f, 1.0f, 1.0f);
}

void QNTEXTURE::Load(const char* fileName, std::uint32_t mipLevels, int index, std::uint32_t kind,
                     std::uint32_t exportOption) {
    Release();
    QNTEMPFILE temp;
    const QNSTRING medium = QNDISK::NumberedName(QNSTRING(fileName), index);
    const QNSTRING path = QNDISK::MakeTempFile(temp, medium, exportOption != 0);
    if (temp.Missing())
        throw EXC(temp.FailureCode(), "Unable to open texture '%s'.%s%s", medium.Text(),
                  temp.Failure().IsEmpty() ? "" : " ", temp.Failure().Text());
    LoadFile(QNDISK::DiskPath(path).Text(), mipLevels, kind, temp.Shown(path).Text());
    temp.Close();
}

void QNTEXTURE::Release() {
    ForgetTexture(this);
    if (Second) Second->Release();
    Second = nullptr;
    if (Texture) {
        Texture->Release();
        LoadedBytes -= level0Size_ <= LoadedBytes ? level0Size_ : LoadedBytes;
        if (LoadedCount) --LoadedCount;
    }
    Texture = nullptr;
    level0Size_ = 0;
}
