#include "engine/util/qnmatrix.h"

#include <cmath>
#include <cstring>

#include "engine/util/qnmath.h"

const QNMATRIX QNMATRIX::Identity;

float QNVEC3::Length() const { return std::sqrt(LengthSq()); }

QNVEC3 QNVEC3::Normalize() const {
    float len = Length();
    if (!(len > 0.0f)) return {};
    float inv = 1.0f / len;
    return {x * inv, y * inv, z * inv};
}

QNVEC3 QNVEC3::TransformCoord(const QNVEC3& p, const QNMATRIX& m) {
    float x = p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12];
    float y = p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13];
    float z = p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14];
    float w = p.x * m[3] + p.y * m[7] + p.z * m[11] + m[15];
    if (w != 0.0f && w != 1.0f) {
        float inv = 1.0f / w;
        x *= inv;
        y *= inv;
        z *= inv;
    }
    return {x, y, z};
}

QNVEC3 QNVEC3::TransformNormal(const QNVEC3& v, const QNMATRIX& m) {
    return {v.x * m[0] + v.y * m[4] + v.z * m[8], v.x * m[1] + v.y * m[5] + v.z * m[9],
            v.x * m[2] + v.y * m[6] + v.z * m[10]};
}

QNVEC3 QNVEC3::Cross(const QNVEC3& a, const QNVEC3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

QNVEC3 QNVEC3::Hermite(const QNVEC3& p1, const QNVEC3& t1, const QNVEC3& p2, const QNVEC3& t2, float s) {
    float s2 = s * s, s3 = s2 * s;
    float h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    float h2 = -2.0f * s3 + 3.0f * s2;
    float h3 = s3 - 2.0f * s2 + s;
    float h4 = s3 - s2;
    return p1 * h1 + p2 * h2 + t1 * h3 + t2 * h4;
}

QNMATRIX::QNMATRIX() { SetIdentity(); }

QNMATRIX::QNMATRIX(const float* sixteen) { std::memcpy(m, sixteen, sizeof m); }

void QNMATRIX::SetIdentity() {
    std::memset(m, 0, sizeof m);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

QNMATRIX QNMATRIX::operator*(const QNMATRIX& o) const {
    QNMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i * 4 + j] = m[i * 4] * o.m[j] + m[i * 4 + 1] * o.m[4 + j] + m[i * 4 + 2] * o.m[8 + j] +
                             m[i * 4 + 3] * o.m[12 + j];
    return r;
}

QNMATRIX& QNMATRIX::operator*=(const QNMATRIX& o) {
    *this = *this * o;
    return *this;
}

bool QNMATRIX::operator==(const QNMATRIX& o) const { return std::memcmp(m, o.m, sizeof m) == 0; }

// Inverse by cofactors in double precision; the adjugate over the determinant.
QNMATRIX QNMATRIX::Inverse() const {
    double a[16], inv[16];
    for (int i = 0; i < 16; ++i) a[i] = m[i];
    inv[0] = a[5] * a[10] * a[15] - a[5] * a[11] * a[14] - a[9] * a[6] * a[15] + a[9] * a[7] * a[14] +
             a[13] * a[6] * a[11] - a[13] * a[7] * a[10];
    inv[4] = -a[4] * a[10] * a[15] + a[4] * a[11] * a[14] + a[8] * a[6] * a[15] - a[8] * a[7] * a[14] -
             a[12] * a[6] * a[11] + a[12] * a[7] * a[10];
    inv[8] = a[4] * a[9] * a[15] - a[4] * a[11] * a[13] - a[8] * a[5] * a[15] + a[8] * a[7] * a[13] +
             a[12] * a[5] * a[11] - a[12] * a[7] * a[9];
    inv[12] = -a[4] * a[9] * a[14] + a[4] * a[10] * a[13] + a[8] * a[5] * a[14] - a[8] * a[6] * a[13] -
              a[12] * a[5] * a[10] + a[12] * a[6] * a[9];
    inv[1] = -a[1] * a[10] * a[15] + a[1] * a[11] * a[14] + a[9] * a[2] * a[15] - a[9] * a[3] * a[14] -
             a[13] * a[2] * a[11] + a[13] * a[3] * a[10];
    inv[5] = a[0] * a[10] * a[15] - a[0] * a[11] * a[14] - a[8] * a[2] * a[15] + a[8] * a[3] * a[14] +
             a[12] * a[2] * a[11] - a[12] * a[3] * a[10];
    inv[9] = -a[0] * a[9] * a[15] + a[0] * a[11] * a[13] + a[8] * a[1] * a[15] - a[8] * a[3] * a[13] -
             a[12] * a[1] * a[11] + a[12] * a[3] * a[9];
    inv[13] = a[0] * a[9] * a[14] - a[0] * a[10] * a[13] - a[8] * a[1] * a[14] + a[8] * a[2] * a[13] +
              a[12] * a[1] * a[10] - a[12] * a[2] * a[9];
    inv[2] = a[1] * a[6] * a[15] - a[1] * a[7] * a[14] - a[5] * a[2] * a[15] + a[5] * a[3] * a[14] +
             a[13] * a[2] * a[7] - a[13] * a[3] * a[6];
    inv[6] = -a[0] * a[6] * a[15] + a[0] * a[7] * a[14] + a[4] * a[2] * a[15] - a[4] * a[3] * a[14] -
             a[12] * a[2] * a[7] + a[12] * a[3] * a[6];
    inv[10] = a[0] * a[5] * a[15] - a[0] * a[7] * a[13] - a[4] * a[1] * a[15] + a[4] * a[3] * a[13] +
              a[12] * a[1] * a[7] - a[12] * a[3] * a[5];
    inv[14] = -a[0] * a[5] * a[14] + a[0] * a[6] * a[13] + a[4] * a[1] * a[14] - a[4] * a[2] * a[13] -
              a[12] * a[1] * a[6] + a[12] * a[2] * a[5];
    inv[3] = -a[1] * a[6] * a[11] + a[1] * a[7] * a[10] + a[5] * a[2] * a[11] - a[5] * a[3] * a[10] -
             a[9] * a[2] * a[7] + a[9] * a[3] * a[6];
    inv[7] = a[0] * a[6] * a[11] - a[0] * a[7] * a[10] - a[4] * a[2] * a[11] + a[4] * a[3] * a[10] +
             a[8] * a[2] * a[7] - a[8] * a[3] * a[6];
    inv[11] = -a[0] * a[5] * a[11] + a[0] * a[7] * a[9] + a[4] * a[1] * a[11] - a[4] * a[3] * a[9] -
              a[8] * a[1] * a[7] + a[8] * a[3] * a[5];
    inv[15] = a[0] * a[5] * a[10] - a[0] * a[6] * a[9] - a[4] * a[1] * a[10] + a[4] * a[2] * a[9] +
              a[8] * a[1] * a[6] - a[8] * a[2] * a[5];
    double det = a[0] * inv[0] + a[1] * inv[4] + a[2] * inv[8] + a[3] * inv[12];
    QNMATRIX r;
    if (det == 0.0 || !std::isfinite(det)) return r;
    double id = 1.0 / det;
    for (int i = 0; i < 16; ++i) r.m[i] = static_cast<float>(inv[i] * id);
    return r;
}

void QNMATRIX::Round() {
    for (float& v : m) v = RoundTo4Places(v);
}

QNMATRIX QNMATRIX::TranslationOnly() const {
    QNMATRIX r;
    r.m[12] = m[12];
    r.m[13] = m[13];
    r.m[14] = m[14];
    return r;
}

void QNMATRIX::Copy(float* out) const { std::memcpy(out, m, sizeof m); }

void QNMATRIX::SetTranslation(float x, float y, float z) {
    SetIdentity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
}

void QNMATRIX::SetScaling(float x, float y, float z) {
    SetIdentity();
    m[0] = x;
    m[5] = y;
    m[10] = z;
}

void QNMATRIX::SetRotationX(float a) {
    SetIdentity();
    float c = std::cos(a), s = std::sin(a);
    m[5] = c;
    m[6] = s;
    m[9] = -s;
    m[10] = c;
}

void QNMATRIX::SetRotationY(float a) {
    SetIdentity();
    float c = std::cos(a), s = std::sin(a);
    m[0] = c;
    m[2] = -s;
    m[8] = s;
    m[10] = c;
}

void QNMATRIX::SetRotationZ(float a) {
    SetIdentity();
    float c = std::cos(a), s = std::sin(a);
    m[0] = c;
    m[1] = s;
    m[4] = -s;
    m[5] = c;
}

QNMATRIX QNMATRIX::LookAtLH(const QNVEC3& eye, const QNVEC3& target, const QNVEC3& up) {
    QNVEC3 z = (target - eye).Normalize();
    QNVEC3 x = QNVEC3::Cross(up, z).Normalize();
    QNVEC3 y = QNVEC3::Cross(z, x);
    QNMATRIX r;
    r.m[0] = x.x; r.m[1] = y.x; r.m[2] = z.x;
    r.m[4] = x.y; r.m[5] = y.y; r.m[6] = z.y;
    r.m[8] = x.z; r.m[9] = y.z; r.m[10] = z.z;
    r.m[12] = -QNVEC3::Dot(x, eye);
    r.m[13] = -QNVEC3::Dot(y, eye);
    r.m[14] = -QNVEC3::Dot(z, eye);
    return r;
}

void QNMATRIX::SetLookAt(const QNVEC3& eye, const QNVEC3& target, const QNVEC3& up) {
    // The view matrix is orthonormal, so its inverse is its axes as rows and eye as translation.
    QNVEC3 z = (target - eye).Normalize();
    QNVEC3 x = QNVEC3::Cross(up, z).Normalize();
    QNVEC3 y = QNVEC3::Cross(z, x);
    SetIdentity();
    m[0] = x.x; m[1] = x.y; m[2] = x.z;
    m[4] = y.x; m[5] = y.y; m[6] = y.z;
    m[8] = z.x; m[9] = z.y; m[10] = z.z;
    m[12] = eye.x; m[13] = eye.y; m[14] = eye.z;
}

QNMATRIX QNMATRIX::PerspectiveFovLH(float fovy, float aspect, float zn, float zf) {
    QNMATRIX r;
    float ys = 1.0f / std::tan(fovy * 0.5f);
    float xs = ys / aspect;
    r.m[0] = xs;
    r.m[5] = ys;
    r.m[10] = zf / (zf - zn);
    r.m[11] = 1.0f;
    r.m[14] = -zn * zf / (zf - zn);
    r.m[15] = 0.0f;
    return r;
}

QNMATRIX QNMATRIX::OrthoLH(float w, float h, float zn, float zf) {
    QNMATRIX r;
    r.m[0] = 2.0f / w;
    r.m[5] = 2.0f / h;
    r.m[10] = 1.0f / (zf - zn);
    r.m[14] = zn / (zn - zf);
    return r;
}

QNMATRIX QNMATRIX::OrthoOffCenterLH(float l, float rt, float b, float t, float zn, float zf) {
    QNMATRIX r;
    r.m[0] = 2.0f / (rt - l);
    r.m[5] = 2.0f / (t - b);
    r.m[10] = 1.0f / (zf - zn);
    r.m[12] = (l + rt) / (l - rt);
    r.m[13] = (t + b) / (b - t);
    r.m[14] = zn / (zn - zf);
    return r;
}
