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

    /// The sun's disc in the sky, against the light's direction (null when the scene did not
    /// register the sun's media).
    GAMENODE* Glow = nullptr;
    /// How far the disc stands from the sun's node: inside the star backdrop, which hides what
    /// lies beyond it.
    static constexpr float kGlowDistance = 400.0f;
    static constexpr float kGlowSize = 70.0f;
};

/// Registers the sun's disc (texture and card).
void RegisterSunMedia(class QNRESOURCES& resources);

/// Colour level of the sun's light.
inline constexpr float kSunLight = 0.7f;
