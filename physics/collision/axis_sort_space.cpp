// Sweep and prune with incremental insertion.
//
// Each object owns a min and a max endpoint on each of three axes; every axis keeps its
// endpoints in one doubly linked list sorted by value, between a low sentinel (-FLT_MAX) and
// a high sentinel (FLT_MAX) that no move passes. Equal values keep every min before every
// max, so boxes that only touch overlap (min <= other max on every active axis). A pair
// record exists exactly when two boxes overlap on every active axis and the pair is enabled.
// Per pair of ids the space keeps only that record (found through a hash on the packed id
// pair, smaller id << 16 | larger id) and a disabled bit; the overlap on one axis is read from
// the boxes where it matters.
//
// Moving an endpoint changes the overlap on its axis only with the endpoints it passes:
//   min up   passes values <  v; passing another's max ends an overlap on the axis;
//   min down passes values >= v; passing another's max begins one;
//   max up   passes values <= v; passing another's min begins one;
//   max down passes values >  v; passing another's min ends one.
// An overlap that begins on one axis begins the pair when the two boxes also overlap on the
// other active axes and the pair is enabled; one that ends ends the pair when they overlapped
// on the others (only then can the pair exist). With coherent motion an update passes few
// endpoints, so it costs little. Each id also lists its pair records, so a removal ends
// exactly its pairs.
//
// Between two reports the space keeps a list of new pairs and a list of ended pairs. A pair
// that ends before it was ever reported vanishes at once; an ended pair that begins again
// before the next `BeginChanges` is continuing. `BeginChanges` deletes the ended pairs, marks
// the new ones continuing and returns the ids removed in the last phase to the free stack,
// the earliest removed on top; an id is never reused within the phase that removed it.
//
// All storage (objects, pair records, disabled bits, buckets) is allocated at creation.

#include "physics/collision/axis_sort_space.h"

#include <algorithm>
#include <bit>
#include <climits>
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
// A move longer than this many of the thinnest slab a placement walks is made as a placement.
constexpr MeReal kLongMoveSlabs = 2;

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
        indexEntries_[k] = AllocZeroed<int>(2 * cap);
        indexValues_[k] = AllocZeroed<MeReal>(2 * cap);
        if (!indexEntries_[k] || !indexValues_[k])
            return false;
    }
    indexedBoxes_ = AllocZeroed<Box>(cap);
    placedSince_ = AllocZeroed<int>(cap);
    indexStates_ = AllocZeroed<MeU8>(cap);
    if (!indexedBoxes_ || !placedSince_ || !indexStates_)
        return false;
    found_ = AllocZeroed<int>(cap);
    disabledCounts_ = AllocZeroed<int>(cap);
    boxes_ = AllocZeroed<Box>(cap);
    idPairs_ = AllocZeroed<PairNode*>(cap);
    if (!found_ || !disabledCounts_ || !boxes_ || !idPairs_)
        return false;
    stamps_ = AllocZeroed<std::uint32_t>(cap);
    updateWords_ = (maxObjects - 1) / 32 + 1;
    updateBits_ = AllocZeroed<std::uint32_t>(static_cast<std::size_t>(updateWords_));
    bucketCount_ = 1;
    while (bucketCount_ * 2 <= static_cast<std::uint32_t>(maxPairs / 10))
        bucketCount_ *= 2;
    buckets_ = AllocZeroed<PairNode*>(bucketCount_);
    disabledBits_ = AllocZeroed<std::uint32_t>(cap * (cap - 1) / 2 / 32 + 1);
    if (!objects_ || !ends_[0] || !ends_[1] || !ends_[2] || !freeIds_ || !pendingIds_ || !stamps_ || !updateBits_ ||
        !buckets_ || !disabledBits_)
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
        MeMemoryAPI.destroy(indexEntries_[k]);
        MeMemoryAPI.destroy(indexValues_[k]);
        indexEntries_[k] = nullptr;
        indexValues_[k] = nullptr;
    }
    MeMemoryAPI.destroy(indexedBoxes_);
    MeMemoryAPI.destroy(placedSince_);
    MeMemoryAPI.destroy(indexStates_);
    indexStates_ = nullptr;
    indexedBoxes_ = nullptr;
    placedSince_ = nullptr;
    MeMemoryAPI.destroy(found_);
    MeMemoryAPI.destroy(disabledCounts_);
    MeMemoryAPI.destroy(boxes_);
    MeMemoryAPI.destroy(idPairs_);
    found_ = disabledCounts_ = nullptr;
    boxes_ = nullptr;
    idPairs_ = nullptr;
    MeMemoryAPI.destroy(stamps_);
    stamps_ = nullptr;
    MeMemoryAPI.destroy(updateBits_);
    MeMemoryAPI.destroy(buckets_);
    MeMemoryAPI.destroy(disabledBits_);
    MeFixedPoolDestroy(&pairPool_);
    objects_ = nullptr;
    freeIds_ = pendingIds_ = nullptr;
    updateBits_ = nullptr;
    buckets_ = nullptr;
    disabledBits_ = nullptr;
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

// Overlap and disabled bits.

std::size_t McdAxisSortSpace::BitIndex(int i, int j) const
{
    const std::size_t a = static_cast<std::size_t>(i), b = static_cast<std::size_t>(j);
    return static_cast<std::size_t>(capacity_) * a - (a + 2) * (a + 1) / 2 + b;
}

// a < b. Only ids that have disabled pairs look at the bits.
bool McdAxisSortSpace::Disabled(int a, int b) const
{
    if (disabledCounts_[a] == 0 || disabledCounts_[b] == 0)
        return false;
    const std::size_t i = BitIndex(a, b);
    return (disabledBits_[i >> 5] >> (i & 31)) & 1u;
}

// The boxes of a and b overlap on every active axis but `axis` (-1: on every active axis).
bool McdAxisSortSpace::OverlapBeyond(int a, int b, int axis) const
{
    const Box& p = boxes_[a];
    const Box& q = boxes_[b];
    const unsigned apart = ((p.min[0] > q.max[0]) | (q.min[0] > p.max[0])) |
                           (((p.min[1] > q.max[1]) | (q.min[1] > p.max[1])) << 1) |
                           (((p.min[2] > q.max[2]) | (q.min[2] > p.max[2])) << 2);
    const unsigned tested = axis < 0 ? axisMask_ : axisMask_ & ~(1u << axis);
    return (apart & tested) == 0;
}

// a moved and is placed; b may be an object not yet placed when a box reaches FLT_MAX.
void McdAxisSortSpace::OverlapBegins(int a, int b, int axis)
{
    if (!OverlapBeyond(a, b, axis) || !objects_[b].placed)
        return;
    if (a > b)
        std::swap(a, b);
    if (!Disabled(a, b))
        PairBegins(a, b);
}

void McdAxisSortSpace::OverlapEnds(int a, int b, int axis)
{
    if (!OverlapBeyond(a, b, axis))
        return;
    PairEnds(a < b ? a : b, a < b ? b : a);
}

unsigned McdAxisSortSpace::GetCell(int a, int b) const
{
    if (a == b || a < 0 || b < 0 || a >= capacity_ || b >= capacity_)
        return 0;
    if (a > b)
        std::swap(a, b);
    unsigned cell = 0;
    if (objects_[a].id == a && objects_[b].id == b && objects_[a].placed && objects_[b].placed) {
        const Box& p = boxes_[a];
        const Box& q = boxes_[b];
        for (int k = 0; k < 3; ++k)
            if ((axisMask_ & (1u << k)) && p.min[k] <= q.max[k] && q.min[k] <= p.max[k])
                ++cell;
    }
    const std::size_t i = BitIndex(a, b);
    if ((disabledBits_[i >> 5] >> (i & 31)) & 1u)
        cell |= kDisabledBit;
    return cell;
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

void McdAxisSortSpace::LinkToIds(PairNode* node)
{
    for (int s = 0; s < 2; ++s) {
        const int id = IdOf(node, s);
        PairNode* head = idPairs_[id];
        node->idPrev[s] = nullptr;
        node->idNext[s] = head;
        if (head)
            head->idPrev[Side(head, id)] = node;
        idPairs_[id] = node;
    }
}

void McdAxisSortSpace::UnlinkFromIds(PairNode* node)
{
    for (int s = 0; s < 2; ++s) {
        const int id = IdOf(node, s);
        PairNode* next = node->idNext[s];
        PairNode* prev = node->idPrev[s];
        if (next)
            next->idPrev[Side(next, id)] = prev;
        if (prev)
            prev->idNext[Side(prev, id)] = next;
        else
            idPairs_[id] = next;
    }
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

void McdAxisSortSpace::FreeNode(PairNode* node, PairNode** link)
{
    *link = node->hashNext;
    ListUnlink(node);
    UnlinkFromIds(node);
    MeFixedPoolPut(&pairPool_, node);
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
    LinkToIds(node);
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
    FreeNode(node, link);
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
// stretch that both pass would see its overlap begin with the first move and end with the
// second. The first move recognises X from the value of X's other endpoint (adjacent in the
// axis array), skips it and stamps it; the second move skips stamped objects.

void McdAxisSortSpace::MinUp(int k, Endpoint* e, bool skipStamped)
{
    Endpoint* p = e->next;
    const int self = e->owner;
    while (p->kind != kSentinel && p->value < e->value) {
        if (p->kind == kMax && p->owner != self && !(skipStamped && stamps_[p->owner] == stamp_))
            OverlapEnds(self, p->owner, k);
        p = p->next;
    }
    if (p != e->next) {
        Unlink(e);
        InsertBefore(e, p);
    }
}

void McdAxisSortSpace::MinDown(int k, Endpoint* e, const MeReal* skipAbove)
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
                OverlapBegins(self, p->owner, k);
        }
        p = p->prev;
    }
    if (p != e->prev) {
        Unlink(e);
        InsertAfter(e, p);
    }
}

void McdAxisSortSpace::MaxUp(int k, Endpoint* e, const MeReal* skipBelow)
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
                OverlapBegins(self, p->owner, k);
        }
        p = p->next;
    }
    if (p != e->next) {
        Unlink(e);
        InsertBefore(e, p);
    }
}

void McdAxisSortSpace::MaxDown(int k, Endpoint* e, bool skipStamped)
{
    Endpoint* p = e->prev;
    const int self = e->owner;
    while (p->kind != kSentinel && p->value > e->value) {
        if (p->kind == kMin && p->owner != self && !(skipStamped && stamps_[p->owner] == stamp_))
            OverlapEnds(self, p->owner, k);
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

// Axis by axis; while axis k moves, the boxes hold the new bounds on the axes before it and
// the old ones on the axes after it, as the lists do.
void McdAxisSortSpace::MoveEndpoints(int id, const MeReal min[3], const MeReal max[3])
{
    Box& box = boxes_[id];
    const bool indexed = indexStates_[id] == 1;
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        Endpoint* lo = End(k, id, kMin);
        Endpoint* hi = End(k, id, kMax);
        const MeReal oldMin = lo->value, oldMax = hi->value;
        const MeReal newMin = min[k], newMax = max[k];
        lo->value = box.min[k] = newMin;
        hi->value = box.max[k] = newMax;
        if (newMax - newMin > maxLength_[k])
            maxLength_[k] = newMax - newMin;
        if (indexed) {
            const Box& at = indexedBoxes_[id];
            drift_[k] = std::max(drift_[k], std::max(std::fabs(newMin - at.min[k]), std::fabs(newMax - at.max[k])));
        }
        // Whichever endpoint leads the motion moves first, so neither passes its partner.
        if (newMin >= oldMax) {
            const bool together = newMax > oldMax && newMin > oldMin;
            if (together)
                NextStamp();
            if (newMax > oldMax)
                MaxUp(k, hi, together ? &newMin : nullptr);
            else if (newMax < oldMax)
                MaxDown(k, hi, false);
            if (newMin < oldMin)
                MinDown(k, lo, nullptr);
            else if (newMin > oldMin)
                MinUp(k, lo, together);
        } else {
            const bool together = newMin < oldMin && newMax < oldMax;
            if (together)
                NextStamp();
            if (newMin < oldMin)
                MinDown(k, lo, together ? &newMax : nullptr);
            else if (newMin > oldMin)
                MinUp(k, lo, false);
            if (newMax > oldMax)
                MaxUp(k, hi, nullptr);
            else if (newMax < oldMax)
                MaxDown(k, hi, together);
        }
    }
}

// The first update after an insertion would walk the endpoints down from the top of every
// list, past about half of them. Instead the ids the new box overlaps are found by walking one
// axis's slab of endpoints (the axis whose slab is thinnest) and testing the other axes on the
// boxes, and each endpoint goes straight to its place: the min before the first endpoint of
// value >= min, the max before the first endpoint of value > max. A sorted index per axis
// picks where those walks start. Objects not yet placed keep their endpoints at FLT_MAX and
// overlap nothing.
void McdAxisSortSpace::RebuildIndex()
{
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        int n = 0;
        // Placed endpoints only: the parked ones of objects not yet placed sit at the end.
        for (Endpoint* e = low_[k].next; e->kind != kSentinel; e = e->next) {
            if (!objects_[e->owner].placed)
                continue;
            indexEntries_[k][n] = static_cast<int>(e - ends_[k]);
            indexValues_[k][n++] = e->value;
        }
        indexCount_[k] = n;
        indexed_ = n;
        drift_[k] = 0;
    }
    for (int k = 0; k < 3; ++k)
        maxLength_[k] = 0;
    for (int j = 0; j < capacity_; ++j) {
        Object& o = objects_[j];
        indexStates_[j] = o.id >= 0 && o.placed ? 1 : 0;
        if (!indexStates_[j])
            continue;
        indexedBoxes_[j] = boxes_[j];
        for (int k = 0; k < 3; ++k)
            maxLength_[k] = std::max(maxLength_[k], boxes_[j].max[k] - boxes_[j].min[k]);
    }
    placedSinceCount_ = 0;
}

// The index is worth rebuilding once indexed objects moved by about half the longest box.
bool McdAxisSortSpace::DriftedFar() const
{
    for (int k = 0; k < 3; ++k)
        if (drift_[k] > 0 && drift_[k] > 0.5f * maxLength_[k])
            return true;
    return false;
}

int McdAxisSortSpace::IndexLowerBound(int k, MeReal value) const
{
    const MeReal* values = indexValues_[k];
    int lo = 0, hi = indexCount_[k];
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (values[mid] < value)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// The first endpoint of value >= `value` (> `value` when `above`).
McdAxisSortSpace::Endpoint* McdAxisSortSpace::FirstFrom(int k, MeReal value, bool above)
{
    // A start near the value from the index: the endpoint of an object that still holds its
    // entries (not removed, placed again or moved far since).
    const int lo = IndexLowerBound(k, value);
    const int n = indexCount_[k];
    Endpoint* e = &high_[k];
    for (int d = 0; d < 8; ++d) {
        const int at = lo + ((d & 1) ? -(d + 1) / 2 : d / 2);
        if (at < 0 || at >= n)
            continue;
        const int entry = indexEntries_[k][at];
        if (indexStates_[entry >> 1] == 1) {
            e = &ends_[k][entry];
            break;
        }
    }
    // The list is sorted: walk to the first endpoint past the value.
    if (above) {
        while (e->prev->kind != kSentinel && e->prev->value > value)
            e = e->prev;
        while (e->kind != kSentinel && e->value <= value)
            e = e->next;
    } else {
        while (e->prev->kind != kSentinel && e->prev->value >= value)
            e = e->prev;
        while (e->kind != kSentinel && e->value < value)
            e = e->next;
    }
    return e;
}

// The placed ids other than `id` whose boxes overlap [min, max] on every active axis, into
// `found_`, in no particular order.
int McdAxisSortSpace::Overlapping(int id, const MeReal min[3], const MeReal max[3])
{
    // Every interval that meets [min, max] on axis k starts in [min - longest length, max],
    // and its indexed min lies within the drift of that: scan the axis where that stretch of
    // the index is shortest.
    int axis = -1, first = 0, last = 0;
    MeReal upTo = 0;
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        const MeReal reach = maxLength_[k] + drift_[k];
        const MeReal from = (min[k] - reach) - (std::fabs(min[k]) + reach) * 1e-6f;
        const MeReal to = max[k] + drift_[k] + (std::fabs(max[k]) + drift_[k]) * 1e-6f;
        const int a = IndexLowerBound(k, from), b = IndexLowerBound(k, to);
        if (axis < 0 || b - a < last - first) {
            axis = k;
            first = a;
            last = b;
            upTo = to;
        }
    }
    const MeReal* values = indexValues_[axis];
    while (last < indexCount_[axis] && values[last] <= upTo)
        ++last;
    // Inactive axes hold FLT_MAX in every box: a query as wide as the reals passes them.
    MeReal lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        const bool active = (axisMask_ & (1u << k)) != 0;
        lo[k] = active ? min[k] : -FLT_MAX;
        hi[k] = active ? max[k] : FLT_MAX;
    }
    auto overlaps = [&](int j) {
        const Box& b = boxes_[j];
        return !((lo[0] > b.max[0]) | (b.min[0] > hi[0]) | (lo[1] > b.max[1]) | (b.min[1] > hi[1]) |
                 (lo[2] > b.max[2]) | (b.min[2] > hi[2]));
    };
    int count = 0;
    const int* entries = indexEntries_[axis];
    for (int i = first; i < last; ++i) {
        const int entry = entries[i];
        const int j = entry >> 1;
        if ((entry & 1) == kMin && overlaps(j) && j != id && indexStates_[j] == 1)
            found_[count++] = j;
    }
    for (int f = 0; f < placedSinceCount_; ++f) {
        const int j = placedSince_[f];
        if (j != id && objects_[j].id == j && objects_[j].placed && overlaps(j))
            found_[count++] = j;
    }
    return count;
}

// A move that would pass more endpoints than a placement looks at goes the way of a
// placement: the walk a move makes grows with the distance on every axis, a placement's with
// the thinnest slab.
bool McdAxisSortSpace::LongMove(int id, const MeReal min[3], const MeReal max[3]) const
{
    const Box& b = boxes_[id];
    MeReal walk = 0, slab = FLT_MAX;
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        walk += std::fabs(min[k] - b.min[k]) + std::fabs(max[k] - b.max[k]);
        slab = std::min(slab, max[k] - min[k] + maxLength_[k]);
    }
    return walk > kLongMoveSlabs * slab;
}

// Places an object not yet placed, or moves a placed one far: its new overlaps come from
// `Overlapping`, its endpoints go straight to their places, and the pairs that differ from
// those of its old box end or begin.
void McdAxisSortSpace::PlaceEndpoints(int id, const MeReal min[3], const MeReal max[3])
{
    // Rebuilt once the ids placed since (each query tests them all) grow to a share of what
    // the index covers, or the indexed endpoints drifted far.
    Object& o = objects_[id];
    if (placedSinceCount_ > 16 + indexed_ / 16 || DriftedFar())
        RebuildIndex();
    const bool placed = o.placed != 0;
    const int found = Overlapping(id, min, max);
    // The pairs of its old box that the new one does not overlap end, from the back of
    // `found_` (they are not among the ids found).
    int ends = 0;
    if (placed) {
        NextStamp();
        for (int f = 0; f < found; ++f)
            stamps_[found_[f]] = stamp_;
        for (PairNode* n = idPairs_[id]; n; n = n->idNext[Side(n, id)]) {
            const int j = Partner(n, id);
            if (n->pair.state != kMcdPairEnded && stamps_[j] != stamp_)
                found_[capacity_ - 1 - ends++] = j;
        }
    }
    // Ids the old box overlapped keep their state (a pair, or none while disabled or when
    // the pool was empty as it began).
    int begins = 0;
    for (int f = 0; f < found; ++f)
        if (!placed || !OverlapBeyond(id, found_[f], -1))
            found_[begins++] = found_[f];
    // Listed from now on: its index entries no longer hold.
    if (indexStates_[id] != 2) {
        indexStates_[id] = 2;
        placedSince_[placedSinceCount_++] = id;
    }
    Box& box = boxes_[id];
    for (int k = 0; k < 3; ++k) {
        if (!(axisMask_ & (1u << k)))
            continue;
        Endpoint* lo = End(k, id, kMin);
        Endpoint* hi = End(k, id, kMax);
        // Off the list while the index finds the new places.
        Unlink(lo);
        Unlink(hi);
        lo->next = lo->prev = hi->next = hi->prev = nullptr;
        lo->value = box.min[k] = min[k];
        hi->value = box.max[k] = max[k];
        InsertBefore(lo, FirstFrom(k, min[k], false));
        InsertBefore(hi, FirstFrom(k, max[k], true));
        const MeReal length = max[k] - min[k];
        maxLength_[k] = length > maxLength_[k] ? length : maxLength_[k];
    }
    // Pairs end and begin in id order, as a scan of every id would.
    int* ended = found_ + capacity_ - ends;
    std::sort(ended, ended + ends);
    for (int f = 0; f < ends; ++f) {
        const int j = ended[f];
        PairEnds(j < id ? j : id, j < id ? id : j);
    }
    std::sort(found_, found_ + begins);
    for (int f = 0; f < begins; ++f) {
        const int j = found_[f];
        const int a = j < id ? j : id, b = j < id ? id : j;
        if (!Disabled(a, b))
            PairBegins(a, b);
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
    if (o->placed && !LongMove(o->id, min, max)) {
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
    for (int k = 0; k < 3; ++k) {
        boxes_[id].min[k] = boxes_[id].max[k] = FLT_MAX;
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
    if (indexStates_[id] == 1)
        indexStates_[id] = 0;
    // Its pairs end in id order, as a scan of every id would end them. (Its ended records
    // stay listed until `BeginChanges` frees them.)
    int ends = 0;
    for (PairNode* n = idPairs_[id]; n; n = n->idNext[Side(n, id)])
        if (n->pair.state != kMcdPairEnded)
            found_[ends++] = Partner(n, id);
    std::sort(found_, found_ + ends);
    for (int f = 0; f < ends; ++f) {
        const int j = found_[f];
        PairEnds(j < id ? j : id, j < id ? id : j);
    }
    // A re-inserted id starts with every pair enabled.
    for (int j = 0; disabledCounts_[id] > 0 && j < capacity_; ++j) {
        if (j == id)
            continue;
        const std::size_t i = j < id ? BitIndex(j, id) : BitIndex(id, j);
        if ((disabledBits_[i >> 5] >> (i & 31)) & 1u) {
            disabledBits_[i >> 5] &= ~(1u << (i & 31));
            --disabledCounts_[id];
            --disabledCounts_[j];
        }
    }
    pendingIds_[pendingCount_++] = id;
    o->id = -1;
    o->data = nullptr;
    o->placed = 0;
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
    const std::size_t i = BitIndex(a, b);
    std::uint32_t& word = disabledBits_[i >> 5];
    const std::uint32_t bit = 1u << (i & 31);
    const bool wasDisabled = (word & bit) != 0;
    if (enable) {
        if (wasDisabled) {
            word &= ~bit;
            --disabledCounts_[a];
            --disabledCounts_[b];
        }
        if (objects_[a].placed && objects_[b].placed && OverlapBeyond(a, b, -1))
            PairBegins(a, b);
    } else if (!wasDisabled) {
        word |= bit;
        ++disabledCounts_[a];
        ++disabledCounts_[b];
        PairEnds(a, b);
    }
    return true;
}

bool McdAxisSortSpace::IsPairEnabled(int a, int b)
{
    if (a == b || !IsValidId(a) || !IsValidId(b))
        return false;
    return !Disabled(std::min(a, b), std::max(a, b));
}

// Phases.

bool McdAxisSortSpace::BeginChanges()
{
    if (RefuseWhileReporting("McdAxisSortSpace::BeginChanges"))
        return false;
    while (endedList_.next != &endedList_) {
        PairNode* node = endedList_.next;
        PairNode** link = nullptr;
        Find(node->key, &link);
        FreeNode(node, link);
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
