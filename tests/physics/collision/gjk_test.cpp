#include <cmath>
#include <vector>

#include "physics/collision/convex_hull.h"
#include "physics/collision/gjk.h"
#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;
using colltest::Uniform;

namespace {

struct V {
    double x, y, z;
};
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator*(V a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Closest point of triangle abc to p (Ericson's region test).
V ClosestOnTriangle(V p, V a, V b, V c)
{
    V ab = b - a, ac = c - a, ap = p - a;
    double d1 = Dot(ab, ap), d2 = Dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return a;
    V bp = p - b;
    double d3 = Dot(ab, bp), d4 = Dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return b;
    double vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return a + ab * (d1 / (d1 - d3));
    V cp = p - c;
    double d5 = Dot(ab, cp), d6 = Dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return c;
    double vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return a + ac * (d2 / (d2 - d6));
    double va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)));
    double denom = 1 / (va + vb + vc);
    return a + ab * (vb * denom) + ac * (vc * denom);
}

struct Body {
    CxConvexHull* hull = nullptr;
    MeMatrix4 tm;
    std::vector<MeReal> local;
    std::vector<V> World() const
    {
        std::vector<V> w;
        for (std::size_t i = 0; i < local.size(); i += 3) {
            V p{tm[3][0], tm[3][1], tm[3][2]};
            for (int k = 0; k < 3; ++k)
                p = p + V{tm[k][0], tm[k][1], tm[k][2]} * local[i + k];
            w.push_back(p);
        }
        return w;
    }
};

void MakeBody(Body& b, int n, float size)
{
    do {
        b.local.clear();
        for (int i = 0; i < 3 * n; ++i)
            b.local.push_back(Uniform(-size, size));
        b.hull = cnvComputeHull(n, b.local.data(), 1);
    } while (!b.hull);
    // Keep only the hull's vertices for the brute force.
    b.local.clear();
    for (int i = 0; i < b.hull->vertexCount; ++i)
        b.local.insert(b.local.end(), b.hull->vertices[i].position, b.hull->vertices[i].position + 3);
}

// Brute force over the hull of A - B: distance from the origin when outside, else the depth
// (the smallest face offset, i.e. the separating-axis overlap).
struct Oracle {
    double distance = 0;  // > 0 apart
    double depth = 0;     // > 0 overlapping
    CxConvexHull* diff = nullptr;
    ~Oracle() { cnvHullDestroy(diff); }
    double Support(V d) const
    {
        double best = -1e30;
        for (int i = 0; i < diff->vertexCount; ++i) {
            const MeReal* p = diff->vertices[i].position;
            best = std::fmax(best, Dot(d, V{p[0], p[1], p[2]}));
        }
        return best;
    }
};

bool Solve(const Body& a, const Body& b, Oracle& o)
{
    std::vector<MeReal> cloud;
    for (V p : a.World())
        for (V q : b.World()) {
            cloud.push_back(static_cast<MeReal>(p.x - q.x));
            cloud.push_back(static_cast<MeReal>(p.y - q.y));
            cloud.push_back(static_cast<MeReal>(p.z - q.z));
        }
    o.diff = cnvComputeHull(static_cast<int>(cloud.size() / 3), cloud.data(), 1);
    if (!o.diff)
        return false;
    double minOffset = 1e30, minDist = 1e30;
    for (int f = 0; f < o.diff->faceCount; ++f) {
        const CxFace& face = o.diff->faces[f];
        V n{face.normal[0], face.normal[1], face.normal[2]};
        V p0{face.ring[0].position[0], face.ring[0].position[1], face.ring[0].position[2]};
        minOffset = std::fmin(minOffset, Dot(n, p0));
        for (int j = 1; j + 1 < face.vertexCount; ++j) {
            V p1{face.ring[j].position[0], face.ring[j].position[1], face.ring[j].position[2]};
            V p2{face.ring[j + 1].position[0], face.ring[j + 1].position[1], face.ring[j + 1].position[2]};
            V c = ClosestOnTriangle(V{0, 0, 0}, p0, p1, p2);
            minDist = std::fmin(minDist, std::sqrt(Dot(c, c)));
        }
    }
    if (minOffset < 0) {
        o.distance = minDist;
        o.depth = 0;
    } else {
        o.distance = 0;
        o.depth = minOffset;
    }
    return true;
}

McdConvexSet SetOf(const Body& b, MeReal fatness)
{
    McdConvexSet s;
    s.hull = b.hull;
    s.transform = b.tm;
    s.fatness = fatness;
    return s;
}

// Checks one query against the oracle; returns false on a mismatch (with a message).
void CheckQuery(const Body& a, const Body& b, McdGjkSimplex& simplex, int& apart, int& overlapping)
{
    Oracle o;
    ASSERT_TRUE(Solve(a, b, o));
    // A large fatness makes the query report true distances for every separated pair.
    McdConvexSet sa = SetOf(a, 50), sb = SetOf(b, 50);
    MeReal n[3] = {0, 0, 0};
    const MeReal sep = McdConvexSeparation(&sa, &sb, &simplex, n);
    const double nlen = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
    if (o.depth <= 0 && o.distance > 1e-3) {
        ++apart;
        EXPECT_NEAR(sep, o.distance, 2e-3 + 2e-4 / o.distance);
        // The normal from B towards A: A - B's support along -normal is minus the distance.
        ASSERT_NEAR(nlen, 1.0, 1e-4);
        EXPECT_NEAR(o.Support(V{-n[0], -n[1], -n[2]}), -o.distance, 5e-3);
    } else if (o.depth > 1e-3) {
        ++overlapping;
        EXPECT_NEAR(-sep, o.depth, 3e-3);
        ASSERT_NEAR(nlen, 1.0, 1e-4);
        // Moving A by the depth along the normal separates it: the support of A - B along
        // -normal equals the depth.
        EXPECT_NEAR(o.Support(V{-n[0], -n[1], -n[2]}), o.depth, 4e-3);
    }
}

}  // namespace

TEST(Gjk, DistanceAndDepthMatchBruteForceOnRandomHullPairsWithWarmStarts)
{
    MeRandomSeed(2024);
    int apart = 0, overlapping = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        Body a, b;
        MakeBody(a, 5 + trial % 12, 1.0f);
        MakeBody(b, 5 + (trial / 3) % 12, 0.7f);
        colltest::RandomPose(a.tm, Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1));
        colltest::RandomPose(b.tm, Uniform(-1.5f, 1.5f), Uniform(-1.5f, 1.5f), Uniform(-1.5f, 1.5f));
        McdGjkSimplex simplex;
        CheckQuery(a, b, simplex, apart, overlapping);
        // Warm start after a small motion, then after a large one.
        b.tm[3][0] += 0.02f;
        b.tm[3][1] -= 0.01f;
        CheckQuery(a, b, simplex, apart, overlapping);
        colltest::RandomPose(b.tm, Uniform(-2, 2), Uniform(-2, 2), Uniform(-2, 2));
        CheckQuery(a, b, simplex, apart, overlapping);
        cnvHullDestroy(a.hull);
        cnvHullDestroy(b.hull);
        if (HasFailure())
            break;
    }
    EXPECT_GT(apart, 1000);
    EXPECT_GT(overlapping, 1000);
}

namespace {

const MeReal kCube[] = {1, 1, 1, -1, 1, 1, 1, -1, 1, -1, -1, 1, 1, 1, -1, -1, 1, -1, 1, -1, -1, -1, -1, -1};

struct TwoCubes {
    CxConvexHull* hull = cnvComputeHull(8, kCube, 1);
    MeMatrix4 ta, tb;
    McdConvexSet a, b;
    TwoCubes(MeReal bx, MeReal by, MeReal bz, MeReal fatA = 0, MeReal fatB = 0)
    {
        colltest::Identity(ta);
        colltest::Identity(tb);
        tb[3][0] = bx;
        tb[3][1] = by;
        tb[3][2] = bz;
        a.hull = b.hull = hull;
        a.transform = ta;
        b.transform = tb;
        a.fatness = fatA;
        b.fatness = fatB;
    }
    ~TwoCubes() { cnvHullDestroy(hull); }
};

}  // namespace

TEST(Gjk, DocumentedStatusesAndDegenerateRegressions)
{
    {
        // Apart by more than the fatness: the value only says "apart".
        TwoCubes c(5, 0, 0);
        McdGjkSimplex s;
        MeReal n[3];
        EXPECT_NEAR(McdConvexSeparation(&c.a, &c.b, &s, n), 1.0f, 1e-6f);
    }
    {
        // Cores 0.05 apart with fatness 0.1 in all: the true distance and status 2.
        TwoCubes c(2.05f, 0, 0, 0.05f, 0.05f);
        McdGjkSimplex s;
        MeReal n[3];
        EXPECT_NEAR(McdConvexSeparation(&c.a, &c.b, &s, n), 0.05f, 1e-4f);
        EXPECT_NEAR(n[0], -1.0f, 1e-5f);
        McdSimplexCoords coords;
        MeReal pa[3], pb[3], sq;
        s.count = 0;
        MeReal d[3];
        McdGjkInitSimplex(&s, d, &c.a, &c.b);
        for (int i = 0; i < s.count; ++i)
            for (int k = 0; k < 3; ++k) {
                coords.a[i][k] = s.a[i][k];
                coords.b[i][k] = s.b[i][k] + c.tb[3][k];
            }
        EXPECT_EQ(McdGjkClosestPoints(&c.a, &c.b, &s, &coords, pa, pb, &sq), kMcdGjkWithin);
    }
    {
        // Overlap by 0.1 along x: depth 0.1, normal from B towards A.
        TwoCubes c(1.9f, 0.3f, -0.2f);
        McdGjkSimplex s;
        MeReal n[3];
        EXPECT_NEAR(McdConvexSeparation(&c.a, &c.b, &s, n), -0.1f, 1e-3f);
        EXPECT_NEAR(n[0], -1.0f, 1e-4f);
    }
    {
        // Corner on corner: the first support pair coincides (a one-point simplex touching);
        // the separation is 0, never the one-point penetration value of +1.
        TwoCubes c(2, 2, 2);
        McdGjkSimplex s;
        MeReal n[3] = {0, 0, 1};
        EXPECT_NEAR(McdConvexSeparation(&c.a, &c.b, &s, n), 0.0f, 1e-4f);
        EXPECT_EQ(s.count, 1);
    }
    {
        // Concentric cubes: the start direction falls back to a fixed axis; depth 2.
        TwoCubes c(0, 0, 0);
        McdGjkSimplex s;
        MeReal n[3];
        EXPECT_NEAR(McdConvexSeparation(&c.a, &c.b, &s, n), -2.0f, 1e-3f);
        EXPECT_NEAR(std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]), 1.0f, 1e-4f);
    }
    {
        // Two coplanar overlapping triangles: A - B is flat; the depth is 0 with a unit normal.
        const MeReal p0[] = {0, 0, 0}, p1[] = {2, 0, 0}, p2[] = {0, 2, 0}, up[] = {0, 0, 1};
        CxConvexHull* t1 = cnvMakeTriangleHull(p0, p1, p2, up);
        CxConvexHull* t2 = cnvMakeTriangleHull(p0, p1, p2, up);
        MeMatrix4 ta, tb;
        colltest::Identity(ta);
        colltest::Identity(tb);
        tb[3][0] = 0.5f;
        tb[3][1] = 0.4f;
        McdConvexSet a, b;
        a.hull = t1;
        b.hull = t2;
        a.transform = ta;
        b.transform = tb;
        McdGjkSimplex s;
        MeReal n[3] = {0, 0, 0};
        const MeReal sep = McdConvexSeparation(&a, &b, &s, n);
        EXPECT_NEAR(sep, 0.0f, 1e-3f);
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4f);
        cnvHullDestroy(t1);
        cnvHullDestroy(t2);
    }
    {
        // A kept simplex that no longer suits (the sets jumped apart) still gives the distance.
        TwoCubes c(1.5f, 0.1f, 0, 10, 10);
        McdGjkSimplex s;
        MeReal n[3];
        EXPECT_LT(McdConvexSeparation(&c.a, &c.b, &s, n), 0.0f);
        c.tb[3][0] = -6;
        c.tb[3][1] = 3;
        EXPECT_NEAR(McdConvexSeparation(&c.a, &c.b, &s, n), std::sqrt(16.0f + 1.0f), 1e-3f);
    }
}

TEST_F(FrameworkTest, SupportMappingTestOnPrimitives)
{
    McdGeometryID cone = McdConeCreate(framework, 2, 1);
    McdGeometryID cyl = McdCylinderCreate(framework, 0.5f, 1);
    McdGeometryID box = McdBoxCreate(framework, 1, 1, 1);
    McdModelID m1 = McdModelCreate(cone), m2 = McdModelCreate(cone), m3 = McdModelCreate(cyl),
               m4 = McdModelCreate(box);
    MeMatrix4 t1, t2, t3, t4;
    colltest::Identity(t1);
    colltest::Identity(t2);
    colltest::Identity(t3);
    colltest::Identity(t4);
    McdModelSetTransformPtr(m1, t1);
    McdModelSetTransformPtr(m2, t2);
    McdModelSetTransformPtr(m3, t3);
    McdModelSetTransformPtr(m4, t4);
    t2[3][0] = 10;
    EXPECT_EQ(McdSupportIntersect(m1, m2, nullptr, nullptr), 0);
    // Concentric cone and cylinder: the centres coincide.
    EXPECT_EQ(McdSupportIntersect(m1, m3, nullptr, nullptr), 1);
    // Box face 0.005 from the cone's base rim counts as touching; 0.05 does not.
    t4[3][0] = 1.505f;
    t4[3][2] = -0.5f + 0.25f;
    EXPECT_EQ(McdSupportIntersect(m1, m4, nullptr, nullptr), 1);
    t4[3][0] = 1.55f;
    MeReal c1[3], c2[3];
    EXPECT_EQ(McdSupportIntersect(m1, m4, c1, c2), 0);
    EXPECT_NEAR(c2[0] - c1[0], 0.05f, 2e-3f);
    // Random poses against brute force by sampled overlap of the box with the cone's axis.
    MeRandomSeed(5);
    for (int i = 0; i < 200; ++i) {
        colltest::RandomPose(t2, Uniform(-2, 2), Uniform(-2, 2), Uniform(-2, 2));
        MeReal p1[3], p2[3];
        const int r = McdSupportIntersect(m1, m2, p1, p2);
        if (!r) {
            // Apart: the reported points are at least 0.01 apart and each lies in its cone.
            const MeReal d = std::sqrt((p1[0] - p2[0]) * (p1[0] - p2[0]) + (p1[1] - p2[1]) * (p1[1] - p2[1]) +
                                       (p1[2] - p2[2]) * (p1[2] - p2[2]));
            EXPECT_GT(d, 0.0099f);
            MeReal z = 0, rho2 = 0;
            for (int k = 0; k < 3; ++k) {
                MeReal lc = 0;
                for (int j = 0; j < 3; ++j)
                    lc += (p2[j] - t2[3][j]) * t2[k][j];
                if (k == 2)
                    z = lc;
                else
                    rho2 += lc * lc;
            }
            EXPECT_LE(std::sqrt(rho2), (1.5f - z) / 2.0f + 1e-3f);
        }
    }
    McdModelDestroy(m1);
    McdModelDestroy(m2);
    McdModelDestroy(m3);
    McdModelDestroy(m4);
    McdGeometryDestroy(cone);
    McdGeometryDestroy(cyl);
    McdGeometryDestroy(box);
}

namespace {

void CylinderSupportFn(const McdGeometry* g, const MeReal d[3], MeReal out[3])
{
    const McdCylinder* c = static_cast<const McdCylinder*>(g);
    McdCylinderLocalSupport(c->radius, c->halfHeight, d, out);
}

}  // namespace

// A cylinder core (support function) against hulls, checked against a 256-sided prism hull
// standing in for the cylinder (within the prism's chord error).
TEST_F(FrameworkTest, CylinderCoreMatchesAFinePrism)
{
    const MeReal r = 0.6f, h = 0.8f;
    McdGeometryID cyl = McdCylinderCreate(framework, r, 2 * h);
    std::vector<MeReal> prism;
    for (int i = 0; i < 256; ++i) {
        const MeReal a = 2 * 3.14159265f * static_cast<MeReal>(i) / 256;
        for (MeReal z : {-h, h}) {
            prism.push_back(r * std::cos(a));
            prism.push_back(r * std::sin(a));
            prism.push_back(z);
        }
    }
    CxConvexHull* prismHull = cnvComputeHull(512, prism.data(), 1);
    ASSERT_NE(prismHull, nullptr);
    MeRandomSeed(404);
    int checked = 0;
    for (int trial = 0; trial < 300; ++trial) {
        Body b;
        MakeBody(b, 10, 0.8f);
        MeMatrix4 tc;
        colltest::RandomPose(tc, 0, 0, 0);
        colltest::RandomPose(b.tm, Uniform(-1.6f, 1.6f), Uniform(-1.6f, 1.6f), Uniform(-1.6f, 1.6f));
        McdConvexSet c1, c2, hb;
        c1.primitive = cyl;
        c1.support = &CylinderSupportFn;
        c1.transform = tc;
        c1.fatness = 50;
        c2.hull = prismHull;
        c2.transform = tc;
        c2.fatness = 50;
        hb.hull = b.hull;
        hb.transform = b.tm;
        hb.fatness = 50;
        McdGjkSimplex s1, s2;
        MeReal n1[3], n2[3];
        const MeReal d1 = McdConvexSeparation(&c1, &hb, &s1, n1);
        const MeReal d2 = McdConvexSeparation(&c2, &hb, &s2, n2);
        EXPECT_NEAR(d1, d2, 5e-3f) << trial;
        ++checked;
        cnvHullDestroy(b.hull);
        if (HasFailure())
            break;
    }
    EXPECT_EQ(checked, 300);
    // GJK asks along directions as short as the distance it has left: a short direction off
    // the axis still picks the rim, not the cap's centre.
    const MeReal shortSide[3] = {3e-5f, 4e-5f, 1e-5f}, alongAxis[3] = {1e-9f, 0, -1};
    MeReal p[3];
    McdCylinderLocalSupport(r, h, shortSide, p);
    EXPECT_NEAR(p[0], 0.6f * r, 1e-5f);
    EXPECT_NEAR(p[1], 0.8f * r, 1e-5f);
    EXPECT_EQ(p[2], h);
    McdCylinderLocalSupport(r, h, alongAxis, p);
    EXPECT_EQ(p[0], 0.0f);
    EXPECT_EQ(p[2], -h);
    cnvHullDestroy(prismHull);
    McdGeometryDestroy(cyl);
}

// Deeply overlapping round hulls of many vertices drive the polytope to its buffer limits;
// the search stops with its best face instead of a broken polytope.
TEST(Gjk, PenetrationDepthOfFineRoundHullsStaysSoundAtItsLimits)
{
    MeRandomSeed(8);
    std::vector<MeReal> pts;
    for (int i = 0; i < 3000; ++i) {
        MeReal p[3], n2;
        do {
            n2 = 0;
            for (MeReal& c : p) {
                c = Uniform(-1, 1);
                n2 += c * c;
            }
        } while (n2 < 0.01f || n2 > 1);
        for (MeReal c : p)
            pts.push_back(c / std::sqrt(n2));
    }
    CxConvexHull* ball = cnvComputeHull(3000, pts.data(), 1);
    ASSERT_NE(ball, nullptr);
    for (int trial = 0; trial < 20; ++trial) {
        MeMatrix4 ta, tb;
        colltest::RandomPose(ta, 0, 0, 0);
        const MeReal dist = 0.3f + 0.07f * trial;
        MeReal dir[3] = {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
        const MeReal len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
        colltest::RandomPose(tb, dist * dir[0] / len, dist * dir[1] / len, dist * dir[2] / len);
        McdConvexSet a, b;
        a.hull = b.hull = ball;
        a.transform = ta;
        b.transform = tb;
        McdGjkSimplex s;
        MeReal n[3];
        const MeReal sep = McdConvexSeparation(&a, &b, &s, n);
        // Unit spheres sampled finely: depth 2 - dist within the sampling's flattening.
        EXPECT_NEAR(sep, dist - 2, 0.03f) << trial;
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-4f);
        // The normal points from B towards A (along -dir).
        EXPECT_LT(n[0] * dir[0] + n[1] * dir[1] + n[2] * dir[2], 0.0f);
    }
    cnvHullDestroy(ball);
}
