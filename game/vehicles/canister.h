#pragma once
/// CANISTER: the rear-eject proximity mine. Its RANGESENSOR child (a 20-unit cube that reports
/// contacts but pushes nothing) marks it triggered when a vehicle of another company or a homing
/// missile enters; the canister goes off in its own next Update, never inside a contact report:
/// a missile in the sensor explodes with it and nobody is damaged, a vehicle takes 15 ballistic
/// damage. A canister that nothing sets off vanishes after kLifetime seconds.
///
/// A computer ship's canister starts inside that ship's reach: collisions between the two stay
/// off until the gap between their hulls reaches kClearGap (or the ship is destroyed or gone).

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"

class RANGESENSOR;
class QNRESOURCES;

class CANISTER : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 74;
    static constexpr double kLifetime = 7.0;
    static constexpr float kDamage = 15.0f;
    static constexpr float kExplosionSize = 20.0f;
    static constexpr float kClearGap = 0.5f;

    CANISTER(QNNODE* parent, const QNMATRIX* transform, std::uint32_t ownerView);

    void Update() override;
    /// Records the launching computer ship and keeps the two from colliding until clear.
    void SetShip(QNNODE* ship);
    /// Sets the canister off for `vehicle` unless it flies for the canister's own company.
    void Trigger(QNNODE* vehicle);
    /// Sets the canister off by a homing missile, which explodes with it.
    void TriggerByMissile(QNNODE* missile);

    static void LoadResources(QNRESOURCES& resources);

    std::uint32_t OwnerView = 0;
    QNWEAK<QNNODE> Ship;
    bool Triggered = false;
    bool Clear = true;
    QNWEAK<QNNODE> Victim;
    QNWEAK<QNNODE> Missile;     ///< a missile caught by the sensor, exploded at the next update
    RANGESENSOR* Sensor = nullptr;
    QNTIMER LifeTimer;
    bool Exploded = false;

private:
    void Remove();
};
