#pragma once
// The store screens on the headless display with the stand-in media: a store is made under the
// scene root, its order filled by the test, and entered; frames run on the virtual clock and
// Render() draws every pass of the store.

#include <gtest/gtest.h>

#include <string>

#include "engine/physics/sprite_node.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "game/screens/store_catalogues.h"
#include "game/screens/store_elements.h"
#include "tests/game/game_test_util.h"

namespace storetest {

class StoreTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        ClearStoreOrders();
        QNAPP::Focus.Reset();
    }
    void TearDown() override
    {
        QNAPP::Focus.Reset();
        QNAPP::Cursor.Reset();
        GameSceneTest::TearDown();
        ClearStoreOrders();
    }

    /// Makes the store (its order already filled by the test) and enters it.
    template <class STORECLASS>
    STORECLASS* Open()
    {
        auto* store = new STORECLASS(&QNSCENE::SceneRoot());
        Enter(store);
        return store;
    }
    void Enter(QNSCENE* s)
    {
        scene = s;
        s->GetView(0)->Root->Camera = s->GetView(0)->Camera;
        QNSCENE::EnterScene(s);
        QNSCENE::Current = s;
    }
    void Leave()
    {
        QNSCENE::LeaveScene(scene);
        QNSCENE::Current = nullptr;
    }

    /// Every product of `store` at its base price (a draw between the sale and premium bounds).
    static void RegularPrices(STORESCREEN* store)
    {
        for (std::uint32_t i = 0; i < store->CatalogueCount; ++i)
            store->DrawPrice(i, 0.5f);
        if (store->Design.Rule == DRAWRULE::COUNTERMEASURE)
            for (std::uint32_t i = 0; i < store->CatalogueCount; ++i)
                store->DrawPrice(i, 0.8f);
    }
    static std::uint32_t PriceOf(STORESCREEN* store, std::uint32_t type)
    {
        return store->Catalogue[store->CatalogueIndex(type)].Price;
    }
    static const std::string& CashLine(STORESCREEN* store) { return store->CashText.Get()->Line(0); }
    static bool BuyEnabled(STORESCREEN* store) { return store->BuyButton.Get()->Disabled == 0; }
};

}  // namespace storetest
