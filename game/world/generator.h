#pragma once
/// GENERATOR: powers kPartsPerGenerator parts of its station while it works (active). Its
/// reactor ring turns and its fusion core plays its frames while it works; it hums.

#include "engine/util/qnsequence.h"
#include "game/world/station_part.h"

class GENERATOR : public STATIONPART {
public:
    static constexpr float kReactorSpin = 5.0f;  ///< radians per second of the turning reactor
    static constexpr const char* kFusionProgram = "@16 (0:0~15)";

    GENERATOR(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible);
    void Update() override;
    void SetHighlight(bool on) override;
    /// Starts or stops the reactor and the core and tells the station.
    void SetActive(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Reactor = nullptr;
    GAMENODE* Fusion = nullptr;

private:
    QNSEQUENCE fusionFrames_{kFusionProgram};
    float reactorAngle_ = 0.0f;
};
