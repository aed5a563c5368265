#include "game/vehicles/vehicle.h"

#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"
#include "game/world/item_types.h"
#include "game/world/path_planner.h"

VEHICLE::VEHICLE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                 std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform, std::uint32_t view)
    : DAMAGEABLE(parent, name, kind, classFlags | QNCF_CONTACTS, userFlags, bodyMode, transform, view)
{
    Identity = ViewIndex;
    RepairTimer.Init(0.0);
    SetObstacleView(ViewIndex);
}

void VEHICLE::Update()
{
    DAMAGEABLE::Update();
    if (ObstacleBox)
        if (QNPATHPLANNER* planner = PathPlanner(ObstacleView)) {
            QNBOX box;
            GetTreeBounds(box, true, false);
            planner->MoveBox(ObstacleBox, box);
        }
    double t = RepairTimer.Elapsed();
    if (t >= kStallInterval)
        t = kStallRepair;
    RepairElectronic(float(t) * kRegeneration);
    RepairTimer.Restart();
}

void VEHICLE::OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal)
{
    DAMAGEABLE::OnContact(other, phase, point, normal);
    if (phase == QNCONTACT_BEGAN && other) {
        const char* name = NodeKindClass(other->Kind) == CLASS_STATIONPART ? "stationcollision" : "othercollision";
        QNSOUND* sound = Resources->FindSound(name);
        if (!sound->HasPath())
            sound->CreatePath();
        // Heard where the vehicle is: the player's own bumps at the ear, others' from afar.
        sound->SetPositionFromMatrix(GetWorldMatrix());
        sound->Set3DParameters();
        sound->Play(0);
        ++CollisionSounds;
    }
    InContact = phase != QNCONTACT_ENDED ? 1 : 0;
}

void VEHICLE::SetViewMode(std::uint32_t mode)
{
    ViewMode = mode;
}
