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

namespace {

// Contacts written straight into a result, as the leaf routine writes them.
struct MergeBench {
    McdContact slots[kCxMeshWorkSlots];
    McdIntersectResult result;
    CxMeshPairWork work;
    MergeBench()
    {
        result.contacts = slots;
        result.contactMaxCount = kCxMeshWorkSlots;
        for (int& c : work.counter)
            c = 1;
    }
    int Offer(MeReal x, MeReal y, MeReal z, MeReal nz, MeReal separation, int limit)
    {
        McdContact& c = slots[result.contactCount];
        c = McdContact();
        c.position[0] = x, c.position[1] = y, c.position[2] = z;
        c.normal[2] = nz;
        c.separation = separation;
        return CxContactMerge(&result, &work, limit);
    }
};

TEST(MeshContactMerge, NearCandidatesAddNormalsAndAFullSetMergesItsMostCrowded)
{
    MergeBench b;
    EXPECT_EQ(b.Offer(0, 0, 0, 1, -0.1f, 3), 1);
    EXPECT_EQ(b.Offer(0.05f, 0, 0, 1, -0.3f, 3), 1);  // 0.0025 away: its normal joins contact 0
    EXPECT_FLOAT_EQ(b.slots[0].normal[2], 2);
    EXPECT_FLOAT_EQ(b.slots[0].separation, -0.1f);
    EXPECT_EQ(b.Offer(0.2f, 0, 0, 1, -0.2f, 3), 2);  // 0.04 away: admitted
    EXPECT_EQ(b.Offer(2, 0, 0, 1, -0.2f, 3), 3);
    // Full at 3: contact 1 (0.2, 0, 0) is the most crowded (smallest sum of squared
    // distances); it merges into its nearest neighbour, contact 0, and the candidate takes
    // its slot.
    EXPECT_EQ(b.Offer(-1.5f, 0, 0, 1, -0.4f, 3), 3);
    EXPECT_FLOAT_EQ(b.slots[0].position[0], 0.1f);
    EXPECT_FLOAT_EQ(b.slots[0].normal[2], 3);
    EXPECT_FLOAT_EQ(b.slots[0].separation, -0.3f);
    EXPECT_EQ(b.work.counter[0], 2);
    EXPECT_FLOAT_EQ(b.slots[1].position[0], -1.5f);
    EXPECT_FLOAT_EQ(b.slots[1].separation, -0.4f);
    EXPECT_EQ(b.work.counter[1], 1);
    // A candidate that is itself the most crowded merges into its nearest neighbour; the
    // other slots stay.
    EXPECT_EQ(b.Offer(0.3f, 0, 0, 1, -0.2f, 3), 3);
    EXPECT_FLOAT_EQ(b.slots[0].position[0], 0.2f);
    EXPECT_FLOAT_EQ(b.slots[0].normal[2], 4);
    EXPECT_FLOAT_EQ(b.slots[0].separation, -0.5f);
    EXPECT_EQ(b.work.counter[0], 3);
    EXPECT_FLOAT_EQ(b.slots[1].position[0], -1.5f);
    EXPECT_FLOAT_EQ(b.slots[2].position[0], 2);
}

class MeshFinalPassTest : public FrameworkTest {
protected:
    void SetUp() override
    {
        FrameworkTest::SetUp();
        colltest::Identity(ta);
        colltest::Identity(tb);
        mesh = meshtest::Cube(0.5f, 0, 0, 0);
        g = mesh.Make(framework, 12);
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        tree = static_cast<CxTriangleMesh*>(g)->tree;
        m1 = McdModelCreate(g);
        m2 = McdModelCreate(g);
        McdModelSetTransformPtr(m1, ta);
        McdModelSetTransformPtr(m2, tb);
        work.model1 = m1;
        work.model2 = m2;
        result.contacts = slots;
        result.contactMaxCount = 8;
    }
    void TearDown() override
    {
        McdModelDestroy(m1);
        McdModelDestroy(m2);
        McdGeometryDestroy(g);
        FrameworkTest::TearDown();
    }
    void Put(MeReal x, MeReal y, MeReal z, MeReal nx, MeReal ny, MeReal nz, MeReal separation)
    {
        McdContact& c = slots[result.contactCount++];
        c = McdContact();
        c.position[0] = x, c.position[1] = y, c.position[2] = z;
        c.normal[0] = nx, c.normal[1] = ny, c.normal[2] = nz;
        c.separation = separation;
    }

    MeMatrix4 ta, tb;
    MeshData mesh;
    McdGeometryID g = nullptr;
    const CxTriangleMeshTree* tree = nullptr;
    McdModelID m1 = nullptr, m2 = nullptr;
    McdContact slots[8];
    McdIntersectResult result;
    CxMeshPairWork work;
};

TEST_F(MeshFinalPassTest, CollinearSetsAreDroppedAndTwoContactsKeepTheirOwn)
{
    tb[3][2] = -0.9f;
    for (int i = 0; i < 3; ++i)
        Put(0.1f * i, 0.1f * i, -0.45f, 0, 0, 1, -0.1f);
    EXPECT_EQ(CxContactsCommonNormal(&result, &work, tree, tree, ta, tb), 0);
    EXPECT_EQ(result.contactCount, 0);

    result.contactCount = 0;
    Put(0.1f, 0, -0.45f, 0, 0, 2, -0.05f);
    Put(-0.1f, 0, -0.45f, 0, 3, 4, -0.07f);
    EXPECT_EQ(CxContactsCommonNormal(&result, &work, tree, tree, ta, tb), 1);
    ASSERT_EQ(result.contactCount, 2);
    EXPECT_FLOAT_EQ(slots[0].normal[2], 1);
    EXPECT_FLOAT_EQ(slots[1].normal[1], 0.6f);
    EXPECT_FLOAT_EQ(slots[1].normal[2], 0.8f);
    EXPECT_FLOAT_EQ(slots[0].separation, -0.05f);
    EXPECT_FLOAT_EQ(slots[1].separation, -0.07f);
}

TEST_F(MeshFinalPassTest, CommonNormalPointsFromTheSecondMeshOnRotatedPairs)
{
    // Mesh 2 sits 0.9 from mesh 1 along a turned axis u (0.1 deep); the contacts' own normals
    // are mixed in sign. The common normal is -u, whatever the signs, and the depth is 0.1.
    for (int k = 0; k < 6; ++k) {
        const MeReal angle = 0.5f * k;
        const MeReal u[3] = {std::cos(angle), std::sin(angle) * 0.6f, std::sin(angle) * 0.8f};
        tb[3][0] = 0.9f * u[0], tb[3][1] = 0.9f * u[1], tb[3][2] = 0.9f * u[2];
        result.contactCount = 0;
        MeReal v[3] = {-u[1], u[0], 0};
        const MeReal vl = std::sqrt(v[0] * v[0] + v[1] * v[1]);
        for (MeReal& x : v)
            x /= vl;
        const MeReal w[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        for (int i = 0; i < 4; ++i) {
            const MeReal a = 0.15f * ((i & 1) ? 1 : -1), c = 0.15f * ((i & 2) ? 1 : -1);
            const MeReal p[3] = {0.45f * u[0] + a * v[0] + c * w[0], 0.45f * u[1] + a * v[1] + c * w[1],
                                 0.45f * u[2] + a * v[2] + c * w[2]};
            const MeReal s = i == 2 ? 1.0f : -1.0f;
            Put(p[0], p[1], p[2], s * u[0], s * u[1], s * u[2], -0.5f);
        }
        // The cube is not round: only an axis-aligned u meets its faces square on.
        ASSERT_EQ(CxContactsCommonNormal(&result, &work, tree, tree, ta, tb), 1) << k;
        ASSERT_EQ(result.contactCount, 4);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(slots[i].normal[0] * u[0] + slots[i].normal[1] * u[1] + slots[i].normal[2] * u[2], -1, 1e-5f)
                << k;
            EXPECT_LE(slots[i].separation, 0);
        }
        EXPECT_NEAR(result.normal[0] * u[0] + result.normal[1] * u[1] + result.normal[2] * u[2], -1, 1e-5f);
    }
    tb[3][0] = 0, tb[3][1] = 0, tb[3][2] = -0.9f;
    result.contactCount = 0;
    for (int i = 0; i < 4; ++i)
        Put(0.15f * ((i & 1) ? 1 : -1), 0.15f * ((i & 2) ? 1 : -1), -0.45f, 0, 0, (i & 1) ? 1.0f : -1.0f, 0);
    ASSERT_EQ(CxContactsCommonNormal(&result, &work, tree, tree, ta, tb), 1);
    EXPECT_NEAR(slots[0].normal[2], 1, 1e-6f);
    EXPECT_NEAR(slots[0].separation, -0.1f, 1e-4f);
}

TEST_F(MeshPairTest, ContactsBeyondTheResultsRoomAreDropped)
{
    MeshData a = meshtest::Sphere(1.0f, 24, 16);
    MeshData b = meshtest::Sphere(1.0f, 20, 14);
    McdGeometryID ga = a.Make(framework, 16), gb = b.Make(framework, 16);
    ASSERT_EQ(McdTriangleMeshBuild(ga), 1);
    ASSERT_EQ(McdTriangleMeshBuild(gb), 1);
    MeMatrix4 ta, tb;
    colltest::Identity(ta);
    colltest::Identity(tb);
    tb[3][0] = 1.2f;
    McdModelID m1 = Model(ga, ta), m2 = Model(gb, tb);
    McdIntersectResult roomy, tight;
    ASSERT_EQ(Collide(m1, m2, 30, 64, &roomy), 1);
    ASSERT_GT(roomy.contactCount, 6);
    // With room for 6 and for 5 of a merge limit of 30, writing stops at the room: the first
    // contacts found stand unmerged, so room 5 gives the first five of room 6.
    ASSERT_EQ(Collide(m1, m2, 30, 6, &roomy), 1);
    const std::vector<McdContact> six(roomy.contacts, roomy.contacts + roomy.contactCount);
    ASSERT_EQ(six.size(), 6u);
    ASSERT_EQ(Collide(m1, m2, 30, 5, &tight), 1);
    ASSERT_EQ(tight.contactCount, 5);
    for (int i = 0; i < 5; ++i) {
        const McdContact& c = tight.contacts[i];
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(c.position[k], six[i].position[k]) << i;
        EXPECT_LT(c.normal[0], -0.5f) << i;
        EXPECT_LE(c.separation, 0);
    }
    McdModelDestroy(m1);
    McdModelDestroy(m2);
    McdGeometryDestroy(ga);
    McdGeometryDestroy(gb);
}

}  // namespace
