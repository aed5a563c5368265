#pragma once
/// A growable scratch block. The solver asks it for memory each step; it reallocates (without
/// keeping the old contents) when a request exceeds its usable size.

struct MeChunk;
using MeChunkGrowFn = void (*)(MeChunk* chunk, void* block, int blockSize, int requested);

struct MeChunk {
    char* block = nullptr;         ///< allocated memory
    char* alignedStart = nullptr;  ///< first address inside the block at the alignment
    int blockSize = 0;
    int usableSize = 0;            ///< block size minus the bytes skipped for alignment
    int peak = 0;                  ///< largest size ever requested
    int alignment = 0;
    int ownsBlock = 0;             ///< 1: the chunk allocates and frees the block itself
    MeChunkGrowFn grow = nullptr;  ///< used when the chunk does not own its block
};

void MeChunkInit(MeChunk* chunk);
/// Uses `block` of `size` bytes; the aligned start skips to the next multiple of `alignment`.
void MeChunkSetBlock(MeChunk* chunk, void* block, int size, int alignment);
/// Makes the chunk own a block of size + alignment bytes. On allocation failure (a fatal
/// error) the chunk keeps a null block with usable size 0.
void MeChunkSetAuto(MeChunk* chunk, int size, int alignment);
/// Aligned memory of at least `size` bytes, or null when it cannot grow.
void* MeChunkGetMem(MeChunk* chunk, int size);
/// Frees the block when the chunk owns it.
void MeChunkTerm(MeChunk* chunk);
