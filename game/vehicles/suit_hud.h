#pragma once
/// SUITHUD: the HUD worn in the space suit: progress meter, the inventory of up to five carried
/// items, pointers to the collector ship and the cargo ship, the overload warning, a locator,
/// the money display and the ranking display.

#include <cstdint>

#include "engine/util/qnsequence.h"
#include "game/vehicles/hud.h"

class HUDMETER;

/// The carried items: an icon per place showing the item's cell, with the place number.
class SUITINVENTORY : public GAMENODE {
public:
    static constexpr std::uint32_t kCapacity = 5;

    explicit SUITINVENTORY(QNNODE* parent);

    /// False when full; else the next place shows the item's icon and number.
    bool AddItem(std::uint32_t type);
    /// Hides every place.
    void RemoveItems();

    /// The icon cell of an item type id, or -1 for a type without one.
    static std::int32_t CellOf(std::uint32_t type);

    std::uint32_t Capacity = kCapacity;
    std::uint32_t Count = 0;
    GAMENODE* Icons[kCapacity] = {};
    GAMENODE* Labels[kCapacity] = {};
    std::int32_t Cells[kCapacity] = {};
};

/// An icon that blinks while its flag is set.
class BLINKICON : public GAMENODE {
public:
    enum class BLINKMODE { VISIBILITY, CELLS };

    BLINKICON(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& at, const char* texture,
              BLINKMODE mode);
    void Update() override;

    bool Blinking = false;
    BLINKMODE Mode = BLINKMODE::VISIBILITY;
    QNSEQUENCE Blink{"@2 (0:0~1)"};
};

class SUITHUD : public HUD {
public:
    explicit SUITHUD(QNNODE* suit, const QNMATRIX& transform = QNMATRIX::Identity, std::uint32_t userFlags = 0);

    /// Hidden within 0.0001 of 0, else shown with the value.
    void SetProgress(float value);
    /// Shows the overload icon blinking, or hides it.
    void SetOverload(bool on);
    static void LoadResources(QNRESOURCES& resources);

    LOCATOR* Locator = nullptr;
    GAMENODE* CargoShipIndicator = nullptr;
    BLINKICON* CollShipIndicator = nullptr;
    HUDMETER* Progress = nullptr;
    GAMENODE* CargoPodManager = nullptr;
    SUITINVENTORY* Inventory = nullptr;
    BLINKICON* OverloadIcon = nullptr;

protected:
    void ShowClutter(bool show) override;
};
