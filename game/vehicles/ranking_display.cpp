#include "game/vehicles/ranking_display.h"

#include <utility>

#include "game/vehicles/hud_media.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/site_indicator.h"
#include "engine/scene/text_mesh.h"

LINEITEM::LINEITEM(QNNODE* parent, std::uint32_t row)
    : GAMENODE(parent, "LINEITEM", 43, 0x1000040, 0, 3, nullptr, 0)
{
    const QNMATRIX at = HudAt(0.0f, 110.0f - 100.0f * float(row));
    SetTransform(at);
    ColourIcon = new HUDICON(this, "COLORICON", 40, HudAt(-175.0f, 0.0f), 0, "hud_siteindicator", "hud_siteindicator");
    CompanyIcon = new HUDICON(this, "COMPANYICON", 41, HudAt(175.0f, 0.0f), 0, "hud_companyicon", "hud_companyicon");
    Money = new MONEYDISPLAY(this, HudAt(-75.0f, 0.0f), QNALIGN_RIGHT);
}

void LINEITEM::Set(const RANKINGRECORD& record)
{
    ColourIcon->SetIndex(record.Colour);
    CompanyIcon->SetIndex(record.Icon);
    Money->SetValue(record.Money);
}

RANKINGDISPLAY::RANKINGDISPLAY(QNNODE* parent)
    : PANELNODE(parent, "RANKINGDISPLAY", 43, 64, 16, 2, nullptr, 0)
{
    DressHudNode(this, "hud_rankingdisplay");
    for (std::uint32_t i = 0; i < kRows; ++i)
        Lines[i] = new LINEITEM(this, i);
    SetState(2, 2, false, false);
}

void RANKINGDISPLAY::Show(bool show)
{
    if (show) {
        // Bubble sort swapping only on strictly smaller money: equal amounts keep their order.
        for (std::uint32_t pass = 0; pass + 1 < kRows; ++pass)
            for (std::uint32_t i = 0; i + 1 < kRows - pass; ++i)
                if (Order[i]->Money < Order[i + 1]->Money)
                    std::swap(Order[i], Order[i + 1]);
        for (std::uint32_t i = 0; i < kRows; ++i)
            Lines[i]->Set(*Order[i]);
    }
    ShowOnVote(this, 2, show, true, true);
}
