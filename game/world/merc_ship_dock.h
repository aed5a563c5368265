#pragma once

#include <cstdint>

#include "game/world/station_part.h"

class QNRESOURCES;

/// MERCSHIPDOCK: the dock of the company's hired mercenary ships, with a radar mast that turns
/// while the dock operates.
class MERCSHIPDOCK : public STATIONPART {
public:
    static constexpr float kRadarSpeed = 2.0f;
    static constexpr float kMotorForce = 1000.0f;
    static constexpr float kRadarMass = 500.0f;
    /// The box reaches this far beyond the mesh in x and z, and this far above it.
    static constexpr float kShipRoom = 10.0f, kShipHeadroom = 5.0f;

    MERCSHIPDOCK(QNNODE* parent, std::int32_t connector, std::uint32_t view);

    void Update() override;
    void SetHighlight(bool on) override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;

    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Radar = nullptr;

private:
    bool separated_ = false;
    bool roomMade_ = false;
    void Refresh();
    /// Grows the box by the ships' room and registers it with the planner again.
    void MakeRoom();
};
