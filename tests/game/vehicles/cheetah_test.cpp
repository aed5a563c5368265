// The Cheetah launcher and its homing missiles, and the rear-eject canisters, in a real world.

#include <cmath>
#include <vector>

#include "engine/physics/qnphysworld.h"
#include "game/vehicles/canister.h"
#include "game/vehicles/cheetah.h"
#include "game/vehicles/rec.h"
#include "tests/game/vehicles/weapon_fixture.h"

using shiptest::WeaponTest;

namespace {

QNVEC3 InFrameOf(QNNODE* frame, QNNODE* node)
{
    return QNVEC3::TransformCoord(node->GetWorldMatrix().Translation(), frame->GetWorldMatrix().Inverse());
}

}  // namespace

TEST_F(WeaponTest, CheetahReloadSidesAndAmmunitionUntilTheShipDropsIt)
{
    COLLSHIP* ship = Player(WEAPON_CHEETAH);
    QNWEAK<CHEETAH> cheetah = dynamic_cast<CHEETAH*>(ship->Rack.Get(WEAPON_CHEETAH));
    ASSERT_NE(cheetah.Get(), nullptr);
    ASSERT_NE(cheetah->Light, nullptr);
    QNWEAK<MISSILE::LIGHT> light = cheetah->Light;
    EXPECT_FLOAT_EQ(cheetah->AmmoLevel(), 1.0f);

    // Nothing before one interval after installation.
    ship->FireSelectedWeapon();
    Frames(29);
    ship->FireSelectedWeapon();
    EXPECT_EQ(cheetah->LastMissile.Get(), nullptr);
    Frame();

    std::vector<int> sides;
    for (int shot = 0; shot < 10; ++shot) {
        ship->FireSelectedWeapon();
        if (shot == 9)
            break;
        MISSILE* m = cheetah->LastMissile.Get();
        ASSERT_NE(m, nullptr) << shot;
        sides.push_back(InFrameOf(ship, m).x > 0 ? 0 : 1);
        EXPECT_TRUE(light->Active);
        // A second pull within the interval launches nothing.
        ship->FireSelectedWeapon();
        EXPECT_EQ(cheetah->LastMissile.Get(), m);
        EXPECT_NEAR(cheetah->AmmoLevel(), 0.9f - 0.1f * float(shot), 1e-5f);
        Frames(30);
        EXPECT_FALSE(light->Active);  // the flash died within 0.5 s
    }
    EXPECT_EQ(sides, (std::vector<int>{0, 1, 0, 1, 0, 1, 0, 1, 0}));
    // The tenth launch spent it and the ship removed the launcher; an eleventh pull does nothing.
    EXPECT_FALSE(ship->Rack.Has(WEAPON_CHEETAH));
    Frame();
    EXPECT_EQ(cheetah.Get(), nullptr);
    EXPECT_EQ(CountKind(MISSILE::kKind), 10u);
    ship->FireSelectedWeapon();
    EXPECT_EQ(CountKind(MISSILE::kKind), 10u);

    // A computer ship's launcher waits 4 s between launches.
    COLLSHIP* computer = Ship(0, 1, QNVEC3(0, 60, 0), VIEWMODE_HIDDEN);
    ASSERT_TRUE(computer->InstallWeapon(WEAPON_CHEETAH, false, true));
    auto* slow = dynamic_cast<CHEETAH*>(computer->Rack.Get(WEAPON_CHEETAH));
    Frames(239);
    computer->FireSelectedWeapon();
    EXPECT_EQ(slow->Missiles, 10u);
    EXPECT_EQ(slow->Light, nullptr);
    Frame();
    computer->FireSelectedWeapon();
    EXPECT_EQ(slow->Missiles, 9u);
}

TEST_F(WeaponTest, AMissileWithoutTargetFliesStraightAndVanishesAtSevenSeconds)
{
    COLLSHIP* ship = Player(WEAPON_CHEETAH);
    auto* cheetah = dynamic_cast<CHEETAH*>(ship->Rack.Get(WEAPON_CHEETAH));
    Frames(30);
    ship->FireSelectedWeapon();
    QNWEAK<MISSILE> m = cheetah->LastMissile;
    ASSERT_NE(m.Get(), nullptr);
    const QNVEC3 start = m->GetWorldMatrix().Translation();
    Frames(60);
    ASSERT_NE(m.Get(), nullptr);
    EXPECT_FLOAT_EQ(m->Thrust, 4.0f);
    const QNVEC3 flown = m->GetWorldMatrix().Translation() - start;
    EXPECT_GT(flown.z, 5.0f);  // along the ship's nose, the rail's toe-in aside
    EXPECT_LT(std::fabs(flown.y) + std::fabs(flown.x), 0.05f * flown.z);
    // Removed silently between 6.9 and 7.1 s after launch.
    Frames(6 * 60 - 6);
    EXPECT_NE(m.Get(), nullptr);
    Frames(12);
    EXPECT_EQ(m.Get(), nullptr);
    EXPECT_EQ(CountKind(EXPLOSION::kKind), 0u);
}

TEST_F(WeaponTest, HomingMissilesDamageTheirTargetOnceAndFlyOnWhenItIsDeleted)
{
    COLLSHIP* ship = Player(WEAPON_CHEETAH);
    auto* cheetah = dynamic_cast<CHEETAH*>(ship->Rack.Get(WEAPON_CHEETAH));
    COLLSHIP* ahead = Target(1, QNVEC3(0, 0, 40));
    COLLSHIP* aside = Target(2, QNVEC3(40, 0, 10));
    auto flyOut = [&](QNWEAK<MISSILE>& m, std::vector<float>& thrusts) {
        while (m.Get() && thrusts.size() < 600) {
            Frame();
            if (m.Get())
                thrusts.push_back(m->Thrust);
        }
    };

    // The ship's aim gives the launcher its target; straight ahead and still: thrust 3.
    Frames(30);
    EXPECT_EQ(cheetah->Target.Get(), ahead);
    ship->FireSelectedWeapon();
    QNWEAK<MISSILE> m = cheetah->LastMissile;
    std::vector<float> thrusts;
    flyOut(m, thrusts);
    ASSERT_EQ(m.Get(), nullptr);
    ASSERT_FALSE(thrusts.empty());
    EXPECT_EQ(thrusts.front(), 3.0f);
    EXPECT_FLOAT_EQ(ahead->Ballistic, 1000.0f - MISSILE::kDamage);
    EXPECT_EQ(CountKind(EXPLOSION::kKind), 1u);
    Frames(30);
    EXPECT_FLOAT_EQ(ahead->Ballistic, 1000.0f - MISSILE::kDamage);  // once

    // A target far off the nose: low thrust while the missile turns, then the hit.
    ship->FireSelectedWeapon();
    m = cheetah->LastMissile;
    ASSERT_NE(m.Get(), nullptr);
    m->Target = aside;
    thrusts.clear();
    flyOut(m, thrusts);
    ASSERT_EQ(m.Get(), nullptr);
    EXPECT_EQ(thrusts.front(), 1.0f);
    EXPECT_FLOAT_EQ(aside->Ballistic, 1000.0f - MISSILE::kDamage);
    EXPECT_FLOAT_EQ(ahead->Ballistic, 1000.0f - MISSILE::kDamage);

    // Regression: the target deleted in flight leaves the missile flying straight on full
    // thrust until its lifetime ends; nothing reads the freed target.
    Frames(180);  // the explosions have ended
    ASSERT_EQ(CountKind(EXPLOSION::kKind), 0u);
    ship->FireSelectedWeapon();
    m = cheetah->LastMissile;
    Frames(3);
    ASSERT_NE(m.Get(), nullptr);
    EXPECT_EQ(m->Target.Get(), ahead);
    QNITEM::Destroy(ahead);
    Frames(2);
    ASSERT_NE(m.Get(), nullptr);
    EXPECT_EQ(m->Target.Get(), nullptr);
    EXPECT_FLOAT_EQ(m->Thrust, 4.0f);
    Frames(7 * 60);
    EXPECT_EQ(m.Get(), nullptr);
    EXPECT_EQ(CountKind(EXPLOSION::kKind), 0u);
}

TEST_F(WeaponTest, AMissileHittingAnAsteroidExplodesAndDamagesNothing)
{
    COLLSHIP* ship = Player(WEAPON_CHEETAH);
    ship->StopMotion(true, QNCF_LEVEL_PLAIN);
    auto* rock = new GAMENODE(sites[0], "ASTEROID", KIND_ASTEROID, 0x2000000, 0, 0, nullptr, 0);
    QNMATRIX at;
    at.SetTranslation(0, -1.4f, 25);
    rock->SetTransform(at * sites[0]->GetWorldMatrix());
    rock->SetTexture("cheetah_missile");
    rock->SetBoxMesh("rec_canister_coll");
    rock->SetScale(100000.0f, 1.0f);
    rock->SetState(3, 0, false, true);
    const float before = ship->Ballistic;
    Frames(30);
    ship->FireSelectedWeapon();
    QNWEAK<MISSILE> m = dynamic_cast<CHEETAH*>(ship->Rack.Get(WEAPON_CHEETAH))->LastMissile;
    for (int i = 0; i < 240 && m.Get(); ++i) {
        Frame();
    }
    EXPECT_EQ(m.Get(), nullptr);
    EXPECT_EQ(CountKind(EXPLOSION::kKind), 1u);
    EXPECT_FLOAT_EQ(ship->Ballistic, before);
    EXPECT_EQ(MISSILE::DamageTarget(rock, QNMATRIX()), std::uint32_t(CLASS_NATURE));
}

TEST_F(WeaponTest, CanistersDropBehindAndGoOffOnlyForEnemiesAndMissiles)
{
    COLLSHIP* ship = Player(WEAPON_CANISTER);
    ASSERT_NE(dynamic_cast<REC*>(ship->Canister), nullptr);
    shiptest::RECORDINGHUD* hud = HudOf(ship);
    std::vector<float> levels;
    std::vector<CANISTER*> dropped;
    QNVEC3 first;
    for (int use = 0; use < 6; ++use) {
        // Moved on between drops, so that the canisters lie 30 units apart.
        QNMATRIX to;
        to.SetTranslation(0, 0, 30.0f * float(use));
        ship->SetTransform(to * sites[0]->GetWorldMatrix());
        levels.push_back(ship->Canister ? ship->Canister->AmmoLevel() : 0.0f);
        ship->EjectCanister();
        if (use == 0)
            for (QNCHILDWALK walk(sites[0]); QNITEM* c = walk.Advance();)
                if (auto* canister = dynamic_cast<CANISTER*>(c))
                    first = QNVEC3::TransformCoord(canister->GetWorldMatrix().Translation(),
                                                   ship->GetWorldMatrix().Inverse());
        Frames(31);
    }
    for (QNCHILDWALK walk(sites[0]); QNITEM* c = walk.Advance();)
        if (auto* canister = dynamic_cast<CANISTER*>(c))
            dropped.push_back(canister);
    EXPECT_EQ(levels, (std::vector<float>{1.0f, 0.8f, 0.6f, 0.4f, 0.2f, 0.0f}));
    EXPECT_EQ(ship->Canister, nullptr);
    EXPECT_EQ(hud->Canisters, 0u);
    EXPECT_EQ(hud->Lower.back(), "No Rear-Eject Canisters installed");
    ASSERT_EQ(dropped.size(), 5u);
    // Five units behind the player's ship; nothing set them off.
    EXPECT_NEAR(first.z, -5.0f, 1e-3f);
    EXPECT_NEAR(first.x, 0.0f, 1e-3f);
    for (CANISTER* c : dropped)
        EXPECT_FALSE(c->Triggered);

    // A ship of the canister's own company inside the sensor does not trigger it; an enemy
    // does, and takes 15 on the canister's next update.
    QNWEAK<CANISTER> mine = dropped.back();
    const QNVEC3 at = QNVEC3::TransformCoord(mine->GetWorldMatrix().Translation(), sites[0]->GetWorldMatrix().Inverse());
    COLLSHIP* friendly = Target(0, at + QNVEC3(0, 7, 0));
    Frames(3);
    EXPECT_FALSE(mine->Triggered);
    COLLSHIP* enemy = Target(1, at + QNVEC3(0, -7, 0));
    Frames(3);
    EXPECT_EQ(mine.Get(), nullptr);
    EXPECT_FLOAT_EQ(enemy->Ballistic, 1000.0f - CANISTER::kDamage);
    EXPECT_FLOAT_EQ(friendly->Ballistic, 1000.0f);
    EXPECT_EQ(CountKind(EXPLOSION::kKind), 1u);

    // A missile flying into another canister's sensor explodes with it, damaging nobody.
    QNWEAK<CANISTER> other = dropped[0];
    QNMATRIX from;
    from.SetTranslationV(other->GetWorldMatrix().Translation() + QNVEC3(0, 3, -14));
    QNWEAK<MISSILE> missile = new MISSILE(sites[0], &from);
    missile->SetState(3, 0, false, true);
    for (int i = 0; i < 60 && other.Get(); ++i)
        Frame();
    EXPECT_EQ(other.Get(), nullptr);
    EXPECT_EQ(missile.Get(), nullptr);
    EXPECT_EQ(CountKind(EXPLOSION::kKind), 3u);
    EXPECT_FLOAT_EQ(enemy->Ballistic, 1000.0f - CANISTER::kDamage);

    // The rest vanish 7 s after their drop without going off.
    Frames(7 * 60);
    for (QNCHILDWALK walk(sites[0]); QNITEM* c = walk.Advance();)
        EXPECT_EQ(dynamic_cast<CANISTER*>(c), nullptr);
    EXPECT_EQ(CountKind(EXPLOSION::kKind), 0u);
}

TEST_F(WeaponTest, AComputerShipsCanisterIgnoresItsShipUntilClear)
{
    COLLSHIP* ship = Ship(0, 1, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    ASSERT_TRUE(ship->InstallWeapon(WEAPON_CANISTER, false, false));
    ship->EjectCanister();
    CANISTER* canister = nullptr;
    for (QNCHILDWALK walk(sites[0]); QNITEM* c = walk.Advance();)
        if (auto* k = dynamic_cast<CANISTER*>(c))
            canister = k;
    ASSERT_NE(canister, nullptr);
    QNWEAK<CANISTER> watch = canister;
    EXPECT_FALSE(canister->Clear);
    EXPECT_EQ(canister->Ship.Get(), ship);
    // Starting inside the hull's reach it is not pushed away while the ship flies off.
    ship->Throttle = 1.0f;
    int frames = 0;
    while (watch.Get() && !watch->Clear && frames < 300) {
        Frame();
        ++frames;
        EXPECT_LT(PhysicsBodyOf(watch.Get())->GetLinearVelocity().Length(), 0.5f) << frames;
    }
    ASSERT_NE(watch.Get(), nullptr);
    EXPECT_TRUE(watch->Clear);
    EXPECT_EQ(watch->Ship.Get(), nullptr);
    EXPECT_GT(frames, 10);
    const float gap = (watch->GetWorldMatrix().Translation() - ship->GetWorldMatrix().Translation()).Length();
    EXPECT_GT(gap, 3.0f);
    // Its own company's ship never sets it off.
    EXPECT_FALSE(watch->Triggered);
}
