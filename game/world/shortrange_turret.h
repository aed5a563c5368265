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
    /// Steering gain and easing angle: measured in the real game at 50 Hz (the weapon table) so
    /// that the casing settles within its 1 degree tolerance without swinging through the
    /// target and holds a ship crossing at top speed inside it (at 20 over 20 degrees it lagged
    /// a ship crossing at 10 units a second; at 600 over 4 degrees it swings through).
    static constexpr float kGain = 300.0f;
    static constexpr float kSlowAngle = Radians(5.0f);

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
