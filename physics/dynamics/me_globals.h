#pragma once
/// The toolkit's common layer, shared by the dynamics and collision halves: memory table,
/// pools, red-black tree, message channels, profiling, streams, word stack and small maths.

#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_pool.h"
#include "physics/dynamics/me_profile.h"
#include "physics/dynamics/me_random.h"
#include "physics/dynamics/me_rbtree.h"
#include "physics/dynamics/me_stack.h"
#include "physics/dynamics/me_stream.h"
#include "physics/dynamics/me_types.h"
