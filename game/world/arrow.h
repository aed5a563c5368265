#pragma once
/// ARROW: the placement marker that blinks at the selected connector. Its one connector (on its
/// back face) sits on the connector it marks; it never blocks a placement or a pick. Its mesh
/// and colour "arrow" come with the site's media.

#include "game/world/station_part.h"

class ARROW : public STATIONPART {
public:
    ARROW(QNNODE* parent, std::uint32_t view);
};
