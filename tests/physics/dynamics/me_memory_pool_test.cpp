#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_pool.h"
#include "physics/dynamics/me_stack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

namespace {

std::string lastWarning;
void CaptureWarning(int, const char* text) { lastWarning = text; }

// Allocator that fails after a given number of successful calls.
int allocationsLeft = 0;
void* FailingMalloc(std::size_t size) { return allocationsLeft-- > 0 ? MeDefaultMalloc(size) : nullptr; }

struct FailingAllocator {
    MeMemoryFunctions saved = MeMemoryAPI;
    explicit FailingAllocator(int allowed)
    {
        allocationsLeft = allowed;
        MeMemoryAPI.create = FailingMalloc;
    }
    ~FailingAllocator() { MeMemoryAPI = saved; }
};

}  // namespace

TEST(MeMemory, AlignedBlocksKeepTheirPadAndFree)
{
    for (unsigned alignment : {4u, 8u, 16u, 64u}) {
        for (int i = 0; i < 20; ++i) {
            char* block = static_cast<char*>(MallocCreateAligned(100 + i, alignment));
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u);
            std::uint32_t pad;
            std::memcpy(&pad, block - 4, 4);
            EXPECT_GE(pad, 4u);
            EXPECT_LT(pad, alignment + 4);
            std::memset(block, 0xAB, 100 + i);  // the sanitizers check the whole block is ours
            MeDefaultAlignedFree(block);
        }
    }
}

TEST(MeMemory, OddAlignmentWarnsButStillWorksAndZeroIsRefused)
{
    MeMessageOutput previous = MeSetWarningOutput(CaptureWarning);
    lastWarning.clear();
    for (unsigned alignment : {1u, 2u, 6u}) {
        char* block = static_cast<char*>(MallocCreateAligned(10, alignment));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignment, 0u);
        std::memset(block, 1, 10);
        MeDefaultAlignedFree(block);
    }
    EXPECT_EQ(lastWarning, "MeWarning{0}: MallocCreateAligned: Alignment must be a multiple of sizeof(unsigned int).\n");
    EXPECT_EQ(MallocCreateAligned(10, 0), nullptr);
    MeSetWarningOutput(previous);
}

TEST(MeFixedPool, HandsOutUpToCapacityAndTakesBack)
{
    MeFixedPool pool;
    ASSERT_EQ(MeFixedPoolCreate(&pool, 3, 20, 16), 1);
    EXPECT_EQ(pool.stride, 32);
    EXPECT_EQ(pool.aligned, 1);
    std::set<void*> seen;
    void* records[3];
    for (void*& r : records) {
        r = MeFixedPoolGet(&pool);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(r) % 16, 0u);
        seen.insert(r);
    }
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(GetThirdWord(&pool), 3);
    EXPECT_EQ(MeFixedPoolGet(&pool), nullptr);

    // Out of order and twice: the first entries stay exactly the records still out.
    MeFixedPoolPut(&pool, records[0]);
    MeFixedPoolPut(&pool, records[0]);
    ASSERT_EQ(GetThirdWord(&pool), 2);
    EXPECT_EQ((std::set<void*>{pool.freeList[0], pool.freeList[1]}), (std::set<void*>{records[1], records[2]}));
    EXPECT_EQ(MeFixedPoolGet(&pool), records[0]);
    MeFixedPoolPut(&pool, records[2]);
    MeFixedPoolPut(&pool, records[0]);
    MeFixedPoolPut(&pool, records[1]);
    EXPECT_EQ(GetThirdWord(&pool), 0);
    MeFixedPoolPut(&pool, records[1]);  // nothing handed out: ignored
    EXPECT_EQ(GetThirdWord(&pool), 0);
    std::set<void*> again;
    for (int i = 0; i < 3; ++i)
        again.insert(MeFixedPoolGet(&pool));
    EXPECT_EQ(again, seen);
    MeFixedPoolDestroy(&pool);

    MeFixedPool plain;
    ASSERT_EQ(MeFixedPoolCreate(&plain, 5, 7, 0), 1);
    EXPECT_EQ(plain.stride, 7);
    EXPECT_EQ(plain.aligned, 0);
    MeFixedPoolDestroy(&plain);
}

TEST(MeFixedPool, EmptyPoolsWhenCountIsZeroOrAllocationFails)
{
    MeFixedPool pool;
    EXPECT_EQ(MeFixedPoolCreate(&pool, 0, 8, 0), 0);
    EXPECT_EQ(MeFixedPoolGet(&pool), nullptr);
    MeFixedPoolDestroy(&pool);
    for (int allowed = 0; allowed < 2; ++allowed) {
        FailingAllocator failing(allowed);
        EXPECT_EQ(MeFixedPoolCreate(&pool, 4, 8, 16), 0);
        EXPECT_EQ(pool.count, 0);
        EXPECT_EQ(MeFixedPoolGet(&pool), nullptr);
        MeFixedPoolDestroy(&pool);
    }
}

TEST(MeStack, CreateInitialisesMarksAndFailsCleanly)
{
    MeStack* stack = MeStackCreate(50);
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->capacity, 50);
    EXPECT_EQ(stack->count0, 0);
    EXPECT_EQ(stack->mark[2], 50);
    stack->count1 = 7;
    stack->mark[0] = 3;
    MeFixedPoolResetCursor(stack);
    EXPECT_EQ(stack->count1, 0);
    EXPECT_EQ(stack->mark[0], 50);
    MeFreeRecordAndBuffer(stack);
    for (int allowed = 0; allowed < 2; ++allowed) {
        FailingAllocator failing(allowed);
        EXPECT_EQ(MeStackCreate(10), nullptr);
    }
}
