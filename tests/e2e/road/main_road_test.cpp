// The game's main road, played by the program's own libraries with no display: the logo and the
// menu, a new game, building the station's chain in the suit by keys and the pointer (generator,
// dock, processor, storage unit, cargo port), the free collector ship at the new dock, boarding and
// leaving it, the chipper fired at an ore rock and the ore cloud flown through ("Collected ..."),
// docking and delivering against a work order, the ship repaired and undocked, 180 s of
// processing, a freighter called with F that carries the product away in a pod, the money rising
// by the cargo's value, the build store and the black market's EM2 fired at a computer company's
// ship, Escape to the menu and back, and Quit in the menu ending the program with status 0.
// The suit and the ship move only by their keys (the road pilot): no transform is set on them.
// Each step checks the game's state, not only that nothing failed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/fight_arena.h"
#include "tests/e2e/road/mining_steps.h"
#include "tests/e2e/road/road.h"
#include "tests/e2e/road/shop_steps.h"
#include "engine/scene/scene.h"
#include "game/screens/main_menu.h"
#include "game/vehicles/collship.h"
#include "game/world/cargo_port.h"
#include "game/world/collship_dock.h"
#include "game/world/company.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/ore_processor.h"
#include "game/world/ore_storage.h"
#include "game/world/player_company.h"
#include "game/world/station.h"
#include "game/world/work_order.h"
#include "platform/test_events.h"

namespace {

using namespace road;

/// Units out along the dock's axis where the ship is left through the sale.
constexpr float kParkOut = 90.0f;

/// Enough for the build store's cheapest product and an EM2.
constexpr float kShoppingMoney = 12000000.0f;

using mining::Ship;

PROCESSOR* Processor()
{
    const std::vector<STATIONPART*> parts = Station()->CollectParts(KIND_PROCESSOR);
    return parts.empty() ? nullptr : dynamic_cast<PROCESSOR*>(parts.front());
}

STORAGE* Storage()
{
    const std::vector<STATIONPART*> parts = Station()->CollectParts(KIND_STORAGE);
    return parts.empty() ? nullptr : dynamic_cast<STORAGE*>(parts.front());
}

/// What the road remembers from the delivery to the sale.
struct SALE {
    float Worth = 0.0f;            ///< what the delivery started the processor on
    float ElapsedAtStart = 0.0f;   ///< processing seconds already done when the wait began
    std::uint64_t ProcessingFrames = 0;
    float MoneyBeforeFee = 0.0f;
    float Load = 0.0f;
    float MoneyBefore = 0.0f;
    float Rise = 0.0f;
    float RepairsDue = 0.0f;       ///< the station's repair costs paid with the credit
};

/// The processing of a delivery, the freighter and the sale of the product. `drawEvery` sets
/// how often the long waits draw a frame.
std::vector<ROADSTEP> ProcessAndSell(const std::shared_ptr<SALE>& sale,
                                     std::function<void(std::uint32_t)> drawEvery)
{
    return {
        {"180 s of processing",
         [sale, drawEvery] {
             drawEvery(50);
             if (!Require(Processor() && Processor()->ProcessingState == PROCESSORSTATE::PROCESSING,
                          "no ore processor is processing"))
                 return;
             sale->Worth = Processor()->Amount;
             sale->ElapsedAtStart = Processor()->Elapsed;
         },
         1,
         [sale, drawEvery] {
             drawEvery(1);
             ASSERT_NE(Storage(), nullptr);
             EXPECT_FLOAT_EQ(Storage()->StoredOre, sale->Worth);
             EXPECT_EQ(Processor()->ProcessingState, PROCESSORSTATE::IDLE);
             EXPECT_EQ(Processor()->Amount, 0.0f);
             const float seconds = sale->ElapsedAtStart + float(sale->ProcessingFrames) / kDriverFramesPerSecond;
             EXPECT_GE(seconds, 180.0f);
             EXPECT_LE(seconds, 182.0f);
         },
         [sale] {
             ++sale->ProcessingFrames;
             return Storage() && Storage()->StoredOre != 0.0f;
         },
         nullptr, 200 * kDriverFramesPerSecond},
        {"the storage unit fills", nullptr, 1,
         [] { EXPECT_FLOAT_EQ(Storage()->Level, 100.0f); },
         [] { return Storage()->Level == 100.0f; }, nullptr, 60 * kDriverFramesPerSecond},
        {"call a freighter with F",
         [sale] {
             sale->MoneyBeforeFee = PlayerCompany->Money();
             Key(SDLK_f);
         },
         kKeyFrames,
         [] {
             ASSERT_NE(PlayerCompany->SiteCargoPort(), nullptr);
             EXPECT_EQ(PlayerCompany->SiteCargoPort()->Phase(), FREIGHTERPHASE::CALLED);
             EXPECT_NE(PlayerCompany->SiteCargoPort()->Freighter(), nullptr);
         }},
        {"the freighter arrives and its fee is paid", nullptr, 1,
         [sale] {
             EXPECT_FLOAT_EQ(PlayerCompany->Money(), sale->MoneyBeforeFee - CARGOPORT::kFee);
         },
         // The company takes the fee in the frame after the arrival.
         [] {
             const CARGOPORT* port = PlayerCompany->SiteCargoPort();
             return !port || (port->Present() && port->PendingFee() == 0.0f);
         },
         nullptr, 15 * kDriverFramesPerSecond},
        {"the freighter docks and opens its doors", [drawEvery] { drawEvery(10); }, 1,
         [] {
             ASSERT_NE(PlayerCompany->SiteCargoPort(), nullptr) << "the cargo port is gone";
             ASSERT_EQ(PlayerCompany->SiteCargoPort()->Phase(), FREIGHTERPHASE::HOLDING);
         },
         [] {
             const CARGOPORT* port = PlayerCompany->SiteCargoPort();
             return !port || port->Phase() == FREIGHTERPHASE::HOLDING;
         },
         nullptr,
         300 * kDriverFramesPerSecond},
        {"a pod carries the product into the freighter", nullptr, 1,
         [sale] {
             CARGOPORT* port = PlayerCompany->SiteCargoPort();
             ASSERT_NE(port, nullptr) << "the cargo port is gone";
             EXPECT_EQ(port->PodsLoaded(), 1u);
             ASSERT_NE(FreighterOf(port->Freighter()), nullptr);
             sale->Load = FreighterOf(port->Freighter())->Load();
             EXPECT_FLOAT_EQ(sale->Load, sale->Worth);
             EXPECT_EQ(Storage()->StoredOre, 0.0f);
             EXPECT_EQ(Storage()->Level, 0.0f);
         },
         [] { return !PlayerCompany->SiteCargoPort() || PlayerCompany->SiteCargoPort()->PodsLoaded() == 1u; }, nullptr,
         120 * kDriverFramesPerSecond},
        {"the freighter leaves and the money rises by the cargo's value", nullptr, 1,
         [sale, drawEvery] {
             drawEvery(1);
             // Less the station's repairs paid in that frame (a raid may have hurt it).
             EXPECT_LE(sale->Rise, sale->Load);
             EXPECT_NEAR(sale->Rise, sale->Load - sale->RepairsDue, 2.0f * sale->RepairsDue + 1.0f);
             EXPECT_EQ(PlayerCompany->SiteCargoPort()->Freighter(), nullptr);
             EXPECT_FALSE(PlayerCompany->SiteCargoPort()->Present());
         },
         [sale] {
             // The port holds the value once the freighter is gone; the company credits it in
             // the next frame. The rise is measured from the last frame with the freighter.
             const CARGOPORT* port = PlayerCompany->SiteCargoPort();
             if (port->Freighter()) {
                 sale->MoneyBefore = PlayerCompany->Money();
                 sale->RepairsDue = Station()->RepairCostTotal;
                 return false;
             }
             sale->Rise = PlayerCompany->Money() - sale->MoneyBefore;
             return port->PendingCargoValue() == 0.0f;
         },
         nullptr, 300 * kDriverFramesPerSecond},
    };
}


TEST(MainRoad, FromTheLogoThroughBuildingMiningASaleShoppingAndAFightToQuit)
{
    ReportToTest();
    std::vector<std::string> startScenes;
    COMPANY* companiesAtStart[kCompanyCount] = {};
    COMPANYMODE modeBeforeMenu = COMPANYMODE::SUIT;
    std::uint32_t countsBeforeMenu[KIND_LAST_STRUCTURE + 1] = {};

    std::vector<ROADSTEP> steps = {
        {"a new game", nullptr, 1,
         [&] {
             ASSERT_NE(PlayerCompany, nullptr);
             for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
                 ASSERT_NE(Companies[v], nullptr);
                 companiesAtStart[v] = Companies[v];
             }
             EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
             EXPECT_EQ(PlayerCompany->Money(), 0.0f);
             ASSERT_EQ(PlayerCompany->ItemCount(), 5u);
             for (std::uint32_t i = 0; i < 5; ++i)
                 EXPECT_EQ(PlayerCompany->Item(i).Type, ITEM_GENERATOR + i);
             ASSERT_NE(Station(), nullptr);
             EXPECT_EQ(Station()->Counts[KIND_HEADQUARTERS], 1u);
         }},
    };
    Append(steps, BuildOnStartBeam(2, KIND_GENERATOR, QNVEC3(1, 0, 0)));
    Append(steps, BuildOnStartBeam(0, KIND_COLLSHIPDOCK, QNVEC3(1, 0, 0)));
    Append(steps, BuildOnStartBeam(1, KIND_PROCESSOR, QNVEC3(1, 0, 0)));
    // Beam 3 is seen from outside the station along it; the cargo port goes on a free side of
    // the processor's joint, reached with Tab from the joint's top.
    Append(steps, BuildOnStartBeam(3, KIND_STORAGE, QNVEC3(0, 0, 0)));
    Append(steps, BuildOnStartBeam(1, KIND_CARGOPORT, QNVEC3(0, 0, 0), false));
    steps.push_back({"the chain is powered and the inventory empty", nullptr, 1, [] {
                         EXPECT_EQ(PlayerCompany->ItemCount(), 0u);
                         EXPECT_FALSE(Station()->Underpowered);
                         ASSERT_NE(PlayerCompany->SiteCargoPort(), nullptr);
                         EXPECT_TRUE(PlayerCompany->SiteCargoPort()->IsOperating());
                     }});
    std::vector<ROADSTEP> rest = {
        {"the first ship is free", nullptr, 600,
         [] {
             ASSERT_NE(PlayerCompany->Ship(), nullptr);
             EXPECT_FALSE(PlayerCompany->FreeShip);
             EXPECT_EQ(PlayerCompany->Money(), 0.0f);
         }},
        {"undock the free ship with Space", [] { Key(SDLK_SPACE); }, 30,
         [] {
             ASSERT_NE(PlayerCompany->Dock(), nullptr);
             EXPECT_FALSE(PlayerCompany->Dock()->Holding);
             EXPECT_EQ(PlayerCompany->Dock()->DockState, DOCKSTATE::WAITING);
         },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        BoardStep("board the ship"),
        {"leave the ship", [] { Key(SDLK_RETURN); }, 30,
         [] { EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT); }},
        BoardStep("board the ship again"),
    };
    Append(steps, std::move(rest));

    GAMEDRIVE drive;
    auto watch = std::make_shared<mining::WATCH>();
    Append(steps, mining::MiningSteps(watch));
    // While the station is powered the ship is repaired and undocked, then flown out of the
    // station's way and left floating there: a raid during the sale may shoot the generator down
    // (an unpowered dock holds its ship), and a ship beside the dock is caught in the fire.
    std::vector<ROADSTEP> afterDelivery = {
        {"the dock repairs the ship at the station's cost", nullptr, 1,
         [] {
             EXPECT_EQ(Ship()->BallisticFraction(), 1.0f);
             EXPECT_EQ(Ship()->ElectronicFraction(), 1.0f);
             EXPECT_EQ(Station()->RepairCostTotal, 0.0f);
         },
         [] {
             return PlayerCompany->Dock()->DockState == DOCKSTATE::DOCKED && Ship()->BallisticFraction() == 1.0f &&
                    Ship()->ElectronicFraction() == 1.0f && Station()->RepairCostTotal == 0.0f;
         },
         nullptr, 120 * kDriverFramesPerSecond},
        {"Space undocks the ship", [] { Key(SDLK_SPACE); }, 30,
         [] {
             EXPECT_FALSE(PlayerCompany->Dock()->Holding);
             EXPECT_EQ(PlayerCompany->Dock()->DockState, DOCKSTATE::WAITING);
             EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
         },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        BoardStep("board the undocked ship"),
        Flight("fly it 90 units out along the dock's axis",
               [] { return Pilot().ShipTo(mining::DockApproach(kParkOut), true, {.Reach = 4.0f}); }, 60.0f,
               [] { EXPECT_LT((Ship()->GetWorldMatrix().Translation() - mining::DockApproach(kParkOut)).Length(), 4.0f); }),
        Flight("and leave it floating there", &shop::LeaveShipByKeys, 20.0f,
               [] { EXPECT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT); }),
    };
    Append(steps, std::move(afterDelivery));
    auto sale = std::make_shared<SALE>();
    Append(steps, ProcessAndSell(sale, [&drive](std::uint32_t every) { drive.DrawEvery = every; }));
    // One sale of one rock's ore does not pay for a build-store product and an EM2; the road
    // credits the rest in this one step (with room for a frame's repair costs).
    auto quiet = std::make_shared<std::uint64_t>(0);
    steps.push_back({"the station's repairs come to an end", [&drive] { drive.DrawEvery = 10; }, 1,
                     [&drive] {
                         drive.DrawEvery = 1;
                         EXPECT_EQ(Station()->RepairCostTotal, 0.0f);
                     },
                     [quiet] {
                         *quiet = Station()->RepairCostTotal == 0.0f ? *quiet + 1 : 0;
                         return *quiet >= 3 * kDriverFramesPerSecond;
                     },
                     nullptr, 180 * kDriverFramesPerSecond});
    steps.push_back({"the company is credited up to the shopping money",
                     [] { PlayerCompany->AddMoney(std::max(0.0f, kShoppingMoney + 500000.0f - PlayerCompany->Money())); },
                     1, [] { ASSERT_GE(PlayerCompany->Money(), kShoppingMoney); }});
    Append(steps, ShopAndFightSteps());
    std::vector<ROADSTEP> end = {
        {"escape to the menu", [&] {
             modeBeforeMenu = PlayerCompany->Mode;
             std::copy(std::begin(Station()->Counts), std::end(Station()->Counts), std::begin(countsBeforeMenu));
             Key(SDLK_ESCAPE);
         }, 20,
         [] {
             ASSERT_NE(QNSCENE::Current, nullptr);
             EXPECT_STREQ(QNSCENE::Current->Name().Text(), "MAINMENU");
         }},
        {"and back to the same game", [] { Key(SDLK_ESCAPE); }, 20,
         [&] {
             ASSERT_NE(QNSCENE::Current, nullptr);
             EXPECT_STREQ(QNSCENE::Current->Name().Text(), "SPACE");
             for (std::uint32_t v = 0; v < kCompanyCount; ++v)
                 EXPECT_EQ(Companies[v], companiesAtStart[v]);
             // The station as it was (a raid meanwhile may have taken parts away).
             EXPECT_TRUE(std::equal(std::begin(Station()->Counts), std::end(Station()->Counts), std::begin(countsBeforeMenu)));
             EXPECT_GT(Station()->Counts[KIND_HEADQUARTERS], 0u);
             EXPECT_EQ(PlayerCompany->Mode, modeBeforeMenu);
         }},
        {"escape to the menu once more", [] { Key(SDLK_ESCAPE); }, 20,
         [] { ASSERT_STREQ(QNSCENE::Current->Name().Text(), "MAINMENU"); }},
        {"click Quit",
         [] { ClickScreen(MAINMENU::kButtonX, MAINMENU::kQuitY); },
         1, nullptr},
    };
    Append(steps, std::move(end));

    ROAD road(std::move(steps));
    drive.Frames = 100000;
    drive.DrawEvery = 1;
    FlightDrawEvery = &drive.DrawEvery;
    drive.OnStartPass = RecordStartScenes(startScenes);
    // After the last step the program must end by the menu's Quit, not by the driver.
    std::uint64_t framesAfterRoad = 0;
    constexpr std::uint64_t kQuitFrames = 100;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) {
        // Set by the test: the rivals' waits never run out, so no raid takes the dock or the
        // parked ship along the road (the fight roads test raids).
        for (std::uint32_t v : arena::RivalViews())
            if (AIPILOT* pilot = arena::PilotOf(v); pilot && pilot->State == PILOTSTATE::WAIT)
                pilot->StateTimer.Restart();
        const bool more = road.Frame();
        mining::Observe(*watch);
        if (more)
            return true;
        return road.Finished() && ++framesAfterRoad < kQuitFrames;
    };
    GAMEDRIVERTIMES times;
    EXPECT_EQ(DriveHeadlessGame(drive, &times), 0);
    FlightDrawEvery = nullptr;
    EXPECT_LT(framesAfterRoad, kQuitFrames) << "Quit did not end the program";

    ASSERT_GE(startScenes.size(), 2u);
    EXPECT_EQ(startScenes[0], "QUENNET");  // the logo
    EXPECT_EQ(startScenes[1], "MAINMENU");
    EXPECT_EQ(PlayerPlacements(), 0) << "the road set a transform on the player's suit or ship";
    EXPECT_TRUE(road.Finished()) << "last step reached: "
                                                       << (road.Reached().empty() ? "none" : road.Reached().back());
}

}  // namespace
