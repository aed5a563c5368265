#include "game/vehicles/inside_hyperspace.h"

#include "engine/render/qncolour.h"
#include "engine/scene/resources.h"

INSIDEHYPERSPACE::INSIDEHYPERSPACE(QNNODE* ship, const QNMATRIX* transform, const std::uint8_t* cockpitShown)
    : GAMENODE(ship, "INSIDEHYPERSPACE", kKind, 0x2000004, 0, 1, transform, 0),
      Sequence("@25 (1:0~17) @25 (1:0~14) @1 (0:-1~-1)"), Brightness(QNANIMCLOCK::PINGPONG, 0.0f, 2.0f, 0.72f),
      CockpitShown(cockpitShown)
{
    SetMaterial("alpha");
    SetOwnColour("hyperjump");
    SetTexture("hyperjump", 0);
    SetMesh("hyperjump");
    Sequence.Start();
    MidpointTimer.Init(0.0);
}

void INSIDEHYPERSPACE::Update()
{
    Frame = Sequence.Advance();
    if (OwnColour) {
        const float v = Brightness.Time();
        OwnColour->SetEmissive(v, v, v);
    }
    if (Sound.Plays == 0)
        Sound.Play(this, "hyperjump");
    if (Frame >= 0) {
        if (MidpointTimer.Elapsed() >= kMidpoint)
            Midpoint = 1;
        std::int32_t shown = Frame;
        if (shown == 15 && CockpitShown && !*CockpitShown)
            shown = 14;
        SetTexture("hyperjump", shown);
        return;
    }
    if (!Ended) {
        SetState(2, 0, false, true);
        Ended = 1;
    }
}

void INSIDEHYPERSPACE::LoadResources(QNRESOURCES& resources)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = "hyperjump";
    s.File = "media\\effects\\sounds\\hyperjump.wav";
    s.MaxDistance = 100.0f;
    resources.AddSound();

    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "hyperjump";
    t.File = "media\\effects\\textures\\hyperjump\\hyperjump.dds";
    t.Count = int(kFrames);
    resources.AddTexture();

    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    m = QNMESHPARAMS();
    m.Name = "hyperjump";
    m.CollisionOption1 = 0;
    const float args[7] = {2.5f, 1.875f, 1, 1, 1, 1, 1};
    for (int i = 0; i < 7; ++i)
        m.Args[i] = args[i];
    resources.AddMesh();
    resources.AddColour("hyperjump", "fullbright");
}
