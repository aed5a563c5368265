// Contact culling keeps a small, well-spread subset of candidate contacts that share a normal.
//
// Method. All candidates lie (nearly) in one contact plane with normal n. The deepest one
// (smallest separation) always survives: it carries the largest correction. The survivors
// should span as much of the contact area as possible, so the culling keeps a convex hull of
// the candidates projected on the plane and, whenever the hull holds more than N nodes,
// drops the node whose removal costs the least area.
//
// The hull is a ring of nodes on the call's stack, kept as an array in ring order. It
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
// never holds more than N + 1 nodes.

#include "physics/collision/contact_cull.h"

#include <cmath>
#include <new>

namespace {

// Coordinates in the contact plane. With u a unit vector across n and v = n x u, the measure
// (p - a) . (n x (b - a)) equals the planar cross product of (b - a) and (p - a) in (u, v)
// coordinates, for any length of n; projecting each point once leaves two products per test.
struct PlaneFrame {
    MeReal u[3], v[3];

    explicit PlaneFrame(const MeReal n[3])
    {
        const MeReal ax = std::fabs(n[0]), ay = std::fabs(n[1]), az = std::fabs(n[2]);
        MeReal w[3];
        if (ax <= ay && ax <= az)
            w[0] = 0, w[1] = n[2], w[2] = -n[1];
        else if (ay <= az)
            w[0] = -n[2], w[1] = 0, w[2] = n[0];
        else
            w[0] = n[1], w[1] = -n[0], w[2] = 0;
        const MeReal len2 = w[0] * w[0] + w[1] * w[1] + w[2] * w[2];
        const MeReal inv = len2 > 0 ? 1 / std::sqrt(len2) : 0;
        for (int i = 0; i < 3; ++i)
            u[i] = w[i] * inv;
        v[0] = n[1] * u[2] - n[2] * u[1];
        v[1] = n[2] * u[0] - n[0] * u[2];
        v[2] = n[0] * u[1] - n[1] * u[0];
    }

    void Project(const MeReal p[3], MeReal* x, MeReal* y) const
    {
        *x = p[0] * u[0] + p[1] * u[1] + p[2] * u[2];
        *y = p[0] * v[0] + p[1] * v[1] + p[2] * v[2];
    }
};

// (p - a) . (n x (b - a)) in plane coordinates.
inline MeReal Measure(MeReal ax, MeReal ay, MeReal bx, MeReal by, MeReal px, MeReal py)
{
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

// One hull node: its candidate, plane coordinates and area measure.
struct HullNode {
    McdContact* contact;
    MeReal x, y;
    MeReal area;
};

// The ring is kept as an array of node slots in ring order with the head (deepest
// candidate) at index 0, which never moves: node k's neighbours are k - 1 and k + 1 modulo
// the size. Edits move slot numbers, never the nodes themselves (a node copied right after
// its fields were written stalls the store buffer). Room for kCapacity nodes (N + 2
// suffices).
template <int kCapacity>
class CullHull {
public:
    // `normalsAgree`: every candidate has the same normal, and two such normals count as
    // similar (1) or not (0); -1 when the normals differ, so each pair is tested.
    CullHull(const PlaneFrame& frame, int normalsAgree) : frame_(frame), normalsAgree_(normalsAgree) {}
    CullHull(const CullHull&) = delete;
    CullHull& operator=(const CullHull&) = delete;

    int size() const { return size_; }
    const HullNode& node(int k) const { return pool_[ring_[k]]; }

    void Start(McdContact* c)
    {
        ring_[0] = Take(c, Projected(c));
        size_ = 1;
    }

    // Inserts a node for c after index k; returns the new node's index.
    int InsertAfter(int k, McdContact* c) { return InsertAfter(k, c, Projected(c)); }

    int InsertAfter(int k, McdContact* c, const HullNode& at)
    {
        for (int m = size_; m > k + 1; --m)
            ring_[m] = ring_[m - 1];
        ring_[k + 1] = Take(c, at);
        ++size_;
        return k + 1;
    }

    void SetArea(int k, MeReal area) { pool_[ring_[k]].area = area; }

    bool HoldsSimilar(const McdContact* c) const
    {
        bool similar = false;
        for (int k = 0; k < size_; ++k)
            similar |= normalsAgree_ < 0 ? Similar(node(k).contact, c) : Near(node(k).contact, c) & (normalsAgree_ > 0);
        return similar;
    }

    // Adds a point outside the hull; returns false when it lies inside or is a duplicate.
    bool AddPoint(McdContact* c)
    {
        const HullNode at = Projected(c);
        const MeReal p[2] = {at.x, at.y};
        int first = 0, end = 0;
        if (!(size_ <= 64 ? ChainByMask(p, &first, &end) : ChainByWalk(p, &first, &end)))
            return false;
        if (HoldsSimilar(c))
            return false;
        if (Next(first) == end) {
            // A chain of one edge (always so on a convex ring): nothing leaves.
            const int added = InsertAfter(first, c, at);
            const int newEnd = end == 0 ? 0 : end + 1;
            UpdateArea(first);
            UpdateArea(added);
            UpdateArea(newEnd);
            return true;
        }
        // The nodes strictly inside the chain leave, except the deepest candidate's, which
        // stays even when the new point hides it; the new node follows `first`.
        bool leaves[kCapacity];
        for (int m = 0; m < size_; ++m)
            leaves[m] = false;
        for (int m = Next(first); m != end; m = Next(m))
            leaves[m] = m != 0;
        unsigned short ring[kCapacity];
        int n = 0, newFirst = 0, newEnd = 0;
        for (int m = 0; m < size_; ++m) {
            if (leaves[m]) {
                free_[freeCount_++] = ring_[m];
                continue;
            }
            if (m == end)
                newEnd = n;
            ring[n++] = ring_[m];
            if (m == first) {
                newFirst = n - 1;
                ring[n++] = Take(c, at);
            }
        }
        for (int m = 0; m < n; ++m)
            ring_[m] = ring[m];
        size_ = n;
        // Areas from `first` to `end`: first, the new node, a kept head, end.
        for (int m = newFirst;; m = Next(m)) {
            UpdateArea(m);
            if (m == newEnd)
                break;
        }
        return true;
    }

    // Removes the cheapest node other than the head; the neighbours' areas are refreshed.
    void RemoveSmallest()
    {
        if (size_ < 2)
            return;
        int best = 1;
        MeReal bestArea = node(1).area;
        for (int k = 2; k < size_; ++k) {
            const MeReal area = node(k).area;
            const bool smaller = area < bestArea;
            best = smaller ? k : best;
            bestArea = smaller ? area : bestArea;
        }
        free_[freeCount_++] = ring_[best];
        for (int m = best; m + 1 < size_; ++m)
            ring_[m] = ring_[m + 1];
        --size_;
        UpdateArea(best - 1);
        UpdateArea(best % size_);
    }

private:
    // The position half of `Similar`.
    static bool Near(const McdContact* a, const McdContact* b)
    {
        const MeReal* p = a->position;
        const MeReal* q = b->position;
        const MeReal dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
        return ((0 + dx * dx) + dy * dy) + dz * dz < 0.0001f;
    }

    // McdContactsAreSimilar without branches.
    static bool Similar(const McdContact* a, const McdContact* b)
    {
        const MeReal* p = a->position;
        const MeReal* q = b->position;
        const MeReal dx = p[0] - q[0], dy = p[1] - q[1], dz = p[2] - q[2];
        const MeReal d2 = ((0 + dx * dx) + dy * dy) + dz * dz;
        const MeReal* m = a->normal;
        const MeReal* n = b->normal;
        const MeReal dot = ((0 + m[0] * n[0]) + m[1] * n[1]) + m[2] * n[2];
        return (d2 < 0.0001f) & (dot > 0.9999f);
    }

    // The chain of edges that see p, [first, end): the run of seeing edges that holds edge 0
    // when that one sees p, else the first run after it. False when no edge or every edge
    // sees p (p inside, or a degenerate ring). `ChainByWalk` walks the ring; `ChainByMask`
    // finds the same run from a bit mask of the edges, without a branch per edge.
    bool ChainByWalk(const MeReal p[2], int* firstOut, int* endOut) const
    {
        int seeing = -1, blind = -1, k = 0;
        do {
            if (Sees(k, p))
                seeing = k;
            else
                blind = k;
            k = Next(k);
        } while (k != 0 && !(seeing >= 0 && blind >= 0));
        if (seeing < 0 || blind < 0)
            return false;
        int first = seeing;
        while (Sees(Prev(first), p) && Prev(first) != seeing)
            first = Prev(first);
        int last = first;
        while (Sees(Next(last), p) && Next(last) != first)
            last = Next(last);
        *firstOut = first;
        *endOut = Next(last);
        return true;
    }

    bool ChainByMask(const MeReal p[2], int* firstOut, int* endOut) const
    {
        using Bits = unsigned long long;
        Bits mask = 0;
        for (int k = 0; k + 1 < size_; ++k) {
            const HullNode& a = node(k);
            const HullNode& b = node(k + 1);
            mask |= Bits(Measure(a.x, a.y, b.x, b.y, p[0], p[1]) < 0) << k;
        }
        const HullNode& last = node(size_ - 1);
        const HullNode& head = node(0);
        mask |= Bits(Measure(last.x, last.y, head.x, head.y, p[0], p[1]) < 0) << (size_ - 1);
        const Bits all = size_ == 64 ? ~Bits(0) : (Bits(1) << size_) - 1;
        if (mask == 0 || mask == all)
            return false;
        if (!(mask & 1)) {
            const int first = __builtin_ctzll(mask);
            const int end = first + __builtin_ctzll(~(mask >> first));
            *firstOut = first;
            *endOut = end == size_ ? 0 : end;
        } else {
            *endOut = __builtin_ctzll(~mask);
            // The run wraps back through the top bits to just after the highest clear bit.
            *firstOut = (mask >> (size_ - 1)) & 1 ? 64 - __builtin_clzll(~mask & all) : 0;
        }
        return true;
    }

    int Next(int k) const { return k + 1 < size_ ? k + 1 : 0; }
    int Prev(int k) const { return k > 0 ? k - 1 : size_ - 1; }

    // A free slot holding c at the plane point `at`.
    unsigned short Take(McdContact* c, const HullNode& at)
    {
        const unsigned short slot = freeCount_ > 0 ? free_[--freeCount_] : used_++;
        HullNode& node = pool_[slot];
        node.contact = c;
        node.x = at.x;
        node.y = at.y;
        node.area = 0;
        return slot;
    }

    HullNode Projected(McdContact* c) const
    {
        HullNode at{c, 0, 0, 0};
        frame_.Project(c->position, &at.x, &at.y);
        return at;
    }

    void UpdateArea(int k)
    {
        const HullNode& a = node(Prev(k));
        const HullNode& b = node(Next(k));
        HullNode& self = pool_[ring_[k]];
        self.area = Measure(a.x, a.y, self.x, self.y, b.x, b.y);
    }

    bool Sees(int k, const MeReal p[2]) const
    {
        const HullNode& a = node(k);
        const HullNode& b = node(Next(k));
        return Measure(a.x, a.y, b.x, b.y, p[0], p[1]) < 0;
    }

    const PlaneFrame& frame_;
    int normalsAgree_;
    HullNode pool_[kCapacity];
    unsigned short ring_[kCapacity];
    unsigned short free_[kCapacity];
    int size_ = 0;
    int used_ = 0;
    int freeCount_ = 0;
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

namespace {

// The culling proper, for at least two candidates with the deepest at index 0 and a
// budget of at least two; kCapacity >= maxCount + 2.
template <int kCapacity>
int CullRing(const MeReal normal[3], McdContact* c, int count, McdContact* out, int maxCount, int faceFirst)
{
    const PlaneFrame frame(normal);
    // Candidates of one pair usually share one normal: their similarity is then their distance.
    int normalsAgree = 1;
    const MeReal* n0 = c[0].normal;
    for (int i = 1; i < count; ++i) {
        const MeReal* n = c[i].normal;
        normalsAgree &= (n[0] == n0[0]) & (n[1] == n0[1]) & (n[2] == n0[2]);
    }
    if (normalsAgree)
        normalsAgree = ((0 + n0[0] * n0[0]) + n0[1] * n0[1]) + n0[2] * n0[2] > 0.9999f ? 1 : 0;
    else
        normalsAgree = -1;
    CullHull<kCapacity> hull(frame, normalsAgree);
    hull.Start(&c[0]);

    int i = 1;
    while (i < count && McdContactsAreSimilar(&c[0], &c[i]))
        ++i;
    if (i < count) {
        hull.InsertAfter(0, &c[i]);
        ++i;
        if (maxCount > 2) {
            for (; i < count; ++i) {
                MeReal px, py;
                frame.Project(c[i].position, &px, &py);
                const HullNode& a = hull.node(0);
                const HullNode& b = hull.node(1);
                const MeReal s = Measure(a.x, a.y, b.x, b.y, px, py);
                if (s > 0.0001f || s < -0.0001f) {
                    hull.InsertAfter(s > 0 ? 1 : 0, &c[i]);
                    const MeReal area = s > 0 ? s : -s;
                    for (int k = 0; k < 3; ++k)
                        hull.SetArea(k, area);
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
    const int ringCount = hull.size() < maxCount ? hull.size() : maxCount;
    int written = 0;
    if (faceFirst) {
        for (int k = 0; k < ringCount; ++k)
            if (HasFaceFeature(hull.node(k).contact))
                out[written++] = *hull.node(k).contact;
        for (int k = 0; k < ringCount; ++k)
            if (!HasFaceFeature(hull.node(k).contact))
                out[written++] = *hull.node(k).contact;
        return written;
    }
    for (int k = 0; k < ringCount; ++k)
        out[written++] = *hull.node(k).contact;
    return written;
}

}  // namespace

int McdContactCull(const MeReal normal[3], McdContact* c, int count, McdContact* out, int maxCount, int faceFirst)
{
    if (count <= 0 || maxCount <= 0 || !c || !out)
        return 0;
    if (maxCount > kMcdContactCandidateMax)
        maxCount = kMcdContactCandidateMax;

    int deepest = 0;
    MeReal deepestSeparation = c[0].separation;
    for (int i = 1; i < count; ++i) {
        const bool deeper = c[i].separation < deepestSeparation;
        deepest = deeper ? i : deepest;
        deepestSeparation = deeper ? c[i].separation : deepestSeparation;
    }
    if (deepest != 0) {
        const McdContact t = c[0];
        c[0] = c[deepest];
        c[deepest] = t;
    }
    if (count == 1 || maxCount == 1) {
        out[0] = c[0];
        return 1;
    }

    // Small budgets (the usual case) keep the hull in a small stack frame.
    if (maxCount + 2 <= 16)
        return CullRing<16>(normal, c, count, out, maxCount, faceFirst);
    return CullRing<kMcdContactCandidateMax + 2>(normal, c, count, out, maxCount, faceFirst);
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
