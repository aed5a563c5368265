#include "game/world/neutron_emitter.h"

#include <algorithm>
#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/render/qncolour.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "game/world/station_media.h"

NEUTRONEMITTER::NEUTRONEMITTER(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : STATIONWEAPON(parent, "NEUTRONEMITTER", KIND_NEUTRONEMITTER, QNCF_BODY, view, targets)
{
    SetTexture("neutronemitter");
    SetMesh("neutronemitter");
    SetSound("neutronemitter");
    StandOnConnector(parent, connector, kMass, kAngularDamping);
    QNMATRIX hinge;
    hinge.SetRotationX(Radians(-90.0f));
    HangOnHinge(hinge, RandomRange(0.0f, 1.0f) < 0.5f ? kTurnSpeed : -kTurnSpeed, kMotorForce);

    Gun = MakeMovingChild(this, "PROJECTOR", QNCF_LEVEL_PLAIN, QNUF_PAIR_BODY, QNMATRIX::MakeTranslation(0, 1.33f, 0.62f), "neutronemitter",
                          "neutronemitter_projector", kProjectorMass, kProjectorDamping);
    QNMATRIX pitch;
    pitch.SetRotationY(Radians(90.0f));
    Gun->CreateJoint(QNJOINT_HINGE, &pitch);
    Gun->SetJointLimits(Radians(-85.0f), Radians(30.0f));
    Gun->DriveJoint(Radians(-80.0f), Radians(30.0f), 0.25f, Radians(10.0f), 100.0f, 0.01f);
    Gun->ActivateJointMotor(false);
    Beam = new NEUTRONBEAM(Gun);
    FireTimer.Restart();
}

void NEUTRONEMITTER::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "neutronemitter", 2);
    stationmedia::Mesh(r, "neutronemitter");
    stationmedia::Mesh(r, "neutronemitter_projector");
    stationmedia::Texture(r, "neutronemitter_beam", 1, 4, 2);
    stationmedia::Mesh(r, "neutronemitter_beam", 1, 0);
    stationmedia::Sound(r, "neutronemitter", 1, 10.0f, 300.0f);
    r.AddMaterial("neutronemitter_beam", "alpha");
}

void NEUTRONEMITTER::SetHighlight(bool on)
{
    STATIONWEAPON::SetHighlight(on);
    SetTexture("neutronemitter", on ? 1 : 0);
    Gun->SetTexture("neutronemitter", on ? 1 : 0);
}

void NEUTRONEMITTER::SetActive(bool on)
{
    const bool was = IsOperating();
    STATIONWEAPON::SetActive(on);
    if (!was && IsOperating() && Tolerance == 0)
        FireTimer.Restart();
}

void NEUTRONEMITTER::SetPowered(bool on)
{
    const bool was = IsOperating();
    STATIONWEAPON::SetPowered(on);
    if (!was && IsOperating() && Tolerance == 0)
        FireTimer.Restart();
}

bool NEUTRONEMITTER::IsReadyToFire()
{
    const DAMAGEABLE* target = Target();
    return target && NodeDistance(this, target) <= kBeamReach && IsOperating() && FireTimer.Elapsed() >= kReload;
}

bool NEUTRONEMITTER::Fire()
{
    if (!Beam->Start())
        return false;
    PlaySound(1);
    FireTimer.Restart();
    ++Shots;
    return true;
}

float NEUTRONEMITTER::AimAngle(const DAMAGEABLE* target) const
{
    QNBOX box;
    target->GetLocalBox(box, true);
    const QNVEC3 size = box.max - box.min;
    const float half = 0.5f * std::min(std::fabs(size.x), std::min(std::fabs(size.y), std::fabs(size.z)));
    const float distance = std::max(NodeDistance(Gun, target), 1.0f);
    return std::min(std::atan2(kHitShare * half, distance), kMaxAimAngle);
}

bool NEUTRONEMITTER::Track()
{
    const DAMAGEABLE* target = Target();
    if (!target)
        return false;
    const QNVEC3 point = target->GetWorldMatrix().Translation();
    const QNVEC3 gain(kSteerGain, kSteerGain, kSteerGain);
    SteerTowards(point, gain, kSlowAngle, kFineAngle);
    Gun->SteerTowards(point, gain, kSlowAngle, kFineAngle);
    const QNVEC3 local = DirectionInFrame(Gun, point);
    return std::acos(std::clamp(local.z, -1.0f, 1.0f)) <= AimAngle(target);
}

NEUTRONEMITTER::NEUTRONBEAM::NEUTRONBEAM(QNNODE* parent)
    : GAMENODE(parent, "NEUTRONBEAM", KIND_NEUTRONEMITTER, QNCF_LEVEL_GAME | QNCF_UPDATE, 0, 1, nullptr, 0),
      Home(QNMATRIX::MakeTranslation(0, 0, 4.0f))
{
    SetLocalTransform(Home);
    QNMATRIX turn;
    turn.SetRotationY(Radians(90.0f));
    for (std::uint32_t k = 0; k < kSegments; ++k) {
        const QNMATRIX at = turn * QNMATRIX::MakeTranslation(0, 0, kSegmentStep * float(k));
        GAMENODE* s = Segments[k] = new GAMENODE(this, "SEGMENT", KIND_NEUTRONEMITTER, QNCF_LEVEL_PLAIN, 0, 1, &at, 0);
        s->SetMaterial("neutronemitter_beam");
        s->SetTexture("neutronemitter_beam");
        s->SetMesh("neutronemitter_beam");
        s->SetOwnColour();
        s->OwnColour->SetColour(0.8f, 0.8f, 1.0f, 1.0f);
        CellTimers[k].Init(kCellTime);
    }
    SetVote(2, 0, true);
}

bool NEUTRONEMITTER::NEUTRONBEAM::Start()
{
    if (Firing)
        return false;
    Firing = true;
    FlickerInterval = RandomRange(kFlickerMin, kFlickerMax);
    Flicker.Restart();
    Duration.Restart();
    DamageStep.Restart();
    return true;
}

void NEUTRONEMITTER::NEUTRONBEAM::Update()
{
    double step = DamageStep.Elapsed();
    if (step >= 0.5)
        step = 0.01;
    DamageStep.Restart();
    if (!Firing) {
        // A part shown as a whole shows its beam too: it stays hidden until a shot.
        if (State == 3)
            SetState(2, 0, false, true);
        return;
    }
    SetState(3, 0, false, true);
    Angle = std::fmod(Angle + kSpin * QNAPP::dt, 6.2831855f);
    QNMATRIX spin;
    spin.SetRotationZ(Angle);
    SetLocalTransform(spin * Home);

    QNNODEHIT hit;
    const QNVEC3 along = GetWorldMatrix().Row(2).Normalize();
    Length = kBeamReach;
    if (CastSegment(kNear, kBeamReach, along, 1, &hit) > 0) {
        // Distances count from the segment's start, one unit out.
        Length = kNear + hit.Distance;
        if (IsVehicleNode(hit.Node))
            if (auto* victim = DamageableOf(hit.Node))
                victim->DamageElectronic(kBurn * float(step), 1, 1);
    }
    const std::uint32_t n = std::uint32_t(Length / kSegmentLength) + 1;
    Shown = 0;
    for (std::uint32_t k = 0; k < kSegments; ++k) {
        GAMENODE* s = Segments[k];
        if (k <= n) {
            EndSegment[k] = k == n;
            s->SetState(3, 0, false, false);
            ++Shown;
            if (CellTimers[k].PeriodsElapsed() > 0) {
                const float first = EndSegment[k] ? 4.0f : 0.0f;
                stationmedia::ShowCell(s, std::uint32_t(RandomRange(first, first + 3.999f)));
            }
        } else {
            if (s->State != 3)
                break;
            EndSegment[k] = false;
            s->SetState(2, 0, false, false);
        }
    }
    if (Duration.Elapsed() <= kBeamTime) {
        if (Flicker.Elapsed() > FlickerInterval) {
            SetState(State == 3 ? 2 : 3, 0, false, false);
            FlickerInterval = RandomRange(kFlickerMin, kFlickerMax);
            Flicker.Restart();
        }
    } else {
        Firing = false;
        SetState(2, 0, false, true);
    }
}
