#pragma once
// Ship weapons in a real world: the ship fixture with the weapon makers that the game installs,
// the player's ship at a site's centre and targets of another company ahead of it.

#include "game/vehicles/vehicle_makers.h"
#include "game/world/company_links.h"
#include "tests/game/vehicles/ship_fixture.h"

namespace shiptest {

class WeaponTest : public ShipTest {
protected:
    void SetUp() override
    {
        ShipTest::SetUp();
        saved_ = CompanyVehicles;
        InstallVehicleMakers();
        COLLSHIP::HudMaker = [](COLLSHIP* ship) -> SHIPHUDLINK* { return new RECORDINGHUD(ship); };
        SeedRandom(7);
    }
    void TearDown() override
    {
        CompanyVehicles = saved_;
        ShipTest::TearDown();
    }

    /// The player's ship at the centre of site 0 with weapon `type` installed and selected.
    COLLSHIP* Player(std::uint32_t type)
    {
        COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
        EXPECT_TRUE(ship->InstallWeapon(type, true, true));
        return ship;
    }
    /// A ship of company `view` at `offset` from the site's centre, hardened so that it survives
    /// a whole attack and its meters show every hit.
    COLLSHIP* Target(std::uint32_t view, const QNVEC3& offset)
    {
        COLLSHIP* ship = Ship(0, view, offset, VIEWMODE_OUTSIDE);
        ship->SetMaxima(1000.0f, 1000.0f);
        return ship;
    }
    /// Nodes of `kind` directly under site 0.
    std::uint32_t CountKind(std::int32_t kind) const
    {
        std::uint32_t n = 0;
        for (QNCHILDWALK walk(sites[0]); QNITEM* c = walk.Advance();)
            n += static_cast<QNNODE*>(c)->Kind == kind && !static_cast<QNNODE*>(c)->Delete;
        return n;
    }

private:
    COMPANYVEHICLES saved_;
};

}  // namespace shiptest
