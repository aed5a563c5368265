// The space suit at a site: worn, it carries the HUD, the helmet and the view's camera and keeps
// the sky on itself; thrust plays its sound once per new thrust and stops it once; turns are
// clamped; a suit the camera does not follow stays silent.

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/resource/qndisk.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/view.h"
#include "engine/sound/qnsound.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/stars.h"
#include "game/vehicles/suit.h"
#include "game/vehicles/suit_hud.h"
#include "game/world/path_planner.h"
#include "game/world/site.h"
#include "tests/game/game_test_util.h"

namespace {

class SuitTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        QNDISK::MakeTempFolder();
        InitPathPlanners();
        MakeScene([](QNRESOURCES& r) {
            SITE::RegisterMedia(r);
            RegisterSkyMedia(r);
            RegisterConsoleFont(r);
            HUD::LoadResources(r);
            SUIT::LoadResources(r);
        }, 1);
        site = new SITE(scene->GetView(0)->Root, 0, 0);
        site->SetState(3, 0, false, true);
        SUIT::ResetSharedThrust();
    }
    void TearDown() override
    {
        GameSceneTest::TearDown();
        FreePathPlanners();
        QNDISK::RemoveTempFolder();
    }
    // A suit 30 units above the site's origin, shown in `mode`.
    SUIT* MakeSuit(std::uint32_t mode, float x = 0.0f)
    {
        QNMATRIX at;
        at.SetTranslation(x, 30.0f, 0.0f);
        at = at * site->GetWorldMatrix();
        auto* suit = new SUIT(site, &at, 0);
        suit->SetViewMode(mode);
        suit->SetState(3, 0, false, true);
        return suit;
    }
    QNSOUND* Sound(const char* name) { return scene->Resources.FindSound(name); }
    /// The suit's own sound is the breathing, and it plays.
    bool Breathing(SUIT* suit)
    {
        return suit->Sound && suit->Sound->Segment() == Sound("suitbreath")->Segment() && suit->Sound->IsPlaying();
    }

    SITE* site = nullptr;
};

TEST_F(SuitTest, WornSuitThrustsWithOneSoundPerThrustAndClampsItsTurns)
{
    SUIT* suit = MakeSuit(VIEWMODE_INSIDE);
    auto* stars = new STARS(site, QNMATRIX());
    suit->SetSky(stars);
    ASSERT_NE(suit->Hud, nullptr);
    ASSERT_NE(suit->Helmet, nullptr);
    EXPECT_EQ(scene->GetView(0)->CurrentNode.Get(), suit);
    EXPECT_TRUE(Breathing(suit));
    suit->ShowMoney(2500000.0f);
    EXPECT_STREQ(suit->Hud->Money->Text(), "$2.5 M");
    EXPECT_TRUE(suit->ShowInventoryItem(12));
    EXPECT_EQ(suit->Hud->Inventory->Count, 1u);
    suit->MessageLine()->Post("Freighter called");
    Frame();
    EXPECT_STREQ(suit->MessageLine()->Shown(), "Freighter called");

    // Forward thrust held for half a second: one start, the suit moves along its own z axis,
    // the sky comes along.
    const QNVEC3 start = suit->GetWorldMatrix().Translation();
    for (int i = 0; i < 30; ++i) {
        suit->AddThrust(QNVEC3(0, 0, 3));
        Frame();
    }
    EXPECT_EQ(suit->ThrustStarts, 1u);
    EXPECT_TRUE(Sound("suitthrust")->IsPlaying());
    const QNVEC3 moved = suit->GetWorldMatrix().Translation() - start;
    EXPECT_GT(moved.z, 0.05f);
    EXPECT_LT(std::fabs(moved.x) + std::fabs(moved.y), moved.z * 0.01f);
    EXPECT_LT((stars->GetWorldMatrix().Translation() - suit->GetWorldMatrix().Translation()).Length(), 0.5f);

    // A new direction starts the sound again; letting go stops it once.
    suit->AddThrust(QNVEC3(3, 0, 3));
    Frame();
    EXPECT_EQ(suit->ThrustStarts, 2u);
    Frames(10);
    EXPECT_EQ(suit->ThrustStops, 1u);
    EXPECT_FALSE(Sound("suitthrust")->IsPlaying());

    // A turn of (9, -9, 9) acts as (5, -5, 4): the spin takes that direction (the suit's box
    // turns alike about every axis).
    suit->AddTurn(QNVEC3(9, -9, 9));
    Frame();
    const QNVEC3 spin = QNVEC3::TransformNormal(PhysicsBodyOf(suit)->GetAngularVelocity(),
                                                suit->GetWorldMatrix().Inverse());
    ASSERT_GT(spin.Length(), 0.0f);
    EXPECT_NEAR(spin.y / spin.x, -1.0f, 0.02f);
    EXPECT_NEAR(spin.z / spin.x, 0.8f, 0.02f);

    // Taken off, the suit drops its HUD, helmet and breath; the overlay toggle is ignored.
    suit->SetViewMode(VIEWMODE_OUTSIDE);
    EXPECT_EQ(suit->Hud, nullptr);
    EXPECT_EQ(suit->Helmet, nullptr);
    EXPECT_EQ(suit->MessageLine(), nullptr);
    EXPECT_FALSE(suit->ShowInventoryItem(12));
    EXPECT_FALSE(Breathing(suit));
    suit->ToggleOverlay();
    EXPECT_EQ(suit->OverlayShown, 1);
}

TEST_F(SuitTest, ASuitTheCameraDoesNotFollowStaysSilent)
{
    SUIT* worn = MakeSuit(VIEWMODE_INSIDE);
    SUIT* other = MakeSuit(VIEWMODE_OUTSIDE, 10.0f);
    ASSERT_EQ(scene->GetView(0)->CurrentNode.Get(), worn);
    for (int i = 0; i < 20; ++i) {
        other->AddThrust(QNVEC3(0, 3, 0));
        Frame();
    }
    Frames(5);
    EXPECT_EQ(other->ThrustStarts, 0u);
    EXPECT_EQ(other->ThrustStops, 0u);
    EXPECT_FALSE(Sound("suitthrust")->IsPlaying());
    EXPECT_GT(other->GetWorldMatrix().Translation().y, site->GetWorldMatrix().Translation().y + 30.05f);

    // The worn suit's helmet overlay toggles; deleting the worn suit leaves the view without
    // a dangling camera.
    ASSERT_NE(worn->Helmet, nullptr);
    worn->ToggleOverlay();
    EXPECT_EQ(worn->OverlayShown, 0);
    EXPECT_NE(worn->Helmet->State, 3);
    worn->ToggleOverlay();
    EXPECT_EQ(worn->Helmet->State, 3);
    QNITEM::Destroy(worn);
    EXPECT_EQ(scene->GetView(0)->CurrentNode.Get(), nullptr);
}

}  // namespace
