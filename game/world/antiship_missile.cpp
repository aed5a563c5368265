#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/glow.h"
#include "engine/scene/node_slots.h"
#include "engine/util/qnmath.h"
#include "game/world/antiship.h"
#include "game/world/homing_steering.h"

ANTISHIP::MISSILE::MISSILE(QNNODE* parent, const QNMATRIX& at, DAMAGEABLE* target)
    : GAMENODE(parent, "MISSILE", kKind, QNCF_LEVEL_GAME | QNCF_BODY | QNCF_CONTACTS | QNCF_UPDATE, 0, 0, &at, 0),
      Target(target)
{
    SetMaterial("antiship");
    SetTexture("antiship");
    SetMesh("antiship_missile");
    SetSound("antiship_missile");
    SetScale(kMass, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetLinearDamping(kLinearDamping);
        body->SetAngularDamping(kAngularDamping);
    }
    // The exhaust glow at the tail, looking backwards.
    QNMATRIX turn, tail;
    turn.SetRotationY(Radians(180.0f));
    tail.SetTranslation(0.0f, 0.0f, kGlowZ);
    GlowLocal = turn * tail;
    // A glow's frame is absolute: it starts at the tail and is carried along in Update.
    const QNMATRIX glowAt = GlowLocal * at;
    Glow = new QNGLOW(this, &glowAt, Radians(kGlowCone), Radians(kGlowFade), kGlowSize, kGlowName, kGlowName);
    Life.Init(kLifetime);
}

void ANTISHIP::MISSILE::Update()
{
    if (Delete)
        return;
    homing::HomingSteer(this, Target.Get(), true);
    NodeSetTransform(Glow, GlowLocal * GetWorldMatrix());
    if (!SoundStarted) {
        SoundStarted = true;
        PlaySound(-1);
    }
    if (Hit) {
        LeaveExplosion(SceneLevelOf(this), GetWorldMatrix(), kExplosionSize);
        SetState(2, 0, false, true);
        RemoveNextFrame(this);
        return;
    }
    if (Life.Elapsed() >= kLifetime)
        RemoveNextFrame(this);
}

void ANTISHIP::MISSILE::OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*)
{
    if (phase != QNCONTACT_BEGAN || !other)
        return;
    if (!Damaged && IsVehicleNode(other)) {
        if (auto* victim = DamageableOf(other)) {
            victim->DamageBallistic(kDamage, 2, 1);
            Damaged = true;
        }
    }
    Hit = true;
}
