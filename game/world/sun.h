#pragma once
/// QNSUN: the directional light of a site and of the store and mercenary screens.

#include <cstdint>

#include "engine/scene/node_chain.h"

class QNSUN : public GAMENODE {
public:
    /// Turned about the vertical axis by `azimuth` degrees, then about the horizontal axis by
    /// `elevation` degrees; a directional light of colour (0.7, 0.7, 0.7), switched on.
    QNSUN(QNNODE* parent, float azimuth, float elevation, std::uint32_t userFlags = 0);

    /// The direction the light travels in world space (the node's forward axis).
    QNVEC3 Direction() const;
};

/// Colour level of the sun's light.
inline constexpr float kSunLight = 0.7f;
