// The early warning station sounds the alarm when the intruder list grows (once however many
// join), not when it shrinks, and neither sounds nor moves without power; the mercenary dock's
// radar turns only while the dock operates.

#include "game/world/early_warning.h"
#include "game/world/merc_ship_dock.h"
#include "station_weapon_fixture.h"

namespace {

class EarlyWarningTest : public weapontest::WeaponTest {
protected:
    // A part of `kind` on top of a joint of its own, out on another starting beam.
    template <class T>
    T* OnTop(std::int32_t kind, std::int32_t side)
    {
        STATIONPART* j = BuildAt(station, StartBeam(station, side), 1, KIND_JOINT);
        EXPECT_NE(j, nullptr) << PlacementMessage(station->Result);
        auto* part = j ? dynamic_cast<T*>(BuildAt(station, j, Facing(j, QNVEC3(0, 1, 0)), kind)) : nullptr;
        EXPECT_NE(part, nullptr) << PlacementMessage(station->Result);
        return part;
    }
};

TEST_F(EarlyWarningTest, TheAlarmSoundsOnceForEachGrowthAndOnlyWithPower)
{
    auto* ew = OnTop<EARLYWARNING>(KIND_EARLYWARNING, 2);
    ASSERT_NE(ew, nullptr);
    ASSERT_TRUE(ew->IsOperating());
    EXPECT_TRUE(ew->Dish->Enabled);
    const QNVEC3 p = Position(ew);
    Frames(2);
    EXPECT_EQ(ew->Dish->Alarms, 0u);

    DAMAGEABLE* a = Intruder(p + QNVEC3(100, 0, 0));
    Intruder(p + QNVEC3(-100, 0, 0));
    Frames(3);
    EXPECT_EQ(ew->Dish->Alarms, 1u) << "two joined in one frame";
    QNITEM::Destroy(a);
    Frames(3);
    EXPECT_EQ(ew->Dish->Alarms, 1u) << "one left";
    Intruder(p + QNVEC3(0, 0, 100));
    Frames(3);
    EXPECT_EQ(ew->Dish->Alarms, 2u) << "a new one after one left";

    // No power: silent and still.
    ew->SetPowered(false);
    EXPECT_FALSE(ew->Dish->Enabled);
    Intruder(p + QNVEC3(0, 0, -100));
    Frames(30);
    EXPECT_EQ(ew->Dish->Alarms, 2u);
    for (GAMENODE* wing : ew->Wings)
        EXPECT_TRUE(wing->IsTurningSlowerThan(0.01f));
    EXPECT_TRUE(ew->Dish->IsTurningSlowerThan(0.01f));
}

// Only the player's station (the one with station sounds) hears of intruders: a computer
// company's early warning station gets no target list and never sounds the alarm.
TEST_F(EarlyWarningTest, AComputerCompanysStationRaisesNoAlarm)
{
    station->Sounds = false;
    auto* ew = OnTop<EARLYWARNING>(KIND_EARLYWARNING, 2);
    ASSERT_NE(ew, nullptr);
    ASSERT_TRUE(ew->IsOperating());
    const QNVEC3 p = Position(ew);
    Frames(2);
    Intruder(p + QNVEC3(100, 0, 0));
    Frames(3);
    ASSERT_EQ(site->Targets().Count(), 1u) << "the intruder is listed for the weapons";
    EXPECT_EQ(ew->Dish->Targets, nullptr);
    EXPECT_EQ(ew->Dish->Alarms, 0u);
}

TEST_F(EarlyWarningTest, TheMercenaryDockRadarTurnsOnlyWhileTheDockOperates)
{
    auto* dock = OnTop<MERCSHIPDOCK>(KIND_MERCSHIPDOCK, 2);
    ASSERT_NE(dock, nullptr);
    // Once placed, the planner keeps the ships' room beside and above the dock free.
    Frames(1);
    ASSERT_NE(dock->ObstacleBox, nullptr);
    const QNBOX mesh = dock->Resources->FindMesh("mercshipdock")->Level(0).Box;
    const QNMATRIX& w = dock->GetWorldMatrix();
    const float room = MERCSHIPDOCK::kShipRoom - 0.5f;
    for (const QNVEC3& p : {QNVEC3(mesh.max.x + room, 0, 0), QNVEC3(mesh.min.x - room, 0, 0),
                            QNVEC3(0, 0, mesh.max.z + room), QNVEC3(0, 0, mesh.min.z - room),
                            QNVEC3(0, mesh.max.y + MERCSHIPDOCK::kShipHeadroom - 0.5f, 0)})
        EXPECT_TRUE(dock->ObstacleBox->Box.Contains(QNVEC3::TransformCoord(p, w))) << p.x << " " << p.y << " " << p.z;
    Seconds(1.0);
    EXPECT_FALSE(dock->Radar->IsTurningSlowerThan(1.0f)) << "turning at its motor's speed";
    dock->SetPowered(false);
    Frames(2);
    EXPECT_TRUE(dock->Radar->IsTurningSlowerThan(0.01f));
}

}  // namespace
