#pragma once
/// Natural objects: asteroids, ore pieces and the black-market portal. They have no behaviour
/// of their own (they drift and spin as rigid bodies) and keep their world box registered as an
/// obstacle in their view's path planner while they live.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/scene/resources.h"
#include "game/world/work_order.h"

struct QNPATHBOX;

/// Node kinds.
inline constexpr std::int32_t kKindAsteroid = 3;
inline constexpr std::int32_t kKindOre = 4;
inline constexpr std::int32_t kKindOreField = 5;
inline constexpr std::int32_t kKindPortal = 78;

/// Meshes of the asteroid group.
inline constexpr std::uint32_t kAsteroidMeshes = 2;

class NATURALOBJECT : public GAMENODE {
public:
    NATURALOBJECT(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                  std::int32_t bodyMode, const QNMATRIX& placement, std::uint32_t view);
    /// Removes the obstacle box from its planner.
    ~NATURALOBJECT() override;

    /// Registers the node's world tree box in the planner of `view` (replacing an earlier one).
    void SetObstacleView(std::uint32_t view);
    /// The registered obstacle record (null when none).
    const QNPATHBOX* Obstacle() const { return obstacle_; }

    std::uint32_t ViewIndex = 0;
    std::uint32_t ObstacleView = 0;

protected:
    /// Own box: a cube centred on the node, half side half the mesh box's diagonal; then the
    /// body's physics scale (90000, mass factor 5) and damping, and the bounds.
    void SetRockShape();

private:
    const QNPATHBOX* obstacle_ = nullptr;
};

class ASTEROID : public NATURALOBJECT {
public:
    /// Texture "asteroid" 0 and mesh "asteroid" `meshIndex`.
    ASTEROID(QNNODE* parent, std::uint32_t meshIndex, const QNMATRIX& placement, std::uint32_t view);
};

class ORE : public NATURALOBJECT {
public:
    /// Texture "ore" `colour` and mesh "ore" `kind`.
    ORE(QNNODE* parent, std::uint32_t kind, std::uint32_t colour, const QNMATRIX& placement,
        std::uint32_t view);

    std::uint32_t OreColour = 0;   ///< 0 red, 1 green, 2 blue, 3 yellow
    std::uint32_t OreKind = 0;     ///< 0 Netradox, 1 Hexine, 2 Oglamite
};

/// Registers the asteroid and ore media (with the site's media).
void RegisterNaturalMedia(QNRESOURCES& resources);
