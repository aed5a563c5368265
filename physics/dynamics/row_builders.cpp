// Row builders: every constraint kind turns its current geometry into Jacobian rows.
//
// Sign rule: the solver achieves J v = c - (gamma + xgamma) xi / h for every row inside its
// bounds, so xi must be the constraint function f whose time derivative is J v. Each row
// below names its f and takes J as the exact gradient of f with respect to the body
// velocities (linear 0, angular 0, linear 1, angular 1), so a violated constraint is always
// pushed back towards f = 0.
//
// Two identities give every row:
//   d/dt (u . s) = w0 . (u x s) - w1 . (u x s)      for a unit vector u fixed in body 0 and s in body 1;
//   d/dt (t . (P0 - P1)) = t . (v0 - v1) + w0 . (r0 x t) - w1 . (r1 x t) + wB . (t x (P0 - P1))
//                                                   for points P0, P1 fixed in the bodies (r = P - c)
//                                                   and a direction t fixed in body B.
// A body that is absent (body 1 = the world) simply has no columns.
//
// Springy rows use the implicit spring-damper of stiffness k and damping c: t = 1 / (h k + c),
// total diagonal addition t / h (never negative), error reduction h k t.

#include "physics/dynamics/body.h"
#include "physics/dynamics/contact.h"
#include "physics/dynamics/joints.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/row_storage.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace {

const MeReal zero3[3] = {0, 0, 0};

struct Builder {
    keaConstraints* rows;
    MdtConstraint* con;
    const MeMatrix4* tm0;
    const MeMatrix4* tm1;  // null for the world
    keaBody* body0;
    keaBody* body1;
    const MeReal* params;
    MeReal c0[3], c1[3];
    int jrow0, row0;

    Builder(keaConstraints* r, MdtConstraint* c, const MeMatrix4* frames, keaBody* const* bodies, const MeReal* p,
            int maxRows)
        : rows(r), con(c), params(p)
    {
        tm0 = &frames[c->bodyIndex[0]];
        tm1 = c->bodyIndex[1] >= 0 ? &frames[c->bodyIndex[1]] : nullptr;
        body0 = bodies[c->bodyIndex[0]];
        body1 = c->bodyIndex[1] >= 0 ? bodies[c->bodyIndex[1]] : nullptr;
        MeVector3Copy(c0, (*tm0)[3]);
        if (tm1)
            MeVector3Copy(c1, (*tm1)[3]);
        else
            MeVector3Set(c1, 0, 0, 0);
        jrow0 = r->num_rows_inc_padding;
        row0 = r->num_rows_exc_padding;
        MdtRowStorageBeginConstraint(r, maxRows, c->bodyIndex[0], c->bodyIndex[1]);
    }

    MeReal h() const { return params[0]; }
    MeReal eps() const { return params[1]; }
    MeReal gamma() const { return params[2]; }

    // World direction of a body-local one (body 1 absent: already world).
    void Dir(int body, const MeReal* local, MeReal* out) const
    {
        const MeMatrix4* tm = body == 0 ? tm0 : tm1;
        if (tm)
            MeMatrix4TMRotate(out, *tm, local);
        else
            MeVector3Copy(out, local);
    }

    void Point(int body, const MeReal* local, MeReal* out) const
    {
        const MeMatrix4* tm = body == 0 ? tm0 : tm1;
        if (tm)
            MeMatrix4TMTransform(out, *tm, local);
        else
            MeVector3Copy(out, local);
    }

    void AttachPoint(int body, MeReal* out) const { Point(body, con->attach[body][3], out); }
    void AttachAxis(int body, int axis, MeReal* out) const { Dir(body, con->attach[body][axis], out); }

    void Velocities(int body, const MeReal* point, MeReal* out) const
    {
        const keaBody* b = body == 0 ? body0 : body1;
        if (!b) {
            MeVector3Set(out, 0, 0, 0);
            return;
        }
        MeReal r[3], wxr[3];
        MeVector3Subtract(r, point, body == 0 ? c0 : c1);
        MeVector3Cross(wxr, b->velrot, r);
        MeVector3Add(out, b->vel, wxr);
    }

    void SetJ(int r, const MeReal* l0, const MeReal* a0, const MeReal* l1, const MeReal* a1)
    {
        const int jr = jrow0 + r;
        for (int k = 0; k < 3; ++k) {
            rows->Jstore[keaJstoreIndex(jr, k)] = l0[k];
            rows->Jstore[keaJstoreIndex(jr, 3 + k)] = a0[k];
            rows->Jstore[keaJstoreIndex(jr, 6 + k)] = tm1 ? l1[k] : 0;
            rows->Jstore[keaJstoreIndex(jr, 9 + k)] = tm1 ? a1[k] : 0;
        }
    }

    // Row for f = u . s with u fixed in body 0 and s in body 1.
    void AngularRow(int r, const MeReal* u, const MeReal* s)
    {
        MeReal uxs[3], neg[3];
        MeVector3Cross(uxs, u, s);
        MeVector3Set(neg, -uxs[0], -uxs[1], -uxs[2]);
        SetJ(r, zero3, uxs, zero3, neg);
        Xi(r, MeVector3Dot(u, s));
    }

    // Row for f = t . (P0 - P1) with t fixed in body `carrier` (0 or 1; -1 for a world direction).
    void LinearRow(int r, const MeReal* t, int carrier, const MeReal* P0, const MeReal* P1)
    {
        MeReal r0[3], r1[3], a0[3], a1[3], l1[3], D[3], turn[3];
        MeVector3Subtract(r0, P0, c0);
        MeVector3Subtract(r1, P1, c1);
        MeVector3Cross(a0, r0, t);
        MeVector3Cross(a1, r1, t);
        MeVector3Scale(a1, -1);
        MeVector3Set(l1, -t[0], -t[1], -t[2]);
        MeVector3Subtract(D, P0, P1);
        MeVector3Cross(turn, t, D);
        if (carrier >= 0)
            MeVector3Add(carrier == 0 ? a0 : a1, carrier == 0 ? a0 : a1, turn);
        SetJ(r, t, a0, l1, a1);
        Xi(r, MeVector3Dot(t, D));
    }

    void Xi(int r, MeReal v) { rows->xi[row0 + r] = v; }
    void C(int r, MeReal v) { rows->c[row0 + r] = v; }
    void Bounds(int r, MeReal lo, MeReal hi)
    {
        rows->lo[row0 + r] = lo;
        rows->hi[row0 + r] = hi;
    }
    void Slip(int r, MeReal v) { rows->slipfactor[row0 + r] = v; }
    void XGamma(int r, MeReal v) { rows->xgamma[row0 + r] = v; }

    // Spring-damper softness of a row; rigid (infinite stiffness) rows keep the defaults.
    void Spring(int r, MeReal k, MeReal damping)
    {
        if (k >= FLT_MAX / 2 || damping >= FLT_MAX / 2)
            return;
        const MeReal t = 1 / (h() * k + damping);
        Slip(r, t - eps() * h());  // total diagonal addition t / h
        XGamma(r, h() * k * t - gamma());
    }

    // Rows 0-2 keeping the two attachment points together: f_k = (a0 - a1) . e_k.
    void PointRows(int first)
    {
        MeReal a0[3], a1[3];
        AttachPoint(0, a0);
        AttachPoint(1, a1);
        for (int k = 0; k < 3; ++k) {
            MeReal e[3] = {0, 0, 0};
            e[k] = 1;
            LinearRow(first + k, e, -1, a0, a1);
        }
    }

    MdtLimitRowTarget LimitTarget(int r) const { return {rows, row0 + r, jrow0 + r, body0, body1, params}; }

    void EmptyRow(int r) { SetJ(r, zero3, zero3, zero3, zero3); }

    // J v of row r with the bodies' current velocities.
    MeReal RowVelocity(int r) const
    {
        const int jr = jrow0 + r;
        MeReal sum = 0;
        for (int k = 0; k < 3; ++k) {
            sum += rows->Jstore[keaJstoreIndex(jr, k)] * body0->vel[k];
            sum += rows->Jstore[keaJstoreIndex(jr, 3 + k)] * body0->velrot[k];
            if (body1) {
                sum += rows->Jstore[keaJstoreIndex(jr, 6 + k)] * body1->vel[k];
                sum += rows->Jstore[keaJstoreIndex(jr, 9 + k)] * body1->velrot[k];
            }
        }
        return sum;
    }

    void Commit(int k) { MdtRowStorageCommit(rows, k); }
};

}  // namespace

void MdtBallJointBuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b, const MeReal* p)
{
    Builder B(r, c, f, b, p, 3);
    B.PointRows(0);
    B.Commit(3);
}

void MdtHingeBuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b, const MeReal* p)
{
    Builder B(r, c, f, b, p, 6);
    B.PointRows(0);
    MeReal a0[3], pp[3], qq[3], a1[3], p1[3];
    B.AttachAxis(0, 0, a0);
    B.AttachAxis(0, 1, pp);
    B.AttachAxis(0, 2, qq);
    B.AttachAxis(1, 0, a1);
    // f = p . a1 and q . a1: body 1's axis stays perpendicular to body 0's two perpendiculars.
    B.AngularRow(3, pp, a1);
    B.AngularRow(4, qq, a1);
    MdtLimit* limit = &c->limited.limit;
    int k = 5;
    if (limit->active) {
        B.AttachAxis(1, 1, p1);
        const MeReal angle = -std::atan2(MeVector3Dot(qq, p1), MeVector3Dot(pp, p1));
        MeReal w[3];
        MeVector3Copy(w, B.body0->velrot);
        if (B.body1)
            MeVector3Subtract(w, w, B.body1->velrot);
        limit->rate = MeVector3Dot(a0, w);
        MdtLimitUpdatePosition(limit, angle, 1);
        if (MdtLimitAddRow(limit, zero3, a0, a0, B.LimitTarget(5)))
            k = 6;
    } else {
        limit->overshoot = 0;
    }
    B.Commit(k);
}

void MdtSliderBuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b, const MeReal* p)
{
    Builder B(r, c, f, b, p, 6);
    MeReal u[3][3], s[3][3];
    for (int i = 0; i < 3; ++i) {
        B.AttachAxis(0, i, u[i]);
        B.AttachAxis(1, i, s[i]);
    }
    // The reference separation is carried by body 1: P1 = c1 + R1 ref, P0 = c0.
    MeReal ref[3], P1[3];
    B.Dir(1, c->attach[1][3], ref);
    MeVector3Add(P1, B.c1, ref);
    B.LinearRow(0, s[1], 1, B.c0, P1);
    B.LinearRow(1, s[2], 1, B.c0, P1);
    // Orientation lock: f = p0 . q1, q0 . a1, a0 . p1 (gradients axis, p, q when aligned).
    B.AngularRow(2, u[1], s[2]);
    B.AngularRow(3, u[2], s[0]);
    B.AngularRow(4, u[0], s[1]);
    MdtLimit* limit = &c->limited.limit;
    int k = 5;
    if (limit->active) {
        // Travel x = a1 . (c0 - P1); the limit row is the linear row along body 1's axis.
        B.LinearRow(5, s[0], 1, B.c0, P1);
        const MeReal travel = r->xi[B.row0 + 5];
        limit->rate = B.RowVelocity(5);
        MeReal Jang1[3];
        for (int i = 0; i < 3; ++i)
            Jang1[i] = -r->Jstore[keaJstoreIndex(B.jrow0 + 5, 9 + i)];
        B.EmptyRow(5);
        B.Xi(5, 0);
        MdtLimitUpdatePosition(limit, travel, 0);
        if (MdtLimitAddRow(limit, s[0], zero3, Jang1, B.LimitTarget(5)))
            k = 6;
    } else {
        limit->overshoot = 0;
    }
    B.Commit(k);
}

void MdtJointType3BuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b, const MeReal* p)
{
    Builder B(r, c, f, b, p, 6);
    const MdtJointType3Data& d = c->type3;
    MeReal A[3], Bv[3], C[3], pl[3], ql[3], pw[3], qw[3], a0[3];
    B.Dir(0, d.axisA, A);
    B.Dir(0, d.axisB, Bv);
    B.Dir(1, d.axisC, C);
    MdtPlaneSpace(d.axisA, pl, ql);
    B.Dir(0, pl, pw);
    B.Dir(0, ql, qw);
    B.Point(0, d.anchor0, a0);
    // Rows 0-1: f = p . (a0 - c1), q . (a0 - c1): body 1's centre of mass on the line of A.
    B.LinearRow(0, pw, 0, a0, B.c1);
    B.LinearRow(1, qw, 0, a0, B.c1);
    // Row 2: travel x = A . (c1 - a0), written as f = (-A) . (a0 - c1).
    MeReal negA[3] = {-A[0], -A[1], -A[2]};
    B.LinearRow(2, negA, 0, a0, B.c1);
    const MeReal travel = r->xi[B.row0 + 2];
    if (travel < d.travelLower || travel > d.travelUpper) {
        const bool below = travel < d.travelLower;
        const MeReal bound = below ? d.travelLower : d.travelUpper;
        B.Xi(2, travel - bound);
        B.Bounds(2, below ? 0 : -FLT_MAX, below ? FLT_MAX : 0);
        B.Slip(2, d.stopSoftness);
        // The spring keeps pulling towards the reference while the stop holds the travel.
        const MeReal spring = (bound - d.travelReference) * d.travelStiffness;
        for (int k = 0; k < 3; ++k) {
            B.body0->force[k] += spring * A[k];
            if (B.body1)
                B.body1->force[k] -= spring * A[k];
        }
    } else if (d.travelStiffness == 0 && d.travelDamping == 0) {
        B.EmptyRow(2);  // free travel
        B.Xi(2, 0);
    } else {
        B.Xi(2, travel - d.travelReference);
        B.Spring(2, d.travelStiffness, d.travelDamping);
    }
    // Row 3: f = A . C keeps body 1's spin axis perpendicular to A.
    B.AngularRow(3, A, C);
    // Row 4: turning about A. Locked: f = (B x A) . C, whose gradient is A when C = B.
    if (d.turnLock) {
        MeReal BxA[3];
        MeVector3Cross(BxA, Bv, A);
        B.AngularRow(4, BxA, C);
    } else {
        MeReal negA2[3] = {-A[0], -A[1], -A[2]};
        B.SetJ(4, zero3, A, zero3, negA2);
    }
    B.C(4, -d.turnVelocity);
    B.Bounds(4, -d.turnMaxForce, d.turnMaxForce);
    int k = 5;
    if (d.spinMaxForce >= 0.0001f) {
        MeReal negC[3] = {-C[0], -C[1], -C[2]};
        B.SetJ(5, zero3, C, zero3, negC);
        B.C(5, -d.spinVelocity);
        B.Bounds(5, -d.spinMaxForce, d.spinMaxForce);
        k = 6;
    }
    B.Commit(k);
}

void MdtUniversalJointBuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b,
                                const MeReal* p)
{
    Builder B(r, c, f, b, p, 4);
    B.PointRows(0);
    MeReal a1[3], a2[3];
    B.Dir(0, c->universal.axis1, a1);
    B.Dir(1, c->universal.axis2, a2);
    B.AngularRow(3, a1, a2);
    B.Xi(3, MeVector3Dot(a1, a2) - c->universal.referenceCosine);
    B.Commit(4);
}

void MdtJointType10BuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b,
                             const MeReal* p)
{
    Builder B(r, c, f, b, p, 1);
    // f = n . (c0 - c1) - reference with n = body 1's anchor as a direction.
    MeReal n[3];
    B.Dir(1, c->type10.anchor1, n);
    B.LinearRow(0, n, 1, B.c0, B.c1);
    B.Xi(0, r->xi[B.row0] - c->type10.reference);
    B.Commit(1);
}

void MdtJointType11BuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b,
                             const MeReal* p)
{
    Builder B(r, c, f, b, p, 2);
    const MdtJointType11Data& d = c->type11;
    MeReal t1l[3], t2l[3], t1[3], t2[3], a0[3], a1[3];
    MeVector3Copy(t1l, d.perpendicular);
    MeVector3Cross(t2l, d.axis, d.perpendicular);
    B.Dir(1, t1l, t1);
    B.Dir(1, t2l, t2);
    B.Point(0, d.anchor0, a0);
    B.Point(1, d.anchor1, a1);
    B.LinearRow(0, t1, 1, a0, a1);
    B.LinearRow(1, t2, 1, a0, a1);
    B.Commit(2);
}

void MdtAngularJointBuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b,
                              const MeReal* p)
{
    const int n = c->angular.freeAboutAxis ? 2 : 3;
    Builder B(r, c, f, b, p, n);
    MeReal u[3][3], s[3][3];
    for (int i = 0; i < 3; ++i) {
        B.AttachAxis(0, i, u[i]);
        B.AttachAxis(1, i, s[i]);
    }
    // f = p0 . a1 and q0 . a1 align the axes; f = p0 . q1 locks the twist about them.
    B.AngularRow(0, u[1], s[0]);
    B.AngularRow(1, u[2], s[0]);
    if (n == 3)
        B.AngularRow(2, u[1], s[2]);
    for (int i = 0; i < n; ++i)
        B.Spring(i, c->angular.stiffness, c->angular.damping);
    B.Commit(n);
}

void MdtDistanceJointBuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b,
                               const MeReal* p)
{
    Builder B(r, c, f, b, p, 1);
    MeReal a0[3], a1[3], D[3], v0[3], v1[3], dv[3];
    B.AttachPoint(0, a0);
    B.AttachPoint(1, a1);
    MeVector3Subtract(D, a0, a1);
    MeReal distance = MeVector3Magnitude(D);
    MeReal u[3];
    if (distance > 0)
        MeVector3Set(u, D[0] / distance, D[1] / distance, D[2] / distance);
    else
        MeVector3Set(u, 1, 0, 0);
    B.Velocities(0, a0, v0);
    B.Velocities(1, a1, v1);
    MeVector3Subtract(dv, v0, v1);
    MdtLimit* limit = &c->distance.limit;
    limit->rate = MeVector3Dot(u, dv);
    MdtLimitUpdatePosition(limit, distance, 0);
    MeReal r0[3], r1[3], j0[3], j1[3];
    MeVector3Subtract(r0, a0, B.c0);
    MeVector3Subtract(r1, a1, B.c1);
    MeVector3Cross(j0, r0, u);
    MeVector3Cross(j1, r1, u);
    if (!(limit->active && MdtLimitAddRow(limit, u, j0, j1, B.LimitTarget(0))))
        B.EmptyRow(0);
    B.Commit(1);
}

void MdtContactBuildRows(keaConstraints* r, MdtConstraint* c, const MeMatrix4* f, keaBody* const* b, const MeReal* p)
{
    const MdtContactData& d = c->contact;
    const MdtContactParams& cp = d.params;
    const int n = cp.type == 0 ? 1 : (cp.type == 1 ? 2 : 3);
    Builder B(r, c, f, b, p, n);
    const MeReal* N = d.normal;
    const MeReal* P = d.position;
    // Row 0: f = n . (P0 - P1) for the two material points at the contact: the separation.
    B.LinearRow(0, N, -1, P, P);
    B.Xi(0, -d.penetration);
    B.Bounds(0, (cp.options & MdtContactOptionAdhesive) ? -cp.adhesion : 0, FLT_MAX);
    if (cp.options & MdtContactOptionSoft)
        B.Slip(0, cp.softness);

    MeReal v0[3], v1[3], vrel[3];
    B.Velocities(0, P, v0);
    B.Velocities(1, P, v1);
    MeVector3Subtract(vrel, v0, v1);
    const bool moving = (cp.options & MdtContactOptionMovingSurface) && !B.body1;
    if (moving)
        MeVector3Subtract(vrel, vrel, d.surfaceVelocity);

    MeReal t[2][3] = {{0, 0, 0}, {0, 0, 0}};
    MeReal scale = 1;
    auto project = [&](const MeReal* v, MeReal* out) {
        const MeReal vn = MeVector3Dot(N, v);
        for (int k = 0; k < 3; ++k)
            out[k] = v[k] - vn * N[k];
    };
    if (cp.type == 1) {
        project(d.direction, t[0]);
        if (MeVector3Normalize(t[0]) == 0)
            MdtPlaneSpace(N, t[0], t[1]);
    } else if (cp.type >= 2) {
        if (cp.options & MdtContactOptionUseDirection) {
            MeVector3Cross(t[0], N, d.direction);
            if (MeVector3Normalize(t[0]) == 0)
                MdtPlaneSpace(N, t[0], t[1]);
            MeVector3Cross(t[1], N, t[0]);
        } else {
            MeReal vt[3];
            project(vrel, vt);
            if (MeVector3MagnitudeSqr(vt) < 1.0000001e-6f) {
                MdtPlaneSpace(N, t[0], t[1]);
            } else {
                MeVector3Normalize(vt);
                MeReal w[3];
                MeVector3Cross(w, N, vt);
                for (int k = 0; k < 3; ++k) {
                    t[0][k] = (vt[k] + w[k]) * 0.70710677f;
                    t[1][k] = (vt[k] - w[k]) * 0.70710677f;
                }
                scale = 0.70710677f;
            }
        }
    }
    const int models[2] = {cp.frictionModel1, cp.frictionModel2};
    const MeReal bounds[2] = {cp.friction1, cp.friction2};
    const MeU32 slipOption[2] = {MdtContactOptionSlip1, MdtContactOptionSlip2};
    const MeReal slips[2] = {cp.slip1, cp.slip2};
    const MeU32 slideOption[2] = {MdtContactOptionSlide1, MdtContactOptionSlide2};
    const MeReal slides[2] = {cp.tangentVelocity1, cp.tangentVelocity2};
    for (int i = 0; i + 1 < n; ++i) {
        B.LinearRow(1 + i, t[i], -1, P, P);
        B.Xi(1 + i, 0);
        MeReal bound = (models[i] == 0 || models[i] == 1) ? bounds[i] : FLT_MAX;
        if (bound < FLT_MAX)
            bound *= scale;
        B.Bounds(1 + i, -bound, bound);
        if (cp.options & slipOption[i])
            B.Slip(1 + i, slips[i]);
        if (cp.options & slideOption[i])
            B.C(1 + i, slides[i]);
    }
    if (cp.options & MdtContactOptionBounce) {
        MeReal approach[3];
        MeVector3Subtract(approach, v0, v1);
        const MeReal vn = MeVector3Dot(N, approach);
        if (vn < -cp.velThreshold)
            B.C(0, -cp.restitution * vn);
    }
    if (moving) {
        const MeReal* sv = d.surfaceVelocity;
        r->c[B.row0] += MeVector3Dot(sv, N);
        for (int i = 0; i + 1 < n; ++i) {
            r->c[B.row0 + 1 + i] += MeVector3Dot(sv, t[i]);
            MeReal& stored = i == 0 ? c->contact.params.tangentVelocity1 : c->contact.params.tangentVelocity2;
            stored = r->c[B.row0 + 1 + i];
        }
    }
    B.Commit(n);
}

void MdtContactGroupBuildRows(keaConstraints* r, MdtConstraint* g, const MeMatrix4* f, keaBody* const* b,
                              const MeReal* p)
{
    MdtContactGroupData& d = g->group;
    const MeReal share = d.count > 0 ? d.load / static_cast<MeReal>(d.count) : 0;
    for (MdtConstraint* c = d.first; c; c = c->contact.next) {
        c->key = g->key;
        c->bodyIndex[0] = g->bodyIndex[0];
        c->bodyIndex[1] = g->bodyIndex[1];
        MdtContactParams& cp = c->contact.params;
        if (cp.frictionModel1 == 1)
            cp.friction1 = share * cp.frictionCoeff1;
        if (cp.frictionModel2 == 1)
            cp.friction2 = share * cp.frictionCoeff2;
        MdtContactBuildRows(r, c, f, b, p);
    }
}
