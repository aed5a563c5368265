#include "game/vehicles/em2.h"

#include <algorithm>

#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "game/vehicles/neutron_beam.h"
#include "game/world/damageable.h"
#include "game/world/media_util.h"

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;
// The player's beam leaves under the cockpit, tilted up a little toward the sight line.
const QNVEC3 kPlayerBeam(0.0f, -2.0f, 2.5f);
constexpr float kPlayerTilt = -5.0f * kDegree;
const QNVEC3 kComputerBeam(0.0f, 0.0f, 5.0f);
constexpr float kLightRange = 4.0f;
constexpr float kLightColour[3] = {1.0f, 0.78f, 0.5f};
constexpr float kSegmentQuad[2] = {5.0f, 3.0f};
constexpr float kRingQuad = 2.5f;

}  // namespace

EM2::EM2(QNNODE* ship, bool player, std::uint32_t ownerView)
    : SHIPWEAPON(ship, "EM2", kType, 0x2000004, player, ownerView)
{
    SetSound("em_two");
    DrainTimer.Init(0.0);
}

void EM2::OnStateChanged(std::int32_t oldState, std::int32_t newState)
{
    SHIPWEAPON::OnStateChanged(oldState, newState);
    if (newState != 3 || oldState == 3)
        return;
    if (Beam)
        QNITEM::Destroy(Beam);
    if (Light)
        QNITEM::Destroy(Light);
    Beam = nullptr;
    Light = nullptr;
    QNMATRIX at;
    if (Player) {
        QNMATRIX tilt, place;
        tilt.SetRotationX(kPlayerTilt);
        place.SetTranslationV(kPlayerBeam);
        at = tilt * place;
        QNMATRIX lightAt;
        lightAt.SetTranslationV(kPlayerBeam);
        Light = new GAMENODE(this, "LIGHT", std::int32_t(kType), 0, 0, 1, &lightAt, 0);
        Light->SetPointLight(kLightRange, kLightColour[0], kLightColour[1], kLightColour[2]);
        Light->AttachLight(false);
        Light->SetState(3, 0, false, true);
    } else {
        at.SetTranslationV(kComputerBeam);
    }
    Beam = new NEUTRONBEAM(this, &at);
    // Vote 0 carries the flicker: it starts hidden and the first flicker shows it.
    Beam->SetState(2, 0, false, false);
    Beam->OnHit = &EM2::DamageTarget;
}

void EM2::Fire()
{
    if (Charge <= 0.0f)
        return;
    if (Firing == FIRING::IDLE) {
        if (Light)
            Light->SetLightOn(true);
        PlaySound(-1);
        if (Beam)
            Beam->SetOn(true);
        DrainTimer.Restart();
    }
    Firing = FIRING::FIRED;
}

void EM2::Update()
{
    if (Firing == FIRING::FIRED) {
        float dt = float(DrainTimer.Elapsed());
        if (dt > float(kStall))
            dt = kStallStep;
        Charge -= dt;
        DrainTimer.Restart();
        Firing = FIRING::STOPPING;
    } else if (Firing == FIRING::STOPPING) {
        if (Light)
            Light->SetLightOn(false);
        StopSound();
        if (Beam)
            Beam->SetOn(false);
        Firing = FIRING::IDLE;
    }
}

std::uint32_t EM2::DamageTarget(const QNNODEHIT& hit, float dt)
{
    if (!hit.Node)
        return CLASS_NONE;
    const std::uint32_t c = NodeKindClass(hit.Node->Kind);
    if (c == CLASS_STATIONPART || c == CLASS_VEHICLE)
        if (auto* d = dynamic_cast<DAMAGEABLE*>(hit.Node->FindAncestor(QNCF_LEVEL_GAME)))
            d->DamageElectronic(dt * kDrainRate, 1, 1);
    return c;
}

SHIPWEAPON* EM2::Make(QNNODE* ship, bool player, std::uint32_t ownerView)
{
    return new EM2(ship, player, ownerView);
}

void EM2::LoadResources(QNRESOURCES& r)
{
    RegisterTextures(r, "em2_beam", "media\\vehicles\\weapons\\textures\\em2_beam.dds", 1, 4, 2);
    r.FindTexture("em2_beam")->Texture.TransformFlag = 1;
    RegisterTextures(r, "em2_beam_ring", "media\\vehicles\\weapons\\textures\\em2_beam_ring.dds");
    // The segments build their own cell squares of this size (see NEUTRONBEAM::SEGMENT).
    RegisterQuad(r, "em2_beam", kSegmentQuad[0], kSegmentQuad[1]);
    RegisterQuad(r, "em2_beam_ring", kRingQuad, kRingQuad);
    r.AddMaterial("em2_beam", "alpha")->CullMode = 1;
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = "em_two";
    s.File = "media\\vehicles\\weapons\\sounds\\em_two.wav";
    s.MinDistance = 1.0f;
    s.MaxDistance = 100.0f;
    r.AddSound();
}
