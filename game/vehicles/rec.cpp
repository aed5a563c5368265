#include "game/vehicles/rec.h"

#include <cmath>

#include "engine/scene/resources.h"
#include "engine/sound/qnsound.h"
#include "game/vehicles/canister.h"
#include "game/vehicles/range_sensor.h"

namespace {

// The player's canister leaves clear of the hull; a computer ship's starts closer and waits.
const QNVEC3 kPlayerDrop(0.0f, 0.0f, -5.0f);
const QNVEC3 kComputerDrop(0.0f, -0.3f, -3.0f);

// The drop point is kept on a 0.0001 grid.
float RoundTo(float x)
{
    return float(std::round(double(x) * 1e4) / 1e4);
}

}  // namespace

REC::REC(QNNODE* ship, bool player, std::uint32_t ownerView)
    : SHIPWEAPON(ship, "REC", kType, 0x2000000, player, ownerView)
{
}

QNMATRIX REC::LaunchFrame() const
{
    QNMATRIX at;
    at.SetTranslationV(Player ? kPlayerDrop : kComputerDrop);
    return at;
}

void REC::Fire()
{
    if (Canisters == 0)
        return;
    QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
    if (!root)
        return;
    QNMATRIX at = LaunchFrame() * GetWorldMatrix();
    const QNVEC3 p = at.Translation();
    at.at(3, 0) = RoundTo(p.x);
    at.at(3, 1) = RoundTo(p.y);
    at.at(3, 2) = RoundTo(p.z);
    auto* canister = new CANISTER(root, &at, OwnerView);
    canister->SetState(3, 0, false, true);
    if (canister->State != 3) {
        QNITEM::Destroy(canister);
        return;
    }
    QNNODE* ship = ParentNode();
    if (ship && canister->Sensor)
        canister->Sensor->SetTreeCollision(ship, false);
    if (!Player && ship)
        canister->SetShip(ship);
    QNSOUND* sound = Resources->FindSound("rec");
    if (!sound->HasPath())
        sound->CreatePath();
    sound->SetPositionFromMatrix(GetWorldMatrix());
    sound->Set3DParameters();
    sound->Play(0);
    ++Drops;
    --Canisters;
}

SHIPWEAPON* REC::Make(QNNODE* ship, bool player, std::uint32_t ownerView)
{
    return new REC(ship, player, ownerView);
}

void REC::LoadResources(QNRESOURCES& r)
{
    QNSOUNDPARAMS& s = QNRESOURCES::SoundParams;
    s = QNSOUNDPARAMS();
    s.Name = "rec";
    s.File = "media\\vehicles\\weapons\\sounds\\rec.wav";
    s.MinDistance = 6.0f;
    s.MaxDistance = 60.0f;
    r.AddSound();
    CANISTER::LoadResources(r);
}
