#include "app/game_setup.h"

#include <new>

#include "engine/app/qnapp.h"
#include "game/screens/black_market.h"
#include "game/screens/logo.h"
#include "game/screens/main_menu.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/crew_member.h"
#include "game/vehicles/ejection_seat.h"
#include "game/vehicles/ai_pilot_game.h"
#include "game/screens/merc_manager.h"
#include "game/screens/store_catalogues.h"
#include "game/vehicles/explosion.h"
#include "game/vehicles/freighter.h"
#include "game/vehicles/hud.h"
#include "game/vehicles/inside_hyperspace.h"
#include "game/vehicles/outside_hyperspace.h"
#include "game/vehicles/ship_hud.h"
#include "game/vehicles/stars.h"
#include "game/vehicles/suit.h"
#include "game/vehicles/vehicle_makers.h"
#include "game/world/black_market_portal.h"
#include "game/world/crew.h"
#include "game/world/damageable.h"
#include "game/world/destruction.h"
#include "game/world/game_globals.h"
#include "game/world/site.h"
#include "game/world/space.h"
#include "game/world/station.h"
#include "game/world/station_part.h"
#include "game/world/target_list.h"

namespace {

// A candidate of a site's target list: its company view and whether it is destroyed.
TARGETLIST::CANDIDATE ReadCandidate(const GAMENODE* node)
{
    TARGETLIST::CANDIDATE c;
    c.View = ~0u;
    if (const auto* d = dynamic_cast<const DAMAGEABLE*>(node)) {
        c.View = d->ViewIndex;
        c.Destroyed = d->IsDestroyed();
    }
    return c;
}

// A station part leaves the crew's round once its removal starts or it is destroyed.
bool PartGone(const GAMENODE* node)
{
    const auto* part = dynamic_cast<const STATIONPART*>(node);
    return part && (part->Removal != REMOVALSTATE::NONE || part->IsDestroyed());
}

void MakeExplosion(QNNODE* site, const QNMATRIX& at, float size)
{
    const auto variant = static_cast<std::uint32_t>(RandomRange(0.0f, float(EXPLOSION::kVariants) - 0.01f));
    auto* explosion = new EXPLOSION(site, size, &at, variant);
    explosion->SetState(3, 0, false, true);
}

// Sites carry the crews, whose members wear the suit's media.
void RegisterSiteMedia(QNRESOURCES& r)
{
    SITE::RegisterMedia(r);
    RegisterCrewMedia(r);
}

// The collector ship flies with the ship HUD.
void RegisterShipMedia(QNRESOURCES& r)
{
    SHIPHUD::LoadResources(r);
    COLLSHIP::LoadResources(r);
}

// Each maker builds one scene under the scene root; a scene that cannot be allocated is left out.
template <class SCENE>
QNSCENE* Make()
{
    return new (std::nothrow) SCENE(&QNSCENE::SceneRoot());
}

}  // namespace

void InstallGameLinks()
{
    STATION::Install();
    InstallCrewMembers();
    InstallVehicleMakers();
    FREIGHTER::Install();
    InstallComputerPilots();
    TARGETLIST::Reader = &ReadCandidate;
    CREW::PartGone = &PartGone;
    DESTRUCTION::MakeExplosion = &MakeExplosion;

    SPACEMEDIA& m = SpaceMedia;
    m.EjectionSeat = &EJECTIONSEAT::LoadResources;
    m.Site = &RegisterSiteMedia;
    m.Stars = &RegisterSkyMedia;
    m.Hud = &HUD::LoadResources;
    m.Suit = &SUIT::LoadResources;
    m.CollectorShip = &RegisterShipMedia;
    m.OutsideHyperspace = &OUTSIDEHYPERSPACE::LoadResources;
    m.InsideHyperspace = &INSIDEHYPERSPACE::LoadResources;
    m.Portal = &RegisterPortalMedia;
    m.Explosion = &EXPLOSION::LoadResources;
    m.Freighter = &FREIGHTER::RegisterMedia;
}

void CreateGame(QNAPPSETTINGS& settings)
{
    const GAMESETTINGS& g = GameSettings;
    settings.IconModule = settings.Instance;
    settings.IconId = g.IconId;
    settings.AcceleratorModule = settings.Instance;
    settings.AcceleratorCommand = g.AcceleratorCommand;
    settings.AcceleratorTable = g.AcceleratorTable;
    settings.Title = g.Title;
    settings.ExclusiveInput = g.ExclusiveInput;
    settings.DeveloperKeys = g.DeveloperKeys;
    settings.Device.FullScreen = g.FullScreen;
    settings.Device.CollisionCapacity = g.CollisionCapacity;
    settings.Device.ArchiveName = g.ArchiveName;
    settings.Device.BindingCount = g.BindingCount;
    settings.Device.DisplayMode.ScanLineReading = g.ScanLineReading;
    QNAPP::CopyDeviceSettings();

    InstallGameLinks();
    GameScenes.Logo = Make<LOGO>();
    GameScenes.MainMenu = Make<MAINMENU>();
    Make<SPACE>();
    Make<STORE>();
    Make<MERCENARYMANAGER>();
    Make<BLACKMARKET>();
    Make<STATIONWEAPONSTORE>();
    Make<SHIPWEAPONSTORE>();
    Make<COUNTERMEASURESTORE>();
}
