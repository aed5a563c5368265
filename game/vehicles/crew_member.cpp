#include "game/vehicles/crew_member.h"

#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/suit.h"
#include "game/world/crew.h"
#include "game/world/game_globals.h"

namespace {

constexpr float kDeg = 3.14159265358979f / 180.0f;
constexpr std::uint32_t kMemberFlags = QNCF_LEVEL_GAME | 0x800 | QNCF_CONTACTS | QNCF_BODY | QNCF_UPDATE;
// Picks tried before a crew whose only part is the current target visits it again.
constexpr std::uint32_t kPickTries = 8;

bool Gone(GAMENODE* part)
{
    return !part || part->Delete || (CREW::PartGone && CREW::PartGone(part));
}

}  // namespace

CREWMEMBER::CREWMEMBER(CREW* crew, std::uint32_t view)
    : GAMENODE(crew, "SUIT", kKindSuit, kMemberFlags, 0, 0, nullptr, 0), ViewIndex(view),
      Serial(IDSET::NewSerial()), crew_(crew)
{
    SetTexture("suit");
    SetMesh("suit");
    SetScale(kScale, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetLinearDamping(kLinearDamping);
        body->SetAngularDamping(kAngularDamping);
    }
    IdleTimer.Restart();
}

CREWMEMBER::~CREWMEMBER()
{
    if (ViewIndex < kCompanyCount)
        ViewTurns[ViewIndex].Remove(Serial);
}

float CREWMEMBER::Clearance() const
{
    QNBOX box;
    GetLocalBox(box, true);
    return box.Radius();
}

void CREWMEMBER::OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*)
{
    if (phase == QNCONTACT_BEGAN && other && other->Kind != kKindSuit)
        State = CREWSTATE::CHOOSE;
}

void CREWMEMBER::Update()
{
    if (State != CREWSTATE::IDLE && State != CREWSTATE::CHOOSE && Gone(TargetPart.Get()))
        State = CREWSTATE::CHOOSE;
    Step();
}

void CREWMEMBER::Step()
{
    switch (State) {
    case CREWSTATE::IDLE:
        if (IdleTimer.Elapsed() >= IdleWait)
            State = CREWSTATE::CHOOSE;
        break;
    case CREWSTATE::CHOOSE: {
        GAMENODE* current = TargetPart.Get();
        GAMENODE* next = nullptr;
        for (std::uint32_t i = 0; i < kPickTries && (!next || next == current); ++i)
            next = crew_->PickPart();
        if (next) {
            TargetPart = next;
            State = CREWSTATE::APPROACH;
        }
        break;
    }
    case CREWSTATE::APPROACH: {
        QNBOX box;
        TargetPart->GetTreeBounds(box, true, false);
        const QNVEC3 centre = (box.min + box.max) * 0.5f;
        const float gap = kApproachGap + Clearance();
        for (int axis = 0; axis < 3; ++axis) {
            for (int side = 0; side < 2; ++side) {
                QNVEC3 p = centre;
                const float half = (box.max[axis] - box.min[axis]) * 0.5f + gap;
                p[axis] += side == 0 ? half : -half;
                Approach[axis * 2 + side] = p;
            }
        }
        ApproachCount = 6;
        State = CREWSTATE::FREEPOINTS;
        break;
    }
    case CREWSTATE::FREEPOINTS: {
        QNPATHPLANNER* planner = PathPlanner(ViewIndex);
        const QNVEC3 at = Position();
        const float margin = Clearance();
        std::uint32_t kept = 0;
        for (std::uint32_t i = 0; i < ApproachCount; ++i) {
            if (!planner || !planner->IsPointBlocked(Approach[i], at, at, margin))
                Approach[kept++] = Approach[i];
        }
        ApproachCount = kept;
        State = kept ? CREWSTATE::NEAREST : CREWSTATE::CHOOSE;
        break;
    }
    case CREWSTATE::NEAREST: {
        const QNVEC3 at = Position();
        std::uint32_t best = 0;
        for (std::uint32_t i = 1; i < ApproachCount; ++i) {
            if ((Approach[i] - at).LengthSq() < (Approach[best] - at).LengthSq())
                best = i;
        }
        Destination = Approach[best];
        TargetOffset = TargetPart->GetWorldMatrix().Translation() - Destination;
        State = CREWSTATE::PLAN;
        break;
    }
    case CREWSTATE::PLAN: {
        if (ViewIndex >= kCompanyCount || !ViewTurns[ViewIndex].HasTurn(Serial))
            break;
        QNPATHPLANNER* planner = PathPlanner(ViewIndex);
        PathStart = Position();
        PathCount = planner ? planner->FindPath(Path, kPathPoints, PathStart, Destination, kPlannerStep, Clearance())
                            : 0;
        ++Plans;
        PathPosition = 0.0f;
        PathFinished = false;
        if (PathCount == 0) {
            State = CREWSTATE::CHOOSE;
            break;
        }
        AimPoint = Path[0];
        AimDirection = PathCount > 1 ? (Path[1] - Path[0]).Normalize() : QNVEC3();
        State = CREWSTATE::TRAVEL;
        break;
    }
    case CREWSTATE::TRAVEL:
        Travel();
        break;
    }
}

void CREWMEMBER::Travel()
{
    const QNMATRIX world = GetWorldMatrix();
    const QNVEC3 at = world.Translation();
    // Path points are taken one by one as they come within reach.
    while (!PathFinished && (AimPoint - at).Length() <= kReach) {
        PathPosition += 1.0f;
        const std::uint32_t i = std::uint32_t(PathPosition);
        if (i >= PathCount) {
            PathFinished = true;
            break;
        }
        AimDirection = (Path[i] - AimPoint).Normalize();
        AimPoint = Path[i];
    }
    // Once the path is used up the member holds its place and turns to face the part.
    const bool finalApproach = PathFinished;
    const QNVEC3 aim = finalApproach ? TargetPart->GetWorldMatrix().Translation() : AimPoint;

    const QNVEC3 forward = world.Row(2).Normalize();
    const QNVEC3 to = (aim - at).Normalize();
    const float angle = AcosF(QNVEC3::Dot(forward, to)) / kDeg;
    const float thrust = (!finalApproach && angle < kThrustAngle) ? kThrust * (1.0f - angle / kThrustAngle) : 0.0f;

    const QNVEC3 gain(kTurnGain, kTurnGain, kTurnGain);
    const bool turning = SteerTowards(aim, gain, kTurnSlow * kDeg, kTurnTolerance * kDeg);
    if (finalApproach && !turning) {
        IdleWait = RandomRange(kIdleMin, kIdleMax);
        IdleTimer.Restart();
        ++Arrivals;
        State = CREWSTATE::IDLE;
        return;
    }
    QNBODY* body = PhysicsBodyOf(this);
    if (!body)
        return;
    // One force per frame (a second one adds nothing): thrust or hold, less a drag that keeps
    // the member from drifting past its path points.
    const QNVEC3 v = body->GetLinearVelocity();
    QNVEC3 force = v * -kDrag;
    if (finalApproach)
        force = force + (Destination - at) * kHold;
    else
        force = force + forward * thrust;
    body->AddForce(force);
}

namespace {

GAMENODE* MakeMember(CREW* crew)
{
    auto* member = new CREWMEMBER(crew, crew->ViewIndex);
    return member;
}

void Joined(GAMENODE* member)
{
    auto* m = dynamic_cast<CREWMEMBER*>(member);
    if (m && m->ViewIndex < kCompanyCount)
        ViewTurns[m->ViewIndex].Insert(m->Serial);
}

void Leaving(GAMENODE* member)
{
    auto* m = dynamic_cast<CREWMEMBER*>(member);
    if (m && m->ViewIndex < kCompanyCount)
        ViewTurns[m->ViewIndex].Remove(m->Serial);
}

}  // namespace

void RegisterCrewMedia(QNRESOURCES& r)
{
    RegisterSuitFigure(r);
}

void InstallCrewMembers()
{
    CREW::MemberFactory = &MakeMember;
    CREW::MemberJoined = &Joined;
    CREW::MemberLeaving = &Leaving;
}
