#include "physics/dynamics/kea_pool.h"

#include "physics/dynamics/me_message.h"

#include <cstdint>

namespace {

char* poolStart = nullptr;
char* cursor = nullptr;
char* poolEnd = nullptr;
constexpr int MaxMarks = 16;
char* marks[MaxMarks];
int markDepth = 0;

}  // namespace

void keaPoolInit(void* memory, int size)
{
    poolStart = cursor = static_cast<char*>(memory);
    poolEnd = cursor ? cursor + (size > 0 ? size : 0) : nullptr;
    markDepth = 0;
}

void* keaPoolAlloc(int size, const char* name)
{
    if (size < 0 || size % 16 != 0) {
        MeFatalError(3, "keaPoolAlloc: allocating %s of size %d. Size must be a multiple of 16 bytes.\n", name, size);
        return nullptr;
    }
    if (!cursor || size > poolEnd - cursor) {
        auto address = [](const char* p, std::intptr_t add) {
            return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p) + static_cast<std::uintptr_t>(add));
        };
        MeFatalError(3,
                     "Kea error:Memory pool size exceeded when allocating %s of size %d\nPool ends at %08x\n"
                     "If memory were allocated, pool would end at %08x\n",
                     name, size, address(poolEnd, 0), address(cursor, size));
        return nullptr;
    }
    void* result = cursor;
    cursor += size;
    return result;
}

void keaPoolPushMark()
{
    if (markDepth < MaxMarks)
        marks[markDepth] = cursor;
    ++markDepth;
}

void keaPoolPopMark()
{
    if (markDepth <= 0)
        return;
    --markDepth;
    if (markDepth < MaxMarks)
        cursor = marks[markDepth];
}

int keaPoolUsed() { return static_cast<int>(cursor - poolStart); }

int keaPoolAvailable() { return cursor ? static_cast<int>(poolEnd - cursor) : 0; }
