#pragma once
/// BURSTTURRET: what the mid-range and short-range turrets share. They fire bursts of hitscan
/// shots: kShotsPerBurst shots kShotInterval apart, kBurstInterval between bursts; a shot hits
/// the target when the aim lies within kHitCone of it. Tracking turns the steered body (the
/// part or its casing) until the target lies within the turret's aim tolerance.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/world/station_weapon.h"
#include "game/world/turret_gun.h"

class BURSTTURRET : public STATIONWEAPON {
public:
    static constexpr double kBurstInterval = 1.0;
    static constexpr double kShotInterval = 0.1;
    static constexpr std::uint32_t kShotsPerBurst = 10;
    static constexpr float kHitCone = Radians(30.0f);
    static constexpr float kShotDamage = 0.5f;
    static constexpr float kMotorForce = 1000.0f;
    static constexpr float kIdleTurn = 0.25f;

    BURSTTURRET(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags, std::uint32_t view,
                TARGETLIST* targets);

    /// The common cycle, then the burst rhythm.
    void Update() override;
    /// A hit on the target when the aim is within kHitCone of it; sound and flash either way.
    bool Fire() override;
    bool Track() override;
    bool IsReadyToFire() override { return Ready && IsOperating(); }

    bool Ready = false;
    std::uint32_t ShotsLeft = 0;
    QNTIMER BurstTimer;
    std::uint32_t Shots = 0;       ///< shots fired so far
    GAMENODE* Steered = nullptr;   ///< the hinged body that Track turns
    TURRETGUN* Muzzle = nullptr;   ///< the gun that flashes
    float Horizontal = 0.0f;       ///< aim tolerance
    float Vertical = 0.0f;
    float Gain = 0.0f;
    float SlowAngle = 0.0f;

protected:
    /// What a shot does beyond the flash (the short-range outer gun recoils).
    virtual void Kick() {}
};
