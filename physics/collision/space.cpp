#include "physics/collision/space.h"

#include "physics/collision/axis_sort_space.h"
#include "physics/collision/geometry.h"
#include "physics/collision/model.h"
#include "physics/collision/model_pair.h"

namespace {

// The model's space, or null when the model is in none.
McdSpace* SpaceOf(McdModelID model)
{
    return model ? model->space : nullptr;
}

void DoNothingOutOfPairs(McdModelID, McdModelID) {}

constexpr int kReportBatch = 64;

}  // namespace

McdSpaceID McdAxisSortCreate(McdFrameworkID framework, unsigned axisMask, int maxModels, int maxPairs)
{
    McdAxisSortSpace* space = McdAxisSortSpace::New(framework, axisMask, maxModels, maxPairs);
    if (!space)
        return nullptr;
    space->SetUpdateFn(McdModelUpdateFn);
    space->SetBSphereFn(McdModelGetBSphere);
    space->SetOutOfPairsCallback(DoNothingOutOfPairs);
    space->BeginChanges();
    return space;
}

void McdSpaceDestroy(McdSpaceID space)
{
    if (!space)
        return;
    const int capacity = space->GetObjectCapacity();
    for (int id = 0; id < capacity; ++id) {
        if (!space->IsValidId(id))
            continue;
        auto* model = static_cast<McdModelID>(space->GetObjectData(id));
        if (model && model->space == space) {
            model->space = nullptr;
            model->spaceId = -1;
        }
    }
    space->Destroy();
}

int McdSpaceIsChanging(McdSpaceID space)
{
    return space->IsChanging() ? 1 : 0;
}

int McdSpaceBeginChanges(McdSpaceID space)
{
    return space->BeginChanges() ? 1 : 0;
}

int McdSpaceEndChanges(McdSpaceID space)
{
    return space->EndChanges() ? 1 : 0;
}

int McdSpaceInsertModel(McdSpaceID space, McdModelID model)
{
    if (!space || !model)
        return 0;
    if (model->space)
        return model->space == space ? 1 : 0;
    const int id = space->InsertObject(model);
    if (!space->IsValidId(id))
        return 0;
    model->space = space;
    model->spaceId = id;
    return 1;
}

int McdSpaceRemoveModel(McdModelID model)
{
    McdSpace* space = SpaceOf(model);
    if (!space)
        return 0;
    if (!space->RemoveObject(model->spaceId))
        return 0;
    model->space = nullptr;
    model->spaceId = -1;
    return 1;
}

int McdSpaceUpdateModel(McdModelID model)
{
    McdSpace* space = SpaceOf(model);
    return space && space->UpdateObject(model->spaceId, nullptr) ? 1 : 0;
}

int McdSpaceFreezeModel(McdModelID model)
{
    McdSpace* space = SpaceOf(model);
    return space && space->SetObjectFlag(model->spaceId, false) ? 1 : 0;
}

int McdSpaceUnfreezeModel(McdModelID model)
{
    McdSpace* space = SpaceOf(model);
    return space && space->SetObjectFlag(model->spaceId, true) ? 1 : 0;
}

int McdSpaceModelIsFrozen(McdModelID model)
{
    McdSpace* space = SpaceOf(model);
    return space && !space->GetObjectFlag(model->spaceId) ? 1 : 0;
}

int McdSpaceUpdate(McdSpaceID space)
{
    return space->UpdateAllObjects(nullptr) ? 1 : 0;
}

int McdSpaceEnablePair(McdModelID model1, McdModelID model2)
{
    McdSpace* space = SpaceOf(model1);
    if (!space || SpaceOf(model2) != space)
        return 0;
    return space->SetPairEnabled(model1->spaceId, model2->spaceId, true) ? 1 : 0;
}

int McdSpaceDisablePair(McdModelID model1, McdModelID model2)
{
    McdSpace* space = SpaceOf(model1);
    if (!space || SpaceOf(model2) != space)
        return 0;
    return space->SetPairEnabled(model1->spaceId, model2->spaceId, false) ? 1 : 0;
}

int McdSpacePairIsEnabled(McdModelID model1, McdModelID model2)
{
    McdSpace* space = SpaceOf(model1);
    if (!space || SpaceOf(model2) != space)
        return 0;
    return space->IsPairEnabled(model1->spaceId, model2->spaceId) ? 1 : 0;
}

int McdSpaceGetModelCount(McdSpaceID space)
{
    return space->GetObjectCapacity() - space->GetFreeObjectCount();
}

void McdPairContainerInit(McdPairContainer* container, McdModelPair** array, int size)
{
    *container = McdPairContainer{};
    container->array = array;
    container->size = size;
    container->newFirst = container->continuingFirst = container->continuingEnd = size;
}

void McdSpacePairIteratorInit(McdSpaceID, McdSpacePairIterator* iterator)
{
    iterator->bucket = -1;
    iterator->node = nullptr;
}

int McdSpaceGetPairs(McdSpaceID space, McdSpacePairIterator* iterator, McdPairContainer* container)
{
    return McdAxisSortGetPairs(space, iterator, container);
}

void McdGoodbyeEach(McdPairContainer* container)
{
    for (int i = 0; i < container->endedCount; ++i)
        McdGoodbye(container->array[i]);
}

int McdSpaceReportPairs(McdSpace* space, const McdSpacePairHandlers* h, void* data)
{
    McdModelPair* batch[kReportBatch];
    McdPairContainer c;
    McdPairContainerInit(&c, batch, kReportBatch);
    McdSpacePairIterator it;
    McdSpacePairIteratorInit(space, &it);
    int reported = 0;
    space->reporting_ = true;
    try {
        int more = 1;
        while (more) {
            more = McdSpaceGetPairs(space, &it, &c);
            for (int i = 0; i < c.endedCount; ++i)
                if (h->ended)
                    h->ended(c.array[i], data);
            for (int i = c.newFirst; i < c.continuingFirst; ++i)
                if (h->added)
                    h->added(c.array[i], data);
            for (int i = c.continuingFirst; i < c.continuingEnd; ++i)
                if (h->continuing)
                    h->continuing(c.array[i], data);
            reported += c.endedCount + (c.continuingEnd - c.newFirst);
        }
    } catch (...) {
        space->reporting_ = false;
        throw;
    }
    space->reporting_ = false;
    return reported;
}

int McdSpaceGetLineSegIntersections(McdSpaceID space, const MeReal p1[3], const MeReal p2[3],
                                    McdLineSegIntersectResult* hits, int maxHits)
{
    if (!space || maxHits < 1 || !hits)
        return 0;
    const int capacity = space->GetObjectCapacity();
    const int used = capacity - space->GetFreeObjectCount();
    int seen = 0;
    int count = 0;
    // Bounded by the capacity as well: ids removed in this phase count as used but are no
    // longer valid, so `used` valid objects may never be seen.
    for (int id = 0; id < capacity && seen < used && count < maxHits; ++id) {
        if (!space->IsValidId(id))
            continue;
        ++seen;
        auto* model = static_cast<McdModelID>(space->GetObjectData(id));
        if (!model || model->spaceId == -1)
            continue;
        McdLineSegIntersectFn test = McdGeometryGetLineSegFn(model->instance.geometry);
        if (test && test(model, p1, p2, &hits[count])) {
            hits[count].model = model;
            ++count;
        }
    }
    return count;
}
