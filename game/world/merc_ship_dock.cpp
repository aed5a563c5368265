#include "game/world/merc_ship_dock.h"

#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_bounds.h"
#include "game/world/station_media.h"
#include "game/world/station_weapon.h"

MERCSHIPDOCK::MERCSHIPDOCK(QNNODE* parent, std::int32_t connector, std::uint32_t view)
    : STATIONPART(parent, "MERCSHIPDOCK", KIND_MERCSHIPDOCK, 0, false, 0, view)
{
    SetTexture("mercshipdock");
    SetMesh("mercshipdock");
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_BACK);
    if (auto* part = dynamic_cast<STATIONPART*>(parent); part && connector >= 0)
        AttachTo(part, connector, 0);
    QNMATRIX at;
    at.SetTranslation(-0.0365f, 4.895f, -1.0f);
    Radar = new GAMENODE(this, "RADAR", KIND_MERCSHIPDOCK, QNCF_LEVEL_PLAIN | QNCF_BODY, QNUF_PAIR_PARENT, 5, &at, 0);
    Radar->SetTexture("mercshipdock");
    Radar->SetMesh("mercshipdock_radar");
    Radar->SetScale(kRadarMass, 1.0f);
    QNMATRIX upright, back;
    upright.SetRotationX(Radians(-90.0f));
    back.SetTranslation(0, 0, -0.328f);
    const QNMATRIX hinge = upright * back;
    Radar->CreateJoint(QNJOINT_HINGE, &hinge);
    Radar->SetJointMotor(kRadarSpeed, kMotorForce);
}

void MERCSHIPDOCK::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "mercshipdock", 2);
    stationmedia::Mesh(r, "mercshipdock");
    stationmedia::Mesh(r, "mercshipdock_radar");
}

void MERCSHIPDOCK::Refresh()
{
    Radar->ActivateJointMotor(IsOperating());
    if (!IsOperating())
        StopMotion(true, QNCF_LEVEL_GAME);
}

void MERCSHIPDOCK::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    Refresh();
}

void MERCSHIPDOCK::SetPowered(bool on)
{
    if (on == Powered)
        return;
    STATIONPART::SetPowered(on);
    Refresh();
}

void MERCSHIPDOCK::Update()
{
    STATIONPART::Update();
    if (!roomMade_)
        MakeRoom();
    if (!separated_)
        separated_ = SeparateFromSupport(this);
}

void MERCSHIPDOCK::MakeRoom()
{
    // Grown once placed, so the checked placement tests the dock's own shape; from then on the
    // planner and later parts keep clear of the ships' room.
    roomMade_ = true;
    QNBOX box;
    GetLocalBox(box, true);
    box.min = box.min - QNVEC3(kShipRoom, 0.0f, kShipRoom);
    box.max = box.max + QNVEC3(kShipRoom, kShipHeadroom, kShipRoom);
    if (!Bounds)
        Bounds = new QNNODEBOUNDS;
    Bounds->LocalBox = box;
    Bounds->WorldBox = box.Transform(GetWorldMatrix());
    if (ObstacleBox)
        SetObstacleView(ObstacleView);
}

void MERCSHIPDOCK::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("mercshipdock", on ? 1 : 0);
    Radar->SetTexture("mercshipdock", on ? 1 : 0);
}
