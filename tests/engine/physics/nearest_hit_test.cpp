// Segment queries with a small capacity keep the nearest hits, whatever the order in which the
// bodies were made and whether a body is a box or a triangle list.

#include <vector>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/view.h"
#include "physics_fixture.h"

TEST_F(PhysicsTest, SegmentQueriesKeepTheNearestHitsOfBoxesAndTriangleLists)
{
    QNMESH meshes[3], wallMesh;
    QNVIEW view(nullptr);
    std::vector<GAMENODE*> boxes;
    // Made far to near, so that the space's model order puts the nearest last.
    const float xs[3] = {9.0f, 6.0f, 3.0f};
    for (int i = 0; i < 3; ++i) {
        const QNMATRIX at = Translation(xs[i], 0, 0);
        auto* n = new GAMENODE(view.Root, "BOX", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
        n->SetState(3, 0, false, false);
        meshes[i].SetBoxSize(1, 1, 1);
        meshes[i].CreateCollision(QNCOLLGEOM::BOX, 0, "box");
        n->Mesh = &meshes[i];
        QNHOOKS::Slots.SetCollisionMesh(n, &meshes[i]);
        boxes.push_back(n);
    }
    const QNMATRIX origin = Translation(0, 0, 0);
    auto* eye = new GAMENODE(view.Root, "EYE", 0, QNCF_LEVEL_GAME, 0, 0, &origin, 0);

    QNNODEHIT hits[4];
    ASSERT_EQ(eye->CastSegment(0.0f, 20.0f, QNVEC3(1, 0, 0), 1, hits), 1);
    EXPECT_EQ(hits[0].Node, boxes[2]);
    EXPECT_NEAR(hits[0].Distance, 2.5f, 0.02f);
    ASSERT_EQ(eye->CastSegment(0.0f, 20.0f, QNVEC3(1, 0, 0), 2, hits), 2);
    EXPECT_EQ(hits[0].Node, boxes[2]);
    EXPECT_EQ(hits[1].Node, boxes[1]);

    // A triangle-list wall nearer still wins a one-hit query.
    wallMesh.CreateGrid(4, 4, 1, 1, 1, 1, 1, 2, 0, 2, true, false);
    wallMesh.CreateCollision(QNCOLLGEOM::TRIANGLE_LIST, 40, "wall");
    QNMATRIX turn;
    turn.SetRotationY(1.5707964f);
    const QNMATRIX at = turn * Translation(1.5f, 0, 0);
    auto* wall = new GAMENODE(view.Root, "WALL", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    wall->SetState(3, 0, false, false);
    wall->Mesh = &wallMesh;
    QNHOOKS::Slots.SetCollisionMesh(wall, &wallMesh);
    ASSERT_NE(wall->Model, nullptr);
    ASSERT_EQ(eye->CastSegment(0.0f, 20.0f, QNVEC3(1, 0, 0), 1, hits), 1);
    EXPECT_EQ(hits[0].Node, wall);
    EXPECT_NEAR(hits[0].Distance, 1.5f, 0.02f);
    EXPECT_EQ(eye->CastSegment(0.0f, 20.0f, QNVEC3(1, 0, 0), 4, hits), 4);
    EXPECT_EQ(hits[3].Node, boxes[0]);
}

// The world's list of triangle-list bodies when its last member leaves and comes back, and when
// another joins after it left: every listed wall still answers a segment.
TEST_F(PhysicsTest, TriangleListBodiesLeavingAndComingBackAreStillHit)
{
    QNMESH meshes[3];
    QNVIEW view(nullptr);
    GAMENODE* walls[3] = {};
    QNMATRIX turn;
    turn.SetRotationY(1.5707964f);
    for (int i = 0; i < 3; ++i) {
        meshes[i].CreateGrid(4, 4, 1, 1, 1, 1, 1, 2, 0, 2, true, false);
        meshes[i].CreateCollision(QNCOLLGEOM::TRIANGLE_LIST, 40, "wall");
        const QNMATRIX at = turn * Translation(1.5f + float(i), 0, 0);
        walls[i] = new GAMENODE(view.Root, "WALL", 0, QNCF_LEVEL_GAME, 0, 0, &at, 0);
        walls[i]->Mesh = &meshes[i];
        QNHOOKS::Slots.SetCollisionMesh(walls[i], &meshes[i]);
    }
    const QNMATRIX origin = Translation(0, 0, 0);
    auto* eye = new GAMENODE(view.Root, "EYE", 0, QNCF_LEVEL_GAME, 0, 0, &origin, 0);
    QNNODEHIT hits[4];
    auto hitCount = [&] { return eye->CastSegment(0.0f, 20.0f, QNVEC3(1, 0, 0), 4, hits); };

    walls[0]->SetState(3, 0, false, false);
    walls[1]->SetState(3, 0, false, false);
    ASSERT_EQ(hitCount(), 2);
    walls[1]->SetState(1, 0, false, false);  // the last member leaves
    ASSERT_EQ(hitCount(), 1);
    walls[1]->SetState(3, 0, false, false);  // and comes back
    ASSERT_EQ(hitCount(), 2);
    EXPECT_EQ(hits[1].Node, walls[1]);
    walls[1]->SetState(1, 0, false, false);
    walls[2]->SetState(3, 0, false, false);  // another joins after the last one left
    ASSERT_EQ(hitCount(), 2);
    EXPECT_EQ(hits[1].Node, walls[2]);
}
