// The Devastator's ring: reach over time, the company filter, the damage rate and stalls.

#include "game/vehicles/devastator.h"
#include "game/world/damageable.h"
#include "tests/game/vehicles/weapon_fixture.h"

using shiptest::WeaponTest;

TEST_F(WeaponTest, TheRingReachesAVehicleAt30UnitsAfterAboutOnePointFourSeconds)
{
    COLLSHIP* ship = Player(WEAPON_DEVASTATOR);
    ship->StopMotion(true, QNCF_LEVEL_PLAIN);
    auto* devastator = dynamic_cast<DEVASTATOR*>(ship->Rack.Get(WEAPON_DEVASTATOR));
    ASSERT_NE(devastator, nullptr);
    COLLSHIP* enemy = Target(1, QNVEC3(30, 0, 0));
    COLLSHIP* friendly = Target(0, QNVEC3(-20, 0, 0));
    QNMATRIX partAt;
    partAt.SetTranslationV(QNVEC3(0, 0, 15));
    partAt = partAt * sites[0]->GetWorldMatrix();
    auto* part = new DAMAGEABLE(sites[0], "BEAM", ITEM_BEAM, QNCF_LEVEL_GAME, 0, 0, &partAt, 0);
    part->SetMaxima(100.0f, 100.0f);
    part->ViewIndex = 3;

    // The first shot needs no wait; with its one charge spent the ship drops the weapon.
    QNWEAK<DEVASTATOR> weapon = devastator;
    ship->FireSelectedWeapon();
    EXPECT_FALSE(ship->Rack.Has(WEAPON_DEVASTATOR));
    EXPECT_EQ(weapon.Get(), nullptr);
    QNWEAK<DEVASTATOR::RING> ring = dynamic_cast<DEVASTATOR::RING*>(sites[0]->FindChild("RING"));
    ASSERT_NE(ring.Get(), nullptr);

    int first = -1, frames = 0;
    float reachAtFirst = 0.0f;
    while (ring.Get() && frames < 400) {
        Frame();
        ++frames;
        if (first < 0 && enemy->Ballistic < 1000.0f) {
            first = frames;
            reachAtFirst = ring->Reach();
        }
    }
    EXPECT_NEAR(first / 60.0, 1.389, 0.03);
    EXPECT_GT(reachAtFirst, 30.0f);
    EXPECT_LT(reachAtFirst, 30.7f);
    // Gone after 2.5 s.
    EXPECT_NEAR(frames / 60.0, 2.5, 0.05);
    // 71.43 per second from about 1.39 s to 2.5 s.
    EXPECT_NEAR(1000.0f - enemy->Ballistic, 71.43f * (2.5f - 1.389f), 3.0f);
    EXPECT_FLOAT_EQ(friendly->Ballistic, 1000.0f);
    EXPECT_FLOAT_EQ(part->Ballistic, 100.0f);
}

TEST_F(WeaponTest, TheDevastatorWaitsTwoSecondsBetweenShotsAndAStallCountsAsOneHundredth)
{
    COLLSHIP* ship = Player(WEAPON_DEVASTATOR);
    ship->StopMotion(true, QNCF_LEVEL_PLAIN);
    auto* devastator = dynamic_cast<DEVASTATOR*>(ship->Rack.Get(WEAPON_DEVASTATOR));
    devastator->Charges = 2;
    COLLSHIP* enemy = Target(1, QNVEC3(0, 0, 12));
    devastator->Fire();
    DEVASTATOR::RING* first = devastator->LastRing.Get();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(devastator->LightActive);
    Frames(60);
    devastator->Fire();
    EXPECT_EQ(devastator->Charges, 1u);
    EXPECT_FALSE(devastator->LightActive);  // the blue flash lasts half a second

    // In reach by now: one frame after a 0.6 s stall deals 0.01 s worth.
    ASSERT_LT(enemy->Ballistic, 1000.0f);
    const float before = enemy->Ballistic;
    Stall(0.6);
    Frame();
    EXPECT_NEAR(before - enemy->Ballistic, DEVASTATOR::RING::kDamageRate * 0.01f * 10.0f, 1e-3f);

    Frames(21);
    devastator->Fire();
    EXPECT_EQ(devastator->Charges, 1u);  // 1.97 s after the first shot (the stall counts here)
    Frames(2);
    devastator->Fire();
    EXPECT_EQ(devastator->Charges, 0u);
    EXPECT_NE(devastator->LastRing.Get(), first);
    EXPECT_FLOAT_EQ(devastator->AmmoLevel(), 0.0f);
}
