#include "game/world/ore_processor.h"

#include <numbers>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "game/world/debris.h"
#include "game/world/station_media.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

// Arm drives: lower end, upper end, speed, proportional band, force, end tolerance. Running,
// the arm swings between its two ends; at rest it is pulled back to its start.
struct ARMDRIVE {
    float Lower, Upper, Speed, Band, Force, Tolerance;
};
constexpr ARMDRIVE kArmRunning = {-3.0f, 0.0f, 3.35f, 0.0f, 200.0f, 0.15f};
constexpr ARMDRIVE kArmResting = {0.0f, 0.0f, 1.0f, 0.25f, 50.0f, 0.01f};

// Vents: one-shot emitters that puff chips.
constexpr float kVentX[PROCESSOR::kVents] = {-3.44f, -2.21f, -1.0f};
constexpr float kVentY = 2.34f, kVentZ = -0.53f;
constexpr float kVentIntervalMin = 0.4f, kVentIntervalMax = 0.7f;
constexpr float kVentSpeedMin = 0.1f, kVentSpeedMax = 0.3f;
constexpr float kVentOffset = 0.3f;
constexpr float kVentAngle = 30.0f * kDegree;
constexpr std::uint32_t kVentBurst = 3;
constexpr std::uint32_t kChipFrames = 4;
constexpr float kChipSize = 0.25f;
// Physics scale of both arms (the hinge drive moves them).
constexpr float kArmScale = 200.0f;
// The large arm: its end on the small arm and its axle, along its own x.
constexpr float kLargeArmEnd = 1.735f;
// The axle's frame: turned -90 degrees about y (its z runs along the arm), 18 about that z.
constexpr float kAxleTurnY = -90.0f * kDegree, kAxleTurnZ = 18.0f * kDegree;

QNMATRIX At(const QNVEC3& p, float aboutX = 0.0f, float aboutY = 0.0f)
{
    QNMATRIX x, y, t;
    x.SetRotationX(aboutX);
    y.SetRotationY(aboutY);
    t.SetTranslationV(p);
    return x * y * t;
}

// Holds the large arm's axle on the processor's line through it (the arm's rest axis): carried
// at its other end by the small arm, the arm's axle slides and turns in its guide, which closes
// the loop.
void JoinAxle(GAMENODE* axle, QNNODE* processor, QNNODE* largeArm)
{
    QNPHYSWORLD* world = axle->View ? PhysicsWorldOf(axle->View) : nullptr;
    if (!world)
        return;
    QNMATRIX turnY, turnZ;
    turnY.SetRotationY(kAxleTurnY);
    turnZ.SetRotationZ(kAxleTurnZ);
    QNMATRIX frame = turnZ * turnY * axle->GetWorldMatrix();
    frame.Round();
    if (!axle->Joint)
        axle->Joint = new QNJOINT;
    axle->Joint->Create(world, QNJOINT_LINE);
    axle->Joint->SetBodies(PhysicsBodyOf(largeArm), PhysicsBodyOf(processor));
    axle->Joint->SetPosition(frame.Translation(), frame.Translation());
    axle->Joint->SetAxis(frame.Row(2), frame.Row(2));
}

void Drive(GAMENODE* arm, const ARMDRIVE& d)
{
    if (arm)
        arm->DriveJoint(d.Lower, d.Upper, d.Speed, d.Band, d.Force, d.Tolerance);
}

}  // namespace

VENTCHIP::VENTCHIP(QNEMITTER* vent, std::uint32_t frame)
    : QNEFFECTNODE(vent, "CHIP", KIND_PROCESSOR, 0, 1), Lifetime(RandomRange(kLifeMin, kLifeMax))
{
    SetMaterial("alphatest");
    SetTexture("processor_chip");
    SetMesh("processor_chip");
    stationmedia::ShowCell(this, frame % kChipFrames);
}

void VENTCHIP::OnEmit()
{
    Velocity = GetWorldMatrix().Row(2).Normalize() * RandomRange(kVentSpeedMin, kVentSpeedMax);
}

void VENTCHIP::Update()
{
    if (Age() >= Lifetime) {
        Recycle();
        return;
    }
    QNMATRIX m = GetWorldMatrix();
    const QNVEC3 at = m.Translation() + Velocity * QNAPP::dt;
    m.m[12] = at.x;
    m.m[13] = at.y;
    m.m[14] = at.z;
    SetTransform(m);
}

PROCESSOR::PROCESSOR(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible,
                     bool effects)
    : STATIONPART(parent, "PROCESSOR", KIND_PROCESSOR, 0, indestructible, 0, view)
{
    SetTexture("processor");
    SetMesh("processor");
    SetSound("processor");
    AddConnector(FACE_BACK, QNVEC3(-0.505f, -3.986f, 0.0f));
    if (parent)
        AttachTo(parent, connector, 0);

    const QNMATRIX gearboxAt = At(QNVEC3(-2.0f, -2.45f, 1.1f));
    Gearbox = new GAMENODE(this, "GEARBOX", KIND_PROCESSOR, QNCF_LEVEL_PLAIN, 0, 1, &gearboxAt, 0);
    Gearbox->SetTexture("processor");
    Gearbox->SetMesh("processor_gearbox");
    // The small arm swings on a hinge across the processor (the hinge axis is the part's x).
    const QNMATRIX armAt = At(QNVEC3(-0.1f, 1.2f, -0.1f), -30.0f * kDegree);
    Arm = new GAMENODE(Gearbox, "SMALLARM", KIND_PROCESSOR, QNCF_LEVEL_PLAIN | QNCF_BODY, 0, 5, &armAt, 0);
    Arm->SetTexture("processor");
    Arm->SetMesh("processor_smallarm");
    Arm->SetScale(kArmScale, 1.0f);
    const QNMATRIX arm2At = At(QNVEC3(0.0f, 0.0f, 0.4f));
    auto* arm2 = new GAMENODE(Arm, "SMALLARM2", KIND_PROCESSOR, QNCF_LEVEL_PLAIN, 0, 1, &arm2At, 0);
    arm2->SetTexture("processor");
    const QNMATRIX hinge = At(QNVEC3(), 0.0f, 90.0f * kDegree);
    Arm->CreateJoint(QNJOINT_HINGE, &hinge);
    // The large arm is a body of its own: a ball at its end rides on the small arm, its axle
    // slides in a guide of the processor.
    const QNMATRIX largeAt = At(QNVEC3(-1.7f, 1.7f, 0.19f), 13.0f * kDegree);
    LargeArm = new GAMENODE(arm2, "LARGEARM", KIND_PROCESSOR, QNCF_LEVEL_PLAIN | QNCF_BODY, 0, 5, &largeAt, 0);
    LargeArm->SetTexture("processor");
    LargeArm->SetMesh("processor_largearm");
    LargeArm->SetScale(kArmScale, 1.0f);
    const QNMATRIX endInArm =
        At(QNVEC3(kLargeArmEnd, 0.0f, 0.0f)) * LargeArm->GetWorldMatrix() * Arm->GetWorldMatrix().Inverse();
    LargeArm->CreateJointVariant(QNJOINT_BALL, Arm, &endInArm);
    const QNMATRIX axleAt = At(QNVEC3(-kLargeArmEnd, 0.0f, 0.0f));
    Axle = new GAMENODE(LargeArm, "AXLE", KIND_PROCESSOR, QNCF_LEVEL_PLAIN, 0, 1, &axleAt, 0);
    JoinAxle(Axle, this, LargeArm);
    Drive(Arm, kArmResting);

    if (effects) {
        std::uint32_t frame = 0;
        for (int v = 0; v < kVents; ++v) {
            const QNMATRIX ventAt = At(QNVEC3(kVentX[v], kVentY, kVentZ), -90.0f * kDegree);
            auto* vent = new QNEMITTER(this, "VENT", KIND_PROCESSOR, 0, 0, 3, &ventAt);
            SetEmitInterval(*vent, kVentIntervalMin, kVentIntervalMax);
            vent->SpeedMin = kVentSpeedMin;
            vent->SpeedMax = kVentSpeedMax;
            vent->OffsetX = vent->OffsetY = kVentOffset;
            vent->AngleX = vent->AngleY = kVentAngle;
            vent->PerEmission = kVentBurst;
            vent->Stopped = 1;
            for (int c = 0; c < kChipsPerVent; ++c)
                new VENTCHIP(vent, frame++);
            Vents[v] = vent;
        }
    }
    ProcessingTimer.Init(0.0);
}

void PROCESSOR::Machinery(bool on)
{
    Running = on;
    for (QNEMITTER* vent : Vents) {
        if (!vent)
            continue;
        vent->Stopped = on ? 0 : 1;
        if (on) {
            vent->EmitTimer.Restart();
            vent->FireNow = 1;
        }
    }
    if (on)
        PlaySound(-1);
    else
        StopSound();
    Drive(Arm, on ? kArmRunning : kArmResting);
}

void PROCESSOR::StartProcessing(float amount)
{
    Amount = amount;
    Elapsed = 0.0f;
    if (!IsOperating()) {
        ProcessingState = PROCESSORSTATE::PAUSED;
        return;
    }
    ProcessingTimer.Restart();
    ProcessingState = PROCESSORSTATE::PROCESSING;
    Machinery(true);
}

void PROCESSOR::Collect()
{
    ProcessingState = PROCESSORSTATE::IDLE;
    Amount = 0.0f;
}

void PROCESSOR::Pause(bool on)
{
    if (on && ProcessingState == PROCESSORSTATE::PROCESSING) {
        // The time up to the pause counts.
        Elapsed += float(ProcessingTimer.Elapsed());
        ProcessingState = PROCESSORSTATE::PAUSED;
        Machinery(false);
    } else if (!on && ProcessingState == PROCESSORSTATE::PAUSED) {
        ProcessingTimer.Restart();
        ProcessingState = PROCESSORSTATE::PROCESSING;
        Machinery(true);
    }
}

void PROCESSOR::FollowOperation()
{
    Pause(!IsOperating());
}

void PROCESSOR::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    FollowOperation();
}

void PROCESSOR::SetPowered(bool on)
{
    if (on == Powered)
        return;
    STATIONPART::SetPowered(on);
    FollowOperation();
}

void PROCESSOR::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("processor", on ? 1 : 0);
}

void PROCESSOR::Update()
{
    STATIONPART::Update();
    if (ProcessingState != PROCESSORSTATE::PROCESSING)
        return;
    Elapsed += float(ProcessingTimer.Elapsed());
    ProcessingTimer.Restart();
    if (Elapsed >= kProcessingTime) {
        Elapsed = kProcessingTime;
        Machinery(false);
        ProcessingState = PROCESSORSTATE::FINISHED;
    }
}

void PROCESSOR::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "processor", 2);
    stationmedia::Mesh(r, "processor");
    stationmedia::Mesh(r, "processor_gearbox", 1, 0);
    stationmedia::Mesh(r, "processor_smallarm", 1, 0);
    stationmedia::Mesh(r, "processor_largearm", 1, 0);
    stationmedia::Texture(r, "processor_chip", 1, 2, 2);
    stationmedia::Quad(r, "processor_chip", kChipSize, kChipSize);
    stationmedia::Sound(r, "processor", 1, 2.0f, 80.0f);
}
