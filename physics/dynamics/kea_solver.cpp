// The constraint solver of one step.
//
// Method. For the rows of a partition with Jacobian J, the bodies' mass matrix M, velocities v,
// external forces f and step h, the solver finds multipliers lambda (forces) with
//     A lambda = rhs + w,   A = J M^-1 J^T + diag(slipfactor / h + epsilon),
//     rhs = (c - (gamma + xgamma) xi / h) / h - J (v / h + M^-1 f),
// within each row's bounds lo..hi (w is the bound's reaction, see keaLCPSolve). Then the new
// velocity v' = v + h M^-1 (f + J^T lambda) satisfies J v' = c - (gamma + xgamma) xi / h on
// every row strictly inside its bounds, up to the softness.
//
// M^-1 uses each body's inverse mass and an isotropic inverse inertia 1 / max(I00, I11, I22);
// the body accelerations at the end use the same.
//
// Layout. Rows are grouped in blocks of 4. Constraint j of a partition has its rows at real
// rows Jofs[j] .. Jofs[j] + Jsize[j] - 1 and at Jacobian rows 4 j further on, so its rows
// in real block b sit in Jacobian block b + j (48 floats: 6 columns of 4 rows for body 0,
// then 6 for body 1), and a Jacobian block holds rows of one constraint only. An "entry" of
// a real block is one (constraint, body) pair overlapping it; a block has at most 4
// constraints, so at most 8 entries (room is kept for 10).
//
// The matrix A is dense and row-major; its envelope (the first nonzero block column of each
// block row) bounds the Cholesky factor, fill-in included, so the factorisation and the
// substitutions visit only the envelope. A non-positive pivot (a singular system) is clamped
// to a small positive value and counted rather than square-rooted.

#include "physics/dynamics/kea_solver.h"

#include "physics/dynamics/kea_dump.h"
#include "physics/dynamics/kea_pool.h"
#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_profile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define KEA_HAVE_SSE 1
#endif

namespace {

constexpr int MaxEntries = 10;
// Partitions of at least this many 4-row blocks are factorised by the reordered sparse path.
int sparseMinBlocks = 16;
int totalClampedPivots = 0;
keaSolveStats lastStats;

int Round16(int bytes) { return (bytes + 15) & ~15; }

template <typename T>
T* PoolArray(int count, const char* name)
{
    return static_cast<T*>(keaPoolAlloc(Round16(static_cast<int>(sizeof(T)) * std::max(count, 1)), name));
}

// Per-body data: inverse-mass block (3 rows of 4: isotropic inverse inertia, inverse mass in
// row 0 column 3) and free-motion vector (8: linear, 0, angular, 0).
struct BodyData {
    float invMass[12];
    float freeMotion[8];
};

float IsoInvInertia(const keaBody* b)
{
    const float largest = std::max(b->I0[0], std::max(b->I1[1], b->I2[2]));
    return largest > 0 ? 1 / largest : 0;
}

// Entry layout shared by the kernels: for block b, entries e < count[b]; body[b*10+e] is the
// step index (-1: none), jblock[b*10+e] the Jstore offset of the entry's 24 floats.
struct Blocks {
    int* count;
    int* body;
    int* jofs;
    int* slot;  // constraintForces record offset (in floats) of the entry
};

// jm = the entry's J with linear columns times the inverse mass and angular ones times the
// isotropic inverse inertia; acc += J . free motion (column by column).
void ScaleEntry(float* __restrict jm, float* __restrict acc, const float* __restrict J, const BodyData& d)
{
    const float im = d.invMass[3], ii = d.invMass[0];
    for (int col = 0; col < 6; ++col) {
        const float scale = col < 3 ? im : ii;
        const float fm = col < 3 ? d.freeMotion[col] : d.freeMotion[col + 1];
        for (int r = 0; r < 4; ++r) {
            jm[col * 4 + r] = J[col * 4 + r] * scale;
            acc[r] += J[col * 4 + r] * fm;
        }
    }
}

void CalcJinvMandRHS_x86(float* rhs, float* JM, const keaConstraints& k, int rowBase, const float* Jstore,
                         const BodyData* bd, const Blocks& blk, int nb, int n, const keaParams& params)
{
    for (int b = 0; b < nb; ++b) {
        float acc[4] = {0, 0, 0, 0};
        for (int e = 0; e < blk.count[b]; ++e) {
            const int body = blk.body[b * MaxEntries + e];
            float* jm = JM + (b * MaxEntries + e) * 24;
            if (body < 0) {
                std::fill(jm, jm + 24, 0.0f);
                continue;
            }
            ScaleEntry(jm, acc, Jstore + blk.jofs[b * MaxEntries + e], bd[body]);
        }
        for (int r = 0; r < 4; ++r)
            rhs[b * 4 + r] = acc[r];
    }
    const float h = params.stepsize, gamma = params.gamma;
    for (int r = 0; r < nb * 4; ++r) {
        const int g = rowBase + r;
        const float target = r < n ? (k.c[g] - (k.xgamma[g] + gamma) * k.xi[g] / h) / h : 0.0f;
        rhs[r] = target - rhs[r];
    }
}

void CalculateConstraintForces_x86(const float* lambda, const float* Jstore, keaBody* const* bodies,
                                   float* forces, const Blocks& blk, int nb)
{
    for (int b = 0; b < nb; ++b) {
        for (int e = 0; e < blk.count[b]; ++e) {
            const int body = blk.body[b * MaxEntries + e];
            if (body < 0)
                continue;
            const float* J = Jstore + blk.jofs[b * MaxEntries + e];
            float f[6];
            for (int col = 0; col < 6; ++col) {
                float sum = 0;
                for (int r = 0; r < 4; ++r)
                    sum += J[col * 4 + r] * lambda[b * 4 + r];
                f[col] = sum;
            }
            keaBody* kb = bodies[body];
            float* rec = forces + blk.slot[b * MaxEntries + e];
            for (int i = 0; i < 3; ++i) {
                kb->force[i] += f[i];
                kb->torque[i] += f[3 + i];
                rec[i] += f[i];
                rec[4 + i] += f[3 + i];
            }
        }
    }
}

#ifdef KEA_HAVE_SSE
void CalcJinvMandRHS_SSE(float* rhs, float* JM, const keaConstraints& k, int rowBase, const float* Jstore,
                         const BodyData* bd, const Blocks& blk, int nb, int n, const keaParams& params)
{
    for (int b = 0; b < nb; ++b) {
        __m128 acc = _mm_setzero_ps();
        for (int e = 0; e < blk.count[b]; ++e) {
            const int body = blk.body[b * MaxEntries + e];
            float* jm = JM + (b * MaxEntries + e) * 24;
            if (body < 0) {
                for (int col = 0; col < 6; ++col)
                    _mm_storeu_ps(jm + col * 4, _mm_setzero_ps());
                continue;
            }
            const float* J = Jstore + blk.jofs[b * MaxEntries + e];
            const BodyData& d = bd[body];
            const __m128 im = _mm_set1_ps(d.invMass[3]), ii = _mm_set1_ps(d.invMass[0]);
            for (int col = 0; col < 6; ++col) {
                const __m128 j = _mm_loadu_ps(J + col * 4);
                _mm_storeu_ps(jm + col * 4, _mm_mul_ps(j, col < 3 ? im : ii));
                const float fm = col < 3 ? d.freeMotion[col] : d.freeMotion[col + 1];
                acc = _mm_add_ps(acc, _mm_mul_ps(j, _mm_set1_ps(fm)));
            }
        }
        _mm_storeu_ps(rhs + b * 4, acc);
    }
    const float h = params.stepsize, gamma = params.gamma;
    for (int r = 0; r < nb * 4; ++r) {
        const int g = rowBase + r;
        const float target = r < n ? (k.c[g] - (k.xgamma[g] + gamma) * k.xi[g] / h) / h : 0.0f;
        rhs[r] = target - rhs[r];
    }
}

void CalculateConstraintForces_SSE(const float* lambda, const float* Jstore, keaBody* const* bodies,
                                   float* forces, const Blocks& blk, int nb)
{
    for (int b = 0; b < nb; ++b) {
        const __m128 l = _mm_loadu_ps(lambda + b * 4);
        for (int e = 0; e < blk.count[b]; ++e) {
            const int body = blk.body[b * MaxEntries + e];
            if (body < 0)
                continue;
            const float* J = Jstore + blk.jofs[b * MaxEntries + e];
            alignas(16) float products[6][4];
            for (int col = 0; col < 6; ++col)
                _mm_store_ps(products[col], _mm_mul_ps(_mm_loadu_ps(J + col * 4), l));
            float f[6];
            for (int col = 0; col < 6; ++col)
                f[col] = (products[col][0] + products[col][1]) + (products[col][2] + products[col][3]);
            keaBody* kb = bodies[body];
            float* rec = forces + blk.slot[b * MaxEntries + e];
            for (int i = 0; i < 3; ++i) {
                kb->force[i] += f[i];
                kb->torque[i] += f[3 + i];
                rec[i] += f[i];
                rec[4 + i] += f[3 + i];
            }
        }
    }
}
#endif

// block(r, s) = sum over the 6 columns of jm(r) jj(s), each element summed from column 0 up;
// the 16 sums run side by side.
void BlockProduct(float* __restrict block, const float* __restrict jm, const float* __restrict jj)
{
    for (int i = 0; i < 16; ++i)
        block[i] = 0;
#pragma GCC unroll 6
    for (int col = 0; col < 6; ++col)
#pragma GCC unroll 4
        for (int r = 0; r < 4; ++r)
            for (int s = 0; s < 4; ++s)
                block[r * 4 + s] += jm[col * 4 + r] * jj[col * 4 + s];
}

// row[j] -= (l * column[j]) * d for j in [from, to).
void TrailingUpdate(float* __restrict row, const float* __restrict column, float l, float d, int from, int to)
{
    int j = from;
#ifdef KEA_HAVE_SSE
    const __m128 lv = _mm_set1_ps(l), dv = _mm_set1_ps(d);
    for (; j + 4 <= to; j += 4)
        _mm_storeu_ps(row + j,
                      _mm_sub_ps(_mm_loadu_ps(row + j), _mm_mul_ps(_mm_mul_ps(lv, _mm_loadu_ps(column + j)), dv)));
#endif
    for (; j < to; ++j)
        row[j] -= (l * column[j]) * d;
}

// Diagonal terms and the envelope after the off-diagonal assembly.
void FinishAssembly(keaLCPMatrix* m, const float* slipfactor)
{
    const int np = m->np;
    for (int i = 0; i < np; ++i) {
        if (i < m->n)
            m->A[i * np + i] += slipfactor[i] * m->invStepsize + m->epsilon;
        else
            m->A[i * np + i] = 1;
    }
    m->setEnvelope();
}

}  // namespace

void keaLCPMatrix::setEnvelope()
{
    keaLCPMatrix* m = this;
    for (int bi = 0; bi < m->nb; ++bi) {
        int firstBlock = bi;
        for (int bj = 0; bj < bi; ++bj) {
            bool nonzero = false;
            for (int r = 0; r < 4 && !nonzero; ++r)
                for (int s = 0; s < 4 && !nonzero; ++s)
                    nonzero = m->A[(bi * 4 + r) * np + bj * 4 + s] != 0;
            if (nonzero) {
                firstBlock = bj;
                break;
            }
        }
        for (int r = 0; r < 4; ++r)
            m->first[bi * 4 + r] = firstBlock * 4;
    }
}

int keaClampedPivotCount() { return totalClampedPivots; }

int keaSetSparseMinBlocks(int blocks)
{
    const int previous = sparseMinBlocks;
    sparseMinBlocks = blocks;
    return previous;
}

const keaSolveStats& keaLastSolveStats() { return lastStats; }

int keaBodyScratchSize(int bodyCount) { return Round16(static_cast<int>(sizeof(BodyData)) * std::max(bodyCount, 1)); }

void keaLCPMatrix::setSize(int rowsIn)
{
    n = rows = rowsIn;
    np = (rowsIn + 3) & ~3;
    nb = np / 4;
    m = (rowsIn + 11) / 12 * 12;
    m = (m + 15) & ~15;
}

void keaLCPMatrix::takeSharedArrays()
{
    const int square = np * np;
    Ainv = PoolArray<float>(square, "Ainv");
    Q = PoolArray<float>(square, "Q");
    Qrhs = PoolArray<float>(np, "Qrhs");
    Qcolumn = PoolArray<float>(np, "Qcolumn");
    cached = PoolArray<int>(np, "cached");
    x = PoolArray<float>(np, "x");
    rsD = PoolArray<float>(np, "rsD");
}

bool keaLCPMatrix::sharedArraysTaken() const
{
    return Ainv && Q && Qrhs && Qcolumn && cached && x && rsD;
}

bool keaLCPMatrix::allocateSparse(int rowsIn, const keaBlockEntries& entries, bool sse)
{
    setSize(rowsIn);
    sparse = nullptr;
    A = Achol = nullptr;
    first = nullptr;
    diagonalReady = false;
    const long long square = static_cast<long long>(np) * np;
    // The two dense arrays of the pivoting step, the vectors and the factor's record.
    if (square * 8 + np * 28 + 1024 > keaPoolAvailable())
        return false;
    takeSharedArrays();
    diagonal = PoolArray<float>(np, "diagonal");
    keaSparseFactor* factor = new (PoolArray<keaSparseFactor>(1, "sparse")) keaSparseFactor();
    MeProfileStartSectionFn("factorize", 0);
    const bool built = factor->build(entries, sse);
    MeProfileEndSectionFn("factorize");
    if (!built)
        return false;
    sparse = factor;
    sparseSSE = sse;
    clampedPivots = factor->clampedPivots;
    totalClampedPivots += clampedPivots;
    std::fill(cached, cached + np, 0);
    return true;
}

float keaLCPMatrix::getDiagonal(int i)
{
    if (!sparse)
        return Achol[i * np + i];
    if (!diagonalReady) {
        // The envelope factor in the rows' own order, for its diagonal only.
        keaPoolPushMark();
        const long long square = static_cast<long long>(np) * np;
        if (square * 8 + np * 4 + 64 <= keaPoolAvailable()) {
            A = PoolArray<float>(static_cast<int>(square), "A");
            Achol = PoolArray<float>(static_cast<int>(square), "Achol");
            first = PoolArray<int>(np, "NC");
            sparse->assembleDense(A);
            setEnvelope();
            const int clamped = clampedPivots, total = totalClampedPivots;
            factorize();
            clampedPivots = clamped;
            totalClampedPivots = total;
            for (int r = 0; r < np; ++r)
                diagonal[r] = Achol[r * np + r];
            A = Achol = nullptr;
            first = nullptr;
        } else {
            for (int j = 0; j < nb; ++j)
                for (int r = 0; r < 4; ++r)
                    diagonal[sparse->perm[j] * 4 + r] = 1 / sparse->rsD[j * 4 + r];
        }
        keaPoolPopMark();
        diagonalReady = true;
    }
    return diagonal[i];
}

bool keaLCPMatrix::allocate(int rowsIn)
{
    sparse = nullptr;
    setSize(rowsIn);
    const int square = np * np;
    takeSharedArrays();
    Achol = PoolArray<float>(square, "Achol");
    A = PoolArray<float>(square, "A");
    first = PoolArray<int>(np, "NC");
    if (!(sharedArraysTaken() && Achol && A && first))
        return false;
    std::fill(A, A + square, 0.0f);
    std::fill(cached, cached + np, 0);
    for (int i = 0; i < np; ++i)
        first[i] = i & ~3;
    return true;
}

void keaLCPMatrix_PcSparse_x86::calcJinvMJT(const float* JM, const float* J, const int* counts, const int* bodies,
                                           const int* jofs, const float* slipfactor)
{
    MeProfileStartSectionFn("calcJinvMJT", 0);
    for (int bi = 0; bi < nb; ++bi) {
        for (int ei = 0; ei < counts[bi]; ++ei) {
            const int body = bodies[bi * MaxEntries + ei];
            if (body < 0)
                continue;
            const float* jm = JM + (bi * MaxEntries + ei) * 24;
            for (int bj = 0; bj <= bi; ++bj) {
                for (int ej = 0; ej < counts[bj]; ++ej) {
                    if (bodies[bj * MaxEntries + ej] != body)
                        continue;
                    float block[16];
                    BlockProduct(block, jm, J + jofs[bj * MaxEntries + ej]);
                    for (int r = 0; r < 4; ++r)
                        for (int s = 0; s < 4; ++s)
                            A[(bi * 4 + r) * np + bj * 4 + s] += block[r * 4 + s];
                }
            }
        }
    }
    for (int i = 0; i < np; ++i)
        for (int j = i + 1; j < np; ++j)
            A[i * np + j] = A[j * np + i];
    FinishAssembly(this, slipfactor);
    MeProfileEndSectionFn("calcJinvMJT");
}

void keaLCPMatrix_PcSparse_x86::multiply(const float* in, float* out) const
{
    if (sparse) {
        sparse->multiply(in, out);
        return;
    }
    for (int i = 0; i < np; ++i) {
        float sum = 0;
        for (int j = 0; j < np; ++j)
            sum += A[i * np + j] * in[j];
        out[i] = sum;
    }
}

#ifdef KEA_HAVE_SSE
void keaLCPMatrix_PcSparse_SSE::calcJinvMJT(const float* JM, const float* J, const int* counts, const int* bodies,
                                           const int* jofs, const float* slipfactor)
{
    MeProfileStartSectionFn("calcJinvMJT", 0);
    for (int bi = 0; bi < nb; ++bi) {
        for (int ei = 0; ei < counts[bi]; ++ei) {
            const int body = bodies[bi * MaxEntries + ei];
            if (body < 0)
                continue;
            const float* jm = JM + (bi * MaxEntries + ei) * 24;
            __m128 jmCol[6];
            for (int col = 0; col < 6; ++col)
                jmCol[col] = _mm_loadu_ps(jm + col * 4);
            for (int bj = 0; bj <= bi; ++bj) {
                for (int ej = 0; ej < counts[bj]; ++ej) {
                    if (bodies[bj * MaxEntries + ej] != body)
                        continue;
                    const float* jj = J + jofs[bj * MaxEntries + ej];
                    // Column s of the 4x4 block: sum over the 6 columns of JM_col * J[col][s].
                    for (int s = 0; s < 4; ++s) {
                        __m128 acc = _mm_setzero_ps();
                        for (int col = 0; col < 6; ++col)
                            acc = _mm_add_ps(acc, _mm_mul_ps(jmCol[col], _mm_set1_ps(jj[col * 4 + s])));
                        alignas(16) float column[4];
                        _mm_store_ps(column, acc);
                        for (int r = 0; r < 4; ++r)
                            A[(bi * 4 + r) * np + bj * 4 + s] += column[r];
                    }
                }
            }
        }
    }
    for (int i = 0; i < np; ++i)
        for (int j = i + 1; j < np; ++j)
            A[i * np + j] = A[j * np + i];
    FinishAssembly(this, slipfactor);
    MeProfileEndSectionFn("calcJinvMJT");
}

void keaLCPMatrix_PcSparse_SSE::multiply(const float* in, float* out) const
{
    if (sparse) {
        sparse->multiply(in, out);
        return;
    }
    for (int i = 0; i < np; ++i) {
        __m128 acc = _mm_setzero_ps();
        for (int j = 0; j < np; j += 4)
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(A + i * np + j), _mm_loadu_ps(in + j)));
        alignas(16) float parts[4];
        _mm_store_ps(parts, acc);
        out[i] = (parts[0] + parts[1]) + (parts[2] + parts[3]);
    }
}
#else
void keaLCPMatrix_PcSparse_SSE::calcJinvMJT(const float* JM, const float* J, const int* counts, const int* bodies,
                                           const int* jofs, const float* slipfactor)
{
    keaLCPMatrix_PcSparse_x86 scalar;
    static_cast<keaLCPMatrix&>(scalar) = *this;
    scalar.calcJinvMJT(JM, J, counts, bodies, jofs, slipfactor);
    static_cast<keaLCPMatrix&>(*this) = scalar;
}

void keaLCPMatrix_PcSparse_SSE::multiply(const float* in, float* out) const
{
    if (sparse) {
        sparse->multiply(in, out);
        return;
    }
    for (int i = 0; i < np; ++i) {
        float sum = 0;
        for (int j = 0; j < np; ++j)
            sum += A[i * np + j] * in[j];
        out[i] = sum;
    }
}
#endif

void keaLCPMatrix::factorize()
{
    MeProfileStartSectionFn("factorize", 0);
    clampedPivots = 0;
    const float floor = epsilon > 0 ? epsilon : 1e-6f;
    std::fill(Achol, Achol + np * np, 0.0f);
    for (int i = 0; i < np; ++i) {
        float* Li = Achol + i * np;
        for (int j = first[i]; j <= i; ++j) {
            const float* Lj = Achol + j * np;
            float sum = A[i * np + j];
            for (int k = std::max(first[i], first[j]); k < j; ++k)
                sum -= Li[k] * Lj[k];
            if (j < i) {
                Li[j] = sum * rsD[j];
            } else {
                if (!(sum > floor * 1e-3f)) {  // singular or indefinite: clamp, never sqrt(negative)
                    sum = floor;
                    ++clampedPivots;
                }
                Li[i] = std::sqrt(sum);
                rsD[i] = 1 / Li[i];
            }
        }
    }
    totalClampedPivots += clampedPivots;
    MeProfileEndSectionFn("factorize");
}

void keaLCPMatrix::makeAfromPSM()
{
    MeFatalError(0, "%s :: makeAfromPSM not implemented", name());
}

void keaLCPMatrix::solve(float* v) const
{
    if (sparse) {
        sparse->solve(v, sparseSSE);
        return;
    }
    for (int i = 0; i < np; ++i) {
        const float* Li = Achol + i * np;
        float sum = v[i];
        for (int k = first[i]; k < i; ++k)
            sum -= Li[k] * v[k];
        v[i] = sum * rsD[i];
    }
    for (int i = np - 1; i >= 0; --i) {
        v[i] *= rsD[i];
        const float* Li = Achol + i * np;
        for (int k = first[i]; k < i; ++k)
            v[k] -= Li[k] * v[i];
    }
}

void keaLCPMatrix::solveUnit(float* out, int k) const
{
    if (sparse) {
        sparse->solveUnit(out, k, sparseSSE);
        return;
    }
    std::fill(out, out + np, 0.0f);
    out[k] = 1;
    // Forward substitution is zero before row k.
    for (int i = k; i < np; ++i) {
        const float* Li = Achol + i * np;
        float sum = out[i];
        for (int j = std::max(first[i], k); j < i; ++j)
            sum -= Li[j] * out[j];
        out[i] = sum * rsD[i];
    }
    for (int i = np - 1; i >= 0; --i) {
        out[i] *= rsD[i];
        const float* Li = Achol + i * np;
        for (int j = first[i]; j < i; ++j)
            out[j] -= Li[j] * out[i];
    }
}

void keaLCPMatrix::solveUnits(const int* ks, int count)
{
    for (int c = 0; c < count; c += 4) {
        const int batch = std::min(4, count - c);
        if (sparse) {
            float* outs[4];
            for (int i = 0; i < batch; ++i)
                outs[i] = Ainv + static_cast<size_t>(ks[c + i]) * np;
            sparse->solveUnits(outs, ks + c, batch, sparseSSE);
        } else {
            for (int i = 0; i < batch; ++i)
                solveUnit(Ainv + static_cast<size_t>(ks[c + i]) * np, ks[c + i]);
        }
    }
}

void keaLCPMatrix::factorQ(float* q, int size) const
{
    // L D L^T in place: strict lower part holds L, the diagonal holds D. Right-looking: once
    // column k is divided by d_k, every later element (i, j), k < j <= i, loses (l_ik l_jk) d_k;
    // each element thus sees the same terms in the same order as a row-by-row dot product, and
    // the elements of a row are independent.
    for (int k = 0; k < size; ++k) {
        float d = q[k * np + k];
        if (!(std::fabs(d) > 1e-30f))
            d = 1e-30f;
        q[k * np + k] = d;
        for (int i = k + 1; i < size; ++i)
            Qcolumn[i] = q[i * np + k] = q[i * np + k] / d;
        for (int i = k + 1; i < size; ++i)
            TrailingUpdate(q + i * np, Qcolumn, Qcolumn[i], d, k + 1, i + 1);
    }
}

void keaLCPMatrix::solveQ(const float* q, float* rhs, int size) const
{
    for (int i = 0; i < size; ++i)
        for (int k = 0; k < i; ++k)
            rhs[i] -= q[i * np + k] * rhs[k];
    for (int i = 0; i < size; ++i)
        rhs[i] /= q[i * np + i];
    for (int i = size - 1; i >= 0; --i)
        for (int k = i + 1; k < size; ++k)
            rhs[i] -= q[k * np + i] * rhs[k];
}

void keaSolve(keaConstraints k, keaBody* const* bodiesIn, int bodyCount, keaParams params)
{
    keaBody* const* bodies = bodiesIn;
    const keaDebug& dbg = params.debug;
    const bool countersEqual = dbg.counter8 == dbg.counter9;
    if (dbg.writeInput && countersEqual)
        keaWriteInput(&k, &params, bodies, bodyCount);
    // Reloading an input replaces the rows and bodies for this solve; the read bodies are freed at the end.
    keaBody** readBodies = nullptr;
    int readCount = 0;
    if (dbg.readInput && k.max_partitions > 0) {
        readBodies = static_cast<keaBody**>(MeMemoryAPI.createZeroed(sizeof(keaBody*) * k.max_partitions));
        if (readBodies && keaReadInput(&k, &params, readBodies, k.max_partitions, &readCount)) {
            bodies = readBodies;
            bodyCount = readCount;
        }
    }
    if (dbg.writeIntermediate && countersEqual)
        keaIntermediateOpen(dbg.intermediateFile);

    lastStats = keaSolveStats{};
    if (bodyCount > 0) {
        keaPoolInit(params.memory, params.memorySize);
        BodyData* bd = params.memory ? static_cast<BodyData*>(keaPoolAlloc(keaBodyScratchSize(bodyCount), "bodies"))
                                     : nullptr;
        if (bd) {
            const float invH = 1 / params.stepsize;
            for (int i = 0; i < bodyCount; ++i) {
                const keaBody* b = bodies[i];
                BodyData& d = bd[i];
                std::fill(d.invMass, d.invMass + 12, 0.0f);
                const float ii = IsoInvInertia(b);
                d.invMass[0] = d.invMass[5] = d.invMass[10] = ii;
                d.invMass[3] = b->invmass;
                for (int c = 0; c < 3; ++c) {
                    d.freeMotion[c] = b->vel[c] * invH + b->invmass * b->force[c];
                    d.freeMotion[4 + c] = b->velrot[c] * invH + ii * b->torque[c];
                }
                d.freeMotion[3] = d.freeMotion[7] = 0;
            }
            const bool sse = params.cpu_resources == keaVariantSSE;
            keaLCPMatrix_PcSparse_x86 scalarMatrix;
            keaLCPMatrix_PcSparse_SSE sseMatrix;
            keaLCPMatrix* matrix = sse ? static_cast<keaLCPMatrix*>(&sseMatrix) : &scalarMatrix;
            auto calcJinvMandRHS = CalcJinvMandRHS_x86;
            auto calculateForces = CalculateConstraintForces_x86;
#ifdef KEA_HAVE_SSE
            if (sse) {
                calcJinvMandRHS = CalcJinvMandRHS_SSE;
                calculateForces = CalculateConstraintForces_SSE;
            }
#endif
            int jrowBase = 0, rowBase = 0, conBase = 0;
            for (int p = 0; p < k.num_partitions; ++p) {
                const int nRows = k.num_rows_exc_padding_partition[p];
                const int nCon = k.num_constraints_partition[p];
                const int jRows = k.num_rows_inc_padding_partition[p];
                if (nCon > 0 && nRows > 0) {
                    keaPoolPushMark();
                    keaIntermediateInt("partition", p);
                    const int np = (nRows + 3) & ~3, nb = np / 4;
                    float* JM = static_cast<float*>(keaPoolAlloc(nb * 960 + 16, "jmvectorstore"));
                    float* rhs = static_cast<float*>(keaPoolAlloc(np * 4 + 16, "rhs"));
                    Blocks blk;
                    blk.count = PoolArray<int>(nb, "blockcounts");
                    blk.body = PoolArray<int>(nb * MaxEntries, "blockbodies");
                    blk.jofs = PoolArray<int>(nb * MaxEntries, "blockjacobians");
                    blk.slot = PoolArray<int>(nb * MaxEntries, "blockslots");
                    const float* Jstore = k.Jstore + jrowBase * 12;
                    bool ok = JM && rhs && blk.count && blk.body && blk.jofs && blk.slot;
                    if (ok) {
                        std::fill(blk.count, blk.count + nb, 0);
                        for (int j = 0; j < nCon && ok; ++j) {
                            const int slot = conBase + j;
                            const int ofs = k.Jofs[slot], size = k.Jsize[slot];
                            if (size <= 0)
                                continue;
                            for (int b = ofs / 4; b <= (ofs + size - 1) / 4 && ok; ++b) {
                                ok = b < nb && blk.count[b] + 2 <= MaxEntries && (b + j) * 4 < jRows;
                                for (int half = 0; half < 2 && ok; ++half) {
                                    const int e = b * MaxEntries + blk.count[b]++;
                                    blk.body[e] = k.Jbody[2 * slot + half];
                                    blk.jofs[e] = (b + j) * 48 + half * 24;
                                    blk.slot[e] = slot * 16 + half * 8;
                                }
                            }
                        }
                    }
                    matrix->epsilon = params.epsilon;
                    matrix->invStepsize = 1 / params.stepsize;
                    bool sparse = false;
                    if (ok) {
                        calcJinvMandRHS(rhs, JM, k, rowBase, Jstore, bd, blk, nb, nRows, params);
                        if (nb >= sparseMinBlocks) {
                            const keaBlockEntries entries{nb,        MaxEntries, blk.count,
                                                          blk.body,  blk.jofs,   JM,
                                                          Jstore,    k.slipfactor + rowBase,
                                                          nRows,     matrix->invStepsize,
                                                          params.epsilon};
                            keaPoolPushMark();
                            sparse = matrix->allocateSparse(nRows, entries, sse);
                            if (!sparse)
                                keaPoolPopMark();
                        }
                        ok = sparse || matrix->allocate(nRows);
                    }
                    if (ok) {
                        if (!sparse) {
                            matrix->calcJinvMJT(JM, Jstore, blk.count, blk.body, blk.jofs, k.slipfactor + rowBase);
                            matrix->factorize();
                        }
                        keaIntermediateFloats("rhs", rhs, np);
                        keaIntermediateFloats("lo", k.lo + rowBase, np);
                        keaIntermediateFloats("hi", k.hi + rowBase, np);
                        keaIntermediateInt("max_iterations", params.max_iterations);
                        const int used = keaLCPSolve(matrix, rhs, k.lo + rowBase, k.hi + rowBase, params.max_iterations);
                        lastStats.iterations += used < 0 ? -used : used;
                        lastStats.partitions += 1;
                        lastStats.largestRows = std::max(lastStats.largestRows, nRows);
                        std::copy(matrix->x, matrix->x + np, k.lambda + rowBase);
                        calculateForces(k.lambda + rowBase, Jstore, bodies, k.constraintForces, blk, nb);
                    } else {
                        MeWarning(0, "keaSolve: partition %d skipped: solver scratch exhausted\n", p);
                    }
                    if (sparse)
                        keaPoolPopMark();
                    keaPoolPopMark();
                }
                jrowBase += jRows;
                rowBase += (nRows + 3) & ~3;
                conBase += nCon;
            }
        }
        for (int i = 0; i < bodyCount; ++i) {
            keaBody* b = bodies[i];
            const float ii = IsoInvInertia(b);
            for (int c = 0; c < 3; ++c) {
                b->accel[c] = b->invmass * b->force[c];
                b->accelrot[c] = ii * b->torque[c];
            }
        }
    }
    keaIntermediateClose();
    if (readBodies) {
        keaFreeInputBodies(readBodies, readCount);
        MeMemoryAPI.destroy(readBodies);
    }
}
