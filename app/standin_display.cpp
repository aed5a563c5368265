#include "app/standin_display.h"

#include <SDL2/SDL.h>

#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/util/qnexception.h"
#include "platform/window.h"

namespace {

SDL_GLContext g_context = nullptr;
bool g_fullScreen = false;

void Open(bool fullScreen)
{
    SDL_Window* window = PlatformWindowHandle();
    if (!window)
        throw QNDISPLAY_EXC(0, "Unable to open display.");
    if (!g_context) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        g_context = SDL_GL_CreateContext(window);
        if (!g_context)
            throw QNDISPLAY_EXC(0, "Unable to open display.");
    }
    SDL_GL_MakeCurrent(window, g_context);
    if (!PlatformIsHeadless())
        SDL_SetWindowFullscreen(window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    g_fullScreen = fullScreen;
}

void Close()
{
    if (g_context) {
        SDL_GL_DeleteContext(g_context);
        g_context = nullptr;
    }
    g_fullScreen = false;
}

}  // namespace

bool InstallStandInDisplay()
{
    QNAPPDEVICES& d = QNAPP::Devices;
    if (d.DisplayOpenWindowed || d.DisplayOpenFullScreen)
        return false;
    d.DisplayOpenWindowed = [] { Open(false); };
    d.DisplayOpenFullScreen = [] { Open(true); };
    d.DisplayIsFullScreen = [] { return g_fullScreen; };
    d.DisplayClose = [] { Close(); };
    d.Present = [] {
        QNFRAMESTATS::Tick(false);
        if (g_context)
            SDL_GL_SwapWindow(PlatformWindowHandle());
    };
    return true;
}

void StandInDisplaySize(int* width, int* height)
{
    int w = 0, h = 0;
    if (g_context && PlatformWindowHandle())
        SDL_GL_GetDrawableSize(PlatformWindowHandle(), &w, &h);
    *width = w;
    *height = h;
}
