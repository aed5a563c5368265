#pragma once
/// RANGESENSOR: a canister's trigger volume, a box that rides on the canister's body, reports
/// contacts to the canister and takes part in no collision response.

#include "engine/scene/node_chain.h"

class CANISTER;

class RANGESENSOR : public GAMENODE {
public:
    explicit RANGESENSOR(CANISTER* canister);

    /// Only a beginning contact counts: a homing missile or a vehicle sets the canister off.
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;

    CANISTER* Canister = nullptr;   ///< the parent (owns the sensor)
};
