#include "game/vehicles/outside_flash.h"

#include "game/world/muzzle_flash.h"

namespace {

// Pale yellow flame.
constexpr float kColour[4] = {0.9529f, 0.9569f, 0.7725f, 1.0f};

}  // namespace

OUTSIDEFLASH::OUTSIDEFLASH(QNNODE* parent, const QNMATRIX* transform)
    : GUNFLASH(parent, "OUTSIDEFLASH", kKind, 0x1000000, 0, 1, transform, 0)
{
    Flash = new MUZZLEFLASH(this, QNMATRIX(), kColour, kScale, true);
    SetState(2, 1, false, true);
}

void OUTSIDEFLASH::Show(bool on)
{
    if (on)
        Flash->RandomRoll();
    SetState(on ? 3 : 2, 1, false, true);
}
