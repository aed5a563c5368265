// Picking: segment queries nearest first with stable ties, and the virtual-screen mappings.

#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnpick.h"
#include "engine/render/qndisplay.h"
#include "physics_fixture.h"

TEST_F(PhysicsTest, SegmentPicksComeNearestFirstAndEqualDistancesKeepTheirOrder)
{
    QNPHYSWORLD* w = QNPHYSWORLD::Create(10, 10, 10, 10, 1, false);
    QNCOLLGEOM ball, list;
    ball.MakeSphere(1.0f);
    list.BeginTriangleList(2, 2, 2, 3, 1, 4);
    list.AddVertex(QNVEC3(0, -1, -1));
    list.AddVertex(QNVEC3(0, 1, -1));
    list.AddVertex(QNVEC3(0, -1, 1));
    list.AddTriangle(0, 1, 2);
    list.BuildTriangleList();

    QNBODY sphere(w, nullptr, nullptr), first(w, nullptr, nullptr), second(w, nullptr, nullptr),
        plate(w, nullptr, nullptr), ghost(w, nullptr, nullptr);
    sphere.SetTransform(Translation(3, 0, 0));
    sphere.SetGeometry(&ball);
    first.SetTransform(Translation(8, 0, 0));
    first.BoxPick = 1;
    first.SetGeometry(&list);
    second.SetTransform(Translation(8, 0, 0));
    second.BoxPick = 1;
    second.SetGeometry(&list);
    plate.SetTransform(Translation(6, 0, 0));
    plate.SetGeometry(&list);
    ghost.SetTransform(Translation(5, 0, 0));
    ghost.SetGeometry(&list);
    ghost.SetSolid(false);

    QNSEGMENTHIT hits[8];
    const int n = w->IntersectSegment(QNVEC3(0, -0.1f, -0.1f), QNVEC3(20, -0.1f, -0.1f), 8, hits);
    ASSERT_EQ(n, 4);
    EXPECT_EQ(hits[0].Body, &sphere);
    EXPECT_NEAR(hits[0].Distance, 2.0f, 0.02f);
    EXPECT_EQ(hits[1].Body, &plate);
    EXPECT_NEAR(hits[1].Distance, 6.0f, 1e-4f);
    EXPECT_NEAR(hits[1].Point[0], 6.0f, 1e-4f);
    EXPECT_NEAR(std::fabs(hits[1].Normal[0]), 1.0f, 1e-4f);
    EXPECT_EQ(hits[2].Body, &first);  // a tie: chain order
    EXPECT_EQ(hits[3].Body, &second);
    EXPECT_FLOAT_EQ(hits[2].Distance, hits[3].Distance);
    EXPECT_FLOAT_EQ(hits[2].Normal[0], -1.0f);

    EXPECT_EQ(w->IntersectSegment(QNVEC3(0, 5, 0), QNVEC3(20, 5, 0), 8, hits), 0);
    EXPECT_EQ(w->IntersectSegment(QNVEC3(0, -0.1f, -0.1f), QNVEC3(20, -0.1f, -0.1f), 2, hits), 2);

    for (QNBODY* b : {&sphere, &first, &second, &plate, &ghost})
        b->Release();
    QNPHYSWORLD::Destroy(w);
}

TEST(PickTest, VirtualScreenMappings)
{
    QNDISPLAY::Box[0] = QNVEC3(0, 0, 0);
    QNDISPLAY::Box[1] = QNVEC3(640, 480, 1);
    QNPICK::SetViewport(-667, 500, 1333, 1000);
    EXPECT_EQ(QNPICK::ViewportBox.min, QNVEC3(0, 0, 0));
    EXPECT_EQ(QNPICK::ViewportBox.max, QNVEC3(640, 480, 0));

    EXPECT_EQ(QNPICK::ToVirtual(0, 0), QNVEC3(-667, 500, 0));
    // -0.5 at the centre of an even width rounds away from zero.
    EXPECT_EQ(QNPICK::ToVirtual(320, 240), QNVEC3(-1, 0, 0));
    EXPECT_EQ(QNPICK::ToVirtual(640, 480), QNVEC3(666, -500, 0));

    QNPICK::SetViewport(0, 0, 666.5f, 500);
    EXPECT_FLOAT_EQ(QNPICK::ViewportBox.min.x, 320.0f);
    EXPECT_FLOAT_EQ(QNPICK::ViewportBox.min.y, 240.0f);
    EXPECT_FLOAT_EQ(QNPICK::ViewportBox.max.x, 640.0f);
    EXPECT_FLOAT_EQ(QNPICK::ViewportBox.max.y, 480.0f);

    QNPICK::ViewportBox = QNBOX(QNVEC3(1, 1, 1), QNVEC3(0, 0, 0));
    EXPECT_EQ(QNPICK::ToVirtual(100, 100), QNVEC3(0, 0, 0));
    QNPICK::SetViewport(0, 0, 0, 0);
    EXPECT_EQ(QNPICK::ViewportBox.max, QNVEC3(640, 480, 1));
}

TEST(PickTest, VisibilityOnScreenAndBoxQueries)
{
    QNDISPLAY::View = QNMATRIX();
    QNDISPLAY::Projection = QNMATRIX::PerspectiveFovLH(1.0f, 4.0f / 3.0f, 1.0f, 100.0f);
    QNDISPLAY::ViewProjection = QNDISPLAY::View * QNDISPLAY::Projection;
    const QNBOX ahead(QNVEC3(-1, -1, 9), QNVEC3(1, 1, 11));
    const QNBOX behind(QNVEC3(-1, -1, -11), QNVEC3(1, 1, -9));
    const QNBOX aside(QNVEC3(50, -1, 9), QNVEC3(52, 1, 11));
    EXPECT_TRUE(QNPICK::IsVisible(ahead, true));
    EXPECT_TRUE(QNPICK::IsVisible(ahead, false));
    EXPECT_FALSE(QNPICK::IsVisible(behind, true));
    EXPECT_FALSE(QNPICK::IsVisible(aside, true));
    EXPECT_FALSE(QNPICK::IsVisible(aside, false));

    const QNVEC3 s = QNPICK::ToScreen(QNVEC3(0, 0, 10));
    EXPECT_NEAR(s.x, 0.0f, 1e-4f);
    EXPECT_NEAR(s.y, 0.0f, 1e-4f);
    EXPECT_GT(s.z, 0.0f);

    EXPECT_TRUE(QNPICK::IsOnScreen(QNBOX(QNVEC3(600, 400, 0), QNVEC3(700, 600, 0))));
    EXPECT_FALSE(QNPICK::IsOnScreen(QNBOX(QNVEC3(700, 0, 0), QNVEC3(800, 10, 0))));

    const QNBOX unit(QNVEC3(0, 0, 0), QNVEC3(1, 1, 1));
    EXPECT_FLOAT_EQ(QNBoxDistanceTo(unit, QNVEC3(3, -1, 0.5f)), 2.0f);
    EXPECT_FLOAT_EQ(QNBoxDistanceTo(unit, QNVEC3(0.5f, 0.5f, 0.5f)), 0.0f);
    EXPECT_TRUE(QNBoxIntersectsSegment(unit, QNVEC3(-1, 0.5f, 0.5f), QNVEC3(2, 0.5f, 0.5f)));
    EXPECT_FALSE(QNBoxIntersectsSegment(unit, QNVEC3(-1, 2, 0.5f), QNVEC3(2, 2, 0.5f)));
}
