#pragma once
/// Placement frames and tuning constants of the world's structures, built on first use (no
/// start-up order between translation units, nothing to destroy at exit).
///
/// Frames are row-vector matrices: a point p is placed at p x M, so in A x B the transform A
/// applies first. T is a translation, RX and RY rotations about X and Y.

#include <array>

#include "engine/util/qnmatrix.h"

namespace gameframes {

/// Degrees to radians as the frames compute them (2 pi a / 360).
constexpr float Radians(float degrees)
{
    return 2.0f * 3.14159265358979f * degrees / 360.0f;
}

/// A translation to (x, y, z), and turns of `degrees` about x and about y.
QNMATRIX Translate(float x, float y, float z);
QNMATRIX TurnX(float degrees);
QNMATRIX TurnY(float degrees);

/// The company sites: T(2000, 0, 0), T(0, 0, 2000), T(-2000, 0, 0), T(0, 0, -2000).
const std::array<QNMATRIX, 4>& SiteFrames();

/// The anti-ship structure's six launchers: T(x, 0, 0) x RX(-15) for x = -4.4, -3.3, -2.2,
/// 2.2, 3.3, 4.4.
const std::array<QNMATRIX, 6>& AntiShipLauncherFrames();

/// The flak gun's two muzzles: the points (0, 0, 0.3) and (0, 0, -0.3) turned by RX(-12).
const std::array<QNMATRIX, 2>& FlakMuzzleFrames();

/// Eight frames on the corners of a cube of half-side 200, each with its +Z axis toward the
/// cube's centre: RX(b) x RY(a) x T(corner).
const std::array<QNMATRIX, 8>& CubeCornerFrames();

/// Reach of the station structure code: 0.5 + 7.5 + 2.0 + 0.1.
inline constexpr float kStructureRange = 0.5f + 7.5f + 2.0f + 0.1f;
/// Half size used by the station structure code: (50 + 0) x 0.5.
inline constexpr float kStructureHalfSize = (50.0f + 0.0f) * 0.5f;

}  // namespace gameframes
