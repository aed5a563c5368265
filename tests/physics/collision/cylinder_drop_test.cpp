// A cylinder dropped on a plane in a real world: space, bridge and world step together.

#include <cmath>
#include <vector>

#include "physics/collision/dt_bridge.h"
#include "physics/dynamics/body.h"
#include "physics/dynamics/contact.h"
#include "physics/dynamics/world_step.h"
#include "tests/physics/collision/collision_test_support.h"

namespace {

class CylinderDropTest : public colltest::FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        world = MdtWorldCreate(16, 256);
        ASSERT_NE(world, nullptr);
        MdtWorldSetGravity(world, 0, 0, -9.81f);
        MdtWorldSetGamma(world, 0.3f);
        space = McdAxisSortCreate(framework, 7, 16, 64);
        bridge = McdDtBridgeCreate(1);
        ASSERT_TRUE(space && bridge);
        McdDtBridgeSetBodyHooks(world);
        MdtContactParams* p = McdDtBridgeGetContactParams(bridge, 0, 0);
        MdtContactParamsSetType(p, 2);
        MdtContactParamsSetFriction(p, 1.0f);
        colltest::Identity(ground);
        floor = McdModelCreate(McdPlaneCreate(framework));
        McdModelSetTransformPtr(floor, ground);
        McdSpaceInsertModel(space, floor);
    }
    void TearDown() override
    {
        for (McdModelID m : {cylinder, floor}) {
            if (!m)
                continue;
            McdSpaceRemoveModel(m);
            MdtBody* b = McdModelGetBody(m);
            McdModelSetBody(m, nullptr);
            McdGeometryID g = McdModelGetGeometry(m);
            McdModelDestroy(m);
            McdGeometryDestroy(g);
            if (b)
                MdtBodyDestroy(b);
        }
        McdDtBridgeDestroy(bridge);
        McdSpaceDestroy(space);
        MdtWorldDestroy(world);
        FrameworkTest::TearDown();
    }
    // A cylinder of radius r and height 2h, its axis tilted by `tilt` about x, at height z.
    void Drop(MeReal r, MeReal h, MeReal tilt, MeReal z)
    {
        MdtBody* body = MdtBodyCreate(world);
        MeMatrix4 tm;
        colltest::Identity(tm);
        const MeReal c = std::cos(tilt), s = std::sin(tilt);
        tm[1][1] = c;
        tm[1][2] = s;
        tm[2][1] = -s;
        tm[2][2] = c;
        tm[3][2] = z;
        MdtBodySetTransform(body, tm);
        MdtBodySetMass(body, 1);
        // Solid cylinder about its centre, axis z.
        const MeReal side = (3 * r * r + 4 * h * h) / 12, axial = r * r / 2;
        const MeReal inertia[9] = {side, 0, 0, 0, side, 0, 0, 0, axial};
        MdtBodySetInertiaTensor(body, inertia);
        MdtBodyEnable(body);
        cylinder = McdModelCreate(McdCylinderCreate(framework, r, 2 * h));
        McdModelSetBody(cylinder, body);
        McdSpaceInsertModel(space, cylinder);
    }
    void Step(int n)
    {
        for (int i = 0; i < n; ++i) {
            McdSpaceUpdate(space);
            McdSpaceUpdateAndCollide(bridge, space, world);
            MdtWorldStep(world, 1.0f / 60);
        }
    }

    MdtWorld* world = nullptr;
    McdSpaceID space = nullptr;
    McdDtBridgeID bridge = nullptr;
    MeMatrix4 ground;
    McdModelID floor = nullptr;
    McdModelID cylinder = nullptr;
};

TEST_F(CylinderDropTest, ComesToRestOnItsCap)
{
    Drop(0.4f, 0.5f, 0.15f, 1.5f);
    Step(300);
    MeConstMatrix4Ptr t = McdModelGetTransformPtr(cylinder);
    // Upright: the axis along the plane normal, the centre half its height above the plane.
    EXPECT_GT(std::fabs(t[2][2]), 0.999f);
    EXPECT_NEAR(t[3][2], 0.5f, 0.01f);
    const MeReal x = t[3][0], y = t[3][1];
    Step(120);
    EXPECT_NEAR(t[3][2], 0.5f, 0.01f);
    EXPECT_NEAR(t[3][0], x, 0.01f);
    EXPECT_NEAR(t[3][1], y, 0.01f);
    EXPECT_GT(std::fabs(t[2][2]), 0.999f);
}

}  // namespace
