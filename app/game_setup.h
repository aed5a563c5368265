#pragma once
// The game set-up: the one call through which the program hands control to the game before the
// engine starts its devices. It writes the game's settings (GameSettings) into the application
// settings, connects the libraries' services to each other, and creates every scene of the
// program under the scene root, in order. The scenes live until shutdown.

#include "engine/util/qnapp_state.h"

/// Fills `settings`, copies its device part into the engine, installs the game links and
/// creates the scenes.
void CreateGame(QNAPPSETTINGS& settings);

/// Connects what the lower game libraries call through hooks (vehicle makers, media
/// registrations) to the classes of the higher ones.
void InstallGameLinks();
