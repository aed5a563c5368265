#include "game/vehicles/one_shot_sound.h"

#include "engine/render/qntexture.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"

void ONESHOTSOUND::Play(QNSOUNDNODE* node, const char* name)
{
    node->SetSound(name);
    Length = 0.0;
    if (node->Sound) {
        if (const auto& segment = node->Sound->Segment())
            Length = segment->Seconds();
        node->Sound->Play(0);
    }
    ++Plays;
    Timer.Init(0.0);
}

bool ONESHOTSOUND::IsPlaying() const
{
    return Plays > 0 && Timer.Elapsed() < Length;
}

void ShowTextureCell(QNMATERIALNODE* node, std::uint32_t n)
{
    if (!node->Stages)
        return;
    QNTEXTURESTAGES::STAGE& stage = node->Stages->Stages[0];
    if (stage.Texture)
        QNTEXGRID::SelectCell(stage.Texture->Grid, n, stage);
}

void BuildCellSquare(QNMATERIALNODE* node, float width, float height)
{
    auto* mesh = dynamic_cast<QNMESHNODE*>(node);
    if (!mesh)
        return;
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Args[6] = 1.0f;
    QNRESOURCES::MeshParams.CollisionOption1 = 0;  // a picture only: nothing collides with it
    mesh->BuildTextMesh(width, height, 1, 1);
}
