#include "game/vehicles/ship_weapon.h"

#include <array>

namespace {

constexpr std::uint32_t kFirst = WEAPON_CHEETAH, kLast = WEAPON_CANISTER;

struct TYPEINFO {
    const char* Name;
    std::uint32_t ClassFlags;
};

constexpr TYPEINFO kTypes[kLast - kFirst + 1] = {
    {"CHEETAH", 0x2000000},
    {"DEVASTATOR", 0x2000004},
    {"EM2", 0x2000004},
    {"IRONMAN", 0x2000004},
    {"CHIPPERLAUNCHER", 0x4},
    {"REC", 0x2000000},
};

std::array<SHIPWEAPON::MAKER, kLast - kFirst + 1>& Makers()
{
    static std::array<SHIPWEAPON::MAKER, kLast - kFirst + 1> makers{};
    return makers;
}

}  // namespace

SHIPWEAPON::SHIPWEAPON(QNNODE* ship, const char* name, std::uint32_t type, std::uint32_t classFlags, bool player,
                       std::uint32_t ownerView)
    : GAMENODE(ship, name, std::int32_t(type), classFlags, 0, 1, nullptr, 0), OwnerView(ownerView),
      Player(player ? 1 : 0)
{
}

bool SHIPWEAPON::SetMaker(std::uint32_t type, MAKER maker)
{
    if (type < kFirst || type > kLast)
        return false;
    Makers()[type - kFirst] = maker;
    return true;
}

SHIPWEAPON::MAKER SHIPWEAPON::Maker(std::uint32_t type)
{
    return type < kFirst || type > kLast ? nullptr : Makers()[type - kFirst];
}

const char* SHIPWEAPON::NodeName(std::uint32_t type)
{
    return type < kFirst || type > kLast ? nullptr : kTypes[type - kFirst].Name;
}

std::uint32_t SHIPWEAPON::ClassFlagsOf(std::uint32_t type)
{
    return type < kFirst || type > kLast ? 0 : kTypes[type - kFirst].ClassFlags;
}
