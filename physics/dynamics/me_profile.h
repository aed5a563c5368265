#pragma once
/// Timed profiling sections. Profiling is off unless `MeProfileSetEnabled(1)`; while off every
/// call returns at once.

#include <cstdint>

/// One timer sample: the processor cycle counter and two further quantities (always 0 here).
struct MeProfileTimerResult {
    std::uint64_t cpuCycles = 0;
    std::uint32_t count0 = 0;
    std::uint32_t count1 = 0;
    std::uint32_t unused[2] = {0, 0};
};

struct MeProfileSection {
    char* name = nullptr;            ///< private copy
    std::uint64_t cpuCycles = 0;     ///< accumulated
    std::uint64_t count0 = 0;
    std::uint64_t count1 = 0;
    unsigned char flag = 0;          ///< as passed by the starter
    MeProfileSection* next = nullptr;
    unsigned char running = 0;
    MeProfileTimerResult start;
    unsigned char startCount = 0;
};

/// Switches profiling on (non-zero) or off.
void MeProfileSetEnabled(int on);
int MeProfileIsEnabled();

void MeProfileStartSectionFn(const char* name, int flag);
void MeProfileEndSectionFn(const char* name);

/// The section of that name, or null.
MeProfileSection* MeProfileFindSection(const char* name);
/// Frees every section.
void MeProfileClear();

/// Cycle counter (steady clock nanoseconds where no counter instruction exists).
std::uint64_t MeReadCycleCounter();
MeProfileTimerResult* MeProfileTimerRead(MeProfileTimerResult* sample);
