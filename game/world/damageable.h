#pragma once
/// DAMAGEABLE: an obstacle that can be hit, repaired and destroyed.
///
/// Two condition meters, ballistic and electronic, each with a maximum (0 = meter unused), a
/// current value kept in 0 .. maximum and the cost of a full repair. A fraction is condition /
/// maximum, 1 for an unused meter. The status rule (UpdateStatus) runs after every damage and
/// repair:
///   damaged   = a fraction at or below its threshold (0.95 from construction) -> SetHighlight
///   operating = the electronic fraction above its threshold                  -> SetActive
///   a used meter at 0                                                         -> Kill
/// so electronic damage stops an object and can destroy it; ballistic damage only changes its
/// look until the meter is empty.
///
/// Destruction takes two frames: Kill marks the object (state KILLED), the next Update moves it
/// to REMOVING, and the Update after that leaves a DESTRUCTION effect at the object's place,
/// calls NotifyDestroyed once and deletes the node. IsDestroyed is true from the kill on.

#include <cstdint>

#include "game/world/obstacle_node.h"

enum class DESTROYEDSTATE : std::uint32_t {
    INTACT = 0,
    KILLED = 1,
    REMOVING = 2,
};

/// Which pieces the destruction effect throws.
enum class DEBRISKIND : std::uint32_t {
    STATION = 0,
    COLLSHIP = 1,
};

class DAMAGEABLE : public OBSTACLENODE {
public:
    /// Adds class flag 4 (update list); meters, costs and flags 0, thresholds 0.95.
    DAMAGEABLE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
               std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
               std::uint32_t view);

    /// The two-frame destruction (see the header comment).
    void Update() override;

    // Virtual operations, in slot order.
    /// Marks an intact object killed; nothing else happens at once.
    virtual void Kill();
    /// Stores the damaged look; kinds switch to their highlighted texture.
    virtual void SetHighlight(bool on);
    /// Stores the operating flag; kinds start or stop their machinery.
    virtual void SetActive(bool on);
    /// Lowers the ballistic meter by `amount` (negative counts as 0), then the status rule.
    /// `word1` and `word2` are the attacker's words; no level here reads them.
    virtual void DamageBallistic(float amount, std::uint32_t word1, std::uint32_t word2);
    virtual void DamageElectronic(float amount, std::uint32_t word1, std::uint32_t word2);
    /// Raises the ballistic meter by `amount`, cut to what is missing; returns the cost of what
    /// was added (repair cost / maximum per unit).
    virtual float RepairBallistic(float amount);
    virtual float RepairElectronic(float amount);
    virtual bool IsDestroyed() const;
    virtual void UpdateStatus();
    /// Called once when the destruction starts.
    virtual void NotifyDestroyed() {}

    float BallisticFraction() const;
    float ElectronicFraction() const;
    /// Both meters full at the given maxima.
    void SetMaxima(float ballistic, float electronic);

    float BallisticMax = 0.0f;
    float ElectronicMax = 0.0f;
    float Ballistic = 0.0f;
    float Electronic = 0.0f;
    float BallisticRepairCost = 0.0f;
    float ElectronicRepairCost = 0.0f;
    float BallisticThreshold = kDefaultThreshold;
    float ElectronicThreshold = kDefaultThreshold;
    bool Active = false;
    bool Highlighted = false;
    DESTROYEDSTATE Destroyed = DESTROYEDSTATE::INTACT;
    DEBRISKIND Debris = DEBRISKIND::STATION;
    /// Station weapons that have taken this object as their target (kept by the weapons).
    std::int32_t Engagements = 0;

    static constexpr float kDefaultThreshold = 0.95f;

protected:
    /// Removes the collision model and has the engine delete the node on the next frame.
    void DeleteNextFrame();
};
