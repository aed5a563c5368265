#pragma once
/// Public interface of the dynamics half of the physics toolkit: the common layer, worlds,
/// bodies, constraints and contacts.

#include "physics/dynamics/body.h"
#include "physics/dynamics/constraint.h"
#include "physics/dynamics/contact.h"
#include "physics/dynamics/me_globals.h"
#include "physics/dynamics/world.h"
