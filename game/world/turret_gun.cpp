#include "game/world/turret_gun.h"

namespace {

constexpr float kFlashColour[4] = {1.0f, 0.85f, 0.5f, 1.0f};
constexpr float kFlashScale = 0.5f;   ///< muzzle flashes of station guns are half size

}  // namespace

TURRETGUN::TURRETGUN(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& at, const char* texture,
                     const char* mesh, const QNMATRIX flashAt[2], const QNMATRIX* lightAt)
    : GAMENODE(parent, name, kind, QNCF_LEVEL_PLAIN | QNCF_UPDATE, 0, 1, &at, 0), Home(at)
{
    if (texture)
        SetTexture(texture);
    if (mesh)
        SetMesh(mesh);
    for (int i = 0; i < 2 && flashAt; ++i) {
        Flashes[i] = new MUZZLEFLASH(this, flashAt[i], kFlashColour, kFlashScale, true);
        Flashes[i]->SetVote(2, 0, true);
    }
    if (lightAt) {
        Light = new GAMENODE(this, "LIGHT", kind, QNCF_LEVEL_PLAIN, 0, 1, lightAt, 0);
        Light->SetPointLight(kLightRange, 1.0f, 0.8f, 0.4f);
    }
}

void TURRETGUN::ShowFlash()
{
    for (MUZZLEFLASH* f : Flashes) {
        if (f) {
            f->RandomRoll();
            f->Show(true);
        }
    }
    if (Light)
        Light->AttachLight(true);
    Flashing = true;
    FlashTimer.Restart();
}

void TURRETGUN::Recoil(const QNMATRIX& to, double seconds)
{
    SetLocalTransform(to);
    RecoilTimer.Init(seconds);
    Recoiling = true;
}

void TURRETGUN::Update()
{
    // A part shown as a whole shows its flashes too: they stay hidden until a shot.
    if (!Flashing)
        for (MUZZLEFLASH* f : Flashes)
            if (f && f->State == 3)
                f->Show(false);
    if (Flashing && FlashTimer.Elapsed() >= kFlashTime) {
        Flashing = false;
        for (MUZZLEFLASH* f : Flashes)
            if (f)
                f->Show(false);
        if (Light)
            Light->AttachLight(false);
    }
    if (Recoiling && RecoilTimer.Elapsed() >= RecoilTimer.Period()) {
        Recoiling = false;
        SetLocalTransform(Home);
    }
}
