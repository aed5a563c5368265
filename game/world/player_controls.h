#pragma once
/// What the player's company drives on the vehicles and HUDs, which live in a higher library.
/// The vehicles library fills PlayerControls; an entry left null does nothing (and a query
/// answers false), so the company runs without that side. Every entry takes the vehicle's node.

#include <cstdint>

#include "engine/util/qnmatrix.h"

class GAMENODE;
class SITE;
class WORKORDERDATA;

/// One company's row on a ranking panel.
struct RANKINGROW {
    std::uint32_t Index = 0;      ///< the company's view (its colour)
    std::uint32_t Identity = 0;   ///< its emblem
    float Money = 0.0f;
};

struct PLAYERCONTROLS {
    // The collector ship.
    void (*SetThrottle)(GAMENODE* ship, float throttle) = nullptr;
    /// Adds to the steering request (pitch, yaw, roll).
    void (*AddSteering)(GAMENODE* ship, const QNVEC3& steering) = nullptr;
    void (*FireWeapon)(GAMENODE* ship) = nullptr;
    void (*EjectCanister)(GAMENODE* ship) = nullptr;
    void (*SelectNextWeapon)(GAMENODE* ship) = nullptr;
    void (*SetZoom)(GAMENODE* ship, bool on) = nullptr;
    void (*SetZoomEquipped)(GAMENODE* ship, bool on) = nullptr;
    void (*ToggleCockpit)(GAMENODE* ship) = nullptr;
    void (*SetCameraView)(GAMENODE* ship, std::uint32_t view) = nullptr;
    bool (*StartHyperjump)(GAMENODE* ship, SITE* site, std::uint32_t corner) = nullptr;
    /// The site the ship is in (null: none known).
    SITE* (*ShipSite)(GAMENODE* ship) = nullptr;
    /// Sets both damage meters' maximum and value.
    void (*SetShipCondition)(GAMENODE* ship, float condition) = nullptr;
    /// Posts on the ship HUD's lower line (the ship's own HUD, when it has one).
    void (*ShipMessage)(GAMENODE* ship, const char* text) = nullptr;
    /// Shows or hides the destination cube on the ship HUD.
    void (*ShowApproachCube)(GAMENODE* ship, bool shown) = nullptr;
    /// Shows the throttle setting on the ship HUD (its speed is the ship's own to show).
    void (*ShowThrottle)(GAMENODE* ship, float throttle) = nullptr;
    /// The ship HUD's target-site indicator: the colour (view) and emblem of the site the ship
    /// is at, hidden at the player's own site.
    void (*SetTargetSite)(GAMENODE* ship, std::uint32_t colour, std::uint32_t emblem) = nullptr;
    /// The ship HUD's work-order lines checked against the ore mask.
    void (*RefreshWorkOrders)(GAMENODE* ship, std::uint32_t oreMask) = nullptr;
    /// The ship HUD's work-order icons and panel show the company's two orders.
    void (*SetWorkOrders)(GAMENODE* ship, const WORKORDERDATA* first, const WORKORDERDATA* second) = nullptr;
    /// The ship HUD's work-order panel step: its key shows the next order, Escape hides it.
    void (*StepWorkOrderPanel)(GAMENODE* ship) = nullptr;
    /// The ship HUD's freighter locator follows `freighter` (null: none).
    void (*FollowFreighter)(GAMENODE* ship, GAMENODE* freighter) = nullptr;
    /// Moves the player's sky under `site` and places its comet anew around the viewer.
    void (*MoveSky)(GAMENODE* sky, GAMENODE* site) = nullptr;

    // The HUD of the vehicle the player is in (worn suit or ship).
    /// The HUD's money display.
    void (*ShowMoney)(GAMENODE* vehicle, float money) = nullptr;
    /// The HUD's site indicator: the company's colour (its view) and emblem (its identity).
    void (*SetHudSite)(GAMENODE* vehicle, std::uint32_t colour, std::uint32_t emblem) = nullptr;
    /// Whether the HUD's ranking panel is the panel shown.
    bool (*RankingShown)(GAMENODE* vehicle) = nullptr;
    /// Fills the ranking panel with `count` rows and shows it, or hides it.
    void (*ShowRanking)(GAMENODE* vehicle, bool show, const RANKINGROW* rows, std::uint32_t count) = nullptr;

    // The worn suit's HUD.
    /// Board indicator (ship ready to board), cargo-ship indicator (freighter docked) and the
    /// power warning (station underpowered).
    void (*SetSuitIndicators)(GAMENODE* suit, bool board, bool freighter, bool underpowered) = nullptr;
    /// The suit HUD's arrows: the home arrow to the headquarters and the arrow to the ship
    /// (null: none).
    void (*SetSuitArrows)(GAMENODE* suit, GAMENODE* headquarters, GAMENODE* ship) = nullptr;

};

extern PLAYERCONTROLS PlayerControls;

/// Scenes the player's commands push (by name; replaceable by tests).
inline constexpr const char* kStoreScene = "STORE";
inline constexpr const char* kMercenaryScene = "MERCENARYMANAGER";
