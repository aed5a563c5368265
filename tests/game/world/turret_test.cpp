// Gun turrets in a real world at 60 Hz: a mid-range turret swings onto an intruder and wears it
// down burst by burst, a short-range casing settles within its degree, flak bursts hurt only
// enemies within their radius, and turrets that lose power come to rest.

#include <cmath>

#include "game/world/flack_gun.h"
#include "game/world/midrange_turret.h"
#include "game/world/shortrange_turret.h"
#include "station_weapon_fixture.h"

namespace {

using weapontest::WeaponTest;

// Degrees between a node's z axis and the direction to `point` across its upright axis.
float YawError(const QNNODE* gun, const QNVEC3& point)
{
    const QNVEC3 d = DirectionInFrame(gun, point);
    return std::fabs(std::atan2(d.x, d.z)) * 57.29578f;
}

TEST_F(WeaponTest, AMidRangeTurretWearsDownAnIntruderBurstByBurst)
{
    auto* turret = Build<MIDRANGETURRET>(KIND_MIDRANGETURRET);
    ASSERT_NE(turret, nullptr);
    const QNVEC3 p = Position(turret);
    // Off to the side of where the turret looks, 40 away and level with its gun.
    const QNVEC3 gun = Position(turret->Gun);
    DAMAGEABLE* ship = Intruder(QNVEC3(p.x + 40.0f, gun.y, p.z));
    float last = ship->Ballistic;
    int bursts = 0;
    for (int second = 0; second < 8; ++second) {
        Seconds(1.0);
        const float lost = last - ship->Ballistic;
        EXPECT_LE(lost, 2 * BURSTTURRET::kShotsPerBurst * BURSTTURRET::kShotDamage + 1e-4f) << "at most two bursts a second";
        bursts += lost > 0.0f ? 1 : 0;
        last = ship->Ballistic;
    }
    EXPECT_EQ(turret->Target(), ship);
    EXPECT_GE(bursts, 4) << "the turret swung onto the intruder and kept hitting it";
    EXPECT_LT(YawError(turret->Gun, Position(ship)), 5.0f);
    const float damage = 100.0f - ship->Ballistic;
    EXPECT_GT(damage, 0.0f);
    EXPECT_LE(damage, float(turret->Shots) * BURSTTURRET::kShotDamage + 1e-3f);

    // Power gone: it stops turning and comes to rest.
    turret->SetPowered(false);
    const std::uint32_t shots = turret->Shots;
    Seconds(0.5);
    EXPECT_TRUE(turret->IsTurningSlowerThan(0.01f));
    EXPECT_EQ(turret->Shots, shots);
}

TEST_F(WeaponTest, AShortRangeCasingSettlesWithinOneDegree)
{
    auto* turret = Build<SHORTRANGETURRET>(KIND_SHORTRANGETURRET);
    ASSERT_NE(turret, nullptr);
    const QNVEC3 c = Position(turret->Casing);
    DAMAGEABLE* ship = Intruder(QNVEC3(c.x - 30.0f, c.y, c.z + 20.0f));
    Seconds(6.0);
    EXPECT_EQ(turret->Target(), ship);
    EXPECT_LT(YawError(turret->Casing, Position(ship)), 1.0f);
    EXPECT_GT(turret->Shots, 0u);
    EXPECT_LT(ship->Ballistic, 100.0f);
}

TEST_F(WeaponTest, FlakBurstsHurtEnemiesWithinItsRadiusOnly)
{
    auto* gun = Build<FLACKGUN>(KIND_FLACKGUN);
    ASSERT_NE(gun, nullptr);
    const QNVEC3 at = Position(gun) + QNVEC3(0, 40, 0);
    auto* shell = new FLACKGUN::FLACK(site, Translation(at.x, at.y, at.z), station->ViewIndex);
    shell->SetState(3, 0, false, true);
    DAMAGEABLE* rim = Intruder(at + QNVEC3(7.5f, 0, 0));
    DAMAGEABLE* beyond = Intruder(at + QNVEC3(0, 0, 7.6f));
    DAMAGEABLE* friendly = Intruder(at + QNVEC3(0, 2, 0), station->ViewIndex);
    Seconds(0.9);
    EXPECT_EQ(rim->Ballistic, 100.0f) << "the fuse runs a second";
    Seconds(0.2);
    EXPECT_EQ(rim->Ballistic, 100.0f - FLACKGUN::FLACK::kDamage);
    EXPECT_EQ(beyond->Ballistic, 100.0f);
    EXPECT_EQ(friendly->Ballistic, 100.0f);
    EXPECT_EQ(weapontest::g_explosions, 1);

    // Forced without a target it fires at mid-range straight ahead of the part.
    EXPECT_TRUE(gun->Fire());
    const float along = QNVEC3::Dot(gun->BurstPoint - Position(gun), gun->GetAimDirection());
    EXPECT_NEAR(along, 175.0f, 5.0f * 1.7321f);
}

// The shell bursts a fuse after it is thrown: it is sent where a moving target will be then, so
// the burst finds the target within the scatter of its point.
TEST_F(WeaponTest, FlakIsSentWhereTheTargetWillBeWhenItBursts)
{
    auto* gun = Build<FLACKGUN>(KIND_FLACKGUN);
    ASSERT_NE(gun, nullptr);
    gun->SetPowered(false);
    const QNVEC3 p = Position(gun);
    for (const float speed : {20.0f, 35.0f}) {
        SCOPED_TRACE(testing::Message() << speed << " units a second");
        DAMAGEABLE* ship = Intruder(p + QNVEC3(0, 30, 120));
        QNBODY* body = PhysicsBodyOf(ship);
        ASSERT_NE(body, nullptr);
        body->SetLinearDamping(0.0f);
        body->SetLinearVelocity(QNVEC3(speed, 0, 0));
        Frame();
        gun->SetTarget(ship);
        ASSERT_TRUE(gun->Fire());
        const QNVEC3 sent = gun->BurstPoint;
        Seconds(FLACKGUN::FLACK::kFuse);
        const float miss = (sent - Position(ship)).Length();
        EXPECT_LT(miss, FLACKGUN::kScatter * 1.7321f + 1.0f) << "the burst point trails or leads the target";
        gun->SetTarget(nullptr);
        QNITEM::Destroy(ship);
        Frame();
    }
}

}  // namespace
