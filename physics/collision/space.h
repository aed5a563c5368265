#pragma once
/// The collision space: the broad phase that keeps the models of a world and reports the
/// pairs whose world boxes overlap.
///
/// `McdSpace` is the abstract interface; `McdAxisSortSpace` (axis_sort_space.h) is its one
/// implementation. Objects are small integer ids 0 .. capacity - 1. Between two report phases
/// the space records which pairs began and ended; a report hands them out in batches as
/// ended, new and continuing pairs. Per physics step: `McdSpaceEndChanges`, report batches
/// until `McdSpaceGetPairs` returns 0, `McdSpaceBeginChanges`; models are inserted, removed
/// and updated while the space is changing.

#include <cstdint>

#include "physics/collision/framework.h"

struct McdModelPair;
struct McdSpacePairHandlers;

/// Refreshes one object's box: (object data, argument).
using McdSpaceUpdateFn = void (*)(void* data, void* argument);
/// Bounding-sphere function (accepted and ignored by the axis-sort space).
using McdSpaceBSphereFn = void (*)(McdModelID model, MeReal centre[3], MeReal* radius);
/// Called when a pair begins and the pair pool is empty.
using McdSpaceOutOfPairsFn = void (*)(McdModelID model1, McdModelID model2);

class McdSpace {
public:
    McdSpace() = default;
    McdSpace(const McdSpace&) = delete;
    McdSpace& operator=(const McdSpace&) = delete;

    /// Frees everything the space owns, the object included.
    virtual void Destroy() = 0;
    virtual int GetObjectCapacity() = 0;
    virtual int GetPairCapacity() = 0;
    /// Ids free for insertion (removed ids count as used until the next `BeginChanges`).
    virtual int GetFreeObjectCount() = 0;
    /// The new object's id, or -1 when no id is free.
    virtual int InsertObject(void* data) = 0;
    virtual bool RemoveObject(int id) = 0;
    virtual std::uintptr_t SetUserWord(std::uintptr_t word) = 0;
    virtual void* GetObjectData(int id) = 0;
    virtual std::uintptr_t GetUserWord() = 0;
    /// The update flag: true = refreshed by the update operations, false = frozen.
    virtual bool SetObjectFlag(int id, bool flag) = 0;
    virtual bool GetObjectFlag(int id) = 0;
    virtual McdSpaceUpdateFn SetUpdateFn(McdSpaceUpdateFn fn) = 0;
    virtual void SetBSphereFn(McdSpaceBSphereFn fn) = 0;
    virtual bool BeginChanges() = 0;
    virtual bool EndChanges() = 0;
    virtual bool UpdateObject(int id, void* argument) = 0;
    virtual bool UpdateAllObjects(void* argument) = 0;
    virtual bool IsValidId(int id) = 0;
    virtual bool SetPairEnabled(int a, int b, bool enable) = 0;
    virtual bool IsPairEnabled(int a, int b) = 0;
    virtual bool IsChanging() = 0;

    /// True while `McdSpaceReportPairs` walks the pairs; the space refuses changes then.
    bool IsReporting() const { return reporting_; }

protected:
    virtual ~McdSpace() = default;

private:
    friend int McdSpaceReportPairs(McdSpace*, const McdSpacePairHandlers*, void*);
    bool reporting_ = false;
};

/// One batch of reported pairs, owned by its caller. Ended pairs occupy [0, endedCount), new
/// pairs [newFirst, continuingFirst), continuing pairs [continuingFirst, continuingEnd).
struct McdPairContainer {
    McdModelPair** array = nullptr;
    int size = 0;
    int reserved = 0;
    int endedCount = 0;
    int newFirst = 0;
    int continuingFirst = 0;
    int continuingEnd = 0;
};

/// Position of a report in progress.
struct McdSpacePairIterator {
    int bucket = -1;
    void* node = nullptr;
};

/// One line-segment hit: the model, the hit point and surface normal (world), and the
/// distance from the segment's first point. The model's test writes all but the model.
struct McdLineSegIntersectResult {
    McdModel* model = nullptr;
    MeReal position[3] = {0, 0, 0};
    MeReal normal[3] = {0, 0, 0};
    MeReal distance = 0;
};

/// A sweep-and-prune space over `axisMask` (bits 0-2 = x, y, z; the engine passes 7) with
/// room for `maxModels` models (at most 65536) and `maxPairs` overlapping pairs. Installs the
/// model update function, starts changing. Null on bad arguments or allocation failure.
McdSpaceID McdAxisSortCreate(McdFrameworkID framework, unsigned axisMask, int maxModels, int maxPairs);

/// Destroys the space; models still in it are left in no space.
void McdSpaceDestroy(McdSpaceID space);
int McdSpaceIsChanging(McdSpaceID space);
int McdSpaceBeginChanges(McdSpaceID space);
int McdSpaceEndChanges(McdSpaceID space);

/// 1 when the model is (now) in this space; 0 when it is in another or no id is free.
int McdSpaceInsertModel(McdSpaceID space, McdModelID model);
/// 1 when the model was removed; 0 when it was in no space.
int McdSpaceRemoveModel(McdModelID model);
int McdSpaceUpdateModel(McdModelID model);
int McdSpaceFreezeModel(McdModelID model);
int McdSpaceUnfreezeModel(McdModelID model);
int McdSpaceModelIsFrozen(McdModelID model);
/// Refreshes every model whose update flag is set.
int McdSpaceUpdate(McdSpaceID space);
int McdSpaceEnablePair(McdModelID model1, McdModelID model2);
int McdSpaceDisablePair(McdModelID model1, McdModelID model2);
int McdSpacePairIsEnabled(McdModelID model1, McdModelID model2);
int McdSpaceGetModelCount(McdSpaceID space);

/// Prepares `container` to receive batches in `array` of `size` pair pointers.
void McdPairContainerInit(McdPairContainer* container, McdModelPair** array, int size);
void McdSpacePairIteratorInit(McdSpaceID space, McdSpacePairIterator* iterator);
/// Fills one batch: 1 when the container is full and more pairs may follow, 0 when the
/// iteration is complete.
int McdSpaceGetPairs(McdSpaceID space, McdSpacePairIterator* iterator, McdPairContainer* container);

/// Runs goodbye over the ended section of a batch.
void McdGoodbyeEach(McdPairContainer* container);

/// Handlers of `McdSpaceReportPairs`; null entries are skipped.
struct McdSpacePairHandlers {
    void (*ended)(McdModelPair* pair, void* data) = nullptr;
    void (*added)(McdModelPair* pair, void* data) = nullptr;       ///< new pairs
    void (*continuing)(McdModelPair* pair, void* data) = nullptr;
};

/// The report loop: walks every pair of the space once, in batches, calling the handler of
/// its section. The space refuses any change (begin, end, insert, remove, update, enable)
/// from inside a handler. Returns the number of pairs reported.
int McdSpaceReportPairs(McdSpaceID space, const McdSpacePairHandlers* handlers, void* data);

/// Tests the segment p1-p2 against every model of the space whose type has a line-segment
/// test; writes at most `maxHits` records and returns their count (unsorted).
int McdSpaceGetLineSegIntersections(McdSpaceID space, const MeReal p1[3], const MeReal p2[3],
                                    McdLineSegIntersectResult* hits, int maxHits);
