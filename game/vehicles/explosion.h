#pragma once
/// EXPLOSION: the flash and fireball of a hit or a destroyed object. A square of the given size
/// plays 16 cells of the "explosion" texture at 20 frames a second while a point light at its
/// centre fades; it stays (unseen) until its sound has ended, then removes itself.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnsequence.h"
#include "game/vehicles/one_shot_sound.h"

class QNRESOURCES;

class EXPLOSION : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 26;
    static constexpr std::uint32_t kVariants = 5;

    /// An explosion under `parent` at `transform`; `variant` picks the texture (modulo 5).
    EXPLOSION(QNNODE* parent, float size, const QNMATRIX* transform, std::uint32_t variant);

    void Update() override;

    /// Registers the explosion's texture set and sound.
    static void LoadResources(QNRESOURCES& resources);

    QNSEQUENCE Sequence;
    ONESHOTSOUND Sound;
    std::int32_t Frame = 0;    ///< last frame value (-1 after the end)
};
