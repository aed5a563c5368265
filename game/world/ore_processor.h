#pragma once
/// PROCESSOR: an ore processor of a company's station. The company starts it with an amount of
/// delivered ore; it runs for kProcessingTime seconds of powered, active time (a power loss
/// pauses it and keeps the elapsed time) and then holds the product until the company collects
/// it. While it runs its arm swings on a driven hinge, its vents puff chips and it hums.

#include <cstdint>

#include "engine/physics/emitter.h"
#include "engine/util/qntimer.h"
#include "game/world/station_part.h"

class QNRESOURCES;

enum class PROCESSORSTATE : std::uint32_t {
    IDLE = 0,
    PROCESSING = 1,
    PAUSED = 2,
    FINISHED = 3,
};

/// A chip puffed out of a vent; back into its vent's pool once its lifetime is over. Chips
/// carry no rigid body (thirty per processor would crowd the view's world): each drifts along
/// its launch direction by itself.
class VENTCHIP : public QNEFFECTNODE {
public:
    static constexpr float kLifeMin = 0.5f, kLifeMax = 1.0f;
    VENTCHIP(QNEMITTER* vent, std::uint32_t frame);
    void OnEmit() override;
    void Update() override;
    float Lifetime = 0.0f;
    QNVEC3 Velocity;
};

class PROCESSOR : public STATIONPART {
public:
    static constexpr float kProcessingTime = 180.0f;  ///< seconds of powered operation
    static constexpr int kVents = 3;
    static constexpr int kChipsPerVent = 10;

    /// `effects` false (store preview) builds no vents.
    PROCESSOR(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible, bool effects);

    /// Elapsed 0 and the amount stored; runs at once when operating, else waits paused.
    void StartProcessing(float amount);
    /// The company took the product: idle, no ore.
    void Collect();
    /// Pausing a running unit stops it; resuming a paused one runs it on.
    void Pause(bool on);
    void SetActive(bool on) override;
    void SetPowered(bool on) override;
    void SetHighlight(bool on) override;
    bool HoldsOre() const override { return Amount != 0.0f; }
    void Update() override;
    /// Seconds of processing done (kProcessingTime when finished).
    float Progress() const { return Elapsed; }

    static void RegisterMedia(QNRESOURCES& resources);

    GAMENODE* Gearbox = nullptr;
    GAMENODE* Arm = nullptr;       ///< the hinged small arm that the machinery drives
    GAMENODE* LargeArm = nullptr;  ///< rides on the small arm, its axle in a guide
    GAMENODE* Axle = nullptr;      ///< the large arm's axle, jointed to the processor
    QNEMITTER* Vents[kVents] = {};
    bool Running = false;
    float Amount = 0.0f;
    float Elapsed = 0.0f;
    QNTIMER ProcessingTimer;
    PROCESSORSTATE ProcessingState = PROCESSORSTATE::IDLE;

private:
    void Machinery(bool on);
    void FollowOperation();
};
