#include "game/vehicles/vehicle_makers.h"

#include "game/vehicles/cheetah.h"
#include "game/vehicles/chipper.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/devastator.h"
#include "game/vehicles/em2.h"
#include "game/vehicles/ironman.h"
#include "game/vehicles/collship_hud.h"
#include "game/vehicles/comet.h"
#include "game/vehicles/ejection_seat.h"
#include "game/vehicles/stars.h"
#include "game/vehicles/suit.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/rec.h"
#include "game/vehicles/player_controls_install.h"
#include "game/world/company_links.h"
#include "game/world/site.h"

namespace {

GAMENODE* CreateShip(GAMENODE* site, const QNMATRIX& transform, std::uint32_t identity)
{
    auto* s = dynamic_cast<SITE*>(site);
    return s ? new COLLSHIP(s, &transform, s->ViewIndex, identity) : nullptr;
}

GAMENODE* CreateSuit(GAMENODE* site, const QNMATRIX& transform, std::uint32_t identity)
{
    auto* s = dynamic_cast<SITE*>(site);
    if (!s)
        return nullptr;
    auto* suit = new SUIT(s, &transform, s->ViewIndex);
    suit->Identity = identity;
    return suit;
}

// The comet starts on a new course around the viewer.
constexpr float kCometSpeed = 0.1f;

GAMENODE* CreateSky(GAMENODE* site)
{
    auto* stars = new STARS(site, QNMATRIX());
    if (stars->Comet)
        stars->Comet->Reposition(RandomRange(-1.0f, 1.0f), RandomRange(-1.0f, 1.0f), kCometSpeed);
    return stars;
}

GAMENODE* CreateEjectionSeat(QNNODE* parent, const QNMATRIX& transform, std::uint32_t identity)
{
    auto* site = dynamic_cast<SITE*>(parent);
    auto* seat = new EJECTIONSEAT(parent, &transform, site ? site->ViewIndex : identity);
    seat->Identity = identity;
    return seat;
}

void LaunchEjectionSeat(GAMENODE* seat, GAMENODE* ship)
{
    if (auto* s = dynamic_cast<EJECTIONSEAT*>(seat))
        s->Launch(ship);
}

}  // namespace

void InstallVehicleMakers()
{
    COLLSHIP::HudMaker = &COLLSHIPHUD::Make;
    CompanyVehicles.CreateSuit = &CreateSuit;
    CompanyVehicles.CreateSky = &CreateSky;
    SHIPWEAPON::SetMaker(WEAPON_CHIPPER, &CHIPPERLAUNCHER::Make);
    InstallPlayerShipControls();
    CompanyVehicles.CreateShip = &CreateShip;
    CompanyVehicles.CreateEjectionSeat = &CreateEjectionSeat;
    CompanyVehicles.LaunchEjectionSeat = &LaunchEjectionSeat;
    SHIPWEAPON::SetMaker(WEAPON_CHEETAH, &CHEETAH::Make);
    SHIPWEAPON::SetMaker(WEAPON_DEVASTATOR, &DEVASTATOR::Make);
    SHIPWEAPON::SetMaker(WEAPON_EM2, &EM2::Make);
    SHIPWEAPON::SetMaker(WEAPON_IRONMAN, &IRONMAN::Make);
    SHIPWEAPON::SetMaker(WEAPON_CANISTER, &REC::Make);
}

void LoadShipWeaponResources(QNRESOURCES& resources)
{
    CHEETAH::LoadResources(resources);
    DEVASTATOR::LoadResources(resources);
    EM2::LoadResources(resources);
    IRONMAN::LoadResources(resources);
    REC::LoadResources(resources);
}
