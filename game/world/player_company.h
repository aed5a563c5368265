#pragma once
/// PLAYERCOMPANY: the company of the person at the keyboard. There is one per game; the globals
/// PlayerCompany and PlayerView name it while it exists.
///
/// Each frame it turns the actions of the input bindings into commands: in the suit, building
/// and removing station parts from the inventory, docking and undocking the collector ship,
/// calling freighters, the build store and the mercenary manager; in the ship, flying, firing,
/// the camera views and the hyperjumps to another company's site. Vehicles and HUDs are driven
/// through PlayerControls (they live in a higher library).
///
/// Its notices (sales, purchases, interest, refusals) go to the current HUD's lower message
/// line: the suit HUD's in the suit, the ship HUD's in the ship, none otherwise. The HUDs
/// register their lines in HudLines.

#include <cstdarg>
#include <cstddef>

#include "engine/util/qn_item.h"
#include "game/world/company.h"

class QNSOUND;
class QNQUEUEDMESSAGE;

/// Actions of the default control table that the player's commands read.
enum PLAYERACTION : std::uint32_t {
    ACT_ESCAPE = 1,
    ACT_EXTEND = 2,
    ACT_NEXT_CONNECTOR = 4,
    ACT_REMOVE = 6,
    ACT_PLACE_FIRST = 8,   ///< 8-12: place inventory item 0-4
    ACT_SELL_FIRST = 13,   ///< 13-17: sell inventory item 0-4
    ACT_DOCK = 19,
    ACT_BOARD = 20,
    ACT_LEAVE = 21,
    ACT_SUIT_THRUST_X = 22,
    ACT_SUIT_THRUST_Y = 24,
    ACT_SUIT_THRUST_Z = 26,
    ACT_SUIT_PITCH = 28,
    ACT_SUIT_YAW = 31,
    ACT_SUIT_ROLL = 34,
    ACT_HELMET = 37,
    ACT_COCKPIT = 38,
    ACT_THROTTLE = 42,
    ACT_PITCH = 45,
    ACT_YAW = 48,
    ACT_ROLL = 51,
    ACT_CALL_FREIGHTER = 54,
    ACT_FIRE = 58,
    ACT_CANISTER = 60,
    ACT_NEXT_WEAPON = 62,
    ACT_DESTINATIONS_FIRST = 69,  ///< 69-72: the destination list of company 0-3
    ACT_CORNER_FIRST = 73,        ///< 73-80: jump to corner 0-7
    ACT_CAMERA_FIRST = 81,        ///< 81-85: camera views 1-5
    ACT_RANKING = 87,
    ACT_ALL_ORE = 88,
    ACT_ZOOM = 89,
    ACT_BUILD_STORE = 90,
    ACT_MERCENARIES = 92,
};

class PLAYERCOMPANY : public COMPANY {
public:
    /// The HUD message lines, by the mode that shows them.
    enum HUDLINE : std::uint32_t { HUD_SUIT = 0, HUD_SHIP = 1, HUD_LINES = 2 };

    /// Leaving the ship needs it slower than this on every axis; boarding needs the suit within
    /// kBoardDistance of it; a hyperjump needs kJumpDistance from the origin of the ship's site.
    static constexpr float kSlow = 0.1f;
    static constexpr float kBoardDistance = 7.5f;
    static constexpr float kJumpDistance = 200.0f;
    /// The suit is put this far along the ship's -x axis when the pilot leaves.
    static constexpr float kLeaveOffset = 5.0f;
    /// A ship bought by the player has the zoom and these damage meters.
    static constexpr float kBoughtCondition = 70.0f;

    /// The company; sets the player globals.
    PLAYERCOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene = nullptr);
    ~PLAYERCOMPANY() override;

    /// Puts the player in the suit: worn view, shown where it may stand, its HUD given the
    /// money and the inventory; then the base. Nothing when already in the suit.
    void EnterSuit() override;
    /// The suit hidden, the ship flown from inside, the throttle at 0; then the base.
    void BoardShip() override;
    /// The ship seen from outside, the base, and a camera above and behind the ship that
    /// watches the ejection (it replaces the previous one).
    void Eject() override;
    void AddMoney(float amount) override;
    void SetMoney(float amount) override;
    void SetShip(GAMENODE* ship) override;
    bool AddItem(std::uint32_t type, float value, float conditionA, float conditionB,
                 std::uint32_t colourPair) override;
    INVENTORYITEM RemoveItem(std::uint32_t index) override;
    /// The base; "Sold %s for $%.1fM" on the HUD when an item was sold.
    float SellItem(std::uint32_t index) override;
    void Update() override;
    /// The base; a bought (not free) ship in the suit posts the purchase; the new ship gets the
    /// zoom and kBoughtCondition on both meters.
    bool BuyCollectorShip() override;
    /// The base; when interest was charged, "Charged $%.1fM interest (%.1f%%)" on the HUD.
    float ChargeInterest() override;
    void UpdateDock() override;

    /// Fills the build store's order from the station and the inventory and pushes the store.
    void OpenBuildStore();
    /// Takes a pending build-store purchase over (once): what the store spent is applied to the
    /// money as it is now, so money paid or charged since the store opened stays.
    void TakeStoreOrder();
    /// The aimed part's name as the suit shows it: an enhancer with its colour pair, an ore
    /// processor or storage unit with the value it holds ("%s ($%.1f M)"); bounded by `size`.
    static void AimedName(const STATIONPART* part, char* out, std::size_t size);

    /// The message line of the current HUD, or null.
    QNQUEUEDMESSAGE* MessageLine() const;
    /// Posts a formatted line on the current HUD's message line (nothing without one).
    void PostMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));

    QNWEAK<QNQUEUEDMESSAGE> HudLines[HUD_LINES];
    bool ReadyToBoard = false;     ///< suit: near a still ship; ship: slow at the own site
    bool HyperjumpEnabled = false;
    bool NoEnemies = true;
    bool AtOwnSite = true;
    std::uint32_t ChosenCompany = 0;
    /// The build store's cash when it was opened.
    float StoreOpenedWith = 0.0f;
    QNWEAK<GAMENODE> Sky;   ///< the star backdrop that follows the player
    QNWEAK<GAMENODE> EjectCamera;
    /// The freighter at the own cargo port while one is docked there (closes the hyperjump).
    QNWEAK<GAMENODE> WatchedFreighter;
    /// The site the ship was lost at away from home: entering the suit switches the view back.
    QNWEAK<SITE> ReturnSite;
    /// The eject camera: this far from the ship, tilted this far back (degrees), looking at a
    /// point this far ahead of it.
    static constexpr float kEjectCameraDistance = 10.0f;
    static constexpr float kEjectCameraTilt = -30.0f;
    static constexpr float kEjectCameraLead = 5.0f;

    /// Crew members kept at the player's station.
    static constexpr std::uint32_t kCrewSize = 5;
    /// Offset by which each round of refused suit spots grows, and the rounds tried.
    static constexpr float kSuitSpotStep = 5.0f;
    static constexpr std::uint32_t kSuitSpotRounds = 8;
    /// The theme: it plays in the suit and stops in the ship.
    static constexpr const char* kThemeSound = "corvanetheme";

private:
    /// The theme of the scene the company plays in (null when it has none).
    QNSOUND* Theme() const;
    /// The money on the HUD of the vehicle the player is in.
    void ShowMoney();
    /// The own station's headquarters, or null.
    GAMENODE* Headquarters() const;
    void ShowSuitWhereFree(GAMENODE* suit);
    void UpdateSuit();
    void UpdateShip();
    void UpdateDestinations();
    void ExtendFrame();
    void RemoveAimed();
    void PlaceItem(std::uint32_t index);
    void DockCommand();
    /// Action 87, or Escape while the ranking panel shows: toggles the vehicle HUD's ranking.
    void UpdateRanking(GAMENODE* vehicle);
    bool IsStill(const GAMENODE* node) const;
    SITE* ShipSite() const;
    /// The view leaves the return site for the own site (its sky and comet with it).
    void ReturnHome();
};
