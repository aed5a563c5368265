#pragma once
// Scene drawing for the test scene while no renderer is registered with the scene layer:
// viewport, clear, projection and ambient go straight to the display. Nothing else is drawn.

/// Registers the stand-in when the scene layer has no renderer. True when it is in use.
bool InstallStandInRenderer();
