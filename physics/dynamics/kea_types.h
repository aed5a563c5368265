#pragma once
/// Records shared by the world step and the LCP solver: the solver's view of a body, the
/// packed constraint rows and the solver parameters.

#include "physics/dynamics/me_types.h"

/// The solver's view of a body, embedded in `MdtBody`. The solver reads the mass properties,
/// forces and velocities in place and writes the accelerations.
struct keaBody {
    MeReal invmass = 1;
    MeU32 flags = 0;  ///< bit 0: fast-spin axis in force; bit 1: the body has constraints this step
    MeReal pad_[2] = {0, 0};
    MeReal force[4] = {0, 0, 0, 0};
    MeReal torque[4] = {0, 0, 0, 0};
    MeReal invI0[4] = {2.5f, 0, 0, 0};
    MeReal invI1[4] = {0, 2.5f, 0, 0};
    MeReal invI2[4] = {0, 0, 2.5f, 0};
    MeReal I0[4] = {0.4f, 0, 0, 0};
    MeReal I1[4] = {0, 0.4f, 0, 0};
    MeReal I2[4] = {0, 0, 0.4f, 0};
    MeReal vel[4] = {0, 0, 0, 0};
    MeReal velrot[4] = {0, 0, 0, 0};
    MeReal qrot[4] = {1, 0, 0, 0};
    MeReal accel[4] = {0, 0, 0, 0};
    MeReal accelrot[4] = {0, 0, 0, 0};
    MeReal fastSpinAxis[4] = {0, 1, 0, 0};
};

inline constexpr MeU32 keaBodyFlagFastSpin = 1u;
inline constexpr MeU32 keaBodyFlagHasConstraints = 2u;

/// Solver dump switches and file names (dormant unless a caller sets them).
struct keaDebug {
    int writeInput = 0;              ///< write the solver input before solving
    const char* inputFile = nullptr;
    int readInput = 0;               ///< replace the input from a file before solving
    const char* readFile = nullptr;
    int writeIntermediate = 0;       ///< write intermediate values while solving
    const char* intermediateFile = nullptr;
    int unused6 = 0;
    int unused7 = 0;
    int counter8 = 0;                ///< dumps are written only while the two counters are equal
    int counter9 = 0;
    int unused10 = 0;
};

/// Packed constraint rows of one step. Two row spaces: real rows (per-row arrays) and
/// Jacobian rows (constraint j of a partition sits at its real row + 4 j, followed by 4 zero
/// rows). Element (Jacobian row r, column c) of `Jstore` is at (r & 3) + (c + (r >> 2) * 12) * 4.
struct keaConstraints {
    int num_partitions = 0;
    int max_partitions = 0;
    int* num_rows_exc_padding_partition = nullptr;
    int* num_rows_inc_padding_partition = nullptr;
    int* num_constraints_partition = nullptr;
    int num_rows_inc_padding = 0;
    int num_rows_exc_padding = 0;
    int max_constraint_rows = 0;
    int num_constraints = 0;
    int max_constraints = 0;
    MeReal* Jstore = nullptr;
    MeReal* xi = nullptr;
    MeReal* c = nullptr;
    MeReal* lo = nullptr;
    MeReal* hi = nullptr;
    MeReal* lambda = nullptr;
    MeReal* constraintForces = nullptr;  ///< 16 floats per constraint: force 0, torque 0, force 1, torque 1
    MeReal* slipfactor = nullptr;
    MeReal* xgamma = nullptr;
    int* Jsize = nullptr;
    int* Jofs = nullptr;
    int* Jbody = nullptr;  ///< two body indices per constraint (-1: the world)
};

/// Solver variants.
inline constexpr int keaVariantX87 = 1;
inline constexpr int keaVariantSSE = 2;

struct keaParams {
    MeReal stepsize = 0;
    MeReal epsilon = 0;
    MeReal gamma = 0;
    int max_iterations = 10;
    void* memory = nullptr;   ///< scratch for the kea pool
    int memorySize = 0;
    int cpu_resources = keaVariantX87;
    keaDebug debug;
};

/// Index of (Jacobian row, column) in `Jstore`.
inline int keaJstoreIndex(int row, int column) { return (row & 3) + (column + (row >> 2) * 12) * 4; }
