// A computer pilot in a real site: flying out, the route is planned on the view's turn around
// the registered obstacle boxes and the collector ship reaches the exit point without its box
// entering one of them; on an attack run, the look ahead takes the nearest hit.

#include <memory>

#include "game/vehicles/ai_pilot.h"
#include "game/vehicles/ai_pilot_game.h"
#include "game/world/game_globals.h"
#include "ship_fixture.h"

namespace {

using shiptest::ShipTest;

// The game around a pilot at its own site with nothing to fight.
class HOMEWORLD : public PILOTWORLD {
public:
    explicit HOMEWORLD(SITE* site) : site_(site) {}
    bool SceneCurrent() const override { return true; }
    std::uint32_t ShownView() const override { return 0; }
    std::uint32_t HomeView() const override { return 0; }
    std::uint32_t PlayerView() const override { return 1; }
    QNITEM* PlayerShip() const override { return nullptr; }
    bool PlayerShipDocked() const override { return false; }
    std::uint32_t StationThreats() const override { return 0; }
    void PartsOfKind(std::uint32_t, std::int32_t, std::vector<QNITEM*>&) const override {}
    std::uint32_t HomeTargetCount() const override { return 0; }
    QNITEM* HomeTarget(std::uint32_t) const override { return nullptr; }
    bool Locate(const QNITEM*, QNVEC3&) const override { return false; }
    bool IsDestroyed(const QNITEM*) const override { return false; }
    std::int32_t KindOf(const QNITEM*) const override { return -1; }
    std::uint32_t CompanyOf(const QNITEM*) const override { return 0; }
    void Charge(float) override {}
    QNVEC3 ExitPoint(std::uint32_t) const override
    {
        return QNVEC3::TransformCoord(QNVEC3(0.0f, 0.0f, 200.0f), site_->GetWorldMatrix());
    }

private:
    SITE* site_;
};

bool Overlap(const QNBOX& a, const QNBOX& b)
{
    return a.min.x < b.max.x && b.min.x < a.max.x && a.min.y < b.max.y && b.min.y < a.max.y && a.min.z < b.max.z &&
           b.min.z < a.max.z;
}

class RouteTest : public ShipTest {
protected:
    void SetUp() override
    {
        ShipTest::SetUp();
        ViewTurns[0].Create(30);
    }
    void TearDown() override
    {
        ViewTurns[0].Destroy();
        ShipTest::TearDown();
    }
    // A box of the site's frame registered in view 0's planner.
    const QNPATHBOX* Wall(const QNVEC3& min, const QNVEC3& max)
    {
        const QNMATRIX frame = sites[0]->GetWorldMatrix();
        return PathPlanner(0)->AddBox(
            QNBOX(QNVEC3::TransformCoord(min, frame), QNVEC3::TransformCoord(max, frame)));
    }
};

TEST_F(RouteTest, FlyingOutReachesTheExitPointAroundTheObstacles)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0.0f, 0.0f, -120.0f), VIEWMODE_OUTSIDE);
    // A wall across the way out and a block beside it.
    ASSERT_TRUE(Wall(QNVEC3(-20.0f, -20.0f, 0.0f), QNVEC3(30.0f, 20.0f, 20.0f)));
    ASSERT_TRUE(Wall(QNVEC3(-50.0f, -20.0f, 60.0f), QNVEC3(-10.0f, 20.0f, 100.0f)));
    // Another ship of the view has the planning turn first.
    ViewTurns[0].Insert(IDSET::NewSerial());

    HOMEWORLD world(sites[0]);
    std::unique_ptr<PILOTSHIP> control(MakePilotShip(ship));
    AIPILOT pilot(world);
    pilot.SetShip(ship, control.get());
    pilot.EnterState(PILOTSTATE::FLY_OUT);
    const QNVEC3 goal = world.ExitPoint(0);

    QNPATHPLANNER* planner = PathPlanner(0);
    float nearest = 1e9f;
    int frames = 0;
    bool plannedOnTurn = true;
    for (; frames < 60 * 90; ++frames) {
        ship->Throttle = 0.0f;  // what the company's pilot clears before each step
        const bool myTurn = ViewTurns[0].HasTurn(pilot.RouteTask.Route.Serial);
        const bool planning = pilot.RouteTask.Route.State == ROUTESTATE::PLANNING;
        pilot.Update();
        if (planning && pilot.RouteTask.Route.State == ROUTESTATE::FOLLOWING && !myTurn)
            plannedOnTurn = false;
        ViewTurns[0].Advance();
        Frame();

        QNBOX box;
        ship->GetBox(box, true);
        for (std::uint32_t i = 0; i < planner->BoxCount(); ++i) {
            const QNPATHBOX* record = planner->Record(i);
            if (record && record->InUse && record != ship->ObstacleBox) {
                ASSERT_FALSE(Overlap(box, record->Box)) << "frame " << frames;
            }
        }
        nearest = std::min(nearest, (ship->GetWorldMatrix().Translation() - goal).Length());
        if (pilot.Previous == PILOTSTATE::FLY_OUT && pilot.State != PILOTSTATE::FLY_OUT)
            break;
    }
    EXPECT_TRUE(plannedOnTurn);
    EXPECT_GT(pilot.RouteTask.Route.PathCount, 2u) << "a detour around the wall";
    EXPECT_LE(nearest, 15.0f);
    EXPECT_LT(frames, 60 * 90);
}

// The player's site seen from a pilot of view 1, with one station part: `Part`, of kind 11.
class RAIDWORLD : public HOMEWORLD {
public:
    RAIDWORLD(SITE* site, QNITEM* part) : HOMEWORLD(site), part_(part) {}
    std::uint32_t HomeView() const override { return 1; }
    std::uint32_t PlayerView() const override { return 0; }
    std::uint32_t StationThreats() const override { return 1; }
    void PartsOfKind(std::uint32_t view, std::int32_t kind, std::vector<QNITEM*>& out) const override
    {
        if (view == 0 && kind == 11 && part_.Get())
            out.push_back(part_.Get());
    }
    bool Locate(const QNITEM* node, QNVEC3& position) const override
    {
        const auto* n = dynamic_cast<const QNNODE*>(node);
        if (n)
            position = n->GetWorldMatrix().Translation();
        return n != nullptr;
    }
    std::int32_t KindOf(const QNITEM* node) const override { return node == part_.Get() ? 11 : 64; }

private:
    QNWEAK<QNITEM> part_;
};

TEST_F(RouteTest, TheAttackRunShootsOnlyWhenTheNearestHitIsTheTarget)
{
    COLLSHIP* raider = Ship(0, 1, QNVEC3(0.0f, 0.0f, -40.0f), VIEWMODE_OUTSIDE);
    COLLSHIP* target = Ship(0, 0, QNVEC3(0.0f, 0.0f, 0.0f), VIEWMODE_OUTSIDE);
    COLLSHIP* blocker = Ship(0, 2, QNVEC3(0.0f, 0.0f, -20.0f), VIEWMODE_OUTSIDE);
    Frame();

    RAIDWORLD world(sites[0], target);
    std::unique_ptr<PILOTSHIP> control(MakePilotShip(raider));
    auto run = [&] {
        AIPILOT pilot(world);
        pilot.SetShip(raider, control.get());
        pilot.EnterState(PILOTSTATE::DECIDE);
        for (int i = 0; i < 10 && pilot.State != PILOTSTATE::SHOOT &&
                        !(pilot.Previous == PILOTSTATE::ATTACK_RUN && pilot.State == PILOTSTATE::DECIDE);
             ++i) {
            raider->Throttle = 0.0f;
            pilot.Update();
            Frame();
        }
        return pilot.State;
    };
    // The ship in between is hit first: the run is given up and the part released.
    EXPECT_EQ(run(), PILOTSTATE::DECIDE);
    EXPECT_FALSE(AIPILOT::IsClaimed(target));
    // A ship behind the target is farther: the target is the nearest hit.
    blocker->SetTransform(Translation(0.0f, 0.0f, 30.0f) * sites[0]->GetWorldMatrix());
    Frame();
    EXPECT_EQ(run(), PILOTSTATE::SHOOT);
}

}  // namespace
