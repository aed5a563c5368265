#pragma once
// Shopping and a fight, played by keys and the pointer as a player would (the suit and the ship
// flown only by their keys, through the road pilot): the build store opened with F2 in the suit,
// the cheapest product bought and taken into the inventory once; the ship flown through the
// black-market portal, an EM2 bought in the ship-weapon store and installed in the rack by the
// market's delivery; back in space the EM2 selected with Tab and fired at a computer company's
// ship (flying out and jumping to its site when it is elsewhere) until the ship is hurt; home and
// out of the ship. To set the fight's scene the computer ship is placed 30 units ahead of the
// player's stopped ship before each burst (it flies on its own course otherwise).
//
// Starts at the player's own site in the suit (or aboard a still ship, which it leaves first),
// with a collector ship, docked or not, and money for its cheapest build-store product and an EM2
// (at most $4.5M and $7.5M: the prices on show); the inventory needs one free slot and
// the rack no EM2. Ends in the suit at home, the ship beside it (it jumps back when it fought
// elsewhere).

#include <cmath>
#include <memory>
#include <vector>

#include "app/game_road.h"
#include "engine/scene/view.h"
#include "game/screens/black_market.h"
#include "game/screens/store_catalogues.h"
#include "game/screens/store_elements.h"
#include "game/screens/store_screen.h"
#include "game/vehicles/collship.h"
#include "game/world/black_market_portal.h"
#include "game/world/collship_dock.h"
#include "game/world/item_types.h"
#include "game/world/site.h"

namespace road {

namespace shop {

inline STORESCREEN* CurrentStore()
{
    return dynamic_cast<STORESCREEN*>(QNSCENE::Current);
}

/// The order entry of `type` in `order`, or -1.
inline int EntryOf(const STOREORDER& order, std::uint32_t type)
{
    for (std::uint32_t e = 0; e < order.ProductCount && e < STOREORDER::kMaxProducts; ++e)
        if (order.Products[e].ItemType == type)
            return int(e);
    return -1;
}

/// Clicks the middle of the product window that shows order entry `entry` on the current page.
inline bool ClickProduct(int entry)
{
    STORESCREEN* store = CurrentStore();
    if (!Require(store != nullptr, "no store is open") || !Require(entry >= 0, "the product is not offered"))
        return false;
    const auto slot = std::uint32_t(entry) - store->PageStart;
    if (!Require(std::uint32_t(entry) >= store->PageStart && slot < store->ShownCount, "the product is not on this page"))
        return false;
    ClickScreen(store->Design.Slots[slot][0] + BOOMPIVOT::kSlotWidth / 2,
                store->Design.Slots[slot][1] - BOOMPIVOT::kSlotHeight / 2);
    return true;
}

/// Clicks a store's BUY button where it stands.
inline void ClickBuy()
{
    STORESCREEN* store = CurrentStore();
    if (!Require(store && store->BuyButton.Get(), "no BUY button"))
        return;
    const QNVEC3 at = store->BuyButton.Get()->GetWorldMatrix().Translation();
    ClickScreen(at.x, at.y);
}

/// The black market's button of store `index` (-1: the exit).
inline BLACKMARKET::MARKETBUTTON* MarketButton(std::int32_t index)
{
    if (!SceneIs("BLACKMARKET"))
        return nullptr;
    QNITEM* root = QNSCENE::Current->GetView(0)->Root;
    for (QNITEM* i = root; i; i = QNITEM::Next(root, i))
        if (auto* b = dynamic_cast<BLACKMARKET::MARKETBUTTON*>(i); b && b->Index == index)
            return b;
    return nullptr;
}

inline void ClickMarket(std::int32_t index)
{
    BLACKMARKET::MARKETBUTTON* button = MarketButton(index);
    if (!Require(button != nullptr, "no such black-market button"))
        return;
    const QNVEC3 at = button->GetWorldMatrix().Translation();
    ClickScreen(at.x, at.y);
}

/// The barrier of the portal at the player's site.
inline BARRIER* PortalBarrier()
{
    SITE* site = PlayerCompany ? PlayerCompany->Site() : nullptr;
    if (!site)
        return nullptr;
    for (QNITEM* i = site; i; i = QNITEM::Next(site, i))
        if (auto* portal = dynamic_cast<BLACKMARKETPORTAL*>(i))
            return portal->Barrier;
    return nullptr;
}

/// A computer company's ship that is not destroyed (one at the player's ship's site first).
inline COLLSHIP* ComputerShip()
{
    COLLSHIP* own = PlayerShip();
    COLLSHIP* found = nullptr;
    for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
        if (!Companies[v] || Companies[v] == PlayerCompany)
            continue;
        auto* ship = dynamic_cast<COLLSHIP*>(Companies[v]->Ship());
        if (!ship || ship->IsDestroyed() || !ship->CurrentSite.Get())
            continue;
        if (own && ship->CurrentSite.Get() == own->CurrentSite.Get())
            return ship;
        if (!found)
            found = ship;
    }
    return found;
}

/// The index of the company whose site is `site` (kCompanyCount when none).
inline std::uint32_t CompanyOfSite(const SITE* site)
{
    for (std::uint32_t v = 0; v < kCompanyCount; ++v)
        if (Companies[v] && Companies[v]->Site() == site)
            return v;
    return kCompanyCount;
}

inline void JumpToTarget();
inline void JumpHome();

/// What the steps remember between them.
struct SHOPRUN {
    float Money = 0.0f;
    std::uint32_t Items = 0;
    std::uint32_t Price = 0;
    std::uint32_t Type = ITEM_NONE;
    std::uint32_t MarketEntries = 0;
    std::uint32_t RackCount = 0;
    QNWEAK<COLLSHIP> Target;
};

/// Whether the company's money is `before` less `price`, give or take a quarter of the price: the
/// station's running costs (repairs) are paid as the game goes on, a second charge is not.
inline bool Paid(float before, std::uint32_t price)
{
    return std::fabs(PlayerCompany->Money() - (before - float(price))) < 0.25f * float(price);
}

/// The offered build-store product with the lowest price on show that the store's cash covers
/// (ITEM_NONE when none).
inline std::uint32_t CheapestProduct()
{
    STORESCREEN* store = CurrentStore();
    const STOREORDER& order = StoreOrders[STORE_BUILD];
    std::uint32_t best = ITEM_NONE, bestPrice = 0;
    for (std::uint32_t e = 0; store && e < order.ProductCount && e < STORESCREEN::kSlots; ++e) {
        const std::uint32_t i = store->CatalogueIndex(order.Products[e].ItemType);
        if (i >= store->CatalogueCount || float(store->Catalogue[i].Price) > order.Cash)
            continue;
        if (best == ITEM_NONE || store->Catalogue[i].Price < bestPrice)
            best = store->Catalogue[i].Type, bestPrice = store->Catalogue[i].Price;
    }
    return best;
}

/// Aboard, the ship is brought to rest by its keys and Enter leaves it: true once in the suit.
/// Call every frame.
inline bool LeaveShipByKeys()
{
    if (PlayerCompany->Mode == COMPANYMODE::SUIT)
        return true;
    if (PlayerCompany->Mode != COMPANYMODE::SHIP || !PlayerShip())
        return false;
    static std::uint64_t lastEnter = 0;
    const std::uint64_t pass = Script().Pass();
    if (Pilot().ShipStop(0.5f * PLAYERCOMPANY::kSlow) && PlayerCompany->ReadyToBoard &&
        (pass > lastEnter + 4 || pass < lastEnter)) {
        Key(SDLK_RETURN);
        lastEnter = pass;
    }
    return false;
}

// Frames a pointer click takes from the scripted motion to the release, and a few to act on it.
constexpr std::uint64_t kClickFrames = 16;
// Frames the trigger is held at each aim of the fight.
constexpr std::uint64_t kBurstFrames = 15;

/// Company `c`'s key and 1: the hyperjump to the first destination of that company's list.
inline void JumpFromSite(std::uint32_t c)
{
    Key(kCompanyKeys[c]);
    HoldKeyAt(Script().Pass() + 6, SDLK_1, 1);
}

/// A flight straight out from the middle of the ship's site until the hyperjump is enabled (or
/// none is wanted, `wanted` false); the ship flies on.
inline ROADSTEP FlyOutToJump(const char* name, std::function<bool()> wanted)
{
    return Flight(name,
                  [wanted] {
                      COLLSHIP* ship = PlayerShip();
                      if (!ship || !wanted() || PlayerCompany->HyperjumpEnabled)
                          return true;
                      const QNVEC3 centre = ship->CurrentSite.Get()->GetWorldMatrix().Translation();
                      QNVEC3 out = (ship->GetWorldMatrix().Translation() - centre).Normalize();
                      if (out.Length() < 0.5f)
                          out = QNVEC3(0, 1, 0);
                      Pilot().ShipTo(centre + out * (PLAYERCOMPANY::kJumpDistance + 80.0f), false, {.Reach = 20.0f},
                                     nullptr, COLLSHIP::kTopSpeed);
                      return false;
                  },
                  60.0f, [wanted] { Require(!wanted() || PlayerCompany->HyperjumpEnabled, "the hyperjump is not enabled"); });
}

/// Whether the nearest computer ship is at another site than the player's ship.
inline bool TargetAway()
{
    COLLSHIP* target = ComputerShip();
    COLLSHIP* ship = PlayerShip();
    return target && ship && target->CurrentSite.Get() != ship->CurrentSite.Get();
}

inline bool AwayFromHome()
{
    COLLSHIP* ship = PlayerShip();
    return ship && ship->CurrentSite.Get() != PlayerCompany->Site();
}

/// Unless a computer ship is at the player's ship's site: the jump to the target's site.
inline void JumpToTarget()
{
    COLLSHIP* target = ComputerShip();
    COLLSHIP* ship = PlayerShip();
    if (!target || !ship || target->CurrentSite.Get() == ship->CurrentSite.Get())
        return;
    const std::uint32_t c = CompanyOfSite(target->CurrentSite.Get());
    if (!Require(c < kCompanyCount, "the target's site has no company"))
        return;
    JumpFromSite(c);
}

/// Away from home: the jump to the player's own site.
inline void JumpHome()
{
    COLLSHIP* ship = PlayerShip();
    if (!ship || ship->CurrentSite.Get() == PlayerCompany->Site())
        return;
    const std::uint32_t c = CompanyOfSite(PlayerCompany->Site());
    if (!Require(c < kCompanyCount, "the player's site has no company"))
        return;
    JumpFromSite(c);
}

/// The fight's bursts: the ship stopped; the target set 30 units ahead of its nose (a placement
/// of the rival that sets the scene, as a chase that found it would); the nose turned onto it by
/// the pilot; the trigger held for a burst; again until `done`. Call every frame.
struct FIGHT {
    enum class PHASE { STOP, PLACE, AIM, FIRE } Phase = PHASE::STOP;
    std::uint64_t FireEnds = 0;
    int Bursts = 0;
    float Before = 0.0f;  ///< the target's electronic points when the last burst began

    /// True once a burst has drained the target's electronic points.
    bool Frame(COLLSHIP* target)
    {
        COLLSHIP* ship = PlayerShip();
        if (std::getenv("PILOT_TRACE") && target)
            std::fprintf(stderr, "FIGHT %llu phase %d bursts %d electronic %.3f before %.3f dist %.1f\n", (unsigned long long)Script().Pass(), int(Phase), Bursts, target->Electronic, Before,
                         (target->GetWorldMatrix().Translation() - ship->GetWorldMatrix().Translation()).Length());
        if (!target || !ship || (Bursts > 0 && target->Electronic < Before)) {
            Pilot().Release();
            return true;
        }
        switch (Phase) {
        case PHASE::STOP:
            if (Pilot().ShipStop(0.5f))
                Phase = PHASE::PLACE;
            break;
        case PHASE::PLACE: {
            const QNMATRIX m = ship->GetWorldMatrix();
            QNMATRIX at = target->GetWorldMatrix();
            MoveTo(at, m.Translation() + m.Row(2).Normalize() * 30.0f);
            PlaceAtWorld(target, at);
            Phase = PHASE::AIM;
            break;
        }
        case PHASE::AIM:
            if (Pilot().ShipAim(target->GetWorldMatrix().Translation(), {.Aim = 0.03f, .Still = 0.1f})) {
                HoldKey(SDLK_SPACE, kBurstFrames);
                FireEnds = Script().Pass() + kBurstFrames + 5;
                Before = target->Electronic;
                ++Bursts;
                Phase = PHASE::FIRE;
            }
            break;
        case PHASE::FIRE:
            if (Script().Pass() >= FireEnds)
                Phase = PHASE::STOP;
            break;
        }
        return false;
    }
};

}  // namespace shop

/// The shopping and fight steps (see the head of this file).
inline std::vector<ROADSTEP> ShopAndFightSteps()
{
    using namespace shop;
    auto run = std::make_shared<SHOPRUN>();
    auto fight = std::make_shared<FIGHT>();
    STOREORDER& build = StoreOrders[STORE_BUILD];
    STOREORDER& weapons = StoreOrders[STORE_SHIPWEAPONS];

    std::vector<ROADSTEP> steps = {
        Flight("into the suit", &LeaveShipByKeys, 20.0f,
               [] { Require(PlayerCompany->Mode == COMPANYMODE::SUIT, "the player is not in the suit"); }),
        {"F2 opens the build store",
         [=] {
             run->Money = PlayerCompany->Money();
             run->Items = PlayerCompany->ItemCount();
             Key(SDLK_F2);
         },
         kKeyFrames,
         [=, &build] {
             Require(SceneIs("STORE"), "the build store did not open");
             Require(build.Cash == run->Money, "the store's cash is not the company's money");
             Require(build.Capacity == COMPANY::kInventorySize - run->Items, "the order's room is not the free slots");
             run->Type = CheapestProduct();
             Require(run->Type != ITEM_NONE, "the company can pay for nothing in the build store");
         }},
        {"a click adds the cheapest product to the cart", [=] { ClickProduct(EntryOf(StoreOrders[STORE_BUILD], run->Type)); },
         kClickFrames,
         [=, &build] {
             STORESCREEN* store = CurrentStore();
             if (!Require(store != nullptr, "the build store closed"))
                 return;
             const std::uint32_t i = store->CatalogueIndex(run->Type);
             if (!Require(i < store->CatalogueCount, "the product is not in the catalogue"))
                 return;
             run->Price = store->Catalogue[i].Price;
             const STOREPRODUCT& entry = build.Products[EntryOf(build, run->Type)];
             Require(run->Price >= StructurePrice(run->Type) / 2, "the product's price is below its sale price");
             Require(entry.Quantity == 1, "the cart does not hold one unit of the product");
             Require(build.TotalQuantity() == 1, "the cart holds more than the product");
             Require(entry.UnitPrice == run->Price, "the unit price is not the catalogue's");
             Require(build.Cash == run->Money - float(run->Price), "the store's cash did not drop by the price");
             Require(PlayerCompany->Money() == run->Money, "the company paid before buying");
         }},
        {"BUY closes the store and the purchase is applied", [] { ClickBuy(); }, kClickFrames,
         [=, &build] {
             Require(SceneIs("SPACE"), "the store did not close");
             Require(build.Pending == 0, "the order was not taken over");
             Require(Paid(run->Money, run->Price), "the money did not drop by the price");
             if (!Require(PlayerCompany->ItemCount() == run->Items + 1, "the inventory did not gain one item"))
                 return;
             const INVENTORYITEM item = PlayerCompany->Item(run->Items);
             Require(item.Type == run->Type, "the new item is not the product bought");
             Require(item.Value == float(run->Price), "the item's value is not its price");
         }},
        {"the purchase stays applied once", nullptr, 30,
         [=] {
             Require(Paid(run->Money, run->Price), "the money changed again");
             Require(PlayerCompany->ItemCount() == run->Items + 1, "the inventory changed again");
         }},
        {"undock the ship when the dock holds it",
         [] {
             if (PlayerCompany->Dock() && PlayerCompany->Dock()->Holding)
                 Key(SDLK_SPACE);
         },
         30, [] { Require(!PlayerCompany->Dock() || !PlayerCompany->Dock()->Holding, "the ship is still docked"); },
         [] { return !PlayerCompany->Dock() || !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        BoardStep("board the ship"),
        Flight("40 units in front of the black-market portal, nose on it",
               InTurn({[] {
                           const QNMATRIX b = PortalBarrier()->GetWorldMatrix();
                           return Pilot().ShipTo(b.Translation() - b.Row(2).Normalize() * 40.0f, true, {.Reach = 4.0f});
                       },
                       [] { return Pilot().ShipAim(PortalBarrier()->GetWorldMatrix().Translation(), {.Aim = 0.03f}); }}),
               60.0f, [] { Require(SceneIs("SPACE"), "the black market opened on the way"); }),
        {"fly through the portal into the black market",
         [=] {
             BARRIER* barrier = PortalBarrier();
             if (!Require(barrier != nullptr, "no black-market portal at the site") ||
                 !Require(PlayerShip() != nullptr, "no ship"))
                 return;
             run->MarketEntries = barrier->Entries;
             HoldKey(SDLK_w, 60);
         },
         30,
         [=] {
             Require(SceneIs("BLACKMARKET"), "the black market did not open");
             Require(PortalBarrier()->Entries == run->MarketEntries + 1, "the barrier did not count one entry");
         },
         [] { return SceneIs("BLACKMARKET"); }, nullptr, 10},
        {"a click opens the ship-weapon store",
         [=] {
             run->Money = PlayerCompany->Money();
             run->RackCount = PlayerShip()->Rack.Count;
             ClickMarket(1);
         },
         kClickFrames,
         [=, &weapons] {
             Require(SceneIs("SHIPWEAPONSTORE"), "the ship-weapon store did not open");
             Require(weapons.Cash == run->Money, "the store's cash is not the company's money");
             Require(EntryOf(weapons, WEAPON_EM2) >= 0, "no EM2 for sale");
             STORESCREEN* store = CurrentStore();
             const std::uint32_t i = store ? store->CatalogueIndex(WEAPON_EM2) : STORESCREEN::kMaxCatalogue;
             if (Require(i < STORESCREEN::kMaxCatalogue, "the EM2 is not in the catalogue"))
                 Require(float(store->Catalogue[i].Price) <= weapons.Cash, "the company cannot pay for the EM2");
             Require(EntryOf(weapons, WEAPON_IRONMAN) < 0, "the rack's Ironman is for sale again");
             Require(EntryOf(weapons, WEAPON_CHIPPER) < 0, "the chipper launcher is for sale");
         }},
        {"a click adds an EM2 to the cart", [] { ClickProduct(EntryOf(StoreOrders[STORE_SHIPWEAPONS], WEAPON_EM2)); },
         kClickFrames,
         [=, &weapons] {
             STORESCREEN* store = CurrentStore();
             if (!Require(store != nullptr, "the store closed"))
                 return;
             run->Price = store->Catalogue[store->CatalogueIndex(WEAPON_EM2)].Price;
             Require(weapons.Products[EntryOf(weapons, WEAPON_EM2)].Quantity == 1, "the cart holds no EM2");
             Require(weapons.TotalQuantity() == 1, "the cart holds more than the EM2");
             Require(weapons.Cash == run->Money - float(run->Price), "the store's cash did not drop by the price");
         }},
        {"BUY returns to the market, which installs the EM2", [] { ClickBuy(); }, kClickFrames,
         [=, &weapons] {
             Require(SceneIs("BLACKMARKET"), "the store did not return to the market");
             Require(weapons.Pending == 0, "the order was not delivered");
             Require(PlayerShip()->Rack.Has(WEAPON_EM2), "the EM2 is not in the rack");
             Require(PlayerShip()->Rack.Count == run->RackCount + 1, "the rack did not gain one weapon");
             Require(Paid(run->Money, run->Price), "the money did not drop by the price");
         }},
        {"the exit leaves the market", [] { ClickMarket(-1); }, kClickFrames,
         [=] {
             Require(SceneIs("SPACE"), "still in the black market");
             Require(PlayerCompany->Mode == COMPANYMODE::SHIP, "not aboard after the market");
             Require(PlayerShip()->Rack.Count == run->RackCount + 1, "the rack changed again");
             Require(Paid(run->Money, run->Price), "the money changed again");
         }},
        // The ship comes out of the market flying on at the throttle it had: out of the barrier's
        // way (a ship drifting back into it enters the market again) the throttle is closed.
        Flight("clear of the portal",
               [] {
                   return (PlayerShip()->GetWorldMatrix().Translation() - PortalBarrier()->GetWorldMatrix().Translation())
                              .Length() > 50.0f;
               },
               20.0f, nullptr),
        {"D closes the throttle", [] { Key(SDLK_d); }, 30,
         [=] {
             Require(SceneIs("SPACE"), "not in space");
             Require(PlayerShip()->Throttle == 0.0f, "the throttle is not closed");
             Require(PortalBarrier()->Entries == run->MarketEntries + 1, "the market was entered again");
         }},
        {"Tab selects the EM2", [] { Key(SDLK_TAB); }, kKeyFrames,
         [] { Require(PlayerShip()->SelectedWeaponType() == WEAPON_EM2, "the EM2 is not selected"); },
         [] { return PlayerShip()->SelectedWeaponType() == WEAPON_EM2; }, [](int) { Key(SDLK_TAB); }, 8},
        {"a computer company's ship",
         nullptr, 50, [] { Require(ComputerShip() != nullptr, "no computer company has a ship"); },
         [] { return ComputerShip() != nullptr; }, nullptr, 180},
        FlyOutToJump("out to where the hyperjump opens", &TargetAway),
        {"jump to its site", &JumpToTarget, 100,
         [] {
             COLLSHIP* target = ComputerShip();
             if (Require(target != nullptr, "the computer ship is gone"))
                 Require(target->CurrentSite.Get() == PlayerShip()->CurrentSite.Get(), "not at the target's site");
         },
         [] {
             COLLSHIP* target = ComputerShip();
             return target && target->CurrentSite.Get() == PlayerShip()->CurrentSite.Get();
         },
         [](int) { JumpToTarget(); }, 12},
        Flight("the EM2 drains the computer ship", [=] { return fight->Frame(run->Target.Get()); },
               60.0f,
               [=] {
                   COLLSHIP* t = run->Target.Get();
                   Require(t != nullptr, "the computer ship is gone");
                   Require(fight->Bursts > 0, "the EM2 was never fired");
                   Require(t == nullptr || t->Electronic < fight->Before, "the computer ship lost no electronic points");
                   Require(PlayerShip()->SelectedWeaponType() == WEAPON_EM2, "the EM2 was deselected");
               },
               [=] {
                   run->Target = ComputerShip();
                   *fight = FIGHT{};
               }),
        FlyOutToJump("out to where the hyperjump home opens", &AwayFromHome),
        {"home", &JumpHome, 100,
         [] { Require(PlayerShip()->CurrentSite.Get() == PlayerCompany->Site(), "the ship is not at home"); },
         [] { return PlayerShip()->CurrentSite.Get() == PlayerCompany->Site(); }, [](int) { JumpHome(); }, 12},
        Flight("back into the suit", &LeaveShipByKeys, 30.0f,
               [] { Require(PlayerCompany->Mode == COMPANYMODE::SUIT, "the player is not in the suit"); }),
    };
    return steps;
}

}  // namespace road
