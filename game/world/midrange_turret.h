#pragma once
/// MIDRANGETURRET: a turret that turns as a whole on its hinge and fires bursts from its gun.
/// It reaches 100 units; it fires once its gun points within 5 degrees across and 30 degrees
/// up or down of the target.

#include "game/world/burst_turret.h"

class QNRESOURCES;

class MIDRANGETURRET : public BURSTTURRET {
public:
    static constexpr float kMass = 3000.0f;
    static constexpr float kAngularDamping = 9.0f;
    /// Steering gain and easing angle: measured in the real game at 50 Hz (the weapon table) so
    /// that the turret settles inside its 5 degrees and holds a ship crossing at top speed 25
    /// units away inside them (at 60 over 15 degrees it fell behind anything above 10 units a
    /// second).
    static constexpr float kGain = 300.0f;
    static constexpr float kSlowAngle = Radians(5.0f);

    MIDRANGETURRET(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);

    void SetHighlight(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);

protected:
    /// The part's own motor only.
    void SwitchMotors(bool on) override;
};
