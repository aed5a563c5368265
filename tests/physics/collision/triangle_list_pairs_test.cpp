// Spheres, boxes and cylinders against triangle lists fed by a test callback.

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "collision_test_support.h"
#include "physics/collision/geometry_tests.h"
#include "physics/collision/triangle_list_pairs.h"

namespace {

using colltest::FrameworkTest;

// The triangles the callback hands out, in the list's frame.
struct Soup {
    std::vector<std::array<MeReal, 3>> vertices;
    std::vector<std::array<int, 3>> triangles;
    std::vector<unsigned> flags;
    std::vector<std::array<MeReal, 3>> normals;
    int calls = 0;
    MeReal lastRadius = 0;
};
Soup* gSoup = nullptr;

int Supply(McdModelPair*, McdModelID listModel, const MeReal*, MeReal radius)
{
    McdTriangleList* list = static_cast<McdTriangleList*>(McdModelGetGeometry(listModel));
    gSoup->calls++;
    gSoup->lastRadius = radius;
    int n = 0;
    for (size_t i = 0; i < gSoup->triangles.size() && n < list->triangleMaxCount; ++i, ++n) {
        McdUserTriangle& t = list->triangles[n];
        for (int k = 0; k < 3; ++k)
            t.vertices[k] = gSoup->vertices[static_cast<size_t>(gSoup->triangles[i][static_cast<size_t>(k)])].data();
        t.normal = gSoup->normals[i].data();
        t.flags = gSoup->flags[i];
        t.user = reinterpret_cast<void*>(static_cast<std::uintptr_t>(100 + i));
    }
    list->triangleCount = n;
    return n;
}

class TriangleListTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        gSoup = &soup;
        colltest::Identity(listPose);
        list = McdTriangleListCreate(framework, 10, 10, 10, Supply);
        ASSERT_NE(list, nullptr);
        static_cast<McdTriangleList*>(list)->triangles = entries;
        static_cast<McdTriangleList*>(list)->triangleMaxCount = 16;
        listModel = McdModelCreate(list);
        McdModelSetTransformPtr(listModel, listPose);
    }
    void TearDown() override
    {
        McdModelDestroy(listModel);
        McdGeometryDestroy(list);
        gSoup = nullptr;
        FrameworkTest::TearDown();
    }
    // A quad of side 4 in z = 0, split along x = y; its inner edge makes no edge contacts.
    void Quad()
    {
        soup.vertices = {{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}};
        soup.triangles = {{0, 1, 2}, {0, 2, 3}};
        // Triangle 0's edge 2 (vertex 2 to 0) and triangle 1's edge 0 (0 to 2) are shared.
        const unsigned all = kMcdTriangleEdge0 | (kMcdTriangleEdge0 << 1) | (kMcdTriangleEdge0 << 2);
        soup.flags = {all & ~(kMcdTriangleEdge0 << 2), all & ~kMcdTriangleEdge0};
        soup.normals = {{0, 0, 1}, {0, 0, 1}};
    }
    int Collide(McdGeometryID g, MeMatrix4 pose, McdIntersectResult* result)
    {
        McdModelID m = McdModelCreate(g);
        McdModelSetTransformPtr(m, pose);
        McdModelPair pair;
        McdModelPairInit(&pair, m, listModel);
        McdHello(&pair);
        *result = McdIntersectResult();
        result->pair = &pair;
        result->contacts = contacts;
        result->contactMaxCount = 16;
        McdIntersect(&pair, result);
        McdGoodbye(&pair);
        McdModelDestroy(m);
        McdGeometryDestroy(g);
        return result->touch;
    }

    Soup soup;
    McdUserTriangle entries[16];
    McdContact contacts[16];
    MeMatrix4 listPose;
    McdGeometryID list = nullptr;
    McdModelID listModel = nullptr;
};

TEST_F(TriangleListTest, SphereOverOneTriangle)
{
    Quad();
    soup.triangles.resize(1);
    MeMatrix4 t;
    colltest::Identity(t);
    t[3][0] = 0.5f;
    t[3][1] = -0.5f;
    t[3][2] = 0.45f;
    McdIntersectResult r;
    ASSERT_EQ(Collide(McdSphereCreate(framework, 0.5f), t, &r), 1);
    EXPECT_NEAR(soup.lastRadius, 0.51f, 1e-6f);
    ASSERT_EQ(r.contactCount, 1);
    EXPECT_NEAR(r.contacts[0].separation, -0.05f, 1e-5f);
    EXPECT_NEAR(r.contacts[0].normal[2], 1, 1e-6f);
    EXPECT_NEAR(r.contacts[0].position[2], -0.05f, 1e-5f);
    EXPECT_EQ(r.contacts[0].element2, reinterpret_cast<void*>(100));
    EXPECT_NEAR(r.normal[2], 1, 1e-6f);
}

TEST_F(TriangleListTest, SphereBehindAOneSidedTriangleIsPushedOutThroughTheFront)
{
    Quad();
    soup.triangles.resize(1);
    MeMatrix4 t;
    colltest::Identity(t);
    t[3][0] = 0.5f;
    t[3][1] = -0.5f;
    t[3][2] = -0.3f;
    McdIntersectResult r;
    ASSERT_EQ(Collide(McdSphereCreate(framework, 0.5f), t, &r), 1);
    ASSERT_EQ(r.contactCount, 1);
    EXPECT_NEAR(r.contacts[0].normal[2], 1, 1e-6f);
    EXPECT_NEAR(r.contacts[0].separation, -0.8f, 1e-5f);
    // Two-sided: the test's own normal and separation.
    soup.flags[0] |= kMcdTriangleTwoSided;
    ASSERT_EQ(Collide(McdSphereCreate(framework, 0.5f), t, &r), 1);
    EXPECT_NEAR(r.contacts[0].normal[2], -1, 1e-6f);
    EXPECT_NEAR(r.contacts[0].separation, -0.2f, 1e-5f);
}

TEST_F(TriangleListTest, BoxFlatOnAQuadMakesNoContactOnTheInnerEdge)
{
    Quad();
    MeMatrix4 t;
    colltest::Identity(t);
    t[3][0] = 0.3f;
    t[3][1] = 0.9f;
    t[3][2] = 0.45f;
    McdIntersectResult r;
    ASSERT_EQ(Collide(McdBoxCreate(framework, 1, 1, 1), t, &r), 1);
    ASSERT_GT(r.contactCount, 0);
    EXPECT_LE(r.contactCount, 4);
    // Box corners under the plane are 0.05 deep; points where its edges cross the plane lie on it.
    MeReal deepest = 0;
    for (int i = 0; i < r.contactCount; ++i) {
        const McdContact& c = r.contacts[i];
        EXPECT_NEAR(c.normal[2], 1, 1e-5f);
        EXPECT_LE(c.separation, 1e-5f);
        EXPECT_GE(c.separation, -0.05f - 1e-4f);
        deepest = std::fmin(deepest, c.separation);
        EXPECT_GT(std::fabs(c.position[0] - c.position[1]), 1e-3f) << i;
    }
    EXPECT_NEAR(deepest, -0.05f, 1e-4f);
    // A cylinder standing on the same quad.
    t[3][2] = 0.95f;
    ASSERT_EQ(Collide(McdCylinderCreate(framework, 0.4f, 2.0f), t, &r), 1);
    ASSERT_GT(r.contactCount, 0);
    EXPECT_LE(r.contactCount, 4);
    deepest = 0;
    for (int i = 0; i < r.contactCount; ++i) {
        EXPECT_NEAR(r.contacts[i].normal[2], 1, 1e-5f);
        EXPECT_LE(r.contacts[i].separation, 1e-5f);
        deepest = std::fmin(deepest, r.contacts[i].separation);
    }
    EXPECT_NEAR(deepest, -0.05f, 1e-4f);
}

TEST_F(TriangleListTest, EmptyGatherTouchesNothing)
{
    MeMatrix4 t;
    colltest::Identity(t);
    McdIntersectResult r;
    r.normal[0] = 5;
    EXPECT_EQ(Collide(McdBoxCreate(framework, 1, 1, 1), t, &r), 0);
    EXPECT_EQ(soup.calls, 1);
    EXPECT_EQ(r.contactCount, 0);
    EXPECT_EQ(r.normal[0], 0);
    EXPECT_EQ(r.normal[1], 0);
    EXPECT_EQ(r.normal[2], 0);
}

}  // namespace
