#include "platform/message_box.h"

#include <cstdio>

#include <SDL2/SDL.h>

#include "platform/window.h"

namespace {
PlatformMessageBoxSink g_sink = nullptr;
void* g_sinkContext = nullptr;
}  // namespace

const char* PlatformMessageBoxCaption(const char* caption, int kind)
{
    if (caption)
        return caption;
    switch (kind) {
    case PLATFORM_MB_MESSAGE: return "MESSAGE";
    case PLATFORM_MB_WARNING: return "WARNING";
    case PLATFORM_MB_ERROR: return "ERROR";
    default: return "";
    }
}

void PlatformMessageBox(const char* text, const char* caption, int kind)
{
    const char* shown = PlatformMessageBoxCaption(caption, kind);
    if (!text)
        text = "";
    if (g_sink) {
        g_sink(text, shown, kind, g_sinkContext);
        return;
    }
    if (!PlatformIsHeadless()) {
        Uint32 flags = 0;
        if (kind == PLATFORM_MB_ERROR)
            flags = SDL_MESSAGEBOX_ERROR;
        else if (kind == PLATFORM_MB_WARNING)
            flags = SDL_MESSAGEBOX_WARNING;
        if (SDL_ShowSimpleMessageBox(flags, shown, text, nullptr) == 0)
            return;
    }
    std::fprintf(stderr, "%s: %s\n", shown, text);
    std::fflush(stderr);
}

void PlatformSetMessageBoxSink(PlatformMessageBoxSink sink, void* context)
{
    g_sink = sink;
    g_sinkContext = sink ? context : nullptr;
}
