#pragma once
/// Natural objects: asteroids, ore pieces and the black-market portal. They drift and spin as
/// rigid bodies and register their world box as an obstacle in their view's path planner.

#include "engine/scene/resources.h"

/// Registers the asteroid and ore media (with the site's media).
void RegisterNaturalMedia(QNRESOURCES& resources);
