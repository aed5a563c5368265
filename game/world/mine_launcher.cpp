#include "game/world/mine_launcher.h"

#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "engine/util/qnmath.h"
#include "game/world/station_media.h"

MINELAUNCHER::MINELAUNCHER(QNNODE* parent, std::int32_t connector, std::uint32_t view)
    : STATIONPART(parent, "MINELAUNCHER", KIND_MINELAUNCHER, QNCF_BODY, false, 0, view)
{
    SetTexture("minelauncher");
    SetMesh("minelauncher");
    SetSound("minelauncher");
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_LEFT);
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_BACK);
    if (auto* part = dynamic_cast<STATIONPART*>(parent); part && connector >= 0)
        AttachTo(part, connector, 0);
    SetScale(kMass, 1.0f);
    QNMATRIX hinge;
    hinge.SetRotationX(Radians(-90.0f));
    CreateJoint(QNJOINT_HINGE, &hinge);
    SetJointMotor(RandomRange(0.0f, 1.0f) < 0.5f ? kTurnSpeed : -kTurnSpeed, kMotorForce);
    const QNMATRIX world = GetWorldMatrix();
    // Deep enough in z for the turning launcher's corners.
    QNBOX box;
    GetLocalBox(box, true);
    box.min.z *= kBoxWidening;
    box.max.z *= kBoxWidening;
    if (!Bounds)
        Bounds = new QNNODEBOUNDS;
    Bounds->LocalBox = box;
    Bounds->WorldBox = box.Transform(world);
    Inverse = world.Inverse();
    for (std::uint32_t k = 0; k < kSlots; ++k) {
        QNMATRIX turn;
        turn.SetRotationY(Radians(-kSlotAngle * float(k)));
        Parking[k] = QNVEC3::TransformCoord(QNVEC3::TransformCoord(QNVEC3(0, 0, kParkRadius), turn), world);
    }
    LaunchTimer.Restart();
}

MINELAUNCHER::~MINELAUNCHER()
{
    DeleteMines();
}

void MINELAUNCHER::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "minelauncher", 2);
    stationmedia::Mesh(r, "minelauncher");
    stationmedia::Sound(r, "minelauncher", 1, 10.0f, 200.0f);
    stationmedia::Texture(r, "mine");
    stationmedia::Mesh(r, "mine", 1, 2);
    stationmedia::Mesh(r, "mine_sensor", 1, 2);
}

void MINELAUNCHER::DeleteMines()
{
    for (QNWEAK<MINE>& slot : Slots) {
        if (MINE* mine = slot.Get())
            QNITEM::Destroy(mine);
        slot = nullptr;
    }
}

void MINELAUNCHER::RefreshMotor()
{
    ActivateJointMotor(IsOperating());
    if (!IsOperating())
        StopMotion(true, QNCF_LEVEL_GAME);
}

void MINELAUNCHER::SetActive(bool on)
{
    STATIONPART::SetActive(on);
    RefreshMotor();
}

void MINELAUNCHER::SetPowered(bool on)
{
    STATIONPART::SetPowered(on);
    RefreshMotor();
}

void MINELAUNCHER::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("minelauncher", on ? 1 : 0);
}

float MINELAUNCHER::TurnAngle() const
{
    const QNMATRIX turn = GetWorldMatrix() * Inverse;
    const QNVEC3 z = turn.Row(2);
    const float degrees = std::atan2(z.x, z.z) * 57.29578f - 90.0f;
    return WrapFloat(degrees, 0.0f, 360.0f);
}

void MINELAUNCHER::Update()
{
    STATIONPART::Update();
    if (!separated_)
        separated_ = SeparateFromSupport(this);
    if (IsDestroyed() || Delete || Removal != REMOVALSTATE::NONE) {
        DeleteMines();
        return;
    }
    for (QNWEAK<MINE>& slot : Slots) {
        const MINE* mine = slot.Get();
        if (mine && (mine->MineState == MINESTATE::EXPLODED || mine->MineState == MINESTATE::REMOVED))
            slot = nullptr;
    }
    if (!IsOperating())
        return;
    const float angle = TurnAngle();
    Slot = std::uint32_t(angle / kSlotAngle) % kSlots;
    if (LaunchTimer.Elapsed() >= kLaunchInterval && !Slots[Slot].Get() &&
        std::fabs(angle - kSlotAngle * float(Slot)) <= kSlotWindow) {
        Fire();
        LaunchTimer.Restart();
    }
}

bool MINELAUNCHER::Fire()
{
    QNNODE* scene = SceneLevelOf(this);
    if (!scene)
        return false;
    PlaySound(1);
    QNMATRIX up, out;
    out.SetTranslation(0, 0, 0.7f);
    up.SetRotationX(Radians(-90.0f));
    auto* mine = new MINE(scene, out * up * GetWorldMatrix(), this, ViewIndex);
    Slots[Slot] = mine;
    mine->SetState(3, 0, false, true);
    SetTreeCollision(mine, false);
    if (QNBODY* body = PhysicsBodyOf(mine))
        body->AddTorque(QNVEC3::TransformNormal(QNVEC3(0, kKick, 0), GetWorldMatrix()));
    mine->ParkingPoint = Parking[Slot];
    mine->MineState = MINESTATE::LEAVING;
    ++Launches;
    return true;
}
