#include "game/screens/black_market.h"

#include "engine/app/cursor_mode.h"
#include "engine/input/qninput.h"
#include "engine/scene/view.h"
#include "game/screens/backdrop.h"
#include "game/screens/screen_cursor.h"
#include "game/screens/screen_media.h"
#include "game/screens/store_elements.h"
#include "game/screens/store_screen.h"
#include "game/vehicles/collship.h"
#include "game/world/company.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"
#include "game/world/player_company.h"
#include "game/world/site.h"
#include "game/world/station.h"

namespace {

constexpr std::uint32_t kScanEscape = 0x01;

struct MARKETPICTURE {
    const char* Name;
    const char* File;
    float Width, Height;
    float X, Y;
    float HitLower, HitUpper;  // moves of the hit box's lower and upper bounds
};

// Index 0-2: the stores; 3: the exit.
constexpr MARKETPICTURE kPictures[4] = {
    {"blackmarketstation", "media\\screens\\blackmarket\\textures\\stationweapons.dds", 666.5f, 424.48f, 246.27f,
     49.54f, 50.0f, 0.0f},
    {"blackmarketship", "media\\screens\\blackmarket\\textures\\shipweapons.dds", 489.46f, 481.77f, -422.18f, -66.49f,
     0.0f, 0.0f},
    {"blackmarketcountermeasure", "media\\screens\\blackmarket\\textures\\countermeasures.dds", 650.88f, 425.78f,
     341.39f, -287.48f, 0.0f, -50.0f},
    {"blackmarketexit", "media\\screens\\blackmarket\\textures\\exitbutton.dds", 149.70f, 45.57f, -517.95f, -462.19f,
     0.0f, 0.0f},
};

const char* const kCaptions[4] = {"STATION WEAPONS", "SHIP WEAPONS", "COUNTERMEASURES", "EXIT"};
constexpr float kCaptionCell[2] = {18.0f, 30.0f};

// Station weapons 17-24 in order, and whether each may be bought on credit.
constexpr std::uint8_t kStationWeaponCredit[8] = {0, 1, 1, 0, 0, 0, 1, 0};
// Ship weapons 69-72 (rack slots 0-3) and 74 (rear eject).
constexpr std::uint8_t kShipWeaponCredit[4] = {0, 0, 0, 1};
constexpr std::uint32_t kRearEject = 74;

const char* const kStoreNames[STORE_KINDS] = {"STORE", "STATIONWEAPONSTORE", "SHIPWEAPONSTORE",
                                              "COUNTERMEASURESTORE"};

STATION* StationOf(const COMPANY* company)
{
    SITE* site = company ? company->Site() : nullptr;
    return site ? dynamic_cast<STATION*>(site->Station.Get()) : nullptr;
}

COLLSHIP* ShipOf(const COMPANY* company)
{
    return company ? dynamic_cast<COLLSHIP*>(company->Ship()) : nullptr;
}

std::uint32_t FreeBuildSlots(const COMPANY* company)
{
    const std::uint32_t held = company->ItemCount();
    return held < COMPANY::kInventorySize ? COMPANY::kInventorySize - held : 0;
}

// The money after the order: what the store spent applied to the money the company has now.
float MoneyAfter(const COMPANY* company, const STOREORDER& order, float openedWith)
{
    return company->Money() + (order.Cash - openedWith);
}

std::uint32_t Entries(const STOREORDER& order)
{
    return order.ProductCount < STOREORDER::kMaxProducts ? order.ProductCount : STOREORDER::kMaxProducts;
}

}  // namespace

BLACKMARKET::MARKETBUTTON::MARKETBUTTON(QNNODE* parent, std::int32_t index, float x, float y)
    : SPRITENODE(parent, index < 0 ? "EXITBUTTON" : "STOREBUTTON", 0, 0, 0, nullptr, index < 0 ? 0u : 64u),
      Index(index)
{
    const MARKETPICTURE& p = kPictures[index < 0 ? 3 : index];
    DressSprite(this, p.Name, "sprite", x, y);
    if (index >= 0) {
        QNBOX box(QNVEC3(-p.Width / 2, -p.Height / 2 + p.HitLower, 0.0f),
                  QNVEC3(p.Width / 2, p.Height / 2 + p.HitUpper, 1.0f));
        SetHitBox(box);
    }
}

std::int32_t BLACKMARKET::MARKETBUTTON::OnMessage(std::uint32_t id, std::uintptr_t, std::uintptr_t)
{
    switch (id) {
    case QNMSG_ENTER:
        SetState(3, 1, false, false);
        break;
    case QNMSG_LEAVE:
        SetState(2, 1, false, false);
        break;
    case QNMSG_PRESS:
        PlayScreenSound(this, "button");
        if (Index < 0)
            QNSCENE::RequestPop();
        else
            OpenStore(STOREKIND(std::uint32_t(Index) + 1), PlayerCompany);
        break;
    default:
        break;
    }
    return 0;
}

BLACKMARKET::BLACKMARKET(QNITEM* parent) : QNSCENE(parent, "BLACKMARKET", 1)
{
    GameScenes.BlackMarket = this;
}

BLACKMARKET::~BLACKMARKET()
{
    if (GameScenes.BlackMarket == this)
        GameScenes.BlackMarket = nullptr;
}

void BLACKMARKET::Register(QNRESOURCES& r)
{
    RegisterSprite(r, "blackmarketbackdrop", "media\\screens\\blackmarket\\textures\\backdrop.dds", 1, 1333.0f,
                   1000.0f);
    for (const MARKETPICTURE& p : kPictures)
        RegisterSprite(r, p.Name, p.File, 1, p.Width, p.Height);
    RegisterScreenSound(r, "button", "media\\screens\\common\\sounds\\button.wav");
    RegisterTexture(r, "storefont", "media\\screens\\common\\textures\\font.dds", 1, 16, 16);
    r.AddColour("storealpha")->SetEmissive(1.0f, 1.0f, 1.0f);
}

void BLACKMARKET::Enter()
{
    QNAPP::SetCursorMode(false, kCursorResource);
    Background[0] = -1.0f;
    Background[1] = 0.0f;
    Background[2] = 0.7f;
    Background[3] = 1.0f;
    QNNODE* root = GetView(0)->Root;
    // The stand-in pictures carry no words: a caption names each place (made first, so drawn over
    // the pictures).
    for (std::uint32_t i = 0; i < 4; ++i) {
        auto* caption = new TEXTFIELD(root, "CAPTION", "storefont", "storealpha", kPictures[i].X, kPictures[i].Y,
                                      kCaptionCell[0], kCaptionCell[1], 16, 1);
        caption->BroadcastProperty18(1, false);
        caption->Print(0, "%s", kCaptions[i]);
        caption->SetState(3, 0, false, false);
    }
    auto place = [&](std::int32_t index) {
        const MARKETPICTURE& p = kPictures[index < 0 ? 3 : index];
        auto* button = new MARKETBUTTON(root, index, p.X, p.Y);
        button->SetState(3, 0, false, false);
        button->SetState(2, 1, false, false);
    };
    place(-1);
    place(0);
    place(1);
    place(2);
    (new BACKDROP(root, "blackmarketbackdrop", 1.0f))->SetState(3, 0, false, false);
    auto* cursor = new CURSOR(root, nullptr, QNVEC3(0, 0, 0));
    MarketCursor = cursor;
    cursor->MakeCurrent();
}

void BLACKMARKET::Update()
{
    if ((QNKEYBOARD::KeyEvent() & 0xFF) == kScanEscape)
        QNSCENE::RequestPop();
    else
        DeliverPurchases(PlayerCompany);
}

void BLACKMARKET::Leave()
{
    QNAPP::SetCursorMode(true, 0);
    MarketCursor.Reset();
}

void BLACKMARKET::FillOrder(STOREKIND kind, COMPANY* company)
{
    if (kind == STORE_BUILD || kind >= STORE_KINDS || !company)
        return;
    STOREORDER& order = StoreOrders[kind];
    order.Clear();
    STATION* station = StationOf(company);
    COLLSHIP* ship = ShipOf(company);
    order.Cash = company->Money();
    OpenedWith[kind] = order.Cash;
    order.Owner = station ? station->ViewIndex : company->View;
    switch (kind) {
    case STORE_STATIONWEAPONS: {
        for (std::uint32_t i = 0; i < 8; ++i)
            order.AddProduct(ITEM_EARLYWARNING + i, 0, kStationWeaponCredit[i] != 0);
        const std::uint32_t docks = station ? station->Counts[ITEM_MERCSHIPDOCK] : 0;
        if (docks == 0 && company->CountItems(ITEM_MERCSHIPDOCK) == 0)
            order.AddProduct(ITEM_MERCSHIPDOCK, 1, false);
        order.Capacity = FreeBuildSlots(company);
        break;
    }
    case STORE_SHIPWEAPONS:
        if (ship) {
            for (std::uint32_t i = 0; i < 4; ++i)
                if (!ship->Rack.Slots[i])
                    order.AddProduct(WEAPONRACK::kFirstType + i, 1, kShipWeaponCredit[i] != 0);
            if (!ship->Canister)
                order.AddProduct(kRearEject, 1, true);
        }
        order.Capacity = kShipWeaponCapacity;
        break;
    case STORE_COUNTERMEASURES:
        if (ship)
            for (std::uint32_t k = 0; k < COLLSHIP::kCountermeasureKinds; ++k)
                if (ship->Countermeasure[k] == 0.0f)
                    order.AddProduct(COLLSHIP::kFirstCountermeasure + k, 1, k == 0);
        order.Capacity = kCountermeasureCapacity;
        break;
    default:
        break;
    }
}

bool BLACKMARKET::OpenStore(STOREKIND kind, COMPANY* company)
{
    if (!company || kind == STORE_BUILD || kind >= STORE_KINDS)
        return false;
    FillOrder(kind, company);
    QNSCENE::RequestPush(kStoreNames[kind]);
    return true;
}

bool BLACKMARKET::DeliverPurchases(COMPANY* company)
{
    if (!company)
        return false;
    STOREORDER& stations = StoreOrders[STORE_STATIONWEAPONS];
    STOREORDER& weapons = StoreOrders[STORE_SHIPWEAPONS];
    STOREORDER& counters = StoreOrders[STORE_COUNTERMEASURES];
    COLLSHIP* ship = ShipOf(company);
    if (stations.Pending) {
        company->SetMoney(MoneyAfter(company, stations, OpenedWith[STORE_STATIONWEAPONS]));
        for (std::uint32_t e = 0; e < Entries(stations); ++e) {
            const STOREPRODUCT& p = stations.Products[e];
            for (std::uint32_t u = 0; u < p.Quantity && u < STORESCREEN::kMaxQuantity; ++u)
                company->AddItem(p.ItemType, float(p.UnitPrice), -1.0f, -1.0f, 0);
        }
        stations.Pending = 0;
        return true;
    }
    if (weapons.Pending && ship) {
        company->SetMoney(MoneyAfter(company, weapons, OpenedWith[STORE_SHIPWEAPONS]));
        for (std::uint32_t e = 0; e < Entries(weapons); ++e) {
            const STOREPRODUCT& p = weapons.Products[e];
            // A unit whose slot is taken is not installed and is not paid for.
            for (std::uint32_t u = 0; u < p.Quantity && u < STORESCREEN::kMaxQuantity; ++u)
                if (!ship->InstallWeapon(p.ItemType, true, false))
                    company->AddMoney(float(p.UnitPrice));
        }
        weapons.Pending = 0;
        return true;
    }
    if (counters.Pending && ship) {
        company->SetMoney(MoneyAfter(company, counters, OpenedWith[STORE_COUNTERMEASURES]));
        for (std::uint32_t e = 0; e < Entries(counters); ++e) {
            const STOREPRODUCT& p = counters.Products[e];
            const std::uint32_t first = COLLSHIP::kFirstCountermeasure;
            if (p.ItemType < first || p.ItemType >= first + COLLSHIP::kCountermeasureKinds)
                continue;
            for (std::uint32_t u = 0; u < p.Quantity && u < STORESCREEN::kMaxQuantity; ++u)
                ship->AddCountermeasure(p.ItemType - first);
        }
        counters.Pending = 0;
        return true;
    }
    return false;
}
