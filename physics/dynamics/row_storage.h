#pragma once
/// Bookkeeping of the packed constraint rows around the row builders.

#include "physics/dynamics/kea_types.h"

/// Start of a step: no partitions, rows or constraints packed.
void MdtRowStorageReset(keaConstraints* rows);
/// Start of a partition: its three counts to 0.
void MdtRowStorageClearEntry(keaConstraints* rows);
/// After a builder wrote k rows: zeroes the 4 Jacobian rows after them, clears the slot's
/// force record and advances every counter.
void MdtRowStorageCommit(keaConstraints* rows, int k);
/// End of a partition: pads the real rows to a multiple of 4 with zero rows and bounds, trims
/// the last constraint's trailing zero block and counts the partition.
void MdtRowStorageEndPartition(keaConstraints* rows);
/// Zeroes the Jacobian, sets the defaults (xi, c, slip, xgamma 0; bounds -inf..inf) of rows
/// `first` .. first + count - 1 of the next constraint and records its body indices.
void MdtRowStorageBeginConstraint(keaConstraints* rows, int count, int body0, int body1);
/// Row capacity for a constraint capacity: 10 per constraint, a multiple of 12.
int MdtMaxConstraintRows(int maxConstraints);
/// Bytes of solver scratch that bound every kea pool allocation for a partition of n rows.
int MdtSolverScratchSize(int n);
