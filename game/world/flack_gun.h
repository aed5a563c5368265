#pragma once
/// FLACKGUN: a twin flak gun on a turning casing. It throws a flak shell every kReload seconds
/// at the point where the target will be when the shell bursts, kFuse seconds later (straight
/// ahead at mid-range without a target); the burst damages every vehicle of another company
/// within kBurstRadius. The two guns fire in turn, the firing one recoiling.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/world/station_weapon.h"
#include "game/world/turret_gun.h"

class QNRESOURCES;

class FLACKGUN : public STATIONWEAPON {
public:
    static constexpr double kReload = 5.0;
    static constexpr float kScatter = 5.0f;      ///< random offset of the burst on each axis
    static constexpr float kRecoil = 0.3f;
    static constexpr double kRecoilTime = 0.075;
    static constexpr float kAimTolerance = Radians(22.5f);
    static constexpr float kCasingMass = 1000.0f;
    static constexpr float kCasingDamping = 4.0f;
    static constexpr float kMotorForce = 1000.0f;
    static constexpr float kIdleTurn = 0.25f;
    /// Steering gain and easing: a heavy casing that needs only come within 22.5 degrees.
    static constexpr float kGain = 20.0f;
    static constexpr float kSlowAngle = Radians(20.0f);

    class FLACK;

    FLACKGUN(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);

    void SetHighlight(bool on) override;
    bool Fire() override;
    bool Track() override;
    bool IsReadyToFire() override { return FireTimer.Elapsed() >= kReload; }
    /// The part's own z axis.
    QNVEC3 GetAimDirection() const override;

    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Casing = nullptr;
    TURRETGUN* Guns[2] = {};
    std::uint32_t LastGun = 1;
    QNTIMER FireTimer;
    QNVEC3 BurstPoint;   ///< where the last shell was sent
    std::uint32_t Shots = 0;   ///< shells thrown so far

protected:
    void SwitchMotors(bool on) override;
};

/// A flak shell: bursts kFuse seconds after it is made.
class FLACKGUN::FLACK : public GAMENODE {
public:
    static constexpr double kFuse = 1.0;
    static constexpr float kBurstRadius = 7.5f;
    static constexpr float kDamage = 5.0f;
    static constexpr float kExplosionSize = 20.0f;

    FLACK(QNNODE* parent, const QNMATRIX& at, std::uint32_t company);
    void Update() override;

    std::uint32_t Company = 0;
    QNTIMER Fuse;
};
