#pragma once
/// REC: the rear-eject canister launcher, held by the ship apart from the rack and fired with its
/// own key. Each Fire drops one CANISTER behind the ship until its five are spent.

#include <cstdint>

#include "game/vehicles/ship_weapon.h"

class QNRESOURCES;

class REC : public SHIPWEAPON {
public:
    static constexpr std::uint32_t kType = WEAPON_CANISTER;
    static constexpr std::uint32_t kCanisters = 5;

    REC(QNNODE* ship, bool player, std::uint32_t ownerView);

    void Fire() override;
    float AmmoLevel() override { return float(Canisters) * 0.2f; }

    /// Where a canister is dropped, in the launcher's frame.
    QNMATRIX LaunchFrame() const;
    static SHIPWEAPON* Make(QNNODE* ship, bool player, std::uint32_t ownerView);
    /// The launcher's sound and the canister's media.
    static void LoadResources(QNRESOURCES& resources);

    std::uint32_t Canisters = kCanisters;
    std::uint32_t Drops = 0;          ///< canisters dropped so far
};
