#include "game/screens/store_screen.h"

#include <cmath>
#include <set>
#include <string>

#include "engine/app/cursor_mode.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/queued_message.h"
#include "engine/scene/scene_hooks.h"
#include "engine/scene/view.h"
#include "engine/util/qnmath.h"
#include "game/screens/backdrop.h"
#include "game/screens/screen_cursor.h"
#include "game/screens/screen_media.h"
#include "game/screens/store_catalogues.h"
#include "game/screens/store_elements.h"
#include "game/world/game_globals.h"
#include "game/world/sun.h"

namespace {

// The view's physics world of a store: room for the previews' bodies.
constexpr QNWORLDPARAMS kStoreWorld = {50, 100, 50, 50, 1, true};

// Layout of the 2D screen (screen units). Where the design leaves a size open, it fits the
// stand-in pictures: buttons of 169 x 57, signs of 83 x 83, a blinker of 40 x 40.
constexpr float kBuyX = -494.0f, kBuyY = -403.0f;
constexpr float kCancelX = -494.0f, kCancelY = -460.0f;
constexpr float kNextPageX = 340.0f, kNextPageY = -450.0f;
constexpr float kButtonWidth = 169.0f, kButtonHeight = 57.0f;
constexpr float kSignSize = 83.0f;
constexpr float kBlinkerX = -500.0f, kBlinkerY = 450.0f, kBlinkerSize = 40.0f;
constexpr float kCashX = -290.0f, kCashY = -435.0f;
constexpr float kNameX = 45.0f, kNameY = -400.0f;
constexpr float kPriceX = 40.0f, kPriceY = -490.0f;
constexpr float kCountdownX = 530.0f, kCountdownY = -430.0f;
// The status line runs under the lower row of products.
constexpr float kStatusX = 0.0f, kStatusY = -240.0f;
constexpr std::uint32_t kStatusSeconds = 3;
constexpr float kStatusCellWidth = 16.0f, kStatusCellHeight = 24.0f;
// Quantity fields: 20 x 2 glyphs of 24 x 40.
constexpr float kQuantityCellWidth = 24.0f, kQuantityCellHeight = 40.0f;
constexpr std::uint32_t kQuantityColumns = 20;
// Other text fields: glyphs of 18 x 30.
constexpr float kTextCellWidth = 18.0f, kTextCellHeight = 30.0f;
constexpr float kBackdropDepth = 1.0f;
// Buttons lie behind their captions.
constexpr float kButtonDepth = 0.5f;
constexpr float kCaptionCellWidth = 14.0f, kCaptionCellHeight = 24.0f;
const char* const kCaptions[3] = {"BUY", "CANCEL", "NEXT PAGE"};

// Sun of the previews.
constexpr float kSunAzimuth = 45.0f, kSunElevation = 45.0f;

constexpr const char* kFont = "storefont";
constexpr const char* kFontColour = "storealpha";
constexpr const char* kSoonSign = "blackmarketstoresoonsign";

// Votes on an element's state: the pass visibility and the blinker's own blink.
constexpr std::int32_t kPassVote = 1;
constexpr std::int32_t kBlinkVote = 2;

void Show(QNNODE* node, bool on)
{
    if (node)
        node->SetState(on ? 3 : 2, kPassVote, false, false);
}

float Radians(float degrees)
{
    return 2.0f * 3.14159265358979f * degrees / 360.0f;
}

}  // namespace

QNSCENE*& GameStoreScene(STOREKIND kind)
{
    switch (kind) {
    case STORE_STATIONWEAPONS:
        return GameScenes.StationWeaponStore;
    case STORE_SHIPWEAPONS:
        return GameScenes.ShipWeaponStore;
    case STORE_COUNTERMEASURES:
        return GameScenes.CountermeasureStore;
    default:
        return GameScenes.Store;
    }
}

// ---- elements ------------------------------------------------------------------------------

STORESCREEN::PRODUCTBUTTON::PRODUCTBUTTON(QNNODE* parent, std::uint32_t slot, STORESCREEN* store)
    : SPRITENODE(parent, "PRODUCTBUTTON", 0, 0, 0, nullptr, 0), Store(store), Slot(slot)
{
    const float x = store->Design.Slots[slot][0], y = store->Design.Slots[slot][1];
    SetHitBox(QNBOX(QNVEC3(x, y - BOOMPIVOT::kSlotHeight, 0.0f), QNVEC3(x + BOOMPIVOT::kSlotWidth, y, 1.0f)));
}

std::int32_t STORESCREEN::PRODUCTBUTTON::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    if (Slot >= Store->ShownCount)
        return 0;
    switch (id) {
    case QNMSG_PRESS:
        if (a == 1)
            Store->AddUnit(Slot);
        else if (a == 2)
            Store->RemoveUnit(Slot);
        break;
    case QNMSG_FOCUS:
        Store->SelectSlot(Slot);
        break;
    case QNMSG_UNFOCUS:
        Store->DeselectSlot();
        break;
    default:
        break;
    }
    return 0;
}

STORESCREEN::STOREBUTTON::STOREBUTTON(QNNODE* parent, ROLE role, STORESCREEN* store, float x, float y)
    : SPRITENODE(parent, role == ROLE::BUY ? "BUYBUTTON" : role == ROLE::CANCEL ? "CANCELBUTTON" : "NEXTPAGEBUTTON",
                 0, 0, 0, nullptr, 0, QNSPRITE_ELEMENT, role == ROLE::CANCEL ? 1u : 0u),
      Store(store), Role(role)
{
    const char* picture = role == ROLE::BUY      ? "storebuybutton"
                          : role == ROLE::CANCEL ? "storecancelbutton"
                                                 : "storenextpagebutton";
    DressSprite(this, picture, "sprite", x, y, kButtonDepth);
    // The picture lies behind its caption; its hit box reaches the pointer's depth (0..1).
    QNBOX box;
    GetLocalBox(box, false);
    box.min.z = -kButtonDepth;
    box.max.z = 1.0f - kButtonDepth;
    SetHitBox(box);
    ShowTextureCell(this, 0);
}

std::int32_t STORESCREEN::STOREBUTTON::OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t)
{
    switch (id) {
    case QNMSG_ENTER:
        ShowTextureCell(this, 1);
        break;
    case QNMSG_LEAVE:
        ShowTextureCell(this, 0);
        break;
    case QNMSG_DISABLED:
        if (a)
            ShowTextureCell(this, 0);
        break;
    case QNMSG_HOTKEY_DOWN:
        if (Role == ROLE::CANCEL)
            Store->Cancel();
        break;
    case QNMSG_PRESS:
        if (a != 1)
            break;
        if (Role == ROLE::BUY)
            Store->Buy();
        else if (Role == ROLE::CANCEL)
            Store->Cancel();
        else
            Store->NextPage();
        break;
    default:
        break;
    }
    return 0;
}

STORESCREEN::BLINKER::BLINKER(QNNODE* parent, float x, float y) : SPRITENODE(parent, "BLINKER", 0, 0, 0, nullptr, 0)
{
    DressSprite(this, "storeblinker", "alpha", x, y);
    BroadcastProperty18(1, false);
    Timer.Restart();
}

void STORESCREEN::BLINKER::Update()
{
    SPRITENODE::Update();
    if (Timer.Elapsed() > kPeriod) {
        Lit = !Lit;
        SetState(Lit ? 3 : 2, kBlinkVote, false, false);
        Timer.Restart();
    }
}

// ---- the screen ----------------------------------------------------------------------------

STORESCREEN::STORESCREEN(QNITEM* parent, const STOREDESIGN& design)
    : QNSCENE(parent, design.Name, 1), Design(design), Order(StoreOrders[design.Kind])
{
}

void STORESCREEN::Register(QNRESOURCES& r)
{
    RegisterSprite(r, Design.Backdrop, Design.BackdropFile, 1, 1333.0f, 1000.0f);
    RegisterSprite(r, "storebuybutton", "media\\screens\\store\\textures\\buybutton.dds", 1, kButtonWidth,
                   kButtonHeight, 2, 2);
    RegisterSprite(r, "storecancelbutton", "media\\screens\\store\\textures\\cancelbutton.dds", 1, kButtonWidth,
                   kButtonHeight, 2, 2);
    RegisterSprite(r, "storenextpagebutton", "media\\screens\\store\\textures\\nextpagebutton.dds", 1, kButtonWidth,
                   kButtonHeight, 2, 2);
    RegisterSprite(r, Design.PremiumSign, Design.PremiumSignFile, 1, kSignSize, kSignSize, Design.Build ? 1 : 2,
                   Design.Build ? 1 : 2);
    RegisterSprite(r, Design.SaleSign, Design.SaleSignFile, 1, kSignSize, kSignSize, Design.Build ? 1 : 2,
                   Design.Build ? 1 : 2);
    RegisterSprite(r, kSoonSign, "media\\screens\\store\\textures\\soon.dds", 1, kSignSize, kSignSize);
    if (Design.Build)
        RegisterSprite(r, "storeblinker", "media\\screens\\store\\textures\\encoblinker.dds", 1, kBlinkerSize,
                       kBlinkerSize);
    RegisterTexture(r, kFont, "media\\screens\\common\\textures\\font.dds", 1, 16, 16);
    r.AddColour(kFontColour)->SetEmissive(1.0f, 1.0f, 1.0f);
    RegisterScreenSound(r, "button", "media\\screens\\common\\sounds\\button.wav");
    RegisterScreenSound(r, "addremove_product", "media\\screens\\common\\sounds\\addremove_product.wav");
    RegisterScreenSound(r, "addremove_product_error", "media\\screens\\common\\sounds\\addremove_product_error.wav");

    std::set<std::string> meshes, textures;
    for (std::uint32_t i = 0; i < Design.ProductCount; ++i)
        for (const PREVIEWPIECE& piece : Design.Products[i].Pieces) {
            if (piece.Mesh && meshes.insert(piece.Mesh).second) {
                QNRESOURCES::MeshParams = QNMESHPARAMS();
                QNRESOURCES::MeshParams.Name = piece.Mesh;
                QNRESOURCES::MeshParams.File = piece.MeshFile;
                QNRESOURCES::MeshParams.Args[0] = 1.0f;
                r.AddMeshFile();
            }
            if (piece.Texture && textures.insert(piece.Texture).second)
                RegisterTexture(r, piece.Texture, piece.TextureFile, 1);
        }
}

void STORESCREEN::BuildPreviews(QNNODE* root)
{
    for (std::uint32_t i = 0; i < Design.ProductCount; ++i) {
        const STOREPRODUCTINFO& info = Design.Products[i];
        QNMATRIX place;
        place.SetTranslation(0.0f, info.Height, 0.0f);
        if (Design.Previews == PREVIEWKIND::COUNTERMEASURE) {
            QNMATRIX turn;
            turn.SetRotationY(Radians(270.0f));
            place = turn * place;
        }
        const char* holderName = Design.Previews == PREVIEWKIND::PARTS ? "BOOT" : "PRODUCT";
        auto* holder = new GAMENODE(root, holderName, std::int32_t(info.Type), QNCF_LEVEL_GAME, 0, 2, &place, 0);
        for (const PREVIEWPIECE& piece : info.Pieces) {
            if (!piece.Mesh)
                continue;
            QNMATRIX at;
            at.SetTranslation(piece.Offset[0], piece.Offset[1], piece.Offset[2]);
            const bool discs = !piece.Texture && Design.Previews == PREVIEWKIND::COUNTERMEASURE;
            auto* model = new GAMENODE(holder, discs ? "DISCS" : "PRODUCT", std::int32_t(info.Type), QNCF_LEVEL_GAME,
                                       0, 1, &at, 0);
            if (piece.Texture)
                model->SetTexture(piece.Texture);
            if (discs) {
                model->SetOwnColour();
                model->OwnColour->SetColour(info.Disc[0], info.Disc[1], info.Disc[2], 1.0f);
            }
            model->SetMesh(piece.Mesh);
        }
        holder->SetState(3, 0, false, true);
    }
}

void STORESCREEN::Enter()
{
    Closing = false;
    popRequested_ = false;
    QNVIEW* view = GetView(0);
    QNNODE* root = view->Root;
    CreateViewWorld(view, kStoreWorld);
    Background[0] = -2.0f;
    Background[1] = 0.0f;
    Background[2] = 0.7f;
    Background[3] = 1.0f;
    Ambient[0] = Ambient[1] = Ambient[2] = 0.7f;
    Ambient[3] = 1.0f;

    OpeningCash = Order.Cash;
    BuildPreviews(root);

    BuyButton = new STOREBUTTON(root, STOREBUTTON::ROLE::BUY, this, kBuyX, kBuyY);
    CancelButton = new STOREBUTTON(root, STOREBUTTON::ROLE::CANCEL, this, kCancelX, kCancelY);
    NextPageButton = new STOREBUTTON(root, STOREBUTTON::ROLE::NEXTPAGE, this, kNextPageX, kNextPageY);
    const STOREBUTTON* buttons[3] = {BuyButton.Get(), CancelButton.Get(), NextPageButton.Get()};
    for (std::uint32_t i = 0; i < 3; ++i) {
        const QNVEC3 at = buttons[i]->GetLocalMatrix().Translation();
        const_cast<STOREBUTTON*>(buttons[i])->SetState(3, 0, false, false);
        // The stand-in button pictures carry no words: a caption names each.
        auto* caption = new TEXTFIELD(root, "CAPTION", kFont, kFontColour, at.x, at.y, kCaptionCellWidth,
                                      kCaptionCellHeight, 10, 1);
        caption->BroadcastProperty18(1, false);
        caption->Print(0, "%s", kCaptions[i]);
        caption->SetState(3, 0, false, false);
        Captions[i] = caption;
    }

    for (std::uint32_t k = 0; k < kSlots; ++k) {
        const float x = Design.Slots[k][0], y = Design.Slots[k][1];
        auto* button = new PRODUCTBUTTON(root, k, this);
        button->SetState(3, 0, false, false);
        Buttons[k] = button;
        auto* quantity = new TEXTFIELD(root, "FONT", kFont, kFontColour, x + 40.0f, y - 217.0f, kQuantityCellWidth,
                                       kQuantityCellHeight, kQuantityColumns, 2);
        quantity->BroadcastProperty18(1, false);
        quantity->Print(0, "0");
        quantity->Print(1, nullptr);
        quantity->SetState(3, 0, false, false);
        Quantities[k] = quantity;
        const float sx = x + 254.0f, sy = y - 41.0f;
        SPRITENODE* soon = MakePictureSprite(root, "SOONSIGN", kSoonSign, "alpha", sx, sy);
        SPRITENODE* premium = MakePictureSprite(root, "PREMSIGN", Design.PremiumSign, "alpha", sx, sy);
        SPRITENODE* sale = MakePictureSprite(root, "SALESIGN", Design.SaleSign, "alpha", sx, sy);
        ShowTextureCell(sale, Design.SaleSignCell);
        for (SPRITENODE* sign : {soon, premium, sale}) {
            sign->BroadcastProperty18(1, false);
            sign->SetState(3, 0, false, false);
        }
        SoonSigns[k] = soon;
        PremiumSigns[k] = premium;
        SaleSigns[k] = sale;
    }

    auto* status = new QNQUEUEDMESSAGE(root, kFont, kStatusX, kStatusY, 1, kStatusSeconds, kStatusCellWidth,
                                       kStatusCellHeight);
    status->SetState(3, 0, false, false);
    Status = status;
    auto makeText = [&](const char* name, float x, float y, std::uint32_t columns) {
        auto* t = new TEXTFIELD(root, name, kFont, kFontColour, x, y, kTextCellWidth, kTextCellHeight, columns, 2);
        t->BroadcastProperty18(1, false);
        t->SetState(3, 0, false, false);
        return t;
    };
    CashText = makeText("CASH", kCashX, kCashY, 10);
    NameText = makeText("PRODUCTNAME", kNameX, kNameY, 16);
    PriceText = makeText("PRICE", kPriceX, kPriceY, 10);
    CountdownText = makeText("COUNTDOWN", kCountdownX, kCountdownY, 8);

    const std::uint32_t pivots = Design.ProductCount < kSlots ? Design.ProductCount : kSlots;
    for (std::uint32_t k = 0; k < kSlots; ++k) {
        Pivots[k] = nullptr;
        if (k < pivots)
            Pivots[k] = static_cast<BOOMPIVOT*>(Hotspot.AddChild(new BOOMPIVOT(root, k, this)));
    }
    Hotspot.AddChild(new STOREOVERLAY(root, this));
    auto* backdrop = new BACKDROP(root, Design.Backdrop, kBackdropDepth);
    backdrop->SetState(3, 0, false, false);
    Backdrop = backdrop;
    if (Design.Build) {
        auto* blinker = new BLINKER(root, kBlinkerX, kBlinkerY);
        blinker->SetState(3, 0, false, false);
        Blinker = blinker;
    }

    (new QNSUN(root, kSunAzimuth, kSunElevation))->SetState(3, 0, false, false);

    auto* cursor = new CURSOR(root, nullptr, QNVEC3(0, 0, 0));
    cursor->MakeCurrent();
    if (Design.Build)
        QNAPP::SetCursorMode(false, kCursorResource);

    if (FirstVisit) {
        FillCatalogue();
        Restock();
        RestockTimer.Restart();
        FirstVisit = 0;
    }

    ShowPage(0);
    if (Design.SignedOpeningCash) {
        PrintCash();
    } else if (TEXTFIELD* cash = CashText.Get()) {
        cash->Print(0, "$%.1f", double(Order.Cash) * 0.000001);
        cash->Print(1, "million");
    }
    if (TEXTFIELD* t = NameText.Get()) {
        t->Print(0, nullptr);
        t->Print(1, nullptr);
    }
    if (TEXTFIELD* t = PriceText.Get())
        t->Print(0, nullptr);
    if (TEXTFIELD* t = CountdownText.Get())
        t->Print(1, "minutes");
    UnitsInCart = 0;
    Selected = nullptr;
    SetBuyEnabled(false);
    SetPassVisibility(STOREPASS::MAIN);
}

void STORESCREEN::FillCatalogue()
{
    CatalogueCount = Design.ProductCount < kMaxCatalogue ? Design.ProductCount : kMaxCatalogue;
    for (std::uint32_t i = 0; i < CatalogueCount; ++i) {
        const STOREPRODUCTINFO& info = Design.Products[i];
        Catalogue[i] = CATALOGUEPRODUCT{info.Type, 0, PRODUCTSTATE::REGULAR, info.Name, info.Category};
    }
}

void STORESCREEN::Update()
{
    if (Closing && !popRequested_ && closeTimer_.Elapsed() >= closeDelay_) {
        popRequested_ = true;
        QNSCENE::RequestPop();
    }
    if (RestockTimer.Elapsed() > kRestockSeconds) {
        Restock();
        RestockTimer.Restart();
        Post("NEW SHIPMENT - QUANTITIES RESET");
        SetBuyEnabled(false);
    }
    const double left = kRestockSeconds - RestockTimer.Elapsed() + 1.0;
    const auto whole = std::uint32_t(left > 0.0 ? left : 0.0);
    if (TEXTFIELD* t = CountdownText.Get())
        t->Print(0, "%u:%02u", whole / 60u, whole % 60u);
    SetPassVisibility(STOREPASS::MAIN);
}

void STORESCREEN::Leave()
{
    Order.Pending = 1;
    if (Design.Build)
        QNAPP::SetCursorMode(true, 0);
    else
        QNAPP::Cursor = MarketCursor.Get();
    Selected = nullptr;
    for (BOOMPIVOT*& p : Pivots)
        p = nullptr;
}

std::uint32_t STORESCREEN::CatalogueIndex(std::uint32_t type) const
{
    for (std::uint32_t i = 0; i < CatalogueCount; ++i)
        if (Catalogue[i].Type == type)
            return i;
    return kMaxCatalogue;
}

CATALOGUEPRODUCT* STORESCREEN::ProductOfEntry(std::uint32_t entry)
{
    if (entry >= Order.ProductCount || entry >= STOREORDER::kMaxProducts)
        return nullptr;
    const std::uint32_t i = CatalogueIndex(Order.Products[entry].ItemType);
    return i < CatalogueCount ? &Catalogue[i] : nullptr;
}

void STORESCREEN::DrawPrice(std::uint32_t i, float r)
{
    if (i >= CatalogueCount)
        return;
    CATALOGUEPRODUCT& p = Catalogue[i];
    const STOREPRODUCTINFO& info = Design.Products[i];
    const auto base = std::uint32_t(Design.BasePrice(p.Type));
    float factor = 1.0f;
    if (Design.Rule == DRAWRULE::COUNTERMEASURE) {
        if (r < info.Threshold) {
            p.State = PRODUCTSTATE::NOT_AVAILABLE;
        } else if (r >= 1.0f) {
            p.State = PRODUCTSTATE::PREMIUM;
            factor = 0.5f;
        } else if (r <= 0.75f) {
            p.State = PRODUCTSTATE::SALE;
            factor = 0.5f;
        } else {
            p.State = PRODUCTSTATE::REGULAR;
        }
    } else if (r >= 0.8f) {
        p.State = PRODUCTSTATE::PREMIUM;
        factor = 1.5f;
    } else if (r <= 0.2f) {
        p.State = PRODUCTSTATE::SALE;
        factor = 0.5f;
    } else {
        p.State = PRODUCTSTATE::REGULAR;
    }
    p.Price = std::uint32_t(double(base) * double(factor));
}

void STORESCREEN::Restock()
{
    for (std::uint32_t i = 0; i < CatalogueCount; ++i)
        DrawPrice(i, RandomRange(0.0f, 1.0f));
    const std::uint32_t entries =
        Order.ProductCount < STOREORDER::kMaxProducts ? Order.ProductCount : STOREORDER::kMaxProducts;
    for (std::uint32_t e = 0; e < entries; ++e) {
        Order.Products[e].Quantity = 0;
        Order.Products[e].UnitPrice = 0;
    }
    UnitsInCart = 0;
    Order.Cash = OpeningCash;
    if (TEXTFIELD* cash = CashText.Get())
        cash->Print(0, "$%.1f", double(Order.Cash) * 0.000001);
    for (auto& q : Quantities)
        if (TEXTFIELD* t = q.Get())
            t->Print(0, "0");
    // A first visit or a restock with nothing focused has no focus to take.
    if (QNAPP::Focus.Get())
        QNNODE::ClearFocus(nullptr);
    DeselectSlot();
}

void STORESCREEN::ShowPage(std::uint32_t first)
{
    PageStart = first;
    const std::uint32_t entries =
        Order.ProductCount < STOREORDER::kMaxProducts ? Order.ProductCount : STOREORDER::kMaxProducts;
    std::uint32_t k = 0;
    for (; k < kSlots && first + k < entries; ++k) {
        const std::uint32_t e = first + k;
        const std::uint32_t i = CatalogueIndex(Order.Products[e].ItemType);
        if (BOOMPIVOT* pivot = Pivots[k]) {
            if (i < CatalogueCount && i < Design.ProductCount) {
                const STOREPRODUCTINFO& info = Design.Products[i];
                pivot->Aim(info.Height, QNVEC3(info.Pivot[0], info.Pivot[1], info.Pivot[2]), info.Boom);
            }
            pivot->Active = 1;
        }
        if (TEXTFIELD* t = Quantities[k].Get())
            t->Print(0, "%u", Order.Products[e].Quantity);
    }
    ShownCount = k;
    for (; k < kSlots; ++k) {
        if (Pivots[k])
            Pivots[k]->Active = 0;
        if (TEXTFIELD* t = Quantities[k].Get())
            t->Print(0, nullptr);
    }
}

void STORESCREEN::SetPassVisibility(STOREPASS pass)
{
    const bool overlay = pass == STOREPASS::OVERLAY;
    const bool main = pass == STOREPASS::MAIN;
    for (std::uint32_t k = 0; k < kSlots; ++k) {
        const CATALOGUEPRODUCT* p = k < ShownCount ? ProductOfEntry(PageStart + k) : nullptr;
        const bool filled = overlay && k < ShownCount;
        Show(Quantities[k].Get(), filled);
        Show(SoonSigns[k].Get(), filled && p && p->State == PRODUCTSTATE::NOT_AVAILABLE);
        Show(PremiumSigns[k].Get(), filled && p && p->State == PRODUCTSTATE::PREMIUM);
        Show(SaleSigns[k].Get(), filled && p && p->State == PRODUCTSTATE::SALE);
    }
    Show(Status.Get(), main);
    Show(CashText.Get(), main);
    Show(NameText.Get(), main);
    Show(PriceText.Get(), main);
    Show(CountdownText.Get(), main);
    Show(BuyButton.Get(), main);
    Show(CancelButton.Get(), main);
    Show(NextPageButton.Get(), main);
    Show(Backdrop.Get(), main);
    Show(Blinker.Get(), main);
    for (auto& c : Captions)
        Show(c.Get(), main);
}

void STORESCREEN::PrintCash()
{
    TEXTFIELD* cash = CashText.Get();
    if (!cash)
        return;
    cash->Print(0, "%s$%.1f", Order.Cash < 0.0f ? "-" : "", std::fabs(double(Order.Cash)) * 0.000001);
    cash->Print(1, "million");
}

void STORESCREEN::AddUnit(std::uint32_t slot)
{
    if (Closing)
        return;
    const std::uint32_t e = PageStart + slot;
    CATALOGUEPRODUCT* p = slot < ShownCount ? ProductOfEntry(e) : nullptr;
    if (!p) {
        Play("addremove_product_error");
        return;
    }
    STOREPRODUCT& entry = Order.Products[e];
    if (entry.Quantity >= kMaxQuantity || (entry.Limit != 0 && entry.Quantity >= entry.Limit)) {
        Play("addremove_product_error");
        return;
    }
    if (!Design.Build && p->State == PRODUCTSTATE::NOT_AVAILABLE) {
        Error("ITEM NOT AVAILABLE");
        return;
    }
    if (UnitsInCart >= Order.Capacity) {
        Error(Design.FullMessage);
        return;
    }
    if (Order.Cash < float(p->Price)) {
        if (!entry.StoreCredit) {
            Error("NO STORE CREDIT ON THIS ITEM");
            return;
        }
        if (entry.Quantity > 0) {
            Error("OUT OF CASH");
            return;
        }
        Post("STORE CREDIT USED");
    }
    ++UnitsInCart;
    ++entry.Quantity;
    if (TEXTFIELD* t = Quantities[slot].Get())
        t->Print(0, "%u", entry.Quantity);
    Order.Cash -= float(p->Price);
    PrintCash();
    entry.UnitPrice = p->Price;
    Play("addremove_product");
    SetBuyEnabled(Order.Cash < OpeningCash);
}

void STORESCREEN::RemoveUnit(std::uint32_t slot)
{
    if (Closing)
        return;
    const std::uint32_t e = PageStart + slot;
    CATALOGUEPRODUCT* p = slot < ShownCount ? ProductOfEntry(e) : nullptr;
    if (!p || Order.Products[e].Quantity == 0) {
        Play("addremove_product_error");
        return;
    }
    STOREPRODUCT& entry = Order.Products[e];
    if (UnitsInCart > 0)
        --UnitsInCart;
    --entry.Quantity;
    if (TEXTFIELD* t = Quantities[slot].Get())
        t->Print(0, "%u", entry.Quantity);
    Order.Cash += float(p->Price);
    PrintCash();
    Play("addremove_product");
    SetBuyEnabled(Order.Cash < OpeningCash);
}

void STORESCREEN::SelectSlot(std::uint32_t slot)
{
    CATALOGUEPRODUCT* p = slot < ShownCount ? ProductOfEntry(PageStart + slot) : nullptr;
    if (!p)
        return;
    if (Selected && Selected != Pivots[slot])
        Selected->Spin(false);
    Selected = Pivots[slot];
    if (Selected)
        Selected->Spin(true);
    if (TEXTFIELD* t = NameText.Get()) {
        t->Print(0, "%s", p->Name);
        t->Print(1, "%s", p->Category);
    }
    if (TEXTFIELD* t = PriceText.Get())
        t->Print(0, "$%.1fm", double(p->Price) * 0.000001);
}

void STORESCREEN::DeselectSlot()
{
    if (Selected)
        Selected->Spin(false);
    Selected = nullptr;
    if (TEXTFIELD* t = NameText.Get()) {
        t->Print(0, nullptr);
        t->Print(1, nullptr);
    }
    if (TEXTFIELD* t = PriceText.Get())
        t->Print(0, nullptr);
}

void STORESCREEN::NextPage()
{
    Play("button");
    std::uint32_t next = PageStart + kSlots;
    if (next >= Order.ProductCount)
        next = 0;
    if (next != PageStart)
        ShowPage(next);
}

void STORESCREEN::Cancel()
{
    if (Closing)
        return;
    QNSOUND* click = Play("button");
    Order.Cash = OpeningCash;
    for (STOREPRODUCT& entry : Order.Products) {
        entry.Quantity = 0;
        entry.UnitPrice = 0;
    }
    UnitsInCart = 0;
    CloseAfter(click);
}

void STORESCREEN::Buy()
{
    if (Closing)
        return;
    CloseAfter(Play("button"));
}

void STORESCREEN::CloseAfter(QNSOUND* click)
{
    // Leaving frees the store's sounds: the click would be cut off at once.
    Closing = true;
    closeDelay_ = click && click->Segment() ? click->Segment()->Seconds() : 0.0;
    closeTimer_.Restart();
    popRequested_ = closeDelay_ <= 0.0;
    if (popRequested_)
        QNSCENE::RequestPop();
}

QNSOUND* STORESCREEN::Play(const char* sound)
{
    LastSound = sound;
    ++SoundCount;
    QNVIEW* view = GetView(0);
    return view ? PlayScreenSound(view->Root, sound) : nullptr;
}

void STORESCREEN::Post(const char* message)
{
    LastMessage = message;
    if (QNQUEUEDMESSAGE* status = Status.Get())
        status->Post("%s", message);
}

void STORESCREEN::Error(const char* message)
{
    Play("addremove_product_error");
    Post(message);
}

void STORESCREEN::SetBuyEnabled(bool on)
{
    if (STOREBUTTON* buy = BuyButton.Get())
        buy->BroadcastProperty18(on ? 0 : 1, false);
}
