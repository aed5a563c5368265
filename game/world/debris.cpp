#include "game/world/debris.h"

#include <numbers>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnmath.h"
#include "game/world/item_types.h"
#include "game/world/station_media.h"

namespace {

// Debris bodies: physics scale and mass factor of a light, tumbling piece.
constexpr float kPhysicsScale = 1000.0f;
constexpr float kMassFactor = 1.0f;

void RemoveNextFrame(GAMENODE* node)
{
    if (QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(node);
    node->ScheduleOnce();
    node->Delete = 1;
}

bool HasTexture(const QNNODE* node, const char* name, int index)
{
    return node->Resources && node->Resources->Textures.FindChild(MakeResourceKey(name, index));
}

}  // namespace

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

DEBRIS::DEBRIS(QNNODE* field, DEBRISKIND kind, std::int32_t mesh)
    : GAMENODE(field, "DEBRIS", KIND_DEBRIS, QNCF_BODY | QNCF_UPDATE | QNCF_LEVEL_GAME, 1, 0, nullptr, 0),
      Lifetime(RandomRange(kLifeMin, kLifeMax))
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
    SetState(1, 0, false, false);
}

void DEBRIS::Launch(const QNMATRIX& at, const QNVEC3& velocity, const QNVEC3& spin)
{
    SetTransform(at);
    SetState(3, 0, false, false);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetLinearVelocity(velocity);
        body->SetAngularVelocity(spin);
    }
    Thrown = true;
    Age.Restart();
}

void DEBRIS::Update()
{
    if (Thrown && !Delete && Age.Elapsed() >= Lifetime)
        RemoveNextFrame(this);
}

DEBRISFIELD::DEBRISFIELD(QNNODE* parent, DEBRISKIND kind, const QNMATRIX* transform)
    : GAMENODE(parent, "DEBRISFIELD", KIND_DEBRIS, QNCF_LEVEL_EMITTER | QNCF_UPDATE, 0, 2, transform, 0)
{
    const std::int32_t meshes = DEBRIS::MeshCount(kind);
    for (std::int32_t i = 0; i < kPieces; ++i)
        new DEBRIS(this, kind, meshes > 0 ? RoundToInt(RandomRange(0.0f, float(meshes - 1))) : 0);
    Clock.Restart();
}

void DEBRISFIELD::Update()
{
    if (Delete)
        return;
    if (!Thrown) {
        if (Clock.Elapsed() < kFirstBurst)
            return;
        Thrown = true;
        const QNMATRIX centre = GetWorldMatrix();
        for (QNCHILDWALK walk(this); QNITEM* child = walk.Advance();) {
            auto* piece = dynamic_cast<DEBRIS*>(child);
            if (!piece)
                continue;
            constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
            QNMATRIX turnX, turnY, offset;
            turnX.SetRotationX(RandomRange(-180.0f, 180.0f) * kDegree);
            turnY.SetRotationY(RandomRange(-180.0f, 180.0f) * kDegree);
            offset.SetTranslation(RandomRange(-kOffset, kOffset), RandomRange(-kOffset, kOffset), 0.0f);
            const QNMATRIX at = turnX * turnY * offset * centre;
            const QNVEC3 direction = at.Row(2).Normalize();
            const QNVEC3 spin(RandomRange(-kSpin, kSpin), RandomRange(-kSpin, kSpin), RandomRange(-kSpin, kSpin));
            piece->Launch(at, direction * RandomRange(kSpeedMin, kSpeedMax), spin);
        }
        return;
    }
    bool any = false;
    for (QNITEM* child = FirstChild(); child && !any; child = child->Next())
        any = dynamic_cast<DEBRIS*>(child) != nullptr;
    if (!any)
        RemoveNextFrame(this);
}

void DEBRISFIELD::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "debris");
    // Pieces fly through everything: no collision shapes.
    stationmedia::Mesh(r, "debris", DEBRIS::kStationMeshes, 0);
    stationmedia::Mesh(r, "collship_debris", DEBRIS::kShipMeshes, 0);
    r.AddMaterial("collship_debris");
}
