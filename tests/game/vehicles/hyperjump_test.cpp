// Hyperjumps between the sites: the corner frames, the player's jump through the tunnel into
// another view, and the outside jump refused at a blocked arrival point.

#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/scene.h"
#include "game/vehicles/ai_pilot.h"
#include "game/vehicles/ai_pilot_game.h"
#include "game/vehicles/ai_pilot_links.h"
#include "physics/dynamics/body.h"
#include "tests/game/vehicles/ship_fixture.h"

using shiptest::ShipTest;

TEST(HyperjumpCorners, FramesLookAtTheSiteCentre)
{
    for (std::uint32_t c = 0; c < 8; ++c) {
        const QNMATRIX m = COLLSHIP::CornerMatrix(c);
        const QNVEC3 at = m.Translation();
        EXPECT_NEAR(std::fabs(at.x), 200.0f, 1e-3f);
        EXPECT_NEAR(std::fabs(at.y), 200.0f, 1e-3f);
        EXPECT_NEAR(std::fabs(at.z), 200.0f, 1e-3f);
        const QNVEC3 towardCentre = (at * -1.0f).Normalize();
        const QNVEC3 z = m.Row(2);
        EXPECT_NEAR(QNVEC3::Dot(z, towardCentre), 1.0f, 1e-5f) << c;
        EXPECT_NEAR(QNVEC3::Dot(m.Row(0), z), 0.0f, 1e-5f);
    }
    const QNVEC3 z0 = COLLSHIP::CornerMatrix(0).Row(2);
    EXPECT_NEAR(z0.x, 0.57735027f, 1e-5f);
    EXPECT_NEAR(z0.y, 0.57735027f, 1e-5f);
    EXPECT_NEAR(z0.z, 0.57735027f, 1e-5f);
}

TEST_F(ShipTest, ThePlayersJumpWaitsForTheTunnelAndMovesTheShipIntoTheDestinationView)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    ship->InstallWeapon(WEAPON_CHEETAH);
    QNVIEW* from = scene->GetView(0);
    QNVIEW* to = scene->GetView(1);
    auto* stars = new STARS(sites[0], QNMATRIX());
    stars->SetState(3, 0, false, true);
    ship->Stars = stars;
    ship->Throttle = 1.0f;
    Frames(30);
    ASSERT_GT(LocalVelocity(ship).z, 5.0f);
    // The sky follows the ship (placed where it stood before the frame's step).
    EXPECT_NEAR((stars->GetWorldMatrix().Translation() - ship->GetWorldMatrix().Translation()).Length(), 0.0f,
                COLLSHIP::kTopSpeed / 60.0f);

    const int fromBodies = from->World->BodyCount(), toBodies = to->World->BodyCount();
    const std::uint32_t fromBoxes = PathPlanner(0)->BoxesInUse(), toBoxes = PathPlanner(1)->BoxesInUse();
    ASSERT_TRUE(ship->StartHyperjump(sites[1], 6));
    EXPECT_FALSE(ship->StartHyperjump(sites[2], 0));  // refused while the tunnel runs
    EXPECT_EQ(ship->Destination.Get(), sites[1]);
    EXPECT_EQ(ship->Hud->Node()->State, 2);
    Frames(38);  // 0.63 s: before the midpoint
    EXPECT_EQ(ship->ParentNode(), sites[0]);
    Frames(3);
    // Jumped: under the destination, in its view's world, its physics applied again.
    EXPECT_EQ(ship->ParentNode(), sites[1]);
    EXPECT_EQ(ship->View, to);
    EXPECT_EQ(ship->CurrentSite.Get(), sites[1]);
    QNBODY* body = PhysicsBodyOf(ship);
    ASSERT_NE(body, nullptr);
    EXPECT_EQ(body->World, to->World);
    EXPECT_FLOAT_EQ(body->GetMass(), COLLSHIP::kScale * 1e-5f);
    ASSERT_NE(body->Body, nullptr);
    EXPECT_FLOAT_EQ(body->Body->linearDamping, COLLSHIP::kLinearDamping);
    EXPECT_FLOAT_EQ(body->Body->angularDamping, COLLSHIP::kAngularDamping);
    // Every body of the tree (the weapons' too) lives in the destination world.
    int treeBodies = 0;
    for (QNITEM* x = ship; x; x = QNITEM::Next(ship, x)) {
        auto* n = dynamic_cast<QNNODE*>(x);
        if (QNBODY* b = n ? PhysicsBodyOf(n) : nullptr) {
            ++treeBodies;
            EXPECT_EQ(b->World, to->World) << n->Name().Text();
        }
    }
    EXPECT_GT(treeBodies, 1);
    // The ship's bodies (and the sky's) left the old world for the new one.
    EXPECT_LT(from->World->BodyCount(), fromBodies);
    EXPECT_EQ(fromBodies - from->World->BodyCount(), to->World->BodyCount() - toBodies);
    EXPECT_EQ(scene->ActiveView, 1u);
    EXPECT_TRUE(scene->IsViewEnabled(1));
    EXPECT_FALSE(scene->IsViewEnabled(0));
    EXPECT_EQ(to->CurrentNode.Get(), ship);
    EXPECT_EQ(sites[0]->State, 2);
    EXPECT_EQ(ship->ObstacleView, 1u);
    // The obstacle box left the old planner for the destination's.
    EXPECT_EQ(PathPlanner(0)->BoxesInUse(), fromBoxes - 1);
    EXPECT_EQ(PathPlanner(1)->BoxesInUse(), toBoxes + 1);
    const QNMATRIX arrival = COLLSHIP::CornerMatrix(6) * sites[1]->GetWorldMatrix();
    const QNVEC3 p = ship->GetWorldMatrix().Translation();
    EXPECT_NEAR((p - arrival.Translation()).Length(), 0.0f, 0.5f);
    EXPECT_EQ(HudOf(ship)->TargetSite, 1u);
    EXPECT_EQ(ship->Hud->Node()->State, 2);
    EXPECT_EQ(stars->ParentNode(), sites[1]);
    EXPECT_NEAR((stars->GetWorldMatrix().Translation() - arrival.Translation()).Length(), 0.0f, 0.5f);

    // The ship flies on in the new world, the tunnel runs out and the HUD comes back.
    Frames(60);
    EXPECT_EQ(ship->Tunnel, nullptr);
    EXPECT_EQ(ship->Hud->Node()->State, 3);
    EXPECT_GT(LocalVelocity(ship).z, 5.0f);
    EXPECT_LT(std::fabs(LocalVelocity(ship).x), 1e-3f);
    EXPECT_TRUE(ship->StartHyperjump(sites[0], 0));
}

TEST_F(ShipTest, AnOutsideJumpToABlockedArrivalChangesNothing)
{
    scene->ViewMask = 3;
    COLLSHIP* ship = Ship(0, 0, QNVEC3(50, 0, 0), VIEWMODE_OUTSIDE);
    Frame();
    const QNMATRIX before = ship->GetWorldMatrix();
    const QNMATRIX arrival = COLLSHIP::CornerMatrix(2) * sites[1]->GetWorldMatrix();
    QNBOX rock;
    rock.min = arrival.Translation() - QNVEC3(3, 3, 3);
    rock.max = arrival.Translation() + QNVEC3(3, 3, 3);
    const QNPATHBOX* box = PathPlanner(1)->AddBox(rock);
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(ship->StartHyperjump(sites[1], 2));
    EXPECT_EQ(ship->ParentNode(), sites[0]);
    EXPECT_EQ(ship->GetWorldMatrix(), before);
    EXPECT_EQ(ship->ObstacleView, 0u);

    // Free again, the jump goes through at once with a flash at each end.
    PathPlanner(1)->RemoveBox(box);
    EXPECT_TRUE(ship->StartHyperjump(sites[1], 2));
    EXPECT_EQ(ship->ParentNode(), sites[1]);
    EXPECT_EQ(ship->ObstacleView, 1u);
    EXPECT_EQ(PhysicsBodyOf(ship)->World, scene->GetView(1)->World);
    EXPECT_NE(sites[0]->FindChild("OUTSIDEHYPERSPACE"), nullptr);
    EXPECT_EQ(sites[1]->FindChild("OUTSIDEHYPERSPACE"), nullptr);  // view 1 is not the one shown
    EXPECT_NEAR((ship->GetWorldMatrix().Translation() - arrival.Translation()).Length(), 0.0f, 1e-3f);
}

// A computer pilot's ship keeps the flight settings its pilot gave it through its own jump (its
// bodies are made anew in the destination's world), and gets its hull's again when the pilot
// asks for them.
TEST_F(ShipTest, AComputerShipKeepsItsPilotsFlightSettingsThroughAJump)
{
    scene->ViewMask = 3;
    COLLSHIP* ship = Ship(0, 0, QNVEC3(50, 0, 0), VIEWMODE_OUTSIDE);
    std::unique_ptr<PILOTSHIP> control(MakePilotShip(ship));
    control->SetScale(AIPILOT::kFlightScale, AIPILOT::kFlightFactor);
    control->SetDamping(AIPILOT::kLinearDamping, 1.5f);
    Frame();
    auto expectFlight = [&](float scale, float angular) {
        QNBODY* body = PhysicsBodyOf(ship);
        ASSERT_NE(body, nullptr);
        ASSERT_NE(body->Body, nullptr);
        EXPECT_FLOAT_EQ(body->GetMass(), scale * 1e-5f);
        EXPECT_FLOAT_EQ(body->Body->angularDamping, angular);
        EXPECT_FLOAT_EQ(body->Body->linearDamping, COLLSHIP::kLinearDamping) << "the throttle keeps the speed";
    };
    expectFlight(AIPILOT::kFlightScale, 1.5f);
    ASSERT_TRUE(ship->StartHyperjump(sites[1], 2));
    ASSERT_EQ(ship->ParentNode(), sites[1]);
    EXPECT_EQ(PhysicsBodyOf(ship)->World, scene->GetView(1)->World);
    expectFlight(AIPILOT::kFlightScale, 1.5f);
    Frames(5);
    ASSERT_TRUE(ship->StartHyperjump(sites[0], 5));
    expectFlight(AIPILOT::kFlightScale, 1.5f);
    control->SetScale(COLLSHIP::kScale, 1.0f);
    control->SetDamping(COLLSHIP::kLinearDamping, COLLSHIP::kAngularDamping);
    expectFlight(COLLSHIP::kScale, COLLSHIP::kAngularDamping);
}

TEST_F(ShipTest, AShipThatJumpedToAnUnseenSiteIsShownWhenThePlayerArrivesThere)
{
    // As in a game: only the player's site is shown.
    for (std::uint32_t i = 1; i < 4; ++i)
        sites[i]->SetState(2, 0, false, false);
    COLLSHIP* player = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    COLLSHIP* other = Ship(0, 2, QNVEC3(60, 0, 0), VIEWMODE_OUTSIDE);
    Frame();
    ASSERT_EQ(other->State, 3);
    ASSERT_NE(other->Instance, nullptr);

    // Out of the shown view it arrives hidden.
    ASSERT_TRUE(other->StartHyperjump(sites[3], 1));
    ASSERT_TRUE(other->StartHyperjump(sites[1], 3));
    EXPECT_EQ(other->State, 2);
    EXPECT_TRUE(!other->Instance || !other->Instance->Visible);

    auto jump = [&](SITE* to) {
        ASSERT_TRUE(player->StartHyperjump(to, 6));
        Frames(100);  // through the tunnel and out
        ASSERT_EQ(player->CurrentSite.Get(), to);
        ASSERT_EQ(player->Tunnel, nullptr);
    };
    jump(sites[1]);
    // Drawn and in the collision space, like the rest of the shown site.
    EXPECT_EQ(other->State, 3);
    ASSERT_NE(other->Instance, nullptr);
    EXPECT_EQ(other->Instance->Visible, 1);
    QNBODY* body = PhysicsBodyOf(other);
    ASSERT_NE(body, nullptr);
    EXPECT_TRUE(body->IsAttached());
    for (QNITEM* x = other; x; x = QNITEM::Next(other, x)) {
        // The hidden arrival's vote is lifted from the whole tree (glows keep their own).
        if (auto* n = dynamic_cast<GAMENODE*>(x)) {
            EXPECT_EQ(n->Vote(0), 3) << n->Name().Text();
        }
    }

    // It goes and comes back with its site.
    jump(sites[0]);
    EXPECT_EQ(other->State, 2);
    jump(sites[1]);
    EXPECT_EQ(other->State, 3);
}

TEST_F(ShipTest, LeavingTheCockpitInTheTunnelCallsTheJumpOff)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    Frame();
    const QNVEC3 before = ship->GetWorldMatrix().Translation();
    ASSERT_TRUE(ship->StartHyperjump(sites[1], 2));
    Frames(10);
    // The pilot climbs out (or ejects) before the midpoint: no tunnel is left on the hull and the
    // ship stays at its site, also once the tunnel's time is over.
    ship->SetViewMode(VIEWMODE_OUTSIDE);
    EXPECT_EQ(ship->Tunnel, nullptr);
    Frames(100);
    EXPECT_EQ(ship->CurrentSite.Get(), sites[0]);
    // Back in the cockpit the ship neither jumps nor refuses a new jump.
    ship->SetViewMode(VIEWMODE_INSIDE);
    Frames(100);
    EXPECT_EQ(ship->ParentNode(), sites[0]);
    EXPECT_NEAR((ship->GetWorldMatrix().Translation() - before).Length(), 0.0f, 1.0f);
    EXPECT_EQ(ship->Hud->Node()->State, 3);
    ASSERT_TRUE(ship->StartHyperjump(sites[1], 2));
    Frames(100);
    EXPECT_EQ(ship->CurrentSite.Get(), sites[1]);
}
