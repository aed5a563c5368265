#include "game/world/black_market_portal.h"

#include "engine/physics/qncollgeom.h"
#include "engine/scene/scene.h"
#include "game/world/media_util.h"
#include "game/world/target_list.h"
#include "game/world/world_vehicle.h"

namespace {

constexpr const char* kBarrierProgram = "@16 (0:0~3)";
constexpr const char* kBlackMarket = "BLACKMARKET";

const QNMATRIX& BarrierOffset()
{
    static QNMATRIX m;
    m.SetTranslation(1.5f, 0.0f, 0.0f);
    return m;
}

}  // namespace

BARRIER::BARRIER(QNNODE* parent, const QNMATRIX& placement)
    : GAMENODE(parent, "BARRIER", kKindPortal, QNCF_LEVEL_PLAIN | QNCF_UPDATE | QNCF_CONTACTS | QNCF_NOCONTACT,
               QNUF_PAIR_PARENT, 3, &placement, 0)
{
    for (QNSEQUENCE& s : Frames)
        s.SetProgram(kBarrierProgram);
    SetMaterial("blackmarketportal_barrier");
    SetColour("fullbright");
    SetTexture("blackmarketportal_barrier");
    SetMesh("blackmarketportal_barrier");
    SetBoxMesh("blackmarketportal_barrier_coll");
}

void BARRIER::Update()
{
    for (std::uint32_t i = 0; i < 2; ++i) {
        const std::int32_t cell = Frames[i].Advance();
        QNTEXTURESTAGES::STAGE& stage = Stages->Stages[i];
        if (cell >= 0 && stage.Texture)
            QNTEXGRID::SelectCell(stage.Texture->Grid, std::uint32_t(cell), stage);
    }
}

void BARRIER::OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*)
{
    if (phase != QNCONTACT_BEGAN || !other || other->Kind != kKindCollectorShip)
        return;
    const auto* vehicle = dynamic_cast<const WORLDVEHICLE*>(other);
    if (!vehicle || vehicle->GetViewMode() != 1)
        return;
    pending_ = other;
    ScheduleOnce();
}

void BARRIER::RunOnce()
{
    QNNODE* ship = pending_.Get();
    pending_.Reset();
    if (!ship)
        return;
    if (QNSCENE::SceneRoot().FindChild(kBlackMarket)) {
        QNSCENE::RequestPush(kBlackMarket);
        ++Entries;
    }
    QNMATRIX push;
    push.SetTranslation(0.0f, 0.0f, kPushDistance);
    ship->SetTransform(push * ship->GetLocalMatrix());
}

BLACKMARKETPORTAL::BLACKMARKETPORTAL(QNNODE* parent, const QNMATRIX& placement, std::uint32_t view)
    : NATURALOBJECT(parent, "BLACKMARKETPORTAL", kKindPortal, QNCF_LEVEL_GAME, 3, placement, view)
{
    SetTexture("blackmarketportal");
    SetMesh("blackmarketportal");
    UpdateSphereBounds(true);
    UpdateWorldBounds(true);
    Barrier = new BARRIER(this, BarrierOffset());
    SetObstacleView(view);
}

void RegisterPortalMedia(QNRESOURCES& r)
{
    RegisterTextures(r, "blackmarketportal", "media\\station\\blackmarketportal\\textures\\blackmarketportal.dds");
    RegisterMeshes(r, "blackmarketportal", "media\\station\\blackmarketportal\\meshes\\blackmarketportal.gbm");
    RegisterTextures(r, "blackmarketportal_barrier",
                     "media\\station\\blackmarketportal\\textures\\blackmarketportal_barrier.dds", 1, 2, 2);

    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    p.Name = "blackmarketportal_barrier";
    p.Args[0] = BARRIER::kSide;
    p.Args[1] = BARRIER::kSide;
    p.Args[2] = 1;
    p.Args[3] = 1;
    p.Args[4] = 1;
    p.Args[5] = 1;
    p.Args[6] = 1;
    r.AddMesh();

    QNRESOURCES::MeshParams = QNMESHPARAMS();
    p.Name = "blackmarketportal_barrier_coll";
    p.CollisionOption1 = QNCOLLGEOM::BOX;
    p.Args[1] = BARRIER::kSide;
    p.Args[2] = BARRIER::kSide;
    p.Args[3] = BARRIER::kDepth;
    r.AddMeshBox();

    QNMATERIAL* m = r.AddMaterial("blackmarketportal_barrier", "alpha");
    // The field is seen from both sides.
    m->CullMode = 1;
}
