#pragma once
// The few questions the window asks the X server directly (internal to the platform layer).

#include <SDL2/SDL.h>

/// True when the window lives on an X server; then the answers below come from it.
bool X11IsWindow(SDL_Window* window);

/// The window's size on the server; false when it cannot be read.
bool X11WindowSize(SDL_Window* window, int* width, int* height);

/// True when a window manager runs on the window's screen (it names itself on the root window).
bool X11HasWindowManager(SDL_Window* window);
