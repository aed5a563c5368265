#pragma once
/// ONESHOTSOUND: a node's sound played once and timed by the frame clock. IsPlaying answers from
/// the time since the play and the sound's length, never from the audio device, so a node that
/// waits for its sound behaves the same with a real device, a null one or none.

#include <cstdint>

#include "engine/util/qntimer.h"

class QNSOUNDNODE;
class QNMATERIALNODE;

class ONESHOTSOUND {
public:
    /// Gives `node` its own copy of the registered sound `name` (placed at the node), plays it
    /// once and starts the clock.
    void Play(QNSOUNDNODE* node, const char* name);
    /// True from the play until the sound's length has passed.
    bool IsPlaying() const;

    double Length = 0.0;       ///< seconds of the sound (0 without data)
    std::uint32_t Plays = 0;   ///< number of plays so far
    QNTIMER Timer;
};

/// Shows cell `n` of the texture grid of the node's stage-0 texture (nothing without one).
void ShowTextureCell(QNMATERIALNODE* node, std::uint32_t n);

/// Gives `node` a private square of `width` by `height` facing -z whose texture coordinates
/// cover one cell of its stage-0 texture's grid, so ShowTextureCell picks the frame. The square
/// has no collision shape.
void BuildCellSquare(QNMATERIALNODE* node, float width, float height);
