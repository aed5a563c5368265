#pragma once
// Collector ships in a four-site scene: every site in its own view with its planner, the ship's
// and the effects' media, a HUD that records what the ship tells it, and a plain weapon for
// every rack type (the chipper launcher among them) with a settable ammunition level.

#include <string>
#include <vector>

#include "engine/physics/node_motion.h"
#include "engine/resource/qndisk.h"
#include "engine/scene/view.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/ejection_seat.h"
#include "game/vehicles/explosion.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/inside_hyperspace.h"
#include "game/vehicles/outside_hyperspace.h"
#include "game/vehicles/collship_hud.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/vehicles/ship_weapon.h"
#include "game/vehicles/stars.h"
#include "game/world/black_market_portal.h"
#include "game/world/debris.h"
#include "game/world/path_planner.h"
#include "game/world/site.h"
#include "tests/game/game_test_util.h"

namespace shiptest {

class RECORDINGHUD : public GAMENODE, public SHIPHUDLINK {
public:
    explicit RECORDINGHUD(QNNODE* ship) : GAMENODE(ship, "SHIPHUD", 40, QNCF_LEVEL_GAME, 0, 1, nullptr, 0) {}

    GAMENODE* Node() override { return this; }
    void PostUpper(const char* text) override { Upper = text; }
    void PostLower(const char* text) override { Lower.push_back(text); }
    void SetCountermeter(std::uint32_t k, float fill) override { Countermeters[k] = fill; }
    void SetProximity(std::uint32_t i, float value) override { ProximityShown[i] = value; }
    void SetSpeed(float value) override { Speed = value; }
    void SetCanisterCount(std::uint32_t count) override { Canisters = count; }
    void FlashOreCollected() override { ++OreFlashes; }
    void RefreshWorkOrders(std::uint32_t mask) override { WorkOrderMask = mask; }
    void SetReticleFrame(std::uint32_t frame) override { Reticle = frame; }
    void SetDamageFrame(std::uint32_t frame) override { DamageFrame = frame; }
    void SetElectronicWarning(bool shown) override { Warning = shown; }
    void SetCockpitShown(bool) override {}
    void SetWeaponIcons(const std::uint32_t* types, std::uint32_t count, std::uint32_t selected, bool) override
    {
        Icons.assign(types, types + count);
        SelectedIcon = selected;
    }
    void SetWeaponLow(std::uint32_t, bool) override {}
    GAMENODE* MakeMarker(QNNODE*, std::uint32_t type, float) override
    {
        ++Markers;
        return new GAMENODE(this, type <= 2 ? "OREMARKER" : "MARKER", 41, 0, 0, 1, nullptr, 0);
    }
    GAMENODE* MakeLocator(QNNODE*, float, const float*) override
    {
        ++Locators;
        return new GAMENODE(this, "LOCATOR", 42, 0, 0, 1, nullptr, 0);
    }
    void ClearMarkers() override {}
    void SetHomeTarget(QNNODE* hq) override { Home = hq; }
    void SetTargetSite(std::uint32_t view, std::uint32_t) override { TargetSite = view; }
    void ReleaseGoneFreighter() override {}

    std::string Upper;
    std::vector<std::string> Lower;
    float Countermeters[3] = {-1, -1, -1};
    float ProximityShown[3] = {0, 0, 0};
    float Speed = 0;
    std::uint32_t Canisters = 0, OreFlashes = 0, WorkOrderMask = 0, Reticle = 0, DamageFrame = 0;
    std::uint32_t Markers = 0, Locators = 0, SelectedIcon = 0, TargetSite = 99;
    bool Warning = false;
    std::vector<std::uint32_t> Icons;
    QNNODE* Home = nullptr;
};

class PLAINWEAPON : public SHIPWEAPON {
public:
    PLAINWEAPON(QNNODE* ship, std::uint32_t type, bool player, std::uint32_t view)
        : SHIPWEAPON(ship, SHIPWEAPON::NodeName(type), type, SHIPWEAPON::ClassFlagsOf(type), player, view)
    {
    }
    void Fire() override
    {
        ++Shots;
        Ammo -= 0.5f;
    }
    float AmmoLevel() override { return Ammo; }
    float Ammo = 1.0f;
    int Shots = 0;
};

template <std::uint32_t TYPE>
SHIPWEAPON* MakePlain(QNNODE* ship, bool player, std::uint32_t view)
{
    return new PLAINWEAPON(ship, TYPE, player, view);
}

class ShipTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        QNDISK::MakeTempFolder();
        InitPathPlanners();
        SHIPWEAPON::SetMaker(69, &MakePlain<69>);
        SHIPWEAPON::SetMaker(70, &MakePlain<70>);
        SHIPWEAPON::SetMaker(71, &MakePlain<71>);
        SHIPWEAPON::SetMaker(72, &MakePlain<72>);
        SHIPWEAPON::SetMaker(73, &MakePlain<73>);
        SHIPWEAPON::SetMaker(74, &MakePlain<74>);
        COLLSHIP::HudMaker = [](COLLSHIP* ship) -> SHIPHUDLINK* { return new RECORDINGHUD(ship); };
        MakeScene([](QNRESOURCES& r) {
            SITE::RegisterMedia(r);
            RegisterPortalMedia(r);  // the player company's portal
            DEBRISFIELD::RegisterMedia(r);  // a destroyed ship's pieces
            RegisterSkyMedia(r);
            RegisterConsoleFont(r);
            HUD::LoadResources(r);
            SHIPHUD::LoadResources(r);
            COLLSHIP::LoadResources(r);
            EJECTIONSEAT::LoadResources(r);
            EXPLOSION::LoadResources(r);
            INSIDEHYPERSPACE::LoadResources(r);
            OUTSIDEHYPERSPACE::LoadResources(r);
            // Registered by the HUD loaders when they carry them.
            QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
            const char* sounds[3][2] = {{"stationcollision", "media\\vehicles\\exterior\\sounds\\collision.wav"},
                                        {"othercollision", "media\\general\\sounds\\bump.wav"},
                                        {"orecollected", "media\\vehicles\\hud\\ship\\sounds\\orecollected.wav"}};
            for (auto& k : sounds) {
                if (r.Sounds.FindChild(k[0]))
                    continue;
                s = QNSOUNDPARAMS();
                s.Name = k[0];
                s.File = k[1];
                r.AddSound();
            }
        });
        scene->ViewMask = 1;
        for (std::uint32_t i = 0; i < 4; ++i) {
            sites[i] = new SITE(scene->GetView(i)->Root, i, i);
            sites[i]->SetState(3, 0, false, true);
        }
    }
    void TearDown() override
    {
        COLLSHIP::HudMaker = nullptr;
        for (std::uint32_t t = 69; t <= 74; ++t)
            SHIPWEAPON::SetMaker(t, nullptr);
        GameSceneTest::TearDown();
        FreePathPlanners();
        QNDISK::RemoveTempFolder();
    }

    /// A ship of company `view` at `offset` from the site's centre, nose along the site's +z.
    COLLSHIP* Ship(std::uint32_t siteIndex, std::uint32_t view, const QNVEC3& offset, std::uint32_t mode)
    {
        QNMATRIX at;
        at.SetTranslationV(offset);
        at = at * sites[siteIndex]->GetWorldMatrix();
        auto* ship = new COLLSHIP(sites[siteIndex], &at, view, view);
        ship->SetViewMode(mode);
        return ship;
    }
    static RECORDINGHUD* HudOf(COLLSHIP* ship) { return static_cast<RECORDINGHUD*>(ship->Hud); }
    /// Velocity in the ship's own axes.
    static QNVEC3 LocalVelocity(COLLSHIP* ship)
    {
        return QNVEC3::TransformNormal(PhysicsBodyOf(ship)->GetLinearVelocity(), ship->GetWorldMatrix().Inverse());
    }
    std::uint32_t Chippers(COLLSHIP* ship) const
    {
        std::uint32_t n = 0;
        for (QNCHILDWALK walk(ship); QNITEM* c = walk.Advance();)
            n += dynamic_cast<QNNODE*>(c) && static_cast<QNNODE*>(c)->Kind == 73;
        return n;
    }

    SITE* sites[4] = {};
};

}  // namespace shiptest
