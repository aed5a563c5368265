#pragma once
/// COMET: a comet that now and then crosses the sky. Its visible part sits 850 units ahead of
/// the sky's centre (inside the far plane) and runs through four phases: fade in (2 s),
/// visible (20-60 s), fade out (2 s) and hidden (30-300 s); it starts hidden.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"

/// Node kind of the comet and its visible part.
inline constexpr std::int32_t kKindComet = 6;

class COMET : public GAMENODE {
public:
    class VISIBLEPART : public GAMENODE {
    public:
        enum PHASE : std::uint32_t { FADEIN = 0, VISIBLE = 1, FADEOUT = 2, HIDDEN = 3 };

        static constexpr float kFade = 2.0f;
        static constexpr float kVisibleMin = 20.0f, kVisibleMax = 60.0f;
        static constexpr float kHiddenMin = 30.0f, kHiddenMax = 300.0f;

        explicit VISIBLEPART(QNNODE* parent);
        /// Follows the fade and moves to the next phase when the phase length has passed.
        void Update() override;
        /// Enters `phase` (its state, level and length) and restarts the phase timer.
        void Enter(PHASE phase);

        PHASE Phase = HIDDEN;
        float PhaseLength = 0.0f;
        QNTIMER PhaseTimer;
        float Level = 0.0f;    ///< colour level 0-1

    private:
        void SetLevel(float level);
    };

    /// Distance of the visible part ahead of the sky's centre.
    static constexpr float kDistance = 850.0f;

    explicit COMET(QNNODE* parent);

    /// New direction of travel (a, b) at `speed`: the comet back at the sky's centre, the
    /// visible part turned to point along (a, b); its phase goes on.
    void Reposition(float a, float b, float speed);

    VISIBLEPART* Part = nullptr;
};

/// Registers the comet's texture and generated mesh.
void RegisterCometMedia(class QNRESOURCES& resources);
