#include "game/vehicles/money_display.h"

#include <cstdio>

#include "engine/scene/text_mesh.h"
#include "game/vehicles/hud_media.h"

MONEYDISPLAY::MONEYDISPLAY(QNNODE* parent, const QNMATRIX& transform, std::uint32_t align)
    : GAMENODE(parent, "MONEYDISPLAY", 42, 0x1000040, 16, 3, &transform, 0), Align(align)
{
    SetMaterial("sprite");
    SetTexture("consolefont");
    BuildHudText(this, 25.0f, 33.75f, kColumns, 1);
    SetValue(0.0f);
}

bool MONEYDISPLAY::Format(float money, char* out, std::size_t size)
{
    if (money < 0.0f) {
        std::snprintf(out, size, "-$%.1f M", double(-money) * 0.000001);
        return true;
    }
    std::snprintf(out, size, "$%.1f M", double(money) * 0.000001);
    return false;
}

void MONEYDISPLAY::SetValue(float money)
{
    const bool negative = Format(money, text_, sizeof text_);
    SetColour(negative ? "hud_moneydisplay_neg" : "hud_moneydisplay_pos");
    PrintTextLine(Mesh, text_, 0, Align);
}
