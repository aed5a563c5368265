#pragma once
/// The flying tasks of the computer pilot: AIROUTE follows a path planned around the obstacle
/// boxes of the ship's view, AIROUTETASK flies a route out to the site's exit point, AIFLYTASK
/// turns the ship onto a target, AIWATCHTASK dogfights a target.
///
/// Every task answers Step with a TASKSTATUS and holds its ship and target by weak handle.
///
/// Planning turns. A route enters its ship in the planning queue of the ship's view
/// (ViewTurns) and plans only in a frame in which the queue's cursor names it, so each view
/// plans one path per frame. The path buffer holds the planner's whole path.
///
/// Following. The route keeps a point on the path (the carrot) that moves on by the route's
/// step per call while the ship is within kLookAhead of it. The ship turns toward the carrot
/// and pushes along its nose in proportion to how well it faces it: (A - a) S / A inside the
/// cone A, nothing outside it. A ship whose electronics are hurt (fraction 0.95 or less) does
/// not steer and backs off inside the cone.

#include <cstdint>
#include <vector>

#include "engine/util/qn_item.h"
#include "engine/util/qntimer.h"
#include "game/vehicles/ai_pilot_links.h"

enum class TASKSTATUS : std::uint32_t {
    UNDER_WAY = 0,
    DONE = 2,     ///< done, or nothing to do
    FAILED = 3,   ///< failed or lost its ship or target
};

/// A ship the tasks fly: its node by weak handle and its pilot interface, used only while the
/// node lives.
struct PILOTSHIPREF {
    QNWEAK<QNITEM> Node;
    PILOTSHIP* Control = nullptr;

    PILOTSHIP* Get() const { return Node.Get() ? Control : nullptr; }
    void Set(QNITEM* node, PILOTSHIP* control)
    {
        Node = node;
        Control = node ? control : nullptr;
    }
    void Reset() { Set(nullptr, nullptr); }
};

/// Route constants.
struct ROUTESETTINGS {
    float PlannerStep = 10.0f;
    float ProgressStep = 2.0f;
    float ConeDegrees = 30.0f;
    float Speed = 300.0f;
    float SteerLimit = 300.0f;
    float Reach = 0.5f;
    float TurnDegrees = 10.0f;
    float LinearDamping = -1.0f;    ///< while running and after; negative: left alone
    float AngularDamping = -1.0f;
};

enum class ROUTESTATE : std::uint32_t { STOPPED = 0, PLANNING = 1, FOLLOWING = 2 };

class AIROUTE {
public:
    /// The carrot moves on while the ship is this close to it.
    static constexpr float kLookAhead = 12.0f;
    /// Fine turn: the steering stops inside this angle.
    static constexpr float kFineDegrees = 0.5f;
    /// A thrust this small is not applied.
    static constexpr float kLeastThrust = 0.0001f;
    /// Electronics below this fraction stop the steering.
    static constexpr float kSteerFraction = 0.95f;

    AIROUTE();
    ~AIROUTE();
    AIROUTE(const AIROUTE&) = delete;
    AIROUTE& operator=(const AIROUTE&) = delete;

    void SetShip(QNITEM* node, PILOTSHIP* ship) { ship_.Set(node, ship); }
    void SetGoal(const QNVEC3& goal) { Goal = goal; }
    TASKSTATUS Step();
    /// Enters the planning queue of the ship's view and sets the dampings.
    void Start();
    /// Leaves the queue; the dampings stay as set.
    void Stop();
    bool IsDone() const { return State == ROUTESTATE::STOPPED; }
    /// Plans on the ship's turn: UNDER_WAY while waiting, DONE with a path, FAILED without.
    TASKSTATUS PlanPath();

    ROUTESETTINGS Settings;
    ROUTESTATE State = ROUTESTATE::STOPPED;
    QNVEC3 Goal;
    QNVEC3 StartPosition;
    QNVEC3 StartHeading;
    std::uint64_t Serial = 0;           ///< the ship's place in the planning queue
    std::uint32_t QueueView = 0;
    std::vector<QNVEC3> Path;           ///< planned points, start first
    std::uint32_t PathCount = 0;
    float Progress = 0.0f;
    QNVEC3 Carrot;

private:
    TASKSTATUS Follow(PILOTSHIP& ship);
    void LeaveQueue();

    PILOTSHIPREF ship_;
    bool queued_ = false;
};

/// Flies a route out to the exit point of the site the ship is in.
class AIROUTETASK {
public:
    explicit AIROUTETASK(PILOTWORLD& world) : world_(world) {}
    void SetShip(QNITEM* node, PILOTSHIP* ship)
    {
        Route.SetShip(node, ship);
        ship_.Set(node, ship);
    }
    TASKSTATUS Step();
    void Start();
    void Stop();
    bool IsDone() const { return !started_; }

    AIROUTE Route;

private:
    PILOTWORLD& world_;
    PILOTSHIPREF ship_;
    bool started_ = false;
};

/// Turns the ship onto its target.
class AIFLYTASK {
public:
    explicit AIFLYTASK(PILOTWORLD& world) : world_(world) {}
    void SetShip(QNITEM* node, PILOTSHIP* ship) { ship_.Set(node, ship); }
    void SetTarget(QNITEM* target) { target_ = target; }
    TASKSTATUS Step();
    void Start();
    void Stop();
    bool IsDone() const { return !busy_; }

    QNVEC3 Limits = QNVEC3(1, 1, 1);
    float TurnDegrees = 10.0f;
    float FineDegrees = 0.5f;
    float Damping = 2.0f;         ///< angular damping while running
    float DampingAfter = 2.0f;

private:
    PILOTWORLD& world_;
    PILOTSHIPREF ship_;
    QNWEAK<QNITEM> target_;
    float savedDamping_ = 0.0f;
    bool busy_ = false;
};

enum class WATCHPHASE : std::uint32_t { CLOSE_IN = 0, BREAK = 1, WEAVE = 2 };

/// Dogfights a target: closes in, breaks away inside the break-off distance, weaves while near.
class AIWATCHTASK {
public:
    static constexpr float kBreakTorque = 50.0f;
    static constexpr float kRollTorque = 20.0f;
    static constexpr float kWeaveRange = 90.0f;
    static constexpr float kWeaveThrust = 0.85f;
    static constexpr float kHurtFraction = 0.95f;
    static constexpr double kFirstWeave = 3.0;

    explicit AIWATCHTASK(PILOTWORLD& world) : world_(world) {}
    void Set(QNITEM* target, QNITEM* node, PILOTSHIP* ship)
    {
        target_ = target;
        ship_.Set(node, ship);
    }
    TASKSTATUS Step();
    void Start();
    void Stop() { running_ = false; }
    bool IsDone() const { return !running_; }

    float Speed = 70.0f;
    float SteerLimit = 15.0f;
    float BreakDistance = 40.0f;
    WATCHPHASE Phase = WATCHPHASE::CLOSE_IN;
    QNVEC3 Torque;
    float LastDistance = 0.0f;
    QNTIMER Timer;

private:
    void Manoeuvre(PILOTSHIP& ship, const QNVEC3& target);

    PILOTWORLD& world_;
    QNWEAK<QNITEM> target_;
    PILOTSHIPREF ship_;
    bool running_ = false;
};
