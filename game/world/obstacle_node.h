#pragma once
/// OBSTACLENODE: a game node whose world box is registered as an obstacle in the path planner
/// of one company view, so that pilots, freighters and crew route around it.
///
/// A view without a planner (or a full planner) registers nothing; the handle stays null.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnbox.h"

struct QNPATHBOX;

class OBSTACLENODE : public GAMENODE {
public:
    OBSTACLENODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                 std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                 std::uint32_t view);
    /// Takes a registered box out of its planner.
    ~OBSTACLENODE() override;

    /// Moves the obstacle to the planner of `view`: the old box leaves the old planner, the
    /// node's tree bounds in world space (node and children) go into the new one.
    void SetObstacleView(std::uint32_t view);
    /// Takes a registered box out of its planner and forgets it.
    void RemoveObstacle();

    std::uint32_t ViewIndex = 0;        ///< view (company) 0-3 the object belongs to
    const QNPATHBOX* ObstacleBox = nullptr; ///< record held by the planner of ObstacleView
    std::uint32_t ObstacleView = 0;
};
