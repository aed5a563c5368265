#include "game/screens/ship_scene.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/view.h"
#include "game/screens/store_elements.h"
#include "game/world/game_globals.h"
#include "game/world/media_util.h"
#include "game/world/sun.h"

namespace {

// One ship and nothing else in the view's world.
constexpr QNWORLDPARAMS kShipWorld = {1, 1, 1, 1, 1, true};
constexpr float kSunAzimuth = 45.0f, kSunElevation = 45.0f;
constexpr float kPi = 3.14159265358979f;

}  // namespace

SHIPSCENE::SHIPSCENE(QNITEM* parent) : QNSCENE(parent, "SHIPSCENE", 1)
{
    Corners[0] = QNVEC3(kWindowLeft, kWindowTop, 0.0f);
    Corners[1] = QNVEC3(kWindowLeft + kWindowWidth, kWindowTop + kWindowHeight, 0.0f);
    GameScenes.ShipScene = this;
}

SHIPSCENE::~SHIPSCENE()
{
    if (GameScenes.ShipScene == this)
        GameScenes.ShipScene = nullptr;
}

void SHIPSCENE::Register(QNRESOURCES& r)
{
    RegisterTextures(r, "shipscene_ship", "media\\vehicles\\exterior\\textures\\mercship.dds");
    RegisterMeshes(r, "shipscene_ship", "media\\vehicles\\exterior\\meshes\\mercship.gbm");
}

void SHIPSCENE::Enter()
{
    QNVIEW* view = GetView(0);
    CreateViewWorld(view, kShipWorld);
    if (view->World)
        view->World->SetContactType(0, 0, 0);
    // Only the window is cleared and drawn.
    ViewRect = ScreenRectToPixels(Corners[0].x, Corners[0].y, Corners[1].x - Corners[0].x, Corners[1].y - Corners[0].y);
    Background[0] = Record[0];
    Background[1] = Record[1];
    Background[2] = Record[2];
    Background[3] = Record[3];

    QNMATRIX turn, at;
    turn.SetRotationY(2.0f * kPi * 180.0f / 360.0f);
    at.SetTranslation(0.0f, 0.0f, kShipDistance);
    turn = turn * at;
    auto* ship = new GAMENODE(view->Root, "SHIP", 0, QNCF_LEVEL_GAME | QNCF_BODY, 0, 0, &turn, 0);
    ship->SetTexture("shipscene_ship");
    ship->SetMesh("shipscene_ship");
    ship->SetState(3, 0, false, false);
    ship_ = ship;
    (new QNSUN(view->Root, kSunAzimuth, kSunElevation))->SetState(3, 0, false, false);
    if (QNBODY* body = PhysicsBodyOf(ship)) {
        body->SetDisabled(false);
        body->SetAngularVelocity(QNVEC3(0.0f, kSpin, 0.0f));
    }
}

GAMENODE* SHIPSCENE::Ship() const
{
    return ship_.Get();
}
