#include "game/vehicles/range_sensor.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "game/vehicles/canister.h"
#include "game/world/item_types.h"

RANGESENSOR::RANGESENSOR(CANISTER* canister)
    : GAMENODE(canister, "RANGESENSOR", CANISTER::kKind, 48, QNUF_PAIR_PARENT, 1, nullptr, 0), Canister(canister)
{
    SetBoxMesh("rec_canister_coll");
    // A trigger volume: contacts are reported, bodies pass through.
    if (QNBODY* body = PhysicsBodyOf(this))
        body->SetSolid(false);
    UpdateSphereBounds(true);
}

void RANGESENSOR::OnContact(QNNODE* other, std::uint32_t phase, const float*, const float*)
{
    if (phase != QNCONTACT_BEGAN || !other || !Canister)
        return;
    if (other->Kind == KIND_ANTISHIPMISSILE || other->Kind == KIND_CHEETAHMISSILE)
        Canister->TriggerByMissile(other);
    else if (NodeKindClass(other->Kind) == CLASS_VEHICLE)
        Canister->Trigger(other);
}
