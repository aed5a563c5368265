#include "game/vehicles/inside_flash.h"

#include <algorithm>

#include "engine/util/qnmath.h"

INSIDEFLASH::INSIDEFLASH(QNNODE* parent, const QNMATRIX* transform)
    : GUNFLASH(parent, "INSIDEFLASH", kKind, 0x1000040, 0, 2, transform, 0)
{
    SetMaterial("ironman_insideflash");
    SetColour("fullbright");
    SetTexture("ironman_insideflash");
    SetMesh("ironman_insideflash");
    SetState(3, 0, false, false);
    SetState(2, 1, false, false);
}

void INSIDEFLASH::Show(bool on)
{
    if (!on) {
        SetState(2, 1, false, false);
        return;
    }
    Picture = std::clamp(RoundToInt(RandomRange(0.0f, float(kPictures - 1))), 0, kPictures - 1);
    SetTexture("ironman_insideflash", Picture);
    SetState(3, 1, false, false);
}
