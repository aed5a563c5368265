#pragma once
/// The program's one pseudo-random generator, shared by the toolkit, the engine and the game.
/// Linear congruential: x = x * 214013 + 2531011, result (x >> 16) & 0x7FFF, so every result
/// lies in 0..MeRANDOM_MAX. Tests seed it or install a generator of their own.

#include <cstdint>

inline constexpr int MeRANDOM_MAX = 32767;

struct MeRandomGenerator {
    std::uint32_t state = 1;

    /// Next 15-bit value, 0..MeRANDOM_MAX.
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
};

/// Next value of the current generator.
int MeRandom();

/// Restarts the current generator at `seed`.
void MeRandomSeed(std::uint32_t seed);

/// Makes `generator` the current one and returns the previous; null restores the built-in one.
MeRandomGenerator* MeRandomSetGenerator(MeRandomGenerator* generator);
