#pragma once
/// AIPILOT: flies the collector ship of a computer company. A state machine decides where the
/// ship goes and whom it fights; the tasks of ai_tasks.h do the flying.
///
/// Typical cycles: WAIT -> GO_TO_WATCHED (jump to where the player looks) -> DECIDE ->
/// CHOOSE_FOE -> DOGFIGHT -> DECIDE; DECIDE -> CHOOSE_PART -> APPROACH -> ATTACK_RUN -> SHOOT
/// against the player's station; DECIDE -> FLY_OUT -> DECIDE -> RETURN (jump home). Damage below
/// kReturnFraction away from home sets the return flag, which DECIDE turns into RETURN; a ship
/// outside the view the player sees returns at once unless it waits, travels or decides.
///
/// Sharing between pilots: the claimed targets (an IDSET of 64-bit identities, made by the
/// first pilot and freed by the last) so that no two pilots pick the same station part, and the
/// flag of the one pilot that dogfights the player.
///
/// The ship and the target are weak handles; every state that may run without a ship checks.

#include <cstdint>

#include "engine/util/qn_item.h"
#include "engine/util/qntimer.h"
#include "game/vehicles/ai_tasks.h"
#include "game/world/id_set.h"

/// States of the pilot.
enum class PILOTSTATE : std::uint32_t {
    IDLE = 0,
    WAIT = 1,
    GO_TO_WATCHED = 2,
    DECIDE = 3,
    CHOOSE_FOE = 4,
    CHOOSE_PART = 5,
    APPROACH = 6,
    ATTACK_RUN = 7,
    DOGFIGHT = 8,
    SHOOT = 9,
    FLY_OUT = 10,
    RETURN = 11,
};

/// Phases of the back-off after a collision.
enum class BACKOFF : std::uint32_t { NONE = 0, BACK = 1, FORWARD = 2 };

class AIPILOT {
public:
    static constexpr std::uint32_t kClaimCapacity = 100;
    /// Station part kinds in the order they are attacked.
    static constexpr std::int32_t kAttackOrder[16] = {11, 24, 20, 19, 18, 23, 21, 22, 17, 14, 16, 13, 12, 15, 25, 15};
    /// The kinds of the attack order that count as threats of the player's station.
    static constexpr std::uint32_t kThreatKinds = 15;
    static constexpr float kReturnFraction = 0.25f;
    static constexpr double kBackOffSeconds = 1.0;
    static constexpr float kBackThrust = -10.0f;
    static constexpr float kForwardThrust = 50.0f;
    static constexpr float kBackOffTorque = 15.0f;
    static constexpr float kApproachReach = 50.0f;
    static constexpr float kLookNear = 10.0f;
    static constexpr float kLookFar = 600.0f;
    static constexpr float kShootRange = 1000.0f;
    static constexpr float kShootDegrees = 10.0f;
    static constexpr float kFlightScale = 3000.0f;
    static constexpr float kFlightFactor = 0.3f;
    static constexpr float kLinearDamping = 0.25f;
    static constexpr float kAngularDamping = 2.0f;
    static constexpr float kRepairAmount = 10000.0f;
    /// Wait in WAIT: random(0, 1) x kWaitSpan + kWaitWithShip (or kWaitWithoutShip).
    static constexpr float kWaitSpan = 300.0f;
    static constexpr float kWaitWithShip = 30.0f;
    static constexpr float kWaitWithoutShip = 300.0f;
    static constexpr std::uint32_t kIronman = 72, kEm2 = 71, kCheetah = 69;

    explicit AIPILOT(PILOTWORLD& world);
    ~AIPILOT();
    AIPILOT(const AIPILOT&) = delete;
    AIPILOT& operator=(const AIPILOT&) = delete;

    /// The ship to fly (null: none); its node is held weak.
    void SetShip(QNITEM* node, PILOTSHIP* ship);
    /// Once per frame: DONE in IDLE, else UNDER_WAY (or what FLY_OUT's route reports).
    TASKSTATUS Update();
    /// Re-enters the previous state, or WAIT when there was none.
    void Restart();
    /// IDLE, both routes stopped.
    void Reset();
    bool IsActive() const { return State != PILOTSTATE::IDLE; }
    void EnterState(PILOTSTATE next);

    PILOTSHIP* Ship() const { return ship_.Get(); }
    QNITEM* Target() const { return target_.Get(); }
    /// Whether `node` is claimed by some pilot.
    static bool IsClaimed(const QNITEM* node);
    /// Whether some pilot dogfights the player.
    static bool AttackingPlayer() { return attackingPlayer_; }
    static float BackOffTorque() { return backOffTorque_; }
    static std::uint32_t Pilots() { return pilots_; }

    PILOTSTATE State = PILOTSTATE::IDLE;
    PILOTSTATE Previous = PILOTSTATE::IDLE;
    float WaitTime = 0.0f;
    QNTIMER StateTimer;
    std::uint32_t KindCursor = 0;
    bool ReturnFlag = false;
    bool StationTargets = true;
    bool PlayerAttackable = true;
    bool AtOwnSite = false;
    bool PlayerAtHome = false;
    std::uint32_t TargetMode = 0;   ///< 2 while a station part is the target
    BACKOFF BackOff = BACKOFF::NONE;
    QNTIMER BackOffTimer;
    /// Threats above this make the player's station worth attacking.
    static inline std::uint32_t StationThreatThreshold = 0;

    AIROUTETASK RouteTask;
    AIROUTE Approach;
    AIFLYTASK Fly;
    AIWATCHTASK Watch;

private:
    void SetTarget(QNITEM* target);
    void ReleaseTarget();
    void ForgetShip();
    void StepBackOff(PILOTSHIP& ship);
    void PickWeapon(float cheetahFrom);
    void ShootStep();
    void SetFlight(PILOTSHIP& ship);
    void StateWait();
    void StateGoToWatched();
    void StateDecide();
    void StateChooseFoe();
    void StateChoosePart();
    void StateApproach();
    void StateAttackRun();
    void StateDogfight();
    TASKSTATUS StateFlyOut();
    void StateReturn();
    static std::uint64_t IdentityOf(const QNITEM* node);

    PILOTWORLD& world_;
    PILOTSHIPREF ship_;
    QNWEAK<QNITEM> target_;
    std::uint64_t claimed_ = 0;     ///< identity this pilot put in the claimed list (0: none)

    static inline IDSET claims_;
    static inline std::uint32_t pilots_ = 0;
    static inline bool attackingPlayer_ = false;
    static inline float backOffTorque_ = kBackOffTorque;
};
