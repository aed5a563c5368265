#pragma once
/// EM2: the beam weapon. Fire arrives every frame while the trigger is held; the beam runs while
/// it does and stops one update after the last one. The charge holds 60 s of firing; a station
/// part or vehicle in the beam loses kDrainRate electronic points per second.
///
/// Firing states: IDLE, FIRED (a Fire since the last update), STOPPING (none since).

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/vehicles/ship_weapon.h"

class NEUTRONBEAM;
class QNRESOURCES;
struct QNNODEHIT;

class EM2 : public SHIPWEAPON {
public:
    static constexpr std::uint32_t kType = WEAPON_EM2;
    static constexpr float kCharge = 60.0f;
    static constexpr float kDrainRate = 8.0f;
    static constexpr double kStall = 0.5;
    static constexpr float kStallStep = 0.01f;

    enum class FIRING : std::uint32_t { IDLE = 0, FIRED = 1, STOPPING = 2 };

    EM2(QNNODE* ship, bool player, std::uint32_t ownerView);

    /// Shown: builds the beam (and the player's cockpit light) anew.
    void OnStateChanged(std::int32_t oldState, std::int32_t newState) override;
    void Fire() override;
    void Update() override;
    float AmmoLevel() override { return Charge / kCharge; }

    /// Electronic damage of dt seconds in the beam to a struck station part or vehicle.
    static std::uint32_t DamageTarget(const QNNODEHIT& hit, float dt);
    static SHIPWEAPON* Make(QNNODE* ship, bool player, std::uint32_t ownerView);
    static void LoadResources(QNRESOURCES& resources);

    NEUTRONBEAM* Beam = nullptr;   ///< child, owned
    GAMENODE* Light = nullptr;     ///< child, owned (player only)
    FIRING Firing = FIRING::IDLE;
    float Charge = kCharge;
    QNTIMER DrainTimer;
};
