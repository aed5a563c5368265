#include "game/world/midrange_turret.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/util/qnmath.h"
#include "game/world/station_media.h"

namespace {

QNMATRIX At(float x, float y, float z)
{
    QNMATRIX m;
    m.SetTranslation(x, y, z);
    return m;
}

}  // namespace

MIDRANGETURRET::MIDRANGETURRET(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : BURSTTURRET(parent, "MIDRANGETURRET", KIND_MIDRANGETURRET, QNCF_BODY, view, targets)
{
    SetTexture("midrangeturret");
    SetMesh("midrangeturret");
    SetSound("midrangeturret");
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_LEFT);
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_BACK);
    Place(parent, connector);
    SetScale(kMass, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetAngularDamping(kAngularDamping);
    // The hinge stands upright through the turret's centre line (its y axis), 1.58 behind.
    QNMATRIX hinge;
    hinge.SetRotationX(Radians(-90.0f));
    HangOnHinge(hinge * At(0, 0, 1.58f), RandomRange(0.0f, 1.0f) < 0.5f ? kIdleTurn : -kIdleTurn, kMotorForce);

    QNMATRIX flashes[2];
    QNMATRIX tilt;
    tilt.SetRotationX(Radians(12.0f));
    flashes[0] = tilt * At(-0.35f, 0, 2.9f);
    flashes[1] = tilt * At(0.35f, 0, 2.9f);
    const QNMATRIX light = At(0, 0, 3.0f);
    Muzzle = new TURRETGUN(this, "GUN", KIND_MIDRANGETURRET, At(0, 1.25f, -0.7f), "midrangeturret",
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
