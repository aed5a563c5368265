#pragma once
/// Small vector, matrix and quaternion helpers of the toolkit, and two geometric tests.
/// Matrices are 4x4 row-major with rows as basis vectors and the translation in row 3;
/// points are row vectors multiplied on the left; quaternions are stored w, x, y, z.

#include "physics/dynamics/me_types.h"

#include <cmath>

inline MeReal MeVector3Dot(const MeReal* a, const MeReal* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
inline void MeVector3Cross(MeReal* out, const MeReal* a, const MeReal* b)
{
    MeReal x = a[1] * b[2] - a[2] * b[1], y = a[2] * b[0] - a[0] * b[2], z = a[0] * b[1] - a[1] * b[0];
    out[0] = x, out[1] = y, out[2] = z;
}
inline void MeVector3Copy(MeReal* out, const MeReal* a) { out[0] = a[0], out[1] = a[1], out[2] = a[2]; }
inline void MeVector3Set(MeReal* out, MeReal x, MeReal y, MeReal z) { out[0] = x, out[1] = y, out[2] = z; }
inline void MeVector3Subtract(MeReal* out, const MeReal* a, const MeReal* b)
{
    out[0] = a[0] - b[0], out[1] = a[1] - b[1], out[2] = a[2] - b[2];
}
inline void MeVector3Add(MeReal* out, const MeReal* a, const MeReal* b)
{
    out[0] = a[0] + b[0], out[1] = a[1] + b[1], out[2] = a[2] + b[2];
}
inline void MeVector3Scale(MeReal* v, MeReal s) { v[0] *= s, v[1] *= s, v[2] *= s; }
inline MeReal MeVector3MagnitudeSqr(const MeReal* v) { return MeVector3Dot(v, v); }
inline MeReal MeVector3Magnitude(const MeReal* v) { return std::sqrt(MeVector3Dot(v, v)); }
/// Normalises in place and returns the old length; a zero vector stays zero.
MeReal MeVector3Normalize(MeReal* v);
/// Clamped arc cosine.
MeReal MeSafeAcos(MeReal x);

/// Sets m to the identity.
void MeMatrix4TMMakeIdentity(MeMatrix4 m);
void MeMatrix4Copy(MeMatrix4 out, const MeMatrix4 in);
/// out = p (as a point, w = 1) times the transform.
void MeMatrix4TMTransform(MeReal* out, const MeMatrix4 tm, const MeReal* p);
/// out = v (as a direction, w = 0) times the rotation rows.
void MeMatrix4TMRotate(MeReal* out, const MeMatrix4 tm, const MeReal* v);
/// out = p taken into the frame of tm (inverse rigid transform of a point).
void MeMatrix4TMInverseTransform(MeReal* out, const MeMatrix4 tm, const MeReal* p);
/// out = v taken into the frame of tm (transposed rotation).
void MeMatrix4TMInverseRotate(MeReal* out, const MeMatrix4 tm, const MeReal* v);

/// Unit quaternion of the rotation part of m.
void MeMatrix4ToQuaternion(MeReal q[4], const MeMatrix4 m);
/// Rotation rows 0-2 of m from the unit quaternion q (row 3 and column 3 untouched).
void MeQuaternionToTM(MeMatrix4 m, const MeReal q[4]);
/// Rotates q by |omega| h about omega's direction (world frame); rates below 0.0001 leave q alone.
void MeQuaternionFiniteRotation(MeReal q[4], const MeReal omega[3], MeReal h);
/// Normalises q; a zero quaternion becomes the identity.
void MeQuaternionNormalize(MeReal q[4]);

/// Inverse of a symmetric 3x3 matrix (nine floats, rows of three) by cofactors, written into
/// three rows of three. A singular matrix gives zero rows.
void MeMatrix3SymmetricInverse(const MeReal m[9], MeReal* row0, MeReal* row1, MeReal* row2);
/// Transposes the rotation part and sets the translation to -t R^T.
void MeMatrix4RigidInvertInPlace(MeMatrix4 m);
/// result = a x b for rigid transforms (result may alias a or b); column 3 becomes 0, 0, 0, 1.
void MeMatrix4Multiply(MeMatrix4 result, const MeMatrix4 a, const MeMatrix4 b);

/// Slab test of the ray origin + t direction (t >= 0) against the box [min, max]: 1 on a hit.
int MeSegmentBoxIntersect(const MeReal* min, const MeReal* max, const MeReal* origin, const MeReal* direction);
/// The segment start..end against the box: 1 when it meets the box, with the first point of
/// contact in `hit` (the start itself when it lies inside); 0 when it misses or has no length.
int MeSegmentBoxIntersect(const MeReal* min, const MeReal* max, const MeReal* start, const MeReal* end,
                          MeReal* hit);
/// Two-sided ray-triangle test. On a hit returns 1 and the barycentric u, v and the ray
/// parameter t (t >= 0). Null outputs are allowed.
int MeRayTriangleIntersect(const MeReal* a, const MeReal* b, const MeReal* c, const MeReal* origin,
                           const MeReal* direction, MeReal* u, MeReal* v, MeReal* t);
