#pragma once
/// OREFIELD: an arc of 34 floating bodies, 9 ore pieces of the field's colour (three of each
/// kind) and 25 asteroids, 100 to 200 units from the field's origin, none overlapping another.

#include <cstdint>

#include "engine/scene/node_chain.h"

class OREFIELD : public GAMENODE {
public:
    static constexpr std::uint32_t kOrePieces = 9;
    static constexpr std::uint32_t kAsteroids = 25;
    static constexpr float kMinDistance = 100.0f;
    static constexpr float kMaxDistance = 200.0f;
    /// Placements tried for one object before it is kept where the last one put it.
    static constexpr std::uint32_t kPlacementTries = 200;

    /// Builds the arc at `placement` (world space) for the ore colour and view.
    OREFIELD(QNNODE* parent, std::uint32_t oreColour, const QNMATRIX& placement, std::uint32_t view);

    std::uint32_t OreColour = 0;
    std::uint32_t ViewIndex = 0;
    /// Objects that could not be placed free of overlap within kPlacementTries.
    std::uint32_t Crowded = 0;

private:
    void Build();
};
