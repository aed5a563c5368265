#pragma once
#include <cstdint>
// The program's one window over SDL2. It is always an OpenGL-capable window; the graphics
// device creates its context on it. Platform code only: no engine includes.

#include <SDL2/SDL.h>

/// Initialises the SDL video subsystem once; later calls do nothing. False when SDL has no
/// usable video driver (the error text is SDL_GetError()).
bool PlatformVideoInit();

/// Shuts the SDL video subsystem down again (after the window is destroyed).
void PlatformVideoQuit();

/// True when the video driver draws to no screen (offscreen or dummy, or SDL not started and no
/// display named in the environment). A headless window always counts as focused and message
/// boxes go to stderr.
bool PlatformIsHeadless();

/// Window rectangle for a wanted client size on a screen: a width or height that reaches the
/// screen's is cut to 90 % of it; the window is centred (half the remaining space, rounded down).
struct PlatformRect { int x, y, width, height; };
PlatformRect PlatformWindowRect(int clientWidth, int clientHeight, int screenWidth, int screenHeight);

/// Creates the window (SDL_WINDOW_OPENGL), centred on the desktop with the given client size,
/// shows it and pumps once. False on failure (SDL_GetError()). Replaces no existing window:
/// call PlatformWindowDestroy first.
bool PlatformWindowCreate(const char* title, int clientWidth, int clientHeight);

/// The reason of the last window or video failure (SDL_GetError()).
const char* PlatformWindowError();

/// Uses a window that someone else created instead of creating one; it is destroyed by
/// PlatformWindowDestroy, as the program's own window is.
void PlatformWindowAdopt(SDL_Window* window);

/// Destroys the window if there is one; safe to call twice.
void PlatformWindowDestroy();

/// The window, or null before creation.
SDL_Window* PlatformWindowHandle();

/// Sets the client size (with the 90 % rule) and centres the window again.
void PlatformWindowResize(int clientWidth, int clientHeight);

/// Client size of the window in pixels; 0 x 0 without a window.
void PlatformWindowClientSize(int* width, int* height);

/// The client size a window really has on the screen. Under X11 it is read from the server,
/// since SDL reports the size it asked for (a full-screen request that no window manager
/// grants still reports the screen's size); elsewhere it is SDL's size.
void PlatformRealClientSize(SDL_Window* window, int* width, int* height);

/// Puts a window full screen or back into a window. Full screen is the desktop full-screen
/// state where a window manager grants it (checked against the real size); otherwise a
/// borderless window placed and sized to the display, which needs no window manager. Leaving
/// full screen restores the border; the caller sets the windowed size. False when SDL refused.
bool PlatformWindowSetFullScreen(SDL_Window* window, bool fullScreen);

/// True when the window is full screen through the borderless stand-in.
bool PlatformWindowBorderlessFullScreen();

/// Where a picture of pictureWidth x pictureHeight pixels shows in a client area: scaled by one
/// factor to fill it without stretching, centred, with bars beside or above it.
PlatformRect PlatformFitPicture(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight);

/// The presentation that maps the pointer: the back buffer's size and the real client size it
/// is shown in. The graphics device sets it at every open and present, a resize event updates
/// the client size. Before it is set, pointer pixels are picture pixels.
void PlatformSetPresentation(int pictureWidth, int pictureHeight, int clientWidth, int clientHeight);
void PlatformClearPresentation();

/// The picture's rectangle in client pixels (0, 0, client size when no presentation is set).
PlatformRect PlatformPictureRect();

/// Picture pixels per client pixel (1 when no presentation is set).
float PlatformPictureScale();

/// A client pixel position in picture pixels, and back (the pixel's centre maps to itself).
void PlatformClientToPicture(float clientX, float clientY, float* pictureX, float* pictureY);
void PlatformPictureToClient(float pictureX, float pictureY, float* clientX, float* clientY);

/// Minimised state, as last reported by window events (or read at creation).
bool PlatformWindowIsMinimised();

/// True when the window has the input focus. Headless windows always have it.
bool PlatformWindowIsForeground();

/// Called by the message pump with every window event, so that focus and minimised state
/// follow scripted events as well as real ones.
void PlatformWindowTrackEvent(const SDL_Event& event);

/// Gives the window an icon of ARGB words (rows top first); false without a window or when SDL
/// refuses the image. PlatformWindowIconWidth is the width of the icon last given (0: none).
bool PlatformSetWindowIcon(const std::uint32_t* argb, int width, int height);
int PlatformWindowIconWidth();

/// Shows or hides the system cursor.
void PlatformShowCursor(bool show);
bool PlatformCursorShown();

/// Confines the mouse to the window (exclusive mouse) or releases it to the desktop.
void PlatformCaptureCursor(bool capture);
bool PlatformCursorCaptured();
