// Mining: the chipper fired from the ship, its release window, its hit on an ore rock, the ore
// cloud that hands the ore to the ship once, and the timings of reload, flight and cloud.

#include "physics/collision/space.h"
#include "game/vehicles/chipper.h"
#include "game/vehicles/ore_cloud.h"
#include "game/vehicles/vehicle_frames.h"
#include "game/world/natural_object.h"
#include "ship_fixture.h"

namespace {

using shiptest::ShipTest;

class ChipperTest : public ShipTest {
protected:
    void SetUp() override
    {
        ShipTest::SetUp();
        SHIPWEAPON::SetMaker(WEAPON_CHIPPER, &CHIPPERLAUNCHER::Make);
        root = sites[0];  // the sites are the view roots of projectiles and effects
    }

    /// A ship in view `mode` 300 units above site 0, turned off every world axis, with its
    /// chipper selected.
    COLLSHIP* MiningShip(std::uint32_t mode)
    {
        COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 300, 0), mode);
        QNMATRIX turned;
        turned.SetLookAt(QNVEC3(0, 0, 0), QNVEC3(0.6f, 0.5f, -0.62f), QNVEC3(0.2f, 1.0f, 0.1f));
        ship->SetTransform(turned * ship->GetWorldMatrix());
        EXPECT_TRUE(ship->SelectWeapon(WEAPON_CHIPPER));
        return ship;
    }
    /// Live nodes of `name` directly under site 0.
    std::vector<GAMENODE*> Under(const char* name) const
    {
        std::vector<GAMENODE*> out;
        for (QNCHILDWALK walk(root); QNITEM* c = walk.Advance();)
            if (auto* n = dynamic_cast<GAMENODE*>(c); n && !n->Delete && std::string(n->Name().Text()) == name)
                out.push_back(n);
        return out;
    }
    static bool PairEnabled(QNNODE* a, QNNODE* b)
    {
        QNBODY* ba = PhysicsBodyOf(a);
        QNBODY* bb = PhysicsBodyOf(b);
        return ba && bb && ba->Model && bb->Model && McdSpacePairIsEnabled(ba->Model, bb->Model);
    }
    /// Frames until `done` holds or `seconds` have passed; the seconds it took.
    template <class F>
    double RunUntil(F done, double seconds)
    {
        double t = 0.0;
        while (!done() && t < seconds) {
            Frame();
            t += kFrame;
        }
        return t;
    }

    QNNODE* root = nullptr;
};

TEST_F(ChipperTest, AChippedOreRockHandsItsOreToTheShipOnce)
{
    COLLSHIP* ship = MiningShip(VIEWMODE_INSIDE);
    QNMATRIX at;
    at.SetTranslation(-1.3f, -0.15f, 30.0f);  // in line with the first (left) muzzle
    at = at * ship->GetWorldMatrix();
    auto* ore = new ORE(scene->GetView(0)->Root, 1, 2, at, 0);  // Blue Hexine, placed in world axes
    ore->SetState(3, 0, false, true);

    ship->FireSelectedWeapon();
    std::vector<GAMENODE*> chippers = Under("CHIPPER");
    ASSERT_EQ(chippers.size(), 1u);
    auto* chipper = static_cast<CHIPPER*>(chippers[0]);
    EXPECT_FALSE(PairEnabled(chipper, ship));
    auto* launcher = static_cast<CHIPPERLAUNCHER*>(ship->Rack.Get(WEAPON_CHIPPER));
    EXPECT_EQ(launcher->AmmoLevel(), CHIPPERLAUNCHER::kSpent);
    ship->FireSelectedWeapon();  // still reloading
    EXPECT_EQ(Under("CHIPPER").size(), 1u);

    // It leaves along the left muzzle (the nose turned half a degree) at 25 units a second and
    // strikes the rock about 1.1 s later: cloud and chunks.
    const QNVEC3 muzzle = (vehicleframes::ChipperFrames()[0] * ship->GetWorldMatrix()).Row(2).Normalize();
    EXPECT_GT(QNVEC3::Dot(chipper->GetWorldMatrix().Row(2).Normalize(), muzzle), 0.9999f);
    Frame();
    EXPECT_GT(QNVEC3::Dot(PhysicsBodyOf(chipper)->GetLinearVelocity().Normalize(), muzzle), 0.9999f);
    EXPECT_NEAR(PhysicsBodyOf(chipper)->GetLinearVelocity().Length(), CHIPPERLAUNCHER::kSpeed, 0.5f);
    const double hit = RunUntil([&] { return !Under("CLOUD").empty(); }, 3.0);
    EXPECT_GT(hit, 0.8);
    EXPECT_LT(hit, 1.3);
    ASSERT_EQ(Under("CLOUD").size(), 1u);
    EXPECT_EQ(Under("CHUNKS").size(), 1u);
    EXPECT_TRUE(Under("CHIPPER").empty());
    auto* cloud = static_cast<CLOUD*>(Under("CLOUD")[0]);
    EXPECT_EQ(cloud->Ore.Get(), ore);
    QNWEAK<GAMENODE> marker = cloud->Marker.Get();
    ASSERT_NE(marker.Get(), nullptr);
    EXPECT_EQ(marker->Parent(), static_cast<QNITEM*>(HudOf(ship)));
    EXPECT_EQ(ore->GetWorldMatrix().Translation(), at.Translation());  // the rock is left alone

    // The ship flies through twice: one pick-up, one message.
    const QNMATRIX away = ship->GetWorldMatrix();
    QNMATRIX inside = away;
    const QNVEC3 c = cloud->GetWorldMatrix().Translation();
    inside.at(3, 0) = c.x;
    inside.at(3, 1) = c.y;
    inside.at(3, 2) = c.z - 4.0f;
    const std::size_t lines = HudOf(ship)->Lower.size();
    for (int pass = 0; pass < 2; ++pass) {
        ship->SetTransform(inside);
        Frames(2);
        ship->SetTransform(away);
        Frames(2);
    }
    const std::uint32_t bit = 1u << (1 + 3 * 2);
    EXPECT_EQ(ship->OreBits, bit);
    ASSERT_EQ(HudOf(ship)->Lower.size(), lines + 1);
    EXPECT_EQ(HudOf(ship)->Lower.back(), "Collected Blue Hexine");
    EXPECT_EQ(HudOf(ship)->OreFlashes, 1u);

    // The cloud and its marker are gone 10 s after the split; the launcher is loaded again.
    const double gone = RunUntil([&] { return Under("CLOUD").empty(); }, 12.0);
    EXPECT_NEAR(gone + hit, CLOUD::kLife + hit, 0.2);
    EXPECT_EQ(marker.Get(), nullptr);
    EXPECT_EQ(launcher->AmmoLevel(), CHIPPERLAUNCHER::kLoaded);
}

// A chipper moves further in a frame than its radius: wherever the rock's surface falls between
// two frames, it must still strike the rock rather than pass into it.
TEST_F(ChipperTest, ARockIsStruckWhateverTheDistanceBetweenFrames)
{
    for (int i = 0; i < 6; ++i) {
        COLLSHIP* ship = MiningShip(VIEWMODE_OUTSIDE);
        QNMATRIX at;
        at.SetTranslation(-1.3f, -0.15f, 20.0f + 0.07f * float(i));
        at = at * ship->GetWorldMatrix();
        QNWEAK<ORE> ore = new ORE(scene->GetView(0)->Root, 1, 2, at, 0);
        ore->SetState(3, 0, false, true);
        ship->FireSelectedWeapon();
        ASSERT_EQ(Under("CHIPPER").size(), 1u);
        QNWEAK<CHIPPER> chipper = static_cast<CHIPPER*>(Under("CHIPPER")[0]);
        RunUntil([&] { return !chipper.Get() || chipper->Delete || !Under("CLOUD").empty(); }, 2.0);
        EXPECT_FALSE(Under("CLOUD").empty()) << "rock at " << 20.0f + 0.07f * float(i);
        for (const char* name : {"CLOUD", "CHUNKS", "CHIPPER"})
            for (GAMENODE* n : Under(name))
                QNITEM::Destroy(n);
        QNITEM::Destroy(ore.Get());
        QNITEM::Destroy(ship);
        Frame();
    }
}

TEST_F(ChipperTest, ReleaseWindowAndRemovalTimes)
{
    COLLSHIP* ship = MiningShip(VIEWMODE_OUTSIDE);
    // A ship ahead is "anything else": the chipper stays 1.5 s after touching it.
    COLLSHIP* other = Ship(0, 1, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    QNMATRIX ahead;
    ahead.SetTranslation(0, 0, 27);
    other->SetTransform(ahead * ship->GetWorldMatrix());
    ship->FireSelectedWeapon();
    auto* chipper = static_cast<CHIPPER*>(Under("CHIPPER").at(0));
    QNWEAK<CHIPPER> watch(chipper);
    const double touched = RunUntil([&] { return chipper->Hit != CHIPPERHIT::FLYING; }, 3.0);
    EXPECT_EQ(chipper->Hit, CHIPPERHIT::OTHER);
    EXPECT_NEAR(chipper->HitTime, touched, 0.05);
    EXPECT_FALSE(PairEnabled(chipper, ship));
    const double hitTime = chipper->HitTime;
    const double left = RunUntil([&] { return !watch.Get() || watch->Delete; }, 5.0);
    EXPECT_NEAR(touched + left, hitTime + CHIPPER::kAfterHit, 0.05);
    EXPECT_TRUE(Under("CLOUD").empty());
    EXPECT_EQ(other->Ballistic, COLLSHIP::kCondition);  // the chipper does no damage

    // Reloaded after 10 s, a chipper that meets nothing leaves at 4 s; its ship may hit it from 2 s.
    RunUntil([&] { return ship->Rack.Get(WEAPON_CHIPPER)->AmmoLevel() == CHIPPERLAUNCHER::kLoaded; }, 10.0);
    QNITEM::Destroy(other);
    ship->FireSelectedWeapon();
    auto* idle = static_cast<CHIPPER*>(Under("CHIPPER").at(0));
    QNWEAK<CHIPPER> idleWatch(idle);
    RunUntil([] { return false; }, 1.9);
    EXPECT_FALSE(PairEnabled(idle, ship));
    RunUntil([] { return false; }, 0.2);
    EXPECT_TRUE(PairEnabled(idle, ship));
    const double end = RunUntil([&] { return !idleWatch.Get() || idleWatch->Delete; }, 3.0) + 2.1;
    EXPECT_NEAR(end, CHIPPER::kFlightTime, 0.05);
}

}  // namespace
