// Sweep and prune with incremental insertion.
//
// Each object owns a min and a max endpoint on each of three axes; every axis keeps its
// endpoints in one doubly linked list sorted by value, between a low sentinel (-FLT_MAX) and
// a high sentinel (FLT_MAX) that no move passes. For every unordered pair of ids a 4-bit cell
// counts on how many active axes the two intervals overlap (bits 0-1) and carries a disabled
// bit (bit 2). A pair record exists exactly when the cell equals the active-axis count, i.e.
// the boxes overlap on every active axis and the pair is enabled.
//
// Moving an endpoint changes the counts only for the endpoints it passes:
//   min up   passes values <  v; passing another's max lowers the cell (the pair may end);
//   min down passes values >= v; passing another's max raises the cell (the pair may begin);
//   max up   passes values <= v; passing another's min raises the cell;
//   max down passes values >  v; passing another's min lowers the cell.
// The strict and non-strict comparisons keep every min before every max of equal value, so
// boxes that only touch count as overlapping. With coherent motion an update passes few
// endpoints, so it costs little; the cells make begin and end constant-time; pair records are
// found through a hash on the packed id pair (smaller id << 16 | larger id).
//
// Between two reports the space keeps a list of new pairs and a list of ended pairs. A pair
// that ends before it was ever reported vanishes at once; an ended pair that begins again
// before the next `BeginChanges` is continuing. `BeginChanges` deletes the ended pairs, marks
// the new ones continuing and returns the ids removed in the last phase to the free stack,
// the earliest removed on top; an id is never reused within the phase that removed it.
//
// All storage (objects, pair records, cells, buckets) is allocated at creation.

#include "physics/collision/axis_sort_space.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <new>

#include "physics/collision/error.h"
#include "physics/collision/model.h"
#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"

namespace {

constexpr MeU8 kMin = 0;
constexpr MeU8 kMax = 1;
constexpr MeU8 kSentinel = 255;
constexpr unsigned kDisabledBit = 4;

template <class T>
T* AllocZeroed(std::size_t count)
{
    return static_cast<T*>(MeMemoryAPI.createZeroed(sizeof(T) * (count ? count : 1)));
}

bool ValidBox(const MeReal min[3], const MeReal max[3])
{
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(min[k]) || !std::isfinite(max[k]) || min[k] > max[k])
            return false;
    return true;
}

}  // namespace

McdAxisSortSpace* McdAxisSortSpace::New(McdFrameworkID framework, unsigned axisMask, int maxObjects, int maxPairs)
{
    if (axisMask == 0 || axisMask > 7 || maxObjects <= 0 || maxObjects > kMcdAxisSortMaxObjects || maxPairs <= 0)
        return nullptr;
    void* block = MeMemoryAPI.create(sizeof(McdAxisSortSpace));
    if (!block)
        return nullptr;
    McdAxisSortSpace* space = new (block) McdAxisSortSpace();
    if (!space->Init(framework, axisMask, maxObjects, maxPairs)) {
        space->Destroy();
        return nullptr;
    }
    return space;
}

bool McdAxisSortSpace::Init(McdFrameworkID framework, unsigned axisMask, int maxObjects, int maxPairs)
{
    framework_ = framework;
    axisMask_ = static_cast<MeU8>(axisMask);
    activeAxes_ = static_cast<MeU8>(std::popcount(axisMask));
    capacity_ = maxObjects;
    maxPairs_ = maxPairs;
    const std::size_t cap = static_cast<std::size_t>(maxObjects);

    objects_ = AllocZeroed<Object>(cap);
    for (Endpoint*& e : ends_)
        e = AllocZeroed<Endpoint>(2 * cap);
    freeIds_ = AllocZeroed<int>(cap);
    pendingIds_ = AllocZeroed<int>(cap);
    for (int k = 0; k < 3; ++k) {
        index_[k] = AllocZeroed<Endpoint*>(2 * cap);
        indexValues_[k] = AllocZeroed<MeReal>(2 * cap);
        if (!index_[k] || !indexValues_[k])
            return false;
    }
    marks_ = AllocZeroed<std::uint32_t>(cap);
    found_ = AllocZeroed<int>(cap);
    disabledCounts_ = AllocZeroed<int>(cap);
    if (!marks_ || !found_ || !disabledCounts_)
        return false;
    stamps_ = AllocZeroed<std::uint32_t>(cap);
    updateWords_ = (maxObjects - 1) / 32 + 1;
    updateBits_ = AllocZeroed<std::uint32_t>(static_cast<std::size_t>(updateWords_));
    bucketCount_ = 1;
    while (bucketCount_ * 2 <= static_cast<std::uint32_t>(maxPairs / 10))
        bucketCount_ *= 2;
    buckets_ = AllocZeroed<PairNode*>(bucketCount_);
    cellCount_ = cap * (cap - 1) / 2;
    cells_ = AllocZeroed<std::uint8_t>(cellCount_ / 2 + 1);
    if (!objects_ || !ends_[0] || !ends_[1] || !ends_[2] || !freeIds_ || !pendingIds_ || !stamps_ || !updateBits_ ||
        !buckets_ || !cells_)
        return false;
    if (!MeFixedPoolCreate(&pairPool_, maxPairs, sizeof(PairNode), alignof(PairNode)))
        return false;

    // Id 0 sits on top of the free stack.
    for (int k = 0; k < maxObjects; ++k) {
        freeIds_[k] = maxObjects - 1 - k;
        objects_[k].id = -1;
    }
    freeCount_ = maxObjects;
    for (int k = 0; k < 3; ++k) {
        low_[k] = Endpoint{&high_[k], nullptr, -FLT_MAX, -1, kSentinel};
        high_[k] = Endpoint{nullptr, &low_[k], FLT_MAX, -1, kSentinel};
    }
    newList_.next = newList_.prev = &newList_;
    endedList_.next = endedList_.prev = &endedList_;
    changing_ = 1;
    return true;
}

void McdAxisSortSpace::Release()
{
    MeMemoryAPI.destroy(objects_);
    for (Endpoint*& e : ends_) {
        MeMemoryAPI.destroy(e);
        e = nullptr;
    }
    MeMemoryAPI.destroy(freeIds_);
    MeMemoryAPI.destroy(pendingIds_);
    for (int k = 0; k < 3; ++k) {
        MeMemoryAPI.destroy(index_[k]);
        MeMemoryAPI.destroy(indexValues_[k]);
        index_[k] = nullptr;
        indexValues_[k] = nullptr;
    }
    MeMemoryAPI.destroy(marks_);
    MeMemoryAPI.destroy(found_);
    MeMemoryAPI.destroy(disabledCounts_);
    marks_ = nullptr;
    found_ = disabledCounts_ = nullptr;
    MeMemoryAPI.destroy(stamps_);
    stamps_ = nullptr;
    MeMemoryAPI.destroy(updateBits_);
    MeMemoryAPI.destroy(buckets_);
    MeMemoryAPI.destroy(cells_);
    MeFixedPoolDestroy(&pairPool_);
    objects_ = nullptr;
    freeIds_ = pendingIds_ = nullptr;
    updateBits_ = nullptr;
    buckets_ = nullptr;
    cells_ = nullptr;
}

void McdAxisSortSpace::Destroy()
{
    Release();
    this->~McdAxisSortSpace();
    MeMemoryAPI.destroy(this);
}

bool McdAxisSortSpace::RefuseWhileReporting(const char* function)
{
    if (!IsReporting())
        return false;
    McdError(McdErrorTable, kMcdErrorAssertion, "the space may not change inside its report loop.", function,
             "axis_sort_space", __LINE__);
    return true;
}

// Cells.

std::size_t McdAxisSortSpace::CellIndex(int i, int j) const
{
    const std::size_t a = static_cast<std::size_t>(i), b = static_cast<std::size_t>(j);
    return static_cast<std::size_t>(capacity_) * a - (a + 2) * (a + 1) / 2 + b;
}

unsigned McdAxisSortSpace::Cell(std::size_t c) const
{
    return (cells_[c >> 1] >> ((c & 1) * 4)) & 0xFu;
}

void McdAxisSortSpace::SetCell(std::size_t c, unsigned value)
{
    const unsigned shift = (c & 1) * 4;
    std::uint8_t& byte = cells_[c >> 1];
    byte = static_cast<std::uint8_t>((byte & ~(0xFu << shift)) | ((value & 0xFu) << shift));
}

unsigned McdAxisSortSpace::GetCell(int a, int b) const
{
    if (a == b || a < 0 || b < 0 || a >= capacity_ || b >= capacity_)
        return 0;
    return a < b ? Cell(CellIndex(a, b)) : Cell(CellIndex(b, a));
}

// The count lives in bits 0-1; it is masked so that no count can spill into the disabled bit
// or the neighbouring cell.
void McdAxisSortSpace::RaiseCell(int a, int b)
{
    if (a > b)
        std::swap(a, b);
    const std::size_t c = CellIndex(a, b);
    const unsigned old = Cell(c);
    const unsigned now = (old & kDisabledBit) | ((old + 1) & 3u);
    SetCell(c, now);
    if (now == activeAxes_)
        PairBegins(a, b);
}

void McdAxisSortSpace::LowerCell(int a, int b)
{
    if (a > b)
        std::swap(a, b);
    const std::size_t c = CellIndex(a, b);
    const unsigned old = Cell(c);
    SetCell(c, (old & kDisabledBit) | ((old - 1) & 3u));
    if (old == activeAxes_)
        PairEnds(a, b);
}

// Pair records.

void McdAxisSortSpace::ListUnlink(PairNode* n)
{
    if (!n->next)
        return;
    n->prev->next = n->next;
    n->next->prev = n->prev;
    n->next = n->prev = nullptr;
}

void McdAxisSortSpace::ListPush(PairNode* head, PairNode* n)
{
    n->next = head->next;
    n->prev = head;
    head->next->prev = n;
    head->next = n;
}

McdAxisSortSpace::PairNode* McdAxisSortSpace::Find(std::uint32_t key, PairNode*** link)
{
    const std::uint32_t bucket = ((key >> 16) ^ (key & 0xFFFFu)) & (bucketCount_ - 1);
    PairNode** at = &buckets_[bucket];
    while (*at && (*at)->key != key)
        at = &(*at)->hashNext;
    if (link)
        *link = at;
    return *at;
}

void McdAxisSortSpace::PairBegins(int a, int b)
{
    const std::uint32_t key = (static_cast<std::uint32_t>(a) << 16) | static_cast<std::uint32_t>(b);
    PairNode** link = nullptr;
    if (PairNode* node = Find(key, &link)) {
        if (node->pair.state == kMcdPairEnded) {
            node->pair.state = kMcdPairContinuing;
            ListUnlink(node);
        }
        return;
    }
    void* block = MeFixedPoolGet(&pairPool_);
    if (!block) {
        ++pairOverflows_;
#ifndef NDEBUG
        MeWarning(0, "McdAxisSortSpace: pair pool of %d exhausted; pair (%d, %d) goes unreported.\n", maxPairs_, a, b);
#endif
        if (outOfPairs_)
            outOfPairs_(static_cast<McdModelID>(objects_[a].data), static_cast<McdModelID>(objects_[b].data));
        return;
    }
    PairNode* node = new (block) PairNode();
    McdModelPairInit(&node->pair, static_cast<McdModelID>(objects_[a].data),
                     static_cast<McdModelID>(objects_[b].data));
    node->pair.state = kMcdPairNew;
    node->key = key;
    node->hashNext = *link;
    *link = node;
    node->next = node->prev = nullptr;
    ListPush(&newList_, node);
}

void McdAxisSortSpace::PairEnds(int a, int b)
{
    const std::uint32_t key = (static_cast<std::uint32_t>(a) << 16) | static_cast<std::uint32_t>(b);
    PairNode** link = nullptr;
    PairNode* node = Find(key, &link);
    if (!node || node->pair.state == kMcdPairEnded)
        return;
    if (node->pair.state != kMcdPairNew) {
        node->pair.state = kMcdPairEnded;
        ListPush(&endedList_, node);
        return;
    }
    // Never reported: it vanishes at once.
    *link = node->hashNext;
    ListUnlink(node);
    MeFixedPoolPut(&pairPool_, node);
}

int McdAxisSortSpace::GetPairCount() const
{
    return pairPool_.used;
}

// Endpoint lists.

void McdAxisSortSpace::Unlink(Endpoint* e)
{
    e->prev->next = e->next;
    e->next->prev = e->prev;
}

void McdAxisSortSpace::InsertBefore(Endpoint* e, Endpoint* at)
{
    e->next = at;
    e->prev = at->prev;
    at->prev->next = e;
    at->prev = e;
}

void McdAxisSortSpace::InsertAfter(Endpoint* e, Endpoint* at)
{
    e->prev = at;
    e->next = at->next;
    at->next->prev = e;
    at->next = e;
}

// When both endpoints of an object move the same way, an object X lying wholly in the
// stretch that both pass would be counted up by the first move and down by the second. The
// first move recognises X from the value of X's other endpoint (adjacent in the axis array),
// skips it and stamps it; the second move skips stamped objects. This spares the cell matrix
// half the work of a long move, such as an object's first update after its insertion.

void McdAxisSortSpace::MinUp(Endpoint* e, bool skipStamped)
{
    Endpoint* p = e->next;
    const int self = e->owner;
    while (p->kind != kSentinel && p->value < e->value) {
        if (p->kind == kMax && p->owner != self && !(skipStamped && stamps_[p->owner] == stamp_))
            LowerCell(self, p->owner);
        p = p->next;
    }
    if (p != e->next) {
        Unlink(e);
        InsertBefore(e, p);
    }
}

void McdAxisSortSpace::MinDown(Endpoint* e, const MeReal* skipAbove)
{
    Endpoint* p = e->prev;
    const int self = e->owner;
    while (p->kind != kSentinel && p->value >= e->value) {
        if (p->kind == kMax && p->owner != self) {
            // p - 1 is X's min endpoint: the max endpoint that follows will pass it when it
            // lies above the new max.
            if (skipAbove && (p - 1)->value > *skipAbove)
                stamps_[p->owner] = stamp_;
            else
                RaiseCell(self, p->owner);
        }
        p = p->prev;
    }
    if (p != e->prev) {
        Unlink(e);
        InsertAfter(e, p);
    }
}

void McdAxisSortSpace::MaxUp(Endpoint* e, const MeReal* skipBelow)
{
    Endpoint* p = e->next;
    const int self = e->owner;
    while (p->kind != kSentinel && p->value <= e->value) {
        if (p->kind == kMin && p->owner != self) {
            // p + 1 is X's max endpoint: the min endpoint that follows will pass it when it
            // lies below the new min.
            if (skipBelow && (p + 1)->value < *skipBelow)
                stamps_[p->owner] = stamp_;
            else
                RaiseCell(self, p->owner);
        }
        p = p->next;
    }
    if (p != e->next) {
        Unlink(e);
        InsertBefore(e, p);
    }
}

void McdAxisSortSpace::MaxDown(Endpoint* e, bool skipStamped)
{
    Endpoint* p = e->prev;
    const int self = e->owner;
    while (p->kind != kSentinel && p->value > e->value) {
        if (p->kind == kMin && p->owner != self && !(skipStamped && stamps_[p->owner] == stamp_))
            LowerCell(self, p->owner);
        p = p->prev;
    }
    if (p != e->prev) {
        Unlink(e);
        InsertAfter(e, p);
    }
}

void McdAxisSortSpace::NextStamp()
{
    if (++stamp_ == 0) {
        std::memset(stamps_, 0, sizeof(std::uint32_t) * static_cast<std::size_t>(capacity_));
        stamp_ = 1;
    }
}

void McdAxisSortSpace::MoveEndpoints(int id, const MeReal min[3], const MeReal max[3])
{
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        Endpoint* lo = End(k, id, kMin);
        Endpoint* hi = End(k, id, kMax);
        const MeReal oldMin = lo->value, oldMax = hi->value;
        const MeReal newMin = min[k], newMax = max[k];
        lo->value = newMin;
        hi->value = newMax;
        if (newMax - newMin > maxLength_[k])
            maxLength_[k] = newMax - newMin;
        // Whichever endpoint leads the motion moves first, so neither passes its partner.
        if (newMin >= oldMax) {
            const bool together = newMax > oldMax && newMin > oldMin;
            if (together)
                NextStamp();
            if (newMax > oldMax)
                MaxUp(hi, together ? &newMin : nullptr);
            else if (newMax < oldMax)
                MaxDown(hi, false);
            if (newMin < oldMin)
                MinDown(lo, nullptr);
            else if (newMin > oldMin)
                MinUp(lo, together);
        } else {
            const bool together = newMin < oldMin && newMax < oldMax;
            if (together)
                NextStamp();
            if (newMin < oldMin)
                MinDown(lo, together ? &newMax : nullptr);
            else if (newMin > oldMin)
                MinUp(lo, false);
            if (newMax > oldMax)
                MaxUp(hi, nullptr);
            else if (newMax < oldMax)
                MaxDown(hi, together);
        }
    }
}

// The first update after an insertion would walk the endpoints down from the top of every
// list, past about half of them. Instead the object's cells come from comparing its box with
// every other object's (the intervals overlap on an axis when min <= other max and other min
// <= max, the rule the tie order of the lists encodes), and each endpoint goes straight to its
// place: the min before the first endpoint of value >= min, the max after the last endpoint of
// value <= max. Both are found by one scan of the axis array, then moved over an equal run.
// Objects not yet placed keep their endpoints at FLT_MAX and overlap nothing. A removal clears
// every cell of its id (the disabled bits too) and creation zeroes them all, so an inserted id
// starts from empty cells.
void McdAxisSortSpace::RebuildIndex()
{
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        int n = 0;
        // Placed endpoints only: the parked ones of objects not yet placed sit at the end.
        for (Endpoint* e = low_[k].next; e->kind != kSentinel && objects_[e->owner].placed; e = e->next) {
            index_[k][n] = e;
            indexValues_[k][n++] = e->value;
        }
        indexCount_[k] = n;
        indexed_ = n;
        MeReal longest = 0;
        for (int j = 0; j < capacity_; ++j)
            if (objects_[j].id >= 0 && objects_[j].placed) {
                const MeReal length = End(k, j, kMax)->value - End(k, j, kMin)->value;
                longest = length > longest ? length : longest;
            }
        maxLength_[k] = longest;
    }
    indexStale_ = false;
    placedSinceIndex_ = 0;
}

McdAxisSortSpace::Endpoint* McdAxisSortSpace::FirstAtLeast(int k, MeReal value)
{
    // A start near the value from the index: an endpoint still in the list (not removed since,
    // nor parked at the end by a new insertion).
    const MeReal* values = indexValues_[k];
    const int n = indexCount_[k];
    int lo = 0, hi = n;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (values[mid] < value)
            lo = mid + 1;
        else
            hi = mid;
    }
    Endpoint* e = &high_[k];
    for (int d = 0; d < 8; ++d) {
        const int at = lo + ((d & 1) ? -(d + 1) / 2 : d / 2);
        if (at < 0 || at >= n)
            continue;
        Endpoint* candidate = index_[k][at];
        if (candidate->next && objects_[candidate->owner].id >= 0 && objects_[candidate->owner].placed) {
            e = candidate;
            break;
        }
    }
    // The list is sorted: walk to the first endpoint whose value is at least `value`.
    while (e->prev->kind != kSentinel && e->prev->value >= value)
        e = e->prev;
    while (e->kind != kSentinel && e->value < value)
        e = e->next;
    return e;
}

int McdAxisSortSpace::Overlapping(int id, const MeReal min[3], const MeReal max[3])
{
    if (++mark_ == 0) {
        for (int j = 0; j < capacity_; ++j)
            marks_[j] = 0;
        mark_ = 1;
    }
    int count = 0;
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        // Every interval that meets [min, max] starts at or after min - (longest length).
        const MeReal reach = maxLength_[k];
        const MeReal from = (min[k] - reach) - (std::fabs(min[k]) + reach) * 1e-6f;
        for (Endpoint* e = FirstAtLeast(k, from); e->kind != kSentinel && e->value <= max[k]; e = e->next) {
            const int j = e->owner;
            if (e->kind != kMin || j == id || marks_[j] == mark_ || End(k, j, kMax)->value < min[k])
                continue;
            marks_[j] = mark_;
            found_[count++] = j;
        }
    }
    return count;
}

void McdAxisSortSpace::CountDisabled(int a, int b, int change)
{
    disabledCounts_[a] += change;
    disabledCounts_[b] += change;
}

void McdAxisSortSpace::PlaceEndpoints(int id, const MeReal min[3], const MeReal max[3])
{
    // Rebuilt after removals or insertions, and while many objects are being placed (a
    // space filled at once) every time the placed ones outgrow what the index covers.
    if (indexStale_ || placedSinceIndex_ > 16 + indexed_ / 8)
        RebuildIndex();
    ++placedSinceIndex_;
    // The counts of a new id are 0 (its removal cleared them): only the ids that overlap it
    // on some axis are written, which keeps the cell matrix, one row per id, mostly out of
    // the cache.
    const int found = Overlapping(id, min, max);
    int begins = 0;
    for (int f = 0; f < found; ++f) {
        const int j = found_[f];
        unsigned count = 0;
        for (int k = 0; k < 3; ++k)
            if ((axisMask_ & (1u << k)) && End(k, j, kMin)->value <= max[k] && min[k] <= End(k, j, kMax)->value)
                ++count;
        const int a = j < id ? j : id, b = j < id ? id : j;
        const std::size_t c = CellIndex(a, b);
        const unsigned cell = (Cell(c) & kDisabledBit) | count;
        SetCell(c, cell);
        if (cell == activeAxes_)
            found_[begins++] = j;  // behind the read position
    }
    // Pairs begin in id order, as a scan of every id would begin them.
    std::sort(found_, found_ + begins);
    for (int f = 0; f < begins; ++f) {
        const int j = found_[f];
        PairBegins(j < id ? j : id, j < id ? id : j);
    }
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        Endpoint* lo = End(k, id, kMin);
        Endpoint* hi = End(k, id, kMax);
        Unlink(lo);
        Unlink(hi);
        lo->value = min[k];
        hi->value = max[k];
        // The new min goes before every endpoint of value min or more, the new max after
        // every endpoint of value max or less.
        InsertBefore(lo, FirstAtLeast(k, min[k]));
        Endpoint* after = lo;
        while (after->next->kind != kSentinel && after->next->value <= max[k])
            after = after->next;
        InsertAfter(hi, after);
        const MeReal length = max[k] - min[k];
        maxLength_[k] = length > maxLength_[k] ? length : maxLength_[k];
    }
}

void McdAxisSortSpace::RefreshObject(Object* o, void* argument)
{
    if (updateFn_)
        updateFn_(o->data, argument);
    MeReal min[3], max[3];
    McdModelGetAABB(static_cast<McdModelID>(o->data), min, max);
    // A box with NaN, infinite or inverted bounds keeps the endpoints it had.
    if (!ValidBox(min, max))
        return;
    if (o->placed) {
        MoveEndpoints(o->id, min, max);
    } else {
        PlaceEndpoints(o->id, min, max);
        o->placed = 1;
    }
}

// Objects.

int McdAxisSortSpace::InsertObject(void* data)
{
    if (RefuseWhileReporting("McdAxisSortSpace::InsertObject"))
        return -1;
    if (freeCount_ == 0)
        return -1;
    const int id = freeIds_[--freeCount_];
    Object* o = &objects_[id];
    o->id = id;
    o->data = data;
    o->placed = 0;
    indexStale_ = true;
    for (int k = 0; k < 3; ++k) {
        for (MeU8 kind : {kMin, kMax}) {
            Endpoint* e = End(k, id, kind);
            e->value = FLT_MAX;
            e->owner = id;
            e->kind = kind;
            InsertBefore(e, &high_[k]);
        }
    }
    SetObjectFlag(id, true);
    return id;
}

bool McdAxisSortSpace::RemoveObject(int id)
{
    if (RefuseWhileReporting("McdAxisSortSpace::RemoveObject"))
        return false;
    if (!IsValidId(id))
        return true;
    SetObjectFlag(id, false);
    Object* o = &objects_[id];
    for (int k = 0; k < 3; ++k) {
        Endpoint* lo = End(k, id, kMin);
        Endpoint* hi = End(k, id, kMax);
        Unlink(lo);
        Unlink(hi);
        // Off the list: the index never starts a walk here.
        lo->next = lo->prev = hi->next = hi->prev = nullptr;
    }
    indexStale_ = true;
    auto clear = [&](int j) {
        const int a = j < id ? j : id, b = j < id ? id : j;
        const std::size_t c = CellIndex(a, b);
        const unsigned cell = Cell(c);
        if (cell == activeAxes_)
            PairEnds(a, b);
        if (cell & kDisabledBit)
            CountDisabled(a, b, -1);
        SetCell(c, 0);
    };
    if (disabledCounts_[id] > 0) {
        // Disabled pairs may have cells set with ids it does not overlap: the whole row and
        // column.
        for (int j = 0; j < capacity_; ++j)
            if (j != id)
                clear(j);
    } else if (o->placed) {
        // Otherwise only the ids it overlaps on some axis have a count (an id never placed
        // has none).
        MeReal min[3], max[3];
        for (int k = 0; k < 3; ++k) {
            min[k] = End(k, id, kMin)->value;
            max[k] = End(k, id, kMax)->value;
        }
        const int found = Overlapping(id, min, max);
        int ends = 0;
        for (int f = 0; f < found; ++f) {
            const int j = found_[f];
            const std::size_t c = CellIndex(j < id ? j : id, j < id ? id : j);
            if (Cell(c) == activeAxes_)
                found_[ends++] = j;  // behind the read position
            SetCell(c, 0);
        }
        // Pairs end in id order, as the scan of every id above ends them.
        std::sort(found_, found_ + ends);
        for (int f = 0; f < ends; ++f) {
            const int j = found_[f];
            PairEnds(j < id ? j : id, j < id ? id : j);
        }
    }
    pendingIds_[pendingCount_++] = id;
    o->id = -1;
    o->data = nullptr;
    return true;
}

std::uintptr_t McdAxisSortSpace::SetUserWord(std::uintptr_t word)
{
    userWord_ = word;
    return word;
}

void* McdAxisSortSpace::GetObjectData(int id)
{
    return IsValidId(id) ? objects_[id].data : nullptr;
}

bool McdAxisSortSpace::IsValidId(int id)
{
    return id >= 0 && id < capacity_ && objects_[id].id == id;
}

bool McdAxisSortSpace::SetObjectFlag(int id, bool flag)
{
    if (!IsValidId(id))
        return false;
    objects_[id].flag = flag ? 1 : 0;
    const std::uint32_t bit = 1u << (id & 31);
    if (flag)
        updateBits_[id >> 5] |= bit;
    else
        updateBits_[id >> 5] &= ~bit;
    return true;
}

bool McdAxisSortSpace::GetObjectFlag(int id)
{
    return IsValidId(id) && objects_[id].flag != 0;
}

McdSpaceUpdateFn McdAxisSortSpace::SetUpdateFn(McdSpaceUpdateFn fn)
{
    updateFn_ = fn;
    return fn;
}

bool McdAxisSortSpace::UpdateObject(int id, void* argument)
{
    if (RefuseWhileReporting("McdAxisSortSpace::UpdateObject"))
        return false;
    if (!GetObjectFlag(id))
        return true;
    RefreshObject(&objects_[id], argument);
    return true;
}

bool McdAxisSortSpace::UpdateAllObjects(void* argument)
{
    if (!updateFn_)
        return false;
    if (RefuseWhileReporting("McdAxisSortSpace::UpdateAllObjects"))
        return false;
    for (int w = 0; w < updateWords_; ++w) {
        std::uint32_t bits = updateBits_[w];
        while (bits) {
            const int id = w * 32 + std::countr_zero(bits);
            bits &= bits - 1;
            if (updateBits_[id >> 5] & (1u << (id & 31)))
                RefreshObject(&objects_[id], argument);
        }
    }
    return true;
}

bool McdAxisSortSpace::SetPairEnabled(int a, int b, bool enable)
{
    if (RefuseWhileReporting("McdAxisSortSpace::SetPairEnabled"))
        return false;
    if (a == b || !IsValidId(a) || !IsValidId(b))
        return false;
    if (a > b)
        std::swap(a, b);
    const std::size_t c = CellIndex(a, b);
    const unsigned old = Cell(c);
    if ((old & kDisabledBit) != (enable ? 0u : kDisabledBit))
        CountDisabled(a, b, enable ? -1 : 1);
    if (enable) {
        SetCell(c, old & ~kDisabledBit);
        if ((old & ~kDisabledBit) == activeAxes_)
            PairBegins(a, b);
    } else {
        SetCell(c, old | kDisabledBit);
        if (old == activeAxes_)
            PairEnds(a, b);
    }
    return true;
}

bool McdAxisSortSpace::IsPairEnabled(int a, int b)
{
    if (a == b || !IsValidId(a) || !IsValidId(b))
        return false;
    return (GetCell(a, b) & kDisabledBit) == 0;
}

// Phases.

bool McdAxisSortSpace::BeginChanges()
{
    if (RefuseWhileReporting("McdAxisSortSpace::BeginChanges"))
        return false;
    while (endedList_.next != &endedList_) {
        PairNode* node = endedList_.next;
        ListUnlink(node);
        PairNode** link = nullptr;
        Find(node->key, &link);
        *link = node->hashNext;
        MeFixedPoolPut(&pairPool_, node);
    }
    while (newList_.next != &newList_) {
        PairNode* node = newList_.next;
        node->pair.state = kMcdPairContinuing;
        ListUnlink(node);
    }
    // Most recently removed first, so the earliest removed id is reused first.
    for (int k = pendingCount_ - 1; k >= 0; --k)
        freeIds_[freeCount_++] = pendingIds_[k];
    pendingCount_ = 0;
    changing_ = 1;
    return true;
}

bool McdAxisSortSpace::EndChanges()
{
    if (RefuseWhileReporting("McdAxisSortSpace::EndChanges"))
        return false;
    changing_ = 0;
    return true;
}

int McdAxisSortSpace::GetPairs(McdSpacePairIterator* it, McdPairContainer* c)
{
    c->endedCount = 0;
    c->reserved = 0;
    c->newFirst = c->continuingFirst = c->continuingEnd = c->size;
    if (c->size <= 0 || !c->array)
        return 0;
    bool complete = false;
    while (c->endedCount < c->newFirst) {
        PairNode* node = static_cast<PairNode*>(it->node);
        if (!node) {
            do
                ++it->bucket;
            while (it->bucket < static_cast<int>(bucketCount_) && !buckets_[it->bucket]);
            if (it->bucket >= static_cast<int>(bucketCount_)) {
                complete = true;
                break;
            }
            node = buckets_[it->bucket];
        }
        it->node = node->hashNext;
        if (node->pair.state == kMcdPairEnded)
            c->array[c->endedCount++] = &node->pair;
        else
            c->array[--c->newFirst] = &node->pair;
    }
    // New pairs ahead of continuing ones in the back part.
    int boundary = c->newFirst;
    for (int i = c->newFirst; i < c->size; ++i) {
        if (c->array[i]->state == kMcdPairNew) {
            std::swap(c->array[i], c->array[boundary]);
            ++boundary;
        }
    }
    c->continuingFirst = boundary;
    c->continuingEnd = c->size;
    return complete ? 0 : 1;
}

McdSpaceID McdAxisSortSpaceNew(McdFrameworkID framework, unsigned axisMask, int maxObjects, int maxPairs)
{
    return McdAxisSortSpace::New(framework, axisMask, maxObjects, maxPairs);
}

int McdAxisSortGetPairs(McdSpaceID space, McdSpacePairIterator* iterator, McdPairContainer* container)
{
    auto* sap = dynamic_cast<McdAxisSortSpace*>(space);
    if (!sap) {
        container->endedCount = 0;
        container->newFirst = container->continuingFirst = container->continuingEnd = container->size;
        return 0;
    }
    return sap->GetPairs(iterator, container);
}
