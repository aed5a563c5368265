#include "game/world/burst_turret.h"

#include <cmath>

#include "engine/util/qnmath.h"
#include "game/world/homing_steering.h"

BURSTTURRET::BURSTTURRET(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                         std::uint32_t view, TARGETLIST* targets)
    : STATIONWEAPON(parent, name, kind, classFlags, view, targets)
{
    BurstTimer.Restart();
}

void BURSTTURRET::Update()
{
    STATIONWEAPON::Update();
    if (Delete)
        return;
    if (ShotsLeft == 0) {
        if (BurstTimer.Elapsed() >= kBurstInterval) {
            Ready = true;
            // A burst is the shot now and the shots left after it.
            ShotsLeft = std::uint32_t(RandomRange(float(kShotsPerBurst), float(kShotsPerBurst) + 0.999f)) - 1;
            BurstTimer.Restart();
        }
    } else if (BurstTimer.Elapsed() >= kShotInterval) {
        --ShotsLeft;
        Ready = true;
        BurstTimer.Restart();
    }
}

bool BURSTTURRET::Fire()
{
    if (DAMAGEABLE* target = Target()) {
        const QNNODE* gun = Muzzle ? static_cast<const QNNODE*>(Muzzle) : Gun;
        const QNVEC3 from = gun->GetWorldMatrix().Translation();
        if (homing::AngleBetween(GetAimDirection(), target->GetWorldMatrix().Translation() - from) <= kHitCone)
            target->DamageBallistic(kShotDamage, 0, 1);
    }
    PlaySound(1);
    if (Muzzle)
        Muzzle->ShowFlash();
    Kick();
    Ready = false;
    ++Shots;
    return true;
}

bool BURSTTURRET::Track()
{
    const DAMAGEABLE* target = Target();
    if (!target)
        return false;
    const QNVEC3 local = SteerGun(Steered, Gun, target->GetWorldMatrix().Translation(), Gain, SlowAngle);
    return WithinAim(local, Horizontal, Vertical);
}
