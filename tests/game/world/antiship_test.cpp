// The anti-ship launcher and its missile in a real world: reload and rails, a missile that
// homes onto an intruder and deals its damage once, one that finds nothing and vanishes after
// its lifetime without an explosion; and a target, a launcher and a shockwave deleted in the
// middle of their cycles.

#include "engine/scene/glow.h"
#include "game/world/antiship.h"
#include "game/world/mine_launcher.h"
#include "game/world/shockwave.h"
#include "station_weapon_fixture.h"

namespace {

using weapontest::WeaponTest;
using MISSILE = ANTISHIP::MISSILE;

TEST_F(WeaponTest, MissilesHitOnceOrExpireAndTheLauncherReloadsRailByRail)
{
    auto* launcher = Build<ANTISHIP>(KIND_ANTISHIP);
    ASSERT_NE(launcher, nullptr);
    launcher->SetPowered(false);
    Seconds(6.9);
    EXPECT_FALSE(launcher->IsReadyToFire());
    Seconds(0.2);
    EXPECT_TRUE(launcher->IsReadyToFire());
    ASSERT_TRUE(launcher->Fire());
    EXPECT_EQ(launcher->Rail, 1u);
    EXPECT_EQ(launcher->Props[0]->State, 2);
    EXPECT_FALSE(launcher->IsReadyToFire());
    launcher->Rail = 0;
    EXPECT_FALSE(launcher->Fire()) << "the rail's missile is not back";
    Seconds(1.1);
    EXPECT_EQ(launcher->Props[0]->State, 3);

    // A missile that finds nothing: gone after seven seconds, no explosion.
    const QNVEC3 p = Position(launcher) + QNVEC3(0, -40, 0);
    QNMATRIX down;
    down.SetRotationX(1.5707964f);
    down.SetTranslationV(p);
    auto* stray = new MISSILE(view->Root, down, nullptr);
    stray->SetState(3, 0, false, true);
    QNWEAK<MISSILE> strayHandle(stray);
    // Its exhaust glow sits at the tail and looks backwards, carried along in flight (a frame
    // behind at most).
    Seconds(0.5);
    ASSERT_GT((Position(stray) - p).Length(), 10.0f) << "under way";
    ASSERT_NE(stray->Glow, nullptr);
    EXPECT_EQ(stray->Glow->ParentNode(), stray);
    const QNMATRIX& mw = stray->GetWorldMatrix();
    const QNMATRIX& gw = stray->Glow->GetWorldMatrix();
    const QNVEC3 forward(mw.at(2, 0), mw.at(2, 1), mw.at(2, 2));
    const QNVEC3 tail = Position(stray) + forward * MISSILE::kGlowZ;
    EXPECT_NEAR((Position(stray->Glow) - tail).Length(), 0.0f, 1.5f);
    EXPECT_NEAR(gw.at(2, 0) * forward.x + gw.at(2, 1) * forward.y + gw.at(2, 2) * forward.z, -1.0f, 1e-4f);
    const int explosions = weapontest::g_explosions;
    Seconds(6.3);
    EXPECT_NE(strayHandle.Get(), nullptr);
    Seconds(0.4);
    EXPECT_EQ(strayHandle.Get(), nullptr);
    EXPECT_EQ(weapontest::g_explosions, explosions);

    // A missile after an intruder off to its side: it turns, hits, deals 20 once and explodes.
    DAMAGEABLE* ship = Intruder(p + QNVEC3(40, -30, 0));
    auto* missile = new MISSILE(view->Root, down, ship);
    missile->SetState(3, 0, false, true);
    QNWEAK<MISSILE> handle(missile);
    for (int i = 0; i < 60 * 7 && handle.Get(); ++i)
        Frame();
    EXPECT_EQ(handle.Get(), nullptr);
    EXPECT_EQ(ship->Ballistic, 100.0f - MISSILE::kDamage);
    EXPECT_EQ(weapontest::g_explosions, explosions + 1);
}

TEST_F(WeaponTest, TargetsLaunchersAndShockwavesDeletedMidCycleLeaveNothingBehind)
{
    auto* launcher = Build<ANTISHIP>(KIND_ANTISHIP);
    // The others hang below joints of their own, out on other starting beams.
    auto below = [this](std::int32_t side, std::int32_t kind) -> STATIONPART* {
        STATIONPART* j = BuildAt(station, StartBeam(station, side), 1, KIND_JOINT);
        return j ? BuildAt(station, j, Facing(j, QNVEC3(0, -1, 0)), kind) : nullptr;
    };
    auto* mines = dynamic_cast<MINELAUNCHER*>(below(2, KIND_MINELAUNCHER));
    auto* shockwave = dynamic_cast<SHOCKWAVE*>(below(1, KIND_SHOCKWAVE));
    ASSERT_TRUE(launcher && mines && shockwave);
    const QNVEC3 p = Position(launcher);
    DAMAGEABLE* ship = Intruder(p + QNVEC3(0, -80, 20));

    // A missile in flight loses its target, then its launcher.
    Seconds(7.5);
    auto* missile = new MISSILE(view->Root, Translation(p.x, p.y - 10, p.z), ship);
    missile->SetState(3, 0, false, true);
    QNWEAK<MISSILE> flying(missile);
    Frames(10);
    QNITEM::Destroy(ship);
    Frames(10);
    ASSERT_NE(flying.Get(), nullptr);
    EXPECT_EQ(flying->Target.Get(), nullptr);
    station->RemovePartChecked(launcher, true);
    Frames(10);

    // The mine launcher with mines out, removed through the factory.
    for (std::uint32_t k = 0; k < 2; ++k) {
        mines->Slot = k;
        ASSERT_TRUE(mines->Fire());
    }
    QNWEAK<MINELAUNCHER::MINE> mine(mines->Slots[0].Get());
    Frames(10);
    station->RemovePartChecked(mines, true);
    Frames(5);
    EXPECT_EQ(mine.Get(), nullptr);

    // The shockwave with its ball out, deleted outright.
    shockwave->Charge = SHOCKWAVE::kFullCharge;
    for (int i = 0; i < 60 * 6 && shockwave->ShockState != SHOCKWAVESTATE::ARMED; ++i)
        Frame();
    ASSERT_EQ(shockwave->ShockState, SHOCKWAVESTATE::ARMED);
    Intruder(Position(shockwave) + shockwave->GetWorldMatrix().Row(1) * 30.0f);
    Frames(3);
    QNWEAK<SHOCKWAVE::ENERGYBALL> ball(shockwave->Ball.Get());
    ASSERT_NE(ball.Get(), nullptr);
    Seconds(1.0);
    QNITEM::Destroy(shockwave);
    Frames(5);
    EXPECT_EQ(ball.Get(), nullptr);
    Seconds(1.0);
}

}  // namespace
