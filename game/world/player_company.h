#pragma once
/// PLAYERCOMPANY: the company of the person at the keyboard. There is one per game; the globals
/// PlayerCompany and PlayerView name it while it exists.
///
/// Its notices (sales, purchases, interest) go to the current HUD's lower message line: the
/// suit HUD's in the suit, the ship HUD's in the ship, none otherwise. The HUDs register their
/// lines in HudLines.

#include <cstdarg>

#include "engine/util/qn_item.h"
#include "game/world/company.h"

class QNQUEUEDMESSAGE;

class PLAYERCOMPANY : public COMPANY {
public:
    /// The HUD message lines, by the mode that shows them.
    enum HUDLINE : std::uint32_t { HUD_SUIT = 0, HUD_SHIP = 1, HUD_LINES = 2 };

    /// The company; sets the player globals.
    PLAYERCOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene = nullptr);
    ~PLAYERCOMPANY() override;

    /// Puts the player in the suit: worn view, shown where it may stand, its HUD given the
    /// money and the inventory; then the base. Nothing when already in the suit.
    void EnterSuit() override;
    /// The base and the HUD's money display.
    void AddMoney(float amount) override;
    void SetMoney(float amount) override;
    /// The base; in the suit the HUD's inventory shows the added item, or is refilled after a
    /// removal.
    bool AddItem(std::uint32_t type, float value, float conditionA, float conditionB,
                 std::uint32_t colourPair) override;
    INVENTORYITEM RemoveItem(std::uint32_t index) override;
    /// The base, then the player's per-frame commands.
    void Update() override;

    /// The base; when interest was charged, "Charged $%.1fM interest (%.1f%%)" on the HUD.
    float ChargeInterest() override;
    /// The base; "Sold %s for $%.1fM" on the HUD when an item was sold.
    float SellItem(std::uint32_t index) override;

    /// The message line of the current HUD, or null.
    QNQUEUEDMESSAGE* MessageLine() const;
    /// Posts a formatted line on the current HUD's message line (nothing without one).
    void PostMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));

    QNWEAK<QNQUEUEDMESSAGE> HudLines[HUD_LINES];
    QNWEAK<GAMENODE> Sky;   ///< the star backdrop that follows the player

    /// Crew members kept at the player's station.
    static constexpr std::uint32_t kCrewSize = 5;
    /// Offset by which each round of refused suit spots grows, and the rounds tried.
    static constexpr float kSuitSpotStep = 5.0f;
    static constexpr std::uint32_t kSuitSpotRounds = 8;

private:
    void ShowSuitWhereFree(GAMENODE* suit);
    void UpdateSuitControls();
};
