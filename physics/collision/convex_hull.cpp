// Convex hulls from point clouds through qhull, converted into the toolkit's hull record.
//
// qhull (non-reentrant library) computes the hull with its default pre-merging, so coplanar
// triangles come back as one facet; each facet's vertices are taken in ring order
// (qh_facet3vertex) and the ring is turned, if needed, to run clockwise seen from outside.
// The orientation test uses the whole ring (Newell's normal, the sum over the ring's edges
// of the cross products of consecutive positions), not its first three points, so a merged
// facet with nearly collinear first points is still oriented correctly.
//
// The vertex graph is derived from the rings, exactly and without angles: each ring that
// passes p -> v -> n contributes the pair (p, n) at v; since every hull edge is walked in
// opposite directions by its two faces, the face after this one around v is the one whose
// pair starts with n. Following that link from any face visits v's faces and neighbours in
// one cycle, in the same turning sense at every vertex. Coordinates go to qhull as doubles in
// a copy of the caller's floats; qhull's memory is freed after every run, good or bad.

#include "physics/collision/convex_hull.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "physics/collision/collision_local.h"
#include "physics/dynamics/me_message.h"

extern "C" {
#include <libqhull/libqhull.h>
#include <libqhull/mem.h>
#include <libqhull/poly.h>
#include <libqhull/qset.h>
}

namespace {

// Per-facet ring of vertex indices gathered from qhull before the hull record exists.
struct TempFacet {
    int first = 0;  // into the ring index store
    int count = 0;
    double normal[3] = {0, 0, 0};
};

// Adds the term of the ring edge a -> b to Newell's normal.
void NewellAdd(const MeReal a[3], const MeReal b[3], double out[3])
{
    out[0] += (static_cast<double>(a[1]) - b[1]) * (static_cast<double>(a[2]) + b[2]);
    out[1] += (static_cast<double>(a[2]) - b[2]) * (static_cast<double>(a[0]) + b[0]);
    out[2] += (static_cast<double>(a[0]) - b[0]) * (static_cast<double>(a[1]) + b[1]);
}

void NewellNormal(const MeReal* const* ring, int k, double out[3])
{
    out[0] = out[1] = out[2] = 0;
    for (int i = 0; i < k; ++i)
        NewellAdd(ring[i], ring[(i + 1) % k], out);
}

// A failed run's first report line (qhull's code and reason) becomes one warning; the whole
// report goes to the debug channel.
void ForwardReport(const char* report, std::size_t size, int count, bool failed)
{
    if (!report || size == 0)
        return;
    if (failed) {
        std::size_t line = 0;
        while (line < size && report[line] != '\n')
            ++line;
        MeWarning(0, "cnvComputeHull: no hull of %d points: %.*s\n", count, static_cast<int>(line), report);
    }
    MeDebug(0, "cnvComputeHull: qhull reports:\n%s", report);
}

void Free(CxConvexHull* h)
{
    if (!h)
        return;
    McdDeleteArray(h->vertices);
    McdDeleteArray(h->faces);
    McdDeleteArray(h->faceRefStore);
    McdDeleteArray(h->neighbourStore);
    McdDeleteArray(h->ringStore);
    McdDelete(h);
}

// Allocates a hull with `nv` vertices, `nf` faces and `ringTotal` ring entries in all.
CxConvexHull* Allocate(int nv, int nf, int ringTotal)
{
    CxConvexHull* h = McdNew<CxConvexHull>();
    if (!h)
        return nullptr;
    h->vertexCount = nv;
    h->faceCount = nf;
    h->vertices = McdNewArray<CxVertex>(static_cast<std::size_t>(nv));
    h->faces = McdNewArray<CxFace>(static_cast<std::size_t>(nf));
    h->ringStore = McdNewArray<CxRingEntry>(static_cast<std::size_t>(ringTotal));
    h->faceRefStore = McdNewArray<CxFace*>(static_cast<std::size_t>(ringTotal));
    h->neighbourStore = McdNewArray<CxVertex*>(static_cast<std::size_t>(2 * ringTotal));
    if (!h->vertices || !h->faces || !h->ringStore || !h->faceRefStore || !h->neighbourStore) {
        Free(h);
        return nullptr;
    }
    return h;
}

int RingIndexOf(const CxFace* f, const CxVertex* v)
{
    for (int i = 0; i < f->vertexCount; ++i)
        if (f->ring[i].vertex == v)
            return i;
    return -1;
}

// With the rings in place, fills every vertex's face and neighbour lists in cycle order.
// `faceRefStore` has one slot per ring entry and `neighbourStore` two.
void BuildVertexCycles(CxConvexHull* h)
{
    for (int i = 0; i < h->vertexCount; ++i)
        h->vertices[i].faceCount = 0;
    for (int f = 0; f < h->faceCount; ++f)
        for (int j = 0; j < h->faces[f].vertexCount; ++j)
            ++h->faces[f].ring[j].vertex->faceCount;
    int faceSlot = 0, neighbourSlot = 0;
    for (int i = 0; i < h->vertexCount; ++i) {
        CxVertex& v = h->vertices[i];
        v.faces = h->faceRefStore + faceSlot;
        v.neighbours = h->neighbourStore + neighbourSlot;
        faceSlot += v.faceCount;
        neighbourSlot += 2 * v.faceCount;
        v.faceCount = 0;
        v.neighbourCount = 0;
    }
    for (int f = 0; f < h->faceCount; ++f)
        for (int j = 0; j < h->faces[f].vertexCount; ++j) {
            CxVertex* v = h->faces[f].ring[j].vertex;
            v->faces[v->faceCount++] = &h->faces[f];
        }
    for (int i = 0; i < h->vertexCount; ++i) {
        CxVertex& v = h->vertices[i];
        const int n = v.faceCount;
        if (n == 0)
            continue;
        // Order the faces by following prev/next links; then the neighbours are the faces'
        // "previous" vertices in that order.
        for (int k = 0; k < n; ++k) {
            const CxFace* f = v.faces[k];
            const int at = RingIndexOf(f, &v);
            const CxVertex* next = f->ring[(at + 1) % f->vertexCount].vertex;
            int found = -1;
            for (int m = k + 1; m < n && found < 0; ++m) {
                const CxFace* g = v.faces[m];
                const int gat = RingIndexOf(g, &v);
                if (g->ring[(gat + g->vertexCount - 1) % g->vertexCount].vertex == next)
                    found = m;
            }
            if (found > k + 1) {
                CxFace* tmp = v.faces[k + 1];
                v.faces[k + 1] = v.faces[found];
                v.faces[found] = tmp;
            }
        }
        // Neighbours: each face's previous vertex, then any vertex of a next link that a
        // broken cycle (not a closed surface) left unlisted.
        auto add = [&v](CxVertex* w) {
            for (int m = 0; m < v.neighbourCount; ++m)
                if (v.neighbours[m] == w)
                    return;
            v.neighbours[v.neighbourCount++] = w;
        };
        for (int k = 0; k < n; ++k) {
            const CxFace* f = v.faces[k];
            const int at = RingIndexOf(f, &v);
            add(f->ring[(at + f->vertexCount - 1) % f->vertexCount].vertex);
            add(f->ring[(at + 1) % f->vertexCount].vertex);
        }
    }
}

void NormaliseInPlace(MeReal v[3])
{
    const MeReal len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0) {
        v[0] /= len;
        v[1] /= len;
        v[2] /= len;
    } else {
        v[0] = v[1] = v[2] = 0;
    }
}

// Converts qhull's current result. Returns null on allocation failure.
CxConvexHull* FromQhull(int normalMode)
{
    facetT* facet;
    vertexT* vertex;
    const int nv = qh num_vertices;
    const int nf = qh num_facets;
    const int idCount = static_cast<int>(qh vertex_id) + 1;
    if (nv < 4 || nf < 4)
        return nullptr;

    int* idToIndex = McdNewArray<int>(static_cast<std::size_t>(idCount));
    TempFacet* temp = McdNewArray<TempFacet>(static_cast<std::size_t>(nf));
    int ringTotal = 0;
    FORALLfacets ringTotal += qh_setsize(facet->vertices);
    int* ringIndex = McdNewArray<int>(static_cast<std::size_t>(ringTotal));
    CxConvexHull* h = (idToIndex && temp && ringIndex) ? Allocate(nv, nf, ringTotal) : nullptr;
    if (!h) {
        McdDeleteArray(idToIndex);
        McdDeleteArray(temp);
        McdDeleteArray(ringIndex);
        return nullptr;
    }

    int vi = 0;
    FORALLvertices
    {
        idToIndex[vertex->id] = vi;
        for (int j = 0; j < 3; ++j)
            h->vertices[vi].position[j] = static_cast<MeReal>(vertex->point[j]);
        ++vi;
    }

    int fi = 0, used = 0;
    FORALLfacets
    {
        setT* ordered = qh_facet3vertex(facet);
        TempFacet& t = temp[fi];
        t.first = used;
        vertexT** vertexp;
        FOREACHvertex_(ordered)
        {
            if (used < ringTotal && t.count < ringTotal)
                ringIndex[used++] = idToIndex[vertex->id];
            ++t.count;
        }
        t.count = used - t.first;
        qh_settempfree(&ordered);
        for (int j = 0; j < 3; ++j)
            t.normal[j] = facet->normal[j];
        ++fi;
    }

    CxRingEntry* ring = h->ringStore;
    for (int f = 0; f < nf; ++f) {
        CxFace& face = h->faces[f];
        face.vertexCount = temp[f].count;
        face.ring = ring;
        ring += face.vertexCount;
        for (int j = 0; j < 3; ++j)
            face.normal[j] = static_cast<MeReal>(temp[f].normal[j]);
        for (int j = 0; j < face.vertexCount; ++j)
            face.ring[j].vertex = &h->vertices[ringIndex[temp[f].first + j]];
    }
    McdDeleteArray(idToIndex);
    McdDeleteArray(temp);
    McdDeleteArray(ringIndex);

    // Rings clockwise seen from outside: Newell's normal (counter-clockwise sense) inward.
    for (int f = 0; f < nf; ++f) {
        CxFace& face = h->faces[f];
        const int k = face.vertexCount;
        double nw[3] = {0, 0, 0};
        for (int j = 0; j < k; ++j)
            NewellAdd(face.ring[j].vertex->position, face.ring[(j + 1) % k].vertex->position, nw);
        if (nw[0] * face.normal[0] + nw[1] * face.normal[1] + nw[2] * face.normal[2] > 0)
            for (int a = 0, b = k - 1; a < b; ++a, --b) {
                CxVertex* tmp = face.ring[a].vertex;
                face.ring[a].vertex = face.ring[b].vertex;
                face.ring[b].vertex = tmp;
            }
    }

    BuildVertexCycles(h);

    for (int f = 0; f < nf; ++f) {
        CxFace& face = h->faces[f];
        for (int j = 0; j < face.vertexCount; ++j) {
            CxRingEntry& e = face.ring[j];
            for (int c = 0; c < 3; ++c)
                e.position[c] = e.vertex->position[c];
            if (normalMode == 1) {
                for (int c = 0; c < 3; ++c)
                    e.normal[c] = face.normal[c];
            } else {
                const CxVertex* v = e.vertex;
                for (int c = 0; c < 3; ++c) {
                    MeReal sum = 0;
                    for (int m = 0; m < v->faceCount; ++m)
                        sum += v->faces[m]->normal[c];
                    e.normal[c] = v->faceCount ? sum / static_cast<MeReal>(v->faceCount) : 0;
                }
            }
        }
    }
    return h;
}

}  // namespace

CxConvexHull* cnvComputeHull(int count, const MeReal* points, int normalMode)
{
    if (count < 4 || !points)
        return nullptr;
    // The hull library has no answer for points that are not finite numbers.
    for (int i = 0; i < 3 * count; ++i)
        if (!std::isfinite(points[i]))
            return nullptr;
    coordT* coords = McdNewArray<coordT>(static_cast<std::size_t>(count) * 3);
    if (!coords)
        return nullptr;
    for (int i = 0; i < 3 * count; ++i)
        coords[i] = points[i];
    char command[] = "qhull s";
    CxConvexHull* hull = nullptr;
    // qhull's reports (a flat cloud gives some forty lines) go to a memory stream and from
    // there to the toolkit's message channels, never straight to standard error.
    char* report = nullptr;
    std::size_t reportSize = 0;
    std::FILE* errors = open_memstream(&report, &reportSize);
    if (!errors) {
        McdDeleteArray(coords);
        return nullptr;
    }
    const int exitCode = qh_new_qhull(3, count, coords, False, command, nullptr, errors);
    if (exitCode == 0)
        hull = FromQhull(normalMode);
    qh_freeqhull(!qh_ALL);
    int curLong = 0, totLong = 0;
    qh_memfreeshort(&curLong, &totLong);
    if (curLong || totLong)
        MeWarning(0, "cnvComputeHull: qhull did not free %d bytes of memory (%d pieces)\n", totLong, curLong);
    std::fclose(errors);
    ForwardReport(report, reportSize, count, exitCode != 0);
    std::free(report);
    McdDeleteArray(coords);
    return hull;
}

CxConvexHull* cnvMakeTriangleHull(const MeReal a[3], const MeReal b[3], const MeReal c[3], const MeReal normal[3])
{
    CxConvexHull* h = Allocate(3, 1, 3);
    if (!h)
        return nullptr;
    h->faces[0].vertexCount = 3;
    h->faces[0].ring = h->ringStore;
    for (int j = 0; j < 3; ++j)
        h->faces[0].ring[j].vertex = &h->vertices[j];
    McdTriangleHullSetVertices(h, a, b, c, normal);
    return h;
}

void McdTriangleHullSetVertices(CxConvexHull* h, const MeReal a[3], const MeReal b[3], const MeReal c[3],
                                const MeReal normal[3])
{
    const MeReal* p[3] = {a, b, c};
    double nw[3];
    NewellNormal(p, 3, nw);
    // Clockwise seen from the normal's side: a, c, b when a, b, c turns counter-clockwise.
    if (nw[0] * normal[0] + nw[1] * normal[1] + nw[2] * normal[2] > 0) {
        p[1] = c;
        p[2] = b;
    }
    for (int j = 0; j < 3; ++j)
        for (int k = 0; k < 3; ++k)
            h->vertices[j].position[k] = p[j][k];
    CxFace& face = h->faces[0];
    for (int k = 0; k < 3; ++k)
        face.normal[k] = normal[k];
    for (int j = 0; j < 3; ++j) {
        face.ring[j].vertex = &h->vertices[j];
        for (int k = 0; k < 3; ++k) {
            face.ring[j].position[k] = p[j][k];
            face.ring[j].normal[k] = normal[k];
        }
    }
    if (h->vertices[0].faceCount == 0)
        BuildVertexCycles(h);
}

void cnvHullDestroy(CxConvexHull* hull)
{
    Free(hull);
}

void cnvHullRefresh(CxConvexHull* h)
{
    if (!h)
        return;
    for (int f = 0; f < h->faceCount; ++f) {
        CxFace& face = h->faces[f];
        const int k = face.vertexCount;
        for (int j = 0; j < k; ++j)
            for (int c = 0; c < 3; ++c)
                face.ring[j].position[c] = face.ring[j].vertex->position[c];
        if (k < 3)
            continue;
        double nw[3] = {0, 0, 0};
        for (int j = 0; j < k; ++j)
            NewellAdd(face.ring[j].position, face.ring[(j + 1) % k].position, nw);
        // The ring runs clockwise from outside, so the outward normal is minus Newell's.
        MeReal n[3] = {static_cast<MeReal>(-nw[0]), static_cast<MeReal>(-nw[1]), static_cast<MeReal>(-nw[2])};
        NormaliseInPlace(n);
        const bool faceNormals = face.ring[0].normal[0] == face.normal[0] && face.ring[0].normal[1] == face.normal[1] &&
                                 face.ring[0].normal[2] == face.normal[2];
        for (int c = 0; c < 3; ++c)
            face.normal[c] = n[c];
        if (faceNormals)
            for (int j = 0; j < k; ++j)
                for (int c = 0; c < 3; ++c)
                    face.ring[j].normal[c] = n[c];
    }
}

CxConvexHull* cnvSharedScratch()
{
    static CxVertex vertex;
    static CxConvexHull hull = [] {
        CxConvexHull h;
        h.vertexCount = 1;
        h.vertices = &vertex;
        return h;
    }();
    return &hull;
}

void cnvVec3Sub(MeReal out[3], const MeReal a[3], const MeReal b[3])
{
    for (int i = 0; i < 3; ++i)
        out[i] = a[i] - b[i];
}

void cnvVec3Cross(MeReal out[3], const MeReal a[3], const MeReal b[3])
{
    const MeReal x = a[1] * b[2] - a[2] * b[1];
    const MeReal y = a[2] * b[0] - a[0] * b[2];
    const MeReal z = a[0] * b[1] - a[1] * b[0];
    out[0] = x;
    out[1] = y;
    out[2] = z;
}

MeReal cnvVec3Dot(const MeReal a[3], const MeReal b[3])
{
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

MeReal cnvAngleAround(const MeReal u[3], const MeReal v[3], const MeReal axis[3])
{
    MeReal c[3];
    cnvVec3Cross(c, u, v);
    MeReal s = std::sqrt(cnvVec3Dot(c, c));
    if (cnvVec3Dot(c, axis) < 0)
        s = -s;
    return std::atan2(s, cnvVec3Dot(u, v)) + 3.1415927f;
}
