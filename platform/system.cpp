#include "platform/system.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <type_traits>

#include <limits.h>
#include <unistd.h>

namespace {

int lastError = 0;
std::int64_t (*counterRead)(void*) = nullptr;
void* counterContext = nullptr;
void (*sleepHook)(double, void*) = nullptr;
void* sleepContext = nullptr;

std::int64_t SteadyNanoseconds()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

std::string PlatformModulePath()
{
    char path[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
    if (n < 0) {
        lastError = errno;
        return std::string();
    }
    lastError = 0;
    return std::string(path, static_cast<std::size_t>(n));
}

int PlatformLastError() { return lastError; }
void PlatformSetLastError(int error) { lastError = error; }

char* PlatformErrorText(int error, char* buffer, std::size_t size)
{
    if (!buffer || size == 0)
        return buffer;
    buffer[0] = '\0';
    if (error == 0)
        return buffer;
    // The XSI or GNU strerror_r may return its own pointer; copy from whichever holds the text.
    char local[256];
    local[0] = '\0';
    const char* text = local;
    auto result = strerror_r(error, local, sizeof local);
    (void)result;
    if constexpr (std::is_same_v<decltype(result), char*>)
        text = result ? result : local;
    std::size_t n = 0;
    while (text[n] && text[n] != '\n' && text[n] != '\r' && n + 1 < size) {
        buffer[n] = text[n];
        ++n;
    }
    buffer[n] = '\0';
    return buffer;
}

void PlatformSleep(double seconds)
{
    if (seconds <= 0.0)
        return;
    if (sleepHook)
        sleepHook(seconds, sleepContext);
    else
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void PlatformSetSleep(void (*sleep)(double seconds, void* context), void* context)
{
    sleepHook = sleep;
    sleepContext = sleep ? context : nullptr;
}

std::int64_t PlatformPerformanceCounter()
{
    return counterRead ? counterRead(counterContext) : SteadyNanoseconds();
}

std::int64_t PlatformPerformanceFrequency() { return 1000000000; }

void PlatformSetCounter(std::int64_t (*read)(void* context), void* context)
{
    counterRead = read;
    counterContext = read ? context : nullptr;
}

std::uint32_t PlatformTickCount()
{
    return static_cast<std::uint32_t>(PlatformPerformanceCounter() / 1000000);
}

std::string PlatformTempPath()
{
    const char* dir = std::getenv("TMPDIR");
    std::string path = (dir && dir[0]) ? dir : "/tmp";
    if (path.back() != '/')
        path += '/';
    return path;
}

int PlatformProcessId() { return static_cast<int>(getpid()); }
