#pragma once
/// Choice of the solver's kernel variant: the SSE kernels on a processor that reports
/// "GenuineIntel" with the SSE feature bit, the scalar (x87) kernels otherwise.

/// Info messages, then 2 (SSE) or 1 (x87). An override set with `keaSetCPUOverride` wins.
int keaDetectCPU();
/// Forces the variant (1 or 2); 0 returns to detection. Returns the previous override.
int keaSetCPUOverride(int variant);
/// Sets the process-wide SSE flag from the processor and the operating system.
void keaCheckSSE();
/// The flag set by `keaCheckSSE`.
bool keaHasSSE();
bool keaCPUHasSSE();
bool keaOSHasSSE();
/// The vendor rule: true for vendor "GenuineIntel" with bit 25 of the leaf-1 EDX flags.
bool keaVendorHasSSE(const char vendor[12], unsigned edx);
