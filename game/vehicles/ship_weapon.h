#pragma once
/// SHIPWEAPON: the common part of every weapon hung under a collector ship. A weapon node has the
/// weapon's type id as its kind, follows the ship's frame (body mode 1) and adds two operations
/// after the GAMENODE ones: Fire (one trigger pull, or one frame of a held trigger) and
/// AmmoLevel (the fill of its HUD gauge, 1 = full; 0 or less means spent).
///
/// The ship creates weapons by type through the maker table: each weapon class registers its
/// maker for its type id; a type without a maker cannot be installed.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "game/world/item_types.h"

class COLLSHIP;

class SHIPWEAPON : public GAMENODE {
public:
    /// A weapon under `ship` with the identity transform and body mode 1.
    SHIPWEAPON(QNNODE* ship, const char* name, std::uint32_t type, std::uint32_t classFlags, bool player,
               std::uint32_t ownerView);

    virtual void Fire() = 0;
    virtual float AmmoLevel() = 0;

    /// Builds a weapon of one type under `ship` (player flag, owner view); null when it cannot.
    using MAKER = SHIPWEAPON* (*)(QNNODE* ship, bool player, std::uint32_t ownerView);
    /// Registers the maker of `type` (69-74); a null maker removes it. False outside the range.
    static bool SetMaker(std::uint32_t type, MAKER maker);
    /// The registered maker of `type`, or null.
    static MAKER Maker(std::uint32_t type);
    /// Node name and class flags of each type; null name outside 69-74.
    static const char* NodeName(std::uint32_t type);
    static std::uint32_t ClassFlagsOf(std::uint32_t type);

    std::uint32_t OwnerView = 0;
    std::uint8_t Player = 0;
    COLLSHIP* Ship = nullptr;      ///< the ship that carries it (its parent)
    QNWEAK<QNNODE> Target;         ///< the ship's aim (the hostile vehicle ahead), for homing weapons
};
