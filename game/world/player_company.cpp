#include "game/world/player_company.h"

#include "engine/scene/queued_message.h"
#include "game/world/game_globals.h"
#include "game/world/item_types.h"

namespace {

constexpr float kMillions = 0.000001f;

}  // namespace

PLAYERCOMPANY::PLAYERCOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene)
    : COMPANY(view, identity, companies, scene)
{
    PlayerCompany = this;
    PlayerView = View;
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
