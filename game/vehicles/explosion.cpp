#include "game/vehicles/explosion.h"

#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"

namespace {

// Light colour 1 - f^2 * k reaches 0 at the last frame (15): k = 1 / 15^2.
constexpr float kLightFade = 0.004444444f;
constexpr float kLightRange = 10.0f;

}  // namespace

EXPLOSION::EXPLOSION(QNNODE* parent, float size, const QNMATRIX* transform, std::uint32_t variant)
    : GAMENODE(parent, "EXPLOSION", kKind, 0x2000084, 0, 0, transform, 0), Sequence("@20 0~15")
{
    SetMaterial("alpha");
    SetColour("fullbright");
    SetTexture("explosion", int(variant % kVariants));
    BuildCellSquare(this, size, size);
    SetPointLight(kLightRange, 1.0f, 1.0f, 1.0f);
    AttachLight(true);
    Sequence.Start();
}

void EXPLOSION::Update()
{
    Frame = Sequence.Advance();
    if (Sound.Plays == 0)
        Sound.Play(this, "explosion");
    if (Frame >= 0) {
        const float c = 1.0f - float(Frame * Frame) * kLightFade;
        SetPointLight(kLightRange, c, c, c);
        ShowTextureCell(this, std::uint32_t(Frame));
        return;
    }
    if (LightOn)
        SetLightOn(false);
    if (!Sound.IsPlaying() && !Delete) {
        ReleaseMesh();
        ScheduleOnce();
        Delete = 1;
    }
}

void EXPLOSION::LoadResources(QNRESOURCES& resources)
{
    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "explosion";
    t.File = "media\\effects\\textures\\explosion.dds";
    t.Columns = 4;
    t.Rows = 4;
    t.Count = int(kVariants);
    t.LoadOption2 = 2;
    resources.AddTexture();
    for (std::uint32_t i = 0; i < kVariants; ++i)
        resources.FindTexture("explosion", int(i))->Texture.TransformFlag = 1;

    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = "explosion";
    s.File = "media\\effects\\sounds\\explosion.wav";
    s.MinDistance = 40.0f;
    s.MaxDistance = 1000.0f;
    resources.AddSound();
}
