#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/util/qnexception.h"
#include "game/world/item_types.h"
#include "game/world/store_order.h"

namespace {

TEST(ItemTables, EveryItemHasANamePriceAndClass)
{
    std::set<std::string> names;
    for (std::uint32_t t = kFirstStructure; t <= kLastShipWeaponItem; ++t) {
        const std::string name = ItemName(t);
        EXPECT_FALSE(name.empty()) << t;
        EXPECT_TRUE(names.insert(name).second) << "duplicate name " << name;
        EXPECT_GE(StructurePrice(t), 0.0f) << t;
    }
    for (std::uint32_t t = kFirstStructure; t <= kLastStructure; ++t) {
        EXPECT_EQ(NodeKindClass(static_cast<std::int32_t>(t)), CLASS_STATIONPART) << t;
        EXPECT_GT(MaximumCondition(t), 0.0f) << t;
    }
    for (std::uint32_t w = kFirstWeaponId; w <= kLastWeaponId; ++w) {
        EXPECT_STREQ(ItemName(w), ItemName(w - kWeaponIdOffset));
        EXPECT_EQ(ShipWeaponPrice(w), StructurePrice(w - kWeaponIdOffset));
        EXPECT_EQ(NodeKindClass(static_cast<std::int32_t>(w)), CLASS_SHIPWEAPON);
    }
    for (std::uint32_t c = kFirstCountermeasure; c <= kLastCountermeasure; ++c) {
        EXPECT_EQ(CountermeasurePrice(c), 5000000.0f);
        EXPECT_EQ(CountermeasureCapacity(c), 50.0f);
        EXPECT_EQ(NodeKindClass(static_cast<std::int32_t>(c)), CLASS_COUNTERMEASURE);
    }
    // Placement messages and item names share the one table without overlapping.
    EXPECT_STREQ(PlacementMessage(PLACE_OK), "");
    EXPECT_STREQ(PlacementMessage(PLACE_WRONG_TYPES), "Can't connect these structure types");
    EXPECT_STREQ(DisplayName(11), "Beam");
    EXPECT_STREQ(ItemName(ITEM_CANISTER), "Rear-Eject Canister");
    EXPECT_STREQ(ItemName(WEAPON_EM2), "EM-2");
    EXPECT_STREQ(ColourPairName(PAIR_BLUE_YELLOW), "Blue/Yellow");
}

TEST(ItemTables, PricesAndClassesOfNamedRows)
{
    EXPECT_EQ(StructurePrice(ITEM_BEAM), 0.0f);
    EXPECT_EQ(StructurePrice(ITEM_JOINT), 0.0f);
    EXPECT_EQ(StructurePrice(ITEM_HEADQUARTERS), 0.0f);
    EXPECT_EQ(ShipWeaponPrice(WEAPON_CHEETAH), StructurePrice(ITEM_CHEETAH));
    EXPECT_EQ(ShipWeaponPrice(WEAPON_CHEETAH), 10000000.0f);
    EXPECT_EQ(StructurePrice(ITEM_CARGOPORT), 40000000.0f);
    EXPECT_EQ(StructurePrice(ITEM_GENERATOR), 3000000.0f);
    EXPECT_EQ(CollectorShipPrice(), 5000000.0f);
    EXPECT_EQ(FreighterVisitFee(), 5000000.0f);
    EXPECT_EQ(MaximumCondition(ITEM_COLLECTORSHIP), 25.0f);
    EXPECT_EQ(MaximumCondition(ITEM_FREIGHTER), 50.0f);
    EXPECT_EQ(MaximumCondition(ITEM_CARGOPORT), 300.0f);
    EXPECT_EQ(MaximumCondition(ITEM_MERCSHIPDOCK), 200.0f);

    EXPECT_EQ(NodeKindClass(KIND_SITE), CLASS_PLAIN);
    EXPECT_EQ(NodeKindClass(KIND_COMET), CLASS_NATURE);
    EXPECT_EQ(NodeKindClass(KIND_ARROW), CLASS_MARKER);
    EXPECT_EQ(NodeKindClass(KIND_CARGOPOD), CLASS_EFFECT);
    EXPECT_EQ(NodeKindClass(KIND_CHEETAHMISSILE), CLASS_PROJECTILE);
    EXPECT_EQ(NodeKindClass(KIND_LAST_HUD), CLASS_HUD);
    EXPECT_EQ(NodeKindClass(KIND_COCKPIT), CLASS_OVERLAY);
    EXPECT_EQ(NodeKindClass(KIND_EJECTIONSEAT), CLASS_VEHICLE);
    EXPECT_EQ(NodeKindClass(KIND_PORTAL), CLASS_PORTAL);
    EXPECT_EQ(NodeKindClass(79), CLASS_PROJECTILE);
    EXPECT_EQ(NodeKindClass(80), CLASS_NONE);
    EXPECT_EQ(NodeKindClass(-1), CLASS_NONE);
}

TEST(ItemTables, UnknownIdsRaiseAnEngineErrorNamingThem)
{
    EXPECT_THROW(DisplayName(35), QNNODE_EXC);
    EXPECT_THROW(PlacementMessage(11), QNNODE_EXC);
    EXPECT_THROW(ItemName(7), QNNODE_EXC);
    EXPECT_THROW(ItemName(32), QNNODE_EXC);
    EXPECT_THROW(ItemName(75), QNNODE_EXC);
    EXPECT_THROW(StructurePrice(5), QNNODE_EXC);
    EXPECT_THROW(StructurePrice(34), QNNODE_EXC);
    EXPECT_THROW(ShipWeaponPrice(26), QNNODE_EXC);
    EXPECT_THROW(CountermeasurePrice(78), QNNODE_EXC);
    EXPECT_THROW(MaximumCondition(26), QNNODE_EXC);
    EXPECT_THROW(ColourPairName(PAIR_NONE), QNNODE_EXC);
    try {
        ItemName(1000);
        FAIL();
    } catch (const QNEXCEPTION& e) {
        EXPECT_NE(std::string(e.what()).find("1000"), std::string::npos) << e.what();
    }
}

TEST(StoreOrders, ProductsAreAppendedUpToTwelveAndClearedToZero)
{
    STOREORDER& order = StoreOrders[STORE_BUILD];
    order.Clear();
    order.Cash = 3.0f;
    order.Owner = 2;
    order.Pending = 1;
    for (std::uint32_t i = 0; i < STOREORDER::kMaxProducts; ++i)
        EXPECT_TRUE(order.AddProduct(ITEM_GENERATOR + i % 6, i, i % 2 == 0));
    EXPECT_FALSE(order.AddProduct(ITEM_ENHANCER, 0, false));
    EXPECT_EQ(order.ProductCount, STOREORDER::kMaxProducts);
    EXPECT_EQ(order.Products[3].ItemType, ITEM_PROCESSOR + 1);
    EXPECT_EQ(order.Products[3].StoreCredit, 0);
    EXPECT_EQ(order.Products[4].StoreCredit, 1);
    order.Products[0].Quantity = 2;
    order.Products[11].Quantity = 3;
    EXPECT_EQ(order.TotalQuantity(), 5u);

    ClearStoreOrders();
    for (const STOREORDER& o : StoreOrders) {
        EXPECT_EQ(o.Cash, 0.0f);
        EXPECT_EQ(o.Owner, 0u);
        EXPECT_EQ(o.ProductCount, 0u);
        EXPECT_EQ(o.Capacity, 0u);
        EXPECT_EQ(o.Pending, 0);
        for (const STOREPRODUCT& p : o.Products)
            EXPECT_EQ(p.ItemType + p.Quantity + p.Limit + p.UnitPrice + p.StoreCredit, 0u);
    }
}

}  // namespace
