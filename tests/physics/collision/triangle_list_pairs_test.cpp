// Spheres, boxes and cylinders against triangle lists fed by a test callback.

#include <algorithm>
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

// Exact answers in double for the seeded poses below.
struct D3 {
    double x = 0, y = 0, z = 0;
};
D3 operator+(D3 a, D3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
D3 operator-(D3 a, D3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
D3 operator*(D3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3 Cross(D3 a, D3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
D3 Of(const MeReal* p) { return {p[0], p[1], p[2]}; }

// The engine's flags: edge normals, two-sided, and the edges not shared with a flat neighbour.
constexpr unsigned kEngineFlags = kMcdTriangleUseEdgeNormals | kMcdTriangleTwoSided;
constexpr unsigned kAllEdges = kMcdTriangleEdge0 | (kMcdTriangleEdge0 << 1) | (kMcdTriangleEdge0 << 2);

// The eight corners of a box placed by `t` (rows the axes, row 3 the centre).
std::array<D3, 8> Corners(const MeMatrix4 t, const MeReal e[3])
{
    std::array<D3, 8> c;
    for (int k = 0; k < 8; ++k) {
        D3 p = Of(t[3]);
        for (int i = 0; i < 3; ++i)
            p = p + Of(t[i]) * ((k >> i & 1) ? e[i] : -e[i]);
        c[static_cast<size_t>(k)] = p;
    }
    return c;
}

// The convex hull of points in the plane (x, y), counter-clockwise.
std::vector<D3> Hull2(std::vector<D3> p)
{
    std::sort(p.begin(), p.end(), [](D3 a, D3 b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    if (p.size() < 3)
        return p;
    std::vector<D3> h(2 * p.size());
    size_t k = 0;
    auto turn = [](D3 o, D3 a, D3 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
    for (size_t i = 0; i < p.size(); h[k++] = p[i++])
        while (k >= 2 && turn(h[k - 2], h[k - 1], p[i]) <= 1e-12)
            --k;
    for (size_t i = p.size() - 1, t = k + 1; i > 0; h[k++] = p[--i])
        while (k >= t && turn(h[k - 2], h[k - 1], p[i - 1]) <= 1e-12)
            --k;
    h.resize(k - 1);
    return h;
}

// The area of a hull in the plane.
double Area2(const std::vector<D3>& h)
{
    double a = 0;
    for (size_t i = 0, j = h.size() - 1; i < h.size(); j = i++)
        a += h[j].x * h[i].y - h[j].y * h[i].x;
    return 0.5 * std::fabs(a);
}

// How far a point lies outside a counter-clockwise hull in the plane (0 inside).
double Outside2(const std::vector<D3>& h, D3 p)
{
    double worst = 0;
    for (size_t i = 0, j = h.size() - 1; i < h.size(); j = i++) {
        const D3 e = h[i] - h[j];
        const double len = std::sqrt(e.x * e.x + e.y * e.y);
        if (len > 0)
            worst = std::max(worst, -(e.x * (p.y - h[j].y) - e.y * (p.x - h[j].x)) / len);
    }
    return worst;
}

// The least-overlap axes of a box and a triangle: the triangle's normal, the box's three
// axes and the nine cross products of a box axis with a triangle edge. Returns the largest
// separation (negative: the least overlap).
double BoxTriangleSeparation(const MeMatrix4 t, const MeReal e[3], const std::array<D3, 3>& tri)
{
    std::vector<D3> axes;
    axes.push_back(Cross(tri[1] - tri[0], tri[2] - tri[0]));
    for (int i = 0; i < 3; ++i)
        axes.push_back(Of(t[i]));
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            axes.push_back(Cross(Of(t[i]), tri[static_cast<size_t>((k + 1) % 3)] - tri[static_cast<size_t>(k)]));
    double best = -1e30;
    for (D3 L : axes) {
        const double len = std::sqrt(Dot(L, L));
        if (len < 1e-9)
            continue;
        L = L * (1 / len);
        double r = 0;
        for (int i = 0; i < 3; ++i)
            r += e[i] * std::fabs(Dot(Of(t[i]), L));
        const double c = Dot(Of(t[3]), L);
        const double lo = std::min({Dot(tri[0], L), Dot(tri[1], L), Dot(tri[2], L)});
        const double hi = std::max({Dot(tri[0], L), Dot(tri[1], L), Dot(tri[2], L)});
        best = std::max({best, lo - (c + r), (c - r) - hi});
    }
    return best;
}

// Closest point of triangle abc to p (the region test).
D3 ClosestOnTriangle(D3 p, D3 a, D3 b, D3 c)
{
    const D3 ab = b - a, ac = c - a, ap = p - a;
    const double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return a;
    const D3 bp = p - b;
    const double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return b;
    const double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return a + ab * (d1 / (d1 - d3));
    const D3 cp = p - c;
    const double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return c;
    const double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return a + ac * (d2 / (d2 - d6));
    const double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    const double denom = 1 / (va + vb + vc);
    return a + ab * (vb * denom) + ac * (vc * denom);
}

// A box pressed into a flat floor of two triangles (the engine's flags: the shared diagonal
// makes no edge contacts), turned at random, its lowest corner 1 cm to 30 cm deep (its centre above the floor). The
// contacts keep the floor's normal (the diagonal is no edge), the deepest has the depth, and
// they lie on and spread over the box's footprint on the floor (the part of the box below
// it, seen from above), not at one corner.
TEST_F(TriangleListTest, BoxPressedIntoAFlatFloorSpreadsItsContactsOverItsFootprint)
{
    Quad();
    soup.flags[0] |= kEngineFlags;
    soup.flags[1] |= kEngineFlags;
    MeRandomSeed(7001);
    int spread = 0;
    for (int trial = 0; trial < 1600; ++trial) {
        MeMatrix4 t;
        colltest::RandomPose(t, colltest::Uniform(-0.8f, 0.8f), colltest::Uniform(-0.8f, 0.8f), 0);
        const MeReal e[3] = {colltest::Uniform(0.2f, 0.6f), colltest::Uniform(0.2f, 0.6f), colltest::Uniform(0.2f, 0.6f)};
        double reach = 0;
        for (int i = 0; i < 3; ++i)
            reach += e[i] * std::fabs(t[i][2]);
        // The centre stays in front of the floor (the engine hands over no triangle otherwise).
        const double depth = colltest::Uniform(0.011f, 0.3f) * std::min(1.0, 0.9 * reach / 0.3);
        t[3][2] = static_cast<MeReal>(reach - depth);
        // The footprint: corners below the floor and the points where edges cross it.
        const std::array<D3, 8> c = Corners(t, e);
        std::vector<D3> below;
        double lowest = 0;
        for (const D3& p : c) {
            lowest = std::min(lowest, p.z);
            if (p.z < 0)
                below.push_back({p.x, p.y, 0});
        }
        for (int a = 0; a < 8; ++a)
            for (int i = 0; i < 3; ++i) {
                const int b = a | (1 << i);
                if (b == a)
                    continue;
                const D3 p = c[static_cast<size_t>(a)], q = c[static_cast<size_t>(b)];
                if ((p.z < 0) != (q.z < 0)) {
                    const D3 x = p + (q - p) * (p.z / (p.z - q.z));
                    below.push_back({x.x, x.y, 0});
                }
            }
        const std::vector<D3> footprint = Hull2(below);
        McdIntersectResult r;
        ASSERT_EQ(Collide(McdBoxCreate(framework, 2 * e[0], 2 * e[1], 2 * e[2]), t, &r), 1) << trial;
        ASSERT_GE(r.contactCount, 1) << trial;
        EXPECT_LE(r.contactCount, 4) << trial;
        EXPECT_NEAR(r.normal[2], 1, 1e-4f) << trial;
        double deepest = 0;
        std::vector<D3> at;
        for (int i = 0; i < r.contactCount; ++i) {
            const McdContact& k = r.contacts[i];
            EXPECT_NEAR(k.normal[2], 1, 1e-4f) << trial << " contact " << i;
            deepest = std::min(deepest, double(k.separation));
            at.push_back({k.position[0], k.position[1], 0});
            EXPECT_LT(Outside2(footprint, at.back()), 1e-3) << trial << " contact " << i;
        }
        EXPECT_NEAR(deepest, lowest, 1e-4) << trial;
        // A footprint of some size with four corners or more apart from each other gets four
        // contacts that reach across it (the culling keeps the deepest point, which may lie
        // inside, and chooses the others by the area they add).
        auto widest = [](const std::vector<D3>& p) {
            double w = 0;
            for (size_t i = 0; i < p.size(); ++i)
                for (size_t j = 0; j < i; ++j) {
                    const D3 d = p[i] - p[j];
                    w = std::max(w, std::sqrt(d.x * d.x + d.y * d.y));
                }
            return w;
        };
        double closest = 1e30;
        for (size_t i = 0; i < footprint.size(); ++i)
            for (size_t j = 0; j < i; ++j) {
                const D3 d = footprint[i] - footprint[j];
                closest = std::min(closest, std::sqrt(d.x * d.x + d.y * d.y));
            }
        if (Area2(footprint) > 0.01 && footprint.size() >= 4 && closest > 0.02) {
            ++spread;
            EXPECT_EQ(r.contactCount, 4) << trial;
            EXPECT_GE(widest(at), 0.6 * widest(footprint)) << trial;
            EXPECT_GT(Area2(Hull2(at)), 0.1 * Area2(footprint)) << trial;
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(spread, 400);
}

// A box near an edge of one triangle (all edges open, the engine's flags), turned at random:
// pushing the box out by the reported depth along the reported normal parts it from the
// triangle, and that depth is the least overlap over the thirteen axes (brute force in
// double) but for the bias of face axes by the padding. Many of these poses are decided by
// an edge of each shape.
TEST_F(TriangleListTest, BoxAgainstATriangleReportsTheOverlapAlongItsNormal)
{
    MeRandomSeed(7003);
    int overlapping = 0, edgeEdge = 0;
    const double padding = 2 * kMcdDefaultPadding;
    for (int trial = 0; trial < 3000; ++trial) {
        std::array<D3, 3> tri;
        for (D3& v : tri)
            v = {colltest::Uniform(-1.5f, 1.5f), colltest::Uniform(-1.5f, 1.5f), 0};
        D3 n = Cross(tri[1] - tri[0], tri[2] - tri[0]);
        if (std::fabs(n.z) < 0.2)
            continue;
        if (n.z < 0)
            std::swap(tri[1], tri[2]);
        soup.vertices.clear();
        for (const D3& v : tri)
            soup.vertices.push_back({static_cast<MeReal>(v.x), static_cast<MeReal>(v.y), 0});
        soup.triangles = {{0, 1, 2}};
        soup.normals = {{0, 0, 1}};
        soup.flags = {kEngineFlags | kAllEdges};
        // Centre near a point of an edge, in front of the triangle.
        const int k = trial % 3;
        const D3 on = tri[static_cast<size_t>(k)] + (tri[static_cast<size_t>((k + 1) % 3)] - tri[static_cast<size_t>(k)]) *
                                                        colltest::Uniform(0.1f, 0.9f);
        MeMatrix4 t;
        colltest::RandomPose(t, static_cast<MeReal>(on.x) + colltest::Uniform(-0.5f, 0.5f),
                             static_cast<MeReal>(on.y) + colltest::Uniform(-0.5f, 0.5f), colltest::Uniform(0.05f, 0.7f));
        const MeReal e[3] = {colltest::Uniform(0.1f, 0.6f), colltest::Uniform(0.1f, 0.6f), colltest::Uniform(0.1f, 0.6f)};
        const double separation = BoxTriangleSeparation(t, e, tri);
        if (separation > -0.005)
            continue;
        ++overlapping;
        // Decided by an edge pair when the triangle's and the box's face axes overlap more.
        {
            double r = 0;
            for (int i = 0; i < 3; ++i)
                r += e[i] * std::fabs(t[i][2]);
            double face = std::max(-(t[3][2] + r), t[3][2] - r);
            for (int i = 0; i < 3; ++i) {
                const D3 L = Of(t[i]);
                const double cL = Dot(Of(t[3]), L);
                const double lo = std::min({Dot(tri[0], L), Dot(tri[1], L), Dot(tri[2], L)});
                const double hi = std::max({Dot(tri[0], L), Dot(tri[1], L), Dot(tri[2], L)});
                face = std::max({face, lo - (cL + e[i]), (cL - e[i]) - hi});
            }
            if (separation > face + padding + 1e-3)
                ++edgeEdge;
        }
        McdIntersectResult r;
        ASSERT_EQ(Collide(McdBoxCreate(framework, 2 * e[0], 2 * e[1], 2 * e[2]), t, &r), 1) << trial;
        ASSERT_GE(r.contactCount, 1) << trial;
        double depth = 0;
        for (int i = 0; i < r.contactCount; ++i)
            depth = std::max(depth, -double(r.contacts[i].separation));
        const D3 normal = Of(r.contacts[0].normal);
        for (int i = 1; i < r.contactCount; ++i)
            EXPECT_NEAR(Dot(Of(r.contacts[i].normal), normal), 1, 1e-5) << trial;
        EXPECT_GE(depth, -separation - 1e-3) << trial;
        EXPECT_LE(depth, -separation + padding + 1e-3) << trial;
        MeMatrix4 moved;
        std::copy(&t[0][0], &t[0][0] + 16, &moved[0][0]);
        for (int j = 0; j < 3; ++j)
            moved[3][j] += static_cast<MeReal>(depth * r.contacts[0].normal[j]);
        EXPECT_GT(BoxTriangleSeparation(moved, e, tri), -1e-3) << trial;
        if (HasFailure())
            break;
    }
    EXPECT_GT(overlapping, 1000);
    EXPECT_GT(edgeEdge, 100);
}

// Spheres near triangles of every shape (obtuse corners among them), with the engine's
// flags: the sphere touches exactly when the triangle's closest point lies within the
// radius (the padding aside), and the contact has that point's distance and direction.
TEST_F(TriangleListTest, SphereAgainstATriangleFindsTheClosestPoint)
{
    MeRandomSeed(7004);
    int touching = 0, edges = 0;
    const double padding = 2 * kMcdDefaultPadding;
    for (int trial = 0; trial < 4000; ++trial) {
        std::array<D3, 3> tri;
        for (D3& v : tri)
            v = {colltest::Uniform(-1.5f, 1.5f), colltest::Uniform(-1.5f, 1.5f), colltest::Uniform(-0.5f, 0.5f)};
        D3 n = Cross(tri[1] - tri[0], tri[2] - tri[0]);
        const double len = std::sqrt(Dot(n, n));
        if (len < 0.1)
            continue;
        n = n * (1 / len);
        soup.vertices.clear();
        for (const D3& v : tri)
            soup.vertices.push_back({static_cast<MeReal>(v.x), static_cast<MeReal>(v.y), static_cast<MeReal>(v.z)});
        soup.triangles = {{0, 1, 2}};
        soup.normals = {{static_cast<MeReal>(n.x), static_cast<MeReal>(n.y), static_cast<MeReal>(n.z)}};
        soup.flags = {kEngineFlags | kAllEdges};
        // A centre over the triangle's plane about it, often beside an edge or a corner.
        const double u = colltest::Uniform(-0.6f, 1.2f), v = colltest::Uniform(-0.6f, 1.2f);
        const D3 at = tri[0] + (tri[1] - tri[0]) * u + (tri[2] - tri[0]) * v + n * colltest::Uniform(-1, 1);
        MeMatrix4 t;
        colltest::Identity(t);
        t[3][0] = static_cast<MeReal>(at.x);
        t[3][1] = static_cast<MeReal>(at.y);
        t[3][2] = static_cast<MeReal>(at.z);
        const MeReal radius = colltest::Uniform(0.1f, 1.0f);
        const D3 centre = Of(t[3]);
        const D3 q = ClosestOnTriangle(centre, tri[0], tri[1], tri[2]);
        const double dist = std::sqrt(Dot(centre - q, centre - q));
        const double gap = dist - radius;
        if (std::fabs(gap) < 1e-4 || std::fabs(gap - padding) < 1e-4)
            continue;
        McdIntersectResult r;
        const int touch = Collide(McdSphereCreate(framework, radius), t, &r);
        if (gap > padding) {
            EXPECT_EQ(touch, 0) << trial << " gap " << gap;
            continue;
        }
        ASSERT_EQ(touch, 1) << trial << " gap " << gap;
        ASSERT_EQ(r.contactCount, 1) << trial;
        ++touching;
        const McdContact& c = r.contacts[0];
        EXPECT_NEAR(c.separation, gap, 1e-4) << trial;
        const double inPlane = std::fabs(Dot(centre - q, n));
        if (dist > 1e-3) {
            edges += inPlane < dist - 1e-3;
            const D3 dir = (centre - q) * (1 / dist);
            EXPECT_NEAR(Dot(Of(c.normal), dir), 1, 1e-4) << trial;
            const D3 deepest = centre - dir * radius;
            EXPECT_NEAR(c.position[0], deepest.x, 5e-4) << trial;
            EXPECT_NEAR(c.position[1], deepest.y, 5e-4) << trial;
            EXPECT_NEAR(c.position[2], deepest.z, 5e-4) << trial;
        }
        if (HasFailure())
            break;
    }
    EXPECT_GT(touching, 1000);
    EXPECT_GT(edges, 500);
}

}  // namespace
