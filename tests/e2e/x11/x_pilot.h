#pragma once
// A player at the X server: turns the suit with the arrow keys toward what it sees, aims finer
// with the mouse (the captured pointer's motion turns the suit a little per pixel), and reads
// the result off the picture. Every decision follows a fresh look at the screen.

#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/x11/x_session.h"
#include "tests/e2e/x11/x_sight.h"

namespace xplay {

/// Finds a target in the picture; `last` is where it was expected to be seen now (null on the
/// first look).
using PICK = std::function<std::optional<SPOT>(const SHOT&, const SPOT* last)>;

class XPILOT {
public:
    explicit XPILOT(XSESSION& x, std::string shots = {}) : x_(x), shots_(std::move(shots)) {}

    /// A fresh look at the screen.
    SIGHT Look();
    /// Arrow keys: turns until the station's blue is within `tolerance` frame units of the
    /// picture's centre; false when it never gets there.
    bool FaceStation(float tolerance = 90.0f, int tries = 40);
    /// Mouse: turns until the target `pick` finds is within `tolerance` units of the centre;
    /// false when it is lost or never comes there.
    bool AimAt(const PICK& pick, float tolerance = 12.0f, int tries = 24);
    /// Mouse: turns the view so that frame point (x, y) comes to the centre, by what the pointer
    /// has been seen to do (no look on the way).
    void TurnBy(float x, float y);
    /// The inventory's places that show an item.
    int Items();
    /// Saves the screen as `name`.ppm in the shots folder (when one is set).
    void Keep(const std::string& name);
    XSESSION& X() { return x_; }

private:
    XSESSION& x_;
    std::string shots_;
    float gain_ = 0.0f;   // frame units the view turns per pixel of pointer motion
    int kept_ = 0;
};

/// The frame spot (beam or joint shade, clear of the lit hull) nearest `last`; on the first
/// look, the one nearest the picture's centre outside `beyond` units of it and, unless `avoid`
/// is NaN, not on the station's side at bearing `avoid` (see BearingFromStation).
std::optional<SPOT> PickFrame(const SHOT& shot, const SPOT* last, float beyond = 0.0f, float avoid = NAN);
/// The direction (radians, x right, y up) from the lit station's middle to frame point (x, y).
float BearingFromStation(const SHOT& shot, float x, float y);
/// The patch of lit station (a part, not the hull around it: at most `most` cells) nearest
/// `last`, or nearest the centre on the first look.
std::optional<SPOT> PickPart(const SHOT& shot, const SPOT* last, int most = 120);
/// Where a new part may have come into sight: the patches of station blue that `before` did not
/// show and that `after` and `later` (a moment apart) both show, largest first.
std::vector<SPOT> NewParts(const SHOT& before, const SHOT& after, const SHOT& later);

}  // namespace xplay
