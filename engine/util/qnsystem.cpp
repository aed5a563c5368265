#include "engine/util/qnsystem.h"

#include "engine/util/qntimer.h"
#include "platform/system.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

void StderrSink(const char* text, const char* caption, QNSYSTEM::Icon)
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
    std::fflush(stderr);
}

QNSYSTEM::MessageSink messageSink = StderrSink;

} // namespace

std::uint32_t QNSYSTEM::LastErrorText(char* text)
{
    const int error = PlatformLastError();
    PlatformErrorText(error, text, kErrorTextSize);
    return static_cast<std::uint32_t>(error);
}

void QNSYSTEM::MessageBox(const char* format, const char* caption, int kind, ...)
{
    char text[512];
    va_list args;
    va_start(args, kind);
    if (!format || std::vsnprintf(text, sizeof text, format, args) < 0)
        text[0] = '\0';
    va_end(args);

    Icon icon = kNoIcon;
    const char* fallback = "";
    switch (kind) {
    case kMessage: fallback = "MESSAGE"; break;
    case kWarning: fallback = "WARNING"; icon = kExclamation; break;
    case kError: fallback = "ERROR"; icon = kStop; break;
    default: break;
    }
    messageSink(text, caption ? caption : fallback, icon);
}

QNSYSTEM::MessageSink QNSYSTEM::SetMessageSink(MessageSink sink)
{
    MessageSink previous = messageSink;
    messageSink = sink ? sink : StderrSink;
    return previous;
}

void QNSYSTEM::ModulePath(char* path)
{
    const std::string module = PlatformModulePath();
    std::snprintf(path, kPathSize, "%s", module.c_str());
}

void QNSYSTEM::Init()
{
    QNTIMER::SetFrequency(PlatformPerformanceFrequency());
}

void QNSYSTEM::Sleep(float seconds)
{
    const long ms = static_cast<long>(seconds * 1000.0f);
    PlatformSleep(static_cast<double>(ms) / 1000.0);
}
