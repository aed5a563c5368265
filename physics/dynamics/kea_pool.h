#pragma once
/// The solver's stack-like allocator over a caller's block: allocations advance a cursor;
/// marks save and restore it around the work of one partition.

/// Starts a pool over `size` bytes at `memory`.
void keaPoolInit(void* memory, int size);
/// `size` bytes (a multiple of 16) from the pool, or null after a fatal report when the size
/// is not a multiple of 16 or the pool would overflow.
void* keaPoolAlloc(int size, const char* name);
/// Saves the cursor; `keaPoolPopMark` restores the last saved one.
void keaPoolPushMark();
void keaPoolPopMark();
/// Bytes handed out since `keaPoolInit`.
int keaPoolUsed();
/// Bytes still free.
int keaPoolAvailable();
