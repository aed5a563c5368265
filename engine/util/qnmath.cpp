#include "engine/util/qnmath.h"

#include "physics/dynamics/me_random.h"
#include "platform/system.h"

#include <climits>
#include <cmath>

float SqrtF(float x) { return std::sqrt(x); }
float SinF(float x) { return std::sin(x); }

float AcosF(float x)
{
    if (x > 1.0f)
        x = 1.0f;
    else if (x < -1.0f)
        x = -1.0f;
    return std::acos(x);
}

float Atan2F(float y, float x) { return std::atan2(y, x); }

float ModfF(float x) { return std::trunc(x); }

float RoundTo4Places(float x)
{
    if (x >= 0.0f)
        return ModfF((x + 0.00005f) * 10000.0f) / 10000.0f;
    return ModfF((x - 0.00005f) * 10000.0f) / 10000.0f;
}

float WrapFloat(float x, float lo, float hi)
{
    if (!(hi > lo))
        return lo;
    const float span = hi - lo;
    float result = x;
    if (x < lo)
        result = hi - std::fmod(hi - x, span);
    else if (x >= hi)
        result = lo + std::fmod(x - lo, span);
    // hi - fmod(...) lands on hi itself when x is lo minus a whole number of spans.
    if (result >= hi)
        result = lo;
    return result;
}

int RoundToInt(float x)
{
    if (std::isnan(x))
        return 0;
    const float r = std::round(x);
    if (r >= 2147483647.0f)
        return INT_MAX;
    if (r <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(r);
}

float RandomRange(float a, float b)
{
    const int r = MeRandom();
    if (r >= MeRANDOM_MAX)
        return b;
    const float inverse = 1.0f / 32767.0f;
    return a + static_cast<float>(r) * (b - a) * inverse;
}

void SeedRandom(std::uint32_t seed)
{
    MeRandomSeed(seed != 0 ? seed : PlatformTickCount());
}
