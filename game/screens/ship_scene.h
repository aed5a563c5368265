#pragma once
/// SHIPSCENE: the 3D child scene of the mercenary manager. Entered with it, it shows the
/// mercenary ship turning at one radian a second under a sun light, in its own window of the
/// screen; it clears only that window.

#include "engine/scene/scene.h"

class GAMENODE;

class SHIPSCENE : public QNSCENE {
public:
    /// The window in the screen frame: upper-left corner and size (y up, hanging down).
    static constexpr float kWindowLeft = -648.275f;
    static constexpr float kWindowTop = 181.3151f;
    static constexpr float kWindowWidth = -109.34735f - kWindowLeft;
    static constexpr float kWindowHeight = 585.612f - kWindowTop;
    /// Where the ship stands before the camera, and its spin.
    static constexpr float kShipDistance = 11.0f;
    static constexpr float kSpin = 1.0f;

    /// A child scene of `parent` (the mercenary manager).
    explicit SHIPSCENE(QNITEM* parent);
    ~SHIPSCENE() override;

    void Register(QNRESOURCES& resources) override;
    void Enter() override;

    /// The ship of the current visit (null outside one).
    GAMENODE* Ship() const;

    QNVEC3 Corners[2];
    float Record[4] = {0.0f, 0.0f, 0.0f, 1.0f};

private:
    QNWEAK<GAMENODE> ship_;
};
