#pragma once
/// Item type ids, the tables indexed by them, and the node-kind class table.
///
/// One number space serves station structure kinds, inventory items and store products. The
/// price table covers ids 6-33: 6 is the collector ship, 7 a freighter visit, 8-25 the station
/// structures, 26-31 the ship-weapon items; the ship-weapon rack ids 69-74 read entry id - 43 and
/// the countermeasure ids 75-77 entry id - 44. The display-name table holds the station's
/// placement messages (0-10) followed by the item names (type t at t + 3).
///
/// Every lookup is bounded by its table: an id outside it raises QNNODE_EXC naming the id.

#include <cstdint>

/// Item type ids.
enum ITEMTYPE : std::uint32_t {
    ITEM_NONE = 0,
    ITEM_COLLECTORSHIP = 6,   ///< price and condition row only
    ITEM_FREIGHTER = 7,       ///< price (a freighter visit) and condition row only
    ITEM_BEAM = 8,
    ITEM_JOINT = 9,
    ITEM_HEADQUARTERS = 10,
    ITEM_GENERATOR = 11,
    ITEM_DOCK = 12,
    ITEM_PROCESSOR = 13,
    ITEM_STORAGE = 14,
    ITEM_CARGOPORT = 15,
    ITEM_ENHANCER = 16,
    ITEM_EARLYWARNING = 17,
    ITEM_SHORTRANGETURRET = 18,
    ITEM_MIDRANGETURRET = 19,
    ITEM_FLACKGUN = 20,
    ITEM_SHOCKWAVE = 21,
    ITEM_NEUTRONEMITTER = 22,
    ITEM_MINELAUNCHER = 23,
    ITEM_ANTISHIP = 24,
    ITEM_MERCSHIPDOCK = 25,
    ITEM_CHEETAH = 26,
    ITEM_DEVASTATOR = 27,
    ITEM_EM2 = 28,
    ITEM_IRONMAN = 29,
    ITEM_CHIPPER = 30,
    ITEM_CANISTER = 31,
    WEAPON_CHEETAH = 69,      ///< rack weapon ids: item id + 43
    WEAPON_DEVASTATOR = 70,
    WEAPON_EM2 = 71,
    WEAPON_IRONMAN = 72,
    WEAPON_CHIPPER = 73,
    WEAPON_CANISTER = 74,
    COUNTERMEASURE_0 = 75,
    COUNTERMEASURE_1 = 76,
    COUNTERMEASURE_2 = 77,
};

inline constexpr std::uint32_t kFirstStructure = ITEM_BEAM;
inline constexpr std::uint32_t kLastStructure = ITEM_MERCSHIPDOCK;
inline constexpr std::uint32_t kFirstShipWeaponItem = ITEM_CHEETAH;
inline constexpr std::uint32_t kLastShipWeaponItem = ITEM_CANISTER;
/// Rack weapon id = ship-weapon item id + this.
inline constexpr std::uint32_t kWeaponIdOffset = 43;
inline constexpr std::uint32_t kFirstWeaponId = WEAPON_CHEETAH;
inline constexpr std::uint32_t kLastWeaponId = WEAPON_CANISTER;
inline constexpr std::uint32_t kFirstCountermeasure = COUNTERMEASURE_0;
inline constexpr std::uint32_t kLastCountermeasure = COUNTERMEASURE_2;

/// Station placement results: entries 0-10 of the display-name table.
enum PLACEMENTRESULT : std::uint32_t {
    PLACE_OK = 0,
    PLACE_NO_STRUCTURE = 1,
    PLACE_NO_CONNECTIONS = 2,
    PLACE_BLOCKED = 3,
    PLACE_BLOCKED_MOVING = 4,
    PLACE_SUPPORTS_OTHERS = 5,
    PLACE_PERMANENT = 6,
    PLACE_WRONG_TYPES = 7,
    PLACE_WRONG_SIDE = 8,
    PLACE_CONTAINS_ORE = 9,
    PLACE_MAXIMUM_REACHED = 10,
};

/// Enhancer colour pairs 0-5; 6 means none.
enum COLOURPAIR : std::uint32_t {
    PAIR_RED_GREEN = 0,
    PAIR_RED_BLUE = 1,
    PAIR_RED_YELLOW = 2,
    PAIR_GREEN_BLUE = 3,
    PAIR_GREEN_YELLOW = 4,
    PAIR_BLUE_YELLOW = 5,
    PAIR_NONE = 6,
};
inline constexpr std::uint32_t kColourPairCount = 6;

/// Node kinds of the game's nodes (QNNODE::Kind). Station parts use their structure kind (8-25),
/// ship weapons their rack id (69-74), countermeasures 75-77.
enum NODEKIND : std::int32_t {
    KIND_PLAIN = 0,
    KIND_SITE = 1,
    KIND_STARS = 2,
    KIND_ASTEROID = 3,
    KIND_ORE = 4,
    KIND_OREFIELD = 5,
    KIND_COMET = 6,
    KIND_ARROW = 7,
    KIND_EXPLOSION = 26,
    KIND_MUZZLEFLASH = 27,
    KIND_DEBRIS = 28,
    KIND_CREW = 29,
    KIND_HYPERSPACE = 30,
    KIND_CHUNK = 31,
    KIND_CARGOPOD = 32,
    KIND_ENERGYBALL = 33,
    KIND_MINE = 34,
    KIND_ANTISHIPMISSILE = 35,
    KIND_CHEETAHMISSILE = 36,
    KIND_FIRST_HUD = 37,
    KIND_LAST_HUD = 61,
    KIND_HELMET = 62,
    KIND_COCKPIT = 63,
    KIND_COLLSHIP = 64,
    KIND_SUIT = 65,
    KIND_FREIGHTER = 67,
    KIND_EJECTIONSEAT = 68,
    KIND_PORTAL = 78,
};

/// Classes of the node-kind class table.
enum NODECLASS : std::uint32_t {
    CLASS_PLAIN = 0,          ///< plain nodes and the site
    CLASS_NATURE = 1,         ///< sky and natural objects
    CLASS_MARKER = 2,         ///< the placement marker
    CLASS_STATIONPART = 3,
    CLASS_EFFECT = 4,         ///< effects and loose objects
    CLASS_PROJECTILE = 5,
    CLASS_HUD = 6,
    CLASS_OVERLAY = 7,        ///< helmet overlay and cockpit
    CLASS_VEHICLE = 8,
    CLASS_SHIPWEAPON = 9,
    CLASS_COUNTERMEASURE = 10,
    CLASS_PORTAL = 11,
    /// Kinds beyond the table (no game node has one): matches no class.
    CLASS_NONE = 0xFFFFFFFFu,
};
/// Entries of the node-kind class table (kinds 0-79).
inline constexpr std::uint32_t kNodeKindCount = 80;

/// Display-name table entry `index` (0-34).
const char* DisplayName(std::uint32_t index);
/// Placement result message (0-10; 0 is the empty text).
const char* PlacementMessage(std::uint32_t result);
/// Display name of item type 8-31, or of rack weapon id 69-74 (its item's name).
const char* ItemName(std::uint32_t type);
/// Enhancer colour-pair name (0-5).
const char* ColourPairName(std::uint32_t pair);

/// Price of id 6-33 in dollars (structures, ship-weapon items, the ship and a freighter visit).
float StructurePrice(std::uint32_t id);
/// Price of rack weapon id 69-74.
float ShipWeaponPrice(std::uint32_t weaponId);
/// Price of countermeasure id 75-77.
float CountermeasurePrice(std::uint32_t id);
/// The collector ship's price (what a bought ship costs, the base of its repair costs).
float CollectorShipPrice();
/// The fee of a freighter visit at a cargo port.
float FreighterVisitFee();

/// Full damage meter of id 6 (collector ship), 7 (freighter) and structure kinds 8-25.
float MaximumCondition(std::uint32_t id);
/// Most charge a collector ship holds of countermeasure id 75-77.
float CountermeasureCapacity(std::uint32_t id);

/// Class of node kind `kind`; CLASS_NONE outside the table.
std::uint32_t NodeKindClass(std::int32_t kind);

/// Whether `type` is a station structure kind (8-25).
constexpr bool IsStructure(std::uint32_t type)
{
    return type >= kFirstStructure && type <= kLastStructure;
}
