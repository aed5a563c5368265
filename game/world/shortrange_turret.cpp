#include "game/world/shortrange_turret.h"

#include "engine/physics/qnphysworld.h"
#include "engine/util/qnmath.h"
#include "game/world/station_media.h"

SHORTRANGETURRET::SHORTRANGETURRET(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : BURSTTURRET(parent, "SHORTRANGETURRET", KIND_SHORTRANGETURRET, 0, view, targets)
{
    SetTexture("shortrangeturret");
    SetMesh("shortrangeturret");
    SetSound("shortrangeturret");
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_LEFT);
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_BACK);
    Place(parent, connector);

    Casing = MakeMovingChild(this, "CASING", QNCF_LEVEL_PLAIN, QNUF_PAIR_BODY, QNMATRIX::MakeTranslation(0, 2.42f, 0.19f), "shortrangeturret",
                             "shortrangeturret_casing", kCasingMass, kCasingDamping);
    // The casing turns about its upright axis, through a point 0.19 behind its centre.
    QNMATRIX hinge;
    hinge.SetRotationX(Radians(-90.0f));
    const QNMATRIX frame = hinge * QNMATRIX::MakeTranslation(0, 0, -0.19f);
    Casing->CreateJoint(QNJOINT_HINGE, &frame);
    Casing->SetJointMotor(kIdleTurn, kMotorForce);

    QNMATRIX flashes[2] = {QNMATRIX::MakeTranslation(-0.37f, 0, 4.25f - 2.7f), QNMATRIX::MakeTranslation(0.37f, 0, 4.25f - 2.7f)};
    const QNMATRIX light = QNMATRIX::MakeTranslation(0, 0, 3.0f - 2.7f);
    Muzzle = new TURRETGUN(Casing, "OUTERGUN", KIND_SHORTRANGETURRET, QNMATRIX::MakeTranslation(0.005f, 0.165f, 2.7f), "shortrangeturret",
                           "shortrangeturret_outergun", flashes, &light);
    InnerGun = new TURRETGUN(Casing, "INNERGUN", KIND_SHORTRANGETURRET, QNMATRIX::MakeTranslation(0.005f, 0.165f, 1.7f), "shortrangeturret",
                             "shortrangeturret_innergun", nullptr, nullptr);
    Gun = Casing;
    Steered = Casing;
    MaxRange = 50.0f;
    Horizontal = Radians(1.0f);
    Vertical = Radians(30.0f);
    Gain = kGain;
    SlowAngle = kSlowAngle;
}

void SHORTRANGETURRET::Kick()
{
    Muzzle->Recoil(QNMATRIX::MakeTranslation(0, 0.165f, 2.35f), kRecoilTime);
}

void SHORTRANGETURRET::SwitchMotors(bool on)
{
    Casing->ActivateJointMotor(on);
}

void SHORTRANGETURRET::SetHighlight(bool on)
{
    BURSTTURRET::SetHighlight(on);
    const int v = on ? 1 : 0;
    SetTexture("shortrangeturret", v);
    Casing->SetTexture("shortrangeturret", v);
    Muzzle->SetTexture("shortrangeturret", v);
    InnerGun->SetTexture("shortrangeturret", v);
}

void SHORTRANGETURRET::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "shortrangeturret", 2);
    stationmedia::Mesh(r, "shortrangeturret");
    stationmedia::Mesh(r, "shortrangeturret_casing");
    stationmedia::Mesh(r, "shortrangeturret_innergun", 1, 0);
    stationmedia::Mesh(r, "shortrangeturret_outergun", 1, 0);
    stationmedia::Sound(r, "shortrangeturret", 1, 10.0f, 150.0f);
}
