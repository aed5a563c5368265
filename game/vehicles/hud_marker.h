#pragma once
/// MARKER and RANGEDMARKER: a symbol over a target's place on the screen, hidden while the
/// viewer is too close or the target is out of view, and gone for good once the target is (a
/// medium marker, which marks a ship, already once its target reports itself destroyed).
/// The marker manager of a HUD is a plain node; AddMarker and FindMarker work on its children.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnsequence.h"

class MARKER : public GAMENODE {
public:
    /// Marker kinds with their own look; every other kind is plain.
    enum : std::uint32_t { kSmallLast = 2, kMediumFirst = 3, kMediumLast = 4, kChippedOre = 100 };

    MARKER(QNNODE* manager, GAMENODE* target, std::uint32_t markerKind, float minimumDistance);

    void Update() override;

    QNWEAK<GAMENODE> Target;
    float MinimumDistance = 0.0f;
    std::uint32_t MarkerKind = 0;
    QNSEQUENCE Blink{"@4 (0:0~3)"};
};

class RANGEDMARKER : public MARKER {
public:
    static constexpr float kNearRange = 40.0f;
    static constexpr float kFarRange = 120.0f;

    RANGEDMARKER(QNNODE* manager, GAMENODE* target, std::uint32_t markerKind);

    /// Blinks four times a second while the target is between the near and far ranges.
    void Update() override;

    float NearRange = kNearRange;
    float FarRange = kFarRange;
    QNSEQUENCE RangeBlink{"@4 (0:0~1)"};
};

/// A ranged marker for kinds 0-2, else a marker with `minimumDistance`; not shown yet.
MARKER* AddMarker(QNNODE* manager, GAMENODE* target, std::uint32_t markerKind, float minimumDistance);
/// The first marker of the manager whose target is `target`, or null.
MARKER* FindMarker(QNNODE* manager, const GAMENODE* target);

/// Whether `node` is a damageable object that reports itself destroyed (a wreck still in the
/// tree is one).
bool TargetDestroyed(const QNNODE* node);

/// Distance from the view's camera node to `node` (0 without either).
float ViewerDistance(const QNNODE* node);
