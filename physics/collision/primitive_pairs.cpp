// Sphere, box and plane pairs. Spheres and planes are closed-form: the centre distance or the
// centre's height gives the one contact. Box-sphere and box-plane ask the line-test object
// (sphere against the box in the box's frame; the box's corners and edge crossings in the
// plane's frame). Box-plane keeps only points strictly below 0.01 x the box's lowest height,
// so a box resting exactly on the plane makes no contacts, and culls them to the budget.
//
// Safe times are first-order: constant velocities, the time at which the gap closes along
// the line of approach. Receding or sliding motion has no time of contact.

#include "physics/collision/primitive_pairs.h"

#include <cmath>

#include "physics/collision/box_box.h"
#include "physics/collision/contact_cull.h"
#include "physics/collision/line_segment.h"
#include "physics/collision/pair_local.h"

using namespace mcdpair;

namespace {

constexpr int kBoxPlanePoints = 16;

const MeReal kRest[3] = {0, 0, 0};

const MeReal* Velocity(const McdModel* m)
{
    return m->linearVelocity ? m->linearVelocity : kRest;
}

bool UsableStep(MeReal step)
{
    return step > 0 && std::isfinite(step);
}

// Accepts a time of contact when it falls within the step (a pair already touching meets at 0).
int AcceptTime(McdSafeTimeResult* result, MeReal t, MeReal step)
{
    if (!std::isfinite(t) || t > step)
        return 0;
    result->time = t > 0 ? t : 0;
    return 1;
}

int Register(McdFrameworkID framework, int a, int b, McdIntersectFn intersect, McdSafeTimeFn safeTime)
{
    McdInteractions fns;
    fns.intersect = intersect;
    fns.safeTime = safeTime;
    McdFrameworkSetInteraction(framework, a, b, &fns, nullptr);
    return 1;
}

}  // namespace

int McdSphereSphereIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    MeReal c1[3], c2[3];
    Origin(c1, pair->model1);
    Origin(c2, pair->model2);
    const MeReal r1 = SphereRadius(pair->model1), r2 = SphereRadius(pair->model2);
    const MeReal d[3] = {c1[0] - c2[0], c1[1] - c2[1], c1[2] - c2[2]};
    const MeReal s = Dot(d, d);
    MeReal n[3] = {0, 0, 1};
    MeReal length = 0;
    if (s > 0) {
        length = std::sqrt(s);
        for (int i = 0; i < 3; ++i)
            n[i] = d[i] / length;
    }
    const MeReal separation = length - (r1 + r2);
    if (separation > PairPadding(pair))
        return NoContact(result);
    MeReal position[3];
    const MeReal sum = r1 + r2;
    for (int i = 0; i < 3; ++i)
        position[i] = sum > 0 ? (r2 * c1[i] + r1 * c2[i]) / sum : 0.5f * (c1[i] + c2[i]);
    return WriteOneContact(result, position, n, separation, 771);
}

int McdSpherePlaneIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    MeReal c[3], o[3], n[3];
    Origin(c, pair->model1);
    Origin(o, pair->model2);
    PlaneNormal(n, pair->model2);
    const MeReal r = SphereRadius(pair->model1);
    const MeReal d[3] = {c[0] - o[0], c[1] - o[1], c[2] - o[2]};
    const MeReal separation = Dot(n, d) - r;
    if (separation > PairPadding(pair))
        return NoContact(result);
    const MeReal position[3] = {c[0] - r * n[0], c[1] - r * n[1], c[2] - r * n[2]};
    return WriteOneContact(result, position, n, separation, 515);
}

int McdBoxSphereIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    MeConstMatrix4Ptr t1 = PoseOf(pair->model1);
    MeReal centre[3], local[3];
    Origin(centre, pair->model2);
    InverseTransform(local, t1, centre);
    MeReal separation, ln[3], lp[3];
    MeI16 dims;
    if (!McdGeometryTestsGet()->SphereBox(&separation, ln, lp, &dims, PairPadding(pair), BoxExtents(pair->model1),
                                          SphereRadius(pair->model2), local))
        return NoContact(result);
    MeReal n[3], p[3];
    Rotate(n, t1, ln);
    Transform(p, t1, lp);
    return WriteOneContact(result, p, n, separation, dims);
}

int McdBoxPlaneIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    MeConstMatrix4Ptr tb = PoseOf(pair->model1);
    MeConstMatrix4Ptr tp = PoseOf(pair->model2);
    MeReal pose[4][4];
    PoseIn(pose, tp, tb);
    MeReal points[kBoxPlanePoints][3];
    McdPointCursor cursor(points, kBoxPlanePoints);
    MeReal separation;
    MeI16 dims;
    if (!McdGeometryTestsGet()->BoxPlane(&separation, &cursor, &dims, PairPadding(pair), BoxExtents(pair->model1),
                                         pose))
        return NoContact(result);
    MeReal n[3];
    PlaneNormal(n, pair->model2);
    for (int i = 0; i < 3; ++i)
        result->normal[i] = n[i];

    const int count = cursor.Count(points);
    McdContact local[kBoxPlanePoints];
    int kept = 0;
    const MeReal keepBelow = 0.01f * separation;
    for (int i = 0; i < count && kept < result->contactMaxCount; ++i) {
        if (!(points[i][2] < keepBelow))
            continue;
        McdContact& c = local[kept++];
        c = McdContact{};
        Transform(c.position, tp, points[i]);
        for (int j = 0; j < 3; ++j)
            c.normal[j] = n[j];
        c.separation = points[i][2];
        c.dims = dims;
    }
    result->contactCount = result->contacts ? McdContactCull(n, local, kept, result->contacts, McdResultContactCap(result),
                                                             McdResultRequest(result)->faceNormalsFirst)
                                            : 0;
    return 1;
}

int McdSphereSphereSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    result->pair = pair;
    result->time = step;
    if (!UsableStep(step))
        return 0;
    const MeReal* v1 = Velocity(pair->model1);
    const MeReal* v2 = Velocity(pair->model2);
    MeReal c1[3], c2[3];
    Origin(c1, pair->model1);
    Origin(c2, pair->model2);
    const MeReal u[3] = {v2[0] - v1[0], v2[1] - v1[1], v2[2] - v1[2]};
    const MeReal d[3] = {c2[0] - c1[0], c2[1] - c1[1], c2[2] - c1[2]};
    const MeReal speed = std::sqrt(Dot(u, u));
    if (speed * step < 0.001f)
        return 0;
    // Receding spheres never meet: the record keeps the step.
    if (!(Dot(u, d) < 0))
        return 0;
    const MeReal gap = std::sqrt(Dot(d, d)) - SphereRadius(pair->model1) - SphereRadius(pair->model2);
    return AcceptTime(result, gap / speed, step);
}

int McdSpherePlaneSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    result->pair = pair;
    result->time = step;
    if (!UsableStep(step))
        return 0;
    const MeReal* vs = Velocity(pair->model1);
    const MeReal* vp = Velocity(pair->model2);
    const MeReal u[3] = {vs[0] - vp[0], vs[1] - vp[1], vs[2] - vp[2]};
    MeReal n[3], c[3], o[3];
    PlaneNormal(n, pair->model2);
    Origin(c, pair->model1);
    Origin(o, pair->model2);
    const MeReal approach = -Dot(n, u);  // speed towards the plane
    // Motion along the plane, or away from it, never reaches it.
    if (approach * step < 0.001f)
        return 0;
    const MeReal d[3] = {c[0] - o[0], c[1] - o[1], c[2] - o[2]};
    return AcceptTime(result, (Dot(n, d) - SphereRadius(pair->model1)) / approach, step);
}

int McdBoxSphereSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    result->pair = pair;
    result->time = step;
    if (!UsableStep(step))
        return 0;
    // The sphere is stood in for by the cube of its own orientation inscribed between the
    // sphere and its circumscribed cube.
    const MeReal half = 2 * SphereRadius(pair->model2) / (1 + std::sqrt(2.0f));
    const MeReal cube[3] = {half, half, half};
    MeReal t = 0;
    if (!McdBoxBoxSweepTest(BoxExtents(pair->model1), PoseOf(pair->model1), Velocity(pair->model1), cube,
                            PoseOf(pair->model2), Velocity(pair->model2), step, &t))
        return 0;
    result->time = t;
    return 1;
}

int McdBoxPlaneSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result)
{
    result->pair = pair;
    result->time = step;
    if (!UsableStep(step))
        return 0;
    const MeReal* vb = Velocity(pair->model1);
    const MeReal* vp = Velocity(pair->model2);
    const MeReal u[3] = {vb[0] - vp[0], vb[1] - vp[1], vb[2] - vp[2]};
    if (std::sqrt(Dot(u, u)) * step < 0.0001f)
        return 0;
    MeReal n[3], o[3];
    PlaneNormal(n, pair->model2);
    Origin(o, pair->model2);
    const MeReal approach = -Dot(n, u);
    if (approach * step < 0.0001f)
        return 0;  // parallel to the plane or receding
    MeConstMatrix4Ptr t = PoseOf(pair->model1);
    const MeReal* e = BoxExtents(pair->model1);
    MeReal p[3] = {t[3][0], t[3][1], t[3][2]};
    for (int i = 0; i < 3; ++i) {
        const MeReal s = Dot(t[i], n) > 0 ? -e[i] : e[i];
        for (int j = 0; j < 3; ++j)
            p[j] += s * t[i][j];
    }
    const MeReal d[3] = {p[0] - o[0], p[1] - o[1], p[2] - o[2]};
    return AcceptTime(result, Dot(n, d) / approach, step);
}

int McdSphereSphereRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdSphereType, kMcdSphereType, McdSphereSphereIntersect, McdSphereSphereSafeTime);
}

int McdSpherePlaneRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdSphereType, kMcdPlaneType, McdSpherePlaneIntersect, McdSpherePlaneSafeTime);
}

int McdBoxSphereRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdBoxType, kMcdSphereType, McdBoxSphereIntersect, McdBoxSphereSafeTime);
}

int McdBoxPlaneRegisterInteraction(McdFrameworkID framework)
{
    return Register(framework, kMcdBoxType, kMcdPlaneType, McdBoxPlaneIntersect, McdBoxPlaneSafeTime);
}

int McdSimplePrimitivesRegisterInteractions(McdFrameworkID framework)
{
    McdSphereSphereRegisterInteraction(framework);
    McdBoxBoxRegisterInteraction(framework);
    McdBoxPlaneRegisterInteraction(framework);
    McdBoxSphereRegisterInteraction(framework);
    McdSpherePlaneRegisterInteraction(framework);
    McdSphereRegisterLineSeg(framework);
    McdBoxRegisterLineSeg(framework);
    McdPlaneRegisterLineSeg(framework);
    return 1;
}
