#pragma once
/// SHIPHUD: the HUD flown with in the collector ship: countermeasure and proximity meters, the
/// weapon selector, the throttle, the target-site indicator, a locator, the electronic-damage
/// warning, the ore-collected flash, the canister counter, the two work-order icons with their
/// panel, the money and ranking displays and, on request, the approach cube.

#include <cstdint>

#include "engine/util/qnsequence.h"
#include "engine/util/qntimer.h"
#include "game/vehicles/hud.h"

class HUDICON;
class HUDMETER;
class WORKORDERDATA;

/// One countermeasure kind's charge.
class COUNTERMETER : public GAMENODE {
public:
    COUNTERMETER(QNNODE* parent, std::uint32_t index, const QNMATRIX& at);
    HUDMETER* Meter = nullptr;
    HUDICON* ThreatIcon = nullptr;
};

/// A threat's nearness as a bar that fills upward.
class PROXMETER : public GAMENODE {
public:
    PROXMETER(QNNODE* parent, std::uint32_t index, const QNMATRIX& at);
    /// Clamps the value and scales the bar (and its texture) from its lower edge.
    void SetValue(float value);
    /// The bar's fill 0-1.
    static float Fill(float value, float minimum, float maximum);

    GAMENODE* Bar = nullptr;
    HUDICON* ThreatIcon = nullptr;
    float Minimum = 0.0f;
    float Maximum = 1.0f;
    float Value = 0.0f;
};

/// One installed rack weapon on the selector.
class WEAPONICON : public GAMENODE {
public:
    WEAPONICON(QNNODE* parent, std::uint32_t weaponId, const QNMATRIX& at);
    void Update() override;

    std::uint32_t WeaponId = 0;
    bool Low = false;
    QNSEQUENCE Blink{"@2 (0:0~1)"};
};

class WEAPONSELECTOR : public GAMENODE {
public:
    WEAPONSELECTOR(QNNODE* parent, const QNMATRIX& at);
    /// Colours the icon of `weaponId` as selected and the others not; false (no selection) when
    /// no icon has that weapon.
    bool Select(std::uint32_t weaponId, bool play);
    /// The icon of `weaponId` blinks while low.
    void SetLow(std::uint32_t weaponId, bool low);
    /// Adds the icon of a newly installed weapon at the next place.
    WEAPONICON* AddIcon(std::uint32_t weaponId);
    /// Removes every icon.
    void ClearIcons();
    WEAPONICON* IconOf(std::uint32_t weaponId) const;

    std::int32_t Selected = -1;
    GAMENODE* Icons = nullptr;
};

/// A blinking flash or warning.
class HUDFLASH : public GAMENODE {
public:
    enum class FLASHKIND { ORE_COLLECTED, ELEC_DAMAGE };
    HUDFLASH(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& at, const char* texture,
             FLASHKIND flash);
    void Update() override;
    /// Shows the ore-collected flash for two seconds and plays its sound once.
    void Flash();

    static constexpr double kFlashSeconds = 2.0;
    FLASHKIND Kind = FLASHKIND::ORE_COLLECTED;
    QNTIMER Timer;
    bool Showing = false;
    QNSEQUENCE Blink{"@6 (0:0~1)"};
};

/// The icon of one of the ship's two work orders; blinks while its order is filled.
class ORDERICON : public GAMENODE {
public:
    ORDERICON(QNNODE* parent, std::uint32_t index, const QNMATRIX& at);
    void Update() override;
    void SetBlinking(bool on);

    const WORKORDERDATA* Order = nullptr;
    std::uint32_t BaseCell = 0;
    bool Blinking = false;
    QNSEQUENCE Blink{"@2 (0:0~1)"};
};

/// The full-screen list of one order's ores with their check boxes and the order's worth.
class WORKORDER : public PANELNODE {
public:
    static constexpr std::uint32_t kLines = 4;
    struct LINE {
        GAMENODE* Node = nullptr;
        GAMENODE* CheckBox = nullptr;
        GAMENODE* OreIcon = nullptr;
        GAMENODE* Text = nullptr;
        std::uint32_t Colour = 0, Kind = 0;
        bool Checked = false;
        bool Filled = false;
        char Name[32] = {};
    };

    explicit WORKORDER(QNNODE* parent);
    void Show(bool show) override;
    void Clear();
    void ShowOrder(const WORKORDERDATA& order, std::uint32_t oreMask);
    void UpdateChecks(std::uint32_t oreMask);

    /// The panel's name of an ore, or "" outside the table.
    static const char* OreName(std::uint32_t colour, std::uint32_t kind);

    LINE Lines[kLines];
    std::uint32_t FilledLines = 0;
    GAMENODE* Value = nullptr;
    float Worth = 0.0f;
    char ValueText[40] = {};
};

/// The docking aid: a framed square whose corners flash.
class APPROACHCUBE : public PANELNODE {
public:
    explicit APPROACHCUBE(QNNODE* parent);
    void Show(bool show) override;
    void Update() override;

    GAMENODE* Label = nullptr;
    GAMENODE* Corners[4] = {};
    QNSEQUENCE Blink{"@2 (0:0~2)"};
};

class SHIPHUD : public HUD {
public:
    static constexpr std::uint32_t kCountermeters = 3;
    static constexpr std::uint32_t kProximityMeters = 3;
    /// Throttle arrow travel per unit of forward and of reverse throttle (HUD units).
    static constexpr float kThrottleForward = 175.78125f;
    static constexpr float kThrottleReverse = 57.128906f;
    /// The throttle's arrows: the ship's speed (written by the ship at each throttle step) and
    /// the pilot's setting (written by the company each frame).
    static constexpr std::uint32_t kSpeedArrow = 0;
    static constexpr std::uint32_t kThrottleArrow = 1;

    /// `ship` is the HUD's parent; its ore mask and work orders are read through the company's
    /// ship interface when it has one.
    SHIPHUD(GAMENODE* ship, const QNMATRIX& transform = QNMATRIX::Identity, std::uint32_t userFlags = 0);

    void ShowPanel(bool show, PANELNODE* panel) override;

    void SetCountermeter(std::uint32_t index, float value);
    void SetProximity(std::uint32_t index, float value);
    /// Arrow 0 or 1 at `value` in [-1, 1]: forward in the locator colour, reverse in red.
    void SetThrottle(std::uint32_t arrow, float value);
    /// Shows the target site unless its colour is the HUD's own site colour.
    void SetTargetSite(std::uint32_t colour, std::uint32_t company);
    void SetDamageIndicator(bool show);
    void SetDamageIndicatorCell(std::uint32_t cell);
    /// "REC: %d" right-aligned, shown while not 0.
    void SetCanisterCount(std::int32_t count);
    void ShowApproachCube(bool show);

    /// The ship's two work orders (null: none); set by the company or the ship.
    void SetOrders(const WORKORDERDATA* first, const WORKORDERDATA* second);
    /// The ore mask the orders are checked against.
    void SetOreMask(std::uint32_t mask);
    /// Check boxes and which order icon blinks.
    void UpdateWorkOrderLine();
    /// The work-order key and Escape, read from the input bindings.
    void CycleWorkOrder();
    /// 0 hides the panel; 1 or 2 shows that order.
    void ShowWorkOrder(std::uint32_t n);
    void RefreshOrderIcons();

    static void LoadResources(QNRESOURCES& resources);

    /// Input binding actions read by CycleWorkOrder.
    static constexpr std::uint32_t kActionEscape = 1;
    static constexpr std::uint32_t kActionWorkOrder = 41;

    SITEINDICATOR* TargetSite = nullptr;
    COUNTERMETER* Countermeters[kCountermeters] = {};
    PROXMETER* Proximity[kProximityMeters] = {};
    WEAPONSELECTOR* Weapons = nullptr;
    GAMENODE* Throttle = nullptr;
    GAMENODE* ThrottleArrows[2] = {};
    QNMATRIX ThrottleBase[2];
    GAMENODE* DamageIndicator = nullptr;
    LOCATOR* Locator = nullptr;
    ORDERICON* OrderIcons[2] = {};
    WORKORDER* WorkOrder = nullptr;
    HUDFLASH* OreCollected = nullptr;
    HUDFLASH* ElecDamage = nullptr;
    GAMENODE* CanisterCounter = nullptr;
    char CanisterText[24] = {};
    APPROACHCUBE* ApproachCube = nullptr;
    std::uint32_t ShownOrder = 0;
    std::uint32_t OreMask = 0;

protected:
    void ShowClutter(bool show) override;
};
