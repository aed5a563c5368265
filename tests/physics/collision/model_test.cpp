#include <cmath>

#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;
using colltest::MessageCapture;

namespace {

int UpdateCalls = 0;
void CountUpdate(McdModelID)
{
    ++UpdateCalls;
}

}  // namespace

TEST_F(FrameworkTest, ModelsResetShareGeometryAndRefuseNull)
{
    McdGeometryID box = McdBoxCreate(framework, 1, 1, 1);
    McdModelID a = McdModelCreate(box);
    ASSERT_NE(a, nullptr);
    EXPECT_FLOAT_EQ(McdModelGetPadding(a), 0.005f);
    EXPECT_EQ(a->spaceId, -1);
    EXPECT_EQ(McdModelGetSpace(a), nullptr);
    EXPECT_EQ(McdModelGetBody(a), nullptr);
    MeReal lo[3], hi[3];
    McdModelGetAABB(a, lo, hi);
    EXPECT_EQ(lo[0], FLT_MAX);
    EXPECT_EQ(hi[0], -FLT_MAX);
    EXPECT_EQ(McdModelGetGeometry(a), box);

    McdModelID b = McdModelCreate(box);
    EXPECT_EQ(McdGeometryGetReferenceCount(box), 2);
    McdModelDestroy(a);
    EXPECT_EQ(McdGeometryGetReferenceCount(box), 1);

    EXPECT_EQ(McdModelCreate(nullptr), nullptr);

    // User data and the data word are pointer-sized.
    int marker = 0;
    McdModelSetUserData(b, &marker);
    EXPECT_EQ(McdModelGetUserData(b), &marker);
    McdModelSetData(b, static_cast<std::uintptr_t>(1) << 40);
    EXPECT_EQ(McdModelGetData(b), static_cast<std::uintptr_t>(1) << 40);
    McdModelSetPadding(b, 0.25f);
    EXPECT_FLOAT_EQ(McdModelGetPadding(b), 0.25f);

    {
        // Destroying a referenced geometry warns and frees it all the same.
        MessageCapture capture;
        McdModelDestroy(b);
        McdGeometryID g = McdSphereCreate(framework, 1);
        McdModelID m = McdModelCreate(g);
        McdGeometryDestroy(g);
        ASSERT_EQ(capture.warnings.size(), 1u);
        EXPECT_EQ(capture.warnings[0], "Destroying geometry with non-zero reference count!\n");
        // The model still points at the freed record: forget it without touching it.
        McdModelGetGeometryInstance(m)->geometry = nullptr;
        McdModelDestroy(m);
    }
    McdGeometryDestroy(box);
}

TEST_F(FrameworkTest, ModelPoolExhaustionGivesNull)
{
    McdFrameworkID small = McdInit(7, 2, 0);
    McdPrimitivesRegisterTypes(small);
    McdGeometryID s = McdSphereCreate(small, 1);
    McdModelID a = McdModelCreate(s), b = McdModelCreate(s);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(McdModelCreate(s), nullptr);
    McdModelDestroy(a);
    McdModelID c = McdModelCreate(s);
    EXPECT_EQ(c, a);
    McdModelDestroy(b);
    McdModelDestroy(c);
    McdGeometryDestroy(s);
    McdTerm(small);
    // Restore the fixture's framework as the current one is not needed: it owns its own pools.
}

TEST_F(FrameworkTest, RelativeTransformsAndUpdateHooks)
{
    McdGeometryID box = McdBoxCreate(framework, 2, 2, 2);
    McdModelID m = McdModelCreate(box);
    MeMatrix4 rel, parent, combined;
    colltest::RandomPose(rel, 1, 2, 3);
    colltest::RandomPose(parent, -4, 5, 0.5f);
    McdModelSetRelativeTransforms(m, rel, parent, combined);
    EXPECT_EQ(McdModelGetTransformPtr(m), combined);
    McdModelSetUpdateCallback(m, CountUpdate);
    UpdateCalls = 0;
    McdModelUpdate(m);
    EXPECT_EQ(UpdateCalls, 1);

    // combined = rel x parent: a local point goes through rel, then parent.
    const MeReal p[3] = {0.3f, -0.7f, 1.1f};
    MeReal viaRel[3], expect[3], got[3];
    MeMatrix4TransformPoint(rel, p, viaRel);
    MeMatrix4TransformPoint(parent, viaRel, expect);
    MeMatrix4TransformPoint(combined, p, got);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(got[k], expect[k], 1e-5f);
    MeMatrix4 affine;
    MeMatrix4MultiplyAffine(affine, rel, parent);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(affine[i][j], combined[i][j], 1e-5f);

    // The box follows the combined transform.
    MeReal lo[3], hi[3];
    McdModelGetAABB(m, lo, hi);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(0.5f * (lo[k] + hi[k]), combined[3][k], 1e-5f);

    // The model-updated hook runs only with its flag bit set.
    static int hookCalls = 0;
    framework->modelUpdatedHook = [](McdModelID) { ++hookCalls; };
    McdModelUpdate(m);
    EXPECT_EQ(hookCalls, 0);
    framework->hookFlags = kMcdHookModelUpdated;
    McdModelUpdate(m);
    EXPECT_EQ(hookCalls, 1);
    framework->hookFlags = 0;

    McdModelDestroy(m);
    McdGeometryDestroy(box);
}

TEST_F(FrameworkTest, BoundingSphereCentreTurnsWithTheModel)
{
    // The cone's sphere centre sits off its origin: (0, 0, -0.125) locally.
    McdGeometryID cone = McdConeCreate(framework, 4, 3);
    McdModelID m = McdModelCreate(cone);
    MeMatrix4 t;
    colltest::Identity(t);
    // Local z along world x.
    t[0][0] = 0;
    t[0][2] = -1;
    t[2][0] = 1;
    t[2][2] = 0;
    t[3][0] = 10;
    McdModelSetTransformPtr(m, t);
    MeReal c[3], r;
    McdModelGetBSphere(m, c, &r);
    EXPECT_FLOAT_EQ(c[0], 10 - 0.125f);
    EXPECT_FLOAT_EQ(c[1], 0);
    EXPECT_FLOAT_EQ(c[2], 0);
    EXPECT_FLOAT_EQ(r, 3.125f);
    McdModelDestroy(m);
    McdGeometryDestroy(cone);
}

TEST_F(FrameworkTest, AggregatesTakeOneChildInstancePerSlot)
{
    McdGeometryID s = McdSphereCreate(framework, 1);
    McdGeometryID b = McdBoxCreate(framework, 1, 1, 1);
    McdGeometryID agg = McdAggregateCreate(framework, 4);
    ASSERT_NE(agg, nullptr);
    EXPECT_EQ(McdAggregateGetElementCapacity(agg), 4);
    EXPECT_EQ(McdAggregateGetElementCount(agg), 0);
    EXPECT_EQ(McdAggregateGetElementGeometry(agg, 0), nullptr);
    EXPECT_EQ(McdAggregateGetElementGeometry(agg, 4), nullptr);
    EXPECT_EQ(McdAggregateSetElement(agg, 4, s, nullptr), 0);
    EXPECT_EQ(McdAggregateSetElement(agg, 0, s, nullptr), 1);
    EXPECT_EQ(McdAggregateSetElement(agg, 2, b, nullptr), 1);
    EXPECT_EQ(McdAggregateGetElementCount(agg), 2);

    const int before = framework->instancePool.used;
    McdModelID m = McdModelCreate(agg);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(framework->instancePool.used - before, 4);
    McdGeometryInstance* ins = McdModelGetGeometryInstance(m);
    int children = 0, withGeometry = 0;
    McdGeometryInstance* prev = nullptr;
    for (McdGeometryInstance* c = ins->child; c; c = c->next) {
        EXPECT_EQ(c->parent, ins);
        EXPECT_EQ(c->prev, prev);
        prev = c;
        EXPECT_EQ(c->geometry, McdAggregateGetElementGeometry(agg, children));
        ++children;
        withGeometry += c->geometry != nullptr;
    }
    EXPECT_EQ(children, 4);
    EXPECT_EQ(withGeometry, 2);
    EXPECT_EQ(McdGeometryGetReferenceCount(s), 1);
    EXPECT_EQ(McdGeometryGetReferenceCount(agg), 1);

    // Replacing the geometry gives every child back and drops the element references.
    McdGeometryInstanceSetGeometry(ins, b);
    EXPECT_EQ(framework->instancePool.used, before);
    EXPECT_EQ(ins->child, nullptr);
    EXPECT_EQ(McdGeometryGetReferenceCount(s), 0);
    EXPECT_EQ(McdGeometryGetReferenceCount(agg), 0);
    EXPECT_EQ(McdGeometryGetReferenceCount(b), 1);
    McdModelDestroy(m);

    // Pool exhaustion (16 instances) stops attaching with a warning.
    McdGeometryID big = McdAggregateCreate(framework, 10);
    McdAggregateSetElement(big, 9, s, nullptr);
    McdModelID m1 = McdModelCreate(big);
    MessageCapture capture;
    McdModelID m2 = McdModelCreate(big);
    ASSERT_NE(m2, nullptr);
    ASSERT_EQ(capture.warnings.size(), 1u);
    int attached = 0;
    for (McdGeometryInstance* c = McdModelGetGeometryInstance(m2)->child; c; c = c->next)
        ++attached;
    EXPECT_EQ(attached, 6);
    EXPECT_EQ(McdGeometryGetReferenceCount(s), 1);  // only m1 reached slot 9
    McdModelDestroy(m2);
    McdModelDestroy(m1);
    EXPECT_EQ(framework->instancePool.used, before);
    EXPECT_EQ(McdGeometryGetReferenceCount(s), 0);

    // A model of an aggregate updates without a type function and keeps its box.
    McdModelID m3 = McdModelCreate(agg);
    MeMatrix4 t;
    colltest::Identity(t);
    McdModelSetTransformPtr(m3, t);
    McdModelUpdate(m3);
    McdModelDestroy(m3);

    for (McdGeometryID g : {s, b, agg, big})
        McdGeometryDestroy(g);
}
