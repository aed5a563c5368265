// Penetration depth of two overlapping convex cores: an expanding polytope over A - B.
//
// When GJK finds the cores overlapping, the origin lies inside the Minkowski difference
// A - B, and the penetration depth is the distance from the origin to the nearest point of
// its boundary. The search keeps a polytope inside A - B that contains the origin, with
// triangular faces wound counter-clockwise seen from outside, each with its outward unit
// normal n and offset n.a (the plane's distance from the origin, positive for a polytope
// around the origin). Each iteration takes the face of smallest offset, finds the support
// w of A - B along its normal (sA along n, sB along -n) and stops when w lies less than
// 0.001 beyond that face: the face is then, within that gap, part of the boundary and its
// offset the depth. Otherwise every face that sees w is removed, and the horizon edges
// (edges of removed faces whose other face stays) are joined to w. The smallest offset
// never decreases in exact arithmetic; a decrease means round-off and ends the search.
//
// Seeding: the GJK simplex's 2-4 points are grown to a tetrahedron by supports along
// directions perpendicular to what is there; a seed with coincident points falls back to
// supports along the axes; a flat difference (no support beyond the first triangle) ends
// the search at once with that triangle's offset.
//
// Buffers are fixed and on the stack. When the next expansion would not fit (vertex or face
// buffer, horizon list) the search stops with the best face so far, never with a polytope
// that has a hole.
//
// Result: the separation is minus the offset, and the normal, from B towards A, is minus
// the face normal (moving A along it by the depth separates the cores).

#include <cfloat>
#include "physics/dynamics/me_math.h"
#include <cmath>

#include "physics/collision/gjk.h"

namespace {

constexpr int kMaxVertices = 240;
constexpr int kMaxFaces = 480;
constexpr int kMaxHorizon = 90;
constexpr int kMaxIterations = 100;
constexpr MeReal kGap = 0.001f;
constexpr MeReal kFlatSeed = 0.0001f;

struct Face {
    int v[3];
    MeReal n[3];
    MeReal offset;
};

struct Edge {
    int a, b;
    bool cancelled;
};

MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

struct Polytope {
    const McdConvexSet* a;
    const McdConvexSet* b;
    int lastA = -1, lastB = -1;
    MeReal vert[kMaxVertices][3];
    int vertexCount = 0;
    Face faces[kMaxFaces];
    int faceCount = 0;

    // Support of A - B along the world direction n.
    void Support(const MeReal n[3], MeReal w[3])
    {
        MeReal sA[3], sB[3], local[3], nn[3] = {-n[0], -n[1], -n[2]};
        lastA = McdConvexSetSupport(a, lastA, n, sA, local, nullptr);
        lastB = McdConvexSetSupport(b, lastB, nn, sB, local, nullptr);
        for (int j = 0; j < 3; ++j)
            w[j] = sA[j] - sB[j];
    }

    int AddVertex(const MeReal p[3])
    {
        for (int j = 0; j < 3; ++j)
            vert[vertexCount][j] = p[j];
        return vertexCount++;
    }

    void Plane(Face& f)
    {
        const MeReal* p = vert[f.v[0]];
        const MeReal* q = vert[f.v[1]];
        const MeReal* r = vert[f.v[2]];
        MeReal e1[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        MeReal e2[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
        MeReal n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        const MeReal len = std::sqrt(Dot(n, n));
        if (len > 0) {
            for (int j = 0; j < 3; ++j)
                f.n[j] = n[j] / len;
        } else {
            f.n[0] = 1;
            f.n[1] = f.n[2] = 0;
        }
        f.offset = Dot(f.n, p);
    }
};

void Cross(const MeReal a[3], const MeReal b[3], MeReal out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

MeReal Length(const MeReal v[3])
{
    return std::sqrt(Dot(v, v));
}

// A unit vector perpendicular to e (which is not zero).
void Perpendicular(const MeReal e[3], MeReal d[3])
{
    if (std::fabs(e[1]) < std::fabs(e[0])) {
        const MeReal l = std::sqrt(e[2] * e[2] + e[0] * e[0]);
        d[0] = e[2] / l;
        d[1] = 0;
        d[2] = -e[0] / l;
    } else {
        const MeReal l = std::sqrt(e[2] * e[2] + e[1] * e[1]);
        d[0] = 0;
        d[1] = -e[2] / l;
        d[2] = e[1] / l;
    }
}

}  // namespace

MeReal McdPenetrationDepth(const McdConvexSet* a, const McdConvexSet* b, McdGjkSimplex* s, McdSimplexCoords* c,
                           MeReal normal[3])
{
    if (s->count < 2) {
        MeReal d[3] = {c->a[0][0] - c->b[0][0], c->a[0][1] - c->b[0][1], c->a[0][2] - c->b[0][2]};
        return Length(d);
    }
    Polytope P;
    P.a = a;
    P.b = b;
    P.lastA = s->lastA;
    P.lastB = s->lastB;
    P.vertexCount = 0;
    P.faceCount = 0;

    MeReal y[4][3];
    for (int i = 0; i < s->count; ++i)
        for (int j = 0; j < 3; ++j)
            y[i][j] = c->a[i][j] - c->b[i][j];

    // First edge; coincident points fall back to supports along the axes.
    P.AddVertex(y[0]);
    MeReal e[3] = {y[0][0] - y[1][0], y[0][1] - y[1][1], y[0][2] - y[1][2]};
    if (Length(e) > 1e-6f) {
        P.AddVertex(y[1]);
    } else {
        static const MeReal kAxes[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
        bool found = false;
        for (int k = 0; k < 6 && !found; ++k) {
            MeReal w[3];
            P.Support(kAxes[k], w);
            for (int j = 0; j < 3; ++j)
                e[j] = y[0][j] - w[j];
            if (Length(e) > 1e-6f) {
                P.AddVertex(w);
                found = true;
            }
        }
        if (!found)
            return 0;  // A - B is a single point: no depth to measure
    }

    // Third vertex: the simplex's when it spans a triangle, else a perpendicular support.
    MeReal n[3];
    bool haveThird = false;
    if (s->count >= 3) {
        MeReal e2[3] = {y[2][0] - P.vert[0][0], y[2][1] - P.vert[0][1], y[2][2] - P.vert[0][2]};
        Cross(e, e2, n);
        if (Length(n) > 1e-6f * (1 + Length(e) * Length(e2))) {
            P.AddVertex(y[2]);
            haveThird = true;
        }
    }
    if (!haveThird) {
        MeReal d[3];
        Perpendicular(e, d);
        for (int attempt = 0; attempt < 2 && !haveThird; ++attempt) {
            MeReal w[3];
            P.Support(d, w);
            const MeReal gap = Dot(d, w) - Dot(d, P.vert[0]);
            if (gap >= kFlatSeed) {
                P.AddVertex(w);
                haveThird = true;
            } else if (attempt == 1) {
                // Flat on both sides of the edge: the difference is a segment or flat
                // strip around the origin; its extent along d is the depth.
                for (int j = 0; j < 3; ++j)
                    normal[j] = -d[j];
                const MeReal depth = Dot(d, w) > 0 ? Dot(d, w) : 0;
                return -depth;
            }
            for (MeReal& x : d)
                x = -x;
        }
    }

    // Fourth vertex.
    Face first{{0, 1, 2}, {0, 0, 0}, 0};
    P.Plane(first);
    bool haveFourth = false;
    if (s->count == 4) {
        MeReal r[3] = {y[3][0] - P.vert[0][0], y[3][1] - P.vert[0][1], y[3][2] - P.vert[0][2]};
        if (std::fabs(Dot(first.n, r)) > 1e-6f) {
            P.AddVertex(y[3]);
            haveFourth = true;
        }
    }
    if (!haveFourth) {
        MeReal w[3];
        P.Support(first.n, w);
        MeReal gap = Dot(first.n, w) - first.offset;
        if (gap < kGap) {
            // Nothing beyond the triangle along n: try the other side before calling it flat.
            MeReal m[3] = {-first.n[0], -first.n[1], -first.n[2]};
            MeReal w2[3];
            P.Support(m, w2);
            const MeReal gap2 = Dot(m, w2) + first.offset;
            if (gap2 < kGap) {
                for (int j = 0; j < 3; ++j)
                    normal[j] = -first.n[j];
                return -first.offset;
            }
            for (int j = 0; j < 3; ++j)
                w[j] = w2[j];
        }
        P.AddVertex(w);
    }

    // Tetrahedron, every face wound outward. One decision for all four faces, from the sign
    // of the volume (a per-face test against the centroid is unreliable for a thin
    // tetrahedron): with v3 on the positive side of (v1 - v0) x (v2 - v0) the faces below
    // face outward; otherwise v1 and v2 swap roles.
    {
        MeReal e1[3], e2[3], e3[3], c[3];
        for (int j = 0; j < 3; ++j) {
            e1[j] = P.vert[1][j] - P.vert[0][j];
            e2[j] = P.vert[2][j] - P.vert[0][j];
            e3[j] = P.vert[3][j] - P.vert[0][j];
        }
        Cross(e1, e2, c);
        const bool positive = Dot(c, e3) >= 0;
        const int i1 = positive ? 1 : 2, i2 = positive ? 2 : 1;
        const int kTet[4][3] = {{0, i2, i1}, {0, i1, 3}, {i1, i2, 3}, {0, 3, i2}};
        for (const auto& t : kTet) {
            Face& f = P.faces[P.faceCount++];
            f.v[0] = t[0];
            f.v[1] = t[1];
            f.v[2] = t[2];
            P.Plane(f);
        }
    }
    // A point strictly inside every later polytope (which only grows): the seed's centroid.
    MeReal inner[3] = {0, 0, 0};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j)
            inner[j] += 0.25f * P.vert[i][j];

    // The answer is the last face chosen before the search stopped. A smallest offset that
    // decreases means round-off bent the polytope (a face turned over); the face chosen
    // before that is kept.
    MeReal previous = -FLT_MAX;
    MeReal bestN[3] = {1, 0, 0}, bestOffset = 0;
    Edge horizon[kMaxHorizon];
    bool removed[kMaxFaces];
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        int chosen = 0;
        for (int i = 1; i < P.faceCount; ++i)
            if (P.faces[i].offset < P.faces[chosen].offset)
                chosen = i;
        const Face& f = P.faces[chosen];
        if (previous > f.offset)
            break;
        previous = f.offset;
        bestOffset = f.offset;
        for (int j = 0; j < 3; ++j)
            bestN[j] = f.n[j];
        MeReal w[3];
        P.Support(f.n, w);
        if (Dot(f.n, w) - f.offset < kGap)
            break;
        if (P.vertexCount >= kMaxVertices)
            break;

        // Faces that see w, and the horizon: their edges not shared by two of them.
        int horizonCount = 0;
        int removedCount = 0;
        bool overflow = false;
        for (int i = 0; i < P.faceCount && !overflow; ++i) {
            const Face& g = P.faces[i];
            MeReal r[3] = {w[0] - P.vert[g.v[0]][0], w[1] - P.vert[g.v[0]][1], w[2] - P.vert[g.v[0]][2]};
            removed[i] = i == chosen || Dot(g.n, r) > 0;
            if (!removed[i])
                continue;
            ++removedCount;
            for (int k = 0; k < 3 && !overflow; ++k) {
                const int ea = g.v[k], eb = g.v[(k + 1) % 3];
                bool cancelled = false;
                for (int h = 0; h < horizonCount && !cancelled; ++h) {
                    Edge& other = horizon[h];
                    if (!other.cancelled && ((other.a == eb && other.b == ea) || (other.a == ea && other.b == eb))) {
                        other.cancelled = true;
                        cancelled = true;
                    }
                }
                if (cancelled)
                    continue;
                if (horizonCount >= kMaxHorizon)
                    overflow = true;
                else
                    horizon[horizonCount++] = {ea, eb, false};
            }
        }
        int newFaces = 0;
        for (int h = 0; h < horizonCount; ++h)
            newFaces += horizon[h].cancelled ? 0 : 1;
        if (overflow || P.faceCount - removedCount + newFaces > kMaxFaces)
            break;

        const int wi = P.AddVertex(w);
        int out = 0;
        for (int i = 0; i < P.faceCount; ++i)
            if (!removed[i])
                P.faces[out++] = P.faces[i];
        for (int h = 0; h < horizonCount; ++h) {
            if (horizon[h].cancelled)
                continue;
            Face& g = P.faces[out++];
            g.v[0] = horizon[h].a;
            g.v[1] = horizon[h].b;
            g.v[2] = wi;
            P.Plane(g);
            // A sliver (w nearly in line with its horizon edge) can come out turned over by
            // round-off; it must face away from the inside.
            MeReal r[3] = {inner[0] - P.vert[g.v[0]][0], inner[1] - P.vert[g.v[0]][1], inner[2] - P.vert[g.v[0]][2]};
            if (Dot(g.n, r) > 0) {
                g.v[0] = horizon[h].b;
                g.v[1] = horizon[h].a;
                P.Plane(g);
            }
        }
        P.faceCount = out;
    }
    for (int j = 0; j < 3; ++j)
        normal[j] = -bestN[j];
    s->lastA = P.lastA;
    s->lastB = P.lastB;
    return -bestOffset;
}
