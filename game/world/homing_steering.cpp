#include "game/world/homing_steering.h"

#include <algorithm>
#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node.h"
#include "game/world/damageable.h"

namespace homing {

float AngleBetween(const QNVEC3& a, const QNVEC3& b)
{
    const QNVEC3 u = a.Normalize(), v = b.Normalize();
    if (u.LengthSq() == 0.0f || v.LengthSq() == 0.0f)
        return 0.0f;
    return std::acos(std::clamp(QNVEC3::Dot(u, v), -1.0f, 1.0f));
}

AIM HomingSteer(QNNODE* missile, QNNODE* target, bool lead)
{
    AIM aim;
    if (!missile)
        return aim;
    if (auto* d = dynamic_cast<DAMAGEABLE*>(target); d && d->IsDestroyed())
        target = nullptr;
    QNBODY* body = PhysicsBodyOf(missile);
    const QNMATRIX world = missile->GetWorldMatrix();
    if (target) {
        aim.HasTarget = true;
        const QNVEC3 from = world.Translation();
        QNVEC3 point = target->GetWorldMatrix().Translation();
        if (lead) {
            const QNBODY* targetBody = PhysicsBodyOf(target);
            const QNVEC3 heading = targetBody ? targetBody->GetLinearVelocity().Normalize() : QNVEC3();
            point = point + heading * ((point - from).Length() * kLeadFactor);
        }
        missile->SteerTowards(point, QNVEC3(kGain, kGain, kGain), kSlowAngle, kStopAngle);
        aim.OffAxis = AngleBetween(world.Row(2), point - from);
        aim.Thrust = aim.OffAxis >= kOffAxisAngle ? kOffAxisThrust : kOnAxisThrust;
    }
    if (body)
        body->AddForce(QNVEC3::TransformNormal(QNVEC3(0, 0, aim.Thrust), world));
    return aim;
}

}  // namespace homing
