#pragma once
/// OUTSIDEHYPERSPACE: the flash seen from outside when a ship, a freighter or an ejection seat
/// jumps in or out: six frames up and back down at 25 frames a second with a whoosh, removed
/// after 1.8 s.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnsequence.h"
#include "game/vehicles/one_shot_sound.h"

class QNRESOURCES;

class OUTSIDEHYPERSPACE : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 30;
    static constexpr double kLifetime = 1.8;
    /// Cell shown once the frames have run out (an empty cell of the grid).
    static constexpr std::uint32_t kEndCell = 6;

    OUTSIDEHYPERSPACE(QNNODE* parent, const QNMATRIX* transform, float width, float height);

    void Update() override;

    static void LoadResources(QNRESOURCES& resources);

    QNSEQUENCE Sequence;
    ONESHOTSOUND Sound;
    QNTIMER Timer;
    std::int32_t Frame = 0;
};
