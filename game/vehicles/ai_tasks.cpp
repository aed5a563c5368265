#include "game/vehicles/ai_tasks.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/util/qnmath.h"
#include "game/world/game_globals.h"
#include "game/world/path_planner.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

QNVEC3 Nose(const QNMATRIX& m)
{
    return m.Row(2).Normalize();
}

// Angle in radians between the ship's nose and the direction to `point`.
float AngleTo(const QNMATRIX& world, const QNVEC3& point)
{
    const QNVEC3 d = (point - world.Translation()).Normalize();
    return std::acos(std::clamp(QNVEC3::Dot(Nose(world), d), -1.0f, 1.0f));
}

// The point `distance` along the polyline, and whether it lies before the end.
bool PointOnPath(const std::vector<QNVEC3>& points, std::uint32_t count, float distance, QNVEC3& out)
{
    if (count == 0)
        return false;
    float walked = 0.0f;
    for (std::uint32_t i = 0; i + 1 < count; ++i) {
        const float length = (points[i + 1] - points[i]).Length();
        if (length > 0.0f && distance <= walked + length) {
            const float t = std::max(distance - walked, 0.0f) / length;
            out = points[i] + (points[i + 1] - points[i]) * t;
            return true;
        }
        walked += length;
    }
    out = points[count - 1];
    return false;
}

}  // namespace

// ---- route ---------------------------------------------------------------------------------

AIROUTE::AIROUTE() : Serial(IDSET::NewSerial()) {}

AIROUTE::~AIROUTE()
{
    LeaveQueue();
}

void AIROUTE::LeaveQueue()
{
    if (queued_ && QueueView < kCompanyCount)
        ViewTurns[QueueView].Remove(Serial);
    queued_ = false;
}

void AIROUTE::Start()
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship)
        return;
    LeaveQueue();
    const QNMATRIX world = ship->World();
    StartPosition = world.Translation();
    StartHeading = Nose(world);
    QueueView = ship->View();
    if (QueueView < kCompanyCount)
        queued_ = ViewTurns[QueueView].Insert(Serial);
    if (Settings.LinearDamping >= 0.0f && Settings.AngularDamping >= 0.0f)
        ship->SetDamping(Settings.LinearDamping, Settings.AngularDamping);
    PathCount = 0;
    Progress = 0.0f;
    State = ROUTESTATE::PLANNING;
}

void AIROUTE::Stop()
{
    LeaveQueue();
    State = ROUTESTATE::STOPPED;
}

TASKSTATUS AIROUTE::PlanPath()
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship)
        return TASKSTATUS::FAILED;
    if (!queued_ || !ViewTurns[QueueView].HasTurn(Serial))
        return TASKSTATUS::UNDER_WAY;
    QNPATHPLANNER* planner = PathPlanner(ship->View());
    if (!planner || !planner->IsInitialised())
        return TASKSTATUS::FAILED;
    Path.resize(planner->PathCapacity());
    const QNVEC3 from = ship->World().Translation();
    PathCount = planner->FindPath(Path.data(), static_cast<std::uint32_t>(Path.size()), from, Goal,
                                  Settings.PlannerStep, ship->BoxRadius());
    if (PathCount == 0)
        return TASKSTATUS::FAILED;
    Progress = 0.0f;
    Carrot = Path[0];
    return TASKSTATUS::DONE;
}

TASKSTATUS AIROUTE::Follow(PILOTSHIP& ship)
{
    const QNMATRIX world = ship.World();
    const QNVEC3 at = world.Translation();
    bool before = PointOnPath(Path, PathCount, Progress, Carrot);
    if ((Carrot - at).Length() < kLookAhead && before) {
        Progress += Settings.ProgressStep;
        before = PointOnPath(Path, PathCount, Progress, Carrot);
    }
    if (!before && (Carrot - at).Length() <= Settings.Reach)
        return TASKSTATUS::DONE;

    const float cone = Settings.ConeDegrees * kDegree;
    const float angle = AngleTo(world, Carrot);
    float thrust = 0.0f;
    if (ship.ElectronicFraction() > kSteerFraction) {
        const float limit = Settings.SteerLimit;
        ship.SteerTowards(Carrot, QNVEC3(limit, limit, limit), Settings.TurnDegrees * kDegree, kFineDegrees * kDegree);
        if (angle < cone)
            thrust = (cone - angle) * Settings.Speed / cone;
    } else if (angle < cone) {
        thrust = -Settings.Speed;
    }
    if (std::fabs(thrust) > kLeastThrust)
        ship.Push(thrust);
    return TASKSTATUS::UNDER_WAY;
}

TASKSTATUS AIROUTE::Step()
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship)
        return TASKSTATUS::FAILED;
    switch (State) {
    case ROUTESTATE::STOPPED:
        return TASKSTATUS::DONE;
    case ROUTESTATE::PLANNING: {
        const TASKSTATUS planned = PlanPath();
        if (planned == TASKSTATUS::DONE) {
            State = ROUTESTATE::FOLLOWING;
        } else if (planned == TASKSTATUS::FAILED) {
            Stop();
            return TASKSTATUS::FAILED;
        }
        return TASKSTATUS::UNDER_WAY;
    }
    case ROUTESTATE::FOLLOWING: {
        const TASKSTATUS status = Follow(*ship);
        if (status != TASKSTATUS::UNDER_WAY)
            Stop();
        return status;
    }
    }
    return TASKSTATUS::FAILED;
}

// ---- route task ----------------------------------------------------------------------------

void AIROUTETASK::Start()
{
    Stop();
    PILOTSHIP* ship = ship_.Get();
    if (!ship)
        return;
    Route.SetGoal(world_.ExitPoint(ship->View()));
    Route.Start();
    started_ = true;
}

void AIROUTETASK::Stop()
{
    started_ = false;
    if (!Route.IsDone())
        Route.Stop();
}

TASKSTATUS AIROUTETASK::Step()
{
    if (!started_)
        return TASKSTATUS::DONE;
    if (!ship_.Get()) {
        Stop();
        return TASKSTATUS::FAILED;
    }
    return Route.Step();
}

// ---- fly task ------------------------------------------------------------------------------

void AIFLYTASK::Start()
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship)
        return;
    savedDamping_ = ship->AngularDamping();
    ship->SetDamping(ship->LinearDamping(), Damping);
    busy_ = true;
}

void AIFLYTASK::Stop()
{
    if (!busy_)
        return;
    busy_ = false;
    if (PILOTSHIP* ship = ship_.Get())
        ship->SetDamping(ship->LinearDamping(), DampingAfter > 0.0f ? DampingAfter : savedDamping_);
}

TASKSTATUS AIFLYTASK::Step()
{
    if (!busy_)
        return TASKSTATUS::DONE;
    PILOTSHIP* ship = ship_.Get();
    QNITEM* target = target_.Get();
    QNVEC3 position;
    if (!ship || !target || !world_.Locate(target, position))
        return TASKSTATUS::FAILED;
    const bool turning = ship->SteerTowards(position, Limits, TurnDegrees * kDegree, FineDegrees * kDegree);
    return turning ? TASKSTATUS::UNDER_WAY : TASKSTATUS::DONE;
}

// ---- dogfight task -------------------------------------------------------------------------

void AIWATCHTASK::Start()
{
    if (!target_.Get() || !ship_.Get())
        return;
    running_ = true;
    Phase = WATCHPHASE::CLOSE_IN;
    LastDistance = 0.0f;
    Torque = QNVEC3();
}

TASKSTATUS AIWATCHTASK::Step()
{
    QNITEM* target = target_.Get();
    if (!running_ || !target) {
        Stop();
        return TASKSTATUS::FAILED;
    }
    if (world_.IsDestroyed(target)) {
        target_.Reset();
        Stop();
        return TASKSTATUS::DONE;
    }
    PILOTSHIP* ship = ship_.Get();
    if (!ship || ship->IsDestroyed()) {
        ship_.Reset();
        Stop();
        return TASKSTATUS::FAILED;
    }
    QNVEC3 position;
    if (!world_.Locate(target, position)) {
        Stop();
        return TASKSTATUS::FAILED;
    }
    Manoeuvre(*ship, position);
    return TASKSTATUS::UNDER_WAY;
}

void AIWATCHTASK::Manoeuvre(PILOTSHIP& ship, const QNVEC3& target)
{
    const float d = (target - ship.World().Translation()).Length();
    float thrust = Speed;
    float limit = SteerLimit;
    if (ship.ElectronicFraction() < kHurtFraction) {
        thrust = -0.5f * Speed;
        limit = 0.0f;
    }
    switch (Phase) {
    case WATCHPHASE::CLOSE_IN:
        if (d <= BreakDistance) {
            const float sign = RandomRange(0.0f, 1.0f) < 0.5f ? -1.0f : 1.0f;
            const bool pitch = RandomRange(0.0f, 1.0f) < 0.5f;
            const float roll = static_cast<float>(RoundToInt(RandomRange(-1.0f, 1.0f))) * kRollTorque;
            Torque = pitch ? QNVEC3(sign * kBreakTorque, 0.0f, roll) : QNVEC3(0.0f, sign * kBreakTorque, roll);
            LastDistance = d;
            Phase = WATCHPHASE::BREAK;
        } else {
            ship.SteerTowards(target, QNVEC3(limit, limit, limit), 10.0f * std::numbers::pi_v<float> / 180.0f,
                              0.5f * std::numbers::pi_v<float> / 180.0f);
        }
        break;
    case WATCHPHASE::BREAK:
        if (d < LastDistance) {
            ship.Turn(Torque * ((BreakDistance - d) / BreakDistance));
            LastDistance = d;
        } else {
            Phase = WATCHPHASE::WEAVE;
            Torque = QNVEC3();
            Timer.Init(kFirstWeave);
        }
        break;
    case WATCHPHASE::WEAVE:
        if (d <= kWeaveRange) {
            if (Timer.PeriodsElapsed() > 0) {
                auto side = [] { return RandomRange(0.0f, 1.0f) < 0.5f ? -1.0f : 1.0f; };
                Torque = QNVEC3(side() * RandomRange(7.0f, 20.0f), side() * RandomRange(7.0f, 20.0f),
                                RandomRange(-5.0f, 5.0f));
                Timer.Init(RandomRange(0.25f, 3.0f));
            }
            ship.Turn(Torque);
        } else {
            Phase = WATCHPHASE::CLOSE_IN;
            running_ = false;
        }
        thrust = kWeaveThrust * Speed;
        break;
    }
    ship.Push(thrust);
}
