// Block-sparse Cholesky of a large partition (see kea_sparse.h).
//
// Blocks are 4x4, column-major: element (r, s) at s * 4 + r, so a block column is one SSE
// vector. The scalar and the SSE kernels perform the same operations in the same order.

#include "physics/dynamics/kea_sparse.h"

#include "physics/dynamics/kea_pool.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#define KEA_SPARSE_SSE 1
#endif

namespace {

// Pool array of `count` elements, or null (and ok = false) when it does not fit.
template <typename T>
T* Take(long long count, const char* name, bool& ok)
{
    const long long bytes = (static_cast<long long>(sizeof(T)) * std::max(count, 1LL) + 15) & ~15LL;
    if (!ok || bytes > keaPoolAvailable() || bytes > INT_MAX) {
        ok = false;
        return nullptr;
    }
    return static_cast<T*>(keaPoolAlloc(static_cast<int>(bytes), name));
}

// C += jm J^T for one entry pair: C(r, s) += sum over the 6 columns of jm(r) J(s).
void AddProduct(float* __restrict C, const float* __restrict jm, const float* __restrict jj, bool sse)
{
#ifdef KEA_SPARSE_SSE
    if (sse) {
        __m128 col[6];
        for (int c = 0; c < 6; ++c)
            col[c] = _mm_loadu_ps(jm + c * 4);
        for (int s = 0; s < 4; ++s) {
            __m128 acc = _mm_setzero_ps();
            for (int c = 0; c < 6; ++c)
                acc = _mm_add_ps(acc, _mm_mul_ps(col[c], _mm_set1_ps(jj[c * 4 + s])));
            _mm_storeu_ps(C + s * 4, _mm_add_ps(_mm_loadu_ps(C + s * 4), acc));
        }
        return;
    }
#endif
    (void)sse;
    for (int s = 0; s < 4; ++s)
        for (int r = 0; r < 4; ++r) {
            float sum = 0;
            for (int c = 0; c < 6; ++c)
                sum += jm[c * 4 + r] * jj[c * 4 + s];
            C[s * 4 + r] += sum;
        }
}

// Columns of one supernode whose updates to a target column are summed before they are
// subtracted.
constexpr int MaxGroup = 8;

// acc = A B^T, element (r, s) being ((A(r,0) B(s,0) + A(r,1) B(s,1)) + A(r,2) B(s,2)) + A(r,3) B(s,3)
// as in the SSE kernel; AddProductT adds it.
void ProductT(float* __restrict acc, const float* __restrict A, const float* __restrict B)
{
    for (int s = 0; s < 4; ++s)
        for (int r = 0; r < 4; ++r)
            acc[s * 4 + r] = ((A[r] * B[s] + A[4 + r] * B[4 + s]) + A[8 + r] * B[8 + s]) + A[12 + r] * B[12 + s];
}

void AddProductT(float* __restrict acc, const float* __restrict A, const float* __restrict B)
{
    for (int s = 0; s < 4; ++s)
        for (int r = 0; r < 4; ++r)
            acc[s * 4 + r] += ((A[r] * B[s] + A[4 + r] * B[4 + s]) + A[8 + r] * B[8 + s]) + A[12 + r] * B[12 + s];
}

// The blocks B_g = L(j, k_g) of a group of source columns, with their elements broadcast for
// the SSE kernel.
struct Group {
    int count = 0;
    const float* B[MaxGroup];
#ifdef KEA_SPARSE_SSE
    __m128 v[MaxGroup * 16];
#endif
    void add(const float* b, bool sse)
    {
#ifdef KEA_SPARSE_SSE
        if (sse)
            for (int i = 0; i < 16; ++i)
                v[count * 16 + i] = _mm_set1_ps(b[i]);
#endif
        (void)sse;
        B[count++] = b;
    }
};

// C -= sum over the group of A_g B_g^T, A_g at A[g] + offset.
void SubGroupT(float* __restrict C, const float* const* A, size_t offset, const Group& grp, bool sse)
{
#ifdef KEA_SPARSE_SSE
    if (sse) {
        __m128 acc[4];
        for (int g = 0; g < grp.count; ++g) {
            const float* a = A[g] + offset;
            const __m128 a0 = _mm_loadu_ps(a), a1 = _mm_loadu_ps(a + 4), a2 = _mm_loadu_ps(a + 8),
                         a3 = _mm_loadu_ps(a + 12);
            const __m128* b = grp.v + g * 16;
            for (int s = 0; s < 4; ++s) {
                __m128 v = _mm_mul_ps(a0, b[s]);
                v = _mm_add_ps(v, _mm_mul_ps(a1, b[4 + s]));
                v = _mm_add_ps(v, _mm_mul_ps(a2, b[8 + s]));
                v = _mm_add_ps(v, _mm_mul_ps(a3, b[12 + s]));
                acc[s] = g == 0 ? v : _mm_add_ps(acc[s], v);
            }
        }
        for (int s = 0; s < 4; ++s)
            _mm_storeu_ps(C + s * 4, _mm_sub_ps(_mm_loadu_ps(C + s * 4), acc[s]));
        return;
    }
#endif
    (void)sse;
    alignas(16) float acc[16];
    ProductT(acc, A[0] + offset, grp.B[0]);
    for (int g = 1; g < grp.count; ++g)
        AddProductT(acc, A[g] + offset, grp.B[g]);
    for (int i = 0; i < 16; ++i)
        C[i] -= acc[i];
}

// X = X D^-T for the lower-triangular diagonal block D with reciprocal diagonal rs.
void SolveRight(float* __restrict X, const float* __restrict D, const float* __restrict rs, bool sse)
{
#ifdef KEA_SPARSE_SSE
    if (sse) {
        __m128 x[4];
        for (int s = 0; s < 4; ++s) {
            __m128 v = _mm_loadu_ps(X + s * 4);
            for (int t = 0; t < s; ++t)
                v = _mm_sub_ps(v, _mm_mul_ps(x[t], _mm_set1_ps(D[t * 4 + s])));
            x[s] = _mm_mul_ps(v, _mm_set1_ps(rs[s]));
            _mm_storeu_ps(X + s * 4, x[s]);
        }
        return;
    }
#endif
    (void)sse;
    for (int s = 0; s < 4; ++s)
        for (int r = 0; r < 4; ++r) {
            float v = X[s * 4 + r];
            for (int t = 0; t < s; ++t)
                v -= X[t * 4 + r] * D[t * 4 + s];
            X[s * 4 + r] = v * rs[s];
        }
}

// y -= X v (block times 4-vector).
void SubMatVec(float* __restrict y, const float* __restrict X, const float* __restrict v, bool sse)
{
#ifdef KEA_SPARSE_SSE
    if (sse) {
        __m128 acc = _mm_mul_ps(_mm_loadu_ps(X), _mm_set1_ps(v[0]));
        acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(X + 4), _mm_set1_ps(v[1])));
        acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(X + 8), _mm_set1_ps(v[2])));
        acc = _mm_add_ps(acc, _mm_mul_ps(_mm_loadu_ps(X + 12), _mm_set1_ps(v[3])));
        _mm_storeu_ps(y, _mm_sub_ps(_mm_loadu_ps(y), acc));
        return;
    }
#endif
    (void)sse;
    for (int r = 0; r < 4; ++r)
        y[r] -= ((X[r] * v[0] + X[4 + r] * v[1]) + X[8 + r] * v[2]) + X[12 + r] * v[3];
}

// y -= X^T v.
void SubMatTVec(float* __restrict y, const float* __restrict X, const float* __restrict v, bool sse)
{
#ifdef KEA_SPARSE_SSE
    if (sse) {
        const __m128 vv = _mm_loadu_ps(v);
        __m128 p0 = _mm_mul_ps(_mm_loadu_ps(X), vv), p1 = _mm_mul_ps(_mm_loadu_ps(X + 4), vv),
               p2 = _mm_mul_ps(_mm_loadu_ps(X + 8), vv), p3 = _mm_mul_ps(_mm_loadu_ps(X + 12), vv);
        _MM_TRANSPOSE4_PS(p0, p1, p2, p3);  // lane s of p_r: X(r, s) v(r)
        const __m128 acc = _mm_add_ps(_mm_add_ps(_mm_add_ps(p0, p1), p2), p3);
        _mm_storeu_ps(y, _mm_sub_ps(_mm_loadu_ps(y), acc));
        return;
    }
#endif
    (void)sse;
    for (int s = 0; s < 4; ++s)
        y[s] -= ((X[s * 4] * v[0] + X[s * 4 + 1] * v[1]) + X[s * 4 + 2] * v[2]) + X[s * 4 + 3] * v[3];
}

// Y -= M Z for 4 right-hand sides side by side (see solveUnits): row r of Y loses
// ((M(r,0) Z_0 + M(r,1) Z_1) + M(r,2) Z_2) + M(r,3) Z_3, M(r, t) at M[r * rstep + t * tstep];
// the order of the single-column kernels.
inline void BlockUpdate(float* __restrict Y, const float* __restrict Z, const float* __restrict M, int rstep,
                        int tstep, bool sse)
{
#ifdef KEA_SPARSE_SSE
    if (sse) {
        const __m128 z0 = _mm_loadu_ps(Z), z1 = _mm_loadu_ps(Z + 4), z2 = _mm_loadu_ps(Z + 8),
                     z3 = _mm_loadu_ps(Z + 12);
        for (int r = 0; r < 4; ++r) {
            const float* m = M + r * rstep;
            __m128 acc = _mm_mul_ps(_mm_set1_ps(m[0]), z0);
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(m[tstep]), z1));
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(m[2 * tstep]), z2));
            acc = _mm_add_ps(acc, _mm_mul_ps(_mm_set1_ps(m[3 * tstep]), z3));
            _mm_storeu_ps(Y + r * 4, _mm_sub_ps(_mm_loadu_ps(Y + r * 4), acc));
        }
        return;
    }
#endif
    (void)sse;
    for (int r = 0; r < 4; ++r) {
        const float* m = M + r * rstep;
        for (int c = 0; c < 4; ++c)
            Y[r * 4 + c] -= ((m[0] * Z[c] + m[tstep] * Z[4 + c]) + m[2 * tstep] * Z[8 + c]) + m[3 * tstep] * Z[12 + c];
    }
}

// Substitution through the diagonal block D for row s, as in solveUnit: forward
// y_s = (y_s - D(s, 0) y_0 - ... - D(s, s-1) y_{s-1}) rs, backward over t > s with D(t, s).
void DiagRow(float* y, const float* D, int s, float rs, bool forward, bool sse)
{
    const int t0 = forward ? 0 : s + 1, t1 = forward ? s : 4;
#ifdef KEA_SPARSE_SSE
    if (sse) {
        __m128 v = _mm_loadu_ps(y + s * 4);
        for (int t = t0; t < t1; ++t)
            v = _mm_sub_ps(v, _mm_mul_ps(_mm_set1_ps(forward ? D[t * 4 + s] : D[s * 4 + t]), _mm_loadu_ps(y + t * 4)));
        _mm_storeu_ps(y + s * 4, _mm_mul_ps(v, _mm_set1_ps(rs)));
        return;
    }
#endif
    (void)sse;
    for (int c = 0; c < 4; ++c) {
        float v = y[s * 4 + c];
        for (int t = t0; t < t1; ++t)
            v -= (forward ? D[t * 4 + s] : D[s * 4 + t]) * y[t * 4 + c];
        y[s * 4 + c] = v * rs;
    }
}

// Bits set (no popcount instruction is assumed).
int PopCount(std::uint64_t w)
{
    w = w - ((w >> 1) & 0x5555555555555555ull);
    w = (w & 0x3333333333333333ull) + ((w >> 2) & 0x3333333333333333ull);
    w = (w + (w >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return static_cast<int>((w * 0x0101010101010101ull) >> 56);
}

}  // namespace

template <class F>
void keaSparseFactor::forEachSharing(int b, F&& f) const
{
    const int stride = in.stride, entries = in.count[b];
    const int* items = bodyItem;
    for (int k = 0; k < entries; ++k) {
        const int body = in.body[b * stride + k];
        if (body < 0)
            continue;
        const float* jj = in.J + in.jofs[b * stride + k];
        const int end = bodyStart[body - bodyLo + 1];
        for (int q = bodyStart[body - bodyLo]; q < end; ++q)
            f(items[q], jj);
    }
}

bool keaSparseFactor::build(const keaBlockEntries& e, bool sse)
{
    in = e;
    nb = e.nb;
    const int stride = e.stride, np = nb * 4;
    bool ok = true;

    // Bodies of the partition (a contiguous range of step indices) and their entries.
    int lo = INT_MAX, hi = -1, items = 0;
    for (int b = 0; b < nb; ++b)
        for (int k = 0; k < e.count[b]; ++k) {
            const int body = e.body[b * stride + k];
            if (body >= 0) {
                lo = std::min(lo, body);
                hi = std::max(hi, body);
                ++items;
            }
        }
    if (hi < 0)
        return false;
    bodyLo = lo;
    const int nBodies = hi - lo + 1;
    bodyStart = Take<int>(nBodies + 1, "sparse bodystart", ok);
    bodyItem = Take<int>(items, "sparse bodyitems", ok);
    perm = Take<int>(nb, "sparse perm", ok);
    iperm = Take<int>(nb, "sparse iperm", ok);
    colStart = Take<int>(nb + 1, "sparse colstart", ok);
    rsD = Take<float>(np, "sparse rsD", ok);
    work = Take<float>(np * 4, "sparse work", ok);
    int* degree = Take<int>(std::max(nb, nBodies), "sparse degree", ok);
    int* mark = Take<int>(nb, "sparse mark", ok);
    int* childHead = Take<int>(nb, "sparse childhead", ok);
    int* childNext = Take<int>(nb, "sparse childnext", ok);
    int* superStart = Take<int>(nb, "sparse supernodes", ok);
    const int words = (nb + 63) / 64;
    std::uint64_t* adj = Take<std::uint64_t>(static_cast<long long>(nb) * words, "sparse adjacency", ok);
    std::uint64_t* alive = Take<std::uint64_t>(words, "sparse alive", ok);
    if (!ok)
        return false;

    std::fill(bodyStart, bodyStart + nBodies + 1, 0);
    for (int b = 0; b < nb; ++b)
        for (int k = 0; k < e.count[b]; ++k)
            if (e.body[b * stride + k] >= 0)
                ++bodyStart[e.body[b * stride + k] - lo + 1];
    for (int i = 0; i < nBodies; ++i)
        bodyStart[i + 1] += bodyStart[i];
    std::copy(bodyStart, bodyStart + nBodies, degree);  // fill cursors
    for (int b = 0; b < nb; ++b)
        for (int k = 0; k < e.count[b]; ++k)
            if (e.body[b * stride + k] >= 0)
                bodyItem[degree[e.body[b * stride + k] - lo]++] = b * stride + k;

    // Minimum degree over the blocks (two blocks are adjacent when they share a body), on the
    // explicit elimination graph: eliminating a block joins all its remaining neighbours.
    std::fill(adj, adj + static_cast<long long>(nb) * words, 0);
    for (int body = 0; body < nBodies; ++body)
        for (int q = bodyStart[body]; q < bodyStart[body + 1]; ++q) {
            std::uint64_t* row = adj + static_cast<long long>(bodyItem[q] / stride) * words;
            for (int t = bodyStart[body]; t < bodyStart[body + 1]; ++t) {
                const int v = bodyItem[t] / stride;
                row[v / 64] |= 1ull << (v % 64);
            }
        }
    std::fill(alive, alive + words, ~0ull);
    if (nb % 64)
        alive[words - 1] = (1ull << (nb % 64)) - 1;
    for (int u = 0; u < nb; ++u) {
        std::uint64_t* row = adj + static_cast<long long>(u) * words;
        row[u / 64] &= ~(1ull << (u % 64));
        int d = 0;
        for (int w = 0; w < words; ++w)
            d += PopCount(row[w]);
        degree[u] = d;
    }
    for (int step = 0; step < nb; ++step) {
        int v = -1;
        for (int u = 0; u < nb; ++u)
            if ((alive[u / 64] >> (u % 64) & 1) && (v < 0 || degree[u] < degree[v]))
                v = u;
        perm[step] = v;
        iperm[v] = step;
        alive[v / 64] &= ~(1ull << (v % 64));
        const std::uint64_t* av = adj + static_cast<long long>(v) * words;
        for (int w = 0; w < words; ++w) {
            std::uint64_t bits = av[w] & alive[w];
            while (bits) {
                const int u = w * 64 + __builtin_ctzll(bits);
                bits &= bits - 1;
                std::uint64_t* au = adj + static_cast<long long>(u) * words;
                int d = 0;
                for (int x = 0; x < words; ++x) {
                    au[x] |= av[x];
                    if (x == u / 64)
                        au[x] &= ~(1ull << (u % 64));
                    d += PopCount(au[x] & alive[x]);
                }
                degree[u] = d;
            }
        }
    }

    // Symbolic factorisation: column j holds A's blocks below j and its children's columns.
    const long long capacity = static_cast<long long>(nb) * (nb + 1) / 2;
    rowIdx = Take<int>(capacity, "sparse rows", ok);
    if (!ok)
        return false;
    std::fill(mark, mark + nb, -1);
    std::fill(childHead, childHead + nb, -1);
    int count = 0;
    for (int j = 0; j < nb; ++j) {
        colStart[j] = count;
        rowIdx[count++] = j;
        mark[j] = j;
        forEachSharing(perm[j], [&](int item, const float*) {
            const int i = iperm[item / stride];
            if (i > j && mark[i] != j) {
                mark[i] = j;
                rowIdx[count++] = i;
            }
        });
        for (int c = childHead[j]; c >= 0; c = childNext[c])
            for (int p = colStart[c] + 1; p < colStart[c + 1]; ++p) {
                const int i = rowIdx[p];
                if (i > j && mark[i] != j) {
                    mark[i] = j;
                    rowIdx[count++] = i;
                }
            }
        std::sort(rowIdx + colStart[j] + 1, rowIdx + count);
        if (count - colStart[j] > 1) {
            const int parent = rowIdx[colStart[j] + 1];
            childNext[j] = childHead[parent];
            childHead[parent] = j;
        }
    }
    colStart[nb] = nnz = count;

    // Row lists: the off-diagonal blocks of each row, by ascending column.
    rowStart = Take<int>(nb + 1, "sparse rowstart", ok);
    rowBlock = Take<int>(nnz - nb, "sparse rowblock", ok);
    rowCol = Take<int>(nnz - nb, "sparse rowcol", ok);
    L = Take<float>(static_cast<long long>(nnz) * 16, "sparse L", ok);
    if (!ok)
        return false;
    std::fill(rowStart, rowStart + nb + 1, 0);
    for (int p = 0; p < nnz; ++p)
        ++rowStart[rowIdx[p] + 1];
    for (int j = 0; j < nb; ++j)
        rowStart[j + 1] += rowStart[j] - 1;  // less the diagonal block
    std::copy(rowStart, rowStart + nb, mark);
    for (int k = 0; k < nb; ++k)
        for (int p = colStart[k] + 1; p < colStart[k + 1]; ++p) {
            const int q = mark[rowIdx[p]]++;
            rowBlock[q] = p;
            rowCol[q] = k;
        }

    // Supernodes: runs of columns where each one's rows below its diagonal are the next one's.
    for (int j = 0; j < nb; ++j) {
        const int size = colStart[j + 1] - colStart[j];
        superStart[j] = j > 0 && colStart[j] - colStart[j - 1] == size + 1 && rowIdx[colStart[j - 1] + 1] == j
                            ? superStart[j - 1]
                            : j;
    }

    // Numeric factorisation, left-looking by block column; `mark` maps a row to its block.
    std::memset(L, 0, sizeof(float) * 16 * static_cast<size_t>(nnz));
    clampedPivots = 0;
    const float floor = e.epsilon > 0 ? e.epsilon : 1e-6f;
    for (int j = 0; j < nb; ++j) {
        for (int p = colStart[j]; p < colStart[j + 1]; ++p)
            mark[rowIdx[p]] = p;
        const int b = perm[j];
        forEachSharing(b, [&](int item, const float* jj) {
            const int i = iperm[item / stride];
            if (i >= j)
                AddProduct(L + static_cast<size_t>(mark[i]) * 16, e.JM + static_cast<size_t>(item) * 24, jj, sse);
        });
        float* D = L + static_cast<size_t>(colStart[j]) * 16;
        for (int r = 0; r < 4; ++r) {
            const int row = b * 4 + r;
            D[r * 4 + r] = row < e.n ? D[r * 4 + r] + e.slipfactor[row] * e.invStepsize + e.epsilon : 1.0f;
        }
        // Consecutive source columns of one supernode share the rows from j down, so their
        // updates are summed per target block.
        for (int q = rowStart[j]; q < rowStart[j + 1];) {
            const int pk = rowBlock[q], k = rowCol[q];
            const int tail = colStart[k + 1] - pk;
            Group grp;
            const float* A[MaxGroup];
            int last = k;
            do {
                A[grp.count] = L + static_cast<size_t>(rowBlock[q]) * 16;
                grp.add(A[grp.count], sse);
                last = rowCol[q];
                ++q;
            } while (q < rowStart[j + 1] && grp.count < MaxGroup && rowCol[q] == last + 1 &&
                     superStart[rowCol[q]] == superStart[k] && colStart[rowCol[q] + 1] - rowBlock[q] == tail);
            for (int t = 0; t < tail; ++t)
                SubGroupT(L + static_cast<size_t>(mark[rowIdx[pk + t]]) * 16, A, static_cast<size_t>(t) * 16, grp, sse);
        }
        float* rs = rsD + j * 4;
        for (int s = 0; s < 4; ++s) {
            for (int r = s; r < 4; ++r) {
                float sum = D[s * 4 + r];
                for (int t = 0; t < s; ++t)
                    sum -= D[t * 4 + r] * D[t * 4 + s];
                if (r == s) {
                    if (!(sum > floor * 1e-3f)) {  // singular or indefinite: clamp, never sqrt(negative)
                        sum = floor;
                        ++clampedPivots;
                    }
                    D[s * 4 + s] = std::sqrt(sum);
                    rs[s] = 1 / D[s * 4 + s];
                } else {
                    D[s * 4 + r] = sum * rs[s];
                }
            }
            for (int r = 0; r < s; ++r)
                D[s * 4 + r] = 0;
        }
        for (int p = colStart[j] + 1; p < colStart[j + 1]; ++p)
            SolveRight(L + static_cast<size_t>(p) * 16, D, rs, sse);
    }
    return true;
}

void keaSparseFactor::forwardColumn(float* y, int j, bool sse) const
{
    float* yj = y + j * 4;
    const float* D = L + static_cast<size_t>(colStart[j]) * 16;
    for (int s = 0; s < 4; ++s) {
        float sum = yj[s];
        for (int t = 0; t < s; ++t)
            sum -= D[t * 4 + s] * yj[t];
        yj[s] = sum * rsD[j * 4 + s];
    }
    for (int p = colStart[j] + 1; p < colStart[j + 1]; ++p)
        SubMatVec(y + rowIdx[p] * 4, L + static_cast<size_t>(p) * 16, yj, sse);
}

void keaSparseFactor::backSubstitute(float* y, bool sse) const
{
    for (int j = nb - 1; j >= 0; --j) {
        float* yj = y + j * 4;
        for (int p = colStart[j] + 1; p < colStart[j + 1]; ++p)
            SubMatTVec(yj, L + static_cast<size_t>(p) * 16, y + rowIdx[p] * 4, sse);
        const float* D = L + static_cast<size_t>(colStart[j]) * 16;
        for (int s = 3; s >= 0; --s) {
            float sum = yj[s];
            for (int t = s + 1; t < 4; ++t)
                sum -= D[s * 4 + t] * yj[t];
            yj[s] = sum * rsD[j * 4 + s];
        }
    }
}

void keaSparseFactor::solve(float* v, bool sse) const
{
    float* y = work;
    for (int j = 0; j < nb; ++j)
        std::memcpy(y + j * 4, v + perm[j] * 4, sizeof(float) * 4);
    for (int j = 0; j < nb; ++j)
        forwardColumn(y, j, sse);
    backSubstitute(y, sse);
    for (int j = 0; j < nb; ++j)
        std::memcpy(v + perm[j] * 4, y + j * 4, sizeof(float) * 4);
}

void keaSparseFactor::solveUnit(float* out, int k, bool sse) const
{
    float* y = work;
    std::fill(y, y + nb * 4, 0.0f);
    const int j0 = iperm[k / 4];
    y[j0 * 4 + k % 4] = 1;
    // Forward substitution reaches only the ancestors of j0's column; zero blocks are skipped.
    for (int j = j0; j < nb; ++j) {
        const float* yj = y + j * 4;
        if (yj[0] == 0 && yj[1] == 0 && yj[2] == 0 && yj[3] == 0)
            continue;
        forwardColumn(y, j, sse);
    }
    backSubstitute(y, sse);
    for (int j = 0; j < nb; ++j)
        std::memcpy(out + perm[j] * 4, y + j * 4, sizeof(float) * 4);
}

template <class F>
void keaSparseFactor::forEachProduct(F&& add) const
{
    for (int b = 0; b < nb; ++b)
        forEachSharing(b, [&](int item, const float* jj) {
            const int bi = item / in.stride;
            if (bi < b)
                return;
            float block[16] = {};
            AddProduct(block, in.JM + static_cast<size_t>(item) * 24, jj, false);
            add(bi, b, static_cast<const float*>(block));
        });
}

void keaSparseFactor::multiply(const float* v, float* out) const
{
    std::fill(out, out + nb * 4, 0.0f);
    forEachProduct([&](int bi, int b, const float* block) {
        // block = A[bi][b]; below the diagonal it also stands for A[b][bi] = block^T.
        for (int r = 0; r < 4; ++r)
            for (int s = 0; s < 4; ++s) {
                out[bi * 4 + r] += block[s * 4 + r] * v[b * 4 + s];
                if (bi != b)
                    out[b * 4 + s] += block[s * 4 + r] * v[bi * 4 + r];
            }
    });
    for (int row = 0; row < nb * 4; ++row)
        out[row] = row < in.n ? out[row] + (in.slipfactor[row] * in.invStepsize + in.epsilon) * v[row] : v[row];
}

void keaSparseFactor::assembleDense(float* dense) const
{
    const int np = nb * 4;
    std::fill(dense, dense + static_cast<size_t>(np) * np, 0.0f);
    forEachProduct([&](int bi, int b, const float* block) {
        for (int r = 0; r < 4; ++r)
            for (int s = 0; s < 4; ++s)
                dense[static_cast<size_t>(bi * 4 + r) * np + b * 4 + s] += block[s * 4 + r];
    });
    for (int i = 0; i < np; ++i)
        for (int j = i + 1; j < np; ++j)
            dense[static_cast<size_t>(i) * np + j] = dense[static_cast<size_t>(j) * np + i];
    for (int i = 0; i < np; ++i)
        dense[static_cast<size_t>(i) * np + i] =
            i < in.n ? dense[static_cast<size_t>(i) * np + i] + in.slipfactor[i] * in.invStepsize + in.epsilon : 1.0f;
}

void keaSparseFactor::solveUnits(float* const* outs, const int* ks, int count, bool sse) const
{
    // Y holds up to 4 right-hand sides side by side: element (row 4 j + r, column c) at
    // j * 16 + r * 4 + c, so a row across the columns is one vector. Per column the operations
    // and their order are those of solveUnit.
    float* Y = work;
    std::fill(Y, Y + static_cast<size_t>(nb) * 16, 0.0f);
    int j0 = nb;
    for (int c = 0; c < count; ++c) {
        const int j = iperm[ks[c] / 4];
        Y[j * 16 + (ks[c] % 4) * 4 + c] = 1;
        j0 = std::min(j0, j);
    }
    auto zero = [](const float* y) {
        for (int i = 0; i < 16; ++i)
            if (y[i] != 0)
                return false;
        return true;
    };
    for (int j = j0; j < nb; ++j) {
        float* yj = Y + j * 16;
        if (zero(yj))
            continue;
        const float* D = L + static_cast<size_t>(colStart[j]) * 16;
        for (int s = 0; s < 4; ++s)
            DiagRow(yj, D, s, rsD[j * 4 + s], true, sse);
        for (int p = colStart[j] + 1; p < colStart[j + 1]; ++p) {
            BlockUpdate(Y + rowIdx[p] * 16, yj, L + static_cast<size_t>(p) * 16, 1, 4, sse);
        }
    }
    for (int j = nb - 1; j >= 0; --j) {
        float* yj = Y + j * 16;
        for (int p = colStart[j] + 1; p < colStart[j + 1]; ++p) {
            BlockUpdate(yj, Y + rowIdx[p] * 16, L + static_cast<size_t>(p) * 16, 4, 1, sse);
        }
        const float* D = L + static_cast<size_t>(colStart[j]) * 16;
        for (int s = 3; s >= 0; --s)
            DiagRow(yj, D, s, rsD[j * 4 + s], false, sse);
    }
    for (int c = 0; c < count; ++c)
        for (int j = 0; j < nb; ++j)
            for (int r = 0; r < 4; ++r)
                outs[c][perm[j] * 4 + r] = Y[j * 16 + r * 4 + c];
}
