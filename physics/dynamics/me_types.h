#pragma once
/// Scalar and small fixed-size array types of the physics toolkit.
///
/// Transforms are 4x4 row-major: rows 0-2 are the local x, y and z axes in world space and
/// row 3 is the position. Points are row vectors multiplied on the left. Quaternions are
/// stored w, x, y, z.

#include <cfloat>

using MeReal = float;
using MeI32 = int;
using MeU32 = unsigned int;
using MeBool = int;

using MeVector3 = MeReal[3];
using MeVector4 = MeReal[4];
using MeMatrix3 = MeReal[3][3];
using MeMatrix4 = MeReal[4][4];

inline constexpr MeReal MeINFINITY = FLT_MAX;
inline constexpr MeReal ME_PI = 3.14159265358979323846f;
