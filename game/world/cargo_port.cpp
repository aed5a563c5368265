#include "game/world/cargo_port.h"

#include <numbers>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/glow.h"
#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "game/world/ore_processor.h"
#include "game/world/ore_storage.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "game/world/station_media.h"

CARGOLINKS CargoLinks;

CARGOFREIGHTER* FreighterOf(GAMENODE* node)
{
    return dynamic_cast<CARGOFREIGHTER*>(node);
}

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
constexpr float kLightSize = 0.5f;
// The lights shine out of the port; a wide cone so that they read from most angles.
constexpr float kLightCone = 90.0f * kDegree;
constexpr float kLightFade = 12.5f * kDegree;
// Which blink value lights each lamp: red lamps 0 and 1 and the white ones on 0, red 2 and 3 on 2.
constexpr std::int32_t kLightPhase[CARGOPORT::kLights] = {0, 0, 2, 2, 0, 0};
const QNVEC3 kLightAt[CARGOPORT::kLights] = {
    {-2.85f, -4.39f, -0.32f}, {2.85f, -4.39f, -0.32f}, {-2.85f, -4.39f, -9.92f},
    {2.85f, -4.39f, -9.92f},  {-3.26f, 3.36f, -9.92f}, {3.26f, 3.36f, -9.92f},
};

// Holding the freighter at its berth: pull to the recorded position, turn to the recorded
// heading, with a strong angular damping while held and the flight damping after. The pull is
// a tenth of the 450 first thought of: that stiff a spring on the freighter's mass diverges at
// 20 frames a second.
constexpr float kHoldPull = 45.0f, kHoldSlow = 1.0f, kHoldTolerance = 0.001f;
constexpr float kHoldTurnGain = 5.0f, kHoldTurnSlow = 10.0f * kDegree, kHoldTurnTolerance = 1.0f * kDegree;
// Held, the turn is damped hard, but not beyond what one step of 1/20 s can take on the
// freighter's inertia (a damping of 10 reverses and grows the spin each step at 20 frames a
// second).
constexpr float kHoldAngularDamping = 2.5f, kFlightAngularDamping = 5.0f;
// Pods: pushed from point to point of their path.
constexpr float kPodPush = 2.0f, kPodSlow = 1.0f, kPodTolerance = 0.01f;
constexpr std::uint32_t kPodFlags = QNCF_LEVEL_PLAIN | QNCF_BODY;

QNMATRIX At(const QNVEC3& p, float aboutY = 0.0f)
{
    QNMATRIX r, t;
    r.SetRotationY(aboutY);
    t.SetTranslationV(p);
    return r * t;
}

template <class PART>
STATIONPART* Make(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new PART(parent, connector, station.ViewIndex, false);
}

STATIONPART* MakeProcessor(STATION& station, STATIONPART* parent, std::int32_t connector, std::uint32_t)
{
    return new PROCESSOR(parent, connector, station.ViewIndex, false, true);
}

}  // namespace

CARGOPOD::CARGOPOD(QNNODE* parent, const QNMATRIX* transform, float value)
    : GAMENODE(parent, "CARGOPOD", kKind, kPodFlags, 0, 0, transform, 0), Value(value)
{
    SetTexture("cargopod");
    SetMesh("cargopod");
    SetScale(kScale, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetLinearDamping(kLinearDamping);
}

QNVEC3 CARGOPORT::Waypoint(int n)
{
    switch (n) {
    case 1:
        return QNVEC3(20.0f, -3.0f, -5.0f);
    case 2:
        return QNVEC3(1.3f, -3.0f, -5.0f);
    case 3:
        return QNVEC3(-20.0f, -3.0f, -5.0f);
    default:
        return QNVEC3(-250.0f, -3.0f, -4.7f);
    }
}

CARGOPORT::CARGOPORT(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible)
    : STATIONPART(parent, "CARGOPORT", KIND_CARGOPORT, 0, indestructible, 0, view)
{
    SetTexture("cargoport");
    SetMesh("cargoport");
    AddConnector(FACE_FRONT, QNVEC3(0.0f, -2.0f, 0.0f));
    if (parent)
        AttachTo(parent, connector, 0);
    freighterTimer_.Init(0.0);
    phaseTimer_.Init(0.0);
}

void CARGOPORT::CreateLights()
{
    if (pending_)
        return;
    SetTexture("cargoport", 0);
    const QNMATRIX world = World();
    for (int i = 0; i < kLights; ++i) {
        const QNMATRIX at = At(kLightAt[i], 180.0f * kDegree) * world;
        const char* texture = i < 4 ? "headq_glow_red" : "headq_glow_white";
        auto* glow = new QNGLOW(this, &at, kLightCone, kLightFade, kLightSize, "cargoport_glow", texture);
        lights_[i] = glow;
    }
    const QNMATRIX identity;
    pending_ = new GAMENODE(this, "PENDINGPODS", CARGOPOD::kKind, QNCF_LEVEL_GAME, 0, 1, &identity, 0);
    pending_->SetState(3, 0, false, false);
    // Room for the freighter: its lane lies inside the port's box, so no other part is built
    // across it and the planner lets the freighter into it.
    if (!Bounds)
        Bounds = new QNNODEBOUNDS;
    QNBOX box;
    GetLocalBox(box, true);
    box.min = box.min - QNVEC3(kRoomX, kRoomY, kRoomZ);
    box.max = box.max + QNVEC3(kRoomX, kRoomY, 0.0f);
    Bounds->LocalBox = box;
    Bounds->WorldBox = box.Transform(world);
    if (ObstacleBox)
        SetObstacleView(ObstacleView);
    blink_.Start();
}

bool CARGOPORT::CallFreighter()
{
    if (!IsOperating() || freighter_ || phase_ != FREIGHTERPHASE::NONE || !CargoLinks.CreateFreighter)
        return false;
    QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!root)
        return false;
    QNVEC3 siteCentre = root->GetWorldMatrix().Translation();
    for (QNNODE* n = ParentNode(); n; n = n->ParentNode())
        if (n->Kind == kKindSite) {
            siteCentre = n->GetWorldMatrix().Translation();
            break;
        }
    const QNMATRIX world = World();
    const QNMATRIX start = At(SpawnPoint(), -90.0f * kDegree) * world;
    QNVEC3 waypoints[4];
    for (int i = 0; i < 4; ++i)
        waypoints[i] = QNVEC3::TransformCoord(Waypoint(i + 1), world);
    GAMENODE* freighter = CargoLinks.CreateFreighter(root, start, waypoints, siteCentre, this, ViewIndex);
    if (!freighter)
        return false;
    freighter_ = freighter;
    freighterTimer_.Restart();
    phase_ = FREIGHTERPHASE::CALLED;
    podsLoaded_ = 0;
    present_ = false;
    return true;
}

void CARGOPORT::DispatchFreighter()
{
    CARGOFREIGHTER* f = FreighterOf(freighter_.Get());
    if (!f || phase_ != FREIGHTERPHASE::HOLDING)
        return;
    f->CloseDoors();
    phase_ = FREIGHTERPHASE::CLOSING;
}

CARGOPOD* CARGOPORT::AddPod(float value)
{
    GAMENODE* pending = pending_.Get();
    if (!pending)
        return nullptr;
    const QNMATRIX at = At(PodPointA(), -90.0f * kDegree) * World();
    auto* pod = new CARGOPOD(pending, &at, value);
    pod->SetState(3, 0, false, true);
    return pod;
}

float CARGOPORT::TakeCargoValue()
{
    const float v = cargoValue_;
    cargoValue_ = 0.0f;
    return v;
}

float CARGOPORT::TakeFee()
{
    const float v = fee_;
    fee_ = 0.0f;
    return v;
}

void CARGOPORT::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("cargoport", on ? 1 : 0);
}

void CARGOPORT::Update()
{
    STATIONPART::Update();
    if (Delete)
        return;
    if (!pending_ && State == 3)
        CreateLights();
    UpdateLights();
    ServeFreighter();
    MovePods();
}

void CARGOPORT::UpdateLights()
{
    const std::int32_t value = blink_.Advance();
    const bool on = IsOperating();
    for (int i = 0; i < kLights; ++i) {
        QNGLOW* glow = lights_[i].Get();
        if (!glow)
            continue;
        const std::int32_t vote = on && value == kLightPhase[i] ? 3 : 2;
        if (glow->Votes[0] != vote)
            glow->SetState(vote, 0, false, true);
    }
}

bool CARGOPORT::HoldsOre() const
{
    const GAMENODE* pending = pending_.Get();
    return (pending && pending->FirstChild()) || pod_.Get();
}

void CARGOPORT::EndVisit()
{
    freighter_.Reset();
    present_ = false;
    phase_ = FREIGHTERPHASE::NONE;
    // A pod on its way goes back to wait for the next freighter.
    if (GAMENODE* pod = pod_.Get()) {
        pod->StopMotion(false, QNCF_LEVEL_PLAIN);
        pod->SetTransform(At(PodPointA(), -90.0f * kDegree) * World());
        pod->SetState(3, 0, false, true);
    }
    pod_.Reset();
    podPhase_ = PODPHASE::TAKE;
}

void CARGOPORT::ServeFreighter()
{
    if (phase_ == FREIGHTERPHASE::NONE)
        return;
    GAMENODE* node = freighter_.Get();
    CARGOFREIGHTER* f = FreighterOf(node);
    if (!f || f->IsFreighterDestroyed()) {
        // Lost (destroyed, or deleted by someone else): nothing is delivered.
        cargoValue_ = 0.0f;
        EndVisit();
        return;
    }
    QNBODY* body = PhysicsBodyOf(node);
    switch (phase_) {
    case FREIGHTERPHASE::CALLED:
        if (!present_) {
            if (freighterTimer_.Elapsed() < kArrivalDelay)
                break;
            if (CargoLinks.Flash)
                if (QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT))
                    CargoLinks.Flash(root, At(ArrivalPoint()) * World(), kFlashSize);
            node->SetTreeCollision(this, false);
            present_ = true;
            f->Call();
            fee_ = kFee;
        } else if (f->Docking() == DOCKINGSTATE::DOCKED) {
            f->OpenDoors();
            phase_ = FREIGHTERPHASE::OPENING;
        }
        break;
    case FREIGHTERPHASE::OPENING:
        if (f->Doors() == DOORSTATE::OPEN) {
            const QNMATRIX m = node->GetWorldMatrix();
            heldForward_ = m.Row(2).Normalize();
            heldUp_ = m.Row(1).Normalize();
            heldPosition_ = m.Translation();
            phase_ = FREIGHTERPHASE::HOLDING;
        }
        break;
    case FREIGHTERPHASE::HOLDING:
        if (body)
            body->SetAngularDamping(kHoldAngularDamping);
        node->PushTowards(heldPosition_, QNVEC3(kHoldPull, kHoldPull, kHoldPull), kHoldSlow, kHoldTolerance);
        node->SteerTowards(heldPosition_ + heldForward_ * 100.0f, QNVEC3(kHoldTurnGain, kHoldTurnGain, kHoldTurnGain),
                           kHoldTurnSlow, kHoldTurnTolerance);
        break;
    case FREIGHTERPHASE::CLOSING:
        if (f->Doors() == DOORSTATE::CLOSED) {
            if (body)
                body->SetAngularDamping(kFlightAngularDamping);
            f->Depart();
            phaseTimer_.Restart();
            phase_ = FREIGHTERPHASE::LEAVING;
        }
        break;
    case FREIGHTERPHASE::LEAVING:
        if (f->Docking() == DOCKINGSTATE::GONE) {
            if (CargoLinks.Flash)
                if (QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT))
                    CargoLinks.Flash(root, At(Waypoint(4)) * World(), kFlashSize);
            cargoValue_ += f->Load();
            QNPHYSWORLD::DeferRemove(node);
            freighter_.Reset();
            present_ = false;
            phase_ = FREIGHTERPHASE::NONE;
        }
        break;
    case FREIGHTERPHASE::NONE:
        break;
    }
}

void CARGOPORT::MovePods()
{
    GAMENODE* pending = pending_.Get();
    // Pods move only into a freighter held at the berth; otherwise they wait.
    if (!pending || phase_ != FREIGHTERPHASE::HOLDING)
        return;
    CARGOFREIGHTER* f = FreighterOf(freighter_.Get());
    if (!f)
        return;
    const QNMATRIX world = World();
    switch (podPhase_) {
    case PODPHASE::TAKE: {
        auto* pod = dynamic_cast<GAMENODE*>(pending->FirstChild());
        if (!pod)
            return;
        pod_ = pod;
        pod->SetState(3, 0, false, true);
        const QNVEC3 slotWorld = QNVEC3::TransformCoord(f->PodPosition(podsLoaded_), freighter_->GetWorldMatrix());
        const QNVEC3 slot = QNVEC3::TransformCoord(slotWorld, world.Inverse());
        podPath_[0] = PodPointA();
        podPath_[1] = PodPointB();
        podPath_[2] = QNVEC3(PodPointB().x, slot.y, PodPointB().z);
        podPath_[3] = slot;
        podPhase_ = PODPHASE::TO_B;
        break;
    }
    case PODPHASE::TO_B:
    case PODPHASE::TO_SLOT_HEIGHT:
    case PODPHASE::TO_SLOT: {
        GAMENODE* pod = pod_.Get();
        if (!pod) {
            podPhase_ = PODPHASE::TAKE;
            break;
        }
        const QNVEC3 target = QNVEC3::TransformCoord(podPath_[std::uint32_t(podPhase_)], world);
        if (!pod->PushTowards(target, QNVEC3(kPodPush, kPodPush, kPodPush), kPodSlow, kPodTolerance))
            podPhase_ = PODPHASE(std::uint32_t(podPhase_) + 1);
        break;
    }
    case PODPHASE::STOW: {
        auto* pod = dynamic_cast<CARGOPOD*>(pod_.Get());
        f->LoadPod(pod ? pod->Value : 0.0f);
        if (GAMENODE* p = pod_.Get())
            QNITEM::Destroy(p);
        pod_.Reset();
        ++podsLoaded_;
        podPhase_ = PODPHASE::TAKE;
        break;
    }
    }
}

void CARGOPORT::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "cargoport", 2);
    stationmedia::Mesh(r, "cargoport");
    stationmedia::Texture(r, "cargopod");
    stationmedia::Mesh(r, "cargopod", 1, 0);
    stationmedia::Quad(r, "cargoport_glow", 1.0f, 1.0f);
    PROCESSOR::RegisterMedia(r);
    STORAGE::RegisterMedia(r);
}

void CARGOPORT::InstallMakers()
{
    STATION::SetMaker(KIND_PROCESSOR, &MakeProcessor);
    STATION::SetMaker(KIND_STORAGE, &Make<STORAGE>);
    STATION::SetMaker(KIND_CARGOPORT, &Make<CARGOPORT>);
}
