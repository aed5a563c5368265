#pragma once
/// HUD: the screen overlay both heads-up displays share: two message lines (the ship's status
/// above, every game message below), the site indicator, the managers of target markers and
/// direction locators, a locator of its own, and the one panel at a time that hides the
/// clutter beneath it. RETICLE is the aiming mark in the centre.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "game/vehicles/hud_panel.h"

class QNQUEUEDMESSAGE;
class QNRESOURCES;
class SITEINDICATOR;
class LOCATOR;
class MONEYDISPLAY;
class RANKINGDISPLAY;

class RETICLE : public GAMENODE {
public:
    RETICLE(QNNODE* parent, const char* texture, float opacity, const char* mesh = nullptr);
};

class HUD : public GAMENODE {
public:
    /// Arrow colour of the HUD locators.
    static constexpr float kLocatorColour[3] = {0.9882f, 0.7020f, 0.0667f};

    HUD(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& transform, std::uint32_t userFlags);

    /// Shows `panel` (hiding the clutter and any other panel), or hides the shown one.
    virtual void ShowPanel(bool show, PANELNODE* panel);

    /// The common HUD media.
    static void LoadResources(QNRESOURCES& resources);

    /// Posts a game message on the lower line.
    void Message(const char* format, ...) __attribute__((format(printf, 2, 3)));

    SITEINDICATOR* SiteIndicator = nullptr;
    QNQUEUEDMESSAGE* UpperLine = nullptr;
    QNQUEUEDMESSAGE* LowerLine = nullptr;
    GAMENODE* MarkerManager = nullptr;
    GAMENODE* LocatorManager = nullptr;
    LOCATOR* OwnLocator = nullptr;
    MONEYDISPLAY* Money = nullptr;
    RANKINGDISPLAY* Ranking = nullptr;
    QNWEAK<PANELNODE> ShownPanel;
    RETICLE* Reticle = nullptr;

protected:
    /// Shows or hides the clutter a panel covers (derived HUDs add theirs).
    virtual void ShowClutter(bool show);
};
