#pragma once
/// Aggregate geometry: a fixed number of element slots, each a child geometry placed by a
/// relative transform. A model of an aggregate gets one child geometry instance per slot
/// (empty slots give empty instances). The aggregate has no type-table entry.

#include "physics/collision/geometry.h"

struct McdAggregateElement {
    MeReal relTM[16];                 ///< element frame in the aggregate's frame
    McdGeometry* geometry = nullptr;  ///< null: empty slot
};

struct McdAggregate : McdGeometry {
    McdAggregateElement* elements = nullptr;
    int count = 0;     ///< slots filled so far
    int capacity = 0;  ///< slot count
};

/// An aggregate of `capacity` empty slots, or null when capacity is negative or the
/// allocation fails.
McdGeometryID McdAggregateCreate(McdFrameworkID framework, int capacity);

/// Frees the aggregate and its slot array (not the element geometries).
void McdAggregateDestroy(McdGeometryID aggregate);

/// Fills slot `index` with `geometry` at `relTM` (16 floats; null: identity). Returns 1, or 0
/// for an index outside the slots. Set elements before attaching the aggregate to models.
int McdAggregateSetElement(McdGeometryID aggregate, int index, McdGeometryID geometry, const MeReal* relTM);

/// The child geometry of slot `index`, or null when the index lies outside the slots.
McdGeometryID McdAggregateGetElementGeometry(McdGeometryID aggregate, int index);
const MeReal* McdAggregateGetElementTransform(McdGeometryID aggregate, int index);
int McdAggregateGetElementCount(McdGeometryID aggregate);
int McdAggregateGetElementCapacity(McdGeometryID aggregate);
