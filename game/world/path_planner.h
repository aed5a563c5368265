#pragma once
/// QNPATHPLANNER: the grid path planner of one view.
///
/// Obstacles are axis-aligned boxes that obstacle nodes register (AddBox) and remove
/// (RemoveBox). A search walks an implicit cubic grid from the start, stepping `step` along
/// +z, +x, -z, -x, +y, -y, best first on f = g + h with the inflated heuristic h = 2 |goal - p|.
/// Each selected node must see the node expanded before it (an unblocked segment); one that
/// does not is skipped until a visible node has been expanded. The search ends at the first
/// selected node that sees the goal. The raw path (start .. that node, goal) is then thinned
/// to the corners needed for clear lines of sight.
///
/// A box blocks a point when, grown by the margin, it contains the point but neither the
/// start nor the goal; it blocks a segment when, grown, it meets the segment and contains
/// neither end. An object standing inside a box can thus always leave it.
///
/// No allocation during a search: nodes come from a fixed pool, the open and closed lists are
/// child lists of two root items, boxes sit in one fixed array. Records carry an explicit
/// in-use flag. Four planners exist, one per view of the in-game scene (PathPlanner(view)).

#include <cstdint>
#include <memory>

#include "engine/util/qn_item.h"
#include "engine/util/qnbox.h"

/// One search node, kept in the open or the closed list.
class QNPATHNODE : public QNITEM {
public:
    bool Skip = false;     ///< open node passed over in the current selection (not visible)
    float G = 0.0f;        ///< path length from the start
    float H = 0.0f;        ///< twice the straight-line distance to the goal
    float F = 0.0f;        ///< G + H
    QNPATHNODE* From = nullptr;
    QNVEC3 Position;
};

/// One obstacle record; the address is the caller's handle.
struct QNPATHBOX {
    QNBOX Box;
    bool InUse = false;
};

class QNPATHPLANNER {
public:
    QNPATHPLANNER() = default;
    ~QNPATHPLANNER();
    QNPATHPLANNER(const QNPATHPLANNER&) = delete;
    QNPATHPLANNER& operator=(const QNPATHPLANNER&) = delete;

    /// Allocates `boxCapacity` free box records and `nodeCapacity` search nodes; a raw path may
    /// hold `pathLimit` points before the goal. Frees what an earlier Init allocated.
    void Init(std::uint32_t boxCapacity, std::uint32_t nodeCapacity, std::uint32_t pathLimit);
    /// Empties the lists and frees the arrays. Safe when nothing was allocated. Handles given
    /// out earlier become invalid.
    void Free();
    bool IsInitialised() const { return boxes_ != nullptr; }

    /// Stores a copy of `box` in the first free record and returns that record, or null when
    /// the planner has no arrays, every record is in use, or the box is not valid.
    const QNPATHBOX* AddBox(const QNBOX& box);
    /// Frees the record (null and foreign handles are ignored).
    void RemoveBox(const QNPATHBOX* record);
    /// Moves a registered record to a new box (a vehicle's box following it). False when the
    /// handle is not a record in use or the box is not valid.
    bool MoveBox(const QNPATHBOX* record, const QNBOX& box);

    /// Some box in use, grown by `margin`, contains `point` and neither `start` nor `goal`.
    bool IsPointBlocked(const QNVEC3& point, const QNVEC3& start, const QNVEC3& goal,
                        float margin) const;
    /// Some box in use, grown by `margin`, meets the segment and contains neither end.
    bool IsSegmentBlocked(const QNVEC3& from, const QNVEC3& to, float margin) const;

    /// Plans from `start` to `goal` with grid spacing `step` and clearance `margin`, writing
    /// the thinned path (start first, goal last) into `out`, which holds `capacity` points.
    /// Returns the number of points, or 0 when there is no path: no visible open node, node
    /// pool exhausted, raw path longer than the path limit, or raw path above `capacity`.
    std::uint32_t FindPath(QNVEC3* out, std::uint32_t capacity, const QNVEC3& start,
                           const QNVEC3& goal, float step, float margin);

    /// Empties the open and closed lists (the nodes stay in the pool).
    void Reset();

    /// Points a caller's path buffer needs: the path limit plus the goal.
    std::uint32_t PathCapacity() const { return pathLimit_ + 1; }
    std::uint32_t BoxCapacity() const { return boxCapacity_; }
    std::uint32_t NodeCapacity() const { return nodeCapacity_; }
    /// Records in use.
    std::uint32_t BoxesInUse() const { return inUse_; }
    /// Records ever taken: the highest record in use or freed, plus one.
    std::uint32_t BoxCount() const { return boxCount_; }
    /// Search nodes the last search took from the pool.
    std::uint32_t NodesUsed() const { return nodesUsed_; }
    /// The record `index` (null outside the records taken).
    const QNPATHBOX* Record(std::uint32_t index) const
    {
        return index < boxCount_ ? &boxes_[index] : nullptr;
    }

    /// Thins a raw path of `count` points in place; returns the new count (see the header).
    std::uint32_t ThinPath(QNVEC3* points, std::uint32_t count, float margin) const;

private:
    QNPATHNODE* FindIn(const QNITEM& list, const QNVEC3& p) const;
    QNPATHNODE* SelectOpen() const;
    QNPATHBOX* RecordOf(const QNPATHBOX* handle) const;

    std::uint32_t boxCapacity_ = 0;
    std::uint32_t nodeCapacity_ = 0;
    std::uint32_t boxCount_ = 0;
    std::uint32_t pathLimit_ = 0;
    std::uint32_t nodesUsed_ = 0;
    std::uint32_t inUse_ = 0;
    std::unique_ptr<QNPATHNODE[]> pool_;
    QNITEM open_;
    QNITEM closed_;
    std::unique_ptr<QNPATHBOX[]> boxes_;
};

/// The game's capacities of each view's planner.
inline constexpr std::uint32_t kPlannerBoxes = 300;
inline constexpr std::uint32_t kPlannerNodes = 300;
inline constexpr std::uint32_t kPlannerPathLimit = 100;
/// Points a path buffer for the game's planners holds (path limit plus the goal).
inline constexpr std::uint32_t kPathPoints = kPlannerPathLimit + 1;
/// Views of the in-game scene, one planner each.
inline constexpr std::uint32_t kPlannerViews = 4;

/// The planner of view `view` (0-3), or null for any other number.
QNPATHPLANNER* PathPlanner(std::uint32_t view);
/// Init of every view's planner with the game's capacities (entering the in-game scene).
void InitPathPlanners();
/// Free of every view's planner (leaving the in-game scene).
void FreePathPlanners();
