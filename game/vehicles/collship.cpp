#include "game/vehicles/collship.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "engine/physics/node_motion.h"
#include "engine/scene/node_bounds.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/glow.h"
#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/vehicles/inside_hyperspace.h"
#include "game/vehicles/missile.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/vehicles/ship_weapon.h"
#include "game/vehicles/stars.h"
#include "game/world/antiship.h"
#include "game/world/item_types.h"
#include "game/world/site.h"

namespace {

constexpr const char* kOreColours[4] = {"Red", "Green", "Blue", "Yellow"};
constexpr const char* kOreKinds[3] = {"Oglamite", "Hexine", "Netradox"};

// The wreck's single spin kick, in world axes.
const QNVEC3 kWreckSpin(20.0f, 40.0f, 60.0f);
// Proximity meters 0 and 1 fall by this per second; a hit raises them by kProximityHit.
constexpr float kProximityDecay = 0.1f;
constexpr float kProximityHit = 0.1f;
// Meter 2 reads (kWarningReach - d) / kWarningSpan for the nearest missile homing on the ship:
// empty from 100 units out, full within 5.
constexpr float kWarningReach = 100.0f;
constexpr float kWarningSpan = 95.0f;

// The node a homing missile (the station's or the Cheetah's) is after, or null for any other node.
const QNNODE* HomingTarget(const QNNODE* node)
{
    if (node->Kind == KIND_ANTISHIPMISSILE)
        if (const auto* m = dynamic_cast<const ANTISHIP::MISSILE*>(node))
            return m->Target.Get();
    if (node->Kind == KIND_CHEETAHMISSILE)
        if (const auto* m = dynamic_cast<const MISSILE*>(node))
            return m->Target.Get();
    return nullptr;
}
// Engine sound volume follows the throttle error d as d + 0.7; changes below this are skipped.
constexpr float kEngineVolumeBase = 0.7f;
constexpr float kEngineVolumeStep = 0.005f;
// Cockpit shake: amplitude per unit of speed fraction.
constexpr float kShakeAmplitude = 0.02f * 0.1f;
// Engine glow alpha: grows with the speed fraction, capped.
constexpr float kGlowGain = 10.0f, kGlowMax = 1.5f;

// The last throttle error applied to an engine sound, shared by every collector ship.
float g_lastEngineError = -1.0f;

QNVEC3 Nose(const QNMATRIX& world)
{
    return QNVEC3::TransformNormal(QNVEC3(0, 0, 1), world);
}

}  // namespace

COLLSHIP::COLLSHIP(SITE* site, const QNMATRIX* transform, std::uint32_t view, std::uint32_t identity)
    : VEHICLE(site, "COLLECTOR SHIP", kKind, 0x200001c, 0, 0, transform, view),
      FovAnimation(QNANIMCLOCK::ONCE, kNormalFov, kNormalFov, 1.0f),
      NearAnimation(QNANIMCLOCK::ONCE, kNormalNear, kNormalNear, 1.0f)
{
    SetTexture("collship");
    SetMesh("collship");
    ApplyPhysics();
    Identity = identity;
    CurrentSite = site;
    BallisticMax = ElectronicMax = kCondition;
    Ballistic = Electronic = kCondition;
    BallisticRepairCost = ElectronicRepairCost = kRepairCost;
    BallisticThreshold = kBallisticThreshold;
    Debris = DEBRISKIND::COLLSHIP;
    Active = true;
    UpdateSphereBounds(true);
    SetObstacleView(ViewIndex);
    ThrottleTimer.Init(0.0);
    ProximityTimer.Init(0.0);
    ShakeTimer.Init(0.05);
    CanisterTimer.Init(0.0);
}

COLLSHIP::~COLLSHIP()
{
    ClearTargets(NearTargets);
    ClearTargets(FarTargets);
    // Weapons, HUD, cockpit and effects are children: they go with the node's tree.
    Rack.Clear();
}

void COLLSHIP::ApplyPhysics()
{
    SetScale(FlightScale, FlightFactor);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetLinearDamping(kLinearDamping);
        body->SetAngularDamping(FlightAngularDamping);
    }
}

void COLLSHIP::SetFlight(float scale, float factor)
{
    FlightScale = scale;
    FlightFactor = factor;
    SetScale(scale, factor);
}

void COLLSHIP::SetFlightDamping(float angular)
{
    FlightAngularDamping = angular;
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetAngularDamping(angular);
}

const char* COLLSHIP::OreColourName(std::uint32_t colour)
{
    return colour < 4 ? kOreColours[colour] : nullptr;
}

const char* COLLSHIP::OreKindName(std::uint32_t kind)
{
    return kind < 3 ? kOreKinds[kind] : nullptr;
}

void COLLSHIP::Update()
{
    VEHICLE::Update();
    PlaceEngineGlows();
    if (Wrecked) {
        UpdateWreck();
        return;
    }
    if (HitFlash)
        --HitFlash;
    UpdateFlight();
    if (ViewMode == VIEWMODE_INSIDE)
        UpdatePlayer();
    if (!CanisterReady && CanisterTimer.Elapsed() >= kCanisterReload)
        CanisterReady = 1;
}

void COLLSHIP::UpdateWreck()
{
    QNBODY* body = PhysicsBodyOf(this);
    if (body && !IsSlowerThan(kWreckDrift))
        body->SetLinearVelocity(Nose(GetWorldMatrix()) * kWreckDrift);
    if (!Spun) {
        Spun = 1;
        if (body)
            body->AddTorque(kWreckSpin);
    }
    if (DAMAGEABLE::IsDestroyed())
        return;
    if (!PilotAboard || WreckTimer.Elapsed() >= kWreckDelay)
        DAMAGEABLE::Kill();
}

void COLLSHIP::UpdateFlight()
{
    QNBODY* body = PhysicsBodyOf(this);
    if (!body)
        return;
    const QNMATRIX world = GetWorldMatrix();
    const QNVEC3 local = QNVEC3::TransformNormal(body->GetLinearVelocity(), world.Inverse());
    float s = local.z / kTopSpeed;
    // Between two throttle steps the body's damping takes a little speed away; that loss is not
    // a change the pilot should have to throttle against. Only a larger difference (a bump, a
    // push) replaces the throttle's own speed.
    if (std::fabs(s - Speed) <= kDampingDrift)
        s = Speed;
    for (GAMENODE* glow : EngineGlows)
        if (auto* g = dynamic_cast<QNGLOW*>(glow))
            g->Alpha = std::min(s * kGlowGain, kGlowMax);

    if (ThrottleTimer.Elapsed() > kThrottlePeriod) {
        const float target = std::clamp(Throttle, -1.0f, 1.0f);
        if (std::fabs(target - s) <= kThrottleStep)
            s = target;
        else
            s += target > s ? kThrottleStep : -kThrottleStep;
        body->SetLinearVelocity(Nose(world) * (kTopSpeed * s));
        const float d = std::fabs(target - s);
        if (std::fabs(d - g_lastEngineError) > kEngineVolumeStep) {
            SetSoundVolume(std::clamp(d + kEngineVolumeBase, 0.0f, 1.0f));
            g_lastEngineError = d;
        }
        if (Hud)
            Hud->SetSpeed(s);
        ThrottleTimer.Restart();
    }
    Speed = s;

    if (Steering.LengthSq() > 0.0001f) {
        body->AddTorque(QNVEC3::TransformNormal(Steering, world));
        Steering = QNVEC3(0, 0, 0);
    }
}

void COLLSHIP::UpdatePlayer()
{
    if (!Tunnel) {
        UpdateTargetLists();
        if (STARS* stars = Stars.Get()) {
            QNMATRIX at;
            at.SetTranslationV(GetWorldMatrix().Translation());
            stars->SetTransform(at);
        }
    } else {
        if (HyperjumpPending && Tunnel->Midpoint) {
            HyperjumpPending = 0;
            PerformHyperjump();
        }
        if (Tunnel && Tunnel->Ended) {
            DeleteTunnel();
            if (Hud)
                Hud->Node()->SetState(3, 0, false, true);
        }
    }
    AddOreMarkers();
    ReleaseCameraView();

    const float a = std::min(std::fabs(Speed), 1.0f) * kShakeAmplitude;
    if (Cockpit && Cockpit->State == 3 && ShakeTimer.PeriodsElapsed() > 0) {
        QNMATRIX at;
        at.SetTranslation(RandomRange(-a, a), RandomRange(-a, a) + kCockpitY, kCockpitZ);
        Cockpit->SetTransform(at);
    }

    double t = ProximityTimer.Elapsed();
    if (t >= kStallInterval)
        t = kStallRepair;
    ProximityTimer.Restart();
    for (std::uint32_t i = 0; i < 2; ++i)
        SetProximity(i, Proximity[i] - kProximityDecay * float(t));
    const float missile = NearestHomingMissile();
    SetProximity(2, missile < 0.0f ? 0.0f : (kWarningReach - missile) / kWarningSpan);

    UpdateTargetAhead();
    if (Hud)
        Hud->ReleaseGoneFreighter();
    UpdateZoom();
    UpdateCockpitVisibility();
    if (Hud)
        Hud->SetElectronicWarning(!Active);
    DropSpentWeapons();
}

float COLLSHIP::NearestHomingMissile()
{
    // Missiles fly as children of the view's root, beside the ship.
    const QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!root)
        return -1.0f;
    const QNVEC3 at = GetWorldMatrix().Translation();
    float nearest = -1.0f;
    for (const QNITEM* c = root->FirstChild(); c; c = c->Next()) {
        const auto* node = dynamic_cast<const QNNODE*>(c);
        if (!node || HomingTarget(node) != this)
            continue;
        const float d = (node->GetWorldMatrix().Translation() - at).Length();
        if (nearest < 0.0f || d < nearest)
            nearest = d;
    }
    return nearest;
}

void COLLSHIP::SetProximity(std::uint32_t i, float value)
{
    if (i >= 3)
        return;
    Proximity[i] = std::clamp(value, 0.0f, 1.0f);
    if (Hud)
        Hud->SetProximity(i, Proximity[i]);
}

void COLLSHIP::UpdateTargetAhead()
{
    const QNMATRIX world = GetWorldMatrix();
    constexpr int kHits = 16;
    QNNODEHIT hits[kHits];
    const int n = CastSegment(kAheadNear, kAheadFar, Nose(world), kHits, hits);
    // The segment query sorts by distance already; the nearest is still picked explicitly so the
    // choice does not rest on that order.
    const QNNODEHIT* nearest = nullptr;
    for (int i = 0; i < n; ++i) {
        if (hits[i].Node && hits[i].Node->FindAncestor(QNCF_LEVEL_GAME) == this)
            continue;  // the ship's own parts
        if (!nearest || hits[i].Distance < nearest->Distance)
            nearest = &hits[i];
    }
    QNNODE* body = nearest && nearest->Node ? nearest->Node->FindAncestor(QNCF_LEVEL_GAME) : nullptr;
    auto* vehicle = dynamic_cast<VEHICLE*>(body);
    if (vehicle && NodeKindClass(vehicle->Kind) == CLASS_VEHICLE && vehicle->Kind != KIND_SUIT &&
        vehicle->Kind != KIND_EJECTIONSEAT && vehicle->ViewIndex != ViewIndex) {
        if (!Target && Rack.Selected == WEAPON_CHEETAH && Hud)
            Hud->SetReticleFrame(1);
        Target = vehicle;
        const char* what = "Collector Ship ";
        if (vehicle->Kind == KIND_COLLSHIP && static_cast<COLLSHIP*>(vehicle)->MercenaryLook)
            what = "Mercenary ";
        else if (vehicle->Kind == kKindVehicle66)
            what = "Mercenary ";
        else if (vehicle->Kind == KIND_FREIGHTER)
            what = "Freighter ";
        static constexpr const char* kSuffix[4] = {"(IMI)", "(OreBit)", "(Profond l'espace)", "(Entronic)"};
        std::snprintf(TargetLabel, sizeof TargetLabel, "%s%s", what,
                      vehicle->Identity < 4 ? kSuffix[vehicle->Identity] : "");
    } else if (Target || TargetLabel[0]) {
        Target = nullptr;
        TargetLabel[0] = '\0';
        if (Hud)
            Hud->SetReticleFrame(0);
    }
    SetCheetahTarget(Target.Get());
    if (Hud)
        Hud->PostUpper(TargetLabel);
}

void COLLSHIP::Kill()
{
    if (Wrecked)
        return;
    Wrecked = 1;
    WreckTimer.Init(0.0);
}

bool COLLSHIP::IsDestroyed() const
{
    return Wrecked != 0;
}

void COLLSHIP::SetHighlight(bool on)
{
    Highlighted = on;
    if (ViewMode == VIEWMODE_INSIDE) {
        if (Cockpit)
            if (auto* canopy = dynamic_cast<GAMENODE*>(Cockpit->FindChild("CANOPY")))
                canopy->SetTexture("shiphud_cockpit", on ? 1 : 0);
        if (on) {
            QNSOUND* sound = Resources->FindSound("collship_damage");
            if (!sound->HasPath())
                sound->CreatePath();
            sound->Play(0);
        }
    } else if (ViewMode == VIEWMODE_OUTSIDE) {
        SetTexture(MercenaryLook ? "mercship" : "collship", on ? 1 : 0);
    }
}

void COLLSHIP::UpdateStatus()
{
    const float f = BallisticMax != 0.0f ? Ballistic / BallisticMax : 1.0f;
    DAMAGEABLE::UpdateStatus();
    const std::uint32_t frame = f > 0.75f ? 0 : f > 0.5f ? 1 : f > 0.25f ? 2 : 3;
    if (Cockpit) {
        if (QNITEM* dashboard = Cockpit->FindChild("DASHBOARD"))
            if (auto* indicator = dynamic_cast<GAMENODE*>(dashboard->FindChild("COLLSHIP::DAMAGEINDICATOR")))
                ShowTextureCell(indicator, frame);
    }
    if (Hud)
        Hud->SetDamageFrame(frame);
}

void COLLSHIP::DamageBallistic(float amount, std::uint32_t kind, std::uint32_t absorb)
{
    Damage(amount, kind, absorb, false);
}

void COLLSHIP::DamageElectronic(float amount, std::uint32_t kind, std::uint32_t absorb)
{
    Damage(amount, kind, absorb, true);
}

void COLLSHIP::Damage(float amount, std::uint32_t kind, std::uint32_t absorb, bool electronic)
{
    if (Docked) {
        if (DAMAGEABLE* dock = Dock.Get()) {
            if (electronic)
                dock->DamageElectronic(amount, kind, absorb);
            else
                dock->DamageBallistic(amount, kind, absorb);
        }
        return;
    }
    if (absorb && kind < kCountermeasureKinds && Countermeasure[kind] != 0.0f) {
        float& charge = Countermeasure[kind];
        if (amount < charge) {
            charge -= amount;
            amount = 0.0f;
        } else {
            amount -= charge;
            charge = 0.0f;
        }
    }
    if (ViewMode == VIEWMODE_INSIDE) {
        if (kind < kCountermeasureKinds)
            SetCountermeter(kind);
        if (kind < 2)
            SetProximity(kind, Proximity[kind] + kProximityHit);
    }
    if (electronic)
        DAMAGEABLE::DamageElectronic(amount, kind, absorb);
    else
        DAMAGEABLE::DamageBallistic(amount, kind, absorb);
    HitFlash = 2;
}

void COLLSHIP::SetCountermeter(std::uint32_t kind)
{
    if (Hud && kind < kCountermeasureKinds)
        Hud->SetCountermeter(kind, Countermeasure[kind] / CountermeasureCapacity(kFirstCountermeasure + kind));
}

void COLLSHIP::AddCountermeasure(std::uint32_t kind)
{
    if (kind >= kCountermeasureKinds)
        return;
    Countermeasure[kind] += CountermeasureCapacity(kFirstCountermeasure + kind);
    if (ViewMode == VIEWMODE_INSIDE)
        SetCountermeter(kind);
}

void COLLSHIP::CollectOre(std::uint32_t colour, std::uint32_t kind)
{
    if (colour >= 4 || kind >= 3)
        return;
    const std::uint32_t bit = 1u << (kind + 3 * colour);
    const bool player = ViewMode == VIEWMODE_INSIDE;
    char text[64];
    if (OreBits & bit) {
        if (player && Hud) {
            std::snprintf(text, sizeof text, "%s %s Already Collected", kOreColours[colour], kOreKinds[kind]);
            Hud->PostLower(text);
        }
        return;
    }
    OreBits |= bit;
    if (!player)
        return;
    if (Hud) {
        Hud->FlashOreCollected();
        std::snprintf(text, sizeof text, "Collected %s %s", kOreColours[colour], kOreKinds[kind]);
        Hud->PostLower(text);
        Hud->RefreshWorkOrders(OreBits);
    }
}

bool COLLSHIP::InstallWeapon(std::uint32_t type, bool player, bool select)
{
    if (type < WEAPON_CHEETAH || type > WEAPON_CANISTER)
        return false;
    if (type == WEAPON_CANISTER ? Canister != nullptr : Rack.Has(type))
        return false;
    SHIPWEAPON::MAKER make = SHIPWEAPON::Maker(type);
    SHIPWEAPON* weapon = make ? make(this, player, ViewIndex) : nullptr;
    if (!weapon)
        return false;
    weapon->SetState(3, 0, false, true);
    weapon->Ship = this;
    if (type == WEAPON_CANISTER) {
        Canister = weapon;
    } else {
        Rack.Install(weapon);
        if (select)
            Rack.Selected = type;
    }
    if (ViewMode == VIEWMODE_INSIDE)
        RefreshWeaponSelector(false);
    return true;
}

bool COLLSHIP::SelectWeapon(std::uint32_t type)
{
    if (type != 0 && !Rack.Has(type))
        return false;
    Rack.Selected = type;
    if (ViewMode == VIEWMODE_INSIDE)
        RefreshWeaponSelector(true);
    return true;
}

void COLLSHIP::SelectNextWeapon()
{
    if (!Active || Rack.Count == 0)
        return;
    Rack.Selected = Rack.NextInstalled(Rack.Selected);
    if (ViewMode == VIEWMODE_INSIDE)
        RefreshWeaponSelector(true);
}

void COLLSHIP::FireSelectedWeapon()
{
    if (!Active || Zoom != ZOOMSTATE::NORMAL)
        return;
    if (SHIPWEAPON* weapon = Rack.Get(Rack.Selected)) {
        ++TriggerPulls;
        weapon->Fire();
    }
    DropSpentWeapons();
}

void COLLSHIP::EjectCanister()
{
    if (!Active || Zoom != ZOOMSTATE::NORMAL || !CanisterReady)
        return;
    if (!Canister) {
        if (ViewMode == VIEWMODE_INSIDE && Hud)
            Hud->PostLower("No Rear-Eject Canisters installed");
    } else {
        Canister->Fire();
        if (Canister->AmmoLevel() <= 0.0f) {
            QNITEM::Destroy(Canister);
            Canister = nullptr;
        }
    }
    if (Hud)
        Hud->SetCanisterCount(Canister ? std::uint32_t(std::lround(Canister->AmmoLevel() * 5.0f)) : 0);
    CanisterReady = 0;
    CanisterTimer.Restart();
}

void COLLSHIP::SetCheetahTarget(QNNODE* node)
{
    if (SHIPWEAPON* cheetah = Rack.Get(WEAPON_CHEETAH))
        cheetah->Target = node;
}

std::uint32_t COLLSHIP::SelectedWeaponType() const
{
    return Rack.Has(Rack.Selected) ? Rack.Selected : 0;
}

void COLLSHIP::RefreshWeaponSelector(bool blink)
{
    if (!Hud)
        return;
    std::uint32_t types[WEAPONRACK::kSlots];
    std::uint32_t count = 0;
    for (std::uint32_t i = 0; i < WEAPONRACK::kSlots; ++i)
        if (Rack.Has(Rack.Order[i]))
            types[count++] = Rack.Order[i];
    Hud->SetWeaponIcons(types, count, SelectedWeaponType(), blink);
    Hud->SetCanisterCount(Canister ? std::uint32_t(std::lround(Canister->AmmoLevel() * 5.0f)) : 0);
}

void COLLSHIP::DropSpentWeapons()
{
    bool removed = false;
    for (std::uint32_t i = 0; i < WEAPONRACK::kSlots; ++i) {
        const std::uint32_t type = Rack.Order[i];
        SHIPWEAPON* weapon = Rack.Get(type);
        if (!weapon)
            continue;
        const float level = weapon->AmmoLevel();
        if (level <= 0.0f) {
            Rack.Remove(type);
            removed = true;
        } else if (ViewMode == VIEWMODE_INSIDE && Hud) {
            Hud->SetWeaponLow(type, level <= 0.25f);
        }
    }
    if (removed && ViewMode == VIEWMODE_INSIDE)
        RefreshWeaponSelector(false);
}
