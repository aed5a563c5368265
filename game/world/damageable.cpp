#include "game/world/damageable.h"

#include <algorithm>

#include "engine/scene/scene_hooks.h"
#include "game/world/destruction.h"

DAMAGEABLE::DAMAGEABLE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                       std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                       std::uint32_t view)
    : OBSTACLENODE(parent, name, kind, classFlags | QNCF_UPDATE, userFlags, bodyMode, transform, view)
{
}

void DAMAGEABLE::SetMaxima(float ballistic, float electronic)
{
    BallisticMax = Ballistic = ballistic;
    ElectronicMax = Electronic = electronic;
}

float DAMAGEABLE::BallisticFraction() const
{
    return BallisticMax == 0.0f ? 1.0f : Ballistic / BallisticMax;
}

float DAMAGEABLE::ElectronicFraction() const
{
    return ElectronicMax == 0.0f ? 1.0f : Electronic / ElectronicMax;
}

void DAMAGEABLE::Kill()
{
    if (Destroyed == DESTROYEDSTATE::INTACT)
        Destroyed = DESTROYEDSTATE::KILLED;
}

void DAMAGEABLE::SetHighlight(bool on)
{
    Highlighted = on;
}

void DAMAGEABLE::SetActive(bool on)
{
    Active = on;
}

void DAMAGEABLE::DamageBallistic(float amount, std::uint32_t, std::uint32_t)
{
    Ballistic = std::max(0.0f, Ballistic - std::max(0.0f, amount));
    UpdateStatus();
}

void DAMAGEABLE::DamageElectronic(float amount, std::uint32_t, std::uint32_t)
{
    Electronic = std::max(0.0f, Electronic - std::max(0.0f, amount));
    UpdateStatus();
}

namespace {

// Adds up to `amount` to `condition` (never past `maximum`); the cost of what was added.
float Repair(float& condition, float maximum, float cost, float amount)
{
    const float added = std::min(std::max(0.0f, amount), std::max(0.0f, maximum - condition));
    condition += added;
    return maximum == 0.0f ? 0.0f : cost / maximum * added;
}

}  // namespace

float DAMAGEABLE::RepairBallistic(float amount)
{
    const float cost = Repair(Ballistic, BallisticMax, BallisticRepairCost, amount);
    UpdateStatus();
    return cost;
}

float DAMAGEABLE::RepairElectronic(float amount)
{
    const float cost = Repair(Electronic, ElectronicMax, ElectronicRepairCost, amount);
    UpdateStatus();
    return cost;
}

bool DAMAGEABLE::IsDestroyed() const
{
    return Destroyed != DESTROYEDSTATE::INTACT;
}

void DAMAGEABLE::UpdateStatus()
{
    const float ballistic = BallisticFraction();
    const float electronic = ElectronicFraction();
    const bool damaged = ballistic <= BallisticThreshold || electronic <= ElectronicThreshold;
    if (damaged != Highlighted)
        SetHighlight(damaged);
    const bool operating = electronic > ElectronicThreshold;
    if (operating != Active)
        SetActive(operating);
    if ((BallisticMax != 0.0f && ballistic <= 0.0f) || (ElectronicMax != 0.0f && electronic <= 0.0f))
        Kill();
}

void DAMAGEABLE::DeleteNextFrame()
{
    if (QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(this);
    ScheduleOnce();
    Delete = 1;
}

void DAMAGEABLE::Update()
{
    switch (Destroyed) {
    case DESTROYEDSTATE::INTACT:
        return;
    case DESTROYEDSTATE::KILLED:
        Destroyed = DESTROYEDSTATE::REMOVING;
        return;
    case DESTROYEDSTATE::REMOVING:
        if (Delete)
            return;
        if (QNNODE* site = FindAncestor(QNCF_LEVEL_VIEWROOT)) {
            const QNMATRIX at = GetWorldMatrix();
            auto* effect = new DESTRUCTION(site, Debris, &at);
            // Shown without touching the votes below: the debris waits dormant in its pool.
            effect->SetState(3, 0, false, false);
        }
        NotifyDestroyed();
        DeleteNextFrame();
        return;
    }
}
