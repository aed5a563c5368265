#include "physics/dynamics/me_random.h"

namespace {
MeRandomGenerator builtin;
MeRandomGenerator* current = &builtin;
}

int MeRandom() { return current->Next(); }

void MeRandomSeed(std::uint32_t seed) { current->state = seed; }

MeRandomGenerator* MeRandomSetGenerator(MeRandomGenerator* generator)
{
    MeRandomGenerator* previous = current;
    current = generator ? generator : &builtin;
    return previous;
}
