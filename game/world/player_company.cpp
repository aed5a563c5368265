#include "game/world/player_company.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/input/qninputmap.h"
#include "engine/sound/qnsound.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/view.h"
#include "engine/scene/scene.h"
#include "engine/util/qnmath.h"
#include "game/world/arrow.h"
#include "game/world/black_market_portal.h"
#include "game/world/cargo_port.h"
#include "game/world/collship_dock.h"
#include "game/world/enhancer.h"
#include "game/world/ore_processor.h"
#include "game/world/ore_storage.h"
#include "game/world/company_links.h"
#include "game/world/crew.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_controls.h"
#include "game/world/site.h"
#include "game/world/station.h"
#include "game/world/store_order.h"
#include "game/world/suit_control.h"
#include "game/world/world_vehicle.h"

PLAYERCONTROLS PlayerControls;

namespace {

constexpr float kMillions = 0.000001f;

// Where the suit stands beside the ship when the player leaves it, in the ship's axes.
const QNVEC3 kBesideShip = {-5.0f, 0.0f, 0.0f};
// The spots tried, in the suit's base frame, when the first one is taken.
const QNVEC3 kSuitSpots[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};

bool Near(const QNVEC3& a, const QNVEC3& b)
{
    const QNVEC3 d = a - b;
    return d.x * d.x < 1e-8f && d.y * d.y < 1e-8f && d.z * d.z < 1e-8f;
}
constexpr std::uint32_t kInventoryLimit = 5;
constexpr std::uint32_t kEnhancerLimit = 6;

float Action(std::uint32_t action)
{
    return QNINPUTMAP::Value(action);
}

bool Pressed(std::uint32_t action)
{
    return Action(action) != 0.0f;
}

void ClearAction(std::uint32_t action)
{
    if (QNINPUTBINDING* b = QNINPUTMAP::Binding(action))
        b->Value = 0.0f;
}

bool IsDockHolding(const COLLECTORSHIPDOCK* dock)
{
    return dock->DockState == DOCKSTATE::DOCKED || dock->DockState == DOCKSTATE::UNLOADING ||
           dock->DockState == DOCKSTATE::REPAIRING;
}

std::uint32_t CountOnStation(const STATION* station, std::uint32_t kind)
{
    return station && kind <= std::uint32_t(KIND_LAST_STRUCTURE) ? station->Counts[kind] : 0;
}

}  // namespace

PLAYERCOMPANY::PLAYERCOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene)
    : COMPANY(view, identity, companies, scene)
{
    PlayerCompany = this;
    PlayerView = View;
    if (STATION* station = SiteStation()) {
        station->Marker = new ARROW(station, View);
        station->Sounds = true;
        station->BeamLimit = station->JointLimit = STATION::kPlayerFrameLimit;
    }
    SITE* site = Site();
    if (!site)
        return;
    if (CompanyVehicles.CreateSky) {
        Sky = CompanyVehicles.CreateSky(site);
        if (SUITCONTROL* suit = SuitControlOf(Suit()))
            suit->SetSky(Sky.Get());
    }
    QNMATRIX portalAt;
    portalAt.SetTranslation(0.0f, 0.0f, BLACKMARKETPORTAL::kSiteZ);
    (new BLACKMARKETPORTAL(site, portalAt, View))->SetState(3, 0, false, true);
    site->SetState(3, 0, false, true);
    EnterSuit();
}

PLAYERCOMPANY::~PLAYERCOMPANY()
{
    if (PlayerCompany == this)
        PlayerCompany = nullptr;
}

QNQUEUEDMESSAGE* PLAYERCOMPANY::MessageLine() const
{
    switch (Mode) {
    case COMPANYMODE::SUIT:
        return HudLines[HUD_SUIT].Get();
    case COMPANYMODE::SHIP:
        return HudLines[HUD_SHIP].Get();
    default:
        return nullptr;
    }
}

void PLAYERCOMPANY::PostMessage(const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    if (QNQUEUEDMESSAGE* line = MessageLine()) {
        line->PostV(format, args);
    } else if (Mode == COMPANYMODE::SHIP && Ship() && PlayerControls.ShipMessage) {
        // The ship's own HUD when it registered no line here.
        char text[QNQUEUEDMESSAGE::kLineSize];
        std::vsnprintf(text, sizeof text, format, args);
        PlayerControls.ShipMessage(Ship(), text);
    }
    va_end(args);
}

float PLAYERCOMPANY::ChargeInterest()
{
    const float charged = COMPANY::ChargeInterest();
    if (charged > 0.0f)
        PostMessage("Charged $%.1fM interest (%.1f%%)", charged * kMillions, kInterestRate * 100.0f);
    return charged;
}

float PLAYERCOMPANY::SellItem(std::uint32_t index)
{
    if (index >= ItemCount())
        return COMPANY::SellItem(index);
    const char* name = ItemName(Item(index).Type);
    const float proceeds = COMPANY::SellItem(index);
    PostMessage("Sold %s for $%.1fM", name, proceeds * kMillions);
    return proceeds;
}

void PLAYERCOMPANY::ShowMoney()
{
    if (Mode == COMPANYMODE::SUIT) {
        if (SUITCONTROL* suit = SuitControlOf(Suit()))
            suit->ShowMoney(Money());
    } else if (Mode == COMPANYMODE::SHIP || Mode == COMPANYMODE::DESTINATIONS) {
        // The ship HUD stays on screen while the destination list is open.
        if (GAMENODE* ship = Ship(); ship && PlayerControls.ShowMoney)
            PlayerControls.ShowMoney(ship, Money());
    }
}

void PLAYERCOMPANY::AddMoney(float amount)
{
    COMPANY::AddMoney(amount);
    ShowMoney();
}

void PLAYERCOMPANY::SetMoney(float amount)
{
    COMPANY::SetMoney(amount);
    ShowMoney();
}

GAMENODE* PLAYERCOMPANY::Headquarters() const
{
    const STATION* station = SiteStation();
    const std::vector<STATIONPART*> parts =
        station ? station->CollectParts(KIND_HEADQUARTERS, 1) : std::vector<STATIONPART*>();
    return parts.empty() ? nullptr : parts.front();
}

bool PLAYERCOMPANY::AddItem(std::uint32_t type, float value, float conditionA, float conditionB,
                            std::uint32_t colourPair)
{
    if (!COMPANY::AddItem(type, value, conditionA, conditionB, colourPair))
        return false;
    if (Mode == COMPANYMODE::SUIT)
        if (SUITCONTROL* suit = SuitControlOf(Suit()))
            suit->ShowInventoryItem(type);
    return true;
}

INVENTORYITEM PLAYERCOMPANY::RemoveItem(std::uint32_t index)
{
    const INVENTORYITEM item = COMPANY::RemoveItem(index);
    if (item.Type != 0 && Mode == COMPANYMODE::SUIT)
        if (SUITCONTROL* suit = SuitControlOf(Suit())) {
            suit->ClearInventory();
            for (std::uint32_t i = 0; i < ItemCount(); ++i)
                suit->ShowInventoryItem(Item(i).Type);
        }
    return item;
}

void PLAYERCOMPANY::SetShip(GAMENODE* ship)
{
    COMPANY::SetShip(ship);
    if (Mode == COMPANYMODE::SUIT && PlayerControls.SetSuitArrows)
        if (GAMENODE* suit = Suit())
            PlayerControls.SetSuitArrows(suit, Headquarters(), ship);
    if (!ship)
        return;
    if (auto* damageable = dynamic_cast<DAMAGEABLE*>(ship))
        damageable->Active = true;
    ship->SetState(3, 0, false, true);
    if (COLLECTORSHIPDOCK* dock = Dock())
        dock->SetShip(dynamic_cast<DAMAGEABLE*>(ship));
}

bool PLAYERCOMPANY::BuyCollectorShip()
{
    const bool free = FreeShip;
    if (!COMPANY::BuyCollectorShip())
        return false;
    if (Mode == COMPANYMODE::SUIT && !free)
        PostMessage("Purchased new Collector Ship for $%.1f M", CollectorShipPrice() * kMillions);
    if (GAMENODE* ship = Ship()) {
        if (PlayerControls.SetZoomEquipped)
            PlayerControls.SetZoomEquipped(ship, true);
        if (PlayerControls.SetShipCondition)
            PlayerControls.SetShipCondition(ship, kBoughtCondition);
    }
    return true;
}

void PLAYERCOMPANY::ShowSuitWhereFree(GAMENODE* suit)
{
    QNVEC3 base = suit->GetWorldMatrix().Translation();
    QNVEC3 face = base + QNVEC3::TransformNormal(QNVEC3(0, 0, 1), suit->GetWorldMatrix());
    if (GAMENODE* ship = Ship()) {
        const QNMATRIX& m = ship->GetWorldMatrix();
        face = m.Translation();
        base = face + QNVEC3::TransformNormal(kBesideShip, m);
    }
    auto placeAt = [&](const QNVEC3& at) {
        if (Near(at, face))
            return;
        QNMATRIX m;
        m.SetLookAt(at, face, QNVEC3(0, 1, 0));
        suit->SetTransform(m);
    };
    if (Ship())
        placeAt(base);
    if (suit->SetState(3, 0, true, true) == 0)
        return;
    for (std::uint32_t round = 1; round <= kSuitSpotRounds; ++round) {
        for (const QNVEC3& spot : kSuitSpots) {
            placeAt(base + spot * (kSuitSpotStep * static_cast<float>(round)));
            if (suit->SetState(3, 0, true, true) == 0)
                return;
        }
    }
    // Boxed in everywhere: shown where the last spot put it.
    suit->SetState(3, 0, false, true);
}

void PLAYERCOMPANY::ReturnHome()
{
    SITE* away = ReturnSite.Get();
    SITE* home = Site();
    ReturnSite.Reset();
    if (!away || !home || away == home)
        return;
    QNSCENE* scene = home->View && home->View->Scene ? home->View->Scene : QNSCENE::Current;
    if (scene)
        scene->ViewMask &= ~(1u << away->ViewIndex);
    away->SetState(2, 0, false, false);
    home->SetState(3, 0, false, false);
    if (GAMENODE* sky = Sky.Get()) {
        if (PlayerControls.MoveSky)
            PlayerControls.MoveSky(sky, home);
        else
            sky->AttachWithState(home, 3, 0, false, true);
    }
    if (scene) {
        scene->ActiveView = home->ViewIndex;
        scene->ViewMask |= 1u << home->ViewIndex;
    }
}

void PLAYERCOMPANY::EnterSuit()
{
    if (Mode == COMPANYMODE::SUIT)
        return;
    ReturnHome();
    GAMENODE* suitNode = Suit();
    if (suitNode) {
        if (COMPANYSHIP* ship = ShipControl())
            ship->SetViewMode(2);
        if (auto* vehicle = dynamic_cast<WORLDVEHICLE*>(suitNode))
            vehicle->SetViewMode(1);
        ShowSuitWhereFree(suitNode);
    }
    COMPANY::EnterSuit();
    if (QNSOUND* theme = Theme(); theme && !theme->IsPlaying())
        theme->Play(QNSOUND::kForever);
    SUITCONTROL* suit = SuitControlOf(suitNode);
    if (!suit)
        return;
    HudLines[HUD_SUIT] = suit->MessageLine();
    if (PlayerControls.SetHudSite)
        PlayerControls.SetHudSite(suitNode, View, Identity);
    if (PlayerControls.SetSuitArrows)
        PlayerControls.SetSuitArrows(suitNode, Headquarters(), Ship());
    suit->ShowMoney(Money());
    suit->ClearInventory();
    for (std::uint32_t i = 0; i < ItemCount(); ++i)
        suit->ShowInventoryItem(Item(i).Type);
}

void PLAYERCOMPANY::BoardShip()
{
    if (Mode == COMPANYMODE::SHIP)
        return;
    if (QNSOUND* theme = Theme())
        theme->Stop();
    if (GAMENODE* suit = Suit()) {
        if (auto* vehicle = dynamic_cast<WORLDVEHICLE*>(suit))
            vehicle->SetViewMode(0);
        suit->SetState(2, 0, false, true);
    }
    if (COMPANYSHIP* control = ShipControl())
        control->SetViewMode(1);
    // The cockpit's HUD is new: it shows the company's site, the site the ship is at, the money
    // and the orders.
    if (GAMENODE* ship = Ship()) {
        if (PlayerControls.SetHudSite)
            PlayerControls.SetHudSite(ship, View, Identity);
        if (const SITE* at = ShipSite(); at && PlayerControls.SetTargetSite) {
            const COMPANY* host = CompanyOfView(at->ViewIndex);
            PlayerControls.SetTargetSite(ship, at->ViewIndex, host ? host->Identity : at->ViewIndex);
        }
        if (PlayerControls.ShowMoney)
            PlayerControls.ShowMoney(ship, Money());
        if (PlayerControls.SetWorkOrders)
            PlayerControls.SetWorkOrders(ship, &WorkOrders[0], &WorkOrders[1]);
    }
    if (QNINPUTBINDING* throttle = QNINPUTMAP::Binding(ACT_THROTTLE))
        throttle->Value = 0.0f;
    COMPANY::BoardShip();
}

void PLAYERCOMPANY::Eject()
{
    GAMENODE* ship = Ship();
    if (!ship)
        return;
    if (COMPANYSHIP* control = ShipControl())
        control->SetViewMode(2);
    if (SITE* at = ShipSite(); at && at != Site())
        ReturnSite = at;
    COMPANY::Eject();
    QNNODE* parent = ship->FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!parent)
        return;
    QNITEM::Destroy(EjectCamera.Get());
    const QNMATRIX world = ship->GetWorldMatrix();
    QNMATRIX tilt;
    tilt.SetRotationX(kEjectCameraTilt * 0.017453293f);
    const QNVEC3 offset = QNVEC3::TransformNormal(QNVEC3(0.0f, kEjectCameraDistance, 0.0f), tilt * world);
    const QNVEC3 nose = QNVEC3::TransformNormal(QNVEC3(0.0f, 0.0f, 1.0f), world).Normalize();
    QNMATRIX eye;
    eye.SetLookAt(world.Translation() + offset, world.Translation() + nose * kEjectCameraLead, QNVEC3(0, 1, 0));
    auto* camera = new GAMENODE(parent, "CAMERA", 0, QNCF_LEVEL_PLAIN, 0, 0, &eye, 0);
    camera->SetState(3, 0, false, false);
    if (camera->View)
        camera->View->CurrentNode = camera;
    EjectCamera = camera;
}

QNSOUND* PLAYERCOMPANY::Theme() const
{
    const SITE* site = Site();
    const QNSCENE* scene = site && site->View ? site->View->Scene : nullptr;
    return scene ? scene->Resources.SoundIfAny(kThemeSound) : nullptr;
}

void PLAYERCOMPANY::AimedName(const STATIONPART* part, char* out, std::size_t size)
{
    const char* name = ItemName(static_cast<std::uint32_t>(part->Kind));
    float value = 0.0f;
    if (const auto* processor = dynamic_cast<const PROCESSOR*>(part))
        value = processor->Amount;
    else if (const auto* storage = dynamic_cast<const STORAGE*>(part))
        value = storage->StoredOre;
    if (const auto* enhancer = dynamic_cast<const ENHANCER*>(part); enhancer && enhancer->Colour < kColourPairCount)
        std::snprintf(out, size, "%s (%s)", name, ColourPairName(enhancer->Colour));
    else if (value != 0.0f)
        std::snprintf(out, size, "%s ($%.1f M)", name, value * kMillions);
    else
        std::snprintf(out, size, "%s", name);
}

bool PLAYERCOMPANY::IsStill(const GAMENODE* node) const
{
    return node->IsSlowerThan(kSlow) && node->IsTurningSlowerThan(kSlow);
}

SITE* PLAYERCOMPANY::ShipSite() const
{
    GAMENODE* ship = Ship();
    if (!ship)
        return nullptr;
    if (PlayerControls.ShipSite)
        if (SITE* site = PlayerControls.ShipSite(ship))
            return site;
    return Site();
}

void PLAYERCOMPANY::UpdateDock()
{
    COLLECTORSHIPDOCK* dock = Dock();
    if (!dock)
        return;
    GAMENODE* ship = Ship();
    COMPANYSHIP* control = ShipControl();
    if (dock->IsDestroyed() && ship && dock->Ship() == ship && dock->Holding) {
        dock->SetShip(nullptr);
        SetShip(nullptr);
        QNITEM::Destroy(ship);
        return;
    }
    if (dock->IsDestroyed())
        return;
    const bool holdingState = IsDockHolding(dock);
    if (ship) {
        if (!dock->Ship() && holdingState) {
            dock->BeginDocking();
            dock->SetShip(dynamic_cast<DAMAGEABLE*>(ship));
        } else if (dock->Ship() && control && control->IsShipDestroyed()) {
            dock->SetShip(nullptr);
        }
        return;
    }
    bool bought = false;
    if (!dock->Ship() && holdingState && Mode != COMPANYMODE::EJECTING) {
        bought = BuyCollectorShip();
        if (bought)
            FreeShip = false;
    }
    if (!bought && (dock->DockState == DOCKSTATE::WAITING || dock->DockState == DOCKSTATE::DOCKED))
        dock->BeginDocking();
    if (!bought && dock->Ship())
        dock->SetShip(nullptr);
}

void PLAYERCOMPANY::Update()
{
    COMPANY::Update();
    if (SITE* site = Site())
        if (site->Crew && site->Crew->MemberCount() == 0)
            site->Crew->SetCount(kCrewSize);
    const CARGOPORT* port = SiteCargoPort();
    if (!port || !port->Present())
        WatchedFreighter.Reset();
    else if (!WatchedFreighter.Get())
        WatchedFreighter = port->Freighter();
    TakeStoreOrder();
    SITE* shipSite = ShipSite();
    AtOwnSite = !Ship() || shipSite == Site();
    switch (Mode) {
    case COMPANYMODE::SUIT:
        UpdateSuit();
        break;
    case COMPANYMODE::SHIP:
        UpdateShip();
        break;
    case COMPANYMODE::DESTINATIONS:
        UpdateDestinations();
        break;
    default:
        break;
    }
}

void PLAYERCOMPANY::UpdateSuit()
{
    STATION* station = SiteStation();
    GAMENODE* suit = Suit();
    SUITCONTROL* control = SuitControlOf(suit);
    if (control)
        control->SetProgress(ProcessingProgress);
    if (station)
        station->Update();
    STATIONPART* aimed = station ? station->Selected.Get() : nullptr;
    // The part in the sights is named on the suit's message line (a repeat of the line
    // showing is dropped by the line, so it stays up while aimed at).
    if (aimed && control)
        if (QNQUEUEDMESSAGE* line = control->MessageLine()) {
            char name[QNQUEUEDMESSAGE::kLineSize];
            AimedName(aimed, name, sizeof name);
            line->Post("%s", name);
        }
    SITE* site = Site();
    NoEnemies = !site || site->Targets().Count() == 0;

    GAMENODE* ship = Ship();
    COLLECTORSHIPDOCK* dock = Dock();
    ReadyToBoard = ship && suit &&
                   (ship->GetWorldMatrix().Translation() - suit->GetWorldMatrix().Translation()).Length() <
                       kBoardDistance &&
                   IsStill(ship) && !(dock && dock->Ship() == ship && dock->Holding);
    if (PlayerControls.SetSuitIndicators && suit) {
        const CARGOPORT* port = SiteCargoPort();
        PlayerControls.SetSuitIndicators(suit, ReadyToBoard, port && port->Present(),
                                         station && station->Underpowered);
    }
    UpdateRanking(suit);

    if (Pressed(ACT_EXTEND) && aimed)
        ExtendFrame();
    if (Pressed(ACT_NEXT_CONNECTOR) && station)
        station->AdvanceMarker();
    if (Pressed(ACT_REMOVE)) {
        if (!NoEnemies)
            PostMessage("No removals when enemy ships are present");
        else
            RemoveAimed();
    }
    if (Pressed(ACT_BUILD_STORE))
        OpenBuildStore();
    if (Pressed(ACT_MERCENARIES))
        QNSCENE::RequestPush(kMercenaryScene);
    for (std::uint32_t i = 0; i < kInventoryLimit; ++i) {
        if (Pressed(ACT_PLACE_FIRST + i))
            PlaceItem(i);
        if (Pressed(ACT_SELL_FIRST + i))
            SellItem(i);
    }
    if (Pressed(ACT_HELMET) && control)
        control->ToggleOverlay();
    if (Pressed(ACT_CALL_FREIGHTER)) {
        CARGOPORT* port = SiteCargoPort();
        const bool called = port && !port->Present() && port->CallFreighter();
        PostMessage(called ? "Freighter called" : "Can't call freighter");
    }
    if (Pressed(ACT_DOCK))
        DockCommand();
    if (control) {
        control->AddThrust(QNVEC3(Action(ACT_SUIT_THRUST_X), Action(ACT_SUIT_THRUST_Y), Action(ACT_SUIT_THRUST_Z)));
        control->AddTurn(QNVEC3(Action(ACT_SUIT_PITCH), Action(ACT_SUIT_YAW), Action(ACT_SUIT_ROLL)));
    }
    if (Pressed(ACT_BOARD) && ReadyToBoard)
        BoardShip();
}

void PLAYERCOMPANY::DockCommand()
{
    COLLECTORSHIPDOCK* dock = Dock();
    GAMENODE* ship = Ship();
    COMPANYSHIP* control = ShipControl();
    if (!dock || !ship || !control)
        return;
    if (dock->Ship() == ship && dock->Holding) {
        if (Delivery == DELIVERYSTATE::UNLOADING)
            return;
        Delivery = DELIVERYSTATE::NONE;
        dock->BeginDocking();
    } else if (dock->CanDock()) {
        dock->BeginDocking();
        const std::uint32_t mask = control->OreMask();
        if (WorkOrders[0].IsFilledBy(mask) || WorkOrders[1].IsFilledBy(mask))
            Delivery = DELIVERYSTATE::DOCKING;
    }
}

void PLAYERCOMPANY::ExtendFrame()
{
    STATION* station = SiteStation();
    STATIONPART* aimed = station ? station->Selected.Get() : nullptr;
    if (!aimed)
        return;
    std::int32_t kind = 0;
    if (aimed->Kind == KIND_BEAM)
        kind = KIND_JOINT;
    else if (aimed->Kind == KIND_JOINT)
        kind = KIND_BEAM;
    else
        return;
    if (!station->BuildPart(kind, StructurePrice(std::uint32_t(kind)), STATION::kNoColour))
        PostMessage("%s", PlacementMessage(station->Result));
}

void PLAYERCOMPANY::RemoveAimed()
{
    STATION* station = SiteStation();
    STATIONPART* part = station ? station->Selected.Get() : nullptr;
    if (!part)
        return;
    COLLECTORSHIPDOCK* dock = Dock();
    if (part == dock && dock->Ship() && dock->Holding) {
        PostMessage("Collector Ship currently docked");
        return;
    }
    if (auto* port = dynamic_cast<CARGOPORT*>(part); port && port->Freighter()) {
        PostMessage("Freighter currently navigating toward Cargo Port");
        return;
    }
    const bool returns = part->Kind != KIND_BEAM && part->Kind != KIND_JOINT && !part->Indestructible;
    if (returns && ItemCount() >= kInventorySize) {
        PostMessage("No room in inventory for this item");
        return;
    }
    const std::int32_t kind = part->Kind;
    const float price = part->Price;
    const float a = part->BallisticMax > 0.0f ? part->Ballistic / part->BallisticMax : 1.0f;
    const float b = part->ElectronicMax > 0.0f ? part->Electronic / part->ElectronicMax : 1.0f;
    std::uint32_t colour = 0;
    if (kind == KIND_ENHANCER) {
        const auto* enhancer = dynamic_cast<const ENHANCER*>(part);
        colour = enhancer && enhancer->Colour < kColourPairCount ? enhancer->Colour : std::uint32_t(PAIR_NONE);
    }
    const std::uint32_t result = station->RemoveSelected();
    if (result != PLACE_OK) {
        PostMessage("%s", PlacementMessage(result));
        return;
    }
    if (returns)
        AddItem(std::uint32_t(kind), price, a, b, colour);
}

void PLAYERCOMPANY::PlaceItem(std::uint32_t index)
{
    STATION* station = SiteStation();
    if (index >= ItemCount() || !station)
        return;
    const INVENTORYITEM item = Item(index);
    std::uint32_t colour = STATION::kNoColour;
    if (item.Type == ITEM_ENHANCER) {
        colour = item.ColourPair;
        if (colour >= kColourPairCount) {
            const std::uint32_t taken = station->EnhancerColours | EnhancerColoursHeld;
            const std::uint32_t start = std::uint32_t(RoundToInt(RandomRange(0.0f, 5.0f)));
            colour = PAIR_NONE;
            for (std::uint32_t k = 0; k < kColourPairCount && colour == PAIR_NONE; ++k) {
                const std::uint32_t c = (start + k) % kColourPairCount;
                if (!(taken & (1u << c)))
                    colour = c;
            }
            if (colour == PAIR_NONE) {
                PostMessage("All enhancer types already on station");
                return;
            }
        }
    }
    STATIONPART* part = station->BuildPart(std::int32_t(item.Type), item.Value, colour);
    if (!part) {
        PostMessage("%s", PlacementMessage(station->Result));
        return;
    }
    if (item.Type == ITEM_ENHANCER)
        ComputeBonuses();
    if (item.ConditionA >= 0.0f)
        part->DamageBallistic(part->BallisticMax * (1.0f - item.ConditionA), 0, 0);
    if (item.ConditionB >= 0.0f)
        part->DamageElectronic(part->ElectronicMax * (1.0f - item.ConditionB), 0, 0);
    RemoveItem(index);
}

void PLAYERCOMPANY::OpenBuildStore()
{
    STOREORDER& order = StoreOrders[STORE_BUILD];
    const STATION* station = SiteStation();
    order.Clear();
    auto held = [&](std::uint32_t type) { return CountOnStation(station, type) + CountItems(type); };
    const bool underpowered = station && station->Underpowered;
    const bool generatorCredit =
        held(ITEM_GENERATOR) == 0 || (underpowered && CountItems(ITEM_GENERATOR) == 0);
    order.AddProduct(ITEM_GENERATOR, 0, generatorCredit);
    if (held(ITEM_DOCK) == 0)
        order.AddProduct(ITEM_DOCK, 1, true);
    order.AddProduct(ITEM_PROCESSOR, 0, held(ITEM_PROCESSOR) == 0);
    order.AddProduct(ITEM_STORAGE, 0, held(ITEM_STORAGE) == 0);
    if (held(ITEM_CARGOPORT) == 0)
        order.AddProduct(ITEM_CARGOPORT, 1, true);
    if (held(ITEM_ENHANCER) < kEnhancerLimit)
        order.AddProduct(ITEM_ENHANCER, kEnhancerLimit - held(ITEM_ENHANCER), false);
    order.Capacity = kInventorySize - ItemCount();
    order.Cash = Money();
    StoreOpenedWith = order.Cash;
    order.Owner = Identity;
    QNSCENE::RequestPush(kStoreScene);
}

void PLAYERCOMPANY::TakeStoreOrder()
{
    STOREORDER& order = StoreOrders[STORE_BUILD];
    if (!order.Pending)
        return;
    order.Pending = 0;
    // Interest, fees and cargo payments fall due in the frame the store closes as in any other.
    SetMoney(Money() + (order.Cash - StoreOpenedWith));
    for (std::uint32_t p = 0; p < order.ProductCount && p < STOREORDER::kMaxProducts; ++p) {
        const STOREPRODUCT& product = order.Products[p];
        for (std::uint32_t n = 0; n < product.Quantity; ++n)
            AddItem(product.ItemType, float(product.UnitPrice), -1.0f, -1.0f,
                    product.ItemType == ITEM_ENHANCER ? std::uint32_t(PAIR_NONE) : 0u);
    }
}

void PLAYERCOMPANY::UpdateShip()
{
    GAMENODE* ship = Ship();
    COMPANYSHIP* control = ShipControl();
    if (STATION* station = SiteStation())
        station->ClearMarker();
    if (!ship || !control)
        return;
    if (EnhancersChanged && PlayerControls.RefreshWorkOrders)
        PlayerControls.RefreshWorkOrders(ship, control->OreMask());
    if (Pressed(ACT_ALL_ORE)) {
        control->SetOreMask(kAllOre);
        if (PlayerControls.RefreshWorkOrders)
            PlayerControls.RefreshWorkOrders(ship, kAllOre);
    }
    SITE* shipSite = ShipSite();
    const bool still = IsStill(ship);
    ReadyToBoard = still && shipSite == Site();
    NoEnemies = !shipSite || shipSite->Targets().Count() == 0;

    bool enabled = false;
    if (shipSite) {
        const float d = (ship->GetWorldMatrix().Translation() - shipSite->GetWorldMatrix().Translation()).Length();
        enabled = d >= kJumpDistance && (!AtOwnSite || (NoEnemies && !WatchedFreighter.Get()));
    }
    if (enabled != HyperjumpEnabled) {
        HyperjumpEnabled = enabled;
        PostMessage(enabled ? "Hyperjump Enabled" : "Hyperjump Disabled");
    }

    UpdateRanking(ship);
    if (PlayerControls.FollowFreighter) {
        GAMENODE* freighter = WatchedFreighter.Get();
        if (const auto* cargo = dynamic_cast<const CARGOFREIGHTER*>(freighter); cargo && cargo->IsFreighterDestroyed())
            freighter = nullptr;
        PlayerControls.FollowFreighter(ship, freighter);
    }
    if (PlayerControls.SetZoom)
        PlayerControls.SetZoom(ship, Pressed(ACT_ZOOM));
    if (Pressed(ACT_COCKPIT) && PlayerControls.ToggleCockpit)
        PlayerControls.ToggleCockpit(ship);
    if (Pressed(ACT_FIRE) && PlayerControls.FireWeapon)
        PlayerControls.FireWeapon(ship);
    if (Pressed(ACT_CANISTER) && PlayerControls.EjectCanister)
        PlayerControls.EjectCanister(ship);
    if (Pressed(ACT_NEXT_WEAPON) && PlayerControls.SelectNextWeapon)
        PlayerControls.SelectNextWeapon(ship);

    const float throttle = Action(ACT_THROTTLE);
    if (PlayerControls.SetThrottle)
        PlayerControls.SetThrottle(ship, throttle);
    if (PlayerControls.ShowThrottle)
        PlayerControls.ShowThrottle(ship, throttle);
    const auto* damageable = dynamic_cast<const DAMAGEABLE*>(ship);
    if ((!damageable || damageable->Active) && PlayerControls.AddSteering)
        PlayerControls.AddSteering(ship, QNVEC3(Action(ACT_PITCH), Action(ACT_YAW), Action(ACT_ROLL)));
    for (std::uint32_t v = 0; v < 5; ++v)
        if (Pressed(ACT_CAMERA_FIRST + v) && PlayerControls.SetCameraView)
            PlayerControls.SetCameraView(ship, v + 1);

    if (Pressed(ACT_LEAVE) && ReadyToBoard) {
        EnterSuit();
        return;
    }
    if (PlayerControls.StepWorkOrderPanel)
        PlayerControls.StepWorkOrderPanel(ship);
    for (std::uint32_t c = 0; c < kCompanyCount; ++c) {
        if (!Pressed(ACT_DESTINATIONS_FIRST + c))
            continue;
        if (HyperjumpEnabled) {
            ChosenCompany = c;
            Mode = COMPANYMODE::DESTINATIONS;
            if (PlayerControls.ShowApproachCube)
                PlayerControls.ShowApproachCube(ship, true);
        } else {
            PostMessage("Hyperjump currently disabled");
        }
        break;
    }
}

void PLAYERCOMPANY::UpdateRanking(GAMENODE* vehicle)
{
    if (!vehicle || !PlayerControls.RankingShown || !PlayerControls.ShowRanking)
        return;
    const bool shown = PlayerControls.RankingShown(vehicle);
    const bool escape = shown && Pressed(ACT_ESCAPE);
    if (!Pressed(ACT_RANKING) && !escape)
        return;
    // Escape closes the panel only; the screens do not see it.
    ClearAction(ACT_ESCAPE);
    if (shown) {
        PlayerControls.ShowRanking(vehicle, false, nullptr, 0);
        return;
    }
    RANKINGROW rows[kCompanyCount];
    std::uint32_t count = 0;
    for (std::uint32_t c = 0; c < kCompanyCount; ++c)
        if (const COMPANY* company = Rival(c))
            rows[count++] = RANKINGROW{c, company->Identity, company->Money()};
    PlayerControls.ShowRanking(vehicle, true, rows, count);
}

void PLAYERCOMPANY::UpdateDestinations()
{
    GAMENODE* ship = Ship();
    if (Pressed(ACT_ESCAPE)) {
        ClearAction(ACT_ESCAPE);
        Mode = COMPANYMODE::SHIP;
        if (ship && PlayerControls.ShowApproachCube)
            PlayerControls.ShowApproachCube(ship, false);
        return;
    }
    for (std::uint32_t corner = 0; corner < 8; ++corner) {
        if (!Pressed(ACT_CORNER_FIRST + corner))
            continue;
        Mode = COMPANYMODE::SHIP;
        if (!ship)
            return;
        if (PlayerControls.ShowApproachCube)
            PlayerControls.ShowApproachCube(ship, false);
        const COMPANY* target = Rival(ChosenCompany);
        if (target && target->Site() && PlayerControls.StartHyperjump)
            PlayerControls.StartHyperjump(ship, target->Site(), corner);
        return;
    }
}
