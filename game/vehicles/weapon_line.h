#pragma once
/// The line test of the ship's beam and gun: the nearest solid hit along a line from a node,
/// ignoring the firing ship's own parts and trigger volumes (bodies that push nothing).

#include "engine/scene/node_bounds.h"
#include "engine/util/qnmatrix.h"

class QNNODE;

/// The nearest hit of the line from `from`'s world position along `direction` (unit) up to
/// `length`, skipping `ship` and its subtree; false when nothing is hit.
bool NearestWeaponHit(QNNODE* from, const QNVEC3& direction, float length, const QNNODE* ship, QNNODEHIT& out);
