#pragma once
/// IRONMAN: the rapid-fire gun with unlimited ammunition. Each shot is an instant 100-unit line
/// test straight ahead; a station part or vehicle hit loses 0.5 ballistic points, and a spark
/// (IRONMAN::CONTACT) shows where anything but a natural object was struck.
///
/// Shot cycle (CYCLE): IDLE -> REQUESTED (Fire) -> FLASHES_ON (next update) -> FLASHES_OFF after
/// 0.05 s -> READY after 0.1 s (a held trigger fires again here) -> FADING after 0.15 s, when the
/// gun sound fades out over 0.1 s and the cycle returns to IDLE.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/vehicles/ship_weapon.h"
#include "game/world/timed_value.h"

class GUNFLASH;
class QNRESOURCES;
struct QNNODEHIT;

class IRONMAN : public SHIPWEAPON {
public:
    static constexpr std::uint32_t kType = WEAPON_IRONMAN;
    static constexpr float kRange = 100.0f;
    static constexpr float kDamage = 0.1f * 5.0f;
    static constexpr double kFlashTime = 0.05, kCycleTime = 0.1, kFadeStart = 0.15;
    static constexpr float kFadeTime = 0.1f;
    static constexpr float kSparkBack = 2.0f;   ///< the spark sits this far back toward the gun

    enum class CYCLE : std::uint32_t { IDLE = 0, REQUESTED = 1, FLASHES_ON = 2, FLASHES_OFF = 3, READY = 4, FADING = 5 };

    IRONMAN(QNNODE* ship, bool player, std::uint32_t ownerView);

    void Fire() override;
    void Update() override;
    float AmmoLevel() override { return 1.0f; }

    /// The effect of one hit.
    void Strike(const QNNODEHIT& hit);
    void ShowFlashes(bool on);

    /// The hit spark: a flash of one of four cells in four shots out of ten, and the hit sound.
    class CONTACT : public GAMENODE {
    public:
        static constexpr float kSparkChance = 0.4f;
        static constexpr double kSparkTime = 0.05, kShowTime = 0.25;
        explicit CONTACT(QNNODE* parent);
        void Update() override;

        QNTIMER SparkTimer;
        bool Restart = false;
        bool Spark = false;
        std::uint32_t Hits = 0;     ///< hit sounds played
        std::uint32_t Sparks = 0;   ///< sparks shown
        std::uint32_t Cell = 0;
    };

    static SHIPWEAPON* Make(QNNODE* ship, bool player, std::uint32_t ownerView);
    static void LoadResources(QNRESOURCES& resources);

    TIMEDVALUE SoundFade;
    QNTIMER CycleTimer;
    CYCLE Cycle = CYCLE::IDLE;
    GUNFLASH* Flash[2] = {};        ///< children, owned
    CONTACT* Contact = nullptr;     ///< child, owned
    std::uint32_t Shots = 0;

private:
    void StartSound();
    void StopGunSound();
};
