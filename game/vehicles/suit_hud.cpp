#include "game/vehicles/suit_hud.h"

#include <cmath>
#include <string>

#include "engine/resource/media_manifest.h"
#include "engine/scene/text_mesh.h"
#include "game/vehicles/hud_locator.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/hud_meter.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/vehicles/ranking_display.h"

namespace {

constexpr float kPlaceSpacing = 110.0f;
constexpr const char* kIconPicture = "media\\vehicles\\hud\\suit\\textures\\suithud_inventory.dds";
constexpr std::int32_t kNoItemCell = 31;

constexpr HUDMEDIA kMedia[] = {
    {"suithud_reticle", 1, 1, 104.1406f, 104.1667f},
    {"suithud_cargoshipindicator", 1, 1, 266.6f, 266.6667f},
    {"suithud_collshipindicator", 1, 1, 199.95f, 200.0f},
    {"suithud_progressmeter", 4, 4, 99.975f, 100.0f},
    {"suithud_cargopod", 1, 1, 99.975f, 100.0f},
    {"suithud_inventory", 8, 4, 99.975f, 100.0f},
    {"suithud_overloadicon", 2, 1, 72.8984f, 72.9167f},
};

}  // namespace

std::int32_t SUITINVENTORY::CellOf(std::uint32_t type)
{
    // The media manifest places each carried item's icon (structure type ids 10-25, the
    // collector ship 64); the last cell stands for no item.
    if (type == 0)
        return kNoItemCell;
    const QNMEDIACELL* cell = FindMediaCell(kIconPicture, type);
    return cell ? std::int32_t(cell->Cell) : -1;
}

SUITINVENTORY::SUITINVENTORY(QNNODE* parent)
    : GAMENODE(parent, "INVENTORY", 49, 0x1000040, 0, 3, nullptr, 0)
{
    SetTransform(HudAt(606.5f, 440.0f));
    for (std::uint32_t i = 0; i < kCapacity; ++i) {
        const float y = -kPlaceSpacing * float(i);
        Icons[i] = new GAMENODE(this, "ICON", 49, 0x1000040, 16, 3, nullptr, 0);
        Icons[i]->SetTransform(HudAt(0.0f, y));
        DressHudNode(Icons[i], "suithud_inventory");
        Labels[i] = new GAMENODE(this, "LABEL", 49, 0x1000040, 16, 3, nullptr, 0);
        Labels[i]->SetTransform(HudAt(-40.0f, y - 40.0f));
        Labels[i]->SetMaterial("sprite");
        Labels[i]->SetTexture("consolefont");
        BuildHudText(Labels[i], 20.0f, 27.0f, 2, 1);
        SetFontColour(Labels[i]);
        PrintText(Labels[i]->Mesh, "%u", 0, QNALIGN_RIGHT, i + 1);
        Cells[i] = -1;
        ShowOnVote(Icons[i], 1, false, true, true);
        ShowOnVote(Labels[i], 1, false, true, true);
    }
}

bool SUITINVENTORY::AddItem(std::uint32_t type)
{
    if (Count >= Capacity)
        return false;
    Cells[Count] = CellOf(type);
    if (Cells[Count] >= 0)
        ShowTextureCell(Icons[Count], std::uint32_t(Cells[Count]));
    ShowOnVote(Icons[Count], 1, true, true, true);
    ShowOnVote(Labels[Count], 1, true, true, true);
    ++Count;
    return true;
}

void SUITINVENTORY::RemoveItems()
{
    for (std::uint32_t i = 0; i < Capacity; ++i) {
        ShowOnVote(Icons[i], 1, false, true, true);
        ShowOnVote(Labels[i], 1, false, true, true);
    }
    Count = 0;
}

BLINKICON::BLINKICON(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& at, const char* texture,
                     BLINKMODE mode)
    : GAMENODE(parent, name, kind, 0x1000044, 0, mode == BLINKMODE::VISIBILITY ? 1 : 0, &at, 0), Mode(mode)
{
    DressHudNode(this, texture);
    Blink.Start();
}

void BLINKICON::Update()
{
    const std::int32_t value = Blink.Advance();
    if (Mode == BLINKMODE::VISIBILITY) {
        ShowOnVote(this, 1, Blinking && value <= 0);
    } else if (Blinking && value >= 0) {
        ShowTextureCell(this, std::uint32_t(value));
    }
}

SUITHUD::SUITHUD(QNNODE* suit, const QNMATRIX& transform, std::uint32_t userFlags)
    : HUD(suit, "HUD", 44, transform, userFlags)
{
    Reticle = new RETICLE(this, "suithud_reticle", 1.0f);
    Locator = new LOCATOR(this, nullptr, 90.0f);
    Locator->SetColour(kLocatorColour[0], kLocatorColour[1], kLocatorColour[2]);
    CargoShipIndicator = new GAMENODE(this, "CARGOSHIPINDICATOR", 45, 0x1000040, 16, 3, nullptr, 0);
    CargoShipIndicator->SetTransform(HudAt(-560.0f, -425.0f));
    DressHudNode(CargoShipIndicator, "suithud_cargoshipindicator");
    ShowOnVote(CargoShipIndicator, 1, false);
    CollShipIndicator = new BLINKICON(this, "COLLSHIPINDICATOR", 46, HudAt(0.0f, 140.0f),
                                      "suithud_collshipindicator", BLINKICON::BLINKMODE::VISIBILITY);
    ShowOnVote(CollShipIndicator, 1, false);
    Progress = new HUDMETER(this, "SUITHUD::PROGRESSMETER", 47, HudAt(-596.0f, 432.0f), 16, "suithud_progressmeter",
                            9, 0.0f, 1.0f);
    ShowOnVote(Progress, 1, false);
    CargoPodManager = new GAMENODE(this, "SUITHUD::CARGOPODMANAGER", 48, 64, 0, 3, nullptr, 0);
    CargoPodManager->SetTransform(HudAt(-596.0f, 340.0f));
    Inventory = new SUITINVENTORY(this);
    Money = new MONEYDISPLAY(this, HudAt(385.0f, 450.0f), QNALIGN_RIGHT);
    Ranking = new RANKINGDISPLAY(this);
    OverloadIcon = new BLINKICON(this, "OVERLOADICON", 50, HudAt(600.0f, -125.0f), "suithud_overloadicon",
                                 BLINKICON::BLINKMODE::CELLS);
    // Hidden on its own vote, so that showing the HUD's tree does not show it.
    ShowOnVote(OverloadIcon, 1, false);
}

void SUITHUD::SetOverload(bool on)
{
    OverloadIcon->Blinking = on;
    ShowOnVote(OverloadIcon, 1, on);
}

void SUITHUD::ShowClutter(bool show)
{
    HUD::ShowClutter(show);
    ShowOnVote(Locator, 2, show, true, true);
    ShowOnVote(CollShipIndicator, 2, show, true, true);
}

void SUITHUD::SetProgress(float value)
{
    ShowOnVote(Progress, 1, std::fabs(value) > 0.0001f, true, true);
    Progress->SetValue(value);
}

void SUITHUD::LoadResources(QNRESOURCES& resources)
{
    RegisterHudMedia(resources, "media\\vehicles\\hud\\suit\\textures\\", kMedia, std::size(kMedia));
}
