#include "game/vehicles/missile.h"

#include <algorithm>
#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/glow.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "engine/scene/view.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/explosion.h"
#include "game/world/damageable.h"
#include "game/world/homing_steering.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kDegree = kPi / 180.0f;

constexpr float kScale = 500.0f, kMassFactor = 0.5f;
constexpr float kLinearDamping = 0.01f, kAngularDamping = 0.25f;
// Glow at the tail, looking backwards.
constexpr float kGlowZ = -1.1055f, kGlowSize = 0.75f;
constexpr float kGlowCone = 90.0f * kDegree, kGlowFade = 12.0f * kDegree;
constexpr float kGlowQuad = 4.0f;

}  // namespace

MISSILE::MISSILE(QNNODE* parent, const QNMATRIX* transform)
    : GAMENODE(parent, "MISSILE", kKind, 0x2000018, 0, 0, transform, 0)
{
    SetTexture("cheetah_missile");
    SetMesh("cheetah_missile");
    SetSound("cheetah_missile");
    SetScale(kScale, kMassFactor);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetLinearDamping(kLinearDamping);
        body->SetAngularDamping(kAngularDamping);
    }
    // Long enough behind and ahead that the glow and the motion of a frame stay inside.
    QNBOX box = Resources->FindMesh("cheetah_missile")->Level(0).Box;
    box.max.z *= 3.0f;
    box.min.z = -box.max.z;
    if (Bounds)
        Bounds->LocalBox = box;
    QNMATRIX at, turn;
    turn.SetRotationY(kPi);
    at.SetTranslation(0.0f, 0.0f, kGlowZ);
    GlowLocal = turn * at;
    // A glow's frame is absolute: it starts at the tail and is carried along in Update.
    const QNMATRIX glowAt = GlowLocal * GetWorldMatrix();
    Glow = new QNGLOW(this, &glowAt, kGlowCone, kGlowFade, kGlowSize, "cheetah_missile_glow", "cheetah_missile_glow");
    LifeTimer.Init(0.0);
}

void MISSILE::OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal)
{
    if (phase != QNCONTACT_BEGAN || Hit)
        return;
    Hit = true;
    if (!OnHit)
        return;
    Struck = other;
    const QNVEC3 p(point[0], point[1], point[2]);
    const QNVEC3 n(normal[0], normal[1], normal[2]);
    ContactFrame.SetLookAt(p, p + n, QNVEC3(0, 1, 0));
}

void MISSILE::Update()
{
    if (Delete)
        return;
    if (auto* d = dynamic_cast<DAMAGEABLE*>(Target.Get()); d && d->IsDestroyed())
        Target = nullptr;
    Thrust = homing::HomingSteer(this, Target.Get(), Homing).Thrust;
    NodeSetTransform(Glow, GlowLocal * GetWorldMatrix());
    if (!Hit) {
        if (LifeTimer.Elapsed() >= kLifetime)
            Remove();
        return;
    }
    Hit = false;
    // The struck node may be gone since the contact; the weak handle then reads null.
    if (OnHit && Struck.Get())
        OnHit(Struck.Get(), ContactFrame);
    Explode();
}

void MISSILE::Explode()
{
    if (Delete)
        return;
    const QNVEC3 here = GetWorldMatrix().Translation();
    QNNODE* viewer = View ? View->CurrentNode.Get() : nullptr;
    const QNVEC3 eye = viewer ? viewer->GetWorldMatrix().Translation() : QNVEC3(0, 0, 0);
    if (QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT)) {
        QNMATRIX at;
        at.SetTranslationV(here + (eye - here).Normalize() * kExplosionPull);
        const auto variant = std::uint32_t(std::clamp(int(RandomRange(0.0f, 4.9999f)), 0, int(EXPLOSION::kVariants) - 1));
        auto* explosion = new EXPLOSION(root, kExplosionSize, &at, variant);
        explosion->SetState(3, 0, false, true);
    }
    SetState(2, 0, false, true);
    Remove();
}

void MISSILE::Remove()
{
    if (Delete)
        return;
    StopSound();
    ReleaseMesh();
    ScheduleOnce();
    Delete = 1;
}

std::uint32_t MISSILE::DamageTarget(QNNODE* struck, const QNMATRIX&)
{
    if (!struck)
        return CLASS_NONE;
    const std::uint32_t c = NodeKindClass(struck->Kind);
    if (c == CLASS_STATIONPART || c == CLASS_VEHICLE)
        if (auto* d = dynamic_cast<DAMAGEABLE*>(struck->FindAncestor(QNCF_LEVEL_GAME)))
            d->DamageBallistic(kDamage, 2, 1);
    return c;
}

MISSILE::LIGHT::LIGHT(QNNODE* parent) : GAMENODE(parent, "LIGHT", 69, 0, 0, 1, nullptr, 0)
{
    SetPointLight(kRange, 1.0f, 1.0f, 0.75f);
    AttachLight(false);
    FadeTimer.Init(0.0);
    EnableUpdate();
}

void MISSILE::LIGHT::Flash(const QNVEC3& position)
{
    SetTranslation(position);
    Active = true;
    SetPointLight(kRange, 1.0f, 1.0f, 0.75f);
    SetLightOn(true);
    FadeTimer.Restart();
}

void MISSILE::LIGHT::Update()
{
    if (!Active)
        return;
    const float t = float(FadeTimer.Elapsed());
    float v = 1.0f - 4.0f * t * t;
    if (v <= 0.0f) {
        Active = false;
        SetLightOn(false);
        v = 0.0f;
    }
    SetPointLight(kRange, v, v, 0.75f * v);
}

void MISSILE::LoadResources(QNRESOURCES& r)
{
    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "cheetah_missile";
    t.File = "media\\vehicles\\weapons\\textures\\cheetah_missile.dds";
    r.AddTexture();
    // The station's anti-ship missiles carry the same glow and may have registered it.
    if (!r.Textures.FindChild("cheetah_missile_glow")) {
        t = QNTEXTUREPARAMS();
        t.Name = "cheetah_missile_glow";
        t.File = "media\\vehicles\\weapons\\textures\\cheetah_missile_glow.dds";
        r.AddTexture();
    }
    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    m = QNMESHPARAMS();
    m.Name = "cheetah_missile";
    m.File = "media\\vehicles\\weapons\\meshes\\cheetah_missile.gbm";
    m.Args[0] = 1;
    // A box collides with every other shape, hulls' triangle lists included.
    m.CollisionOption1 = QNCOLLGEOM::BOX;
    r.AddMeshFile();
    if (!r.Meshes.FindChild("cheetah_missile_glow")) {
        m = QNMESHPARAMS();
        m.Name = "cheetah_missile_glow";
        m.CollisionOption1 = 0;
        const float quad[7] = {kGlowQuad, kGlowQuad, 1, 1, 1, 1, 1};
        std::copy(quad, quad + 7, m.Args);
        r.AddMesh();
    }
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = "cheetah_missile";
    s.File = "media\\vehicles\\weapons\\sounds\\cheetah_missile.wav";
    s.MinDistance = 1.0f;
    s.MaxDistance = 100.0f;
    r.AddSound();
}
