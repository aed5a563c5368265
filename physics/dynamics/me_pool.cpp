#include "physics/dynamics/me_pool.h"

#include "physics/dynamics/me_memory.h"

int MeFixedPoolCreate(MeFixedPool* pool, int count, int size, int alignment)
{
    *pool = MeFixedPool{};
    if (count <= 0 || size < 0 || alignment < 0)
        return 0;
    int stride = size;
    char* storage;
    if (alignment > 0) {
        stride = (size + alignment - 1) / alignment * alignment;
        storage = static_cast<char*>(MeMemoryAPI.createAligned(static_cast<std::size_t>(count) * stride,
                                                               static_cast<unsigned>(alignment)));
    } else {
        storage = static_cast<char*>(MeMemoryAPI.create(static_cast<std::size_t>(count) * stride));
    }
    void** freeList = static_cast<void**>(MeMemoryAPI.create(sizeof(void*) * static_cast<std::size_t>(count)));
    if (!storage || !freeList) {
        if (storage) {
            if (alignment > 0)
                MeMemoryAPI.destroyAligned(storage);
            else
                MeMemoryAPI.destroy(storage);
        }
        if (freeList)
            MeMemoryAPI.destroy(freeList);
        return 0;
    }
    pool->storage = storage;
    pool->freeList = freeList;
    pool->aligned = alignment > 0 ? 1 : 0;
    pool->stride = stride;
    pool->count = count;
    MeFixedPoolFillFreeList(pool);
    pool->used = 0;
    return 1;
}

void MeFixedPoolDestroy(MeFixedPool* pool)
{
    if (pool->count >= 1) {
        if (pool->aligned)
            MeMemoryAPI.destroyAligned(pool->storage);
        else
            MeMemoryAPI.destroy(pool->storage);
        MeMemoryAPI.destroy(pool->freeList);
    }
    *pool = MeFixedPool{};
}

void MeFixedPoolFillFreeList(MeFixedPool* pool)
{
    for (int i = 0; i < pool->count; ++i)
        pool->freeList[i] = pool->storage + static_cast<std::size_t>(i) * pool->stride;
}

void* MeFixedPoolGet(MeFixedPool* pool)
{
    if (pool->used >= pool->count)
        return nullptr;
    return pool->freeList[pool->used++];
}

void MeFixedPoolPut(MeFixedPool* pool, void* record)
{
    // The record's entry trades places with the last handed-out one, so entries 0 .. used-1
    // stay exactly the records in use (callers walk them) and the record is the next one out.
    // Records are mostly returned soon after they are taken, so the search starts at the end.
    // A record that is not handed out (returned twice) is ignored.
    for (int i = pool->used - 1; i >= 0; --i) {
        if (pool->freeList[i] == record) {
            pool->freeList[i] = pool->freeList[pool->used - 1];
            pool->freeList[--pool->used] = record;
            return;
        }
    }
}

int GetThirdWord(const MeFixedPool* pool) { return pool->used; }
