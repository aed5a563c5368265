#pragma once
/// Axis-aligned box. On each axis the box is the half-open interval [min, max);
/// an axis whose max is not above its min is the single point at min.

#include "engine/util/qnmatrix.h"

struct QNBOX {
    QNVEC3 min;
    QNVEC3 max;

    QNBOX() = default;
    QNBOX(const QNVEC3& lo, const QNVEC3& hi) : min(lo), max(hi) {}

    /// False when an axis has min above max (or not comparable); otherwise true
    /// only when at least one axis is a proper interval.
    bool IsValid() const;
    /// min <= max on every axis (a point or a flat box counts; a cleared box does not).
    bool IsOrdered() const { return min.x <= max.x && min.y <= max.y && min.z <= max.z; }
    /// min <= p < max on every axis, or p == min on a point axis.
    bool Contains(const QNVEC3& p) const;
    /// The two boxes share a point on every axis.
    bool Intersects(const QNBOX& b) const;
    /// With first set: the box becomes the point and first is cleared; otherwise widened to take p.
    void Extend(const QNVEC3& p, bool& first);
    /// Extend by b's min, then by its max.
    void ExtendBox(const QNBOX& b, bool& first);
    /// Corner i (0..7): x = max for i = 1, 2, 5, 6; y = max for i = 0, 1, 4, 5; z = max for i >= 4.
    /// Other indices give corner i & 7.
    QNVEC3 Corner(int i) const;
    /// The box of the eight corners transformed as points.
    QNBOX Transform(const QNMATRIX& m) const;
    /// Half the diagonal: the radius of the sphere about the centre that holds the box.
    float Radius() const { return (max - min).Length() * 0.5f; }
};
