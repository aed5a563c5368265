#pragma once
/// BEAM and JOINT: the station's frame. A beam joins two joints end to end (connectors on its
/// two x faces); a joint carries a connector on every face. The root joint BOOT stands at the
/// station's origin. Frames take damage and show it but are never destroyed.

#include "game/world/station_part.h"

class BEAM : public STATIONPART {
public:
    BEAM(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible);
    void Kill() override {}
    void SetHighlight(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);
};

class JOINT : public STATIONPART {
public:
    JOINT(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible);
    void Kill() override {}
    void SetHighlight(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);

protected:
    /// The root joint: under the station, at `placement` in the station's frame.
    JOINT(QNNODE* station, const char* name, const QNMATRIX& placement, std::uint32_t view);
};

class BOOT : public JOINT {
public:
    BOOT(QNNODE* station, const QNMATRIX& placement, std::uint32_t view);
};
