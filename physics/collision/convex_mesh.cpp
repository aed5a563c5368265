// The convex mesh type functions.
//
// World box: the hull's support points along the six world axis directions (climbing the
// vertex graph), widened by the fatness. Mass: each face of k vertices is fanned into k - 2
// triangles from its first ring entry; with the origin each makes a tetrahedron. The rings
// run clockwise seen from outside, so each triangle is taken as (p0, p2, p1) to make its
// triple product positive for a hull around the origin; the signed sum is exact wherever
// the origin lies. Line segments: clip the parameter range against every face plane
// (Cyrus-Beck); entering planes raise the start, leaving planes lower the end.

#include "physics/collision/convex_mesh.h"

#include <cmath>

#include "physics/collision/collision_local.h"
#include "physics/collision/gjk.h"
#include "physics/collision/mass.h"
#include "physics/collision/model.h"
#include "physics/collision/space.h"

namespace {

McdConvexMesh* Mesh(McdGeometryID g)
{
    return static_cast<McdConvexMesh*>(g);
}

McdConvexSet HullSet(const McdConvexMesh* m, MeConstMatrix4Ptr t)
{
    McdConvexSet s;
    s.hull = m->hull;
    s.transform = t;
    return s;
}

void BoxAt(const McdConvexMesh* m, MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3])
{
    const McdConvexSet s = HullSet(m, t);
    int start = 0;
    for (int j = 0; j < 3; ++j) {
        MeReal d[3] = {0, 0, 0}, w[3], l[3];
        d[j] = 1;
        start = McdConvexSetSupport(&s, start, d, w, l, nullptr);
        hi[j] = w[j] + m->fatness;
        d[j] = -1;
        start = McdConvexSetSupport(&s, start, d, w, l, nullptr);
        lo[j] = w[j] - m->fatness;
    }
}

}  // namespace

McdGeometryID McdConvexMeshCreate(McdFrameworkID framework, CxConvexHull* hull, MeReal fatness)
{
    if (!hull)
        return nullptr;
    McdConvexMesh* m = McdNew<McdConvexMesh>();
    if (!m) {
        cnvHullDestroy(hull);
        return nullptr;
    }
    McdGeometryInit(m, framework, kMcdConvexMeshType);
    m->hull = hull;
    m->fatness = fatness;
    MeReal far = 0;
    for (int i = 0; i < hull->vertexCount; ++i) {
        const MeReal* p = hull->vertices[i].position;
        far = std::fmax(far, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
    }
    m->boundingRadius = fatness + far;
    return m;
}

McdGeometryID McdConvexMeshCreateFromPoints(McdFrameworkID framework, const MeReal* points, int count,
                                            MeReal fatness)
{
    return McdConvexMeshCreate(framework, cnvComputeHull(count, points, 1), fatness);
}

CxConvexHull* McdConvexMeshGetHull(McdGeometryID g)
{
    return Mesh(g)->hull;
}

MeReal McdConvexMeshGetFatness(McdGeometryID g)
{
    return Mesh(g)->fatness;
}

int McdConvexMeshGetFaceCount(McdGeometryID g)
{
    return Mesh(g)->hull->faceCount;
}

int McdConvexMeshGetFaceVertexCount(McdGeometryID g, int face)
{
    const CxConvexHull* h = Mesh(g)->hull;
    return face >= 0 && face < h->faceCount ? h->faces[face].vertexCount : 0;
}

const MeReal* McdConvexMeshGetFaceVertex(McdGeometryID g, int face, int j)
{
    const CxConvexHull* h = Mesh(g)->hull;
    if (face < 0 || face >= h->faceCount || j < 0 || j >= h->faces[face].vertexCount)
        return nullptr;
    return h->faces[face].ring[j].position;
}

void McdConvexMeshDestroy(McdGeometryID g)
{
    McdConvexMesh* m = Mesh(g);
    cnvHullDestroy(m->hull);
    McdDelete(m);
}

void McdConvexMeshUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    const McdConvexMesh* m = Mesh(ins->geometry);
    BoxAt(m, ins->transform, ins->min, ins->max);
    if (!second)
        return;
    MeReal lo[3], hi[3];
    BoxAt(m, second, lo, hi);
    for (int j = 0; j < 3; ++j) {
        ins->min[j] = std::fmin(ins->min[j], lo[j]);
        ins->max[j] = std::fmax(ins->max[j], hi[j]);
    }
}

void McdConvexMeshGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    centre[0] = centre[1] = centre[2] = 0;
    *radius = Mesh(g)->boundingRadius;
}

void McdConvexMeshMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    const McdConvexSet s = HullSet(Mesh(ins->geometry), ins->transform);
    MeReal local[3];
    McdConvexSetSupport(&s, 0, d, out, local, nullptr);
}

MeI16 McdConvexMeshGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    const CxConvexHull* h = Mesh(g)->hull;
    int triangles = 0;
    for (int f = 0; f < h->faceCount; ++f)
        triangles += h->faces[f].vertexCount > 2 ? h->faces[f].vertexCount - 2 : 0;
    McdMassRecord* parts = McdNewArray<McdMassRecord>(static_cast<std::size_t>(triangles));
    McdSetIdentity(relTM);
    for (int k = 0; k < 9; ++k)
        inertia[k] = 0;
    *volume = 0;
    if (!parts)
        return -1;
    int n = 0;
    for (int f = 0; f < h->faceCount; ++f) {
        const CxFace& face = h->faces[f];
        for (int j = 1; j + 1 < face.vertexCount; ++j)
            McdTetrahedronMass(&parts[n++], face.ring[0].position, face.ring[j + 1].position, face.ring[j].position);
    }
    McdMassRecord total;
    McdMassCombine(parts, n, &total);
    McdDeleteArray(parts);
    for (int j = 0; j < 3; ++j)
        relTM[12 + j] = total.centre[j];
    for (int k = 0; k < 9; ++k)
        inertia[k] = total.volume > 0 ? total.inertia[k] / total.volume : 0;
    *volume = total.volume;
    return 0;
}

int McdConvexMeshLineSegIntersect(McdModelID model, const MeReal p0[3], const MeReal p1[3],
                                  McdLineSegIntersectResult* hit)
{
    McdGeometryInstance* ins = McdModelGetGeometryInstance(model);
    const CxConvexHull* h = Mesh(ins->geometry)->hull;
    MeConstMatrix4Ptr t = ins->transform;
    MeReal a[3], b[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = b[i] = 0;
        for (int j = 0; j < 3; ++j) {
            a[i] += (p0[j] - t[3][j]) * t[i][j];
            b[i] += (p1[j] - t[3][j]) * t[i][j];
        }
    }
    MeReal d[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const MeReal length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    if (length > 0)
        for (MeReal& x : d)
            x /= length;
    MeReal tEnter = -1e20f, tExit = length;
    int enterFace = -1, exitFace = -1;
    for (int f = 0; f < h->faceCount; ++f) {
        if (tEnter > tExit)
            return 0;
        const CxFace& face = h->faces[f];
        if (face.vertexCount == 0)
            continue;
        const MeReal* q = face.ring[0].position;
        const MeReal* n = face.normal;
        const MeReal denom = n[0] * d[0] + n[1] * d[1] + n[2] * d[2];
        const MeReal num = n[0] * (a[0] - q[0]) + n[1] * (a[1] - q[1]) + n[2] * (a[2] - q[2]);
        if (std::fabs(denom) < 1e-6f) {
            if (num > 0)
                return 0;
        } else if (denom < 0) {
            const MeReal tt = -num / denom;
            if (tt > tExit)
                return 0;
            if (tt > tEnter) {
                tEnter = tt;
                enterFace = f;
            }
        } else {
            const MeReal tt = -num / denom;
            if (tt < 0)
                return 0;
            if (tt < tExit) {
                tExit = tt;
                exitFace = f;
            }
        }
    }
    if (tEnter > tExit)
        return 0;
    MeReal tt;
    int face;
    if (tEnter >= 0 && enterFace >= 0) {
        tt = tEnter;
        face = enterFace;
    } else if (tExit < length && exitFace >= 0) {
        tt = tExit;
        face = exitFace;
    } else {
        return 0;
    }
    const MeReal s = length > 0 ? tt / length : 0;
    const MeReal* n = h->faces[face].normal;
    for (int j = 0; j < 3; ++j) {
        hit->position[j] = p0[j] + (p1[j] - p0[j]) * s;
        hit->normal[j] = n[0] * t[0][j] + n[1] * t[1][j] + n[2] * t[2][j];
    }
    hit->distance = tt;
    return 1;
}
