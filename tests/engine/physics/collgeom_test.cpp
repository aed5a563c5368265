// Collision shapes: welding and edge flags against the pairwise scans they replace, triangle
// gathering, the segment test and the sizes of shapes made from a mesh box.

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/qncollgeom.h"
#include "physics/collision/primitives.h"
#include "physics_fixture.h"

namespace {

// The pairwise weld: each vertex joins the first kept vertex within reach, indices replaced
// one vertex at a time.
void BruteWeld(std::vector<QNVEC3>& v, std::vector<QNCOLLTRIANGLE>& t)
{
    std::vector<QNVEC3> kept;
    for (std::uint32_t i = 0; i < v.size(); ++i) {
        std::uint32_t j = 0;
        while (j < kept.size() && !QNCOLLGEOM::PointsWithin(kept[j], v[i]))
            ++j;
        if (j == kept.size())
            kept.push_back(v[i]);
        if (j != i)
            for (QNCOLLTRIANGLE& tri : t)
                for (int k = 0; k < 3; ++k)
                    if (tri.Index[k] == i)
                        tri.Index[k] = std::uint16_t(j);
    }
    v = kept;
}

// The pairwise edge-flag rule over built triangles.
void BruteEdgeFlags(std::vector<QNCOLLTRIANGLE>& t)
{
    const std::uint32_t bit[3] = {4, 8, 16};
    for (QNCOLLTRIANGLE& x : t)
        x.EdgeFlags = 31;
    for (std::size_t a = 0; a < t.size(); ++a)
        for (std::size_t b = a + 1; b < t.size(); ++b)
            for (int e = 0; e < 3; ++e) {
                if (!(t[a].EdgeFlags & bit[e]))
                    continue;
                const int p = t[a].Index[e], q = t[a].Index[(e + 1) % 3];
                for (int f = 0; f < 3; ++f) {
                    const int r = t[b].Index[f], s = t[b].Index[(f + 1) % 3];
                    if (!((p == r && q == s) || (p == s && q == r)))
                        continue;
                    bool same = true;
                    for (int k = 0; k < 3; ++k)
                        same = same && std::fabs(t[a].Normal[k] - t[b].Normal[k]) <= 0.0001f;
                    if (same) {
                        t[a].EdgeFlags &= ~bit[e];
                        t[b].EdgeFlags &= ~bit[f];
                    }
                    break;
                }
            }
}

// A bumpy height field of n x n cells with duplicated corner vertices per cell (as a mesh
// exporter writes them), some jittered within the weld distance.
void HeightField(QNCOLLGEOM& g, int n, std::uint32_t contacts = 16, bool bumpy = true)
{
    g.BeginTriangleList(float(n), 1, float(n), std::uint32_t(n * n * 4), std::uint32_t(n * n * 2), contacts);
    auto height = [bumpy](int x, int z) { return (bumpy && (x * 7 + z * 3) % 5 == 0) ? 0.5f : 0.0f; };
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const std::uint32_t base = g.VertexCount;
            const int cx[4] = {x, x + 1, x, x + 1};
            const int cz[4] = {z, z, z + 1, z + 1};
            for (int k = 0; k < 4; ++k) {
                const float jitter = (MeRandom() % 3 == 0) ? 0.00003f : 0.0f;
                g.AddVertex(QNVEC3(float(cx[k]) + jitter, height(cx[k], cz[k]), float(cz[k])));
            }
            g.AddTriangle(base, base + 2, base + 1);
            g.AddTriangle(base + 1, base + 2, base + 3);
        }
}

}  // namespace

TEST_F(PhysicsTest, WeldMergesNearVerticesAndDropsDegenerateTriangles)
{
    QNCOLLGEOM g;
    g.BeginTriangleList(1, 1, 1, 5, 4, 4);
    g.AddVertex(QNVEC3(0, 0, 0));
    g.AddVertex(QNVEC3(1, 0, 0));
    g.AddVertex(QNVEC3(0, 0, 1));
    g.AddVertex(QNVEC3(1.00005f, 0, 0));
    g.AddVertex(QNVEC3(1, 0, 1));
    EXPECT_TRUE(g.AddTriangle(0, 2, 1));
    EXPECT_TRUE(g.AddTriangle(3, 2, 4));
    EXPECT_FALSE(g.AddTriangle(1, 3, 2));  // two corners 0.00005 apart
    EXPECT_FALSE(g.AddTriangle(0, 1, 9));  // index out of range
    g.Weld();
    EXPECT_EQ(g.VertexCount, 4u);
    EXPECT_EQ(g.Triangles[1].Index[0], 1);  // shares the welded vertex with the first
    EXPECT_EQ(g.Triangles[1].Index[2], 3);
}

TEST_F(PhysicsTest, WeldAndEdgeFlagsMatchThePairwiseScans)
{
    QNCOLLGEOM g;
    HeightField(g, 12);
    std::vector<QNVEC3> v = g.Vertices;
    std::vector<QNCOLLTRIANGLE> t = g.Triangles;
    g.BuildTriangleList();
    BruteWeld(v, t);
    ASSERT_EQ(g.Vertices.size(), v.size());
    EXPECT_EQ(g.VertexCount, 13u * 13u);
    for (std::size_t i = 0; i < v.size(); ++i)
        EXPECT_EQ(g.Vertices[i], v[i]);
    for (std::size_t i = 0; i < t.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            ASSERT_EQ(g.Triangles[i].Index[k], t[i].Index[k]);
            t[i].Normal[k] = g.Triangles[i].Normal[k];
        }
    }
    BruteEdgeFlags(t);
    int inner = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        EXPECT_EQ(g.Triangles[i].EdgeFlags, t[i].EdgeFlags) << i;
        inner += (t[i].EdgeFlags != 31);
    }
    EXPECT_GT(inner, 0);
}

TEST_F(PhysicsTest, EdgeFlagsClearSharedEdgesOfFlatSurfacesOnly)
{
    QNCOLLGEOM flat;
    flat.BeginTriangleList(1, 1, 1, 4, 2, 4);
    for (QNVEC3 p : {QNVEC3(0, 0, 0), QNVEC3(1, 0, 0), QNVEC3(0, 0, 1), QNVEC3(1, 0, 1)})
        flat.AddVertex(p);
    flat.AddTriangle(0, 2, 1);
    flat.AddTriangle(1, 2, 3);
    flat.BuildTriangleList();
    // Shared edge 2-1: the second edge of the first triangle (bit 8), the first of the second (bit 4).
    EXPECT_EQ(flat.Triangles[0].EdgeFlags, 31u & ~8u);
    EXPECT_EQ(flat.Triangles[1].EdgeFlags, 31u & ~4u);
    EXPECT_NEAR(flat.Triangles[0].Normal[1], 1.0f, 1e-6f);  // clockwise seen from above
    EXPECT_NEAR(flat.Triangles[0].D, 0.0f, 1e-6f);
    EXPECT_NEAR(flat.Triangles[0].RadiusSq, 5.0f / 9.0f, 1e-5f);

    QNCOLLGEOM bent;
    bent.BeginTriangleList(1, 1, 1, 4, 2, 4);
    for (QNVEC3 p : {QNVEC3(0, 0, 0), QNVEC3(1, 0, 0), QNVEC3(0, 0, 1), QNVEC3(1, 1, 1)})
        bent.AddVertex(p);
    bent.AddTriangle(0, 2, 1);
    bent.AddTriangle(1, 2, 3);
    bent.BuildTriangleList();
    EXPECT_EQ(bent.Triangles[0].EdgeFlags, 31u);
    EXPECT_EQ(bent.Triangles[1].EdgeFlags, 31u);
}

TEST_F(PhysicsTest, GatheringTakesTrianglesNearTheSphereAndInFrontOfThem)
{
    QNCOLLGEOM g;
    HeightField(g, 6, 3, false);
    g.BuildTriangleList();

    const float onPlane[3] = {2.5f, 0.0f, 0.2f};  // on the plane of the flat triangles there
    const float above[3] = {2.5f, 0.3f, 0.2f};
    const float below[3] = {2.5f, -0.3f, 0.2f};
    const float far[3] = {2.5f, 10.0f, 0.2f};
    EXPECT_EQ(g.GatherTriangles(below, 0.5f), 0);
    EXPECT_EQ(g.GatherTriangles(far, 0.5f), 0);
    const int near = g.GatherTriangles(above, 0.5f);
    EXPECT_GT(near, 0);
    EXPECT_LE(near, 3);
    for (int i = 0; i < near; ++i) {
        const McdUserTriangle& e = g.Contacts[std::size_t(i)];
        EXPECT_GT(e.normal[0] * above[0] + e.normal[1] * above[1] + e.normal[2] * above[2] +
                      static_cast<const QNCOLLTRIANGLE*>(e.user)->D,
                  0.0f);
    }
    // A full buffer stops the gathering at its capacity.
    EXPECT_EQ(g.GatherTriangles(above, 3.0f), 3);
    auto* list = static_cast<McdTriangleList*>(g.Geometry);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->triangleCount, 3);
    // A centre on the plane of the (flat) field gathers nothing.
    EXPECT_EQ(g.GatherTriangles(onPlane, 0.3f), 0);
}

TEST_F(PhysicsTest, SegmentTestGivesTheFirstTriangleHit)
{
    QNCOLLGEOM g;
    HeightField(g, 4);
    g.BuildTriangleList();
    const float origin[3] = {1.25f, 5.0f, 1.5f};
    const float down[3] = {0, -1, 0};
    float point[3], normal[3];
    const float t = g.IntersectSegment(origin, down, point, normal);
    EXPECT_NEAR(t, 5.0f - point[1], 1e-5f);
    EXPECT_NEAR(point[0], 1.25f, 1e-5f);
    EXPECT_NEAR(point[2], 1.5f, 1e-5f);
    EXPECT_GT(normal[1], 0.5f);
    const float up[3] = {0, 1, 0};
    EXPECT_EQ(g.IntersectSegment(origin, up, point, normal), -1.0f);
}

TEST_F(PhysicsTest, MeshShapesTakeTheirSizesFromTheMeshBox)
{
    QNMESH mesh;
    mesh.SetBoxSize(2, 4, 6);
    QNMESHCOLLISION* cylinder = BuildMeshCollision(mesh, QNCOLLGEOM::CYLINDER, 0, "c");
    ASSERT_NE(cylinder->Geometry, nullptr);
    EXPECT_FLOAT_EQ(McdCylinderGetRadius(cylinder->Geometry), 2.0f);
    EXPECT_FLOAT_EQ(McdCylinderGetHalfHeight(cylinder->Geometry), 3.0f);
    EXPECT_STREQ(cylinder->Name().Text(), "c");
    QNMESHCOLLISION* cone = BuildMeshCollision(mesh, QNCOLLGEOM::CONE, 0, "k");
    EXPECT_FLOAT_EQ(McdConeGetHeight(cone->Geometry), 4.0f);
    EXPECT_FLOAT_EQ(McdConeGetRadius(cone->Geometry), 3.0f);
    QNMESHCOLLISION* sphere = BuildMeshCollision(mesh, QNCOLLGEOM::SPHERE, 0, "s");
    EXPECT_FLOAT_EQ(McdSphereGetRadius(sphere->Geometry), 1.0f);
    // Kinds outside the table give an empty shape that still carries its name.
    QNMESHCOLLISION* none = BuildMeshCollision(mesh, 10, 0, "x");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->Geometry, nullptr);
    EXPECT_STREQ(none->Name().Text(), "x");
    // A triangle list's bounds are centred on the origin and hold an off-centre mesh box.
    QNMESH offset;
    offset.Box = QNBOX(QNVEC3(1, -1, -2), QNVEC3(3, 1, 0));
    QNMESHCOLLISION* list = BuildMeshCollision(offset, QNCOLLGEOM::TRIANGLE_LIST, 8, "l");
    const auto* g = static_cast<const McdTriangleList*>(list->Geometry);
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->halfExtents[0], 3.0f);
    EXPECT_FLOAT_EQ(g->halfExtents[1], 1.0f);
    EXPECT_FLOAT_EQ(g->halfExtents[2], 2.0f);
    EXPECT_EQ(list->ContactCapacity, 8u);
    for (QNMESHCOLLISION* s : {cylinder, cone, sphere, list, none})
        ReleaseMeshCollision(s);
}

namespace {

// Coordinates far outside the weld grid or not finite at all: welding stays defined and no hull
// is asked of the hull library for points that are not numbers.
// Repeated points are welded as they arrive: room for four distinct points holds a tetrahedron
// given as five points, one of them a repeat within the weld distance.
TEST_F(PhysicsTest, RepeatedHullPointsTakeNoRoom)
{
    QNCOLLGEOM g;
    g.BeginPoints(4);
    g.AddPoint(QNVEC3(0, 0, 0));
    g.AddPoint(QNVEC3(0.00005f, 0, 0));
    g.AddPoint(QNVEC3(1, 0, 0));
    g.AddPoint(QNVEC3(0, 1, 0));
    g.AddPoint(QNVEC3(0, 0, 1));
    g.MakeConvex();
    ASSERT_EQ(g.VertexCount, 4u);
    EXPECT_EQ(g.Vertices[0], QNVEC3(0, 0, 0));  // the first of the pair stays
    EXPECT_EQ(g.Vertices[3], QNVEC3(0, 0, 1));
    EXPECT_NE(g.Geometry, nullptr);
}

TEST_F(PhysicsTest, ConvexShapesOfFarOrNonFinitePointsNeverReachTheHullLibrary)
{
    const QNVEC3 base[4] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (float odd : {1e30f, -3e38f, std::nanf(""), INFINITY}) {
        QNCOLLGEOM g;
        g.BeginPoints(6);
        for (const QNVEC3& p : base)
            g.AddPoint(p);
        g.AddPoint(QNVEC3(odd, 0.5f, 0.5f));
        g.AddPoint(QNVEC3(odd, 0.5f, 0.5f));
        g.MakeConvex();
        if (std::isfinite(odd)) {
            EXPECT_EQ(g.VertexCount, 5u) << odd;  // the repeated far point welds into one
        } else {
            EXPECT_EQ(g.Geometry, nullptr) << odd;
        }
    }
}

}  // namespace
