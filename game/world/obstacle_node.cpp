#include "game/world/obstacle_node.h"

#include "game/world/path_planner.h"

OBSTACLENODE::OBSTACLENODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                           std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                           std::uint32_t view)
    : GAMENODE(parent, name, kind, classFlags, userFlags, bodyMode, transform, 0), ViewIndex(view),
      ObstacleView(view)
{
}

OBSTACLENODE::~OBSTACLENODE()
{
    RemoveObstacle();
}

void OBSTACLENODE::RemoveObstacle()
{
    if (ObstacleBox) {
        if (QNPATHPLANNER* planner = PathPlanner(ObstacleView))
            planner->RemoveBox(ObstacleBox);
    }
    ObstacleBox = nullptr;
}

void OBSTACLENODE::SetObstacleView(std::uint32_t view)
{
    RemoveObstacle();
    ObstacleView = view;
    QNPATHPLANNER* planner = PathPlanner(view);
    if (!planner)
        return;
    QNBOX box;
    GetTreeBounds(box, true, false);
    ObstacleBox = planner->AddBox(box);
}
