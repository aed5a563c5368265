#include "game/vehicles/freighter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/glow.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/outside_hyperspace.h"
#include "game/world/game_globals.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
constexpr std::uint32_t kFreighterFlags = QNCF_LEVEL_GAME | QNCF_BODY | QNCF_UPDATE;
const QNVEC3 kUp(0.0f, 1.0f, 0.0f);

// Door leaves: where each hangs, and its hinge line along the leaf's outer edge.
const QNVEC3 kLeftDoorAt(-1.3263f, 0.967f, 0.225f);
const QNVEC3 kRightDoorAt(1.2601f, 0.967f, 0.225f);
constexpr float kHingeOffset = -1.3371f;
constexpr float kDoorScale = 100.0f, kDoorBand = 1.0f, kDoorForce = 1000.0f, kDoorTolerance = 0.01f;

// Engine glows: small, large, small at the engine block.
struct ENGINEGLOW {
    const char* Mesh;
    QNVEC3 At;
};
const ENGINEGLOW kGlows[3] = {
    {"freighter_engine_glow_small", {1.777f, -0.9725f, -10.7837f}},
    {"freighter_engine_glow_large", {0.0229f, -1.3672f, -11.5f}},
    {"freighter_engine_glow_small", {-1.7697f, -0.9725f, -10.7837f}},
};
constexpr float kGlowSize = 1.5f, kGlowCone = 90.0f * kDegree, kGlowFade = 12.5f * kDegree;
constexpr float kGlowPerSpeed = 0.05f;
// Quads of the glow sprites: the large engine's is twice the small ones'.
constexpr float kSmallGlowQuad = 1.5f, kLargeGlowQuad = 3.0f;

// Hold slots: two rows of six.
constexpr float kPodRowHeight = 1.2f, kPodRowBase = -1.0f, kPodPitch = 1.5f, kPodFirst = -2.7f;

QNMATRIX At(const QNVEC3& p, float aboutY = 0.0f)
{
    QNMATRIX r, t;
    r.SetRotationY(aboutY);
    t.SetTranslationV(p);
    return r * t;
}

float Round4(float v)
{
    return std::round(v * 10000.0f) / 10000.0f;
}

void DriveDoor(GAMENODE* door, float degrees)
{
    if (!door)
        return;
    // The leaf is modelled closed: its hinge position counts from there.
    const float a = (degrees - FREIGHTER::kDoorClosed) * kDegree;
    door->DriveJoint(a, a, FREIGHTER::kDoorSpeed * kDegree, kDoorBand, kDoorForce, kDoorTolerance);
}

GAMENODE* CreateFreighter(QNNODE* parent, const QNMATRIX& start, const QNVEC3* waypoints, const QNVEC3& siteCentre,
                          CARGOPORT* port, std::uint32_t view)
{
    return new FREIGHTER(parent, start, waypoints, siteCentre, port, view);
}

void Flash(QNNODE* parent, const QNMATRIX& transform, float size)
{
    auto* flash = new OUTSIDEHYPERSPACE(parent, &transform, size, size);
    flash->SetState(3, 0, false, true);
}

}  // namespace

FREIGHTER::FREIGHTER(QNNODE* parent, const QNMATRIX& start, const QNVEC3* waypoints, const QNVEC3& siteCentre,
                     CARGOPORT* port, std::uint32_t view)
    : VEHICLE(parent, "FREIGHTER", kKind, kFreighterFlags, 0, 0, &start, view), Port(port), SiteCentre(siteCentre),
      Serial(IDSET::NewSerial())
{
    SetTexture("freighter");
    SetMesh("freighter");
    SetSound("freighter");
    LeftDoor = MakeDoor(kLeftDoorAt, 0.0f, "freighter_docking");
    RightDoor = MakeDoor(kRightDoorAt, 180.0f * kDegree, "freighter_undocking");
    for (int i = 0; i < 3; ++i) {
        const QNMATRIX m = At(kGlows[i].At, 180.0f * kDegree) * start;
        auto* glow = new QNGLOW(this, &m, kGlowCone, kGlowFade, kGlowSize, kGlows[i].Mesh, "engine_glow_blue");
        glow->Alpha = 0.0f;
        EngineGlows[i] = glow;
    }
    SetScale(kScale, kMassFactor);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetAngularDamping(kAngularDamping);
        body->SetLinearDamping(kLinearDamping);
    }
    Waypoints[0] = start.Translation();
    for (int i = 0; i < 4; ++i)
        Waypoints[i + 1] = waypoints ? waypoints[i] : Waypoints[0];
    for (QNVEC3& p : Waypoints)
        p = QNVEC3(Round4(p.x), Round4(p.y), Round4(p.z));
    ArrivalTimer.Init(0.0);
    LegTimer.Init(0.0);
    for (std::uint32_t n = 0; n < kPods; ++n) {
        const QNMATRIX podAt = At(PodPosition(n));
        auto* pod = new GAMENODE(this, "POD", CARGOPOD::kKind, QNCF_LEVEL_PLAIN, 0, 1, &podAt, 0);
        pod->SetTexture("cargopod");
        pod->SetMesh("cargopod");
        pod->SetState(2, 2, false, true);
        Pods[n] = pod;
    }
    if (ViewIndex < kCompanyCount)
        ViewTurns[ViewIndex].Insert(Serial);
    SetMaxima(kCondition, kCondition);
}

FREIGHTER::~FREIGHTER()
{
    if (ViewIndex < kCompanyCount)
        ViewTurns[ViewIndex].Remove(Serial);
}

GAMENODE* FREIGHTER::MakeDoor(const QNVEC3& at, float turn, const char* sound)
{
    const QNMATRIX m = At(at, turn);
    auto* door = new GAMENODE(this, "DOOR", kKind, QNCF_LEVEL_PLAIN | QNCF_BODY, QNUF_PAIR_BODY, 5, &m, 0);
    door->SetTexture("freighter");
    door->SetMesh("freighter_door");
    door->SetSound(sound);
    door->SetScale(kDoorScale, 1.0f);
    QNMATRIX hinge;
    hinge.SetTranslation(kHingeOffset, 0.0f, 0.0f);
    door->CreateJoint(QNJOINT_HINGE, &hinge);
    DriveDoor(door, kDoorClosed);
    return door;
}

QNVEC3 FREIGHTER::PodPosition(std::uint32_t n) const
{
    return QNVEC3(0.0f, float(n / 6) * kPodRowHeight + kPodRowBase, float(n % 6) * kPodPitch + kPodFirst);
}

void FREIGHTER::Call()
{
    if (DockingState == DOCKINGSTATE::WAITING) {
        DockingState = DOCKINGSTATE::ARRIVING;
        ArrivalTimer.Restart();
    }
}

void FREIGHTER::OpenDoors()
{
    DriveDoor(LeftDoor, kDoorOpen);
    DriveDoor(RightDoor, kDoorOpen);
    DoorState = DOORSTATE::OPEN_COMMANDED;
}

void FREIGHTER::CloseDoors()
{
    DriveDoor(LeftDoor, kDoorClosed);
    DriveDoor(RightDoor, kDoorClosed);
    DoorState = DOORSTATE::CLOSE_COMMANDED;
}

void FREIGHTER::LoadPod(float value)
{
    Loaded += value;
    if (PodsLoaded < kPods)
        Pods[PodsLoaded]->SetState(3, 2, false, true);
    ++PodsLoaded;
}

void FREIGHTER::Depart()
{
    if (DockingState != DOCKINGSTATE::DOCKED)
        return;
    Leg = 3;
    DockingState = DOCKINGSTATE::MANOEUVRE;
    Departing = true;
    if (RightDoor) {
        RightDoor->PlaySound(0);
    }
}

void FREIGHTER::SetHighlight(bool on)
{
    VEHICLE::SetHighlight(on);
    SetTexture("freighter", on ? 1 : 0);
    for (GAMENODE* door : {LeftDoor, RightDoor})
        if (door)
            door->SetTexture("freighter", on ? 1 : 0);
}

void FREIGHTER::Update()
{
    VEHICLE::Update();
    // A destroyed freighter drifts until its destruction removes it.
    if (Delete || IsDestroyed())
        return;
    GAMENODE* port = Port.Get();
    auto* damageable = dynamic_cast<DAMAGEABLE*>(port);
    const bool portLost = !port || port->Delete || (damageable && damageable->IsDestroyed());
    if (portLost && DockingState == DOCKINGSTATE::GONE) {
        // Gone, and nobody left to collect it.
        Port.Reset();
        Vanish();
        return;
    }
    if (portLost && Leg != 5) {
        Port.Reset();
        if (DockingState == DOCKINGSTATE::WAITING || DockingState == DOCKINGSTATE::ARRIVING) {
            // Never seen: nothing to fly away from.
            DockingState = DOCKINGSTATE::GONE;
            Vanish();
            return;
        }
        Leg = 5;
        const QNVEC3 at = GetWorldMatrix().Translation();
        Waypoints[4] = at;
        Waypoints[5] = SiteCentre + (at - SiteCentre).Normalize() * kFlyAway;
        DockingState = DOCKINGSTATE::PLANNING;
    }
    if (State == 3 && !EngineSoundStarted) {
        PlaySound(-1);
        EngineSoundStarted = true;
    }
    DockingStep();
    if (Delete)
        return;
    DoorStep();
    // Glows keep a world placement of their own: carried along with the hull each frame.
    const QNMATRIX world = GetWorldMatrix();
    float glow = 0.0f;
    if (QNBODY* body = PhysicsBodyOf(this)) {
        const QNVEC3 v = QNVEC3::TransformNormal(body->GetLinearVelocity(), world.Inverse());
        glow = std::clamp(v.z * kGlowPerSpeed, 0.0f, 1.0f);
    }
    for (int i = 0; i < 3; ++i)
        if (auto* q = dynamic_cast<QNGLOW*>(EngineGlows[i])) {
            q->SetTransform(At(kGlows[i].At, 180.0f * kDegree) * world);
            q->Alpha = glow;
        }
}

void FREIGHTER::DockingStep()
{
    switch (DockingState) {
    case DOCKINGSTATE::WAITING:
    case DOCKINGSTATE::DOCKED:
    case DOCKINGSTATE::GONE:
        break;
    case DOCKINGSTATE::ARRIVING:
        if (ArrivalTimer.Elapsed() < ArrivalDelay)
            break;
        if (SetState(3, 0, true, true) != 0) {
            ArrivalDelay = kRetryDelay;
            ArrivalTimer.Restart();
            break;
        }
        // Pods stay hidden on their own vote.
        Leg = 1;
        DockingState = DOCKINGSTATE::PLANNING;
        if (GAMENODE* port = Port.Get())
            SetTreeCollision(port, false);
        break;
    case DOCKINGSTATE::PLANNING:
        Plan();
        break;
    case DOCKINGSTATE::FLYING:
        FlyLeg();
        break;
    case DOCKINGSTATE::MANOEUVRE:
        Manoeuvre();
        break;
    }
}

void FREIGHTER::Plan()
{
    if (ViewIndex >= kCompanyCount || !ViewTurns[ViewIndex].HasTurn(Serial))
        return;
    QNPATHPLANNER* planner = PathPlanner(ViewIndex);
    if (!planner || Leg < 1 || Leg > 5)
        return;
    LegStart = GetWorldMatrix().Translation();
    LegEnd = Waypoints[Leg];
    QNBOX box;
    GetTreeBounds(box, true, false);
    const float margin = box.max.x - box.min.x;
    const std::uint32_t capacity = std::min(kPathPoints, planner->PathCapacity());
    PathCount = planner->FindPath(Path, capacity, LegStart, LegEnd, kPlanStep, margin);
    ++Plans;
    if (PathCount == 0)
        return;
    LegDirection = LegEnd - Waypoints[Leg - 1];
    Progress = 0.0f;
    PathDone = false;
    FinalAxis = 0;
    CurrentPoint = Path[0];
    DockingState = DOCKINGSTATE::FLYING;
    LegTimer.Restart();
}

void FREIGHTER::FlyLeg()
{
    const QNMATRIX world = GetWorldMatrix();
    const QNVEC3 at = world.Translation();
    const QNVEC3 turnGain(kTurnGain, kTurnGain, kTurnGain);
    while (!PathDone && (CurrentPoint - at).Length() <= kReach) {
        Progress += kProgressStep;
        QNVEC3 next;
        if (!PointAlongPath(Path, PathCount, next, QNVEC3(), QNVEC3(), Progress, 1.0f))
            PathDone = true;
        CurrentPoint = PathDone ? LegEnd : next;
    }
    if (PathDone) {
        CurrentPoint = LegEnd;
        if (FinalAxis == 0) {
            // Along the route's main axis the push carries the freighter; across it the pull
            // lines it up.
            const QNVEC3 d = Waypoints[0] - Waypoints[4];
            FinalAxis = std::fabs(d.x) > 0.5f ? 1 : std::fabs(d.y) > 0.5f ? 2 : std::fabs(d.z) > 0.5f ? 3 : 4;
        }
        QNVEC3 target = LegEnd;
        QNVEC3 gain(kEndPull, kEndPull, kEndPull);
        if (FinalAxis >= 1 && FinalAxis <= 3) {
            target[int(FinalAxis) - 1] = at[int(FinalAxis) - 1];
            gain[int(FinalAxis) - 1] = 0.0f;
        }
        const bool pulling = PushTowards(target, gain, kEndSlow, kEndStop);
        if (!pulling && (LegEnd - at).Length() <= kReach) {
            LegDone();
            return;
        }
    }
    SteerTowards(CurrentPoint, turnGain, kTurnSlow * kDegree, kTurnStop * kDegree);
    const QNVEC3 forward = world.Row(2).Normalize();
    const float angle = AcosF(QNVEC3::Dot(forward, (CurrentPoint - at).Normalize())) / kDegree;
    if (angle < kPushAngle) {
        const float push = kPush * (kPushAngle - angle) / kPushAngle;
        if (push > kMinPush)
            if (QNBODY* body = PhysicsBodyOf(this))
                body->AddForce(forward * push);
    }
}

void FREIGHTER::Manoeuvre()
{
    const QNVEC3 at = GetWorldMatrix().Translation();
    const QNVEC3 end = Waypoints[Leg];
    if (Leg == 2 && !DockingSoundPlayed && (end - at).Length() <= kDoorSoundDistance) {
        if (LeftDoor)
            LeftDoor->PlaySound(0);
        DockingSoundPlayed = true;
    }
    const QNVEC3 direction = end - Waypoints[Leg - 1];
    const bool turning = SteerTowards(at + direction.Normalize() * 100.0f,
                                      QNVEC3(kDockTurnGain, kDockTurnGain, kDockTurnGain), kDockTurnSlow * kDegree,
                                      kDockTurnStop * kDegree);
    const bool moving = PushTowards(end, QNVEC3(kDockPull, kDockPull, kDockPull), kDockSlow, kDockStop);
    if (!turning && !moving)
        LegDone();
}

void FREIGHTER::LegDone()
{
    switch (Leg) {
    case 1:
        Leg = 2;
        DockingState = DOCKINGSTATE::MANOEUVRE;
        Departing = false;
        break;
    case 2:
        StopMotion(true, QNCF_LEVEL_PLAIN);
        DockingState = DOCKINGSTATE::DOCKED;
        break;
    case 3:
        Leg = 4;
        DockingState = DOCKINGSTATE::PLANNING;
        break;
    default:
        DockingState = DOCKINGSTATE::GONE;
        SetState(2, 0, false, true);
        if (!Port.Get())
            Vanish();
        break;
    }
}

void FREIGHTER::Vanish()
{
    if (QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT); root && State >= 2) {
        const QNMATRIX at = At(GetWorldMatrix().Translation());
        auto* flash = new OUTSIDEHYPERSPACE(root, &at, kFlashSize, kFlashHeight);
        flash->SetState(3, 0, false, true);
    }
    if (QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(this);
    QNPHYSWORLD::DeferRemove(this);
}

void FREIGHTER::DoorStep()
{
    const bool moving = LeftDoor && !LeftDoor->IsTurningSlowerThan(kDoorStill);
    switch (DoorState) {
    case DOORSTATE::OPEN_COMMANDED:
        if (moving)
            DoorState = DOORSTATE::OPENING;
        break;
    case DOORSTATE::OPENING:
        if (!moving)
            DoorState = DOORSTATE::OPEN;
        break;
    case DOORSTATE::CLOSE_COMMANDED:
        if (moving)
            DoorState = DOORSTATE::CLOSING;
        break;
    case DOORSTATE::CLOSING:
        if (!moving)
            DoorState = DOORSTATE::CLOSED;
        break;
    case DOORSTATE::CLOSED:
    case DOORSTATE::OPEN:
        break;
    }
}

void FREIGHTER::RegisterMedia(QNRESOURCES& r)
{
    if (r.Meshes.FindChild("freighter"))
        return;
    auto texture = [&](const char* name, int count) {
        QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
        QNRESOURCES::TextureParams.Name = name;
        QNRESOURCES::TextureParams.Count = count;
        r.AddTexture();
    };
    auto mesh = [&](const char* name, bool collides) {
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = name;
        if (!collides)
            QNRESOURCES::MeshParams.CollisionOption1 = 0;
        QNRESOURCES::MeshParams.Args[0] = 1;
        r.AddMeshFile();
    };
    auto quad = [&](const char* name, float size) {
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = name;
        QNRESOURCES::MeshParams.CollisionOption1 = 0;
        const float args[7] = {size, size, 1, 1, 1, 1, 1};
        for (int i = 0; i < 7; ++i)
            QNRESOURCES::MeshParams.Args[i] = args[i];
        r.AddMesh();
    };
    auto sound = [&](const char* name, float minDistance, float maxDistance) {
        QNRESOURCES::SoundParams = QNSOUNDPARAMS();
        QNRESOURCES::SoundParams.Name = name;
        QNRESOURCES::SoundParams.Count = 1;
        QNRESOURCES::SoundParams.MinDistance = minDistance;
        QNRESOURCES::SoundParams.MaxDistance = maxDistance;
        r.AddSound();
    };
    texture("freighter", 2);
    mesh("freighter", true);
    // The leaves and the hold's pods sit inside the hull: pictures only.
    mesh("freighter_door", false);
    if (!r.Meshes.FindChild("cargopod"))
        mesh("cargopod", false);
    if (!r.Textures.FindChild("cargopod"))
        texture("cargopod", 1);
    if (!r.Textures.FindChild("engine_glow_blue"))
        texture("engine_glow_blue", 1);
    quad("freighter_engine_glow_small", kSmallGlowQuad);
    quad("freighter_engine_glow_large", kLargeGlowQuad);
    sound("freighter", 20.0f, 400.0f);
    sound("freighter_docking", 5.0f, 150.0f);
    sound("freighter_undocking", 5.0f, 150.0f);
}

void FREIGHTER::Install()
{
    CargoLinks.CreateFreighter = &CreateFreighter;
    CargoLinks.Flash = &Flash;
    CARGOPORT::InstallMakers();
}
