#include "game/world/item_types.h"

#include <array>

#include "engine/util/qnexception.h"

namespace {

constexpr std::array<const char*, 35> kDisplayNames = {
    "",
    "No structure selected",
    "No more connections available",
    "Blocked by another structure",
    "Blocked by moving object",
    "Structure supports other structures",
    "Structure is permanent",
    "Can't connect these structure types",
    "Wrong side for this structure type",
    "Structure contains ore",
    "Maximum quantity for this structure reached",
    "Beam",
    "Joint",
    "Headquarters",
    "Generator",
    "Collector Ship Dock",
    "Ore Processor",
    "Ore Storage Unit",
    "Cargo Port",
    "Enhancer",
    "Early Warning System",
    "Short Range Turret",
    "Midrange Turret",
    "Flack Gun",
    "Shockwave",
    "Neutron Emitter",
    "Mine Launcher",
    "Antiship Missile System",
    "Mercenary Ship Dock",
    "Cheetah Missile",
    "Devastator",
    "EM-2",
    "Ironman",
    "Chipper",
    "Rear-Eject Canister",
};

// Item type t has its name at t + 3.
constexpr std::uint32_t kNameOffset = 3;

constexpr std::array<const char*, kColourPairCount> kColourPairNames = {
    "Red/Green", "Red/Blue", "Red/Yellow", "Green/Blue", "Green/Yellow", "Blue/Yellow",
};

// Prices of ids 6-33 in dollars.
constexpr std::uint32_t kFirstPriced = 6;
constexpr std::array<float, 28> kPrices = {
    5000000.0f,  5000000.0f,                                         // 6 ship, 7 freighter visit
    0.0f,        0.0f,        0.0f,                                  // 8-10 beam, joint, headquarters
    3000000.0f,  20000000.0f, 20000000.0f, 5000000.0f, 40000000.0f,  // 11-15
    10000000.0f, 10000000.0f, 5000000.0f,  10000000.0f, 20000000.0f, // 16-20
    30000000.0f, 20000000.0f, 15000000.0f, 40000000.0f, 10000000.0f, // 21-25
    10000000.0f, 1000000.0f,  5000000.0f,  5000000.0f,  1000000.0f,  // 26-30
    5000000.0f,  5000000.0f,  5000000.0f,                            // 31-33
};
constexpr std::uint32_t kCountermeasurePriceOffset = 44;

// Full damage meters of ids 6-25.
constexpr std::array<float, 20> kMaximumConditions = {
    25.0f,  50.0f,                                // 6 ship, 7 freighter
    25.0f,  25.0f, 100.0f, 25.0f, 100.0f, 75.0f,  // 8-13
    25.0f,  300.0f, 25.0f, 25.0f, 25.0f,  25.0f,  // 14-19
    50.0f,  50.0f,  25.0f, 75.0f, 100.0f, 200.0f, // 20-25
};
constexpr float kCountermeasureCapacity = 50.0f;

constexpr std::uint32_t ClassOfKind(std::uint32_t k)
{
    if (k <= 1)
        return CLASS_PLAIN;
    if (k <= 6)
        return CLASS_NATURE;
    if (k == 7)
        return CLASS_MARKER;
    if (k <= 25)
        return CLASS_STATIONPART;
    if (k <= 32)
        return CLASS_EFFECT;
    if (k <= 36)
        return CLASS_PROJECTILE;
    if (k <= 61)
        return CLASS_HUD;
    if (k <= 63)
        return CLASS_OVERLAY;
    if (k <= 68)
        return CLASS_VEHICLE;
    if (k <= 74)
        return CLASS_SHIPWEAPON;
    if (k <= 77)
        return CLASS_COUNTERMEASURE;
    if (k == 78)
        return CLASS_PORTAL;
    return CLASS_PROJECTILE;
}

constexpr std::array<std::uint32_t, kNodeKindCount> MakeClassTable()
{
    std::array<std::uint32_t, kNodeKindCount> t{};
    for (std::uint32_t k = 0; k < kNodeKindCount; ++k)
        t[k] = ClassOfKind(k);
    return t;
}

constexpr std::array<std::uint32_t, kNodeKindCount> kNodeClasses = MakeClassTable();

[[noreturn]] void Unknown(const char* what, std::uint32_t id)
{
    throw QNNODE_EXC(0, "Unknown %s %u.", what, id);
}

}  // namespace

const char* DisplayName(std::uint32_t index)
{
    if (index >= kDisplayNames.size())
        Unknown("display name", index);
    return kDisplayNames[index];
}

const char* PlacementMessage(std::uint32_t result)
{
    if (result > PLACE_MAXIMUM_REACHED)
        Unknown("placement result", result);
    return kDisplayNames[result];
}

const char* ItemName(std::uint32_t type)
{
    if (type >= kFirstWeaponId && type <= kLastWeaponId)
        type -= kWeaponIdOffset;
    if (type < kFirstStructure || type > kLastShipWeaponItem)
        Unknown("item type", type);
    return kDisplayNames[type + kNameOffset];
}

const char* ColourPairName(std::uint32_t pair)
{
    if (pair >= kColourPairNames.size())
        Unknown("colour pair", pair);
    return kColourPairNames[pair];
}

float StructurePrice(std::uint32_t id)
{
    if (id < kFirstPriced || id - kFirstPriced >= kPrices.size())
        Unknown("item type", id);
    return kPrices[id - kFirstPriced];
}

float ShipWeaponPrice(std::uint32_t weaponId)
{
    if (weaponId < kFirstWeaponId || weaponId > kLastWeaponId)
        Unknown("weapon id", weaponId);
    return StructurePrice(weaponId - kWeaponIdOffset);
}

float CountermeasurePrice(std::uint32_t id)
{
    if (id < kFirstCountermeasure || id > kLastCountermeasure)
        Unknown("countermeasure id", id);
    return StructurePrice(id - kCountermeasurePriceOffset);
}

float CollectorShipPrice()
{
    return kPrices[ITEM_COLLECTORSHIP - kFirstPriced];
}

float FreighterVisitFee()
{
    return kPrices[ITEM_FREIGHTER - kFirstPriced];
}

float MaximumCondition(std::uint32_t id)
{
    if (id < kFirstPriced || id - kFirstPriced >= kMaximumConditions.size())
        Unknown("structure kind", id);
    return kMaximumConditions[id - kFirstPriced];
}

float CountermeasureCapacity(std::uint32_t id)
{
    if (id < kFirstCountermeasure || id > kLastCountermeasure)
        Unknown("countermeasure id", id);
    return kCountermeasureCapacity;
}

std::uint32_t NodeKindClass(std::int32_t kind)
{
    if (kind < 0 || static_cast<std::uint32_t>(kind) >= kNodeClasses.size())
        return CLASS_NONE;
    return kNodeClasses[static_cast<std::uint32_t>(kind)];
}
