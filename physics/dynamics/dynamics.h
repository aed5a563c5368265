#pragma once
/// Public interface of the dynamics half of the physics toolkit: the common layer, worlds,
/// bodies, joints, limits, contacts and the world step.

#include "physics/dynamics/body.h"
#include "physics/dynamics/constraint.h"
#include "physics/dynamics/contact.h"
#include "physics/dynamics/joints.h"
#include "physics/dynamics/limit.h"
#include "physics/dynamics/me_globals.h"
#include "physics/dynamics/world.h"
#include "physics/dynamics/world_step.h"
