#include "game/vehicles/vehicle_makers.h"

#include "game/vehicles/collship.h"
#include "game/vehicles/collship_hud.h"
#include "game/vehicles/ejection_seat.h"
#include "game/world/company_links.h"
#include "game/world/site.h"

namespace {

GAMENODE* CreateShip(GAMENODE* site, const QNMATRIX& transform, std::uint32_t identity)
{
    auto* s = dynamic_cast<SITE*>(site);
    return s ? new COLLSHIP(s, &transform, s->ViewIndex, identity) : nullptr;
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
    CompanyVehicles.CreateShip = &CreateShip;
    CompanyVehicles.CreateEjectionSeat = &CreateEjectionSeat;
    CompanyVehicles.LaunchEjectionSeat = &LaunchEjectionSeat;
}
