#include "game/world/shockwave.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "game/world/homing_steering.h"
#include "game/world/station_media.h"
#include "game/world/target_list.h"
#include "physics/dynamics/dynamics.h"

namespace {

constexpr float kDriveSpeed = 1.0f;
constexpr float kDriveForce = 1000.0f;
constexpr float kDriveRange = Radians(10.0f);
constexpr float kDriveTolerance = 0.01f;

}  // namespace

SHOCKWAVE::SHOCKWAVE(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : STATIONPART(parent, "SHOCKWAVE", KIND_SHOCKWAVE, 0, false, 0, view), Targets(targets)
{
    SetTexture("shockwave");
    SetMesh("shockwave");
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_LEFT);
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_BACK);
    if (auto* part = dynamic_cast<STATIONPART*>(parent); part && connector >= 0)
        AttachTo(part, connector, 0);
    QNMATRIX axis;
    axis.SetRotationY(Radians(90.0f));
    for (std::uint32_t k = 0; k < kWings; ++k) {
        QNMATRIX around;
        around.SetRotationY(Radians(90.0f * float(k)));
        const QNMATRIX at = QNMATRIX::MakeTranslation(0, kWingHeight, kWingRim) * around;
        GAMENODE* wing = Wings[k] =
            new GAMENODE(this, "WING", KIND_SHOCKWAVE, QNCF_LEVEL_PLAIN | QNCF_BODY, QNUF_PAIR_BODY, 5, &at, 0);
        wing->SetTexture("shockwave");
        wing->SetMesh("shockwave_wing");
        wing->SetScale(kWingMass, 1.0f);
        if (QNBODY* body = PhysicsBodyOf(wing))
            body->SetAngularDamping(kWingDamping);
        wing->CreateJoint(QNJOINT_HINGE, &axis);
        wing->DriveJoint(0.0f, 0.0f, kDriveSpeed, kDriveRange, kDriveForce, kDriveTolerance);
    }
    SetSound("shockwave_wing");
    ChargeStep.Restart();
}

SHOCKWAVE::~SHOCKWAVE()
{
    if (ENERGYBALL* ball = Ball.Get())
        QNITEM::Destroy(ball);
}

void SHOCKWAVE::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "shockwave", 2);
    stationmedia::Mesh(r, "shockwave");
    stationmedia::Mesh(r, "shockwave_wing");
    stationmedia::Sound(r, "shockwave_wing", 1, 10.0f, 200.0f);
    stationmedia::Texture(r, "shockwave_energyball", 1, 4, 4);
    stationmedia::Mesh(r, "shockwave_energyball", 1, 0);
    stationmedia::Sound(r, "shockwave_energyball", 1, 30.0f, 1000.0f);
    r.AddMaterial("shockwave_energyball", "alpha");
}

double SHOCKWAVE::Step(QNTIMER& timer)
{
    double step = timer.Elapsed();
    if (step >= kLongStep)
        step = kShortStep;
    timer.Restart();
    return step;
}

float SHOCKWAVE::WingAngle(std::uint32_t k) const
{
    const auto* wing = dynamic_cast<const QNJOINTNODE*>(Wings[k % kWings]);
    MdtLimit* limit = wing && wing->Joint ? wing->Joint->GetLimit(0) : nullptr;
    return limit ? MdtLimitGetPosition(limit) : 0.0f;
}

bool SHOCKWAVE::AtRest() const
{
    for (const GAMENODE* wing : Wings)
        if (!wing->IsTurningSlowerThan(kRestBound))
            return false;
    return true;
}

void SHOCKWAVE::MoveWings()
{
    SetSound("shockwave_wing");
    PlaySound(1);
    const bool open = ShockState == SHOCKWAVESTATE::CHARGING;
    const float angle = open ? kWingOpen : 0.0f;
    for (GAMENODE* wing : Wings)
        wing->DriveJoint(angle, angle, kDriveSpeed, kDriveRange, kDriveForce, kDriveTolerance);
    ShockState = open ? SHOCKWAVESTATE::OPENING : SHOCKWAVESTATE::CLOSING;
}

void SHOCKWAVE::SetActive(bool on)
{
    const bool was = IsOperating();
    STATIONPART::SetActive(on);
    if (!on && ShockState >= SHOCKWAVESTATE::OPENING && ShockState <= SHOCKWAVESTATE::BALL) {
        if (ENERGYBALL* ball = Ball.Get())
            QNITEM::Destroy(ball);
        Ball = nullptr;
        MoveWings();
    }
    if (!was && IsOperating() && ShockState == SHOCKWAVESTATE::CHARGING)
        ChargeStep.Restart();
}

void SHOCKWAVE::SetPowered(bool on)
{
    const bool was = IsOperating();
    STATIONPART::SetPowered(on);
    if (!was && IsOperating() && ShockState == SHOCKWAVESTATE::CHARGING)
        ChargeStep.Restart();
}

void SHOCKWAVE::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("shockwave", on ? 1 : 0);
    for (GAMENODE* wing : Wings)
        wing->SetTexture("shockwave", on ? 1 : 0);
}

bool SHOCKWAVE::Fire()
{
    if (ShockState != SHOCKWAVESTATE::ARMED)
        return false;
    QNNODE* scene = SceneLevelOf(this);
    if (!scene)
        return false;
    SetSound("shockwave_energyball");
    PlaySound(1);
    auto* ball = new ENERGYBALL(scene, QNMATRIX::MakeTranslation(0, kBallHeight, 0) * GetWorldMatrix(), this, Targets);
    Ball = ball;
    ball->SetState(3, 0, false, true);
    ShockState = SHOCKWAVESTATE::BALL;
    Charge = 0.0f;
    BallLife.Restart();
    FrameStep.Restart();
    LastStep = 0.0f;
    return true;
}

void SHOCKWAVE::Update()
{
    STATIONPART::Update();
    if (!separated_)
        separated_ = SeparateFromSupport(this);
    if (Delete || IsDestroyed())
        return;
    switch (ShockState) {
    case SHOCKWAVESTATE::CHARGING:
        if (Charge >= kFullCharge)
            MoveWings();
        else if (IsOperating())
            Charge += kChargeRate * float(Step(ChargeStep));
        break;
    case SHOCKWAVESTATE::OPENING:
        if (!AtRest())
            ShockState = SHOCKWAVESTATE::OPENING_REST;
        break;
    case SHOCKWAVESTATE::OPENING_REST:
        if (AtRest())
            ShockState = SHOCKWAVESTATE::ARMED;
        break;
    case SHOCKWAVESTATE::ARMED: {
        const QNMATRIX world = GetWorldMatrix();
        const std::uint32_t count = Targets ? Targets->Count() : 0;
        for (std::uint32_t i = 0; i < count && ShockState == SHOCKWAVESTATE::ARMED; ++i) {
            const GAMENODE* target = Targets->Entry(i);
            if (!target)
                continue;
            const QNVEC3 to = target->GetWorldMatrix().Translation() - world.Translation();
            if (to.Length() < kTriggerReach && homing::AngleBetween(to, world.Row(1)) <= kTriggerCone)
                Fire();
        }
        break;
    }
    case SHOCKWAVESTATE::BALL:
        LastStep = float(Step(FrameStep));
        if (BallLife.Elapsed() > kBallLife) {
            Ball = nullptr;
            MoveWings();
        }
        break;
    case SHOCKWAVESTATE::CLOSING:
        if (!AtRest())
            ShockState = SHOCKWAVESTATE::CLOSING_REST;
        break;
    case SHOCKWAVESTATE::CLOSING_REST:
        if (AtRest()) {
            ShockState = SHOCKWAVESTATE::CHARGING;
            ChargeStep.Restart();
        }
        break;
    }
}
