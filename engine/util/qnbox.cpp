#include "engine/util/qnbox.h"

namespace {

// One axis of a box: [lo, hi) or, when hi is not above lo, the point lo.
bool AxisContains(float lo, float hi, float p) {
    if (hi > lo) return lo <= p && p < hi;
    return p == lo;
}

bool AxisIntersects(float alo, float ahi, float blo, float bhi) {
    bool ap = !(ahi > alo), bp = !(bhi > blo);
    if (!ap && !bp) return alo < bhi && blo < ahi;
    if (ap && bp) return alo == blo;
    if (ap) return AxisContains(blo, bhi, alo);
    return AxisContains(alo, ahi, blo);
}

}  // namespace

bool QNBOX::IsValid() const {
    bool proper = false;
    for (int i = 0; i < 3; ++i) {
        if (!(min[i] <= max[i])) return false;
        if (min[i] < max[i]) proper = true;
    }
    return proper;
}

bool QNBOX::Contains(const QNVEC3& p) const {
    for (int i = 0; i < 3; ++i)
        if (!AxisContains(min[i], max[i], p[i])) return false;
    return true;
}

bool QNBOX::Intersects(const QNBOX& b) const {
    for (int i = 0; i < 3; ++i)
        if (!AxisIntersects(min[i], max[i], b.min[i], b.max[i])) return false;
    return true;
}

void QNBOX::Extend(const QNVEC3& p, bool& first) {
    if (first) {
        min = max = p;
        first = false;
        return;
    }
    for (int i = 0; i < 3; ++i) {
        if (p[i] < min[i]) min[i] = p[i];
        if (p[i] > max[i]) max[i] = p[i];
    }
}

void QNBOX::ExtendBox(const QNBOX& b, bool& first) {
    Extend(b.min, first);
    Extend(b.max, first);
}

QNVEC3 QNBOX::Corner(int i) const {
    i &= 7;
    bool xmax = i == 1 || i == 2 || i == 5 || i == 6;
    bool ymax = i == 0 || i == 1 || i == 4 || i == 5;
    bool zmax = i >= 4;
    return {xmax ? max.x : min.x, ymax ? max.y : min.y, zmax ? max.z : min.z};
}

QNBOX QNBOX::Transform(const QNMATRIX& m) const {
    QNBOX r;
    bool first = true;
    for (int i = 0; i < 8; ++i) r.Extend(QNVEC3::TransformCoord(Corner(i), m), first);
    return r;
}
