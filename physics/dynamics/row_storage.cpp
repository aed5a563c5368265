#include "physics/dynamics/row_storage.h"

#include <cfloat>

void MdtRowStorageReset(keaConstraints* rows)
{
    rows->num_partitions = 0;
    rows->num_rows_inc_padding = 0;
    rows->num_rows_exc_padding = 0;
    rows->num_constraints = 0;
}

void MdtRowStorageClearEntry(keaConstraints* rows)
{
    int p = rows->num_partitions;
    rows->num_rows_exc_padding_partition[p] = 0;
    rows->num_rows_inc_padding_partition[p] = 0;
    rows->num_constraints_partition[p] = 0;
}

void MdtRowStorageBeginConstraint(keaConstraints* rows, int count, int body0, int body1)
{
    const int jrow = rows->num_rows_inc_padding;
    const int row = rows->num_rows_exc_padding;
    for (int r = 0; r < count; ++r) {
        for (int col = 0; col < 12; ++col)
            rows->Jstore[keaJstoreIndex(jrow + r, col)] = 0;
        rows->xi[row + r] = 0;
        rows->c[row + r] = 0;
        rows->lo[row + r] = -FLT_MAX;
        rows->hi[row + r] = FLT_MAX;
        rows->slipfactor[row + r] = 0;
        rows->xgamma[row + r] = 0;
    }
    int slot = rows->num_constraints;
    rows->Jbody[2 * slot] = body0;
    rows->Jbody[2 * slot + 1] = body1;
}

void MdtRowStorageCommit(keaConstraints* rows, int k)
{
    const int p = rows->num_partitions;
    const int jrow = rows->num_rows_inc_padding + k;
    for (int r = jrow; r < jrow + 4; ++r)
        for (int col = 0; col < 12; ++col)
            rows->Jstore[keaJstoreIndex(r, col)] = 0;
    const int slot = rows->num_constraints;
    for (int i = 0; i < 16; ++i)
        rows->constraintForces[16 * slot + i] = 0;
    rows->num_rows_inc_padding += k + 4;
    rows->num_rows_inc_padding_partition[p] += k + 4;
    rows->num_rows_exc_padding += k;
    rows->Jsize[slot] = k;
    rows->Jofs[slot] = rows->num_rows_exc_padding_partition[p];
    rows->num_rows_exc_padding_partition[p] += k;
    rows->num_constraints_partition[p] += 1;
    rows->num_constraints += 1;
}

void MdtRowStorageEndPartition(keaConstraints* rows)
{
    const int p = rows->num_partitions;
    // Padding rows take no force: zero bounds as well as zero targets.
    while (rows->num_rows_exc_padding % 4 != 0) {
        int r = rows->num_rows_exc_padding;
        rows->xi[r] = 0;
        rows->c[r] = 0;
        rows->lo[r] = 0;
        rows->hi[r] = 0;
        rows->lambda[r] = 0;
        rows->slipfactor[r] = 0;
        rows->xgamma[r] = 0;
        rows->num_rows_exc_padding += 1;
    }
    if (rows->num_rows_inc_padding_partition[p] > 0) {
        auto trim = [](int v) { return (v - 4 + 3) / 4 * 4; };
        rows->num_rows_inc_padding = trim(rows->num_rows_inc_padding);
        rows->num_rows_inc_padding_partition[p] = trim(rows->num_rows_inc_padding_partition[p]);
    }
    rows->num_partitions += 1;
}

int MdtMaxConstraintRows(int maxConstraints)
{
    if (maxConstraints <= 0)
        return 0;
    return (maxConstraints * 10 + 11) / 12 * 12;
}

int MdtSolverScratchSize(int n)
{
    const int np = (n + 3) & ~3;
    int m = (n + 11) / 12 * 12;
    m = (m + 15) & ~15;
    return np * (16 * np + 2408) + (((4 * m * m) + 63) & ~63) + (((np * np + 15) & (2 * np + 14)) & ~15) + 144;
}
