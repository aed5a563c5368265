#pragma once
/// DEVASTATOR: the one-charge area weapon. Fire releases a DEVASTATOR::RING lying flat around the
/// ship that grows from 10 to 100 units across in 2.5 s, fading out over its last second, and
/// damages every vehicle of another company inside its reach for as long as it stays there.
/// The player's shot also flashes a blue cockpit light.
///
/// Damage per frame is kDamageRate x dt x 10 with dt the ring's own frame time; a step of half a
/// second or more (a stall) counts as kStallStep, so a stall never deals a burst of damage.

#include <cstdint>

#include "engine/util/qntimer.h"
#include "game/vehicles/ship_weapon.h"
#include "game/world/timed_value.h"

class QNRESOURCES;

class DEVASTATOR : public SHIPWEAPON {
public:
    static constexpr std::uint32_t kType = WEAPON_DEVASTATOR;
    static constexpr double kShotInterval = 2.0;
    static constexpr float kLightRange = 4.0f;
    static constexpr float kLightFade = 0.5f;

    DEVASTATOR(QNNODE* ship, bool player, std::uint32_t ownerView);

    void Fire() override;
    void Update() override;
    float AmmoLevel() override { return float(Charges); }

    static SHIPWEAPON* Make(QNNODE* ship, bool player, std::uint32_t ownerView);
    static void LoadResources(QNRESOURCES& resources);

    class RING : public GAMENODE {
    public:
        static constexpr float kSize = 55.0f;          ///< the quad's side: (10 + 100) / 2
        static constexpr float kStart = 10.0f, kEnd = 100.0f;
        static constexpr float kGrowth = 2.5f;         ///< seconds from 10 to 100 units
        static constexpr float kFade = 1.0f;           ///< the last second fades
        static constexpr float kOpacity = 0.75f;
        static constexpr float kDamageRate = 25.0f / (1.0f + 2.5f);
        static constexpr double kStall = 0.5;
        static constexpr float kStallStep = 0.01f;

        /// Both phases of a ring.
        enum class PHASE : std::uint32_t { GROWING = 0, FADING = 1 };

        RING(QNNODE* parent, const QNMATRIX* transform, std::uint32_t ownerView);
        void Update() override;
        /// Half the drawn width: what the ring reaches from its centre.
        float Reach() const { return kSize * Scale * 0.5f; }

        std::uint32_t OwnerView = 0;
        QNTIMER PhaseTimer;
        QNTIMER DamageClock;
        PHASE Phase = PHASE::GROWING;
        TIMEDVALUE OpacityFade;
        TIMEDVALUE ScaleValue;
        float Scale = kStart / kSize;
        QNMATRIX Placement;        ///< where it was released (centre and plane)
    };

    TIMEDVALUE LightFade;
    QNTIMER ShotTimer;
    std::uint32_t Charges = 1;
    bool FirstShot = true;
    bool LightActive = false;
    QNWEAK<RING> LastRing;     ///< the latest shot's ring
};
