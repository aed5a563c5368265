#include "game/world/collship_dock.h"

#include <algorithm>
#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "game/world/company.h"
#include "game/world/company_links.h"
#include "game/world/game_globals.h"
#include "game/world/station.h"
#include "game/world/station_media.h"

namespace {

constexpr float kHalfTurn = 3.14159265f;
const QNVEC3 kConnectorOffset(0.0f, 1.49f, 0.0f);
const QNVEC3 kDoorAt(0.0f, 2.25f, 0.0f);
const QNVEC3 kDockPointAt(0.0f, 1.15f, 0.0f);
const QNVEC3 kTowerAt(0.0f, 4.4f, 5.1f);
const QNVEC3 kDisplayAt(-0.044f, 0.477f, 0.36f);
// The display is a small screen on the tower's face toward the approaching ship.
constexpr float kDisplayWidth = 0.8f, kDisplayHeight = 0.6f;
// Ship damping while pulled in, after a release, and after undocking.
constexpr float kPullLinear = 1.0f, kPullAngular = 2.0f;
constexpr float kReleaseLinear = 0.8f, kReleaseAngular = 3.8f;
constexpr float kFreeLinear = 0.01f, kFreeAngular = 2.0f;
// Display periods: in-range blink, aligned blink, idle cycle.
constexpr double kBlinkPeriod = 1.0, kAlignedPeriod = 0.5, kIdlePeriod = 5.0;

QNMATRIX TurnedAt(const QNVEC3& at, float turn)
{
    QNMATRIX r, t;
    r.SetRotationY(turn);
    t.SetTranslationV(at);
    return r * t;
}

QNMATRIX At(const QNVEC3& at)
{
    QNMATRIX t;
    t.SetTranslationV(at);
    return t;
}

// `from`'s rotation turned toward `to`'s by at most `maxAngle` (normalised interpolation of
// the axes, then made orthonormal again). Sets `there` when within `tolerance`.
QNMATRIX TurnToward(const QNMATRIX& from, const QNMATRIX& to, float maxAngle, float tolerance, bool& there)
{
    float trace = 0.0f;
    for (int r = 0; r < 3; ++r)
        trace += QNVEC3::Dot(from.Row(r).Normalize(), to.Row(r).Normalize());
    const float angle = std::acos(std::clamp((trace - 1.0f) * 0.5f, -1.0f, 1.0f));
    QNMATRIX out = to;
    there = angle <= tolerance;
    if (there || angle <= maxAngle)
        return out;
    const float t = maxAngle / angle;
    const QNVEC3 z = (from.Row(2).Normalize() * (1.0f - t) + to.Row(2).Normalize() * t).Normalize();
    const QNVEC3 yGuess = (from.Row(1).Normalize() * (1.0f - t) + to.Row(1).Normalize() * t).Normalize();
    const QNVEC3 x = QNVEC3::Cross(yGuess, z).Normalize();
    if (z.Length() < 0.5f || x.Length() < 0.5f)
        return out;  // opposite orientations: no interpolation to follow
    const QNVEC3 y = QNVEC3::Cross(z, x);
    const QNVEC3 rows[3] = {x, y, z};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.at(r, c) = rows[r][c];
    return out;
}

}  // namespace

DOCKDOOR::DOCKDOOR(QNNODE* dock, const QNMATRIX& at) : GAMENODE(dock, "DOOR", KIND_COLLSHIPDOCK, QNCF_LEVEL_GAME | 4, 0, 1, &at, 0), base_(at)
{
    SetTexture("collshipdock");
    SetMesh("collshipdock_door");
    const QNMATRIX point = TurnedAt(kDockPointAt, kHalfTurn);
    DockPoint = new GAMENODE(this, "DOCKPOINT", KIND_COLLSHIPDOCK, QNCF_LEVEL_PLAIN, 0, 1, &point, 0);
}

void DOCKDOOR::Toggle()
{
    Target = Target == kClosed ? kOpen : kClosed;
    Moving = 1;
}

void DOCKDOOR::Update()
{
    if (Moving == 0)
        return;
    const float error = Target - Angle;
    const float step = kSpeed * QNAPP::dt;
    if (std::fabs(error) <= std::max(step, kTolerance)) {
        // Within the drive's tolerance: the door settles on its target and stops.
        Angle = Target;
        Speed = 0.0f;
        Moving = 0;
    } else {
        Angle += error > 0.0f ? step : -step;
        Speed = step > 0.0f ? kSpeed : 0.0f;
        if (Moving == 1 && Speed >= kIdleSpeed)
            Moving = 2;
    }
    QNMATRIX turn;
    turn.SetRotationY(Angle);
    SetLocalTransform(turn * base_);
}

DOCKDISPLAY::DOCKDISPLAY(QNNODE* tower, const QNMATRIX& at, std::uint32_t companyFrame)
    : GAMENODE(tower, "DISPLAY", KIND_COLLSHIPDOCK, QNCF_LEVEL_GAME | 4, 0, 1, &at, 0), CompanyFrame(companyFrame)
{
    SetMaterial("flatlit");
    SetTexture("collshipdock_tower_display");
    SetMesh("collshipdock_tower_display");
    ModeTimer.Init(kIdlePeriod);
    SetIdle();
}

void DOCKDISPLAY::SetMode(std::uint32_t mode)
{
    Mode = mode;
    const double period = (mode == 8 || mode == 9) ? kAlignedPeriod : (mode >= 10 && mode <= 12) ? kIdlePeriod : kBlinkPeriod;
    ModeTimer.Init(period);
    if (mode == kUnloading)
        Unloading.Start();
    if (mode == kRepairing)
        Repairing.Start();
    stationmedia::ShowCell(this, Frame());
}

void DOCKDISPLAY::SetIdle()
{
    SetMode(kIdle + std::uint32_t(RoundToInt(RandomRange(0.0f, 2.0f))));
}

std::uint32_t DOCKDISPLAY::Frame() const
{
    if (Mode == kCompany)
        return CompanyFrame;
    return Mode >= 12 ? Mode - 1 : Mode;
}

void DOCKDISPLAY::Update()
{
    std::uint32_t next = Mode;
    if (Mode >= 13 && Mode <= 19) {
        const std::int32_t v = Unloading.Advance();
        if (v >= 0)
            next = kUnloading + std::uint32_t(v);
    } else if (Mode >= 20) {
        const std::int32_t v = Repairing.Advance();
        if (v >= 0)
            next = kRepairing + std::uint32_t(v);
    } else if (const std::uint32_t periods = ModeTimer.PeriodsElapsed(); periods > 0) {
        auto cycle = [&](std::uint32_t first, std::uint32_t count) {
            return first + (Mode - first + periods) % count;
        };
        if (Mode == 5 || Mode == 6)
            next = cycle(5, 2);
        else if (Mode == 8 || Mode == 9)
            next = cycle(8, 2);
        else if (Mode >= 10 && Mode <= 12)
            next = cycle(10, 3);
    }
    if (next != Mode) {
        Mode = next;
        stationmedia::ShowCell(this, Frame());
    }
}

COLLECTORSHIPDOCK::COLLECTORSHIPDOCK(STATIONPART* parent, std::int32_t connector, std::uint32_t view,
                                     std::uint32_t identity)
    : STATIONPART(parent, "COLLECTORSHIPDOCK", KIND_COLLSHIPDOCK, 0, false, 0, view)
{
    SetTexture("collshipdock");
    SetMesh("collshipdock");
    SetSound("collshipdock");
    AddConnector(FACE_FRONT, kConnectorOffset);
    AttachTo(parent, connector, 0);
    Door = new DOCKDOOR(this, TurnedAt(kDoorAt, kHalfTurn));
    const QNMATRIX towerAt = At(kTowerAt);
    Tower = new GAMENODE(this, "TOWER", KIND_COLLSHIPDOCK, QNCF_LEVEL_GAME, 0, 1, &towerAt, 0);
    Tower->SetMaterial("flatlit");
    Tower->SetTexture("collshipdock_tower");
    Tower->SetMesh("collshipdock_tower");
    Display = new DOCKDISPLAY(Tower, At(kDisplayAt), identity);
    UnloadTimer.Init(0.0);
    StepTimer.Init(0.0);
}

COLLECTORSHIPDOCK::~COLLECTORSHIPDOCK() = default;

void COLLECTORSHIPDOCK::Install()
{
    STATION::SetMaker(KIND_COLLSHIPDOCK, [](STATION& station, STATIONPART* parent, std::int32_t connector,
                                            std::uint32_t) -> STATIONPART* {
        const COMPANY* company = CompanyOfView(station.ViewIndex);
        return new COLLECTORSHIPDOCK(parent, connector, station.ViewIndex,
                                     company ? company->Identity : station.ViewIndex);
    });
}

void COLLECTORSHIPDOCK::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "collshipdock", 2);
    stationmedia::Texture(r, "collshipdock_tower", 2);
    stationmedia::Texture(r, "collshipdock_tower_display", 1, 8, 4);
    stationmedia::Mesh(r, "collshipdock");
    // The turntable and the tower ride on the dock, whose own shape collides for them.
    stationmedia::Mesh(r, "collshipdock_door", 1, 0);
    stationmedia::Mesh(r, "collshipdock_tower", 1, 0);
    stationmedia::Quad(r, "collshipdock_tower_display", kDisplayWidth, kDisplayHeight);
    stationmedia::Sound(r, "collshipdock", 1, 10.0f, 200.0f);
}

QNMATRIX COLLECTORSHIPDOCK::DockPointMatrix() const
{
    return Door->DockPoint->GetWorldMatrix();
}

bool COLLECTORSHIPDOCK::AlignedWith(const DAMAGEABLE* ship) const
{
    const QNMATRIX point = DockPointMatrix();
    const QNMATRIX world = ship->GetWorldMatrix();
    const float d = (world.Translation() - point.Translation()).Length();
    const float up = QNVEC3::Dot(world.Row(1).Normalize(), point.Row(1).Normalize());
    return d <= kCaptureDistance && up >= kAlignCos && IsOperating();
}

bool COLLECTORSHIPDOCK::CanDock() const
{
    const DAMAGEABLE* ship = ship_.Get();
    return ship && DockState == DOCKSTATE::WAITING && AlignedWith(ship);
}

bool COLLECTORSHIPDOCK::IsAligned() const
{
    const DAMAGEABLE* ship = ship_.Get();
    return ship && (DockState == DOCKSTATE::WAITING || DockState == DOCKSTATE::PULLING) && AlignedWith(ship);
}

void COLLECTORSHIPDOCK::SetShipCollision(bool on)
{
    if (DAMAGEABLE* ship = ship_.Get())
        SetTreeCollision(ship, on);
}

void COLLECTORSHIPDOCK::SetShipDamping(float linear, float angular)
{
    if (QNBODY* body = PhysicsBodyOf(ship_.Get())) {
        body->SetLinearDamping(linear);
        body->SetAngularDamping(angular);
    }
}

void COLLECTORSHIPDOCK::PlayDockSound()
{
    PlaySound(0);
}

void COLLECTORSHIPDOCK::SetShip(DAMAGEABLE* ship)
{
    // The ship held here sends the damage it takes while docked to the dock.
    if (COMPANYSHIP* old = ShipOf(ship_.Get()); old && ship_.Get() != ship)
        old->SetDock(nullptr);
    if (COMPANYSHIP* control = ShipOf(ship))
        control->SetDock(this);
    ship_ = ship;
    ApproachClass = 0;
    if (DockState == DOCKSTATE::DOCKED) {
        SetShipCollision(false);
        Holding = ship != nullptr;
    }
    if (IsOperating())
        Display->SetIdle();
}

void COLLECTORSHIPDOCK::BeginDocking()
{
    if (!IsOperating())
        return;
    if (DockState == DOCKSTATE::WAITING) {
        DockState = DOCKSTATE::PULLING;
        Holding = ship_.Get() != nullptr;
        if (Holding) {
            SetShipCollision(false);
            SetShipDamping(kPullLinear, kPullAngular);
        }
    } else if (DockState == DOCKSTATE::DOCKED || DockState == DOCKSTATE::REPAIRING) {
        DockState = DOCKSTATE::UNDOCKSTART;
    }
}

void COLLECTORSHIPDOCK::ReleaseShip()
{
    DAMAGEABLE* ship = ship_.Get();
    if (!ship)
        return;
    Holding = false;
    DockState = DOCKSTATE::WAITING;
    if (COMPANYSHIP* control = ShipOf(ship))
        control->SetDocked(false);
    SetShipDamping(kReleaseLinear, kReleaseAngular);
    SetShipCollision(true);
}

void COLLECTORSHIPDOCK::StartUnloading()
{
    if ((DockState != DOCKSTATE::DOCKED && DockState != DOCKSTATE::REPAIRING) || !Holding)
        return;
    unloadTime_ = 0.0f;
    DockState = DOCKSTATE::UNLOADING;
    UnloadTimer.Restart();
    Display->SetMode(DOCKDISPLAY::kUnloading);
}

void COLLECTORSHIPDOCK::StopUnloading()
{
    if (DockState != DOCKSTATE::UNLOADING)
        return;
    DockState = DOCKSTATE::DOCKED;
    Display->SetMode(DOCKDISPLAY::kIdle);
}

void COLLECTORSHIPDOCK::RefreshDisplay()
{
    if (!Display)
        return;
    if (!IsOperating()) {
        ApproachClass = 0;
        Display->SetMode(DOCKDISPLAY::kOff);
    } else if (DockState == DOCKSTATE::NONE || DockState == DOCKSTATE::WAITING || DockState == DOCKSTATE::DOCKED) {
        Display->SetMode(DOCKDISPLAY::kIdle);
    } else if (DockState == DOCKSTATE::UNLOADING) {
        Display->SetMode(DOCKDISPLAY::kUnloading);
    }
}

void COLLECTORSHIPDOCK::SetActive(bool on)
{
    STATIONPART::SetActive(on);
    RefreshDisplay();
}

void COLLECTORSHIPDOCK::SetPowered(bool on)
{
    STATIONPART::SetPowered(on);
    RefreshDisplay();
}

void COLLECTORSHIPDOCK::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    if (!Door || !Tower)
        return;
    const int index = on ? 1 : 0;
    SetTexture("collshipdock", index);
    Door->SetTexture("collshipdock", index);
    Tower->SetTexture("collshipdock_tower", index);
}

float COLLECTORSHIPDOCK::Step()
{
    double step = StepTimer.Elapsed();
    if (step > kLongStep)
        step = kShortStep;
    StepTimer.Restart();
    return float(step);
}

void COLLECTORSHIPDOCK::ShowApproach()
{
    std::uint32_t cls = 1;
    if (const DAMAGEABLE* ship = ship_.Get()) {
        const float d = (ship->GetWorldMatrix().Translation() - DockPointMatrix().Translation()).Length();
        cls = IsAligned() ? 4 : d < kNearDistance ? 3 : d < kRangeDistance ? 2 : 1;
    }
    if (cls == ApproachClass)
        return;
    ApproachClass = cls;
    static constexpr std::uint32_t kModes[5] = {DOCKDISPLAY::kIdle, DOCKDISPLAY::kIdle, DOCKDISPLAY::kInRange,
                                                DOCKDISPLAY::kNear, DOCKDISPLAY::kAligned};
    Display->SetMode(kModes[cls]);
}

void COLLECTORSHIPDOCK::HoldShip()
{
    DAMAGEABLE* ship = ship_.Get();
    if (!ship || !Holding)
        return;
    ship->SetTransform(DockPointMatrix());
    if (QNBODY* body = PhysicsBodyOf(ship)) {
        body->SetLinearVelocity(QNVEC3(0, 0, 0));
        body->SetAngularVelocity(QNVEC3(0, 0, 0));
    }
}

bool COLLECTORSHIPDOCK::PullShip()
{
    DAMAGEABLE* ship = ship_.Get();
    const QNMATRIX point = DockPointMatrix();
    const QNMATRIX world = ship->GetWorldMatrix();
    bool turned = false;
    QNMATRIX next = TurnToward(world, point, kTurnStep, kTurnTolerance, turned);
    const QNVEC3 d = point.Translation() - world.Translation();
    const float length = d.Length();
    const bool moved = length <= kPullTolerance;
    const QNVEC3 at = length <= kPullStep ? point.Translation() : world.Translation() + d * (kPullStep / length);
    next.at(3, 0) = at.x;
    next.at(3, 1) = at.y;
    next.at(3, 2) = at.z;
    ship->SetTransform(next);
    if (QNBODY* body = PhysicsBodyOf(ship)) {
        body->SetLinearVelocity(QNVEC3(0, 0, 0));
        body->SetAngularVelocity(QNVEC3(0, 0, 0));
    }
    return turned && moved;
}

void COLLECTORSHIPDOCK::Update()
{
    STATIONPART::Update();
    if (ShutOutOnShow && QNNODE::State == 3) {
        SetShipCollision(false);
        ShutOutOnShow = false;
    }
    if (!widened_ && Bounds) {
        // Widened once placed, so the checked placement tests the dock's own shape.
        widened_ = true;
        Bounds->LocalBox.max.y = std::max(Bounds->LocalBox.max.y, kBoxTop);
        Bounds->LocalBox.min.z = std::min(Bounds->LocalBox.min.z, kBoxFront);
    }
    if (IsDestroyed())
        return;
    DAMAGEABLE* ship = ship_.Get();
    switch (DockState) {
    case DOCKSTATE::NONE:
        break;
    case DOCKSTATE::WAITING:
        if (!IsOperating()) {
            ApproachClass = 0;
            Display->SetMode(DOCKDISPLAY::kOff);
        } else {
            ShowApproach();
        }
        break;
    case DOCKSTATE::PULLING:
        if (ship && !PullShip()) {
            ShowApproach();
            break;
        }
        DockState = DOCKSTATE::CLOSING;
        if (COMPANYSHIP* control = ShipOf(ship))
            control->SetDocked(true);
        Door->Toggle();
        PlayDockSound();
        break;
    case DOCKSTATE::CLOSING:
        if (Door->Moving == 0) {
            if (IsOperating())
                Display->SetMode(DOCKDISPLAY::kIdle);
            DockState = DOCKSTATE::DOCKED;
        } else {
            HoldShip();
        }
        break;
    case DOCKSTATE::DOCKED:
        if (Holding && ship && (ship->BallisticFraction() < 1.0f || ship->ElectronicFraction() < 1.0f))
            DockState = DOCKSTATE::REPAIRING;
        break;
    case DOCKSTATE::UNDOCKSTART:
        DockState = DOCKSTATE::OPENING;
        if (Holding)
            Display->SetMode(DOCKDISPLAY::kAligned);
        Door->Toggle();
        PlayDockSound();
        break;
    case DOCKSTATE::OPENING:
        if (Door->Moving == 0) {
            if (COMPANYSHIP* control = ShipOf(ship))
                control->SetDocked(false);
            DockState = DOCKSTATE::WAITING;
            Holding = false;
            SetShipDamping(kFreeLinear, kFreeAngular);
            SetShipCollision(true);
        } else {
            HoldShip();
        }
        break;
    case DOCKSTATE::UNLOADING: {
        const float step = Step();
        if (IsOperating())
            unloadTime_ += step;
        break;
    }
    case DOCKSTATE::REPAIRING:
        if (!IsOperating())
            break;
        if (Display->Mode < DOCKDISPLAY::kRepairing)
            Display->SetMode(DOCKDISPLAY::kRepairing);
        if (Holding && ship && (ship->BallisticFraction() < 1.0f || ship->ElectronicFraction() < 1.0f)) {
            const float step = Step();
            const float cost = std::max(ship->RepairElectronic(kRepairRate * step),
                                        ship->RepairBallistic(kRepairRate * step));
            if (STATION* station = Station())
                station->RepairCostTotal += cost;
        } else {
            DockState = DOCKSTATE::DOCKED;
            Display->SetMode(DOCKDISPLAY::kIdle);
        }
        break;
    }
}
