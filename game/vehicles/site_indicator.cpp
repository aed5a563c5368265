#include "game/vehicles/site_indicator.h"

#include "game/vehicles/hud_media.h"
#include "game/vehicles/one_shot_sound.h"

HUDICON::HUDICON(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& transform,
                 std::uint32_t userFlags, const char* texture, const char* mesh)
    : GAMENODE(parent, name, kind, 0x1000040, userFlags, 3, &transform, 0)
{
    DressHudNode(this, texture, mesh);
    ShowTextureCell(this, 0);
}

void HUDICON::SetIndex(std::uint32_t index)
{
    Index = index;
    ShowTextureCell(this, index);
}

SITEINDICATOR::SITEINDICATOR(QNNODE* parent, const QNMATRIX& transform, std::uint32_t userFlags)
    : GAMENODE(parent, "SITEINDICATOR", 40, 0x1000040, userFlags, 3, &transform, 0)
{
    ColourIcon = new HUDICON(this, "COLORICON", 40, QNMATRIX::Identity, userFlags + 16, "hud_siteindicator",
                             "hud_siteindicator");
    CompanyIcon = new HUDICON(this, "COMPANYICON", 41, HudAt(0.0f, 90.0f), userFlags + 16, "hud_companyicon",
                              "hud_companyicon_small");
}

void SITEINDICATOR::Set(std::uint32_t colour, std::uint32_t company)
{
    ColourIcon->SetIndex(colour);
    CompanyIcon->SetIndex(company);
}
