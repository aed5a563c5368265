#include "game/vehicles/outside_hyperspace.h"

#include "engine/scene/resources.h"

OUTSIDEHYPERSPACE::OUTSIDEHYPERSPACE(QNNODE* parent, const QNMATRIX* transform, float width, float height)
    : GAMENODE(parent, "OUTSIDEHYPERSPACE", kKind, 0x2000084, 0, 0, transform, 0),
      Sequence("@25 (1:0~5) @25 (1:4~-1)")
{
    SetMaterial("alpha");
    SetColour("fullbright");
    SetTexture("cargoship_hyperspace");
    BuildCellSquare(this, width, height);
    Sequence.Start();
    Timer.Init(0.0);
}

void OUTSIDEHYPERSPACE::Update()
{
    Frame = Sequence.Advance();
    if (Sound.Plays == 0)
        Sound.Play(this, "freighter_hyperspace");
    ShowTextureCell(this, Frame >= 0 ? std::uint32_t(Frame) : kEndCell);
    if (Timer.Elapsed() >= kLifetime && !Delete) {
        ReleaseMesh();
        ScheduleOnce();
        Delete = 1;
    }
}

void OUTSIDEHYPERSPACE::LoadResources(QNRESOURCES& resources)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = "freighter_hyperspace";
    s.File = "media\\effects\\sounds\\freighter_hyperspace.wav";
    s.MinDistance = 1000.0f;
    s.MaxDistance = 1000.0f;
    resources.AddSound();

    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "cargoship_hyperspace";
    t.File = "media\\effects\\textures\\cargoship_hyperspace.dds";
    t.Columns = 4;
    t.Rows = 2;
    t.LoadOption2 = 2;
    resources.AddTexture();
    resources.FindTexture("cargoship_hyperspace")->Texture.TransformFlag = 1;
}
