#pragma once
/// INSIDEHYPERSPACE: the tunnel the pilot sees from the cockpit during a hyperjump. It plays the
/// 18 "hyperjump" textures at 25 frames a second, then 15 again, with a pulsing brightness; its
/// midpoint (0.66 s after it was made) tells the ship to jump, and its end tells the ship to
/// remove it.

#include <cstdint>

#include "engine/scene/anim_clock.h"
#include "engine/scene/node_chain.h"
#include "engine/util/qnsequence.h"
#include "game/vehicles/one_shot_sound.h"

class QNRESOURCES;

class INSIDEHYPERSPACE : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 30;
    /// Seconds after creation at which the jump happens (the screen is whitest then).
    static constexpr double kMidpoint = 0.66;
    static constexpr std::uint32_t kFrames = 18;

    /// A tunnel under the ship; `cockpitShown` is the ship's flag (borrowed, may be null).
    INSIDEHYPERSPACE(QNNODE* ship, const QNMATRIX* transform, const std::uint8_t* cockpitShown);

    void Update() override;

    static void LoadResources(QNRESOURCES& resources);

    QNSEQUENCE Sequence;
    ONESHOTSOUND Sound;
    QNANIMCLOCK Brightness;
    QNTIMER MidpointTimer;
    const std::uint8_t* CockpitShown = nullptr;
    std::int32_t Frame = 0;
    std::uint8_t Midpoint = 0;
    std::uint8_t Ended = 0;
};
