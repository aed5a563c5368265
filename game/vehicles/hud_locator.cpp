#include "game/vehicles/hud_locator.h"

#include <algorithm>
#include <cmath>

#include "engine/scene/view.h"
#include "game/vehicles/hud_marker.h"
#include "game/vehicles/hud_media.h"

LOCATOR::LOCATOR(QNNODE* parent, GAMENODE* target, float radius, const QNMATRIX& transform)
    : GAMENODE(parent, "LOCATOR", 38, 0x1000044, 0, 1, &transform, 0),
      Target(target), BaseTransform(transform), ArrowOffset(0.0f, radius, 0.0f), Radius(radius),
      HadTarget(target != nullptr)
{
    const QNMATRIX at = HudAt(0.0f, radius);
    Arrow = new GAMENODE(this, "ARROW", 38, 0x1000040, 0, 1, &at, 0);
    DressHudNode(Arrow, "hud_pointerarrow");
    SetHudOpacity(Arrow, 0.5f);
}

void LOCATOR::SetColour(float r, float g, float b)
{
    SetHudColour(Arrow, r, g, b, 0.5f);
}

bool LOCATOR::Aim(const QNVEC3& d, float* turn)
{
    const float length = d.Length();
    const float cosine = length > 0.0f ? std::clamp(d.z / length, -1.0f, 1.0f) : 1.0f;
    const float angle = std::acos(cosine) * 180.0f / float(M_PI);
    *turn = -std::atan2(d.x, d.y);
    return !(angle <= kFrontAngle && length < kNearDistance);
}

void LOCATOR::Update()
{
    GAMENODE* target = Target.Get();
    if (!TargetLost && HadTarget && (!target || TargetDestroyed(target))) {
        TargetLost = true;
        ShowOnVote(this, 1, false, true, true);
    }
    if (!target) {
        // An arrow that points at nothing would mislead: shown again once there is a target.
        ShowOnVote(this, 1, false);
        return;
    }
    const QNNODE* viewer = View ? View->CurrentNode.Get() : nullptr;
    if (TargetLost || !viewer)
        return;
    const QNMATRIX eye = viewer->GetWorldMatrix();
    const QNVEC3 world = target->GetWorldMatrix().Translation() - eye.Translation();
    const QNVEC3 d = QNVEC3::TransformNormal(world, eye.Inverse());
    float turn = 0.0f;
    if (!Aim(d, &turn)) {
        ShowOnVote(this, 1, false);
        return;
    }
    ShowOnVote(this, 1, true);
    QNMATRIX spin;
    spin.SetRotationZ(turn);
    SetTransform(spin * BaseTransform);
}

LOCATOR* AddLocator(QNNODE* manager, GAMENODE* target, float radius, const float colour[3])
{
    if (!manager)
        return nullptr;
    auto* locator = new LOCATOR(manager, target, radius);
    locator->SetColour(colour[0], colour[1], colour[2]);
    return locator;
}
