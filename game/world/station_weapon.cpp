#include "game/world/station_weapon.h"

#include <algorithm>
#include <cmath>

#include "engine/input/qninput.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/scene_hooks.h"
#include "game/world/destruction.h"
#include "game/world/item_types.h"
#include "game/world/target_list.h"

float NodeDistance(const QNNODE* a, const QNNODE* b)
{
    if (!a || !b)
        return 0.0f;
    return (a->GetWorldMatrix().Translation() - b->GetWorldMatrix().Translation()).Length();
}

QNVEC3 DirectionInFrame(const QNNODE* node, const QNVEC3& point)
{
    return QNVEC3::TransformCoord(point, node->GetWorldMatrix().Inverse()).Normalize();
}

STATIONWEAPON::STATIONWEAPON(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                             std::uint32_t view, TARGETLIST* targets)
    : STATIONPART(parent, name, kind, classFlags, false, 0, view), Targets(targets)
{
}

void STATIONWEAPON::Place(QNNODE* parent, std::int32_t connector)
{
    if (auto* part = dynamic_cast<STATIONPART*>(parent); part && connector >= 0)
        AttachTo(part, connector, 0);
}

void STATIONWEAPON::StandOnConnector(QNNODE* parent, std::int32_t connector, float mass, float angularDamping)
{
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_LEFT);
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_BACK);
    Place(parent, connector);
    SetScale(mass, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetAngularDamping(angularDamping);
}

void STATIONWEAPON::HangOnHinge(const QNMATRIX& frame, float speed, float maxForce)
{
    CreateJoint(QNJOINT_HINGE, &frame);
    SetJointMotor(speed, maxForce);
}

GAMENODE* STATIONWEAPON::MakeMovingChild(QNNODE* parent, const char* name, std::uint32_t classFlags,
                                         std::uint32_t userFlags, const QNMATRIX& at, const char* texture,
                                         const char* mesh, float mass, float angularDamping)
{
    // Body mode 5: the body lives in world space and is placed relative to the parent.
    auto* node = new GAMENODE(parent, name, Kind, classFlags | QNCF_BODY, userFlags, 5, &at, 0);
    if (texture)
        node->SetTexture(texture);
    if (mesh)
        node->SetMesh(mesh);
    node->SetScale(mass, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(node))
        body->SetAngularDamping(angularDamping);
    return node;
}

bool SeparateFromSupport(QNNODE* part)
{
    if (!part || part->State < 2)
        return false;
    part->SetTreeCollision(part, false);
    QNBODY* base = PhysicsBodyOf(part->ParentNode());
    if (!base || !base->Model)
        return true;
    for (QNITEM* x = part; x; x = QNITEM::Next(part, x)) {
        QNBODY* b = PhysicsBodyOf(dynamic_cast<QNNODE*>(x));
        if (b && b->Model)
            b->SetPairEnabled(base, true);
    }
    return true;
}

void STATIONWEAPON::SeparateCollisions()
{
    if (!separated_)
        separated_ = SeparateFromSupport(this);
}

void STATIONWEAPON::SwitchMotors(bool on)
{
    ActivateJointMotor(on);
    if (Gun)
        Gun->ActivateJointMotor(on);
}

void STATIONWEAPON::RefreshMotors()
{
    const bool idle = WeaponState == WEAPONSTATE::IDLE || WeaponState == WEAPONSTATE::SEARCHING;
    SwitchMotors(IsOperating() && idle);
    if (!IsOperating())
        StopMotion(true, QNCF_LEVEL_GAME);
}

void STATIONWEAPON::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    RefreshMotors();
}

void STATIONWEAPON::SetPowered(bool on)
{
    if (on == Powered)
        return;
    STATIONPART::SetPowered(on);
    RefreshMotors();
}

bool STATIONWEAPON::IsInRange(const QNNODE* node) const
{
    const float d = NodeDistance(this, node);
    return d >= MinRange && d <= MaxRange;
}

bool STATIONWEAPON::FindTarget()
{
    DAMAGEABLE* best = nullptr;
    float bestDistance = kNoCandidate;
    const std::uint32_t count = Targets ? Targets->Count() : 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        auto* candidate = dynamic_cast<DAMAGEABLE*>(Targets->Entry(i));
        if (!candidate || candidate->Engagements > std::int32_t(Tolerance))
            continue;
        const float d = NodeDistance(this, candidate);
        if (d >= MinRange && d <= MaxRange && d < bestDistance) {
            best = candidate;
            bestDistance = d;
        }
    }
    if (!best) {
        ++Tolerance;
        return false;
    }
    ++best->Engagements;
    SetTarget(best);
    return true;
}

void STATIONWEAPON::SetTarget(DAMAGEABLE* target)
{
    target_ = target;
}

void STATIONWEAPON::SetWeaponState(WEAPONSTATE state)
{
    if (state == WeaponState)
        return;
    WeaponState = state;
    if (state == WEAPONSTATE::SEARCHING)
        Tolerance = 0;
    else if (state == WEAPONSTATE::IDLE)
        SwitchMotors(true);
    else if (state == WEAPONSTATE::TRACKING)
        SwitchMotors(false);
}

QNVEC3 STATIONWEAPON::GetAimDirection() const
{
    const QNNODE* gun = Gun ? static_cast<const QNNODE*>(Gun) : this;
    return gun->GetWorldMatrix().Row(2).Normalize();
}

bool STATIONWEAPON::IsTargetValid() const
{
    const DAMAGEABLE* target = Target();
    return target && !target->IsDestroyed() && Targets && Targets->Contains(target);
}

bool STATIONWEAPON::LineOfFireClear()
{
    // The segment starts at the part's origin, so the weapon's own bodies (projector, casing,
    // guns) lie on it for steep aims: the nearest hit that is not the weapon's decides.
    QNNODEHIT hits[kLineOfFireHits];
    const int n = std::clamp(CastSegment(MinRange, MaxRange, GetAimDirection(), kLineOfFireHits, hits), 0, kLineOfFireHits);
    const QNNODEHIT* nearest = nullptr;
    for (int i = 0; i < n; ++i) {
        const QNNODEHIT& hit = hits[i];
        if (!hit.Node || hit.Node == this || IsAncestorOf(hit.Node))
            continue;
        if (!nearest || hit.Distance < nearest->Distance)
            nearest = &hit;
    }
    if (!nearest)
        return true;
    const DAMAGEABLE* target = Target();
    return target && (nearest->Node == target || target->IsAncestorOf(nearest->Node));
}

void STATIONWEAPON::Update()
{
    STATIONPART::Update();
    if (Delete || IsDestroyed())
        return;
    SeparateCollisions();
    if (QNKEYBOARD::KeyEvent() == kFireKey)
        Fire();
    if (!IsOperating())
        return;
    const bool listed = Targets && Targets->Count() > 0;
    switch (WeaponState) {
    case WEAPONSTATE::IDLE:
        if (listed)
            SetWeaponState(WEAPONSTATE::SEARCHING);
        break;
    case WEAPONSTATE::SEARCHING:
        if (!listed)
            SetWeaponState(WEAPONSTATE::IDLE);
        if (FindTarget())
            SetWeaponState(WEAPONSTATE::TRACKING);
        break;
    case WEAPONSTATE::TRACKING:
    case WEAPONSTATE::FIRING: {
        if (!IsTargetValid()) {
            SetTarget(nullptr);
            SetWeaponState(WEAPONSTATE::IDLE);
            break;
        }
        if (!IsInRange(Target())) {
            --Target()->Engagements;
            SetTarget(nullptr);
            SetWeaponState(WEAPONSTATE::IDLE);
            break;
        }
        if (WeaponState == WEAPONSTATE::TRACKING) {
            if (Track())
                SetWeaponState(WEAPONSTATE::FIRING);
            break;
        }
        if (IsReadyToFire() && LineOfFireClear())
            Fire();
        if (!Track())
            SetWeaponState(WEAPONSTATE::TRACKING);
        break;
    }
    }
}

void RemoveNextFrame(QNNODE* node)
{
    if (!node || node->Delete)
        return;
    if (auto* collider = dynamic_cast<QNCOLLIDERNODE*>(node); collider && QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(collider);
    node->ScheduleOnce();
    node->Delete = 1;
}

QNNODE* SceneLevelOf(QNNODE* node)
{
    return node ? node->FindAncestor(QNCF_LEVEL_VIEWROOT) : nullptr;
}

void LeaveExplosion(QNNODE* site, const QNMATRIX& at, float size)
{
    if (site && DESTRUCTION::MakeExplosion)
        DESTRUCTION::MakeExplosion(site, at, size);
}

std::uint32_t CompanyOf(const QNNODE* node)
{
    const auto* obstacle = dynamic_cast<const OBSTACLENODE*>(node);
    return obstacle ? obstacle->ViewIndex : ~0u;
}

bool IsVehicleNode(const QNNODE* node)
{
    return node && NodeKindClass(node->Kind) == CLASS_VEHICLE;
}

QNVEC3 STATIONWEAPON::SteerGun(GAMENODE* steered, const QNNODE* frame, const QNVEC3& point, float gain,
                               float slowAngle)
{
    if (steered) {
        const QNMATRIX world = steered->GetWorldMatrix();
        const QNVEC3 d = DirectionInFrame(steered, point);
        auto push = [&](float e) {
            const float f = slowAngle > 0.0f ? std::min(std::fabs(e) / slowAngle, 1.0f) : 1.0f;
            return (e < 0.0f ? -f : f) * gain;
        };
        const QNVEC3 torque(push(std::atan2(-d.y, d.z)), push(std::atan2(d.x, d.z)), 0.0f);
        if (QNBODY* body = PhysicsBodyOf(steered))
            body->AddTorque(QNVEC3::TransformNormal(torque, world));
    }
    return frame ? DirectionInFrame(frame, point) : QNVEC3();
}

bool STATIONWEAPON::WithinAim(const QNVEC3& local, float horizontal, float vertical)
{
    if (local.LengthSq() == 0.0f)
        return false;
    return std::fabs(std::atan2(local.x, local.z)) <= horizontal && std::fabs(std::atan2(local.y, local.z)) <= vertical;
}

DAMAGEABLE* DamageableOf(QNNODE* node)
{
    for (QNNODE* n = node; n; n = n->ParentNode())
        if (auto* d = dynamic_cast<DAMAGEABLE*>(n))
            return d;
    return nullptr;
}
