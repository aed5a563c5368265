#include "game/vehicles/hud_media.h"

#include "engine/render/qncolour.h"
#include "engine/render/qntexture.h"

#include <string>

void RegisterHudTexture(QNRESOURCES& resources, const char* name, const char* file, std::uint32_t columns,
                        std::uint32_t rows)
{
    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = name;
    t.File = file;
    t.Columns = columns;
    t.Rows = rows;
    resources.AddTexture();
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
    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    m = QNMESHPARAMS();
    m.Name = name;
    m.CollisionOption1 = 0;
    const float args[7] = {width, height, 1, 1, 1, 1, 1};
    for (int i = 0; i < 7; ++i)
        m.Args[i] = args[i];
    resources.AddMesh();
    // The generated quad covers the whole texture; one cell of a gridded texture instead.
    const QNTEXTUREENTRY* entry = texture ? resources.FindTexture(texture) : nullptr;
    QNMESHLIST* group = resources.FindMesh(name);
    if (!entry || !group || !(entry->Texture.Grid.Cells.x > 1.0f || entry->Texture.Grid.Cells.y > 1.0f))
        return;
    const QNTEXGRID& grid = entry->Texture.Grid;
    const float cells[6] = {grid.Cells.x, grid.Cells.y, 0.0f, grid.CellSize.x, grid.CellSize.y, 0.0f};
    QNMESH& mesh = group->Level(0);
    mesh.SetTextureGrid(cells);
    mesh.CreateGrid(width, height, 1, 1, 1, 1, m.Option2, m.Option3, m.Option1, m.Option4, true, true);
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
    QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    p = QNMESHPARAMS();
    p.Option1 = 2;
    p.Option2 = 1;
    p.Option3 = 2;
    p.Option4 = 3;
    p.Option5 = 1;
    p.CollisionOption1 = 0;
    p.Args[6] = 1;
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

void RegisterHudSound(QNRESOURCES& resources, const char* name, const char* file)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = name;
    s.File = file;
    resources.AddSound();
}

QNMATRIX HudAt(float x, float y)
{
    QNMATRIX m;
    m.SetTranslation(x, y, 0.0f);
    return m;
}
