#include "game/vehicles/suit.h"

#include <cmath>
#include <string>

#include "engine/physics/node_motion.h"
#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/resources.h"
#include "engine/scene/view.h"
#include "engine/sound/qnsound.h"
#include "game/vehicles/hud_media.h"
#include "game/vehicles/money_display.h"
#include "game/vehicles/suit_hud.h"

namespace {

constexpr std::int32_t kHelmetKind = 62;

// The thrust vector for which the thrust sound last started; one for all suits, since only the
// suit the camera follows plays it.
QNVEC3 g_lastThrust(0, 0, 0);

bool Differs(const QNVEC3& a, const QNVEC3& b)
{
    return std::fabs(a.x - b.x) >= SUIT::kInputEpsilon || std::fabs(a.y - b.y) >= SUIT::kInputEpsilon ||
           std::fabs(a.z - b.z) >= SUIT::kInputEpsilon;
}

float Clamp(float v, float limit)
{
    return v < -limit ? -limit : v > limit ? limit : v;
}

QNSOUND* SuitSound(QNRESOURCES* resources, const char* name)
{
    if (!resources)
        return nullptr;
    QNSOUND* sound = resources->FindSound(name);
    if (!sound->HasPath())
        sound->CreatePath();
    return sound;
}

void AddSuitSound(QNRESOURCES& r, const char* file)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.File = file;
    s.MinDistance = 1.0f;
    s.MaxDistance = 100.0f;
    // Only the wearer hears them (the camera follows the suit): at the ear.
    s.LoadMode = QNSOUND::MONO;
    r.AddSound();
}

void AddHelmetQuad(QNRESOURCES& r, const char* name, float height)
{
    RegisterHudTexture(r, name, (std::string("media\\vehicles\\hud\\suit\\textures\\") + name + ".dds").c_str());
    RegisterHudQuad(r, name, name, SUIT::kHelmetWidth, height);
}

}  // namespace

SUIT::SUIT(QNNODE* parent, const QNMATRIX* transform, std::uint32_t view, std::uint32_t classFlags)
    : VEHICLE(parent, "SUIT", kKind, kClassFlags | classFlags, 0, 0, transform, view)
{
    SetScale(kScale, 1.0f);
    if (QNBODY* body = PhysicsBodyOf(this)) {
        body->SetLinearDamping(kLinearDamping);
        body->SetAngularDamping(kAngularDamping);
    }
    SetViewMode(VIEWMODE_HIDDEN);
    UpdateSphereBounds(true);
}

SUIT::~SUIT()
{
    if (View && View->CurrentNode.Get() == this)
        View->CurrentNode.Reset();
}

bool SUIT::CameraFollows() const
{
    return View && View->CurrentNode.Get() == this;
}

void SUIT::ResetSharedThrust()
{
    g_lastThrust = QNVEC3(0, 0, 0);
}

void SUIT::Update()
{
    VEHICLE::Update();
    ApplyThrust();
    ApplyTurn();
    if (ViewMode == VIEWMODE_INSIDE)
        if (GAMENODE* stars = Stars.Get()) {
            QNMATRIX at;
            at.SetTranslationV(GetWorldMatrix().Translation());
            stars->SetTransform(at);
        }
}

void SUIT::ApplyThrust()
{
    const bool follows = CameraFollows();
    if (Thrust.LengthSq() <= kInputEpsilon) {
        if (follows && Differs(g_lastThrust, QNVEC3(0, 0, 0))) {
            if (QNSOUND* hiss = SuitSound(Resources, "suitthrust"))
                hiss->Stop();
            ++ThrustStops;
            g_lastThrust = QNVEC3(0, 0, 0);
        }
        return;
    }
    if (follows && Differs(Thrust, g_lastThrust)) {
        if (QNSOUND* hiss = SuitSound(Resources, "suitthrust"))
            hiss->Play(0);
        ++ThrustStarts;
        g_lastThrust = Thrust;
    }
    if (QNBODY* body = PhysicsBodyOf(this))
        body->AddForce(QNVEC3::TransformNormal(Thrust * kThrustGain, GetWorldMatrix()));
    Thrust = QNVEC3(0, 0, 0);
}

void SUIT::ApplyTurn()
{
    if (Turn.LengthSq() <= kInputEpsilon)
        return;
    const QNVEC3 torque(Clamp(Turn.x, kTurnLimit), Clamp(Turn.y, kTurnLimit), Clamp(Turn.z, kRollLimit));
    if (QNBODY* body = PhysicsBodyOf(this))
        body->AddTorque(QNVEC3::TransformNormal(torque, GetWorldMatrix()));
    Turn = QNVEC3(0, 0, 0);
}

void SUIT::TearDownWorn()
{
    QNITEM::Destroy(Hud);
    Hud = nullptr;
    QNITEM::Destroy(Helmet);
    Helmet = nullptr;
}

void SUIT::BuildHelmet()
{
    Helmet = new GAMENODE(this, "INSIDEHELMET", kHelmetKind, 0x2000040, 0, 2, nullptr, 0);
    const QNMATRIX topAt = HudAt(0.0f, kHelmetTopY);
    const QNMATRIX bottomAt = HudAt(0.0f, kHelmetBottomY);
    auto* top = new GAMENODE(Helmet, "TOP", kHelmetKind, 0x1000040, 0, 3, &topAt, 0);
    DressHudNode(top, "suithud_helmettop");
    auto* bottom = new GAMENODE(Helmet, "BOTTOM", kHelmetKind, 0x1000040, 0, 3, &bottomAt, 0);
    DressHudNode(bottom, "suithud_helmetbottom");
    Helmet->SetState(3, 0, false, true);
    Helmet->SetState(OverlayShown ? 3 : 2, 1, false, true);
}

void SUIT::SetViewMode(std::uint32_t mode)
{
    VEHICLE::SetViewMode(mode);
    if (CameraFollows())
        StopSound();
    SetState(1, 0, false, false);
    TearDownWorn();
    ReleaseMesh();
    if (mode == VIEWMODE_INSIDE) {
        ClearTexture(0);
        SetBoxMesh("suit_coll");
        // The helmet first, so that the HUD draws over its rim.
        BuildHelmet();
        Hud = new SUITHUD(this);
        Hud->SetState(3, 0, false, true);
        if (View)
            View->CurrentNode = this;
        // The suit's own sound: it plays while the suit is shown, so not while a store or a
        // menu covers the scene.
        SetSound("suitbreath");
        PlaySound(-1);
    } else if (mode == VIEWMODE_OUTSIDE) {
        SetTexture("suit");
        SetMesh("suit");
    } else {
        ClearTexture(0);
    }
}

void SUIT::AddThrust(const QNVEC3& thrust)
{
    Thrust = Thrust + thrust;
}

void SUIT::AddTurn(const QNVEC3& turn)
{
    Turn = Turn + turn;
}

void SUIT::ToggleOverlay()
{
    if (ViewMode != VIEWMODE_INSIDE || !Helmet)
        return;
    OverlayShown = OverlayShown ? 0 : 1;
    Helmet->SetState(OverlayShown ? 3 : 2, 1, false, true);
}

void SUIT::SetSky(GAMENODE* stars)
{
    Stars = stars;
}

void SUIT::ShowMoney(float money)
{
    if (Hud && Hud->Money)
        Hud->Money->SetValue(money);
}

QNQUEUEDMESSAGE* SUIT::MessageLine()
{
    return Hud ? Hud->LowerLine : nullptr;
}

QNQUEUEDMESSAGE* SUIT::StatusLine()
{
    return Hud ? Hud->UpperLine : nullptr;
}

bool SUIT::ShowInventoryItem(std::uint32_t type)
{
    return Hud && Hud->Inventory->AddItem(type);
}

void SUIT::ClearInventory()
{
    if (Hud)
        Hud->Inventory->RemoveItems();
}

void SUIT::SetProgress(float value)
{
    if (Hud)
        Hud->SetProgress(value);
}

void RegisterSuitFigure(QNRESOURCES& r)
{
    if (!r.Textures.FindChild("suit")) {
        QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
        QNRESOURCES::TextureParams.Name = "suit";
        QNRESOURCES::TextureParams.File = "media\\vehicles\\exterior\\textures\\suit.dds";
        r.AddTexture();
    }
    if (!r.Meshes.FindChild("suit")) {
        QNRESOURCES::MeshParams = QNMESHPARAMS();
        QNRESOURCES::MeshParams.Name = "suit";
        QNRESOURCES::MeshParams.File = "media\\vehicles\\exterior\\meshes\\suit.gbm";
        QNRESOURCES::MeshParams.Args[0] = 1;
        // The figure's convex hull: a shape that meets the station's triangle lists.
        QNRESOURCES::MeshParams.CollisionOption1 = QNCOLLGEOM::CONVEX;
        r.AddMeshFile();
    }
}

void SUIT::LoadResources(QNRESOURCES& r)
{
    RegisterSuitFigure(r);
    QNRESOURCES::MeshParams = QNMESHPARAMS();
    QNRESOURCES::MeshParams.Name = "suit_coll";
    QNRESOURCES::MeshParams.CollisionOption1 = QNCOLLGEOM::BOX;
    QNRESOURCES::MeshParams.Args[1] = 2.0f;
    QNRESOURCES::MeshParams.Args[2] = 2.0f;
    QNRESOURCES::MeshParams.Args[3] = 2.0f;
    r.AddMeshBox();
    AddHelmetQuad(r, "suithud_helmettop", kHelmetTopHeight);
    AddHelmetQuad(r, "suithud_helmetbottom", kHelmetBottomHeight);
    AddSuitSound(r, "media\\vehicles\\exterior\\sounds\\suitthrust.wav");
    AddSuitSound(r, "media\\vehicles\\exterior\\sounds\\suitbreath.wav");
    SUITHUD::LoadResources(r);
}
