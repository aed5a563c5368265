// The ship HUD's instruments and its work-order icons and panel, headless.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine/input/qninputmap.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/view.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/hud_meter.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/ranking_display.h"
#include "game/vehicles/ship_hud.h"
#include "game/vehicles/site_indicator.h"
#include "game/world/work_order.h"
#include "tests/game/game_test_util.h"

namespace {

class ShipHudTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        MakeScene([](QNRESOURCES& r) {
            RegisterConsoleFont(r);
            HUD::LoadResources(r);
            SHIPHUD::LoadResources(r);
        }, 1);
        QNINPUTMAP::Create(93);
        ship = new GAMENODE(scene->GetView(0)->Root, "SHIP", 1, 0x2000004, 0, 0, &QNMATRIX::Identity, 0);
        ship->SetState(3, 0, false, true);
        hud = new SHIPHUD(ship);
        hud->SetState(3, 0, false, true);
    }
    void TearDown() override
    {
        QNINPUTMAP::Free();
        GameSceneTest::TearDown();
    }
    static bool Shown(const QNNODE* n) { return n->State == 3; }
    void Press(std::uint32_t action)
    {
        QNINPUTMAP::Binding(action)->Value = 1.0f;
        hud->CycleWorkOrder();
        Frame();
        QNINPUTMAP::Binding(action)->Value = 0.0f;
    }

    GAMENODE* ship = nullptr;
    SHIPHUD* hud = nullptr;
};

TEST_F(ShipHudTest, InstrumentsFollowTheirValues)
{
    // Throttle: clamped, forward in the locator colour, reverse lower and in red.
    hud->SetThrottle(0, 1.5f);
    EXPECT_NEAR((hud->ThrottleArrows[0]->GetLocalMatrix().Translation() - hud->ThrottleBase[0].Translation()).y,
                175.78125f, 1e-3f);
    hud->SetThrottle(1, -1.0f);
    EXPECT_NEAR((hud->ThrottleArrows[1]->GetLocalMatrix().Translation() - hud->ThrottleBase[1].Translation()).y,
                -57.128906f, 1e-3f);
    EXPECT_FLOAT_EQ(hud->ThrottleArrows[1]->OwnColour->Emissive.r, 1.0f);
    EXPECT_FLOAT_EQ(hud->ThrottleArrows[1]->OwnColour->Emissive.g, 0.0f);

    // Countermeters and proximity meters hide at their minimum.
    hud->SetCountermeter(1, 0.0f);
    EXPECT_FALSE(Shown(hud->Countermeters[1]));
    hud->SetCountermeter(1, 0.6f);
    EXPECT_TRUE(Shown(hud->Countermeters[1]));
    EXPECT_EQ(hud->Countermeters[1]->Meter->ShownFrame, 2u);
    hud->SetCountermeter(7, 1.0f);  // out of range: nothing
    hud->SetProximity(0, 0.5f);
    EXPECT_TRUE(Shown(hud->Proximity[0]));
    EXPECT_FLOAT_EQ(PROXMETER::Fill(0.5f, 0.0f, 1.0f), 0.5f);
    EXPECT_FLOAT_EQ(PROXMETER::Fill(3.0f, 0.0f, 1.0f), 1.0f);
    // The bar fills from its lower edge: its bottom stays at -133.33 while its top moves.
    const QNMATRIX bar = hud->Proximity[0]->Bar->GetLocalMatrix();
    EXPECT_NEAR(QNVEC3::TransformCoord(QNVEC3(0, -133.3333f, 0), bar).y, -133.3333f, 1e-2f);
    EXPECT_NEAR(QNVEC3::TransformCoord(QNVEC3(0, 133.3333f, 0), bar).y, 0.0f, 1e-2f);
    hud->SetProximity(0, 0.0f);
    EXPECT_FALSE(Shown(hud->Proximity[0]));

    // Canister counter, target site.
    hud->SetCanisterCount(3);
    EXPECT_STREQ(hud->CanisterText, "REC: 3");
    EXPECT_TRUE(Shown(hud->CanisterCounter));
    hud->SetCanisterCount(0);
    EXPECT_FALSE(Shown(hud->CanisterCounter));
    hud->SiteIndicator->Set(2, 1);
    hud->SetTargetSite(2, 3);
    EXPECT_FALSE(Shown(hud->TargetSite));
    hud->SetTargetSite(0, 3);
    EXPECT_TRUE(Shown(hud->TargetSite));
    EXPECT_EQ(hud->TargetSite->CompanyIcon->Index, 3u);
}

TEST_F(ShipHudTest, WeaponSelectorColoursOneIcon)
{
    for (std::uint32_t id : {69u, 71u, 72u})
        hud->Weapons->AddIcon(id);
    EXPECT_TRUE(hud->Weapons->Select(71, false));
    EXPECT_EQ(hud->Weapons->Selected, 1);
    EXPECT_EQ(hud->Weapons->IconOf(71)->Colour, scene->Resources.FindColour("shiphud_selectedweapon"));
    EXPECT_EQ(hud->Weapons->IconOf(69)->Colour, scene->Resources.FindColour("shiphud_unselectedweapon"));
    EXPECT_FALSE(hud->Weapons->Select(74, true));
    EXPECT_EQ(hud->Weapons->Selected, -1);
    for (std::uint32_t id : {69u, 71u, 72u})
        EXPECT_EQ(hud->Weapons->IconOf(id)->Colour, scene->Resources.FindColour("shiphud_unselectedweapon"));

    // A low weapon blinks twice a second.
    hud->Weapons->SetLow(72, true);
    int shown = 0;
    for (int i = 0; i < 60; ++i) {
        Frame();
        shown += Shown(hud->Weapons->IconOf(72)) ? 1 : 0;
    }
    EXPECT_GT(shown, 15);
    EXPECT_LT(shown, 45);
}

TEST_F(ShipHudTest, WorkOrderIconsPanelAndKey)
{
    WORKORDERDATA first, second;
    first.AddLine(0, 0);
    first.AddLine(1, 1);
    first.AddLine(2, 2);
    second.AddLine(3, 0);
    second.AddLine(0, 2);
    hud->SetOrders(&first, &second);

    // Two of three lines collected: no blinking, two checked boxes.
    hud->SetOreMask((1u << OreCell(0, 0)) | (1u << OreCell(1, 1)));
    EXPECT_FALSE(hud->OrderIcons[0]->Blinking);
    EXPECT_FALSE(hud->OrderIcons[1]->Blinking);
    Press(SHIPHUD::kActionWorkOrder);
    EXPECT_EQ(hud->ShownOrder, 1u);
    EXPECT_TRUE(Shown(hud->WorkOrder));
    EXPECT_FALSE(Shown(hud->LowerLine));
    EXPECT_TRUE(hud->WorkOrder->Lines[0].Checked);
    EXPECT_TRUE(hud->WorkOrder->Lines[1].Checked);
    EXPECT_FALSE(hud->WorkOrder->Lines[2].Checked);
    EXPECT_FALSE(Shown(hud->WorkOrder->Lines[3].Text));
    EXPECT_STREQ(hud->WorkOrder->Lines[2].Name, "Blue Netradox");
    EXPECT_NE(std::string(hud->WorkOrder->ValueText).find(" MILLION"), std::string::npos);

    // The key steps order 1, order 2, none.
    Press(SHIPHUD::kActionWorkOrder);
    EXPECT_EQ(hud->ShownOrder, 2u);
    EXPECT_STREQ(hud->WorkOrder->Lines[0].Name, "Yellow Oglamite");
    Press(SHIPHUD::kActionWorkOrder);
    EXPECT_EQ(hud->ShownOrder, 0u);
    EXPECT_FALSE(Shown(hud->WorkOrder));
    EXPECT_TRUE(Shown(hud->LowerLine));

    // Escape with an order shown closes it and is taken; without one it passes through.
    Press(SHIPHUD::kActionWorkOrder);
    QNINPUTMAP::Binding(SHIPHUD::kActionEscape)->Value = 1.0f;
    hud->CycleWorkOrder();
    EXPECT_EQ(hud->ShownOrder, 0u);
    EXPECT_EQ(QNINPUTMAP::Value(SHIPHUD::kActionEscape), 0.0f);
    QNINPUTMAP::Binding(SHIPHUD::kActionEscape)->Value = 1.0f;
    hud->CycleWorkOrder();
    EXPECT_EQ(QNINPUTMAP::Value(SHIPHUD::kActionEscape), 1.0f);
    QNINPUTMAP::Binding(SHIPHUD::kActionEscape)->Value = 0.0f;

    // Showing the ranking while an order is shown resets the shown order.
    Press(SHIPHUD::kActionWorkOrder);
    hud->ShowPanel(true, hud->Ranking);
    EXPECT_EQ(hud->ShownOrder, 0u);
    hud->ShowPanel(false, nullptr);

    // Both filled with equal worth: the second order's icon blinks, the first's does not.
    WORKORDERDATA a, b;
    a.AddLine(0, 1);
    b.AddLine(1, 1);
    ASSERT_EQ(a.Worth(), b.Worth());
    hud->SetOrders(&a, &b);
    hud->SetOreMask(kAllOre);
    EXPECT_FALSE(hud->OrderIcons[0]->Blinking);
    EXPECT_TRUE(hud->OrderIcons[1]->Blinking);
    // Only the less valuable one filled: it blinks.
    b.AddLine(2, 2);
    hud->SetOreMask(1u << OreCell(0, 1));
    EXPECT_TRUE(hud->OrderIcons[0]->Blinking);
    EXPECT_FALSE(hud->OrderIcons[1]->Blinking);
}

TEST_F(ShipHudTest, ApproachCubeReplacesTheRankingAsPanel)
{
    hud->ShowPanel(true, hud->Ranking);
    hud->ShowApproachCube(true);
    ASSERT_NE(hud->ApproachCube, nullptr);
    EXPECT_FALSE(Shown(hud->Ranking));
    EXPECT_EQ(hud->ShownPanel.Get(), hud->ApproachCube);
    hud->ShowApproachCube(false);
    EXPECT_EQ(hud->ApproachCube, nullptr);
    EXPECT_EQ(hud->ShownPanel.Get(), nullptr);
    EXPECT_TRUE(Shown(hud->LowerLine));
}

}  // namespace

namespace {

// The ship HUD drawn over an empty view: reticle, throttle on the right, weapon icons at the
// top right, countermeter at the top, order icons at the top left.
TEST_F(ShipHudTest, ShipHudDrawsItsInstruments)
{
    hud->Weapons->AddIcon(69);
    hud->Weapons->Select(69, false);
    hud->SetThrottle(0, 0.5f);
    hud->SetCountermeter(0, 1.0f);
    hud->Money->SetValue(2500000.0f);
    Frame();
    Render();
    const std::uint32_t background = Pixel(width / 2, height - 2);
    auto px = [&](float x) { return std::uint32_t((x / 1333.0f + 0.5f) * float(width)); };
    auto py = [&](float y) { return std::uint32_t((0.5f - y / 1000.0f) * float(height)); };
    EXPECT_GT(ShareNot(px(-60), py(60), px(60), py(-60), background), 0.05);     // reticle
    EXPECT_GT(ShareNot(px(560), py(40), px(640), py(-400), background), 0.08);   // throttle
    EXPECT_GT(ShareNot(px(560), py(480), px(640), py(400), background), 0.2);    // weapon icon
    EXPECT_GT(ShareNot(px(-250), py(480), px(-150), py(380), background), 0.08); // countermeter 0
    EXPECT_GT(ShareNot(px(-650), py(480), px(-570), py(300), background), 0.2);  // order icons
    EXPECT_LT(ShareNot(px(150), py(-200), px(400), py(-350), background), 0.01); // nothing there
    SavePicture(std::getenv("CORVANE_DUMP_HUD"));
}

}  // namespace
