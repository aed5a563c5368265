#pragma once
/// Homing steering: the per-frame step shared by the station's anti-ship missile and the ship's
/// homing missile. The missile turns its body toward the target (leading a moving target by a
/// quarter of the distance times its heading) and is pushed along its own z axis: gently while
/// the target lies well off its nose, harder once it points at it, and at cruise thrust without
/// a target (a missile whose target is gone flies straight on).

#include "engine/util/qnmatrix.h"

class QNNODE;

namespace homing {

inline constexpr float kCruiseThrust = 4.0f;   ///< no target
inline constexpr float kOnAxisThrust = 3.0f;   ///< target within kOffAxisAngle of the nose
inline constexpr float kOffAxisThrust = 1.0f;  ///< target farther off: turn first
inline constexpr float kLeadFactor = 0.25f;    ///< lead = heading x distance x this
inline constexpr float kGain = 5.0f;           ///< steering torque gain on each axis
inline constexpr float kSlowAngle = 0.17453292f;   ///< 10 degrees: torque eases below this error
inline constexpr float kStopAngle = 0.0087266462f; ///< 0.5 degrees: no torque below this error
inline constexpr float kOffAxisAngle = 0.17453292f; ///< 10 degrees

/// What one step did.
struct AIM {
    bool HasTarget = false;
    float OffAxis = 0.0f;   ///< radians between the missile's z axis and the aim point
    float Thrust = kCruiseThrust;
};

/// One steering step of `missile` toward `target` (null: none; a destroyed damageable counts
/// as none). Applies the torque and the thrust to the missile's body and returns what it did.
AIM HomingSteer(QNNODE* missile, QNNODE* target, bool lead);

/// The angle in radians between two directions (zero vectors give 0); the cosine is clamped,
/// so parallel directions give exactly 0.
float AngleBetween(const QNVEC3& a, const QNVEC3& b);

}  // namespace homing
