// Contact culling keeps a small, well-spread subset of candidate contacts that share a normal.
//
// Method. All candidates lie (nearly) in one contact plane with normal n. The deepest one
// (smallest separation) always survives: it carries the largest correction. The survivors
// should span as much of the contact area as possible, so the culling keeps a convex hull of
// the candidates projected on the plane and, whenever the hull holds more than N nodes,
// drops the node whose removal costs the least area.
//
// The hull is a circular doubly linked ring taken from a node pool of the call's stack. It
// runs counter-clockwise about n: for consecutive nodes a, b, c the measure
// (c - a) . (n x (b - a)) is positive. A node's `area` field holds that measure for the
// triangle (previous, node, next), twice the area the polygon loses when the node goes.
//
// Seeding: node 0 is the deepest candidate; the second node is the first candidate not
// similar to it; the third the first candidate off the line through the two (|s| > 1e-4),
// inserted on the side that keeps the ring counter-clockwise. Candidates passed over while
// seeding are dropped. Every later candidate is added to the hull: the edges e = (a, a.next)
// that see it have (p - a) . (n x (a.next - a)) < 0 and form one chain on a convex ring; the
// nodes strictly inside the chain go and the new node takes their place. A candidate no edge
// sees lies inside and is dropped, as is one similar to a node already on the hull.
//
// Invariants: the deepest candidate's node is the ring's head and is never removed; the ring
// never holds more than N + 1 nodes, so a pool of N + 1 nodes suffices.

#include "physics/collision/contact_cull.h"

#include <cmath>
#include <new>

namespace {

struct HullNode {
    McdContact* contact;
    MeReal area;
    HullNode* next;
    HullNode* prev;
};

MeReal Measure(const MeReal n[3], const MeReal a[3], const MeReal b[3], const MeReal p[3])
{
    // (p - a) . (n x (b - a))
    const MeReal e[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const MeReal c[3] = {n[1] * e[2] - n[2] * e[1], n[2] * e[0] - n[0] * e[2], n[0] * e[1] - n[1] * e[0]};
    return (p[0] - a[0]) * c[0] + (p[1] - a[1]) * c[1] + (p[2] - a[2]) * c[2];
}

void UpdateArea(const MeReal n[3], HullNode* node)
{
    node->area = Measure(n, node->prev->contact->position, node->contact->position, node->next->contact->position);
}

class CullHull {
public:
    CullHull(const MeReal n[3], HullNode* pool, int capacity) : n_(n), pool_(pool), capacity_(capacity) {}

    HullNode* head() const { return head_; }
    int size() const { return size_; }

    HullNode* Take(McdContact* c)
    {
        if (used_ >= capacity_)
            return nullptr;
        HullNode* node = &pool_[used_++];
        node->contact = c;
        node->area = 0;
        node->next = node->prev = node;
        return node;
    }

    void Start(McdContact* c)
    {
        head_ = Take(c);
        size_ = 1;
    }

    void InsertAfter(HullNode* at, HullNode* node)
    {
        node->prev = at;
        node->next = at->next;
        at->next->prev = node;
        at->next = node;
        ++size_;
    }

    void Unlink(HullNode* node)
    {
        node->prev->next = node->next;
        node->next->prev = node->prev;
        node->next = node->prev = node;
        --size_;
        // Removed nodes go back to a free list so the pool never runs dry.
        node->contact = nullptr;
        node->next = free_;
        free_ = node;
    }

    HullNode* Alloc(McdContact* c)
    {
        if (free_) {
            HullNode* node = free_;
            free_ = node->next;
            node->contact = c;
            node->area = 0;
            node->next = node->prev = node;
            return node;
        }
        return Take(c);
    }

    bool HoldsSimilar(const McdContact* c) const
    {
        const HullNode* node = head_;
        do {
            if (McdContactsAreSimilar(node->contact, c))
                return true;
            node = node->next;
        } while (node != head_);
        return false;
    }

    // Adds a point outside the hull; returns false when it lies inside or is a duplicate.
    bool AddPoint(McdContact* c)
    {
        if (HoldsSimilar(c))
            return false;
        const MeReal* p = c->position;
        // Find an edge that sees p and one that does not.
        HullNode* node = head_;
        HullNode* seeing = nullptr;
        HullNode* blind = nullptr;
        do {
            if (Sees(node, p))
                seeing = node;
            else
                blind = node;
            node = node->next;
        } while (node != head_ && !(seeing && blind));
        if (!seeing || !blind)
            return false;  // inside, or a degenerate ring that every edge sees
        // Walk back from a seeing edge to the first of its chain, then forward to its last.
        HullNode* first = seeing;
        while (Sees(first->prev, p) && first->prev != seeing)
            first = first->prev;
        HullNode* last = first;  // chain ends at last->next
        while (Sees(last->next, p) && last->next != first)
            last = last->next;
        HullNode* end = last->next;
        HullNode* added = Alloc(c);
        if (!added)
            return false;
        // The nodes strictly inside the chain leave, except the deepest candidate's, which
        // stays even when the new point hides it.
        for (HullNode* k = first->next; k != end;) {
            HullNode* next = k->next;
            if (k != head_)
                Unlink(k);
            k = next;
        }
        InsertAfter(first, added);
        for (HullNode* k = first;; k = k->next) {
            UpdateArea(n_, k);
            if (k == end)
                break;
        }
        return true;
    }

    // Removes the cheapest node other than the head; the neighbours' areas are refreshed.
    void RemoveSmallest()
    {
        HullNode* best = nullptr;
        for (HullNode* k = head_->next; k != head_; k = k->next)
            if (!best || k->area < best->area)
                best = k;
        if (!best)
            return;
        HullNode* prev = best->prev;
        HullNode* next = best->next;
        Unlink(best);
        UpdateArea(n_, prev);
        UpdateArea(n_, next);
    }

private:
    bool Sees(const HullNode* a, const MeReal p[3]) const
    {
        return Measure(n_, a->contact->position, a->next->contact->position, p) < 0;
    }

    const MeReal* n_;
    HullNode* pool_;
    int capacity_;
    int used_ = 0;
    HullNode* head_ = nullptr;
    HullNode* free_ = nullptr;
    int size_ = 0;
};

bool HasFaceFeature(const McdContact* c)
{
    const int dims = static_cast<unsigned short>(c->dims);
    return (dims & 0xff) == 2 || ((dims >> 8) & 0xff) == 2;
}

const McdIntersectRequest kFallbackRequest{4, 0};

}  // namespace

bool McdContactsAreSimilar(const McdContact* a, const McdContact* b)
{
    MeReal d2 = 0, dot = 0;
    for (int i = 0; i < 3; ++i) {
        const MeReal d = a->position[i] - b->position[i];
        d2 += d * d;
        dot += a->normal[i] * b->normal[i];
    }
    return d2 < 0.0001f && dot > 0.9999f;
}

int McdContactCull(const MeReal normal[3], McdContact* c, int count, McdContact* out, int maxCount, int faceFirst)
{
    if (count <= 0 || maxCount <= 0 || !c || !out)
        return 0;
    if (maxCount > kMcdContactCandidateMax)
        maxCount = kMcdContactCandidateMax;

    int deepest = 0;
    for (int i = 1; i < count; ++i)
        if (c[i].separation < c[deepest].separation)
            deepest = i;
    if (deepest != 0) {
        const McdContact t = c[0];
        c[0] = c[deepest];
        c[deepest] = t;
    }
    if (count == 1 || maxCount == 1) {
        out[0] = c[0];
        return 1;
    }

    HullNode pool[kMcdContactCandidateMax + 2];
    CullHull hull(normal, pool, maxCount + 2);
    hull.Start(&c[0]);
    HullNode* a = hull.head();

    int i = 1;
    while (i < count && McdContactsAreSimilar(&c[0], &c[i]))
        ++i;
    if (i < count) {
        HullNode* b = hull.Take(&c[i]);
        hull.InsertAfter(a, b);
        ++i;
        if (maxCount > 2) {
            for (; i < count; ++i) {
                const MeReal s = Measure(normal, a->contact->position, b->contact->position, c[i].position);
                if (s > 0.0001f || s < -0.0001f) {
                    HullNode* p = hull.Take(&c[i]);
                    hull.InsertAfter(s > 0 ? b : a, p);
                    const MeReal area = s > 0 ? s : -s;
                    a->area = b->area = p->area = area;
                    ++i;
                    break;
                }
            }
        }
        for (; i < count; ++i) {
            if (!hull.AddPoint(&c[i]))
                continue;
            while (hull.size() > maxCount)
                hull.RemoveSmallest();
        }
    }

    // Output in ring order from the deepest candidate; with the face-first flag the face
    // contacts go first.
    McdContact* ring[kMcdContactCandidateMax + 2];
    int ringCount = 0;
    HullNode* node = hull.head();
    do {
        ring[ringCount++] = node->contact;
        node = node->next;
    } while (node != hull.head() && ringCount < maxCount);
    int written = 0;
    if (faceFirst) {
        for (int k = 0; k < ringCount; ++k)
            if (HasFaceFeature(ring[k]))
                out[written++] = *ring[k];
        for (int k = 0; k < ringCount; ++k)
            if (!HasFaceFeature(ring[k]))
                out[written++] = *ring[k];
        return written;
    }
    for (int k = 0; k < ringCount; ++k)
        out[written++] = *ring[k];
    return written;
}

const McdIntersectRequest* McdResultRequest(const McdIntersectResult* result)
{
    if (result && result->pair && result->pair->request)
        return result->pair->request;
    return &kFallbackRequest;
}

int McdResultContactCap(const McdIntersectResult* result)
{
    int cap = result->contactMaxCount;
    const int requested = McdResultRequest(result)->contactMaxCount;
    if (requested < cap)
        cap = requested;
    return cap > 0 ? cap : 0;
}

int McdContactsFromPolygon(McdIntersectResult* result, const MeReal (*points)[3], int pointCount,
                           MeConstMatrix4Ptr t, const MeReal normal[3], MeReal planeOffset, MeReal tolerance,
                           MeI16 dims)
{
    result->contactCount = 0;
    MeReal worldNormal[3];
    for (int j = 0; j < 3; ++j)
        worldNormal[j] = normal[0] * t[0][j] + normal[1] * t[1][j] + normal[2] * t[2][j];
    for (int j = 0; j < 3; ++j)
        result->normal[j] = worldNormal[j];

    if (pointCount > kMcdContactCandidateMax)
        pointCount = kMcdContactCandidateMax;
    // Raw storage: only the candidates written are constructed (a contact record has
    // member initialisers, and 400 of them would dominate a small pair's cost).
    alignas(McdContact) unsigned char storage[sizeof(McdContact) * kMcdContactCandidateMax];
    McdContact* candidates = reinterpret_cast<McdContact*>(storage);
    int count = 0;
    const MeReal keepBelow = 0.01f * tolerance;
    for (int i = 0; i < pointCount; ++i) {
        const MeReal* p = points[i];
        const MeReal s = normal[0] * p[0] + normal[1] * p[1] + normal[2] * p[2] - planeOffset;
        if (!(s < keepBelow))
            continue;
        McdContact& c = *new (&candidates[count++]) McdContact();
        for (int j = 0; j < 3; ++j) {
            c.position[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
            c.normal[j] = worldNormal[j];
        }
        c.separation = s;
        c.dims = dims;
    }
    if (!result->contacts)
        return 0;
    const int cap = McdResultContactCap(result);
    result->contactCount =
        McdContactCull(worldNormal, candidates, count, result->contacts, cap, McdResultRequest(result)->faceNormalsFirst);
    return result->contactCount;
}
