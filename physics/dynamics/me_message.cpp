#include "physics/dynamics/me_message.h"

#include <cstdio>
#include <cstdlib>

int MeInfoVerbosity = 0;
int MeWarningVerbosity = 0;
int MeDebugVerbosity = 0;

std::string MeFormatV(const char* format, va_list args)
{
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0)
        return std::string();
    if (static_cast<std::size_t>(n) < sizeof small)
        return std::string(small, static_cast<std::size_t>(n));
    std::string text(static_cast<std::size_t>(n) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(n));
    return text;
}

namespace {

void WriteToStderr(int, const char* text) { std::fputs(text, stderr); }
void Discard(int, const char*) {}

MeMessageOutput infoOutput = WriteToStderr;
MeMessageOutput warningOutput = WriteToStderr;
MeMessageOutput fatalOutput = WriteToStderr;
MeMessageOutput debugOutput = Discard;

// The caller's format is first embedded in the channel prefix ("MeWarning{3}: <format>"),
// which is then formatted with the caller's arguments.
std::string Compose(const char* prefix, int level, const char* format, va_list args)
{
    std::string withPrefix = std::string(prefix) + "{" + std::to_string(level) + "}: " + (format ? format : "");
    return MeFormatV(withPrefix.c_str(), args);
}

void DefaultInfo(int level, const char* format, va_list args)
{
    if (level > MeInfoVerbosity)
        return;
    infoOutput(level, Compose("MeInfo", level, format, args).c_str());
}

void DefaultWarning(int level, const char* format, va_list args)
{
    if (level > MeWarningVerbosity)
        return;
    warningOutput(level, Compose("MeWarning", level, format, args).c_str());
}

void DefaultDebug(int level, const char* format, va_list args)
{
    if (level > MeDebugVerbosity)
        return;
    debugOutput(level, Compose("MeDebug", level, format, args).c_str());
}

void DefaultFatal(int level, const char* format, va_list args)
{
    std::string text = Compose("MeFatalError", level, format, args);
    fatalOutput(level, text.c_str());
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
    std::exit(1);
}

MeMessageHandler infoHandler = DefaultInfo;
MeMessageHandler warningHandler = DefaultWarning;
MeMessageHandler fatalHandler = DefaultFatal;
MeMessageHandler debugHandler = DefaultDebug;

MeMessageHandler Swap(MeMessageHandler& slot, MeMessageHandler handler, MeMessageHandler fallback)
{
    MeMessageHandler previous = slot;
    slot = handler ? handler : fallback;
    return previous;
}

MeMessageOutput Swap(MeMessageOutput& slot, MeMessageOutput output, MeMessageOutput fallback)
{
    MeMessageOutput previous = slot;
    slot = output ? output : fallback;
    return previous;
}

}  // namespace

MeMessageHandler MeSetInfoHandler(MeMessageHandler h) { return Swap(infoHandler, h, DefaultInfo); }
MeMessageHandler MeSetWarningHandler(MeMessageHandler h) { return Swap(warningHandler, h, DefaultWarning); }
MeMessageHandler MeSetFatalErrorHandler(MeMessageHandler h) { return Swap(fatalHandler, h, DefaultFatal); }
MeMessageHandler MeSetDebugHandler(MeMessageHandler h) { return Swap(debugHandler, h, DefaultDebug); }

MeMessageOutput MeSetInfoOutput(MeMessageOutput o) { return Swap(infoOutput, o, WriteToStderr); }
MeMessageOutput MeSetWarningOutput(MeMessageOutput o) { return Swap(warningOutput, o, WriteToStderr); }
MeMessageOutput MeSetFatalErrorOutput(MeMessageOutput o) { return Swap(fatalOutput, o, WriteToStderr); }
MeMessageOutput MeSetDebugOutput(MeMessageOutput o) { return Swap(debugOutput, o, Discard); }

void MeInfo(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    infoHandler(level, format, args);
    va_end(args);
}

void MeWarning(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    warningHandler(level, format, args);
    va_end(args);
}

void MeDebug(int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    debugHandler(level, format, args);
    va_end(args);
}

void MeFatalError(int level, const char* format, ...)
{
    std::fputs("MeFatalError\n", stdout);
    va_list args;
    va_start(args, format);
    fatalHandler(level, format, args);
    va_end(args);
}

void MeNullMessageHandler(int, const char*, va_list) {}
