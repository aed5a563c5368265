// Triangle mesh against triangle mesh: triangle tests, the overlap walk against brute force,
// contact sets of small and large pairs.

#include <cmath>
#include <vector>

#include "collision_test_support.h"
#include "physics/collision/triangle_mesh_collision.h"
#include "triangle_mesh_test_support.h"

namespace {

using colltest::FrameworkTest;
using colltest::Uniform;
using meshtest::MeshData;

TEST(TriangleTriangle, CrossingTrianglesGiveTheCommonSection)
{
    // A lies in z = 0; B stands across it in the plane x = 0.2, reaching through A's face.
    const MeReal a0[3] = {-1, -1, 0}, a1[3] = {1, -1, 0}, a2[3] = {0, 1, 0};
    const MeReal b0[3] = {0.2f, -0.2f, -1}, b1[3] = {0.2f, 0.2f, -1}, b2[3] = {0.2f, 0, 1};
    MeReal points[6][3];
    int k = 0;
    const int code = CxTriangleTriangleContact(a0, a1, a2, b0, b1, b2, points, 6, &k);
    ASSERT_EQ(k, 2);
    EXPECT_EQ(code, 3);  // both ends on B's edges: B passes through A's face
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(points[i][0], 0.2f, 1e-6f);
        EXPECT_NEAR(points[i][2], 0.0f, 1e-6f);
        EXPECT_NEAR(std::fabs(points[i][1]), 0.1f, 1e-6f);
    }
    // Moved above A: apart.
    const MeReal c0[3] = {0.2f, -0.2f, 0.5f}, c1[3] = {0.2f, 0.2f, 0.5f}, c2[3] = {0.2f, 0, 2};
    EXPECT_EQ(CxTriangleTriangleContact(a0, a1, a2, c0, c1, c2, points, 6, &k), 0);
    EXPECT_FALSE(CxTriangleTriangleOverlap(a0, a1, a2, c0, c1, c2));
}

TEST(TriangleTriangle, CoplanarOverlapIsAPolygonInOrder)
{
    // Two triangles forming a six-pointed star: their overlap is a hexagon.
    const MeReal a0[3] = {0, 1, 0}, a1[3] = {-0.866025f, -0.5f, 0}, a2[3] = {0.866025f, -0.5f, 0};
    const MeReal b0[3] = {0, -1, 0}, b1[3] = {0.866025f, 0.5f, 0}, b2[3] = {-0.866025f, 0.5f, 0};
    MeReal points[6][3];
    int k = 0;
    ASSERT_EQ(CxTriangleTriangleContact(a0, a1, a2, b0, b1, b2, points, 6, &k), 5);
    ASSERT_EQ(k, 6);
    // Polygon order: the signed area of every consecutive triple has one sign.
    int positive = 0;
    for (int i = 0; i < k; ++i) {
        const MeReal* p = points[i];
        const MeReal* q = points[(i + 1) % k];
        const MeReal* r = points[(i + 2) % k];
        const MeReal cross = (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0]);
        positive += cross > 0;
        EXPECT_NEAR(std::sqrt(p[0] * p[0] + p[1] * p[1]), 0.57735f, 1e-4f);
    }
    EXPECT_TRUE(positive == 0 || positive == k);
}

class MeshPairTest : public FrameworkTest {
protected:
    McdModelID Model(McdGeometryID g, MeMatrix4 t)
    {
        McdModelID m = McdModelCreate(g);
        McdModelSetTransformPtr(m, t);
        McdModelUpdate(m);
        return m;
    }

    // Runs the pair through the interaction table, as the space does.
    int Collide(McdModelID m1, McdModelID m2, int budget, int room, McdIntersectResult* result)
    {
        McdModelPair pair;
        McdModelPairInit(&pair, m1, m2);
        McdIntersectRequest request;
        request.contactMaxCount = budget;
        pair.request = &request;
        McdHello(&pair);
        contacts.assign(64, McdContact());
        result->pair = &pair;
        result->contacts = contacts.data();
        result->contactMaxCount = room;
        McdIntersect(&pair, result);
        McdGoodbye(&pair);
        return result->touch;
    }

    std::vector<McdContact> contacts;
};

bool BruteOverlap(const CxTriangleMesh* a, MeConstMatrix4Ptr ta, const CxTriangleMesh* b, MeConstMatrix4Ptr tb)
{
    for (int i = 0; i < a->count; ++i)
        for (int j = 0; j < b->count; ++j) {
            MeReal A[3][3], B[3][3];
            for (int c = 0; c < 3; ++c) {
                meshtest::ToWorld(ta, a->triangles[i].v[c], A[c]);
                meshtest::ToWorld(tb, b->triangles[j].v[c], B[c]);
            }
            if (CxTriangleTriangleOverlap(A[0], A[1], A[2], B[0], B[1], B[2]))
                return true;
        }
    return false;
}

TEST_F(MeshPairTest, OverlapWalkEqualsBruteForceOverRandomPoses)
{
    MeshData da = meshtest::RandomSoup(40, 2.0f);
    MeshData db = meshtest::Sphere(0.8f, 10, 6);
    McdGeometryID ga = da.Make(framework, 40), gb = db.Make(framework, 40);
    ASSERT_EQ(McdTriangleMeshBuild(ga), 1);
    ASSERT_EQ(McdTriangleMeshBuild(gb), 1);
    const CxTriangleMesh* ma = static_cast<CxTriangleMesh*>(ga);
    const CxTriangleMesh* mb = static_cast<CxTriangleMesh*>(gb);
    int overlaps = 0;
    for (int trial = 0; trial < 150; ++trial) {
        MeMatrix4 ta, tb;
        colltest::RandomPose(ta, 0, 0, 0);
        colltest::RandomPose(tb, Uniform(-2.5f, 2.5f), Uniform(-2.5f, 2.5f), Uniform(-2.5f, 2.5f));
        const bool walk = CxMeshTreesOverlap(ma->tree, mb->tree, ta, tb);
        ASSERT_EQ(walk, BruteOverlap(ma, ta, mb, tb)) << "trial " << trial;
        overlaps += walk;
    }
    EXPECT_GT(overlaps, 20);
    EXPECT_LT(overlaps, 140);
    McdGeometryDestroy(ga);
    McdGeometryDestroy(gb);
}

TEST_F(MeshPairTest, NoContactRoomGivesTheBooleanAnswer)
{
    MeshData d = meshtest::Cube(0.5f, 0, 0, 0);
    McdGeometryID g = d.Make(framework, 12);
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    MeMatrix4 t;
    colltest::Identity(t);
    McdModelID m1 = Model(g, t), m2 = Model(g, t);
    McdIntersectResult result;
    EXPECT_EQ(Collide(m1, m2, 4, 0, &result), 1);
    EXPECT_EQ(result.touch, 1);
    EXPECT_EQ(result.contactCount, 0);
    McdModelDestroy(m1);
    McdModelDestroy(m2);
    McdGeometryDestroy(g);
}

TEST_F(MeshPairTest, CubesOverlappingByATenthShareOneNormalAndDepth)
{
    // Model 1, narrower, sinks 0.1 into the top of model 2; no faces are coplanar.
    MeshData upper = meshtest::Cube(0.4f, 0, 0, 0.8f);
    MeshData lower = meshtest::Cube(0.5f, 0, 0, 0);
    McdGeometryID g1 = upper.Make(framework, 12), g2 = lower.Make(framework, 12);
    ASSERT_EQ(McdTriangleMeshBuild(g1), 1);
    ASSERT_EQ(McdTriangleMeshBuild(g2), 1);
    MeMatrix4 t;
    colltest::Identity(t);
    McdModelID m1 = Model(g1, t), m2 = Model(g2, t);
    McdIntersectResult result;
    ASSERT_EQ(Collide(m1, m2, 4, 10, &result), 1);
    ASSERT_GE(result.contactCount, 3);
    ASSERT_LE(result.contactCount, 4);
    for (int i = 0; i < result.contactCount; ++i) {
        const McdContact& c = result.contacts[i];
        EXPECT_NEAR(c.normal[0], 0, 1e-4f);
        EXPECT_NEAR(c.normal[1], 0, 1e-4f);
        EXPECT_NEAR(c.normal[2], 1, 1e-4f);
        EXPECT_NEAR(c.separation, -0.1f, 1e-4f);
        EXPECT_NEAR(c.position[2], 0.5f, 1e-4f);
    }
    EXPECT_NEAR(result.normal[2], 1, 1e-4f);
    // Swapped roles: the normal still points from model 2 towards model 1.
    ASSERT_EQ(Collide(m2, m1, 4, 10, &result), 1);
    EXPECT_NEAR(result.contacts[0].normal[2], -1, 1e-4f);
    McdModelDestroy(m1);
    McdModelDestroy(m2);
    McdGeometryDestroy(g1);
    McdGeometryDestroy(g2);
}

TEST_F(MeshPairTest, LargePairKeepsItsBudgetWithUnitNormals)
{
    MeshData a = meshtest::Sphere(1.0f, 24, 16);
    MeshData b = meshtest::Sphere(1.0f, 20, 14);
    McdGeometryID ga = a.Make(framework, 16), gb = b.Make(framework, 16);
    ASSERT_EQ(McdTriangleMeshBuild(ga), 1);
    ASSERT_EQ(McdTriangleMeshBuild(gb), 1);
    for (int trial = 0; trial < 10; ++trial) {
        MeMatrix4 ta, tb;
        colltest::RandomPose(ta, 0, 0, 0);
        colltest::RandomPose(tb, Uniform(0.8f, 1.5f), Uniform(-0.3f, 0.3f), Uniform(-0.3f, 0.3f));
        McdModelID m1 = Model(ga, ta), m2 = Model(gb, tb);
        for (int budget : {4, 40}) {
            McdIntersectResult result;
            ASSERT_EQ(Collide(m1, m2, budget, 64, &result), 1);
            EXPECT_LE(result.contactCount, budget < 30 ? budget : 30);
            EXPECT_GT(result.contactCount, 0);
            for (int i = 0; i < result.contactCount; ++i) {
                const McdContact& c = result.contacts[i];
                const MeReal len = std::sqrt(c.normal[0] * c.normal[0] + c.normal[1] * c.normal[1] +
                                             c.normal[2] * c.normal[2]);
                EXPECT_NEAR(len, 1.0f, 1e-4f);
                EXPECT_TRUE(std::isfinite(c.separation));
                EXPECT_LE(c.separation, 0);
                // Model 2 lies towards +x: normals point back towards model 1.
                EXPECT_LT(c.normal[0] * tb[3][0], 0.5f);
            }
        }
        McdModelDestroy(m1);
        McdModelDestroy(m2);
    }
    McdGeometryDestroy(ga);
    McdGeometryDestroy(gb);
}

}  // namespace
