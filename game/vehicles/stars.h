#pragma once
/// STARS: the star backdrop that the player's company creates once and the ship and suit keep
/// centred on the player. Three sections (top cap, band, bottom cap) drawn unlit and never
/// culled, and the COMET.

#include <cstdint>

#include "engine/scene/node_chain.h"

class COMET;
class QNRESOURCES;

/// Node kind of the backdrop and its sections.
inline constexpr std::int32_t kKindStars = 2;

class STARS : public GAMENODE {
public:
    /// Height of the caps above and below the band.
    static constexpr float kCapOffset = 686.0f;
    static constexpr std::uint32_t kSections = 3;

    STARS(QNNODE* parent, const QNMATRIX& placement);

    COMET* Comet = nullptr;
};

/// Registers the sky's media: the star sections and the comet.
void RegisterSkyMedia(QNRESOURCES& resources);
