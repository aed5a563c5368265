#include "engine/util/qnvirtual_screen.h"

#include "engine/util/qnmath.h"

QNVEC3 QNVIRTUALSCREEN::FromPixels(float x, float y, float left, float top, float right, float bottom)
{
    if (!(right > left) || !(bottom > top))
        return QNVEC3(0, 0, 0);
    const float vx = (x - left) * Width / (right - left) - HalfWidth;
    const float vy = -((y - top) * Height / (bottom - top) - HalfHeight);
    return QNVEC3(float(RoundToInt(vx)), float(RoundToInt(vy)), 0.0f);
}
