#pragma once
/// The collision component's public API in one include: framework and registration, error
/// table, geometry types, mass properties, models and pairs, the space, the sphere, box and
/// plane pairs with their segment tests, contact culling, the dynamics bridge, the cylinder
/// and triangle-list pairs, and triangle meshes.

#include "physics/collision/aggregate.h"
#include "physics/collision/axis_sort_space.h"
#include "physics/collision/box_box.h"
#include "physics/collision/cone_pairs.h"
#include "physics/collision/contact_cull.h"
#include "physics/collision/convex_hull.h"
#include "physics/collision/convex_mesh.h"
#include "physics/collision/convex_pairs.h"
#include "physics/collision/cylinder_pairs.h"
#include "physics/collision/dt_bridge.h"
#include "physics/collision/error.h"
#include "physics/collision/framework.h"
#include "physics/collision/geometry.h"
#include "physics/collision/geometry_tests.h"
#include "physics/collision/gjk.h"
#include "physics/collision/line_segment.h"
#include "physics/collision/mass.h"
#include "physics/collision/minimiser.h"
#include "physics/collision/model.h"
#include "physics/collision/model_pair.h"
#include "physics/collision/primitive_pairs.h"
#include "physics/collision/primitives.h"
#include "physics/collision/registration.h"
#include "physics/collision/space.h"
#include "physics/collision/triangle_list_pairs.h"
#include "physics/collision/triangle_mesh.h"
#include "physics/collision/triangle_mesh_collision.h"
