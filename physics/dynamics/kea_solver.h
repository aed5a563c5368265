#pragma once
/// The constraint solver: turns the packed rows of one step into multipliers, constraint
/// forces and body accelerations, partition by partition, by a box LCP over the dense matrix
/// A = J M^-1 J^T (plus softness) solved with block principal pivoting.

#include "physics/dynamics/kea_sparse.h"
#include "physics/dynamics/kea_types.h"

/// Dense symmetric matrix of one partition with its envelope Cholesky factor. Rows are padded
/// to a multiple of 4; padding rows have 1 on the diagonal. Storage is row-major with stride np.
class keaLCPMatrix {
public:
    virtual ~keaLCPMatrix() = default;

    /// Sizes for n rows and takes every array from the kea pool; false when the pool is exhausted.
    bool allocate(int n);
    /// Sizes for n rows and factorises A through a reordered block-sparse factor built from
    /// the partition's entries (no dense A or factor); false when the pool has no room.
    bool allocateSparse(int n, const keaBlockEntries& entries, bool sse);
    /// Assembles A from the block entries of the partition (see kea_solver.cpp).
    virtual void calcJinvMJT(const float* JM, const float* J, const int* blockCounts, const int* blockBodies,
                             const int* blockJ, const float* slipfactor) = 0;
    /// Records each block row's first nonzero block column of A (the factor's envelope).
    void setEnvelope();
    /// Envelope Cholesky A = L L^T; non-positive pivots are clamped and counted.
    void factorize();
    /// Not used by this system.
    void makeAfromPSM();
    /// out = A x.
    virtual void multiply(const float* x, float* out) const = 0;
    /// x = A^-1 x.
    void solve(float* x) const;
    /// out = column k of A^-1.
    void solveUnit(float* out, int k) const;
    /// Columns ks[0..count) of A^-1 into `Ainv` (column k at k * np); the sparse factor takes
    /// them four at a time.
    void solveUnits(const int* ks, int count);
    /// In-place L D L^T of a dense size x size system (stride np).
    void factorQ(float* Q, int size) const;
    void solveQ(const float* Q, float* rhs, int size) const;
    /// Diagonal i of the Cholesky factor in the rows' own order (the sparse path computes the
    /// envelope factor once, on first use).
    float getDiagonal(int i);
    float getEpsilon() const { return epsilon; }
    virtual const char* name() const = 0;

    int n = 0, m = 0;
    float epsilon = 0;
    float invStepsize = 0;
    int rows = 0, np = 0, nb = 0;
    float* Ainv = nullptr;  ///< cached columns of A^-1 (column k at k * np)
    float* Q = nullptr;
    float* Qrhs = nullptr;
    float* Qcolumn = nullptr;  ///< scratch of factorQ
    int* cached = nullptr;
    float* x = nullptr;
    float* rsD = nullptr;
    float* Achol = nullptr;
    float* A = nullptr;
    int* first = nullptr;   ///< per row, the first column of its envelope
    int clampedPivots = 0;  ///< pivots clamped by the last factorisation
    keaSparseFactor* sparse = nullptr;  ///< set by allocateSparse
    bool sparseSSE = false;
    float* diagonal = nullptr;  ///< the sparse path's getDiagonal values
    bool diagonalReady = false;
private:
    /// n, rows, np, nb and m for rowsIn rows.
    void setSize(int rowsIn);
    /// The arrays both paths take: those of the pivoting step and the vectors.
    void takeSharedArrays();
    bool sharedArraysTaken() const;
};

class keaLCPMatrix_PcSparse_x86 final : public keaLCPMatrix {
public:
    void calcJinvMJT(const float*, const float*, const int*, const int*, const int*, const float*) override;
    void multiply(const float* x, float* out) const override;
    const char* name() const override { return "keaLCPMatrix_PcSparse_x86"; }
};

class keaLCPMatrix_PcSparse_SSE final : public keaLCPMatrix {
public:
    void calcJinvMJT(const float*, const float*, const int*, const int*, const int*, const float*) override;
    void multiply(const float* x, float* out) const override;
    const char* name() const override { return "keaLCPMatrix_PcSparse_SSE"; }
};

/// Box LCP: finds x with A x = b + w, lo <= x <= hi, w >= 0 where x = lo, w <= 0 where x = hi
/// and w = 0 between. Returns the pivoting iterations used, negated when it stopped on a
/// repeated state; x is left in the matrix's `x` array. A must be factorised.
int keaLCPSolve(keaLCPMatrix* matrix, const float* b, const float* lo, const float* hi, int maxIterations);

/// Bytes of per-body solver scratch for `bodyCount` bodies (taken ahead of the partitions).
int keaBodyScratchSize(int bodyCount);

/// Solves every partition: multipliers to `lambda`, per-constraint forces to
/// `constraintForces`, and each body's linear and angular acceleration.
void keaSolve(keaConstraints constraints, keaBody* const* bodies, int bodyCount, keaParams params);

/// Figures of the last `keaSolve`, for benchmarks and diagnostics.
struct keaSolveStats {
    int partitions = 0;    ///< partitions solved
    int largestRows = 0;   ///< real rows of the largest one
    int iterations = 0;    ///< pivoting iterations over all partitions
};
const keaSolveStats& keaLastSolveStats();

/// Partitions of at least this many 4-row blocks (16 by default) go through the sparse
/// factor; returns the previous value.
int keaSetSparseMinBlocks(int blocks);

/// Factorisation pivots clamped since start-up (a non-positive pivot means a singular system).
int keaClampedPivotCount();
