#pragma once
/// Float helpers of the engine (single precision in and out) and the random-number wrappers
/// over the project's one generator (physics/dynamics/me_random.h, 15-bit results).

#include <cstdint>

float SqrtF(float x);
float SinF(float x);
/// Arc cosine; the argument is clamped to [-1, 1] first.
float AcosF(float x);
float Atan2F(float y, float x);

/// Integer part of x, fraction dropped (toward zero).
float ModfF(float x);

/// x rounded half away from zero to a multiple of 0.0001.
float RoundTo4Places(float x);

/// x wrapped into [lo, hi): below lo, hi - fmod(hi - x, hi - lo); at or above hi,
/// lo + fmod(x - lo, hi - lo); otherwise x. An empty range (hi <= lo) gives lo.
float WrapFloat(float x, float lo, float hi);

/// x rounded half away from zero, clamped to the int range (NaN gives 0).
int RoundToInt(float x);

/// a + r * (b - a) * (1 / 32767) with r the next generator value 0..32767; r = 0 gives a and
/// r = 32767 gives b exactly, so both ends occur and nothing lies outside them.
float RandomRange(float a, float b);

/// Seeds the generator with `seed`, or with the tick count when `seed` is 0.
void SeedRandom(std::uint32_t seed);
