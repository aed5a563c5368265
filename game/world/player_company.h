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

    /// The base; when interest was charged, "Charged $%.1fM interest (%.1f%%)" on the HUD.
    float ChargeInterest() override;
    /// The base; "Sold %s for $%.1fM" on the HUD when an item was sold.
    float SellItem(std::uint32_t index) override;

    /// The message line of the current HUD, or null.
    QNQUEUEDMESSAGE* MessageLine() const;
    /// Posts a formatted line on the current HUD's message line (nothing without one).
    void PostMessage(const char* format, ...) __attribute__((format(printf, 2, 3)));

    QNWEAK<QNQUEUEDMESSAGE> HudLines[HUD_LINES];
};
