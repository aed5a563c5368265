#include <algorithm>
#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/render/qncolour.h"
#include "engine/util/qnapp_state.h"
#include "engine/util/qnmath.h"
#include "game/world/shockwave.h"
#include "game/world/station_media.h"
#include "game/world/target_list.h"

namespace {

constexpr float kFlickerMin = 0.01f;
constexpr float kFlickerMax = 0.1f;
constexpr float kSpinMin = 3.0f;
constexpr float kSpinMax = 6.0f;

}  // namespace

SHOCKWAVE::ENERGYBALL::ENERGYBALL(QNNODE* parent, const QNMATRIX& at, SHOCKWAVE* shockwave, TARGETLIST* targets)
    : GAMENODE(parent, "ENERGYBALL", kKind, QNCF_LEVEL_GAME | QNCF_UPDATE, 4, 0, &at, 0), Targets(targets),
      Shockwave(shockwave)
{
    SetMaterial("shockwave_energyball");
    SetTexture("shockwave_energyball");
    SetMesh("shockwave_energyball");
    SetOwnColour();
    OwnColour->SetColour(1.0f, 1.0f, 1.0f, 1.0f);
    OwnColour->SetAlpha(1.0f);
    Spin = RandomRange(kSpinMin, kSpinMax) * (RandomRange(0.0f, 1.0f) < 0.5f ? -1.0f : 1.0f);
    Life.Restart();
    PhaseTimer.Restart();
    Burn.Restart();
    FlickerInterval = RandomRange(kFlickerMin, kFlickerMax);
}

void SHOCKWAVE::ENERGYBALL::Update()
{
    if (Delete)
        return;
    SHOCKWAVE* shockwave = Shockwave.Get();
    if (!shockwave) {
        // Its shockwave is gone: nothing holds it up or times it any more.
        RemoveNextFrame(this);
        return;
    }
    stationmedia::ShowCell(this, std::uint32_t(Life.Elapsed() * kCellRate) % kCells);
    if (Flicker.Elapsed() > FlickerInterval) {
        SetState(State == 3 ? 2 : 3, 0, false, false);
        FlickerInterval = RandomRange(kFlickerMin, kFlickerMax);
        Flicker.Restart();
    }
    if (Burn.Elapsed() >= kBurnInterval) {
        Burn.Restart();
        ++Burns;
        const std::uint32_t count = Targets ? Targets->Count() : 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            auto* target = dynamic_cast<DAMAGEABLE*>(Targets->Entry(i));
            if (target && NodeDistance(this, target) <= DamageRadius())
                target->DamageElectronic(kBurn * shockwave->LastStep, 1, 1);
        }
    }
    const double t = PhaseTimer.Elapsed();
    switch (Phase) {
    case BALLPHASE::GROWING: {
        const float k = float(std::min(1.0, t / kGrowTime));
        Scale = kGrownScale * k;
        const float height = kBallHeight + (kRiseTo - kBallHeight) * k;
        if (t >= kGrowTime) {
            Phase = BALLPHASE::HOLDING;
            PhaseTimer.Restart();
        }
        Angle = std::fmod(Angle + Spin * QNAPP::dt, 6.2831855f);
        QNMATRIX scale, spin, up;
        scale.SetScaling(std::max(Scale, 0.001f), std::max(Scale, 0.001f), std::max(Scale, 0.001f));
        spin.SetRotationZ(Angle);
        up.SetTranslation(0, height, 0);
        SetTransform(scale * spin * up * shockwave->GetWorldMatrix());
        break;
    }
    case BALLPHASE::HOLDING:
        if (t >= kHoldTime) {
            Fade.Set(1.0f, 0.0f, float(kFadeTime), 0);
            Phase = BALLPHASE::FADING;
            PhaseTimer.Restart();
        }
        break;
    case BALLPHASE::FADING:
        OwnColour->SetAlpha(Fade.Value());
        if (t >= kFadeTime)
            RemoveNextFrame(this);
        break;
    }
}
