#include <cmath>

#include "physics/collision/cone_pairs.h"
#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;
using colltest::Uniform;

namespace {

// Cone of height 2 and radius 1: apex at z = 1.5, base at z = -0.5.
constexpr MeReal kA = 1.5f, kB = 0.5f, kR = 1.0f, kH = 2.0f;

struct Model {
    McdGeometryID geometry;
    McdModelID model;
    MeMatrix4 tm;
    explicit Model(McdGeometryID g) : geometry(g)
    {
        colltest::Identity(tm);
        model = McdModelCreate(g);
        McdModelSetTransformPtr(model, tm);
    }
    ~Model()
    {
        McdModelDestroy(model);
        McdGeometryDestroy(geometry);
    }
    void At(MeReal x, MeReal y, MeReal z)
    {
        tm[3][0] = x;
        tm[3][1] = y;
        tm[3][2] = z;
    }
};

struct Result {
    McdContact contacts[8];
    McdIntersectResult r;
    McdModelPair pair;
    int touch = 0;
    Result(McdModelID a, McdModelID b)
    {
        McdModelPairInit(&pair, a, b);
        McdHello(&pair);
        r.pair = &pair;
        r.contacts = contacts;
        r.contactMaxCount = 8;
        McdIntersect(&pair, &r);
        touch = r.touch;
    }
    ~Result() { McdGoodbye(&pair); }
};

void LocalToWorld(const MeMatrix4 t, const MeReal p[3], MeReal out[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
}

bool InsideCone(const MeReal p[3])
{
    if (p[2] < -kB || p[2] > kA)
        return false;
    return std::sqrt(p[0] * p[0] + p[1] * p[1]) <= (kA - p[2]) / kH * kR;
}

}  // namespace

TEST_F(FrameworkTest, ConeOnAPlaneStandingLyingAndOnItsApex)
{
    Model cone(McdConeCreate(framework, kH, kR));
    Model plane(McdPlaneCreate(framework));
    cone.At(3, 4, kB - 0.05f);
    {
        Result q(cone.model, plane.model);
        ASSERT_EQ(q.touch, 1);
        ASSERT_EQ(q.r.contactCount, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(q.contacts[i].separation, -0.05f, 1e-6f);
            EXPECT_NEAR(std::hypot(q.contacts[i].position[0] - 3, q.contacts[i].position[1] - 4), kR, 1e-5f);
            EXPECT_EQ(q.r.normal[2], 1.0f);
        }
        // 120 degrees apart.
        const MeReal dx0 = q.contacts[0].position[0] - 3, dy0 = q.contacts[0].position[1] - 4;
        const MeReal dx1 = q.contacts[1].position[0] - 3, dy1 = q.contacts[1].position[1] - 4;
        EXPECT_NEAR(dx0 * dx1 + dy0 * dy1, -0.5f, 1e-5f);
    }
    // Lying on a slant generator: rotation about y taking the slant normal to -z.
    const MeReal slant = std::sqrt(kH * kH + kR * kR), s = kR / slant, c = kH / slant;
    const MeReal rows[3][3] = {{-s, 0, -c}, {0, 1, 0}, {c, 0, -s}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            cone.tm[i][j] = rows[i][j];
    cone.At(0, 0, kA * s - 0.01f);
    {
        Result q(cone.model, plane.model);
        ASSERT_EQ(q.touch, 1);
        ASSERT_EQ(q.r.contactCount, 2);
        EXPECT_NEAR(q.contacts[0].separation, -0.01f, 1e-5f);
        EXPECT_NEAR(q.contacts[1].position[2], -0.01f, 1e-5f);
        EXPECT_NEAR(q.contacts[0].position[2], -0.01f, 1e-4f);
    }
    // Balanced on its apex: upside down.
    colltest::Identity(cone.tm);
    cone.tm[1][1] = -1;
    cone.tm[2][2] = -1;
    cone.At(1, 1, kA - 0.02f);
    {
        Result q(cone.model, plane.model);
        ASSERT_EQ(q.r.contactCount, 1);
        EXPECT_NEAR(q.contacts[0].separation, -0.02f, 1e-6f);
        EXPECT_NEAR(q.contacts[0].position[0], 1.0f, 1e-6f);
    }
    cone.At(1, 1, kA + 0.02f);
    {
        Result q(cone.model, plane.model);
        EXPECT_EQ(q.touch, 0);
        EXPECT_EQ(q.r.contactCount, 0);
    }
    // A tilted plane away from the origin: separation from the plane itself.
    const MeReal ca = std::cos(0.5f), sa = std::sin(0.5f);
    const MeReal tilt[3][3] = {{1, 0, 0}, {0, ca, sa}, {0, -sa, ca}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            plane.tm[i][j] = cone.tm[i][j] = tilt[i][j];
    plane.At(2, 3, 1);
    cone.At(2 + 0.3f, 3 + (kB - 0.03f) * tilt[2][1], 1 + (kB - 0.03f) * tilt[2][2]);
    {
        Result q(cone.model, plane.model);
        ASSERT_EQ(q.r.contactCount, 3);
        EXPECT_NEAR(q.contacts[2].separation, -0.03f, 1e-5f);
    }
}

TEST_F(FrameworkTest, ConeAndSphereRegionsHaveAnalyticSeparations)
{
    Model cone(McdConeCreate(framework, kH, kR));
    Model ball(McdSphereCreate(framework, 0.5f));
    colltest::RandomPose(cone.tm, 1, -2, 0.5f);
    const MeReal slant = std::sqrt(kH * kH + kR * kR);
    const MeReal out[3] = {kH / slant, 0, kR / slant};  // outward slant normal at y = 0
    const MeReal mid[3] = {0.5f, 0, 0.5f};               // the slant's middle
    struct Case {
        MeReal c[3];
        MeReal separation;
        MeReal normal[3];  // local, from the sphere towards the cone
    } cases[] = {
        {{0, 0, kA + 0.4f}, -0.1f, {0, 0, -1}},
        {{0.2f, 0.1f, -kB - 0.3f}, -0.2f, {0, 0, 1}},
        {{kR + 0.3f, 0, -kB - 0.2f}, std::sqrt(0.13f) - 0.5f, {-0.3f / std::sqrt(0.13f), 0, 0.2f / std::sqrt(0.13f)}},
        {{mid[0] + 0.3f * out[0], 0, mid[2] + 0.3f * out[2]}, -0.2f, {-out[0], 0, -out[2]}},
        {{mid[0] - 0.1f * out[0], 0, mid[2] - 0.1f * out[2]}, -0.6f, {-out[0], 0, -out[2]}},
    };
    for (const Case& k : cases) {
        MeReal w[3];
        LocalToWorld(cone.tm, k.c, w);
        ball.At(w[0], w[1], w[2]);
        Result q(cone.model, ball.model);
        ASSERT_EQ(q.touch, 1) << k.c[2];
        ASSERT_EQ(q.r.contactCount, 1);
        EXPECT_NEAR(q.contacts[0].separation, k.separation, 1e-5f) << k.c[0] << " " << k.c[2];
        MeReal wn[3];
        for (int j = 0; j < 3; ++j)
            wn[j] = k.normal[0] * cone.tm[0][j] + k.normal[1] * cone.tm[1][j] + k.normal[2] * cone.tm[2][j];
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(q.contacts[0].normal[j], wn[j], 1e-5f);
            EXPECT_NEAR(q.r.normal[j], wn[j], 1e-5f);
        }
    }
    const MeReal far[3] = {0, 0, kA + 0.6f};
    MeReal w[3];
    LocalToWorld(cone.tm, far, w);
    ball.At(w[0], w[1], w[2]);
    Result q(cone.model, ball.model);
    EXPECT_EQ(q.touch, 0);
    EXPECT_EQ(q.r.contactCount, 0);
}

TEST_F(FrameworkTest, ConeSegmentTestAgainstSampledOracle)
{
    Model cone(McdConeCreate(framework, kH, kR));
    colltest::RandomPose(cone.tm, -1, 2, 3);
    McdLineSegIntersectFn fn = McdGeometryGetLineSegFn(cone.geometry);
    ASSERT_NE(fn, nullptr);
    McdLineSegIntersectResult hit;

    // Entering through the slant and leaving through the base, from the literal regression.
    {
        Model wide(McdConeCreate(framework, 4, 2));
        const MeReal p0[] = {4, 0, -2}, p1[] = {0, 0, 1};
        ASSERT_EQ(fn(wide.model, p0, p1, &hit), 1);
        // The slant x = (3 - z) / 2 meets (4 - 4t, 0, 3t - 2) at t = 0.6; the base plane is
        // crossed first (t = 1/3) but outside the disc.
        EXPECT_NEAR(hit.position[0], 1.6f, 1e-5f);
        EXPECT_NEAR(hit.position[2], -0.2f, 1e-5f);
        EXPECT_NEAR(hit.distance, 3.0f, 1e-5f);
        EXPECT_GT(hit.normal[0], 0.0f);
    }
    // Rising from below into the base disc, parallel to the axis.
    {
        const MeReal l0[] = {0.3f, 0, -2}, l1[] = {0.3f, 0, 2};
        MeReal w0[3], w1[3];
        LocalToWorld(cone.tm, l0, w0);
        LocalToWorld(cone.tm, l1, w1);
        ASSERT_EQ(fn(cone.model, w0, w1, &hit), 1);
        EXPECT_NEAR(hit.distance, 1.5f, 1e-5f);
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(hit.normal[j], -cone.tm[2][j], 1e-5f);
    }
    // Through the apex side of the double cone only.
    {
        const MeReal l0[] = {-1, 0, 2.5f}, l1[] = {1, 0, 2.5f};
        MeReal w0[3], w1[3];
        LocalToWorld(cone.tm, l0, w0);
        LocalToWorld(cone.tm, l1, w1);
        EXPECT_EQ(fn(cone.model, w0, w1, &hit), 0);
    }

    MeRandomSeed(31);
    int hits = 0;
    for (int trial = 0; trial < 400; ++trial) {
        MeReal l0[3], l1[3];
        do {
            for (int j = 0; j < 3; ++j)
                l0[j] = Uniform(-2.5f, 2.5f);
        } while (InsideCone(l0));
        for (int j = 0; j < 3; ++j)
            l1[j] = Uniform(-2.5f, 2.5f);
        // Oracle: the first of many samples inside the solid.
        constexpr int kSteps = 20000;
        int first = -1, inside = 0;
        for (int i = 0; i <= kSteps; ++i) {
            const MeReal t = static_cast<MeReal>(i) / kSteps;
            const MeReal p[3] = {l0[0] + t * (l1[0] - l0[0]), l0[1] + t * (l1[1] - l0[1]), l0[2] + t * (l1[2] - l0[2])};
            if (InsideCone(p)) {
                ++inside;
                if (first < 0)
                    first = i;
            }
        }
        if (inside > 0 && inside < 20)
            continue;  // grazing: within sampling error
        MeReal w0[3], w1[3];
        LocalToWorld(cone.tm, l0, w0);
        LocalToWorld(cone.tm, l1, w1);
        const int got = fn(cone.model, w0, w1, &hit);
        const MeReal len = std::sqrt((l1[0] - l0[0]) * (l1[0] - l0[0]) + (l1[1] - l0[1]) * (l1[1] - l0[1]) +
                                     (l1[2] - l0[2]) * (l1[2] - l0[2]));
        if (first < 0 && std::fabs(l1[2] + kB) > 1e-3f) {
            EXPECT_EQ(got, 0) << trial;
            continue;
        }
        if (first < 0)
            continue;
        ++hits;
        ASSERT_EQ(got, 1) << trial;
        EXPECT_NEAR(hit.distance, len * first / kSteps, len * 2e-4f + 1e-4f) << trial;
        // The normal faces the incoming segment.
        MeReal dir = 0;
        for (int j = 0; j < 3; ++j)
            dir += hit.normal[j] * (w1[j] - w0[j]);
        EXPECT_LT(dir, 0.0f) << trial;
    }
    EXPECT_GT(hits, 50);

    Model flat(McdConeCreate(framework, 0, 1));
    const MeReal f0[] = {0, 0, -1}, f1[] = {0, 0, 1};
    EXPECT_EQ(fn(flat.model, f0, f1, &hit), 0);
}

TEST_F(FrameworkTest, ConeTouchPairsAndFlatCones)
{
    Model cone(McdConeCreate(framework, kH, kR));
    Model other(McdConeCreate(framework, kH, kR));
    Model cyl(McdCylinderCreate(framework, 0.5f, 1));
    Model box(McdBoxCreate(framework, 1, 1, 1));
    {
        Result q(cone.model, cyl.model);  // concentric
        EXPECT_EQ(q.touch, 1);
        EXPECT_EQ(q.r.contactCount, 0);
    }
    other.At(0.5f, 0, 0.3f);
    {
        Result q(cone.model, other.model);
        EXPECT_EQ(q.touch, 1);
        EXPECT_EQ(q.r.contactCount, 0);
    }
    other.At(5, 0, 0);
    {
        Result q(cone.model, other.model);
        EXPECT_EQ(q.touch, 0);
        EXPECT_NEAR(q.r.normal[0], -1.0f, 0.2f);
    }
    box.At(0, 0, kA + 0.4f);
    {
        Result q(box.model, cone.model);  // mirrored: model 1 becomes the cone
        EXPECT_EQ(q.pair.model1, cone.model);
        EXPECT_EQ(q.touch, 1);
    }
    Model flat(McdConeCreate(framework, 0, 1));
    Model ball(McdSphereCreate(framework, 1));
    Model plane(McdPlaneCreate(framework));
    {
        Result q(flat.model, ball.model);
        EXPECT_EQ(q.touch, 0);
        EXPECT_EQ(q.r.contactCount, 0);
    }
    {
        Result q(flat.model, plane.model);
        EXPECT_EQ(q.touch, 0);
        EXPECT_EQ(q.r.contactCount, 0);
    }
}
