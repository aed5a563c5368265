#include "physics/dynamics/me_chunk.h"

#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"

#include <cstdint>

void MeChunkInit(MeChunk* chunk) { *chunk = MeChunk{}; }

void MeChunkSetBlock(MeChunk* chunk, void* block, int size, int alignment)
{
    chunk->block = static_cast<char*>(block);
    chunk->blockSize = size;
    chunk->alignment = alignment;
    if (!block || alignment <= 0) {
        chunk->alignedStart = chunk->block;
        chunk->usableSize = block ? size : 0;
        return;
    }
    int skip = alignment - static_cast<int>(reinterpret_cast<std::uintptr_t>(block) % static_cast<unsigned>(alignment));
    if (skip == alignment)
        skip = 0;
    chunk->alignedStart = chunk->block + skip;
    chunk->usableSize = size - skip;
}

namespace {

void DropBlock(MeChunk* chunk)
{
    if (chunk->ownsBlock && chunk->block)
        MeMemoryAPI.destroy(chunk->block);
    chunk->block = chunk->alignedStart = nullptr;
    chunk->blockSize = chunk->usableSize = 0;
}

}  // namespace

void MeChunkSetAuto(MeChunk* chunk, int size, int alignment)
{
    DropBlock(chunk);
    chunk->ownsBlock = 1;
    chunk->alignment = alignment;
    void* block = size >= 0 && alignment >= 0 ? MeMemoryAPI.create(static_cast<std::size_t>(size) + alignment) : nullptr;
    if (!block) {
        MeFatalError(0, "MeChunkSetAuto: Could not allocate memory for MeChunk.\n");
        return;
    }
    MeChunkSetBlock(chunk, block, size + alignment, alignment);
}

void* MeChunkGetMem(MeChunk* chunk, int size)
{
    if (size < 0)
        return nullptr;
    if (size > chunk->peak)
        chunk->peak = size;
    if (size <= chunk->usableSize && chunk->block)
        return chunk->alignedStart;
    if (chunk->ownsBlock) {
        DropBlock(chunk);
        void* block = MeMemoryAPI.create(static_cast<std::size_t>(size) + chunk->alignment);
        if (!block) {
            MeFatalError(0, "MeChunkGetMem: Could not allocate memory to resize MeChunk.\n");
            return nullptr;
        }
        MeChunkSetBlock(chunk, block, size + chunk->alignment, chunk->alignment);
        return chunk->alignedStart;
    }
    if (!chunk->grow)
        return nullptr;
    chunk->grow(chunk, chunk->block, chunk->blockSize, size + 16);
    return chunk->block && size <= chunk->usableSize ? chunk->alignedStart : nullptr;
}

void MeChunkTerm(MeChunk* chunk)
{
    DropBlock(chunk);
}
