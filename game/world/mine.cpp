#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "game/world/game_globals.h"
#include "game/world/id_set.h"
#include "game/world/mine_launcher.h"
#include "game/world/path_planner.h"

namespace {

IDSET* TurnsOf(std::uint32_t company)
{
    return company < kCompanyCount ? &ViewTurns[company] : nullptr;
}

}  // namespace

MINELAUNCHER::MINE::MINE(QNNODE* parent, const QNMATRIX& at, MINELAUNCHER* launcher, std::uint32_t company)
    : GAMENODE(parent, "MINE", kKind, QNCF_LEVEL_GAME | QNCF_BODY | QNCF_UPDATE, 0, 0, &at, 0), Company(company),
      Launcher(launcher), Serial(IDSET::NewSerial())
{
    SetTexture("mine");
    SetMesh("mine");
    SetScale(kMass, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetLinearDamping(kLinearDamping);
    if (IDSET* turns = TurnsOf(company))
        turns->Insert(Serial);
    const QNPATHPLANNER* planner = PathPlanner(company);
    Path.resize(planner && planner->IsInitialised() ? planner->PathCapacity() : 0);
}

MINELAUNCHER::MINE::~MINE()
{
    if (IDSET* turns = TurnsOf(Company))
        turns->Remove(Serial);
}

void MINELAUNCHER::MINE::Explode()
{
    MineState = MINESTATE::EXPLODED;
    QNNODE* scene = SceneLevelOf(this);
    LeaveExplosion(scene, GetWorldMatrix(), kExplosionSize);
    ForEachVehicle(scene, [this](QNNODE* node) {
        auto* victim = dynamic_cast<DAMAGEABLE*>(node);
        if (victim && CompanyOf(victim) != Company && NodeDistance(this, victim) < kBlastRadius)
            victim->DamageBallistic(kDamage, 0, 1);
    });
}

void MINELAUNCHER::MINE::Update()
{
    if (Delete)
        return;
    if (const MINELAUNCHER* launcher = Launcher.Get(); launcher && (launcher->IsDestroyed() || launcher->Delete))
        Launcher = nullptr;
    if (Triggered && MineState != MINESTATE::EXPLODED && MineState != MINESTATE::REMOVED) {
        Triggered = false;
        Explode();
        return;
    }
    const QNVEC3 turn(kTurnRate, kTurnRate, kTurnRate);
    switch (MineState) {
    case MINESTATE::PARKED:
        if (!Sensor.Get()) {
            auto* sensor = new SENSOR(this);
            Sensor = sensor;
            sensor->SetState(3, 0, false, true);
        }
        break;
    case MINESTATE::LEAVING:
        SteerTowards(ParkingPoint, turn, 0.0f, kTurnTolerance);
        PushTowards(ParkingPoint, QNVEC3(kPush, kPush, kPush), kEaseRadius, 0.0f);
        if (!Launcher.Get() || NodeDistance(this, Launcher.Get()) >= kLeaveDistance)
            MineState = MINESTATE::WAITING;
        break;
    case MINESTATE::WAITING: {
        SteerTowards(ParkingPoint, turn, 0.0f, kTurnTolerance);
        // One mine of a company plans per frame; a mine outside the rationing set plans at once.
        IDSET* turns = TurnsOf(Company);
        if (turns && turns->Contains(Serial) && !turns->HasTurn(Serial))
            break;
        QNPATHPLANNER* planner = PathPlanner(Company);
        if (!planner || Path.empty())
            break;
        Start = GetWorldMatrix().Translation();
        QNBOX box;
        GetLocalBox(box, true);
        const float margin = (box.max - box.min).Length() * 0.5f;
        PathCount = planner->FindPath(Path.data(), std::uint32_t(Path.size()), Start, ParkingPoint, kPlanStep, margin);
        Along = 0.0f;
        if (PathCount > 0)
            MineState = MINESTATE::FOLLOWING;
        break;
    }
    case MINESTATE::FOLLOWING: {
        QNVEC3 aim;
        const bool on = SteerAlongPath(Path.data(), PathCount, Along, turn, 0.0f, kTurnTolerance, aim);
        PushTowards(aim, QNVEC3(kPush, kPush, kPush), kEaseRadius, 0.0f);
        const QNVEC3 here = GetWorldMatrix().Translation();
        if ((aim - here).Length() < kReach)
            Along += kAdvance;
        if (!on && (ParkingPoint - here).Length() < kParkTolerance) {
            StopMotion(false, QNCF_LEVEL_GAME);
            MineState = MINESTATE::PARKED;
        }
        break;
    }
    case MINESTATE::EXPLODED:
        SetState(2, 0, false, true);
        MineState = MINESTATE::REMOVED;
        break;
    case MINESTATE::REMOVED:
        RemoveNextFrame(this);
        break;
    }
}

MINELAUNCHER::SENSOR::SENSOR(MINE* mine)
    : GAMENODE(mine, "SENSOR", MINE::kKind, QNCF_LEVEL_PLAIN | QNCF_CONTACTS | 0x200, QNUF_PAIR_PARENT, 1, nullptr,
               0),
      Mine(mine)
{
    SetMesh("mine_sensor");
    if (Body)
        Body->SetSolid(false);
}

void MINELAUNCHER::SENSOR::OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*)
{
    MINE* mine = Mine.Get();
    if (phase == QNCONTACT_BEGAN && mine && IsVehicleNode(other) && CompanyOf(other) != mine->Company)
        mine->Triggered = true;
}
