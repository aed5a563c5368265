#pragma once
/// STOREORDER: the record through which the game hands a buyer's cash and a product list to a
/// store screen and takes the purchases back. Four exist for the whole program, one per store;
/// the in-game scene clears them at every new game.
///
/// A store spends from Cash as units are added. A product with store credit may be bought while
/// the cash does not cover it: the full price is charged and the cash goes negative.

#include <cstdint>

struct STOREPRODUCT {
    std::uint32_t ItemType = 0;
    std::uint32_t Quantity = 0;   ///< units ordered (a store keeps it at most 9)
    std::uint32_t Limit = 0;      ///< most units of this product; 0 = the store's own limit
    std::uint32_t UnitPrice = 0;  ///< whole dollars per unit, set by the store
    std::uint8_t StoreCredit = 0; ///< 1: may be bought on credit
};

struct STOREORDER {
    static constexpr std::uint32_t kMaxProducts = 12;

    float Cash = 0.0f;            ///< the buyer's money in dollars
    std::uint32_t Owner = 0;      ///< the buyer's company identity
    std::uint32_t ProductCount = 0;
    std::uint32_t Capacity = 0;   ///< units the whole order may hold (the build store: free slots)
    std::uint8_t Pending = 0;     ///< purchases wait to be taken over
    STOREPRODUCT Products[kMaxProducts];

    /// Everything zero.
    void Clear();
    /// Appends a product entry (quantity and price 0); false when all twelve are in use.
    bool AddProduct(std::uint32_t type, std::uint32_t limit, bool storeCredit);
    /// Units ordered over all products.
    std::uint32_t TotalQuantity() const;
};

/// The four stores, in the order of the program's store orders.
enum STOREKIND : std::uint32_t {
    STORE_BUILD = 0,
    STORE_STATIONWEAPONS = 1,
    STORE_SHIPWEAPONS = 2,
    STORE_COUNTERMEASURES = 3,
    STORE_KINDS = 4,
};

/// The program's store orders, indexed by STOREKIND.
extern STOREORDER StoreOrders[STORE_KINDS];

/// Clears all four store orders.
void ClearStoreOrders();
