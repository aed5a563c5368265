#pragma once
/// HEADQUARTERS: stands on the root joint's top face. Four white glows around its top and a red
/// one on its mast light while it is powered and active; the red one blinks with the blink
/// sequence.

#include "engine/util/qnsequence.h"
#include "game/world/station_part.h"

class QNGLOW;

class HEADQUARTERS : public STATIONPART {
public:
    static constexpr const char* kBlinkProgram = "@2 (0: 0 1)";

    HEADQUARTERS(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible);
    void Update() override;
    void SetHighlight(bool on) override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);

    /// Whether the lights are on (powered and active).
    bool LightsOn() const { return lightsOn_; }
    /// The red mast light, and white light `i` (0-3).
    QNGLOW* RedLight() const { return red_; }
    QNGLOW* WhiteLight(int i) const { return white_[i]; }

private:
    void ApplyLights();
    QNSEQUENCE blink_{kBlinkProgram};
    QNGLOW* white_[4] = {};
    QNGLOW* red_ = nullptr;
    bool lightsOn_ = false;
};
