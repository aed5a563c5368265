#include "game/world/arrow.h"


namespace {

// Drawn at its current placement every frame (it moves from connector to connector) and never
// a contact partner.
constexpr std::uint32_t kArrowFlags = 0x400 | QNCF_NOCONTACT;

}  // namespace

ARROW::ARROW(QNNODE* parent, std::uint32_t view) : STATIONPART(parent, "ARROW", KIND_ARROW, kArrowFlags, false, 0, view)
{
    SetMaterial("alpha");
    SetColour("arrow");
    SetMesh("arrow");
    AddConnector(FACE_BACK);
    RepairsItself = false;
}
