#pragma once
// What the harness runs: the one place that chooses its scenes.

#include "engine/app/qnapp.h"

/// The game set-up the harness hands to QNAPP::Main: the program's own with `game`, else the
/// test scene.
QNAPP::GameSetup HarnessSetup(bool game);

/// Appends the state worth reporting after the run to the harness's summary line (stdout).
void HarnessReport(bool game);
