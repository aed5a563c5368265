#include "game/world/flack_gun.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/util/qnmath.h"
#include "game/world/station_media.h"

FLACKGUN::FLACKGUN(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : STATIONWEAPON(parent, "FLACKGUN", KIND_FLACKGUN, 0, view, targets)
{
    SetTexture("flackgun");
    SetMesh("flackgun");
    SetSound("flackgun");
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_LEFT);
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_BACK);
    Place(parent, connector);

    Casing = MakeMovingChild(this, "CASING", QNCF_LEVEL_PLAIN, QNUF_PAIR_BODY, QNMATRIX::MakeTranslation(0, 1.4f, -2.55f), "flackgun",
                             "flackgun_casing", kCasingMass, kCasingDamping);
    QNMATRIX hinge;
    hinge.SetRotationX(Radians(-90.0f));
    Casing->CreateJoint(QNJOINT_HINGE, &hinge);
    Casing->SetJointMotor(kIdleTurn, kMotorForce);
    QNMATRIX tilt;
    tilt.SetRotationX(Radians(12.0f));
    const QNMATRIX flashes[2] = {tilt * QNMATRIX::MakeTranslation(-0.7f, 0, 3.1f), tilt * QNMATRIX::MakeTranslation(0.7f, 0, 3.1f)};
    Guns[0] = new TURRETGUN(Casing, "GUN", KIND_FLACKGUN, QNMATRIX::MakeTranslation(0.02f, 0.5834f, -0.5456f), "flackgun", "flackgun_guns",
                            flashes, nullptr);
    Guns[1] = new TURRETGUN(Casing, "GUN", KIND_FLACKGUN, QNMATRIX::MakeTranslation(0.02f, 0.1084f, -0.4456f), "flackgun", "flackgun_guns",
                            flashes, nullptr);
    Gun = Casing;
    MinRange = 50.0f;
    MaxRange = 300.0f;
    FireTimer.Restart();
}

void FLACKGUN::SwitchMotors(bool on)
{
    Casing->ActivateJointMotor(on);
}

QNVEC3 FLACKGUN::GetAimDirection() const
{
    return GetWorldMatrix().Row(2).Normalize();
}

void FLACKGUN::SetHighlight(bool on)
{
    STATIONWEAPON::SetHighlight(on);
    const int v = on ? 1 : 0;
    SetTexture("flackgun", v);
    Casing->SetTexture("flackgun", v);
    for (TURRETGUN* g : Guns)
        g->SetTexture("flackgun", v);
}

bool FLACKGUN::Fire()
{
    PlaySound(1);
    const std::uint32_t next = 1 - LastGun;
    TURRETGUN* firing = Guns[next];
    TURRETGUN* other = Guns[LastGun];
    firing->Recoil(QNMATRIX::MakeTranslation(0, 0, -kRecoil) * firing->Home, kRecoilTime);
    firing->ShowFlash();
    other->SetLocalTransform(QNMATRIX::MakeTranslation(0, 0, kRecoil) * other->Home);
    LastGun = next;

    if (const DAMAGEABLE* target = Target()) {
        const QNBODY* body = PhysicsBodyOf(target);
        const QNVEC3 velocity = body ? body->GetLinearVelocity() : QNVEC3();
        BurstPoint = target->GetWorldMatrix().Translation() + velocity * float(FLACK::kFuse);
    } else {
        BurstPoint = GetWorldMatrix().Translation() + GetAimDirection() * ((MinRange + MaxRange) * 0.5f);
    }
    for (int i = 0; i < 3; ++i)
        BurstPoint[i] += RandomRange(-kScatter, kScatter);
    if (QNNODE* scene = SceneLevelOf(this)) {
        QNMATRIX at;
        at.SetTranslationV(BurstPoint);
        auto* shell = new FLACK(scene, at, ViewIndex);
        shell->SetState(3, 0, false, true);
    }
    FireTimer.Restart();
    ++Shots;
    return true;
}

bool FLACKGUN::Track()
{
    const DAMAGEABLE* target = Target();
    if (!target)
        return false;
    const QNVEC3 local = SteerGun(Casing, Casing, target->GetWorldMatrix().Translation(), kGain, kSlowAngle);
    return WithinAim(local, kAimTolerance, kAimTolerance);
}

void FLACKGUN::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "flackgun", 2);
    stationmedia::Mesh(r, "flackgun");
    stationmedia::Mesh(r, "flackgun_casing");
    stationmedia::Mesh(r, "flackgun_guns", 1, 0);
    stationmedia::Sound(r, "flackgun", 1, 10.0f, 300.0f);
}

FLACKGUN::FLACK::FLACK(QNNODE* parent, const QNMATRIX& at, std::uint32_t company)
    : GAMENODE(parent, "FLACK", KIND_FLACKGUN, QNCF_LEVEL_GAME | QNCF_UPDATE, 0, 0, &at, 0), Company(company)
{
    Fuse.Restart();
}

void FLACKGUN::FLACK::Update()
{
    if (Delete || Fuse.Elapsed() < kFuse)
        return;
    QNNODE* parent = ParentNode();
    LeaveExplosion(parent, GetWorldMatrix(), kExplosionSize);
    ForEachVehicle(parent, [this](QNNODE* node) {
        auto* victim = dynamic_cast<DAMAGEABLE*>(node);
        if (victim && CompanyOf(victim) != Company && NodeDistance(this, victim) <= kBurstRadius)
            victim->DamageBallistic(kDamage, 0, 1);
    });
    RemoveNextFrame(this);
}
