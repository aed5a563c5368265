#pragma once
/// ANTISHIP: the anti-ship missile launcher. A slowly turning launcher with six missiles on
/// rails and a radar dish that sweeps up and down while idle. It engages with the common cycle
/// and fires one homing missile every kReload seconds from its rails in turn; a rail's prop
/// comes back kPropReturn seconds after its shot.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/world/station_weapon.h"

class QNRESOURCES;

class QNGLOW;

class ANTISHIP : public STATIONWEAPON {
public:
    static constexpr std::uint32_t kRails = 6;
    static constexpr double kReload = 7.0;
    static constexpr double kPropReturn = 1.0;
    static constexpr float kMass = 3000.0f;
    static constexpr float kAngularDamping = 5.0f;
    static constexpr float kTurnSpeed = 0.25f;      ///< idle turn of the launcher (either way)
    static constexpr float kMotorForce = 1000.0f;
    static constexpr float kRadarHeight = 1.89f;
    static constexpr float kRadarMass = 1000.0f;
    static constexpr float kRadarDamping = 3.0f;
    static constexpr float kSweep = Radians(45.0f);   ///< radar sweep either side
    static constexpr float kSweepSpeed = 0.25f;
    static constexpr float kSweepForce = 100.0f;
    static constexpr float kSweepRange = Radians(10.0f);
    static constexpr float kSweepTolerance = 0.01f;
    static constexpr float kSlowAngle = Radians(10.0f);
    static constexpr float kStopAngle = Radians(3.0f);
    /// Steering gain: chosen so that the launcher swings onto a target in a few seconds without
    /// overshooting its 45 degree radar cone.
    static constexpr float kSteerGain = 20.0f;
    static constexpr float kLockAngle = Radians(45.0f);
    static constexpr float kRailTilt = Radians(-15.0f);

    class MISSILE;

    ANTISHIP(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);

    void Update() override;
    void SetHighlight(bool on) override;
    bool Fire() override;
    bool Track() override;
    bool IsReadyToFire() override { return Ready; }

    static void RegisterMedia(QNRESOURCES& resources);
    /// Rail `k`'s placement in the launcher's frame.
    static QNMATRIX RailMatrix(std::uint32_t k);

    std::uint32_t Rail = 0;
    bool Ready = false;
    QNTIMER Reload;
    GAMENODE* Props[kRails] = {};
    QNTIMER PropTimers[kRails];
};

/// The homing missile. It steers after its target (held by weak handle), flies for at most
/// kLifetime seconds and explodes at its first touch; a vehicle it touches takes kDamage once.
class ANTISHIP::MISSILE : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 35;
    static constexpr double kLifetime = 7.0;
    static constexpr float kDamage = 20.0f;
    static constexpr float kExplosionSize = 20.0f;
    static constexpr float kMass = 500.0f;
    static constexpr float kLinearDamping = 0.01f;
    static constexpr float kAngularDamping = 0.25f;
    /// The exhaust glow: the ship missile's glow media, cone and fade in degrees.
    static constexpr const char* kGlowName = "cheetah_missile_glow";
    static constexpr float kGlowZ = -1.1055f, kGlowSize = 0.75f, kGlowCone = 90.0f, kGlowFade = 12.0f;
    /// Side of the generated glow square when the ships have not registered it.
    static constexpr float kGlowQuad = 4.0f;

    MISSILE(QNNODE* parent, const QNMATRIX& at, DAMAGEABLE* target);

    void Update() override;
    /// A touch at its beginning sets the hit flag (the missile explodes in its next update); a
    /// vehicle touched takes the damage.
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;

    QNWEAK<DAMAGEABLE> Target;
    QNGLOW* Glow = nullptr;   ///< own child
    QNMATRIX GlowLocal;       ///< the glow's place in the missile's frame
    QNTIMER Life;
    bool SoundStarted = false;
    bool Hit = false;
    bool Damaged = false;   ///< the damage is dealt once, whatever else the missile touches
};
