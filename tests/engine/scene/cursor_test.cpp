#include <gtest/gtest.h>

#include "engine/scene/cursor.h"
#include "tests/engine/scene/slot_test_util.h"

namespace {

TEST(CursorMapping, PixelsToVirtualScreen)
{
    EXPECT_EQ(CursorToVirtual(0, 0, 0, 0, 640, 480), QNVEC3(-667, 500, 0));
    EXPECT_EQ(CursorToVirtual(320, 240, 0, 0, 640, 480), QNVEC3(-1, 0, 0));  // -0.5 rounds away from 0
    EXPECT_EQ(CursorToVirtual(640, 480, 0, 0, 640, 480), QNVEC3(666, -500, 0));
    EXPECT_EQ(CursorToVirtual(110, 20, 10, 20, 110, 120), QNVEC3(666, 500, 0));
    EXPECT_EQ(CursorToVirtual(5, 5, 0, 0, 0, 480), QNVEC3(0, 0, 0));
}

class CursorTest : public slottest::SlotFixture {
protected:
    void TearDown() override
    {
        QNCURSOR::PositionSource = nullptr;
        SlotFixture::TearDown();
    }
};

TEST_F(CursorTest, FollowsThePointerWithItsHotSpot)
{
    QNCURSOR::PositionSource = [] { return QNVEC3(100, -50, 0); };
    auto* c = new QNCURSOR(view->Root, "CURSOR", QNCF_LEVEL_GAME | QNCF_SCREEN, QNVEC3(-10, 10, 0));
    auto* marker = new GAMENODE(view->Root, "MARK", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    QNMATRIX own;
    own.SetTranslation(7, 8, 9);
    slottest::Placements()[marker] = own;
    c->Linked = marker;
    QNMATRIX turned;
    turned.SetRotationZ(0.5f);
    slottest::Placements()[c] = turned;

    c->Update();
    const QNMATRIX world = slottest::Placements()[c];
    EXPECT_EQ(world.Translation(), QNVEC3(110, -60, 0));
    EXPECT_FLOAT_EQ(world.m[0], turned.m[0]);  // rotation kept
    const QNVEC3 expected = QNVEC3::TransformCoord(QNVEC3(-10, 10, 0), world);
    EXPECT_FLOAT_EQ(c->Pointing.x, expected.x);
    EXPECT_FLOAT_EQ(c->Pointing.y, expected.y);
    const QNMATRIX linked = slottest::Placements()[marker];
    EXPECT_EQ(linked.Translation(), QNVEC3(7, 8, 9));
    EXPECT_FLOAT_EQ(linked.m[1], turned.m[1]);
    EXPECT_EQ(c->Button, 0u);
    EXPECT_EQ(c->Changed, 0);
}

}  // namespace
