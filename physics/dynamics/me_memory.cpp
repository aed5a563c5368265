#include "physics/dynamics/me_memory.h"

#include "physics/dynamics/me_message.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

void* MeDefaultMalloc(std::size_t size) { return std::malloc(size); }
void* MeDefaultCalloc(std::size_t size) { return std::calloc(1, size); }
void MeDefaultFree(void* block) { std::free(block); }
void* MeDefaultRealloc(void* block, std::size_t size) { return std::realloc(block, size); }

MeMemoryFunctions MeMemoryAPI = {
    MeDefaultMalloc, MeDefaultCalloc, MallocCreateAligned,
    MeDefaultFree,   MeDefaultAlignedFree, MeDefaultRealloc,
};

void* MallocCreateAligned(std::size_t size, unsigned alignment)
{
    if (alignment == 0) {
        MeWarning(0, "MallocCreateAligned: Alignment must not be 0.\n");
        return nullptr;
    }
    if (alignment % sizeof(unsigned int) != 0)
        MeWarning(0, "MallocCreateAligned: Alignment must be a multiple of sizeof(unsigned int).\n");

    // Room for the worst pad: below `alignment` to reach the boundary, plus whole alignment
    // steps until the 4-byte pad word fits in front of the block.
    char* raw = static_cast<char*>(MeMemoryAPI.create(size + alignment + 4));
    if (!raw)
        return nullptr;
    std::uint32_t pad = alignment - static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(raw) % alignment);
    if (pad == alignment)
        pad = 0;
    while (pad < 4)
        pad += alignment;
    char* block = raw + pad;
    std::memcpy(block - 4, &pad, sizeof pad);
    return block;
}

void MeDefaultAlignedFree(void* block)
{
    if (!block)
        return;
    std::uint32_t pad;
    std::memcpy(&pad, static_cast<char*>(block) - 4, sizeof pad);
    MeMemoryAPI.destroy(static_cast<char*>(block) - pad);
}
