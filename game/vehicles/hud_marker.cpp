#include "game/vehicles/hud_marker.h"

#include "engine/scene/view.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/world/damageable.h"

bool TargetDestroyed(const QNNODE* node)
{
    const auto* damageable = dynamic_cast<const DAMAGEABLE*>(node);
    return damageable && damageable->IsDestroyed();
}

float ViewerDistance(const QNNODE* node)
{
    const QNNODE* viewer = node && node->View ? node->View->CurrentNode.Get() : nullptr;
    if (!viewer || !node)
        return 0.0f;
    return (node->GetWorldMatrix().Translation() - viewer->GetWorldMatrix().Translation()).Length();
}

MARKER::MARKER(QNNODE* manager, GAMENODE* target, std::uint32_t markerKind, float minimumDistance)
    : GAMENODE(manager, "MARKER", 39, 0x1000044, 0, 0, &QNMATRIX::Identity, 0),
      Target(target), MinimumDistance(minimumDistance), MarkerKind(markerKind)
{
    if (markerKind <= kSmallLast) {
        DressHudNode(this, "hud_marker", "hud_marker_small");
        ShowTextureCell(this, markerKind);
        SetHudOpacity(this, 0.4f);
    } else if (markerKind <= kMediumLast) {
        DressHudNode(this, "hud_marker", "hud_marker_medium");
        ShowTextureCell(this, markerKind);
        SetHudOpacity(this, 0.7f);
    } else if (markerKind == kChippedOre) {
        DressHudNode(this, "hud_chippedoremarker");
    } else {
        DressHudNode(this, nullptr, "hud_marker_small");
    }
    Blink.Start();
}

void MARKER::Update()
{
    const std::int32_t blink = Blink.Advance();
    GAMENODE* target = Target.Get();
    if (MarkerKind == kChippedOre && blink >= 0)
        ShowTextureCell(this, std::uint32_t(blink));
    if (MarkerKind >= kMediumFirst && MarkerKind <= kMediumLast && TargetDestroyed(target)) {
        Target.Reset();
        ShowOnVote(this, 1, false);
        return;
    }
    if (!target) {
        // The target is gone: so is its marker.
        Delete = 1;
        ShowOnVote(this, 1, false);
        return;
    }
    if (target->IsInView(0)) {
        QNVEC3 screen;
        target->ProjectToScreen(screen);
        SetTranslation(QNVEC3(screen.x, screen.y, 0.0f));
        ShowOnVote(this, 1, ViewerDistance(target) > MinimumDistance);
    } else {
        ShowOnVote(this, 1, false);
    }
}

RANGEDMARKER::RANGEDMARKER(QNNODE* manager, GAMENODE* target, std::uint32_t markerKind)
    : MARKER(manager, target, markerKind, 0.0f)
{
    RangeBlink.Start();
}

void RANGEDMARKER::Update()
{
    const std::int32_t blink = RangeBlink.Advance();
    MARKER::Update();
    const float d = ViewerDistance(Target.Get());
    const bool blinking = d >= NearRange && d <= FarRange;
    ShowOnVote(this, 2, !blinking || blink > 0);
}

MARKER* AddMarker(QNNODE* manager, GAMENODE* target, std::uint32_t markerKind, float minimumDistance)
{
    if (!manager)
        return nullptr;
    if (markerKind <= MARKER::kSmallLast)
        return new RANGEDMARKER(manager, target, markerKind);
    return new MARKER(manager, target, markerKind, minimumDistance);
}

MARKER* FindMarker(QNNODE* manager, const GAMENODE* target)
{
    if (!manager)
        return nullptr;
    for (QNITEM* c = manager->FirstChild(); c; c = c->Next())
        if (auto* m = dynamic_cast<MARKER*>(c); m && m->Target.Get() == target)
            return m;
    return nullptr;
}
