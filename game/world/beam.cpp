#include "game/world/beam.h"

#include "game/world/station_media.h"

namespace {

void AddJointConnectors(STATIONPART& part)
{
    for (std::int32_t face = FACE_FRONT; face <= FACE_BOTTOM; ++face)
        part.AddConnector(face);
}

}  // namespace

BEAM::BEAM(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible)
    : STATIONPART(parent, "BEAM", KIND_BEAM, 0, indestructible, 0, view)
{
    SetMaterial("alphatest");
    SetTexture("beam");
    SetMesh("beam");
    AddConnector(FACE_RIGHT);
    AddConnector(FACE_LEFT);
    AttachTo(parent, connector, 0);
}

void BEAM::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("beam", on ? 1 : 0);
}

void BEAM::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "beam", 2);
    // The truss has gaps: the pick and the contacts use its box.
    stationmedia::Mesh(r, "beam", 1, 3);
}

JOINT::JOINT(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible)
    : STATIONPART(parent, "JOINT", KIND_JOINT, 0, indestructible, 0, view)
{
    SetTexture("joint");
    SetMesh("joint");
    AddJointConnectors(*this);
    AttachTo(parent, connector, 0);
}

JOINT::JOINT(QNNODE* station, const char* name, const QNMATRIX& placement, std::uint32_t view)
    : STATIONPART(station, name, KIND_JOINT, 0, true, 0, view)
{
    SetTexture("joint");
    SetMesh("joint");
    AddJointConnectors(*this);
    SetPartTransform(placement);
}

void JOINT::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("joint", on ? 1 : 0);
}

void JOINT::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "joint", 2);
    stationmedia::Mesh(r, "joint", 1, 3);
}

BOOT::BOOT(QNNODE* station, const QNMATRIX& placement, std::uint32_t view) : JOINT(station, "BOOT", placement, view)
{
}
