// Screenshots of the stores, the black market and the mercenary manager at 640 x 480, saved as
// screenshots/<scene>.png beside the test program and checked by pixel regions: each preview
// window shows its product over the window's own clear, the 2D screen around it.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/screenshot.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/view.h"
#include "game/screens/black_market.h"
#include "game/screens/merc_manager.h"
#include "game/screens/ship_scene.h"
#include "game/screens/store_catalogues.h"
#include "tests/game/game_test_util.h"

namespace {

class StoreScreenshots : public gametest::GameSceneTest {
protected:
    static constexpr std::uint32_t kWidth = 640, kHeight = 480;

    StoreScreenshots()
    {
        windowWidth = kWidth;
        windowHeight = kHeight;
    }
    void SetUp() override
    {
        GameSceneTest::SetUp();
        SeedRandom(7);
        ClearStoreOrders();
        MercenaryState.Clear();
    }
    void TearDown() override
    {
        GameSceneTest::TearDown();
        QNAPP::Focus.Reset();
        QNAPP::Cursor.Reset();
        ClearStoreOrders();
        MercenaryState.Clear();
    }

    void Enter(QNSCENE* s)
    {
        scene = s;
        s->GetView(0)->Root->Camera = s->GetView(0)->Camera;
        ForEachChildScene(s, [](QNSCENE* c) { c->GetView(0)->Root->Camera = c->GetView(0)->Camera; });
        QNSCENE::EnterScene(s);
        QNSCENE::Current = s;
    }
    /// Runs `frames` frames (update, physics, draw) and keeps the last one, saved under `name`.
    void Shoot(const char* name, int frames = 12)
    {
        for (int i = 0; i < frames; ++i) {
            Frame();
            QNDISPLAY::BeginScene();
            QNSCENE::RenderScene(scene);
            QNDISPLAY::EndScene();
            image = ReadFrame();
        }
        ASSERT_EQ(image.width, int(kWidth));
        std::string error;
        EXPECT_TRUE(SaveScreenshot(image, std::string("screenshots/") + name + ".png", &error)) << error;
    }
    std::uint32_t Pixel(int x, int y) const
    {
        const std::size_t i = (std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 3;
        return (std::uint32_t(image.rgb[i]) << 16) | (std::uint32_t(image.rgb[i + 1]) << 8) | image.rgb[i + 2];
    }
    /// Pixel rectangle of a screen-frame rectangle (upper-left corner, size).
    static void ToPixels(float x, float y, float w, float h, int* x0, int* y0, int* x1, int* y1)
    {
        *x0 = int(std::lround((x + 667.0f) * kWidth / 1333.0f));
        *y0 = int(std::lround((500.0f - y) * kHeight / 1000.0f));
        *x1 = int(std::lround((x + w + 667.0f) * kWidth / 1333.0f));
        *y1 = int(std::lround((500.0f - y + h) * kHeight / 1000.0f));
    }
    /// Share of the pixels of the rectangle within `tol` of `rgb` in every channel.
    double ShareOf(int x0, int y0, int x1, int y1, std::uint32_t rgb, int tol = 10) const
    {
        int same = 0, all = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x, ++all) {
                const std::uint32_t p = Pixel(x, y);
                bool near = true;
                for (int s = 0; s < 24; s += 8)
                    near = near && std::abs(int((p >> s) & 0xFF) - int((rgb >> s) & 0xFF)) <= tol;
                same += near;
            }
        return all ? double(same) / all : 0.0;
    }
    /// Mean of the channels over the rectangle.
    double Brightness(int x0, int y0, int x1, int y1) const
    {
        double sum = 0;
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x, ++n) {
                const std::uint32_t p = Pixel(x, y);
                sum += double((p >> 16) & 0xFF) + double((p >> 8) & 0xFF) + double(p & 0xFF);
            }
        return n ? sum / (3.0 * n) : 0.0;
    }
    /// Number of different colours (to 4 bits a channel) in the rectangle.
    int Colours(int x0, int y0, int x1, int y1) const
    {
        bool seen[4096] = {};
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const std::uint32_t p = Pixel(x, y);
                const std::uint32_t k = ((p >> 12) & 0xF00) | ((p >> 8) & 0xF0) | ((p >> 4) & 0xF);
                n += !seen[k];
                seen[k] = true;
            }
        return n;
    }

    /// The preview window of slot k is cleared black, with the product drawn inside it: a
    /// black share and a lit share.
    void ExpectPreview(STORESCREEN* store, std::uint32_t k, bool shown)
    {
        int x0, y0, x1, y1;
        ToPixels(store->Design.Slots[k][0], store->Design.Slots[k][1], 295.0f, 220.0f, &x0, &y0, &x1, &y1);
        // Inside the window, clear of its edge and of the quantity text in its lower left.
        const int ix0 = x0 + (x1 - x0) / 4, ix1 = x1 - 4, iy0 = y0 + 4, iy1 = y1 - 4;
        const double black = ShareOf(ix0, iy0, ix1, iy1, 0x000000, 6);
        if (shown) {
            EXPECT_GT(black, 0.3) << store->Design.Name << " slot " << k;
            EXPECT_LT(black, 0.995) << store->Design.Name << " slot " << k << ": no product drawn";
        } else {
            EXPECT_LT(black, 0.05) << store->Design.Name << " slot " << k << ": an empty slot is not cleared";
        }
    }

    Screenshot image;
};

TEST_F(StoreScreenshots, TheFourStoresDrawTheirPreviewsInTheirWindows)
{
    STOREORDER& build = StoreOrders[STORE_BUILD];
    build.Cash = 6.5e7f;
    build.Capacity = 5;
    for (std::uint32_t t : {11u, 12u, 13u, 14u, 15u, 16u})
        build.AddProduct(t, t == 12 || t == 15 ? 1 : 0, true);
    auto* store = new STORE(&QNSCENE::SceneRoot());
    Enter(store);
    store->AddUnit(0);
    QNNODE::SetFocus(store->Buttons[2].Get());
    Shoot("store");
    for (std::uint32_t k = 0; k < 6; ++k)
        ExpectPreview(store, k, true);
    // The backdrop between the windows, and the cash under the BUY button.
    int x0, y0, x1, y1;
    ToPixels(-650.0f, -200.0f, 100.0f, 60.0f, &x0, &y0, &x1, &y1);
    EXPECT_LT(ShareOf(x0, y0, x1, y1, 0x000000, 6), 0.5);
    ToPixels(-400.0f, -400.0f, 220.0f, 60.0f, &x0, &y0, &x1, &y1);
    EXPECT_GT(Colours(x0, y0, x1, y1), 2);
    QNSCENE::LeaveScene(store);

    STOREORDER& stations = StoreOrders[STORE_STATIONWEAPONS];
    stations.Cash = 3e7f;
    stations.Capacity = 5;
    for (std::uint32_t t = 17; t <= 25; ++t)
        stations.AddProduct(t, t == 25 ? 1 : 0, false);
    auto* stationStore = new STATIONWEAPONSTORE(&QNSCENE::SceneRoot());
    Enter(stationStore);
    Shoot("stationweaponstore");
    for (std::uint32_t k = 0; k < 6; ++k)
        ExpectPreview(stationStore, k, true);
    stationStore->NextPage();
    Shoot("stationweaponstore_page2", 2);
    for (std::uint32_t k = 0; k < 6; ++k)
        ExpectPreview(stationStore, k, k < 3);
    QNSCENE::LeaveScene(stationStore);

    STOREORDER& weapons = StoreOrders[STORE_SHIPWEAPONS];
    weapons.Cash = 2e7f;
    weapons.Capacity = 5;
    for (std::uint32_t t : {69u, 70u, 71u, 72u, 74u})
        weapons.AddProduct(t, 1, t >= 72);
    auto* weaponStore = new SHIPWEAPONSTORE(&QNSCENE::SceneRoot());
    Enter(weaponStore);
    Shoot("shipweaponstore");
    for (std::uint32_t k = 0; k < 6; ++k)
        ExpectPreview(weaponStore, k, k < 5);
    QNSCENE::LeaveScene(weaponStore);

    STOREORDER& counters = StoreOrders[STORE_COUNTERMEASURES];
    counters.Cash = 1e7f;
    counters.Capacity = 3;
    for (std::uint32_t t : {75u, 76u, 77u})
        counters.AddProduct(t, 1, t == 75);
    auto* counterStore = new COUNTERMEASURESTORE(&QNSCENE::SceneRoot());
    Enter(counterStore);
    Shoot("countermeasurestore");
    for (std::uint32_t k = 0; k < 6; ++k)
        ExpectPreview(counterStore, k, k < 3);
    QNSCENE::LeaveScene(counterStore);
}

TEST_F(StoreScreenshots, TheBlackMarketShowsItsBackdropAndHighlightsOnlyUnderThePointer)
{
    auto* market = new BLACKMARKET(&QNSCENE::SceneRoot());
    Enter(market);
    Shoot("blackmarket");
    EXPECT_GT(Colours(0, 0, int(kWidth), int(kHeight)), 8);
    // The pointer rests at the centre, inside the station-weapon picture's box only.
    QNNODE* root = market->GetView(0)->Root;
    std::vector<std::int32_t> states;
    for (QNCHILDWALK walk(root); QNITEM* c = walk.Advance();)
        if (std::string(c->Name().Text()) == "STOREBUTTON")
            states.push_back(static_cast<QNNODE*>(c)->State);
    EXPECT_EQ(states, (std::vector<std::int32_t>{3, 2, 2}));
}

TEST_F(StoreScreenshots, TheMercenaryManagerShowsTheSpinningShipInItsWindow)
{
    MercenaryState.Records[1].Hired = 1;
    auto* manager = new MERCENARYMANAGER(&QNSCENE::SceneRoot());
    Enter(manager);
    Shoot("mercenarymanager");
    int x0, y0, x1, y1;
    ToPixels(SHIPSCENE::kWindowLeft, SHIPSCENE::kWindowTop, SHIPSCENE::kWindowWidth, SHIPSCENE::kWindowHeight, &x0,
             &y0, &x1, &y1);
    EXPECT_GT(Colours(x0, y0, x1, y1), 6);
    // The ship scene cleared its window only: inside, its black under the translucent backdrop;
    // just outside, the manager's own background under it.
    const double inside = Brightness(x0 + 4, y0 + 4, x0 + 40, y0 + 40);
    const double outside = Brightness(x1 + 4, y1 - 40, x1 + 24, y1 - 4);
    EXPECT_LT(inside + 5.0, outside) << inside << " " << outside;
}

}  // namespace
