#pragma once
// Small helpers of the sphere, box and plane pair functions.

#include <cmath>

#include "physics/collision/geometry_tests.h"
#include "physics/collision/model.h"
#include "physics/collision/model_pair.h"
#include "physics/collision/primitives.h"

namespace mcdpair {

inline MeReal Dot(const MeReal a[3], const MeReal b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

/// Pose of frame G expressed in frame F: rows 0-2 G's axes in F's coordinates, row 3 G's
/// origin relative to F's in F's coordinates.
inline void PoseIn(MeReal out[4][4], MeConstMatrix4Ptr f, MeConstMatrix4Ptr g)
{
    const MeReal d[3] = {g[3][0] - f[3][0], g[3][1] - f[3][1], g[3][2] - f[3][2]};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            out[i][j] = Dot(g[i], f[j]);
        out[i][3] = 0;
        out[3][i] = Dot(d, f[i]);
    }
    out[3][3] = 1;
}

/// out = rotation of t applied to v.
inline void Rotate(MeReal out[3], MeConstMatrix4Ptr t, const MeReal v[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = v[0] * t[0][j] + v[1] * t[1][j] + v[2] * t[2][j];
}

/// out = t applied to the point p.
inline void Transform(MeReal out[3], MeConstMatrix4Ptr t, const MeReal p[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
}

/// p - origin of t, in t's coordinates.
inline void InverseTransform(MeReal out[3], MeConstMatrix4Ptr t, const MeReal p[3])
{
    const MeReal d[3] = {p[0] - t[3][0], p[1] - t[3][1], p[2] - t[3][2]};
    for (int j = 0; j < 3; ++j)
        out[j] = Dot(d, t[j]);
}

inline MeReal PairPadding(const McdModelPair* pair)
{
    return pair->model1->padding + pair->model2->padding;
}

inline MeReal SphereRadius(McdModelID m)
{
    return static_cast<McdSphere*>(McdModelGetGeometry(m))->radius;
}

inline const MeReal* BoxExtents(McdModelID m)
{
    return static_cast<McdBox*>(McdModelGetGeometry(m))->halfExtents;
}

/// The model's position, or the origin without a transform.
inline void Origin(MeReal out[3], McdModelID m)
{
    MeMatrix4Ptr t = McdModelGetTransformPtr(m);
    for (int i = 0; i < 3; ++i)
        out[i] = t ? t[3][i] : 0.0f;
}

/// A plane model's unit normal (row 2 of its transform, or +z without one).
inline void PlaneNormal(MeReal out[3], McdModelID m)
{
    MeMatrix4Ptr t = McdModelGetTransformPtr(m);
    for (int i = 0; i < 3; ++i)
        out[i] = t ? t[2][i] : (i == 2 ? 1.0f : 0.0f);
}

/// The identity, for models without a transform.
inline MeConstMatrix4Ptr IdentityPose()
{
    static const MeReal identity[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
    return identity;
}

inline MeConstMatrix4Ptr PoseOf(McdModelID m)
{
    MeMatrix4Ptr t = McdModelGetTransformPtr(m);
    return t ? t : IdentityPose();
}

/// The one-contact tail of the sphere pairs and box-sphere.
inline int WriteOneContact(McdIntersectResult* result, const MeReal position[3], const MeReal normal[3],
                           MeReal separation, MeI16 dims)
{
    for (int i = 0; i < 3; ++i)
        result->normal[i] = normal[i];
    if (result->contactMaxCount < 1 || !result->contacts) {
        result->contactCount = 0;
        return 1;
    }
    McdContact& c = result->contacts[0];
    c = McdContact{};
    for (int i = 0; i < 3; ++i) {
        c.position[i] = position[i];
        c.normal[i] = normal[i];
    }
    c.separation = separation;
    c.dims = dims;
    result->contactCount = 1;
    return 1;
}

/// Not touching: no contacts, a zero normal.
inline int NoContact(McdIntersectResult* result)
{
    result->contactCount = 0;
    result->normal[0] = result->normal[1] = result->normal[2] = 0;
    return 0;
}

}  // namespace mcdpair
