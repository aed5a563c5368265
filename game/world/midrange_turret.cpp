#include "game/world/midrange_turret.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/util/qnmath.h"
#include "game/world/station_media.h"

MIDRANGETURRET::MIDRANGETURRET(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : BURSTTURRET(parent, "MIDRANGETURRET", KIND_MIDRANGETURRET, QNCF_BODY, view, targets)
{
    SetTexture("midrangeturret");
    SetMesh("midrangeturret");
    SetSound("midrangeturret");
    StandOnConnector(parent, connector, kMass, kAngularDamping);
    // The hinge stands upright through the turret's centre line (its y axis), 1.58 behind.
    QNMATRIX hinge;
    hinge.SetRotationX(Radians(-90.0f));
    HangOnHinge(hinge * QNMATRIX::MakeTranslation(0, 0, 1.58f), RandomRange(0.0f, 1.0f) < 0.5f ? kIdleTurn : -kIdleTurn, kMotorForce);

    QNMATRIX flashes[2];
    QNMATRIX tilt;
    tilt.SetRotationX(Radians(12.0f));
    flashes[0] = tilt * QNMATRIX::MakeTranslation(-0.35f, 0, 2.9f);
    flashes[1] = tilt * QNMATRIX::MakeTranslation(0.35f, 0, 2.9f);
    const QNMATRIX light = QNMATRIX::MakeTranslation(0, 0, 3.0f);
    Muzzle = new TURRETGUN(this, "GUN", KIND_MIDRANGETURRET, QNMATRIX::MakeTranslation(0, 1.25f, -0.7f), "midrangeturret",
                           "midrangeturret_gun", flashes, &light);
    Gun = Muzzle;
    Steered = this;
    MaxRange = 100.0f;
    Horizontal = Radians(5.0f);
    Vertical = Radians(30.0f);
    Gain = kGain;
    SlowAngle = kSlowAngle;
}

void MIDRANGETURRET::SwitchMotors(bool on)
{
    ActivateJointMotor(on);
}

void MIDRANGETURRET::SetHighlight(bool on)
{
    BURSTTURRET::SetHighlight(on);
    SetTexture("midrangeturret", on ? 1 : 0);
    Muzzle->SetTexture("midrangeturret", on ? 1 : 0);
}

void MIDRANGETURRET::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "midrangeturret", 2);
    stationmedia::Mesh(r, "midrangeturret");
    stationmedia::Mesh(r, "midrangeturret_gun", 1, 0);
    stationmedia::Sound(r, "midrangeturret", 1, 10.0f, 200.0f);
}
