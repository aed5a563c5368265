// Triangle mesh geometry: storage, build and type functions.
//
// The mesh keeps vertex pointers, not copies. A build trims the triangle array, computes each
// triangle's unit normal n = (B - A) x (C - A) / |...| (a zero cross product stays zero), its
// area 0.5 |(B - A) x (C - B)|, the local axis-aligned box over every corner and the box tree.
// The bounding sphere is the box's centre with the half-diagonal as radius. All memory comes
// from the toolkit's memory table.

#include "physics/collision/triangle_mesh.h"

#include <cmath>
#include <cstring>

#include "physics/collision/collision_local.h"
#include "physics/collision/mass.h"
#include "physics/collision/model.h"
#include "physics/collision/triangle_mesh_tree.h"
#include "physics/dynamics/me_message.h"

namespace {

CxTriangleMesh* AsMesh(McdGeometryID g)
{
    return static_cast<CxTriangleMesh*>(g);
}

void FreeBlock(void* block)
{
    if (block)
        MeMemoryAPI.destroy(block);
}

void ReleaseTree(CxTriangleMesh* m)
{
    if (!m->tree)
        return;
    CxTriangleMeshTreeRelease(m->tree);
    McdDelete(m->tree);
    m->tree = nullptr;
}

}  // namespace

McdGeometryID McdTriangleMeshCreate(McdFrameworkID framework, int capacity)
{
    return McdTriangleMeshCreateFull(framework, capacity, 0);
}

McdGeometryID McdTriangleMeshCreateFull(McdFrameworkID framework, int capacity, int treeOption)
{
    CxTriangleMesh* m = McdNew<CxTriangleMesh>();
    if (!m)
        return nullptr;
    McdGeometryInit(m, framework, kMcdTriangleMeshType);
    m->capacity = capacity > 0 ? capacity : 1;
    m->triangles = McdNewArray<CxTriangle>(static_cast<std::size_t>(m->capacity));
    if (!m->triangles) {
        McdDelete(m);
        return nullptr;
    }
    m->treeOption = treeOption;
    return m;
}

int McdTriangleMeshAddTriangle(McdGeometryID g, const MeReal* a, const MeReal* b, const MeReal* c)
{
    CxTriangleMesh* m = AsMesh(g);
    if (!m || !a || !b || !c || McdTriangleArea(a, b, c) < 1e-6f)
        return 0;
    if (m->count == m->capacity) {
        const int grown = m->capacity * 2;
        void* block = MeMemoryAPI.resize(m->triangles, sizeof(CxTriangle) * static_cast<std::size_t>(grown));
        if (!block)
            return 0;
        m->triangles = static_cast<CxTriangle*>(block);
        m->capacity = grown;
    }
    CxTriangle& t = m->triangles[m->count++];
    t.v[0] = a;
    t.v[1] = b;
    t.v[2] = c;
    return 1;
}

int McdTriangleMeshBuild(McdGeometryID g)
{
    CxTriangleMesh* m = AsMesh(g);
    if (!m)
        return 0;
    const int n = m->count;
    if (n > 0 && m->capacity > n + 10) {
        void* block = MeMemoryAPI.resize(m->triangles, sizeof(CxTriangle) * static_cast<std::size_t>(n));
        if (block) {
            m->triangles = static_cast<CxTriangle*>(block);
            m->capacity = n;
        }
    }
    FreeBlock(m->normals);
    FreeBlock(m->areas);
    FreeBlock(m->flags);
    m->normals = m->areas = nullptr;
    m->flags = nullptr;
    ReleaseTree(m);
    for (int k = 0; k < 3; ++k)
        m->halfExtents[k] = m->centre[k] = 0;
    m->radius = 0;
    if (n == 0)
        return 0;

    m->normals = McdNewArray<MeReal>(3 * static_cast<std::size_t>(n));
    m->areas = McdNewArray<MeReal>(static_cast<std::size_t>(n));
    m->flags = McdNewArray<int>(static_cast<std::size_t>(n));
    if (!m->normals || !m->areas || !m->flags)
        return 0;

    MeReal lo[3] = {1e20f, 1e20f, 1e20f}, hi[3] = {-1e20f, -1e20f, -1e20f};
    for (int i = 0; i < n; ++i) {
        const CxTriangle& t = m->triangles[i];
        const MeReal *A = t.v[0], *B = t.v[1], *C = t.v[2];
        const MeReal u[3] = {B[0] - A[0], B[1] - A[1], B[2] - A[2]};
        const MeReal v[3] = {C[0] - A[0], C[1] - A[1], C[2] - A[2]};
        MeReal* nrm = m->normals + 3 * i;
        nrm[0] = u[1] * v[2] - u[2] * v[1];
        nrm[1] = u[2] * v[0] - u[0] * v[2];
        nrm[2] = u[0] * v[1] - u[1] * v[0];
        const MeReal len = std::sqrt(nrm[0] * nrm[0] + nrm[1] * nrm[1] + nrm[2] * nrm[2]);
        if (len != 0)
            for (int k = 0; k < 3; ++k)
                nrm[k] /= len;
        m->areas[i] = McdTriangleArea(A, B, C);
        m->flags[i] = 1;
        for (const MeReal* p : t.v)
            for (int k = 0; k < 3; ++k) {
                if (p[k] < lo[k])
                    lo[k] = p[k];
                if (p[k] > hi[k])
                    hi[k] = p[k];
            }
    }
    for (int k = 0; k < 3; ++k) {
        m->halfExtents[k] = (hi[k] - lo[k]) * 0.5f;
        m->centre[k] = (hi[k] + lo[k]) * 0.5f;
    }
    m->radius = std::sqrt(m->halfExtents[0] * m->halfExtents[0] + m->halfExtents[1] * m->halfExtents[1] +
                          m->halfExtents[2] * m->halfExtents[2]);

    m->tree = McdNew<CxTriangleMeshTree>();
    if (!m->tree)
        return 0;
    m->tree->treeOption = m->treeOption;
    if (!CxTriangleMeshTreeAllocNodes(m->tree, m) || !CxTriangleMeshTreeBuild(m->tree)) {
        ReleaseTree(m);
        return 0;
    }
    return 1;
}

int McdTriangleMeshGetTriangleCount(McdGeometryID g)
{
    return AsMesh(g)->count;
}

void McdTriangleMeshGetTriangleVertexPtrs(McdGeometryID g, int i, const MeReal** a, const MeReal** b,
                                          const MeReal** c)
{
    const CxTriangle& t = AsMesh(g)->triangles[i];
    *a = t.v[0];
    *b = t.v[1];
    *c = t.v[2];
}

void McdTriangleMeshGetTriangleVertices(McdGeometryID g, int i, MeReal a[3], MeReal b[3], MeReal c[3])
{
    const CxTriangle& t = AsMesh(g)->triangles[i];
    for (int k = 0; k < 3; ++k) {
        a[k] = t.v[0][k];
        b[k] = t.v[1][k];
        c[k] = t.v[2][k];
    }
}

void McdTriangleMeshGetTriangleNormalPtr(McdGeometryID g, int i, const MeReal** normal)
{
    *normal = AsMesh(g)->normals + 3 * i;
}

MeReal McdTriangleMeshGetTriangleArea(McdGeometryID g, int i)
{
    return AsMesh(g)->areas[i];
}

void CxTriangleSetExtremeVertices(const CxTriangleMesh* m, const int* indices, int n, const MeReal d[3],
                                  const MeReal** maxVertex, const MeReal** minVertex, MeReal* maxValue,
                                  MeReal* minValue)
{
    const MeReal* first = m->triangles[indices[0]].v[0];
    MeReal hi = first[0] * d[0] + first[1] * d[1] + first[2] * d[2];
    MeReal lo = hi;
    const MeReal *hiV = first, *loV = first;
    for (int i = 0; i < n; ++i)
        for (const MeReal* p : m->triangles[indices[i]].v) {
            const MeReal s = p[0] * d[0] + p[1] * d[1] + p[2] * d[2];
            if (s > hi) {
                hi = s;
                hiV = p;
            }
            if (s < lo) {
                lo = s;
                loV = p;
            }
        }
    if (maxVertex)
        *maxVertex = hiV;
    if (minVertex)
        *minVertex = loV;
    if (maxValue)
        *maxValue = hi;
    if (minValue)
        *minValue = lo;
}

void McdTriangleMeshDestroy(McdGeometryID g)
{
    CxTriangleMesh* m = AsMesh(g);
    if (!m)
        return;
    FreeBlock(m->normals);
    FreeBlock(m->areas);
    FreeBlock(m->triangles);
    ReleaseTree(m);
    FreeBlock(m->flags);
    FreeBlock(m->extraBuffer);
    if (m->release)
        m->release(m->releaseArgument);
    McdDelete(m);
}

void McdTriangleMeshUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr)
{
    const CxTriangleMesh* m = AsMesh(ins->geometry);
    MeConstMatrix4Ptr t = ins->transform;
    for (int j = 0; j < 3; ++j) {
        const MeReal c = m->centre[0] * t[0][j] + m->centre[1] * t[1][j] + m->centre[2] * t[2][j] + t[3][j];
        const MeReal e = std::fabs(t[0][j]) * m->halfExtents[0] + std::fabs(t[1][j]) * m->halfExtents[1] +
                         std::fabs(t[2][j]) * m->halfExtents[2] + 1e-6f;
        ins->min[j] = c - e;
        ins->max[j] = c + e;
    }
}

void McdTriangleMeshGetBoundingSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    const CxTriangleMesh* m = AsMesh(g);
    for (int k = 0; k < 3; ++k)
        centre[k] = m->centre[k];
    *radius = m->radius;
}

void CxTriangleMeshMaximPoint(McdGeometryInstance*, const MeReal*, MeReal*)
{
    MeWarning(0, "CxTriangleMeshMaximPoint not implemented\n");
}

MeI16 McdTriangleMeshGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    const CxTriangleMesh* m = AsMesh(g);
    McdSetIdentity(relTM);
    for (int i = 0; i < 9; ++i)
        inertia[i] = 0;
    *volume = 0;
    if (m->count == 0)
        return 0;
    McdMassRecord* records = McdNewArray<McdMassRecord>(static_cast<std::size_t>(m->count));
    if (!records)
        return 0;
    for (int i = 0; i < m->count; ++i)
        McdTetrahedronMass(records + i, m->triangles[i].v[0], m->triangles[i].v[1], m->triangles[i].v[2]);
    McdMassRecord total;
    McdMassCombine(records, m->count, &total);
    McdDeleteArray(records);
    *volume = total.volume;
    relTM[12] = total.centre[0];
    relTM[13] = total.centre[1];
    relTM[14] = total.centre[2];
    // Per unit mass, as the other types report it.
    const MeReal scale = std::fabs(total.volume) > 1e-5f ? 1.0f / total.volume : 1.0f;
    for (int i = 0; i < 9; ++i)
        inertia[i] = total.inertia[i] * scale;
    return 0;
}
