#pragma once
/// LOGO: the first screen of a run, the scene "QUENNET". It shows the maker's logo full-screen
/// with the pointer captured and switches to "MAINMENU" once more than two seconds have passed,
/// or at once on Escape or a mouse click.

#include "engine/scene/scene.h"
#include "engine/util/qntimer.h"

class LOGO : public QNSCENE {
public:
    /// Seconds the logo stays without input.
    static constexpr double kShowSeconds = 2.0;

    explicit LOGO(QNITEM* parent);

    void Register(QNRESOURCES& resources) override;
    void Enter() override;
    void Update() override;

    QNTIMER Timer;
};
