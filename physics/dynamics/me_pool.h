#pragma once
/// Fixed-capacity record pools. A pool hands out up to `count` records of one size from a
/// single block; records come back in any order.
///
/// Invariant: the records handed out are exactly free-list entries 0 .. used-1 (each once, in
/// no set order), so callers may walk them; entries used .. count-1 are available.

struct MeFixedPool {
    char* storage = nullptr;     ///< count x stride bytes
    void** freeList = nullptr;   ///< count record pointers
    int used = 0;                ///< records handed out
    int stride = 0;              ///< record size rounded up to the alignment
    int count = 0;               ///< capacity
    int aligned = 0;             ///< 1 when storage came from the aligned allocator
};

/// Creates a pool of `count` records of `size` bytes, each aligned to `alignment` when it is
/// non-zero. Returns 1 on success; on a non-positive count or a failed allocation the pool
/// is left empty (capacity 0) and 0 is returned.
int MeFixedPoolCreate(MeFixedPool* pool, int count, int size, int alignment);

/// Frees the pool's storage. The records are not visited.
void MeFixedPoolDestroy(MeFixedPool* pool);

/// Fills free-list entry i with storage + i x stride.
void MeFixedPoolFillFreeList(MeFixedPool* pool);

/// The next free record, or null when all are in use.
void* MeFixedPoolGet(MeFixedPool* pool);

/// Returns a record to the pool; it is the next one handed out. A record that is not handed
/// out (one returned twice) is ignored.
void MeFixedPoolPut(MeFixedPool* pool, void* record);

/// Records handed out and not returned.
int GetThirdWord(const MeFixedPool* pool);
