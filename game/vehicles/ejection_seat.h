#pragma once
/// EJECTIONSEAT: the short-lived vehicle that carries the pilot out of a wrecked collector ship.
/// Launched with one push along the ship's up axis and one spin about its own, it flickers its
/// rocket flame (1.0-1.1 s and 1.2-1.5 s, the launch sound with the first flicker), leaves in a
/// hyperspace flash after 3.5 s and is deleted at 4.5 s.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/vehicles/vehicle.h"

class QNRESOURCES;

class EJECTIONSEAT : public VEHICLE {
public:
    static constexpr std::int32_t kKind = KIND_EJECTIONSEAT;
    static constexpr float kScale = 1500.0f;
    static constexpr float kLinearDamping = 0.01f;
    static constexpr float kAngularDamping = 0.001f;
    /// Launch push (along the ship's up axis) and spin (about the seat's own up axis).
    static constexpr float kPush = 3.0f;
    static constexpr float kSpin = 12.0f;
    /// Flame schedule and the end of the flight.
    static constexpr double kFlameOn = 1.0, kFlameOff = 1.1, kFlameOn2 = 1.2, kFlameOff2 = 1.5;
    static constexpr double kFlash = 3.5;
    static constexpr double kGone = 4.5;

    EJECTIONSEAT(QNNODE* parent, const QNMATRIX* transform, std::uint32_t view);

    void Update() override;
    /// Pushes and spins the seat out of `ship` (once, right after it was shown).
    void Launch(QNNODE* ship);

    static void LoadResources(QNRESOURCES& resources);

    QNTIMER FlightTimer;
    std::uint8_t SoundPlayed = 0;
    std::uint32_t SoundPlays = 0;     ///< launch sounds played (one at most)
    std::uint8_t Flashed = 0;
    GAMENODE* Flame = nullptr;        ///< owned child
};
