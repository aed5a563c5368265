#include "platform/window.h"

#include <cstdlib>
#include <cstring>

namespace {

SDL_Window* g_window = nullptr;
bool g_videoStarted = false;
bool g_minimised = false;
bool g_focused = false;
bool g_cursorShown = true;
bool g_cursorCaptured = false;

bool DriverIsHeadless(const char* driver)
{
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

}  // namespace

bool PlatformVideoInit()
{
    if (g_videoStarted)
        return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return false;
    // Keep the GL library loaded while video runs: SDL would unload it with every last GL
    // window, and a graphics device may be reopened on a new window.
    SDL_GL_LoadLibrary(nullptr);
    g_videoStarted = true;
    return true;
}

void PlatformVideoQuit()
{
    if (!g_videoStarted)
        return;
    PlatformWindowDestroy();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    g_videoStarted = false;
}

bool PlatformIsHeadless()
{
    if (SDL_WasInit(SDL_INIT_VIDEO))
        return DriverIsHeadless(SDL_GetCurrentVideoDriver());
    if (DriverIsHeadless(std::getenv("SDL_VIDEODRIVER")))
        return true;
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return !(x && *x) && !(wayland && *wayland);
}

PlatformRect PlatformWindowRect(int clientWidth, int clientHeight, int screenWidth, int screenHeight)
{
    PlatformRect r{0, 0, clientWidth, clientHeight};
    if (screenWidth > 0 && r.width >= screenWidth)
        r.width = screenWidth * 90 / 100;
    if (screenHeight > 0 && r.height >= screenHeight)
        r.height = screenHeight * 90 / 100;
    r.x = screenWidth > r.width ? (screenWidth - r.width) / 2 : 0;
    r.y = screenHeight > r.height ? (screenHeight - r.height) / 2 : 0;
    return r;
}

static PlatformRect RectOnDesktop(int clientWidth, int clientHeight)
{
    SDL_Rect bounds{0, 0, 0, 0};
    if (SDL_GetDisplayBounds(0, &bounds) != 0)
        bounds = SDL_Rect{0, 0, 0, 0};
    PlatformRect r = PlatformWindowRect(clientWidth, clientHeight, bounds.w, bounds.h);
    r.x += bounds.x;
    r.y += bounds.y;
    return r;
}

bool PlatformWindowCreate(const char* title, int clientWidth, int clientHeight)
{
    if (g_window)
        return true;
    if (!PlatformVideoInit())
        return false;
    if (clientWidth <= 0)
        clientWidth = 640;
    if (clientHeight <= 0)
        clientHeight = 480;
    const PlatformRect r = RectOnDesktop(clientWidth, clientHeight);
    g_window = SDL_CreateWindow(title ? title : "", r.x, r.y, r.width, r.height,
                                SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (!g_window)
        return false;
    const Uint32 flags = SDL_GetWindowFlags(g_window);
    g_minimised = (flags & SDL_WINDOW_MINIMIZED) != 0;
    g_focused = (flags & SDL_WINDOW_INPUT_FOCUS) != 0;
    SDL_PumpEvents();
    return true;
}

void PlatformWindowAdopt(SDL_Window* window)
{
    g_window = window;
    if (window) {
        const Uint32 flags = SDL_GetWindowFlags(window);
        g_minimised = (flags & SDL_WINDOW_MINIMIZED) != 0;
        g_focused = (flags & SDL_WINDOW_INPUT_FOCUS) != 0;
    }
}

namespace {
int g_iconWidth = 0;
}  // namespace

bool PlatformSetWindowIcon(const std::uint32_t* argb, int width, int height)
{
    if (!g_window || !argb || width <= 0 || height <= 0)
        return false;
    SDL_Surface* surface = SDL_CreateRGBSurfaceFrom(const_cast<std::uint32_t*>(argb), width, height, 32, width * 4,
                                                    0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u);
    if (!surface)
        return false;
    SDL_SetWindowIcon(g_window, surface);
    SDL_FreeSurface(surface);
    g_iconWidth = width;
    return true;
}

int PlatformWindowIconWidth()
{
    return g_window ? g_iconWidth : 0;
}

void PlatformWindowDestroy()
{
    g_iconWidth = 0;
    if (!g_window)
        return;
    SDL_SetWindowGrab(g_window, SDL_FALSE);
    SDL_DestroyWindow(g_window);
    g_window = nullptr;
    g_minimised = false;
    g_focused = false;
    g_cursorCaptured = false;
    SDL_PumpEvents();
}

SDL_Window* PlatformWindowHandle()
{
    return g_window;
}

void PlatformWindowResize(int clientWidth, int clientHeight)
{
    if (!g_window)
        return;
    const PlatformRect r = RectOnDesktop(clientWidth, clientHeight);
    SDL_SetWindowSize(g_window, r.width, r.height);
    SDL_SetWindowPosition(g_window, r.x, r.y);
    SDL_PumpEvents();
}

void PlatformWindowClientSize(int* width, int* height)
{
    int w = 0, h = 0;
    if (g_window)
        SDL_GetWindowSize(g_window, &w, &h);
    if (width)
        *width = w;
    if (height)
        *height = h;
}

bool PlatformWindowIsMinimised()
{
    return g_minimised;
}

bool PlatformWindowIsForeground()
{
    if (PlatformIsHeadless())
        return true;
    return g_focused && !g_minimised;
}

void PlatformWindowTrackEvent(const SDL_Event& event)
{
    if (event.type != SDL_WINDOWEVENT)
        return;
    switch (event.window.event) {
    case SDL_WINDOWEVENT_MINIMIZED: g_minimised = true; break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED: g_minimised = false; break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: g_focused = true; break;
    case SDL_WINDOWEVENT_FOCUS_LOST: g_focused = false; break;
    default: break;
    }
}

void PlatformShowCursor(bool show)
{
    g_cursorShown = show;
    if (SDL_WasInit(SDL_INIT_VIDEO))
        SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

bool PlatformCursorShown()
{
    return g_cursorShown;
}

void PlatformCaptureCursor(bool capture)
{
    g_cursorCaptured = capture;
    if (g_window)
        SDL_SetWindowGrab(g_window, capture ? SDL_TRUE : SDL_FALSE);
}

bool PlatformCursorCaptured()
{
    return g_cursorCaptured;
}

const char* PlatformWindowError()
{
    return SDL_GetError();
}
