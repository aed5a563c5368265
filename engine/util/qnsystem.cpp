#include "engine/util/qnsystem.h"

#include "engine/util/qntimer.h"
#include "platform/message_box.h"
#include "platform/system.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The one sink of message boxes is the platform's; an engine sink installed through
// SetMessageSink is reached through it.
QNSYSTEM::MessageSink engineSink = nullptr;

void ToEngineSink(const char* text, const char* caption, int kind, void*)
{
    const QNSYSTEM::Icon icon = kind == QNSYSTEM::kWarning ? QNSYSTEM::kExclamation
                              : kind == QNSYSTEM::kError   ? QNSYSTEM::kStop
                                                           : QNSYSTEM::kNoIcon;
    engineSink(text, caption, icon);
}

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

    PlatformMessageBox(text, caption, kind);
}

QNSYSTEM::MessageSink QNSYSTEM::SetMessageSink(MessageSink sink)
{
    MessageSink previous = engineSink;
    engineSink = sink;
    PlatformSetMessageBoxSink(sink ? &ToEngineSink : nullptr, nullptr);
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
