#pragma once
/// STORAGE: an ore storage unit of a company's station. Four chambers on sliders show how full
/// it is: each chamber stands for a quarter of the level and rises by up to kChamberTravel as
/// its quarter fills. A new level moves one chamber at a time, from the quarter of the level
/// shown towards the quarter of the target, so the shown level runs through every quarter on
/// the way. The company sets the level and the ore the unit holds.

#include <cstdint>

#include "game/world/station_part.h"

class QNRESOURCES;

class STORAGE : public STATIONPART {
public:
    static constexpr int kChambers = 4;
    /// Chamber index meaning no chamber moves, and the one meaning the movement is paused.
    static constexpr std::uint32_t kIdle = 4;
    static constexpr std::uint32_t kPaused = 5;
    /// A chamber's slide for a full quarter (0.8 per level unit of its quarter).
    static constexpr float kChamberTravel = 20.0f;
    /// A chamber within this much slide of its target counts as there.
    static constexpr float kArrival = 2.5f;
    /// Slide = local height x kSlideScale - kSlideRest (a chamber at rest sits at height 0.7).
    static constexpr float kSlideScale = 10.0f;
    static constexpr float kSlideRest = 7.0f;

    STORAGE(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible);

    /// Clamped to 0-100; ignored within 0.0001 of the shown level; else the chambers start
    /// moving towards it.
    void SetLevel(float level);
    /// Pausing holds the moving chamber where it is; resuming drives it on.
    void Pause(bool on);
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    void SetHighlight(bool on) override;
    bool HoldsOre() const override { return StoredOre != 0.0f; }
    void Update() override;
    /// Slide of chamber `n` now (0 at rest, kChamberTravel at the top).
    float Slide(std::uint32_t n) const;

    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Chambers[kChambers] = {};
    float Level = 0.0f;
    float TargetLevel = 0.0f;
    float ChamberTargets[kChambers] = {};
    float StoredOre = 0.0f;
    bool Filling = false;
    std::uint32_t MovingChamber = kIdle;
    std::uint32_t TargetChamber = 0;
    std::uint32_t SavedChamber = kIdle;

private:
    void DriveChamber(std::uint32_t n, float slide);
    void FollowOperation();
    bool collisionsOff_ = false;
};
