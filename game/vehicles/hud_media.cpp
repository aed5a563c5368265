#include "game/vehicles/hud_media.h"

#include "engine/render/qncolour.h"
#include "engine/render/qntexture.h"
#include "engine/scene/text_mesh.h"
#include "engine/sound/qnsound.h"
#include "game/world/media_util.h"

#include <string>

void RegisterHudTexture(QNRESOURCES& resources, const char* name, const char* file, std::uint32_t columns,
                        std::uint32_t rows)
{
    RegisterTextures(resources, name, file, 1, columns, rows);
    // A gridded texture shows one cell at a time through its stage's texture transform.
    if (columns > 1 || rows > 1)
        resources.FindTexture(name)->Texture.TransformFlag = 1;
}

void RegisterConsoleFont(QNRESOURCES& resources)
{
    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "consolefont";
    t.File = "media\\general\\textures\\ruvuzev_font.dds";
    t.Columns = 16;
    t.Rows = 16;
    t.CellWidth = 0.9688f;
    t.CellHeight = 0.8438f;
    resources.AddTexture();
}

void RegisterHudQuad(QNRESOURCES& resources, const char* name, const char* texture, float width, float height)
{
    // The quad covers the whole texture; one cell of a gridded texture instead.
    const QNTEXTUREENTRY* entry = texture ? resources.FindTexture(texture) : nullptr;
    if (!entry) {
        RegisterQuad(resources, name, width, height);
        return;
    }
    const QNTEXGRID& grid = entry->Texture.Grid;
    RegisterQuad(resources, name, width, height, grid.Cells.x, grid.Cells.y, grid.CellSize.x, grid.CellSize.y);
}

void DressHudNode(QNMESHNODE* node, const char* texture, const char* mesh)
{
    node->SetMaterial("sprite");
    node->SetColour("fullbright");
    if (texture)
        node->SetTexture(texture);
    node->SetMesh(mesh ? mesh : texture);
}

void SetHudColour(QNMATERIALNODE* node, float r, float g, float b, float opacity, const char* from)
{
    node->SetOwnColour(from);
    node->OwnColour->SetEmissive(r, g, b);
    node->OwnColour->SetAlpha(opacity);
}

void SetHudOpacity(QNMATERIALNODE* node, float opacity)
{
    node->SetOwnColour("fullbright");
    node->OwnColour->SetAlpha(opacity);
}

void ShowOnVote(QNNODE* node, std::int32_t vote, bool show, bool checked, bool recursive)
{
    if (node)
        node->SetState(show ? 3 : 2, vote, checked, recursive);
}

void BuildHudText(QNMESHNODE* node, float width, float height, std::uint32_t columns, std::uint32_t rows)
{
    SetTextMeshParams();
    node->BuildTextMesh(width, height, columns, rows);
}

void SetFontColour(QNMATERIALNODE* node)
{
    const bool registered = node->Resources && node->Resources->Colours.FindChild("consolefont");
    node->SetColour(registered ? "consolefont" : "fullbright");
}

void RegisterHudMedia(QNRESOURCES& resources, const char* folder, const HUDMEDIA* media, std::size_t count)
{
    std::string file;
    for (std::size_t i = 0; i < count; ++i) {
        file = std::string(folder) + media[i].Name + ".dds";
        RegisterHudTexture(resources, media[i].Name, file.c_str(), media[i].Columns, media[i].Rows);
        RegisterHudQuad(resources, media[i].Name, media[i].Name, media[i].Width, media[i].Height);
    }
}

void RegisterHudSound(QNRESOURCES& resources, const char* name, const char* file, bool positioned)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = name;
    s.File = file;
    s.LoadMode = positioned ? QNSOUND::POSITIONAL : QNSOUND::MONO;
    resources.AddSound();
}

QNMATRIX HudAt(float x, float y)
{
    QNMATRIX m;
    m.SetTranslation(x, y, 0.0f);
    return m;
}
