// Segment tests of the box (slabs), sphere (quadratic) and plane (heights).
//
// Every test works in the geometry's frame and parameterises the segment by distance:
// p0 + t.u with u the unit direction and t in [0, L]. A hit at t = L (the segment ending on
// the surface) counts.

#include "physics/collision/line_segment.h"

#include <cmath>

#include "physics/collision/pair_local.h"

using namespace mcdpair;

int McdBoxLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3], McdLineSegIntersectResult* hit)
{
    MeConstMatrix4Ptr t = PoseOf(model);
    const MeReal* e = BoxExtents(model);
    MeReal a[3], b[3];
    InverseTransform(a, t, p0);
    InverseTransform(b, t, p1);
    MeReal d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const MeReal length = std::sqrt(Dot(d, d));
    if (!(length >= 1e-6f))
        return 0;
    for (MeReal& x : d)
        x /= length;

    int side[3];  // -1 below the slab, +1 above, 0 inside
    MeReal plane[3] = {0, 0, 0};
    bool inside = true;
    for (int i = 0; i < 3; ++i) {
        side[i] = a[i] < -e[i] ? -1 : (a[i] > e[i] ? 1 : 0);
        plane[i] = side[i] * e[i];
        if (side[i] != 0)
            inside = false;
    }
    if (inside) {
        // Starting inside: the hit is the first point; the normal faces back along the segment.
        for (int i = 0; i < 3; ++i) {
            hit->position[i] = p0[i];
            hit->normal[i] = -(p1[i] - p0[i]) / length;
        }
        hit->distance = 0;
        return 1;
    }
    int axis = -1;
    MeReal best = -1;
    for (int i = 0; i < 3; ++i) {
        if (side[i] == 0 || d[i] == 0)
            continue;
        const MeReal ti = (plane[i] - a[i]) / d[i];
        if (ti > best) {
            best = ti;
            axis = i;
        }
    }
    if (axis < 0 || best < 0 || best > length)
        return 0;
    MeReal q[3];
    for (int i = 0; i < 3; ++i) {
        if (i == axis) {
            q[i] = plane[i];
            continue;
        }
        q[i] = a[i] + best * d[i];
        if (q[i] < -e[i] || q[i] > e[i])
            return 0;
    }
    Transform(hit->position, t, q);
    for (int i = 0; i < 3; ++i)
        hit->normal[i] = side[axis] * t[axis][i];
    hit->distance = best;
    return 1;
}

int McdSphereLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3], McdLineSegIntersectResult* hit)
{
    MeReal c[3];
    Origin(c, model);
    const MeReal r = SphereRadius(model);
    MeReal u[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const MeReal length = std::sqrt(Dot(u, u));
    if (!(length >= 1e-6f))
        return 0;
    for (MeReal& x : u)
        x /= length;
    const MeReal w[3] = {c[0] - p0[0], c[1] - p0[1], c[2] - p0[2]};
    const MeReal s = Dot(u, w);
    const MeReal w2 = Dot(w, w);
    const MeReal r2 = r * r;
    if (s < 0 && w2 > r2)
        return 0;
    const MeReal m2 = w2 - s * s;
    if (m2 > r2)
        return 0;
    const MeReal half = std::sqrt(r2 - m2 > 0 ? r2 - m2 : 0);
    const MeReal t = w2 > r2 ? s - half : s + half;
    if (t > length)
        return 0;
    MeReal n[3];
    for (int i = 0; i < 3; ++i) {
        hit->position[i] = p0[i] + t * u[i];
        n[i] = hit->position[i] - c[i];
    }
    // Normalised rather than divided by r: a point sphere has no radius to divide by.
    const MeReal len = std::sqrt(Dot(n, n));
    for (int i = 0; i < 3; ++i)
        hit->normal[i] = len > 0 ? n[i] / len : -u[i];
    hit->distance = t;
    return 1;
}

int McdPlaneLineSegment(McdModelID model, const MeReal p0[3], const MeReal p1[3], McdLineSegIntersectResult* hit)
{
    MeConstMatrix4Ptr t = PoseOf(model);
    MeReal a[3], b[3];
    InverseTransform(a, t, p0);
    InverseTransform(b, t, p1);
    if (a[2] > 0 && b[2] > 0)
        return 0;
    if (a[2] < 0) {
        for (int i = 0; i < 3; ++i) {
            hit->position[i] = p0[i];
            hit->normal[i] = t[2][i];
        }
        hit->distance = 0;
        return 1;
    }
    const MeReal e[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    // A segment lying in (or along) the plane crosses nothing.
    if (std::fabs(e[2]) < 1e-6f)
        return 0;
    const MeReal s = -a[2] / e[2];
    const MeReal q[3] = {a[0] + s * e[0], a[1] + s * e[1], 0};
    Transform(hit->position, t, q);
    for (int i = 0; i < 3; ++i)
        hit->normal[i] = t[2][i];
    hit->distance = s * std::sqrt(Dot(e, e));
    return 1;
}

void McdBoxRegisterLineSeg(McdFrameworkID framework)
{
    McdGeometrySetLineSegFn(framework, kMcdBoxType, McdBoxLineSegment);
}

void McdSphereRegisterLineSeg(McdFrameworkID framework)
{
    McdGeometrySetLineSegFn(framework, kMcdSphereType, McdSphereLineSegment);
}

void McdPlaneRegisterLineSeg(McdFrameworkID framework)
{
    McdGeometrySetLineSegFn(framework, kMcdPlaneType, McdPlaneLineSegment);
}
