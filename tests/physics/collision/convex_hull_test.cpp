#include <cmath>
#include <vector>

#include "physics/collision/convex_hull.h"
#include "physics/collision/convex_mesh.h"
#include "physics/dynamics/me_memory.h"
#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;
using colltest::Uniform;

namespace {

// Counts live blocks of the toolkit's memory table.
struct AllocationCounter {
    static int& Live()
    {
        static int live = 0;
        return live;
    }
    static void* Create(std::size_t n)
    {
        ++Live();
        return saved().create(n);
    }
    static void Destroy(void* p)
    {
        if (p)
            --Live();
        saved().destroy(p);
    }
    static MeMemoryFunctions& saved()
    {
        static MeMemoryFunctions s;
        return s;
    }
    AllocationCounter()
    {
        saved() = MeMemoryAPI;
        MeMemoryAPI.create = &Create;
        MeMemoryAPI.destroy = &Destroy;
        Live() = 0;
    }
    ~AllocationCounter() { MeMemoryAPI = saved(); }
};

MeReal Dot(const MeReal a[3], const MeReal b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

bool SharesFace(const CxVertex& v, const CxVertex* a, const CxVertex* b)
{
    for (int f = 0; f < v.faceCount; ++f) {
        bool hasA = false, hasB = false;
        for (int j = 0; j < v.faces[f]->vertexCount; ++j) {
            hasA |= v.faces[f]->ring[j].vertex == a;
            hasB |= v.faces[f]->ring[j].vertex == b;
        }
        if (hasA && hasB)
            return true;
    }
    return false;
}

// Structural facts every hull must satisfy: Euler's formula, rings clockwise from outside
// with every vertex on or below every face plane, consecutive neighbours sharing a face
// (a cyclic order), every edge seen from both ends, one turning sense at every vertex.
void CheckHull(const CxConvexHull* h)
{
    ASSERT_NE(h, nullptr);
    int edges = 0;
    for (int i = 0; i < h->vertexCount; ++i)
        edges += h->vertices[i].neighbourCount;
    ASSERT_EQ(edges % 2, 0);
    EXPECT_EQ(h->vertexCount - edges / 2 + h->faceCount, 2);
    for (int f = 0; f < h->faceCount; ++f) {
        const CxFace& face = h->faces[f];
        ASSERT_GE(face.vertexCount, 3);
        EXPECT_NEAR(Dot(face.normal, face.normal), 1.0f, 1e-4f);
        MeReal area[3] = {0, 0, 0};
        for (int j = 0; j < face.vertexCount; ++j) {
            const MeReal* a = face.ring[j].position;
            const MeReal* b = face.ring[(j + 1) % face.vertexCount].position;
            MeReal c[3];
            cnvVec3Cross(c, a, b);
            for (int k = 0; k < 3; ++k)
                area[k] += c[k];
        }
        EXPECT_LT(Dot(area, face.normal), 0.0f) << "face " << f << " not clockwise from outside";
        const MeReal off = Dot(face.normal, face.ring[0].position);
        for (int i = 0; i < h->vertexCount; ++i)
            EXPECT_LE(Dot(face.normal, h->vertices[i].position), off + 1e-4f);
    }
    for (int i = 0; i < h->vertexCount; ++i) {
        const CxVertex& v = h->vertices[i];
        ASSERT_GE(v.neighbourCount, 3);
        EXPECT_EQ(v.neighbourCount, v.faceCount);
        for (int k = 0; k < v.neighbourCount; ++k) {
            const CxVertex* a = v.neighbours[k];
            const CxVertex* b = v.neighbours[(k + 1) % v.neighbourCount];
            EXPECT_TRUE(SharesFace(v, a, b)) << "vertex " << i << " neighbours " << k << " not cyclic";
            bool back = false;
            for (int m = 0; m < a->neighbourCount; ++m)
                back |= a->neighbours[m] == &v;
            EXPECT_TRUE(back);
        }
        // One turning sense, counter-clockwise from outside: (n_k - v) x (n_k+1 - v) points
        // out of the hull at every vertex.
        MeReal out[3] = {0, 0, 0};
        for (int k = 0; k < v.neighbourCount; ++k) {
            MeReal e1[3], e2[3], c[3];
            cnvVec3Sub(e1, v.neighbours[k]->position, v.position);
            cnvVec3Sub(e2, v.neighbours[(k + 1) % v.neighbourCount]->position, v.position);
            cnvVec3Cross(c, e1, e2);
            for (int j = 0; j < 3; ++j)
                out[j] += c[j];
        }
        MeReal mean[3] = {0, 0, 0};
        for (int f = 0; f < v.faceCount; ++f)
            for (int j = 0; j < 3; ++j)
                mean[j] += v.faces[f]->normal[j];
        EXPECT_GT(Dot(out, mean), 0.0f) << "vertex " << i;
    }
}

std::vector<MeReal> Polyhedron(const char* name)
{
    std::vector<MeReal> p;
    if (std::string(name) == "octahedron") {
        p = {1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 0, 0, -1};
    } else {
        const MeReal t = (1 + std::sqrt(5.0f)) / 2;
        const MeReal base[12][3] = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                                    {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
        for (const auto& v : base)
            p.insert(p.end(), v, v + 3);
    }
    return p;
}

}  // namespace

TEST(ConvexHull, CubeHasEightThreeNeighbourVerticesAndSixSquareFaces)
{
    const MeReal cube[] = {1, 1, 1, -1, 1, 1, 1, -1, 1, -1, -1, 1, 1, 1, -1, -1, 1, -1, 1, -1, -1, -1, -1, -1};
    CxConvexHull* h = cnvComputeHull(8, cube, 1);
    CheckHull(h);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->vertexCount, 8);
    EXPECT_EQ(h->faceCount, 6);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(h->vertices[i].neighbourCount, 3);
    for (int f = 0; f < 6; ++f) {
        EXPECT_EQ(h->faces[f].vertexCount, 4);
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(h->faces[f].ring[j].normal[k], h->faces[f].normal[k]);
    }
    cnvHullDestroy(h);

    // Mode 0: ring normals are the mean of the vertex's face normals, e.g. (1,1,1)/3 at a corner.
    h = cnvComputeHull(8, cube, 0);
    ASSERT_NE(h, nullptr);
    const CxRingEntry& e = h->faces[0].ring[0];
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(std::fabs(e.normal[k]), 1.0f / 3, 1e-5f);
    cnvHullDestroy(h);
}

TEST(ConvexHull, PlatonicSolidsAndRandomCloudsGiveCyclicNeighboursAndClockwiseRings)
{
    for (const char* name : {"octahedron", "icosahedron"}) {
        std::vector<MeReal> p = Polyhedron(name);
        CxConvexHull* h = cnvComputeHull(static_cast<int>(p.size() / 3), p.data(), 1);
        CheckHull(h);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(h->faceCount, name[0] == 'o' ? 8 : 20);
        for (int i = 0; i < h->vertexCount; ++i)
            EXPECT_EQ(h->vertices[i].neighbourCount, name[0] == 'o' ? 4 : 5);
        cnvHullDestroy(h);
    }
    MeRandomSeed(77);
    for (int trial = 0; trial < 60; ++trial) {
        const int n = 6 + trial % 40;
        std::vector<MeReal> p;
        for (int i = 0; i < n; ++i) {
            p.push_back(Uniform(-1, 1));
            p.push_back(Uniform(-2, 2));
            p.push_back(Uniform(-0.5f, 0.5f));
        }
        CxConvexHull* h = cnvComputeHull(n, p.data(), 1);
        CheckHull(h);
        cnvHullDestroy(h);
    }
}

TEST(ConvexHull, FlatOrTooFewPointsGiveNullWithoutLeaks)
{
    AllocationCounter counter;
    const MeReal flat[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0.5f, 0.5f, 0};
    {
        // qhull's report of the flat cloud reaches the warning channel as one line, not stderr.
        colltest::MessageCapture messages;
        testing::internal::CaptureStderr();
        EXPECT_EQ(cnvComputeHull(5, flat, 1), nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_EQ(messages.warnings.size(), 1u);
        EXPECT_EQ(messages.warnings[0].rfind("cnvComputeHull: no hull of 5 points: QH6154 ", 0), 0u)
            << messages.warnings[0];
        EXPECT_NE(messages.warnings[0].find("flat"), std::string::npos) << messages.warnings[0];
    }
    EXPECT_EQ(cnvComputeHull(3, flat, 1), nullptr);
    EXPECT_EQ(counter.Live(), 0);
    const MeReal tet[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
    CxConvexHull* h = cnvComputeHull(4, tet, 1);
    CheckHull(h);
    cnvHullDestroy(h);
    EXPECT_EQ(counter.Live(), 0);

    // A point that is not a finite number never reaches the hull library.
    for (MeReal bad : {std::nanf(""), INFINITY, -INFINITY}) {
        MeReal cloud[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0.2f, 0.2f, 0.2f};
        cloud[13] = bad;
        EXPECT_EQ(cnvComputeHull(5, cloud, 1), nullptr);
    }
    EXPECT_EQ(counter.Live(), 0);
}

TEST(ConvexHull, RescaledAndReloadedSharedHullsFollowTheirVertices)
{
    const MeReal cube[] = {1, 1, 1, -1, 1, 1, 1, -1, 1, -1, -1, 1, 1, 1, -1, -1, 1, -1, 1, -1, -1, -1, -1, -1};
    CxConvexHull* h = cnvComputeHull(8, cube, 1);
    ASSERT_NE(h, nullptr);
    for (int i = 0; i < h->vertexCount; ++i) {
        h->vertices[i].position[0] *= 3;
        h->vertices[i].position[2] *= 0.5f;
    }
    cnvHullRefresh(h);
    CheckHull(h);
    int xFaces = 0;
    for (int f = 0; f < h->faceCount; ++f) {
        for (int j = 0; j < h->faces[f].vertexCount; ++j)
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(h->faces[f].ring[j].position[k], h->faces[f].ring[j].vertex->position[k]);
        if (std::fabs(h->faces[f].normal[0]) > 0.999f) {
            ++xFaces;
            EXPECT_NEAR(Dot(h->faces[f].normal, h->faces[f].ring[0].position), 3.0f, 1e-5f);
        }
    }
    EXPECT_EQ(xFaces, 2);
    cnvHullDestroy(h);

    const MeReal a[] = {0, 0, 0}, b[] = {1, 0, 0}, c[] = {0, 1, 0}, up[] = {0, 0, 1};
    CxConvexHull* t = cnvMakeTriangleHull(a, b, c, up);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->vertexCount, 3);
    EXPECT_EQ(t->faceCount, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(t->vertices[i].neighbourCount, 2);
    const MeReal a2[] = {0, 0, 5}, b2[] = {0, 2, 5}, c2[] = {0, 0, 7}, side[] = {-1, 0, 0};
    McdTriangleHullSetVertices(t, a2, b2, c2, side);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(t->faces[0].normal[k], side[k]);
    for (int j = 0; j < 3; ++j) {
        EXPECT_EQ(t->faces[0].ring[j].position[0], 0.0f);
        EXPECT_GE(t->faces[0].ring[j].position[2], 5.0f);
        EXPECT_EQ(t->faces[0].ring[j].normal[0], -1.0f);
    }
    cnvHullDestroy(t);
}

TEST_F(FrameworkTest, ConvexMeshBoundsSupportMassAndSegments)
{
    // Cube of half size 1 offset so its farthest vertex lies at distance 2 from the origin:
    // corners at (x, y, z) with |.| = 2 for the corner (2/sqrt3 ...). Use a box 0..a with
    // diagonal 2 instead.
    const MeReal s = 2.0f / std::sqrt(3.0f);
    const MeReal pts[] = {0, 0, 0, s, 0, 0, 0, s, 0, s, s, 0, 0, 0, s, s, 0, s, 0, s, s, s, s, s};
    McdGeometryID g = McdConvexMeshCreateFromPoints(framework, pts, 8, 0.1f);
    ASSERT_NE(g, nullptr);
    MeReal centre[3], radius;
    ASSERT_TRUE(McdGeometryGetBSphere(g, centre, &radius));
    EXPECT_NEAR(radius, 2.1f, 1e-5f);
    EXPECT_EQ(McdConvexMeshGetFaceCount(g), 6);
    EXPECT_EQ(McdConvexMeshGetFaceVertexCount(g, 0), 4);
    EXPECT_NE(McdConvexMeshGetFaceVertex(g, 0, 3), nullptr);
    EXPECT_EQ(McdConvexMeshGetFaceVertex(g, 0, 4), nullptr);

    MeReal rel[16], inertia[9], volume;
    EXPECT_EQ(McdGeometryGetMassProperties(g, rel, inertia, &volume), 0);
    EXPECT_NEAR(volume, s * s * s, 1e-4f);
    EXPECT_NEAR(rel[12], s / 2, 1e-5f);
    EXPECT_NEAR(inertia[0], s * s / 6, 1e-4f);  // per unit mass of a cube of side s
    EXPECT_NEAR(inertia[1], 0.0f, 1e-5f);

    McdModelID m = McdModelCreate(g);
    MeMatrix4 tm;
    colltest::RandomPose(tm, 3, -1, 2);
    McdModelSetTransformPtr(m, tm);
    McdModelUpdate(m);
    MeReal lo[3], hi[3];
    McdModelGetAABB(m, lo, hi);
    for (int j = 0; j < 3; ++j) {
        MeReal wlo = 1e9f, whi = -1e9f;
        for (int i = 0; i < 8; ++i) {
            MeReal w = tm[3][j];
            for (int k = 0; k < 3; ++k)
                w += pts[3 * i + k] * tm[k][j];
            wlo = std::fmin(wlo, w);
            whi = std::fmax(whi, w);
        }
        EXPECT_NEAR(lo[j], wlo - 0.1f, 1e-4f);
        EXPECT_NEAR(hi[j], whi + 0.1f, 1e-4f);
    }

    // Segments: from outside through the centre hits the entry face; from inside, the exit.
    McdLineSegIntersectFn fn = McdGeometryGetLineSegFn(g);
    ASSERT_NE(fn, nullptr);
    MeMatrix4 id;
    colltest::Identity(id);
    McdModelSetTransformPtr(m, id);
    McdModelUpdate(m);
    McdLineSegIntersectResult hit;
    const MeReal p0[] = {-1, s / 2, s / 2}, p1[] = {3, s / 2, s / 2};
    ASSERT_EQ(fn(m, p0, p1, &hit), 1);
    EXPECT_NEAR(hit.position[0], 0.0f, 1e-5f);
    EXPECT_NEAR(hit.normal[0], -1.0f, 1e-5f);
    EXPECT_NEAR(hit.distance, 1.0f, 1e-5f);
    const MeReal q0[] = {s / 2, s / 2, s / 2}, q1[] = {s / 2, s / 2, 5};
    ASSERT_EQ(fn(m, q0, q1, &hit), 1);
    EXPECT_NEAR(hit.position[2], s, 1e-5f);
    EXPECT_NEAR(hit.normal[2], 1.0f, 1e-5f);
    const MeReal r0[] = {s / 4, s / 4, s / 4}, r1[] = {s / 2, s / 2, s / 2};
    EXPECT_EQ(fn(m, r0, r1, &hit), 0);
    const MeReal u0[] = {-1, -1, 5}, u1[] = {3, -1, 5};
    EXPECT_EQ(fn(m, u0, u1, &hit), 0);

    McdModelDestroy(m);
    McdGeometryDestroy(g);
    EXPECT_EQ(McdConvexMeshCreateFromPoints(framework, pts, 3, 0), nullptr);
}
