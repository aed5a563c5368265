#pragma once
/// OUTSIDEFLASH: a small muzzle flash at one of the Ironman's gun ports, seen from outside.

#include "engine/util/qnmatrix.h"
#include "game/vehicles/gun_flash.h"

class MUZZLEFLASH;

class OUTSIDEFLASH : public GUNFLASH {
public:
    static constexpr std::int32_t kKind = 72;
    static constexpr float kScale = 0.5f;

    OUTSIDEFLASH(QNNODE* parent, const QNMATRIX* transform);
    void Show(bool on) override;

    MUZZLEFLASH* Flash = nullptr;   ///< child, owned
};
