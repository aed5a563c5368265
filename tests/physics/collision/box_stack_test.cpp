// Boxes resting on each other in a real world: space, bridge, box-box contacts and the step.

#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/collision/dt_bridge.h"
#include "physics/dynamics/body.h"
#include "physics/dynamics/contact.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_random.h"
#include "physics/dynamics/world_step.h"
#include "tests/physics/collision/collision_test_support.h"

namespace {

constexpr MeReal kStep = 1.0f / 60;

class BoxStackTest : public colltest::FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        world = MdtWorldCreate(64, 1024);
        ASSERT_NE(world, nullptr);
        MdtWorldSetGravity(world, 0, 0, -9.81f);
        MdtWorldSetGamma(world, 0.3f);
        space = McdAxisSortCreate(framework, 7, 64, 512);
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
        boxes.push_back(floor);
        for (McdModelID m : boxes) {
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
    McdModelID AddBox(MeReal half, MeReal x, MeReal y, MeReal z)
    {
        MdtBody* body = MdtBodyCreate(world);
        MeMatrix4 tm;
        colltest::Identity(tm);
        tm[3][0] = x, tm[3][1] = y, tm[3][2] = z;
        MdtBodySetTransform(body, tm);
        MdtBodySetMass(body, 1);
        MeReal inertia[9];
        MdtMakeInertiaTensorBox(1, 2 * half, 2 * half, 2 * half, inertia);
        MdtBodySetInertiaTensor(body, inertia);
        MdtBodyEnable(body);
        McdModelID m = McdModelCreate(McdBoxCreate(framework, 2 * half, 2 * half, 2 * half));
        McdModelSetBody(m, body);
        McdSpaceInsertModel(space, m);
        boxes.push_back(m);
        return m;
    }
    // A stack of unit boxes on the floor, each 1 mm into the one below and shifted sideways by
    // up to 2 cm.
    void Stack(int n)
    {
        MeRandomSeed(1234);
        auto jitter = [] { return 0.02f * (2.0f * static_cast<MeReal>(MeRandom()) / MeRANDOM_MAX - 1); };
        for (int i = 0; i < n; ++i)
            AddBox(0.5f, jitter(), jitter(), 0.5f + i * 0.999f - 0.001f);
    }
    void Step()
    {
        McdSpaceUpdate(space);
        McdSpaceUpdateAndCollide(bridge, space, world);
        MdtWorldStep(world, kStep);
    }
    static MeReal Speed(McdModelID m)
    {
        MdtBody* b = McdModelGetBody(m);
        MeReal v[3], w[3];
        MdtBodyGetLinearVelocity(b, v);
        MdtBodyGetAngularVelocity(b, w);
        return std::sqrt(MeVector3Dot(v, v) + MeVector3Dot(w, w));
    }
    static MeReal Horizontal(McdModelID m, const MeReal start[2])
    {
        MeConstMatrix4Ptr t = McdModelGetTransformPtr(m);
        return std::hypot(t[3][0] - start[0], t[3][1] - start[1]);
    }
    // Contacts of the group of the pair that holds model m and the model below it.
    int ContactsUnder(McdModelID m, McdModelID below)
    {
        struct Find {
            McdModelID a, b;
            MdtConstraint* group;
        } find{m, below, nullptr};
        McdSpacePairHandlers h;
        h.continuing = [](McdModelPair* pair, void* data) {
            auto* f = static_cast<Find*>(data);
            if ((pair->model1 == f->a && pair->model2 == f->b) || (pair->model1 == f->b && pair->model2 == f->a))
                f->group = pair->contactGroup;
        };
        h.added = h.continuing;
        McdSpaceEndChanges(space);
        McdSpaceReportPairs(space, &h, &find);
        McdSpaceBeginChanges(space);
        return find.group ? MdtContactGroupGetCount(find.group) : -1;
    }

    MdtWorld* world = nullptr;
    McdSpaceID space = nullptr;
    McdDtBridgeID bridge = nullptr;
    MeMatrix4 ground;
    McdModelID floor = nullptr;
    std::vector<McdModelID> boxes;
};

TEST_F(BoxStackTest, RestingPairKeepsFourContactsAndStaysStill)
{
    McdModelID lower = AddBox(0.5f, 0, 0, 0.5f);
    McdModelID upper = AddBox(0.5f, 0, 0, 1.499f);
    int fewest = 4;
    MeReal fastest = 0;
    for (int i = 0; i < 2000; ++i) {
        Step();
        fewest = std::min(fewest, ContactsUnder(upper, lower));
        if (i >= 1000)
            fastest = std::max({fastest, Speed(upper), Speed(lower)});
    }
    EXPECT_EQ(fewest, 4);
    EXPECT_LT(fastest, 1e-5f);
}

TEST_F(BoxStackTest, StacksStandAndComeToRest)
{
    struct Case {
        int height;
        MeReal drift;
    };
    for (Case c : {Case{5, 0.0005f}, Case{10, 0.001f}, Case{20, 0.004f}}) {
        TearDown();
        boxes.clear();
        SetUp();
        Stack(c.height);
        McdModelID top = boxes.back();
        MeConstMatrix4Ptr t = McdModelGetTransformPtr(top);
        const MeReal start[2] = {t[3][0], t[3][1]};
        const MeReal height = t[3][2];
        MeReal fastest = 0;
        for (int i = 0; i < 2000; ++i) {
            Step();
            if (i >= 1900)
                for (McdModelID m : boxes)
                    fastest = std::max(fastest, Speed(m));
        }
        EXPECT_LT(Horizontal(top, start), c.drift) << c.height;
        // Standing: each box may rise by the 1 mm it started inside the one below.
        EXPECT_NEAR(t[3][2], height, 0.001f * c.height + 0.002f) << c.height;
        EXPECT_LT(fastest, 1e-4f) << c.height;
    }
}

}  // namespace
