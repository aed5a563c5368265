#include "physics/dynamics/me_message.h"

#include "physics/dynamics/me_memory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int MeInfoVerbosity = 0;
int MeWarningVerbosity = 0;
int MeDebugVerbosity = 0;

namespace {

void WriteToStderr(int, const char* text) { std::fputs(text, stderr); }
void Discard(int, const char*) {}

MeMessageOutput infoOutput = WriteToStderr;
MeMessageOutput warningOutput = WriteToStderr;
MeMessageOutput fatalOutput = WriteToStderr;
MeMessageOutput debugOutput = Discard;

// The channel prefix ("MeWarning{3}: ") followed by the caller's text, formatted without a
// length limit: short texts in a local buffer, longer ones in a block from the memory table.
class Composed {
public:
    Composed(const char* channel, int level, const char* format, va_list args)
    {
        int prefix = std::snprintf(local, sizeof local, "%s{%d}: ", channel, level);
        if (prefix < 0)
            prefix = 0;
        va_list copy;
        va_copy(copy, args);
        const int n = std::vsnprintf(local + prefix, sizeof local - static_cast<std::size_t>(prefix),
                                     format ? format : "", copy);
        va_end(copy);
        if (n < 0) {
            local[prefix] = '\0';
            return;
        }
        const std::size_t total = static_cast<std::size_t>(prefix) + static_cast<std::size_t>(n) + 1;
        if (total <= sizeof local)
            return;
        heap = static_cast<char*>(MeMemoryAPI.create(total));
        if (!heap)
            return;  // the truncated local text is still delivered
        std::memcpy(heap, local, static_cast<std::size_t>(prefix));
        std::vsnprintf(heap + prefix, total - static_cast<std::size_t>(prefix), format, args);
    }
    ~Composed()
    {
        if (heap)
            MeMemoryAPI.destroy(heap);
    }
    Composed(const Composed&) = delete;
    Composed& operator=(const Composed&) = delete;
    const char* c_str() const { return heap ? heap : local; }

private:
    char local[512];
    char* heap = nullptr;
};

void DefaultInfo(int level, const char* format, va_list args)
{
    if (level > MeInfoVerbosity)
        return;
    infoOutput(level, Composed("MeInfo", level, format, args).c_str());
}

void DefaultWarning(int level, const char* format, va_list args)
{
    if (level > MeWarningVerbosity)
        return;
    warningOutput(level, Composed("MeWarning", level, format, args).c_str());
}

void DefaultDebug(int level, const char* format, va_list args)
{
    if (level > MeDebugVerbosity)
        return;
    debugOutput(level, Composed("MeDebug", level, format, args).c_str());
}

void DefaultFatal(int level, const char* format, va_list args)
{
    Composed text("MeFatalError", level, format, args);
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
