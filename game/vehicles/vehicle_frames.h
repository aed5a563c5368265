#pragma once
/// Placement frames and tuning constants of the vehicles and their weapons, built on first use
/// (no start-up order between translation units, nothing to destroy at exit). Row-vector
/// frames as in game/world/game_frames.h.

#include <array>

#include "engine/util/qnmatrix.h"
#include "game/world/game_frames.h"

namespace vehicleframes {

/// Collector ship angles.
inline constexpr float k60Degrees = 1.0471976f;
inline constexpr float k10Degrees = 0.17453293f;
/// Chipper launcher angle (two constants of one value).
inline constexpr float k15Degrees = 0.2617994f;

/// The collector ship's six view turns: identity, RY(180), RY(-90), RY(90), RX(-90), RX(90).
const std::array<QNMATRIX, 6>& ViewTurns();

/// Ship HUD scale steps.
inline constexpr std::array<float, 4> kScaleSteps = {1.0f, 1.1f, 1.2f, 1.5f};

/// Missile launcher frames: T(1.5, -1.4, 1.3) x RX(-0.5) x RY(-0.5) and
/// T(-1.5, -1.4, 1.3) x RX(-0.5) x RY(0.5).
const std::array<QNMATRIX, 2>& LauncherFrames();
/// Missile launcher canister offsets: T(1, -1, -1), T(-1, -1, -1).
const std::array<QNMATRIX, 2>& CanisterOffsets();
/// Chipper frames: RY(0.5) x T(-1.5, -0.15, 2.0) and RY(-0.5) x T(1.5, -0.15, 2.0).
const std::array<QNMATRIX, 2>& ChipperFrames();

/// Ship weapon values: (10 + 100) x 0.5, 25 / (1 + 2.5) and a small step.
inline constexpr float kMidValue = (10.0f + 100.0f) * 0.5f;
inline constexpr float kRateValue = 25.0f / (1.0f + 2.5f);
inline constexpr float kSmallStep = 0.05f;

/// Distance of the sky (stars and comets) ahead of the viewer: T(0, 0, -850).
const QNMATRIX& SkyOffset();

}  // namespace vehicleframes
