#include "game/world/natural_object.h"

#include "engine/mesh/qnmesh.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "game/world/media_util.h"
#include "game/world/path_planner.h"

namespace {

// Rocks are heavy and slow down quickly when pushed.
constexpr float kRockScale = 90000.0f;
constexpr float kRockMassFactor = 5.0f;
constexpr float kRockLinearDamping = 1.0f;

constexpr std::uint32_t kRockFlags = QNCF_LEVEL_GAME | 0x800 | QNCF_BODY;

}  // namespace

NATURALOBJECT::NATURALOBJECT(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                             std::int32_t bodyMode, const QNMATRIX& placement, std::uint32_t view)
    : GAMENODE(parent, name, kind, classFlags, 0, bodyMode, &placement, 0), ViewIndex(view), ObstacleView(view)
{
}

NATURALOBJECT::~NATURALOBJECT()
{
    if (QNPATHPLANNER* planner = PathPlanner(ObstacleView))
        planner->RemoveBox(obstacle_);
}

void NATURALOBJECT::SetObstacleView(std::uint32_t view)
{
    if (QNPATHPLANNER* old = PathPlanner(ObstacleView))
        old->RemoveBox(obstacle_);
    obstacle_ = nullptr;
    ObstacleView = view;
    QNBOX box;
    GetTreeBounds(box, true, false);
    if (QNPATHPLANNER* planner = PathPlanner(view))
        obstacle_ = planner->AddBox(box);
}

void NATURALOBJECT::SetRockShape()
{
    if (Mesh) {
        const float h = Mesh->Box.Radius();
        if (!Bounds)
            Bounds = new QNNODEBOUNDS;
        Bounds->LocalBox = QNBOX(QNVEC3(-h, -h, -h), QNVEC3(h, h, h));
    }
    SetScale(kRockScale, kRockMassFactor);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetLinearDamping(kRockLinearDamping);
    UpdateSphereBounds(true);
    UpdateWorldBounds(true);
}

ASTEROID::ASTEROID(QNNODE* parent, std::uint32_t meshIndex, const QNMATRIX& placement, std::uint32_t view)
    : NATURALOBJECT(parent, "ASTEROID", kKindAsteroid, kRockFlags, 3, placement, view)
{
    SetTexture("asteroid", 0);
    SetMesh("asteroid", int(meshIndex % kAsteroidMeshes));
    SetRockShape();
}

ORE::ORE(QNNODE* parent, std::uint32_t kind, std::uint32_t colour, const QNMATRIX& placement, std::uint32_t view)
    : NATURALOBJECT(parent, "ORE", kKindOre, kRockFlags, 3, placement, view), OreColour(colour % kOreColours),
      OreKind(kind % kOreKinds)
{
    SetTexture("ore", int(OreColour));
    SetMesh("ore", int(OreKind));
    SetRockShape();
}

void RegisterNaturalMedia(QNRESOURCES& r)
{
    RegisterTextures(r, "asteroid", "media\\natural\\textures\\asteroid.dds");
    RegisterMeshes(r, "asteroid", "media\\natural\\meshes\\asteroid.gbm", int(kAsteroidMeshes));
    RegisterTextures(r, "ore", "media\\natural\\textures\\ore.dds", int(kOreColours));
    RegisterMeshes(r, "ore", "media\\natural\\meshes\\ore.gbm", int(kOreKinds));
}
