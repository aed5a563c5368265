#include "game/world/debris.h"

#include <numbers>

#include "engine/render/qncolour.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnmath.h"
#include "game/world/item_types.h"
#include "game/world/station_media.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;

bool HasTexture(const QNNODE* node, const char* name, int index)
{
    return node->Resources && node->Resources->Textures.FindChild(MakeResourceKey(name, index));
}

}  // namespace

void SetEmitInterval(QNEMITTER& emitter, float min, float max)
{
    emitter.IntervalMin = min;
    emitter.IntervalMax = max;
    emitter.EmitTimer.Init(min == max ? min : RandomRange(min, max));
}

std::int32_t DEBRIS::MeshCount(DEBRISKIND kind)
{
    switch (kind) {
    case DEBRISKIND::STATION:
        return kStationMeshes;
    case DEBRISKIND::COLLSHIP:
        return kShipMeshes;
    }
    return 0;
}

DEBRIS::DEBRIS(QNEMITTER* field, DEBRISKIND kind, std::int32_t mesh)
    : QNEFFECTNODE(field, "DEBRIS", KIND_DEBRIS, QNCF_BODY, 1), Lifetime(RandomRange(kLifeMin, kLifeMax))
{
    SetScale(kPhysicsScale, kMassFactor);
    if (kind == DEBRISKIND::STATION) {
        SetTexture("debris");
        SetMesh("debris", mesh);
    } else if (kind == DEBRISKIND::COLLSHIP) {
        SetMaterial("collship_debris");
        // The ship's texture comes with the vehicles' media.
        if (HasTexture(this, "collship", 1))
            SetTexture("collship", 1);
        SetMesh("collship_debris", mesh);
    }
}

void DEBRIS::Update()
{
    if (Delete || Age() < Lifetime)
        return;
    if (QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(this);
    ScheduleOnce();
    Delete = 1;
}

DEBRISFIELD::DEBRISFIELD(QNNODE* parent, DEBRISKIND kind, const QNMATRIX* transform)
    : QNEMITTER(parent, "DEBRISFIELD", KIND_DEBRIS, 0, 0, 2, transform)
{
    RemoveWhenSpent = 1;
    SetEmitInterval(*this, kInterval, kInterval);
    SpeedMin = kSpeedMin;
    SpeedMax = kSpeedMax;
    SpinMin = -kSpin;
    SpinMax = kSpin;
    OffsetX = OffsetY = kOffset;
    AngleX = AngleY = 360.0f * kDegree;
    PerEmission = kPerEmission;
    const std::int32_t meshes = DEBRIS::MeshCount(kind);
    for (std::int32_t i = 0; i < kPieces; ++i)
        new DEBRIS(this, kind, meshes > 0 ? RoundToInt(RandomRange(0.0f, float(meshes - 1))) : 0);
    // The field follows its effect's state; the pieces wait dormant in the pool.
    SetState(3, 0, false, false);
}

void DEBRISFIELD::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "debris");
    // Pieces fly through everything: no collision shapes.
    stationmedia::Mesh(r, "debris", DEBRIS::kStationMeshes, 0);
    stationmedia::Mesh(r, "collship_debris", DEBRIS::kShipMeshes, 0);
    r.AddMaterial("collship_debris");
}

SPARK::SPARK(QNEMITTER* weld) : QNEFFECTNODE(weld, "SPARK", 0, 0, 0)
{
    SetMaterial("alpha");
    SetOwnColour("white");
    OwnColour->SetColour(1.0f, 0.9f, 0.1f, 1.0f);
    OwnColour->SetAlpha(1.0f);
    SetTexture("spark");
    SetMesh("spark");
}

void SPARK::Update()
{
    if (Age() >= kSparkLife)
        Recycle();
}

WELD::WELD(QNNODE* station, const QNMATRIX* transform) : QNEMITTER(station, "WELD", 0, 0, 32, 2, transform)
{
    RemoveWhenSpent = 1;
    SetEmitInterval(*this, kInterval, kInterval);
    SpeedMin = 0.2f;
    SpeedMax = 0.5f;
    AngleX = 10.0f * kDegree;
    AngleY = 5.0f * kDegree;
    PerEmission = 100;
    Stopped = 1;
    for (std::int32_t i = 0; i < kSparks; ++i)
        new SPARK(this);
    SetState(3, 0, false, false);
}
