#include <cmath>
#include <memory>
#include <vector>

#include "physics/collision/contact_cull.h"
#include "physics/collision/convex_contact_helpers.h"
#include "physics/collision/convex_mesh.h"
#include "physics/collision/convex_pairs.h"
#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;

namespace {

std::vector<MeReal> Cuboid(MeReal hx, MeReal hy, MeReal hz)
{
    std::vector<MeReal> p;
    for (int i = 0; i < 8; ++i) {
        p.push_back(i & 1 ? hx : -hx);
        p.push_back(i & 2 ? hy : -hy);
        p.push_back(i & 4 ? hz : -hz);
    }
    return p;
}

struct Placed {
    McdGeometryID geometry = nullptr;
    McdModelID model = nullptr;
    MeMatrix4 tm;
    Placed(McdGeometryID g, MeReal x, MeReal y, MeReal z) : geometry(g)
    {
        colltest::Identity(tm);
        tm[3][0] = x;
        tm[3][1] = y;
        tm[3][2] = z;
        model = McdModelCreate(g);
        McdModelSetTransformPtr(model, tm);
    }
    ~Placed()
    {
        McdModelDestroy(model);
        McdGeometryDestroy(geometry);
    }
};

struct Query {
    McdModelPair pair;
    McdContact contacts[16];
    McdIntersectResult result;
    int touch = 0;
    Query(McdModelID a, McdModelID b, int room = 16)
    {
        McdModelPairInit(&pair, a, b);
        McdHello(&pair);
        Run(room);
    }
    void Run(int room = 16)
    {
        result = McdIntersectResult();
        result.pair = &pair;
        result.contacts = contacts;
        result.contactMaxCount = room;
        McdIntersect(&pair, &result);
        touch = result.touch;
    }
    ~Query() { McdGoodbye(&pair); }
};

class ConvexPairs : public FrameworkTest {
protected:
    McdGeometryID Mesh(MeReal hx, MeReal hy, MeReal hz, MeReal fat = 0)
    {
        std::vector<MeReal> p = Cuboid(hx, hy, hz);
        return McdConvexMeshCreateFromPoints(framework, p.data(), 8, fat);
    }
};

}  // namespace

TEST_F(ConvexPairs, SphereOnAConvexFaceHasItsAnalyticDepthWhileItMoves)
{
    Placed mesh(Mesh(1, 1, 1), 0, 0, 0);
    Placed ball(McdSphereCreate(framework, 0.5f), 0.3f, -0.2f, 1.4f);
    Query q(ball.model, mesh.model);
    ASSERT_EQ(q.touch, 1);
    ASSERT_EQ(q.result.contactCount, 1);
    const McdContact& c = q.contacts[0];
    EXPECT_NEAR(c.separation, -0.1f, 1e-4f);
    EXPECT_NEAR(c.normal[2], 1.0f, 1e-5f);
    EXPECT_NEAR(c.position[0], 0.3f, 1e-4f);
    EXPECT_NEAR(c.position[2], 0.9f, 1e-4f);
    // Warm-started frames: sliding and sinking, then lifting off.
    for (int frame = 1; frame <= 20; ++frame) {
        ball.tm[3][0] = 0.3f - 0.05f * frame;
        ball.tm[3][2] = 1.4f - 0.01f * frame;
        q.Run();
        ASSERT_EQ(q.touch, 1);
        EXPECT_NEAR(q.contacts[0].separation, ball.tm[3][2] - 1.5f, 1e-4f) << frame;
        EXPECT_NEAR(q.result.normal[2], 1.0f, 1e-4f);
    }
    ball.tm[3][2] = 1.6f;
    q.Run();
    EXPECT_EQ(q.touch, 0);
    EXPECT_EQ(q.result.contactCount, 0);
    // Mirrored order: the models are swapped into the registered order.
    Query m(mesh.model, ball.model);
    EXPECT_EQ(m.pair.model1, ball.model);
}

TEST_F(ConvexPairs, BoxRestingFlatOnAConvexFaceGivesFourCornerContacts)
{
    Placed mesh(Mesh(2, 2, 2), 0, 0, 0);
    Placed box(McdBoxCreate(framework, 1, 1, 1), 0.4f, 0.1f, 2.49f);
    Query q(box.model, mesh.model);
    ASSERT_EQ(q.touch, 1);
    ASSERT_EQ(q.result.contactCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(q.contacts[i].separation, -0.01f, 1e-4f);
        EXPECT_NEAR(q.contacts[i].normal[2], 1.0f, 1e-5f);
        EXPECT_NEAR(std::fabs(q.contacts[i].position[0] - 0.4f), 0.5f, 1e-4f);
        EXPECT_NEAR(std::fabs(q.contacts[i].position[1] - 0.1f), 0.5f, 1e-4f);
    }
    // A second, different box through the shared box hull in the same frame.
    Placed big(McdBoxCreate(framework, 3, 3, 0.5f), 0, 0, -2.2f);
    Query q2(big.model, mesh.model);
    ASSERT_EQ(q2.touch, 1);
    EXPECT_NEAR(q2.contacts[0].separation, -0.05f, 1e-4f);
    EXPECT_NEAR(q2.result.normal[2], -1.0f, 1e-5f);
    q.Run();
    ASSERT_EQ(q.result.contactCount, 4);
    EXPECT_NEAR(q.contacts[0].separation, -0.01f, 1e-4f);
}

TEST_F(ConvexPairs, ConvexMeshesFaceToFaceAndWithFatness)
{
    Placed a(Mesh(1, 1, 1), 0, 0, 0);
    Placed b(Mesh(0.5f, 0.5f, 0.5f, 0.05f), 0.2f, 0.3f, 1.5f);
    Query q(b.model, a.model);
    ASSERT_EQ(q.touch, 1);
    ASSERT_EQ(q.result.contactCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(q.contacts[i].separation, -0.05f, 1e-4f);
        EXPECT_NEAR(q.contacts[i].position[2], 0.95f, 1e-4f);
    }
    // Exactly touching counts as touching.
    b.tm[3][2] = 1.55f;
    q.Run();
    EXPECT_EQ(q.touch, 1);
    EXPECT_GE(q.result.contactCount, 1);
    b.tm[3][2] = 1.6f;
    q.Run();
    EXPECT_EQ(q.touch, 0);
}

TEST_F(ConvexPairs, ConvexFaceParallelToAPlaneGivesOneContactPerFaceVertex)
{
    Placed mesh(Mesh(1, 0.5f, 0.8f, 0.02f), 1, 2, 0.7f);
    Placed plane(McdPlaneCreate(framework), 3, -1, 0);
    Query q(mesh.model, plane.model);
    ASSERT_EQ(q.touch, 1);
    ASSERT_EQ(q.result.contactCount, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(q.contacts[i].separation, 0.7f - 0.8f - 0.02f, 1e-5f);
        EXPECT_NEAR(q.contacts[i].position[2], -0.12f, 1e-5f);
        EXPECT_EQ(q.contacts[i].normal[2], 1.0f);
    }
    // Tilted about x by 45 degrees: the lowest edge, two contacts.
    const MeReal s = std::sqrt(0.5f);
    mesh.tm[1][1] = s;
    mesh.tm[1][2] = s;
    mesh.tm[2][1] = -s;
    mesh.tm[2][2] = s;
    q.Run();
    ASSERT_EQ(q.touch, 1);
    EXPECT_EQ(q.result.contactCount, 2);
    EXPECT_NEAR(q.contacts[0].separation, 0.7f - (0.5f + 0.8f) * s - 0.02f, 1e-4f);
    mesh.tm[3][2] = 5;
    q.Run();
    EXPECT_EQ(q.touch, 0);
}

TEST_F(ConvexPairs, CylinderStandingOnAConvexFace)
{
    Placed mesh(Mesh(2, 2, 2), 0, 0, 0);
    Placed cyl(McdCylinderCreate(framework, 0.5f, 1), 0.3f, 0, 2.48f);
    Query q(cyl.model, mesh.model);
    ASSERT_EQ(q.touch, 1);
    ASSERT_GE(q.result.contactCount, 3);
    for (int i = 0; i < q.result.contactCount; ++i) {
        EXPECT_NEAR(q.contacts[i].separation, -0.02f, 1e-4f);
        EXPECT_NEAR(std::hypot(q.contacts[i].position[0] - 0.3f, q.contacts[i].position[1]), 0.5f, 1e-3f);
    }
}

TEST_F(ConvexPairs, HundredAndOneSimultaneousPairsOutlastThePairDataPool)
{
    McdTerm(framework);
    framework = McdInitEngineFramework(256, 16);
    ASSERT_NE(framework, nullptr);
    colltest::MessageCapture capture;
    Placed mesh(Mesh(1, 1, 1), 0, 0, 0);
    std::vector<std::unique_ptr<Placed>> balls;
    std::vector<std::unique_ptr<Query>> queries;
    for (int i = 0; i < 101; ++i) {
        balls.push_back(std::make_unique<Placed>(McdSphereCreate(framework, 0.25f), -0.9f + 0.018f * i, 0.1f,
                                                 1.2f - 0.001f * i));
        queries.push_back(std::make_unique<Query>(balls.back()->model, mesh.model));
    }
    EXPECT_EQ(framework->pairDataPool->used, 100);
    EXPECT_EQ(queries[100]->pair.pairData, nullptr);
    ASSERT_EQ(capture.warnings.size(), 1u);
    for (int frame = 0; frame < 3; ++frame)
        for (int i = 0; i < 101; ++i) {
            queries[i]->Run();
            ASSERT_EQ(queries[i]->touch, 1) << i;
            EXPECT_NEAR(queries[i]->contacts[0].separation, 1.2f - 0.001f * i - 1.25f, 1e-4f) << i;
        }
    queries.clear();
    EXPECT_EQ(framework->pairDataPool->used, 0);
}

namespace {

// A floor of two triangles (z = 0, face up) around the origin, 4 x 4.
const MeReal kFloor[4][3] = {{-2, -2, 0}, {2, -2, 0}, {2, 2, 0}, {-2, 2, 0}};
const MeReal kUp[3] = {0, 0, 1};
int gFloorCalls = 0;
bool gFloorEmpty = false;
unsigned gFloorFlags = 0;

int FloorTriangles(McdModelPair*, McdModelID list, const MeReal*, MeReal)
{
    ++gFloorCalls;
    auto* l = static_cast<McdTriangleList*>(McdModelGetGeometry(list));
    l->triangleCount = 0;
    if (gFloorEmpty)
        return 0;
    const int idx[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int i = 0; i < 2 && i < l->triangleMaxCount; ++i) {
        McdUserTriangle& t = l->triangles[l->triangleCount++];
        for (int k = 0; k < 3; ++k)
            t.vertices[k] = kFloor[idx[i][k]];
        t.normal = kUp;
        t.flags = gFloorFlags;
        t.user = reinterpret_cast<void*>(static_cast<std::uintptr_t>(i + 1));
    }
    return l->triangleCount;
}

}  // namespace

TEST_F(ConvexPairs, ConvexMeshOnATriangleList)
{
    McdUserTriangle buffer[8];
    Placed floor(McdTriangleListCreate(framework, 4, 4, 1, &FloorTriangles), 0, 0, 0);
    auto* list = static_cast<McdTriangleList*>(floor.geometry);
    list->triangles = buffer;
    list->triangleMaxCount = 8;
    Placed mesh(Mesh(0.5f, 0.5f, 0.5f), 0.2f, 0.1f, 0.48f);
    Query q(floor.model, mesh.model);
    EXPECT_GT(gFloorCalls, 0);
    ASSERT_EQ(q.touch, 1);
    ASSERT_EQ(q.result.contactCount, 4);
    EXPECT_NEAR(q.result.normal[2], -1.0f, 1e-5f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(q.contacts[i].separation, -0.02f, 1e-4f);
        EXPECT_NEAR(std::fabs(q.contacts[i].position[0] - 0.2f), 0.5f, 1e-4f);
        EXPECT_NE(q.contacts[i].element1, nullptr);
    }
    // Below a one-sided floor the mesh is still pushed to the face side.
    mesh.tm[3][2] = -0.45f;
    q.Run();
    ASSERT_EQ(q.touch, 1);
    EXPECT_NEAR(q.result.normal[2], -1.0f, 1e-5f);
    gFloorFlags = 2;
    q.Run();
    EXPECT_NEAR(q.result.normal[2], 1.0f, 1e-5f);
    gFloorEmpty = true;
    q.Run();
    EXPECT_EQ(q.touch, 0);
    EXPECT_EQ(q.result.contactCount, 0);
    gFloorEmpty = false;
    gFloorFlags = 0;
}

TEST(ConvexContactHelpers, SegmentsClippingAndEdgeNormals)
{
    // Crossing segments, near-parallel ones (relative test), and a degenerate one.
    const MeReal a0[] = {-1, 0, 0}, a1[] = {1, 0, 0}, b0[] = {0.5f, -1, 1}, b1[] = {0.5f, 1, 1};
    MeReal s, t, pa[3], pb[3];
    EXPECT_NEAR(McdSegmentSegmentClosest(a0, a1, b0, b1, &s, &t, pa, pb), 1.0f, 1e-6f);
    EXPECT_NEAR(s, 0.75f, 1e-6f);
    EXPECT_NEAR(t, 0.5f, 1e-6f);
    // Short edges at a clear angle are not taken for parallel (an absolute test would).
    const MeReal c0[] = {0, 0, 0}, c1[] = {0.1f, 0, 0}, d0[] = {0.05f, -0.05f, 0.2f}, d1[] = {0.05f, 0.05f, 0.2f};
    EXPECT_NEAR(McdSegmentSegmentClosest(c0, c1, d0, d1, &s, &t, pa, pb), 0.2f, 1e-6f);
    EXPECT_NEAR(pa[0], 0.05f, 1e-6f);
    const MeReal e0[] = {2, 0, 3}, e1[] = {2, 0, 3};
    EXPECT_NEAR(McdSegmentSegmentClosest(a0, a1, e0, e1, &s, &t, pa, pb), std::sqrt(10.0f), 1e-5f);
    EXPECT_NEAR(pa[0], 1.0f, 1e-6f);

    // Edge-edge normals: crossing edges, parallel edges, collinear edges (the fallback).
    const MeReal centreB[] = {0.5f, 0, 2}, fallback[] = {0, 0, -1};
    MeReal n[3];
    McdEdgeEdgeNormal(n, a0, a1, b0, b1, centreB, fallback);
    EXPECT_NEAR(n[2], -1.0f, 1e-6f);
    const MeReal p0[] = {-1, 0, 1}, p1[] = {1, 0, 1};
    McdEdgeEdgeNormal(n, a0, a1, p0, p1, centreB, fallback);
    EXPECT_NEAR(n[2], -1.0f, 1e-6f);
    const MeReal q0[] = {2, 0, 0}, q1[] = {3, 0, 0};
    McdEdgeEdgeNormal(n, a0, a1, q0, q1, centreB, fallback);
    EXPECT_EQ(n[2], -1.0f);
    EXPECT_FALSE(std::isnan(n[0]));

    // Clipping a square by a plane through its middle keeps half of it.
    const MeReal sq[4][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
    MeReal out[8][3];
    const MeReal nx[] = {1, 0, 0};
    ASSERT_EQ(McdClipPolygonByPlane(out, 8, sq, 4, nx, 0.5f), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_GE(out[i][0], 0.5f - 1e-6f);
    EXPECT_EQ(McdClipPolygonByPlane(out, 8, sq, 4, nx, 2), 0);
    EXPECT_EQ(McdPolygonContainsOrigin2D(4, sq), 1);
    const MeReal off[4][3] = {{2, -1, 0}, {3, -1, 0}, {3, 1, 0}, {2, 1, 0}};
    EXPECT_EQ(McdPolygonContainsOrigin2D(4, off), 0);

    // Neighbour stepping walks a vertex's cycle both ways and wraps.
    const MeReal cube[] = {1, 1, 1, -1, 1, 1, 1, -1, 1, -1, -1, 1, 1, 1, -1, -1, 1, -1, 1, -1, -1, -1, -1, -1};
    CxConvexHull* h = cnvComputeHull(8, cube, 1);
    ASSERT_NE(h, nullptr);
    const CxVertex* v = &h->vertices[0];
    const CxVertex* w = v->neighbours[0];
    for (int k = 1; k <= 3; ++k) {
        w = McdHullNextNeighbour(v, w, 1);
        EXPECT_EQ(w, v->neighbours[k % 3]);
    }
    EXPECT_EQ(McdHullNextNeighbour(v, v->neighbours[0], -1), v->neighbours[2]);
    EXPECT_EQ(McdHullNeighbourSlot(v, &h->vertices[0]), v->neighbours + 3);
    EXPECT_EQ(McdHullNeighbourSlot(nullptr, w), nullptr);
    cnvHullDestroy(h);
}

TEST_F(ConvexPairs, CylinderCapsMakeRimContactsLikeTheirPolygons)
{
    // A cap resting wholly on a face: four contacts on the rim, a square's corners, each at
    // the separation the 12-gon gave (GJK's), like the polygon version's four culled corners.
    Placed mesh(Mesh(2, 2, 2), 0, 0, 0);
    Placed cyl(McdCylinderCreate(framework, 0.5f, 1), 0.3f, 0.2f, 2.48f);
    Query q(cyl.model, mesh.model);
    ASSERT_EQ(q.result.contactCount, 4);
    for (int i = 0; i < 4; ++i) {
        const McdContact& c = q.contacts[i];
        EXPECT_NEAR(c.separation, -0.02f, 1e-4f);
        EXPECT_NEAR(std::hypot(c.position[0] - 0.3f, c.position[1] - 0.2f), 0.5f, 1e-4f);
        EXPECT_NEAR(c.position[2], 2.0f, 1e-4f);
        for (int j = 0; j < i; ++j)
            EXPECT_GT(std::hypot(c.position[0] - q.contacts[j].position[0], c.position[1] - q.contacts[j].position[1]),
                      0.7f);
    }

    // Over the face's edge (x = 2) by 0.3: the points stay on the face and inside the rim,
    // and span the part of the disc that rests (the rim crossings and the rim beyond them).
    Placed over(McdCylinderCreate(framework, 0.5f, 1), 1.8f, 0, 2.48f);
    Query h(over.model, mesh.model);
    ASSERT_GE(h.result.contactCount, 3);
    MeReal lowY = 1, highY = -1, lowX = 3;
    for (int i = 0; i < h.result.contactCount; ++i) {
        const MeReal* p = h.contacts[i].position;
        EXPECT_LE(p[0], 2 + 1e-4f);
        EXPECT_LE(std::hypot(p[0] - 1.8f, p[1]), 0.5f + 1e-4f);
        lowY = std::fmin(lowY, p[1]);
        highY = std::fmax(highY, p[1]);
        lowX = std::fmin(lowX, p[0]);
    }
    EXPECT_LT(lowY, -0.4f);
    EXPECT_GT(highY, 0.4f);
    EXPECT_LT(lowX, 1.6f);

    // The disc feature keeps the polygon's support, and its polygon lies on its rim.
    McdConvexFeature disc;
    const MeReal down[] = {0.001f, 0, -1};
    McdCylinderSupportFeature(0.5f, 1, down, 0.01f, &disc);
    ASSERT_EQ(disc.count, -1);
    EXPECT_NEAR(disc.points[0][2], -1.0f, 1e-6f);
    const MeReal support = disc.support;
    McdDiscAsPolygon(&disc);
    ASSERT_EQ(disc.count, 12);
    MeReal best = -1e9f;
    for (int i = 0; i < 12; ++i) {
        EXPECT_NEAR(std::hypot(disc.points[i][0], disc.points[i][1]), 0.5f, 1e-5f);
        best = std::fmax(best, disc.points[i][0] * down[0] + disc.points[i][1] * down[1] + disc.points[i][2] * down[2]);
    }
    EXPECT_NEAR(best, support, 0.5f * 0.01f * (1 - std::cos(3.1415927f / 12)) + 1e-5f);
}

TEST(ConvexContactHelpers, ExactDiscHelpers)
{
    MeReal p[200][3];
    // Disc against disc: apart (one point between the centres), one inside the other (three
    // on the smaller rim), crossing (the two rim crossings and the rim points between).
    ASSERT_EQ(McdDiscDiscContactPoints(1, 1, 0.5f, 3, 0, p), 1);
    EXPECT_NEAR(p[0][0], 1.5f, 1e-6f);
    EXPECT_EQ(p[0][2], 0.5f);
    ASSERT_EQ(McdDiscDiscContactPoints(1, 0.4f, 0, 0.2f, 0.1f, p), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(std::hypot(p[i][0], p[i][1]), 0.4f, 1e-6f);
    ASSERT_EQ(McdDiscDiscContactPoints(1, 1, 0, 1.2f, 0, p), 4);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(std::hypot(p[i][0], p[i][1]), 1.0f, 1e-5f);
        EXPECT_NEAR(std::hypot(p[i][0] - 1.2f, p[i][1]), 1.0f, 1e-5f);
    }
    EXPECT_NEAR(p[2][0], 1.0f, 1e-6f);
    EXPECT_NEAR(p[3][0], 0.2f, 1e-6f);

    // Segment against disc: a chord gives its two rim crossings, a segment ending inside is
    // clamped to its end, a segment outside gives its point nearest the axis.
    const MeReal a[] = {-2, 0.6f, 1}, b[] = {2, 0.6f, 3};
    ASSERT_EQ(McdSegmentDiscClip(a, b, 1, p), 2);
    EXPECT_NEAR(p[0][0], -0.8f, 1e-5f);
    EXPECT_NEAR(p[1][0], 0.8f, 1e-5f);
    EXPECT_NEAR(p[0][2], 1.6f, 1e-5f);
    const MeReal c[] = {0, 0.6f, 0};
    ASSERT_EQ(McdSegmentDiscClip(a, c, 1, p), 2);
    EXPECT_NEAR(p[1][0], 0.0f, 1e-6f);
    const MeReal e[] = {-2, 3, 0}, f[] = {2, 3, 0};
    ASSERT_EQ(McdSegmentDiscClip(e, f, 1, p), 1);
    EXPECT_NEAR(p[0][0], 0.0f, 1e-6f);
    const MeReal g[] = {1.5f, 0, 0}, k[] = {3, 0, 0};  // the line crosses, the segment does not
    ASSERT_EQ(McdSegmentDiscClip(g, k, 1, p), 1);
    EXPECT_NEAR(p[0][0], 1.5f, 1e-6f);

    // Segment clipped to the circle: flags tell which end moved.
    MeReal s0[] = {-2, 0, 0}, s1[] = {0, 0, 2};
    int flags[2];
    ASSERT_EQ(McdSegmentClipCircle(1, s0, s1, flags), 1);
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[1], 0);
    EXPECT_NEAR(s0[0], -1.0f, 1e-6f);
    EXPECT_NEAR(s0[2], 1.0f, 1e-6f);
    MeReal m0[] = {2, 0, 0}, m1[] = {3, 0, 0};
    EXPECT_EQ(McdSegmentClipCircle(1, m0, m1, flags), 0);

    // Polygon against disc on a tilted plane z = 0.1 x: a polygon over the whole disc gives
    // four rim points on the plane; a half plane x >= 0 gives the two crossings and the rim
    // point on its side; a polygon inside the disc keeps its corners.
    const MeReal big[4][3] = {{-3, -3, -0.3f}, {3, -3, 0.3f}, {3, 3, 0.3f}, {-3, 3, -0.3f}};
    int count = 0;
    ASSERT_EQ(McdPolygonClipDisc(big, 4, 1, 200, p, &count), 1);
    ASSERT_EQ(count, 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(std::hypot(p[i][0], p[i][1]), 1.0f, 1e-5f);
        EXPECT_NEAR(p[i][2], 0.1f * p[i][0], 1e-5f);
    }
    const MeReal half[4][3] = {{0, -3, 0}, {3, -3, 0.3f}, {3, 3, 0.3f}, {0, 3, 0}};
    ASSERT_EQ(McdPolygonClipDisc(half, 4, 1, 200, p, &count), 1);
    ASSERT_EQ(count, 3);
    EXPECT_NEAR(p[2][0], 1.0f, 1e-5f);
    EXPECT_NEAR(p[2][1], 0.0f, 1e-5f);
    EXPECT_NEAR(p[2][2], 0.1f, 1e-5f);
    const MeReal small[3][3] = {{-0.2f, -0.2f, 0}, {0.2f, -0.2f, 0}, {0, 0.3f, 0}};
    ASSERT_EQ(McdPolygonClipDisc(small, 3, 1, 200, p, &count), 1);
    EXPECT_EQ(count, 3);
    const MeReal away[3][3] = {{5, 5, 0}, {6, 5, 0}, {5, 6, 0}};
    EXPECT_EQ(McdPolygonClipDisc(away, 3, 1, 200, p, &count), 0);
    EXPECT_EQ(count, 0);
}

namespace {

// A model that moves smoothly: a turn about a fixed axis and a drift that bounces inside a
// box, both functions of the frame number.
struct Mover {
    std::unique_ptr<Placed> placed;
    MeReal axis[3], angle0, spin, start[3], velocity[3], bound;
    void At(int frame)
    {
        MeReal p[3];
        for (int j = 0; j < 3; ++j) {
            // A triangle wave over [-bound, bound].
            const MeReal span = 4 * bound;
            MeReal u = std::fmod(start[j] + bound + velocity[j] * static_cast<MeReal>(frame), span);
            if (u < 0)
                u += span;
            p[j] = (u < 2 * bound ? u : span - u) - bound;
        }
        const MeReal angle = angle0 + spin * static_cast<MeReal>(frame);
        const MeReal c = std::cos(angle), s = std::sin(angle), t = 1 - c;
        const MeReal x = axis[0], y = axis[1], z = axis[2];
        const MeReal r[3][3] = {{t * x * x + c, t * x * y + s * z, t * x * z - s * y},
                                {t * x * y - s * z, t * y * y + c, t * y * z + s * x},
                                {t * x * z + s * y, t * y * z - s * x, t * z * z + c}};
        MeReal(*m)[4] = placed->tm;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                m[i][j] = r[i][j];
        for (int j = 0; j < 3; ++j)
            m[3][j] = p[j];
    }
};

Mover MakeMover(McdGeometryID g, MeReal bound, MeReal speed)
{
    Mover m;
    m.placed = std::make_unique<Placed>(g, 0, 0, 0);
    MeReal len = 0;
    do {
        len = 0;
        for (MeReal& a : m.axis) {
            a = colltest::Uniform(-1, 1);
            len += a * a;
        }
    } while (len < 0.01f || len > 1);
    len = std::sqrt(len);
    for (MeReal& a : m.axis)
        a /= len;
    m.angle0 = colltest::Uniform(0, 6.2831853f);
    m.spin = colltest::Uniform(-0.004f, 0.004f);
    m.bound = bound;
    for (int j = 0; j < 3; ++j) {
        m.start[j] = colltest::Uniform(-bound, bound);
        m.velocity[j] = colltest::Uniform(-speed, speed);
    }
    return m;
}

}  // namespace

// A kept pair starts each query from the simplex of its last one; whatever that simplex is
// (four points after an overlap, a stale one after a jump), the pair must decide touching
// exactly as a pair asked afresh. Every convex pair type that keeps state, over thousands of
// frames of smooth motion through overlap and apart.
TEST_F(ConvexPairs, KeptPairsDecideTouchingAsFreshPairsOverThousandsOfFrames)
{
    McdTerm(framework);
    framework = McdInitEngineFramework(256, 16);
    ASSERT_NE(framework, nullptr);
    MeRandomSeed(4040);
    auto hull = [&](MeReal fat) {
        for (;;) {
            const int n = 12 + MeRandom() % 29;
            std::vector<MeReal> pts;
            for (int i = 0; i < 3 * n; ++i)
                pts.push_back(colltest::Uniform(-1, 1));
            if (McdGeometryID g = McdConvexMeshCreateFromPoints(framework, pts.data(), n, fat))
                return g;
        }
    };
    enum Kind { kMeshMesh, kBoxMesh, kSphereMesh, kCylinderMesh };
    const char* names[] = {"convex-convex", "box-convex", "sphere-convex", "cylinder-convex"};
    const int pairsOf[] = {90, 30, 30, 30};
    const int kFrames = 2000;
    for (int kind = kMeshMesh; kind <= kCylinderMesh; ++kind) {
        std::vector<Mover> first, second;
        for (int i = 0; i < pairsOf[kind]; ++i) {
            McdGeometryID g;
            switch (kind) {
            case kMeshMesh: g = hull(i % 3 == 0 ? 0.0f : 0.05f); break;
            case kBoxMesh:
                g = McdBoxCreate(framework, colltest::Uniform(0.3f, 2), colltest::Uniform(0.3f, 2),
                                 colltest::Uniform(0.3f, 2));
                break;
            case kSphereMesh: g = McdSphereCreate(framework, colltest::Uniform(0.2f, 1)); break;
            default: g = McdCylinderCreate(framework, colltest::Uniform(0.2f, 1), colltest::Uniform(0.4f, 2)); break;
            }
            first.push_back(MakeMover(g, 0.3f, 0.0005f));
            second.push_back(MakeMover(hull(0.05f), 2.2f, 0.004f));
        }
        std::vector<std::unique_ptr<Query>> kept;
        for (std::size_t i = 0; i < first.size(); ++i) {
            first[i].At(0);
            second[i].At(0);
            kept.push_back(std::make_unique<Query>(first[i].placed->model, second[i].placed->model));
        }
        int touching = 0, apart = 0, differ = 0;
        for (int frame = 1; frame <= kFrames && differ < 10; ++frame) {
            for (std::size_t i = 0; i < first.size(); ++i) {
                first[i].At(frame);
                second[i].At(frame);
                kept[i]->Run();
                const Query fresh(first[i].placed->model, second[i].placed->model);
                if (kept[i]->touch != fresh.touch) {
                    // Only a decision on the very boundary may go either way.
                    const Query& yes = kept[i]->touch ? *kept[i] : fresh;
                    MeReal deepest = 0;
                    for (int c = 0; c < yes.result.contactCount; ++c)
                        deepest = std::fmin(deepest, yes.contacts[c].separation);
                    if (deepest < -1e-5f) {
                        ++differ;
                        ADD_FAILURE() << names[kind] << " pair " << i << " frame " << frame << ": kept "
                                      << kept[i]->touch << ", fresh " << fresh.touch << ", depth " << -deepest;
                    }
                }
                (fresh.touch ? touching : apart) += 1;
            }
        }
        EXPECT_EQ(differ, 0) << names[kind];
        // The motion visits both outcomes often.
        const int total = static_cast<int>(first.size()) * kFrames;
        EXPECT_GT(touching, total / 10) << names[kind];
        EXPECT_GT(apart, total / 10) << names[kind];
    }
}
