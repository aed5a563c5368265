#include "game/world/player_company.h"

#include "engine/input/qninputmap.h"
#include "engine/scene/queued_message.h"
#include "game/world/company_links.h"
#include "game/world/crew.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/station.h"
#include "game/world/suit_control.h"
#include "game/world/world_vehicle.h"

namespace {

constexpr float kMillions = 0.000001f;

// Suit thrust (sideways, vertical, forward) and turn (pitch, yaw, roll) actions.
constexpr std::uint32_t kSuitThrustActions[3] = {22, 24, 26};
constexpr std::uint32_t kSuitTurnActions[3] = {28, 31, 34};
// Where the suit stands beside the ship when the player leaves it, in the ship's axes.
const QNVEC3 kBesideShip = {-5.0f, 0.0f, 0.0f};
// The spots tried, in the suit's base frame, when the first one is taken.
const QNVEC3 kSuitSpots[6] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};

bool Near(const QNVEC3& a, const QNVEC3& b)
{
    const QNVEC3 d = a - b;
    return d.x * d.x < 1e-8f && d.y * d.y < 1e-8f && d.z * d.z < 1e-8f;
}

}  // namespace

PLAYERCOMPANY::PLAYERCOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene)
    : COMPANY(view, identity, companies, scene)
{
    PlayerCompany = this;
    PlayerView = View;
    SITE* site = Site();
    if (!site)
        return;
    if (CompanyVehicles.CreateSky) {
        Sky = CompanyVehicles.CreateSky(site);
        if (SUITCONTROL* suit = SuitControlOf(Suit()))
            suit->SetSky(Sky.Get());
    }
    site->SetState(3, 0, false, true);
    EnterSuit();
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

void PLAYERCOMPANY::EnterSuit()
{
    if (Mode == COMPANYMODE::SUIT)
        return;
    GAMENODE* suitNode = Suit();
    if (suitNode) {
        if (COMPANYSHIP* ship = ShipControl())
            ship->SetViewMode(2);
        if (auto* vehicle = dynamic_cast<WORLDVEHICLE*>(suitNode))
            vehicle->SetViewMode(1);
        ShowSuitWhereFree(suitNode);
    }
    COMPANY::EnterSuit();
    SUITCONTROL* suit = SuitControlOf(suitNode);
    if (!suit)
        return;
    HudLines[HUD_SUIT] = suit->MessageLine();
    suit->ShowMoney(Money());
    suit->ClearInventory();
    for (std::uint32_t i = 0; i < ItemCount(); ++i)
        suit->ShowInventoryItem(Item(i).Type);
}

void PLAYERCOMPANY::AddMoney(float amount)
{
    COMPANY::AddMoney(amount);
    if (Mode == COMPANYMODE::SUIT)
        if (SUITCONTROL* suit = SuitControlOf(Suit()))
            suit->ShowMoney(Money());
}

void PLAYERCOMPANY::SetMoney(float amount)
{
    COMPANY::SetMoney(amount);
    if (Mode == COMPANYMODE::SUIT)
        if (SUITCONTROL* suit = SuitControlOf(Suit()))
            suit->ShowMoney(Money());
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

void PLAYERCOMPANY::Update()
{
    COMPANY::Update();
    if (SITE* site = Site())
        if (site->Crew && site->Crew->MemberCount() == 0)
            site->Crew->SetCount(kCrewSize);
    if (Mode == COMPANYMODE::SUIT)
        UpdateSuitControls();
}

void PLAYERCOMPANY::UpdateSuitControls()
{
    SUITCONTROL* suit = SuitControlOf(Suit());
    if (!suit)
        return;
    suit->AddThrust(QNVEC3(QNINPUTMAP::Value(kSuitThrustActions[0]), QNINPUTMAP::Value(kSuitThrustActions[1]),
                           QNINPUTMAP::Value(kSuitThrustActions[2])));
    suit->AddTurn(QNVEC3(QNINPUTMAP::Value(kSuitTurnActions[0]), QNINPUTMAP::Value(kSuitTurnActions[1]),
                         QNINPUTMAP::Value(kSuitTurnActions[2])));

    // The station's selection step; the part in the sights is named on the message line (a
    // repeat of the line showing is dropped by the line, so it stays up while aimed at).
    SITE* site = Site();
    auto* station = site ? dynamic_cast<STATION*>(site->Station.Get()) : nullptr;
    if (station)
        station->Update();
    if (STATIONPART* aimed = station ? station->Selected.Get() : nullptr)
        if (QNQUEUEDMESSAGE* line = suit->MessageLine())
            line->Post("%s", ItemName(static_cast<std::uint32_t>(aimed->Kind)));
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
    QNQUEUEDMESSAGE* line = MessageLine();
    if (!line)
        return;
    std::va_list args;
    va_start(args, format);
    line->PostV(format, args);
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
