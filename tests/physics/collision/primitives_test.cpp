#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;
using colltest::Uniform;

namespace {

struct P3 {
    float x, y, z;
};

// Surface samples of each primitive in its own frame.
std::vector<P3> SphereSamples(float r)
{
    std::vector<P3> s;
    for (int i = 0; i <= 60; ++i) {
        const float th = 3.14159265f * i / 60;
        for (int j = 0; j < 120; ++j) {
            const float ph = 2 * 3.14159265f * j / 120;
            s.push_back({r * std::sin(th) * std::cos(ph), r * std::sin(th) * std::sin(ph), r * std::cos(th)});
        }
    }
    return s;
}

std::vector<P3> BoxSamples(float hx, float hy, float hz)
{
    std::vector<P3> s;
    const int n = 8;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            for (int k = 0; k <= n; ++k) {
                if (i != 0 && i != n && j != 0 && j != n && k != 0 && k != n)
                    continue;
                s.push_back({hx * (2.0f * i / n - 1), hy * (2.0f * j / n - 1), hz * (2.0f * k / n - 1)});
            }
    return s;
}

std::vector<P3> CylinderSamples(float r, float hh)
{
    std::vector<P3> s;
    for (int i = 0; i < 720; ++i) {
        const float a = 2 * 3.14159265f * i / 720;
        for (float z : {-hh, 0.0f, hh})
            s.push_back({r * std::cos(a), r * std::sin(a), z});
    }
    s.push_back({0, 0, hh});
    s.push_back({0, 0, -hh});
    return s;
}

std::vector<P3> ConeSamples(float above, float below, float r)
{
    std::vector<P3> s = {{0, 0, above}, {0, 0, -below}};
    for (int i = 0; i < 720; ++i) {
        const float a = 2 * 3.14159265f * i / 720;
        for (float t : {1.0f, 0.5f})
            s.push_back({t * r * std::cos(a), t * r * std::sin(a), -below + (1 - t) * (above + below)});
    }
    return s;
}

P3 ToWorld(const MeMatrix4 t, P3 p)
{
    const MeReal in[3] = {p.x, p.y, p.z};
    MeReal out[3];
    MeMatrix4TransformPoint(t, in, out);
    return {out[0], out[1], out[2]};
}

float Dot(P3 a, const MeReal d[3])
{
    return a.x * d[0] + a.y * d[1] + a.z * d[2];
}

// Checks the world box, support points and world bounding sphere of a model against the
// sampled surface in several random poses. `boxSlack` and `supportSlack` allow for the
// sampling's chord error where the shape is curved.
void CheckAgainstSamples(McdFrameworkID fw, McdGeometryID g, const std::vector<P3>& local, float slack)
{
    McdModelID m = McdModelCreate(g);
    ASSERT_NE(m, nullptr);
    MeMatrix4 t;
    McdModelSetTransformPtr(m, t);
    for (int pose = 0; pose < 25; ++pose) {
        colltest::RandomPose(t, Uniform(-20, 20), Uniform(-20, 20), Uniform(-20, 20));
        McdModelUpdate(m);
        MeReal lo[3], hi[3];
        McdModelGetAABB(m, lo, hi);
        std::vector<P3> world;
        for (P3 p : local)
            world.push_back(ToWorld(t, p));

        // Box: contains every sample and is tight to them.
        for (int k = 0; k < 3; ++k) {
            float smin = 1e30f, smax = -1e30f;
            for (P3 p : world) {
                const float v = k == 0 ? p.x : (k == 1 ? p.y : p.z);
                smin = std::fmin(smin, v);
                smax = std::fmax(smax, v);
            }
            EXPECT_LE(lo[k], smin + 1e-4f) << "pose " << pose << " axis " << k;
            EXPECT_GE(hi[k], smax - 1e-4f);
            EXPECT_NEAR(lo[k], smin, slack);
            EXPECT_NEAR(hi[k], smax, slack);
        }

        // Support: no sample lies farther along d, and the point itself is as far as the best one.
        for (int dir = 0; dir < 20; ++dir) {
            MeReal d[3] = {Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
            const float n = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            if (n < 0.1f)
                continue;
            for (MeReal& c : d)
                c /= n;
            MeReal sp[3];
            McdGeometryMaximPoint(McdModelGetGeometryInstance(m), d, sp);
            float best = -1e30f;
            for (P3 p : world)
                best = std::fmax(best, Dot(p, d));
            const float got = sp[0] * d[0] + sp[1] * d[1] + sp[2] * d[2];
            EXPECT_GE(got, best - 1e-3f);
            EXPECT_NEAR(got, best, slack);
        }

        // Bounding sphere in world space holds every sample.
        MeReal c[3], r = 0;
        McdModelGetBSphere(m, c, &r);
        for (P3 p : world) {
            const float dx = p.x - c[0], dy = p.y - c[1], dz = p.z - c[2];
            EXPECT_LE(std::sqrt(dx * dx + dy * dy + dz * dz), r + 1e-3f);
        }
    }
    McdModelDestroy(m);
    (void)fw;
}

// Closed surface of a prism or pyramid approximating a cylinder or cone, as triangles
// wound counter-clockwise seen from outside, for the tetrahedra sum.
using Tri = std::array<P3, 3>;

McdMassRecord MassOf(const std::vector<Tri>& tris, P3 origin)
{
    std::vector<McdMassRecord> recs;
    for (const Tri& t : tris) {
        MeReal a[3] = {t[0].x - origin.x, t[0].y - origin.y, t[0].z - origin.z};
        MeReal b[3] = {t[1].x - origin.x, t[1].y - origin.y, t[1].z - origin.z};
        MeReal c[3] = {t[2].x - origin.x, t[2].y - origin.y, t[2].z - origin.z};
        McdMassRecord r;
        McdTetrahedronMass(&r, a, b, c);
        recs.push_back(r);
    }
    McdMassRecord out;
    McdMassCombine(recs.data(), static_cast<int>(recs.size()), &out);
    return out;
}

std::vector<Tri> BoxSurface(float hx, float hy, float hz)
{
    auto v = [&](int i, int j, int k) { return P3{i ? hx : -hx, j ? hy : -hy, k ? hz : -hz}; };
    std::vector<Tri> t;
    auto quad = [&](P3 a, P3 b, P3 c, P3 d) {
        t.push_back({a, b, c});
        t.push_back({a, c, d});
    };
    quad(v(1, 0, 0), v(1, 1, 0), v(1, 1, 1), v(1, 0, 1));
    quad(v(0, 0, 0), v(0, 0, 1), v(0, 1, 1), v(0, 1, 0));
    quad(v(0, 1, 0), v(0, 1, 1), v(1, 1, 1), v(1, 1, 0));
    quad(v(0, 0, 0), v(1, 0, 0), v(1, 0, 1), v(0, 0, 1));
    quad(v(0, 0, 1), v(1, 0, 1), v(1, 1, 1), v(0, 1, 1));
    quad(v(0, 0, 0), v(0, 1, 0), v(1, 1, 0), v(1, 0, 0));
    return t;
}

std::vector<Tri> PrismSurface(float r, float zlo, float zhi, float rtop, int sides)
{
    std::vector<Tri> t;
    for (int i = 0; i < sides; ++i) {
        const float a0 = 2 * 3.14159265358979f * i / sides, a1 = 2 * 3.14159265358979f * (i + 1) / sides;
        P3 b0{r * std::cos(a0), r * std::sin(a0), zlo}, b1{r * std::cos(a1), r * std::sin(a1), zlo};
        P3 t0{rtop * std::cos(a0), rtop * std::sin(a0), zhi}, t1{rtop * std::cos(a1), rtop * std::sin(a1), zhi};
        t.push_back({P3{0, 0, zlo}, b1, b0});
        t.push_back({b0, b1, t1});
        if (rtop > 0) {
            t.push_back({b0, t1, t0});
            t.push_back({P3{0, 0, zhi}, t0, t1});
        }
    }
    return t;
}

}  // namespace

TEST_F(FrameworkTest, PrimitiveBoxesSupportsAndSpheresMatchSampledSurfaces)
{
    McdGeometryID sphere = McdSphereCreate(framework, 1.7f);
    McdGeometryID box = McdBoxCreate(framework, 2, 4, 6);
    McdGeometryID cyl = McdCylinderCreate(framework, 1.5f, 5);
    McdGeometryID cone = McdConeCreate(framework, 4, 3);
    McdGeometryID flat = McdConeCreate(framework, 0.5f, 3);
    McdGeometryID list = McdTriangleListCreate(framework, 3, 1, 2, [](McdModelPair*, McdModelID, const MeReal*,
                                                                      MeReal) { return 0; });
    ASSERT_NE(list, nullptr);

    // Curved shapes: 720 rim samples give a chord error of r (1 - cos(pi/720)).
    CheckAgainstSamples(framework, sphere, SphereSamples(1.7f), 0.01f);
    CheckAgainstSamples(framework, box, BoxSamples(1, 2, 3), 1e-4f);
    CheckAgainstSamples(framework, cyl, CylinderSamples(1.5f, 2.5f), 1e-3f);
    CheckAgainstSamples(framework, cone, ConeSamples(3, 1, 3), 1e-3f);
    CheckAgainstSamples(framework, flat, ConeSamples(0.375f, 0.125f, 3), 1e-3f);
    CheckAgainstSamples(framework, list, BoxSamples(1.5f, 0.5f, 1), 1e-4f);

    for (McdGeometryID g : {sphere, box, cyl, cone, flat, list})
        McdGeometryDestroy(g);
}

TEST_F(FrameworkTest, PrimitiveSizesAndDocumentedValues)
{
    McdGeometryID box = McdBoxCreate(framework, 2, 4, 6);
    EXPECT_FLOAT_EQ(McdBoxGetHalfExtents(box)[0], 1);
    EXPECT_FLOAT_EQ(McdBoxGetHalfExtents(box)[1], 2);
    EXPECT_FLOAT_EQ(McdBoxGetHalfExtents(box)[2], 3);
    EXPECT_FLOAT_EQ(McdBoxGetRadius(box), std::sqrt(14.0f));
    EXPECT_EQ(McdBoxGetTypeId(), 2);

    McdGeometryID cone = McdConeCreate(framework, 4, 3);
    auto* c = static_cast<McdCone*>(cone);
    EXPECT_FLOAT_EQ(c->above, 3);
    EXPECT_FLOAT_EQ(c->below, 1);
    EXPECT_FLOAT_EQ(c->sineRatio, 0.6f);
    EXPECT_FLOAT_EQ(McdConeGetHeight(cone), 4);
    MeReal centre[3], r;
    McdConeGetBSphere(cone, centre, &r);
    EXPECT_FLOAT_EQ(centre[2], -0.125f);
    EXPECT_FLOAT_EQ(r, 3.125f);
    McdGeometryID zero = McdConeCreate(framework, 0, 2);
    EXPECT_FLOAT_EQ(static_cast<McdCone*>(zero)->sineRatio, 1);
    McdConeGetBSphere(zero, centre, &r);
    EXPECT_TRUE(std::isfinite(centre[2]));
    EXPECT_FLOAT_EQ(r, 2);

    EXPECT_EQ(McdTriangleListCreate(framework, 1, 1, 1, nullptr), nullptr);
    EXPECT_EQ(McdSign(0), 0);
    EXPECT_EQ(McdSign(-3), -1);
    EXPECT_EQ(McdSign(2), 1);
    const MeReal a[3] = {1e8f, 1, 1}, b[3] = {1e8f, -1, 0};
    EXPECT_DOUBLE_EQ(MeVec3::Dot(a, b), 1e16 - 1);

    for (McdGeometryID g : {box, cone, zero})
        McdGeometryDestroy(g);
}

TEST_F(FrameworkTest, PlaneBoxIsBoundedOnlyAlongAnAxisNormal)
{
    McdGeometryID plane = McdPlaneCreate(framework);
    McdModelID m = McdModelCreate(plane);
    MeMatrix4 t;
    colltest::Identity(t);
    // Normal (local z) along world +y: rows x = (1,0,0), y = (0,0,-1), z = (0,1,0).
    const float rows[3][3] = {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            t[i][j] = rows[i][j];
    t[3][0] = 5;
    t[3][1] = 2;
    t[3][2] = -7;
    McdModelSetTransformPtr(m, t);
    McdModelUpdate(m);
    MeReal lo[3], hi[3];
    McdModelGetAABB(m, lo, hi);
    EXPECT_EQ(lo[0], -FLT_MAX);
    EXPECT_EQ(lo[1], -FLT_MAX);
    EXPECT_EQ(lo[2], -FLT_MAX);
    EXPECT_EQ(hi[0], FLT_MAX);
    EXPECT_EQ(hi[1], 2);
    EXPECT_EQ(hi[2], FLT_MAX);

    // Facing down -z bounds the minimum on z.
    colltest::Identity(t);
    t[2][2] = -1;
    t[1][1] = -1;
    t[3][2] = 4;
    McdModelUpdate(m);
    McdModelGetAABB(m, lo, hi);
    EXPECT_EQ(lo[2], 4);
    EXPECT_EQ(hi[2], FLT_MAX);

    // Tilted: unbounded everywhere.
    colltest::RandomPose(t, 1, 2, 3);
    McdModelUpdate(m);
    McdModelGetAABB(m, lo, hi);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(lo[k], -FLT_MAX);
        EXPECT_EQ(hi[k], FLT_MAX);
    }

    // Support: the position along the normal, far away otherwise.
    colltest::Identity(t);
    t[3][2] = 3;
    const MeReal up[3] = {0, 0, 1}, side[3] = {1, 0, 0};
    MeReal p[3];
    McdGeometryMaximPoint(McdModelGetGeometryInstance(m), up, p);
    EXPECT_EQ(p[2], 3);
    McdGeometryMaximPoint(McdModelGetGeometryInstance(m), side, p);
    EXPECT_EQ(p[0], FLT_MAX);

    MeReal rel[16], inertia[9], volume = 99;
    EXPECT_EQ(McdGeometryGetMassProperties(plane, rel, inertia, &volume), 0);
    EXPECT_EQ(volume, 0);
    EXPECT_EQ(inertia[0], 1);
    McdModelDestroy(m);
    McdGeometryDestroy(plane);
}

TEST_F(FrameworkTest, MassPropertiesMatchClosedFormsAndPolyhedralSums)
{
    MeReal rel[16], in[9], vol = -1;
    auto near = [](float a, float b) { return std::fabs(a - b) <= 2e-3f * std::fmax(1.0f, std::fabs(b)); };

    McdGeometryID sphere = McdSphereCreate(framework, 2);
    McdGeometryGetMassProperties(sphere, rel, in, &vol);
    EXPECT_NEAR(vol, 4.0 / 3.0 * M_PI * 8, 1e-4);
    EXPECT_FLOAT_EQ(in[0], 0.4f * 4);
    EXPECT_FLOAT_EQ(in[8], 0.4f * 4);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(rel[i], i % 5 == 0 ? 1.0f : 0.0f);

    // Box: against the sum of tetrahedra of its surface, per unit mass.
    McdGeometryID box = McdBoxCreate(framework, 2, 4, 6);
    McdGeometryGetMassProperties(box, rel, in, &vol);
    EXPECT_FLOAT_EQ(vol, 48);
    McdMassRecord poly = MassOf(BoxSurface(1, 2, 3), {0, 0, 0});
    EXPECT_NEAR(poly.volume, 48, 1e-3);
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(poly.inertia[i] / poly.volume, in[i], 1e-4) << i;

    // Cylinder and cone: against fine prisms and pyramids (2048 sides).
    McdGeometryID cyl = McdCylinderCreate(framework, 1.5f, 5);
    McdGeometryGetMassProperties(cyl, rel, in, &vol);
    poly = MassOf(PrismSurface(1.5f, -2.5f, 2.5f, 1.5f, 2048), {0.3f, -0.2f, 0.1f});
    EXPECT_TRUE(near(vol, poly.volume)) << vol << " " << poly.volume;
    EXPECT_TRUE(near(in[0], poly.inertia[0] / poly.volume)) << in[0] << " " << poly.inertia[0] / poly.volume;
    EXPECT_TRUE(near(in[8], poly.inertia[8] / poly.volume));

    McdGeometryID cone = McdConeCreate(framework, 4, 3);
    vol = 123;
    McdGeometryGetMassProperties(cone, rel, in, &vol);
    EXPECT_EQ(vol, 0);  // the cone writes no volume of its own
    poly = MassOf(PrismSurface(3, -1, 3, 0, 2048), {0, 0, 0});
    EXPECT_NEAR(poly.volume, M_PI * 9 * 4 / 3, 0.01);
    EXPECT_NEAR(poly.centre[2], 0, 1e-4);  // the mass centre is the cone's origin
    EXPECT_TRUE(near(in[0], poly.inertia[0] / poly.volume)) << in[0] << " " << poly.inertia[0] / poly.volume;
    EXPECT_TRUE(near(in[8], poly.inertia[8] / poly.volume));

    McdGeometryID list = McdTriangleListCreate(framework, 2, 4, 6, [](McdModelPair*, McdModelID, const MeReal*,
                                                                      MeReal) { return 0; });
    McdGeometryGetMassProperties(list, rel, in, &vol);
    EXPECT_FLOAT_EQ(vol, 6);

    for (McdGeometryID g : {sphere, box, cyl, cone, list})
        McdGeometryDestroy(g);
}

TEST(MassRecords, CubeAsTetrahedraAboutInsideAndOutsideOrigins)
{
    // A cube of side 2 centred at (1, 2, 3); density 1 gives inertia 8 x (1 + 1) / 3 about its centre.
    const float expect = 8.0f * 2.0f / 3.0f;
    for (P3 origin : {P3{1, 2, 3}, P3{1.5f, 2.2f, 2.4f}, P3{-10, 7, 30}, P3{0, 0, 0}}) {
        std::vector<Tri> cube = BoxSurface(1, 1, 1);
        for (Tri& t : cube)
            for (P3& p : t) {
                p.x += 1;
                p.y += 2;
                p.z += 3;
            }
        McdMassRecord m = MassOf(cube, origin);
        EXPECT_NEAR(m.volume, 8, 1e-3);
        EXPECT_NEAR(m.centre[0] + origin.x, 1, 1e-3);
        EXPECT_NEAR(m.centre[1] + origin.y, 2, 1e-3);
        EXPECT_NEAR(m.centre[2] + origin.z, 3, 1e-3);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                EXPECT_NEAR(m.inertia[i * 3 + j], i == j ? expect : 0.0f, 0.02f) << origin.x << " " << i << j;
    }
}

TEST(MassRecords, MatrixAndTriangleHelpers)
{
    MeReal m[9];
    McdParallelAxisMatrix(1, 0, 0, m);
    const MeReal expect[9] = {0, 0, 0, 0, 1, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(m[i], expect[i]);
    const MeReal a[3] = {0, 0, 0}, b[3] = {1, 0, 0}, c[3] = {0, 1, 0};
    EXPECT_FLOAT_EQ(McdTriangleArea(a, b, c), 0.5f);
    McdTriangleVertices tv{{a, b, c}};
    EXPECT_FLOAT_EQ(McdTriangleAreaOf(&tv), 0.5f);

    const MeReal p[9] = {1, 2, 3, 4, 5, 6, 7, 8, 10}, q[9] = {2, 0, 1, 1, 3, 0, 0, 1, 1};
    MeReal r[9];
    MeMatrix3Multiply(r, p, q);
    const MeReal pq[9] = {4, 9, 4, 13, 21, 10, 22, 34, 17};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(r[i], pq[i]);
    MeMatrix3Multiply(r, r, q);  // aliasing the output
    EXPECT_EQ(r[0], 4 * 2 + 9 * 1 + 4 * 0);
    EXPECT_EQ(MeMatrix3Trace(p), 16);

    // A combined volume at or below 1e-05 leaves the centre undivided.
    McdMassRecord tiny[2];
    tiny[0].volume = 4e-6f;
    tiny[0].centre[0] = 1;
    tiny[1].volume = 4e-6f;
    tiny[1].centre[0] = 2;
    McdMassRecord out;
    McdMassCombine(tiny, 2, &out);
    EXPECT_FLOAT_EQ(out.centre[0], 4e-6f * 1 + 4e-6f * 2);
}
