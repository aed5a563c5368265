// The stores on the virtual clock: store credit, refusals, BUY enabling, paging, restocks with
// the countdown, cancelling, and what a frame of a store draws.

#include "engine/scene/queued_message.h"
#include "game/world/item_types.h"
#include "tests/game/screens/store_fixture.h"

namespace {

using storetest::StoreTest;

void FillBuildOrder(float cash, std::uint32_t capacity)
{
    STOREORDER& o = StoreOrders[STORE_BUILD];
    o.Clear();
    o.Cash = cash;
    o.Capacity = capacity;
    o.AddProduct(11, 0, true);   // generator, slot 0
    o.AddProduct(12, 1, true);   // collector ship dock, slot 1
    o.AddProduct(13, 0, true);   // processor, slot 2
    o.AddProduct(14, 0, false);  // ore storage, slot 3
}

TEST_F(StoreTest, StoreCreditIsUsedOnceThenRefusalsLeaveEverythingAsItWas)
{
    FillBuildOrder(0.0f, 5);
    STORESCREEN* store = Open<STORE>();
    RegularPrices(store);
    const float processor = float(PriceOf(store, 13));
    EXPECT_FALSE(BuyEnabled(store));
    EXPECT_EQ(CashLine(store), "$0.0");

    store->AddUnit(2);
    EXPECT_EQ(store->LastMessage, "STORE CREDIT USED");
    EXPECT_EQ(StoreOrders[STORE_BUILD].Cash, -processor);
    EXPECT_EQ(CashLine(store), "-$20.0");
    EXPECT_EQ(store->Quantities[2].Get()->Line(0), "1");
    EXPECT_EQ(StoreOrders[STORE_BUILD].Products[2].UnitPrice, std::uint32_t(processor));
    EXPECT_TRUE(BuyEnabled(store));

    store->AddUnit(2);
    EXPECT_EQ(store->LastMessage, "OUT OF CASH");
    EXPECT_EQ(store->LastSound, "addremove_product_error");
    EXPECT_EQ(StoreOrders[STORE_BUILD].Cash, -processor);
    EXPECT_EQ(StoreOrders[STORE_BUILD].Products[2].Quantity, 1u);

    store->AddUnit(3);
    EXPECT_EQ(store->LastMessage, "NO STORE CREDIT ON THIS ITEM");
    EXPECT_EQ(StoreOrders[STORE_BUILD].Products[3].Quantity, 0u);

    // The dock's limit of one: the error sound and no message.
    store->AddUnit(1);
    EXPECT_EQ(store->LastMessage, "STORE CREDIT USED");
    const std::uint32_t sounds = store->SoundCount;
    store->AddUnit(1);
    EXPECT_EQ(store->SoundCount, sounds + 1);
    EXPECT_EQ(store->LastSound, "addremove_product_error");
    EXPECT_EQ(store->LastMessage, "STORE CREDIT USED");
    EXPECT_EQ(StoreOrders[STORE_BUILD].Products[1].Quantity, 1u);

    // Removing every unit gives the cash back and disables BUY again.
    store->RemoveUnit(1);
    store->RemoveUnit(2);
    EXPECT_EQ(StoreOrders[STORE_BUILD].Cash, 0.0f);
    EXPECT_FALSE(BuyEnabled(store));
    store->RemoveUnit(2);
    EXPECT_EQ(store->LastSound, "addremove_product_error");
    EXPECT_EQ(store->UnitsInCart, 0u);
}

TEST_F(StoreTest, QuantitiesStopAtNineAndTheCartAtTheOrdersCapacity)
{
    FillBuildOrder(1e9f, 12);
    STORESCREEN* store = Open<STORE>();
    RegularPrices(store);
    for (int i = 0; i < 10; ++i)
        store->AddUnit(0);
    EXPECT_EQ(StoreOrders[STORE_BUILD].Products[0].Quantity, 9u);
    EXPECT_EQ(store->LastSound, "addremove_product_error");
    EXPECT_EQ(store->LastMessage, "");
    EXPECT_EQ(StoreOrders[STORE_BUILD].Cash, 1e9f - 9.0f * float(PriceOf(store, 11)));
    Leave();

    FillBuildOrder(1e9f, 2);
    store = static_cast<STORESCREEN*>(scene);
    Enter(store);
    store->AddUnit(0);
    store->AddUnit(2);
    store->AddUnit(3);
    EXPECT_EQ(store->LastMessage, "BUILD LIST FULL");
    EXPECT_EQ(StoreOrders[STORE_BUILD].TotalQuantity(), 2u);
    // Clicks on slots without a product do nothing but the error sound.
    store->AddUnit(5);
    EXPECT_EQ(store->LastSound, "addremove_product_error");
}

TEST_F(StoreTest, NextPageStaysOnAFullPageAndTheNineStationWeaponsUseTwo)
{
    STOREORDER& ships = StoreOrders[STORE_SHIPWEAPONS];
    ships.Cash = 5e7f;
    ships.Capacity = 5;
    for (std::uint32_t t : {69u, 70u, 71u, 72u, 74u})
        ships.AddProduct(t, 1, t >= 72);
    STORESCREEN* store = Open<SHIPWEAPONSTORE>();
    EXPECT_EQ(CashLine(store), "$50.0");
    store->NextPage();
    EXPECT_EQ(store->PageStart, 0u);
    EXPECT_EQ(store->ShownCount, 5u);
    EXPECT_EQ(store->LastSound, "button");
    EXPECT_EQ(store->Pivots[5], nullptr);  // five products: five preview cameras
    Leave();

    STOREORDER& stations = StoreOrders[STORE_STATIONWEAPONS];
    stations.Cash = 5e7f;
    stations.Capacity = 5;
    for (std::uint32_t t = 17; t <= 25; ++t)
        stations.AddProduct(t, t == 25 ? 1 : 0, false);
    store = Open<STATIONWEAPONSTORE>();
    store->Quantities[0].Get()->Print(0, "7");
    store->NextPage();
    EXPECT_EQ(store->PageStart, 6u);
    EXPECT_EQ(store->ShownCount, 3u);
    for (std::uint32_t k = 0; k < STORESCREEN::kSlots; ++k)
        EXPECT_EQ(store->Pivots[k]->Active, k < 3 ? 1 : 0) << k;
    EXPECT_EQ(store->Quantities[0].Get()->Line(0), "0");
    EXPECT_EQ(store->Quantities[4].Get()->Line(0), "");
    store->AddUnit(2);  // entry 8, the mercenary ship dock
    EXPECT_EQ(stations.Products[8].Quantity, 1u);
    store->NextPage();
    EXPECT_EQ(store->PageStart, 0u);
    EXPECT_EQ(store->ShownCount, 6u);
}

TEST_F(StoreTest, ARestockDuringAVisitEmptiesTheCartAndTheCountdownRunsFromFiveMinutes)
{
    STOREORDER& order = StoreOrders[STORE_SHIPWEAPONS];
    order.Cash = 5e7f;
    order.Capacity = 5;
    for (std::uint32_t t : {69u, 70u, 71u, 72u, 74u})
        order.AddProduct(t, 1, t >= 72);
    STORESCREEN* store = Open<SHIPWEAPONSTORE>();
    store->Update();
    EXPECT_EQ(store->CountdownText.Get()->Line(0), "5:01");
    EXPECT_EQ(store->CountdownText.Get()->Line(1), "minutes");

    RegularPrices(store);
    store->AddUnit(0);
    store->AddUnit(1);
    ASSERT_TRUE(BuyEnabled(store));
    QNNODE::SetFocus(store->Buttons[1].Get());
    ASSERT_NE(store->Selected, nullptr);
    EXPECT_EQ(store->NameText.Get()->Line(0), "Devastator");
    EXPECT_EQ(store->PriceText.Get()->Line(0), "$1.0m");

    Stall(299.5);
    store->Update();
    EXPECT_EQ(store->CountdownText.Get()->Line(0), "0:01");
    EXPECT_EQ(order.TotalQuantity(), 2u);

    Stall(1.0);
    store->Update();
    EXPECT_EQ(store->LastMessage, "NEW SHIPMENT - QUANTITIES RESET");
    EXPECT_EQ(order.Cash, 5e7f);
    EXPECT_EQ(order.TotalQuantity(), 0u);
    EXPECT_EQ(store->UnitsInCart, 0u);
    EXPECT_FALSE(BuyEnabled(store));
    EXPECT_EQ(store->Quantities[1].Get()->Line(0), "0");
    EXPECT_EQ(QNAPP::Focus.Get(), nullptr);
    EXPECT_EQ(store->Selected, nullptr);
    EXPECT_EQ(store->NameText.Get()->Line(0), "");
    EXPECT_EQ(store->CountdownText.Get()->Line(0), "5:01");

    // The whole capacity again.
    RegularPrices(store);
    for (std::uint32_t k = 0; k < 5; ++k)
        store->AddUnit(k);
    EXPECT_EQ(order.TotalQuantity(), 5u);

    // A restock due while nobody holds the focus.
    Stall(301.0);
    store->Update();
    EXPECT_EQ(order.TotalQuantity(), 0u);
}

TEST_F(StoreTest, CountermeasureDrawsDecideAvailabilityAndTheSignsOfTheOverlayPass)
{
    STOREORDER& order = StoreOrders[STORE_COUNTERMEASURES];
    order.Cash = 1e8f;
    order.Capacity = 3;
    order.AddProduct(75, 1, true);
    order.AddProduct(76, 1, false);
    order.AddProduct(77, 1, false);
    STORESCREEN* store = Open<COUNTERMEASURESTORE>();
    const auto base = [&](std::uint32_t type) { return std::uint32_t(CountermeasurePrice(type)); };
    for (std::uint32_t i = 0; i < 3; ++i)
        store->DrawPrice(i, 0.55f);
    EXPECT_EQ(store->Catalogue[0].State, PRODUCTSTATE::SALE);
    EXPECT_EQ(store->Catalogue[0].Price, base(75) / 2);
    EXPECT_EQ(store->Catalogue[1].State, PRODUCTSTATE::NOT_AVAILABLE);
    EXPECT_EQ(store->Catalogue[2].State, PRODUCTSTATE::NOT_AVAILABLE);

    store->SetPassVisibility(STOREPASS::OVERLAY);
    EXPECT_EQ(store->SaleSigns[0].Get()->State, 3);
    EXPECT_EQ(store->SoonSigns[0].Get()->State, 2);
    EXPECT_EQ(store->SoonSigns[1].Get()->State, 3);
    EXPECT_EQ(store->SoonSigns[3].Get()->State, 2);
    EXPECT_EQ(store->Quantities[2].Get()->State, 3);
    EXPECT_EQ(store->Quantities[3].Get()->State, 2);
    EXPECT_EQ(store->CashText.Get()->State, 2);
    store->SetPassVisibility(STOREPASS::MAIN);
    EXPECT_EQ(store->SoonSigns[1].Get()->State, 2);
    EXPECT_EQ(store->CashText.Get()->State, 3);

    store->AddUnit(1);
    EXPECT_EQ(store->LastMessage, "ITEM NOT AVAILABLE");
    EXPECT_EQ(order.Products[1].Quantity, 0u);
    store->AddUnit(0);
    EXPECT_EQ(order.Cash, 1e8f - float(base(75) / 2));

    store->DrawPrice(1, 0.8f);
    EXPECT_EQ(store->Catalogue[1].State, PRODUCTSTATE::REGULAR);
    EXPECT_EQ(store->Catalogue[1].Price, base(76));
    store->DrawPrice(2, 1.0f);
    EXPECT_EQ(store->Catalogue[2].State, PRODUCTSTATE::PREMIUM);
    EXPECT_EQ(store->Catalogue[2].Price, base(77) / 2);
}

TEST_F(StoreTest, CancelWritesTheOpeningCashBackAndLeavingMarksTheOrderPending)
{
    FillBuildOrder(6e7f, 5);
    STORESCREEN* store = Open<STORE>();
    RegularPrices(store);
    store->AddUnit(0);
    store->AddUnit(2);
    ASSERT_LT(StoreOrders[STORE_BUILD].Cash, 6e7f);
    store->Cancel();
    EXPECT_EQ(StoreOrders[STORE_BUILD].Cash, 6e7f);
    EXPECT_EQ(StoreOrders[STORE_BUILD].TotalQuantity(), 0u);
    EXPECT_EQ(StoreOrders[STORE_BUILD].Pending, 0);
    Leave();
    EXPECT_EQ(StoreOrders[STORE_BUILD].Pending, 1);

    // Prices drawn on the first visit stay for the next one.
    const std::uint32_t price = PriceOf(store, 13);
    FillBuildOrder(6e7f, 5);
    Enter(store);
    EXPECT_EQ(PriceOf(store, 13), price);
}

}  // namespace
