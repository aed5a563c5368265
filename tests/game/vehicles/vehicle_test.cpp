// The vehicle level: electronic regeneration with the stall rule, contact sounds, and the
// obstacle box that follows the vehicle in its planner and leaves with it.

#include "game/vehicles/vehicle.h"
#include "game/world/crew.h"
#include "tests/game/vehicles/ship_fixture.h"

using shiptest::ShipTest;

TEST_F(ShipTest, VehiclesRegenerateFollowTheirObstacleBoxAndPlayContactSoundsOnce)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    QNPATHPLANNER* planner = PathPlanner(0);
    ASSERT_NE(ship->ObstacleBox, nullptr);
    const std::uint32_t boxes = planner->BoxesInUse();

    // One unit per second; a stall of 0.5 s or more counts as 0.01 s.
    ship->DamageElectronic(10.0f, 0, 0);
    Frames(60);
    EXPECT_NEAR(ship->Electronic, 16.0f, 0.05f);
    Stall(2.0);
    Frame();
    EXPECT_NEAR(ship->Electronic, 16.01f, 0.05f);

    // The box follows the ship as it flies (as it stood before the frame's physics step).
    ship->Throttle = 1.0f;
    Frames(120);
    QNBOX tree;
    ship->GetTreeBounds(tree, true, false);
    const float step = COLLSHIP::kTopSpeed / 60.0f;
    EXPECT_GT(tree.min.z, 15.0f);
    EXPECT_NEAR(ship->ObstacleBox->Box.min.z, tree.min.z, step);
    EXPECT_NEAR(ship->ObstacleBox->Box.max.z, tree.max.z, step);
    EXPECT_EQ(ship->ObstacleBox->Box.min.x, tree.min.x);
    const QNVEC3 inside = (tree.min + tree.max) * 0.5f;
    const QNVEC3 far(1e9f, 1e9f, 1e9f);
    EXPECT_TRUE(planner->IsPointBlocked(inside, far, far, 0.0f));

    // Contact: a sound when it begins, none while it goes on, the flag until it ends.
    QNNODE* rock = sites[0]->Crew;  // anything that is not a station part
    ship->OnContact(rock, QNCONTACT_BEGAN, nullptr, nullptr);
    ship->OnContact(rock, QNCONTACT_TOUCHING, nullptr, nullptr);
    EXPECT_EQ(ship->CollisionSounds, 1u);
    EXPECT_TRUE(ship->InContact);
    ship->OnContact(rock, QNCONTACT_ENDED, nullptr, nullptr);
    EXPECT_FALSE(ship->InContact);

    // Gone, the ship takes its box out of the planner: the point is free again.
    QNITEM::Destroy(ship);
    EXPECT_EQ(planner->BoxesInUse(), boxes - 1);
    EXPECT_FALSE(planner->IsPointBlocked(inside, far, far, 0.0f));
}
