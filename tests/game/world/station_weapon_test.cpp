// The engagement cycle shared by the station weapons, with a stub weapon whose Track and
// readiness the test sets: target spreading, range bounds, the cycle's transitions, a line of
// fire held by a nearer rock, a deleted target, and the F key.

#include "engine/input/qninput.h"
#include "game/world/timed_value.h"
#include "station_weapon_fixture.h"

namespace {

using weapontest::WeaponTest;

class STUBWEAPON : public STATIONWEAPON {
public:
    STUBWEAPON(STATIONPART* parent, std::int32_t connector, STATION* station)
        : STATIONWEAPON(parent, "STUB", KIND_NEUTRONEMITTER, 0, station->ViewIndex, station->Targets)
    {
        SetMesh("joint");
        AddConnector(FACE_BOTTOM);
        Place(parent, connector);
        SetState(3, 0, false, true);
        SetPowered(true);
        SetActive(true);
    }
    bool Fire() override { return ++Shots, true; }
    bool Track() override { return OnTarget; }
    bool IsReadyToFire() override { return true; }
    QNVEC3 GetAimDirection() const override { return Aim; }

    int Shots = 0;
    bool OnTarget = false;
    QNVEC3 Aim = QNVEC3(0, 0, 1);
};

class BaseTest : public WeaponTest {
protected:
    STUBWEAPON* Stub(const QNVEC3& face) { return new STUBWEAPON(joint, Facing(joint, face), station); }
};

TEST_F(BaseTest, TargetsSpreadOverWeaponsWithinTheRangeBounds)
{
    STUBWEAPON* a = Stub(QNVEC3(0, 0, 1));
    STUBWEAPON* b = Stub(QNVEC3(0, 0, -1));
    STUBWEAPON* c = Stub(QNVEC3(0, -1, 0));
    const QNVEC3 p = Position(a);
    DAMAGEABLE* near = Intruder(p + QNVEC3(0, 0, 60));
    DAMAGEABLE* far = Intruder(p + QNVEC3(0, 0, 90));
    site->Targets().Rebuild();

    // The first weapon takes the nearer intruder, the second the other one though it is farther.
    ASSERT_TRUE(a->FindTarget());
    EXPECT_EQ(a->Target(), near);
    ASSERT_TRUE(b->FindTarget());
    EXPECT_EQ(b->Target(), far);
    // A third finds nothing untaken: its tolerance rises and its next search takes the nearer.
    EXPECT_FALSE(c->FindTarget());
    EXPECT_EQ(c->Tolerance, 1u);
    ASSERT_TRUE(c->FindTarget());
    EXPECT_EQ(c->Target(), near);
    EXPECT_EQ(near->Engagements, 2);
    EXPECT_EQ(far->Engagements, 1);

    // Range bounds are inclusive.
    QNITEM::Destroy(near);
    QNITEM::Destroy(far);
    STUBWEAPON* d = Stub(QNVEC3(0, 0, 1));
    d->MinRange = 10.0f;
    d->MaxRange = 20.0f;
    const QNVEC3 q = Position(d);
    DAMAGEABLE* inside = Intruder(q + QNVEC3(0, 19.99f, 0));
    site->Targets().Rebuild();
    EXPECT_TRUE(d->IsInRange(inside));
    inside->SetTransform(Translation(q.x, q.y + 20.02f, q.z));
    EXPECT_FALSE(d->IsInRange(inside));
    EXPECT_FALSE(d->FindTarget());
    inside->SetTransform(Translation(q.x, q.y + 9.98f, q.z));
    EXPECT_FALSE(d->FindTarget());
    inside->SetTransform(Translation(q.x, q.y + 10.01f, q.z));
    EXPECT_TRUE(d->FindTarget());
}

TEST_F(BaseTest, TheCycleTracksFiresHoldsForARockAndDropsLostTargets)
{
    STUBWEAPON* w = Stub(QNVEC3(0, 0, 1));
    w->Aim = QNVEC3(0, 0, 1);
    const QNVEC3 p = Position(w);
    Frame();
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::IDLE);

    DAMAGEABLE* ship = Intruder(p + QNVEC3(0, 0, 80));
    Frame();   // the site lists it before the station's parts update
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::SEARCHING);
    Frame();
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::TRACKING);
    EXPECT_EQ(w->Target(), ship);
    Frame();
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::TRACKING) << "Track has not reported on target";
    w->OnTarget = true;
    Frame();
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::FIRING);
    EXPECT_EQ(w->Shots, 0);
    Frame();
    EXPECT_EQ(w->Shots, 1) << "nothing but the target in the line of fire";

    // A rock nearer than the target holds fire; the weapon stays on it.
    GAMENODE* rock = Rock(p + QNVEC3(0, 0, 40));
    Frames(3);
    EXPECT_EQ(w->Shots, 1);
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::FIRING);
    // A rock behind the target does not.
    rock->SetTransform(Translation(p.x, p.y, p.z + 150));
    Frame();
    EXPECT_EQ(w->Shots, 2);

    // Unpowered: state and target kept, nothing happens.
    w->SetPowered(false);
    Frames(3);
    EXPECT_EQ(w->Shots, 2);
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::FIRING);
    w->SetPowered(true);
    w->OnTarget = false;
    Frame();
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::TRACKING);

    // Out of range: dropped with the engagement lowered.
    ship->SetTransform(Translation(p.x, p.y, p.z + 300));
    Frame();
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::IDLE);
    EXPECT_EQ(w->Target(), nullptr);
    EXPECT_EQ(ship->Engagements, 0);

    // Deleted by its owner while targeted: dropped as gone, nothing read through it.
    ship->SetTransform(Translation(p.x, p.y, p.z + 80));
    Frames(3);
    ASSERT_EQ(w->Target(), ship);
    QNITEM::Destroy(ship);
    Frame();
    EXPECT_EQ(w->Target(), nullptr);
    EXPECT_EQ(w->WeaponState, WEAPONSTATE::IDLE);
}

TEST(TimedValueTest, ShapesByMode)
{
    const std::int64_t saved = QNTIMER::FrameCounter();
    const auto at = [](double seconds) { QNTIMER::SetFrameCounter(std::int64_t(seconds * double(QNTIMER::Frequency()))); };
    TIMEDVALUE v;
    const auto read = [&](std::uint32_t mode, double seconds) {
        at(0);
        v.Set(2.0f, 6.0f, 2.0f, mode);
        at(seconds);
        return v.Value();
    };
    EXPECT_FLOAT_EQ(read(TIMEDVALUE::ONCE, 1.0), 4.0f);
    EXPECT_FLOAT_EQ(read(TIMEDVALUE::ONCE, 9.0), 6.0f);
    EXPECT_FLOAT_EQ(read(TIMEDVALUE::LOOP, 5.0), 4.0f);
    EXPECT_FLOAT_EQ(read(TIMEDVALUE::PINGPONG, 3.0), 4.0f);
    EXPECT_FLOAT_EQ(read(TIMEDVALUE::PINGPONG, 3.5), 3.0f) << "on its way back";
    EXPECT_FLOAT_EQ(read(TIMEDVALUE::PINGPONG, 4.5), 3.0f) << "out again";
    EXPECT_FLOAT_EQ(read(7, 3.0), 8.0f) << "raw time runs past the end";
    at(0);
    v.Set(1.0f, 0.0f, 0.0f, TIMEDVALUE::ONCE);
    EXPECT_FLOAT_EQ(v.Value(), 0.0f);
    QNTIMER::SetFrameCounter(saved);
}

}  // namespace
