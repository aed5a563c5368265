// The HUD elements in a headless scene: money text and colour, panels and the clutter they hide,
// ranking order, locator aim, marker range blinking and removal, meters and the suit inventory.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/scene/queued_message.h"
#include "engine/scene/view.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/hud_marker.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/hud_meter.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/ranking_display.h"
#include "game/vehicles/site_indicator.h"
#include "game/vehicles/suit_hud.h"
#include "tests/game/game_test_util.h"

namespace {

class HudTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        MakeScene([](QNRESOURCES& r) {
            RegisterConsoleFont(r);
            HUD::LoadResources(r);
            SUITHUD::LoadResources(r);
        }, 1);
        root = scene->GetView(0)->Root;
        viewer = new GAMENODE(root, "VIEWER", 1, 0x2000004, 0, 0, &QNMATRIX::Identity, 0);
        viewer->SetState(3, 0, false, true);
        scene->GetView(0)->CurrentNode = viewer;
        hud = new SUITHUD(root);
        hud->SetState(3, 0, false, true);
        // Markers and locators project through the display's last view and projection: draw
        // once so that they are this scene's, not those a test before left behind.
        scene->FieldOfView = 1.0f;
        scene->NearPlane = 0.2f;
        scene->FarPlane = 1000.0f;
        Render();
    }
    static bool Shown(const QNNODE* n) { return n->State == 3; }

    GAMENODE* root = nullptr;
    GAMENODE* viewer = nullptr;
    SUITHUD* hud = nullptr;
};

TEST_F(HudTest, MoneyTextAndColourForAnyAmount)
{
    char text[64];
    EXPECT_FALSE(MONEYDISPLAY::Format(0.0f, text, sizeof text));
    EXPECT_STREQ(text, "$0.0 M");
    EXPECT_TRUE(MONEYDISPLAY::Format(-2500000.0f, text, sizeof text));
    EXPECT_STREQ(text, "-$2.5 M");
    EXPECT_FALSE(MONEYDISPLAY::Format(3.4e38f, text, sizeof text));  // bounded, no overflow
    EXPECT_GT(std::strlen(text), 30u);
    EXPECT_EQ(std::strncmp(text, "$3", 2), 0);

    hud->Money->SetValue(-1050000.0f);
    EXPECT_STREQ(hud->Money->Text(), "-$1.1 M");
    EXPECT_EQ(hud->Money->Colour, scene->Resources.FindColour("hud_moneydisplay_neg"));
    hud->Money->SetValue(12000000.0f);
    EXPECT_STREQ(hud->Money->Text(), "$12.0 M");
    EXPECT_EQ(hud->Money->Colour, scene->Resources.FindColour("hud_moneydisplay_pos"));
}

TEST_F(HudTest, PanelsHideTheClutterAndRankStably)
{
    ASSERT_TRUE(Shown(hud->LowerLine));
    ASSERT_TRUE(Shown(hud->Locator));
    hud->Ranking->Records[0] = {0, 0, 5.0f};
    hud->Ranking->Records[1] = {1, 1, 9.0f};
    hud->Ranking->Records[2] = {2, 2, 5.0f};
    hud->Ranking->Records[3] = {3, 3, -1.0f};
    hud->ShowPanel(true, hud->Ranking);
    EXPECT_TRUE(Shown(hud->Ranking));
    EXPECT_FALSE(Shown(hud->LowerLine));
    EXPECT_FALSE(Shown(hud->Locator));
    EXPECT_FALSE(Shown(hud->OwnLocator));
    EXPECT_TRUE(Shown(hud->MarkerManager));
    EXPECT_TRUE(Shown(hud->SiteIndicator));
    // 9, then the two fives in their earlier order, then the debt.
    EXPECT_EQ(hud->Ranking->Order[0], &hud->Ranking->Records[1]);
    EXPECT_EQ(hud->Ranking->Order[1], &hud->Ranking->Records[0]);
    EXPECT_EQ(hud->Ranking->Order[2], &hud->Ranking->Records[2]);
    EXPECT_EQ(hud->Ranking->Lines[3]->ColourIcon->Index, 3u);
    EXPECT_STREQ(hud->Ranking->Lines[0]->Money->Text(), "$0.0 M");

    // Showing it again changes nothing; a second panel replaces it and keeps the clutter hidden.
    hud->ShowPanel(true, hud->Ranking);
    EXPECT_TRUE(Shown(hud->Ranking));
    RANKINGDISPLAY other(root);
    other.SetState(3, 0, false, false);
    hud->ShowPanel(true, &other);
    EXPECT_FALSE(Shown(hud->Ranking));
    EXPECT_TRUE(Shown(&other));
    EXPECT_FALSE(Shown(hud->LowerLine));
    hud->ShowPanel(false, nullptr);
    EXPECT_FALSE(Shown(&other));
    EXPECT_TRUE(Shown(hud->LowerLine));
    EXPECT_TRUE(Shown(hud->Locator));
    EXPECT_TRUE(Shown(hud->CollShipIndicator) == false);  // still hidden by its own vote
}

TEST_F(HudTest, LocatorAimAndTargetLoss)
{
    float turn = 0.0f;
    EXPECT_FALSE(LOCATOR::Aim(QNVEC3(0, 0, 150), &turn));  // ahead and near
    EXPECT_TRUE(LOCATOR::Aim(QNVEC3(0, 0, 250), &turn));   // ahead and far: no turn
    EXPECT_FLOAT_EQ(turn, 0.0f);
    EXPECT_TRUE(LOCATOR::Aim(QNVEC3(0, 0, -5), &turn));    // behind: always shown
    LOCATOR::Aim(QNVEC3(0, 0, 0), &turn);                  // no direction: no NaN
    EXPECT_FALSE(std::isnan(turn));

    auto* target = new GAMENODE(root, "TARGET", 1, 0x2000004, 0, 0, &QNMATRIX::Identity, 0);
    target->SetState(3, 0, false, true);
    target->SetTranslation(QNVEC3(300, 0, 0));  // to the right
    const float green[3] = {0, 1, 0};
    LOCATOR* locator = AddLocator(hud->LocatorManager, nullptr, 90.0f, green);
    locator->SetState(3, 0, false, true);
    Frame();
    EXPECT_FALSE(Shown(locator));  // nothing to point at
    locator->SetTarget(target);
    Frame();
    EXPECT_TRUE(Shown(locator));
    const QNVEC3 arrow = locator->Arrow->GetWorldMatrix().Translation() - locator->GetWorldMatrix().Translation();
    EXPECT_NEAR(arrow.Length(), 90.0f, 1e-3f);
    EXPECT_GT(arrow.x, 89.0f);  // the arrow points to the right
    delete target;
    Frame();
    EXPECT_TRUE(locator->TargetLost);
    EXPECT_FALSE(Shown(locator));
}

TEST_F(HudTest, RangedMarkerBlinksInRangeAndGoesWithItsTarget)
{
    // The target has a shape, so that its box is where it is (a node without one has none).
    auto* target = new GAMENODE(root, "TARGET", 1, 0x2000004, 0, 0, &QNMATRIX::Identity, 0);
    target->SetMesh("hud_marker_small");
    target->SetState(3, 0, false, true);
    MARKER* marker = AddMarker(hud->MarkerManager, target, 1, 0.0f);
    ASSERT_NE(dynamic_cast<RANGEDMARKER*>(marker), nullptr);
    EXPECT_EQ(FindMarker(hud->MarkerManager, target), marker);
    marker->SetState(3, 0, false, true);

    auto visibleShare = [&](float distance) {
        target->SetTranslation(QNVEC3(0, 0, distance));
        int shown = 0;
        for (int i = 0; i < 60; ++i) {
            Frame();
            shown += Shown(marker) ? 1 : 0;
        }
        return shown;
    };
    const int near = visibleShare(30), mid = visibleShare(80), far = visibleShare(130);
    EXPECT_EQ(near, 60);
    EXPECT_EQ(far, 60);
    EXPECT_GT(mid, 10);
    EXPECT_LT(mid, 50);

    delete target;
    Frame();
    Frame();
    EXPECT_EQ(FindMarker(hud->MarkerManager, nullptr), nullptr);
    EXPECT_EQ(hud->MarkerManager->FirstChild(), nullptr);
}

TEST_F(HudTest, MetersProgressAndInventory)
{
    HUDMETER meter(root, "METER", 1, QNMATRIX::Identity, 0, "suithud_progressmeter", 5, 0.0f, 1.0f);
    meter.SetValue(0.5f);
    EXPECT_EQ(meter.ShownFrame, 2u);
    meter.SetValue(1.2f);
    EXPECT_EQ(meter.ShownFrame, 4u);
    EXPECT_FLOAT_EQ(meter.Value, 1.0f);
    meter.SetValue(-0.3f);
    EXPECT_EQ(meter.ShownFrame, 0u);

    hud->SetProgress(0.0f);
    EXPECT_FALSE(Shown(hud->Progress));
    hud->SetProgress(0.5f);
    EXPECT_TRUE(Shown(hud->Progress));
    EXPECT_EQ(hud->Progress->ShownFrame, 4u);

    for (std::uint32_t type : {11u, 14u, 15u, 64u, 0u})
        EXPECT_TRUE(hud->Inventory->AddItem(type));
    EXPECT_FALSE(hud->Inventory->AddItem(12));
    EXPECT_EQ(hud->Inventory->Count, 5u);
    EXPECT_EQ(hud->Inventory->Cells[0], 7);   // beam
    EXPECT_EQ(hud->Inventory->Cells[1], 16);  // generator
    EXPECT_EQ(hud->Inventory->Cells[3], 2);   // collector ship
    EXPECT_EQ(SUITINVENTORY::CellOf(24), 0);
    EXPECT_EQ(SUITINVENTORY::CellOf(99), -1);
    EXPECT_TRUE(Shown(hud->Inventory->Labels[4]));
    hud->Inventory->RemoveItems();
    EXPECT_EQ(hud->Inventory->Count, 0u);
    for (std::uint32_t i = 0; i < SUITINVENTORY::kCapacity; ++i) {
        EXPECT_FALSE(Shown(hud->Inventory->Icons[i]));
        EXPECT_FALSE(Shown(hud->Inventory->Labels[i]));
    }
}

TEST_F(HudTest, MessagesReachTheLowerLine)
{
    hud->Message("Collected %s %s", "Red", "Oglamite");
    Frame();
    EXPECT_STREQ(hud->LowerLine->Shown(), "Collected Red Oglamite");
}

}  // namespace

namespace {

// The suit HUD drawn over an empty view: reticle in the centre, money at the top right,
// inventory icons down the right edge, all in the overlay pass.
TEST_F(HudTest, SuitHudDrawsItsElementsInTheOverlay)
{
    hud->Money->SetValue(-1050000.0f);
    hud->Inventory->AddItem(14);
    hud->Inventory->AddItem(15);
    Frame();
    Render();
    ASSERT_EQ(width, kWidth);
    const std::uint32_t background = Pixel(2, height / 2);
    // Screen units to pixels: 1333 x 1000 over the frame, y up.
    auto px = [&](float x) { return std::uint32_t((x / 1333.0f + 0.5f) * float(width)); };
    auto py = [&](float y) { return std::uint32_t((0.5f - y / 1000.0f) * float(height)); };
    EXPECT_GT(ShareNot(px(-40), py(40), px(40), py(-40), background), 0.05);         // reticle
    EXPECT_GT(ShareNot(px(260), py(470), px(390), py(430), background), 0.01);      // money text
    EXPECT_LT(ShareNot(px(115), py(465), px(205), py(435), background), 0.002);     // its leading blanks
    EXPECT_GT(ShareNot(px(560), py(490), px(650), py(280), background), 0.10);      // two inventory icons
    EXPECT_LT(ShareNot(px(-600), py(200), px(-400), py(0), background), 0.01);      // nothing there
    EXPECT_LT(ShareNot(px(570), py(-95), px(630), py(-155), background), 0.01);     // no overload
    hud->SetOverload(true);
    Frame();
    Render();
    EXPECT_GT(ShareNot(px(570), py(-95), px(630), py(-155), background), 0.2);
    SavePicture(std::getenv("CORVANE_DUMP_HUD"));
}

}  // namespace
