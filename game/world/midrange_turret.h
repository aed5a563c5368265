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
    /// Steering gain and easing angle: tuned in a real world at 60 Hz so that the turret swings
    /// onto a target 90 degrees away in about two seconds and settles inside its 5 degrees.
    static constexpr float kGain = 60.0f;
    static constexpr float kSlowAngle = Radians(15.0f);

    MIDRANGETURRET(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);

    void SetHighlight(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);

protected:
    /// The part's own motor only.
    void SwitchMotors(bool on) override;
};
