#pragma once
// Internals of the triangle-mesh walks: the explicit walk stack and the per-triangle tests.

#include <cstddef>

#include "physics/collision/collision_local.h"
#include "physics/collision/space.h"
#include "physics/collision/triangle_mesh_tree.h"

/// A stack for tree walks. Room for `capacity` entries: a local block covers ordinary trees,
/// deeper ones borrow a block from the memory table for the walk.
template <class T>
class CxNodeStack {
public:
    explicit CxNodeStack(int capacity) : capacity_(capacity < 1 ? 1 : capacity)
    {
        items_ = local_;
        if (capacity_ > kLocal) {
            items_ = McdNewArray<T>(static_cast<std::size_t>(capacity_));
            heap_ = items_ != nullptr;
        }
    }
    ~CxNodeStack()
    {
        if (heap_)
            McdDeleteArray(items_);
    }
    CxNodeStack(const CxNodeStack&) = delete;
    CxNodeStack& operator=(const CxNodeStack&) = delete;

    bool Ok() const { return items_ != nullptr; }
    bool Empty() const { return top_ == 0; }
    /// False (nothing pushed) when full; the capacities used make that impossible.
    bool Push(const T& item)
    {
        if (top_ >= capacity_)
            return false;
        items_[top_++] = item;
        return true;
    }
    T Pop() { return items_[--top_]; }

private:
    static constexpr int kLocal = 128;
    T local_[kLocal];  // entries are written before they are read
    T* items_ = nullptr;
    int capacity_ = 0;
    int top_ = 0;
    bool heap_ = false;
};

/// One triangle (world corners, world normal) against the segment P0 + t d, t in [0, 1]:
/// on a crossing at t <= *tBest, sets *tBest and the hit's position, normal and distance L t.
bool CxSegmentTriangle(const MeReal A[3], const MeReal B[3], const MeReal C[3], const MeReal n[3], const MeReal P0[3],
                       const MeReal d[3], MeReal L, MeReal* tBest, McdLineSegIntersectResult* hit);
