#pragma once
// The small test scene both programs run until the game set-up exists: it clears the frame to
// a colour, turns a triangle with the frame time, switches its colour on Space and asks to
// quit on Escape. It plays the part of the scene stack through QNAPP::Scenes.

#include <cstdint>

#include "engine/util/qnapp_state.h"

namespace testscene {

/// The two clear colours, as floats and as the bytes a read-back gives.
constexpr float kColourA[3] = {0.2f, 0.4f, 0.8f};
constexpr float kColourB[3] = {0.8f, 0.4f, 0.2f};

/// The game set-up of the test scene (title, windowed, no exclusive mouse, developer keys).
void Setup(QNAPPSETTINGS& settings);

/// Fills QNAPP::Scenes with the test scene.
void Install();

/// The colour the scene clears to now.
const float* ClearColour();
/// Frames rendered so far.
std::uint32_t Frames();

}  // namespace testscene
