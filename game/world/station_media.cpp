#include "game/world/station_media.h"

#include "engine/scene/node_chain.h"
#include "engine/scene/resources.h"

namespace stationmedia {

void Texture(QNRESOURCES& r, const char* name, std::int32_t count, std::uint32_t columns, std::uint32_t rows)
{
    QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
    QNRESOURCES::TextureParams.Name = name;
    QNRESOURCES::TextureParams.Count = count;
    QNRESOURCES::TextureParams.Columns = columns;
    QNRESOURCES::TextureParams.Rows = rows;
    r.AddTexture();
}

void Mesh(QNRESOURCES& r, const char* name, std::int32_t count, std::uint32_t collisionKind)
{
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Name = name;
    QNRESOURCES::MeshParams.CollisionOption1 = collisionKind;
    QNRESOURCES::MeshParams.Args[0] = float(count);
    r.AddMeshFile();
}

void Sound(QNRESOURCES& r, const char* name, std::int32_t count, float minDistance, float maxDistance,
           const char* file)
{
    QNRESOURCES::SoundParams = QNSOUNDPARAMS();
    QNRESOURCES::SoundParams.Name = name;
    QNRESOURCES::SoundParams.File = file;
    QNRESOURCES::SoundParams.Count = count;
    QNRESOURCES::SoundParams.MinDistance = minDistance;
    QNRESOURCES::SoundParams.MaxDistance = maxDistance;
    r.AddSound();
}

void Quad(QNRESOURCES& r, const char* name, float width, float height)
{
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Name = name;
    QNRESOURCES::MeshParams.CollisionOption1 = 0;
    float* a = QNRESOURCES::MeshParams.Args;
    a[0] = width;
    a[1] = height;
    a[2] = a[3] = a[4] = a[5] = 1;
    r.AddMesh();
}

}  // namespace stationmedia

namespace stationmedia {

void ShowCell(QNMATERIALNODE* node, std::uint32_t n)
{
    if (!node || !node->Stages)
        return;
    QNTEXTURESTAGES::STAGE& stage = node->Stages->Stages[0];
    if (stage.Texture)
        QNTEXGRID::SelectCell(stage.Texture->Grid, n, stage);
}

}  // namespace stationmedia
