#pragma once
/// SHORTRANGETURRET: a fixed base with a turning casing that carries an outer and an inner gun.
/// It reaches 50 units and fires only when the casing points within 1 degree across (30 up or
/// down) of the target; the outer gun recoils at each shot.

#include "game/world/burst_turret.h"

class QNRESOURCES;

class SHORTRANGETURRET : public BURSTTURRET {
public:
    static constexpr float kCasingMass = 1000.0f;
    static constexpr float kCasingDamping = 4.0f;
    static constexpr double kRecoilTime = 0.05;
    /// Steering gain and easing angle: tuned in a real world at 60 Hz so that the casing
    /// settles within its 1 degree tolerance without swinging through the target.
    static constexpr float kGain = 20.0f;
    static constexpr float kSlowAngle = Radians(20.0f);

    SHORTRANGETURRET(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);

    void SetHighlight(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Casing = nullptr;
    TURRETGUN* InnerGun = nullptr;

protected:
    void Kick() override;
    /// The casing's motor only.
    void SwitchMotors(bool on) override;
};
