#include "game/world/generator.h"

#include "engine/scene/resources.h"
#include "engine/scene/resources.h"
#include "engine/util/qnapp_state.h"
#include "game/world/station.h"
#include "game/world/station_media.h"

namespace {

constexpr float kReactorHeight = 0.402f;
constexpr float kFusionHeight = 0.7f - 0.402f;

QNMATRIX At(float y, float turn = 0.0f)
{
    QNMATRIX r, t;
    r.SetRotationY(turn);
    t.SetTranslation(0, y, 0);
    return r * t;
}

}  // namespace

GENERATOR::GENERATOR(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible)
    : STATIONPART(parent, "GENERATOR", KIND_GENERATOR, 0, indestructible, 0, view)
{
    SetTexture("generator");
    SetMesh("generator");
    SetSound("generator");
    AddConnector(FACE_BOTTOM);
    AttachTo(parent, connector, 0);
    const QNMATRIX reactorAt = At(kReactorHeight);
    Reactor = new GAMENODE(this, "REACTOR", KIND_GENERATOR, QNCF_LEVEL_PLAIN, 0, 1, &reactorAt, 0);
    Reactor->SetTexture("generator");
    Reactor->SetMesh("generator_reactors");
    const QNMATRIX fusionAt = At(kFusionHeight);
    Fusion = new GAMENODE(Reactor, "FUSION", KIND_GENERATOR, QNCF_LEVEL_PLAIN, 0, 1, &fusionAt, 0);
    Fusion->SetMaterial("fusion");
    Fusion->SetTexture("generator_fusion");
    Fusion->SetMesh("generator_fusion");
    Fusion->SetState(2, 1, false, false);
    // Always powered: a generator does not draw power.
    Powered = true;
}

void GENERATOR::Update()
{
    STATIONPART::Update();
    if (!Active || Delete)
        return;
    reactorAngle_ += kReactorSpin * QNAPP::dt;
    Reactor->SetLocalTransform(At(kReactorHeight, reactorAngle_));
    const std::int32_t frame = fusionFrames_.Advance();
    if (frame >= 0)
        stationmedia::ShowCell(Fusion, std::uint32_t(frame));
}

void GENERATOR::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("generator", on ? 1 : 0);
    Reactor->SetTexture("generator", on ? 1 : 0);
}

void GENERATOR::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    Fusion->SetState(on ? 3 : 2, 1, false, false);
    if (on) {
        fusionFrames_.Start();
        PlaySound(-1);
    } else {
        StopSound();
    }
    // A generator that has left the station is no longer counted there.
    if (Removal != REMOVALSTATE::NONE || RemovalNotified)
        return;
    if (STATION* station = Station())
        station->GeneratorChanged(on);
}

void GENERATOR::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "generator", 2);
    stationmedia::Mesh(r, "generator");
    stationmedia::Mesh(r, "generator_reactors", 1, 0);
    stationmedia::Texture(r, "generator_fusion", 1, 4, 4);
    stationmedia::Mesh(r, "generator_fusion", 1, 0);
    stationmedia::Sound(r, "generator", 1, 5.0f, 100.0f);
    r.AddMaterial("fusion", "alpha");
}
