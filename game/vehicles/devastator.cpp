#include "game/vehicles/devastator.h"

#include <algorithm>

#include "engine/scene/resources.h"
#include "game/world/damageable.h"

namespace {

constexpr float kHalfPi = 1.5707964f;

}  // namespace

DEVASTATOR::DEVASTATOR(QNNODE* ship, bool player, std::uint32_t ownerView)
    : SHIPWEAPON(ship, "DEVASTATOR", kType, 0x2000004, player, ownerView)
{
    LightFade.Set(0.0f, 0.0f, 1.0f, 0);
    ShotTimer.Init(0.0);
    AttachLight(false);
}

void DEVASTATOR::Fire()
{
    if (Charges == 0 || (!FirstShot && ShotTimer.Elapsed() < kShotInterval))
        return;
    FirstShot = false;
    ShotTimer.Restart();
    --Charges;
    if (Player) {
        LightFade.Set(1.0f, 0.0f, kLightFade, 0);
        SetPointLight(kLightRange, 0.0f, 0.0f, LightFade.Value());
        SetLightOn(true);
        LightActive = true;
    }
    QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!root)
        return;
    QNMATRIX flat;
    flat.SetRotationX(kHalfPi);
    const QNMATRIX at = flat * GetWorldMatrix();
    auto* ring = new RING(root, &at, OwnerView);
    ring->SetState(3, 0, false, true);
    LastRing = ring;
}

void DEVASTATOR::Update()
{
    if (!LightActive)
        return;
    const float v = LightFade.Value();
    SetPointLight(kLightRange, 0.0f, 0.0f, v);
    if (v <= 0.0f) {
        LightActive = false;
        SetLightOn(false);
    }
}

SHIPWEAPON* DEVASTATOR::Make(QNNODE* ship, bool player, std::uint32_t ownerView)
{
    return new DEVASTATOR(ship, player, ownerView);
}

// The ring never moves, so it keeps no rigid body: its placement carries the growing scale.
DEVASTATOR::RING::RING(QNNODE* parent, const QNMATRIX* transform, std::uint32_t ownerView)
    : GAMENODE(parent, "RING", WEAPON_DEVASTATOR, 0x1000404, 0, 0, transform, 0), OwnerView(ownerView),
      Placement(*transform)
{
    ScaleValue.Set(kStart / kSize, kEnd / kSize, kGrowth, 0);
    SetMaterial("devastator_ring");
    SetOwnColour("fullbright");
    SetTexture("devastator_ring");
    SetMesh("devastator_ring");
    OwnColour->SetAlpha(kOpacity);
    PhaseTimer.Init(0.0);
    DamageClock.Init(0.0);
}

void DEVASTATOR::RING::Update()
{
    if (Delete)
        return;
    Scale = ScaleValue.Value();
    QNMATRIX scaling;
    scaling.SetScaling(Scale, Scale, Scale);
    SetTransform(scaling * Placement);
    const float reach = Reach();

    if (Phase == PHASE::GROWING) {
        if (PhaseTimer.Elapsed() >= double(kGrowth - kFade)) {
            PhaseTimer.Restart();
            Phase = PHASE::FADING;
            OpacityFade.Set(kOpacity, 0.0f, kFade, 0);
        }
    } else {
        OwnColour->SetAlpha(OpacityFade.Value());
        if (PhaseTimer.Elapsed() >= double(kFade)) {
            ReleaseMesh();
            ScheduleOnce();
            Delete = 1;
        }
    }

    float dt = float(DamageClock.Elapsed());
    DamageClock.Restart();
    if (dt >= float(kStall))
        dt = kStallStep;
    QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!root)
        return;
    const QNVEC3 centre = Placement.Translation();
    for (QNCHILDWALK walk(root); QNITEM* item = walk.Advance();) {
        auto* vehicle = dynamic_cast<DAMAGEABLE*>(item);
        if (!vehicle || NodeKindClass(vehicle->Kind) != CLASS_VEHICLE || vehicle->ViewIndex == OwnerView)
            continue;
        if ((vehicle->GetWorldMatrix().Translation() - centre).Length() < reach)
            vehicle->DamageBallistic(kDamageRate * dt * 10.0f, 0, 1);
    }
}

void DEVASTATOR::LoadResources(QNRESOURCES& r)
{
    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "devastator_ring";
    t.File = "media\\vehicles\\weapons\\textures\\devastator.dds";
    r.AddTexture();
    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    m = QNMESHPARAMS();
    m.Name = "devastator_ring";
    m.CollisionOption1 = 0;
    const float quad[7] = {RING::kSize, RING::kSize, 1, 1, 1, 1, 1};
    std::copy(quad, quad + 7, m.Args);
    r.AddMesh();
    r.AddMaterial("devastator_ring", "alpha")->CullMode = 1;
}
