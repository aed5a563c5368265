// The player's side of the collector ship: view modes, cockpit, zoom, camera views, target
// markers and the ship's media.

#include <cmath>

#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/scene/glow.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "engine/sound/qnsound.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/vehicle_makers.h"
#include "game/vehicles/chipper.h"
#include "game/vehicles/explosion.h"
#include "game/vehicles/inside_hyperspace.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/vehicles/outside_hyperspace.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/vehicles/ship_weapon.h"
#include "game/world/company.h"
#include "game/world/game_globals.h"
#include "game/world/media_util.h"
#include "game/world/natural_object.h"
#include "game/world/ore_field.h"
#include "game/world/site.h"

namespace {

constexpr float kDegree = 0.017453293f;
constexpr std::int32_t kCockpitKind = 63;
constexpr std::int32_t kDamageIndicatorKind = 57;
constexpr std::int32_t kHeadquartersKind = 10;
constexpr float kMarkerSize = 25.0f;
constexpr float kLocatorReach = 90.0f;
constexpr float kRed[4] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr float kOrange[4] = {0.98823529f, 0.70196078f, 0.066666670f, 1.0f};
constexpr float kEngineVolume = 0.7f;
// Ore marker type by ore kind.
constexpr std::uint32_t kOreMarker[3] = {2, 0, 1};

QNMATRIX Translation(float x, float y, float z)
{
    QNMATRIX m;
    m.SetTranslation(x, y, z);
    return m;
}

QNMATRIX TurnX(float degrees)
{
    QNMATRIX m;
    m.SetRotationX(degrees * kDegree);
    return m;
}

QNMATRIX TurnY(float degrees)
{
    QNMATRIX m;
    m.SetRotationY(degrees * kDegree);
    return m;
}

// Camera view matrices 0-5: own view, rear, left, right, up, down.
QNMATRIX CameraMatrix(std::uint32_t n)
{
    switch (n) {
    case 1: return TurnY(180.0f);
    case 2: return TurnY(-90.0f);
    case 3: return TurnY(90.0f);
    case 4: return TurnX(-90.0f);
    case 5: return TurnX(90.0f);
    default: return QNMATRIX();
    }
}

void PlayOnce(QNRESOURCES* resources, const char* name)
{
    QNSOUND* sound = resources->FindSound(name);
    if (!sound->HasPath())
        sound->CreatePath();
    sound->Play(0);
}

template <class T>
void DestroyOwned(T*& node)
{
    QNITEM::Destroy(node);
    node = nullptr;
}

QNNODE* FindKind(QNNODE* root, std::int32_t kind)
{
    for (QNCHILDWALK walk(root); QNITEM* child = walk.Advance();) {
        auto* node = dynamic_cast<QNNODE*>(child);
        if (!node)
            continue;
        if (node->Kind == kind)
            return node;
        if (QNNODE* found = FindKind(node, kind))
            return found;
    }
    return nullptr;
}

}  // namespace

void COLLSHIP::TearDownInside()
{
    ClearTargets(NearTargets);
    ClearTargets(FarTargets);
    if (View && View->CurrentNode.Get() == Camera)
        View->CurrentNode = this;
    DestroyOwned(Camera);
    if (Hud) {
        QNITEM::Destroy(Hud->Node());
        Hud = nullptr;
    }
    DestroyOwned(Cockpit);
}

void COLLSHIP::SetViewMode(std::uint32_t mode)
{
    const std::uint32_t old = ViewMode;
    // The pilot leaving the cockpit (climbing out or ejecting) calls a jump under way off: the
    // tunnel would otherwise stay on the hull and jump the ship away at the next boarding.
    if (old == VIEWMODE_INSIDE && mode != VIEWMODE_INSIDE && Tunnel) {
        DeleteTunnel();
        HyperjumpPending = 0;
        Destination = nullptr;
    }
    Rack.Remove(WEAPON_CHIPPER);
    if (old == VIEWMODE_INSIDE)
        RefreshWeaponSelector(false);
    VEHICLE::SetViewMode(mode);
    SetState(1, 0, false, false);

    if (mode == VIEWMODE_INSIDE) {
        TearDownInside();
        if (HudMaker)
            Hud = HudMaker(this);
        BuildTargetList();
        if (!Rack.Has(WEAPON_CHIPPER))
            InstallWeapon(WEAPON_CHIPPER, true, false);
        if (Rack.Selected == 0)
            Rack.Selected = Rack.NextInstalled(0);
        RefreshWeaponSelector(false);
        DropSpentWeapons();
        if (Hud)
            Hud->Node()->SetState(3, 0, false, true);
        for (std::uint32_t k = 0; k < kCountermeasureKinds; ++k)
            SetCountermeter(k);

        const QNMATRIX at = Translation(0, kCockpitY, kCockpitZ);
        Cockpit = new GAMENODE(this, "COCKPIT", kCockpitKind, 0x2000000, 0, 1, &at, 0);
        const QNMATRIX canopyAt = Translation(0, 0.051f, -1.453f);
        auto* canopy = new GAMENODE(Cockpit, "CANOPY", kCockpitKind, 0x1000000, 0, 1, &canopyAt, 0);
        canopy->SetMaterial("shiphud_cockpit_canopy");
        canopy->SetTexture("shiphud_cockpit");
        canopy->SetMesh("shiphud_cockpit_canopy");
        const QNMATRIX dashAt = TurnX(10.0f) * Translation(0, -0.1f, -1.2f);
        auto* dashboard = new GAMENODE(Cockpit, "DASHBOARD", kCockpitKind, 0x1000000, 0, 1, &dashAt, 0);
        dashboard->SetMaterial("shiphud_cockpit_dashboard");
        dashboard->SetColour("shiphud_cockpit_dashboard");
        dashboard->SetMesh("shiphud_cockpit_dashboard");
        const QNMATRIX panelsAt = Translation(0, -0.02f, 0);
        auto* panels = new GAMENODE(dashboard, "PANELS", kCockpitKind, 0x1000000, 0, 1, &panelsAt, 0);
        panels->SetColour("fullbright");
        panels->SetTexture("shiphud_cockpit_dashboard_panels");
        panels->SetMesh("shiphud_cockpit_dashboard_panels");
        const QNMATRIX indicatorAt = TurnX(8.0f) * Translation(0, 0.01f, -0.005f);
        auto* indicator = new GAMENODE(dashboard, "COLLSHIP::DAMAGEINDICATOR", kDamageIndicatorKind, 0x1000000, 0,
                                       1, &indicatorAt, 0);
        indicator->SetMaterial("alpha");
        indicator->SetColour("fullbright");
        indicator->SetTexture("shiphud_damage");
        BuildCellSquare(indicator, 0.3f, 0.3f);
        ShowTextureCell(indicator, 0);
        Cockpit->UpdateSphereBounds(true);
        Cockpit->SetState(3, 0, false, true);
        Cockpit->SetState(CockpitShown ? 3 : 2, 1, false, true);
        if (Hud)
            Hud->SetCockpitShown(CockpitShown != 0);
        UpdateStatus();
        SetHighlight(Highlighted);

        ClearTexture(0);
        ReleaseMesh();
        SetBoxMesh("collship");

        Camera = new GAMENODE(this, "CAMERA", kKind, 0, 0, 1, nullptr, 0);
        CameraView = 0;
        CameraViewHeld = 0;
        if (View)
            View->CurrentNode = this;

        PlayOnce(Resources, "collship_start");
        SetSound("collship");
        PlaySound(-1);
        SetSoundVolume(kEngineVolume);
        DeleteEngineGlows();
        if (ZoomEquipped && !ZoomScreen) {
            ZoomEquipped = 0;
            SetZoomEquipped(true);
        }
    } else if (mode == VIEWMODE_OUTSIDE) {
        TearDownInside();
        SetTexture(MercenaryLook ? "mercship" : "collship");
        SetHighlight(Highlighted);
        ReleaseMesh();
        SetMesh(MercenaryLook ? "mercship" : "collship");
        SetSound("collship_extern");
        PlaySound(-1);
        SetSoundVolume(kEngineVolume);
        MakeEngineGlows();
        ReleaseLight();
        DestroyOwned(ZoomScreen);
        if (!Rack.Has(WEAPON_CHIPPER))
            InstallWeapon(WEAPON_CHIPPER, false, false);
    } else {
        TearDownInside();
        ClearTexture(0);
        ReleaseMesh();
        SetBoxMesh("collship_coll");
        StopSound();
        DeleteEngineGlows();
        ReleaseLight();
    }

    SetState(3, 0, false, true);
    if (ZoomEquipped) {
        Zoom = ZOOMSTATE::NORMAL;
        FieldOfView = kNormalFov;
        NearPlane = kNormalNear;
        if (QNSCENE* s = View ? View->Scene : nullptr) {
            s->FieldOfView = kNormalFov;
            s->NearPlane = kNormalNear;
            s->FarPlane = kNormalFar;
        }
    }
}

void COLLSHIP::MakeEngineGlows()
{
    DeleteEngineGlows();
    static const QNVEC3 kMercenary[3] = {{0.55f, 0.55f, -1.82f}, {-0.55f, 0.55f, -1.82f}, {0.0f, -0.375f, -1.82f}};
    static const QNVEC3 kCollector[2] = {{1.46f, 0.083f, -3.229f}, {-1.519f, 0.083f, -3.229f}};
    const QNVEC3* at = MercenaryLook ? kMercenary : kCollector;
    const int count = MercenaryLook ? 3 : 2;
    const QNMATRIX world = GetWorldMatrix();
    for (int i = 0; i < count; ++i) {
        EngineGlowAt.push_back(TurnY(180.0f) * Translation(at[i].x, at[i].y, at[i].z));
        const QNMATRIX m = EngineGlowAt.back() * world;
        auto* glow = new QNGLOW(this, &m, 90.0f * kDegree, 12.0f * kDegree, 1.0f, "collship_glow_blue",
                                "engine_glow_blue");
        glow->SetState(3, 0, true, true);
        EngineGlows.push_back(glow);
    }
}

// Glows keep a world placement of their own: carried along with the hull each frame.
void COLLSHIP::PlaceEngineGlows()
{
    const QNMATRIX world = GetWorldMatrix();
    for (std::size_t i = 0; i < EngineGlows.size(); ++i)
        EngineGlows[i]->SetTransform(EngineGlowAt[i] * world);
}

void COLLSHIP::DeleteEngineGlows()
{
    for (GAMENODE* glow : EngineGlows)
        QNITEM::Destroy(glow);
    EngineGlows.clear();
    EngineGlowAt.clear();
}

void COLLSHIP::ToggleCockpit()
{
    if (ViewMode != VIEWMODE_INSIDE)
        return;
    CockpitShown = !CockpitShown;
    if (Cockpit)
        Cockpit->SetState(CockpitShown ? 3 : 2, 1, false, true);
    if (Hud)
        Hud->SetCockpitShown(CockpitShown != 0);
}

void COLLSHIP::SetZoom(bool on)
{
    if (!ZoomEquipped || ViewMode != VIEWMODE_INSIDE)
        return;
    if (on && (Zoom == ZOOMSTATE::NORMAL || Zoom == ZOOMSTATE::ZOOMING_OUT)) {
        const float time = std::fabs((FieldOfView - kZoomedFov) / (kNormalFov - kZoomedFov)) * kZoomTime;
        Zoom = ZOOMSTATE::ZOOMING_IN;
        FovAnimation.Init(QNANIMCLOCK::ONCE, FieldOfView, kZoomedFov, time);
        NearAnimation.Init(QNANIMCLOCK::ONCE, NearPlane, kZoomedNear, time);
    } else if (!on && (Zoom == ZOOMSTATE::ZOOMING_IN || Zoom == ZOOMSTATE::ZOOMED)) {
        const float time = std::fabs((FieldOfView - kNormalFov) / (kNormalFov - kZoomedFov)) * kZoomTime;
        Zoom = ZOOMSTATE::ZOOMING_OUT;
        FovAnimation.Init(QNANIMCLOCK::ONCE, FieldOfView, kNormalFov, time);
        NearAnimation.Init(QNANIMCLOCK::ONCE, NearPlane, kNormalNear, time);
    }
}

void COLLSHIP::UpdateZoom()
{
    if (!ZoomEquipped || (Zoom != ZOOMSTATE::ZOOMING_IN && Zoom != ZOOMSTATE::ZOOMING_OUT))
        return;
    // A zero-length animation (already at its end) gives its end value at once.
    FieldOfView = FovAnimation.Length > 0.0f ? FovAnimation.Time() : FovAnimation.To;
    NearPlane = NearAnimation.Length > 0.0f ? NearAnimation.Time() : NearAnimation.To;
    if (QNSCENE* s = View ? View->Scene : nullptr) {
        s->FieldOfView = FieldOfView;
        s->NearPlane = NearPlane;
        s->FarPlane = kZoomFar;
    }
    if (Zoom == ZOOMSTATE::ZOOMING_IN && std::fabs(FieldOfView - kZoomedFov) <= 0.0001f)
        Zoom = ZOOMSTATE::ZOOMED;
    else if (Zoom == ZOOMSTATE::ZOOMING_OUT && std::fabs(FieldOfView - kNormalFov) <= 0.0001f)
        Zoom = ZOOMSTATE::NORMAL;
}

void COLLSHIP::UpdateCockpitVisibility()
{
    const bool normal = Zoom == ZOOMSTATE::NORMAL;
    if (ZoomScreen)
        ZoomScreen->SetState(normal ? 2 : 3, 1, false, true);
    // The HUD's own vote only: its elements keep their own votes (a marker out of view, a lost
    // arrow, the ore flash after its two seconds) and follow the HUD through its state.
    const std::int32_t hud = CameraView == 0 && normal ? 3 : 2;
    if (Hud && Hud->Node()->Vote(1) != hud)
        Hud->Node()->SetState(hud, 1, false, false);
    if (Cockpit)
        Cockpit->SetState(CameraView == 0 && CockpitShown && normal ? 3 : 2, 1, false, true);
}

void COLLSHIP::SetZoomEquipped(bool on)
{
    if (bool(ZoomEquipped) == on)
        return;
    ZoomEquipped = on ? 1 : 0;
    if (!on) {
        DestroyOwned(ZoomScreen);
        return;
    }
    if (ViewMode != VIEWMODE_INSIDE || ZoomScreen)
        return;
    ZoomScreen = new GAMENODE(this, "ZOOMSCREEN", 0, QNCF_SCREEN, 0, 2, nullptr, 0);
    static constexpr float kPartY[2] = {400.66669f, -400.0f};
    for (int i = 0; i < 2; ++i) {
        const QNMATRIX at = Translation(0, kPartY[i], 0);
        auto* part = new GAMENODE(ZoomScreen, "PART", 0, QNCF_SCREEN, 0, 3, &at, 0);
        part->SetMaterial("sprite");
        part->SetColour("fullbright");
        part->SetTexture("shiphud_zoomscreen", i);
        part->SetMesh("shiphud_zoomscreen");
    }
    ZoomScreen->SetState(3, 0, false, true);
}

void COLLSHIP::SetCameraView(std::uint32_t n)
{
    if (n > 5)
        return;
    CameraViewHeld = 0;
    if (n == CameraView)
        return;
    if (n == 0) {
        if (View)
            View->CurrentNode = this;
    } else if (Camera) {
        if (CameraView == 0 && View)
            View->CurrentNode = Camera;
        Camera->SetTransform(CameraMatrix(n));
    }
    CameraView = n;
}

void COLLSHIP::ReleaseCameraView()
{
    if (CameraView == 0)
        return;
    if (!CameraViewHeld) {
        CameraViewHeld = 1;
        return;
    }
    CameraViewHeld = 0;
    if (View)
        View->CurrentNode = this;
    CameraView = 0;
}

void COLLSHIP::ClearTargets(std::vector<TARGETENTRY>& list)
{
    for (TARGETENTRY& e : list)
        if (GAMENODE* marker = e.Marker.Get())
            QNITEM::Destroy(marker);
    list.clear();
}

void COLLSHIP::BuildTargetList()
{
    ClearTargets(NearTargets);
    if (Hud)
        Hud->ClearMarkers();
    SITE* site = CurrentSite.Get();
    if (!site)
        return;
    if (Hud) {
        Hud->SetHomeTarget(FindKind(site, kHeadquartersKind));
        const COMPANY* host = CompanyOfView(site->ViewIndex);
        Hud->SetTargetSite(site->ViewIndex, host ? host->Identity : site->ViewIndex);
    }
    OreMarkersPending = 1;
    OreCursor = 0;
}

void COLLSHIP::AddOreMarkers()
{
    if (!OreMarkersPending)
        return;
    SITE* site = CurrentSite.Get();
    QNNODE* field = site ? site->OreField : nullptr;
    if (!field || !Hud) {
        OreMarkersPending = 0;
        return;
    }
    std::uint32_t added = 0, index = 0;
    for (QNCHILDWALK walk(field); QNITEM* child = walk.Advance(); ++index) {
        if (index < OreCursor)
            continue;
        if (added == 2)
            return;
        ++OreCursor;
        auto* ore = dynamic_cast<ORE*>(child);
        if (!ore || ore->Kind != kKindOre)
            continue;
        const std::uint32_t kind = ore->OreKind;
        if (kind < 3)
            Hud->MakeMarker(ore, kOreMarker[kind], kMarkerSize);
        ++added;
    }
    OreMarkersPending = 0;
}

void COLLSHIP::UpdateTargetLists()
{
    for (TARGETENTRY& e : NearTargets)
        e.Mark = 0;
    for (TARGETENTRY& e : FarTargets)
        e.Mark = 0;
    SITE* site = CurrentSite.Get();
    auto keep = [](std::vector<TARGETENTRY>& list, QNNODE* node) {
        for (TARGETENTRY& e : list)
            if (e.Node.Get() == node) {
                e.Mark = 1;
                return true;
            }
        return false;
    };
    auto add = [](std::vector<TARGETENTRY>& list, QNNODE* node, GAMENODE* marker) {
        TARGETENTRY e;
        e.Node = node;
        e.Marker = marker;
        if (marker)
            marker->SetState(3, 0, false, true);
        list.push_back(std::move(e));
    };
    for (QNCHILDWALK walk(site); QNITEM* child = walk.Advance();) {
        auto* node = dynamic_cast<QNNODE*>(child);
        if (!node || node == this)
            continue;
        auto* vehicle = dynamic_cast<VEHICLE*>(node);
        const bool own = vehicle && vehicle->ViewIndex == ViewIndex;
        if (node->Kind == KIND_COLLSHIP || node->Kind == kKindVehicle66) {
            const bool mercenary = node->Kind == kKindVehicle66 ||
                                   (dynamic_cast<COLLSHIP*>(node) && static_cast<COLLSHIP*>(node)->MercenaryLook);
            if (!keep(NearTargets, node))
                add(NearTargets, node, Hud ? Hud->MakeMarker(node, mercenary ? 4 : 3, kMarkerSize) : nullptr);
            if (node->Kind == kKindVehicle66 && own)
                continue;
            if (!keep(FarTargets, node))
                add(FarTargets, node, Hud ? Hud->MakeLocator(node, kLocatorReach, kRed) : nullptr);
        } else if (node->Kind == KIND_FREIGHTER) {
            const bool gone = FreighterGone && FreighterGone(node);
            if (gone || own)
                continue;
            if (!keep(FarTargets, node))
                add(FarTargets, node, Hud ? Hud->MakeLocator(node, kLocatorReach, kOrange) : nullptr);
        }
    }
    for (auto* list : {&NearTargets, &FarTargets}) {
        for (TARGETENTRY& e : *list)
            if (!e.Mark)
                if (GAMENODE* marker = e.Marker.Get())
                    QNITEM::Destroy(marker);
        std::erase_if(*list, [](const TARGETENTRY& e) { return !e.Mark; });
    }
}

void COLLSHIP::LoadResources(QNRESOURCES& r)
{
    CHIPPER::LoadResources(r);
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    struct SOUND {
        const char* Name;
        const char* File;
        float Near, Far;
        bool Unpositioned;
    };
    static constexpr SOUND kSounds[] = {
        {"collship_start", "media\\vehicles\\exterior\\sounds\\collship_start.wav", 1.0f, 100.0f, true},
        {"collship_damage", "media\\vehicles\\exterior\\sounds\\collship_damage.wav", 1.0f, 100.0f, true},
        {"collship", "media\\vehicles\\exterior\\sounds\\collship.wav", 1.0f, 100.0f, false},
        {"collship_extern", "media\\vehicles\\exterior\\sounds\\collship.wav", 100.0f, 300.0f, false},
    };
    for (const SOUND& k : kSounds) {
        s = QNSOUNDPARAMS();
        s.Name = k.Name;
        s.File = k.File;
        s.MinDistance = k.Near;
        s.MaxDistance = k.Far;
        // The start and the damage alarm play only in the cockpit: at the pilot's ear.
        if (k.Unpositioned)
            s.LoadMode = QNSOUND::MONO;
        r.AddSound();
    }

    QNTEXTUREPARAMS& t = QNRESOURCES::TextureParams;
    struct TEXTURE {
        const char* Name;
        const char* File;
        int Count;
    };
    static constexpr TEXTURE kTextures[] = {
        {"collship", "media\\vehicles\\exterior\\textures\\collship.dds", 2},
        {"mercship", "media\\vehicles\\exterior\\textures\\mercship.dds", 2},
        {"shiphud_cockpit", "media\\vehicles\\hud\\ship\\textures\\shiphud_cockpit.dds", 2},
        {"shiphud_cockpit_dashboard_panels", "media\\vehicles\\hud\\ship\\textures\\shiphud_cockpit_dashboard_panels.dds", 1},
        {"shiphud_zoomscreen", "media\\vehicles\\hud\\ship\\textures\\shiphud_zoomscreen.dds", 2},
    };
    for (const TEXTURE& k : kTextures) {
        t = QNTEXTUREPARAMS();
        t.Name = k.Name;
        t.File = k.File;
        t.Count = k.Count;
        r.AddTexture();
    }
    // Shared with the sites' glows.
    if (!r.Textures.FindChild("engine_glow_blue")) {
        t = QNTEXTUREPARAMS();
        t.File = "media\\vehicles\\exterior\\textures\\engine_glow_blue.dds";
        r.AddTexture();
    }
    // The damage indicator's sheet belongs to the ship HUD; the cockpit needs it even without one.
    if (!r.Textures.FindChild("shiphud_damage")) {
        t = QNTEXTUREPARAMS();
        t.Name = "shiphud_damage";
        t.File = "media\\vehicles\\hud\\ship\\textures\\shiphud_damage.dds";
        t.Columns = 2;
        t.Rows = 2;
        t.LoadOption2 = 2;
        r.AddTexture();
        r.FindTexture("shiphud_damage")->Texture.TransformFlag = 1;
    }

    QNMESHPARAMS& m = QNRESOURCES::MeshParams;
    static constexpr const char* kMeshFiles[] = {
        "media\\vehicles\\exterior\\meshes\\collship.gbm",
        "media\\vehicles\\exterior\\meshes\\mercship.gbm",
        "media\\vehicles\\hud\\ship\\meshes\\shiphud_cockpit_canopy.gbm",
        "media\\vehicles\\hud\\ship\\meshes\\shiphud_cockpit_dashboard.gbm",
        "media\\vehicles\\hud\\ship\\meshes\\shiphud_cockpit_dashboard_panels.gbm",
    };
    for (const char* file : kMeshFiles) {
        m = QNMESHPARAMS();
        m.File = file;
        m.Args[0] = 1;
        // Only the hulls collide, as their convex hulls (a shape that meets the station's
        // triangle lists); the cockpit sits inside the hull.
        m.CollisionOption1 = (file == kMeshFiles[0] || file == kMeshFiles[1]) ? std::uint32_t(QNCOLLGEOM::CONVEX) : 0u;
        r.AddMeshFile();
    }
    RegisterQuad(r, "shiphud_zoomscreen", 1333.0f, 166.66667f);
    RegisterQuad(r, "collship_glow_blue", 1.0f, 1.0f);
    RegisterQuad(r, "shiphud_cockpit_damage", 0.3f, 0.3f);

    // The shape of the ship seen by nobody (view mode 0): a box the size of the hull.
    const QNBOX& hull = r.FindMesh("collship")->Level(0).Box;
    m = QNMESHPARAMS();
    m.Name = "collship_coll";
    m.CollisionOption1 = QNCOLLGEOM::BOX;
    m.Args[1] = hull.max.x - hull.min.x;
    m.Args[2] = hull.max.y - hull.min.y;
    m.Args[3] = hull.max.z - hull.min.z;
    r.AddMeshBox();

    r.AddMaterial("shiphud_cockpit_canopy")->AlphaBlend = 1;
    r.AddMaterial("shiphud_cockpit_dashboard")->Specular = 1;
    r.AddColour("shiphud_cockpit_dashboard")->SetShiny(0.25f, 0.225f, 0.225f, 10.0f, 1.0f);
    LoadShipWeaponResources(r);
}
