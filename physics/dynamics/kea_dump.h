#pragma once
/// Text dumps of the solver's input and of its intermediate values, for offline study. Every
/// value follows a line holding its key; floats are written as the eight hex digits of their
/// bit pattern, integers in decimal.

#include "physics/dynamics/kea_types.h"

/// Writes the solver input to the file named by `params->debug.inputFile`. Returns 1 on success.
int keaWriteInput(const keaConstraints* rows, const keaParams* params, keaBody* const* bodies, int bodyCount);

/// Reads a solver input file named by `params->debug.readFile` into `rows` (whose arrays and
/// capacities are kept), the parameters and newly allocated body records stored in
/// bodies[0 .. count-1] (at most `maxBodies`). Every count and index is checked against the
/// capacities; on any failure nothing read is kept (no bodies are allocated) and 0 is returned.
int keaReadInput(keaConstraints* rows, keaParams* params, keaBody** bodies, int maxBodies, int* bodyCount);
/// Frees body records allocated by `keaReadInput`.
void keaFreeInputBodies(keaBody** bodies, int count);

/// The intermediate file: open for writing, append key/value blocks, close.
int keaIntermediateOpen(const char* name);
bool keaIntermediateIsOpen();
void keaIntermediateInt(const char* key, int value);
void keaIntermediateFloats(const char* key, const MeReal* values, int count);
void keaIntermediateClose();
