// The player's ship fights with every weapon it bought: installed as a store purchase, selected
// and fired as the bindings do, each one damages a ship of another company in a real world.

#include "game/vehicles/canister.h"
#include "game/vehicles/collship_hud.h"
#include "tests/game/vehicles/weapon_fixture.h"

using shiptest::WeaponTest;

TEST_F(WeaponTest, ThePlayersShipDamagesAnEnemyWithEachWeaponItBought)
{
    COLLSHIP::HudMaker = &COLLSHIPHUD::Make;
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    for (std::uint32_t type : {WEAPON_CHEETAH, WEAPON_DEVASTATOR, WEAPON_EM2, WEAPON_IRONMAN, WEAPON_CANISTER})
        ASSERT_TRUE(ship->InstallWeapon(type)) << type;
    // With the chipper launcher of the cockpit view, selected first.
    EXPECT_EQ(ship->Rack.Count, 5u);
    EXPECT_EQ(ship->SelectedWeaponType(), std::uint32_t(WEAPON_CHIPPER));
    COLLSHIP* enemy = Target(1, QNVEC3(0, 0, 30));
    Frames(30);
    EXPECT_EQ(ship->Target.Get(), enemy);

    // In the rack's order; each fires every frame (a held trigger) until the enemy is hurt.
    for (std::uint32_t type : {WEAPON_CHEETAH, WEAPON_EM2, WEAPON_IRONMAN, WEAPON_DEVASTATOR}) {
        ship->SelectNextWeapon();
        ASSERT_EQ(ship->SelectedWeaponType(), type);
        const float ballistic = enemy->Ballistic, electronic = enemy->Electronic;
        int frames = 0;
        while (enemy->Ballistic == ballistic && enemy->Electronic >= electronic && frames < 240) {
            ship->FireSelectedWeapon();
            Frame();
            ++frames;
        }
        EXPECT_LT(frames, 240) << type;
        if (type == WEAPON_EM2)
            EXPECT_LT(enemy->Electronic, electronic);
        else
            EXPECT_LT(enemy->Ballistic, ballistic) << type;
        Frames(150);  // the ring and the beam are done
    }
    // The Devastator's one charge is spent: the ship dropped it.
    EXPECT_FALSE(ship->Rack.Has(WEAPON_DEVASTATOR));

    // A canister dropped in front of a pursuer goes off under it.
    COLLSHIP* pursuer = Target(2, QNVEC3(0, 0, -15));
    ship->EjectCanister();
    Frames(3);
    EXPECT_FLOAT_EQ(pursuer->Ballistic, 1000.0f - CANISTER::kDamage);
    EXPECT_FALSE(enemy->IsDestroyed());
}
