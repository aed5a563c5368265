#include "platform/window.h"

#include "platform/window_x11.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

SDL_Window* g_window = nullptr;
bool g_videoStarted = false;
bool g_minimised = false;
bool g_focused = false;
bool g_cursorShown = true;
bool g_cursorCaptured = false;
bool g_borderless = false;  // full screen through a borderless window sized to the display

// The presentation that maps the pointer (0 x 0 picture: none).
int g_pictureW = 0, g_pictureH = 0, g_clientW = 0, g_clientH = 0;

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
    g_borderless = false;
    PlatformClearPresentation();
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

void PlatformRealClientSize(SDL_Window* window, int* width, int* height)
{
    int w = 0, h = 0;
    if (window && !X11WindowSize(window, &w, &h))
        SDL_GetWindowSize(window, &w, &h);
    *width = w;
    *height = h;
}

namespace {

SDL_Rect DisplayBoundsOf(SDL_Window* window)
{
    SDL_Rect b{0, 0, 0, 0};
    int display = SDL_GetWindowDisplayIndex(window);
    if (display < 0 || SDL_GetDisplayBounds(display, &b) != 0)
        b = SDL_Rect{0, 0, 0, 0};
    return b;
}

// Pumps until the window's real size is the wanted one, for at most `seconds`.
bool WaitForSize(SDL_Window* window, int width, int height, double seconds)
{
    const Uint64 start = SDL_GetPerformanceCounter();
    const double frequency = double(SDL_GetPerformanceFrequency());
    for (;;) {
        SDL_PumpEvents();
        int w = 0, h = 0;
        PlatformRealClientSize(window, &w, &h);
        if (w == width && h == height)
            return true;
        if (double(SDL_GetPerformanceCounter() - start) / frequency >= seconds)
            return false;
        SDL_Delay(5);
    }
}

// A window manager answers a full-screen request within this time or not at all.
constexpr double kGrantWait = 1.0;

}  // namespace

bool PlatformWindowSetFullScreen(SDL_Window* window, bool fullScreen)
{
    if (!window)
        return false;
    if (!fullScreen) {
        if (g_borderless && window == g_window) {
            SDL_SetWindowBordered(window, SDL_TRUE);
            g_borderless = false;
        }
        return SDL_SetWindowFullscreen(window, 0) == 0;
    }
    if (!X11IsWindow(window))
        return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
    // On X the request is only a wish to the window manager: the real size tells whether it
    // was granted. Without a window manager nobody answers, so it is not asked.
    const SDL_Rect display = DisplayBoundsOf(window);
    if (X11HasWindowManager(window)) {
        if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0 &&
            WaitForSize(window, display.w, display.h, kGrantWait))
            return true;
        SDL_SetWindowFullscreen(window, 0);
    }
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_SetWindowPosition(window, display.x, display.y);
    SDL_SetWindowSize(window, display.w, display.h);
    SDL_RaiseWindow(window);
    WaitForSize(window, display.w, display.h, kGrantWait);
    if (window == g_window)
        g_borderless = true;
    return true;
}

bool PlatformWindowBorderlessFullScreen()
{
    return g_window && g_borderless;
}

PlatformRect PlatformFitPicture(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0 || clientWidth <= 0 || clientHeight <= 0)
        return PlatformRect{0, 0, std::max(clientWidth, 0), std::max(clientHeight, 0)};
    // Compare the two aspect ratios in integers: the bars go where the client is wider.
    const long long wide = static_cast<long long>(clientWidth) * pictureHeight;
    const long long tall = static_cast<long long>(clientHeight) * pictureWidth;
    PlatformRect r{0, 0, clientWidth, clientHeight};
    if (wide > tall)
        r.width = static_cast<int>((static_cast<long long>(clientHeight) * pictureWidth + pictureHeight / 2) / pictureHeight);
    else if (tall > wide)
        r.height = static_cast<int>((static_cast<long long>(clientWidth) * pictureHeight + pictureWidth / 2) / pictureWidth);
    r.x = (clientWidth - r.width) / 2;
    r.y = (clientHeight - r.height) / 2;
    return r;
}

void PlatformSetPresentation(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight)
{
    g_pictureW = pictureWidth;
    g_pictureH = pictureHeight;
    g_clientW = clientWidth;
    g_clientH = clientHeight;
}

void PlatformClearPresentation()
{
    g_pictureW = g_pictureH = g_clientW = g_clientH = 0;
}

PlatformRect PlatformPictureRect()
{
    if (g_pictureW <= 0 || g_pictureH <= 0 || g_clientW <= 0 || g_clientH <= 0)
        return PlatformRect{0, 0, std::max(g_pictureW, 0), std::max(g_pictureH, 0)};
    return PlatformFitPicture(g_pictureW, g_pictureH, g_clientW, g_clientH);
}

float PlatformPictureScale()
{
    const PlatformRect r = PlatformPictureRect();
    if (g_pictureW <= 0 || r.width <= 0)
        return 1.0f;
    return static_cast<float>(g_pictureW) / static_cast<float>(r.width);
}

void PlatformClientToPicture(float clientX, float clientY, float* pictureX, float* pictureY)
{
    const PlatformRect r = PlatformPictureRect();
    if (g_pictureW <= 0 || r.width <= 0 || r.height <= 0) {
        *pictureX = clientX;
        *pictureY = clientY;
        return;
    }
    *pictureX = (clientX + 0.5f - static_cast<float>(r.x)) * static_cast<float>(g_pictureW) / static_cast<float>(r.width) - 0.5f;
    *pictureY = (clientY + 0.5f - static_cast<float>(r.y)) * static_cast<float>(g_pictureH) / static_cast<float>(r.height) - 0.5f;
}

void PlatformPictureToClient(float pictureX, float pictureY, float* clientX, float* clientY)
{
    const PlatformRect r = PlatformPictureRect();
    if (g_pictureW <= 0 || r.width <= 0 || r.height <= 0) {
        *clientX = pictureX;
        *clientY = pictureY;
        return;
    }
    *clientX = (pictureX + 0.5f) * static_cast<float>(r.width) / static_cast<float>(g_pictureW) + static_cast<float>(r.x) - 0.5f;
    *clientY = (pictureY + 0.5f) * static_cast<float>(r.height) / static_cast<float>(g_pictureH) + static_cast<float>(r.y) - 0.5f;
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
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        // The pointer maps through the new size from now on, not from the next present.
        if (g_pictureW > 0 && event.window.data1 > 0 && event.window.data2 > 0) {
            g_clientW = event.window.data1;
            g_clientH = event.window.data2;
        }
        break;
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
