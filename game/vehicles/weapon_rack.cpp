#include "game/vehicles/weapon_rack.h"

#include "game/vehicles/ship_weapon.h"

WEAPONRACK::WEAPONRACK()
{
    static constexpr std::uint32_t kDefaultOrder[kSlots] = {69, 71, 72, 70, 73};
    SetOrder(kDefaultOrder);
}

bool WEAPONRACK::SetOrder(const std::uint32_t order[kSlots])
{
    std::array<std::uint32_t, kSlots> position{};
    std::uint32_t seen = 0;
    for (std::uint32_t i = 0; i < kSlots; ++i) {
        if (!IsRackType(order[i]) || (seen & (1u << (order[i] - kFirstType))))
            return false;
        seen |= 1u << (order[i] - kFirstType);
        position[order[i] - kFirstType] = i;
    }
    for (std::uint32_t i = 0; i < kSlots; ++i)
        Order[i] = order[i];
    Position = position;
    return true;
}

bool WEAPONRACK::Install(SHIPWEAPON* weapon)
{
    if (!weapon || weapon->Kind < 0 || !IsRackType(std::uint32_t(weapon->Kind)))
        return false;
    SHIPWEAPON*& slot = Slots[std::uint32_t(weapon->Kind) - kFirstType];
    if (slot)
        return false;
    slot = weapon;
    ++Count;
    return true;
}

bool WEAPONRACK::Remove(std::uint32_t type)
{
    if (!IsRackType(type) || !Slots[type - kFirstType])
        return false;
    SHIPWEAPON* weapon = Slots[type - kFirstType];
    Slots[type - kFirstType] = nullptr;
    --Count;
    if (Selected == type)
        Selected = 0;
    QNITEM::Destroy(weapon);
    return true;
}

std::uint32_t WEAPONRACK::NextInstalled(std::uint32_t type) const
{
    std::uint32_t candidate;
    if (type == 0)
        candidate = Order[0];
    else if (IsRackType(type))
        candidate = Order[(Position[type - kFirstType] + 1) % kSlots];
    else
        return 0;
    for (std::uint32_t tries = 0; tries < kSlots; ++tries) {
        if (Slots[candidate - kFirstType])
            return candidate;
        candidate = Order[(Position[candidate - kFirstType] + 1) % kSlots];
    }
    return 0;
}

void WEAPONRACK::Clear()
{
    Slots.fill(nullptr);
    Count = 0;
    Selected = 0;
}
