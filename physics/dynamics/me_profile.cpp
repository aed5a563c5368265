#include "physics/dynamics/me_profile.h"

#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"

#include <chrono>
#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace {
unsigned char profilingOn = 0;
MeProfileSection* sections = nullptr;
}  // namespace

void MeProfileSetEnabled(int on) { profilingOn = on ? 1 : 0; }
int MeProfileIsEnabled() { return profilingOn; }

std::uint64_t MeReadCycleCounter()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_lfence();  // keep earlier instructions out of the sample
    return __rdtsc();
#else
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
#endif
}

MeProfileTimerResult* MeProfileTimerRead(MeProfileTimerResult* sample)
{
    *sample = MeProfileTimerResult{};
    sample->cpuCycles = MeReadCycleCounter();
    return sample;
}

MeProfileSection* MeProfileFindSection(const char* name)
{
    for (MeProfileSection* s = sections; s; s = s->next)
        if (std::strcmp(s->name, name) == 0)
            return s;
    return nullptr;
}

void MeProfileStartSectionFn(const char* name, int flag)
{
    if (!profilingOn || !name)
        return;
    MeProfileSection* section = MeProfileFindSection(name);
    if (!section) {
        section = static_cast<MeProfileSection*>(MeMemoryAPI.createZeroed(sizeof(MeProfileSection)));
        if (!section)
            return;
        std::size_t length = std::strlen(name) + 1;
        section->name = static_cast<char*>(MeMemoryAPI.create(length));
        if (!section->name) {
            MeMemoryAPI.destroy(section);
            return;
        }
        std::memcpy(section->name, name, length);
        MeProfileSection** tail = &sections;
        while (*tail)
            tail = &(*tail)->next;
        *tail = section;
    }
    ++section->startCount;
    section->flag = static_cast<unsigned char>(flag);
    section->running = 1;
    MeProfileTimerRead(&section->start);
}

void MeProfileEndSectionFn(const char* name)
{
    if (!profilingOn || !name)
        return;
    MeProfileTimerResult now;
    MeProfileTimerRead(&now);
    MeProfileSection* section = MeProfileFindSection(name);
    if (!section || !section->running) {
        MeWarning(3, "MeProfileEndSectionFn: You tried to stop %s which you hadn't started, which is a bit silly.\n",
                  name);
        return;
    }
    section->cpuCycles += now.cpuCycles - section->start.cpuCycles;
    section->count0 += now.count0 - section->start.count0;
    section->count1 += now.count1 - section->start.count1;
    section->running = 0;
}

void MeProfileClear()
{
    while (sections) {
        MeProfileSection* next = sections->next;
        MeMemoryAPI.destroy(sections->name);
        MeMemoryAPI.destroy(sections);
        sections = next;
    }
}
