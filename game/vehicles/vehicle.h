#pragma once
/// VEHICLE: the level shared by every piloted or moving body (collector ship, suit, freighter,
/// ejection seat). Over DAMAGEABLE it adds the view mode (how the player sees the vehicle), a
/// slow regeneration of the electronic meter, a contact sound, and an obstacle box in its view's
/// path planner that follows it every frame.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/world/damageable.h"
#include "game/world/item_types.h"
#include "game/world/target_list.h"
#include "game/world/world_vehicle.h"

/// How the player sees a vehicle.
enum : std::uint32_t {
    VIEWMODE_HIDDEN = 0,
    VIEWMODE_INSIDE = 1,
    VIEWMODE_OUTSIDE = 2,
};

class VEHICLE : public DAMAGEABLE, public WORLDVEHICLE {
public:
    /// Electronic units regenerated per second of play.
    static constexpr float kRegeneration = 1.0f;
    /// A frame interval at or above this counts as a stall and repairs kStallRepair seconds' worth.
    static constexpr double kStallInterval = 0.5;
    static constexpr double kStallRepair = 0.01;

    /// Adds class flag 16 (contact reports); view mode 0; registers the obstacle box in the
    /// planner of the node's company view.
    VEHICLE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
            std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform, std::uint32_t view);

    /// Destruction state machine, obstacle box follows the tree bounds, electronic regeneration.
    void Update() override;
    /// Plays "stationcollision" or "othercollision" once when a contact begins; keeps InContact
    /// until the contact ends.
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;

    /// Stores the mode; kinds build or tear down their views around it.
    void SetViewMode(std::uint32_t mode) override;
    std::uint32_t GetViewMode() const override { return ViewMode; }

    std::uint32_t ViewMode = VIEWMODE_HIDDEN;
    std::uint32_t Identity = 0;          ///< the company it flies for (emblem and name); the view at first
    QNTIMER RepairTimer;
    std::uint8_t InContact = 0;
    std::uint32_t CollisionSounds = 0;   ///< contact sounds played so far
};
