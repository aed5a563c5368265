#pragma once
// A powered player station with a joint out on a beam for weapons, a site without its ore
// field (so nothing stands in a line of fire by chance), and intruders and rocks to put about.

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "game/world/damageable.h"
#include "game/world/destruction.h"
#include "game/world/ore_field.h"
#include "game/world/station_weapon.h"
#include "station_test_util.h"

namespace weapontest {

/// Explosions left by shots, counted.
inline int g_explosions = 0;

class WeaponTest : public stationtest::StationTest {
protected:
    void SetUp() override
    {
        stationtest::StationTest::SetUp();
        g_explosions = 0;
        DESTRUCTION::MakeExplosion = [](QNNODE*, const QNMATRIX&, float) { ++g_explosions; };
        QNITEM::Destroy(site->OreField);
        site->OreField = nullptr;
        station = MakePlayerStation();
        joint = BuildAt(station, StartBeam(station, 0), 1, KIND_JOINT);
        ASSERT_NE(joint, nullptr);
        ASSERT_NE(BuildAt(station, joint, Facing(joint, QNVEC3(0, 1, 0)), KIND_GENERATOR), nullptr);
    }
    void TearDown() override
    {
        DESTRUCTION::MakeExplosion = nullptr;
        stationtest::StationTest::TearDown();
    }

    /// Builds `kind` on the joint's face pointing along `direction`, powered and shown.
    template <class T = STATIONPART>
    T* Build(std::int32_t kind, const QNVEC3& direction = QNVEC3(0, -1, 0))
    {
        STATIONPART* part = BuildAt(station, joint, Facing(joint, direction), kind);
        EXPECT_NE(part, nullptr) << PlacementMessage(station->Result);
        EXPECT_TRUE(part && part->Powered);
        return dynamic_cast<T*>(part);
    }

    /// An intruding ship (kind 64, of no company) at `at`, with a rock's shape so that shots
    /// and sensors can touch it.
    DAMAGEABLE* Intruder(const QNVEC3& at, std::uint32_t company = ~0u)
    {
        QNMATRIX m;
        m.SetTranslationV(at);
        auto* ship = new DAMAGEABLE(site, "SHIP", kKindCollectorShip, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &m, company);
        ship->SetMaxima(100.0f, 100.0f);
        ship->SetMesh("asteroid");
        ship->SetState(3, 0, false, true);
        ship->Active = true;
        return ship;
    }
    /// A rock at `at` (no target).
    GAMENODE* Rock(const QNVEC3& at)
    {
        QNMATRIX m;
        m.SetTranslationV(at);
        auto* rock = new GAMENODE(site, "ROCK", 2, QNCF_LEVEL_GAME, 0, 0, &m, 0);
        rock->SetMesh("asteroid");
        rock->SetState(3, 0, false, true);
        return rock;
    }
    static QNVEC3 Position(const QNNODE* n) { return n->GetWorldMatrix().Translation(); }
    void Seconds(double s) { Frames(int(s * 60.0 + 0.5)); }

    STATION* station = nullptr;
    STATIONPART* joint = nullptr;
};

}  // namespace weapontest
