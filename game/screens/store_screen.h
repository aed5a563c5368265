#pragma once
/// STORESCREEN: the design the four stores share. A store shows up to six products a page, each
/// in a 3D preview window with its ordered quantity and a price sign; the player adds and
/// removes units against the cash of the store's STOREORDER; every 300 s the store restocks with
/// new prices; BUY or CANCEL close it. What makes each store itself (catalogue, price source,
/// draw rule, previews, slots, messages) is its STOREDESIGN (store_catalogues.h).
///
/// A frame of a store draws in passes: the main pass (the 2D screen), one preview pass per
/// filled slot (only the 3D products) and the overlay pass (quantities and signs). Each pass
/// sets the elements' visibility first (SetPassVisibility).
///
/// The catalogue, its prices and the restock timer live as long as the screen; the order lives
/// from its opener to its delivery. Leaving sets the order's pending byte.

#include <cstdint>
#include <string>

#include "engine/physics/sprite_node.h"
#include "engine/scene/cursor.h"
#include "engine/scene/scene.h"
#include "engine/util/qntimer.h"
#include "game/world/store_order.h"

class QNSOUND;

class BOOMPIVOT;
class TEXTFIELD;
class QNQUEUEDMESSAGE;
struct STOREDESIGN;

/// Price state of a catalogue product.
enum class PRODUCTSTATE : std::uint32_t {
    REGULAR = 0,
    SALE = 1,
    PREMIUM = 2,
    NOT_AVAILABLE = 3,
};

/// A product the store can sell, with its current price and state.
struct CATALOGUEPRODUCT {
    std::uint32_t Type = 0;
    std::uint32_t Price = 0;  ///< whole dollars
    PRODUCTSTATE State = PRODUCTSTATE::REGULAR;
    const char* Name = "";
    const char* Category = "";
};

/// Pass kinds of SetPassVisibility.
enum class STOREPASS : std::uint32_t {
    PREVIEW = 0,
    MAIN = 1,
    OVERLAY = 2,
};

class STORESCREEN : public QNSCENE {
public:
    static constexpr std::uint32_t kSlots = 6;
    static constexpr std::uint32_t kMaxCatalogue = 9;
    static constexpr std::uint32_t kMaxQuantity = 9;
    static constexpr double kRestockSeconds = 300.0;
    /// Cursor resource of the system pointer on the screens.
    static constexpr std::uint32_t kCursorResource = 109;

    /// A product slot's button: its hit rectangle is the slot's window. Left click adds a
    /// unit, right click removes one; gaining the focus selects the preview.
    class PRODUCTBUTTON : public SPRITENODE {
    public:
        PRODUCTBUTTON(QNNODE* parent, std::uint32_t slot, STORESCREEN* store);
        std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
        STORESCREEN* Store;
        std::uint32_t Slot;
    };

    /// BUY, CANCEL and NEXT PAGE: two-cell buttons (cell 1 under the pointer).
    class STOREBUTTON : public SPRITENODE {
    public:
        enum class ROLE : std::uint32_t { BUY, CANCEL, NEXTPAGE };
        STOREBUTTON(QNNODE* parent, ROLE role, STORESCREEN* store, float x, float y);
        std::int32_t OnMessage(std::uint32_t id, std::uintptr_t a, std::uintptr_t b) override;
        STORESCREEN* Store;
        ROLE Role;
    };

    /// The build store's flashing light: a picture of the main pass (blinking on its own vote),
    /// no element to click or Tab to.
    class BLINKER : public SPRITENODE {
    public:
        static constexpr double kPeriod = 1.0;
        BLINKER(QNNODE* parent, float x, float y);
        void Update() override;
        QNTIMER Timer;
        bool Lit = true;
    };

    STORESCREEN(QNITEM* parent, const STOREDESIGN& design);

    void Register(QNRESOURCES& resources) override;
    void Enter() override;
    void Update() override;
    void Leave() override;

    // The store's operations (the elements call them; tests drive them directly).
    /// A left (add) or right (remove) click on slot `slot`.
    void AddUnit(std::uint32_t slot);
    void RemoveUnit(std::uint32_t slot);
    /// Focus gained / lost by the button of `slot`.
    void SelectSlot(std::uint32_t slot);
    void DeselectSlot();
    void NextPage();
    /// Cash back to the opening cash, every quantity and unit price 0, then closes.
    void Cancel();
    void Buy();
    /// New prices and states, an empty cart, the opening cash back.
    void Restock();
    void ShowPage(std::uint32_t first);
    void SetPassVisibility(STOREPASS pass);
    void PrintCash();

    /// The catalogue product of order entry `entry` (null when none matches).
    CATALOGUEPRODUCT* ProductOfEntry(std::uint32_t entry);
    /// The catalogue index of `type` (kMaxCatalogue when none).
    std::uint32_t CatalogueIndex(std::uint32_t type) const;
    /// The state and price of product `i` for a draw `r` in [0, 1].
    void DrawPrice(std::uint32_t i, float r);

    const STOREDESIGN& Design;
    STOREORDER& Order;
    CATALOGUEPRODUCT Catalogue[kMaxCatalogue];
    std::uint32_t CatalogueCount = 0;
    std::uint8_t FirstVisit = 1;
    QNTIMER RestockTimer;
    std::uint32_t PageStart = 0;
    std::uint32_t ShownCount = 0;
    std::uint32_t UnitsInCart = 0;
    float OpeningCash = 0.0f;
    BOOMPIVOT* Selected = nullptr;

    // Elements of the current visit (weak: they die with the view).
    BOOMPIVOT* Pivots[kSlots] = {};
    QNWEAK<SPRITENODE> Buttons[kSlots];
    QNWEAK<TEXTFIELD> Quantities[kSlots];
    QNWEAK<SPRITENODE> SoonSigns[kSlots];
    QNWEAK<SPRITENODE> PremiumSigns[kSlots];
    QNWEAK<SPRITENODE> SaleSigns[kSlots];
    QNWEAK<TEXTFIELD> CashText;
    QNWEAK<TEXTFIELD> NameText;
    QNWEAK<TEXTFIELD> PriceText;
    QNWEAK<TEXTFIELD> CountdownText;
    QNWEAK<QNQUEUEDMESSAGE> Status;
    QNWEAK<STOREBUTTON> BuyButton;
    QNWEAK<STOREBUTTON> CancelButton;
    QNWEAK<STOREBUTTON> NextPageButton;
    QNWEAK<SPRITENODE> Backdrop;
    QNWEAK<BLINKER> Blinker;
    QNWEAK<TEXTFIELD> Captions[3];

    /// The last interface sound asked for and the last status line posted (for the HUD-less
    /// checks of a run).
    std::string LastSound;
    std::string LastMessage;
    std::uint32_t SoundCount = 0;
    /// Buy or Cancel was pressed: the store closes once its click has played out, and takes
    /// no more input meanwhile.
    bool Closing = false;

private:
    QNSOUND* Play(const char* sound);
    /// Closes the store when `click` has played (at once without one).
    void CloseAfter(QNSOUND* click);

    QNTIMER closeTimer_;
    double closeDelay_ = 0.0;
    bool popRequested_ = false;
    void Post(const char* message);
    void Error(const char* message);
    void SetBuyEnabled(bool on);
    void BuildPreviews(QNNODE* root);
    void FillCatalogue();
};

/// The program's scene slot of the store `kind` (GameScenes).
QNSCENE*& GameStoreScene(STOREKIND kind);

/// The black market's pointer node while it is entered; its stores hand the pointer back to it
/// when they close.
inline QNWEAK<QNCURSOR> MarketCursor;
