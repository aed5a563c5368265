#pragma once
/// COMPANY: one of the four players of a game, the common base of PLAYERCOMPANY and AICOMPANY.
///
/// A company is not a node: it is owned by the in-game scene, which calls Update once per
/// frame. It makes its site (under its view's root) and its space suit, and holds them, its
/// collector ship and its ejection seat by weak handle: the node tree owns them.
///
/// View and identity are two things. The view is where the company plays: the scene view of its
/// site, its physics world, planner and turn set, its enable bit and its slot in Companies[].
/// The identity is its emblem: the owner of its store orders and what docks and HUDs show.
///
/// Money is a float of dollars and may go negative (debt). Every change goes through AddMoney
/// or SetMoney, which the player's company overrides to keep its HUD in step. Debt costs 5%
/// every 60 seconds.

#include <cstdint>
#include <vector>

#include "engine/util/qn_item.h"
#include "engine/util/qntimer.h"
#include "game/world/site.h"
#include "game/world/station_part.h"
#include "game/world/work_order.h"

class GAMENODE;
class QNSCENE;
class COMPANYSHIP;
class STATION;
class CARGOPORT;
class COLLECTORSHIPDOCK;

/// One inventory slot.
struct INVENTORYITEM {
    std::uint32_t Type = 0;          ///< item type id; 0 marks an empty slot
    std::uint32_t ColourPair = 0;    ///< enhancer colour pair 0-5; 6 none
    float Value = 0.0f;              ///< dollars paid (or the part's price)
    float ConditionA = -1.0f;        ///< ballistic condition 0-1; -1 new
    float ConditionB = -1.0f;        ///< electronic condition 0-1; -1 new
};

/// Where the company's person is.
enum class COMPANYMODE : std::uint32_t {
    NONE = 0,          ///< at construction
    SUIT = 1,
    SHIP = 2,
    DESTINATIONS = 3,  ///< in the ship, choosing a jump destination (player only)
    EJECTING = 4,
};

/// Progress of a delivery at the collector-ship dock.
enum class DELIVERYSTATE : std::uint32_t {
    NONE = 0,
    DOCKING = 1,
    UNLOADING = 2,
    DOCKED = 3,
};

class COMPANY {
public:
    static constexpr std::uint32_t kInventorySize = 5;
    static constexpr float kInterestRate = 0.05f;
    /// Seconds between interest charges.
    static constexpr double kInterestPeriod = 60.0;
    /// Seconds after an ejection until the suit is back.
    static constexpr double kEjectionTime = 4.5;

    /// Makes the site under the root of view `view` of `scene` (null: the current scene; a
    /// negative view: that scene's active view) and the suit under the site; `companies` is the
    /// table of the four companies (for reaching the rivals).
    COMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene = nullptr);
    COMPANY(const COMPANY&) = delete;
    COMPANY& operator=(const COMPANY&) = delete;

    // Virtual operations, in slot order.
    /// Mode 1; the ship's pilot-aboard flag cleared.
    virtual void EnterSuit();
    /// Mode 2; the ship's pilot-aboard flag set.
    virtual void BoardShip();
    /// With a ship: mode 4, an ejection seat launched from the ship; nothing without one.
    virtual void Eject();
    virtual void AddMoney(float amount);
    virtual void SetMoney(float amount);
    /// The current collector ship (null: none).
    virtual void SetShip(GAMENODE* ship);
    /// False when five items are held; else appended (an enhancer's pair joins the held mask).
    virtual bool AddItem(std::uint32_t type, float value, float conditionA, float conditionB,
                         std::uint32_t colourPair);
    /// The item at `index`, later items moved down; out of range: an empty item, no change.
    virtual INVENTORYITEM RemoveItem(std::uint32_t index);
    /// Removes the item and credits half its value (times condition A when not negative);
    /// returns the proceeds.
    virtual float SellItem(std::uint32_t index);
    /// Leaves site, suit and ship to the node tree.
    virtual ~COMPANY();
    /// Per-frame step.
    virtual void Update();
    /// False without a collector-ship dock; else a ship at the dock (free the first time).
    virtual bool BuyCollectorShip();
    /// With money below 0: adds 5% of it (a charge) and returns the charge as a positive
    /// number; else 0.
    virtual float ChargeInterest();
    /// Dock handling of the company kind; nothing in the base.
    virtual void UpdateDock() {}

    /// Number of inventory items of `type`.
    std::uint32_t CountItems(std::uint32_t type) const;
    /// Draws both work orders, then their bonuses from the station's enhancer pairs.
    void NewWorkOrders();
    /// Recomputes both orders' bonuses from the station's enhancer pairs.
    void ComputeBonuses();

    float Money() const { return money_; }
    std::uint32_t ItemCount() const { return itemCount_; }
    const INVENTORYITEM& Item(std::uint32_t index) const { return inventory_[index < kInventorySize ? index : 0]; }
    SITE* Site() const { return site_.Get(); }
    GAMENODE* Suit() const { return suit_.Get(); }
    GAMENODE* Ship() const { return ship_.Get(); }
    /// The ship's company side, or null without a ship.
    COMPANYSHIP* ShipControl() const;
    GAMENODE* EjectionSeat() const { return seat_.Get(); }
    COMPANY* Rival(std::uint32_t view) const;
    /// The site's collector-ship dock (null when none).
    COLLECTORSHIPDOCK* Dock() const;
    /// Mask of the enhancer colour pairs of the station (none without a station).
    std::uint32_t StationEnhancerPairs() const;
    /// The site's station, or null.
    STATION* SiteStation() const;
    /// Takes the station's accumulated self-repair cost off the money.
    void PayRunningCosts();

    // The ore chain (company_cargo.cpp).
    /// Sorts the station's processors and storage units into the four lists below and takes
    /// the processing progress.
    void SortProcessingChain();
    /// Finished product into empty storage units; the freighter's fee and the cargo's value;
    /// full units emptied into pods while a freighter is held, which is sent off once nothing
    /// is left to load.
    void CargoStep();
    /// The site's cargo port calls a freighter (false without a port, or when it refuses).
    bool CallFreighter();
    /// The site's cargo port, or null.
    CARGOPORT* SiteCargoPort() const;

    // Fields.
    COMPANY** Companies = nullptr;     ///< the table of the four companies, index = view
    const std::uint32_t View;          ///< scene view 0-3
    const std::uint32_t Identity;      ///< emblem 0-3
    COMPANYMODE Mode = COMPANYMODE::NONE;
    std::uint32_t EnhancerColoursHeld = 0; ///< pairs of the enhancer items in the inventory
    WORKORDERDATA WorkOrders[2];
    float ProcessingProgress = 0.0f;   ///< largest progress of a working ore processor, 0-1
    bool EnhancersChanged = false;     ///< the station's flag, taken once per frame
    bool FreeShip = true;              ///< the next collector ship costs nothing
    DELIVERYSTATE Delivery = DELIVERYSTATE::NONE;
    QNTIMER EjectionTimer;
    QNTIMER InterestTimer;
    std::vector<QNWEAK<STATIONPART>> IdleProcessors;
    std::vector<QNWEAK<STATIONPART>> EmptyStorage;
    std::vector<QNWEAK<STATIONPART>> FinishedProcessors;
    std::vector<QNWEAK<STATIONPART>> FullStorage;
    QNWEAK<STATIONPART> LoadingStorage;   ///< the unit being emptied into a pod

    /// Seconds of unloading a delivery takes.
    static constexpr float kUnloadTime = 10.0f;

protected:
    /// The delivery at the dock: unloading against the work orders (see the .cpp).
    void UpdateDelivery();
    /// Puts the suit back near the dock (or the site) after an ejection.
    void PlaceSuitAfterEjection();

    QNWEAK<SITE> site_;
    QNWEAK<GAMENODE> suit_;
    QNWEAK<GAMENODE> ship_;
    QNWEAK<GAMENODE> seat_;

private:
    float money_ = 0.0f;
    INVENTORYITEM inventory_[kInventorySize];
    std::uint32_t itemCount_ = 0;
};
