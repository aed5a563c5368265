#pragma once
/// MINELAUNCHER: a slowly turning launcher with six slots. When a slot whose mine is not out
/// points the right way (within kSlotWindow of its angle, kLaunchInterval after the last
/// launch), it launches a mine. Each mine flies to its own parking point on a circle of
/// kParkRadius around the launcher, finding its way with its company's path planner, and
/// waits there with a proximity sensor; an enemy vehicle that touches the sensor sets it off.
/// A destroyed or removed launcher takes its mines with it.

#include <cstdint>
#include <vector>

#include "engine/util/qntimer.h"
#include "game/world/station_weapon.h"

class QNRESOURCES;

enum class MINESTATE : std::uint32_t {
    PARKED = 0,
    LEAVING = 1,
    WAITING = 2,     ///< waiting for its turn to plan
    FOLLOWING = 3,
    EXPLODED = 4,
    REMOVED = 5,
};

class MINELAUNCHER : public STATIONPART {
public:
    static constexpr std::uint32_t kSlots = 6;
    static constexpr float kParkRadius = 50.0f;
    static constexpr double kLaunchInterval = 1.0;
    static constexpr float kSlotAngle = 60.0f;     ///< degrees between slots
    static constexpr float kSlotWindow = 2.0f;     ///< degrees
    static constexpr float kMass = 1000.0f;
    static constexpr float kTurnSpeed = 0.25f;
    static constexpr float kBoxWidening = 1.4142135f;
    static constexpr float kMotorForce = 1000.0f;
    static constexpr float kKick = 0.5f;           ///< torque given to a new mine

    class MINE;
    class SENSOR;

    MINELAUNCHER(QNNODE* parent, std::int32_t connector, std::uint32_t view);
    ~MINELAUNCHER() override;

    void Update() override;
    void SetHighlight(bool on) override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    /// Launches a mine from the current slot.
    bool Fire();
    /// The launcher's turn from its orientation at construction, less 90, in [0, 360) degrees.
    float TurnAngle() const;

    static void RegisterMedia(QNRESOURCES& resources);

    QNWEAK<MINE> Slots[kSlots];
    QNVEC3 Parking[kSlots];
    QNMATRIX Inverse;       ///< of the world matrix at construction
    std::uint32_t Slot = 0;
    QNTIMER LaunchTimer;
    std::uint32_t Launches = 0;

private:
    bool separated_ = false;
    void RefreshMotor();
    void DeleteMines();
};

class MINELAUNCHER::MINE : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 34;
    static constexpr float kMass = 500.0f;
    static constexpr float kLinearDamping = 0.03f;
    static constexpr float kTurnRate = 2.0f;
    static constexpr float kTurnTolerance = 0.001f;
    static constexpr float kLeaveDistance = 1.5f;
    static constexpr float kPlanStep = 5.0f;
    static constexpr float kAdvance = 2.5f;        ///< along the path per point reached
    static constexpr float kReach = 0.5f;
    static constexpr float kBlastRadius = 20.0f;
    static constexpr float kDamage = 10.0f;
    static constexpr float kExplosionSize = 20.0f;
    /// Push toward the aim point and the radius within which it eases off: chosen so that a
    /// mine crosses its 50 units in some ten seconds and comes to rest at its parking point.
    static constexpr float kPush = 1.0f;
    static constexpr float kEaseRadius = 5.0f;
    static constexpr float kParkTolerance = 1.0f;

    MINE(QNNODE* parent, const QNMATRIX& at, MINELAUNCHER* launcher, std::uint32_t company);
    ~MINE() override;

    void Update() override;
    /// The blast: damage to every vehicle of another company within kBlastRadius.
    void Explode();

    MINESTATE MineState = MINESTATE::PARKED;
    std::uint32_t Company = 0;
    QNWEAK<MINELAUNCHER> Launcher;
    QNWEAK<SENSOR> Sensor;
    QNVEC3 ParkingPoint;
    QNVEC3 Start;
    std::vector<QNVEC3> Path;      ///< as long as the planner's longest path
    std::uint32_t PathCount = 0;
    float Along = 0.0f;
    bool Triggered = false;        ///< set by the sensor; the mine explodes in its next update
    std::uint64_t Serial = 0;
};

/// The mine's proximity sensor: reports a touch by an enemy vehicle to its mine.
class MINELAUNCHER::SENSOR : public GAMENODE {
public:
    explicit SENSOR(MINE* mine);
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;
    /// Never drawn: only its shape counts.
    bool BeforeDraw() override { return false; }

    QNWEAK<MINE> Mine;
};
