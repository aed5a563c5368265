#pragma once
/// One step of a world: partition the enabled bodies into islands, put islands at rest to
/// sleep, shed contacts from islands over the row limit, pack the rows, solve, integrate and
/// write back transforms and constraint forces.

#include "physics/dynamics/world.h"

/// Advances the world by `stepsize` seconds; a step that is not positive and finite does nothing.
void MdtWorldStep(MdtWorld* world, MeReal stepsize);

using MdtPartitionCallback = void (*)(MdtPartitionOutput* out, void* data);
/// Flood fill of the enabled bodies over enabled constraints; `callback` runs after each
/// partition. Disabled bodies reached through a constraint are enabled.
void MdtPartitionWorld(MdtWorld* world, MdtPartitionOutput* out, MdtPartitionCallback callback, void* data);
/// Auto-disable and row limit for the last partition built; `data` is the world.
void MdtWorldPartitionCallback(MdtPartitionOutput* out, void* data);
void MdtBodyPrepareForces(MdtBody* body, MeReal stepsize, const MeReal gravity[3]);
/// Packs every partition's rows; returns the largest real row count of one partition.
unsigned MdtPackPartitions(MdtWorld* world, MeReal stepsize);
void MdtIntegrateBodies(keaBody* const* bodies, MeMatrix4* transforms, int bodyCount, const keaParams& params);
void MdtUnpackTransforms(MdtWorld* world, int partition);
/// Returns the number of 16-float force records consumed.
int MdtUnpackConstraintForces(const MeReal* forces, const MdtPartitionOutput* out, int partition);

using MdtDebugLineFn = void (*)(const MeReal start[3], const MeReal end[3], MeReal r, MeReal g, MeReal b);
/// The debug-line function (by default one that only reports it has nothing to draw with).
extern MdtDebugLineFn MdtDebugLine;
void MdtDefaultDebugLine(const MeReal start[3], const MeReal end[3], MeReal r, MeReal g, MeReal b);
void MdtDebugDrawContacts(const MdtPartitionOutput* out, int partition, MeU32 flags);
