#include "game/world/antiship.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "engine/util/qnmath.h"
#include "game/world/homing_steering.h"
#include "game/world/station_media.h"

namespace {

constexpr float kRailX[ANTISHIP::kRails] = {-4.4f, -3.3f, -2.2f, 2.2f, 3.3f, 4.4f};

}  // namespace

QNMATRIX ANTISHIP::RailMatrix(std::uint32_t k)
{
    QNMATRIX tilt;
    tilt.SetRotationX(kRailTilt);
    return tilt * QNMATRIX::MakeTranslation(kRailX[k % kRails], 0, 0);
}

ANTISHIP::ANTISHIP(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : STATIONWEAPON(parent, "ANTISHIP", KIND_ANTISHIP, QNCF_BODY, view, targets)
{
    SetTexture("antiship");
    SetMesh("antiship");
    StandOnConnector(parent, connector, kMass, kAngularDamping);
    QNMATRIX hinge;
    hinge.SetRotationX(Radians(-90.0f));
    HangOnHinge(hinge, RandomRange(0.0f, 1.0f) < 0.5f ? kTurnSpeed : -kTurnSpeed, kMotorForce);

    Gun = MakeMovingChild(this, "RADAR", QNCF_LEVEL_PLAIN, QNUF_PAIR_BODY, QNMATRIX::MakeTranslation(0, kRadarHeight, 0), "antiship",
                          "antiship_radar", kRadarMass, kRadarDamping);
    QNMATRIX pitch;
    pitch.SetRotationY(Radians(90.0f));
    Gun->CreateJoint(QNJOINT_HINGE, &pitch);
    Gun->DriveJoint(-kSweep, kSweep, kSweepSpeed, kSweepRange, kSweepForce, kSweepTolerance);
    Gun->ActivateJointMotor(false);

    for (std::uint32_t k = 0; k < kRails; ++k) {
        const QNMATRIX rail = RailMatrix(k);
        Props[k] = new GAMENODE(this, "MISSILEPROP", KIND_ANTISHIP, QNCF_LEVEL_PLAIN, 0, 1, &rail, 0);
        Props[k]->SetTexture("antiship");
        Props[k]->SetMesh("antiship_missile");
        PropTimers[k].Init(0.0);
    }
    MinRange = 40.0f;
    MaxRange = 150.0f;
    Reload.Restart();
}

void ANTISHIP::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "antiship", 2);
    stationmedia::Mesh(r, "antiship");
    stationmedia::Mesh(r, "antiship_radar");
    stationmedia::Mesh(r, "antiship_missile", 1, 3);
    stationmedia::Sound(r, "antiship_missile", 1, 30.0f, 1000.0f);
    if (!r.Materials.FindChild("antiship"))
        r.AddMaterial("antiship");
    // The glow is the ship missile's; the ships register it too, whoever comes first.
    if (!r.Textures.FindChild(MISSILE::kGlowName))
        stationmedia::Texture(r, MISSILE::kGlowName);
    if (!r.Meshes.FindChild(MISSILE::kGlowName))
        stationmedia::Quad(r, MISSILE::kGlowName, MISSILE::kGlowQuad, MISSILE::kGlowQuad);
}

void ANTISHIP::SetHighlight(bool on)
{
    STATIONWEAPON::SetHighlight(on);
    SetTexture("antiship", on ? 1 : 0);
    Gun->SetTexture("antiship", on ? 1 : 0);
}

void ANTISHIP::Update()
{
    STATIONWEAPON::Update();
    if (Delete)
        return;
    if (Reload.Elapsed() >= kReload)
        Ready = true;
    for (std::uint32_t k = 0; k < kRails; ++k) {
        if (Props[k]->State == 2 && PropTimers[k].Elapsed() >= PropTimers[k].Period()) {
            Props[k]->SetState(3, 0, false, false);
            PropTimers[k].Restart();
        }
    }
}

bool ANTISHIP::Fire()
{
    GAMENODE* prop = Props[Rail];
    if (State != 3 || prop->State != 3)
        return false;
    Ready = false;
    Reload.Restart();
    prop->SetState(2, 0, false, false);
    if (QNNODE* scene = SceneLevelOf(this)) {
        auto* missile = new MISSILE(scene, RailMatrix(Rail) * GetWorldMatrix(), Target());
        missile->SetState(3, 0, false, true);
        SetTreeCollision(missile, false);
    }
    PropTimers[Rail].Init(kPropReturn);
    Rail = (Rail + 1) % kRails;
    return true;
}

bool ANTISHIP::Track()
{
    const DAMAGEABLE* target = Target();
    if (!target)
        return false;
    const QNVEC3 point = target->GetWorldMatrix().Translation();
    const QNVEC3 gain(kSteerGain, kSteerGain, kSteerGain);
    SteerTowards(point, gain, kSlowAngle, kStopAngle);
    Gun->SteerTowards(point, gain, kSlowAngle, kStopAngle);
    const QNMATRIX radar = Gun->GetWorldMatrix();
    return homing::AngleBetween(radar.Row(2), point - radar.Translation()) <= kLockAngle;
}
