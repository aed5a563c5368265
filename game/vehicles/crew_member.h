#pragma once
/// CREWMEMBER: a space-suited figure of a station's crew. It picks a part from its crew's bag,
/// finds a free approach point beside it, waits for its turn in the view's planning queue, plans
/// a grid path there and steers along it, hovers a few seconds facing the part, and moves on. A
/// contact with anything but another suit, or a part that goes away, sends it back to choosing.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"
#include "game/world/path_planner.h"

class CREW;
class QNRESOURCES;

/// Node kind of suits and crew members.
inline constexpr std::int32_t kKindSuit = 65;

enum class CREWSTATE : std::uint32_t {
    IDLE = 0,
    CHOOSE = 1,
    PLAN = 2,
    TRAVEL = 3,
    APPROACH = 4,
    FREEPOINTS = 5,
    NEAREST = 6,
};

class CREWMEMBER : public GAMENODE {
public:
    static constexpr float kPlannerStep = 2.0f;
    /// Distance at which a path point counts as reached.
    static constexpr float kReach = 0.5f;
    /// Space left between the target part's box and an approach point, beyond the member's
    /// own clearance (so that the point is not inside the part's grown obstacle box).
    static constexpr float kApproachGap = 1.0f;
    static constexpr float kIdleMin = 2.5f, kIdleMax = 5.0f;
    /// Thrust at zero angle, and the angle beyond which the member only turns (degrees).
    static constexpr float kThrust = 0.05f;
    static constexpr float kThrustAngle = 15.0f;
    /// Steering: torque gain, the angle below which turning slows, and the tolerance (degrees).
    static constexpr float kTurnGain = 2.0f;
    /// Drag against the velocity while travelling (cruise speed = thrust / drag), and the pull
    /// towards the destination while facing the part.
    static constexpr float kDrag = 0.025f;
    static constexpr float kHold = 0.01f;
    /// Physics scale of a suit.
    static constexpr float kScale = 500.0f;
    static constexpr float kTurnSlow = 10.0f;
    static constexpr float kTurnTolerance = 0.5f;
    static constexpr float kLinearDamping = 0.007f;
    static constexpr float kAngularDamping = 0.5f;

    CREWMEMBER(CREW* crew, std::uint32_t view);
    /// Leaves the view's planning queue.
    ~CREWMEMBER() override;

    /// The state machine (no vehicle or destruction step).
    void Update() override;
    /// A contact beginning with anything but a suit sends the member to choosing.
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;

    CREWSTATE State = CREWSTATE::CHOOSE;
    QNWEAK<GAMENODE> TargetPart;
    QNVEC3 Path[kPathPoints];
    QNVEC3 Approach[6];
    QNVEC3 PathStart, Destination, AimPoint, AimDirection, TargetOffset;
    QNTIMER IdleTimer;
    std::uint32_t PathCount = 0;
    std::uint32_t ApproachCount = 0;
    float IdleWait = 0.0f;
    float PathPosition = 0.0f;
    bool PathFinished = false;

    std::uint32_t ViewIndex = 0;
    std::uint64_t Serial = 0;     ///< identity in the view's planning queue
    std::uint32_t Plans = 0;      ///< paths planned
    std::uint32_t Arrivals = 0;   ///< parts reached

private:
    void Step();
    void Travel();
    float Clearance() const;
    QNVEC3 Position() const { return GetWorldMatrix().Translation(); }

    CREW* crew_ = nullptr;
};

/// Registers the crew members' media and makes the crew build CREWMEMBERs.
void RegisterCrewMedia(QNRESOURCES& resources);
void InstallCrewMembers();
