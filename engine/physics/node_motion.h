#pragma once
/// Physics-layer helpers of the node operations (QNNODE's transform, bounds and motion
/// members are declared in engine/scene/node.h and implemented in this layer).

#include <cstdint>

#include "engine/util/qnmatrix.h"

class QNNODE;
class QNVIEW;
class QNBODY;
class QNPHYSWORLD;

/// The node's body record (body level and below), or null.
QNBODY* PhysicsBodyOf(const QNNODE* node);
/// The view's physics world, made on first use once the collision framework exists.
QNPHYSWORLD* PhysicsWorldOf(QNVIEW* view);

/// The point at arc length `distance` along the polyline of `count` points, on a cubic
/// through the segment's ends whose tangents are `startTangent` at the first point,
/// `endTangent` at the last and the normalised direction between the neighbours at inner
/// points, each scaled by the segment's length and `tangentScale`. A negative distance gives
/// the first point and false; a distance beyond the end gives the last point and false.
bool PointAlongPath(const QNVEC3* points, std::uint32_t count, QNVEC3& out, const QNVEC3& startTangent,
                    const QNVEC3& endTangent, float distance, float tangentScale);

/// |x|.
inline float Fabs(float x)
{
    return x < 0.0f ? -x : x;
}
