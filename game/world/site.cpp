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

void SITE::AddHiddenArrival(GAMENODE* node)
{
    if (!node)
        return;
    std::erase_if(hiddenArrivals_, [this, node](const QNWEAK<GAMENODE>& w) {
        GAMENODE* n = w.Get();
        return !n || n == node || n->ParentNode() != this;
    });
    hiddenArrivals_.emplace_back(node);
}

// A node that arrived while the site was out of view carries a hidden vote of its own, which
// showing the site alone would not lift; it is raised here, before the children are refreshed.
void SITE::OnStateChanged(std::int32_t oldState, std::int32_t newState)
{
    GAMENODE::OnStateChanged(oldState, newState);
    if (newState != 3)
        return;
    std::vector<QNWEAK<GAMENODE>> arrivals;
    arrivals.swap(hiddenArrivals_);
    for (const QNWEAK<GAMENODE>& w : arrivals) {
        GAMENODE* n = w.Get();
        if (n && n->ParentNode() == this && n->Vote(0) == 2)
            n->SetVote(3, 0, true);
    }
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
