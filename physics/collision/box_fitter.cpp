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
// first corners, in list order, with the largest and smallest projection on axis k). The box
// turns by `step` about g, is refitted, and the step shrinks by a third whenever the measure
// rises; the best box seen is kept. The rotation is applied to the axes as a matrix; the axes
// may be a left-handed frame, so they are never turned into a quaternion. A zero first
// direction starts from a random axis drawn from the program's one generator (`MeRandom`), so
// a seeded build is repeatable.
//
// Speed. A tree build fits every node and the descent refits each one 36 times, so the build
// prepares compact arrays once (`CxBoxFitScratch`): an id per distinct corner position with
// its coordinates, and per triangle its corner ids, inverse area and weighted corner sum. A
// node's fit gathers its distinct corners, in order of first appearance, into one array of
// four-float vectors. A corner met again has the same projections and never replaces an
// extreme (only a strictly larger or smaller value does), so the gathered list has the
// extremes of a scan over every corner in list order.
//
// A refit projects one corner at a time on all three axes (one lane per axis) and keeps, per
// lane, the largest and smallest projection and the first corner that gave it: a corner
// replaces an extreme only when strictly beyond it, as in a scan in list order. Beyond six
// corners, even and odd ones run in two chains merged at the end, the lower index winning a
// tie. The rotation, the direction and the refit do every product and sum of the scalar
// formulas above lane by lane in the same order, so each box is exactly the one those
// formulas give.
//
// Side by side. A descent is a chain of dependent steps (a refit, a square root, a division,
// a rotation), so up to four descents of different nodes are stepped in turn
// (`CxBoxFitterFitBatch`), their Jacobi sweeps too, which keeps the processor busy with
// independent work. Such a fit may not draw from the generator, since that would change the
// order of draws: it is given up instead and the caller fits it again at its turn.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include <emmintrin.h>

#include "physics/collision/collision_local.h"
#include "physics/collision/mass.h"
#include "physics/collision/triangle_mesh_tree.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_random.h"

/// Per-corner and per-triangle data of one mesh and the gathered corners of the node being fitted.
struct CxBoxFitScratch {
    struct Triangle {
        int id[3];              ///< distinct-position id of each corner
        int kept;               ///< |area| > 1e-6
        MeReal weightedSum[3];  ///< (A + B + C) / area
        MeReal inverseArea;     ///< 1 / area; read as the fourth lane of the weighted sum
    };
    Triangle* triangles = nullptr;
    MeReal* position = nullptr;  ///< per id: x, y, z, 0
    int* stamp = nullptr;        ///< per id: last gather that took it
    int stampValue = 0;
    int ids = 0;
    /// The distinct corners of one node, for each of the nodes fitted side by side.
    struct Corners {
        MeReal* corner = nullptr;  ///< x, y, z, 0 each
        int points = 0;
    };
    Corners set[kCxBoxFitBatch];
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

template <int I>
__m128 Lane(__m128 v)
{
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(I, I, I, I));
}

MeReal First(__m128 v) { return _mm_cvtss_f32(v); }

// a where the mask is set, else b.
__m128 Select(__m128 mask, __m128 a, __m128 b) { return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b)); }

// (v1, v2, v0) and (v2, v0, v1): the operand orders of a cross product.
__m128 YZX(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 0, 2, 1)); }
__m128 ZXY(__m128 v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 1, 0, 2)); }

// a x b with the products and differences of `MeVector3Cross`.
__m128 Cross(__m128 a, __m128 b)
{
    return _mm_sub_ps(_mm_mul_ps(YZX(a), ZXY(b)), _mm_mul_ps(ZXY(a), YZX(b)));
}

// A box being fitted: its axes, half extents and the middles lo_k + e_k of its projection
// ranges, one vector each (lane 3 unused). The centre sum_k axis_k mid_k is formed only when
// the box is stored.
struct Frame {
    __m128 axis[3];
    __m128 ext;
    __m128 mid;
};

Frame Load(const CxOrientedBox& b)
{
    Frame f;
    for (int k = 0; k < 3; ++k)
        f.axis[k] = _mm_setr_ps(b.axis[k][0], b.axis[k][1], b.axis[k][2], 0);
    f.ext = _mm_setr_ps(b.ext[0], b.ext[1], b.ext[2], 0);
    f.mid = _mm_setzero_ps();
    return f;
}

void Store3(__m128 v, MeReal out[3])
{
    alignas(16) MeReal lanes[4];
    _mm_store_ps(lanes, v);
    out[0] = lanes[0];
    out[1] = lanes[1];
    out[2] = lanes[2];
}

void Store(const Frame& f, CxOrientedBox* b)
{
    for (int k = 0; k < 3; ++k)
        Store3(f.axis[k], b->axis[k]);
    Store3(f.ext, b->ext);
    __m128 centre = _mm_setzero_ps();
    centre = _mm_add_ps(centre, _mm_mul_ps(f.axis[0], Lane<0>(f.mid)));
    centre = _mm_add_ps(centre, _mm_mul_ps(f.axis[1], Lane<1>(f.mid)));
    centre = _mm_add_ps(centre, _mm_mul_ps(f.axis[2], Lane<2>(f.mid)));
    Store3(centre, b->centre);
}

using Corners = CxBoxFitScratch::Corners;

// Gathers the distinct corners of the listed triangles into one corner set, first appearance first.
const Corners* Gather(CxBoxFitScratch* s, int which, const int* indices, int count)
{
    Corners* g = s->set + which;
    const int stamp = ++s->stampValue;
    int n = 0;
    for (int i = 0; i < count; ++i) {
        const CxBoxFitScratch::Triangle& t = s->triangles[indices[i]];
        for (int id : t.id) {
            if (s->stamp[id] == stamp)
                continue;
            s->stamp[id] = stamp;
            _mm_storeu_ps(g->corner + 4 * n, _mm_loadu_ps(s->position + 4 * id));
            ++n;
        }
    }
    g->points = n;
    return g;
}

// Index of the first corner with the largest (hi) and smallest (lo) projection on each axis.
struct Extremes {
    int hi[3], lo[3];
};

// Running extremes over a run of corners, one lane per axis: the largest and smallest
// projection and the index of the first corner that gave each.
struct Run {
    __m128 hi, lo;
    __m128i hiIndex, loIndex;
};

// Projections of corner i on the three axes, whose x, y and z components are ax, ay, az.
__m128 Project(const Corners* s, int i, __m128 ax, __m128 ay, __m128 az)
{
    const __m128 p = _mm_loadu_ps(s->corner + 4 * i);
    return _mm_add_ps(_mm_add_ps(_mm_mul_ps(Lane<0>(p), ax), _mm_mul_ps(Lane<1>(p), ay)), _mm_mul_ps(Lane<2>(p), az));
}

void RunStart(Run* r, __m128 v, int i)
{
    r->hi = r->lo = v;
    r->hiIndex = r->loIndex = _mm_set1_epi32(i);
}

// Corner `index` (in every lane) replaces an extreme only when strictly beyond it, as in a
// scan in list order.
void RunAdd(Run* r, __m128 v, __m128i index)
{
    const __m128i gt = _mm_castps_si128(_mm_cmpgt_ps(v, r->hi)), lt = _mm_castps_si128(_mm_cmplt_ps(v, r->lo));
    r->hi = _mm_max_ps(v, r->hi);  // v only when v > hi
    r->lo = _mm_min_ps(v, r->lo);
    r->hiIndex = _mm_or_si128(_mm_and_si128(gt, index), _mm_andnot_si128(gt, r->hiIndex));
    r->loIndex = _mm_or_si128(_mm_and_si128(lt, index), _mm_andnot_si128(lt, r->loIndex));
}

// Merges run b into run a: the greater (smaller) extreme, the lower index on a tie.
void RunMerge(Run* a, const Run& b)
{
    const __m128i bFirst = _mm_cmplt_epi32(b.hiIndex, a->hiIndex), bFirstLo = _mm_cmplt_epi32(b.loIndex, a->loIndex);
    const __m128i takeHi = _mm_or_si128(_mm_castps_si128(_mm_cmpgt_ps(b.hi, a->hi)),
                                        _mm_and_si128(_mm_castps_si128(_mm_cmpeq_ps(b.hi, a->hi)), bFirst));
    const __m128i takeLo = _mm_or_si128(_mm_castps_si128(_mm_cmplt_ps(b.lo, a->lo)),
                                        _mm_and_si128(_mm_castps_si128(_mm_cmpeq_ps(b.lo, a->lo)), bFirstLo));
    a->hi = Select(_mm_castsi128_ps(takeHi), b.hi, a->hi);
    a->lo = Select(_mm_castsi128_ps(takeLo), b.lo, a->lo);
    a->hiIndex = _mm_or_si128(_mm_and_si128(takeHi, b.hiIndex), _mm_andnot_si128(takeHi, a->hiIndex));
    a->loIndex = _mm_or_si128(_mm_and_si128(takeLo, b.loIndex), _mm_andnot_si128(takeLo, a->loIndex));
}

// Extents, centre and extreme corners of the gathered corners on the frame's axes. The
// corners are taken one at a time, all three axes in the lanes of one vector: even and odd
// corners in two runs, so two chains of comparisons proceed side by side, then merged.
void Refit(const Corners* s, Frame* f, Extremes* x)
{
    __m128 ax = f->axis[0], ay = f->axis[1], az = f->axis[2], unused = _mm_setzero_ps();
    _MM_TRANSPOSE4_PS(ax, ay, az, unused);  // ax = (axis 0 x, axis 1 x, axis 2 x), ...
    const int n = s->points;
    Run even, odd;
    RunStart(&even, Project(s, 0, ax, ay, az), 0);
    const __m128i one = _mm_set1_epi32(1), two = _mm_set1_epi32(2);
    if (n <= 6) {
        // Too few corners for two chains to pay for their merge.
        __m128i index = one;
        for (int i = 1; i < n; ++i, index = _mm_add_epi32(index, one))
            RunAdd(&even, Project(s, i, ax, ay, az), index);
    } else {
        RunStart(&odd, Project(s, 1, ax, ay, az), 1);
        __m128i index = two;
        int i = 2;
        for (; i + 1 < n; i += 2, index = _mm_add_epi32(index, two)) {
            RunAdd(&even, Project(s, i, ax, ay, az), index);
            RunAdd(&odd, Project(s, i + 1, ax, ay, az), _mm_add_epi32(index, one));
        }
        if (i < n)
            RunAdd(&even, Project(s, i, ax, ay, az), index);
        RunMerge(&even, odd);
    }
    alignas(16) int hiIndex[4], loIndex[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(hiIndex), even.hiIndex);
    _mm_store_si128(reinterpret_cast<__m128i*>(loIndex), even.loIndex);
    for (int k = 0; k < 3; ++k) {
        x->hi[k] = hiIndex[k];
        x->lo[k] = loIndex[k];
    }
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    f->ext = _mm_mul_ps(_mm_and_ps(_mm_sub_ps(even.hi, even.lo), magnitude), _mm_set1_ps(0.5f));
    f->mid = _mm_add_ps(even.lo, f->ext);
}

MeReal Cost(__m128 ext)
{
    alignas(16) MeReal e[4];
    _mm_store_ps(e, ext);
    return CxBoxCost(e);
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

// Mean m = sum (A + B + C) / a_i / (6 n) over the kept triangles, then
// C = 0.5 / (6 n) sum_i (1 / a_i) sum_corners (P - m)(P - m)^T, one matrix row per vector.
void Covariance(const CxBoxFitScratch* s, const int* indices, int count, MeReal C[9])
{
    __m128 m = _mm_setzero_ps();
    for (int i = 0; i < count; ++i) {
        const CxBoxFitScratch::Triangle& t = s->triangles[indices[i]];
        if (t.kept)
            m = _mm_add_ps(m, _mm_loadu_ps(t.weightedSum));
    }
    m = _mm_mul_ps(m, _mm_set1_ps(1.0f / (6.0f * static_cast<MeReal>(count))));
    __m128 row[3] = {_mm_setr_ps(C[0], C[1], C[2], 0), _mm_setr_ps(C[3], C[4], C[5], 0),
                     _mm_setr_ps(C[6], C[7], C[8], 0)};
    for (int i = 0; i < count; ++i) {
        const CxBoxFitScratch::Triangle& t = s->triangles[indices[i]];
        if (!t.kept)
            continue;
        __m128 M0 = _mm_setzero_ps(), M1 = M0, M2 = M0;
        for (int id : t.id) {
            const __m128 d = _mm_sub_ps(_mm_loadu_ps(s->position + 4 * id), m);
            M0 = _mm_add_ps(M0, _mm_mul_ps(Lane<0>(d), d));
            M1 = _mm_add_ps(M1, _mm_mul_ps(Lane<1>(d), d));
            M2 = _mm_add_ps(M2, _mm_mul_ps(Lane<2>(d), d));
        }
        const __m128 w = _mm_set1_ps(t.inverseArea);
        row[0] = _mm_add_ps(row[0], _mm_mul_ps(M0, w));
        row[1] = _mm_add_ps(row[1], _mm_mul_ps(M1, w));
        row[2] = _mm_add_ps(row[2], _mm_mul_ps(M2, w));
    }
    const __m128 final = _mm_set1_ps(0.5f / (6.0f * static_cast<MeReal>(count)));
    for (int r = 0; r < 3; ++r)
        Store3(_mm_mul_ps(row[r], final), C + 3 * r);
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

// Turns the frame's axes by the rotation matrix of the unit quaternion (w, q):
// diagonal 1 - 2 (y^2 + z^2), ..., off-diagonal 2 (xy -+ wz), 2 (xz +- wy), 2 (yz -+ wx).
void Rotate(Frame* f, MeReal w, __m128 q)
{
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 sq = _mm_mul_ps(q, q);
    // (yy + zz, xx + zz, xx + yy)
    const __m128 s1 = _mm_add_ps(_mm_shuffle_ps(sq, sq, _MM_SHUFFLE(3, 0, 0, 1)),
                                 _mm_shuffle_ps(sq, sq, _MM_SHUFFLE(3, 1, 2, 2)));
    const __m128 diag = _mm_sub_ps(_mm_set1_ps(1.0f), _mm_mul_ps(two, s1));
    // (xy, xz, yz) and w (z, y, x)
    const __m128 u = _mm_mul_ps(_mm_shuffle_ps(q, q, _MM_SHUFFLE(3, 1, 0, 0)), _mm_shuffle_ps(q, q, _MM_SHUFFLE(3, 2, 2, 1)));
    const __m128 wq = _mm_mul_ps(_mm_set1_ps(w), _mm_shuffle_ps(q, q, _MM_SHUFFLE(3, 0, 1, 2)));
    const __m128 d = diag;                                   // R00, R11, R22
    const __m128 p = _mm_mul_ps(two, _mm_add_ps(u, wq));  // R10, R02, R21
    const __m128 m = _mm_mul_ps(two, _mm_sub_ps(u, wq));  // R01, R20, R12
    const __m128 xyz = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    // (R00, R10, R20), (R01, R11, R21), (R02, R12, R22), lane 3 cleared.
    const __m128 col0 = _mm_and_ps(_mm_shuffle_ps(_mm_unpacklo_ps(d, p), m, _MM_SHUFFLE(1, 1, 1, 0)), xyz);
    const __m128 col1 = _mm_and_ps(_mm_shuffle_ps(_mm_unpacklo_ps(m, d), p, _MM_SHUFFLE(2, 2, 3, 0)), xyz);
    const __m128 col2 =
        _mm_and_ps(_mm_shuffle_ps(_mm_shuffle_ps(p, m, _MM_SHUFFLE(2, 2, 1, 1)), d, _MM_SHUFFLE(2, 2, 2, 0)), xyz);
    for (__m128& axis : f->axis)
        axis = _mm_add_ps(_mm_add_ps(_mm_mul_ps(col0, Lane<0>(axis)), _mm_mul_ps(col1, Lane<1>(axis))),
                          _mm_mul_ps(col2, Lane<2>(axis)));
}

__m128 Point(const Corners* s, int gathered)
{
    return _mm_loadu_ps(s->corner + 4 * gathered);
}

// One box's descent, stepped in turn with another's: each step is a chain of dependent
// operations, and two independent chains keep the processor busy.
struct Descent {
    const Corners* corners;
    CxOrientedBox* box;
    Frame work, best;
    Extremes x;
    MeReal current, bestCost;
    int stepIndex;
    bool running;
    bool mayDraw;  ///< may take a random start; otherwise the descent is given up instead
    bool abandoned;
};

void Start(Descent* d, const Corners* corners, CxOrientedBox* box, bool mayDraw)
{
    d->corners = corners;
    d->box = box;
    d->work = Load(*box);
    Refit(corners, &d->work, &d->x);
    d->current = d->bestCost = Cost(d->work.ext);
    d->best = d->work;
    d->stepIndex = 0;
    d->running = true;
    d->mayDraw = mayDraw;
    d->abandoned = false;
}

// The turn direction of one step, normalised, or false when the descent ends (or is given up).
bool Direction(Descent* d, int iteration, __m128* out)
{
    const __m128 e = d->work.ext;
    // (e1 e2, e0 e2, e0 e1)
    const __m128 W = _mm_mul_ps(_mm_shuffle_ps(e, e, _MM_SHUFFLE(3, 0, 0, 1)), _mm_shuffle_ps(e, e, _MM_SHUFFLE(3, 1, 2, 2)));
    const __m128 Wk[3] = {Lane<0>(W), Lane<1>(W), Lane<2>(W)};
    __m128 g = _mm_setzero_ps();
    for (int k = 0; k < 3; ++k) {
        const __m128 span = _mm_sub_ps(Point(d->corners, d->x.hi[k]), Point(d->corners, d->x.lo[k]));
        g = _mm_add_ps(g, _mm_mul_ps(Wk[k], Cross(d->work.axis[k], span)));
    }
    const __m128 g2 = _mm_mul_ps(g, g);
    const MeReal len = std::sqrt(First(g2) + First(Lane<1>(g2)) + First(Lane<2>(g2)));
    if (len > 1e-30f) {
        *out = _mm_div_ps(g, _mm_set1_ps(len));
        return true;
    }
    if (iteration == 0 && d->mayDraw) {
        MeReal r[3];
        CxRandomUnitVector(r);
        *out = _mm_setr_ps(r[0], r[1], r[2], 0);
        return true;
    }
    d->abandoned = iteration == 0;
    return false;
}

void Finish(Descent* d)
{
    if (d->abandoned)
        return;
    Store(d->current <= d->bestCost ? d->work : d->best, d->box);
    CxBoxSortAxes(d->box);
}

// Runs descents side by side, step for step; each does exactly what it would alone.
void Descend(Descent* d, int n)
{
    static const StepTable table;
    for (int iteration = 0; iteration < 35; ++iteration) {
        __m128 g[kCxBoxFitBatch];
        int running = 0;
        for (int j = 0; j < n; ++j)
            if (d[j].running) {
                d[j].running = Direction(&d[j], iteration, &g[j]);
                running += d[j].running;
            }
        if (!running)
            break;
        for (int j = 0; j < n; ++j)
            if (d[j].running)
                Rotate(&d[j].work, table.w[d[j].stepIndex], _mm_mul_ps(_mm_set1_ps(table.sn[d[j].stepIndex]), g[j]));
        for (int j = 0; j < n; ++j)
            if (d[j].running)
                Refit(d[j].corners, &d[j].work, &d[j].x);
        for (int j = 0; j < n; ++j) {
            Descent& D = d[j];
            if (!D.running)
                continue;
            const MeReal prev = D.current;
            const MeReal current = Cost(D.work.ext);
            // Branch-free: whether the measure fell or rose is as good as random.
            const __m128 better = _mm_castsi128_ps(_mm_set1_epi32(current < D.bestCost ? -1 : 0));
            for (int k = 0; k < 3; ++k)
                D.best.axis[k] = Select(better, D.work.axis[k], D.best.axis[k]);
            D.best.ext = Select(better, D.work.ext, D.best.ext);
            D.best.mid = Select(better, D.work.mid, D.best.mid);
            D.bestCost = current < D.bestCost ? current : D.bestCost;
            D.current = current;
            D.stepIndex += current > prev ? 1 : 0;
            D.running = D.stepIndex < table.count;
        }
    }
    for (int j = 0; j < n; ++j)
        Finish(&d[j]);
}

// One Jacobi rotation zeroing C(p, q), accumulated into the columns of V. The tangent is
// sign(theta) / (|theta| + sqrt(theta^2 + 1)) written without a branch: for theta <= 0,
// root - theta is exactly root + |theta|.
void JacobiRotate(MeReal C[9], MeReal V[9], int p, int q)
{
    double c = 1, s = 0;
    const double cpq = C[p * 3 + q];
    if (cpq != 0) {
        const double theta = (static_cast<double>(C[q * 3 + q]) - C[p * 3 + p]) * 0.5 / cpq;
        const double root = std::sqrt(theta * theta + 1);
        const double t = (theta > 0 ? 1.0 : -1.0) / (std::fabs(theta) + root);
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

// Jacobi sweeps on n matrices in lockstep (each a chain of square roots and divisions, so
// the chains overlap); each matrix stops on its own, with the sweep count it would get alone:
// 0 when already diagonal within 0.001, else after the sweep that makes it so, at most 101.
void JacobiSweeps(MeReal* const C[], MeReal* const V[], int n, int sweeps[])
{
    static const int kPairs[3][2] = {{1, 0}, {2, 0}, {2, 1}};
    bool active[kCxBoxFitBatch];
    int running = 0;
    for (int j = 0; j < n; ++j) {
        sweeps[j] = 0;
        active[j] = OffDiagonal(C[j]) > 0.001f;
        running += active[j];
    }
    while (running) {
        for (int j = 0; j < n; ++j)
            sweeps[j] += active[j];
        for (const auto& pq : kPairs)
            for (int j = 0; j < n; ++j)
                if (active[j])
                    JacobiRotate(C[j], V[j], pq[0], pq[1]);
        for (int j = 0; j < n; ++j)
            if (active[j] && (OffDiagonal(C[j]) <= 0.001f || sweeps[j] >= 101)) {
                active[j] = false;
                --running;
            }
    }
}

// Columns of V sorted by the eigenvalues on C's diagonal, largest first; ties keep the order.
void SortEigenvectors(MeReal V[9], const MeReal C[9])
{
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
}

// Covariance axes, their extents and the axis sort: the boxes the descents start from, for n
// nodes at once.
void StartBoxes(const CxBoxFitScratch* s, const Corners* const corners[], CxOrientedBox* const boxes[],
                const int* const lists[], const int counts[], int n)
{
    MeReal C[kCxBoxFitBatch][9], V[kCxBoxFitBatch][9];
    MeReal* c[kCxBoxFitBatch] = {};
    MeReal* v[kCxBoxFitBatch] = {};
    int sweeps[kCxBoxFitBatch] = {};
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < 9; ++k) {
            C[j][k] = 0;
            V[j][k] = (k % 4 == 0) ? 1.0f : 0.0f;
        }
        Covariance(s, lists[j], counts[j], C[j]);
        c[j] = C[j];
        v[j] = V[j];
    }
    JacobiSweeps(c, v, n, sweeps);
    for (int j = 0; j < n; ++j) {
        CxOrientedBox* box = boxes[j];
        if (sweeps[j] <= 35)
            SortEigenvectors(V[j], C[j]);
        for (int k = 0; k < 3; ++k)
            for (int i = 0; i < 3; ++i)
                box->axis[k][i] = sweeps[j] > 35 ? (i == k ? 1.0f : 0.0f) : V[j][i * 3 + k];
        Frame f = Load(*box);
        Extremes x;
        Refit(corners[j], &f, &x);
        Store(f, box);
        CxBoxSortAxes(box);
    }
}

void Refine(const Corners* corners, CxOrientedBox* box)
{
    Descent d;
    Start(&d, corners, box, true);
    Descend(&d, 1);
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
    // Open-addressed table from a corner position's bits to the first corner (3 i + c) there,
    // at most three quarters full; the positions are stored once their count is known.
    std::size_t slots = 16;
    while (3 * slots < 4 * corners)
        slots *= 2;
    int* table = RawArray<int>(slots);
    if (!s->triangles || !table) {
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
            const std::uint32_t bx = Bits(p[0]), by = Bits(p[1]), bz = Bits(p[2]);
            std::uint64_t h = (bx * 0x9E3779B1u) ^ (by * 0x85EBCA77u) ^ (bz * 0xC2B2AE3Du);
            h ^= h >> 15;
            std::size_t slot = static_cast<std::size_t>(h) & (slots - 1);
            for (;; slot = (slot + 1) & (slots - 1)) {
                const int first = table[slot];
                if (first < 0) {
                    table[slot] = 3 * i + c;
                    t.id[c] = ids++;
                    break;
                }
                const MeReal* q = mesh->triangles[first / 3].v[first % 3];
                if (Bits(q[0]) == bx && Bits(q[1]) == by && Bits(q[2]) == bz) {
                    t.id[c] = s->triangles[first / 3].id[first % 3];
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
    s->position = RawArray<MeReal>(4 * static_cast<std::size_t>(ids));
    if (!s->position) {
        CxBoxFitScratchDestroy(s);
        return nullptr;
    }
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) {
            const MeReal* p = mesh->triangles[i].v[c];
            MeReal* q = s->position + 4 * s->triangles[i].id[c];
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
            q[3] = 0;
        }
    s->ids = ids;
    s->stamp = RawArray<int>(static_cast<std::size_t>(ids));
    if (!s->stamp) {
        CxBoxFitScratchDestroy(s);
        return nullptr;
    }
    for (Corners& g : s->set) {
        g.corner = RawArray<MeReal>(4 * static_cast<std::size_t>(ids));
        if (!g.corner) {
            CxBoxFitScratchDestroy(s);
            return nullptr;
        }
    }
    for (int i = 0; i < ids; ++i)
        s->stamp[i] = 0;
    return s;
}

void CxBoxFitScratchDestroy(CxBoxFitScratch* s)
{
    if (!s)
        return;
    McdDeleteArray(s->triangles);
    McdDeleteArray(s->position);
    McdDeleteArray(s->stamp);
    for (Corners& g : s->set)
        McdDeleteArray(g.corner);
    McdDeleteArray(s);
}

void CxBoxFitterFitWith(CxBoxFitScratch* s, const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices,
                        int count)
{
    if (count == 1) {
        CxBoxFitTriangle(mesh, box, indices[0]);
        return;
    }
    const Corners* corners = Gather(s, 0, indices, count);
    StartBoxes(s, &corners, &box, &indices, &count, 1);
    Refine(corners, box);
}

int CxBoxFitterFitBatch(CxBoxFitScratch* s, const CxTriangleMesh* mesh, int count, CxOrientedBox* const boxes[],
                        const int* const lists[], const int counts[])
{
    Descent d[kCxBoxFitBatch];
    int slot[kCxBoxFitBatch] = {};
    const Corners* corners[kCxBoxFitBatch] = {};
    CxOrientedBox* fits[kCxBoxFitBatch] = {};
    const int* fitLists[kCxBoxFitBatch] = {};
    int fitCounts[kCxBoxFitBatch] = {};
    int descents = 0;
    for (int j = 0; j < count && j < kCxBoxFitBatch; ++j) {
        if (counts[j] == 1) {
            CxBoxFitTriangle(mesh, boxes[j], lists[j][0]);
            continue;
        }
        corners[descents] = Gather(s, descents, lists[j], counts[j]);
        fits[descents] = boxes[j];
        fitLists[descents] = lists[j];
        fitCounts[descents] = counts[j];
        slot[descents++] = j;
    }
    StartBoxes(s, corners, fits, fitLists, fitCounts, descents);
    for (int j = 0; j < descents; ++j)
        Start(&d[j], corners[j], fits[j], false);
    Descend(d, descents);
    int fitted = (1 << (count < kCxBoxFitBatch ? count : kCxBoxFitBatch)) - 1;
    for (int j = 0; j < descents; ++j)
        if (d[j].abandoned)
            fitted &= ~(1 << slot[j]);
    return fitted;
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
    MeReal* c[1] = {C};
    MeReal* v[1] = {V};
    int sweeps = 0;
    JacobiSweeps(c, v, 1, &sweeps);
    return sweeps;
}

int CxEigenSolve3(MeReal V[9], MeReal C[9])
{
    for (int k = 0; k < 9; ++k)
        V[k] = (k % 4 == 0) ? 1.0f : 0.0f;
    const int sweeps = CxJacobiEigen3(C, V);
    if (sweeps <= 35)
        SortEigenvectors(V, C);
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
            lo = s < lo ? s : lo;
            hi = s > hi ? s : hi;
        }
        box->ext[a] = (hi - lo) * 0.5f;
        for (int j = 0; j < 3; ++j)
            centre[j] += box->axis[a][j] * (hi + lo) * 0.5f;
    }
    for (int j = 0; j < 3; ++j)
        box->centre[j] = centre[j];
}

void CxBoxRefine(const CxTriangleMesh* mesh, CxOrientedBox* box, const int* indices, int count)
{
    ScopedScratch scratch(mesh);
    if (!scratch.s)
        return;
    Refine(Gather(scratch.s, 0, indices, count), box);
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
