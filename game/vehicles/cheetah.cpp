#include "game/vehicles/cheetah.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;
// Rails under the wings, toed in and down by half a degree.
const QNVEC3 kRail[2] = {QNVEC3(1.5f, -1.4f, 1.3f), QNVEC3(-1.5f, -1.4f, 1.3f)};
constexpr float kPitch = -0.5f * kDegree;
constexpr float kYaw[2] = {-0.5f * kDegree, 0.5f * kDegree};
const QNVEC3 kCockpitLight[2] = {QNVEC3(1.0f, -1.0f, -1.0f), QNVEC3(-1.0f, -1.0f, -1.0f)};
const QNVEC3 kRoll[2] = {QNVEC3(0, 0, 10.0f), QNVEC3(0, 0, -10.0f)};

}  // namespace

CHEETAH::CHEETAH(QNNODE* ship, bool player, std::uint32_t ownerView)
    : SHIPWEAPON(ship, "CHEETAH", kType, 0x2000000, player, ownerView)
{
    Reload.Init(0.0);
    if (player) {
        Light = new MISSILE::LIGHT(this);
        Light->SetLightOn(false);
    }
}

QNMATRIX CHEETAH::LaunchFrame(std::uint32_t side)
{
    side &= 1;
    QNMATRIX pitch, yaw, at;
    pitch.SetRotationX(kPitch);
    yaw.SetRotationY(kYaw[side]);
    at.SetTranslationV(kRail[side]);
    return pitch * yaw * at;
}

void CHEETAH::Fire()
{
    if (Missiles == 0 || Reload.Elapsed() < (Player ? kPlayerReload : kComputerReload))
        return;
    QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
    QNNODE* ship = ParentNode();
    if (!root || !ship)
        return;
    const QNMATRIX at = LaunchFrame(Side) * ship->GetWorldMatrix();
    auto* missile = new MISSILE(root, &at);
    missile->Target = Target;
    missile->OnHit = &MISSILE::DamageTarget;
    missile->SetState(3, 0, false, true);
    QNBODY* body = PhysicsBodyOf(missile);
    if (body)
        body->AddTorque(QNVEC3::TransformNormal(kRoll[Side], missile->GetWorldMatrix()));
    missile->PlaySound(0);
    missile->SetTreeCollision(ship, false);
    if (QNBODY* shipBody = PhysicsBodyOf(ship); shipBody && body)
        body->SetLinearVelocity(shipBody->GetLinearVelocity());
    if (Light)
        Light->Flash(kCockpitLight[Side]);
    LastMissile = missile;
    Side ^= 1;
    --Missiles;
    Reload.Restart();
}

SHIPWEAPON* CHEETAH::Make(QNNODE* ship, bool player, std::uint32_t ownerView)
{
    return new CHEETAH(ship, player, ownerView);
}

void CHEETAH::LoadResources(QNRESOURCES& resources)
{
    MISSILE::LoadResources(resources);
}
