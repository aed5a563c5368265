#include "physics/collision/aggregate.h"

#include "physics/collision/collision_local.h"

namespace {

McdAggregate* AsAggregate(McdGeometryID g)
{
    return static_cast<McdAggregate*>(g);
}

}  // namespace

McdGeometryID McdAggregateCreate(McdFrameworkID framework, int capacity)
{
    if (capacity < 0)
        return nullptr;
    McdAggregate* a = McdNew<McdAggregate>();
    if (!a)
        return nullptr;
    McdGeometryInit(a, framework, kMcdAggregateType);
    a->elements = McdNewArray<McdAggregateElement>(static_cast<std::size_t>(capacity));
    if (!a->elements) {
        McdDelete(a);
        return nullptr;
    }
    for (int i = 0; i < capacity; ++i)
        McdSetIdentity(a->elements[i].relTM);
    a->capacity = capacity;
    a->count = 0;
    return a;
}

void McdAggregateDestroy(McdGeometryID g)
{
    McdAggregate* a = AsAggregate(g);
    if (!a)
        return;
    McdDeleteArray(a->elements);
    McdDelete(a);
}

int McdAggregateSetElement(McdGeometryID g, int index, McdGeometryID geometry, const MeReal* relTM)
{
    McdAggregate* a = AsAggregate(g);
    if (index < 0 || index >= a->capacity)
        return 0;
    McdAggregateElement& e = a->elements[index];
    if (!e.geometry && geometry)
        ++a->count;
    else if (e.geometry && !geometry)
        --a->count;
    e.geometry = geometry;
    if (relTM) {
        for (int i = 0; i < 16; ++i)
            e.relTM[i] = relTM[i];
    } else {
        McdSetIdentity(e.relTM);
    }
    return 1;
}

McdGeometryID McdAggregateGetElementGeometry(McdGeometryID g, int index)
{
    McdAggregate* a = AsAggregate(g);
    if (index < 0 || index >= a->capacity)
        return nullptr;
    return a->elements[index].geometry;
}

const MeReal* McdAggregateGetElementTransform(McdGeometryID g, int index)
{
    McdAggregate* a = AsAggregate(g);
    if (index < 0 || index >= a->capacity)
        return nullptr;
    return a->elements[index].relTM;
}

int McdAggregateGetElementCount(McdGeometryID g)
{
    return AsAggregate(g)->count;
}

int McdAggregateGetElementCapacity(McdGeometryID g)
{
    return AsAggregate(g)->capacity;
}
