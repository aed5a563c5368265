// The build store, a black-market store and the mercenary manager of the program's own game,
// worked by the pointer as a player works it: the left button goes down, the pointer moves with it held, the button comes
// up, all as scripted platform events. A press is the button going down over an element; what
// the pointer slides onto with the button held is not pressed, and a drop reaches the element
// under the pointer.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "engine/physics/sprite_node.h"
#include "engine/scene/mercenary_state.h"
#include "game/screens/backdrop.h"
#include "game/screens/black_market.h"
#include "game/screens/merc_manager.h"
#include "game/screens/store_catalogues.h"
#include "game/screens/store_elements.h"
#include "game/screens/store_screen.h"
#include "tests/e2e/road/road.h"

namespace {

using namespace road;
using MM = MERCENARYMANAGER;

// Frames a step waits for its keys or pointer events to be read and acted on.
constexpr std::uint64_t kSettle = 6;
// A store closes once its click has played out.
constexpr std::uint64_t kClose = 16;

void MoveAt(std::uint64_t pass, float x, float y)
{
    int px = 0, py = 0;
    ScreenPixel(x, y, &px, &py);
    Script().MouseMotion(px, py, 0, 0, pass);
}

void ButtonAt(std::uint64_t pass, bool down, float x, float y)
{
    int px = 0, py = 0;
    ScreenPixel(x, y, &px, &py);
    Script().MouseButton(down, SDL_BUTTON_LEFT, px, py, pass);
}

/// The pointer onto (x0, y0) in the next frame and the left button down two frames later; then,
/// with the button held, `steps` frames of moves along the line to (x1, y1). Returns the frames
/// the gesture takes.
std::uint64_t PressAndSlide(float x0, float y0, float x1, float y1, std::uint64_t steps)
{
    const std::uint64_t at = Script().Pass() + 1;
    MoveAt(at, x0, y0);
    ButtonAt(at + 2, true, x0, y0);
    for (std::uint64_t i = 1; i <= steps; ++i) {
        const float t = float(i) / float(steps);
        MoveAt(at + 3 + i, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t);
    }
    return 4 + steps;
}

/// The left button up where the pointer is, in the next frame.
void ReleaseAt(float x, float y)
{
    ButtonAt(Script().Pass() + 1, false, x, y);
}

/// A whole drag: press at (x0, y0), slide to (x1, y1), release there.
std::uint64_t Drag(float x0, float y0, float x1, float y1, std::uint64_t steps)
{
    const std::uint64_t frames = PressAndSlide(x0, y0, x1, y1, steps);
    ButtonAt(Script().Pass() + frames + 1, false, x1, y1);
    return frames + 1;
}

MM* Manager()
{
    return dynamic_cast<MM*>(QNSCENE::Current);
}

STORESCREEN* Store()
{
    return dynamic_cast<STORESCREEN*>(QNSCENE::Current);
}

QNVEC3 At(const QNNODE* node)
{
    return node->GetWorldMatrix().Translation();
}

// The middle of product window `slot` of the current store.
QNVEC3 SlotMiddle(std::uint32_t slot)
{
    const STORESCREEN* s = Store();
    return QNVEC3(s->Design.Slots[slot][0] + BOOMPIVOT::kSlotWidth / 2,
                  s->Design.Slots[slot][1] - BOOMPIVOT::kSlotHeight / 2, 0.0f);
}

// The facing of the selected preview's pivot (changes while the preview spins).
QNVEC3 PivotFacing()
{
    const STORESCREEN* s = Store();
    const GAMENODE* pivot = s && s->Selected ? s->Selected->Pivot.Get() : nullptr;
    return pivot ? QNVEC3::TransformNormal(QNVEC3(0, 0, 1), pivot->GetWorldMatrix()) : QNVEC3(0, 0, 0);
}

// Whatever its blink, the build store's blinker is hidden in the preview and overlay passes of a
// frame and follows its blink in the main pass.
void BlinkerInMainPassOnly()
{
    STORESCREEN* s = Store();
    ASSERT_NE(s, nullptr);
    auto* blinker = dynamic_cast<STORESCREEN::BLINKER*>(s->GetView(0)->Root->FindChild("BLINKER"));
    ASSERT_NE(blinker, nullptr);
    for (BOOMPIVOT* pivot : s->Pivots) {
        if (pivot && pivot->Animate()) {
            EXPECT_EQ(blinker->State, 2) << "the blinker is drawn into preview window " << pivot->Slot;
        }
    }
    s->SetPassVisibility(STOREPASS::OVERLAY);
    EXPECT_EQ(blinker->State, 2) << "the blinker is drawn over the previews";
    s->SetPassVisibility(STOREPASS::MAIN);
    EXPECT_EQ(blinker->State, blinker->Lit ? 3 : 2);
}

void ClickFirstProduct()
{
    const QNVEC3 at = SlotMiddle(0);
    ClickScreen(at.x, at.y);
}

struct RUN;
void ShowsFirstProduct(const std::shared_ptr<RUN>& run);

struct RUN {
    float Cash = 0.0f;
    float Money = 0.0f;
    QNVEC3 Facing;
    QNVEC3 Drop;
    std::vector<const SPRITENODE*> Focused;  ///< each sprite that took the focus in the store
};

// The current store shows the product of its first window, selected, with its preview.
void ShowsFirstProduct(const std::shared_ptr<RUN>& run)
{
    STORESCREEN* s = Store();
    ASSERT_NE(s, nullptr);
    const CATALOGUEPRODUCT* p = s->ProductOfEntry(s->PageStart);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(s->NameText.Get()->Line(0), p->Name);
    EXPECT_EQ(s->NameText.Get()->Line(1), p->Category);
    char price[32];
    std::snprintf(price, sizeof price, "$%.1fm", double(p->Price) * 0.000001);
    EXPECT_EQ(s->PriceText.Get()->Line(0), price);
    ASSERT_EQ(s->Selected, s->Pivots[0]) << "the product's preview is not selected";
    run->Facing = PivotFacing();
}

// The black market's button of store `index` (-1 the exit), or null.
const BLACKMARKET::MARKETBUTTON* MarketButton(std::int32_t index)
{
    if (!SceneIs("BLACKMARKET"))
        return nullptr;
    QNITEM* root = QNSCENE::Current->GetView(0)->Root;
    for (QNITEM* i = root; i; i = QNITEM::Next(root, i))
        if (auto* b = dynamic_cast<const BLACKMARKET::MARKETBUTTON*>(i); b && b->Index == index)
            return b;
    return nullptr;
}

std::vector<ROADSTEP> MarketSteps(const std::shared_ptr<RUN>& run)
{
    auto click = [](std::int32_t index) {
        return [index] {
            const BLACKMARKET::MARKETBUTTON* b = MarketButton(index);
            ASSERT_NE(b, nullptr);
            ClickScreen(At(b).x, At(b).y);
        };
    };
    return {
        // Set by the test: the market opened as its portal opens it for a ship flying through.
        {"the black market opens", [] { QNSCENE::RequestPush("BLACKMARKET"); }, 2,
         [] { ASSERT_TRUE(SceneIs("BLACKMARKET")); }},
        {"its station-weapon store by the pointer", click(0), 10,
         [] { ASSERT_TRUE(SceneIs("STATIONWEAPONSTORE")); }},
        {"a click on a product shows its name, category and price", &ClickFirstProduct, kSettle,
         [=] { ShowsFirstProduct(run); }},
        {"its preview turns", nullptr, 25,
         [=] {
             EXPECT_NEAR(std::acos(std::fmin(1.0f, QNVEC3::Dot(PivotFacing(), run->Facing))), 0.5f, 0.1f);
         }},
        {"Escape cancels back to the market", [] { Key(SDLK_ESCAPE); }, kClose,
         [] { EXPECT_TRUE(SceneIs("BLACKMARKET")); }},
        {"the market's exit", click(-1), 10, [] { EXPECT_TRUE(SceneIs("SPACE")); }},
    };
}

std::vector<ROADSTEP> MercenarySteps(const std::shared_ptr<RUN>& run)
{
    const auto ship = [] { return At(Manager()->Overlay); };
    const auto window = [](std::uint32_t k) { return At(Manager()->HireWindows[k]); };
    return {
        {"F3 opens the mercenary manager", [] { Key(SDLK_F3); }, kSettle,
         [] {
             ASSERT_NE(Manager(), nullptr);
             ASSERT_FALSE(MM::Hired(0));
         }},
        {"the ship dragged onto a free window, the button still held",
         [=] {
             const QNVEC3 from = ship(), to = window(0);
             run->Drop = to;
             PressAndSlide(from.x, from.y, to.x, to.y, 8);
         },
         16,
         [] {
             MM* m = Manager();
             ASSERT_NE(m, nullptr);
             std::uint32_t carried = 0;
             EXPECT_TRUE(m->DragIcon->Carried(&carried)) << "the drag did not begin";
             EXPECT_EQ(carried, MM::kNewShip);
             EXPECT_FALSE(MM::Hired(0)) << "hired when the pointer entered the window";
             EXPECT_EQ(m->Selection, MM::kNone);
         }},
        {"dropped: the window hires", [=] { ReleaseAt(run->Drop.x, run->Drop.y); }, kSettle,
         [] {
             MM* m = Manager();
             ASSERT_NE(m, nullptr);
             EXPECT_TRUE(MM::Hired(0));
             EXPECT_EQ(m->Selection, 0);
             EXPECT_EQ(m->LastSound, "dragdrop");
             EXPECT_EQ(QNSCENE::GetKeyboardTarget(), nullptr);
         }},
        {"a drag from Attack across Defend ticks Attack only",
         [] {
             MM* m = Manager();
             const QNVEC3 attack = At(m->CheckBoxes[0]), defend = At(m->CheckBoxes[1]);
             Drag(attack.x, attack.y, defend.x, defend.y, 10);
         },
         20,
         [] {
             MM* m = Manager();
             ASSERT_NE(m, nullptr);
             EXPECT_EQ(MercenaryState.Records[0].AttackOn, 1);
             EXPECT_EQ(MercenaryState.Records[0].DefendOn, 0) << "Defend was ticked by a slide onto it";
             EXPECT_EQ(m->CheckBoxes[1]->Property19, 0u);
         }},
        {"the hired window dragged onto DISMISS",
         [=] {
             MM* m = Manager();
             const QNVEC3 from = window(0), to = At(m->Dismiss);
             Drag(from.x, from.y, to.x, to.y, 12);
         },
         22,
         [] {
             MM* m = Manager();
             ASSERT_NE(m, nullptr);
             EXPECT_FALSE(MM::Hired(0)) << "the drop on DISMISS did not dismiss";
             EXPECT_EQ(m->Selection, MM::kNone);
             EXPECT_EQ(m->Dismiss->Property19, 1u);
             EXPECT_EQ(m->LastSound, "dragdrop");
         }},
        {"the exit button closes the manager",
         [] {
             const auto* exit = static_cast<QNNODE*>(Manager()->GetView(0)->Root->FindChild("EXITBUTTON"));
             ASSERT_NE(exit, nullptr);
             ClickScreen(At(exit).x, At(exit).y);
         },
         10, [] { EXPECT_TRUE(SceneIs("SPACE")); }},
    };
}

std::vector<ROADSTEP> StoreSteps(const std::shared_ptr<RUN>& run)
{
    STOREORDER& order = StoreOrders[STORE_BUILD];
    return {
        {"three starting items sold for room in the cart",
         [] {
             for (std::uint64_t i = 0; i < 3; ++i)
                 HoldKeyAt(Script().Pass() + 1 + 3 * i, SDLK_1, 1, true);
         },
         12, [] { ASSERT_EQ(PlayerCompany->ItemCount(), COMPANY::kInventorySize - 3); }},
        {"F2 opens the build store",
         [=] {
             run->Money = PlayerCompany->Money();
             Key(SDLK_F2);
         },
         kSettle,
         [=, &order] {
             ASSERT_NE(Store(), nullptr);
             ASSERT_GE(Store()->ShownCount, 3u);
             run->Cash = order.Cash;
         }},
        {"a slide across three windows with the button held",
         [] {
             // From the left of the first window, across the upper row to the right of the third.
             const float y = SlotMiddle(0).y;
             Drag(-660.0f, y, 660.0f, y, 24);
         },
         34,
         [=, &order] {
             STORESCREEN* s = Store();
             ASSERT_NE(s, nullptr);
             EXPECT_EQ(order.TotalQuantity(), 0u) << "a window the pointer slid onto added a unit";
             EXPECT_EQ(order.Cash, run->Cash) << "the slide was charged";
             EXPECT_EQ(s->UnitsInCart, 0u);
         }},
        {"a click on a product shows its name, category and price", &ClickFirstProduct, kSettle,
         [=, &order] {
             ShowsFirstProduct(run);
             EXPECT_EQ(order.Products[0].Quantity, 1u);
         }},
        {"its preview turns", nullptr, 25,
         [=] {
             const QNVEC3 now = PivotFacing();
             // Half a second at one radian a second.
             EXPECT_NEAR(std::acos(std::fmin(1.0f, QNVEC3::Dot(now, run->Facing))), 0.5f, 0.1f);
         }},
        {"the blinker lights the main pass only", nullptr, 1, &BlinkerInMainPassOnly},
        {"a second later, blinking the other way", nullptr, 55, &BlinkerInMainPassOnly},
        {"Tab walks the store's elements, never the blinker nor the backdrop",
         [] {
             for (std::uint64_t i = 0; i < 12; ++i)
                 HoldKeyAt(Script().Pass() + 1 + 2 * i, SDLK_TAB, 1);
         },
         26,
         [=] {
             ASSERT_NE(Store(), nullptr);
             EXPECT_GE(run->Focused.size(), 10u) << "Tab did not move the focus";
             for (const SPRITENODE* s : run->Focused) {
                 EXPECT_EQ(dynamic_cast<const STORESCREEN::BLINKER*>(s), nullptr) << "Tab stopped at the blinker";
                 EXPECT_EQ(dynamic_cast<const BACKDROP*>(s), nullptr) << "Tab stopped at the backdrop";
             }
         }},
        {"CANCEL closes the store", [] { Key(SDLK_ESCAPE); }, kClose,
         [=] {
             EXPECT_TRUE(SceneIs("SPACE"));
         }},
    };
}

TEST(ScreenPointer, DragsAndClicksInTheMercenaryManagerAndTheStores)
{
    ReportToTest();
    auto run = std::make_shared<RUN>();
    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] {
                                        ASSERT_NE(PlayerCompany, nullptr);
                                        ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
                                    }}};
    Append(steps, MercenarySteps(run));
    Append(steps, StoreSteps(run));
    Append(steps, MarketSteps(run));
    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 2000;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) {
        const SPRITENODE* focus = QNAPP::Focus.Get();
        if (Store() && focus && (run->Focused.empty() || run->Focused.back() != focus))
            run->Focused.push_back(focus);
        return road.Frame();
    };
    EXPECT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    EXPECT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
