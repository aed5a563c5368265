// Cone pairs in closed form.
//
// In the cone's frame the solid is rho <= r (a - z) / H for -b <= z <= a (rho the distance
// from the axis, H = a + b). Its outward slant normal in the (rho, z) half-plane is
// (H, r) / sqrt(H^2 + r^2), whose z part is sin(alpha) = r / slant: a direction d (unit) is
// extreme at the apex when d_z > sin(alpha), at a rim point when d_z < sin(alpha), along a
// whole slant generator when equal, and over the base when d = -z.
//
// Sphere: the sphere's centre c is classified against the regions of the profile that
// share a nearest feature: above the apex's normal cone (apex), below the base inside the
// rim (base face), outside the rim below the slant's normal at the rim (rim circle), and
// otherwise the slant line, whose nearest point comes from a 2D projection in the
// half-plane of the axis and c.
//
// Line segment: the slant surface x^2 + y^2 = k (a - z)^2 with k = (r / H)^2 is a double
// cone; roots beyond the apex (z > a) or below the base are rejected. The base plane's
// crossing counts only inside the disc. The hit is the smallest valid parameter of either.

#include "physics/collision/cone_pairs.h"
#include "physics/dynamics/me_math.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "physics/collision/gjk.h"
#include "physics/collision/model.h"
#include "physics/collision/space.h"

namespace {

constexpr MeReal kSqrt3 = 1.7320508f;
constexpr MeReal kMinHeight = 1e-6f;

MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void ToWorld(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
}

void RotateToWorld(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    for (int j = 0; j < 3; ++j)
        out[j] = v[0] * t[0][j] + v[1] * t[1][j] + v[2] * t[2][j];
}

void ToLocalDirection(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    for (int i = 0; i < 3; ++i)
        out[i] = t[i][0] * v[0] + t[i][1] * v[1] + t[i][2] * v[2];
}

void ToLocalPoint(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    const MeReal r[3] = {p[0] - t[3][0], p[1] - t[3][1], p[2] - t[3][2]};
    ToLocalDirection(t, r, out);
}

const McdCone* ConeOf(McdModelID m)
{
    return static_cast<const McdCone*>(McdModelGetGeometry(m));
}

void WriteContact(McdIntersectResult* result, const MeReal p[3], const MeReal n[3], MeReal separation, MeI16 dims)
{
    McdContact& c = result->contacts[result->contactCount++];
    for (int j = 0; j < 3; ++j) {
        c.position[j] = p[j];
        c.normal[j] = n[j];
    }
    c.separation = separation;
    c.dims = dims;
    c.element1 = c.element2 = nullptr;
}

}  // namespace

int McdConeRadiusAtHeight(const McdCone* cone, MeReal z, MeReal* radius)
{
    const MeReal h = cone->above + cone->below;
    if (z < -cone->below || z > cone->above || !(h > 0))
        return 0;
    *radius = (cone->above - z) / h * cone->radius;
    return 1;
}

MeReal McdSegmentClosestParam2D(MeReal x0, MeReal y0, MeReal x1, MeReal y1, MeReal px, MeReal py)
{
    const MeReal len2 = (y1 - y0) * (y1 - y0) + (x1 - x0) * (x1 - x0);
    if (!(len2 > 0))
        return 0;
    return ((y0 - y1) * (y0 - py) - (x0 - px) * (x1 - x0)) / len2;
}

int McdConeSupportFeature(const McdCone* cone, MeConstMatrix4Ptr t, const MeReal dWorld[3], MeReal out[2][3],
                          MeReal tolerance)
{
    MeReal d[3];
    ToLocalDirection(t, dWorld, d);
    const MeReal len = std::sqrt(Dot(d, d));
    if (len > 0)
        for (MeReal& x : d)
            x /= len;
    const MeReal apex[3] = {0, 0, cone->above};
    if (std::fabs(1 + d[2]) < tolerance) {
        const MeReal base[3] = {0, 0, -cone->below};
        ToWorld(t, base, out[0]);
        return kMcdConeFeatureBase;
    }
    if (d[2] - cone->sineRatio > tolerance) {
        ToWorld(t, apex, out[0]);
        return kMcdConeFeaturePoint;
    }
    MeReal e[2] = {d[0], d[1]};
    const MeReal el = std::sqrt(e[0] * e[0] + e[1] * e[1]);
    if (el > 0) {
        e[0] /= el;
        e[1] /= el;
    }
    const MeReal rim[3] = {cone->radius * e[0], cone->radius * e[1], -cone->below};
    ToWorld(t, rim, out[0]);
    if (d[2] - cone->sineRatio < -tolerance)
        return kMcdConeFeaturePoint;
    ToWorld(t, apex, out[1]);
    return kMcdConeFeatureSlant;
}

int McdConeConvexIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->contactCount = 0;
    MeReal p1[3], p2[3];
    const int touch = McdSupportIntersect(pair->model1, pair->model2, p1, p2) ? 1 : 0;
    // Normal from model 2 towards model 1: between the closest points, else between centres.
    MeConstMatrix4Ptr t1 = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr t2 = McdModelGetTransformPtr(pair->model2);
    MeReal n[3] = {p1[0] - p2[0], p1[1] - p2[1], p1[2] - p2[2]};
    if (Dot(n, n) < 1e-12f)
        for (int j = 0; j < 3; ++j)
            n[j] = t1[3][j] - t2[3][j];
    const MeReal len = std::sqrt(Dot(n, n));
    for (int j = 0; j < 3; ++j)
        result->normal[j] = len > 0 ? n[j] / len : (j == 2 ? 1.0f : 0.0f);
    result->touch = touch;
    return touch;
}

int McdConeSphereIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->contactCount = 0;
    result->touch = 0;
    const McdCone* cone = ConeOf(pair->model1);
    MeConstMatrix4Ptr t = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr ts = McdModelGetTransformPtr(pair->model2);
    const MeReal R = McdSphereGetRadius(McdModelGetGeometry(pair->model2));
    const MeReal a = cone->above, b = cone->below, r = cone->radius, H = a + b;
    if (H < kMinHeight)
        return 0;
    MeReal c[3];
    ToLocalPoint(t, ts[3], c);
    const MeReal rho = std::sqrt(c[0] * c[0] + c[1] * c[1]);
    if (c[2] > a + R || c[2] < -(b + R) || rho > r + R)
        return 0;

    MeReal q[3], n[3], separation;
    MeI16 feature;
    if (c[2] > a + rho * r / H) {
        MeReal e[3] = {-c[0], -c[1], a - c[2]};
        const MeReal delta = std::sqrt(Dot(e, e));
        if (delta > R)
            return 0;
        q[0] = q[1] = 0;
        q[2] = a;
        for (int j = 0; j < 3; ++j)
            n[j] = delta < 1e-6f ? (j == 2 ? -1.0f : 0.0f) : e[j] / delta;
        separation = delta - R;
        feature = 0;
    } else if (c[2] < -b && rho < r) {
        q[0] = c[0];
        q[1] = c[1];
        q[2] = -b;
        n[0] = n[1] = 0;
        n[2] = 1;
        separation = -c[2] - b - R;
        feature = 2;
    } else if (rho >= r && c[2] < (rho - r) * r / H - b) {
        MeReal e2[2] = {c[0], c[1]};
        if (rho > 0) {
            e2[0] /= rho;
            e2[1] /= rho;
        }
        q[0] = r * e2[0];
        q[1] = r * e2[1];
        q[2] = -b;
        MeReal e[3] = {q[0] - c[0], q[1] - c[1], q[2] - c[2]};
        const MeReal delta = std::sqrt(Dot(e, e));
        if (delta > R)
            return 0;
        for (int j = 0; j < 3; ++j)
            n[j] = delta < 1e-6f ? (j == 2 ? -1.0f : 0.0f) : e[j] / delta;
        separation = delta - R;
        feature = 1;
    } else {
        MeReal radiusAt = 0;
        const bool inside = McdConeRadiusAtHeight(cone, c[2], &radiusAt) && rho < radiusAt;
        const MeReal tt = McdSegmentClosestParam2D(r, -b, 0, a, rho, c[2]);
        if (tt < 0 || tt > 1)
            return 0;
        const MeReal zt = H * tt - b;
        MeReal rt = 0;
        McdConeRadiusAtHeight(cone, zt, &rt);
        MeReal e2[3] = {1, 0, 0};
        if (rho >= 1e-6f) {
            e2[0] = c[0] / rho;
            e2[1] = c[1] / rho;
        }
        q[0] = rt * e2[0];
        q[1] = rt * e2[1];
        q[2] = zt;
        MeReal e[3] = {q[0] - c[0], q[1] - c[1], q[2] - c[2]};
        const MeReal delta = std::sqrt(Dot(e, e));
        if (!inside && delta > R)
            return 0;
        for (int j = 0; j < 3; ++j)
            n[j] = delta < 1e-6f ? e2[j] : e[j] / delta;
        if (inside) {
            separation = -(delta + R);
            for (MeReal& x : n)
                x = -x;
        } else {
            separation = delta - R;
        }
        feature = 3;
    }
    MeReal wq[3], wn[3];
    ToWorld(t, q, wq);
    RotateToWorld(t, n, wn);
    for (int j = 0; j < 3; ++j)
        result->normal[j] = wn[j];
    result->touch = 1;
    if (result->contactMaxCount >= 1 && result->contacts)
        WriteContact(result, wq, wn, separation, static_cast<MeI16>(feature | (3 << 8)));
    return 1;
}

int McdConePlaneIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->contactCount = 0;
    result->touch = 0;
    const McdCone* cone = ConeOf(pair->model1);
    if (cone->above + cone->below < kMinHeight)
        return 0;
    MeConstMatrix4Ptr t1 = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr t2 = McdModelGetTransformPtr(pair->model2);
    const MeReal* N = t2[2];
    const MeReal* o = t2[3];
    const MeReal minusN[3] = {-N[0], -N[1], -N[2]};
    MeReal out[2][3];
    const int code = McdConeSupportFeature(cone, t1, minusN, out, 0.001f);
    const MeReal rel[3] = {out[0][0] - o[0], out[0][1] - o[1], out[0][2] - o[2]};
    const MeReal s = Dot(rel, N);
    if (s > 0)
        return 0;
    MeReal points[3][3];
    int count = 0;
    if (code == kMcdConeFeatureBase) {
        const MeReal r = cone->radius, b = cone->below;
        const MeReal local[3][3] = {{r, 0, -b}, {-r / 2, kSqrt3 * r / 2, -b}, {-r / 2, -kSqrt3 * r / 2, -b}};
        for (int i = 0; i < 3; ++i)
            ToWorld(t1, local[i], points[i]);
        count = 3;
    } else {
        count = code == kMcdConeFeatureSlant ? 2 : 1;
        for (int i = 0; i < count; ++i)
            for (int j = 0; j < 3; ++j)
                points[i][j] = out[i][j];
    }
    const MeI16 dims = static_cast<MeI16>((code == kMcdConeFeatureBase ? 2 : code) | (2 << 8));
    for (int i = 0; i < count && result->contacts && result->contactCount < result->contactMaxCount; ++i)
        WriteContact(result, points[i], N, s, dims);
    for (int j = 0; j < 3; ++j)
        result->normal[j] = N[j];
    result->touch = 1;
    return 1;
}

int McdConeLineSegIntersect(McdModelID model, const MeReal p0[3], const MeReal p1[3], McdLineSegIntersectResult* hit)
{
    const McdCone* cone = ConeOf(model);
    const MeReal a = cone->above, b = cone->below, r = cone->radius, H = a + b;
    if (H < kMinHeight)
        return 0;
    MeConstMatrix4Ptr t = McdModelGetTransformPtr(model);
    MeReal q0[3], q1[3];
    ToLocalPoint(t, p0, q0);
    ToLocalPoint(t, p1, q1);
    const MeReal d[3] = {q1[0] - q0[0], q1[1] - q0[1], q1[2] - q0[2]};
    const MeReal k = (r / H) * (r / H);
    MeReal best = FLT_MAX;
    bool slant = false;

    const MeReal A = d[0] * d[0] + d[1] * d[1] - k * d[2] * d[2];
    const MeReal B = 2 * (q0[0] * d[0] + q0[1] * d[1] + k * (a - q0[2]) * d[2]);
    const MeReal C = q0[0] * q0[0] + q0[1] * q0[1] - k * (a - q0[2]) * (a - q0[2]);
    const MeReal D = B * B - 4 * A * C;
    if (D >= 0 && std::fabs(A) > 1e-6f) {
        const MeReal sq = std::sqrt(D);
        for (MeReal root : {(-B - sq) / (2 * A), (-B + sq) / (2 * A)}) {
            const MeReal z = q0[2] + root * d[2];
            if (root >= 0 && root <= 1 && z >= -b && z <= a && root < best) {
                best = root;
                slant = true;
            }
        }
    }
    // The base plane competes only where it is crossed inside the disc.
    if (std::fabs(d[2]) >= 1e-6f) {
        const MeReal tb = (-b - q0[2]) / d[2];
        const MeReal x = q0[0] + tb * d[0], y = q0[1] + tb * d[1];
        if (tb >= 0 && tb <= 1 && tb < best && x * x + y * y < r * r) {
            best = tb;
            slant = false;
        }
    }
    if (best == FLT_MAX)
        return 0;
    const MeReal p[3] = {q0[0] + best * d[0], q0[1] + best * d[1], q0[2] + best * d[2]};
    MeReal n[3] = {0, 0, -1};
    if (slant) {
        const MeReal rho = std::sqrt(p[0] * p[0] + p[1] * p[1]);
        if (rho > 1e-6f) {
            // Gradient of x^2 + y^2 - k (a - z)^2, halved: (x, y, k (a - z)) = (x, y, rho r / H).
            n[0] = p[0];
            n[1] = p[1];
            n[2] = rho * r / H;
        } else {
            n[0] = n[1] = 0;
            n[2] = 1;
        }
        const MeReal len = std::sqrt(Dot(n, n));
        for (MeReal& x : n)
            x /= len;
    }
    ToWorld(t, p, hit->position);
    RotateToWorld(t, n, hit->normal);
    const MeReal seg[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    hit->distance = std::sqrt(Dot(seg, seg)) * best;
    return 1;
}
