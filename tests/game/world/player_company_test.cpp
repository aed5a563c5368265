// The player's company driven by scripted keys and mouse buttons through the platform's event
// source and the default bindings: building, selling and removing in the suit, the build
// store's hand-over, the collector ship bought at the dock, docking with Space, delivery,
// repair and undocking.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/input/default_bindings.h"
#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "engine/resource/qndisk.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/view.h"
#include "game/world/black_market_portal.h"
#include "game/world/cargo_port.h"
#include "game/world/collship_dock.h"
#include "game/world/ore_processor.h"
#include "game/world/company_links.h"
#include "game/world/damageable.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/path_planner.h"
#include "game/world/player_company.h"
#include "game/world/player_controls.h"
#include "game/world/station.h"
#include "game/world/store_order.h"
#include "platform/events.h"
#include "platform/test_events.h"
#include "tests/game/game_test_util.h"

namespace {

// A collector ship as the company and the dock see it: two damage meters and the ore mask.
class TESTSHIP : public DAMAGEABLE, public COMPANYSHIP {
public:
    TESTSHIP(QNNODE* parent, const QNMATRIX& at)
        : DAMAGEABLE(parent, "SHIP", KIND_COLLSHIP, QNCF_LEVEL_GAME, 0, 0, &at, 0)
    {
        SetMaxima(25.0f, 25.0f);
        BallisticRepairCost = ElectronicRepairCost = 2500000.0f;
        Active = true;
    }
    bool IsShipDestroyed() const override { return IsDestroyed(); }
    std::uint32_t OreMask() const override { return Ore; }
    void SetOreMask(std::uint32_t mask) override { Ore = mask; }
    void SetPilotAboard(bool) override {}
    void SetViewMode(std::uint32_t) override {}
    void SetDocked(bool docked) override { Docked = docked; }
    bool InstallWeapon(std::uint32_t type) override
    {
        Weapons.push_back(type);
        return true;
    }

    std::uint32_t Ore = 0;
    bool Docked = false;
    std::vector<std::uint32_t> Weapons;
};

bool Coincide(const QNVEC3& a, const QNVEC3& b, float tolerance = 1e-3f)
{
    return std::fabs(a.x - b.x) < tolerance && std::fabs(a.y - b.y) < tolerance && std::fabs(a.z - b.z) < tolerance;
}

class PlayerTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        QNDISK::MakeTempFolder();
        InitPathPlanners();
        STATION::Install();
        MakeScene([](QNRESOURCES& r) {
            SITE::RegisterMedia(r);
            RegisterPortalMedia(r);
            QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
            QNRESOURCES::TextureParams.Name = "consolefont";
            QNRESOURCES::TextureParams.File = "media\\general\\textures\\ruvuzev_font.dds";
            QNRESOURCES::TextureParams.Columns = QNRESOURCES::TextureParams.Rows = 16;
            r.AddTexture();
        });
        scene->ViewMask = 1;
        new QNSCENE(&QNSCENE::SceneRoot(), "STORE", 0);
        CompanyVehicles.CreateShip = [](GAMENODE* site, const QNMATRIX& at, std::uint32_t) -> GAMENODE* {
            auto* ship = new TESTSHIP(site, at);
            ship->SetState(3, 0, false, true);
            return ship;
        };
        CARGOPORT::InstallMakers();
        ClearStoreOrders();
        // Every test ship flies for the player's view 0: no enemies at the site.
        TARGETLIST::Reader = [](const GAMENODE* node) {
            const auto* d = dynamic_cast<const DAMAGEABLE*>(node);
            return TARGETLIST::CANDIDATE{0, d && d->IsDestroyed()};
        };

        QNINPDEV::Open();
        QNKEYBOARD::Open(false);
        QNMOUSE::Open(false);
        QNINPUTMAP::Create(QNDEFAULTBINDINGCOUNT);
        QnWriteDefaultBindings();
        script.Install();

        player = new PLAYERCOMPANY(0, 2, table, scene);
        table[0] = player;
        Companies[0] = player;
        station = player->SiteStation();
        ASSERT_NE(station, nullptr);
        view = scene->GetView(0);
        line = new QNQUEUEDMESSAGE(view->Root, "consolefont", 0, 0, 0, 2, 10, 10);
        player->HudLines[PLAYERCOMPANY::HUD_SUIT] = line;
        player->HudLines[PLAYERCOMPANY::HUD_SHIP] = line;
        eye = new GAMENODE(view->Root, "EYE", 0, QNCF_LEVEL_PLAIN, 0, 0, nullptr, 0);
        view->CurrentNode = eye;
    }
    void TearDown() override
    {
        script.Uninstall();
        delete player;
        Companies[0] = nullptr;
        QNINPUTMAP::Free();
        QNMOUSE::Close();
        QNKEYBOARD::Close();
        QNINPDEV::Close();
        CompanyVehicles = COMPANYVEHICLES();
        CargoLinks = CARGOLINKS();
        TARGETLIST::Reader = nullptr;
        ClearStoreOrders();
        GameSceneTest::TearDown();
        STATION::Uninstall();
        FreePathPlanners();
        QNDISK::RemoveTempFolder();
    }

    /// One frame of the program: events, devices and bindings, the scene, then the company.
    void Step()
    {
        PlatformPumpMessages();
        QNKEYBOARD::Poll();
        QNMOUSE::Poll();
        QNINPUTMAP::EvaluateAll(float(kFrame));
        Frame();
        player->Update();
        script.Advance();
    }
    void Steps(int n)
    {
        for (int i = 0; i < n; ++i)
            Step();
    }
    /// A test ship `distance` out along the site's z axis, and the player aboard it.
    TESTSHIP* BoardShipAt(float distance)
    {
        SITE* site = player->Site();
        QNMATRIX at;
        at.SetTranslation(0.0f, 0.0f, distance);
        auto* ship = new TESTSHIP(site, at * site->GetWorldMatrix());
        ship->SetState(3, 0, false, true);
        player->SetShip(ship);
        player->BoardShip();
        return ship;
    }
    /// A key pressed (with Shift when asked) in one frame and released in the next.
    void Key(SDL_Keycode key, bool shift = false)
    {
        gametest::TapKey(script, key, shift, [this] { Step(); });
    }
    void Click(Uint8 button)
    {
        script.MouseButton(true, button, 0, 0, script.Pass());
        Step();
        script.MouseButton(false, button, 0, 0, script.Pass());
        Step();
    }
    /// The eye 12 units out from `part` along `outward` (station frame), looking at it.
    void Aim(STATIONPART* part, const QNVEC3& outward)
    {
        const QNVEC3 at = part->GetWorldMatrix().Translation();
        const QNVEC3 dir = QNVEC3::TransformNormal(outward, station->GetWorldMatrix()).Normalize();
        QNMATRIX m;
        m.SetLookAt(at + dir * 12.0f, at, std::fabs(dir.y) > 0.9f ? QNVEC3(1, 0, 0) : QNVEC3(0, 1, 0));
        eye->SetTransform(m);
        Step();
    }
    /// Every line posted since the last call.
    std::vector<std::string> Posted()
    {
        std::vector<std::string> out;
        // The line shows and passes on what was posted; the ring keeps the texts.
        while (read != line->WritePos) {
            out.emplace_back(line->Lines[read]);
            read = (read + 1) % QNQUEUEDMESSAGE::kLines;
        }
        return out;
    }
    STATIONPART* StartBeam(std::int32_t side) const
    {
        const STATIONCONNECTOR* link = station->RootJoint.Get()->Connectors[side].Link;
        return link ? link->Owner : nullptr;
    }
    /// Builds `kind` on the first connector of `parent` that takes it.
    STATIONPART* BuildOn(STATIONPART* parent, std::int32_t kind)
    {
        for (std::int32_t c = 0; c < parent->ConnectorCount; ++c) {
            if (!parent->Connectors[c].IsFreeForMarker())
                continue;
            station->Select(parent);
            station->ClearMarker();
            station->SelectedConnector = c;
            if (STATIONPART* p = station->BuildPart(kind, StructurePrice(std::uint32_t(kind)), STATION::kNoColour))
                return p;
        }
        return nullptr;
    }
    /// Joints at the ends of start beams 0, 1 and 2 with the dock, an ore processor and a
    /// generator, all through the factory.
    COLLECTORSHIPDOCK* BuildDockStation()
    {
        STATIONPART* dockJoint = BuildOn(StartBeam(0), KIND_JOINT);
        STATIONPART* powerJoint = BuildOn(StartBeam(2), KIND_JOINT);
        EXPECT_TRUE(dockJoint && powerJoint);
        if (!dockJoint || !powerJoint)
            return nullptr;
        EXPECT_NE(BuildOn(powerJoint, KIND_GENERATOR), nullptr);
        STATIONPART* oreJoint = BuildOn(StartBeam(1), KIND_JOINT);
        processor = oreJoint ? dynamic_cast<PROCESSOR*>(BuildOn(oreJoint, KIND_PROCESSOR)) : nullptr;
        EXPECT_NE(processor, nullptr);
        return dynamic_cast<COLLECTORSHIPDOCK*>(BuildOn(dockJoint, KIND_COLLSHIPDOCK));
    }

    COMPANY* table[4] = {};
    PLAYERCOMPANY* player = nullptr;
    STATION* station = nullptr;
    PROCESSOR* processor = nullptr;
    QNVIEW* view = nullptr;
    QNQUEUEDMESSAGE* line = nullptr;
    GAMENODE* eye = nullptr;
    std::uint32_t read = 0;
    PlatformScriptedEvents script;
};

TEST_F(PlayerTest, SuitCommandsBuildSellAndRefuse)
{
    ASSERT_EQ(player->Mode, COMPANYMODE::SUIT);
    STATIONPART* beam = StartBeam(1);
    Aim(beam, QNVEC3(1, 0, 0));
    ASSERT_EQ(station->Selected.Get(), beam);

    // Right button removes: a starting beam is permanent.
    Click(SDL_BUTTON_RIGHT);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Structure is permanent"});

    // Left button extends the frame: a joint on the beam's end.
    const std::uint32_t joints = station->Counts[KIND_JOINT];
    Click(SDL_BUTTON_LEFT);
    EXPECT_EQ(station->Counts[KIND_JOINT], joints + 1);
    EXPECT_TRUE(Posted().empty());

    // Shift+2 sells the second item at half its value.
    player->AddItem(ITEM_PROCESSOR, 20000000.0f, -1, -1, 0);
    player->AddItem(ITEM_GENERATOR, 3000000.0f, -1, -1, 0);
    Key(SDLK_2, true);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Sold Generator for $1.5M"});
    EXPECT_EQ(player->Money(), 1500000.0f);
    EXPECT_EQ(player->ItemCount(), 1u);

    // 1 places the processor at the marker of the joint now in the sights.
    STATIONPART* joint = station->CollectParts(KIND_JOINT).back();
    ASSERT_EQ(station->Selected.Get(), joint);
    Key(SDLK_1);
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(player->ItemCount(), 0u);
    ASSERT_EQ(station->Counts[KIND_PROCESSOR], 1u);
    STATIONPART* part = station->CollectParts(KIND_PROCESSOR).back();
    EXPECT_EQ(part->Price, 20000000.0f);
    char name[QNQUEUEDMESSAGE::kLineSize];
    PLAYERCOMPANY::AimedName(part, name, sizeof name);
    EXPECT_STREQ(name, "Ore Processor");
    static_cast<PROCESSOR*>(part)->Amount = 2500000.0f;
    PLAYERCOMPANY::AimedName(part, name, sizeof name);
    EXPECT_STREQ(name, "Ore Processor ($2.5 M)");
    static_cast<PROCESSOR*>(part)->Amount = 0.0f;

    // A full inventory refuses a part that would come back into it.
    part->DamageBallistic(part->BallisticMax * 0.5f, 0, 0);
    while (player->ItemCount() < COMPANY::kInventorySize)
        player->AddItem(ITEM_STORAGE, 5000000.0f, -1, -1, 0);
    Aim(part, QNVEC3(0, 1, 0));
    ASSERT_EQ(station->Selected.Get(), part);
    Click(SDL_BUTTON_RIGHT);
    EXPECT_EQ(Posted(), std::vector<std::string>{"No room in inventory for this item"});

    // With room it comes back as an item at its price and condition.
    Key(SDLK_5, true);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Sold Ore Storage Unit for $2.5M"});
    Click(SDL_BUTTON_RIGHT);
    EXPECT_TRUE(Posted().empty());
    ASSERT_EQ(player->ItemCount(), COMPANY::kInventorySize);
    EXPECT_EQ(station->Counts[KIND_PROCESSOR], 0u);
    const INVENTORYITEM& back = player->Item(COMPANY::kInventorySize - 1);
    EXPECT_EQ(back.Type, ITEM_PROCESSOR);
    EXPECT_EQ(back.Value, 20000000.0f);
    EXPECT_NEAR(back.ConditionA, 0.5f, 1e-4f);
    EXPECT_NEAR(back.ConditionB, 1.0f, 1e-4f);

    // An enhancer comes back in its own colour pair, not another one on the station; the orders'
    // enhancer bonus follows the pairs on the station.
    while (player->ItemCount() > 0)
        player->RemoveItem(0);
    WORKORDERDATA& order = player->WorkOrders[0];
    order.Clear();
    for (std::uint32_t colour = 0; colour < kOreColours; ++colour)
        order.AddLine(colour, 0);
    STATIONPART* enhancers[2] = {};
    STATIONPART* const holders[2] = {joint, BuildOn(StartBeam(0), KIND_JOINT)};
    const std::uint32_t pairs[2] = {PAIR_RED_GREEN, PAIR_BLUE_YELLOW};
    for (int i = 0; i < 2; ++i)
        for (std::int32_t c = 0; holders[i] && c < holders[i]->ConnectorCount && !enhancers[i]; ++c)
            if (holders[i]->Connectors[c].IsFreeForMarker()) {
                station->Select(holders[i]);
                station->ClearMarker();
                station->SelectedConnector = c;
                enhancers[i] = station->BuildPart(KIND_ENHANCER, 10000000.0f, pairs[i]);
            }
    ASSERT_TRUE(enhancers[0] && enhancers[1]) << station->Result;
    Step();
    EXPECT_FLOAT_EQ(order.Bonus, 2.0f * WORKORDERDATA::kBonusRate * order.Value);
    Aim(enhancers[1], QNVEC3(0, 1, 0));
    ASSERT_EQ(station->Selected.Get(), enhancers[1]);
    Click(SDL_BUTTON_RIGHT);
    ASSERT_EQ(player->ItemCount(), 1u);
    EXPECT_EQ(player->Item(0).Type, ITEM_ENHANCER);
    EXPECT_EQ(player->Item(0).ColourPair, std::uint32_t(PAIR_BLUE_YELLOW));
    EXPECT_EQ(station->EnhancerColours, 1u << PAIR_RED_GREEN);
    EXPECT_FLOAT_EQ(order.Bonus, WORKORDERDATA::kBonusRate * order.Value);
}

TEST_F(PlayerTest, BuildStoreHandOverIsTakenOnce)
{
    player->SetMoney(2000000.0f);
    player->AddItem(ITEM_GENERATOR, 3000000.0f, -1, -1, 0);
    Key(SDLK_F2);
    QNSCENE::ApplyRequest();
    ASSERT_NE(QNSCENE::Current, nullptr);
    EXPECT_STREQ(QNSCENE::Current->Name().Text(), "STORE");

    STOREORDER& order = StoreOrders[STORE_BUILD];
    ASSERT_EQ(order.ProductCount, 6u);
    const std::uint32_t types[6] = {ITEM_GENERATOR, ITEM_DOCK, ITEM_PROCESSOR, ITEM_STORAGE, ITEM_CARGOPORT, ITEM_ENHANCER};
    for (std::uint32_t i = 0; i < 6; ++i)
        EXPECT_EQ(order.Products[i].ItemType, types[i]);
    EXPECT_EQ(order.Products[0].StoreCredit, 0u);  // one generator is held
    EXPECT_EQ(order.Products[1].Limit, 1u);
    EXPECT_EQ(order.Products[5].Limit, 6u);
    EXPECT_EQ(order.Products[5].StoreCredit, 0u);
    EXPECT_EQ(order.Capacity, 4u);
    EXPECT_EQ(order.Cash, 2000000.0f);
    EXPECT_EQ(order.Owner, 2u);

    // The store sells a dock and two enhancers on credit and hands the order back.
    order.Products[1].Quantity = 1;
    order.Products[1].UnitPrice = 20000000;
    order.Products[5].Quantity = 2;
    order.Products[5].UnitPrice = 10000000;
    order.Cash = -38000000.0f;
    order.Pending = 1;
    QNSCENE::RequestPop();
    QNSCENE::ApplyRequest();
    QNSCENE::Current = scene;
    Steps(3);
    EXPECT_EQ(order.Pending, 0u);
    EXPECT_EQ(player->Money(), -38000000.0f);
    ASSERT_EQ(player->ItemCount(), 4u);
    EXPECT_EQ(player->Item(1).Type, ITEM_DOCK);
    EXPECT_EQ(player->Item(1).Value, 20000000.0f);
    EXPECT_EQ(player->Item(2).Type, ITEM_ENHANCER);
    EXPECT_EQ(player->Item(3).ColourPair, std::uint32_t(PAIR_NONE));

    // In debt, over a minute in the store for one processor: the interest that falls due in the
    // frame the order comes back is charged as well as the price.
    player->SellItem(3);
    player->SetMoney(-10000000.0f);
    player->InterestTimer.Restart();
    Key(SDLK_F2);
    QNSCENE::ApplyRequest();
    ASSERT_STREQ(QNSCENE::Current->Name().Text(), "STORE");
    order.Products[2].Quantity = 1;
    order.Products[2].UnitPrice = 1000000;
    order.Cash -= 1000000.0f;
    order.Pending = 1;
    QNSCENE::RequestPop();
    QNSCENE::ApplyRequest();
    QNSCENE::Current = scene;
    Stall(61.0);
    Step();
    EXPECT_EQ(order.Pending, 0u);
    EXPECT_EQ(player->Money(), -10000000.0f * 1.05f - 1000000.0f);
    EXPECT_EQ(player->ItemCount(), 4u);
}

TEST_F(PlayerTest, FirstShipIsFreeTheNextCostsFiveMillion)
{
    COLLECTORSHIPDOCK* dock = BuildDockStation();
    ASSERT_NE(dock, nullptr);
    Steps(2);
    auto* ship = dynamic_cast<TESTSHIP*>(player->Ship());
    ASSERT_NE(ship, nullptr);
    EXPECT_EQ(player->Money(), 0.0f);
    EXPECT_TRUE(Posted().empty());
    EXPECT_FALSE(player->FreeShip);
    EXPECT_TRUE(ship->Docked);
    EXPECT_EQ(dock->Ship(), ship);
    EXPECT_TRUE(dock->Holding);
    EXPECT_EQ(ship->Weapons, (std::vector<std::uint32_t>{WEAPON_IRONMAN, WEAPON_CANISTER}));
    EXPECT_TRUE(Coincide(ship->GetWorldMatrix().Translation(), dock->DockPointMatrix().Translation()));

    // Removing the dock that holds the ship is refused.
    Aim(dock, QNVEC3(0, 1, 0));
    ASSERT_EQ(station->Selected.Get(), dock);
    Click(SDL_BUTTON_RIGHT);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Collector Ship currently docked"});

    // The ship is lost: the next one is bought at the dock, once the dock has cycled.
    ship->Kill();
    // The empty dock opens, closes again and then holds the new ship.
    Step();
    EXPECT_EQ(player->Ship(), nullptr);
    int frames = 0;
    while (!player->Ship() && frames++ < 1200)
        Step();
    auto* next = dynamic_cast<TESTSHIP*>(player->Ship());
    ASSERT_NE(next, nullptr);
    EXPECT_NE(static_cast<GAMENODE*>(next), static_cast<GAMENODE*>(ship));
    EXPECT_EQ(player->Money(), -5000000.0f);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Purchased new Collector Ship for $5.0 M"});
}

TEST_F(PlayerTest, SpaceDocksAnAlignedShipWhichIsDeliveredRepairedAndReleased)
{
    COLLECTORSHIPDOCK* dock = BuildDockStation();
    ASSERT_NE(dock, nullptr);
    Steps(2);
    auto* ship = dynamic_cast<TESTSHIP*>(player->Ship());
    ASSERT_NE(ship, nullptr);
    ASSERT_TRUE(dock->IsOperating());

    // Space undocks: the turntable turns, then the ship is free.
    Key(SDLK_SPACE);
    int frames = 0;
    while (dock->DockState != DOCKSTATE::WAITING && frames++ < 600)
        Step();
    EXPECT_EQ(dock->DockState, DOCKSTATE::WAITING);
    EXPECT_FALSE(ship->Docked);
    EXPECT_FALSE(dock->Holding);

    // The ship comes back aligned, 3 units in front of the dock point, damaged and carrying the
    // ore of the first order.
    QNMATRIX back;
    back.SetTranslation(0.0f, 0.0f, -3.0f);
    ship->SetTransform(back * dock->DockPointMatrix());
    ship->DamageBallistic(5.0f, 0, 0);
    ship->DamageElectronic(2.0f, 0, 0);
    ship->Ore = player->WorkOrders[0].Cells;
    const float worth = player->WorkOrders[0].Worth();
    // What the repair books: on the station's total, or already taken off the money.
    auto booked = [&] { return station->RepairCostTotal - player->Money(); };
    const float repairBefore = booked();
    Step();
    EXPECT_TRUE(dock->CanDock());

    std::vector<DOCKSTATE> seen;
    auto record = [&] {
        if (seen.empty() || seen.back() != dock->DockState)
            seen.push_back(dock->DockState);
    };
    script.KeyDown(SDLK_SPACE, KMOD_NONE, script.Pass());
    Step();
    record();
    EXPECT_EQ(player->Delivery, DELIVERYSTATE::DOCKING);
    script.KeyUp(SDLK_SPACE, KMOD_NONE, script.Pass());
    frames = 0;
    while (dock->DockState != DOCKSTATE::DOCKED && dock->DockState != DOCKSTATE::UNLOADING && frames++ < 600) {
        Step();
        record();
    }
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen[0], DOCKSTATE::PULLING);
    EXPECT_EQ(seen[1], DOCKSTATE::CLOSING);
    EXPECT_EQ(seen[2], DOCKSTATE::DOCKED);
    EXPECT_TRUE(ship->Docked);
    EXPECT_TRUE(Coincide(ship->GetWorldMatrix().Translation(), dock->DockPointMatrix().Translation(), 0.02f));

    // Delivery: unloading for 10 seconds starts the processor on the order's worth.
    frames = 0;
    while (player->Delivery != DELIVERYSTATE::UNLOADING && frames++ < 10)
        Step();
    ASSERT_EQ(player->Delivery, DELIVERYSTATE::UNLOADING);
    EXPECT_EQ(dock->DockState, DOCKSTATE::UNLOADING);
    Steps(int(9.5 / kFrame));
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::IDLE);
    Steps(int(0.6 / kFrame));
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::PROCESSING);
    EXPECT_EQ(processor->Amount, worth);
    EXPECT_EQ(ship->Ore, 0u);
    EXPECT_EQ(player->Delivery, DELIVERYSTATE::NONE);
    EXPECT_TRUE(player->IdleProcessors.empty());

    // Repair: the meters come back at 2 units a second, booked at the repair price.
    frames = 0;
    while (ship->BallisticFraction() < 1.0f && frames++ < 600)
        Step();
    Steps(2);
    EXPECT_EQ(ship->Ballistic, 25.0f);
    EXPECT_EQ(ship->Electronic, 25.0f);
    EXPECT_EQ(dock->DockState, DOCKSTATE::DOCKED);
    EXPECT_NEAR(booked() - repairBefore, 5.0f * 2500000.0f / 25.0f, 1000.0f);
}

TEST_F(PlayerTest, DeliveryWithoutAShipStopsAndTouchesNothing)
{
    COLLECTORSHIPDOCK* dock = BuildDockStation();
    Steps(2);
    auto* ship = dynamic_cast<TESTSHIP*>(player->Ship());
    ASSERT_NE(ship, nullptr);
    ship->Ore = player->WorkOrders[1].Cells;
    player->Delivery = DELIVERYSTATE::DOCKED;
    Step();
    ASSERT_EQ(player->Delivery, DELIVERYSTATE::UNLOADING);
    ASSERT_EQ(dock->DockState, DOCKSTATE::UNLOADING);
    const WORKORDERDATA order = player->WorkOrders[1];

    // The ship goes while unloading: the dock stops, the orders stay, no processor starts.
    player->SetShip(nullptr);
    dock->SetShip(nullptr);
    QNITEM::Destroy(ship);
    player->FreeShip = false;
    player->SetMoney(0.0f);
    CompanyVehicles.CreateShip = nullptr;
    Step();
    EXPECT_EQ(player->Delivery, DELIVERYSTATE::NONE);
    EXPECT_EQ(dock->DockState, DOCKSTATE::DOCKED);
    EXPECT_EQ(player->WorkOrders[1].Cells, order.Cells);
    EXPECT_EQ(processor->ProcessingState, PROCESSORSTATE::IDLE);
}

}  // namespace

namespace {

TEST_F(PlayerTest, HyperjumpOpensOnlyFarFromTheSiteWithoutEnemies)
{
    SITE* site = player->Site();
    TESTSHIP* ship = BoardShipAt(150.0f);
    ASSERT_EQ(player->Mode, COMPANYMODE::SHIP);

    // R opens company 0's destination list only beyond 200 units of the site.
    Key(SDLK_r);
    EXPECT_EQ(player->Mode, COMPANYMODE::SHIP);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Hyperjump currently disabled"});

    QNMATRIX far;
    far.SetTranslation(0.0f, 0.0f, 201.0f);
    ship->SetTransform(far * site->GetWorldMatrix());
    Step();
    EXPECT_TRUE(player->HyperjumpEnabled);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Hyperjump Enabled"});
    Key(SDLK_g);
    EXPECT_EQ(player->Mode, COMPANYMODE::DESTINATIONS);
    EXPECT_EQ(player->ChosenCompany, 1u);
    Key(SDLK_ESCAPE);
    EXPECT_EQ(player->Mode, COMPANYMODE::SHIP);

    // An enemy ship at the own site shuts it again.
    QNMATRIX near;
    near.SetTranslation(0.0f, 0.0f, 150.0f);
    auto* enemy = new TESTSHIP(site, near * site->GetWorldMatrix());
    TARGETLIST::Reader = [](const GAMENODE* node) {
        return TARGETLIST::CANDIDATE{std::string(node->Name().Text()) == "ENEMY" ? 1u : 0u, false};
    };
    enemy->SetName("ENEMY");
    Steps(2);
    EXPECT_FALSE(player->HyperjumpEnabled);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Hyperjump Disabled"});

    // Enter leaves the ship only when it is still and at the own site: the suit stands beside it.
    QNITEM::Destroy(enemy);
    Key(SDLK_RETURN);
    EXPECT_EQ(player->Mode, COMPANYMODE::SUIT);
}

}  // namespace

namespace {

TEST_F(PlayerTest, ShipLostInTheDestinationListEjectsAndIsWatchedFromAbove)
{
    TESTSHIP* ship = BoardShipAt(250.0f);
    Step();
    Key(SDLK_b);
    ASSERT_EQ(player->Mode, COMPANYMODE::DESTINATIONS);
    EXPECT_EQ(player->ChosenCompany, 2u);

    const QNVEC3 at = ship->GetWorldMatrix().Translation();
    ship->Kill();
    Step();
    EXPECT_EQ(player->Mode, COMPANYMODE::EJECTING);
    EXPECT_EQ(player->Ship(), nullptr);
    GAMENODE* camera = player->EjectCamera.Get();
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(view->CurrentNode.Get(), camera);
    // 10 units from the ship, above and behind it: (0, 8.66, -5) in the ship's axes.
    const QNVEC3 eye = camera->GetWorldMatrix().Translation() - at;
    const QNVEC3 local = QNVEC3::TransformNormal(eye, player->Site()->GetWorldMatrix().Inverse());
    EXPECT_TRUE(Coincide(local, QNVEC3(0.0f, 8.660254f, -5.0f), 1e-3f));

    // After the ejection the player is back in the suit.
    Steps(int(4.6 / kFrame));
    EXPECT_EQ(player->Mode, COMPANYMODE::SUIT);
}

// Lost at a rival's site, the player comes back to the suit at home: the view and the sites
// shown return with them, and so does what arrived at home unseen.
TEST_F(PlayerTest, ShipLostAwayTakesTheViewHomeWithTheSuit)
{
    static SITE* away = nullptr;
    away = new SITE(scene->GetView(1)->Root, 1, 1);
    away->SetState(3, 0, false, false);
    PlayerControls.ShipSite = [](GAMENODE*) { return away; };
    TESTSHIP* ship = BoardShipAt(250.0f);
    scene->ActiveView = 1;
    scene->ViewMask = 2;
    player->Site()->SetState(2, 0, false, false);
    // A rival jumps in at the unseen home meanwhile.
    auto* rival = new GAMENODE(player->Site(), "RIVAL", 64, QNCF_LEVEL_GAME, 0, 1, nullptr, 0);
    rival->AttachWithState(player->Site(), 2, 0, false, true);
    player->Site()->AddHiddenArrival(rival);
    Step();

    ship->Kill();
    Step();
    ASSERT_EQ(player->Mode, COMPANYMODE::EJECTING);
    EXPECT_EQ(player->ReturnSite.Get(), away);
    EXPECT_EQ(scene->ActiveView, 1u);

    PlayerControls.ShipSite = nullptr;
    Steps(int(4.6 / kFrame));
    EXPECT_EQ(player->Mode, COMPANYMODE::SUIT);
    EXPECT_EQ(player->ReturnSite.Get(), nullptr);
    EXPECT_EQ(scene->ActiveView, player->Site()->ViewIndex);
    EXPECT_EQ(scene->ViewMask, 1u << player->Site()->ViewIndex);
    EXPECT_EQ(player->Site()->State, 3u);
    EXPECT_EQ(rival->State, 3);
    EXPECT_EQ(away->State, 2u);
}

}  // namespace

namespace {

// A freighter that only answers the port: it stays where it is made and counts as docked.
class WAITINGFREIGHTER : public GAMENODE, public CARGOFREIGHTER {
public:
    WAITINGFREIGHTER(QNNODE* parent, const QNMATRIX& at)
        : GAMENODE(parent, "FREIGHTER", 67, QNCF_LEVEL_GAME, 0, 0, &at, 0)
    {
    }
    void Call() override {}
    void OpenDoors() override {}
    void CloseDoors() override {}
    void LoadPod(float) override {}
    void Depart() override {}
    QNVEC3 PodPosition(std::uint32_t) const override { return QNVEC3(0, 0, 0); }
    DOCKINGSTATE Docking() const override { return DOCKINGSTATE::WAITING; }
    DOORSTATE Doors() const override { return DOORSTATE::CLOSED; }
    float Load() const override { return 0.0f; }
    bool IsFreighterDestroyed() const override { return Destroyed; }
    bool Destroyed = false;
};

TEST_F(PlayerTest, AFreighterAtTheOwnPortIsWatchedAndHoldsTheHyperjump)
{
    CargoLinks.CreateFreighter = [](QNNODE* parent, const QNMATRIX& start, const QNVEC3*, const QNVEC3&, CARGOPORT*,
                                    std::uint32_t) -> GAMENODE* { return new WAITINGFREIGHTER(parent, start); };
    STATIONPART* powerJoint = BuildOn(StartBeam(2), KIND_JOINT);
    STATIONPART* portJoint = BuildOn(StartBeam(0), KIND_JOINT);
    ASSERT_TRUE(powerJoint && portJoint);
    ASSERT_NE(BuildOn(powerJoint, KIND_GENERATOR), nullptr);
    auto* port = dynamic_cast<CARGOPORT*>(BuildOn(portJoint, KIND_CARGOPORT));
    ASSERT_NE(port, nullptr);
    Step();

    BoardShipAt(250.0f);
    Step();
    ASSERT_TRUE(player->HyperjumpEnabled);
    Posted();

    // Called, the freighter is watched from its arrival on, and the jump closes until it is gone.
    ASSERT_TRUE(port->CallFreighter());
    Steps(int(9.8 / kFrame));
    EXPECT_EQ(player->WatchedFreighter.Get(), nullptr);
    EXPECT_TRUE(player->HyperjumpEnabled);
    Steps(int(0.4 / kFrame));
    ASSERT_TRUE(port->Present());
    EXPECT_EQ(player->WatchedFreighter.Get(), port->Freighter());
    EXPECT_FALSE(player->HyperjumpEnabled);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Hyperjump Disabled"});
    Key(SDLK_r);
    EXPECT_EQ(player->Mode, COMPANYMODE::SHIP);

    // The ship HUD's freighter locator follows it while it is not destroyed.
    static GAMENODE* followed = nullptr;
    PlayerControls.FollowFreighter = [](GAMENODE*, GAMENODE* freighter) { followed = freighter; };
    Step();
    EXPECT_EQ(followed, port->Freighter());

    static_cast<WAITINGFREIGHTER*>(port->Freighter())->Destroyed = true;
    Step();
    EXPECT_EQ(followed, nullptr);
    PlayerControls.FollowFreighter = nullptr;
    Steps(2);
    EXPECT_FALSE(port->Present());
    EXPECT_EQ(player->WatchedFreighter.Get(), nullptr);
    EXPECT_TRUE(player->HyperjumpEnabled);
}

}  // namespace

namespace {

// A ship that cannot be made is never paid for: the dock keeps asking every frame.
TEST_F(PlayerTest, AShipThatCannotBeMadeIsNotCharged)
{
    CompanyVehicles.CreateShip = [](GAMENODE*, const QNMATRIX&, std::uint32_t) -> GAMENODE* { return nullptr; };
    player->FreeShip = false;
    ASSERT_NE(BuildDockStation(), nullptr);
    Steps(5);
    EXPECT_EQ(player->Ship(), nullptr);
    EXPECT_EQ(player->Money(), 0.0f);
    EXPECT_TRUE(Posted().empty());
}

// A pod waiting at the port holds the product's value: the port is not taken down under it.
TEST_F(PlayerTest, APortHoldingAPodIsNotRemoved)
{
    STATIONPART* powerJoint = BuildOn(StartBeam(2), KIND_JOINT);
    STATIONPART* portJoint = BuildOn(StartBeam(0), KIND_JOINT);
    ASSERT_TRUE(powerJoint && portJoint);
    ASSERT_NE(BuildOn(powerJoint, KIND_GENERATOR), nullptr);
    auto* port = dynamic_cast<CARGOPORT*>(BuildOn(portJoint, KIND_CARGOPORT));
    ASSERT_NE(port, nullptr);
    Step();
    ASSERT_NE(port->AddPod(30000000.0f), nullptr);
    Aim(port, QNVEC3(0, 1, 0));
    ASSERT_EQ(station->Selected.Get(), port);
    Posted();
    Click(SDL_BUTTON_RIGHT);
    EXPECT_EQ(Posted(), std::vector<std::string>{"Structure contains ore"});
    Steps(3);
    ASSERT_EQ(station->CargoPort.Get(), port);
    EXPECT_EQ(station->Counts[KIND_CARGOPORT], 1u);
    EXPECT_EQ(player->ItemCount(), 0u);
    ASSERT_NE(port->PendingPods()->FirstChild(), nullptr);
    EXPECT_EQ(static_cast<CARGOPOD*>(port->PendingPods()->FirstChild())->Value, 30000000.0f);

    // Once the pod is gone the empty port comes down and back into the inventory.
    QNITEM::Destroy(port->PendingPods()->FirstChild());
    Click(SDL_BUTTON_RIGHT);
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(station->Counts[KIND_CARGOPORT], 0u);
    ASSERT_EQ(player->ItemCount(), 1u);
    EXPECT_EQ(player->Item(0).Type, ITEM_CARGOPORT);
}

// A part destroyed in play leaves the station's books once: the frames between its destruction
// and its deletion cannot take it down a second time or put it back into the inventory.
TEST_F(PlayerTest, ADestroyedPartIsCountedOutOnceAndNotReturned)
{
    STATIONPART* powerJoints[2] = {BuildOn(StartBeam(2), KIND_JOINT), BuildOn(StartBeam(3), KIND_JOINT)};
    STATIONPART* oreJoint = BuildOn(StartBeam(1), KIND_JOINT);
    ASSERT_TRUE(powerJoints[0] && powerJoints[1] && oreJoint);
    STATIONPART* generators[2] = {BuildOn(powerJoints[0], KIND_GENERATOR), BuildOn(powerJoints[1], KIND_GENERATOR)};
    ASSERT_TRUE(generators[0] && generators[1]);
    STATIONPART* processor = BuildOn(oreJoint, KIND_PROCESSOR);
    ASSERT_NE(processor, nullptr);
    Step();
    ASSERT_EQ(station->Generators, 2u);
    ASSERT_EQ(station->PoweredParts, 2u);  // the headquarters and the processor

    for (STATIONPART* part : {generators[0], processor}) {
        const QNWEAK<STATIONPART> doomed = part;
        Aim(part, QNVEC3(0, 1, 0));
        ASSERT_EQ(station->Selected.Get(), part);
        part->DamageBallistic(1000.0f, 0, 0);
        // Right button in each frame until the part is gone.
        for (int frame = 0; frame < 6 && doomed.Get(); ++frame)
            Click(SDL_BUTTON_RIGHT);
        EXPECT_EQ(doomed.Get(), nullptr);
    }
    Steps(3);
    EXPECT_EQ(station->Generators, 1u);
    EXPECT_EQ(station->PoweredParts, 1u);
    EXPECT_EQ(station->Counts[KIND_GENERATOR], 1u);
    EXPECT_EQ(station->Counts[KIND_PROCESSOR], 0u);
    EXPECT_FALSE(station->Underpowered);
    EXPECT_EQ(player->ItemCount(), 0u);
}

}  // namespace

namespace {

// A freighter that is docked at the berth as soon as it is called and gone as soon as it
// departs; it keeps what it is loaded with.
class BERTHFREIGHTER : public GAMENODE, public CARGOFREIGHTER {
public:
    BERTHFREIGHTER(QNNODE* parent, const QNMATRIX& at) : GAMENODE(parent, "FREIGHTER", 67, QNCF_LEVEL_GAME, 0, 0, &at, 0) {}
    void Call() override { Docking_ = DOCKINGSTATE::DOCKED; }
    void OpenDoors() override { Doors_ = DOORSTATE::OPEN; }
    void CloseDoors() override { Doors_ = DOORSTATE::CLOSED; }
    void LoadPod(float value) override
    {
        Loaded += value;
        ++Pods;
    }
    void Depart() override { Docking_ = DOCKINGSTATE::GONE; }
    QNVEC3 PodPosition(std::uint32_t) const override { return QNVEC3(0, 0, 0); }
    DOCKINGSTATE Docking() const override { return Docking_; }
    DOORSTATE Doors() const override { return Doors_; }
    float Load() const override { return Loaded; }
    bool IsFreighterDestroyed() const override { return false; }

    DOCKINGSTATE Docking_ = DOCKINGSTATE::WAITING;
    DOORSTATE Doors_ = DOORSTATE::CLOSED;
    float Loaded = 0.0f;
    int Pods = 0;
};

// Two orders, one worth more than the other: what the docked ship carries decides which one a
// delivery pays (the more valuable of those it fills), and the money follows to the cent through
// the processing, the storage, the pod and a whole freighter visit (its fee, then the cargo).
TEST_F(PlayerTest, EachDeliveryPaysTheOrderFilledAndTheFreighterPaysItToTheCent)
{
    CargoLinks.CreateFreighter = [](QNNODE* parent, const QNMATRIX&, const QNVEC3* waypoints, const QNVEC3&,
                                    CARGOPORT*, std::uint32_t) -> GAMENODE* {
        QNMATRIX berth;
        berth.SetTranslationV(waypoints[1]);
        return new BERTHFREIGHTER(parent, berth);
    };
    COLLECTORSHIPDOCK* dock = BuildDockStation();
    ASSERT_NE(dock, nullptr);
    STATIONPART* chainJoint = BuildOn(StartBeam(3), KIND_JOINT);
    ASSERT_NE(chainJoint, nullptr);
    ASSERT_NE(BuildOn(chainJoint, KIND_STORAGE), nullptr);
    STATIONPART* arm = BuildOn(chainJoint, KIND_BEAM);
    STATIONPART* portJoint = arm ? BuildOn(arm, KIND_JOINT) : nullptr;
    ASSERT_NE(portJoint, nullptr);
    auto* port = dynamic_cast<CARGOPORT*>(BuildOn(portJoint, KIND_CARGOPORT));
    ASSERT_NE(port, nullptr);
    Steps(2);
    auto* ship = dynamic_cast<TESTSHIP*>(player->Ship());
    ASSERT_TRUE(ship && ship->Docked && dock->Holding);
    ASSERT_FALSE(station->Underpowered);

    // Order 0: one Hexine line; order 1: three lines, worth more.
    WORKORDERDATA* orders = player->WorkOrders;
    auto setOrders = [&] {
        orders[0].Clear();
        orders[0].AddLine(0, 1);
        orders[1].Clear();
        orders[1].AddLine(1, 0);
        orders[1].AddLine(2, 2);
        orders[1].AddLine(3, 1);
        player->ComputeBonuses();
    };
    // Unloads what the ship carries; the amount the processor starts on (0: none).
    auto deliver = [&](std::uint32_t mask) {
        ship->Ore = mask;
        player->Delivery = DELIVERYSTATE::DOCKED;
        for (int frame = 0; frame < int(12.0 / kFrame) && player->Delivery != DELIVERYSTATE::NONE; ++frame)
            Step();
        return processor->Amount;
    };
    setOrders();
    const float cheap = orders[0].Worth(), dear = orders[1].Worth();
    ASSERT_LT(cheap, dear);

    // Both filled: the dearer is paid. Then the processor is emptied for the next case.
    EXPECT_EQ(deliver(orders[0].Cells | orders[1].Cells), dear);
    processor->Collect();
    Step();

    // Each filled alone: that one is paid, and the freighter brings it in to the cent.
    for (int which = 0; which < 2; ++which) {
        setOrders();
        const float worth = orders[which].Worth();
        const std::uint32_t mask = orders[which].Cells;
        ASSERT_FALSE(orders[1 - which].IsFilledBy(mask));
        ASSERT_EQ(deliver(mask), worth) << "order " << which;
        EXPECT_EQ(ship->Ore, 0u);

        // 180 s of processing, then the product waits in the storage unit.
        player->SetMoney(40000000.0f);
        const float start = player->Money();
        for (int frame = 0; frame < int(200.0 / kFrame) && player->FullStorage.empty(); ++frame)
            Step();
        ASSERT_FALSE(player->FullStorage.empty()) << "order " << which;
        EXPECT_EQ(processor->Amount, 0.0f);

        // F calls the freighter: its fee at the arrival, the cargo once it has gone.
        Key(SDLK_f);
        ASSERT_EQ(Posted(), std::vector<std::string>{"Freighter called"});
        bool feeSeen = false;
        for (int frame = 0; frame < int(120.0 / kFrame) && (port->Freighter() || !feeSeen); ++frame) {
            Step();
            if (!feeSeen && player->Money() != start) {
                feeSeen = true;
                EXPECT_EQ(player->Money(), start - CARGOPORT::kFee) << "order " << which;
            }
        }
        ASSERT_TRUE(feeSeen);
        ASSERT_EQ(port->Freighter(), nullptr);
        Steps(2);
        EXPECT_EQ(player->Money(), (start - CARGOPORT::kFee) + worth) << "order " << which;
        EXPECT_EQ(port->PendingPods()->FirstChild(), nullptr);
    }
}

}  // namespace
