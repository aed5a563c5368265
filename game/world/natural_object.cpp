#include "game/world/natural_object.h"

#include "game/world/media_util.h"

void RegisterNaturalMedia(QNRESOURCES& r)
{
    RegisterTextures(r, "asteroid", "media\\natural\\textures\\asteroid.dds");
    RegisterMeshes(r, "asteroid", "media\\natural\\meshes\\asteroid.gbm", 2);
    RegisterTextures(r, "ore", "media\\natural\\textures\\ore.dds", 4);
    RegisterMeshes(r, "ore", "media\\natural\\meshes\\ore.gbm", 3);
}
