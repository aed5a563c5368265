#include <cmath>

#include "physics/collision/line_segment.h"
#include "physics/collision/minimiser.h"
#include "tests/physics/collision/pair_test_support.h"

using colltest::AxisAnglePose;
using colltest::PairTest;
using colltest::Placed;
using colltest::Uniform;

namespace {

TEST_F(PairTest, BoxSegmentAgainstAnalyticAnswers)
{
    Placed* box = Box(1, 2, 3);
    AxisAnglePose(box->tm, 0, 0, 1, 0.5f * 3.14159265f, 10, 0, 0);  // local x along world y
    McdLineSegIntersectResult hit;
    // From above along -z onto the top face z = 3.
    const MeReal a[3] = {10.5f, 0.5f, 8}, b[3] = {10.5f, 0.5f, 0};
    ASSERT_EQ(McdBoxLineSegment(box->model, a, b, &hit), 1);
    EXPECT_NEAR(hit.position[2], 3, 1e-5f);
    EXPECT_NEAR(hit.distance, 5, 1e-5f);
    EXPECT_NEAR(hit.normal[2], 1, 1e-6f);
    // Along -x world onto local +y face (world x = 10 + 2).
    const MeReal c[3] = {20, 0.5f, 0}, d[3] = {0, 0.5f, 0};
    ASSERT_EQ(McdBoxLineSegment(box->model, c, d, &hit), 1);
    EXPECT_NEAR(hit.position[0], 12, 1e-5f);
    EXPECT_NEAR(hit.normal[0], 1, 1e-5f);
    // Ending exactly on the face counts; stopping short does not.
    const MeReal e[3] = {10.5f, 0.5f, 3};
    EXPECT_EQ(McdBoxLineSegment(box->model, a, e, &hit), 1);
    const MeReal f[3] = {10.5f, 0.5f, 3.01f};
    EXPECT_EQ(McdBoxLineSegment(box->model, a, f, &hit), 0);
    // Missing past the side.
    const MeReal g[3] = {15, 0.5f, 8}, k[3] = {15, 0.5f, 0};
    EXPECT_EQ(McdBoxLineSegment(box->model, g, k, &hit), 0);
    // Starting inside: the first point, distance 0, a normal back along the segment.
    const MeReal in[3] = {10, 0, 0};
    const MeReal up[3] = {10, 0, 8};
    hit.normal[0] = hit.normal[1] = hit.normal[2] = 0;
    ASSERT_EQ(McdBoxLineSegment(box->model, in, up, &hit), 1);
    EXPECT_EQ(hit.distance, 0);
    EXPECT_NEAR(hit.normal[2], -1, 1e-5f);
    // Too short.
    const MeReal tiny[3] = {10.5f, 0.5f, 8 - 1e-7f};
    EXPECT_EQ(McdBoxLineSegment(box->model, a, tiny, &hit), 0);
}

TEST_F(PairTest, SphereSegmentAgainstAnalyticAnswers)
{
    Placed* s = Sphere(2, 1, 1, 1);
    McdLineSegIntersectResult hit;
    const MeReal a[3] = {1, 1, 10}, b[3] = {1, 1, -10};
    ASSERT_EQ(McdSphereLineSegment(s->model, a, b, &hit), 1);
    EXPECT_NEAR(hit.distance, 7, 1e-5f);
    EXPECT_NEAR(hit.normal[2], 1, 1e-6f);
    // Starting inside: where it leaves.
    const MeReal in[3] = {1, 1, 0};
    ASSERT_EQ(McdSphereLineSegment(s->model, in, b, &hit), 1);
    EXPECT_NEAR(hit.position[2], -1, 1e-5f);
    EXPECT_NEAR(hit.normal[2], -1, 1e-5f);
    // A grazing miss, a sphere behind the start, a short segment.
    const MeReal c[3] = {3.01f, 1, 10}, d[3] = {3.01f, 1, -10};
    EXPECT_EQ(McdSphereLineSegment(s->model, c, d, &hit), 0);
    const MeReal e[3] = {1, 1, 5}, f[3] = {1, 1, 10};
    EXPECT_EQ(McdSphereLineSegment(s->model, e, f, &hit), 0);
    EXPECT_EQ(McdSphereLineSegment(s->model, a, a, &hit), 0);
    // A point sphere: hit with a finite unit normal.
    Placed* p = Sphere(0, 0, 0, 0);
    const MeReal g[3] = {-1, 0, 0}, k[3] = {1, 0, 0};
    ASSERT_EQ(McdSphereLineSegment(p->model, g, k, &hit), 1);
    EXPECT_NEAR(hit.distance, 1, 1e-6f);
    EXPECT_TRUE(std::isfinite(hit.normal[0]));
    EXPECT_NEAR(std::fabs(hit.normal[0]), 1, 1e-6f);
}

TEST_F(PairTest, PlaneSegmentAgainstAnalyticAnswers)
{
    Placed* plane = Plane();
    AxisAnglePose(plane->tm, 1, 0, 0, -0.5f * 3.14159265f, 0, 2, 0);  // normal along +y, through y = 2
    McdLineSegIntersectResult hit;
    const MeReal a[3] = {1, 6, 1}, b[3] = {1, 0, 1};
    ASSERT_EQ(McdPlaneLineSegment(plane->model, a, b, &hit), 1);
    EXPECT_NEAR(hit.position[1], 2, 1e-5f);
    EXPECT_NEAR(hit.distance, 4, 1e-5f);
    EXPECT_NEAR(hit.normal[1], 1, 1e-6f);
    // Starting below: hit at the start.
    ASSERT_EQ(McdPlaneLineSegment(plane->model, b, a, &hit), 1);
    EXPECT_EQ(hit.distance, 0);
    EXPECT_NEAR(hit.position[1], 0, 1e-6f);
    // Both above: no hit. Lying in the plane: no hit, never a NaN one.
    const MeReal c[3] = {1, 7, 1};
    EXPECT_EQ(McdPlaneLineSegment(plane->model, a, c, &hit), 0);
    const MeReal d[3] = {0, 2, 0}, e[3] = {5, 2, 3};
    EXPECT_EQ(McdPlaneLineSegment(plane->model, d, e, &hit), 0);
}

TEST_F(PairTest, SpaceQueryUsesTheInstalledTests)
{
    Placed* s = Sphere(1, 0, 0, 5);
    Placed* b = Box(1, 1, 1, 0, 0, 0);
    McdSpaceID space = McdAxisSortCreate(framework, 7, 16, 16);
    ASSERT_NE(space, nullptr);
    McdSpaceInsertModel(space, s->model);
    McdSpaceInsertModel(space, b->model);
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    McdLineSegIntersectResult hits[4];
    const MeReal p[3] = {0, 0, 10}, q[3] = {0, 0, -10};
    ASSERT_EQ(McdSpaceGetLineSegIntersections(space, p, q, hits, 4), 2);
    for (int i = 0; i < 2; ++i)
        EXPECT_NEAR(hits[i].distance, hits[i].model == s->model ? 4 : 9, 1e-5f);
    McdSpaceBeginChanges(space);
    McdSpaceRemoveModel(s->model);
    McdSpaceRemoveModel(b->model);
    McdSpaceDestroy(space);
}

// The clippers of the line-test object against the slab and plane conditions.
TEST_F(PairTest, SegmentClippersAppendCrossingsAndEnds)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    MeReal list[8][3];
    const MeReal e[3] = {1, 1, 1};
    const MeReal p[3] = {0, 0, 0}, d[3] = {0.5f, 0, 0};
    MeReal rd[3];
    McdReciprocal(d, rd);
    McdPointCursor cursor(list, 8);
    tests->SegmentClip(&cursor, p, d, rd, e);  // wholly inside: no crossings
    EXPECT_EQ(cursor.Count(list), 0);
    ASSERT_NE(tests->SegmentClip2(&cursor, p, d, rd, e), nullptr);
    ASSERT_EQ(cursor.Count(list), 2);
    EXPECT_FLOAT_EQ(list[0][0], -0.5f);
    EXPECT_FLOAT_EQ(list[1][0], 0.5f);
    // Parallel to a slab on its boundary stays; beyond it misses.
    const MeReal edge[3] = {0, 1, 0}, out[3] = {0, 1.01f, 0};
    const MeReal long_d[3] = {3, 0, 0};
    McdReciprocal(long_d, rd);
    McdPointCursor c2(list, 8);
    tests->SegmentClip(&c2, edge, long_d, rd, e);
    EXPECT_EQ(c2.Count(list), 2);
    tests->SegmentClip(&c2, out, long_d, rd, e);
    EXPECT_EQ(c2.Count(list), 2);
    // A full list drops further points.
    McdPointCursor full(list, 1);
    tests->SegmentClip(&full, edge, long_d, rd, e);
    EXPECT_EQ(full.Count(list), 1);
    EXPECT_EQ(full.overflow, 1);

    // Plane: a vertical segment through z = 0.
    const MeReal pz[3] = {0, 0, 0.5f}, dz[3] = {0, 0, 1};
    McdPointCursor c3(list, 8);
    tests->SegmentPlaneCrossing(&c3, pz, dz, 1);
    ASSERT_EQ(c3.Count(list), 1);
    EXPECT_FLOAT_EQ(list[0][2], 0);
    McdPointCursor c4(list, 8);
    ASSERT_NE(tests->SegmentPlaneClip(&c4, pz, dz, 1), nullptr);
    ASSERT_EQ(c4.Count(list), 2);
    EXPECT_FLOAT_EQ(list[0][2], -0.5f);
    EXPECT_FLOAT_EQ(list[1][2], 0);

    // Spheres touching exactly do not overlap.
    const MeReal ca[3] = {0, 0, 0}, cb[3] = {2, 0, 0};
    EXPECT_EQ(tests->SpheresOverlap(ca, 1, cb, 1), 0);
    EXPECT_EQ(tests->SpheresOverlap(ca, 1, cb, 1.01f), 1);

    // Cylinder clip of a line across its middle and along its axis.
    MeReal lo = -10, hi = 10;
    const MeReal lp[3] = {0, 0, 0}, ld[3] = {1, 0, 0};
    ASSERT_TRUE(tests->LineCylinderClip(&lo, &hi, lp, ld, 2, 1));
    EXPECT_FLOAT_EQ(lo, -2);
    EXPECT_FLOAT_EQ(hi, 2);
    lo = -10, hi = 10;
    const MeReal ad[3] = {0, 0, 1};
    ASSERT_TRUE(tests->LineCylinderClip(&lo, &hi, lp, ad, 2, 1));
    EXPECT_FLOAT_EQ(lo, -1);
    EXPECT_FLOAT_EQ(hi, 1);
    const MeReal outside[3] = {3, 0, 0};
    EXPECT_FALSE(tests->LineCylinderClip(&lo, &hi, outside, ad, 2, 1));
}

TEST_F(PairTest, SphereTriangleFaceEdgeAndSide)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    // Triangle below the sphere centre (origin) at z = -0.9.
    const MeReal v0[3] = {-1, -1, -0.9f}, v1[3] = {2, -1, -0.9f}, v2[3] = {-1, 2, -0.9f};
    McdTriangleRecord tri;
    tri.vertices[0] = v0, tri.vertices[1] = v1, tri.vertices[2] = v2;
    tri.normal[2] = 1;
    tri.flags = kMcdTriangleEdge0 | (kMcdTriangleEdge0 << 1) | (kMcdTriangleEdge0 << 2);
    McdTriangleSetEdges(&tri);
    MeReal sep, n[3], pos[3];
    MeI16 dims;
    ASSERT_TRUE(tests->SphereTriangle(&sep, n, pos, &dims, 0.01f, 1, &tri));
    EXPECT_NEAR(sep, -0.1f, 1e-6f);
    EXPECT_EQ(n[2], 1);
    EXPECT_EQ(dims, 515);
    EXPECT_NEAR(pos[2], -1, 1e-6f);
    // Centre exactly on the plane: the face normal itself.
    const MeReal w0[3] = {-1, -1, 0}, w1[3] = {2, -1, 0}, w2[3] = {-1, 2, 0};
    tri.vertices[0] = w0, tri.vertices[1] = w1, tri.vertices[2] = w2;
    ASSERT_TRUE(tests->SphereTriangle(&sep, n, pos, &dims, 0.01f, 1, &tri));
    EXPECT_EQ(n[2], 1);
    // Beyond edge 0 (y = -1): an edge feature.
    const MeReal u0[3] = {-1, 0.5f, -0.5f}, u1[3] = {2, 0.5f, -0.5f}, u2[3] = {-1, 3.5f, -0.5f};
    tri.vertices[0] = u0, tri.vertices[1] = u1, tri.vertices[2] = u2;
    McdTriangleSetEdges(&tri);
    tri.flags |= kMcdTriangleUseEdgeNormals;
    ASSERT_TRUE(tests->SphereTriangle(&sep, n, pos, &dims, 0.01f, 1, &tri));
    EXPECT_EQ(dims, 259);
    EXPECT_NEAR(sep, std::sqrt(0.5f) - 1, 1e-5f);
}

TEST_F(PairTest, BoxTriangleFindsTheCornersBehindTheFace)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    const MeReal v0[3] = {-5, -5, -0.98f}, v1[3] = {5, -5, -0.98f}, v2[3] = {0, 5, -0.98f};
    McdTriangleRecord tri;
    tri.vertices[0] = v0, tri.vertices[1] = v1, tri.vertices[2] = v2;
    tri.normal[2] = 1;
    McdTriangleSetEdges(&tri);
    const MeReal e[3] = {1, 1, 1};
    MeReal sep, n[3], offset, list[64][3];
    MeI16 dims;
    McdPointCursor cursor(list, 64);
    ASSERT_TRUE(tests->BoxTriangle(&sep, n, &offset, &cursor, &dims, 0.01f, e, &tri));
    EXPECT_NEAR(sep, -0.02f, 1e-5f);
    EXPECT_NEAR(n[2], 1, 1e-6f);
    int deep = 0;
    for (int i = 0; i < cursor.Count(list); ++i)
        if (std::fabs(n[0] * list[i][0] + n[1] * list[i][1] + n[2] * list[i][2] - offset + 0.02f) < 1e-5f)
            ++deep;
    EXPECT_EQ(deep, 4);  // the four bottom corners
    McdPointCursor c2(list, 64);
    const MeReal far0[3] = {-5, -5, -1.5f}, far1[3] = {5, -5, -1.5f}, far2[3] = {0, 5, -1.5f};
    tri.vertices[0] = far0, tri.vertices[1] = far1, tri.vertices[2] = far2;
    EXPECT_FALSE(tests->BoxTriangle(&sep, n, &offset, &c2, &dims, 0.01f, e, &tri));
}

TEST_F(PairTest, CylinderTriangleTellsCapFromSide)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    // A large triangle under a standing cylinder (radius 0.5, half height 1), 0.01 into it.
    const MeReal v0[3] = {-5, -5, -0.99f}, v1[3] = {5, -5, -0.99f}, v2[3] = {0, 5, -0.99f};
    McdTriangleRecord tri;
    tri.vertices[0] = v0, tri.vertices[1] = v1, tri.vertices[2] = v2;
    tri.normal[2] = 1;
    McdTriangleSetEdges(&tri);
    MeReal sep, n[3], offset, list[64][3];
    MeI16 dims;
    McdPointCursor cursor(list, 64);
    ASSERT_TRUE(tests->CylinderTriangle(&sep, n, &offset, &cursor, &dims, 0.005f, 0.5f, 1, &tri));
    EXPECT_NEAR(sep, -0.01f, 1e-5f);
    EXPECT_NEAR(n[2], 1, 1e-6f);
    EXPECT_EQ(dims, 2 | (2 << 8));
    for (int i = 0; i < cursor.Count(list); ++i)
        EXPECT_LE(n[0] * list[i][0] + n[1] * list[i][1] + n[2] * list[i][2] - offset, 1e-5f);
    EXPECT_GE(cursor.Count(list), 3);
    // A triangle standing beside the cylinder's side, facing it: a side contact.
    const MeReal w0[3] = {0.49f, -5, -5}, w1[3] = {0.49f, 5, -5}, w2[3] = {0.49f, 0, 5};
    tri.vertices[0] = w0, tri.vertices[1] = w1, tri.vertices[2] = w2;
    tri.normal[0] = -1, tri.normal[2] = 0;
    McdTriangleSetEdges(&tri);
    McdPointCursor c2(list, 64);
    ASSERT_TRUE(tests->CylinderTriangle(&sep, n, &offset, &c2, &dims, 0.005f, 0.5f, 1, &tri));
    EXPECT_NEAR(sep, -0.01f, 1e-5f);
    EXPECT_NEAR(n[0], -1, 1e-5f);
    EXPECT_EQ(dims, 2 | (3 << 8));
    const MeReal far0[3] = {0.6f, -5, -5}, far1[3] = {0.6f, 5, -5}, far2[3] = {0.6f, 0, 5};
    tri.vertices[0] = far0, tri.vertices[1] = far1, tri.vertices[2] = far2;
    McdPointCursor c3(list, 64);
    EXPECT_FALSE(tests->CylinderTriangle(&sep, n, &offset, &c3, &dims, 0.005f, 0.5f, 1, &tri));
}

// A smooth bowl: the minimiser reaches its bottom from several starts.
MeReal Bowl(const MeReal* x)
{
    return (x[0] - 1) * (x[0] - 1) + 4 * (x[1] + 2) * (x[1] + 2) + std::cos(x[0] - 1) - 1;
}
void BowlGradient(MeReal* g, const MeReal* x)
{
    g[0] = 2 * (x[0] - 1) - std::sin(x[0] - 1);
    g[1] = 8 * (x[1] + 2);
}

TEST(Minimiser, ConjugateGradientFindsTheMinimum)
{
    MeRandomSeed(3);
    for (int trial = 0; trial < 20; ++trial) {
        MeReal x[2] = {Uniform(-5, 5), Uniform(-5, 5)};
        const MeReal f = MeMinimizeConjugateGradient(2, x, 0.001f, 0.001f, Bowl, BowlGradient);
        EXPECT_NEAR(x[0], 1, 0.05f) << trial;
        EXPECT_NEAR(x[1], -2, 0.05f) << trial;
        EXPECT_NEAR(f, 0, 1e-3f);
    }
    MeReal x[5] = {0, 0, 0, 0, 0};
    EXPECT_EQ(MeMinimizeConjugateGradient(5, x, 0.001f, 0.001f, Bowl, BowlGradient), Bowl(x));  // refused
}

// A function that falls forever: the bracketing stops at its cap.
MeReal Slope(MeReal t)
{
    return -t;
}

TEST(Minimiser, BracketingOfAnUnboundedFunctionEnds)
{
    MeReal a = 0, b = 1, c, fa, fb, fc;
    MeBracketMinimum(&a, &b, &c, &fa, &fb, &fc, Slope);
    EXPECT_LE(fb, fa);
    EXPECT_GT(b, 1.0f);
}

}  // namespace
