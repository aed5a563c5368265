#include "physics/dynamics/me_math.h"

#include <cstring>

MeReal MeVector3Normalize(MeReal* v)
{
    MeReal length = MeVector3Magnitude(v);
    if (length > 0) {
        MeReal inv = 1 / length;
        MeVector3Scale(v, inv);
    } else {
        v[0] = v[1] = v[2] = 0;
    }
    return length;
}

MeReal MeSafeAcos(MeReal x) { return std::acos(x < -1 ? -1 : (x > 1 ? 1 : x)); }

void MeMatrix4TMMakeIdentity(MeMatrix4 m)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            m[i][j] = i == j ? 1.0f : 0.0f;
}

void MeMatrix4Copy(MeMatrix4 out, const MeMatrix4 in) { std::memmove(out, in, sizeof(MeMatrix4)); }

void MeMatrix4TMTransform(MeReal* out, const MeMatrix4 tm, const MeReal* p)
{
    MeReal r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = p[0] * tm[0][j] + p[1] * tm[1][j] + p[2] * tm[2][j] + tm[3][j];
    MeVector3Copy(out, r);
}

void MeMatrix4TMRotate(MeReal* out, const MeMatrix4 tm, const MeReal* v)
{
    MeReal r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = v[0] * tm[0][j] + v[1] * tm[1][j] + v[2] * tm[2][j];
    MeVector3Copy(out, r);
}

void MeMatrix4TMInverseRotate(MeReal* out, const MeMatrix4 tm, const MeReal* v)
{
    MeReal r[3];
    for (int i = 0; i < 3; ++i)
        r[i] = MeVector3Dot(tm[i], v);
    MeVector3Copy(out, r);
}

void MeMatrix4TMInverseTransform(MeReal* out, const MeMatrix4 tm, const MeReal* p)
{
    MeReal d[3];
    MeVector3Subtract(d, p, tm[3]);
    MeMatrix4TMInverseRotate(out, tm, d);
}

void MeMatrix4ToQuaternion(MeReal q[4], const MeMatrix4 m)
{
    MeReal t = m[0][0] + m[1][1] + m[2][2];
    if (t > 0) {
        MeReal s = std::sqrt(t + 1);
        q[0] = s / 2;
        MeReal f = 0.5f / s;
        q[1] = (m[1][2] - m[2][1]) * f;
        q[2] = (m[2][0] - m[0][2]) * f;
        q[3] = (m[0][1] - m[1][0]) * f;
        return;
    }
    static const int next[3] = {1, 2, 0};
    int i = 0;
    if (m[1][1] > m[0][0])
        i = 1;
    if (m[2][2] > m[i][i])
        i = 2;
    int j = next[i], k = next[j];
    MeReal s = std::sqrt(std::fmax(m[i][i] - m[j][j] - m[k][k] + 1, 0.0f));
    if (s == 0) {
        q[0] = 1, q[1] = q[2] = q[3] = 0;
        return;
    }
    MeReal f = 0.5f / s;
    q[1 + i] = s / 2;
    q[0] = (m[j][k] - m[k][j]) * f;
    q[1 + j] = (m[i][j] + m[j][i]) * f;
    q[1 + k] = (m[i][k] + m[k][i]) * f;
}

void MeQuaternionToTM(MeMatrix4 m, const MeReal q[4])
{
    const MeReal w = q[0], x = q[1], y = q[2], z = q[3];
    // Rows are the images of the local axes: the transpose of the column-vector matrix.
    m[0][0] = 1 - 2 * (y * y + z * z);
    m[0][1] = 2 * (x * y + w * z);
    m[0][2] = 2 * (x * z - w * y);
    m[1][0] = 2 * (x * y - w * z);
    m[1][1] = 1 - 2 * (x * x + z * z);
    m[1][2] = 2 * (y * z + w * x);
    m[2][0] = 2 * (x * z + w * y);
    m[2][1] = 2 * (y * z - w * x);
    m[2][2] = 1 - 2 * (x * x + y * y);
}

void MeQuaternionFiniteRotation(MeReal q[4], const MeReal omega[3], MeReal h)
{
    MeReal rate = MeVector3Magnitude(omega);
    if (rate < 0.0001f)
        return;
    MeReal a = rate * h / 2;
    MeReal c = std::cos(a), s = std::sin(a);
    MeReal u[3] = {omega[0] / rate, omega[1] / rate, omega[2] / rate};
    MeReal w = q[0];
    MeReal v[3] = {q[1], q[2], q[3]};
    MeReal uxv[3];
    MeVector3Cross(uxv, u, v);
    q[0] = c * w - s * MeVector3Dot(u, v);
    for (int i = 0; i < 3; ++i)
        q[1 + i] = c * v[i] + s * (w * u[i] + uxv[i]);
}

void MeQuaternionNormalize(MeReal q[4])
{
    MeReal n = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (n > 0) {
        for (int i = 0; i < 4; ++i)
            q[i] /= n;
    } else {
        q[0] = 1, q[1] = q[2] = q[3] = 0;
    }
}

void MeMatrix3SymmetricInverse(const MeReal m[9], MeReal* row0, MeReal* row1, MeReal* row2)
{
    const MeReal a = m[0], b = m[1], c = m[2], e = m[4], f = m[5], i = m[8];
    // Cofactors of the symmetric matrix [a b c; b e f; c f i].
    MeReal c00 = e * i - f * f, c01 = c * f - b * i, c02 = b * f - c * e;
    MeReal c11 = a * i - c * c, c12 = b * c - a * f, c22 = a * e - b * b;
    MeReal det = a * c00 + b * c01 + c * c02;
    MeReal inv = det != 0 ? 1 / det : 0;
    row0[0] = c00 * inv, row0[1] = c01 * inv, row0[2] = c02 * inv;
    row1[0] = c01 * inv, row1[1] = c11 * inv, row1[2] = c12 * inv;
    row2[0] = c02 * inv, row2[1] = c12 * inv, row2[2] = c22 * inv;
}

void MeMatrix4RigidInvertInPlace(MeMatrix4 m)
{
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            MeReal t = m[i][j];
            m[i][j] = m[j][i];
            m[j][i] = t;
        }
    MeReal t[3] = {m[3][0], m[3][1], m[3][2]};
    // New translation: -t times the transposed rotation, now stored in rows 0-2.
    for (int j = 0; j < 3; ++j)
        m[3][j] = -(t[0] * m[0][j] + t[1] * m[1][j] + t[2] * m[2][j]);
    m[0][3] = m[1][3] = m[2][3] = 0;
    m[3][3] = 1;
}

void MeMatrix4Multiply(MeMatrix4 result, const MeMatrix4 a, const MeMatrix4 b)
{
    MeReal r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + (i == 3 ? b[3][j] : 0.0f);
        r[i][3] = i == 3 ? 1.0f : 0.0f;
    }
    std::memcpy(result, r, sizeof r);
}

namespace {

// Slab test (after the classic "fast ray-box" method): per axis the origin lies left of,
// right of or between the slabs; only the axes where it is outside can hold the entry plane,
// and the entry is at the largest of their plane distances.
int RayBox(const MeReal* min, const MeReal* max, const MeReal* origin, const MeReal* dir, MeReal* tOut)
{
    if (min[0] == max[0] && min[1] == max[1] && min[2] == max[2])
        return 0;
    enum { Left, Right, Middle };
    int quadrant[3];
    MeReal plane[3] = {0, 0, 0};
    bool inside = true;
    for (int i = 0; i < 3; ++i) {
        if (origin[i] < min[i]) {
            quadrant[i] = Left, plane[i] = min[i], inside = false;
        } else if (origin[i] > max[i]) {
            quadrant[i] = Right, plane[i] = max[i], inside = false;
        } else {
            quadrant[i] = Middle;
        }
    }
    if (inside) {
        *tOut = 0;
        return 1;
    }
    MeReal t[3];
    for (int i = 0; i < 3; ++i)
        t[i] = (quadrant[i] != Middle && dir[i] != 0) ? (plane[i] - origin[i]) / dir[i] : -1;
    int which = 0;
    for (int i = 1; i < 3; ++i)
        if (t[which] < t[i])
            which = i;
    if (t[which] < 0)
        return 0;
    for (int i = 0; i < 3; ++i) {
        if (i == which)
            continue;
        MeReal x = origin[i] + t[which] * dir[i];
        if (x < min[i] || x > max[i])
            return 0;
    }
    *tOut = t[which];
    return 1;
}

}  // namespace

int MeSegmentBoxIntersect(const MeReal* min, const MeReal* max, const MeReal* origin, const MeReal* direction)
{
    MeReal t;
    return RayBox(min, max, origin, direction, &t);
}

int MeSegmentBoxIntersect(const MeReal* min, const MeReal* max, const MeReal* start, const MeReal* end, MeReal* hit)
{
    MeReal dir[3];
    MeVector3Subtract(dir, end, start);
    if (dir[0] == 0 && dir[1] == 0 && dir[2] == 0)
        return 0;
    MeReal t;
    if (!RayBox(min, max, start, dir, &t) || t > 1)
        return 0;
    if (hit)
        for (int i = 0; i < 3; ++i)
            hit[i] = start[i] + t * dir[i];
    return 1;
}

int MeRayTriangleIntersect(const MeReal* a, const MeReal* b, const MeReal* c, const MeReal* origin,
                           const MeReal* direction, MeReal* u, MeReal* v, MeReal* t)
{
    MeReal scratch[3];
    if (!u)
        u = &scratch[0];
    if (!v)
        v = &scratch[1];
    if (!t)
        t = &scratch[2];
    MeReal e1[3], e2[3], p[3], s[3], q[3];
    MeVector3Subtract(e1, b, a);
    MeVector3Subtract(e2, c, a);
    MeVector3Cross(p, direction, e2);
    MeReal det = MeVector3Dot(e1, p);
    if (det > 0) {
        MeVector3Subtract(s, origin, a);
    } else {
        MeVector3Subtract(s, a, origin);
        det = -det;
    }
    if (det == 0)
        return 0;
    MeReal uu = MeVector3Dot(s, p);
    if (uu < 0 || uu > det)
        return 0;
    MeVector3Cross(q, s, e1);
    MeReal vv = MeVector3Dot(direction, q);
    if (vv < 0 || uu + vv > det)
        return 0;
    MeReal tt = MeVector3Dot(e2, q);
    if (tt < 0)
        return 0;
    *u = uu / det;
    *v = vv / det;
    *t = tt / det;
    return 1;
}
