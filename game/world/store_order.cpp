#include "game/world/store_order.h"

STOREORDER StoreOrders[STORE_KINDS];

void STOREORDER::Clear()
{
    *this = STOREORDER();
}

bool STOREORDER::AddProduct(std::uint32_t type, std::uint32_t limit, bool storeCredit)
{
    if (ProductCount >= kMaxProducts)
        return false;
    STOREPRODUCT& p = Products[ProductCount++];
    p = STOREPRODUCT();
    p.ItemType = type;
    p.Limit = limit;
    p.StoreCredit = storeCredit ? 1 : 0;
    return true;
}

std::uint32_t STOREORDER::TotalQuantity() const
{
    std::uint32_t total = 0;
    for (std::uint32_t i = 0; i < ProductCount && i < kMaxProducts; ++i)
        total += Products[i].Quantity;
    return total;
}

void ClearStoreOrders()
{
    for (STOREORDER& order : StoreOrders)
        order.Clear();
}
