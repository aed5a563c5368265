#include "game/world/muzzle_flash.h"

#include <cmath>

#include "engine/render/qncolour.h"
#include "engine/scene/resources.h"
#include "engine/util/qnmath.h"
#include "game/world/station_media.h"

namespace {

QNMATRIX Scaling(float s)
{
    QNMATRIX m;
    m.SetScaling(s, s, s);
    return m;
}

void Tint(GAMENODE* node, const float colour[4], float alpha)
{
    node->SetOwnColour();
    node->OwnColour->SetColour(colour[0], colour[1], colour[2], 1.0f);
    node->OwnColour->SetAlpha(alpha);
}

}  // namespace

MUZZLEFLASH::MUZZLEFLASH(QNNODE* parent, const QNMATRIX& base, const float colour[4], float scale, bool textured)
    : GAMENODE(parent, "MUZZLEFLASH", kKind, QNCF_LEVEL_PLAIN | QNCF_UPDATE, 0, 1, &base, 0), Base(base),
      Scale(scale), Textured(textured)
{
    if (textured) {
        SetMaterial("muzzleflash");
        SetTexture("muzzleflash");
        SetMesh("muzzleflash");
        Tint(this, colour, colour[3]);
        SetLocalTransform(Scaling(scale) * base);
    }
    QNMATRIX back;
    back.SetTranslation(0, 0, -kFlashBack * scale);
    const QNMATRIX at = Scaling(scale) * back;
    Flash = new GAMENODE(this, "FLASH", kKind, QNCF_LEVEL_PLAIN, 0, 1, &at, 0);
    Flash->SetMaterial("muzzleflash");
    Flash->SetMesh("muzzleflash_flash");
    Tint(Flash, colour, colour[3] * kFlashAlpha);
}

void MUZZLEFLASH::Update()
{
    if (Textured && State == 3)
        stationmedia::ShowCell(this, std::uint32_t(std::lround(RandomRange(0.0f, float(kCells - 1)))));
}

void MUZZLEFLASH::RandomRoll()
{
    QNMATRIX roll;
    roll.SetRotationZ(RandomRange(-3.1415927f, 3.1415927f));
    SetLocalTransform(Textured ? Scaling(Scale) * roll * Base : roll * Base);
}

void MUZZLEFLASH::Show(bool on)
{
    SetState(on ? 3 : 2, 0, false, true);
}

void MUZZLEFLASH::RegisterMedia(QNRESOURCES& r)
{
    r.AddMaterial("muzzleflash", "alpha");
    stationmedia::Texture(r, "muzzleflash", 1, 4, 2);
    stationmedia::Mesh(r, "muzzleflash", 1, 0);
    stationmedia::Mesh(r, "muzzleflash_flash", 1, 0);
}
