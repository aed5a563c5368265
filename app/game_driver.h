#pragma once
// Runs the program's own game with no display on the virtual clock: the logo, the main menu, a
// new game started by a scripted F2, then a given number of frames in the game. The frame's game
// update, draw submission and physics step are timed apart, and the game's size (nodes, bodies,
// resident memory) can be read at any frame. The soak program and the frame benchmark use it.

#include <cstdint>
#include <functional>

struct GAMEDRIVERTIMES {
    double Update = 0.0;   ///< seconds spent in the scenes' update
    double Draw = 0.0;     ///< seconds spent in the scenes' render (draw submission)
    double Physics = 0.0;  ///< seconds spent in the scenes' post-update (the physics step)
    std::uint64_t Frames = 0;
    std::uint64_t DrawnFrames = 0;
};

struct GAMESIZE {
    std::uint64_t Nodes = 0;     ///< items under the scene root
    std::uint64_t Bodies = 0;    ///< bodies in every view's physics world
    std::uint64_t ResidentKiB = 0;
};

struct GAMEDRIVE {
    std::uint64_t Frames = 0;       ///< frames to run once the game has started
    /// Draw one frame in this many once the game has started (others skip the render and the
    /// present, keeping the frame clock); read every frame, so a run may change it as it goes.
    std::uint32_t DrawEvery = 1;
    /// Called after every in-game frame with its number (from 1); `times` holds the totals so
    /// far. Returning false ends the run early.
    std::function<bool(std::uint64_t frame, const GAMEDRIVERTIMES& times)> OnFrame;
    /// Called after every frame before the game has started (logo, menu, load screen) with the
    /// pass number from 1.
    std::function<void(std::uint64_t pass)> OnStartPass;
    /// Called with a drawn frame still in the back buffer, before it is presented (frame
    /// read-back for screenshots).
    std::function<void()> BeforePresent;
};

class PlatformScriptedEvents;

/// Frames per virtual second: each frame moves the clock by 20 ms.
inline constexpr std::uint32_t kDriverFramesPerSecond = 50;

/// Runs the game as described; returns the program's exit status (0 for a clean run, non-zero
/// after an engine error or when the game never started). Picks the offscreen video and null
/// sound drivers when none is set.
int DriveHeadlessGame(GAMEDRIVE& drive, GAMEDRIVERTIMES* times);

/// The scripted event source of the running drive (null outside one): what a test pushes
/// there reaches the game as the player's keys and pointer. Its pass is the frame count.
PlatformScriptedEvents* DriverScript();

/// The size of the running game now.
GAMESIZE MeasureGame();
