#include "game/vehicles/canister.h"

#include <algorithm>

#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/scene/resources.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/explosion.h"
#include "game/vehicles/missile.h"
#include "game/vehicles/range_sensor.h"
#include "game/world/antiship.h"
#include "game/world/damageable.h"

namespace {

constexpr float kSensorSide = 20.0f;

// Half the diagonal of the node's own box (its mesh without children).
float HullRadius(const QNNODE* node)
{
    QNBOX box;
    node->GetLocalBox(box, false);
    return box.Radius();
}

}  // namespace

CANISTER::CANISTER(QNNODE* parent, const QNMATRIX* transform, std::uint32_t ownerView)
    : GAMENODE(parent, "CANISTER", kKind, 12, 0, 0, transform, 0), OwnerView(ownerView)
{
    SetTexture("rec_canister");
    SetMesh("rec_canister");
    Sensor = new RANGESENSOR(this);
    LifeTimer.Init(0.0);
}

void CANISTER::SetShip(QNNODE* ship)
{
    Ship = ship;
    Clear = false;
    SetTreeCollision(ship, false);
}

void CANISTER::Trigger(QNNODE* vehicle)
{
    auto* v = dynamic_cast<OBSTACLENODE*>(vehicle);
    if (!v || v->ViewIndex == OwnerView)
        return;
    Victim = vehicle;
    Triggered = true;
}

void CANISTER::TriggerByMissile(QNNODE* missile)
{
    Missile = missile;
    Victim = nullptr;
    Triggered = true;
}

void CANISTER::Update()
{
    if (Delete)
        return;
    if (LifeTimer.Elapsed() >= kLifetime) {
        Remove();
        return;
    }
    if (!Triggered) {
        if (Clear)
            return;
        QNNODE* ship = Ship.Get();
        auto* d = dynamic_cast<DAMAGEABLE*>(ship);
        if (ship && !(d && d->IsDestroyed())) {
            const float distance = (GetWorldMatrix().Translation() - ship->GetWorldMatrix().Translation()).Length();
            if (distance - (HullRadius(ship) + HullRadius(this)) < kClearGap)
                return;
            SetTreeCollision(ship, true);
        }
        Clear = true;
        Ship = nullptr;
        return;
    }
    // The caught missile goes off first, in this update rather than inside the contact report.
    if (auto* missile = dynamic_cast<MISSILE*>(Missile.Get()))
        missile->Explode();
    else if (auto* station = dynamic_cast<ANTISHIP::MISSILE*>(Missile.Get()))
        station->Hit = true;  // it explodes in its own next update
    Missile = nullptr;
    if (QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT)) {
        const QNMATRIX at = GetWorldMatrix();
        const auto variant = std::uint32_t(std::clamp(int(RandomRange(0.0f, 4.9999f)), 0, int(EXPLOSION::kVariants) - 1));
        auto* explosion = new EXPLOSION(root, kExplosionSize, &at, variant);
        explosion->SetState(3, 0, false, true);
    }
    if (auto* victim = dynamic_cast<DAMAGEABLE*>(Victim.Get()))
        victim->DamageBallistic(kDamage, 0, 1);
    Exploded = true;
    Remove();
}

void CANISTER::Remove()
{
    if (Delete)
        return;
    ReleaseMesh();
    if (Sensor)
        Sensor->ReleaseMesh();
    ScheduleOnce();
    Delete = 1;
}

void CANISTER::LoadResources(QNRESOURCES& r)
{
    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    t = QNTEXTUREPARAMS();
    t.Name = "rec_canister";
    t.File = "media\\vehicles\\weapons\\textures\\rec_canister.dds";
    r.AddTexture();
    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    m = QNMESHPARAMS();
    m.Name = "rec_canister";
    m.File = "media\\vehicles\\weapons\\meshes\\rec_canister.gbm";
    m.Args[0] = 1;
    m.CollisionOption1 = QNCOLLGEOM::BOX;
    r.AddMeshFile();
    m = QNMESHPARAMS();
    m.Name = "rec_canister_coll";
    m.CollisionOption1 = QNCOLLGEOM::BOX;
    m.Args[1] = kSensorSide;
    m.Args[2] = kSensorSide;
    m.Args[3] = kSensorSide;
    r.AddMeshBox();
}
