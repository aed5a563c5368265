#include "game/vehicles/player_controls_install.h"

#include "game/vehicles/collship.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/world/player_controls.h"
#include "game/world/site.h"

namespace {

COLLSHIP* Ship(GAMENODE* node)
{
    return dynamic_cast<COLLSHIP*>(node);
}

}  // namespace

void InstallPlayerShipControls()
{
    PLAYERCONTROLS& c = PlayerControls;
    c.SetThrottle = [](GAMENODE* n, float t) {
        if (COLLSHIP* s = Ship(n))
            s->Throttle = t;
    };
    c.AddSteering = [](GAMENODE* n, const QNVEC3& v) {
        if (COLLSHIP* s = Ship(n))
            s->Steering = s->Steering + v;
    };
    c.FireWeapon = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->FireSelectedWeapon();
    };
    c.EjectCanister = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->EjectCanister();
    };
    c.SelectNextWeapon = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->SelectNextWeapon();
    };
    c.SetZoom = [](GAMENODE* n, bool on) {
        if (COLLSHIP* s = Ship(n))
            s->SetZoom(on);
    };
    c.SetZoomEquipped = [](GAMENODE* n, bool on) {
        if (COLLSHIP* s = Ship(n))
            s->SetZoomEquipped(on);
    };
    c.ToggleCockpit = [](GAMENODE* n) {
        if (COLLSHIP* s = Ship(n))
            s->ToggleCockpit();
    };
    c.SetCameraView = [](GAMENODE* n, std::uint32_t v) {
        if (COLLSHIP* s = Ship(n))
            s->SetCameraView(v);
    };
    c.StartHyperjump = [](GAMENODE* n, SITE* site, std::uint32_t corner) {
        COLLSHIP* s = Ship(n);
        return s && s->StartHyperjump(site, corner);
    };
    c.ShipSite = [](GAMENODE* n) -> SITE* {
        COLLSHIP* s = Ship(n);
        return s ? s->CurrentSite.Get() : nullptr;
    };
    c.SetShipCondition = [](GAMENODE* n, float condition) {
        if (COLLSHIP* s = Ship(n)) {
            s->BallisticMax = s->ElectronicMax = condition;
            s->Ballistic = s->Electronic = condition;
        }
    };
    c.ShipMessage = [](GAMENODE* n, const char* text) {
        if (COLLSHIP* s = Ship(n); s && s->Hud)
            s->Hud->PostLower(text);
    };
    c.ShowThrottle = [](GAMENODE* n, float t) {
        if (COLLSHIP* s = Ship(n); s && s->Hud)
            s->Hud->SetThrottle(t);
    };
}
