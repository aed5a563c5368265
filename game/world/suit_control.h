#pragma once
/// SUITCONTROL: what world code (the player's company) drives on a space suit without knowing
/// the vehicle classes. The suit implements it; ControlOf reaches it from the suit's node.
///
/// Inputs are in the suit's own axes and are consumed by the suit's next update. The HUD calls
/// do nothing while the suit has no HUD (any view mode but 1).

#include <cstdint>

#include "engine/util/qnmatrix.h"

class GAMENODE;
class QNQUEUEDMESSAGE;

class SUITCONTROL {
public:
    virtual ~SUITCONTROL() = default;

    /// Adds to the thrust request (x sideways, y up, z forward).
    virtual void AddThrust(const QNVEC3& thrust) = 0;
    /// Adds to the turn request (x pitch, y yaw, z roll).
    virtual void AddTurn(const QNVEC3& turn) = 0;
    /// Shows or hides the helmet overlay (worn suit only).
    virtual void ToggleOverlay() = 0;
    /// The star backdrop that the worn suit keeps centred on itself (not owned).
    virtual void SetSky(GAMENODE* stars) = 0;

    /// The suit HUD's money display.
    virtual void ShowMoney(float money) = 0;
    /// The suit HUD's lower (game message) line, or null without a HUD.
    virtual QNQUEUEDMESSAGE* MessageLine() = 0;
    /// The suit HUD's upper (status) line, or null without a HUD.
    virtual QNQUEUEDMESSAGE* StatusLine() = 0;
    /// Appends an item icon to the suit HUD's inventory; false when full or without a HUD.
    virtual bool ShowInventoryItem(std::uint32_t type) = 0;
    /// Empties the suit HUD's inventory.
    virtual void ClearInventory() = 0;
    /// The suit HUD's progress meter (hidden at 0).
    virtual void SetProgress(float value) = 0;
};

/// The suit side of a node, or null.
SUITCONTROL* SuitControlOf(GAMENODE* node);
