#pragma once
/// SUIT: the space suit in which a pilot works outside the collector ship. It flies by small
/// thrusts and turns requested through SUITCONTROL and consumed each frame. Worn by the player
/// (view mode 1) it carries the helmet overlay, the suit HUD and the view's camera, breathes,
/// hisses while thrusting and keeps the star backdrop centred on itself; seen from outside
/// (view mode 2) it shows its figure.
///
/// Sounds play only for the suit the camera follows: the thrust sound starts once per new
/// thrust vector and stops once when the thrust ends.

#include <cstdint>

#include "engine/util/qn_item.h"
#include "game/vehicles/vehicle.h"
#include "game/world/suit_control.h"

class QNRESOURCES;
class SUITHUD;

class SUIT : public VEHICLE, public SUITCONTROL {
public:
    static constexpr std::int32_t kKind = KIND_SUIT;
    static constexpr std::uint32_t kClassFlags = 0x200081c;
    static constexpr float kScale = 500.0f;
    static constexpr float kLinearDamping = 0.01f;
    static constexpr float kAngularDamping = 0.4f;
    /// Thrust input to force.
    static constexpr float kThrustGain = 0.06f;
    /// Turn clamps: pitch and yaw, roll.
    static constexpr float kTurnLimit = 5.0f;
    static constexpr float kRollLimit = 4.0f;
    /// Squared input length below which a request counts as none, and the per-axis change
    /// that counts as a new thrust.
    static constexpr float kInputEpsilon = 0.0001f;
    /// Helmet overlay parts: centre heights and the sizes that frame the 1333 x 1000 screen.
    static constexpr float kHelmetWidth = 1333.0f;
    static constexpr float kHelmetTopY = 436.46f, kHelmetTopHeight = 127.08f;
    static constexpr float kHelmetBottomY = -322.91f, kHelmetBottomHeight = 354.18f;

    /// Under `parent` (a site) at `transform`, flying for company view `view`; hidden view mode.
    SUIT(QNNODE* parent, const QNMATRIX* transform, std::uint32_t view, std::uint32_t classFlags = 0);
    ~SUIT() override;

    void Update() override;
    /// 1: worn (HUD, helmet, camera, breath); 2: seen from outside; 0: hidden. Leaves the suit
    /// dormant: the owner shows it where it may stand.
    void SetViewMode(std::uint32_t mode) override;

    // SUITCONTROL
    void AddThrust(const QNVEC3& thrust) override;
    void AddTurn(const QNVEC3& turn) override;
    void ToggleOverlay() override;
    void SetSky(GAMENODE* stars) override;
    void ShowMoney(float money) override;
    QNQUEUEDMESSAGE* MessageLine() override;
    QNQUEUEDMESSAGE* StatusLine() override;
    bool ShowInventoryItem(std::uint32_t type) override;
    void ClearInventory() override;
    void SetProgress(float value) override;

    /// Whether the view's camera looks from this suit.
    bool CameraFollows() const;

    /// The suit's media and the suit HUD's.
    static void LoadResources(QNRESOURCES& resources);
    /// Forgets the thrust vector shared by all suits (a new game).
    static void ResetSharedThrust();

    GAMENODE* Helmet = nullptr;         ///< "INSIDEHELMET", owned in view mode 1
    SUITHUD* Hud = nullptr;             ///< owned in view mode 1
    std::uint8_t OverlayShown = 1;
    QNVEC3 Thrust = QNVEC3(0, 0, 0);    ///< request in the suit's axes, consumed each frame
    QNVEC3 Turn = QNVEC3(0, 0, 0);
    QNWEAK<GAMENODE> Stars;             ///< follows the worn suit (not owned)
    std::uint32_t ThrustStarts = 0;     ///< thrust sounds started by this suit
    std::uint32_t ThrustStops = 0;

private:
    void TearDownWorn();
    void BuildHelmet();
    void ApplyThrust();
    void ApplyTurn();
};

/// Registers the suit's texture and figure mesh "suit" (worn outside, and by crew members) once.
void RegisterSuitFigure(QNRESOURCES& resources);
