// The black market over a game scene: the player's company with its collector ship shops in the
// three stores through the scene stack, and the market delivers the three orders on three
// frames, station weapons first.

#include "game/screens/black_market.h"
#include "game/screens/store_catalogues.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_company.h"
#include "tests/game/vehicles/ship_fixture.h"

namespace {

class BlackMarketTest : public shiptest::ShipTest {
protected:
    void SetUp() override
    {
        ShipTest::SetUp();
        ClearStoreOrders();
        new STORE(&QNSCENE::SceneRoot());
        new BLACKMARKET(&QNSCENE::SceneRoot());
        new STATIONWEAPONSTORE(&QNSCENE::SceneRoot());
        new SHIPWEAPONSTORE(&QNSCENE::SceneRoot());
        new COUNTERMEASURESTORE(&QNSCENE::SceneRoot());
        company = new PLAYERCOMPANY(0, 0, table, scene);
        table[0] = company;
        company->SetMoney(1e8f);
    }
    void TearDown() override
    {
        QNAPP::Focus.Reset();
        QNAPP::Cursor.Reset();
        QNSCENE::PopAll();
        delete company;
        ShipTest::TearDown();
        ClearStoreOrders();
    }

    // One frame of the current scene, after the pending scene request.
    // A store told to close waits its click out: the store's frames until it asks to be popped.
    static void WaitForClose()
    {
        for (int i = 0; i < 30 && QNSCENE::RequestKind != QNSCENE::REQUEST_POP; ++i) {
            QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + 16667);
            QNSCENE::UpdateScene(QNSCENE::Current);
        }
    }
    static void Step()
    {
        QNSCENE::ApplyRequest();
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + 16667);
        QNSCENE::UpdateScene(QNSCENE::Current);
        QNSCENE::PostUpdateScene(QNSCENE::Current);
    }
    static STORESCREEN* CurrentStore() { return dynamic_cast<STORESCREEN*>(QNSCENE::Current); }
    static std::string CurrentName() { return QNSCENE::Current ? QNSCENE::Current->Name().Text() : ""; }

    // Opens store `kind` from the market, adds one unit of slot 0 at base price and buys.
    void BuyFirst(STOREKIND kind, const char* name)
    {
        ASSERT_TRUE(BLACKMARKET::OpenStore(kind, PlayerCompany));
        QNSCENE::ApplyRequest();
        ASSERT_EQ(CurrentName(), name);
        STORESCREEN* store = CurrentStore();
        for (std::uint32_t i = 0; i < store->CatalogueCount; ++i)
            store->DrawPrice(i, 0.8f);  // regular in the countermeasure store
        for (std::uint32_t i = 0; i < store->CatalogueCount && kind != STORE_COUNTERMEASURES; ++i)
            store->DrawPrice(i, 0.5f);
        store->AddUnit(0);
        ASSERT_EQ(StoreOrders[kind].TotalQuantity(), 1u);
        store->Buy();
        WaitForClose();
        QNSCENE::ApplyRequest();
        ASSERT_EQ(CurrentName(), "BLACKMARKET");
        EXPECT_EQ(StoreOrders[kind].Pending, 1);
    }

    COMPANY* table[4] = {};
    PLAYERCOMPANY* company = nullptr;
};

TEST_F(BlackMarketTest, ThreeStoresBoughtFromAreDeliveredOnThreeFramesInOrder)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 40), 1);
    company->SetShip(ship);
    ship->Countermeasure[1] = 0.5f;  // the electronic charge is not empty: not offered
    QNSCENE::RequestPush("BLACKMARKET");
    QNSCENE::ApplyRequest();
    ASSERT_EQ(CurrentName(), "BLACKMARKET");

    BuyFirst(STORE_STATIONWEAPONS, "STATIONWEAPONSTORE");
    const STOREORDER& stations = StoreOrders[STORE_STATIONWEAPONS];
    EXPECT_EQ(stations.ProductCount, 9u);  // no mercenary ship dock held: it is offered
    EXPECT_EQ(stations.Capacity, 5u);
    EXPECT_EQ(stations.Products[1].StoreCredit, 1);
    BuyFirst(STORE_SHIPWEAPONS, "SHIPWEAPONSTORE");
    EXPECT_EQ(StoreOrders[STORE_SHIPWEAPONS].ProductCount, 5u);
    EXPECT_EQ(StoreOrders[STORE_SHIPWEAPONS].Capacity, 5u);
    BuyFirst(STORE_COUNTERMEASURES, "COUNTERMEASURESTORE");
    const STOREORDER& counters = StoreOrders[STORE_COUNTERMEASURES];
    ASSERT_EQ(counters.ProductCount, 2u);
    EXPECT_EQ(counters.Products[1].ItemType, 77u);
    EXPECT_EQ(counters.Capacity, 3u);
    EXPECT_EQ(company->Money(), 1e8f);  // nothing applied while shopping

    const float earlyWarning = StructurePrice(ITEM_EARLYWARNING);
    const float cheetah = ShipWeaponPrice(69);
    const float ballistic = CountermeasurePrice(75);

    Step();
    EXPECT_EQ(company->Money(), 1e8f - earlyWarning);
    ASSERT_EQ(company->ItemCount(), 1u);
    EXPECT_EQ(company->Item(0).Type, std::uint32_t(ITEM_EARLYWARNING));
    EXPECT_FALSE(ship->Rack.Has(69));
    EXPECT_EQ(StoreOrders[STORE_SHIPWEAPONS].Pending, 1);

    Step();
    EXPECT_EQ(company->Money(), 1e8f - earlyWarning - cheetah);
    EXPECT_TRUE(ship->Rack.Has(69));
    EXPECT_EQ(ship->Countermeasure[0], 0.0f);

    Step();
    EXPECT_EQ(company->Money(), 1e8f - earlyWarning - cheetah - ballistic);
    EXPECT_GT(ship->Countermeasure[0], 0.0f);
    EXPECT_EQ(HudOf(ship)->Countermeters[0], 1.0f);
    EXPECT_EQ(counters.Pending, 0);

    // Nothing more to deliver; Escape-free frames keep the market.
    Step();
    EXPECT_EQ(company->ItemCount(), 1u);
    EXPECT_EQ(CurrentName(), "BLACKMARKET");
}

TEST_F(BlackMarketTest, WithoutAShipWeaponsWaitAndACancelledStoreOnlyWritesTheMoneyBack)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 40), 1);
    company->SetShip(ship);
    BLACKMARKET::FillOrder(STORE_SHIPWEAPONS, company);
    STOREORDER& weapons = StoreOrders[STORE_SHIPWEAPONS];
    ASSERT_EQ(weapons.Products[1].ItemType, 70u);
    weapons.Products[1].Quantity = 1;
    weapons.Cash -= ShipWeaponPrice(70);
    weapons.Pending = 1;
    company->SetShip(nullptr);
    EXPECT_FALSE(BLACKMARKET::DeliverPurchases(company));
    EXPECT_EQ(company->Money(), 1e8f);
    BLACKMARKET::FillOrder(STORE_COUNTERMEASURES, company);
    EXPECT_EQ(StoreOrders[STORE_COUNTERMEASURES].ProductCount, 0u);  // no ship: nothing offered

    company->SetShip(ship);
    EXPECT_TRUE(BLACKMARKET::DeliverPurchases(company));
    EXPECT_EQ(company->Money(), 1e8f - ShipWeaponPrice(70));
    EXPECT_TRUE(ship->Rack.Has(70));
    EXPECT_EQ(weapons.Pending, 0);
    // The same weapon again finds its slot taken: it is not charged.
    const std::uint32_t racked = ship->Rack.Count;
    weapons.Products[1].Quantity = 1;
    weapons.Products[1].UnitPrice = std::uint32_t(ShipWeaponPrice(70));
    weapons.Cash = company->Money() - ShipWeaponPrice(70);
    BLACKMARKET::OpenedWith[STORE_SHIPWEAPONS] = company->Money();
    weapons.Pending = 1;
    EXPECT_TRUE(BLACKMARKET::DeliverPurchases(company));
    EXPECT_EQ(company->Money(), 1e8f - ShipWeaponPrice(70));
    EXPECT_EQ(ship->Rack.Count, racked);

    // A countermeasure entry of another type delivers nothing but the money.
    BLACKMARKET::FillOrder(STORE_COUNTERMEASURES, company);
    STOREORDER& counters = StoreOrders[STORE_COUNTERMEASURES];
    counters.Products[0].ItemType = 70;
    counters.Products[0].Quantity = 1;
    counters.Cash -= 1e6f;
    counters.Pending = 1;
    EXPECT_TRUE(BLACKMARKET::DeliverPurchases(company));
    EXPECT_EQ(company->Money(), 1e8f - ShipWeaponPrice(70) - 1e6f);
    EXPECT_EQ(ship->Countermeasure[0] + ship->Countermeasure[1] + ship->Countermeasure[2], 0.0f);

    // A cancelled station-weapon store: the opening cash comes back, nothing is added.
    const float before = company->Money();
    QNSCENE::RequestPush("BLACKMARKET");
    QNSCENE::ApplyRequest();
    ASSERT_TRUE(BLACKMARKET::OpenStore(STORE_STATIONWEAPONS, company));
    QNSCENE::ApplyRequest();
    STORESCREEN* store = CurrentStore();
    ASSERT_NE(store, nullptr);
    store->AddUnit(1);
    store->Cancel();
    WaitForClose();
    Step();  // the store closes and the market delivers
    EXPECT_EQ(CurrentName(), "BLACKMARKET");
    EXPECT_EQ(company->Money(), before);
    EXPECT_EQ(company->ItemCount(), 0u);
    EXPECT_EQ(StoreOrders[STORE_STATIONWEAPONS].Pending, 0);
}

TEST_F(BlackMarketTest, BuyingInTheBuildStoreChangesTheCompanyOnceOnTheNextFrame)
{
    company->OpenBuildStore();
    QNSCENE::ApplyRequest();
    ASSERT_EQ(CurrentName(), "STORE");
    STORESCREEN* store = CurrentStore();
    const STOREORDER& order = StoreOrders[STORE_BUILD];
    ASSERT_EQ(order.Products[0].ItemType, std::uint32_t(ITEM_GENERATOR));
    ASSERT_EQ(order.Products[2].ItemType, std::uint32_t(ITEM_PROCESSOR));
    for (std::uint32_t i = 0; i < store->CatalogueCount; ++i)
        store->DrawPrice(i, 0.5f);
    store->AddUnit(0);
    store->AddUnit(2);
    store->AddUnit(2);
    EXPECT_EQ(store->BuyButton.Get()->Disabled, 0);
    store->Buy();
    // Its click plays out before it closes (0.12 s), and further clicks are not taken.
    Step();
    EXPECT_EQ(CurrentName(), "STORE");
    store->AddUnit(2);
    EXPECT_EQ(order.Products[2].Quantity, 2u);
    WaitForClose();
    QNSCENE::ApplyRequest();
    EXPECT_EQ(QNSCENE::Current, scene);
    EXPECT_EQ(order.Pending, 1);
    EXPECT_EQ(company->Money(), 1e8f);
    EXPECT_EQ(company->ItemCount(), 0u);

    const float generator = StructurePrice(ITEM_GENERATOR), processor = StructurePrice(ITEM_PROCESSOR);
    company->Update();
    EXPECT_EQ(company->Money(), 1e8f - generator - 2.0f * processor);
    ASSERT_EQ(company->ItemCount(), 3u);
    EXPECT_EQ(company->Item(0).Type, std::uint32_t(ITEM_GENERATOR));
    EXPECT_EQ(company->Item(0).Value, generator);
    EXPECT_EQ(company->Item(2).Type, std::uint32_t(ITEM_PROCESSOR));
    company->Update();
    EXPECT_EQ(company->Money(), 1e8f - generator - 2.0f * processor);
    EXPECT_EQ(company->ItemCount(), 3u);
}

}  // namespace
