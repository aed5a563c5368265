#include "game/vehicles/ai_pilot.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/util/qnmath.h"
#include "game/world/ai_company.h"
#include "game/world/item_types.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

// Route constants of the approach and of the flight out: the planner's grid step 30 for the
// approach (coarse and quick around a station), 10 out of the site.
ROUTESETTINGS ApproachSettings()
{
    ROUTESETTINGS s;
    s.PlannerStep = 30.0f;
    s.ProgressStep = 10.0f;
    s.ConeDegrees = 90.0f;
    s.Speed = 70.0f;
    s.SteerLimit = 15.0f;
    s.Reach = 15.0f;
    s.TurnDegrees = 10.0f;
    s.LinearDamping = AIPILOT::kLinearDamping;
    s.AngularDamping = AIPILOT::kAngularDamping;
    return s;
}

ROUTESETTINGS FlyOutSettings()
{
    ROUTESETTINGS s = ApproachSettings();
    s.PlannerStep = 10.0f;
    return s;
}

std::uint32_t RandomCorner()
{
    return static_cast<std::uint32_t>(std::clamp(RoundToInt(RandomRange(0.0f, 7.0f)), 0, 7));
}

}  // namespace

AIPILOT::AIPILOT(PILOTWORLD& world) : RouteTask(world), Fly(world), Watch(world), world_(world)
{
    if (pilots_++ == 0) {
        claims_.Create(kClaimCapacity);
        attackingPlayer_ = false;
        backOffTorque_ = kBackOffTorque;
    }
    StateTimer.Init(0.0);
    BackOffTimer.Init(0.0);
    Fly.Limits = QNVEC3(1, 1, 1);
    Fly.TurnDegrees = 10.0f;
    Fly.FineDegrees = 0.5f;
}

AIPILOT::~AIPILOT()
{
    ReleaseTarget();
    if (State == PILOTSTATE::DOGFIGHT)
        attackingPlayer_ = false;
    if (--pilots_ == 0)
        claims_.Destroy();
}

std::uint64_t AIPILOT::IdentityOf(const QNITEM* node)
{
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(node));
}

bool AIPILOT::IsClaimed(const QNITEM* node)
{
    return node && claims_.Contains(IdentityOf(node));
}

void AIPILOT::SetShip(QNITEM* node, PILOTSHIP* ship)
{
    ship_.Set(node, ship);
    RouteTask.SetShip(node, ship);
    Approach.SetShip(node, ship);
    Fly.SetShip(node, ship);
    StateTimer.Restart();
}

void AIPILOT::SetTarget(QNITEM* target)
{
    ReleaseTarget();
    target_ = target;
    if (target && claims_.Insert(IdentityOf(target)))
        claimed_ = IdentityOf(target);
}

void AIPILOT::ReleaseTarget()
{
    if (claimed_ != 0)
        claims_.Remove(claimed_);
    claimed_ = 0;
    target_.Reset();
    if (PILOTSHIP* ship = ship_.Get())
        ship->SetTargetNode(nullptr);
    Fly.SetTarget(nullptr);
    TargetMode = 0;
}

void AIPILOT::ForgetShip()
{
    Approach.Stop();
    SetShip(nullptr, nullptr);
    ReleaseTarget();
}

void AIPILOT::SetFlight(PILOTSHIP& ship)
{
    ship.SetScale(kFlightScale, kFlightFactor);
}

void AIPILOT::Restart()
{
    EnterState(Previous == PILOTSTATE::IDLE ? PILOTSTATE::WAIT : Previous);
}

void AIPILOT::Reset()
{
    EnterState(PILOTSTATE::IDLE);
    Approach.Stop();
    RouteTask.Stop();
}

void AIPILOT::PickWeapon(float cheetahFrom)
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship)
        return;
    const float r = RandomRange(0.0f, 1.0f);
    const std::uint32_t type = r < 0.4f ? kIronman : r < cheetahFrom ? kEm2 : kCheetah;
    if (!ship->SelectWeapon(type) && ship->HasWeapon(kIronman))
        ship->SelectWeapon(kIronman);
    ship->SetCheetahTarget(target_.Get());
}

void AIPILOT::EnterState(PILOTSTATE next)
{
    if (State == PILOTSTATE::DOGFIGHT)
        attackingPlayer_ = false;
    Previous = State;
    State = next;
    Approach.Stop();
    RouteTask.Stop();
    Fly.Stop();
    Watch.Stop();
    PILOTSHIP* ship = ship_.Get();
    switch (next) {
    case PILOTSTATE::WAIT:
        ReleaseTarget();
        WaitTime = RandomRange(0.0f, 1.0f) * kWaitSpan + (ship ? kWaitWithShip : kWaitWithoutShip);
        break;
    case PILOTSTATE::CHOOSE_FOE:
        ReleaseTarget();
        break;
    case PILOTSTATE::CHOOSE_PART:
        ReleaseTarget();
        KindCursor = 0;
        break;
    case PILOTSTATE::APPROACH: {
        if (!ship)
            break;
        SetFlight(*ship);
        Approach.Settings = ApproachSettings();
        QNVEC3 goal;
        if (QNITEM* target = target_.Get(); target && world_.Locate(target, goal))
            Approach.SetGoal(goal);
        Approach.Start();
        StateTimer.Restart();
        break;
    }
    case PILOTSTATE::ATTACK_RUN:
        Fly.SetTarget(target_.Get());
        Fly.Limits = QNVEC3(15, 15, 15);
        Fly.TurnDegrees = 10.0f;
        Fly.Damping = Fly.DampingAfter = kAngularDamping;
        Fly.Start();
        break;
    case PILOTSTATE::DOGFIGHT:
        PickWeapon(0.7f);
        if (ship) {
            SetFlight(*ship);
            ship->SetDamping(kLinearDamping, kAngularDamping);
        }
        Watch.Set(target_.Get(), ship_.Node.Get(), ship);
        Watch.Speed = 70.0f;
        Watch.SteerLimit = 15.0f;
        Watch.BreakDistance = 40.0f;
        Watch.Start();
        attackingPlayer_ = true;
        break;
    case PILOTSTATE::SHOOT:
        PickWeapon(0.6f);
        break;
    case PILOTSTATE::FLY_OUT:
        ReleaseTarget();
        if (ship)
            SetFlight(*ship);
        RouteTask.Route.Settings = FlyOutSettings();
        RouteTask.Start();
        break;
    default:
        break;
    }
}

void AIPILOT::StepBackOff(PILOTSHIP& ship)
{
    switch (BackOff) {
    case BACKOFF::NONE:
        if (ship.InContact()) {
            BackOff = BACKOFF::BACK;
            BackOffTimer.Restart();
            backOffTorque_ = -backOffTorque_;
        }
        break;
    case BACKOFF::BACK:
        if (BackOffTimer.Elapsed() < kBackOffSeconds) {
            ship.Push(kBackThrust);
            ship.Turn(QNVEC3(backOffTorque_, backOffTorque_, backOffTorque_));
        } else {
            BackOff = BACKOFF::FORWARD;
            BackOffTimer.Restart();
        }
        break;
    case BACKOFF::FORWARD:
        if (BackOffTimer.Elapsed() < kBackOffSeconds) {
            ship.Push(kForwardThrust);
        } else {
            ReturnFlag = false;
            BackOff = BACKOFF::NONE;
            EnterState(PILOTSTATE::DECIDE);
        }
        break;
    }
}

TASKSTATUS AIPILOT::Update()
{
    if (ship_.Control) {
        // A destroyed ship, or one whose node is gone without a report.
        PILOTSHIP* lost = ship_.Get();
        if (!lost || lost->IsDestroyed()) {
            ForgetShip();
            EnterState(PILOTSTATE::WAIT);
            return TASKSTATUS::UNDER_WAY;
        }
    }
    PILOTSHIP* ship = ship_.Get();
    if (ship && State != PILOTSTATE::IDLE)
        StepBackOff(*ship);
    ship = ship_.Get();

    const std::uint32_t shown = world_.ShownView();
    AtOwnSite = !ship || ship->View() == world_.HomeView();
    PlayerAtHome = ship && shown == world_.PlayerView();

    const bool roams = State != PILOTSTATE::IDLE && State != PILOTSTATE::WAIT && State != PILOTSTATE::GO_TO_WATCHED &&
                       State != PILOTSTATE::DECIDE && State != PILOTSTATE::RETURN;
    if (roams && ship && ship->View() != shown) {
        ReturnFlag = true;
        EnterState(PILOTSTATE::RETURN);
        return TASKSTATUS::UNDER_WAY;
    }
    if (QNITEM* target = target_.Get(); target && world_.IsDestroyed(target)) {
        ReleaseTarget();
        EnterState(PILOTSTATE::DECIDE);
        return TASKSTATUS::UNDER_WAY;
    }
    if (TargetMode == 2 && !target_.Get()) {
        // The part left the station without being destroyed.
        ReleaseTarget();
        EnterState(PILOTSTATE::DECIDE);
        return TASKSTATUS::UNDER_WAY;
    }
    if (ship && !AtOwnSite &&
        (ship->BallisticFraction() < kReturnFraction || ship->ElectronicFraction() < kReturnFraction))
        ReturnFlag = true;

    switch (State) {
    case PILOTSTATE::IDLE:
        return TASKSTATUS::DONE;
    case PILOTSTATE::WAIT:
        StateWait();
        break;
    case PILOTSTATE::GO_TO_WATCHED:
        StateGoToWatched();
        break;
    case PILOTSTATE::DECIDE:
        StateDecide();
        break;
    case PILOTSTATE::CHOOSE_FOE:
        StateChooseFoe();
        break;
    case PILOTSTATE::CHOOSE_PART:
        StateChoosePart();
        break;
    case PILOTSTATE::APPROACH:
        StateApproach();
        break;
    case PILOTSTATE::ATTACK_RUN:
        StateAttackRun();
        break;
    case PILOTSTATE::DOGFIGHT:
        StateDogfight();
        break;
    case PILOTSTATE::SHOOT:
        ShootStep();
        break;
    case PILOTSTATE::FLY_OUT:
        return StateFlyOut();
    case PILOTSTATE::RETURN:
        StateReturn();
        break;
    }
    return TASKSTATUS::UNDER_WAY;
}

void AIPILOT::StateWait()
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship)
        return;
    if (AtOwnSite && world_.ShownView() == world_.HomeView()) {
        EnterState(PILOTSTATE::DECIDE);
        return;
    }
    if (StateTimer.Elapsed() > PilotWaitFactor * WaitTime) {
        EnterState(PILOTSTATE::GO_TO_WATCHED);
        StateTimer.Restart();
    }
}

void AIPILOT::StateGoToWatched()
{
    PILOTSHIP* ship = ship_.Get();
    if (ship && world_.SceneCurrent()) {
        ship->Undock();
        SetFlight(*ship);
        ship->SetDamping(kLinearDamping, kAngularDamping);
        if (ship->StartHyperjump(world_.ShownView(), RandomCorner()))
            EnterState(PILOTSTATE::DECIDE);
    }
    StateTimer.Restart();
}

void AIPILOT::StateDecide()
{
    PlayerAttackable = world_.PlayerShip() && !world_.PlayerShipDocked() && !attackingPlayer_;
    StationTargets = PlayerAtHome && world_.StationThreats() > StationThreatThreshold;
    if (ReturnFlag)
        EnterState(PILOTSTATE::RETURN);
    else if (StationTargets)
        EnterState(PlayerAttackable ? PILOTSTATE::CHOOSE_FOE : PILOTSTATE::CHOOSE_PART);
    else if (PlayerAttackable)
        EnterState(PILOTSTATE::CHOOSE_FOE);
    else {
        ReturnFlag = true;
        EnterState(PILOTSTATE::FLY_OUT);
    }
}

void AIPILOT::StateChooseFoe()
{
    PILOTSHIP* ship = ship_.Get();
    if (AtOwnSite) {
        const std::uint32_t count = world_.HomeTargetCount();
        if (count > 0) {
            const auto index = std::min(static_cast<std::uint32_t>(RandomRange(0.0f, float(count) - 0.0001f)), count - 1);
            if (QNITEM* foe = world_.HomeTarget(index)) {
                SetTarget(foe);
                if (ship)
                    ship->SetTargetNode(foe);
                EnterState(PILOTSTATE::DOGFIGHT);
                return;
            }
        }
    } else if (QNITEM* player = world_.PlayerShip(); player && !world_.PlayerShipDocked() && !attackingPlayer_) {
        SetTarget(player);
        if (ship)
            ship->SetTargetNode(player);
        EnterState(PILOTSTATE::DOGFIGHT);
        return;
    }
    EnterState(PILOTSTATE::DECIDE);
    PlayerAttackable = false;
}

void AIPILOT::StateChoosePart()
{
    if (AtOwnSite || KindCursor >= 16) {
        EnterState(PILOTSTATE::DECIDE);
        StationTargets = false;
        return;
    }
    std::vector<QNITEM*> parts;
    world_.PartsOfKind(world_.ShownView(), kAttackOrder[KindCursor], parts);
    for (QNITEM* part : parts) {
        if (!part || IsClaimed(part))
            continue;
        SetTarget(part);
        TargetMode = 2;
        if (PILOTSHIP* ship = ship_.Get())
            ship->SetTargetNode(nullptr);
        EnterState(PILOTSTATE::APPROACH);
        return;
    }
    ++KindCursor;
}

void AIPILOT::StateApproach()
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship) {
        EnterState(PILOTSTATE::WAIT);
        return;
    }
    QNITEM* target = target_.Get();
    QNVEC3 at;
    if (!target || !world_.Locate(target, at)) {
        EnterState(PILOTSTATE::DECIDE);
        return;
    }
    const TASKSTATUS status = Approach.Step();
    if (status == TASKSTATUS::UNDER_WAY && (at - ship->World().Translation()).Length() > kApproachReach)
        return;
    EnterState(PILOTSTATE::ATTACK_RUN);
}

void AIPILOT::StateAttackRun()
{
    const TASKSTATUS status = Fly.Step();
    if (status == TASKSTATUS::FAILED) {
        EnterState(PILOTSTATE::DECIDE);
        return;
    }
    if (status != TASKSTATUS::DONE)
        return;
    PILOTSHIP* ship = ship_.Get();
    QNITEM* target = target_.Get();
    QNITEM* hit = ship ? ship->LookAhead(kLookNear, kLookFar) : nullptr;
    const bool onTarget = hit && target &&
                          (hit == target || (world_.KindOf(target) == static_cast<std::int32_t>(ITEM_DOCK) &&
                                             world_.KindOf(hit) == KIND_COLLSHIP &&
                                             world_.CompanyOf(hit) == world_.CompanyOf(target)));
    if (onTarget) {
        EnterState(PILOTSTATE::SHOOT);
    } else {
        ReleaseTarget();
        EnterState(PILOTSTATE::DECIDE);
    }
}

void AIPILOT::StateDogfight()
{
    if (!ship_.Get()) {
        EnterState(PILOTSTATE::WAIT);
        return;
    }
    if (!target_.Get()) {
        EnterState(PILOTSTATE::DECIDE);
        return;
    }
    if (!world_.PlayerShip() || world_.PlayerShipDocked()) {
        EnterState(PILOTSTATE::DECIDE);
        PlayerAttackable = false;
    }
    const TASKSTATUS status = Watch.Step();
    if (status != TASKSTATUS::UNDER_WAY) {
        EnterState(PILOTSTATE::DECIDE);
        return;
    }
    PILOTSHIP* ship = ship_.Get();
    QNVEC3 at;
    if (ship && world_.Locate(target_.Get(), at) && (at - ship->World().Translation()).Length() <= kShootRange)
        ShootStep();
}

void AIPILOT::ShootStep()
{
    PILOTSHIP* ship = ship_.Get();
    if (!ship) {
        EnterState(PILOTSTATE::WAIT);
        return;
    }
    QNITEM* target = target_.Get();
    QNVEC3 at;
    if (!target || !world_.Locate(target, at)) {
        EnterState(PILOTSTATE::DECIDE);
        return;
    }
    const std::uint32_t selected = ship->SelectedWeapon();
    if ((selected == 0 || !ship->HasWeapon(selected)) && ship->HasWeapon(kIronman))
        ship->SelectWeapon(kIronman);
    const QNMATRIX world = ship->World();
    const QNVEC3 local = QNVEC3::TransformNormal(at - world.Translation(), world.Inverse()).Normalize();
    const float angle = std::acos(std::clamp(local.z, -1.0f, 1.0f));
    if (angle < kShootDegrees * kDegree)
        ship->FireSelectedWeapon();
}

TASKSTATUS AIPILOT::StateFlyOut()
{
    if (!ship_.Get()) {
        EnterState(PILOTSTATE::WAIT);
        return TASKSTATUS::UNDER_WAY;
    }
    const TASKSTATUS status = RouteTask.Step();
    if (status == TASKSTATUS::DONE)
        EnterState(PILOTSTATE::DECIDE);
    return status;
}

void AIPILOT::StateReturn()
{
    PILOTSHIP* ship = ship_.Get();
    if (ship) {
        ship->StopMotion();
        if (AtOwnSite) {
            ReturnFlag = false;
            EnterState(PILOTSTATE::DECIDE);
        } else if (ship->StartHyperjump(world_.HomeView(), RandomCorner())) {
            ReturnFlag = false;
            EnterState(PILOTSTATE::WAIT);
            world_.Charge(ship->RepairBallistic(kRepairAmount));
            if (!ship->HasWeapon(kCheetah))
                ship->InstallWeapon(kCheetah);
        }
    }
    StateTimer.Restart();
}
