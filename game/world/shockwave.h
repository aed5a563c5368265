#pragma once
/// SHOCKWAVE: charges while powered and active (kFullCharge after kChargeRate x seconds), then
/// opens its four wings. Once they have moved and come to rest it is armed: an intruder above
/// it (within kTriggerCone of its up axis, nearer than kTriggerReach) makes it release an
/// energy ball that grows to a radius of 50 and burns the electronics of every listed target
/// within its radius for about ten seconds. Then the wings close and charging starts again.
///
/// Rest is read from the wings (a wing still turning faster than kRestBound on some axis means
/// motion): the part itself stands fixed on its station.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/world/station_weapon.h"
#include "game/world/timed_value.h"

class QNRESOURCES;

enum class SHOCKWAVESTATE : std::uint32_t {
    CHARGING = 0,
    OPENING = 1,         ///< waiting for the wings to move
    OPENING_REST = 2,    ///< waiting for them to stop
    ARMED = 3,
    BALL = 4,
    CLOSING = 5,
    CLOSING_REST = 6,
};

class SHOCKWAVE : public STATIONPART {
public:
    static constexpr std::uint32_t kWings = 4;
    static constexpr float kFullCharge = 120.0f;
    static constexpr float kChargeRate = 12.0f;        ///< per second of operation
    static constexpr float kWingOpen = Radians(70.0f);
    static constexpr float kWingMass = 750.0f;
    static constexpr float kWingDamping = 2.0f;         ///< keeps the wings from swinging on
    static constexpr float kRestBound = 0.01f;          ///< radians per second
    static constexpr float kTriggerCone = Radians(45.0f);
    static constexpr float kTriggerReach = 75.0f;
    static constexpr double kBallLife = 10.1;
    static constexpr float kBallHeight = 0.5f;
    /// Each wing hangs at the rim of the top plate, reaching inward; it opens about its own x
    /// axis at the rim.
    static constexpr float kWingRim = 2.5f;
    static constexpr float kWingHeight = 0.6f;

    class ENERGYBALL;

    SHOCKWAVE(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);
    ~SHOCKWAVE() override;

    void Update() override;
    void SetHighlight(bool on) override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    /// Releases the ball; only when armed.
    bool Fire();
    /// Whether no wing turns.
    bool AtRest() const;
    /// The hinge angle of wing `k`.
    float WingAngle(std::uint32_t k) const;

    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Wings[kWings] = {};
    SHOCKWAVESTATE ShockState = SHOCKWAVESTATE::CHARGING;
    QNWEAK<ENERGYBALL> Ball;
    QNTIMER ChargeStep;
    QNTIMER BallLife;
    QNTIMER FrameStep;
    float Charge = 0.0f;
    float LastStep = 0.0f;
    TARGETLIST* Targets = nullptr;

private:
    bool separated_ = false;
    /// Drives the wings open (from CHARGING) or closed, with the wing sound.
    void MoveWings();
    static double Step(QNTIMER& timer);
};

enum class BALLPHASE : std::uint32_t {
    GROWING = 0,
    HOLDING = 1,
    FADING = 2,
};

/// The energy ball. It grows from nothing to kGrownScale in kGrowTime, rising so that its lower
/// edge stays just above the shockwave, holds for kHoldTime, fades out in kFadeTime and goes.
/// Every kBurnInterval each listed target within its radius takes electronic damage.
class SHOCKWAVE::ENERGYBALL : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 33;
    static constexpr float kRadius = 25.0f;            ///< at scale 1
    static constexpr float kGrownScale = 2.0f;
    static constexpr double kGrowTime = 2.0;
    static constexpr double kHoldTime = 7.5;
    static constexpr double kFadeTime = 0.5;
    static constexpr float kRiseTo = 50.5f;
    static constexpr double kBurnInterval = 0.5;
    static constexpr float kBurn = 50.0f;              ///< times the shockwave's frame step
    static constexpr float kCellRate = 10.0f;          ///< grid cells per second
    static constexpr std::uint32_t kCells = 16;

    ENERGYBALL(QNNODE* parent, const QNMATRIX& at, SHOCKWAVE* shockwave, TARGETLIST* targets);
    void Update() override;
    float DamageRadius() const { return kRadius * Scale; }

    BALLPHASE Phase = BALLPHASE::GROWING;
    TARGETLIST* Targets = nullptr;
    QNWEAK<SHOCKWAVE> Shockwave;
    float Scale = 0.0f;
    QNTIMER Life;
    QNTIMER PhaseTimer;
    QNTIMER Flicker;
    QNTIMER Burn;
    float FlickerInterval = 0.05f;
    TIMEDVALUE Fade;
    float Spin = 0.0f;
    float Angle = 0.0f;
    std::uint32_t Burns = 0;
};
