// The neutron beam in a real world: 100 long with all 22 segments when nothing is in front,
// stopped by a rock in front of an intruder (which it then spares), burning an intruder it
// meets; the emitter fires only at a target within the beam's reach, five seconds apart.

#include "game/world/neutron_emitter.h"
#include "station_weapon_fixture.h"

namespace {

using BEAM = NEUTRONEMITTER::NEUTRONBEAM;
using weapontest::WeaponTest;

TEST_F(WeaponTest, TheNeutronBeamReachesTheNearestBodyAndBurnsAVehicle)
{
    auto* emitter = Build<NEUTRONEMITTER>(KIND_NEUTRONEMITTER);
    ASSERT_NE(emitter, nullptr);
    emitter->SetPowered(false);   // held still: the beam fires where it points
    Frames(2);
    BEAM* beam = emitter->Beam;
    EXPECT_EQ(beam->State, 2) << "hidden until it fires";
    ASSERT_TRUE(beam->Start());
    EXPECT_FALSE(beam->Start()) << "one shot at a time";
    Frame();
    EXPECT_FLOAT_EQ(beam->Length, 100.0f);
    EXPECT_EQ(beam->Shown, BEAM::kSegments);
    EXPECT_TRUE(beam->EndSegment[BEAM::kSegments - 1]);
    Seconds(1.1);
    EXPECT_FALSE(beam->Firing);
    EXPECT_EQ(beam->State, 2);

    const QNMATRIX w = beam->GetWorldMatrix();
    const QNVEC3 from = w.Translation(), along = w.Row(2).Normalize();
    DAMAGEABLE* ship = Intruder(from + along * 70.0f);
    GAMENODE* rock = Rock(from + along * 35.0f);
    ASSERT_TRUE(beam->Start());
    Frames(10);
    EXPECT_LT(beam->Length, 64.0f) << "stopped at the rock";
    EXPECT_GT(beam->Length, 28.0f);
    EXPECT_LT(beam->Shown, BEAM::kSegments);
    EXPECT_TRUE(beam->EndSegment[beam->Shown - 1]);
    EXPECT_EQ(ship->Electronic, 100.0f) << "the rock takes the beam";
    QNITEM::Destroy(rock);
    Frames(30);
    EXPECT_GT(beam->Length, 64.0f);
    EXPECT_LT(beam->Length, 77.0f);
    EXPECT_LT(ship->Electronic, 100.0f);
    EXPECT_GT(ship->Electronic, 100.0f - NEUTRONEMITTER::NEUTRONBEAM::kBurn * 1.0f);

    // Powered, it takes the intruder 150 away (within its range) but never fires at it.
    ship->SetTransform(Translation(from.x + 150.0f, from.y, from.z));
    emitter->SetPowered(true);
    Seconds(6.0);
    EXPECT_EQ(emitter->Target(), ship);
    EXPECT_GE(emitter->FireTimer.Elapsed(), 6.0) << "no shot beyond the beam's reach";
    EXPECT_FALSE(emitter->IsReadyToFire());
}

}  // namespace

namespace {

// The line of fire is about other things in the way: a target steeply above the part, where the
// line from the part's origin first crosses the emitter's own projector, is fired at and burned.
TEST_F(WeaponTest, TheEmittersOwnProjectorNeverHoldsItsFire)
{
    auto* emitter = Build<NEUTRONEMITTER>(KIND_NEUTRONEMITTER);
    ASSERT_NE(emitter, nullptr);
    const QNMATRIX w = emitter->GetWorldMatrix();
    const QNVEC3 at = w.Translation(), up = w.Row(1).Normalize(), ahead = w.Row(2).Normalize();
    for (const float elevation : {50.0f, 65.0f}) {
        SCOPED_TRACE(testing::Message() << elevation << " degrees up");
        const float e = Radians(elevation);
        DAMAGEABLE* ship = Intruder(at + (ahead * std::cos(e) + up * std::sin(e)) * 40.0f);
        const std::uint32_t shots = emitter->Shots;
        Seconds(12.0);
        EXPECT_EQ(emitter->Target(), ship);
        EXPECT_GE(emitter->Shots, shots + 1) << "held by its own projector";
        EXPECT_LT(ship->Electronic, 100.0f) << "burned";
        QNITEM::Destroy(ship);
        Seconds(1.0);
    }
}

}  // namespace
