#pragma once
/// CLOUD: the dust a chipper leaves where it split a rock. A cloud chipped from an ore rock is
/// an ore cloud: its dust has the ore's colour, the player's ship marks it on the HUD, and it
/// hands the ore once to the ship that chipped it when that ship comes within kPickUp. Every
/// cloud is gone kLife seconds after it was made, its HUD marker with it (also when the ship
/// was wrecked meanwhile). The cloud holds the ship, the rock and the marker by weak handle.
///
/// DUST: one puff of a cloud; fades in over its first quarter second and out over its last half.

#include <cstdint>

#include "engine/physics/emitter.h"
#include "engine/util/qntimer.h"

class COLLSHIP;
class ORE;

class CLOUD : public QNEMITTER {
public:
    static constexpr double kLife = 10.0;
    static constexpr float kPickUp = 10.0f;
    static constexpr std::uint32_t kPuffs = 10;
    static constexpr std::uint32_t kMarkerKind = 100;
    static constexpr float kScale = 500.0f;
    static constexpr float kDamping = 0.005f;

    /// Under `parent` at `transform`; `ore` null makes an asteroid cloud.
    CLOUD(QNNODE* parent, const QNMATRIX* transform, COLLSHIP* ship, ORE* ore);

    /// Emission, pick-up and the end of its life.
    void Update() override;

    /// Dust colour (r, g, b, a) of ore colour `colour` (0-3), or of an asteroid cloud (else).
    static const float* DustColour(std::uint32_t colour);

    QNWEAK<COLLSHIP> Ship;
    QNWEAK<ORE> Ore;
    QNWEAK<GAMENODE> Marker;
    bool Collected = false;
    QNTIMER LifeTimer;
};

class DUST : public QNEFFECTNODE {
public:
    static constexpr float kLifetime = 1.0f;
    static constexpr float kFadeIn = 0.25f;
    static constexpr float kFadeOut = 0.5f;
    static constexpr float kPeak = 0.5f;
    static constexpr float kStartOpacity = 0.75f;

    DUST(QNEMITTER* cloud, const float* colour);
    void Update() override;

    float Lifetime = kLifetime;
};
