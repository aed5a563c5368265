#include "game/vehicles/chipper.h"

#include <algorithm>
#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/ore_cloud.h"
#include "game/vehicles/vehicle_frames.h"
#include "game/world/media_util.h"
#include "game/world/natural_object.h"
#include "game/world/station_media.h"

namespace {

constexpr std::uint32_t kChipperFlags = 0x200001c;
constexpr std::uint32_t kChunksFlags = 0x2000000;
constexpr std::uint32_t kChunkFlags = 0x100000c;
constexpr float kChunkDamping = 0.005f;
constexpr float kChunkScale = 500.0f;
constexpr float kChunkSpeedMin = 2.0f, kChunkSpeedMax = 6.0f;
constexpr float kChunkSpinMin = 5.0f, kChunkSpinMax = 10.0f;
constexpr std::int32_t kRockMeshes = 6;

QNVEC3 Turned(const QNVEC3& v, const QNMATRIX& world)
{
    return QNVEC3::TransformNormal(v, world);
}

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

CHIPPERLAUNCHER::CHIPPERLAUNCHER(QNNODE* ship, bool player, std::uint32_t ownerView)
    : SHIPWEAPON(ship, "CHIPPERLAUNCHER", WEAPON_CHIPPER, 4, player, ownerView)
{
    ReloadTimer.Init(0.0);
}

SHIPWEAPON* CHIPPERLAUNCHER::Make(QNNODE* ship, bool player, std::uint32_t ownerView)
{
    return new CHIPPERLAUNCHER(ship, player, ownerView);
}

void CHIPPERLAUNCHER::Update()
{
    if (!Ready && ReloadTimer.Elapsed() >= kReload) {
        Ready = true;
        Level = kLoaded;
    }
}

void CHIPPERLAUNCHER::Fire()
{
    if (!Ready || !Ship || Ship->Kind != KIND_COLLSHIP)
        return;
    QNNODE* root = Ship->FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!root)
        return;
    const QNMATRIX muzzle = vehicleframes::ChipperFrames()[Side ? 0 : 1] * Ship->GetWorldMatrix();
    auto* chipper = new CHIPPER(root, &muzzle, Ship);
    chipper->SetState(3, 0, false, false);
    Ready = false;
    Level = kSpent;
    ReloadTimer.Restart();
    chipper->SetTreeCollision(Ship, false);
    if (QNBODY* body = PhysicsBodyOf(chipper)) {
        // Along the muzzle: the new body's own matrix need not carry the ship's turn yet.
        const QNBODY* shipBody = PhysicsBodyOf(Ship);
        const QNVEC3 carried = shipBody ? shipBody->GetLinearVelocity() : QNVEC3(0, 0, 0);
        body->SetLinearVelocity(Turned(QNVEC3(0, 0, kSpeed), muzzle) + carried);
        body->AddTorque(Turned(QNVEC3(0, 0, -kSpin), muzzle));
    }
    Side = !Side;
}

CHIPPER::CHIPPER(QNNODE* parent, const QNMATRIX* transform, COLLSHIP* ship)
    : GAMENODE(parent, "CHIPPER", WEAPON_CHIPPER, kChipperFlags, 0, 0, transform, 0), Ship(ship)
{
    SetTexture("chipper");
    SetMesh("chipper");
    SetScale(kScale, 1.0f);
    FlightTimer.Init(0.0);
}

void CHIPPER::OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal)
{
    if (phase != 0 || Hit != CHIPPERHIT::FLYING || !other)
        return;
    if (point)
        HitPoint = QNVEC3(point[0], point[1], point[2]);
    if (normal)
        HitNormal = QNVEC3(normal[0], normal[1], normal[2]);
    if (other->Kind == kKindAsteroid) {
        Hit = CHIPPERHIT::ASTEROID;
    } else if (other->Kind == kKindOre) {
        Hit = CHIPPERHIT::ORE;
        Struck = other;
    } else {
        Hit = CHIPPERHIT::OTHER;
        HitTime = float(FlightTimer.Elapsed());
    }
}

void CHIPPER::LookAhead()
{
    // At 25 units a second the chipper moves several radii a frame, and a rock's triangles only
    // meet a sphere whose centre is still outside: a surface crossed between two frames would
    // never be touched. So the line the chipper covers in the next frame is tested here, and a
    // rock on it counts as the hit.
    const QNBODY* body = PhysicsBodyOf(this);
    if (!body)
        return;
    const QNVEC3 velocity = body->GetLinearVelocity();
    const float speed = velocity.Length();
    if (!(speed > 0.0f))
        return;
    const float step = std::min(std::max(QNAPP::dt, 0.0f), kMaxLookAheadStep);
    QNNODEHIT hits[kLookAheadHits];
    const int n = CastSegment(0.0f, speed * step + kLookAheadMargin, velocity * (1.0f / speed), kLookAheadHits, hits);
    const QNNODEHIT* nearest = nullptr;
    for (int i = 0; i < n && i < kLookAheadHits; ++i) {
        const QNNODEHIT& h = hits[i];
        if (h.Node && h.Node != this && (h.Node->Kind == kKindAsteroid || h.Node->Kind == kKindOre) &&
            (!nearest || h.Distance < nearest->Distance))
            nearest = &h;
    }
    if (nearest)
        OnContact(nearest->Node, 0, nearest->Point, nearest->Normal);
}

void CHIPPER::Update()
{
    if (Delete)
        return;
    if (Hit == CHIPPERHIT::FLYING)
        LookAhead();
    const double t = FlightTimer.Elapsed();
    if (Release && t < kReleaseTime) {
        SetTreeCollision(Ship.Get(), false);
        ReleaseSound.Play(this, "chipper_release");
        Release = false;
    } else if (!Release && t >= kReleaseTime) {
        SetTreeCollision(Ship.Get(), true);
        Release = true;
    }
    switch (Hit) {
    case CHIPPERHIT::FLYING:
    case CHIPPERHIT::OTHER:
        if (t >= kFlightTime || t >= double(HitTime) + kAfterHit)
            Remove();
        break;
    case CHIPPERHIT::ASTEROID:
    case CHIPPERHIT::ORE:
        Split();
        Remove();
        break;
    }
}

void CHIPPER::Remove()
{
    RemoveNode(this);
}

void CHIPPER::Split()
{
    QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!root)
        return;
    // The normal may come out of the contact unnormalised or, for a graze, as zero: fall back
    // to the flight direction reversed so the frame stays defined.
    QNVEC3 normal = HitNormal.Normalize();
    if (normal.Length() < 0.5f)
        normal = Turned(QNVEC3(0, 0, -1), GetWorldMatrix());
    QNMATRIX frame;
    const QNVEC3 up = std::fabs(normal.y) > 0.999f ? QNVEC3(1, 0, 0) : QNVEC3(0, 1, 0);
    frame.SetLookAt(HitPoint, HitPoint + normal, up);

    ORE* ore = Hit == CHIPPERHIT::ORE ? dynamic_cast<ORE*>(Struck.Get()) : nullptr;
    auto* cloud = new CLOUD(root, &frame, ore ? Ship.Get() : nullptr, ore);
    cloud->SetState(3, 0, false, true);
    if (QNBODY* body = PhysicsBodyOf(cloud))
        body->AddForce(Turned(QNVEC3(0, 0, kCloudPush), cloud->GetWorldMatrix()));

    const char* texture = ore ? "ore" : "asteroid";
    const std::int32_t index = ore ? std::int32_t(ore->OreColour) : 0;
    auto* chunks = new CHUNKS(root, &frame);
    for (std::int32_t i = 0; i < kSmallChunks; ++i)
        new CHUNK(chunks, texture, index, std::int32_t(RandomRange(0.0f, 2.9999f)));
    for (std::int32_t i = 0; i < kLargeChunks; ++i)
        new CHUNK(chunks, texture, index, std::int32_t(RandomRange(3.0f, 5.9999f)));
    chunks->SetState(3, 0, false, true);
    chunks->Sound.Play(chunks, "chipper_asteroid");
}

CHUNKS::CHUNKS(QNNODE* parent, const QNMATRIX* transform)
    : QNEMITTER(parent, "CHUNKS", KIND_CHUNK, kChunksFlags, 0, 2, transform)
{
    RemoveWhenSpent = 1;
    IntervalMin = IntervalMax = kInterval;
    EmitTimer.Init(kInterval);
    AngleX = AngleY = kSpread;
    OffsetX = OffsetY = kOffset;
    SpeedMin = kChunkSpeedMin;
    SpeedMax = kChunkSpeedMax;
    SpinMin = kChunkSpinMin;
    SpinMax = kChunkSpinMax;
    PerEmission = kBurst;
}

CHUNK::CHUNK(QNEMITTER* chunks, const char* texture, std::int32_t textureIndex, std::int32_t mesh)
    : QNEFFECTNODE(chunks, "CHUNK", KIND_CHUNK, kChunkFlags, 0), Lifetime(RandomRange(kLifeMin, kLifeMax))
{
    SetTexture(texture, textureIndex);
    SetMesh("rock", mesh);
    SetScale(kChunkScale, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetLinearDamping(kChunkDamping);
}

void CHUNK::Update()
{
    if (!Delete && Age() >= Lifetime)
        RemoveNode(this);
}

void CHIPPER::LoadResources(QNRESOURCES& r)
{
    stationmedia::Sound(r, "chipper_asteroid", 1, 200.0f, 600.0f);
    stationmedia::Sound(r, "chipper_release", 1, 1.0f, 100.0f);
    stationmedia::Texture(r, "chipper");
    // A sphere is enough for a projectile this small and collides with every rock shape.
    stationmedia::Mesh(r, "chipper", 1, QNCOLLGEOM::SPHERE);
    // Chunks are scenery: no collision shapes, so fourteen pieces leaving one point never jam.
    if (!r.Meshes.FindChild("rock"))
        stationmedia::Mesh(r, "rock", kRockMeshes, QNCOLLGEOM::NONE);
    if (!r.Textures.FindChild("chipper_dust"))
        stationmedia::Texture(r, "chipper_dust");
    stationmedia::Quad(r, "chipper_dust", 10.0f, 10.0f);
    stationmedia::Quad(r, "chipper_dust_small", 5.0f, 5.0f);
}
