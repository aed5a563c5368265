#include "engine/physics/emitter.h"

#include "engine/physics/qnphysworld.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnmath.h"

namespace {

QNBODY* DynamicBodyOf(QNNODE* node)
{
    auto* b = dynamic_cast<QNBODYNODE*>(node);
    return (b && b->Body && b->Body->Body) ? b->Body : nullptr;
}

}  // namespace

QNEMITTER::QNEMITTER(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                     std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform)
    : GAMENODE(parent, name, kind, classFlags | QNCF_LEVEL_EMITTER | QNCF_UPDATE, userFlags, bodyMode, transform, 0)
{
    Pool = new GAMENODE(this, "QNEMITTER::RECYCLE", 0, 0, 0, 0, nullptr, 0);
    Pool->SetState(1, 0, false, false);
    Clock.Restart();
}

QNEMITTER::~QNEMITTER() = default;

void QNEMITTER::Update()
{
    if (RemoveWhenSpent && !Pool->FirstChild() && ChildCount() == 1) {
        if (QNHOOKS::Node.ReleaseCollision)
            QNHOOKS::Node.ReleaseCollision(this);
        QNPHYSWORLD::DeferRemove(this);
        return;
    }
    Now = float(Clock.Elapsed());
    if (Stopped || State != 3)
        return;
    if (!FireNow && EmitTimer.PeriodsElapsed() == 0)
        return;
    FireNow = 0;
    for (std::uint32_t i = 0; i < PerEmission && Pool->FirstChild(); ++i)
        Launch();
}

void QNEMITTER::Launch()
{
    const int last = int(Pool->ChildCount()) - 1;
    int index = RoundToInt(RandomRange(0.0f, float(last)));
    QNITEM* pick = Pool->FirstChild();
    while (index-- > 0 && pick->Next())
        pick = pick->Next();
    auto* effect = static_cast<QNEFFECTNODE*>(pick);

    QNMATRIX turnX, turnY, offset;
    turnX.SetRotationX(RandomRange(-AngleX, AngleX));
    turnY.SetRotationY(RandomRange(-AngleY, AngleY));
    const float ox = RandomRange(-OffsetX, OffsetX);
    const float oy = RandomRange(-OffsetY, OffsetY);
    offset.SetTranslation(ox, oy, 0.0f);
    const QNMATRIX world = turnX * turnY * offset * GetWorldMatrix();
    effect->SetTransform(world);

    AddChild(effect);
    if (effect->SetState(3, 0, !(effect->UserFlags & 1), true) != 0) {
        Pool->AddChild(effect);
        effect->SetState(1, 0, true, true);
        return;
    }
    effect->EnableUpdate();
    // The draws are made whether or not the effect has a body, so one seed gives one
    // sequence of launches.
    QNBODY* body = DynamicBodyOf(effect);
    if (body) {
        body->SetDisabled(false);
        if (QNBODY* own = DynamicBodyOf(this); own && (ClassFlags & QNCF_BODY))
            body->SetLinearVelocity(own->GetLinearVelocity());
    }
    if (SpeedMax != 0.0f) {
        const float speed = RandomRange(SpeedMin, SpeedMax);
        const QNVEC3 forward = QNVEC3(world.m[8], world.m[9], world.m[10]).Normalize();
        if (body)
            body->SetLinearVelocity(body->GetLinearVelocity() + forward * speed);
    }
    if (SpinMax != 0.0f) {
        const float sx = RandomRange(SpinMin, SpinMax);
        const float sy = RandomRange(SpinMin, SpinMax);
        const float sz = RandomRange(SpinMin, SpinMax);
        if (body)
            body->SetAngularVelocity(QNVEC3(sx, sy, sz));
    }
    effect->StartTime = Now;
    effect->OnEmit();
}

QNEFFECTNODE::QNEFFECTNODE(QNEMITTER* emitter, const char* name, std::int32_t kind, std::uint32_t classFlags,
                           std::uint32_t userFlags)
    : GAMENODE(emitter, name, kind, classFlags | QNCF_LEVEL_GAME | QNCF_UPDATE, userFlags, 0, nullptr, 0)
{
    Recycle();
}

QNEMITTER* QNEFFECTNODE::Emitter() const
{
    QNNODE* parent = ParentNode();
    return parent ? dynamic_cast<QNEMITTER*>(parent->FindAncestor(QNCF_LEVEL_EMITTER)) : nullptr;
}

std::uint32_t QNEFFECTNODE::Recycle()
{
    if (ClassFlags & QNCF_BODY) {
        StopMotion(true, QNCF_LEVEL_PLAIN);
        if (QNBODY* body = DynamicBodyOf(this)) {
            body->ResetForces();
            body->SetDisabled(true);
        }
    }
    DisableUpdate();
    if (QNEMITTER* emitter = Emitter())
        emitter->Pool->AddChild(this);
    return SetState(1, 0, true, true);
}

float QNEFFECTNODE::Age() const
{
    const QNEMITTER* emitter = Emitter();
    return emitter ? emitter->Now - StartTime : 0.0f;
}
