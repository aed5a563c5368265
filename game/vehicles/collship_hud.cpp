#include "game/vehicles/collship_hud.h"

#include "engine/scene/queued_message.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/hud_marker.h"
#include "game/vehicles/one_shot_sound.h"

COLLSHIPHUD::COLLSHIPHUD(COLLSHIP* ship) : SHIPHUD(ship) {}

SHIPHUDLINK* COLLSHIPHUD::Make(COLLSHIP* ship)
{
    return new COLLSHIPHUD(ship);
}

void COLLSHIPHUD::PostUpper(const char* text)
{
    if (UpperLine)
        UpperLine->Post("%s", text);
}

void COLLSHIPHUD::PostLower(const char* text)
{
    Message("%s", text);
}

void COLLSHIPHUD::FlashOreCollected()
{
    if (OreCollected)
        OreCollected->Flash();
}

void COLLSHIPHUD::RefreshWorkOrders(std::uint32_t oreMask)
{
    SetOreMask(oreMask);
    UpdateWorkOrderLine();
}

void COLLSHIPHUD::SetReticleFrame(std::uint32_t frame)
{
    if (Reticle)
        ShowTextureCell(Reticle, frame);
}

void COLLSHIPHUD::SetElectronicWarning(bool shown)
{
    if (ElecDamage)
        ElecDamage->SetState(shown ? 3 : 2, 0, false, true);
}

void COLLSHIPHUD::SetWeaponIcons(const std::uint32_t* types, std::uint32_t count, std::uint32_t selected, bool blink)
{
    if (!Weapons)
        return;
    Weapons->ClearIcons();
    for (std::uint32_t i = 0; i < count; ++i)
        Weapons->AddIcon(types[i]);
    Weapons->Select(selected, blink);
}

void COLLSHIPHUD::SetWeaponLow(std::uint32_t type, bool low)
{
    if (Weapons)
        Weapons->SetLow(type, low);
}

GAMENODE* COLLSHIPHUD::MakeMarker(QNNODE* target, std::uint32_t type, float)
{
    auto* node = dynamic_cast<GAMENODE*>(target);
    return node && MarkerManager ? new MARKER(MarkerManager, node, type, 0.0f) : nullptr;
}

GAMENODE* COLLSHIPHUD::MakeLocator(QNNODE* target, float reach, const float* colour)
{
    auto* node = dynamic_cast<GAMENODE*>(target);
    if (!node || !LocatorManager)
        return nullptr;
    auto* locator = new LOCATOR(LocatorManager, node, reach);
    locator->SetColour(colour[0], colour[1], colour[2]);
    return locator;
}

void COLLSHIPHUD::ClearMarkers()
{
    if (MarkerManager)
        MarkerManager->DeleteChildren();
    if (LocatorManager)
        LocatorManager->DeleteChildren();
}

void COLLSHIPHUD::SetHomeTarget(QNNODE* headquarters)
{
    if (OwnLocator)
        OwnLocator->SetTarget(dynamic_cast<GAMENODE*>(headquarters));
}

void COLLSHIPHUD::FollowFreighter(GAMENODE* freighter)
{
    if (!Locator)
        return;
    if (freighter && COLLSHIP::FreighterGone && COLLSHIP::FreighterGone(freighter))
        freighter = nullptr;
    if (Locator->Target.Get() != freighter)
        Locator->SetTarget(freighter);
}

void COLLSHIPHUD::ReleaseGoneFreighter()
{
    if (!Locator || !COLLSHIP::FreighterGone)
        return;
    if (GAMENODE* freighter = Locator->Target.Get(); freighter && COLLSHIP::FreighterGone(freighter))
        Locator->Target = nullptr;
}
