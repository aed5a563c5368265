#include "game/vehicles/ironman.h"

#include <algorithm>
#include <cmath>

#include "engine/render/qncolour.h"
#include "engine/render/qntexture.h"
#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/inside_flash.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/vehicles/outside_flash.h"
#include "game/vehicles/weapon_line.h"
#include "game/world/damageable.h"
#include "game/world/media_util.h"
#include "game/world/muzzle_flash.h"

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kLightRange = 3.0f;
// Cockpit flash at the lower left of the screen; its twin is the mirror image.
const QNVEC3 kInsideFlash(-460.0f, -190.0f, 0.0f);
// Gun ports of the two hulls.
const QNVEC3 kPorts(1.6682f, -0.2168f, 3.3932f);
const QNVEC3 kMercenaryPorts(1.8965f, 0.4698f, 1.7123f);
constexpr float kInsideQuad = 533.3333f;
constexpr float kContactQuad = 2.0f;
constexpr int kContactCells = 4;
constexpr float kSilent = 0.0001f;

}  // namespace

IRONMAN::IRONMAN(QNNODE* ship, bool player, std::uint32_t ownerView)
    : SHIPWEAPON(ship, "IRONMAN", kType, 0x2000004, player, ownerView)
{
    SetSound("ironman_inside");
    CycleTimer.Init(0.0);
    if (player) {
        SetPointLight(kLightRange, 1.0f, 1.0f, 0.75f);
        AttachLight(false);
        QNMATRIX at, mirror;
        at.SetTranslationV(kInsideFlash);
        Flash[0] = new INSIDEFLASH(this, &at);
        mirror.SetRotationY(kPi);
        mirror = at * mirror;
        mirror.Round();  // sin(pi) would leave the twin a hair behind the screen plane
        Flash[1] = new INSIDEFLASH(this, &mirror);
    } else {
        auto* hull = dynamic_cast<COLLSHIP*>(ship);
        const QNVEC3 port = hull && hull->MercenaryLook ? kMercenaryPorts : kPorts;
        QNMATRIX right, left;
        right.SetTranslationV(port);
        left.SetTranslation(-port.x, port.y, port.z);
        Flash[0] = new OUTSIDEFLASH(this, &right);
        Flash[1] = new OUTSIDEFLASH(this, &left);
    }
    Contact = new CONTACT(this);
}

void IRONMAN::StartSound()
{
    if (Player) {
        PlaySound(-1);
        return;
    }
    QNSOUND* sound = Resources->FindSound("ironman_outside");
    if (!sound->HasPath())
        sound->CreatePath();
    sound->SetPositionFromMatrix(GetWorldMatrix());
    sound->Set3DParameters();
    sound->Play(QNSOUND::kForever);
}

void IRONMAN::StopGunSound()
{
    if (Player)
        StopSound();
    else
        Resources->FindSound("ironman_outside")->Stop();
}

void IRONMAN::Fire()
{
    if (Cycle == CYCLE::REQUESTED || Cycle == CYCLE::FLASHES_ON || Cycle == CYCLE::FLASHES_OFF)
        return;
    if (Cycle == CYCLE::IDLE)
        StartSound();
    Cycle = CYCLE::REQUESTED;
    ++Shots;
    const QNMATRIX world = GetWorldMatrix();
    QNNODEHIT hit;
    if (NearestWeaponHit(this, world.Row(2).Normalize(), kRange, ParentNode(), hit))
        Strike(hit);
}

void IRONMAN::Strike(const QNNODEHIT& hit)
{
    if (!hit.Node)
        return;
    const QNVEC3 p(hit.Point[0], hit.Point[1], hit.Point[2]);
    const std::uint32_t c = NodeKindClass(hit.Node->Kind);
    if (c != CLASS_NATURE && Contact) {
        QNMATRIX at;
        at.SetTranslationV(p + (GetWorldMatrix().Translation() - p).Normalize() * kSparkBack);
        Contact->SetTransform(at);
        Contact->SetState(3, 1, true, true);
        Contact->Restart = true;
    }
    if (c == CLASS_STATIONPART || c == CLASS_VEHICLE)
        if (auto* d = dynamic_cast<DAMAGEABLE*>(hit.Node->FindAncestor(QNCF_LEVEL_GAME)))
            d->DamageBallistic(kDamage, 0, 1);
}

void IRONMAN::ShowFlashes(bool on)
{
    if (Player)
        SetLightOn(on);
    for (GUNFLASH* f : Flash)
        if (f)
            f->Show(on);
}

void IRONMAN::Update()
{
    if (!Player) {
        QNSOUND* sound = Resources->FindSound("ironman_outside");
        sound->SetPositionFromMatrix(GetWorldMatrix());
        sound->Set3DParameters();
    }
    const double t = CycleTimer.Elapsed();
    switch (Cycle) {
    case CYCLE::IDLE:
        break;
    case CYCLE::REQUESTED:
        SetSoundVolume(1.0f);
        ShowFlashes(true);
        CycleTimer.Restart();
        Cycle = CYCLE::FLASHES_ON;
        break;
    case CYCLE::FLASHES_ON:
        if (t >= kFlashTime) {
            ShowFlashes(false);
            Cycle = CYCLE::FLASHES_OFF;
        }
        break;
    case CYCLE::FLASHES_OFF:
        if (t >= kCycleTime)
            Cycle = CYCLE::READY;
        break;
    case CYCLE::READY:
        if (t >= kFadeStart) {
            SoundFade.Set(1.0f, 0.0f, kFadeTime, 0);
            Cycle = CYCLE::FADING;
        }
        break;
    case CYCLE::FADING: {
        float v = 0.0f;
        if (Player) {
            v = SoundFade.Value();
            SetSoundVolume(v);
        }
        if (std::fabs(v) < kSilent) {
            Cycle = CYCLE::IDLE;
            StopGunSound();
        }
        break;
    }
    }
}

IRONMAN::CONTACT::CONTACT(QNNODE* parent) : GAMENODE(parent, "CONTACT", 72, 0x1000084, 0, 0, nullptr, 0)
{
    SetSound("ironman_hit");
    SetMaterial("alpha");
    SetOwnColour();
    OwnColour->SetAlpha(0.0f);
    SetTexture("ironman_contact");
    BuildCellSquare(this, kContactQuad, kContactQuad);
    SparkTimer.Init(0.0);
    SetState(2, 1, false, true);
}

void IRONMAN::CONTACT::Update()
{
    const double t = SparkTimer.Elapsed();
    if (Restart) {
        StopSound();
        PlaySound(0);
        ++Hits;
        Restart = false;
        Spark = RandomRange(0.0f, 1.0f) < kSparkChance;
        if (Spark) {
            Cell = std::uint32_t(std::clamp(RoundToInt(RandomRange(0.0f, float(kContactCells - 1))), 0, kContactCells - 1));
            ShowTextureCell(this, Cell);
            OwnColour->SetAlpha(1.0f);
            ++Sparks;
        }
        SparkTimer.Restart();
        return;
    }
    if (Spark && t > kSparkTime)
        OwnColour->SetAlpha(0.0f);
    if (t > kShowTime)
        SetState(2, 1, true, true);
}

SHIPWEAPON* IRONMAN::Make(QNNODE* ship, bool player, std::uint32_t ownerView)
{
    return new IRONMAN(ship, player, ownerView);
}

void IRONMAN::LoadResources(QNRESOURCES& r)
{
    RegisterTextures(r, "ironman_contact", "media\\vehicles\\weapons\\textures\\ironman_contact.dds", 1, 2, 2);
    r.FindTexture("ironman_contact")->Texture.TransformFlag = 1;
    RegisterTextures(r, "ironman_insideflash", "media\\vehicles\\weapons\\textures\\ironman_insideflash.dds",
                     INSIDEFLASH::kPictures);
    RegisterQuad(r, "ironman_insideflash", kInsideQuad, kInsideQuad);
    RegisterQuad(r, "ironman_contact", kContactQuad, kContactQuad);
    r.AddMaterial("ironman_insideflash", "sprite")->CullMode = 1;

    struct SOUND {
        const char* Name;
        const char* File;
        float Near, Far;
        std::uint32_t Mode;
    };
    static constexpr SOUND kSounds[] = {
        {"ironman_inside", "media\\vehicles\\weapons\\sounds\\ironman.wav", 1.0f, 100.0f, 0},
        {"ironman_outside", "media\\vehicles\\weapons\\sounds\\ironman.wav", 100.0f, 300.0f, 2},
        {"ironman_hit", "media\\vehicles\\weapons\\sounds\\ironman_hit.wav", 50.0f, 300.0f, 2},
    };
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    for (const SOUND& k : kSounds) {
        s = QNSOUNDPARAMS();
        s.Name = k.Name;
        s.File = k.File;
        s.MinDistance = k.Near;
        s.MaxDistance = k.Far;
        s.LoadMode = k.Mode;
        r.AddSound();
    }
    // The computer ships' muzzle flashes are the station guns' (registered by the station).
    if (!r.Textures.FindChild("muzzleflash"))
        MUZZLEFLASH::RegisterMedia(r);
}
