#include "game/world/ai_company.h"

#include <algorithm>

#include "engine/util/qnmath.h"
#include "game/world/collship_dock.h"
#include "game/world/company_links.h"
#include "game/world/item_types.h"
#include "game/world/station.h"

float PilotWaitFactor = 1.0f;

namespace {

// What a computer company builds beyond the essentials (none of the generator, dock, processor
// or cargo-port items: a lost one of those is not rebuilt).
struct STOCK {
    std::uint32_t Type;
    std::uint32_t Count;
};
constexpr STOCK kStock[] = {
    {ITEM_STORAGE, 1},        {ITEM_ENHANCER, 2},      {ITEM_EARLYWARNING, 1}, {ITEM_SHORTRANGETURRET, 2},
    {ITEM_MIDRANGETURRET, 2}, {ITEM_FLACKGUN, 2},      {ITEM_SHOCKWAVE, 2},    {ITEM_NEUTRONEMITTER, 2},
    {ITEM_MINELAUNCHER, 2},   {ITEM_ANTISHIP, 1},      {ITEM_MERCSHIPDOCK, 1},
};
// Category weights: frame and power rarely, production, defence and saving alike.
constexpr float kWeights[4] = {0.01f, 1.0f, 1.0f, 1.0f};
// Richest money the pilots' wait factor tells apart, and its slope.
constexpr float kWaitMoneyCap = 100000000.0f;
constexpr float kWaitSlope = 0.000000005f;

}  // namespace

AICOMPANY::AICOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene)
    : COMPANY(view, identity, companies, scene)
{
    if (MakePilot)
        pilot_.reset(MakePilot(*this));
    if (SITE* site = site_.Get()) {
        // Drawn only when the player's ship jumps here.
        site->SetState(3, 0, false, true);
        site->SetState(2, 0, false, false);
    }
    builder_ = AIBUILDER::ForStation(SiteStation(), this);
    builder_->SetWeights(kWeights[0], kWeights[1], kWeights[2], kWeights[3]);
    builder_->SavingStep = kSavingStep;
    if (auto* placer = dynamic_cast<AIPLACER*>(&builder_->Placer()))
        placer->SetMinimumFree(kMinimumFree);
    for (const STOCK& s : kStock)
        builder_->AddItems(s.Type, s.Count);
    IncomeTimer.Init(0.0);
}

AICOMPANY::~AICOMPANY()
{
    builder_.reset();
    pilot_.reset();
}

void AICOMPANY::SetShip(GAMENODE* ship)
{
    if (ship) {
        if (COLLECTORSHIPDOCK* dock = Dock())
            dock->ReleaseShip();
    }
    COMPANY::SetShip(ship);
    if (!ship) {
        if (pilot_)
            pilot_->TakeShip(nullptr);
        return;
    }
    if (SITE* site = site_.Get()) {
        QNMATRIX up;
        up.SetTranslation(0.0f, kShipStartHeight, 0.0f);
        ship->SetTransform(up * site->GetWorldMatrix());
    }
    // The pilot gives the ship its look before the outside view is built around it.
    if (pilot_)
        pilot_->TakeShip(ship);
    if (COMPANYSHIP* control = ShipControl()) {
        control->SetViewMode(2);
        control->SetDocked(false);
    }
    BoardShip();
}

void AICOMPANY::UpdateDock()
{
    STATION* station = SiteStation();
    if (!station || !station->Dock || ship_ || Mode == COMPANYMODE::EJECTING)
        return;
    FreeShip = false;
    if (!BuyCollectorShip() || !ship_)
        return;
    // A computer ship leaves the dock at once; the dock keeps none.
    if (COLLECTORSHIPDOCK* dock = Dock()) {
        dock->SetShip(dynamic_cast<DAMAGEABLE*>(ship_.Get()));
        dock->ReleaseShip();
        dock->SetShip(nullptr);
    }
    if (COMPANYSHIP* control = ShipControl())
        control->SetDocked(false);
    const auto corner = static_cast<std::uint32_t>(std::clamp(RoundToInt(RandomRange(0.0f, 7.0f)), 0, 7));
    if (pilot_)
        pilot_->PlaceAtCorner(corner);
}

float AICOMPANY::ComputeIncomeRate() const
{
    const STATION* s = SiteStation();
    if (!s || s->Underpowered || !s->CargoPort || !s->Dock)
        return 0.0f;
    const auto processors = static_cast<float>(s->Counts[KIND_PROCESSOR]);
    const auto storage = static_cast<float>(s->Counts[KIND_STORAGE]);
    if (processors < 1.0f || storage < 1.0f)
        return 0.0f;
    const auto enhancers = static_cast<float>(s->Counts[KIND_ENHANCER]);
    return (1.0f + (processors - 1.0f) * kExtraShare + (storage - 1.0f) * kExtraShare + enhancers * kExtraShare) *
           kBaseIncome;
}

void AICOMPANY::IncomeStep()
{
    IncomeRate = ComputeIncomeRate();
    double t = IncomeTimer.Elapsed();
    if (t > kLongStep)
        t = kShortStep;
    AddMoney(static_cast<float>(t) * IncomeRate - Spending);
    IncomeTimer.Restart();
    Spending = 0.0f;
}

void AICOMPANY::Update()
{
    COMPANY::Update();
    IncomeStep();
    builder_->Step();
    if (pilot_)
        pilot_->Update();
    PilotWaitFactor = 1.0f - std::min(COMPANY::Money(), kWaitMoneyCap) * kWaitSlope;
}
