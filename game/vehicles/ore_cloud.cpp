#include "game/vehicles/ore_cloud.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/render/qncolour.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/world/debris.h"
#include "game/world/natural_object.h"

namespace {

constexpr std::uint32_t kCloudFlags = 12;
constexpr std::uint32_t kDustFlags = 136;
constexpr float kIntervalMin = 0.08f, kIntervalMax = 0.12f;
constexpr float kSpread = 4.0f;

constexpr float kDustColours[5][4] = {
    {0.8f, 0.1f, 0.1f, 1.0f},
    {0.1f, 0.8f, 0.1f, 1.0f},
    {0.1f, 0.1f, 0.8f, 1.0f},
    {0.8f, 0.8f, 0.1f, 1.0f},
    {0.6196f, 0.4863f, 0.3216f, 1.0f},  // asteroid dust
};

void RemoveNode(GAMENODE* node)
{
    if (node->Delete)
        return;
    if (QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(node);
    node->ScheduleOnce();
    node->Delete = 1;
}

}  // namespace

const float* CLOUD::DustColour(std::uint32_t colour)
{
    return kDustColours[colour < kOreColours ? colour : kOreColours];
}

CLOUD::CLOUD(QNNODE* parent, const QNMATRIX* transform, COLLSHIP* ship, ORE* ore)
    : QNEMITTER(parent, "CLOUD", 0, kCloudFlags, 0, 0, transform), Ship(ship), Ore(ore)
{
    SetEmitInterval(*this, kIntervalMin, kIntervalMax);
    OffsetX = OffsetY = kSpread;
    PerEmission = 1;
    SetScale(kScale, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetLinearDamping(kDamping);
    if (!Bounds)
        Bounds = new QNNODEBOUNDS;
    Bounds->LocalBox = QNBOX(QNVEC3(-1, -1, -1), QNVEC3(1, 1, 1));
    LifeTimer.Init(0.0);
    if (ship && ore && ship->ViewMode == VIEWMODE_INSIDE && ship->Hud) {
        if (GAMENODE* marker = ship->Hud->MakeMarker(this, kMarkerKind, 0.0f)) {
            Marker = marker;
            marker->SetState(3, 0, false, true);
        }
    }
    const float* colour = DustColour(ore ? ore->OreColour : kOreColours);
    for (std::uint32_t i = 0; i < kPuffs; ++i)
        new DUST(this, colour);
}

void CLOUD::Update()
{
    QNEMITTER::Update();
    if (Delete)
        return;
    COLLSHIP* ship = Ship.Get();
    if (ship && ship->IsDestroyed()) {
        Ship.Reset();
        ship = nullptr;
    }
    ORE* ore = Ore.Get();
    if (ship && ore && !Collected) {
        const QNVEC3 d = ship->GetWorldMatrix().Translation() - GetWorldMatrix().Translation();
        if (d.Length() < kPickUp) {
            Collected = true;
            ship->CollectOre(ore->OreColour, ore->OreKind);
        }
    }
    if (LifeTimer.Elapsed() >= kLife) {
        // The marker goes with the cloud whatever became of the ship.
        QNITEM::Destroy(Marker.Get());
        Marker.Reset();
        RemoveNode(this);
    }
}

DUST::DUST(QNEMITTER* cloud, const float* colour) : QNEFFECTNODE(cloud, "DUST", 0, kDustFlags, 0)
{
    SetMaterial("alpha");
    SetOwnColour("white");
    OwnColour->SetColour(colour[0], colour[1], colour[2], colour[3]);
    OwnColour->SetAlpha(kStartOpacity);
    SetTexture("chipper_dust");
    SetMesh(RoundToInt(RandomRange(0.0f, 1.0f)) == 1 ? "chipper_dust" : "chipper_dust_small");
}

void DUST::Update()
{
    if (Delete)
        return;
    const float a = Age();
    if (a < kFadeIn)
        OwnColour->SetAlpha(kPeak * a / kFadeIn);
    if (a > Lifetime) {
        RemoveNode(this);
        return;
    }
    if (a > Lifetime - kFadeOut)
        OwnColour->SetAlpha((Lifetime - a) * kPeak / kFadeOut);
}
