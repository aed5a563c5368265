#pragma once
/// WEAPONRACK: the five rack weapons of a collector ship, kept by type id (69-73), with a cyclic
/// selection order. The rack owns its weapons: Remove deletes one, and a ship's remaining rack
/// weapons go with the ship's node tree. The rear-eject canister launcher (74) is not a rack
/// weapon.
///
/// Invariants: Count equals the number of filled slots; Order is a permutation of 69-73 and
/// Position is its inverse (Position[t - 69] is the place of t in Order).

#include <array>
#include <cstdint>

class SHIPWEAPON;

class WEAPONRACK {
public:
    static constexpr std::uint32_t kFirstType = 69;
    static constexpr std::uint32_t kSlots = 5;

    /// Empty, nothing selected, default order 69, 71, 72, 70, 73.
    WEAPONRACK();
    WEAPONRACK(const WEAPONRACK&) = delete;
    WEAPONRACK& operator=(const WEAPONRACK&) = delete;

    /// Whether `type` names a rack slot (69-73).
    static bool IsRackType(std::uint32_t type) { return type >= kFirstType && type < kFirstType + kSlots; }

    /// Stores the order of five type ids and its inverse. False (nothing changed) unless the five
    /// are a permutation of 69-73.
    bool SetOrder(const std::uint32_t order[kSlots]);
    /// Takes the weapon into the slot of its kind. False when the slot is taken or the kind is not
    /// a rack type; the caller keeps a refused weapon.
    bool Install(SHIPWEAPON* weapon);
    /// Deletes the weapon of `type` and clears its slot and a selection of it. False when empty.
    bool Remove(std::uint32_t type);
    /// The next installed type after `type` in the cyclic order (from the start for 0); `type`
    /// itself when it is the only one installed; 0 when none is.
    std::uint32_t NextInstalled(std::uint32_t type) const;
    /// The weapon of `type`, or null (also for types outside the rack).
    SHIPWEAPON* Get(std::uint32_t type) const { return IsRackType(type) ? Slots[type - kFirstType] : nullptr; }
    bool Has(std::uint32_t type) const { return Get(type) != nullptr; }
    /// Forgets every weapon without deleting it (their nodes die with the ship's tree).
    void Clear();

    std::array<SHIPWEAPON*, kSlots> Slots{};
    std::uint32_t Count = 0;
    std::array<std::uint32_t, kSlots> Position{};
    std::uint32_t Selected = 0;
    std::array<std::uint32_t, kSlots> Order{};
};
