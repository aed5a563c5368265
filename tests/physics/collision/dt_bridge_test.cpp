#include <cmath>
#include <vector>

#include "physics/collision/dt_bridge.h"
#include "physics/dynamics/body.h"
#include "physics/dynamics/contact.h"
#include "physics/dynamics/joints.h"
#include "physics/dynamics/world_step.h"
#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;

namespace {

// A world, a space and a bridge set up the way the engine sets up a scene's physics.
class BridgeTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        world = MdtWorldCreate(128, 2048);
        ASSERT_NE(world, nullptr);
        MdtWorldSetGravity(world, 0, 0, -9.81f);
        MdtWorldSetGamma(world, 0.3f);
        space = McdAxisSortCreate(framework, 7, 256, 1024);
        ASSERT_NE(space, nullptr);
        bridge = McdDtBridgeCreate(3);
        ASSERT_NE(bridge, nullptr);
        McdDtBridgeSetBodyHooks(world);
        MdtContactParams* p = McdDtBridgeGetContactParams(bridge, 0, 0);
        MdtContactParamsSetType(p, 2);
        MdtContactParamsSetFriction(p, 1.0f);
        colltest::Identity(ground);
    }
    void TearDown() override
    {
        for (McdModelID m : models) {
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

    McdModelID Add(McdGeometryID g, MdtBody* body, MeMatrix4Ptr transform)
    {
        McdModelID m = McdModelCreate(g);
        EXPECT_NE(m, nullptr);
        if (body)
            McdModelSetBody(m, body);
        else
            McdModelSetTransformPtr(m, transform);
        McdModelSetSortKey(m, static_cast<MeI16>(models.size()));
        McdSpaceInsertModel(space, m);
        models.push_back(m);
        return m;
    }
    MdtBody* Body(float x, float y, float z, float mass, const MeReal inertia[9])
    {
        MdtBody* b = MdtBodyCreate(world);
        MeMatrix4 tm;
        colltest::Identity(tm);
        tm[3][0] = x, tm[3][1] = y, tm[3][2] = z;
        MdtBodySetTransform(b, tm);
        MdtBodySetMass(b, mass);
        MdtBodySetInertiaTensor(b, inertia);
        MdtBodyEnable(b);
        return b;
    }
    McdModelID DropBox(float half, float x, float y, float z)
    {
        MeReal inertia[9];
        MdtMakeInertiaTensorBox(1, 2 * half, 2 * half, 2 * half, inertia);
        return Add(McdBoxCreate(framework, 2 * half, 2 * half, 2 * half), Body(x, y, z, 1, inertia), nullptr);
    }
    McdModelID DropSphere(float r, float x, float y, float z)
    {
        MeReal inertia[9];
        MdtMakeInertiaTensorSphere(1, r, inertia);
        return Add(McdSphereCreate(framework, r), Body(x, y, z, 1, inertia), nullptr);
    }
    McdModelID Floor() { return Add(McdPlaneCreate(framework), nullptr, ground); }

    void Step(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            McdSpaceUpdate(space);
            McdSpaceUpdateAndCollide(bridge, space, world);
            MdtWorldStep(world, 1.0f / 60);
        }
    }
    static float Z(McdModelID m) { return McdModelGetTransformPtr(m)[3][2]; }

    MdtWorld* world = nullptr;
    McdSpaceID space = nullptr;
    McdDtBridgeID bridge = nullptr;
    MeMatrix4 ground;
    std::vector<McdModelID> models;
};

MdtConstraint* GroupOf(McdSpaceID space, McdModelID m)
{
    struct Find {
        McdModelID model;
        MdtConstraint* group;
    } find{m, nullptr};
    McdSpacePairHandlers h;
    h.continuing = [](McdModelPair* pair, void* data) {
        auto* f = static_cast<Find*>(data);
        if (pair->model1 == f->model || pair->model2 == f->model)
            f->group = pair->contactGroup;
    };
    h.added = h.continuing;
    McdSpaceEndChanges(space);
    McdSpaceReportPairs(space, &h, &find);
    McdSpaceBeginChanges(space);
    return find.group;
}

TEST_F(BridgeTest, MaterialTableIsSymmetricAndGuarded)
{
    EXPECT_EQ(McdDtBridgeGetContactParams(bridge, 2, 1), McdDtBridgeGetContactParams(bridge, 1, 2));
    std::vector<MdtContactParams*> all;
    for (int a = 0; a < 3; ++a)
        for (int b = a; b < 3; ++b)
            all.push_back(McdDtBridgeGetContactParams(bridge, a, b));
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
            EXPECT_NE(all[i], all[j]);
    EXPECT_EQ(McdDtBridgeGetContactParams(bridge, 3, 0), nullptr);
    EXPECT_EQ(McdDtBridgeGetContactParams(bridge, -1, 0), nullptr);
    McdDtBridgeSetPairCallback(bridge, -5, 7, [](McdIntersectResult*, MdtConstraint*) { return 0; });
    EXPECT_EQ(McdDtBridgeGetPairCallback(bridge, 0, 0), nullptr);
    EXPECT_EQ(McdDtBridgeGetNewMaterial(bridge), 1);
    EXPECT_EQ(McdDtBridgeGetNewMaterial(bridge), 2);
    EXPECT_EQ(McdDtBridgeGetNewMaterial(bridge), -1);
}

TEST_F(BridgeTest, BoxAndSphereComeToRestOnThePlane)
{
    Floor();
    McdModelID box = DropBox(0.5f, 0, 0, 1.0f);
    McdModelID ball = DropSphere(0.5f, 3, 0, 1.5f);
    // A material id far outside the table falls back to the default pair.
    McdModelSetData(ball, 1000);
    Step(120);
    MdtConstraint* g = GroupOf(space, box);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(MdtContactGroupGetCount(g), 4);
    EXPECT_TRUE(MdtConstraintIsEnabled(g));
    for (int i = 0; i < 300; ++i) {
        Step();
        ASSERT_NEAR(Z(box), 0.5f, 1e-3f) << i;
        ASSERT_NEAR(Z(ball), 0.5f, 2e-3f) << i;
    }
    EXPECT_EQ(MdtContactGroupGetCount(GroupOf(space, box)), 4);
}

TEST_F(BridgeTest, RestingBodyDisablesAndItsModelFreezes)
{
    MdtWorldSetAutoDisable(world, 1);
    Floor();
    McdModelID box = DropBox(0.5f, 0, 0, 0.6f);
    MdtBody* body = McdModelGetBody(box);
    EXPECT_FALSE(McdSpaceModelIsFrozen(box));
    int steps = 0;
    while (MdtBodyIsEnabled(body) && steps < 600) {
        Step();
        ++steps;
    }
    ASSERT_FALSE(MdtBodyIsEnabled(body)) << "never came to rest";
    EXPECT_TRUE(McdSpaceModelIsFrozen(box));
    EXPECT_NEAR(Z(box), 0.5f, 2e-3f);
    MdtBodyEnable(body);
    EXPECT_FALSE(McdSpaceModelIsFrozen(box));
}

TEST_F(BridgeTest, PairCallbackReturningZeroEmptiesTheGroup)
{
    Floor();
    McdModelID box = DropBox(0.5f, 0, 0, 0.49f);
    static int calls = 0;
    calls = 0;
    McdDtBridgeSetPairCallback(bridge, 0, 0, [](McdIntersectResult* r, MdtConstraint*) {
        ++calls;
        EXPECT_GT(r->contactCount, 0);
        return 0;
    });
    Step();
    EXPECT_EQ(calls, 1);
    MdtConstraint* g = GroupOf(space, box);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(MdtContactGroupGetCount(g), 0);
    EXPECT_FALSE(MdtConstraintIsEnabled(g));
    Step(30);
    EXPECT_LT(Z(box), 0.3f);  // nothing holds it up
}

TEST_F(BridgeTest, OnlyModelTwoWithABodyFlipsTheNormals)
{
    // A static box under a dropped one; the static box sorts first, so it is model 1 and
    // the group's first body is the dropped box's.
    MeMatrix4 base;
    colltest::Identity(base);
    McdModelID floor = Add(McdBoxCreate(framework, 10, 10, 1), nullptr, base);
    McdModelID box = DropBox(0.5f, 0, 0, 1.2f);
    McdModelSetSortKey(floor, 0);
    McdModelSetSortKey(box, 5);
    Step(150);
    MdtConstraint* g = GroupOf(space, box);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(MdtContactGroupGetFlip(g), 1);
    EXPECT_EQ(MdtConstraintGetBody(g, 0), McdModelGetBody(box));
    EXPECT_EQ(MdtConstraintGetBody(g, 1), nullptr);
    EXPECT_NEAR(Z(box), 1.0f, 2e-3f);
    MeReal n[3];
    MdtContactGetNormal(MdtContactGroupGetFirst(g), n);
    EXPECT_NEAR(n[2], 1, 1e-4f);  // from the world towards the box
}

TEST_F(BridgeTest, UnlinkingTheBodyDestroysItsGroups)
{
    Floor();
    McdModelID box = DropBox(0.5f, 0, 0, 0.49f);
    Step();
    MdtBody* body = McdModelGetBody(box);
    ASSERT_NE(GroupOf(space, box), nullptr);
    const int before = MdtWorldGetConstraintCount(world);
    EXPECT_GE(before, 5);  // the group and its four contacts
    McdModelSetBody(box, nullptr);
    EXPECT_EQ(MdtWorldGetConstraintCount(world), 0);
    EXPECT_EQ(GroupOf(space, box), nullptr);
    EXPECT_EQ(body->model, nullptr);
    EXPECT_EQ(McdModelGetTransformPtr(box), nullptr);
    EXPECT_EQ(box->linearVelocity, nullptr);
    // Two models without bodies make no group; the box model needs a transform again.
    MeMatrix4 still;
    colltest::Identity(still);
    still[3][2] = 0.49f;
    McdModelSetTransformPtr(box, still);
    Step();
    EXPECT_EQ(GroupOf(space, box), nullptr);
    EXPECT_EQ(MdtWorldGetConstraintCount(world), 0);
    McdModelSetBody(box, body);  // relink for the fixture's teardown
}

TEST_F(BridgeTest, UnlinkingABodyAfterAnOutOfOrderFreeDestroysItsGroupOnce)
{
    Floor();
    // Taken before the first box's contacts and returned after them: the next group reuses it.
    MdtConstraint* spare = MdtBallJointCreate(world);
    McdModelID box = DropBox(0.5f, 0, 0, 0.49f);
    Step();
    MdtConstraintDestroy(spare);
    McdModelID other = DropBox(0.5f, 3, 0, 0.49f);
    Step();
    MdtConstraint* g = GroupOf(space, other);
    ASSERT_NE(g, nullptr);
    const int live = MdtWorldGetConstraintCount(world) - 1 - MdtContactGroupGetCount(g);
    MdtBody* body = McdModelGetBody(other);
    McdModelSetBody(other, nullptr);
    EXPECT_EQ(MdtWorldGetConstraintCount(world), live);
    McdModelSetBody(other, body);
    // Every record has one owner: both boxes rest on their own groups.
    Step(60);
    EXPECT_NEAR(Z(box), 0.5f, 2e-3f);
    EXPECT_NEAR(Z(other), 0.5f, 2e-3f);
    ASSERT_NE(GroupOf(space, box), GroupOf(space, other));
    EXPECT_EQ(MdtWorldGetConstraintCount(world),
              2 + MdtContactGroupGetCount(GroupOf(space, box)) + MdtContactGroupGetCount(GroupOf(space, other)));
}

TEST_F(BridgeTest, MoreThanFiftyPairsInOneUpdate)
{
    Floor();
    std::vector<McdModelID> balls;
    for (int i = 0; i < 60; ++i)  // the fixture's framework has room for 64 models
        balls.push_back(DropSphere(0.4f, 1.0f * (i % 10), 1.0f * (i / 10), 0.39f));
    Step(60);
    int resting = 0;
    for (McdModelID b : balls) {
        MdtConstraint* g = GroupOf(space, b);
        if (g && MdtContactGroupGetCount(g) == 1 && std::fabs(Z(b) - 0.4f) < 2e-3f)
            ++resting;
    }
    EXPECT_EQ(resting, 60);
}

}  // namespace
