#include "game/vehicles/neutron_beam.h"

#include <algorithm>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/vehicles/weapon_line.h"

namespace {

constexpr float kHalfPi = 1.5707964f;
constexpr float kFlickerMin = 0.01f, kFlickerMax = 0.1f;
constexpr float kRingMin = 0.1f, kRingMax = 0.5f;
constexpr float kRingStart = 2.5f;
constexpr float kRingPush = 3.0f;
// A gap between updates this long is a stall; it counts as kStallStep of beam time.
constexpr float kStall = 0.5f, kStallStep = 0.01f;
constexpr float kSegmentWidth = 5.0f, kSegmentHeight = 3.0f;
// Cells of the beam texture: 0-3 beam pieces, 4-7 end pieces.
constexpr int kPieceCells = 4;

int RandomCell(int first, int count)
{
    return std::clamp(int(RandomRange(float(first), float(first + count) - 0.00001f)), first, first + count - 1);
}

}  // namespace

NEUTRONBEAM::NEUTRONBEAM(QNNODE* parent, const QNMATRIX* transform)
    : GAMENODE(parent, "NEUTRONBEAM", kKind, 0x100000c, 0, 1, transform, 0)
{
    SetScale(100.0f, 1.0f);
    SetState(1, 1, false, false);
    Segments = new GAMENODE(this, "SEGMENTS", kKind, 0, 0, 1, nullptr, 0);
    Rings = new GAMENODE(this, "RINGS", kKind, 0, 0, 1, nullptr, 0);
    // The groups follow the beam; the segments and rings vote for themselves.
    Segments->SetState(3, 0, false, false);
    Rings->SetState(3, 0, false, false);
    for (std::uint32_t i = 0; i < kSegments; ++i)
        Segment[i] = new SEGMENT(Segments, i);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetAngularVelocity(QNVEC3::TransformNormal(QNVEC3(0, 0, kSpin), GetLocalMatrix()));
    FlickerTimer.Init(0.0);
    SegmentTimer.Init(0.0);
    DamageClock.Init(0.0);
    RingTimer.Init(0.0);
}

void NEUTRONBEAM::SetOn(bool on)
{
    if (!on) {
        On = false;
        SetState(1, 1, false, false);
        return;
    }
    if (On)
        return;
    SetState(3, 1, false, false);
    On = true;
    FlickerInterval = RandomRange(kFlickerMin, kFlickerMax);
    FlickerTimer.Restart();
    SegmentTimer.Restart();
    DamageClock.Restart();
}

void NEUTRONBEAM::Update()
{
    if (!On) {
        Length = 0.0f;
        return;
    }
    float dt = float(DamageClock.Elapsed());
    if (dt >= kStall)
        dt = kStallStep;
    const QNMATRIX world = GetWorldMatrix();
    // The beam hangs under its weapon, which hangs under the firing ship.
    const QNNODE* weapon = ParentNode();
    const QNNODE* ship = weapon ? weapon->ParentNode() : nullptr;
    QNNODEHIT hit;
    if (NearestWeaponHit(this, world.Row(2).Normalize(), kLength, ship, hit)) {
        Length = hit.Distance;
        if (OnHit)
            OnHit(hit, dt);
    } else {
        Length = kLength;
    }
    AnimateSegments();
    SpawnRings();
    DamageClock.Restart();
}

std::uint32_t NEUTRONBEAM::EndIndex() const
{
    const float l = std::max(Length, 0.0f);
    return std::min(std::uint32_t(l / kSegmentStep) + 1, kSegments - 1);
}

void NEUTRONBEAM::AnimateSegments()
{
    const bool newCells = SegmentTimer.Elapsed() >= kCellPeriod;
    if (newCells)
        SegmentTimer.Restart();
    const std::uint32_t n = EndIndex();
    for (std::uint32_t i = 0; i < kSegments; ++i) {
        SEGMENT* s = Segment[i];
        s->EndPiece = i == n;
        if (newCells)
            ShowTextureCell(s, std::uint32_t(s->EndPiece ? RandomCell(kPieceCells, kPieceCells) : RandomCell(0, kPieceCells)));
        s->SetState(i <= n ? 3 : 2, 0, false, false);
    }
    if (FlickerTimer.Elapsed() > FlickerInterval) {
        SetState(State != 3 ? 3 : 2, 0, false, false);
        FlickerInterval = RandomRange(kFlickerMin, kFlickerMax);
        FlickerTimer.Restart();
    }
}

void NEUTRONBEAM::SpawnRings()
{
    if (RingTimer.Elapsed() < RingInterval)
        return;
    QNMATRIX at;
    at.SetTranslation(0.0f, 0.0f, kRingStart);
    auto* ring = new RING(this, &at);
    ring->SetState(3, 0, false, true);
    if (QNBODY* body = PhysicsBodyOf(ring))
        body->AddForce(QNVEC3(0.0f, 0.0f, kRingPush));
    ++RingsSent;
    RingInterval = RandomRange(kRingMin, kRingMax);
    RingTimer.Restart();
}

NEUTRONBEAM::SEGMENT::SEGMENT(QNNODE* parent, std::uint32_t index)
    : GAMENODE(parent, "SEGMENT", NEUTRONBEAM::kKind, 0x1000000, 0, 1, nullptr, 0)
{
    QNMATRIX yaw, roll, at;
    yaw.SetRotationY(-kHalfPi);
    roll.SetRotationZ(kHalfPi);
    at.SetTranslation(0.0f, 0.0f, kSegmentSpacing * float(index));
    SetTransform(yaw * roll * at);
    SetMaterial("em2_beam");
    SetColour("fullbright");
    SetTexture("em2_beam");
    BuildCellSquare(this, kSegmentWidth, kSegmentHeight);
}

NEUTRONBEAM::RING::RING(NEUTRONBEAM* beam, const QNMATRIX* transform)
    : GAMENODE(beam->Rings, "RING", NEUTRONBEAM::kKind, 0x100000c, 0, 1, transform, 0), Beam(beam)
{
    SetMaterial("em2_beam");
    SetColour("fullbright");
    SetTexture("em2_beam_ring");
    SetMesh("em2_beam_ring");
    SetScale(100.0f, 1.0f);
}

void NEUTRONBEAM::RING::Update()
{
    if (Delete || !Beam)
        return;
    const float run = (GetWorldMatrix().Translation() - Beam->GetWorldMatrix().Translation()).Length();
    if (run >= Beam->Length) {
        ReleaseMesh();
        ScheduleOnce();
        Delete = 1;
    }
}
