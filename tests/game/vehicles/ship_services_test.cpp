// What the companies, stores and HUD see of the collector ship: ore pick-up, damage with
// countermeasures, weapons in the rack, view modes, zoom, camera views and the target ahead.

#include <cmath>
#include <string>

#include "game/vehicles/hud_locator.h"
#include "game/vehicles/missile.h"
#include "tests/game/vehicles/ship_fixture.h"

using shiptest::PLAINWEAPON;
using shiptest::RECORDINGHUD;
using shiptest::ShipTest;

TEST_F(ShipTest, OreIsCollectedOnceWithMessagesOnlyForThePlayer)
{
    COLLSHIP* player = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    COLLSHIP* rival = Ship(0, 1, QNVEC3(30, 0, 0), VIEWMODE_OUTSIDE);
    RECORDINGHUD* hud = HudOf(player);
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(rival->Hud, nullptr);

    player->CollectOre(0, 0);
    EXPECT_EQ(player->OreMask(), 1u);
    ASSERT_EQ(hud->Lower.size(), 1u);
    EXPECT_EQ(hud->Lower[0], "Collected Red Oglamite");
    EXPECT_EQ(hud->OreFlashes, 1u);
    EXPECT_EQ(hud->WorkOrderMask, 1u);
    player->CollectOre(0, 0);
    EXPECT_EQ(player->OreMask(), 1u);
    ASSERT_EQ(hud->Lower.size(), 2u);
    EXPECT_EQ(hud->Lower[1], "Red Oglamite Already Collected");
    EXPECT_EQ(hud->OreFlashes, 1u);
    // Bit = kind + 3 x colour; ids outside the tables are ignored.
    player->CollectOre(3, 2);
    EXPECT_EQ(player->OreMask(), 1u | (1u << 11));
    EXPECT_EQ(hud->Lower[2], "Collected Yellow Netradox");
    player->CollectOre(4, 0);
    player->CollectOre(0, 3);
    EXPECT_EQ(player->OreMask(), 1u | (1u << 11));

    rival->CollectOre(1, 1);
    EXPECT_EQ(rival->OreMask(), 1u << 4);
    EXPECT_EQ(hud->Lower.size(), 3u);
}

TEST_F(ShipTest, CountermeasuresAbsorbHitsAndPassTheRestOn)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    RECORDINGHUD* hud = HudOf(ship);
    EXPECT_FLOAT_EQ(hud->Countermeters[0], 0.0f);
    ship->AddCountermeasure(0);
    ship->AddCountermeasure(3);  // no such kind
    EXPECT_FLOAT_EQ(ship->Countermeasure[0], 50.0f);
    EXPECT_FLOAT_EQ(hud->Countermeters[0], 1.0f);

    // A smaller hit is swallowed whole: the meter stays full.
    ship->DamageBallistic(20.0f, 0, 1);
    EXPECT_FLOAT_EQ(ship->Countermeasure[0], 30.0f);
    EXPECT_FLOAT_EQ(ship->Ballistic, COLLSHIP::kCondition);
    EXPECT_FLOAT_EQ(hud->Countermeters[0], 0.6f);
    EXPECT_EQ(ship->HitFlash, 2u);
    // A larger one empties the charge and passes the rest on.
    ship->DamageBallistic(40.0f, 0, 1);
    EXPECT_FLOAT_EQ(ship->Countermeasure[0], 0.0f);
    EXPECT_FLOAT_EQ(ship->Ballistic, COLLSHIP::kCondition - 10.0f);
    EXPECT_FLOAT_EQ(hud->Countermeters[0], 0.0f);
    EXPECT_FALSE(ship->Highlighted);  // 15 of 25 is above the ship's 0.5 threshold
    ship->DamageBallistic(3.0f, 0, 1);
    EXPECT_TRUE(ship->Highlighted);
    EXPECT_EQ(hud->DamageFrame, 2u);
    // Without the absorb flag the charge is not touched.
    ship->AddCountermeasure(1);
    ship->DamageElectronic(5.0f, 1, 0);
    EXPECT_FLOAT_EQ(ship->Countermeasure[1], 50.0f);
    EXPECT_FLOAT_EQ(ship->Electronic, COLLSHIP::kCondition - 5.0f);

    // The proximity meters rise by 0.1 per hit, never past 1, and decay in flight.
    for (int i = 0; i < 15; ++i)
        ship->DamageBallistic(0.0f, 0, 0);
    EXPECT_FLOAT_EQ(ship->Proximity[0], 1.0f);
    EXPECT_FLOAT_EQ(hud->ProximityShown[0], 1.0f);
    // Hits of unknown kinds and of kind 2 raise no meter: meter 2 is the missile warning.
    const float electronic = ship->Proximity[1];
    ship->DamageBallistic(0.0f, 7, 1);
    ship->DamageBallistic(0.0f, 2, 0);
    EXPECT_FLOAT_EQ(ship->Proximity[1], electronic);
    EXPECT_FLOAT_EQ(ship->Proximity[2], 0.0f);
    Frames(60);
    EXPECT_NEAR(ship->Proximity[0], 0.9f, 0.01f);
    Frames(600);
    EXPECT_FLOAT_EQ(ship->Proximity[0], 0.0f);

    // While docked the dock takes the damage.
    ship->SetDocked(true);
    const float before = ship->Ballistic;
    ship->DamageBallistic(5.0f, 0, 0);
    EXPECT_FLOAT_EQ(ship->Ballistic, before);
}

TEST_F(ShipTest, TheMissileWarningFollowsTheNearestMissileHomingOnTheShip)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    COLLSHIP* rival = Ship(0, 1, QNVEC3(0, 40, 0), VIEWMODE_OUTSIDE);
    RECORDINGHUD* hud = HudOf(ship);
    QNNODE* site = ship->ParentNode();
    auto missileAt = [&](const QNVEC3& offset, QNNODE* target) {
        QNMATRIX at;
        at.SetTranslationV(offset);
        at = at * ship->GetWorldMatrix();
        auto* m = new MISSILE(site, &at);
        m->Target = target;
        m->SetState(3, 0, false, true);
        return m;
    };
    // Beyond 100 units the meter stays empty; one on the rival does not count.
    missileAt(QNVEC3(0, 0, 150), ship);
    missileAt(QNVEC3(0, 0, 10), rival);
    Frames(1);
    EXPECT_FLOAT_EQ(hud->ProximityShown[2], 0.0f);
    // 43 units: (100 - 43) / 95 = 0.6; within 5 units it is full.
    missileAt(QNVEC3(43, 0, 0), ship);
    Frames(1);
    EXPECT_NEAR(hud->ProximityShown[2], 0.6f, 0.005f);
    missileAt(QNVEC3(0, -3, 0), ship);
    Frames(1);
    EXPECT_FLOAT_EQ(hud->ProximityShown[2], 1.0f);
}

TEST_F(ShipTest, TheRackInstallsSelectsInOrderAndDropsSpentWeapons)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    RECORDINGHUD* hud = nullptr;
    EXPECT_TRUE(ship->Rack.Has(WEAPON_CHIPPER));  // the outside chipper launcher
    EXPECT_FALSE(ship->InstallWeapon(68));
    EXPECT_FALSE(ship->InstallWeapon(75));
    for (std::uint32_t t : {72u, 70u, 69u, 71u})
        EXPECT_TRUE(ship->InstallWeapon(t)) << t;
    EXPECT_FALSE(ship->InstallWeapon(72));
    EXPECT_TRUE(ship->InstallWeapon(WEAPON_CANISTER));
    EXPECT_FALSE(ship->InstallWeapon(WEAPON_CANISTER));
    EXPECT_EQ(ship->Rack.Count, 5u);
    EXPECT_FALSE(ship->SelectWeapon(12));

    ship->SetViewMode(VIEWMODE_INSIDE);
    hud = HudOf(ship);
    // Entering with nothing selected selects the first in the cyclic order.
    EXPECT_EQ(ship->SelectedWeaponType(), 69u);
    EXPECT_EQ(hud->Icons, (std::vector<std::uint32_t>{69, 71, 72, 70, 73}));
    std::vector<std::uint32_t> order;
    for (int i = 0; i < 5; ++i) {
        ship->SelectNextWeapon();
        order.push_back(ship->SelectedWeaponType());
    }
    EXPECT_EQ(order, (std::vector<std::uint32_t>{71, 72, 70, 73, 69}));
    EXPECT_EQ(hud->SelectedIcon, 69u);

    // Firing spends the plain weapon in two shots; the spent one leaves the rack and the selection.
    ASSERT_TRUE(ship->SelectWeapon(72));
    auto* ironman = static_cast<PLAINWEAPON*>(ship->Rack.Get(72));
    ship->FireSelectedWeapon();
    EXPECT_EQ(ironman->Shots, 1);
    EXPECT_TRUE(ship->Rack.Has(72));
    ship->FireSelectedWeapon();
    EXPECT_FALSE(ship->Rack.Has(72));
    EXPECT_EQ(ship->SelectedWeaponType(), 0u);
    EXPECT_EQ(hud->Icons, (std::vector<std::uint32_t>{69, 71, 70, 73}));

    // An inactive ship neither fires nor selects.
    ship->SelectWeapon(70);
    ship->DamageElectronic(5.0f, 0, 0);
    ASSERT_FALSE(ship->Active);
    ship->FireSelectedWeapon();
    ship->SelectNextWeapon();
    EXPECT_EQ(static_cast<PLAINWEAPON*>(ship->Rack.Get(70))->Shots, 0);
    EXPECT_EQ(ship->SelectedWeaponType(), 70u);
    Frame();
    EXPECT_TRUE(hud->Warning);

    // The canister launcher: two canisters' worth of ammunition, then it is gone.
    ship->RepairElectronic(25.0f);
    ship->EjectCanister();
    EXPECT_EQ(static_cast<PLAINWEAPON*>(ship->Canister)->Shots, 1);
    ship->EjectCanister();  // not reloaded yet
    EXPECT_EQ(static_cast<PLAINWEAPON*>(ship->Canister)->Shots, 1);
    Frames(31);
    ship->EjectCanister();
    EXPECT_EQ(ship->Canister, nullptr);
    Frames(31);
    ship->EjectCanister();
    EXPECT_EQ(hud->Lower.back(), "No Rear-Eject Canisters installed");
}

TEST_F(ShipTest, ViewModesBuildAndTearDownTheirPartsWithOneChipperLauncher)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    QNVIEW* view = scene->GetView(0);
    EXPECT_EQ(Chippers(ship), 1u);
    ASSERT_NE(ship->Cockpit, nullptr);
    ASSERT_NE(ship->Camera, nullptr);
    EXPECT_EQ(view->CurrentNode.Get(), ship);
    EXPECT_TRUE(static_cast<PLAINWEAPON*>(ship->Rack.Get(WEAPON_CHIPPER))->Player);
    EXPECT_NE(ship->Cockpit->FindChild("CANOPY"), nullptr);

    ship->SetViewMode(VIEWMODE_OUTSIDE);
    EXPECT_EQ(Chippers(ship), 1u);
    EXPECT_FALSE(static_cast<PLAINWEAPON*>(ship->Rack.Get(WEAPON_CHIPPER))->Player);
    EXPECT_EQ(ship->Cockpit, nullptr);
    EXPECT_EQ(ship->Hud, nullptr);
    EXPECT_EQ(ship->FindChild("CAMERA"), nullptr);
    EXPECT_EQ(ship->EngineGlows.size(), 2u);
    EXPECT_EQ(ship->Mesh, &scene->Resources.FindMesh("collship")->Level(0));
    // The glows sit at the engines and fly along with the hull.
    const QNVEC3 engine(1.46f, 0.083f, -3.229f);
    auto glowGap = [&] {
        const QNVEC3 at = QNVEC3::TransformCoord(engine, ship->GetWorldMatrix());
        return (ship->EngineGlows[0]->GetWorldMatrix().Translation() - at).Length();
    };
    EXPECT_LT(glowGap(), 0.01f);
    PhysicsBodyOf(ship)->SetLinearVelocity(ship->GetWorldMatrix().Row(2) * 40.0f);
    Frames(30);
    EXPECT_GT((ship->GetWorldMatrix().Translation() - QNVEC3(0, 0, 0)).Length(), 15.0f);
    EXPECT_LT(glowGap(), 40.0f * float(kFrame)) << "at most the last step behind";

    ship->SetViewMode(VIEWMODE_INSIDE);
    EXPECT_EQ(Chippers(ship), 1u);
    EXPECT_TRUE(ship->EngineGlows.empty());
    ship->SetViewMode(VIEWMODE_HIDDEN);
    EXPECT_EQ(Chippers(ship), 0u);
    ASSERT_NE(ship->Mesh, nullptr);  // the hull-sized box of "collship_coll"
    const QNBOX& hull = scene->Resources.FindMesh("collship")->Level(0).Box;
    EXPECT_NEAR(ship->Mesh->Box.max.z - ship->Mesh->Box.min.z, hull.max.z - hull.min.z, 1e-4f);
    Frames(3);
}

TEST_F(ShipTest, ZoomTakesAQuarterSecondAndCameraViewsFallBackTwoFramesAfterTheLastCall)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    ship->SetZoom(true);  // not equipped
    EXPECT_EQ(ship->Zoom, ZOOMSTATE::NORMAL);
    ship->SetZoomEquipped(true);
    ASSERT_NE(ship->ZoomScreen, nullptr);
    ship->SetZoom(true);
    EXPECT_EQ(ship->Zoom, ZOOMSTATE::ZOOMING_IN);
    Frames(14);  // 0.233 s
    EXPECT_EQ(ship->Zoom, ZOOMSTATE::ZOOMING_IN);
    EXPECT_EQ(ship->Cockpit->State, 2);
    EXPECT_EQ(ship->ZoomScreen->State, 3);
    EXPECT_FLOAT_EQ(scene->FarPlane, COLLSHIP::kZoomFar);
    Frames(2);
    EXPECT_EQ(ship->Zoom, ZOOMSTATE::ZOOMED);
    EXPECT_NEAR(scene->FieldOfView, COLLSHIP::kZoomedFov, 1e-4f);
    EXPECT_NEAR(scene->NearPlane, COLLSHIP::kZoomedNear, 1e-4f);
    // No shots while zoomed.
    ship->SelectWeapon(WEAPON_CHIPPER);
    ship->FireSelectedWeapon();
    EXPECT_EQ(static_cast<PLAINWEAPON*>(ship->Rack.Get(WEAPON_CHIPPER))->Shots, 0);

    // Out, and back in from halfway: the way in takes half the time.
    ship->SetZoom(false);
    while (ship->FieldOfView < (COLLSHIP::kNormalFov + COLLSHIP::kZoomedFov) / 2)
        Frame();
    ship->SetZoom(true);
    EXPECT_NEAR(ship->FovAnimation.Length, COLLSHIP::kZoomTime / 2, 0.02f);
    Frames(8);
    EXPECT_EQ(ship->Zoom, ZOOMSTATE::ZOOMED);
    ship->SetZoom(false);
    Frames(16);
    EXPECT_EQ(ship->Zoom, ZOOMSTATE::NORMAL);
    EXPECT_EQ(ship->Cockpit->State, 3);
    EXPECT_EQ(ship->ZoomScreen->State, 2);

    // A camera view called for one frame shows for two, then the ship has the camera again.
    QNVIEW* view = scene->GetView(0);
    ship->SetCameraView(1);
    EXPECT_EQ(view->CurrentNode.Get(), ship->Camera);
    Frame();
    EXPECT_EQ(ship->CameraView, 1u);
    EXPECT_EQ(ship->Cockpit->State, 2);
    Frame();
    EXPECT_EQ(ship->CameraView, 0u);
    EXPECT_EQ(view->CurrentNode.Get(), ship);
    // Held down, it stays.
    for (int i = 0; i < 5; ++i) {
        ship->SetCameraView(4);
        Frame();
    }
    EXPECT_EQ(ship->CameraView, 4u);
    EXPECT_EQ(view->CurrentNode.Get(), ship->Camera);
}

TEST_F(ShipTest, TheTargetAheadIsTheNearestHostileVehicleNamedByItsCompany)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    ship->InstallWeapon(WEAPON_CHEETAH);
    ship->SelectWeapon(WEAPON_CHEETAH);
    COLLSHIP* friendly = Ship(0, 0, QNVEC3(0, 0, 15), VIEWMODE_OUTSIDE);
    COLLSHIP* far = Ship(0, 2, QNVEC3(0, 0, 60), VIEWMODE_OUTSIDE);
    COLLSHIP* near = Ship(0, 1, QNVEC3(0, 0, 35), VIEWMODE_OUTSIDE);
    RECORDINGHUD* hud = HudOf(ship);
    // The nearest hit is a ship of the own company: no target.
    Frames(2);
    EXPECT_EQ(ship->Target.Get(), nullptr);
    EXPECT_EQ(hud->Reticle, 0u);
    EXPECT_EQ(ship->NearTargets.size(), 3u);
    QNITEM::Destroy(friendly);
    Frames(2);
    EXPECT_EQ(ship->Target.Get(), near);
    EXPECT_EQ(hud->Upper, "Collector Ship (OreBit)");
    EXPECT_EQ(hud->Reticle, 1u);
    EXPECT_EQ(ship->Rack.Get(WEAPON_CHEETAH)->Target.Get(), near);
    EXPECT_EQ(ship->NearTargets.size(), 2u);
    EXPECT_EQ(ship->FarTargets.size(), 2u);

    QNITEM::Destroy(near);
    far->MercenaryLook = 1;
    Frames(2);
    EXPECT_EQ(ship->Target.Get(), far);
    EXPECT_EQ(hud->Upper, "Mercenary (Profond l'espace)");
    EXPECT_EQ(ship->NearTargets.size(), 1u);
    QNITEM::Destroy(far);
    Frames(2);
    EXPECT_EQ(ship->Target.Get(), nullptr);
    EXPECT_EQ(hud->Upper, "");
    EXPECT_EQ(hud->Reticle, 0u);
    EXPECT_TRUE(ship->NearTargets.empty());
    // Every marker and locator went with its ship; the nine ore markers stay.
    EXPECT_EQ(hud->FindChild("MARKER"), nullptr);
    EXPECT_EQ(hud->FindChild("LOCATOR"), nullptr);
    EXPECT_EQ(hud->ChildCount(), 9u);
}

TEST_F(ShipTest, ThePlayersShipFliesWithTheGamesShipHud)
{
    COLLSHIP::HudMaker = &COLLSHIPHUD::Make;
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_INSIDE);
    auto* hud = dynamic_cast<COLLSHIPHUD*>(ship->Hud);
    ASSERT_NE(hud, nullptr);
    EXPECT_EQ(hud->Parent(), ship);
    // The ore markers reach the HUD's marker manager two a frame.
    Frames(6);
    EXPECT_EQ(hud->MarkerManager->ChildCount(), 9u);
    ship->AddCountermeasure(2);
    ship->CollectOre(0, 0);
    EXPECT_EQ(hud->OreMask, 1u);
    ship->Throttle = 1.0f;
    Frames(30);

    // The freighter locator follows the freighter it is given, holds it weakly, lets go of one
    // that has left and takes none that has.
    auto* freighter = new GAMENODE(sites[0], "FREIGHTER", 67, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    hud->FollowFreighter(freighter);
    EXPECT_EQ(hud->Locator->Target.Get(), freighter);
    static bool departed;
    departed = false;
    COLLSHIP::FreighterGone = [](const QNNODE* node) { return departed && node->Kind == 67; };
    struct RESET {
        ~RESET() { COLLSHIP::FreighterGone = nullptr; }
    } reset;
    Frames(2);
    EXPECT_EQ(hud->Locator->Target.Get(), freighter);
    departed = true;
    Frame();
    EXPECT_EQ(hud->Locator->Target.Get(), nullptr);
    hud->FollowFreighter(freighter);
    EXPECT_EQ(hud->Locator->Target.Get(), nullptr);
    departed = false;
    hud->FollowFreighter(freighter);
    EXPECT_EQ(hud->Locator->Target.Get(), freighter);
    departed = false;
    QNITEM::Destroy(freighter);
    Frames(2);
    EXPECT_EQ(hud->Locator->Target.Get(), nullptr);

    // Leaving the ship takes the HUD and its markers with it.
    ship->SetViewMode(VIEWMODE_OUTSIDE);
    EXPECT_EQ(ship->Hud, nullptr);
    EXPECT_EQ(ship->FindChild("HUD"), nullptr);
    Frames(2);
}
