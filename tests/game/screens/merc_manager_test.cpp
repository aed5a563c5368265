// The mercenary manager: hiring by dragging the ship onto a free window, dismissing by dragging a
// hired window onto DISMISS, orders for one ship or all three, the approach spinner, the
// selection moving on, and the ship scene rebuilt and spinning again at every entry.

#include <algorithm>
#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "game/screens/merc_manager.h"
#include "game/screens/ship_scene.h"
#include "tests/game/screens/store_fixture.h"

namespace {

using storetest::StoreTest;
using MM = MERCENARYMANAGER;

class MercTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        MercenaryState.Clear();
    }
    void TearDown() override
    {
        StoreTest::TearDown();
        MercenaryState.Clear();
    }
    MM* OpenManager()
    {
        auto* m = new MM(&QNSCENE::SceneRoot());
        Enter(m);
        return m;
    }
    static MERCENARYRECORD& Record(std::uint32_t k) { return MercenaryState.Records[k]; }
    static void Click(SPRITENODE* e) { e->OnMessage(QNMSG_PRESS, 1, 0); }
    // A drag from `source` dropped on `target`, in the order of a frame where the source hears
    // of the end first; then a frame lets the pointer go of the icon. The drop's answer.
    std::int32_t Drag(MM* m, SPRITENODE* source, SPRITENODE* target)
    {
        source->OnMessage(QNMSG_DRAG_BEGIN, 0, 0);
        source->OnMessage(QNMSG_DROPPED, 0, 0);
        const auto carried = reinterpret_cast<std::uintptr_t>(QNSCENE::GetKeyboardTarget());
        const std::int32_t answer = target->OnMessage(QNMSG_DROP_TARGET, carried, 0);
        Frame();
        EXPECT_EQ(QNSCENE::GetKeyboardTarget(), nullptr);
        EXPECT_EQ(m->DragIcon->State, 2);
        return answer;
    }
    std::int32_t DragNewShipTo(MM* m, std::uint32_t k) { return Drag(m, m->Overlay, m->HireWindows[k]->DragPicture); }
    std::int32_t DragWindowTo(MM* m, std::uint32_t k, SPRITENODE* target) { return Drag(m, m->HireWindows[k], target); }
    static std::string SpinnerText(MM* m) { return m->Spinner->Value->Line(0); }
};

TEST_F(MercTest, HiringDismissingAndOrdersForOneShipOrAll)
{
    MM* m = OpenManager();
    EXPECT_EQ(m->Selection, MM::kNone);
    EXPECT_EQ(m->CheckBoxes[0]->Disabled, 1);
    EXPECT_EQ(m->CheckBoxes[0]->Property19, 2u);
    EXPECT_EQ(m->Spinner->Disabled, 1);
    EXPECT_EQ(SpinnerText(m), "");
    EXPECT_EQ(m->AllWindow->Disabled, 1);

    EXPECT_EQ(DragNewShipTo(m, 1), 2);
    EXPECT_EQ(m->LastSound, "dragdrop");
    EXPECT_TRUE(MM::Hired(1));
    EXPECT_EQ(m->Selection, 1);
    EXPECT_EQ(Record(1).Duty, 1u);
    EXPECT_EQ(Record(1).Risk, 1u);
    EXPECT_EQ(Record(1).Approach, 1u);
    EXPECT_EQ(m->Radios[5]->Property19, 1u);  // Patrol
    EXPECT_EQ(m->Radios[7]->Property19, 1u);  // Minimize Risk
    EXPECT_EQ(m->Radios[0]->Disabled, 1);     // no attack yet: its group stays off
    EXPECT_EQ(SpinnerText(m), "1");
    EXPECT_EQ(m->AllWindow->Disabled, 0);
    EXPECT_EQ(m->HireWindows[1]->Highlight->State, 3);

    // A hired window is no drop target for a new ship, nor for its own drag.
    EXPECT_EQ(DragNewShipTo(m, 1), 1);
    EXPECT_EQ(DragWindowTo(m, 1, m->HireWindows[1]->DragPicture), 1);

    // Orders for slot 1: Attack turns on Station; Ships replaces it; Defend then Chase.
    Click(m->CheckBoxes[0]);
    EXPECT_EQ(Record(1).AttackOn, 1);
    EXPECT_EQ(Record(1).AttackTarget, 1u);
    EXPECT_EQ(m->Radios[0]->Property19, 1u);
    EXPECT_EQ(m->Radios[0]->Disabled, 0);
    Click(m->Radios[1]);
    EXPECT_EQ(Record(1).AttackTarget, 2u);
    EXPECT_EQ(m->Radios[0]->Property19, 0u);
    Click(m->CheckBoxes[1]);
    Click(m->Radios[4]);
    EXPECT_EQ(Record(1).DefendMode, 2u);
    Click(m->CheckBoxes[0]);  // Attack off: the target is forgotten
    EXPECT_EQ(Record(1).AttackOn, 0);
    EXPECT_EQ(Record(1).AttackTarget, 0u);
    EXPECT_EQ(m->Radios[1]->Disabled, 1);

    // The spinner wraps both ways.
    for (int i = 0; i < 7; ++i)
        Click(m->Spinner->Up);
    EXPECT_EQ(SpinnerText(m), "8");
    Click(m->Spinner->Up);
    EXPECT_EQ(Record(1).Approach, 1u);
    Click(m->Spinner->Down);
    EXPECT_EQ(Record(1).Approach, 8u);
    EXPECT_EQ(SpinnerText(m), "8");

    // All three at once.
    m->HireSlot(0);
    EXPECT_EQ(m->Selection, 0);
    Click(m->AllWindow);
    EXPECT_EQ(m->Selection, MM::kAll);
    EXPECT_EQ(m->CheckBoxes[0]->Property19, 2u);
    EXPECT_EQ(SpinnerText(m), "");
    EXPECT_EQ(m->HireWindows[0]->Highlight->State, 2);
    Click(m->CheckBoxes[0]);
    Click(m->Radios[2]);
    for (std::uint32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(Record(k).AttackOn, 1) << k;
        EXPECT_EQ(Record(k).AttackTarget, 3u) << k;
    }
    Click(m->Spinner->Down);
    for (std::uint32_t k = 0; k < 3; ++k)
        EXPECT_EQ(Record(k).Approach, 8u) << k;

    // Dismissing the selected slot moves the selection on, then to nothing.
    Click(m->HireWindows[1]);
    EXPECT_EQ(m->Selection, 1);
    EXPECT_EQ(DragWindowTo(m, 1, m->Dismiss), 2);
    EXPECT_FALSE(MM::Hired(1));
    EXPECT_EQ(Record(1).Approach, 0u);
    EXPECT_EQ(m->Selection, 0);
    EXPECT_EQ(m->Dismiss->Property19, 1u);
    Stall(1.1);
    Frame();
    EXPECT_EQ(m->Dismiss->Property19, 0u);
    EXPECT_EQ(DragWindowTo(m, 1, m->Dismiss), 1);  // a free window carries nothing to dismiss
    m->DismissSlot(0);
    EXPECT_EQ(m->Selection, MM::kNone);
    EXPECT_EQ(m->CheckBoxes[1]->Disabled, 1);
    EXPECT_EQ(m->AllWindow->Disabled, 1);
}

TEST_F(MercTest, ReEnteringRebuildsTheShipAndRestartsItsSpin)
{
    Record(2).Hired = 1;
    Record(2).Risk = 2;
    MM* m = OpenManager();
    EXPECT_EQ(m->Selection, 2);
    EXPECT_EQ(m->Radios[8]->Property19, 1u);  // Maximize Risk, kept from the table
    GAMENODE* ship = m->Ships->Ship();
    ASSERT_NE(ship, nullptr);
    QNWEAK<GAMENODE> first(ship);
    const QNVEC3 nose0 = QNVEC3::TransformNormal(QNVEC3(0, 0, 1), ship->GetWorldMatrix());
    Frames(30);
    const QNVEC3 nose1 = QNVEC3::TransformNormal(QNVEC3(0, 0, 1), ship->GetWorldMatrix());
    // Half a second at one radian a second about the vertical.
    EXPECT_NEAR(std::acos(std::min(1.0f, QNVEC3::Dot(nose0, nose1))), 0.5f, 0.05f);
    EXPECT_NEAR(nose1.y, 0.0f, 1e-3f);

    Leave();
    EXPECT_EQ(MercenaryState.ScreenLeft, 1u);
    EXPECT_FALSE(first);
    Enter(m);
    GAMENODE* again = m->Ships->Ship();
    ASSERT_NE(again, nullptr);
    EXPECT_NEAR(PhysicsBodyOf(again)->GetAngularVelocity().y, 1.0f, 1e-5f);
    EXPECT_EQ(m->Selection, 2);
    EXPECT_TRUE(MM::Hired(2));
}

}  // namespace
