// Oriented-box fitting for the nodes of a triangle mesh's box tree.
//
// One triangle: axis 0 along its longest edge, axis 2 along its normal, axis 1 = axis 2 x
// axis 0; extents from the three corners (the box is flat).
//
// Several triangles: the axes start as the eigenvectors of a covariance of the corners
// (Jacobi sweeps on the symmetric 3x3 matrix; each rotation zeroes one off-diagonal element,
// theta = (C_qq - C_pp) / (2 C_pq), t = sign(theta) / (|theta| + sqrt(theta^2 + 1)), c =
// 1 / sqrt(t^2 + 1), s = t c). The covariance weights each triangle by its inverse area; only
// the directions of the eigenvectors matter. When the sweeps do not settle within 35 the axes
// are the coordinate axes. Extents are the corners' projection ranges on each axis.
//
// Descent. The box's size measure is the squared diagonal for flat or long boxes (smallest
// extent below 1e-6 or ratio above 20), else the surface measure e0 e1 + (e0 + e1) e2. The
// search direction g = sum_k W_k a_k x (Pmax_k - Pmin_k), W = (e1 e2, e0 e2, e0 e1), is the
// rotation axis along which the extents shrink fastest to first order (Pmax_k, Pmin_k the
// extreme corners along axis k). The box turns by `step` about g, is refitted, and the step
// shrinks by a third whenever the measure rises; the best box seen is kept. The rotation is
// applied to the axes as a matrix; the axes may be a left-handed frame, so they are never
// turned into a quaternion. A zero first direction starts from a random axis drawn from the
// program's one generator (`MeRandom`), so a seeded build is repeatable.
//
// Speed. A tree build fits every node, and the descent projects the node's corners about a
// hundred times. The build therefore prepares compact arrays once (`CxBoxFitScratch`): each
// triangle's corners, inverse area and weighted corner sum, and an id per distinct corner
// position. A node's fit gathers its distinct corners, in order of first appearance, into
// contiguous coordinate arrays and projects them four at a time. A corner met again has the
// same projection and never replaces an extreme (only a strictly larger or smaller value
// does), and first appearances keep their order, so the extremes and every box are exactly
// those of a scan over all corners of all triangles in list order.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "physics/collision/collision_local.h"
#include "physics/collision/mass.h"
#include "physics/collision/triangle_mesh_tree.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_random.h"

/// Per-triangle data of one mesh and the gathered corners of the node being fitted.
struct CxBoxFitScratch {
    struct Triangle {
        MeReal corner[3][3];
        MeReal weightedSum[3];  ///< (A + B + C) / area
        MeReal inverseArea;     ///< 1 / area
        int kept;               ///< |area| > 1e-6
        int id[3];              ///< distinct-position id of each corner
    };
    Triangle* triangles = nullptr;
    int* stamp = nullptr;  ///< per position id: last gather that took it
    int stampValue = 0;
    MeReal* px = nullptr;  ///< gathered corners, padded to a multiple of 4
    MeReal* py = nullptr;
    MeReal* pz = nullptr;
    int points = 0;
};

namespace {

MeReal Dot3(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void Cross3(const MeReal a[3], const MeReal b[3], MeReal out[3]) { MeVector3Cross(out, a, b); }

void Normalise(MeReal v[3])
{
    const MeReal len = std::sqrt(Dot3(v, v));
    if (len != 0)
        for (int k = 0; k < 3; ++k)
            v[k] /= len;
}

// Uninitialised storage from the memory table for arrays the code fills before reading.
template <class T>
T* RawArray(std::size_t count)
{
    return static_cast<T*>(MeMemoryAPI.create(sizeof(T) * (count ? count : 1)));
}

std::uint32_t Bits(MeReal f)
{
    std::uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Gathers the distinct corners of the listed triangles into the scratch, first appearance first.
void Gather(CxBoxFitScratch* s, const int* indices, int count)
{
    const int stamp = ++s->stampValue;
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const CxBoxFitScratch::Triangle& t = s->triangles[indices[i]];
        for (int c = 0; c < 3; ++c) {
            if (s->stamp[t.id[c]] == stamp)
                continue;
            s->stamp[t.id[c]] = stamp;
            s->px[n] = t.corner[c][0];
            s->py[n] = t.corner[c][1];
            s->pz[n] = t.corner[c][2];
            ++n;
        }
    }
    s->points = n;
    for (int i = n; i % 4 != 0; ++i) {
        s->px[i] = s->px[0];
        s->py[i] = s->py[0];
        s->pz[i] = s->pz[0];
    }
}

// Largest and smallest projection of the gathered corners on each of three axes and the first
// corner giving each.
struct Extremes {
    MeReal hi[3], lo[3];
    int hiIndex[3], loIndex[3];
};

#if !defined(__SSE2__)
// In list order: a value replaces an extreme only when strictly beyond it.
void FindExtremesInOrder(const CxBoxFitScratch* s, const MeReal axis[3][3], Extremes* out)
{
    const int n = s->points;
    MeReal hi[3], lo[3];
    int hiIndex[3] = {0, 0, 0}, loIndex[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k)
        hi[k] = lo[k] = s->px[0] * axis[k][0] + s->py[0] * axis[k][1] + s->pz[0] * axis[k][2];
    for (int i = 1; i < n; ++i) {
        const MeReal x = s->px[i], y = s->py[i], z = s->pz[i];
        for (int k = 0; k < 3; ++k) {
            const MeReal v = x * axis[k][0] + y * axis[k][1] + z * axis[k][2];
            if (v > hi[k]) {
                hi[k] = v;
                hiIndex[k] = i;
            }
            if (v < lo[k]) {
                lo[k] = v;
                loIndex[k] = i;
            }
        }
    }
    for (int k = 0; k < 3; ++k) {
        out->hi[k] = hi[k];
        out->lo[k] = lo[k];
        out->hiIndex[k] = hiIndex[k];
        out->loIndex[k] = loIndex[k];
    }
}

#endif

void FindExtremes(const CxBoxFitScratch* s, const MeReal axis[3][3], Extremes* out)
{
    const int n = s->points;
#if defined(__SSE2__)
    if (n <= 16) {
        // One lane per axis, the corners in list order.
        const __m128 a0 = _mm_set_ps(0, axis[2][0], axis[1][0], axis[0][0]);
        const __m128 a1 = _mm_set_ps(0, axis[2][1], axis[1][1], axis[0][1]);
        const __m128 a2 = _mm_set_ps(0, axis[2][2], axis[1][2], axis[0][2]);
        auto project = [&](int i) {
            return _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(s->px[i]), a0), _mm_mul_ps(_mm_set1_ps(s->py[i]), a1)),
                              _mm_mul_ps(_mm_set1_ps(s->pz[i]), a2));
        };
        __m128 hi = project(0), lo = hi;
        __m128i hiIndex = _mm_setzero_si128(), loIndex = hiIndex;
        for (int i = 1; i < n; ++i) {
            const __m128 v = project(i);
            const __m128 gt = _mm_cmpgt_ps(v, hi), lt = _mm_cmplt_ps(v, lo);
            hi = _mm_or_ps(_mm_and_ps(gt, v), _mm_andnot_ps(gt, hi));
            lo = _mm_or_ps(_mm_and_ps(lt, v), _mm_andnot_ps(lt, lo));
            const __m128i index = _mm_set1_epi32(i);
            const __m128i gti = _mm_castps_si128(gt), lti = _mm_castps_si128(lt);
            hiIndex = _mm_or_si128(_mm_and_si128(gti, index), _mm_andnot_si128(gti, hiIndex));
            loIndex = _mm_or_si128(_mm_and_si128(lti, index), _mm_andnot_si128(lti, loIndex));
        }
        alignas(16) float hv[4], lv[4];
        alignas(16) int hi4[4], li4[4];
        _mm_store_ps(hv, hi);
        _mm_store_ps(lv, lo);
        _mm_store_si128(reinterpret_cast<__m128i*>(hi4), hiIndex);
        _mm_store_si128(reinterpret_cast<__m128i*>(li4), loIndex);
        for (int k = 0; k < 3; ++k) {
            out->hi[k] = hv[k];
            out->lo[k] = lv[k];
            out->hiIndex[k] = hi4[k];
            out->loIndex[k] = li4[k];
        }
        return;
    }
    // Four lanes, each keeping the first extreme of its own points.
    const int padded = (n + 3) & ~3;
    for (int k = 0; k < 3; ++k) {
        const __m128 ax = _mm_set1_ps(axis[k][0]), ay = _mm_set1_ps(axis[k][1]), az = _mm_set1_ps(axis[k][2]);
        auto project = [&](int i) {
            return _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_loadu_ps(s->px + i), ax), _mm_mul_ps(_mm_loadu_ps(s->py + i), ay)),
                              _mm_mul_ps(_mm_loadu_ps(s->pz + i), az));
        };
        __m128 hi = project(0), lo = hi;
        __m128i index = _mm_set_epi32(3, 2, 1, 0);
        __m128i hiIndex = index, loIndex = index;
        const __m128i four = _mm_set1_epi32(4);
        for (int i = 4; i < padded; i += 4) {
            index = _mm_add_epi32(index, four);
            const __m128 v = project(i);
            const __m128 gt = _mm_cmpgt_ps(v, hi), lt = _mm_cmplt_ps(v, lo);
            hi = _mm_or_ps(_mm_and_ps(gt, v), _mm_andnot_ps(gt, hi));
            lo = _mm_or_ps(_mm_and_ps(lt, v), _mm_andnot_ps(lt, lo));
            const __m128i gti = _mm_castps_si128(gt), lti = _mm_castps_si128(lt);
            hiIndex = _mm_or_si128(_mm_and_si128(gti, index), _mm_andnot_si128(gti, hiIndex));
            loIndex = _mm_or_si128(_mm_and_si128(lti, index), _mm_andnot_si128(lti, loIndex));
        }
        alignas(16) float hv[4], lv[4];
        alignas(16) int hi4[4], li4[4];
        _mm_store_ps(hv, hi);
        _mm_store_ps(lv, lo);
        _mm_store_si128(reinterpret_cast<__m128i*>(hi4), hiIndex);
        _mm_store_si128(reinterpret_cast<__m128i*>(li4), loIndex);
        // Of lanes holding the same extreme, the lowest index came first in the list.
        int bh = 0, bl = 0;
        for (int lane = 1; lane < 4; ++lane) {
            if (hv[lane] > hv[bh] || (hv[lane] == hv[bh] && hi4[lane] < hi4[bh]))
                bh = lane;
            if (lv[lane] < lv[bl] || (lv[lane] == lv[bl] && li4[lane] < li4[bl]))
                bl = lane;
        }
        // Padding repeats point 0, which wins its ties.
        out->hi[k] = hv[bh];
        out->lo[k] = lv[bl];
        out->hiIndex[k] = hi4[bh] < n ? hi4[bh] : 0;
        out->loIndex[k] = li4[bl] < n ? li4[bl] : 0;
    }
#else
    (void)n;
    FindExtremesInOrder(s, axis, out);
#endif
}

// Extents and centre from the projections on the box's current axes.
void FitExtents(const CxBoxFitScratch* s, CxOrientedBox* box, Extremes* extremes)
{
    FindExtremes(s, box->axis, extremes);
    MeReal centre[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        box->ext[k] = std::fabs(extremes->hi[k] - extremes->lo[k]) * 0.5f;
        const MeReal mid = extremes->lo[k] + box->ext[k];
        for (int j = 0; j < 3; ++j)
            centre[j] += box->axis[k][j] * mid;
    }
    for (int j = 0; j < 3; ++j)
        box->centre[j] = centre[j];
}

void SwapColumns(MeReal m[9], int a, int b)
{
    for (int r = 0; r < 3; ++r) {
        const MeReal t = m[r * 3 + a];
        m[r * 3 + a] = m[r * 3 + b];
        m[r * 3 + b] = t;
    }
}

MeReal OffDiagonal(const MeReal c[9])
{
    return std::sqrt(c[3] * c[3] + c[6] * c[6] + c[7] * c[7]);
}

void Covariance(const CxBoxFitScratch* s, const int* indices, int count, MeReal C[9])
{
    MeReal m[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        const CxBoxFitScratch::Triangle& t = s->triangles[indices[i]];
        if (!t.kept)
            continue;
        for (int k = 0; k < 3; ++k)
            m[k] += t.weightedSum[k];
    }
    const MeReal scale = 1.0f / (6.0f * static_cast<MeReal>(count));
    for (MeReal& x : m)
        x *= scale;
    for (int i = 0; i < count; ++i) {
        const CxBoxFitScratch::Triangle& t = s->triangles[indices[i]];
        if (!t.kept)
            continue;
        MeReal M[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (const MeReal* p : t.corner) {
            const MeReal d[3] = {p[0] - m[0], p[1] - m[1], p[2] - m[2]};
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    M[r * 3 + c] += d[r] * d[c];
        }
        for (int k = 0; k < 9; ++k)
            C[k] += M[k] * t.inverseArea;
    }
    const MeReal final = 0.5f / (6.0f * static_cast<MeReal>(count));
    for (int k = 0; k < 9; ++k)
        C[k] *= final;
}

// cos and sin of half of each step the descent can take: -0.1 shrunk by 0.6666667 per rise.
struct StepTable {
    static constexpr int kSteps = 32;
    MeReal w[kSteps], sn[kSteps];
    int count = 0;
    StepTable()
    {
        MeReal step = -0.1f;
        while (count < kSteps && std::fabs(step) >= 0.0001f) {
            w[count] = std::cos(step * 0.5f);
            sn[count] = std::sin(step * 0.5f);
            ++count;
            step *= 0.6666667f;
        }
    }
};

void Refine(const CxBoxFitScratch* s, CxOrientedBox* box)
{
    static const StepTable table;
    CxOrientedBox work = *box;
    Extremes extremes;
    FitExtents(s, &work, &extremes);
    int stepIndex = 0;
    MeReal current = CxBoxCost(work.ext);
    MeReal bestCost = current;
    CxOrientedBox best = work;
    for (int iteration = 0; iteration < 35; ++iteration) {
        const MeReal prev = current;
        const MeReal* e = work.ext;
        const MeReal W[3] = {e[1] * e[2], e[0] * e[2], e[0] * e[1]};
        MeReal g[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const int h = extremes.hiIndex[k], l = extremes.loIndex[k];
            const MeReal span[3] = {s->px[h] - s->px[l], s->py[h] - s->py[l], s->pz[h] - s->pz[l]};
            MeReal c[3];
            Cross3(work.axis[k], span, c);
            for (int j = 0; j < 3; ++j)
                g[j] += W[k] * c[j];
        }
        const MeReal len = std::sqrt(Dot3(g, g));
        if (len > 1e-30f) {
            for (MeReal& x : g)
                x /= len;
        } else if (iteration == 0) {
            CxRandomUnitVector(g);
        } else {
            break;
        }
        // Rotation matrix of the unit quaternion (cos(step/2), sin(step/2) g).
        const MeReal w = table.w[stepIndex], sn = table.sn[stepIndex];
        const MeReal x = sn * g[0], y = sn * g[1], z = sn * g[2];
        const MeReal R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                                {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                                {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
        for (auto& axis : work.axis) {
            const MeReal v[3] = {axis[0], axis[1], axis[2]};
            for (int r = 0; r < 3; ++r)
                axis[r] = R[r][0] * v[0] + R[r][1] * v[1] + R[r][2] * v[2];
        }
        FitExtents(s, &work, &extremes);
        current = CxBoxCost(work.ext);
        if (current < bestCost) {
            bestCost = current;
            best = work;
        }
        if (current > prev && ++stepIndex >= table.count)
            break;
    }
    *box = current <= bestCost ? work : best;
    CxBoxSortAxes(box);
}

// Fits with the corners already gathered.
void FitGathered(const CxBoxFitScratch* s, CxOrientedBox* box, const int* indices, int count)
{
    MeReal C[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    Covariance(s, indices, count, C);
    MeReal V[9];
    const int sweeps = CxEigenSolve3(V, C);
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            box->axis[k][j] = sweeps > 35 ? (j == k ? 1.0f : 0.0f) : V[j * 3 + k];
    Extremes extremes;
    FitExtents(s, box, &extremes);
    CxBoxSortAxes(box);
    Refine(s, box);
}

// A scratch for a one-off fit or descent through the mesh-level entry points.
struct ScopedScratch {
    explicit ScopedScratch(const CxTriangleMesh* mesh) : s(CxBoxFitScratchCreate(mesh)) {}
    ~ScopedScratch() { CxBoxFitScratchDestroy(s); }
    ScopedScratch(const ScopedScratch&) = delete;
    ScopedScratch& operator=(const ScopedScratch&) = delete;
    CxBoxFitScratch* s;
};

}  // namespace

CxBoxFitScratch* CxBoxFitScratchCreate(const CxTriangleMesh* mesh)
{
    if (!mesh || mesh->count <= 0)
        return nullptr;
    const int n = mesh->count;
    const std::size_t corners = 3 * static_cast<std::size_t>(n);
    CxBoxFitScratch* s = McdNewArray<CxBoxFitScratch>(1);
    if (!s)
        return nullptr;
    s->triangles = RawArray<CxBoxFitScratch::Triangle>(static_cast<std::size_t>(n));
    s->stamp = RawArray<int>(corners);
    s->px = RawArray<MeReal>(corners + 4);
    s->py = RawArray<MeReal>(corners + 4);
    s->pz = RawArray<MeReal>(corners + 4);
    // Open-addressed table from a corner position's bits to its id.
    std::size_t slots = 16;
    while (slots < 2 * corners)
        slots *= 2;
    int* table = RawArray<int>(slots);
    if (!s->triangles || !s->stamp || !s->px || !s->py || !s->pz || !table) {
        McdDeleteArray(table);
        CxBoxFitScratchDestroy(s);
        return nullptr;
    }
    for (std::size_t i = 0; i < slots; ++i)
        table[i] = -1;
    int ids = 0;
    for (int i = 0; i < n; ++i) {
        const CxTriangle& tri = mesh->triangles[i];
        CxBoxFitScratch::Triangle& t = s->triangles[i];
        for (int c = 0; c < 3; ++c) {
            const MeReal* p = tri.v[c];
            for (int k = 0; k < 3; ++k)
                t.corner[c][k] = p[k];
            const std::uint32_t bx = Bits(p[0]), by = Bits(p[1]), bz = Bits(p[2]);
            std::uint64_t h = (bx * 0x9E3779B1u) ^ (by * 0x85EBCA77u) ^ (bz * 0xC2B2AE3Du);
            h ^= h >> 15;
            std::size_t slot = static_cast<std::size_t>(h) & (slots - 1);
            for (;; slot = (slot + 1) & (slots - 1)) {
                const int id = table[slot];
                if (id < 0) {
                    table[slot] = ids;
                    // The id's first corner keeps its coordinates for the comparison below.
                    s->px[ids] = p[0];
                    s->py[ids] = p[1];
                    s->pz[ids] = p[2];
                    t.id[c] = ids++;
                    break;
                }
                if (Bits(s->px[id]) == bx && Bits(s->py[id]) == by && Bits(s->pz[id]) == bz) {
                    t.id[c] = id;
                    break;
                }
            }
        }
        const MeReal a = McdTriangleArea(tri.v[0], tri.v[1], tri.v[2]);
        t.kept = std::fabs(a) > 1e-6f;
        t.inverseArea = t.kept ? 1.0f / a : 0;
        for (int k = 0; k < 3; ++k)
            t.weightedSum[k] = t.kept ? (tri.v[0][k] + tri.v[1][k] + tri.v[2][k]) * (1.0f / a) : 0;
    }
    McdDeleteArray(table);
    for (std::size_t i = 0; i < corners; ++i)
        s->stamp[i] = 0;
    return s;
}

void CxBoxFitScratchDestroy(CxBoxFitScratch* s)
{
    if (!s)
        return;
    McdDeleteArray(s->triangles);
    McdDeleteArray(s->stamp);
    McdDeleteArray(s->px);
    McdDeleteArray(s->py);
    McdDeleteArray(s->pz);
    McdDeleteArray(s);
}

void CxBoxFitterFitWith(CxBoxFitScratch* s, const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices,
                        int count)
{
    if (count == 1) {
        CxBoxFitTriangle(mesh, box, indices[0]);
        return;
    }
    Gather(s, indices, count);
    FitGathered(s, box, indices, count);
}

void CxRandomUnitVector(MeReal out[3])
{
    for (int k = 0; k < 3; ++k)
        out[k] = 2.0f * static_cast<MeReal>(MeRandom()) / static_cast<MeReal>(MeRANDOM_MAX) - 1.0f;
    Normalise(out);
}

void CxTriangleSetCovariance(const CxTriangleMesh* mesh, const int* indices, int count, MeReal C[9])
{
    ScopedScratch scratch(mesh);
    if (scratch.s)
        Covariance(scratch.s, indices, count, C);
}

int CxJacobiEigen3(MeReal C[9], MeReal V[9])
{
    if (OffDiagonal(C) <= 0.001f)
        return 0;
    static const int kPairs[3][2] = {{1, 0}, {2, 0}, {2, 1}};
    int sweeps = 0;
    while (sweeps < 101) {
        ++sweeps;
        for (const auto& pq : kPairs) {
            const int p = pq[0], q = pq[1];
            double c = 1, s = 0;
            const double cpq = C[p * 3 + q];
            if (cpq != 0) {
                const double theta = (static_cast<double>(C[q * 3 + q]) - C[p * 3 + p]) * 0.5 / cpq;
                const double root = std::sqrt(theta * theta + 1);
                const double t = theta > 0 ? 1 / (theta + root) : -1 / (root - theta);
                c = 1 / std::sqrt(t * t + 1);
                s = t * c;
            }
            for (int r = 0; r < 3; ++r) {
                const double vp = V[r * 3 + p], vq = V[r * 3 + q];
                V[r * 3 + p] = static_cast<MeReal>(c * vp - s * vq);
                V[r * 3 + q] = static_cast<MeReal>(c * vq + s * vp);
                const double cp = C[r * 3 + p], cq = C[r * 3 + q];
                C[r * 3 + p] = static_cast<MeReal>(c * cp - s * cq);
                C[r * 3 + q] = static_cast<MeReal>(c * cq + s * cp);
            }
            for (int col = 0; col < 3; ++col) {
                const double rp = C[p * 3 + col], rq = C[q * 3 + col];
                C[p * 3 + col] = static_cast<MeReal>(c * rp - s * rq);
                C[q * 3 + col] = static_cast<MeReal>(c * rq + s * rp);
            }
        }
        if (OffDiagonal(C) <= 0.001f)
            break;
    }
    return sweeps;
}

int CxEigenSolve3(MeReal V[9], MeReal C[9])
{
    for (int k = 0; k < 9; ++k)
        V[k] = (k % 4 == 0) ? 1.0f : 0.0f;
    const int sweeps = CxJacobiEigen3(C, V);
    if (sweeps > 35)
        return sweeps;
    MeReal l[3] = {C[0], C[4], C[8]};
    auto order = [&](int a, int b) {
        if (l[b] > l[a]) {
            SwapColumns(V, a, b);
            const MeReal t = l[a];
            l[a] = l[b];
            l[b] = t;
        }
    };
    order(1, 2);
    order(0, 1);
    order(1, 2);
    return sweeps;
}

void CxBoxSortAxes(CxOrientedBox* box)
{
    auto order = [box](int a, int b) {
        if (box->ext[b] > box->ext[a]) {
            const MeReal t = box->ext[a];
            box->ext[a] = box->ext[b];
            box->ext[b] = t;
            for (int j = 0; j < 3; ++j) {
                const MeReal s = box->axis[a][j];
                box->axis[a][j] = box->axis[b][j];
                box->axis[b][j] = s;
            }
        }
    };
    order(1, 2);
    order(0, 1);
    order(1, 2);
}

void CxBoxFitTriangle(const CxTriangleMesh* mesh, CxOrientedBox* box, int triangle)
{
    const CxTriangle& t = mesh->triangles[triangle];
    const MeReal *A = t.v[0], *B = t.v[1], *C = t.v[2];
    MeReal E[3][3];
    for (int j = 0; j < 3; ++j) {
        E[0][j] = A[j] - B[j];
        E[1][j] = B[j] - C[j];
        E[2][j] = C[j] - A[j];
    }
    const MeReal L[3] = {Dot3(E[0], E[0]), Dot3(E[1], E[1]), Dot3(E[2], E[2])};
    int k = L[1] > L[0] ? 1 : 0;
    if (L[2] > L[k])
        k = 2;
    for (int j = 0; j < 3; ++j)
        box->axis[0][j] = E[k][j];
    Normalise(box->axis[0]);
    Cross3(E[0], E[1], box->axis[2]);
    Normalise(box->axis[2]);
    Cross3(box->axis[2], box->axis[0], box->axis[1]);
    MeReal centre[3] = {0, 0, 0};
    for (int a = 0; a < 3; ++a) {
        MeReal lo = Dot3(A, box->axis[a]), hi = lo;
        for (const MeReal* p : {B, C}) {
            const MeReal s = Dot3(p, box->axis[a]);
            lo = std::fmin(lo, s);
            hi = std::fmax(hi, s);
        }
        box->ext[a] = (hi - lo) * 0.5f;
        for (int j = 0; j < 3; ++j)
            centre[j] += box->axis[a][j] * (hi + lo) * 0.5f;
    }
    for (int j = 0; j < 3; ++j)
        box->centre[j] = centre[j];
}

MeReal CxBoxCost(const MeReal e[3])
{
    const MeReal emin = e[0] < e[1] ? (e[0] < e[2] ? e[0] : e[2]) : (e[1] < e[2] ? e[1] : e[2]);
    const MeReal emax = e[0] > e[1] ? (e[0] > e[2] ? e[0] : e[2]) : (e[1] > e[2] ? e[1] : e[2]);
    if (emin < 1e-6f || emax / emin > 20.0f)
        return e[0] * e[0] + e[1] * e[1] + e[2] * e[2];
    return e[0] * e[1] + (e[0] + e[1]) * e[2];
}

void CxBoxRefine(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count)
{
    ScopedScratch scratch(mesh);
    if (!scratch.s)
        return;
    Gather(scratch.s, indices, count);
    Refine(scratch.s, box);
}

void CxBoxFitterFit(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count)
{
    if (count == 1) {
        CxBoxFitTriangle(mesh, box, indices[0]);
        return;
    }
    ScopedScratch scratch(mesh);
    if (scratch.s)
        CxBoxFitterFitWith(scratch.s, mesh, box, indices, count);
}
