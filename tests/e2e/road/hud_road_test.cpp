// The HUDs read against the game they show, through one game of the program run headless by its
// own driver, played by keys and the pointer only (the pilot flies the suit and the ship). At each
// moment (in the suit at home, after a sale, in the cockpit, at the throttle, under a missile,
// away at a rival's site, after an ejection) every element of the HUD on screen is compared with
// the state it shows: the money, the site and target-site indicators with colour and emblem, the
// arrows, the three proximity meters, the two throttle arrows, the work-order icons and panel, the
// weapon selector, the canister counter, the inventory, the indicators and the messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/input/qninputmap.h"
#include "engine/scene/queued_message.h"
#include "engine/sound/qnsound.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/collship_hud.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/hud_meter.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/ranking_display.h"
#include "game/vehicles/ship_hud.h"
#include "game/vehicles/ship_weapon.h"
#include "game/vehicles/site_indicator.h"
#include "game/vehicles/suit.h"
#include "game/vehicles/suit_hud.h"
#include "game/world/antiship.h"
#include "game/world/cargo_port.h"
#include "game/world/collship_dock.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_company.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "game/world/work_order.h"
#include "tests/e2e/road/road.h"

namespace {

using namespace road;

bool Shown(const QNNODE* n)
{
    return n && n->State == 3;
}

COLLSHIP* Ship()
{
    return PlayerCompany ? dynamic_cast<COLLSHIP*>(PlayerCompany->Ship()) : nullptr;
}

SUITHUD* SuitHud()
{
    auto* suit = PlayerCompany ? dynamic_cast<SUIT*>(PlayerCompany->Suit()) : nullptr;
    return suit ? suit->Hud : nullptr;
}

COLLSHIPHUD* ShipHud()
{
    COLLSHIP* ship = Ship();
    return ship ? dynamic_cast<COLLSHIPHUD*>(ship->Hud) : nullptr;
}

std::string MoneyText(float money)
{
    char text[32];
    MONEYDISPLAY::Format(money, text, sizeof text);
    return text;
}

const STATIONPART* HeadquartersOf(const SITE* site)
{
    const auto* station = site ? dynamic_cast<const STATION*>(site->Station.Get()) : nullptr;
    const auto parts = station ? station->CollectParts(KIND_HEADQUARTERS, 1) : std::vector<STATIONPART*>();
    return parts.empty() ? nullptr : parts.front();
}

float ArrowTravel(const SHIPHUD* hud, std::uint32_t arrow)
{
    return hud->ThrottleArrows[arrow]->GetLocalMatrix().Translation().y - hud->ThrottleBase[arrow].Translation().y;
}

float Travel(float value)
{
    value = std::fmax(-1.0f, std::fmin(1.0f, value));
    return value * (value >= 0.0f ? SHIPHUD::kThrottleForward : SHIPHUD::kThrottleReverse);
}

/// What the HUD message lines showed, in order, without repeats.
struct LINES {
    std::vector<std::string> Lower, Upper;
    void Watch(const HUD* hud)
    {
        if (!hud)
            return;
        auto take = [](std::vector<std::string>& seen, const QNQUEUEDMESSAGE* line) {
            const std::string text = line ? line->Shown() : "";
            if (!text.empty() && (seen.empty() || seen.back() != text))
                seen.push_back(text);
        };
        take(Lower, hud->LowerLine);
        take(Upper, hud->UpperLine);
    }
    bool SawLower(const std::string& text) const
    {
        for (const std::string& s : Lower)
            if (s == text)
                return true;
        return false;
    }
};

/// The elements shared by both HUDs: the money, the own site's colour and emblem, no panel.
void CheckCommon(const HUD* hud, const char* moment)
{
    SCOPED_TRACE(moment);
    EXPECT_EQ(hud->Money->Text(), MoneyText(PlayerCompany->Money()));
    // Debt in red.
    ASSERT_NE(hud->Money->Resources, nullptr);
    const char* colour = PlayerCompany->Money() < 0.0f ? "hud_moneydisplay_neg" : "hud_moneydisplay_pos";
    EXPECT_EQ(hud->Money->Colour, hud->Money->Resources->FindColour(colour, 0)) << colour;
    EXPECT_TRUE(Shown(hud->SiteIndicator));
    EXPECT_EQ(hud->SiteIndicator->ColourIcon->Index, PlayerView);
    EXPECT_EQ(hud->SiteIndicator->CompanyIcon->Index, PlayerCompany->Identity);
    EXPECT_EQ(hud->ShownPanel.Get(), nullptr);
    EXPECT_FALSE(Shown(hud->Ranking));
    EXPECT_TRUE(Shown(hud->LowerLine));
}

void CheckSuitHud(const char* moment)
{
    SCOPED_TRACE(moment);
    ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SUIT);
    SUITHUD* hud = SuitHud();
    ASSERT_NE(hud, nullptr);
    ASSERT_TRUE(Shown(hud));
    CheckCommon(hud, moment);
    // The home arrow points at the headquarters, the other arrow at the company's ship (none
    // without one).
    EXPECT_EQ(hud->OwnLocator->Target.Get(), HeadquartersOf(PlayerCompany->Site()));
    EXPECT_EQ(hud->Locator->Target.Get(), PlayerCompany->Ship());
    if (!PlayerCompany->Ship()) {
        EXPECT_FALSE(Shown(hud->Locator));
    }
    // The inventory: one icon per item, each the item's cell; the rest hidden.
    ASSERT_EQ(hud->Inventory->Count, PlayerCompany->ItemCount());
    for (std::uint32_t i = 0; i < SUITINVENTORY::kCapacity; ++i) {
        if (i < PlayerCompany->ItemCount()) {
            EXPECT_EQ(hud->Inventory->Cells[i], SUITINVENTORY::CellOf(PlayerCompany->Item(i).Type)) << i;
            EXPECT_TRUE(Shown(hud->Inventory->Icons[i])) << i;
        } else {
            EXPECT_FALSE(Shown(hud->Inventory->Icons[i])) << i;
        }
    }
    // Processing progress, the power warning, the board and freighter indicators.
    EXPECT_EQ(Shown(hud->Progress), std::fabs(PlayerCompany->ProcessingProgress) > 0.0001f);
    EXPECT_EQ(hud->OverloadIcon->Blinking, PlayerCompany->SiteStation()->Underpowered);
    EXPECT_EQ(hud->CollShipIndicator->Blinking, PlayerCompany->ReadyToBoard);
    const CARGOPORT* port = PlayerCompany->SiteCargoPort();
    EXPECT_EQ(Shown(hud->CargoShipIndicator), port && port->Present());
}

void CheckShipHud(const char* moment)
{
    SCOPED_TRACE(moment);
    ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP);
    COLLSHIP* ship = Ship();
    COLLSHIPHUD* hud = ShipHud();
    ASSERT_NE(hud, nullptr);
    ASSERT_TRUE(Shown(hud));
    CheckCommon(hud, moment);
    // The target site: hidden at home; elsewhere the host's colour and emblem.
    const SITE* at = ship->CurrentSite.Get();
    ASSERT_NE(at, nullptr);
    if (at == PlayerCompany->Site()) {
        EXPECT_FALSE(Shown(hud->TargetSite));
    } else {
        EXPECT_TRUE(Shown(hud->TargetSite));
        EXPECT_EQ(hud->TargetSite->ColourIcon->Index, at->ViewIndex);
        EXPECT_EQ(hud->TargetSite->CompanyIcon->Index, CompanyOfView(at->ViewIndex)->Identity);
    }
    // The home arrow points at the headquarters of the site the ship is at; the freighter arrow
    // follows the watched freighter.
    EXPECT_EQ(hud->OwnLocator->Target.Get(), HeadquartersOf(at));
    EXPECT_EQ(hud->Locator->Target.Get(), PlayerCompany->WatchedFreighter.Get());
    // The proximity meters show the ship's three values, shown only above empty.
    for (std::uint32_t i = 0; i < SHIPHUD::kProximityMeters; ++i) {
        EXPECT_NEAR(hud->Proximity[i]->Value, ship->Proximity[i], 1e-5f) << "meter " << i;
        EXPECT_EQ(Shown(hud->Proximity[i]), ship->Proximity[i] > 0.0001f) << "meter " << i;
    }
    // Countermeters: shown while charged.
    for (std::uint32_t k = 0; k < SHIPHUD::kCountermeters; ++k)
        EXPECT_EQ(Shown(hud->Countermeters[k]), ship->Countermeasure[k] > 0.0f) << "countermeter " << k;
    // The throttle: one arrow at the speed, the other at the setting.
    EXPECT_NEAR(ArrowTravel(hud, SHIPHUD::kSpeedArrow), Travel(ship->Speed), 0.01f);
    EXPECT_NEAR(ArrowTravel(hud, SHIPHUD::kThrottleArrow), Travel(QNINPUTMAP::Value(ACT_THROTTLE)), 0.01f);
    // The work-order icons hold the company's two orders; the preferred filled one blinks.
    const WORKORDERDATA* orders[2] = {&PlayerCompany->WorkOrders[0], &PlayerCompany->WorkOrders[1]};
    const std::uint32_t mask = ship->OreMask();
    const int preferred = orders[0]->Worth() > orders[1]->Worth() ? 0 : 1;
    const bool filled[2] = {orders[0]->IsFilledBy(mask), orders[1]->IsFilledBy(mask)};
    const int blinking = filled[preferred] ? preferred : filled[1 - preferred] ? 1 - preferred : -1;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(hud->OrderIcons[i]->Order, orders[i]) << "order icon " << i;
        EXPECT_EQ(hud->OrderIcons[i]->Blinking, blinking == i) << "order icon " << i;
    }
    EXPECT_EQ(hud->OreMask, mask);
    const WORKORDER* panel = hud->WorkOrder;
    EXPECT_FALSE(Shown(panel));
    // The weapon selector: one icon per installed rack weapon, the selected one marked.
    std::uint32_t icons = 0;
    for (QNITEM* c = hud->Weapons->Icons->FirstChild(); c; c = c->Next())
        if (auto* icon = dynamic_cast<WEAPONICON*>(c)) {
            EXPECT_TRUE(ship->Rack.Has(icon->WeaponId)) << icon->WeaponId;
            ++icons;
        }
    EXPECT_EQ(icons, ship->Rack.Count);
    const WEAPONICON* selected = hud->Weapons->IconOf(ship->SelectedWeaponType());
    ASSERT_NE(selected, nullptr);
    std::int32_t place = 0;
    for (QNITEM* c = hud->Weapons->Icons->FirstChild(); c && c != selected; c = c->Next())
        ++place;
    EXPECT_EQ(hud->Weapons->Selected, place);
    // The canister count, the ore flash, the electronic warning, the reticle.
    const std::uint32_t canisters =
        ship->Canister ? std::uint32_t(std::lround(ship->Canister->AmmoLevel() * 5.0f)) : 0u;
    char rec[24];
    std::snprintf(rec, sizeof rec, "REC: %u", canisters);
    EXPECT_STREQ(hud->CanisterText, rec);
    EXPECT_EQ(Shown(hud->CanisterCounter), canisters != 0);
    EXPECT_EQ(Shown(hud->OreCollected), hud->OreCollected->Showing);
    if (ship->Active) {
        EXPECT_FALSE(Shown(hud->ElecDamage));
    }
    EXPECT_TRUE(Shown(hud->Reticle));
}

/// The HUD node made for `target` in one of the ship's target lists (marker or arrow), or null.
GAMENODE* MarkerOf(const std::vector<TARGETENTRY>& list, const QNNODE* target)
{
    for (const TARGETENTRY& e : list)
        if (e.Node.Get() == target)
            return e.Marker.Get();
    return nullptr;
}

/// The work-order panel shows order `n` (1 or 2): its lines' ores with a check for each ore
/// aboard, its worth, and its icon in the shown cell.
void CheckOrderPanel(std::uint32_t n)
{
    SCOPED_TRACE(n);
    COLLSHIPHUD* hud = ShipHud();
    ASSERT_NE(hud, nullptr);
    const WORKORDERDATA& order = PlayerCompany->WorkOrders[n - 1];
    const std::uint32_t mask = Ship()->OreMask();
    const WORKORDER* panel = hud->WorkOrder;
    EXPECT_EQ(hud->ShownOrder, n);
    EXPECT_EQ(hud->ShownPanel.Get(), panel);
    EXPECT_TRUE(Shown(panel));
    ASSERT_EQ(panel->FilledLines, std::min<std::uint32_t>(order.LineCount, WORKORDER::kLines));
    for (std::uint32_t i = 0; i < WORKORDER::kLines; ++i) {
        const WORKORDER::LINE& line = panel->Lines[i];
        if (i >= panel->FilledLines) {
            EXPECT_FALSE(Shown(line.Text)) << i;
            continue;
        }
        EXPECT_EQ(line.Colour, order.Lines[i].Colour) << i;
        EXPECT_EQ(line.Kind, order.Lines[i].Kind) << i;
        EXPECT_STREQ(line.Name, WORKORDER::OreName(line.Colour, line.Kind)) << i;
        EXPECT_EQ(line.Checked, ((mask >> OreCell(line.Colour, line.Kind)) & 1u) != 0) << i;
        EXPECT_TRUE(Shown(line.Text) && Shown(line.CheckBox) && Shown(line.OreIcon)) << i;
    }
    char worth[40];
    std::snprintf(worth, sizeof worth, "$%.1f MILLION", double(order.Worth()) * 0.000001);
    EXPECT_STREQ(panel->ValueText, worth);
    // The panel covers the clutter: the message lines and the arrows are hidden under it.
    EXPECT_FALSE(Shown(hud->LowerLine));
    EXPECT_FALSE(Shown(hud->OwnLocator));
}

TEST(HudRoad, EveryHudElementShowsTheGameAtEachMomentOfPlay)
{
    ReportToTest();
    auto lines = std::make_shared<LINES>();
    auto sale = std::make_shared<std::string>();
    auto missile = std::make_shared<QNWEAK<GAMENODE>>();
    auto away = std::make_shared<QNWEAK<SITE>>();
    auto warned = std::make_shared<int>(0);
    auto rival = std::make_shared<QNWEAK<GAMENODE>>();

    std::vector<ROADSTEP> steps = {
        {"in the suit at home", nullptr, 5, [] { CheckSuitHud("suit at home"); }},
        {"the ore storage unit sold by Shift and its place number",
         [sale] {
             for (std::uint32_t i = 0; i < PlayerCompany->ItemCount(); ++i)
                 if (PlayerCompany->Item(i).Type == ITEM_STORAGE) {
                     char text[64];
                     std::snprintf(text, sizeof text, "Sold %s for $%.1fM", ItemName(ITEM_STORAGE),
                                   PlayerCompany->Item(i).Value * 0.5f * 0.000001f);
                     *sale = text;
                     Key(SDLK_1 + SDL_Keycode(i), true);
                 }
         },
         10,
         [lines, sale] {
             ASSERT_FALSE(sale->empty());
             EXPECT_EQ(PlayerCompany->CountItems(ITEM_STORAGE), 0u);
             EXPECT_TRUE(lines->SawLower(*sale)) << *sale;
             CheckSuitHud("after a sale");
         }},
    };
    const std::int32_t kinds[] = {KIND_GENERATOR, KIND_COLLSHIPDOCK};
    const std::int32_t sides[] = {2, 0};
    for (int i = 0; i < 2; ++i)
        Append(steps, BuildOnStartBeam(sides[i], kinds[i], QNVEC3(1, 0, 0)));
    Append(steps, {
        {"the free ship in the dock", nullptr, 600,
         [] {
             ASSERT_NE(Ship(), nullptr);
             CheckSuitHud("a ship at the dock");
         },
         [] { return Ship() != nullptr; }, nullptr, 20},
        {"undock", [] { Key(SDLK_SPACE); }, 30, [] { ASSERT_FALSE(PlayerCompany->Dock()->Holding); },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
    });
    Append(steps, {BoardStep("board")});
    Append(steps, {
        {"in the cockpit", nullptr, 5, [] { CheckShipHud("in the cockpit"); }},
        {"O shows the first order", [] { Key(SDLK_o); }, 4, [] { CheckOrderPanel(1); }},
        {"O shows the second order", [] { Key(SDLK_o); }, 4, [] { CheckOrderPanel(2); }},
        {"O closes the panel", [] { Key(SDLK_o); }, 4, [] {
             EXPECT_EQ(ShipHud()->ShownOrder, 0u);
             CheckShipHud("the panel closed");
         }},
        {"throttle up by W",
         [] { HoldKey(SDLK_w, 40); }, 30,
         [] {
             ASSERT_GT(QNINPUTMAP::Value(ACT_THROTTLE), Ship()->Speed + 0.05f);
             CheckShipHud("throttling up");
         }},
        Flight("out past the jump distance",
               [] {
                   const QNVEC3 home = PlayerCompany->Site()->GetWorldMatrix().Translation();
                   QNVEC3 out = Ship()->GetWorldMatrix().Translation() - home;
                   out.y = 0.0f;
                   return PlayerCompany->HyperjumpEnabled ||
                          Pilot().ShipTo(home + out.Normalize() * 260.0f + QNVEC3(0, 120, 0), false,
                                         PILOTTOLERANCE{10.0f});
               },
               90.0f,
               [lines] {
                   ASSERT_TRUE(PlayerCompany->HyperjumpEnabled);
                   EXPECT_TRUE(lines->SawLower("Hyperjump Enabled"));
                   CheckShipHud("out past the jump distance");
               }),
        Flight("stopped", [] { return Pilot().ShipStop(); }, 20.0f, [] { CheckShipHud("stopped"); }),
        {"a station missile homing on the ship from 70 units ahead",
         [missile] {
             COLLSHIP* ship = Ship();
             QNMATRIX at;
             at.SetLookAt(ship->GetWorldMatrix().Translation() + ship->GetWorldMatrix().Row(2).Normalize() * 70.0f,
                          ship->GetWorldMatrix().Translation(), QNVEC3(0, 1, 0));
             auto* m = new ANTISHIP::MISSILE(ship->ParentNode(), at, ship);
             m->SetState(3, 0, false, true);
             *missile = m;
         },
         2,
         [missile, warned] {
             COLLSHIP* ship = Ship();
             PROXMETER* meter = ShipHud()->Proximity[2];
             const float d = (missile->Get()->GetWorldMatrix().Translation() - ship->GetWorldMatrix().Translation())
                                 .Length();
             EXPECT_NEAR(meter->Value, (100.0f - d) / 95.0f, 0.03f);
             EXPECT_TRUE(Shown(meter));
             ASSERT_NE(meter->Sound, nullptr);
             EXPECT_NE(meter->Sound->Looping(), 0u);
             CheckShipHud("under a missile");
             ++*warned;
         }},
        {"the missile strikes", nullptr, 1, [missile] { ASSERT_EQ(missile->Get(), nullptr); },
         [missile] { return missile->Get() == nullptr; }, nullptr, 600},
        {"after the missile", nullptr, 3,
         [] {
             PROXMETER* meter = ShipHud()->Proximity[2];
             EXPECT_FLOAT_EQ(meter->Value, 0.0f);
             EXPECT_FALSE(Shown(meter));
             EXPECT_EQ(meter->Sound->Looping(), 0u);
             EXPECT_LT(Ship()->Ballistic, Ship()->BallisticMax);
             CheckShipHud("after the missile");
         }},
        {"a rival's destinations by its key, corner 3",
         [away] {
             for (std::uint32_t c = 0; c < kCompanyCount; ++c)
                 if (Companies[c] != PlayerCompany) {
                     *away = Companies[c]->Site();
                     Key(kCompanyKeys[c]);
                     HoldKeyAt(Script().Pass() + 4, SDLK_3, 1);
                     break;
                 }
         },
         50, [away] { ASSERT_EQ(Ship()->CurrentSite.Get(), away->Get()); },
         [away] { return Ship()->CurrentSite.Get() == away->Get() && !Ship()->Tunnel; }, nullptr, 20},
        {"away at the rival's site", nullptr, 5, [] { CheckShipHud("away"); }},
        {"the host's ship 60 units ahead",
         [rival] {
             COLLSHIP* ship = Ship();
             auto* site = ship->CurrentSite.Get();
             QNMATRIX ahead;
             ahead.SetTranslation(0.0f, 0.0f, 60.0f);
             ahead = ahead * ship->GetWorldMatrix();
             auto* other = new COLLSHIP(site, &ahead, site->ViewIndex, CompanyOfView(site->ViewIndex)->Identity);
             other->SetViewMode(VIEWMODE_OUTSIDE);
             other->SetPilotAboard(true);
             other->SetState(3, 0, false, true);
             *rival = other;
         },
         5,
         [rival, lines] {
             auto* other = dynamic_cast<COLLSHIP*>(rival->Get());
             ASSERT_NE(other, nullptr);
             static constexpr const char* kSuffix[4] = {"(IMI)", "(OreBit)", "(Profond l'espace)", "(Entronic)"};
             const std::string label = std::string("Collector Ship ") + kSuffix[other->Identity];
             EXPECT_EQ(Ship()->Target.Get(), other);
             EXPECT_EQ(std::string(ShipHud()->UpperLine->Shown()), label);
             GAMENODE* marker = MarkerOf(Ship()->NearTargets, other);
             ASSERT_NE(marker, nullptr);
             EXPECT_TRUE(Shown(marker));
             CheckShipHud("a rival ahead");
         }},
        {"the host's ship wrecked", [rival] { static_cast<COLLSHIP*>(rival->Get())->DamageBallistic(1000.0f, 0, 0); },
         3,
         [rival] {
             auto* other = dynamic_cast<COLLSHIP*>(rival->Get());
             ASSERT_NE(other, nullptr);  // the wreck drifts on with its pilot aboard
             ASSERT_TRUE(other->IsDestroyed());
             EXPECT_FALSE(Shown(MarkerOf(Ship()->NearTargets, other)));
             EXPECT_FALSE(Shown(MarkerOf(Ship()->FarTargets, other)));
             CheckShipHud("a rival wrecked");
         }},
        {"wrecked there, the pilot ejects", [] { Ship()->DamageBallistic(1000.0f, 0, 0); }, 10,
         [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::EJECTING); }},
        {"back in the suit at home after the ejection", nullptr, 30,
         [] { CheckSuitHud("after an ejection"); },
         [] { return PlayerCompany->Mode == COMPANYMODE::SUIT; }, nullptr, 20},
        {"a new ship bought at the dock", nullptr, 30,
         [lines] {
             ASSERT_NE(Ship(), nullptr);
             EXPECT_TRUE(lines->SawLower("Purchased new Collector Ship for $5.0 M"));
             CheckSuitHud("a new ship bought");
         },
         [] { return Ship() != nullptr; }, nullptr, 20},
        {"done", nullptr, 2, nullptr},
    });

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) {
        if (PlayerCompany) {
            lines->Watch(SuitHud());
            lines->Watch(ShipHud());
        }
        return road.Frame();
    };
    ASSERT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    EXPECT_TRUE(road.Finished()) << "last step reached: "
                                 << (road.Reached().empty() ? "none" : road.Reached().back());
    EXPECT_EQ(*warned, 1);
}

}  // namespace
