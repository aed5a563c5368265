// Cylinder pairs: separating-axis tests with candidate-point generation.
//
// Every test runs in the frame of one shape (cylinder 1, the box or the plane) with the other
// shape's pose expressed in it. The support of a cylinder (radius r, half height h, unit
// axis a) along a unit direction m is r sqrt(1 - (m.a)^2) + h |m.a|; the separation along m
// is |m.d| minus both supports, d the offset of the centres. Each test walks a short fixed
// list of candidate axes; the largest separation wins (a later axis only when strictly
// larger) and a winning separation above the tolerance ends the test. The normal n = sigma m
// is signed to point from model 2 towards model 1 (sigma = -1 when m.d > 0).
//
// Cylinder against cylinder (frame of cylinder 1, z its axis, a cylinder 2's axis, d its
// centre): the caps of each (axes z and a), the common perpendicular of the axes, four rim
// against side constructions, and rim against rim. The last minimises the distance between
// the two nearest rims over their angles with conjugate gradients; its objective
//     f(a, b) = r1 (c3 sin b + c2 cos b) - r0 (c1 sin a + c0 cos a)
//               - r0 r1 (d3 sin a sin b + d2 sin a cos b + d1 cos a sin b + d0 cos a cos b)
// is half the squared rim distance less a constant, which fixes the ten rim parameters (see
// `McdCylinderSetRimParameters`). When the axes are parallel, or the rim points coincide,
// the degenerate direction is skipped rather than normalised.
//
// Candidate points come from clipping the edges of each shape (cap diameters, side lines,
// box edges) against the other; the contact generator keeps those deeper than 1% of the
// separation and culls them. The sphere pair writes its one contact itself; the plane pair
// clips the four side lines to the half-space below the plane and, when none reaches it,
// uses the cylinder's lowest point.

#include "physics/collision/cylinder_pairs.h"
#include "physics/dynamics/me_math.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>

#include "physics/collision/box_box.h"
#include "physics/collision/contact_cull.h"
#include "physics/collision/minimiser.h"
#include "physics/collision/model.h"
#include "physics/collision/primitives.h"
#include "physics/collision/space.h"

namespace {

constexpr MeReal kAxisEpsilon = 1e-15f;
constexpr MeReal kBoxFactor = 0.8284271f;  // 2 / (sqrt 2 + 1)

MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void Cross(const MeReal a[3], const MeReal b[3], MeReal out[3]) { MeVector3Cross(out, a, b); }

void Set(MeReal out[3], MeReal x, MeReal y, MeReal z)
{
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

void Copy(const MeReal a[3], MeReal out[3])
{
    Set(out, a[0], a[1], a[2]);
}

// out = a + s b
void AddScaled(const MeReal a[3], MeReal s, const MeReal b[3], MeReal out[3])
{
    Set(out, a[0] + s * b[0], a[1] + s * b[1], a[2] + s * b[2]);
}

// Normalises v in place when its squared length is at least 1e-15; false otherwise.
bool Unit(MeReal v[3])
{
    const MeReal l2 = Dot(v, v);
    if (!(l2 >= kAxisEpsilon))
        return false;
    const MeReal l = std::sqrt(l2);
    for (int k = 0; k < 3; ++k)
        v[k] /= l;
    return true;
}

// The part of v perpendicular to the unit vector a.
void Perp(const MeReal v[3], const MeReal a[3], MeReal out[3])
{
    AddScaled(v, -Dot(v, a), a, out);
}

MeReal Support(MeReal r, MeReal h, const MeReal axis[3], const MeReal m[3])
{
    const MeReal c = Dot(m, axis);
    const MeReal s2 = 1 - c * c;
    return r * std::sqrt(s2 > 0 ? s2 : 0) + h * std::fabs(c);
}

void Transform(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    MeReal q[3];
    for (int j = 0; j < 3; ++j)
        q[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
    Copy(q, out);
}

void Rotate(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    MeReal q[3];
    for (int j = 0; j < 3; ++j)
        q[j] = v[0] * t[0][j] + v[1] * t[1][j] + v[2] * t[2][j];
    Copy(q, out);
}

// Into the frame whose pose is t: ((p - t3) . t_k).
void InverseTransform(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    const MeReal d[3] = {p[0] - t[3][0], p[1] - t[3][1], p[2] - t[3][2]};
    Set(out, Dot(d, t[0]), Dot(d, t[1]), Dot(d, t[2]));
}

void InverseRotate(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    const MeReal q[3] = {v[0], v[1], v[2]};
    Set(out, Dot(q, t[0]), Dot(q, t[1]), Dot(q, t[2]));
}

MeReal Padding(McdModelPair* pair)
{
    return McdModelGetPadding(pair->model1) + McdModelGetPadding(pair->model2);
}

const McdCylinder* CylinderOf(McdModelID m)
{
    return static_cast<const McdCylinder*>(McdModelGetGeometry(m));
}

// Best-axis bookkeeping of a separating-axis test.
struct AxisSearch {
    MeReal tolerance = 0;
    bool any = false;
    bool separated = false;
    MeReal s = -FLT_MAX;
    MeReal sigma = 1;
    MeReal m[3] = {0, 0, 0};
    MeReal o = 0;
    int code = -1;

    // Offers axis m (unit) with separation s; false once separated.
    bool Offer(const MeReal axis[3], MeReal sep, MeReal support, int caseCode, const MeReal d[3])
    {
        if (any && !(sep > s))
            return true;
        any = true;
        s = sep;
        Copy(axis, m);
        sigma = Dot(axis, d) > 0 ? -1.0f : 1.0f;
        o = support;
        code = caseCode;
        if (sep > tolerance)
            separated = true;
        return !separated;
    }
};

// Clips the six edges of one cylinder (centre c, unit axis a, scaled directions u, w, half
// axis ha, all in the clipping frame) against a cylinder (r, h) axis-aligned in that frame.
void ClipCylinderEdges(McdPointCursor* cursor, const MeReal c[3], const MeReal ha[3], const MeReal u[3],
                       const MeReal w[3], MeReal r, MeReal h)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    if (!tests)
        return;
    for (int side = 1; side >= -1; side -= 2) {
        MeReal centre[3];
        AddScaled(c, static_cast<MeReal>(side), ha, centre);
        tests->LineCylinderCrossings(cursor, centre, u, r, h, -1, 1);
    }
    const MeReal* dirs[2] = {u, w};
    for (const MeReal* dir : dirs)
        for (int side = 1; side >= -1; side -= 2) {
            MeReal centre[3];
            AddScaled(c, static_cast<MeReal>(side), dir, centre);
            tests->LineCylinderClipEnds(cursor, centre, ha, r, h, -1, 1);
        }
}

// Support point of a cylinder (centre c, unit axis a) along m.
void CylinderSupportPoint(const MeReal c[3], const MeReal a[3], MeReal r, MeReal h, const MeReal m[3], MeReal out[3])
{
    const MeReal ma = Dot(m, a);
    AddScaled(c, ma >= 0 ? h : -h, a, out);
    MeReal radial[3];
    Perp(m, a, radial);
    if (Unit(radial))
        AddScaled(out, r, radial, out);
}

// When the shapes overlap but no gathered point is deeper than the generator keeps (the
// clipped edges can all miss a small overlap), the midpoint of the two shapes' deepest
// points, moved onto the level of the separation, stands for the contact.
void AppendDeepestPointIfNone(McdPointCursor* cursor, const MeReal (*start)[3], const MeReal n[3], MeReal o, MeReal s,
                              const MeReal deep1[3], const MeReal deep2[3])
{
    if (!(s < 0))
        return;
    for (const MeReal (*p)[3] = start; p < cursor->next; ++p)
        if (Dot(n, *p) - o < 0.01f * s)
            return;
    MeReal q[3];
    for (int k = 0; k < 3; ++k)
        q[k] = (deep1[k] + deep2[k]) * 0.5f;
    AddScaled(q, s - (Dot(n, q) - o), n, q);
    cursor->Append(q);
}

}  // namespace

MeReal McdCylinderRimParameters[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

void McdTransformRelative(MeReal out[4][4], MeConstMatrix4Ptr F, MeConstMatrix4Ptr G)
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j)
            out[i][j] = Dot(F[i], G[j]);
        out[i][3] = 0;
    }
    const MeReal d[3] = {F[3][0] - G[3][0], F[3][1] - G[3][1], F[3][2] - G[3][2]};
    for (int j = 0; j < 3; ++j)
        out[3][j] = Dot(d, G[j]);
    out[3][3] = 1;
}

void McdVec3Cross(const MeReal a[3], MeReal out[3], const MeReal b[3])
{
    Cross(a, b, out);
}

void McdVec3AxisCross(MeReal out[3], int i, const MeReal v[3])
{
    MeReal e[3] = {0, 0, 0};
    e[i] = 1;
    Cross(e, v, out);
}

void McdFaceFrame(MeReal v[3], MeReal u[3], const MeReal n[3], const MeReal d1[3], const MeReal d2[3])
{
    Cross(n, d1, u);
    if (Dot(u, u) < kAxisEpsilon)
        Cross(n, d2, u);
    if (Dot(u, u) < kAxisEpsilon) {
        const MeReal ax = std::fabs(n[0]), ay = std::fabs(n[1]), az = std::fabs(n[2]);
        const int k = (ax <= ay && ax <= az) ? 0 : (ay <= az ? 1 : 2);
        McdVec3AxisCross(u, k, n);
        for (int i = 0; i < 3; ++i)
            u[i] = -u[i];  // n x e_k
    }
    const MeReal l = std::sqrt(Dot(u, u));
    if (l != 0)
        for (int k = 0; k < 3; ++k)
            u[k] /= l;
    Cross(n, u, v);
}

void McdCylinderSetRimParameters(MeReal r1, MeReal z1, MeReal r2, const MeReal C2[3], const MeReal X2[3],
                                 const MeReal Y2[3])
{
    const MeReal D[3] = {C2[0], C2[1], C2[2] - z1};
    MeReal* p = McdCylinderRimParameters;
    p[0] = D[0];
    p[1] = D[1];
    p[2] = Dot(D, X2);
    p[3] = Dot(D, Y2);
    p[4] = X2[0];
    p[5] = Y2[0];
    p[6] = X2[1];
    p[7] = Y2[1];
    p[8] = r1;
    p[9] = r2;
}

MeReal McdCylinderRimFunction(MeReal a, MeReal b)
{
    const MeReal* p = McdCylinderRimParameters;
    const MeReal c0 = p[0], c1 = p[1], c2 = p[2], c3 = p[3];
    const MeReal d0 = p[4], d1 = p[5], d2 = p[6], d3 = p[7], r0 = p[8], r1 = p[9];
    const MeReal sa = std::sin(a), ca = std::cos(a), sb = std::sin(b), cb = std::cos(b);
    return r1 * (c3 * sb + c2 * cb) - r0 * (c1 * sa + c0 * ca) -
           r0 * r1 * (d3 * sa * sb + d2 * sa * cb + d1 * ca * sb + d0 * ca * cb);
}

void McdCylinderRimGradient(MeReal g[2], MeReal a, MeReal b)
{
    const MeReal* p = McdCylinderRimParameters;
    const MeReal c0 = p[0], c1 = p[1], c2 = p[2], c3 = p[3];
    const MeReal d0 = p[4], d1 = p[5], d2 = p[6], d3 = p[7], r0 = p[8], r1 = p[9];
    const MeReal sa = std::sin(a), ca = std::cos(a), sb = std::sin(b), cb = std::cos(b);
    g[0] = -r0 * (c1 * ca - c0 * sa) - r0 * r1 * ((d3 * sb + d2 * cb) * ca - (d1 * sb + d0 * cb) * sa);
    g[1] = r1 * (c3 * cb - c2 * sb) - r0 * r1 * ((d3 * sa + d1 * ca) * cb - (d2 * sa + d0 * ca) * sb);
}

namespace {

MeReal RimObjective(const MeReal* x)
{
    return McdCylinderRimFunction(x[0], x[1]);
}

void RimObjectiveGradient(MeReal* g, const MeReal* x)
{
    McdCylinderRimGradient(g, x[0], x[1]);
}

}  // namespace

void McdCylinderEdgesInCylinder(McdPointCursor* cursor, MeConstMatrix4Ptr rel, MeReal r1, MeReal h1,
                                const MeReal u1[3], const MeReal w1[3], int flag1, MeReal r2, MeReal h2,
                                const MeReal u2[3], const MeReal w2[3], int flag2)
{
    if (flag1) {
        // Cylinder 1's edges, taken into cylinder 2's frame, clipped there, brought back.
        MeReal local[12][3];
        McdPointCursor inner(local, 12);
        const MeReal z[3] = {0, 0, 1};
        MeReal c[3], ha[3], u[3], w[3];
        const MeReal origin[3] = {0, 0, 0};
        const MeReal hz[3] = {0, 0, h1};
        const MeReal su[3] = {r1 * u1[0], r1 * u1[1], r1 * u1[2]};
        const MeReal sw[3] = {r1 * w1[0], r1 * w1[1], r1 * w1[2]};
        InverseTransform(rel, origin, c);
        InverseRotate(rel, hz, ha);
        InverseRotate(rel, su, u);
        InverseRotate(rel, sw, w);
        (void)z;
        ClipCylinderEdges(&inner, c, ha, u, w, r2, h2);
        const int n = inner.Count(local);
        for (int i = 0; i < n; ++i) {
            MeReal p[3];
            Transform(rel, local[i], p);
            cursor->Append(p);
        }
    }
    if (flag2) {
        const MeReal* a = rel[2];
        const MeReal ha[3] = {h2 * a[0], h2 * a[1], h2 * a[2]};
        const MeReal su[3] = {r2 * u2[0], r2 * u2[1], r2 * u2[2]};
        const MeReal sw[3] = {r2 * w2[0], r2 * w2[1], r2 * w2[2]};
        ClipCylinderEdges(cursor, rel[3], ha, su, sw, r1, h1);
    }
}

bool McdCylinderCylinderTest(McdCylinderTestOutput* out, McdPointCursor* cursor, MeReal eps, MeReal r1, MeReal h1,
                             MeReal r2, MeReal h2, MeConstMatrix4Ptr rel)
{
    const MeReal z[3] = {0, 0, 1};
    const MeReal* a = rel[2];
    const MeReal* d = rel[3];
    AxisSearch best;
    best.tolerance = eps;

    // 1. Auxiliary directions.
    MeReal t[3] = {-a[1], a[0], 0}, w[3];
    const bool parallel = !(Dot(t, t) >= kAxisEpsilon);
    if (!parallel) {
        Unit(t);
        Cross(t, a, w);
    } else {
        Set(t, 0, 1, 0);
        Set(w, 1, 0, 0);
    }

    // 2. Cylinder 1's cap.
    {
        const MeReal s = std::fabs(d[2]) - (h1 + h2 * std::fabs(a[2]) + r2 * std::fabs(w[2]));
        if (!best.Offer(z, s, -h1 - s, 12, d))
            return false;
    }
    // 3. Cylinder 2's cap.
    MeReal v[3];
    if (!parallel)
        Cross(t, z, v);
    else
        Copy(rel[0], v);
    {
        const MeReal ad = Dot(a, d);
        const MeReal s = std::fabs(ad) - (h2 + h1 * std::fabs(a[2]) + r1 * std::fabs(Dot(v, a)));
        if (!best.Offer(a, s, h2 - std::fabs(ad), 3, d))
            return false;
    }
    // 4. Side against side.
    {
        MeReal m[3];
        bool usable = true;
        if (!parallel) {
            Copy(t, m);
        } else {
            Set(m, d[0], d[1], 0);
            usable = Unit(m);
        }
        if (usable) {
            const MeReal s = std::fabs(Dot(m, d)) - (r1 + r2);
            if (!best.Offer(m, s, -r1 - s, 10, d))
                return false;
        }
    }
    // 5. Rims against sides.
    MeReal capCentre[3];
    {
        const MeReal sgn = d[0] * a[0] + d[1] * a[1] > 0 ? -1.0f : 1.0f;
        AddScaled(d, sgn * h2, a, capCentre);
    }
    const MeReal capHeight = Dot(capCentre, a) * a[2] - d[2] <= 0 ? h1 : -h1;
    MeReal e6[3] = {0, 0, 0}, w26[3] = {0, 0, 0}, e8[3] = {0, 0, 0}, e2[3] = {0, 0, 0};
    auto sideOf1AgainstRimOf2 = [&](MeReal m[3], int code, MeReal w2out[3]) {
        MeReal am[3], w2[3];
        Cross(a, m, am);
        Cross(am, a, w2);
        if (!Unit(w2))
            return true;
        Copy(w2, w2out);
        const MeReal s = std::fabs(Dot(m, d)) - (r1 + r2 * std::fabs(Dot(m, w2)) + h2 * std::fabs(Dot(m, a)));
        return best.Offer(m, s, -r1 - s, code, d);
    };
    auto rimOf1AgainstSideOf2 = [&](MeReal m[3], int code) {
        MeReal zm[3], w1[3];
        Cross(z, m, zm);
        Cross(zm, z, w1);
        if (!Unit(w1))
            return true;
        const MeReal md = std::fabs(Dot(m, d));
        const MeReal s = md - (r2 + r1 * std::fabs(Dot(m, w1)) + h1 * std::fabs(m[2]));
        return best.Offer(m, s, r2 - md, code, d);
    };
    if (std::fabs(a[2]) > 1e-8f) {
        // 5.1 Side of 1 against a rim of 2 (code 6).
        const MeReal X[3] = {0, 0, Dot(capCentre, a) / a[2]};
        MeReal e[3] = {X[0] - capCentre[0], X[1] - capCentre[1], X[2] - capCentre[2]};
        if (Unit(e)) {
            MeReal m[3] = {e[0], e[1], 0};
            if (Unit(m)) {
                Copy(m, e6);
                if (!sideOf1AgainstRimOf2(m, 6, w26))
                    return false;
            }
        }
        // 5.2 A rim of 1 against the side of 2 (code 9).
        MeReal Y[3];
        AddScaled(d, (capHeight - d[2]) / a[2], a, Y);
        MeReal ey[3] = {Y[0], Y[1], 0};
        if (Unit(ey)) {
            MeReal m[3];
            Perp(ey, a, m);
            if (Unit(m) && !rimOf1AgainstSideOf2(m, 9))
                return false;
        }
    }
    // 5.3 Side of 1 against a rim of 2 (code 8).
    {
        const MeReal toAxis[3] = {-capCentre[0], -capCentre[1], 0};
        MeReal e[3];
        Perp(toAxis, a, e);
        if (Unit(e)) {
            MeReal p[3];
            AddScaled(capCentre, r2, e, p);
            MeReal m[3] = {p[0], p[1], 0};
            if (Unit(m)) {
                Copy(e, e8);
                MeReal unused[3];
                if (!sideOf1AgainstRimOf2(m, 8, unused))
                    return false;
            }
        }
    }
    // 5.4 A rim of 1 against the side of 2 (code 2).
    {
        const MeReal Q[3] = {0, 0, capHeight};
        const MeReal qd[3] = {Q[0] - d[0], Q[1] - d[1], Q[2] - d[2]};
        MeReal G[3];
        AddScaled(d, Dot(qd, a), a, G);
        MeReal e[3] = {G[0], G[1], 0};
        if (Unit(e)) {
            const MeReal p[3] = {r1 * e[0], r1 * e[1], capHeight};
            const MeReal pd[3] = {p[0] - d[0], p[1] - d[1], p[2] - d[2]};
            MeReal m[3];
            Perp(pd, a, m);
            if (Unit(m)) {
                Copy(e, e2);
                if (!rimOf1AgainstSideOf2(m, 2))
                    return false;
            }
        }
    }
    // 6. Rim against rim.
    MeReal rimPoint[3] = {0, 0, 0};
    {
        MeReal bestD2 = FLT_MAX, z1 = 0, k2 = 0;
        int cap1 = 0, cap2 = 0;
        for (int j = 0; j < 2; ++j) {
            const MeReal kk = j == 0 ? -h2 : h2;
            MeReal C[3];
            AddScaled(d, kk, a, C);
            for (int i = 0; i < 2; ++i) {
                const MeReal zz = i == 0 ? -h1 : h1;
                const MeReal d2 = C[0] * C[0] + C[1] * C[1] + (C[2] - zz) * (C[2] - zz);
                if (d2 < bestD2) {
                    bestD2 = d2;
                    z1 = zz;
                    k2 = kk;
                    cap1 = i;
                    cap2 = j;
                }
            }
        }
        MeReal C2[3];
        AddScaled(d, k2, a, C2);
        const MeReal tilt2 = 1 - a[2] * a[2];
        const MeReal tilt = std::sqrt(tilt2 > 0 ? tilt2 : 0);
        const MeReal qd[3] = {-d[0], -d[1], z1 - d[2]};
        const MeReal along = Dot(qd, a);
        const bool beyond = std::fabs(z1) <= std::fabs(C2[2]) && r2 * tilt <= std::fabs(C2[2] - z1) &&
                            std::fabs(k2) <= std::fabs(along) && r1 * tilt <= std::fabs(along - k2);
        if (beyond) {
            McdCylinderSetRimParameters(r1, z1, r2, C2, rel[0], rel[1]);
            MeReal x[2] = {0, 0};
            MeMinimizeConjugateGradient(2, x, 0.001f, 0.001f, RimObjective, RimObjectiveGradient);
            const MeReal P1[3] = {r1 * std::cos(x[0]), r1 * std::sin(x[0]), z1};
            MeReal P2[3];
            for (int k = 0; k < 3; ++k)
                P2[k] = C2[k] + r2 * (std::cos(x[1]) * rel[0][k] + std::sin(x[1]) * rel[1][k]);
            MeReal m[3] = {P2[0] - P1[0], P2[1] - P1[1], P2[2] - P1[2]};
            if (Unit(m)) {
                MeReal zm[3];
                Cross(z, m, zm);
                const MeReal sup1 = Dot(zm, zm) < kAxisEpsilon ? h1 : Support(r1, h1, z, m);
                const MeReal sup2 = Support(r2, h2, a, m);
                const MeReal md = std::fabs(Dot(m, d));
                if (!best.Offer(m, md - sup1 - sup2, sup2 - md, cap1 + 4 * cap2, d))
                    return false;
                for (int k = 0; k < 3; ++k)
                    rimPoint[k] = (P1[k] + P2[k]) * 0.5f;
            }
        }
    }

    // 7. Outputs and points.
    out->separation = best.s;
    out->support = best.o;
    out->code = best.code;
    for (int k = 0; k < 3; ++k)
        out->normal[k] = best.sigma * best.m[k];
    const MeReal (*start)[3] = cursor->next;
    const MeReal* m = best.m;
    MeReal p1[3], q1[3], p2[3], q2[3], u[3], vv[3];
    switch (best.code) {
    case 12:
        McdFaceFrame(vv, u, z, a, d);
        Cross(z, u, p1);
        Copy(u, q1);
        Copy(w, p2);
        Copy(t, q2);
        out->dims = 2;
        break;
    case 3:
        if (!parallel) {
            Copy(v, p1);
            Copy(t, q1);
        } else {
            Copy(rel[0], p1);
            Copy(rel[1], q1);
        }
        McdFaceFrame(vv, u, a, z, d);
        Cross(a, u, p2);
        Copy(u, q2);
        out->dims = 512;
        break;
    case 10:
        McdFaceFrame(vv, u, z, a, d);
        Cross(z, u, p1);
        Copy(u, q1);
        McdFaceFrame(vv, u, a, z, d);
        Cross(a, u, p2);
        Copy(u, q2);
        out->dims = 771;
        break;
    case 6:
        Copy(m, p1);
        Cross(z, m, q1);
        Copy(w26, p2);
        Cross(a, m, q2);
        Unit(q2);
        out->dims = 771;
        break;
    case 8:
        McdFaceFrame(vv, u, z, m, d);
        Cross(z, u, p1);
        Copy(u, q1);
        Copy(e8, p2);
        Cross(a, e8, q2);
        out->dims = 259;
        break;
    case 9:
        Set(p1, m[0], m[1], 0);
        Unit(p1);
        Cross(z, m, q1);
        Unit(q1);
        Copy(m, p2);
        Cross(a, m, q2);
        out->dims = 771;
        break;
    case 2:
        Copy(e2, p1);
        Cross(z, e2, q1);
        McdFaceFrame(vv, u, a, m, d);
        Cross(a, u, p2);
        Copy(u, q2);
        out->dims = 769;
        break;
    default:  // rim against rim
        out->dims = 0;
        cursor->Append(rimPoint);
        return cursor->Count(start) > 0;
    }
    McdCylinderEdgesInCylinder(cursor, rel, r1, h1, p1, q1, 1, r2, h2, p2, q2, 1);
    MeReal deep1[3], deep2[3];
    const MeReal origin[3] = {0, 0, 0};
    const MeReal minusN[3] = {-out->normal[0], -out->normal[1], -out->normal[2]};
    CylinderSupportPoint(origin, z, r1, h1, minusN, deep1);
    CylinderSupportPoint(d, a, r2, h2, out->normal, deep2);
    AppendDeepestPointIfNone(cursor, start, out->normal, out->support, out->separation, deep1, deep2);
    return cursor->Count(start) > 0;
}

bool McdCylinderSphereTest(McdCylinderTestOutput* out, MeReal position[3], MeReal eps, MeReal r, MeReal h, MeReal R,
                           const MeReal c[3])
{
    enum { kCap, kSide, kRim } kind = kCap;
    MeReal s = std::fabs(c[2]) - R - h;
    if (s > eps)
        return false;
    const MeReal rho = std::sqrt(c[0] * c[0] + c[1] * c[1]);
    const MeReal s1 = rho - r - R;
    if (s1 > s) {
        s = s1;
        kind = kSide;
        if (s1 > eps)
            return false;
    }
    MeReal e[3] = {0, 0, 0};
    if (s >= -R && rho > r && std::fabs(c[2]) > h) {
        const MeReal q[3] = {r * c[0] / rho, r * c[1] / rho, c[2] <= 0 ? -h : h};
        Set(e, q[0] - c[0], q[1] - c[1], q[2] - c[2]);
        const MeReal len = std::sqrt(Dot(e, e));
        if (len > 0) {
            for (MeReal& x : e)
                x /= len;
        } else {
            // The centre on the rim itself: the bisector of cap and side, into the cylinder.
            const MeReal k = 0.70710678f;
            Set(e, -k * c[0] / rho, -k * c[1] / rho, c[2] <= 0 ? k : -k);
        }
        const MeReal s2 = len - R;
        if (s2 > s) {
            s = s2;
            kind = kRim;
            if (s2 > eps)
                return false;
        }
    }
    MeReal* n = out->normal;
    if (kind == kCap) {
        Set(n, 0, 0, c[2] <= 0 ? 1.0f : -1.0f);
        out->dims = 770;
    } else if (kind == kSide) {
        // A centre on the axis has no radial direction: take a fixed one.
        if (rho > 0)
            Set(n, -c[0] / rho, -c[1] / rho, 0);
        else
            Set(n, -1, 0, 0);
        out->dims = 771;
    } else {
        Copy(e, n);
        out->dims = 769;
    }
    out->separation = s;
    out->code = static_cast<int>(kind);
    AddScaled(c, R, n, position);
    return true;
}

bool McdCylinderPlaneTest(MeReal* separation, McdPointCursor* cursor, MeReal eps, MeReal r, MeReal h,
                          MeConstMatrix4Ptr rel)
{
    const MeReal* a = rel[2];
    const MeReal* c = rel[3];
    MeReal u[3] = {a[1], -a[0], 0}, w[3];
    if (Dot(u, u) < kAxisEpsilon) {
        Set(u, 0, 1, 0);
        Set(w, 1, 0, 0);
    } else {
        Unit(u);
        Cross(u, a, w);
    }
    const MeReal s = c[2] - (h * std::fabs(a[2]) + r * std::fabs(w[2]));
    *separation = s;
    if (s > eps)
        return false;
    const MeReal (*start)[3] = cursor->next;
    McdGeometryTests* tests = McdGeometryTestsGet();
    if (!tests)
        return false;
    const MeReal ha[3] = {h * a[0], h * a[1], h * a[2]};
    const MeReal rdz = ha[2] != 0 ? 1.0f / ha[2] : 0.0f;
    const MeReal* dirs[4] = {w, u, w, u};
    const MeReal signs[4] = {1, 1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        MeReal centre[3];
        AddScaled(c, signs[i] * r, dirs[i], centre);
        tests->SegmentPlaneClip(cursor, centre, ha, rdz);
    }
    if (cursor->Count(start) == 0) {
        // Nothing below the plane: the cylinder's lowest point stands for it. The squared
        // cosine limits are compared in double; float cannot hold 0.9999999999.
        const double az2 = static_cast<double>(a[2]) * a[2];
        MeReal p[3];
        const MeReal capSide = a[2] >= 0 ? -h : h;
        if (az2 > 0.9999999999) {
            AddScaled(c, capSide, a, p);
        } else if (az2 < 1e-10) {
            Set(p, c[0], c[1], c[2] - r);
        } else {
            AddScaled(c, capSide, a, p);
            AddScaled(p, w[2] > 0 ? -r : r, w, p);
        }
        cursor->Append(p);
    }
    return true;
}

bool McdBoxCylinderTest(McdCylinderTestOutput* out, McdPointCursor* cursor, MeReal eps, const MeReal b[3], MeReal r,
                        MeReal h, MeConstMatrix4Ptr rel)
{
    const MeReal* a = rel[2];
    const MeReal* d = rel[3];
    AxisSearch best;
    best.tolerance = eps;
    MeReal U[3][3], W[3][3], M[3][3] = {};
    bool haveM[3] = {false, false, false};
    // 1. Box faces.
    for (int i = 0; i < 3; ++i) {
        McdVec3AxisCross(U[i], i, a);
        if (Dot(U[i], U[i]) >= kAxisEpsilon) {
            Unit(U[i]);
            Cross(U[i], a, W[i]);
        } else {
            Set(U[i], 0, 0, 0);
            Set(W[i], 0, 0, 0);
            U[i][(i + 1) % 3] = 1;
            W[i][(i + 2) % 3] = 1;
        }
        MeReal e[3] = {0, 0, 0};
        e[i] = 1;
        const MeReal s = std::fabs(d[i]) - (b[i] + h * std::fabs(a[i]) + r * std::fabs(W[i][i]));
        if (!best.Offer(e, s, -b[i] - s, 12 + i, d))
            return false;
    }
    auto boxSupport = [&](const MeReal m[3]) {
        return b[0] * std::fabs(m[0]) + b[1] * std::fabs(m[1]) + b[2] * std::fabs(m[2]);
    };
    // 2. Cylinder cap.
    {
        const MeReal ad = std::fabs(Dot(a, d));
        const MeReal s = ad - (boxSupport(a) + h);
        if (!best.Offer(a, s, h - ad, 11, d))
            return false;
    }
    // 3. Box edge against the cylinder axis.
    for (int i = 0; i < 3; ++i) {
        McdVec3AxisCross(M[i], i, a);
        if (!Unit(M[i]))
            continue;
        haveM[i] = true;
        const MeReal md = std::fabs(Dot(M[i], d));
        if (!best.Offer(M[i], md - (boxSupport(M[i]) + r), r - md, 8 + i, d))
            return false;
    }
    // 4. Radial direction towards the box.
    MeReal radial[3];
    const MeReal minusD[3] = {-d[0], -d[1], -d[2]};
    Perp(minusD, a, radial);
    if (Unit(radial)) {
        const MeReal md = std::fabs(Dot(radial, d));
        if (!best.Offer(radial, md - (boxSupport(radial) + r), r - md, 3, d))
            return false;
    }
    // 5. Normal and the generator's frame.
    MeReal n[3], A[3], B[3];
    const int code = best.code;
    if (code >= 12) {
        const int i = code - 12;
        for (int k = 0; k < 3; ++k)
            n[k] = best.sigma * best.m[k];
        Copy(U[i], A);
        Copy(W[i], B);
    } else if (code == 11) {
        for (int k = 0; k < 3; ++k)
            n[k] = best.sigma * best.m[k];
        Copy(rel[0], A);
        Copy(rel[1], B);
    } else if (code >= 8) {
        for (int k = 0; k < 3; ++k)
            n[k] = best.sigma * best.m[k];
        Cross(a, best.m, A);
        Copy(best.m, B);
    } else {
        Copy(best.m, n);  // already from the cylinder towards the box
        Cross(a, best.m, A);
        Copy(best.m, B);
    }
    (void)haveM;
    out->separation = best.s;
    out->support = best.o;
    out->code = code;
    Copy(n, out->normal);

    // 6. Points: cylinder side lines and cap diameters against the box, box edges against
    // the cylinder.
    const MeReal (*start)[3] = cursor->next;
    McdGeometryTests* tests = McdGeometryTestsGet();
    if (!tests)
        return false;
    const MeReal ha[3] = {h * a[0], h * a[1], h * a[2]};
    MeReal rha[3];
    McdReciprocal(ha, rha);
    const MeReal* dirs[4] = {A, B, A, B};
    const MeReal signs[4] = {1, 1, -1, -1};
    for (int i = 0; i < 4; ++i) {
        MeReal centre[3];
        AddScaled(d, signs[i] * r, dirs[i], centre);
        tests->SegmentClip2(cursor, centre, ha, rha, b);
    }
    const MeReal rB[3] = {r * B[0], r * B[1], r * B[2]};
    MeReal rrB[3];
    McdReciprocal(rB, rrB);
    for (int side = 1; side >= -1; side -= 2) {
        MeReal centre[3];
        AddScaled(d, static_cast<MeReal>(side), ha, centre);
        tests->SegmentClip(cursor, centre, rB, rrB, b);
    }
    MeReal local[24][3];
    McdPointCursor inner(local, 24);
    int edge = 0;
    for (int k = 0; k < 3; ++k) {
        const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
        for (int s1 = -1; s1 <= 1; s1 += 2)
            for (int s2 = -1; s2 <= 1; s2 += 2, ++edge) {
                MeReal centre[3] = {0, 0, 0}, half[3] = {0, 0, 0};
                centre[k1] = static_cast<MeReal>(s1) * b[k1];
                centre[k2] = static_cast<MeReal>(s2) * b[k2];
                half[k] = b[k];
                MeReal c[3], hv[3];
                InverseTransform(rel, centre, c);
                InverseRotate(rel, half, hv);
                if (edge < 8)
                    tests->LineCylinderCrossings(&inner, c, hv, r, h, -1, 1);
                else
                    tests->LineCylinderClipEnds(&inner, c, hv, r, h, -1, 1);
            }
    }
    const int n2 = inner.Count(local);
    for (int i = 0; i < n2; ++i) {
        MeReal p[3];
        Transform(rel, local[i], p);
        cursor->Append(p);
    }
    MeReal deepBox[3], deepCyl[3];
    for (int k = 0; k < 3; ++k)
        deepBox[k] = n[k] > 0 ? -b[k] : b[k];
    CylinderSupportPoint(d, a, r, h, n, deepCyl);
    AppendDeepestPointIfNone(cursor, start, n, best.o, best.s, deepBox, deepCyl);
    return cursor->Count(start) > 0;
}

int McdCylinderCylinderIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->contactCount = 0;
    const McdCylinder* c1 = CylinderOf(pair->model1);
    const McdCylinder* c2 = CylinderOf(pair->model2);
    MeConstMatrix4Ptr T1 = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr T2 = McdModelGetTransformPtr(pair->model2);
    MeReal rel[4][4];
    McdTransformRelative(rel, T2, T1);
    MeReal points[32][3];
    McdPointCursor cursor(points, 32);
    McdCylinderTestOutput out;
    if (!McdCylinderCylinderTest(&out, &cursor, Padding(pair), c1->radius, c1->halfHeight, c2->radius,
                                 c2->halfHeight, rel))
        return 0;
    if (result->contactMaxCount < 1)
        return 0;
    McdContactsFromPolygon(result, points, cursor.Count(points), T1, out.normal, out.support, out.separation,
                           out.dims);
    return result->contactCount > 0 ? 1 : 0;
}

int McdCylinderSphereIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->contactCount = 0;
    const McdCylinder* cyl = CylinderOf(pair->model1);
    const MeReal R = McdSphereGetRadius(McdModelGetGeometry(pair->model2));
    MeConstMatrix4Ptr T1 = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr T2 = McdModelGetTransformPtr(pair->model2);
    MeReal rel[4][4];
    McdTransformRelative(rel, T2, T1);
    McdCylinderTestOutput out;
    MeReal p[3];
    if (!McdCylinderSphereTest(&out, p, Padding(pair), cyl->radius, cyl->halfHeight, R, rel[3]))
        return 0;
    if (result->contactMaxCount < 1)
        return 1;
    McdContact& c = result->contacts[0];
    c = McdContact();
    Transform(T1, p, c.position);
    Rotate(T1, out.normal, c.normal);
    Copy(c.normal, result->normal);
    c.separation = out.separation;
    c.dims = out.dims;
    result->contactCount = 1;
    return 1;
}

int McdCylinderPlaneIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->contactCount = 0;
    const McdCylinder* cyl = CylinderOf(pair->model1);
    MeConstMatrix4Ptr T1 = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr T2 = McdModelGetTransformPtr(pair->model2);
    const MeReal eps = Padding(pair);
    MeReal rel[4][4];
    if (T2) {
        McdTransformRelative(rel, T1, T2);
    } else {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                rel[i][j] = T1[i][j];
    }
    MeReal points[36][3];
    McdPointCursor cursor(points, 36);
    MeReal s = 0;
    if (!McdCylinderPlaneTest(&s, &cursor, eps, cyl->radius, cyl->halfHeight, rel))
        return 0;
    MeReal normal[3] = {0, 0, 1};
    if (T2)
        Copy(T2[2], normal);
    Copy(normal, result->normal);
    const double az2 = static_cast<double>(rel[2][2]) * rel[2][2];
    const int feature = az2 > 0.999999 ? 2 : (az2 < 1e-6 ? 3 : 1);
    const MeI16 dims = static_cast<MeI16>(feature + 512);
    if (result->contactMaxCount < 1)
        return 1;
    McdContact local[36];
    int n = 0;
    const int count = cursor.Count(points);
    for (int i = 0; i < count && n < result->contactMaxCount; ++i) {
        const MeReal* p = points[i];
        if (!(p[2] < 0.01f * eps))
            continue;
        McdContact& c = local[n++];
        c = McdContact();
        if (T2)
            Transform(T2, p, c.position);
        else
            Copy(p, c.position);
        Copy(normal, c.normal);
        c.separation = p[2];
        c.dims = dims;
    }
    const McdIntersectRequest* request = pair->request;
    const int word0 = request ? request->contactMaxCount : 4;
    const int word1 = request ? request->faceNormalsFirst : 0;
    const int cap = word0 < result->contactMaxCount ? word0 : result->contactMaxCount;
    result->contactCount = McdContactCull(normal, local, n, result->contacts, cap > 0 ? cap : 0, word1);
    return 1;
}

int McdBoxCylinderIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    result->contactCount = 0;
    const MeReal* e = McdBoxGetHalfExtents(McdModelGetGeometry(pair->model1));
    const McdCylinder* cyl = CylinderOf(pair->model2);
    MeConstMatrix4Ptr T1 = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr T2 = McdModelGetTransformPtr(pair->model2);
    MeReal rel[4][4];
    McdTransformRelative(rel, T2, T1);
    MeReal points[48][3];
    McdPointCursor cursor(points, 48);
    McdCylinderTestOutput out;
    if (!McdBoxCylinderTest(&out, &cursor, Padding(pair), e, cyl->radius, cyl->halfHeight, rel))
        return 0;
    if (result->contactMaxCount < 1)
        return 0;
    const MeReal c = Dot(out.normal, rel[2]);
    const int cylFeature = c * c > 0.999999f ? 2 : (c * c < 1e-6f ? 3 : 1);
    int flat = 0;
    for (int k = 0; k < 3; ++k)
        flat += std::fabs(out.normal[k]) < 1e-3f;
    const int boxFeature = flat >= 2 ? 2 : flat;
    const MeI16 dims = static_cast<MeI16>(boxFeature | (cylFeature << 8));
    McdContactsFromPolygon(result, points, cursor.Count(points), T1, out.normal, out.support, out.separation, dims);
    return result->contactCount > 0 ? 1 : 0;
}

namespace {

// Safe time by the sweep of two boxes standing in for the shapes.
int SweptBoxes(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    result->pair = pair;
    result->time = step;
    McdModelID models[2] = {pair->model1, pair->model2};
    MeReal e[2][3];
    for (int k = 0; k < 2; ++k) {
        McdGeometryID g = McdModelGetGeometry(models[k]);
        switch (McdGeometryGetTypeId(g)) {
        case kMcdCylinderType: {
            const McdCylinder* c = static_cast<const McdCylinder*>(g);
            Set(e[k], kBoxFactor * c->radius, kBoxFactor * c->radius, c->halfHeight);
            break;
        }
        case kMcdSphereType: {
            const MeReal R = kBoxFactor * McdSphereGetRadius(g);
            Set(e[k], R, R, R);
            break;
        }
        default:
            Copy(McdBoxGetHalfExtents(g), e[k]);
            break;
        }
    }
    if (!models[0]->linearVelocity || !models[1]->linearVelocity)
        return 0;
    MeReal time = step;
    const int met = McdBoxBoxSweepTest(e[0], McdModelGetTransformPtr(models[0]), models[0]->linearVelocity, e[1],
                                       McdModelGetTransformPtr(models[1]), models[1]->linearVelocity, step, &time);
    if (met)
        result->time = time;
    return met;
}

}  // namespace

int McdCylinderCylinderSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    return SweptBoxes(pair, step, result);
}

int McdCylinderSphereSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    return SweptBoxes(pair, step, result);
}

int McdBoxCylinderSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    return SweptBoxes(pair, step, result);
}

namespace {

int Register(McdFrameworkID framework, int typeA, int typeB, McdIntersectFn intersect, McdSafeTimeFn safeTime)
{
    McdInteractions fns;
    fns.intersect = intersect;
    fns.safeTime = safeTime;
    McdFrameworkSetInteraction(framework, typeA, typeB, &fns, nullptr);
    return 1;
}

}  // namespace

int McdCylinderCylinderRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdCylinderType, kMcdCylinderType, McdCylinderCylinderIntersect,
                    McdCylinderCylinderSafeTime);
}

int McdCylinderSphereRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdCylinderType, kMcdSphereType, McdCylinderSphereIntersect,
                    McdCylinderSphereSafeTime);
}

int McdCylinderPlaneRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdCylinderType, kMcdPlaneType, McdCylinderPlaneIntersect, nullptr);
}

int McdBoxCylinderRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdBoxType, kMcdCylinderType, McdBoxCylinderIntersect, McdBoxCylinderSafeTime);
}

int McdCylinderLineSegIntersect(McdModelID model, const MeReal p0[3], const MeReal p1[3],
                                McdLineSegIntersectResult* hit)
{
    const McdCylinder* cyl = CylinderOf(model);
    MeConstMatrix4Ptr T = McdModelGetTransformPtr(model);
    if (!cyl || !T || !hit)
        return 0;
    const MeReal r = cyl->radius, h = cyl->halfHeight;
    if (h < 1e-6f)
        return 0;
    MeReal a[3], b[3];
    InverseTransform(T, p0, a);
    InverseTransform(T, p1, b);
    const MeReal d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    enum { kSide, kTop, kBottom } kind = kSide;
    MeReal best = FLT_MAX;
    if (a[0] * a[0] + a[1] * a[1] <= r * r && a[2] >= -h && a[2] <= h) {
        best = 0;
        kind = kTop;
    }
    auto withinRadius = [&](MeReal t) {
        const MeReal x = a[0] + t * d[0], y = a[1] + t * d[1];
        return x * x + y * y <= r * r;
    };
    if (std::fabs(d[2]) > 1e-6f) {
        const MeReal tTop = (h - a[2]) / d[2];
        if (tTop >= 0 && tTop < best && withinRadius(tTop)) {
            best = tTop;
            kind = kTop;
        }
        const MeReal tBottom = (-h - a[2]) / d[2];
        if (tBottom >= 0 && tBottom < best && withinRadius(tBottom)) {
            best = tBottom;
            kind = kBottom;
        }
    }
    const MeReal A = d[0] * d[0] + d[1] * d[1];
    const MeReal B = 2 * (d[0] * a[0] + d[1] * a[1]);
    const MeReal C = a[0] * a[0] + a[1] * a[1] - r * r;
    const MeReal disc = B * B - 4 * A * C;
    if (disc >= 0 && std::fabs(A) > 1e-12f) {
        const MeReal root = std::sqrt(disc);
        for (const MeReal t : {(root - B) / (2 * A), (-B - root) / (2 * A)}) {
            const MeReal z = a[2] + t * d[2];
            if (t >= 0 && t < best && z >= -h && z <= h) {
                best = t;
                kind = kSide;
            }
        }
    }
    if (!(best < 1))
        return 0;
    const MeReal local[3] = {a[0] + best * d[0], a[1] + best * d[1], a[2] + best * d[2]};
    MeReal n[3] = {0, 0, 0};
    if (kind == kSide) {
        Set(n, local[0], local[1], 0);
        const MeReal l = std::sqrt(Dot(n, n));
        if (l > 0)
            for (MeReal& x : n)
                x /= l;
    } else {
        n[2] = kind == kTop ? 1.0f : -1.0f;
    }
    Transform(T, local, hit->position);
    Rotate(T, n, hit->normal);
    hit->distance = best * std::sqrt(Dot(d, d));
    return 1;
}

void McdCylinderRegisterLineSegFn(McdFrameworkID framework)
{
    McdGeometrySetLineSegFn(framework, kMcdCylinderType, McdCylinderLineSegIntersect);
}
