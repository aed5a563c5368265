#include "game/vehicles/hud.h"

#include <cstdarg>

#include "engine/render/qncolour.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/resources.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/ranking_display.h"
#include "game/vehicles/site_indicator.h"

namespace {

constexpr const char* kCommon = "media\\vehicles\\hud\\common\\textures\\";

struct HUDTEXTURE {
    const char* Name;
    std::uint32_t Columns, Rows;
};
constexpr HUDTEXTURE kTextures[] = {
    {"hud_pointerarrow", 1, 1}, {"hud_rankingdisplay", 1, 1}, {"hud_marker", 4, 2},
    {"hud_siteindicator", 2, 2}, {"hud_companyicon", 2, 2},   {"hud_chippedoremarker", 2, 2},
};

struct HUDQUAD {
    const char* Name;
    const char* Texture;
    float Width, Height;
};
constexpr HUDQUAD kQuads[] = {
    {"hud_pointerarrow", "hud_pointerarrow", 52.0703f, 52.0833f},
    {"hud_siteindicator", "hud_siteindicator", 133.3f, 133.3333f},
    {"hud_companyicon", "hud_companyicon", 104.1406f, 104.1667f},
    {"hud_companyicon_small", "hud_companyicon", 83.3125f, 83.3333f},
    {"hud_rankingdisplay", "hud_rankingdisplay", 533.2f, 533.3333f},
    {"hud_marker_small", "hud_marker", 52.0703f, 52.0833f},
    {"hud_marker_medium", "hud_marker", 78.1055f, 78.125f},
    {"hud_marker_large", "hud_marker", 104.1406f, 104.1667f},
    {"hud_chippedoremarker", "hud_chippedoremarker", 133.3f, 133.3333f},
};

QNQUEUEDMESSAGE* MessageLine(QNNODE* parent, float y, std::uint32_t displayTime)
{
    auto* line = new QNQUEUEDMESSAGE(parent, "consolefont", 0.0f, y, 1, displayTime, 20.0f, 27.0f);
    SetFontColour(line);
    return line;
}

}  // namespace

RETICLE::RETICLE(QNNODE* parent, const char* texture, float opacity, const char* mesh)
    : GAMENODE(parent, "RETICLE", 37, 0x1000040, 0, 3, &QNMATRIX::Identity, 0)
{
    DressHudNode(this, texture, mesh);
    SetHudOpacity(this, opacity);
}

HUD::HUD(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& transform, std::uint32_t userFlags)
    : GAMENODE(parent, name, kind, 0x2000040, userFlags, 2, &transform, 0)
{
    SiteIndicator = new SITEINDICATOR(this, HudAt(600.0f, -435.0f));
    UpperLine = MessageLine(this, -55.0f, 0);
    LowerLine = MessageLine(this, -80.0f, 2);
    MarkerManager = new GAMENODE(this, "MARKERMANAGER", 39, 64, 0, 0, &QNMATRIX::Identity, 0);
    LocatorManager = new GAMENODE(this, "LOCATORMANAGER", 38, 64, 0, 0, &QNMATRIX::Identity, 0);
    OwnLocator = new LOCATOR(this, nullptr, 90.0f);
    OwnLocator->SetColour(0.0f, 1.0f, 0.0f);
}

void HUD::Message(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    LowerLine->PostV(format, args);
    va_end(args);
}

void HUD::ShowClutter(bool show)
{
    if (Reticle)
        ShowOnVote(Reticle, 2, show, true, true);
    ShowOnVote(OwnLocator, 2, show, true, true);
    ShowOnVote(UpperLine, 2, show, true, true);
    ShowOnVote(LowerLine, 2, show, true, true);
    ShowOnVote(LocatorManager, 0, show);
}

void HUD::ShowPanel(bool show, PANELNODE* panel)
{
    PANELNODE* shown = ShownPanel.Get();
    if (show) {
        if (!panel)
            return;
        if (!shown)
            ShowClutter(false);
        if (panel == shown)
            return;
        if (shown)
            shown->Show(false);
        ShownPanel = panel;
        panel->Show(true);
    } else if (shown) {
        shown->Show(false);
        ShownPanel.Reset();
    }
    if (!ShownPanel.Get())
        ShowClutter(true);
}

void HUD::LoadResources(QNRESOURCES& resources)
{
    std::string file;
    for (const HUDTEXTURE& t : kTextures) {
        file = std::string(kCommon) + t.Name + ".dds";
        RegisterHudTexture(resources, t.Name, file.c_str(), t.Columns, t.Rows);
    }
    for (const HUDQUAD& q : kQuads)
        RegisterHudQuad(resources, q.Name, q.Texture, q.Width, q.Height);
    resources.AddColour("hud_moneydisplay_pos", resources.Colours.FindChild("consolefont") ? "consolefont" : "fullbright");
    resources.AddColour("hud_moneydisplay_neg")->SetEmissive(1.0f, 0.0f, 0.0f);
    RegisterHudSound(resources, "stationcollision", "media\\vehicles\\exterior\\sounds\\collision.wav", true);
    RegisterHudSound(resources, "othercollision", "media\\general\\sounds\\bump.wav", true);
}
