#pragma once
/// The virtual screen: resolution independent, x from -667 to 667 and y from -500 to 500,
/// origin at the centre, y up. Its mappings use 1333 by 1000 as its size (the half extents are
/// rounded up, so the box is one unit wider than the mapping).

#include "engine/util/qnbox.h"

namespace QNVIRTUALSCREEN {

constexpr float Width = 1333.0f;
constexpr float Height = 1000.0f;
constexpr float HalfWidth = 667.0f;
constexpr float HalfHeight = 500.0f;

/// (-667, -500, 0) to (667, 500, 1).
inline QNBOX Box()
{
    return QNBOX(QNVEC3(-HalfWidth, -HalfHeight, 0.0f), QNVEC3(HalfWidth, HalfHeight, 1.0f));
}

/// A pixel of the rectangle (left, top)-(right, bottom) in virtual units:
/// x' = (x - left) * 1333 / (right - left) - 667, y' = -((y - top) * 1000 / (bottom - top) - 500),
/// each rounded half away from zero; (0, 0, 0) for an empty or invalid rectangle.
QNVEC3 FromPixels(float x, float y, float left, float top, float right, float bottom);

}  // namespace QNVIRTUALSCREEN
