#include "game/vehicles/stars.h"

#include "engine/scene/resources.h"
#include "game/vehicles/comet.h"

namespace {

// Sections are never culled (user flag 4): the camera is always inside them.
constexpr std::uint32_t kSectionUserFlags = 4;

const QNMATRIX& SectionOffset(std::uint32_t i)
{
    static QNMATRIX m;
    const float y[STARS::kSections] = {STARS::kCapOffset, 0.0f, -STARS::kCapOffset};
    m.SetTranslation(0.0f, y[i], 0.0f);
    return m;
}

}  // namespace

STARS::STARS(QNNODE* parent, const QNMATRIX& placement)
    : GAMENODE(parent, "STARS", kKindStars, QNCF_LEVEL_GAME, 0, 0, &placement, 0)
{
    for (std::uint32_t i = 0; i < kSections; ++i) {
        auto* section = new GAMENODE(this, "SECTION", kKindStars, QNCF_LEVEL_PLAIN, kSectionUserFlags, 1,
                                     &SectionOffset(i), 0);
        section->SetTexture("stars", int(i));
        section->SetMesh("stars", int(i));
        section->SetMaterial("flatlit");
    }
    Comet = new COMET(this);
    UpdateSphereBounds(true);
}

void RegisterSkyMedia(QNRESOURCES& r)
{
    QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
    QNRESOURCES::TextureParams.Name = "stars";
    QNRESOURCES::TextureParams.File = "media\\natural\\textures\\stars.dds";
    QNRESOURCES::TextureParams.Count = int(STARS::kSections);
    r.AddTexture();
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Name = "stars";
    QNRESOURCES::MeshParams.File = "media\\natural\\meshes\\stars.gbm";
    QNRESOURCES::MeshParams.Args[0] = float(STARS::kSections);
    // Scenery around the viewer: a collision model would box in everything at the site and
    // pin the sections where they were made.
    QNRESOURCES::MeshParams.CollisionOption1 = 0;
    r.AddMeshFile();
    RegisterCometMedia(r);
}
