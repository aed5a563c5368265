#pragma once
/// System services of the platform layer: module path, last-error slot and text, sleep, the
/// performance counter, the temporary path and a millisecond tick count.
///
/// The last-error slot is the engine's own stand-in for a thread's last system error: a
/// platform call that fails stores its errno there, one that succeeds stores 0. Code that calls
/// the C runtime directly records its result with PlatformSetLastError.
///
/// The performance counter is a steady clock counting nanoseconds (frequency 1e9). Tests install
/// a counter of their own with PlatformSetCounter and so drive time by hand.

#include <cstddef>
#include <cstdint>
#include <string>

/// Full path of the running program's file (from /proc/self/exe); "" when it cannot be read.
std::string PlatformModulePath();

/// The last-error slot: 0 after a success, else the errno of the failing call.
int PlatformLastError();
void PlatformSetLastError(int error);

/// The system's text for `error` (strerror), at most `size` - 1 characters, never a line
/// feed; an empty text for error 0. Returns `buffer`.
char* PlatformErrorText(int error, char* buffer, std::size_t size);

/// Sleeps for `seconds` (negative or zero returns at once).
void PlatformSleep(double seconds);

/// Replaces the sleep: `sleep(seconds, context)` is called instead of waiting (a virtual clock
/// moves on by the time slept); null restores the real sleep.
void PlatformSetSleep(void (*sleep)(double seconds, void* context), void* context);

/// The performance counter and its counts per second.
std::int64_t PlatformPerformanceCounter();
std::int64_t PlatformPerformanceFrequency();

/// Replaces the counter source: `read(context)` is called for each counter read; null restores
/// the steady clock. The frequency stays 1e9, so an injected counter counts nanoseconds.
void PlatformSetCounter(std::int64_t (*read)(void* context), void* context);

/// Milliseconds of the performance counter (for seeds; an injected counter drives it too);
/// wraps like a 32-bit tick count.
std::uint32_t PlatformTickCount();

/// The user's temporary folder with a trailing '/': $TMPDIR when set and non-empty, else "/tmp/".
std::string PlatformTempPath();

/// Id of the running process (for per-process names).
int PlatformProcessId();
