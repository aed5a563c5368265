#pragma once
/// DESTRUCTION: what a destroyed object leaves behind: an explosion and a field of tumbling
/// debris, gone after kLifetime seconds.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"
#include "game/world/damageable.h"

/// Makes an explosion of `size` at `at` under `site`. The vehicles layer installs it; with
/// none installed a destruction throws debris only.
using EXPLOSIONMAKER = void (*)(QNNODE* site, const QNMATRIX& at, float size);

class DESTRUCTION : public GAMENODE {
public:
    /// Under `parent` (the site) at `transform`, with a debris field of `debris` pieces.
    DESTRUCTION(QNNODE* parent, DEBRISKIND debris, const QNMATRIX* transform);

    /// Deletes the effect once its life timer reaches kLifetime.
    void Update() override;

    static inline EXPLOSIONMAKER MakeExplosion = nullptr;
    static constexpr std::int32_t kKind = 28;
    static constexpr double kLifetime = 5.0;
    static constexpr float kExplosionSize = 30.0f;

    QNTIMER Life;
    QNWEAK<GAMENODE> Field;  ///< the debris field (removes itself when its pieces are gone)
};
