#include "game/world/station_weapons.h"

#include "game/world/antiship.h"
#include "game/world/early_warning.h"
#include "game/world/flack_gun.h"
#include "game/world/merc_ship_dock.h"
#include "game/world/midrange_turret.h"
#include "game/world/mine_launcher.h"
#include "game/world/muzzle_flash.h"
#include "game/world/neutron_emitter.h"
#include "game/world/shockwave.h"
#include "game/world/shortrange_turret.h"
#include "game/world/station.h"

namespace {

template <class PART>
STATIONPART* Make(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new PART(parent, connector, station.ViewIndex, station.Targets);
}

// Only the player's station (the one with station sounds) sounds the intruder alarm.
STATIONPART* MakeEarlyWarning(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new EARLYWARNING(parent, connector, station.ViewIndex, station.Sounds ? station.Targets : nullptr);
}

template <class PART>
STATIONPART* MakeUnaimed(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new PART(parent, connector, station.ViewIndex);
}

}  // namespace

void InstallStationWeapons()
{
    STATION::SetMaker(KIND_ANTISHIP, &Make<ANTISHIP>);
    STATION::SetMaker(KIND_FLACKGUN, &Make<FLACKGUN>);
    STATION::SetMaker(KIND_MIDRANGETURRET, &Make<MIDRANGETURRET>);
    STATION::SetMaker(KIND_SHORTRANGETURRET, &Make<SHORTRANGETURRET>);
    STATION::SetMaker(KIND_NEUTRONEMITTER, &Make<NEUTRONEMITTER>);
    STATION::SetMaker(KIND_MINELAUNCHER, &MakeUnaimed<MINELAUNCHER>);
    STATION::SetMaker(KIND_SHOCKWAVE, &Make<SHOCKWAVE>);
    STATION::SetMaker(KIND_EARLYWARNING, &MakeEarlyWarning);
    STATION::SetMaker(KIND_MERCSHIPDOCK, &MakeUnaimed<MERCSHIPDOCK>);
}

void RegisterStationWeaponMedia(QNRESOURCES& r)
{
    MUZZLEFLASH::RegisterMedia(r);
    ANTISHIP::RegisterMedia(r);
    FLACKGUN::RegisterMedia(r);
    MIDRANGETURRET::RegisterMedia(r);
    SHORTRANGETURRET::RegisterMedia(r);
    NEUTRONEMITTER::RegisterMedia(r);
    MINELAUNCHER::RegisterMedia(r);
    SHOCKWAVE::RegisterMedia(r);
    EARLYWARNING::RegisterMedia(r);
    MERCSHIPDOCK::RegisterMedia(r);
}
