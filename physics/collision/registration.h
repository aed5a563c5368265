#pragma once
/// The registration groups the engine runs after `McdInit`: geometry types first
/// (primitives, convex mesh, triangle mesh), then their interactions in the same order.
///
/// Each interaction group is a table of rows {type A, type B, slots, functions}: the slots
/// say which functions the pair has (intersect always; hello and goodbye; safe time), the
/// functions are the pair code's. Registering a row writes the entry (A, B) and its mirror.
/// A group may also install line-segment tests per type and run a preparation step first
/// (the convex pairs create their pair-data pool there).

#include "physics/collision/framework.h"

enum McdInteractionSlot : unsigned {
    kMcdSlotIntersect = 1u,
    kMcdSlotHelloGoodbye = 2u,
    kMcdSlotSafeTime = 4u,
};

struct McdInteractionRow {
    MeI16 typeA;
    MeI16 typeB;
    unsigned slots;  ///< McdInteractionSlot bits this pair has
    McdInteractions fns;
};

struct McdLineSegRow {
    MeI16 type;
    McdLineSegIntersectFn test;
};

struct McdRegistrationGroup {
    const char* name;
    int (*prepare)(McdFrameworkID framework);  ///< run first when not null
    const McdInteractionRow* rows;
    int rowCount;
    const McdLineSegRow* lineSegs;
    int lineSegCount;
};

/// Registers a group's rows and line-segment tests; returns 1.
int McdRegisterGroup(McdFrameworkID framework, const McdRegistrationGroup* group);

/// The three interaction groups, in the engine's order.
const McdRegistrationGroup* McdPrimitivesInteractionGroup();
const McdRegistrationGroup* McdConvexMeshInteractionGroup();
const McdRegistrationGroup* McdTriangleMeshInteractionGroup();

/// Type groups (each returns 1). The primitives' is in primitives.h.
int McdConvexMeshRegisterType(McdFrameworkID framework);
int McdTriangleMeshRegisterType(McdFrameworkID framework);

/// Interaction groups (each returns 1).
int McdPrimitivesRegisterInteractions(McdFrameworkID framework);
int McdConvexMeshRegisterInteractions(McdFrameworkID framework);
int McdTriangleMeshRegisterInteractions(McdFrameworkID framework);

/// The engine's start-up: `McdInit`(extra + 1, maxModels, maxInstances), a contact budget
/// of 4 in the default request, then every type group and every interaction group.
McdFrameworkID McdInitEngineFramework(int maxModels, int maxInstances);
