#pragma once
/// LOCATOR: an arrow on a circle around the screen centre that points toward a target outside
/// the view (or far ahead); hidden while the target is near and in front. ARROW is its arrow.

#include "engine/scene/node_chain.h"

class LOCATOR : public GAMENODE {
public:
    /// Hidden while the target is within this angle of the view axis (degrees)...
    static constexpr float kFrontAngle = 45.0f;
    /// ...and nearer than this.
    static constexpr float kNearDistance = 200.0f;

    LOCATOR(QNNODE* parent, GAMENODE* target, float radius, const QNMATRIX& transform = QNMATRIX::Identity);

    void Update() override;
    void SetColour(float r, float g, float b);

    /// The screen-axis turn (radians) that points the arrow at `d`, a direction in the viewer's
    /// frame, and whether the locator shows for it.
    static bool Aim(const QNVEC3& d, float* turn);

    QNWEAK<GAMENODE> Target;
    QNMATRIX BaseTransform;
    QNVEC3 ArrowOffset;
    float Radius = 0.0f;
    bool TargetLost = false;
    /// A target was given (a target set later by SetTarget counts too).
    bool HadTarget = false;
    GAMENODE* Arrow = nullptr;

    void SetTarget(GAMENODE* target)
    {
        Target = target;
        HadTarget = target != nullptr;
        TargetLost = false;
    }
};

/// A locator of `radius` for `target` under the manager, its arrow coloured (r, g, b).
LOCATOR* AddLocator(QNNODE* manager, GAMENODE* target, float radius, const float colour[3]);
