#pragma once
/// CHEETAH: the missile launcher. Each Fire after the reload interval launches one homing MISSILE
/// at the launcher's target, alternately from the right (side 0) and the left rail (side 1),
/// until its ten missiles are spent. The player's launcher flashes a cockpit light per launch.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/vehicles/missile.h"
#include "game/vehicles/ship_weapon.h"

class QNRESOURCES;

class CHEETAH : public SHIPWEAPON {
public:
    static constexpr std::uint32_t kType = WEAPON_CHEETAH;
    static constexpr std::uint32_t kMissiles = 10;
    static constexpr double kPlayerReload = 0.5, kComputerReload = 4.0;

    CHEETAH(QNNODE* ship, bool player, std::uint32_t ownerView);

    void Fire() override;
    float AmmoLevel() override { return float(Missiles) * 0.1f; }

    /// The launch frame of `side` in the ship's frame.
    static QNMATRIX LaunchFrame(std::uint32_t side);
    static SHIPWEAPON* Make(QNNODE* ship, bool player, std::uint32_t ownerView);
    /// The launcher's media (the missile's).
    static void LoadResources(QNRESOURCES& resources);

    QNTIMER Reload;
    std::uint32_t Side = 0;
    std::uint32_t Missiles = kMissiles;
    MISSILE::LIGHT* Light = nullptr;   ///< child, player only
    QNWEAK<MISSILE> LastMissile;       ///< the latest launch (for the pilots' and the tests' eyes)
};
