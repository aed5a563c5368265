#include "game/world/company.h"

#include "engine/scene/node_chain.h"
#include "engine/scene/scene.h"
#include "game/world/collship_dock.h"
#include "game/world/company_links.h"
#include "game/world/item_types.h"
#include "game/world/ore_processor.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "game/world/suit_control.h"
#include "game/world/station.h"

COMPANYVEHICLES CompanyVehicles;

COMPANYSHIP* ShipOf(GAMENODE* node)
{
    return dynamic_cast<COMPANYSHIP*>(node);
}

SUITCONTROL* SuitControlOf(GAMENODE* node)
{
    return dynamic_cast<SUITCONTROL*>(node);
}

namespace {

// Where the suit starts, relative to the site.
const QNVEC3 kSuitOffset = {-10.0f, 10.0f, -10.0f};
// Where the suit is put back after an ejection without a dock: off the site's origin.
const QNVEC3 kSuitBesideSite = {-15.0f, 15.0f, -15.0f};
// Where the suit returns after an ejection at a station with a collector-ship dock.
const QNVEC3 kSuitBesideDock = {-5.0f, 5.0f, -5.0f};
// The seat starts this far along the ship's z axis.
constexpr float kSeatForward = 1.6f;

std::uint32_t ResolveView(std::int32_t view, QNSCENE* scene)
{
    if (view >= 0)
        return static_cast<std::uint32_t>(view);
    return scene ? scene->ActiveView : 0;
}

QNSCENE* ResolveScene(QNSCENE* scene)
{
    return scene ? scene : QNSCENE::Current;
}

}  // namespace

COMPANY::COMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene)
    : Companies(companies), View(ResolveView(view, ResolveScene(scene))), Identity(identity)
{
    EjectionTimer.Init(0.0);
    InterestTimer.Init(0.0);
    QNSCENE* s = ResolveScene(scene);
    QNVIEW* v = s ? s->GetView(View) : nullptr;
    if (!v)
        return;
    auto* site = new SITE(v->Root, View, View);
    site_ = site;
    if (CompanyVehicles.CreateSuit) {
        QNMATRIX move;
        move.SetTranslationV(kSuitOffset);
        suit_ = CompanyVehicles.CreateSuit(site, site->GetWorldMatrix() * move, Identity);
    }
}

COMPANY::~COMPANY() = default;

COMPANYSHIP* COMPANY::ShipControl() const
{
    return ShipOf(ship_.Get());
}

COMPANY* COMPANY::Rival(std::uint32_t view) const
{
    return Companies && view < 4 ? Companies[view] : nullptr;
}

void COMPANY::EnterSuit()
{
    Mode = COMPANYMODE::SUIT;
    if (COMPANYSHIP* ship = ShipControl())
        ship->SetPilotAboard(false);
}

void COMPANY::BoardShip()
{
    Mode = COMPANYMODE::SHIP;
    if (COMPANYSHIP* ship = ShipControl())
        ship->SetPilotAboard(true);
}

void COMPANY::Eject()
{
    GAMENODE* ship = ship_.Get();
    if (!ship)
        return;
    Mode = COMPANYMODE::EJECTING;
    QNNODE* parent = ship->FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (CompanyVehicles.CreateEjectionSeat && parent) {
        QNMATRIX forward;
        forward.SetTranslation(0.0f, 0.0f, kSeatForward);
        GAMENODE* seat = CompanyVehicles.CreateEjectionSeat(parent, forward * ship->GetWorldMatrix(), Identity);
        seat_ = seat;
        if (seat) {
            seat->SetTreeCollision(ship, false);
            seat->SetState(3, 0, false, true);
            if (CompanyVehicles.LaunchEjectionSeat)
                CompanyVehicles.LaunchEjectionSeat(seat, ship);
        }
    }
    EjectionTimer.Restart();
}

void COMPANY::AddMoney(float amount)
{
    money_ += amount;
}

void COMPANY::SetMoney(float amount)
{
    money_ = amount;
}

void COMPANY::SetShip(GAMENODE* ship)
{
    ship_ = ship;
}

bool COMPANY::AddItem(std::uint32_t type, float value, float conditionA, float conditionB, std::uint32_t colourPair)
{
    if (itemCount_ >= kInventorySize)
        return false;
    INVENTORYITEM& item = inventory_[itemCount_++];
    item.Type = type;
    item.ColourPair = colourPair;
    item.Value = value;
    item.ConditionA = conditionA;
    item.ConditionB = conditionB;
    if (type == ITEM_ENHANCER && colourPair < kColourPairCount)
        EnhancerColoursHeld |= 1u << colourPair;
    return true;
}

INVENTORYITEM COMPANY::RemoveItem(std::uint32_t index)
{
    if (index >= itemCount_)
        return INVENTORYITEM();
    const INVENTORYITEM item = inventory_[index];
    for (std::uint32_t i = index + 1; i < itemCount_; ++i)
        inventory_[i - 1] = inventory_[i];
    --itemCount_;
    inventory_[itemCount_] = INVENTORYITEM();
    if (item.Type == ITEM_ENHANCER && item.ColourPair < kColourPairCount)
        EnhancerColoursHeld &= ~(1u << item.ColourPair);
    return item;
}

float COMPANY::SellItem(std::uint32_t index)
{
    const INVENTORYITEM item = RemoveItem(index);
    float proceeds = item.Value * 0.5f;
    if (item.ConditionA >= 0.0f)
        proceeds *= item.ConditionA;
    AddMoney(proceeds);
    return proceeds;
}

std::uint32_t COMPANY::CountItems(std::uint32_t type) const
{
    std::uint32_t n = 0;
    for (std::uint32_t i = 0; i < itemCount_; ++i)
        n += inventory_[i].Type == type ? 1 : 0;
    return n;
}

STATION* COMPANY::SiteStation() const
{
    SITE* site = site_.Get();
    return site ? dynamic_cast<STATION*>(site->Station.Get()) : nullptr;
}

std::uint32_t COMPANY::StationEnhancerPairs() const
{
    const STATION* station = SiteStation();
    return station ? station->EnhancerColours : 0;
}

void COMPANY::PayRunningCosts()
{
    STATION* station = SiteStation();
    if (!station || station->RepairCostTotal == 0.0f)
        return;
    const float cost = station->RepairCostTotal;
    AddMoney(-cost);
    station->RepairCostTotal -= cost;
}

void COMPANY::NewWorkOrders()
{
    WorkOrders[0].Generate();
    WorkOrders[1].Generate();
    ComputeBonuses();
}

void COMPANY::ComputeBonuses()
{
    const std::uint32_t pairs = StationEnhancerPairs();
    WorkOrders[0].ComputeBonus(pairs);
    WorkOrders[1].ComputeBonus(pairs);
}

float COMPANY::ChargeInterest()
{
    if (money_ >= 0.0f)
        return 0.0f;
    const float charge = money_ * kInterestRate;
    AddMoney(charge);
    return -charge;
}

COLLECTORSHIPDOCK* COMPANY::Dock() const
{
    STATION* station = SiteStation();
    return station ? dynamic_cast<COLLECTORSHIPDOCK*>(station->Dock.Get()) : nullptr;
}

bool COMPANY::BuyCollectorShip()
{
    COLLECTORSHIPDOCK* dock = Dock();
    SITE* site = site_.Get();
    if (!dock || !site || !CompanyVehicles.CreateShip)
        return false;
    GAMENODE* ship = CompanyVehicles.CreateShip(site, dock->DockPointMatrix(), Identity);
    if (!ship)
        return false;
    if (!FreeShip)
        AddMoney(-CollectorShipPrice());
    COMPANYSHIP* control = ShipOf(ship);
    if (control)
        control->SetViewMode(2);
    SetShip(ship);
    if (control) {
        control->SetDocked(true);
        control->InstallWeapon(WEAPON_IRONMAN);
        control->InstallWeapon(WEAPON_CANISTER);
    }
    dock->SetShip(dynamic_cast<DAMAGEABLE*>(ship));
    return true;
}

void COMPANY::UpdateDelivery()
{
    COLLECTORSHIPDOCK* dock = Dock();
    COMPANYSHIP* ship = ShipControl();
    if (!dock) {
        if (Delivery != DELIVERYSTATE::NONE) {
            if (ship)
                ship->SetOreMask(0);
            NewWorkOrders();
            Delivery = DELIVERYSTATE::NONE;
        }
        return;
    }
    if (!ship) {
        // The ship was lost under way: nothing to unload from, and no ship to touch.
        if (Delivery == DELIVERYSTATE::UNLOADING)
            dock->StopUnloading();
        Delivery = DELIVERYSTATE::NONE;
        return;
    }
    const std::uint32_t mask = ship->OreMask();
    const bool filled[2] = {WorkOrders[0].IsFilledBy(mask), WorkOrders[1].IsFilledBy(mask)};
    std::erase_if(IdleProcessors, [](const QNWEAK<STATIONPART>& p) { return !p.Get(); });
    switch (Delivery) {
    case DELIVERYSTATE::NONE:
        break;
    case DELIVERYSTATE::DOCKING:
        if (dock->DockState == DOCKSTATE::DOCKED || dock->DockState == DOCKSTATE::UNLOADING ||
            dock->DockState == DOCKSTATE::REPAIRING)
            Delivery = DELIVERYSTATE::DOCKED;
        break;
    case DELIVERYSTATE::DOCKED:
        if ((filled[0] || filled[1]) && !IdleProcessors.empty()) {
            dock->StartUnloading();
            Delivery = DELIVERYSTATE::UNLOADING;
        }
        break;
    case DELIVERYSTATE::UNLOADING: {
        const bool ready = (filled[0] || filled[1]) && !IdleProcessors.empty();
        if (dock->UnloadTime() / kUnloadTime >= 1.0f) {
            std::uint32_t chosen = WorkOrders[0].Worth() > WorkOrders[1].Worth() ? 0 : 1;
            if (!filled[chosen])
                chosen = 1 - chosen;
            if (!filled[chosen] || IdleProcessors.empty())
                break;
            STATIONPART* processor = IdleProcessors.front().Get();
            IdleProcessors.erase(IdleProcessors.begin());
            if (auto* p = dynamic_cast<PROCESSOR*>(processor))
                p->StartProcessing(WorkOrders[chosen].Worth());
            ship->SetOreMask(0);
            NewWorkOrders();
            Delivery = DELIVERYSTATE::NONE;
            dock->StopUnloading();
        } else if (!ready) {
            dock->StopUnloading();
            ship->SetOreMask(0);
            NewWorkOrders();
            Delivery = DELIVERYSTATE::NONE;
        }
        break;
    }
    }
}

void COMPANY::PlaceSuitAfterEjection()
{
    GAMENODE* suit = suit_.Get();
    GAMENODE* site = site_.Get();
    if (!suit || !site)
        return;
    const COLLECTORSHIPDOCK* dock = Dock();
    const QNVEC3 target = (dock ? dock->GetWorldMatrix() : site->GetWorldMatrix()).Translation();
    QNMATRIX m;
    m.SetLookAt(target + (dock ? kSuitBesideDock : kSuitBesideSite), target, QNVEC3{0.0f, 1.0f, 0.0f});
    suit->SetTransform(m);
}

void COMPANY::Update()
{
    SortProcessingChain();
    // The orders' enhancer bonus follows the pairs on the station, whatever added or took one.
    if (EnhancersChanged)
        ComputeBonuses();
    if (Mode != COMPANYMODE::EJECTING) {
        COMPANYSHIP* ship = ShipControl();
        if (ship && ship->IsShipDestroyed()) {
            // A ship lost while choosing a destination is still flown: eject as from the ship.
            if (Mode == COMPANYMODE::SHIP || Mode == COMPANYMODE::DESTINATIONS)
                Eject();
            SetShip(nullptr);
        }
    } else if (EjectionTimer.Elapsed() > kEjectionTime) {
        PlaceSuitAfterEjection();
        EnterSuit();
        seat_.Reset();
    }
    UpdateDock();
    UpdateDelivery();
    CargoStep();
    PayRunningCosts();
    if (InterestTimer.Elapsed() >= kInterestPeriod) {
        ChargeInterest();
        InterestTimer.Restart();
    }
}
