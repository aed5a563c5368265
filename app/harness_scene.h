#pragma once
// What the harness runs: the one place that chooses its scenes.

#include "engine/app/qnapp.h"

/// The game set-up the harness hands to QNAPP::Main: the program's own with `game`, else the
/// test scene.
QNAPP::GameSetup HarnessSetup(bool game);

/// Notes what the frame just drawn showed (the harness calls it at every present: the scenes
/// are gone once the run has shut down).
void HarnessNoteFrame(bool game);

/// Appends the state worth reporting after the run to the harness's summary line (stdout): for
/// the game, the scene of the last frame.
void HarnessReport(bool game);
