#pragma once
// Names of the platform's window and event records for the layers above, which never name
// the library behind them. Both are complete types inside platform/.

struct SDL_Window;
union SDL_Event;

/// The program's window.
using PlatformWindow = SDL_Window;
/// One event of the message pump.
using PlatformEvent = SDL_Event;
