#pragma once
/// MISSILE: the Cheetah's homing missile, and its cockpit flash light.
///
/// A missile is a small free body under the view root. Each frame the shared homing step pushes it
/// along its nose and, with a live target, turns it toward a lead point ahead of the target; a
/// destroyed or deleted target is dropped and the missile flies straight on. The first
/// contact only records what was struck; the missile's next Update calls the hit callback and
/// explodes, so nothing is created or deleted inside the physics step. A missile that touches
/// nothing is removed silently after kLifetime seconds.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnmatrix.h"
#include "engine/util/qntimer.h"
#include "game/world/item_types.h"

class QNRESOURCES;

class QNGLOW;

class MISSILE : public GAMENODE {
public:
    static constexpr std::int32_t kKind = KIND_CHEETAHMISSILE;
    static constexpr double kLifetime = 7.0;
    static constexpr float kDamage = 20.0f;
    static constexpr float kExplosionSize = 20.0f;
    /// The explosion is pulled this far toward the viewer so the missile's target does not hide it.
    static constexpr float kExplosionPull = 2.0f;

    /// The effect of a hit on the struck node; returns the node's class.
    using HITCALLBACK = std::uint32_t (*)(QNNODE* struck, const QNMATRIX& frame);

    MISSILE(QNNODE* parent, const QNMATRIX* transform);

    void Update() override;
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;
    /// Explosion at the missile (pulled toward the viewer), then the missile is removed.
    virtual void Explode();

    /// 20 ballistic damage to the damageable ancestor of a struck station part or vehicle.
    static std::uint32_t DamageTarget(QNNODE* struck, const QNMATRIX& frame);

    /// The cockpit flash of a launch: a point light that dies in 0.5 s.
    class LIGHT : public GAMENODE {
    public:
        static constexpr float kRange = 2.5f;
        explicit LIGHT(QNNODE* parent);
        void Update() override;
        void Flash(const QNVEC3& position);
        bool Active = false;
        QNTIMER FadeTimer;
    };

    QNWEAK<QNNODE> Target;
    bool Homing = true;
    HITCALLBACK OnHit = nullptr;
    bool Hit = false;
    QNWEAK<QNNODE> Struck;
    QNMATRIX ContactFrame;
    QNTIMER LifeTimer;
    QNGLOW* Glow = nullptr;   ///< own child
    QNMATRIX GlowLocal;       ///< the glow's place in the missile's frame
    /// Thrust of the last steering step: 4 flying free, 3 on course, 1 while turning.
    float Thrust = 0.0f;

    static void LoadResources(QNRESOURCES& resources);

private:
    void Remove();
};
