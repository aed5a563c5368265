#pragma once
/// Block-sparse Cholesky factor of a large partition's matrix A = J M^-1 J^T (+ softness).
///
/// A's 4-row blocks are reordered so that the factor stays sparse: bodies are eliminated by
/// minimum degree on the graph that joins two bodies sharing a block, and a block goes where
/// the first of its bodies is eliminated. The factor is stored by block columns (rows of a
/// column ascending, the diagonal block first), each 4x4 block column-major, and computed
/// left-looking. All arrays come from the kea pool.

/// The block entries of a partition as the solver lays them out: block b has count[b]
/// entries; entry e's body is body[b * stride + e] (-1: none), its J M^-1 part is at
/// JM + (b * stride + e) * 24 and its J part at J + jofs[b * stride + e] (6 columns of 4 rows).
struct keaBlockEntries {
    int nb = 0;
    int stride = 0;
    const int* count = nullptr;
    const int* body = nullptr;
    const int* jofs = nullptr;
    const float* JM = nullptr;
    const float* J = nullptr;
    const float* slipfactor = nullptr;  ///< per real row
    int n = 0;                          ///< real rows (the rest of the last block is padding)
    float invStepsize = 0;
    float epsilon = 0;
};

struct keaSparseFactor {
    keaBlockEntries in;
    int nb = 0;
    int* perm = nullptr;      ///< factor position -> block of A
    int* iperm = nullptr;     ///< block of A -> factor position
    int* colStart = nullptr;  ///< nb + 1 offsets into rowIdx / L
    int* rowIdx = nullptr;    ///< factor positions of each column's blocks, ascending
    float* L = nullptr;       ///< 16 floats per block, column-major
    float* rsD = nullptr;     ///< reciprocal diagonal per factor row
    int* rowStart = nullptr;  ///< per factor row, its off-diagonal blocks in earlier columns
    int* rowBlock = nullptr;  ///< position in L of each such block
    int* rowCol = nullptr;    ///< and its column
    int bodyLo = 0;           ///< smallest body index of the partition
    int* bodyStart = nullptr; ///< per body (from bodyLo), its items in bodyItem
    int* bodyItem = nullptr;  ///< block * stride + entry of every entry with that body
    float* work = nullptr;    ///< np floats for the substitutions
    int nnz = 0;              ///< blocks of the factor
    int clampedPivots = 0;

    /// Orders, analyses, assembles and factorises; false when the pool has no room (nothing
    /// is reported and the caller uses the dense path).
    bool build(const keaBlockEntries& entries, bool sse);
    /// v = A^-1 v (np floats in the original row order).
    void solve(float* v, bool sse) const;
    /// out = column k of A^-1.
    void solveUnit(float* out, int k, bool sse) const;
    /// outs[c] = column ks[c] of A^-1 for up to 4 columns in one pass over the factor (the
    /// same values as solveUnit).
    void solveUnits(float* const* outs, const int* ks, int count, bool sse) const;
    /// out = A v, the matrix assembled again block by block.
    void multiply(const float* v, float* out) const;
    /// A written densely (np x np, row-major, original order) into `dense`.
    void assembleDense(float* dense) const;

private:
    /// Forward step of column j: y_j = D_j^-1 y_j, then y_i -= L_ij y_j below it.
    void forwardColumn(float* y, int j, bool sse) const;
    /// The whole backward substitution L^T y = y, last column first.
    void backSubstitute(float* y, bool sse) const;
    /// Calls f(item, jj) for each entry of block b with a body, jj being that entry's J, and
    /// every item (block * stride + entry) of the same body, this entry included.
    template <class F>
    void forEachSharing(int b, F&& f) const;
    /// Calls add(bi, b, block) with block = the product J M^-1 J^T contribution of one pair of
    /// entries sharing a body, for every such pair with bi >= b (column-major 4x4).
    template <class F>
    void forEachProduct(F&& add) const;
};
