#include "physics/dynamics/kea_cpu.h"

#include "physics/dynamics/me_message.h"

#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {
bool sseFlag = false;
int cpuOverride = 0;
}  // namespace

bool keaVendorHasSSE(const char vendor[12], unsigned edx)
{
    return std::memcmp(vendor, "GenuineIntel", 12) == 0 && (edx & (1u << 25)) != 0;
}

bool keaCPUHasSSE()
{
#if defined(__x86_64__) || defined(__i386__)
    unsigned eax, ebx, ecx, edx;
    if (!__get_cpuid(0, &eax, &ebx, &ecx, &edx))
        return false;
    char vendor[12];
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx))
        return false;
    return keaVendorHasSSE(vendor, edx);
#else
    return false;
#endif
}

bool keaOSHasSSE()
{
#if defined(__x86_64__)
    return true;  // SSE is part of the x86-64 base and every kernel saves its registers
#else
    return false;
#endif
}

void keaCheckSSE() { sseFlag = keaCPUHasSSE() && keaOSHasSSE(); }

bool keaHasSSE() { return sseFlag; }

int keaSetCPUOverride(int variant)
{
    int previous = cpuOverride;
    cpuOverride = (variant == 1 || variant == 2) ? variant : 0;
    return previous;
}

int keaDetectCPU()
{
    MeInfo(0, "Autodetecting CPU for SSE\n");
    keaCheckSSE();
    bool sse = cpuOverride ? cpuOverride == 2 : sseFlag;
    if (sse) {
        MeInfo(0, "Using SSE Optimizations\n");
        return 2;
    }
    MeInfo(0, "Using x86 Optimizations\n");
    return 1;
}
