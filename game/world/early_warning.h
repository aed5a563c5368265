#pragma once
/// EARLYWARNING: a turning mast with two sweeping wings and a spinning dish. While it operates
/// (powered and active) everything moves and it hums; the dish sounds the intruder alarm
/// whenever the site's target list has grown since its last look (once however many joined).

#include <cstdint>

#include "game/world/station_part.h"

class QNRESOURCES;
class TARGETLIST;

class EARLYWARNING : public STATIONPART {
public:
    static constexpr float kTurnSpeed = 0.5f;     ///< the mast's slow turn (radians a second)
    static constexpr float kMotorForce = 1000.0f;
    static constexpr float kWingSweep = 0.7853982f;   ///< 45 degrees either side
    static constexpr float kWingSpeed = 2.0f;
    static constexpr float kWingRange = 0.2617994f;   ///< 15 degrees
    static constexpr float kDishSpin = 4.0f;
    static constexpr float kChildMass = 200.0f;       ///< light wings and dish
    static constexpr float kMass = 1000.0f;

    class DISH;

    EARLYWARNING(QNNODE* parent, std::int32_t connector, std::uint32_t view, TARGETLIST* targets);

    void Update() override;
    void SetHighlight(bool on) override;
    void SetActive(bool on) override;
    void SetPowered(bool on) override;

    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Wings[2] = {};
    DISH* Dish = nullptr;

private:
    bool separated_ = false;
    void Refresh();
};

class EARLYWARNING::DISH : public GAMENODE {
public:
    DISH(QNNODE* parent, const QNMATRIX& at, TARGETLIST* targets);
    void Update() override;

    TARGETLIST* Targets = nullptr;
    std::uint32_t LastCount = 0;
    bool Enabled = false;
    std::uint32_t Alarms = 0;     ///< alarms sounded so far
};
