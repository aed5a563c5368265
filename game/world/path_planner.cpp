// Grid path planner.
//
// Method. Weighted A* over the implicit 6-connected grid x = start + step * (i, j, k). With
// the heuristic doubled the search is greedy towards the goal and expands far fewer nodes
// than plain A*, at the price of paths up to twice the grid optimum; thinning removes most of
// that detour again. Positions are compared with a tolerance of 1e-4 per axis, so nodes met
// along different routes are the same grid point despite rounding.
//
// Visibility. Every selected node must have a clear line of sight from the node expanded
// before it. A node that fails is flagged (Skip) and the next best open node is tried; an
// expansion clears every flag. The search fails when no open node is visible. This keeps the
// expansion front coherent, so that the raw path bends only where a box forces it.
//
// Invariants. A node is in exactly one of the open and closed lists, or in none (unused pool
// entries). Closed nodes with a null parent other than the start are blocked grid points,
// kept so that they are not tested again. Two grid neighbours are linked only when neither
// the point nor the step between them is blocked; the raw path therefore consists of
// unblocked steps plus the final unblocked segment to the goal.
//
// Thinning keeps an anchor and drops points while the segment from the anchor stays clear;
// when it would become blocked, the previous point becomes a corner and the new anchor.
// Every segment of the result is either a tested clear segment or a raw step.

#include "game/world/path_planner.h"

#include <algorithm>
#include <cmath>

namespace {

// Two grid positions closer than this on every axis are the same point.
constexpr float kSamePoint = 0.0001f;

const QNVEC3 kDirections[6] = {
    {0, 0, 1}, {1, 0, 0}, {0, 0, -1}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0},
};

bool Same(const QNVEC3& a, const QNVEC3& b, float tolerance)
{
    return std::fabs(a.x - b.x) < tolerance && std::fabs(a.y - b.y) < tolerance &&
           std::fabs(a.z - b.z) < tolerance;
}

QNBOX Grow(const QNBOX& box, float margin)
{
    const QNVEC3 m(margin, margin, margin);
    return QNBOX(box.min - m, box.max + m);
}

// Largest amount by which `p` lies outside `box` on one axis (0 inside).
float DistanceToBox(const QNVEC3& p, const QNBOX& box)
{
    float d = 0.0f;
    for (int i = 0; i < 3; ++i) {
        if (p[i] < box.min[i])
            d = std::max(d, box.min[i] - p[i]);
        else if (p[i] > box.max[i])
            d = std::max(d, p[i] - box.max[i]);
    }
    return d;
}

// Slab test of the closed box against the segment a + t (b - a), t in [0, 1].
bool SegmentMeetsBox(const QNVEC3& a, const QNVEC3& b, const QNBOX& box)
{
    float t0 = 0.0f, t1 = 1.0f;
    for (int i = 0; i < 3; ++i) {
        const float d = b[i] - a[i];
        if (std::fabs(d) < 1e-12f) {
            if (a[i] < box.min[i] || a[i] > box.max[i])
                return false;
            continue;
        }
        float ta = (box.min[i] - a[i]) / d;
        float tb = (box.max[i] - a[i]) / d;
        if (ta > tb)
            std::swap(ta, tb);
        t0 = std::max(t0, ta);
        t1 = std::min(t1, tb);
        if (t0 > t1)
            return false;
    }
    return true;
}

float Distance(const QNVEC3& a, const QNVEC3& b)
{
    return (a - b).Length();
}

}  // namespace

QNPATHPLANNER::~QNPATHPLANNER()
{
    Free();
}

void QNPATHPLANNER::Init(std::uint32_t boxCapacity, std::uint32_t nodeCapacity, std::uint32_t pathLimit)
{
    Free();
    boxCapacity_ = boxCapacity;
    nodeCapacity_ = nodeCapacity;
    pathLimit_ = pathLimit;
    boxes_ = std::make_unique<QNPATHBOX[]>(boxCapacity ? boxCapacity : 1);
    pool_ = std::make_unique<QNPATHNODE[]>(nodeCapacity ? nodeCapacity : 1);
    boxCount_ = 0;
    inUse_ = 0;
    nodesUsed_ = 0;
}

void QNPATHPLANNER::Free()
{
    Reset();
    pool_.reset();
    boxes_.reset();
    boxCount_ = 0;
    inUse_ = 0;
    nodesUsed_ = 0;
}

void QNPATHPLANNER::Reset()
{
    while (QNITEM* n = open_.FirstChild())
        n->Unlink();
    while (QNITEM* n = closed_.FirstChild())
        n->Unlink();
}

QNPATHBOX* QNPATHPLANNER::RecordOf(const QNPATHBOX* handle) const
{
    if (!boxes_ || !handle || handle < boxes_.get() || handle >= boxes_.get() + boxCount_)
        return nullptr;
    return &boxes_[handle - boxes_.get()];
}

const QNPATHBOX* QNPATHPLANNER::AddBox(const QNBOX& box)
{
    if (!boxes_ || !box.IsValid())
        return nullptr;
    QNPATHBOX* record = nullptr;
    if (inUse_ < boxCount_) {
        for (std::uint32_t i = 0; i < boxCount_ && !record; ++i) {
            if (!boxes_[i].InUse)
                record = &boxes_[i];
        }
    } else if (boxCount_ < boxCapacity_) {
        record = &boxes_[boxCount_++];
    }
    if (!record)
        return nullptr;
    record->Box = box;
    record->InUse = true;
    ++inUse_;
    return record;
}

void QNPATHPLANNER::RemoveBox(const QNPATHBOX* handle)
{
    QNPATHBOX* record = RecordOf(handle);
    if (!record || !record->InUse)
        return;
    record->InUse = false;
    record->Box = QNBOX();
    --inUse_;
}

bool QNPATHPLANNER::MoveBox(const QNPATHBOX* handle, const QNBOX& box)
{
    QNPATHBOX* record = RecordOf(handle);
    if (!record || !record->InUse || !box.IsValid())
        return false;
    record->Box = box;
    return true;
}

bool QNPATHPLANNER::IsPointBlocked(const QNVEC3& point, const QNVEC3& start, const QNVEC3& goal,
                                   float margin) const
{
    for (std::uint32_t i = 0; i < boxCount_; ++i) {
        if (!boxes_[i].InUse)
            continue;
        const QNBOX grown = Grow(boxes_[i].Box, margin);
        if (grown.Contains(point) && !grown.Contains(start) && !grown.Contains(goal))
            return true;
    }
    return false;
}

bool QNPATHPLANNER::IsSegmentBlocked(const QNVEC3& from, const QNVEC3& to, float margin) const
{
    const QNVEC3 d = to - from;
    const float reach = std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)});
    for (std::uint32_t i = 0; i < boxCount_; ++i) {
        if (!boxes_[i].InUse)
            continue;
        const QNBOX grown = Grow(boxes_[i].Box, margin);
        if (DistanceToBox(from, grown) > reach)
            continue;
        if (grown.Contains(from) || grown.Contains(to))
            continue;
        if (SegmentMeetsBox(from, to, grown))
            return true;
    }
    return false;
}

QNPATHNODE* QNPATHPLANNER::FindIn(const QNITEM& list, const QNVEC3& p) const
{
    for (QNITEM* i = list.FirstChild(); i; i = i->Next()) {
        auto* n = static_cast<QNPATHNODE*>(i);
        if (Same(n->Position, p, kSamePoint))
            return n;
    }
    return nullptr;
}

QNPATHNODE* QNPATHPLANNER::SelectOpen() const
{
    QNPATHNODE* best = nullptr;
    for (QNITEM* i = open_.FirstChild(); i; i = i->Next()) {
        auto* n = static_cast<QNPATHNODE*>(i);
        if (!n->Skip && (!best || n->F < best->F))
            best = n;
    }
    return best;
}

std::uint32_t QNPATHPLANNER::FindPath(QNVEC3* out, std::uint32_t capacity, const QNVEC3& start,
                                      const QNVEC3& goal, float step, float margin)
{
    if (!pool_ || !out || nodeCapacity_ == 0 || !(step > 0.0f))
        return 0;
    Reset();
    auto nodeAt = [&](std::uint32_t i) -> QNPATHNODE& {
        QNPATHNODE& n = pool_[i];
        n.Skip = false;
        n.From = nullptr;
        n.G = n.H = n.F = 0.0f;
        return n;
    };

    QNPATHNODE& first = nodeAt(0);
    nodesUsed_ = 1;
    first.Position = start;
    first.H = 2.0f * Distance(goal, start);
    first.F = first.H;
    open_.AddChild(&first);

    QNPATHNODE* previous = nullptr;
    QNPATHNODE* found = nullptr;
    while (!found) {
        QNPATHNODE* selected = SelectOpen();
        if (!selected)
            break;
        if (previous) {
            if (IsSegmentBlocked(previous->Position, selected->Position, margin)) {
                selected->Skip = true;
                continue;
            }
            for (QNITEM* i = open_.FirstChild(); i; i = i->Next())
                static_cast<QNPATHNODE*>(i)->Skip = false;
        }
        if (!IsSegmentBlocked(selected->Position, goal, margin)) {
            found = selected;
            break;
        }
        bool exhausted = false;
        for (const QNVEC3& dir : kDirections) {
            const QNVEC3 p = selected->Position + dir * step;
            const float g = selected->G + Distance(p, selected->Position);
            const float h = 2.0f * Distance(goal, p);
            if (QNPATHNODE* closed = FindIn(closed_, p)) {
                // Blocked grid points stay closed for good.
                if (!closed->From && closed != &first)
                    continue;
                if (closed->F <= g + h)
                    continue;
                if (IsSegmentBlocked(selected->Position, p, margin))
                    continue;
                closed->From = selected;
                closed->G = g;
                closed->H = h;
                closed->F = g + h;
                closed->Skip = false;
                open_.AddChild(closed);
            } else if (QNPATHNODE* open = FindIn(open_, p)) {
                if (g + h < open->F && !IsSegmentBlocked(selected->Position, p, margin)) {
                    open->From = selected;
                    open->G = g;
                    open->H = h;
                    open->F = g + h;
                }
            } else {
                const bool pointBlocked = IsPointBlocked(p, start, goal, margin);
                // A step across a box thinner than the grid leaves both points free; such a
                // neighbour is not linked, but stays reachable from another side.
                if (!pointBlocked && IsSegmentBlocked(selected->Position, p, margin))
                    continue;
                if (nodesUsed_ == nodeCapacity_) {
                    exhausted = true;
                    break;
                }
                QNPATHNODE& n = nodeAt(nodesUsed_++);
                n.Position = p;
                if (pointBlocked) {
                    closed_.AddChild(&n);
                } else {
                    n.From = selected;
                    n.G = g;
                    n.H = h;
                    n.F = g + h;
                    open_.AddChild(&n);
                }
            }
        }
        if (exhausted)
            break;
        previous = selected;
        closed_.AddChild(selected);
    }

    std::uint32_t count = 0;
    if (found) {
        std::uint32_t nodes = 0;
        for (const QNPATHNODE* n = found; n; n = n->From)
            ++nodes;
        if (nodes <= pathLimit_ && nodes + 1 <= capacity) {
            std::uint32_t i = nodes;
            for (const QNPATHNODE* n = found; n; n = n->From)
                out[--i] = n->Position;
            out[nodes] = goal;
            count = nodes + 1;
        }
    }
    Reset();
    return count ? ThinPath(out, count, margin) : 0;
}

std::uint32_t QNPATHPLANNER::ThinPath(QNVEC3* p, std::uint32_t n, float margin) const
{
    if (n < 3)
        return n;
    // Every candidate segment is tested, collinear ones too: dropping a point on the line
    // without a test could pass a box that only the longer segment reaches.
    QNVEC3 anchor = p[0];
    std::uint32_t write = 1;
    for (std::uint32_t c = 2; c < n; ++c) {
        if (IsSegmentBlocked(anchor, p[c], margin)) {
            p[write++] = p[c - 1];
            anchor = p[c - 1];
        }
    }
    p[write] = p[n - 1];
    return write + 1;
}

namespace {

QNPATHPLANNER* Planners()
{
    static QNPATHPLANNER planners[kPlannerViews];
    return planners;
}

}  // namespace

QNPATHPLANNER* PathPlanner(std::uint32_t view)
{
    return view < kPlannerViews ? &Planners()[view] : nullptr;
}

void InitPathPlanners()
{
    for (std::uint32_t v = 0; v < kPlannerViews; ++v)
        Planners()[v].Init(kPlannerBoxes, kPlannerNodes, kPlannerPathLimit);
}

void FreePathPlanners()
{
    for (std::uint32_t v = 0; v < kPlannerViews; ++v)
        Planners()[v].Free();
}
