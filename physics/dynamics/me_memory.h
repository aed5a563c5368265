#pragma once
/// Replaceable memory functions of the physics toolkit. Every allocation of the toolkit goes
/// through the global table `MeMemoryAPI`, which starts with the C runtime defaults.

#include <cstddef>

struct MeMemoryFunctions {
    void* (*create)(std::size_t size);                          ///< allocate
    void* (*createZeroed)(std::size_t size);                    ///< allocate zeroed
    void* (*createAligned)(std::size_t size, unsigned alignment);  ///< allocate aligned
    void (*destroy)(void* block);                               ///< free
    void (*destroyAligned)(void* block);                        ///< free aligned
    void* (*resize)(void* block, std::size_t size);             ///< reallocate
};

/// The toolkit's memory table. Replace entries before creating any toolkit object.
extern MeMemoryFunctions MeMemoryAPI;

/// Allocates size bytes at `alignment` (a multiple of 4) through the table's allocate entry.
/// The pad to the raw block is kept in the 32-bit word just before the returned block.
/// Alignment 0 or an allocation failure gives null.
void* MallocCreateAligned(std::size_t size, unsigned alignment);

/// Frees a block from `MallocCreateAligned` (null is ignored).
void MeDefaultAlignedFree(void* block);

void* MeDefaultMalloc(std::size_t size);
void* MeDefaultCalloc(std::size_t size);
void MeDefaultFree(void* block);
void* MeDefaultRealloc(void* block, std::size_t size);
