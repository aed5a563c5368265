// The mine launcher in a real world: launch gating by slot, interval and angle; a mine that
// finds its way around a box to its parking point; a sensor touch that sets the mine off in
// its next update, hurting only enemies within the blast; a removed launcher takes its mines.

#include <cmath>

#include "game/world/game_globals.h"
#include "game/world/mine_launcher.h"
#include "station_weapon_fixture.h"

namespace {

using MINE = MINELAUNCHER::MINE;

class MineTest : public weapontest::WeaponTest {
protected:
    void SetUp() override
    {
        weapontest::WeaponTest::SetUp();
        for (IDSET& turns : ViewTurns)
            turns.Create(30);
    }
    void TearDown() override
    {
        weapontest::WeaponTest::TearDown();
        for (IDSET& turns : ViewTurns)
            turns.Destroy();
    }
    // The frame's end as the game runs it: every view's planning turn moves on.
    void Step()
    {
        Frame();
        for (IDSET& turns : ViewTurns)
            turns.Advance();
    }
    MINE* ParkedMine(const QNVEC3& at)
    {
        auto* mine = new MINE(view->Root, Translation(at.x, at.y, at.z), nullptr, station->ViewIndex);
        mine->SetState(3, 0, false, true);
        return mine;
    }
};

TEST_F(MineTest, LaunchesOnlyFromEmptySlotsASecondApartNearTheSlotAngle)
{
    auto* launcher = Build<MINELAUNCHER>(KIND_MINELAUNCHER);
    ASSERT_NE(launcher, nullptr);
    // The box holds the turning launcher: deeper than the mesh by the square root of two.
    QNBOX box;
    launcher->GetLocalBox(box, true);
    const QNBOX mesh = launcher->Resources->FindMesh("minelauncher")->Level(0).Box;
    EXPECT_NEAR(box.max.z, mesh.max.z * 1.4142135f, 1e-4f);
    EXPECT_NEAR(box.min.z, mesh.min.z * 1.4142135f, 1e-4f);
    EXPECT_EQ(box.max.x, mesh.max.x);
    std::uint32_t launches = 0;
    for (int i = 0; i < 60 * 10; ++i) {
        Step();
        if (launcher->Launches != launches) {
            launches = launcher->Launches;
            const float angle = launcher->TurnAngle();
            const float off = std::fabs(angle - MINELAUNCHER::kSlotAngle * float(launcher->Slot));
            EXPECT_LE(off, MINELAUNCHER::kSlotWindow + 0.3f) << "angle " << angle;
            EXPECT_NE(launcher->Slots[launcher->Slot].Get(), nullptr);
        }
    }
    EXPECT_GE(launches, 2u) << "the turning launcher reached slot angles";
    EXPECT_LE(launches, 3u) << "one launch per slot window";

    // Every slot full: nothing more is launched.
    for (std::uint32_t k = 0; k < MINELAUNCHER::kSlots; ++k)
        if (!launcher->Slots[k].Get()) {
            launcher->Slot = k;
            ASSERT_TRUE(launcher->Fire());
        }
    launches = launcher->Launches;
    Seconds(10.0);
    EXPECT_EQ(launcher->Launches, launches);

    // A removed launcher takes its mines with it.
    QNWEAK<MINE> first = launcher->Slots[0];
    ASSERT_NE(first.Get(), nullptr);
    station->RemovePartChecked(launcher, true);
    Seconds(0.1);
    EXPECT_EQ(first.Get(), nullptr);
}

TEST_F(MineTest, AMineFindsItsWayAroundABoxToItsParkingPoint)
{
    auto* launcher = Build<MINELAUNCHER>(KIND_MINELAUNCHER);
    ASSERT_NE(launcher, nullptr);
    launcher->SetPowered(false);
    const QNVEC3 p = Position(launcher);
    // A box halfway out on the way to slot 0's parking point.
    const QNVEC3 goal = launcher->Parking[0];
    const QNVEC3 mid = (p + goal) * 0.5f;
    const QNPATHBOX* box = PathPlanner(0)->AddBox(QNBOX(mid - QNVEC3(6, 6, 6), mid + QNVEC3(6, 6, 6)));
    ASSERT_NE(box, nullptr);
    launcher->Slot = 0;
    ASSERT_TRUE(launcher->Fire());
    MINE* mine = launcher->Slots[0].Get();
    ASSERT_NE(mine, nullptr);
    for (int i = 0; i < 60 * 30 && mine->MineState != MINESTATE::PARKED; ++i)
        Step();
    EXPECT_EQ(mine->MineState, MINESTATE::PARKED);
    EXPECT_GT(mine->PathCount, 2u) << "the path turns around the box";
    EXPECT_EQ(mine->Path.size(), PathPlanner(0)->PathCapacity());
    EXPECT_LT((Position(mine) - goal).Length(), MINE::kParkTolerance);
    Step();
    EXPECT_NE(mine->Sensor.Get(), nullptr) << "a parked mine puts out its sensor";
    PathPlanner(0)->RemoveBox(box);
}

TEST_F(MineTest, ASensorTouchSetsTheMineOffInItsNextUpdateHurtingOnlyEnemies)
{
    const QNVEC3 at = Position(joint) + QNVEC3(0, -60, 0);
    MINE* mine = ParkedMine(at);
    Step();
    ASSERT_NE(mine->Sensor.Get(), nullptr);
    Step();

    DAMAGEABLE* friendly = Intruder(at + QNVEC3(8, 0, 0), station->ViewIndex);
    Frames(10);
    EXPECT_FALSE(mine->Triggered) << "its own company's vehicle touches it in vain";
    EXPECT_EQ(mine->MineState, MINESTATE::PARKED);

    DAMAGEABLE* outside = Intruder(at + QNVEC3(0, 0, 20.5f));
    DAMAGEABLE* enemy = Intruder(at + QNVEC3(-8, 0, 0));
    for (int i = 0; i < 5 && !mine->Triggered; ++i)
        Frame();
    ASSERT_TRUE(mine->Triggered);
    EXPECT_EQ(mine->MineState, MINESTATE::PARKED) << "the touch only sets the flag";
    EXPECT_EQ(enemy->Ballistic, 100.0f);
    Frame();
    EXPECT_EQ(mine->MineState, MINESTATE::EXPLODED);
    EXPECT_EQ(enemy->Ballistic, 100.0f - MINE::kDamage);
    EXPECT_EQ(friendly->Ballistic, 100.0f);
    EXPECT_EQ(outside->Ballistic, 100.0f);
    EXPECT_EQ(weapontest::g_explosions, 1);
    QNWEAK<MINE> gone(mine);
    Frames(3);
    EXPECT_EQ(gone.Get(), nullptr);
}

}  // namespace
