#include "game/world/site.h"

#include "game/world/crew.h"
#include "game/world/game_frames.h"
#include "game/world/media_util.h"
#include "game/world/natural_object.h"
#include "game/world/ore_field.h"
#include "game/world/sun.h"

QNMATRIX SiteMatrix(std::uint32_t index)
{
    return gameframes::SiteFrames()[index % kSiteCount];
}

SITE::SITE(QNNODE* parent, std::uint32_t siteIndex, std::uint32_t view)
    : GAMENODE(parent, "SITE", kKindSite, QNCF_LEVEL_VIEWROOT | QNCF_UPDATE, 0, 2,
               &gameframes::SiteFrames()[siteIndex % kSiteCount], 0),
      ViewIndex(view), SiteIndex(siteIndex), targets_(std::make_unique<TARGETLIST>(this, view))
{
    const QNMATRIX world = GetWorldMatrix();
    OreField = new OREFIELD(this, siteIndex, world, view);
    if (BuildStation)
        Station = BuildStation(this, world, view, targets_.get());
    Crew = new CREW(this, Station.Get(), view);
    Sun = new QNSUN(this, kSiteSunAzimuth, kSiteSunElevation);
}

SITE::~SITE() = default;

void SITE::Update()
{
    targets_->Rebuild();
}

void SITE::RegisterMedia(QNRESOURCES& r)
{
    RegisterNaturalMedia(r);
    RegisterSunMedia(r);
    QNCOLOUR* arrow = r.AddColour("arrow");
    arrow->SetColour(1.0f, 0.0f, 0.0f, 1.0f);
    arrow->SetAlpha(0.5f);
    RegisterMeshes(r, "arrow", "media\\station\\support\\meshes\\arrow.gbm");
    RegisterTextures(r, "engine_glow_blue", "media\\vehicles\\exterior\\textures\\engine_glow_blue.dds");
    if (RegisterStationMedia)
        RegisterStationMedia(r);
}
