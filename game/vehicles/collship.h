#pragma once
/// COLLSHIP: the collector ship that the player or a computer pilot flies to chip asteroids,
/// collect ore, fight and jump between the company sites.
///
/// Flight model. The controller writes a throttle target T in [-1, 1] and adds to the steering
/// input (a torque request in the ship's own axes); the ship never reads input itself. Every
/// throttle period (more than 0.03 s) the speed fraction s, read back from the body's velocity
/// along the nose, moves 0.01 toward T (or takes T within 0.01), and the body's linear velocity
/// is set to 40 s along the nose: the sideways components are dropped, so the ship never
/// drifts. Steering adds the request as a world torque (turned out of the ship's axes); the
/// strong angular damping stops the turn soon after the request ends.
///
/// The player's side (cockpit, zoom, camera views, target markers, view modes) lives in
/// collship_views.cpp; hyperjumps in collship_jump.cpp.

#include <cstdint>
#include <vector>

#include "engine/scene/anim_clock.h"
#include "engine/util/qntimer.h"
#include "game/vehicles/vehicle.h"
#include "game/vehicles/weapon_rack.h"
#include "game/world/company_links.h"

class SITE;
class STARS;
class SHIPWEAPON;
class SHIPHUDLINK;
class INSIDEHYPERSPACE;
class QNRESOURCES;

/// Zoom states of the player's ship.
enum class ZOOMSTATE : std::uint32_t { NORMAL = 0, ZOOMING_IN = 1, ZOOMED = 2, ZOOMING_OUT = 3 };

/// A tracked node of the ship's near (marker) or far (locator) list.
struct TARGETENTRY {
    QNWEAK<QNNODE> Node;
    QNWEAK<GAMENODE> Marker;   ///< the HUD marker or locator made for it (owned)
    std::uint8_t Mark = 1;
};

class COLLSHIP : public VEHICLE, public COMPANYSHIP {
public:
    static constexpr std::int32_t kKind = KIND_COLLSHIP;
    /// Top speed along the nose, units per second.
    static constexpr float kTopSpeed = 40.0f;
    /// Throttle step per throttle period, and the period.
    static constexpr float kThrottleStep = 0.01f;
    static constexpr double kThrottlePeriod = 0.03;
    /// Speed-fraction loss to damping within a throttle period that the throttle ignores: the
    /// hull's damping takes about 0.5 % of the speed per period at 60 Hz, a bump much more.
    static constexpr float kDampingDrift = 0.02f;
    static constexpr float kScale = 7000.0f;
    static constexpr float kLinearDamping = 0.01f;
    static constexpr float kAngularDamping = 2.0f;
    static constexpr float kCondition = 25.0f;
    static constexpr float kRepairCost = 2500000.0f;
    static constexpr float kBallisticThreshold = 0.5f;
    /// Item id of countermeasure kind 0 (kinds 0-2 are items 75-77).
    static constexpr std::uint32_t kFirstCountermeasure = 75;
    static constexpr std::uint32_t kCountermeasureKinds = 3;
    /// Wreck: drift speed along the nose, the one spin kick, the pilot's delay before the end.
    static constexpr float kWreckDrift = 3.0f;
    static constexpr double kWreckDelay = 1.5;
    /// Target-ahead ray, from and to, along the nose.
    static constexpr float kAheadNear = 5.0f;
    static constexpr float kAheadFar = 200.0f;
    /// Half side of the cube whose corners are the hyperjump arrival points.
    static constexpr float kCornerDistance = 200.0f;
    static constexpr double kCanisterReload = 0.5;
    /// Cockpit placement in the ship.
    static constexpr float kCockpitY = -0.41f, kCockpitZ = 2.3f;

    /// A ship under `site` at `transform`, in company view `view`, flown for company `identity`.
    COLLSHIP(SITE* site, const QNMATRIX* transform, std::uint32_t view, std::uint32_t identity);
    ~COLLSHIP() override;

    void Update() override;
    void Kill() override;
    void SetHighlight(bool on) override;
    void DamageBallistic(float amount, std::uint32_t kind, std::uint32_t absorb) override;
    void DamageElectronic(float amount, std::uint32_t kind, std::uint32_t absorb) override;
    bool IsDestroyed() const override;
    void UpdateStatus() override;
    void SetViewMode(std::uint32_t mode) override;

    // The company's side.
    bool IsShipDestroyed() const override { return IsDestroyed(); }
    std::uint32_t OreMask() const override { return OreBits; }
    void SetOreMask(std::uint32_t mask) override { OreBits = mask & 0xFFF; }
    void SetPilotAboard(bool aboard) override { PilotAboard = aboard ? 1 : 0; }
    void SetDocked(bool docked) override { Docked = docked ? 1 : 0; }
    void SetDock(DAMAGEABLE* dock) override { Dock = dock; }
    /// A store purchase: the weapon for the player, not selected.
    bool InstallWeapon(std::uint32_t type) override { return InstallWeapon(type, true, false); }

    // Weapons.
    bool InstallWeapon(std::uint32_t type, bool player, bool select);
    bool SelectWeapon(std::uint32_t type);
    void SelectNextWeapon();
    void FireSelectedWeapon();
    void EjectCanister();
    void AddCountermeasure(std::uint32_t kind);
    void SetCheetahTarget(QNNODE* node);
    std::uint32_t SelectedWeaponType() const;
    /// Rebuilds the HUD weapon selector from the rack (player's ship).
    void RefreshWeaponSelector(bool blink);
    /// Removes spent rack weapons and marks low ones on the selector.
    void DropSpentWeapons();

    /// Ore pick-up of `colour` (0-3) and `kind` (0-2).
    void CollectOre(std::uint32_t colour, std::uint32_t kind);

    /// Starts a hyperjump to `site`, arriving at corner `corner` (0-7).
    bool StartHyperjump(SITE* site, std::uint32_t corner);
    /// The flight settings of the body (mass scale, inertia factor, angular damping), kept so
    /// that a jump seen from outside, which makes the bodies anew, applies them again. The
    /// player's own jump goes back to the hull's.
    void SetFlight(float scale, float factor);
    void SetFlightDamping(float angular);
    /// Performs the stored jump; false when refused.
    bool PerformHyperjump();
    /// The arrival frame of corner `corner` around a site at the origin, facing its centre.
    static QNMATRIX CornerMatrix(std::uint32_t corner);

    // The player's views.
    void ToggleCockpit();
    void SetZoom(bool on);
    void SetZoomEquipped(bool on);
    void SetCameraView(std::uint32_t n);
    /// Builds the target list anew (entering view mode 1, after a jump).
    void BuildTargetList();

    /// Registers the ship's media (sounds, textures, meshes, cockpit, effects).
    static void LoadResources(QNRESOURCES& resources);

    /// The maker of the player's HUD (set by the HUD; null: no HUD).
    using HUDMAKER = SHIPHUDLINK* (*)(COLLSHIP* ship);
    static inline HUDMAKER HudMaker = nullptr;
    /// Whether a freighter has left for good (docking state 6; set by the freighter).
    static inline bool (*FreighterGone)(const QNNODE* freighter) = nullptr;

    /// Colour and kind names of the ores.
    static const char* OreColourName(std::uint32_t colour);
    static const char* OreKindName(std::uint32_t kind);

    // Flags.
    std::uint8_t CockpitShown = 1;
    std::uint8_t OreMarkersPending = 0;
    std::uint8_t HyperjumpPending = 0;
    std::uint8_t PilotAboard = 0;
    std::uint8_t Wrecked = 0;
    std::uint8_t CameraViewHeld = 0;
    std::uint8_t Spun = 0;
    std::uint8_t Docked = 0;
    std::uint8_t ZoomEquipped = 0;
    std::uint8_t CanisterReady = 1;
    std::uint8_t MercenaryLook = 0;

    GAMENODE* Cockpit = nullptr;       ///< owned in view mode 1
    SHIPHUDLINK* Hud = nullptr;        ///< owned in view mode 1 (through its node)
    float Throttle = 0.0f;             ///< target written by the controller, -1 to 1
    float Speed = 0.0f;                ///< last speed fraction s
    float Countermeasure[kCountermeasureKinds] = {0, 0, 0};
    float Proximity[3] = {0, 0, 0};    ///< HUD proximity meters, each in [0, 1]
    QNTIMER ThrottleTimer, ProximityTimer, WreckTimer, ShakeTimer, CanisterTimer;
    QNVEC3 Steering = QNVEC3(0, 0, 0); ///< torque request in the ship's axes, consumed each frame
    std::vector<TARGETENTRY> NearTargets, FarTargets;
    QNWEAK<SITE> CurrentSite;
    QNWEAK<SITE> Destination;
    QNWEAK<STARS> Stars;               ///< the sky that follows the ship (not owned)
    GAMENODE* Camera = nullptr;        ///< "CAMERA", owned in view mode 1
    INSIDEHYPERSPACE* Tunnel = nullptr; ///< owned while a jump runs
    std::uint32_t Corner = 0;
    std::uint32_t HitFlash = 0;
    std::uint32_t OreBits = 0;         ///< 12 bits, bit = kind + 3 x colour
    WEAPONRACK Rack;
    std::uint32_t CameraView = 0;
    QNWEAK<QNNODE> Target;             ///< hostile vehicle straight ahead
    char TargetLabel[64] = {};
    std::vector<GAMENODE*> EngineGlows; ///< owned, outside view only
    std::vector<QNMATRIX> EngineGlowAt; ///< each glow's place on the hull
    ZOOMSTATE Zoom = ZOOMSTATE::NORMAL;
    float FieldOfView = kNormalFov, NearPlane = kNormalNear;
    QNANIMCLOCK FovAnimation, NearAnimation;
    GAMENODE* ZoomScreen = nullptr;    ///< owned
    SHIPWEAPON* Canister = nullptr;    ///< rear-eject launcher, owned, apart from the rack
    QNWEAK<DAMAGEABLE> Dock;           ///< takes the damage while docked
    std::uint32_t OreCursor = 0;       ///< next ore-field child to mark
    std::uint32_t HyperjumpCount = 0;  ///< jumps performed
    std::uint32_t TriggerPulls = 0;    ///< FireSelectedWeapon calls that reached a weapon
    float FlightScale = kScale, FlightFactor = 1.0f, FlightAngularDamping = kAngularDamping;

    static constexpr float kNormalFov = 1.0471976f;  // 60 degrees
    static constexpr float kZoomedFov = 0.17453293f; // 10 degrees
    static constexpr float kNormalNear = 0.2f;
    static constexpr float kZoomedNear = 10.0f;
    static constexpr float kZoomTime = 0.25f;
    static constexpr float kZoomFar = 925.0f;
    static constexpr float kNormalFar = 1000.0f;

private:
    void UpdateWreck();
    void UpdateFlight();
    void UpdatePlayer();
    void UpdateTargetLists();
    void UpdateTargetAhead();
    void UpdateZoom();
    void UpdateCockpitVisibility();
    void AddOreMarkers();
    void ReleaseCameraView();
    void ApplyPhysics();
    void TearDownInside();
    void MakeEngineGlows();
    void PlaceEngineGlows();
    void DeleteEngineGlows();
    void DeleteTunnel();
    void ClearTargets(std::vector<TARGETENTRY>& list);
    void Damage(float amount, std::uint32_t kind, std::uint32_t absorb, bool electronic);
    bool JumpInside(const QNMATRIX& arrival);
    bool JumpOutside(const QNMATRIX& arrival);
    void SetCountermeter(std::uint32_t kind);
    void SetProximity(std::uint32_t i, float value);
    /// Distance to the nearest missile homing on this ship, or -1 without one.
    float NearestHomingMissile();
};
