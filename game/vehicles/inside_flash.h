#pragma once
/// INSIDEFLASH: a large screen flash in the cockpit view, one of four pictures picked at random
/// at each shot. Vote 1 shows and hides it.

#include "engine/util/qnmatrix.h"
#include "game/vehicles/gun_flash.h"

class INSIDEFLASH : public GUNFLASH {
public:
    static constexpr std::int32_t kKind = 72;
    static constexpr int kPictures = 4;

    INSIDEFLASH(QNNODE* parent, const QNMATRIX* transform);
    void Show(bool on) override;

    int Picture = 0;   ///< the texture shown last
};
