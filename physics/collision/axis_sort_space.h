#pragma once
/// The sweep-and-prune space: object boxes sorted along up to three axes, a pair record for
/// every enabled pair that overlaps on all active axes, and a disabled bit per pair of ids.

#include <cstddef>
#include <cstdint>

#include "physics/collision/model_pair.h"
#include "physics/collision/space.h"

/// Largest object capacity: pair keys pack two 16-bit ids.
inline constexpr int kMcdAxisSortMaxObjects = 65536;

class McdAxisSortSpace final : public McdSpace {
public:
    /// A space over `axisMask` (1-7) with `maxObjects` (1 .. 65536) ids and `maxPairs` (>= 1)
    /// pair records, changing; null on bad arguments or allocation failure.
    static McdAxisSortSpace* New(McdFrameworkID framework, unsigned axisMask, int maxObjects, int maxPairs);

    void Destroy() override;
    int GetObjectCapacity() override { return capacity_; }
    int GetPairCapacity() override { return maxPairs_; }
    int GetFreeObjectCount() override { return freeCount_; }
    int InsertObject(void* data) override;
    bool RemoveObject(int id) override;
    std::uintptr_t SetUserWord(std::uintptr_t word) override;
    void* GetObjectData(int id) override;
    std::uintptr_t GetUserWord() override { return userWord_; }
    bool SetObjectFlag(int id, bool flag) override;
    bool GetObjectFlag(int id) override;
    McdSpaceUpdateFn SetUpdateFn(McdSpaceUpdateFn fn) override;
    void SetBSphereFn(McdSpaceBSphereFn) override {}
    bool BeginChanges() override;
    bool EndChanges() override;
    bool UpdateObject(int id, void* argument) override;
    bool UpdateAllObjects(void* argument) override;
    bool IsValidId(int id) override;
    bool SetPairEnabled(int a, int b, bool enable) override;
    bool IsPairEnabled(int a, int b) override;
    bool IsChanging() override { return changing_ != 0; }

    /// One batch of the report (see `McdSpaceGetPairs`).
    int GetPairs(McdSpacePairIterator* iterator, McdPairContainer* container);

    void SetOutOfPairsCallback(McdSpaceOutOfPairsFn fn) { outOfPairs_ = fn; }
    /// Pairs that began while the pair pool was empty and so went unreported.
    long long GetPairOverflowCount() const { return pairOverflows_; }
    int GetActiveAxisCount() const { return activeAxes_; }
    /// Pair records in use (new, continuing and ended).
    int GetPairCount() const;
    /// The overlap cell of two distinct ids, for checks: bits 0-1 the number of active axes on
    /// which their current boxes overlap (0 when either is not placed), bit 2 disabled.
    unsigned GetCell(int a, int b) const;
    McdFrameworkID GetFramework() const { return framework_; }

    /// One end of an object's interval on one axis. The endpoints of an axis live in one
    /// array (index 2 x id + kind), so a sweep touches little memory.
    struct Endpoint {
        Endpoint* next;
        Endpoint* prev;
        MeReal value;
        int owner;  ///< the object's id; -1 for a sentinel
        MeU8 kind;  ///< 0 min, 1 max, 255 sentinel
    };
    struct Object {
        int id;      ///< its own index when valid, -1 when free
        void* data;  ///< the model
        MeU8 flag;   ///< copy of the update flag
        MeU8 placed; ///< 0 from insertion until its first update places it
    };
    struct PairNode {
        PairNode* next;  ///< in the new or ended list
        PairNode* prev;
        std::uint32_t key;  ///< (smaller id << 16) | larger id
        McdModelPair pair;
        PairNode* hashNext;
        /// In the pair lists of its two ids: [0] the smaller id's, [1] the larger's.
        PairNode* idNext[2];
        PairNode* idPrev[2];
    };
    /// An object's box as its endpoints hold it.
    struct Box {
        MeReal min[3];
        MeReal max[3];
    };

private:
    McdAxisSortSpace() = default;
    ~McdAxisSortSpace() override = default;
    bool Init(McdFrameworkID framework, unsigned axisMask, int maxObjects, int maxPairs);
    void Release();
    bool RefuseWhileReporting(const char* function);

    std::size_t BitIndex(int a, int b) const;
    bool Disabled(int a, int b) const;
    bool OverlapBeyond(int a, int b, int axis) const;
    void OverlapBegins(int a, int b, int axis);
    void OverlapEnds(int a, int b, int axis);
    void PairBegins(int a, int b);
    void PairEnds(int a, int b);
    void FreeNode(PairNode* node, PairNode** link);
    /// The pair's id on `side` (0 the smaller, 1 the larger).
    static int IdOf(const PairNode* node, int side)
    {
        return static_cast<int>(side == 0 ? node->key >> 16 : node->key & 0xFFFFu);
    }
    static int Side(const PairNode* node, int id) { return IdOf(node, 0) == id ? 0 : 1; }
    /// The pair's other id than `id`.
    static int Partner(const PairNode* node, int id) { return IdOf(node, 1 - Side(node, id)); }
    void LinkToIds(PairNode* node);
    void UnlinkFromIds(PairNode* node);
    PairNode* Find(std::uint32_t key, PairNode*** link);
    Endpoint* End(int axis, int id, int kind) { return &ends_[axis][2 * id + kind]; }
    void MoveEndpoints(int id, const MeReal min[3], const MeReal max[3]);
    void PlaceEndpoints(int id, const MeReal min[3], const MeReal max[3]);
    bool LongMove(int id, const MeReal min[3], const MeReal max[3]) const;
    void RebuildIndex();
    bool DriftedFar() const;
    int IndexLowerBound(int axis, MeReal value) const;
    Endpoint* FirstFrom(int axis, MeReal value, bool above);
    int Overlapping(int id, const MeReal min[3], const MeReal max[3]);
    void MinUp(int axis, Endpoint* e, bool skipStamped);
    void MinDown(int axis, Endpoint* e, const MeReal* skipAbove);
    void MaxUp(int axis, Endpoint* e, const MeReal* skipBelow);
    void MaxDown(int axis, Endpoint* e, bool skipStamped);
    void NextStamp();
    void RefreshObject(Object* object, void* argument);
    static void Unlink(Endpoint* e);
    static void InsertBefore(Endpoint* e, Endpoint* at);
    static void InsertAfter(Endpoint* e, Endpoint* at);
    static void ListUnlink(PairNode* n);
    static void ListPush(PairNode* head, PairNode* n);

    MeU8 activeAxes_ = 0;
    MeU8 axisMask_ = 0;
    McdFramework* framework_ = nullptr;
    Object* objects_ = nullptr;
    Endpoint* ends_[3] = {nullptr, nullptr, nullptr};
    int* freeIds_ = nullptr;
    int freeCount_ = 0;
    int capacity_ = 0;
    int* pendingIds_ = nullptr;
    int pendingCount_ = 0;
    std::uint32_t* stamps_ = nullptr;  ///< per id: marks of one move or placement
    std::uint32_t stamp_ = 0;
    MeFixedPool pairPool_;
    std::uint32_t* updateBits_ = nullptr;
    int updateWords_ = 0;
    PairNode** buckets_ = nullptr;
    std::uint32_t bucketCount_ = 0;
    int maxPairs_ = 0;
    Box* boxes_ = nullptr;              ///< per id
    PairNode** idPairs_ = nullptr;      ///< per id: its pair records (any state)
    std::uint32_t* disabledBits_ = nullptr;  ///< one bit per unordered pair of ids
    Endpoint low_[3];
    Endpoint high_[3];
    // A sorted index per axis for placing objects: the endpoints (2 x id + kind) in list order
    // and their values when it was last rebuilt. An object indexed then and moved only a
    // little since lies within `drift_` of its entries; objects placed (or moved far) since
    // are listed in `placedSince_` instead.
    int* indexEntries_[3] = {nullptr, nullptr, nullptr};
    MeReal* indexValues_[3] = {nullptr, nullptr, nullptr};
    int indexCount_[3] = {0, 0, 0};
    Box* indexedBoxes_ = nullptr;      ///< per id: its box when indexed
    MeU8* indexStates_ = nullptr;      ///< per id: 1 its entries hold, 2 listed as placed since, 0 neither
    MeReal drift_[3] = {0, 0, 0};      ///< bound on how far indexed endpoints moved since
    int* placedSince_ = nullptr;       ///< ids placed or moved far since the rebuild
    int placedSinceCount_ = 0;
    int indexed_ = 0;  ///< endpoints an index covers
    MeReal maxLength_[3] = {0, 0, 0};  ///< bound on every placed object's interval length
    int* found_ = nullptr;              ///< ids found by a query
    int* disabledCounts_ = nullptr;     ///< per id: its pairs with the disabled bit set
    McdSpaceUpdateFn updateFn_ = nullptr;
    int changing_ = 0;
    std::uintptr_t userWord_ = 0;
    PairNode newList_;
    PairNode endedList_;
    McdSpaceOutOfPairsFn outOfPairs_ = nullptr;
    long long pairOverflows_ = 0;
};

/// `McdAxisSortSpace::New` as a plain function.
McdSpaceID McdAxisSortSpaceNew(McdFrameworkID framework, unsigned axisMask, int maxObjects, int maxPairs);

/// The report batch of an axis-sort space; 0 for any other space.
int McdAxisSortGetPairs(McdSpaceID space, McdSpacePairIterator* iterator, McdPairContainer* container);
