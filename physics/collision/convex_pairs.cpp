// The convex pairs: GJK separation, then contacts from the two shapes' features.
//
// GJK (with the penetration search on overlap) gives the separation of the cores and the
// normal N from object 2 towards object 1. Object 1's feature faces -N, object 2's +N; each
// is taken in the object's own frame with a tolerance of 0.01 and moved to world space.
// - Neither feature is a face, or a face meets a single vertex: one contact, on the vertex
//   (moved out by its object's fatness) or, for two edges, at the point of edge 1 closest
//   to edge 2; its separation is GJK's.
// - A face meets an edge or a face: the reference face is object 2's when it has one, else
//   object 1's. The incident feature is clipped by the side planes of the reference face
//   (each through a ring edge, containing the face normal, facing the ring's centroid), and
//   every surviving point becomes a contact whose separation is its height over the
//   reference plane minus both fatnesses, never below GJK's (the distance of the cores is a
//   lower bound), placed on the incident object's rounded surface.
// The candidates are culled to the pair's contact budget, keeping the deepest.

#include "physics/collision/convex_pairs.h"
#include "physics/dynamics/me_math.h"

#include <cmath>
#include <initializer_list>

#include "physics/collision/contact_cull.h"
#include "physics/collision/convex_contact_helpers.h"
#include "physics/collision/convex_mesh.h"
#include "physics/collision/error.h"
#include "physics/collision/model.h"

namespace {

constexpr MeReal kFeatureTolerance = 0.01f;
constexpr int kMaxCandidates = 200;
constexpr unsigned kTwoSidedTriangle = 1u << 1;  // triangle-entry flag bit 1

const MeReal kUnitCube[8][3] = {{1, 1, 1},  {-1, 1, 1},  {1, -1, 1},  {-1, -1, 1},
                                {1, 1, -1}, {-1, 1, -1}, {1, -1, -1}, {-1, -1, -1}};

// The shared hulls: built at registration, held by every framework that registered the
// convex interactions, released by the last one's cleanup.
struct SharedHulls {
    CxConvexHull* box = nullptr;
    MeReal unit[8][3];
    CxConvexHull* triangle = nullptr;
    int users = 0;
};
SharedHulls gShared;

MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

// The transforms of an object's frame; a null transform is the identity.
void ToWorld(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    if (t)
        MeMatrix4TMTransform(out, t, p);
    else
        MeVector3Copy(out, p);
}

void RotateToWorld(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    if (t)
        MeMatrix4TMRotate(out, t, v);
    else
        MeVector3Copy(out, v);
}

void ToLocal(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    if (t)
        MeMatrix4TMInverseTransform(out, t, p);
    else
        MeVector3Copy(out, p);
}

void RotateToLocal(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    if (t)
        MeMatrix4TMInverseRotate(out, t, v);
    else
        MeVector3Copy(out, v);
}

void CylinderSupport(const McdGeometry* g, const MeReal d[3], MeReal out[3])
{
    const McdCylinder* c = static_cast<const McdCylinder*>(g);
    McdCylinderLocalSupport(c->radius, c->halfHeight, d, out);
}

McdConvexSet SetOf(const McdConvexObject* o)
{
    McdConvexSet s;
    s.hull = o->hull;
    if (o->cylinder) {
        s.primitive = o->cylinder;
        s.support = &CylinderSupport;
    }
    s.transform = o->transform;
    s.fatness = o->fatness;
    return s;
}

// The feature of an object along a world direction, in world coordinates.
void WorldFeature(const McdConvexObject* o, const MeReal worldDir[3], McdConvexFeature* f)
{
    MeReal d[3];
    RotateToLocal(o->transform, worldDir, d);
    if (o->cylinder)
        McdCylinderSupportFeature(o->cylinder->radius, o->cylinder->halfHeight, d, kFeatureTolerance, f);
    else
        McdConvexHullSupportFeature(o->hull, d, kFeatureTolerance, 0, f);
    const int points = f->count == -1 ? 1 : f->count;
    for (int i = 0; i < points; ++i) {
        MeReal w[3];
        ToWorld(o->transform, f->points[i], w);
        for (int j = 0; j < 3; ++j)
            f->points[i][j] = w[j];
    }
    if (f->count > 2 || f->count == -1) {
        MeReal n[3];
        RotateToWorld(o->transform, f->normal, n);
        for (int j = 0; j < 3; ++j)
            f->normal[j] = n[j];
    }
}

MeI16 FeatureDim(int count)
{
    return static_cast<MeI16>(count >= 3 || count == -1 ? 2 : count - 1);
}

void SetContact(McdContact& c, const MeReal p[3], const MeReal n[3], MeReal separation, MeI16 dims)
{
    for (int j = 0; j < 3; ++j) {
        c.position[j] = p[j];
        c.normal[j] = n[j];
    }
    c.separation = separation;
    c.dims = dims;
    c.element1 = c.element2 = nullptr;
}

McdPairData* DataOf(McdModelPair* pair, McdPairData* scratch)
{
    if (pair->pairData)
        return pair->pairData;
    // No pooled record (the pool ran out at hello): a zeroed scratch record, no warm start.
    *scratch = McdPairData();
    return scratch;
}

// The contact budget is min(result room, the pair's request), read by `McdResultContactCap`;
// the caller's result record is left as it is.
void PrepareResult(McdModelPair*, McdIntersectResult* result)
{
    result->contactCount = 0;
    result->touch = 0;
}

int Finish(McdIntersectResult* result, int touch)
{
    result->touch = touch;
    return touch;
}

void ReleaseSharedHulls(McdFramework*)
{
    if (gShared.users > 0 && --gShared.users == 0) {
        cnvHullDestroy(gShared.box);
        cnvHullDestroy(gShared.triangle);
        gShared.box = nullptr;
        gShared.triangle = nullptr;
    }
}

}  // namespace

CxConvexHull* McdBoxHullUpdate(const MeReal h[3])
{
    if (!gShared.box) {
        gShared.box = cnvComputeHull(8, &kUnitCube[0][0], 1);
        if (!gShared.box)
            return nullptr;
        for (int i = 0; i < gShared.box->vertexCount; ++i)
            for (int j = 0; j < 3; ++j)
                gShared.unit[i][j] = gShared.box->vertices[i].position[j];
    }
    for (int i = 0; i < gShared.box->vertexCount; ++i)
        for (int j = 0; j < 3; ++j)
            gShared.box->vertices[i].position[j] = gShared.unit[i][j] * h[j];
    cnvHullRefresh(gShared.box);
    return gShared.box;
}

int McdConvexPairDataPoolCreate(McdFrameworkID framework)
{
    return McdPairDataPoolCreate(framework, static_cast<int>(sizeof(McdPairData)));
}

int McdConvexInteractionsPrepare(McdFrameworkID framework)
{
    const MeReal one[3] = {1, 1, 1};
    const MeReal p0[3] = {0, 0, 0}, p1[3] = {0, 0, 1}, p2[3] = {0, 1, 0}, n[3] = {1, 0, 0};
    if (!gShared.triangle)
        gShared.triangle = cnvMakeTriangleHull(p0, p1, p2, n);
    if (McdBoxHullUpdate(one) && gShared.triangle && McdFrameworkAddCleanup(framework, &ReleaseSharedHulls))
        ++gShared.users;
    return McdConvexPairDataPoolCreate(framework);
}

int McdConvexPairHello(McdModelPair* pair)
{
    McdFramework* fw = pair->model1->framework;
    void* block = fw && fw->pairDataPool ? MeFixedPoolGet(fw->pairDataPool) : nullptr;
    if (!block) {
        McdError(McdErrorTable, kMcdErrorPairDataExhausted, "", "McdConvexPairHello", __FILE__, __LINE__);
        pair->pairData = nullptr;
        return 1;
    }
    pair->pairData = new (block) McdPairData();
    return 1;
}

int McdConvexPairGoodbye(McdModelPair* pair)
{
    McdFramework* fw = pair->model1->framework;
    if (pair->pairData && fw && fw->pairDataPool)
        MeFixedPoolPut(fw->pairDataPool, pair->pairData);
    pair->pairData = nullptr;
    return 1;
}

namespace {

// Contacts of a cap disc (object `disc`, its feature `fd`) against the other object's
// feature `fo` (a disc, an edge or a face; both in world coordinates): the other feature is
// expressed in the disc's frame and clipped to the disc exactly; each point is lifted off the
// cap by the disc object's fatness and becomes a contact with GJK's normal and separation.
// Returns the number written (0 when the features do not meet over the disc).
int DiscContacts(const McdConvexObject* disc, const McdConvexFeature& fd, const McdConvexFeature& fo, const MeReal N[3],
                 MeReal separation, MeI16 dims, McdContact* candidates, int room)
{
    MeReal local[McdConvexFeature::kMaxPoints][3];
    const int m = fo.count == -1 ? 1 : fo.count;
    for (int i = 0; i < m; ++i)
        ToLocal(disc->transform, fo.points[i], local[i]);
    MeReal centre[3];
    ToLocal(disc->transform, fd.points[0], centre);
    MeReal points[kMaxCandidates][3];
    int count = 0;
    if (fo.count == -1)
        count = McdDiscDiscContactPoints(fd.radius, fo.radius, centre[2], local[0][0], local[0][1], points);
    else if (fo.count == 2)
        count = McdSegmentDiscClip(local[0], local[1], fd.radius, points);
    else
        McdPolygonClipDisc(local, fo.count, fd.radius, kMaxCandidates, points, &count);
    const MeReal lift = centre[2] < 0 ? -disc->fatness : disc->fatness;
    int n = 0;
    for (int i = 0; i < count && n < room; ++i) {
        points[i][2] += lift;
        MeReal w[3];
        ToWorld(disc->transform, points[i], w);
        SetContact(candidates[n++], w, N, separation, dims);
    }
    return n;
}

}  // namespace

int McdConvexContactsFromFeatures(McdIntersectResult* result, const McdConvexObject* o1, const McdConvexObject* o2,
                                  const MeReal N[3], MeReal separation)
{
    McdConvexFeature f1, f2;
    const MeReal minusN[3] = {-N[0], -N[1], -N[2]};
    WorldFeature(o1, minusN, &f1);
    WorldFeature(o2, N, &f2);
    const MeReal fatSum = o1->fatness + o2->fatness;
    const MeI16 dims = static_cast<MeI16>(FeatureDim(f1.count) | (FeatureDim(f2.count) << 8));

    McdContact candidates[kMaxCandidates];
    int n = 0;
    // A cap disc against anything but a vertex: the exact disc helpers. Should they find no
    // point (features that do not overlap over the disc), the disc goes on as its 12-gon.
    if (f2.count == -1 && f1.count != 1)
        n = DiscContacts(o2, f2, f1, N, separation, dims, candidates, kMaxCandidates);
    else if (f1.count == -1 && f2.count != 1)
        n = DiscContacts(o1, f1, f2, N, separation, dims, candidates, kMaxCandidates);
    if (n == 0) {
        McdDiscAsPolygon(&f1);
        McdDiscAsPolygon(&f2);
    }
    const bool face1 = f1.count > 2, face2 = f2.count > 2;
    if (n > 0) {
        // Contacts made above.
    } else if (!(face2 && f1.count > 1) && !(face1 && f2.count > 1)) {
        MeReal p[3];
        if (f1.count == 1) {
            for (int j = 0; j < 3; ++j)
                p[j] = f1.points[0][j] - N[j] * o1->fatness;
        } else if (f2.count == 1) {
            for (int j = 0; j < 3; ++j)
                p[j] = f2.points[0][j] + N[j] * o2->fatness;
        } else {
            MeReal s, t, pa[3], pb[3];
            McdSegmentSegmentClosest(f1.points[0], f1.points[1], f2.points[0], f2.points[1], &s, &t, pa, pb);
            for (int j = 0; j < 3; ++j)
                p[j] = pa[j] - N[j] * o1->fatness;
        }
        SetContact(candidates[n++], p, N, separation, dims);
    } else {
        const bool ref2 = face2;
        const McdConvexFeature& ref = ref2 ? f2 : f1;
        const McdConvexFeature& inc = ref2 ? f1 : f2;
        const MeReal incFat = ref2 ? o1->fatness : o2->fatness;
        MeReal refN[3];
        for (int j = 0; j < 3; ++j)
            refN[j] = ref.normal[j];
        MeReal centroid[3];
        McdPolygonCentroid(ref.count, ref.points, centroid);

        MeReal bufA[kMaxCandidates][3], bufB[kMaxCandidates][3];
        int count = inc.count;
        for (int i = 0; i < count; ++i)
            for (int j = 0; j < 3; ++j)
                bufA[i][j] = inc.points[i][j];
        MeReal(*cur)[3] = bufA;
        MeReal(*next)[3] = bufB;
        MeReal lo = 0, hi = 1;
        for (int e = 0; e < ref.count; ++e) {
            const MeReal* a = ref.points[e];
            const MeReal* b = ref.points[(e + 1) % ref.count];
            MeReal edge[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, side[3];
            cnvVec3Cross(side, refN, edge);
            MeReal toCentre[3] = {centroid[0] - a[0], centroid[1] - a[1], centroid[2] - a[2]};
            if (Dot(side, toCentre) < 0)
                for (MeReal& x : side)
                    x = -x;
            const MeReal offset = Dot(side, a);
            if (inc.count == 2) {
                const MeReal d0 = Dot(side, inc.points[0]) - offset;
                const MeReal d1 = Dot(side, inc.points[1]) - offset;
                if (d0 > 0 && d1 <= 0)
                    hi = std::fmin(hi, d0 / (d0 - d1));
                else if (d0 <= 0 && d1 > 0)
                    lo = std::fmax(lo, d0 / (d0 - d1));
            } else {
                count = McdClipPolygonByPlane(next, kMaxCandidates, cur, count, side, offset);
                MeReal(*tmp)[3] = cur;
                cur = next;
                next = tmp;
                if (count == 0)
                    break;
            }
        }
        if (inc.count == 2) {
            count = 0;
            for (MeReal t : {lo, hi}) {
                for (int j = 0; j < 3; ++j)
                    cur[count][j] = inc.points[0][j] + t * (inc.points[1][j] - inc.points[0][j]);
                ++count;
            }
        } else if (count == 0) {
            for (int j = 0; j < 3; ++j)
                cur[0][j] = inc.points[0][j];
            count = 1;
        }
        for (int i = 0; i < count && n < kMaxCandidates; ++i) {
            MeReal rel[3] = {cur[i][0] - ref.points[0][0], cur[i][1] - ref.points[0][1], cur[i][2] - ref.points[0][2]};
            MeReal sep = Dot(rel, refN) - fatSum;
            if (sep < separation)
                sep = separation;
            MeReal p[3];
            for (int j = 0; j < 3; ++j)
                p[j] = cur[i][j] - refN[j] * incFat;
            SetContact(candidates[n++], p, N, sep, dims);
        }
    }
    const int cap = McdResultContactCap(result);
    if (cap <= 0 || !result->contacts) {
        result->contactCount = 0;
        return 0;
    }
    const McdIntersectRequest* request = McdResultRequest(result);
    result->contactCount = McdContactCull(N, candidates, n, result->contacts, cap, request->faceNormalsFirst);
    return result->contactCount;
}

int McdConvexPairIntersect(McdIntersectResult* result, const McdConvexObject* o1, const McdConvexObject* o2,
                           McdPairData* data)
{
    McdPairData scratch;
    if (!data)
        data = &scratch;
    if (!data->initialised) {
        data->simplex.count = 0;
        data->initialised = 1;
    }
    const McdConvexSet a = SetOf(o1), b = SetOf(o2);
    const MeReal distance = McdConvexSeparation(&a, &b, &data->simplex, data->normal);
    const MeReal separation = distance - o1->fatness - o2->fatness;
    result->contactCount = 0;
    if (separation > 0)
        return 0;
    MeReal len = std::sqrt(Dot(data->normal, data->normal));
    if (!(len > 0)) {
        data->normal[0] = 1;
        data->normal[1] = data->normal[2] = 0;
        len = 1;
    }
    MeReal N[3] = {data->normal[0] / len, data->normal[1] / len, data->normal[2] / len};
    McdConvexContactsFromFeatures(result, o1, o2, N, separation);
    for (int j = 0; j < 3; ++j)
        result->normal[j] = N[j];
    return 1;
}

namespace {

McdConvexObject MeshObject(McdModelID m)
{
    McdConvexObject o;
    McdGeometry* g = McdModelGetGeometry(m);
    o.hull = McdConvexMeshGetHull(g);
    o.transform = McdModelGetTransformPtr(m);
    o.fatness = McdConvexMeshGetFatness(g);
    return o;
}

int RunPair(McdModelPair* pair, McdIntersectResult* result, const McdConvexObject& o1, const McdConvexObject& o2)
{
    PrepareResult(pair, result);
    McdPairData scratch;
    McdPairData* data = DataOf(pair, &scratch);
    return Finish(result, McdConvexPairIntersect(result, &o1, &o2, data));
}

}  // namespace

int McdConvexMeshConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    return RunPair(pair, result, MeshObject(pair->model1), MeshObject(pair->model2));
}

int McdSphereConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    McdConvexObject o1;
    o1.hull = cnvSharedScratch();
    o1.transform = McdModelGetTransformPtr(pair->model1);
    o1.fatness = McdSphereGetRadius(McdModelGetGeometry(pair->model1));
    return RunPair(pair, result, o1, MeshObject(pair->model2));
}

int McdBoxConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    McdConvexObject o1;
    o1.hull = McdBoxHullUpdate(McdBoxGetHalfExtents(McdModelGetGeometry(pair->model1)));
    if (!o1.hull) {
        PrepareResult(pair, result);
        return 0;
    }
    o1.transform = McdModelGetTransformPtr(pair->model1);
    return RunPair(pair, result, o1, MeshObject(pair->model2));
}

int McdCylinderConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    McdConvexObject o1;
    o1.cylinder = static_cast<const McdCylinder*>(McdModelGetGeometry(pair->model1));
    o1.transform = McdModelGetTransformPtr(pair->model1);
    return RunPair(pair, result, o1, MeshObject(pair->model2));
}

int McdTriangleListConvexMeshIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    PrepareResult(pair, result);
    auto* list = static_cast<McdTriangleList*>(McdModelGetGeometry(pair->model1));
    MeConstMatrix4Ptr tl = McdModelGetTransformPtr(pair->model1);
    const McdConvexObject mesh = MeshObject(pair->model2);
    CxConvexHull* tri = gShared.triangle;
    if (!tri || !list->triangleFn)
        return Finish(result, 0);
    MeReal radius, centre[3];
    McdGeometryGetBSphere(McdModelGetGeometry(pair->model2), centre, &radius);
    MeReal rel[3] = {mesh.transform[3][0] - tl[3][0], mesh.transform[3][1] - tl[3][1], mesh.transform[3][2] - tl[3][2]};
    RotateToLocal(tl, rel, centre);
    list->triangleCount = 0;
    list->triangleFn(pair, pair->model1, centre, radius);
    const int triangles = list->triangles ? list->triangleCount : 0;

    McdContact gathered[kMaxCandidates];
    int n = 0;
    MeReal sum[3] = {0, 0, 0};
    for (int i = 0; i < triangles && n < kMaxCandidates; ++i) {
        const McdUserTriangle& t = list->triangles[i];
        if (!t.vertices[0] || !t.vertices[1] || !t.vertices[2] || !t.normal)
            continue;
        McdTriangleHullSetVertices(tri, t.vertices[0], t.vertices[1], t.vertices[2], t.normal);
        McdConvexObject o1;
        o1.hull = tri;
        o1.transform = tl;
        McdContact local[4];
        McdIntersectResult r;
        r.pair = pair;
        r.contacts = local;
        r.contactMaxCount = 4;
        if (!McdConvexPairIntersect(&r, &o1, &mesh, nullptr))
            continue;
        MeReal normal[3] = {r.normal[0], r.normal[1], r.normal[2]};
        if (!(t.flags & kTwoSidedTriangle)) {
            // One-sided: the mesh is pushed out to the face side (normal from the mesh
            // towards the list = minus the face normal).
            MeReal face[3];
            RotateToWorld(tl, t.normal, face);
            if (Dot(normal, face) > 0)
                for (int j = 0; j < 3; ++j)
                    normal[j] = -face[j];
        }
        for (int j = 0; j < 3; ++j)
            sum[j] += normal[j];
        for (int k = 0; k < r.contactCount && n < kMaxCandidates; ++k) {
            McdContact c = local[k];
            for (int j = 0; j < 3; ++j)
                c.normal[j] = normal[j];
            c.element1 = t.user;
            gathered[n++] = c;
        }
    }
    MeReal len = std::sqrt(Dot(sum, sum));
    if (len > 0)
        for (MeReal& x : sum)
            x /= len;
    else
        sum[0] = 1;
    for (int j = 0; j < 3; ++j)
        result->normal[j] = sum[j];
    const int cap = McdResultContactCap(result);
    if (n == 0 || cap <= 0 || !result->contacts)
        return Finish(result, 0);
    result->contactCount = McdContactCull(sum, gathered, n, result->contacts, cap, McdResultRequest(result)->faceNormalsFirst);
    return Finish(result, result->contactCount > 0 ? 1 : 0);
}

int McdConvexMeshPlaneIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    PrepareResult(pair, result);
    MeConstMatrix4Ptr tm = McdModelGetTransformPtr(pair->model1);
    MeConstMatrix4Ptr tp = McdModelGetTransformPtr(pair->model2);
    McdGeometry* g = McdModelGetGeometry(pair->model1);
    const CxConvexHull* hull = McdConvexMeshGetHull(g);
    const MeReal fat = McdConvexMeshGetFatness(g);
    const MeReal* N = tp[2];
    const MeReal minusN[3] = {-N[0], -N[1], -N[2]};
    MeReal d[3];
    RotateToLocal(tm, minusN, d);
    MeReal points[50][3], support;
    const int count = McdConvexMeshSupportFeature(points, 50, d, hull, 1e-6f, &support);
    MeReal rel[3] = {tm[3][0] - tp[3][0], tm[3][1] - tp[3][1], tm[3][2] - tp[3][2]};
    const MeReal separation = Dot(rel, N) - support - fat;
    if (separation >= 0 || count == 0)
        return Finish(result, 0);
    int written = 0;
    const int cap = McdResultContactCap(result);
    for (int i = 0; i < count && written < cap && result->contacts; ++i) {
        MeReal w[3];
        ToWorld(tm, points[i], w);
        for (int j = 0; j < 3; ++j)
            w[j] -= N[j] * fat;
        SetContact(result->contacts[written++], w, N, separation, static_cast<MeI16>(FeatureDim(count) | (2 << 8)));
    }
    result->contactCount = written;
    for (int j = 0; j < 3; ++j)
        result->normal[j] = N[j];
    return Finish(result, 1);
}
