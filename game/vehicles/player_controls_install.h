#pragma once
/// Fills PlayerControls (game/world/player_controls.h) with the collector ship's operations.

void InstallPlayerShipControls();
