#pragma once
/// NEUTRONEMITTER: a turning projector that fires a spinning, flickering beam for kBeamTime at
/// a target within kBeamReach; the beam stops at the nearest body it meets and burns the
/// electronics of a vehicle there. Shots are kReload apart.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/world/station_weapon.h"

class QNRESOURCES;

class NEUTRONEMITTER : public STATIONWEAPON {
public:
    static constexpr double kReload = 5.0;
    static constexpr float kBeamReach = 100.0f;
    static constexpr float kMass = 3000.0f;
    static constexpr float kAngularDamping = 5.0f;
    static constexpr float kTurnSpeed = 0.25f;
    static constexpr float kMotorForce = 1000.0f;
    static constexpr float kProjectorMass = 1200.0f;
    static constexpr float kProjectorDamping = 3.0f;
    /// Steering of the part and the projector: gain, easing, and the stop angle of the engine
    /// steering, small so that the projector keeps following the target while the beam fires.
    /// Stiff enough that the beam stays on a ship crossing at top speed 50 units away (measured
    /// by the weapon table; at a gain of 20 over 10 degrees it trailed anything moving).
    static constexpr float kSteerGain = 200.0f;
    static constexpr float kSlowAngle = Radians(4.0f);
    static constexpr float kFineAngle = Radians(0.05f);
    /// The projector is on target when its axis passes the target's centre closer than this share
    /// of the target's smallest half extent (the beam is a line: it must meet the hull), and
    /// never when it is off by more than kMaxAimAngle.
    static constexpr float kHitShare = 0.6f;
    static constexpr float kMaxAimAngle = Radians(2.0f);

    class NEUTRONBEAM;

    NEUTRONEMITTER(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);

    void SetHighlight(bool on) override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    bool Fire() override;
    bool Track() override;
    bool IsReadyToFire() override;
    /// The angle within which the beam from the projector meets `target`.
    float AimAngle(const DAMAGEABLE* target) const;

    static void RegisterMedia(QNRESOURCES& resources);

    NEUTRONBEAM* Beam = nullptr;
    QNTIMER FireTimer;
    std::uint32_t Shots = 0;   ///< beams started so far
};

/// The beam: kSegments segments along its z axis, spinning; while firing it reaches to the
/// nearest body within kBeamReach.
class NEUTRONEMITTER::NEUTRONBEAM : public GAMENODE {
public:
    static constexpr std::uint32_t kSegments = 22;
    static constexpr float kSegmentStep = 4.99f;
    static constexpr float kSegmentLength = 5.0f;
    static constexpr float kNear = 1.0f;
    static constexpr double kBeamTime = 1.0;
    static constexpr float kBurn = 5.0f;            ///< electronic damage per second
    static constexpr double kCellTime = 0.05;
    static constexpr float kSpin = 100.0f;          ///< radians per second about z
    static constexpr float kFlickerMin = 0.01f;
    static constexpr float kFlickerMax = 0.1f;

    explicit NEUTRONBEAM(QNNODE* parent);
    void Update() override;
    /// Starts a shot; false while one is running.
    bool Start();

    bool Firing = false;
    QNTIMER Flicker;
    QNTIMER Duration;
    QNTIMER DamageStep;
    float FlickerInterval = 0.0f;
    float Length = 0.0f;             ///< reach of the last frame
    std::uint32_t Shown = 0;         ///< segments shown in the last frame
    GAMENODE* Segments[kSegments] = {};
    bool EndSegment[kSegments] = {};
    QNTIMER CellTimers[kSegments];
    float Angle = 0.0f;
    QNMATRIX Home;
};
