#pragma once
// The small test scene both programs run until the game set-up exists: one scene that clears
// the frame to a colour, switches the colour on Space and asks to quit on Escape.

#include "engine/util/qnapp_state.h"

namespace testscene {

/// The two clear colours.
constexpr float kColourA[3] = {0.2f, 0.4f, 0.8f};
constexpr float kColourB[3] = {0.8f, 0.4f, 0.2f};

/// The game set-up of the test scene: settings (title, windowed, no exclusive mouse,
/// developer keys), the device settings copied, and the scene made under the scene root.
void Setup(QNAPPSETTINGS& settings);

/// The colour the scene clears to now (its background).
const float* ClearColour();

}  // namespace testscene
