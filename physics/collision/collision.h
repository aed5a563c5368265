#pragma once
/// The collision component's public API in one include: framework and registration, error
/// table, geometry types, mass properties, models and pairs, the space.

#include "physics/collision/aggregate.h"
#include "physics/collision/axis_sort_space.h"
#include "physics/collision/error.h"
#include "physics/collision/framework.h"
#include "physics/collision/geometry.h"
#include "physics/collision/geometry_tests.h"
#include "physics/collision/mass.h"
#include "physics/collision/model.h"
#include "physics/collision/model_pair.h"
#include "physics/collision/primitives.h"
#include "physics/collision/registration.h"
#include "physics/collision/space.h"
