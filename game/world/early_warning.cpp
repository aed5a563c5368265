#include "game/world/early_warning.h"

#include "engine/physics/qnphysworld.h"
#include "game/world/station_media.h"
#include "game/world/station_weapon.h"
#include "game/world/target_list.h"

namespace {

GAMENODE* Moving(QNNODE* parent, const char* name, const QNMATRIX& at, const char* mesh, float mass)
{
    auto* node = new GAMENODE(parent, name, KIND_EARLYWARNING, QNCF_LEVEL_PLAIN | QNCF_BODY, QNUF_PAIR_BODY, 5, &at, 0);
    node->SetTexture("earlywarning");
    node->SetMesh(mesh);
    node->SetScale(mass, 1.0f);
    return node;
}

}  // namespace

EARLYWARNING::EARLYWARNING(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets)
    : STATIONPART(parent, "EARLYWARNING", KIND_EARLYWARNING, QNCF_BODY, false, 0, view)
{
    SetTexture("earlywarning");
    SetMesh("earlywarning");
    SetSound("earlywarning");
    AddConnector(FACE_BOTTOM);
    AddConnector(FACE_LEFT);
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_BACK);
    if (auto* part = dynamic_cast<STATIONPART*>(parent); part && connector >= 0)
        AttachTo(part, connector, 0);
    QNMATRIX upright;
    upright.SetRotationX(Radians(90.0f));
    CreateJoint(QNJOINT_HINGE, &upright);
    SetJointMotor(kTurnSpeed, kMotorForce);

    QNMATRIX across, back;
    across.SetRotationY(Radians(90.0f));
    back.SetRotationY(Radians(180.0f));
    const QNMATRIX wingAt[2] = {QNMATRIX::MakeTranslation(0, 3.213f, 0.279f), back * QNMATRIX::MakeTranslation(0, 3.213f, 0.279f)};
    for (int i = 0; i < 2; ++i) {
        Wings[i] = Moving(this, "WING", wingAt[i], "earlywarning_wing", kChildMass);
        Wings[i]->CreateJoint(QNJOINT_HINGE, &across);
        Wings[i]->DriveJoint(-kWingSweep, kWingSweep, kWingSpeed, kWingRange, kMotorForce, 0.01f);
        Wings[i]->ActivateJointMotor(false);
    }
    Dish = new DISH(this, QNMATRIX::MakeTranslation(0.063f, 2.99f, 0.35f), targets);
    QNMATRIX spin;
    spin.SetRotationX(Radians(90.0f));
    const QNMATRIX dishHinge = spin * QNMATRIX::MakeTranslation(-0.063f, 0, -0.35f);
    Dish->CreateJoint(QNJOINT_HINGE, &dishHinge);
    Dish->SetJointMotor(kDishSpin, kMotorForce);
    SetScale(kMass, 1.0f);
}

void EARLYWARNING::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "earlywarning", 2);
    stationmedia::Mesh(r, "earlywarning");
    stationmedia::Mesh(r, "earlywarning_wing");
    stationmedia::Mesh(r, "earlywarning_dish");
    stationmedia::Sound(r, "earlywarning", 1, 6.0f, 50.0f);
    stationmedia::Sound(r, "intruder_alarm", 1, 1.0f, 100.0f);
}

void EARLYWARNING::Refresh()
{
    const bool on = IsOperating();
    ActivateJointMotor(on);
    for (GAMENODE* wing : Wings)
        wing->ActivateJointMotor(on);
    Dish->ActivateJointMotor(on);
    Dish->Enabled = on;
    if (on) {
        PlaySound(-1);
    } else {
        StopMotion(true, QNCF_LEVEL_GAME);
        StopSound();
    }
}

void EARLYWARNING::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    Refresh();
}

void EARLYWARNING::SetPowered(bool on)
{
    if (on == Powered)
        return;
    STATIONPART::SetPowered(on);
    Refresh();
}

void EARLYWARNING::Update()
{
    STATIONPART::Update();
    if (!separated_)
        separated_ = SeparateFromSupport(this);
}

void EARLYWARNING::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    const int v = on ? 1 : 0;
    SetTexture("earlywarning", v);
    for (GAMENODE* wing : Wings)
        wing->SetTexture("earlywarning", v);
    Dish->SetTexture("earlywarning", v);
}

EARLYWARNING::DISH::DISH(QNNODE* parent, const QNMATRIX& at, TARGETLIST* targets)
    : GAMENODE(parent, "DISH", KIND_EARLYWARNING, QNCF_LEVEL_PLAIN | QNCF_BODY | QNCF_UPDATE, QNUF_PAIR_BODY, 5, &at,
               0),
      Targets(targets)
{
    SetTexture("earlywarning");
    SetMesh("earlywarning_dish");
    SetSound("intruder_alarm");
    SetScale(EARLYWARNING::kChildMass, 1.0f);
}

void EARLYWARNING::DISH::Update()
{
    if (!Enabled || !Targets)
        return;
    const std::uint32_t count = Targets->Count();
    if (count > LastCount) {
        PlaySound(1);
        ++Alarms;
    }
    LastCount = count;
}
