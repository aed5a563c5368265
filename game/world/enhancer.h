#pragma once
/// ENHANCER: a spinning structure of one colour pair (0 "Red/Green" ... 5 "Blue/Yellow"; 6
/// none), shown by the labels on its faces. It spins and hums while powered and active.

#include "game/world/station_part.h"

class ENHANCER : public STATIONPART {
public:
    static constexpr float kSpin = 2.0f;  ///< radians per second about its axis
    static constexpr std::uint32_t kLabels = 2;  ///< on the two long faces across the spin axis

    ENHANCER(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible,
             std::uint32_t colour, bool labels);
    void Update() override;
    void SetHighlight(bool on) override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    static void RegisterMedia(QNRESOURCES& resources);

    std::uint32_t Colour = 6;
    bool Spinning = false;

private:
    void Apply();
    float angle_ = 0.0f;
    QNMATRIX rest_;
};
