#pragma once
/// A small stack of words with a fixed buffer.

struct MeStack {
    int* buffer = nullptr;  ///< capacity words
    int capacity = 0;
    int count0 = 0;
    int count1 = 0;
    int mark[3] = {0, 0, 0};
};

/// Allocates a stack with room for `capacity` words; null when capacity is negative or the
/// allocation fails.
MeStack* MeStackCreate(int capacity);
void MeStackInit(MeStack* stack, int* buffer, int capacity);
/// Clears both counters and sets the three marks to the capacity.
void MeFixedPoolResetCursor(MeStack* stack);
/// Frees the stack's buffer, then the stack (null is ignored).
void MeFreeRecordAndBuffer(MeStack* stack);
