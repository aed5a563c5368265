#include <gtest/gtest.h>

#include <string>

#include "engine/scene/node_chain.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/scene.h"
#include "engine/util/qntimer.h"
#include "game/world/ai_company.h"
#include "game/world/black_market_portal.h"
#include "game/world/company_links.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_company.h"
#include "tests/game/game_test_util.h"

namespace {

void SetClock(double seconds)
{
    QNTIMER::SetFrameCounter(static_cast<std::int64_t>(seconds * 1e6));
}

// A ship node that reports what the company asks of it.
class TESTSHIP : public GAMENODE, public COMPANYSHIP {
public:
    explicit TESTSHIP(QNNODE* parent) : GAMENODE(parent, "SHIP", KIND_COLLSHIP, QNCF_LEVEL_GAME, 0, 0, nullptr, 0) {}
    bool IsShipDestroyed() const override { return Destroyed; }
    std::uint32_t OreMask() const override { return Ore; }
    void SetOreMask(std::uint32_t mask) override { Ore = mask; }
    void SetPilotAboard(bool aboard) override { Aboard = aboard; }
    void SetViewMode(std::uint32_t) override {}
    void SetDocked(bool) override {}
    bool InstallWeapon(std::uint32_t) override { return true; }

    bool Destroyed = false;
    bool Aboard = false;
    std::uint32_t Ore = 0;
};

class CompanyTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        MakeScene([](QNRESOURCES& r) {
            SITE::RegisterMedia(r);
            RegisterPortalMedia(r);
            QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
            QNRESOURCES::TextureParams.Name = "consolefont";
            QNRESOURCES::TextureParams.File = "media\\general\\textures\\ruvuzev_font.dds";
            QNRESOURCES::TextureParams.Columns = QNRESOURCES::TextureParams.Rows = 16;
            r.AddTexture();
        });
        SetClock(0.0);
    }
    void TearDown() override
    {
        CompanyVehicles = COMPANYVEHICLES();
        GameSceneTest::TearDown();
    }

    COMPANY* table[4] = {};
};

TEST_F(CompanyTest, InventoryKeepsOrderAndEnhancerPairs)
{
    AICOMPANY company(2, 1, table, scene);
    EXPECT_EQ(company.View, 2u);
    EXPECT_EQ(company.Identity, 1u);
    ASSERT_NE(company.Site(), nullptr);
    EXPECT_EQ(company.Site()->Parent(), scene->GetView(2)->Root);
    EXPECT_EQ(company.Money(), 0.0f);
    EXPECT_EQ(company.Mode, COMPANYMODE::NONE);
    EXPECT_EQ(company.Ship(), nullptr);

    EXPECT_TRUE(company.AddItem(ITEM_GENERATOR, 3e6f, -1, -1, 0));
    EXPECT_TRUE(company.AddItem(ITEM_ENHANCER, 1e7f, -1, -1, PAIR_GREEN_BLUE));
    EXPECT_TRUE(company.AddItem(ITEM_ENHANCER, 1e7f, -1, -1, PAIR_NONE));
    EXPECT_TRUE(company.AddItem(ITEM_PROCESSOR, 2e7f, 0.5f, 1, 0));
    EXPECT_TRUE(company.AddItem(ITEM_GENERATOR, 3e6f, -1, -1, 0));
    EXPECT_FALSE(company.AddItem(ITEM_STORAGE, 5e6f, -1, -1, 0));
    EXPECT_EQ(company.ItemCount(), 5u);
    EXPECT_EQ(company.CountItems(ITEM_GENERATOR), 2u);
    EXPECT_EQ(company.EnhancerColoursHeld, 1u << PAIR_GREEN_BLUE);

    const INVENTORYITEM first = company.RemoveItem(0);
    EXPECT_EQ(first.Type, static_cast<std::uint32_t>(ITEM_GENERATOR));
    EXPECT_EQ(company.Item(0).Type, static_cast<std::uint32_t>(ITEM_ENHANCER));
    EXPECT_EQ(company.Item(3).Type, static_cast<std::uint32_t>(ITEM_GENERATOR));
    EXPECT_EQ(company.Item(4).Type, 0u);
    EXPECT_EQ(company.RemoveItem(4).Type, 0u);
    EXPECT_EQ(company.RemoveItem(4).ConditionA, -1.0f);
    EXPECT_EQ(company.ItemCount(), 4u);

    EXPECT_EQ(company.RemoveItem(0).ColourPair, static_cast<std::uint32_t>(PAIR_GREEN_BLUE));
    EXPECT_EQ(company.EnhancerColoursHeld, 0u);

    // Half the value, times condition A when it is known.
    EXPECT_EQ(company.SellItem(1), 0.5f * 2e7f * 0.5f);
    EXPECT_EQ(company.SellItem(0), 0.5f * 1e7f);
    EXPECT_EQ(company.Money(), 1e7f);
    EXPECT_EQ(company.SellItem(5), 0.0f);
    EXPECT_EQ(company.ItemCount(), 1u);
}

TEST_F(CompanyTest, DebtPaysInterestEachMinuteOnThePlayersMessageLine)
{
    PLAYERCOMPANY player(1, 3, table, scene);
    AICOMPANY rich(0, 0, table, scene);
    EXPECT_EQ(PlayerCompany, &player);
    EXPECT_EQ(PlayerView, 1u);
    auto* line = new QNQUEUEDMESSAGE(scene->GetView(1)->Root, "consolefont", 0, 0, 0, 2, 10, 10);
    player.HudLines[PLAYERCOMPANY::HUD_SUIT] = line;
    player.EnterSuit();
    player.SetMoney(-1000000.0f);
    rich.SetMoney(0.0f);

    SetClock(59.9);
    player.Update();
    rich.Update();
    EXPECT_EQ(player.Money(), -1000000.0f);

    SetClock(60.0);
    player.Update();
    rich.Update();
    EXPECT_EQ(player.Money(), -1050000.0f);
    EXPECT_EQ(rich.Money(), 0.0f);
    line->Update();
    EXPECT_STREQ(line->Shown(), "Charged $0.1M interest (5.0%)");

    SetClock(119.0);
    player.Update();
    EXPECT_EQ(player.Money(), -1050000.0f);
    SetClock(120.0);
    player.Update();
    EXPECT_EQ(player.Money(), -1050000.0f * 1.05f);

    // Selling posts on the line of the current mode only.
    player.AddItem(ITEM_GENERATOR, 3e6f, -1, -1, 0);
    player.SellItem(0);
    EXPECT_STREQ(player.MessageLine()->Lines[player.MessageLine()->WritePos - 1], "Sold Generator for $1.5M");
    player.BoardShip();
    EXPECT_EQ(player.MessageLine(), nullptr);
}

TEST_F(CompanyTest, ALostShipEjectsThePilotAndTheSuitReturns)
{
    static TESTSHIP* made = nullptr;
    static int launched = 0;
    launched = 0;
    CompanyVehicles.CreateSuit = [](GAMENODE* site, const QNMATRIX&, std::uint32_t) -> GAMENODE* {
        return new GAMENODE(site, "SUIT", KIND_SUIT, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    };
    CompanyVehicles.CreateEjectionSeat = [](QNNODE* parent, const QNMATRIX&, std::uint32_t) -> GAMENODE* {
        return new GAMENODE(parent, "SEAT", KIND_EJECTIONSEAT, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    };
    CompanyVehicles.LaunchEjectionSeat = [](GAMENODE*, GAMENODE* ship) { launched += ship == made ? 1 : 100; };

    AICOMPANY company(3, 0, table, scene);
    ASSERT_NE(company.Suit(), nullptr);
    EXPECT_EQ(company.Suit()->Parent(), static_cast<QNITEM*>(company.Site()));

    made = new TESTSHIP(company.Site());
    company.SetShip(made);
    company.BoardShip();
    EXPECT_TRUE(made->Aboard);
    company.Mode = COMPANYMODE::DESTINATIONS;
    made->Destroyed = true;
    SetClock(1.0);
    company.Update();
    EXPECT_EQ(company.Mode, COMPANYMODE::EJECTING);
    EXPECT_EQ(company.Ship(), nullptr);
    ASSERT_NE(company.EjectionSeat(), nullptr);
    EXPECT_EQ(company.EjectionSeat()->Parent(), static_cast<QNITEM*>(company.Site()));
    EXPECT_EQ(launched, 1);

    SetClock(5.5);
    company.Update();
    EXPECT_EQ(company.Mode, COMPANYMODE::EJECTING);
    SetClock(5.6);
    company.Update();
    EXPECT_EQ(company.Mode, COMPANYMODE::SUIT);
    EXPECT_EQ(company.EjectionSeat(), nullptr);

    // Without a ship nothing is ejected.
    company.Eject();
    EXPECT_EQ(company.Mode, COMPANYMODE::SUIT);
    EXPECT_EQ(launched, 1);
}

}  // namespace
