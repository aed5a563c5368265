#include "physics/dynamics/kea_cpu.h"
#include "physics/dynamics/kea_dump.h"
#include "physics/dynamics/kea_pool.h"
#include "physics/dynamics/kea_solver.h"
#include "physics/dynamics/me_chunk.h"
#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_random.h"
#include "physics/dynamics/row_storage.h"
#include "physics/dynamics/dynamics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

int fatals = 0;
void CountFatal(int, const char*, va_list) { ++fatals; }

std::string lastWarning;
void KeepWarning(int, const char* format, va_list args)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    lastWarning = text;
}

struct Quiet {
    MeMessageHandler info = MeSetInfoHandler(MeNullMessageHandler);
    MeMessageHandler warning = MeSetWarningHandler(MeNullMessageHandler);
    MeMessageHandler fatal = MeSetFatalErrorHandler(CountFatal);
    Quiet() { fatals = 0; }
    ~Quiet()
    {
        MeSetInfoHandler(info);
        MeSetWarningHandler(warning);
        MeSetFatalErrorHandler(fatal);
    }
};

// Writes k rows with recognisable Jacobian entries for the next constraint.
void PackConstraint(keaConstraints* r, int k, MeReal tag)
{
    MdtRowStorageBeginConstraint(r, k, 0, -1);
    for (int i = 0; i < k; ++i) {
        for (int col = 0; col < 12; ++col)
            r->Jstore[keaJstoreIndex(r->num_rows_inc_padding + i, col)] = tag + i + col * 0.01f;
        r->xi[r->num_rows_exc_padding + i] = tag;
        r->lo[r->num_rows_exc_padding + i] = -tag;
        r->hi[r->num_rows_exc_padding + i] = tag;
    }
    MdtRowStorageCommit(r, k);
}

MeReal Random(MeReal lo, MeReal hi) { return lo + (hi - lo) * static_cast<MeReal>(MeRandom()) / MeRANDOM_MAX; }

}  // namespace

TEST(RowStorage, TwoThreeRowConstraintsMatchTheLayout)
{
    Quiet quiet;
    MdtWorld* w = MdtWorldCreate(4, 4);
    keaConstraints* r = &w->rows;
    // Stale values where the padding rows will go must not survive.
    for (int i = 0; i < 8; ++i)
        r->lo[i] = -7, r->hi[i] = 7;
    MdtRowStorageReset(r);
    MdtRowStorageClearEntry(r);
    PackConstraint(r, 3, 1);
    PackConstraint(r, 3, 2);
    MdtRowStorageEndPartition(r);
    EXPECT_EQ(r->num_partitions, 1);
    EXPECT_EQ(r->num_rows_exc_padding, 8);
    EXPECT_EQ(r->num_rows_exc_padding_partition[0], 6);
    EXPECT_EQ(r->num_rows_inc_padding_partition[0], 12);
    EXPECT_EQ(r->num_rows_inc_padding, 12);
    EXPECT_EQ(r->num_constraints_partition[0], 2);
    EXPECT_EQ(r->Jofs[0], 0);
    EXPECT_EQ(r->Jofs[1], 3);
    EXPECT_EQ(r->Jsize[0], 3);
    EXPECT_EQ(r->Jsize[1], 3);
    for (int row : {0, 1, 2})
        EXPECT_EQ(r->Jstore[keaJstoreIndex(row, 5)], 1 + row + 0.05f);
    for (int row : {7, 8, 9})
        EXPECT_EQ(r->Jstore[keaJstoreIndex(row, 11)], 2 + (row - 7) + 0.11f);
    for (int row : {3, 4, 5, 6, 10, 11, 12, 13})
        for (int col = 0; col < 12; ++col)
            EXPECT_EQ(r->Jstore[keaJstoreIndex(row, col)], 0.0f) << row << "," << col;
    for (int row : {6, 7}) {
        EXPECT_EQ(r->xi[row], 0.0f);
        EXPECT_EQ(r->lo[row], 0.0f);
        EXPECT_EQ(r->hi[row], 0.0f);
    }
    EXPECT_EQ(r->xi[4], 2.0f);

    // A second partition of one 3-row constraint starts on a block boundary.
    MdtRowStorageClearEntry(r);
    PackConstraint(r, 3, 5);
    MdtRowStorageEndPartition(r);
    EXPECT_EQ(r->num_rows_inc_padding_partition[1], 4);
    EXPECT_EQ(r->num_rows_inc_padding, 16);
    EXPECT_EQ(r->num_rows_exc_padding, 12);
    EXPECT_EQ(r->Jofs[2], 0);
    EXPECT_EQ(r->Jstore[keaJstoreIndex(12, 0)], 5.0f);
    MdtWorldDestroy(w);
}

TEST(RowStorage, JacobianIndexAndScratchSizes)
{
    EXPECT_EQ(keaJstoreIndex(5, 7), 77);
    EXPECT_EQ(keaJstoreIndex(0, 0), 0);
    EXPECT_EQ(keaJstoreIndex(4, 0), 48);  // second block
    EXPECT_EQ(MdtSolverScratchSize(1), 11072);
    EXPECT_EQ(MdtSolverScratchSize(4), 11072);
    EXPECT_EQ(MdtSolverScratchSize(12), 32368);
    int previous = 0;
    for (int n = 0; n < 400; n += 4) {
        EXPECT_GE(MdtSolverScratchSize(n), previous);
        previous = MdtSolverScratchSize(n);
    }
}

TEST(MeChunk, AlignmentGrowthAndFailure)
{
    Quiet quiet;
    alignas(16) char storage[64];
    MeChunk chunk;
    MeChunkInit(&chunk);
    MeChunkSetBlock(&chunk, storage, 64, 16);
    EXPECT_EQ(chunk.alignedStart, storage);
    EXPECT_EQ(chunk.usableSize, 64);
    MeChunkSetBlock(&chunk, storage + 4, 60, 16);
    EXPECT_EQ(chunk.alignedStart, storage + 16);
    EXPECT_EQ(chunk.usableSize, 48);
    EXPECT_EQ(MeChunkGetMem(&chunk, 100), nullptr);  // not owned, no grow function
    EXPECT_EQ(chunk.peak, 100);

    MeChunk owned;
    MeChunkInit(&owned);
    MeChunkSetAuto(&owned, 1024, 16);
    ASSERT_NE(owned.block, nullptr);
    EXPECT_EQ(owned.blockSize, 1040);
    void* start = MeChunkGetMem(&owned, owned.usableSize);
    EXPECT_EQ(start, owned.alignedStart);
    int usable = owned.usableSize;
    void* grown = MeChunkGetMem(&owned, usable + 1);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(owned.blockSize, usable + 1 + 16);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(grown) % 16, 0u);
    std::memset(grown, 1, static_cast<std::size_t>(usable + 1));

    MeMemoryFunctions saved = MeMemoryAPI;
    MeMemoryAPI.create = [](std::size_t) -> void* { return nullptr; };
    EXPECT_EQ(MeChunkGetMem(&owned, 1 << 20), nullptr);
    EXPECT_EQ(owned.block, nullptr);
    EXPECT_EQ(owned.usableSize, 0);
    EXPECT_EQ(MeChunkGetMem(&owned, 8), nullptr);  // still unable, never a stale block
    MeChunkSetAuto(&owned, 64, 16);
    EXPECT_EQ(owned.block, nullptr);
    EXPECT_EQ(fatals, 3);
    MeMemoryAPI = saved;
    EXPECT_NE(MeChunkGetMem(&owned, 8), nullptr);
    MeChunkTerm(&owned);
}

TEST(KeaPool, AllocatesInSixteensAndStopsAtTheEnd)
{
    Quiet quiet;
    alignas(16) char memory[128];
    keaPoolInit(memory, 128);
    EXPECT_EQ(keaPoolAlloc(0, "nothing"), memory);
    EXPECT_EQ(keaPoolAlloc(24, "odd"), nullptr);
    EXPECT_EQ(fatals, 1);
    EXPECT_EQ(keaPoolAlloc(32, "a"), memory);
    keaPoolPushMark();
    EXPECT_EQ(keaPoolAlloc(96, "b"), memory + 32);
    EXPECT_EQ(keaPoolAlloc(16, "over"), nullptr);  // a returning fatal handler gets no memory
    EXPECT_EQ(fatals, 2);
    keaPoolPopMark();
    EXPECT_EQ(keaPoolUsed(), 32);
    EXPECT_EQ(keaPoolAlloc(16, "c"), memory + 32);
}

TEST(KeaCPU, VendorRuleAndOverride)
{
    Quiet quiet;
    const unsigned sse = 1u << 25;
    EXPECT_TRUE(keaVendorHasSSE("GenuineIntel", sse));
    EXPECT_FALSE(keaVendorHasSSE("GenuineIntel", 0));
    EXPECT_FALSE(keaVendorHasSSE("AuthenticAMD", sse));  // the rule: other vendors run the x87 kernels
    keaCheckSSE();
    EXPECT_EQ(keaHasSSE(), keaCPUHasSSE() && keaOSHasSSE());
    EXPECT_EQ(keaDetectCPU(), keaHasSSE() ? 2 : 1);
    int previous = keaSetCPUOverride(1);
    EXPECT_EQ(keaDetectCPU(), 1);
    keaSetCPUOverride(2);
    EXPECT_EQ(keaDetectCPU(), 2);
    keaSetCPUOverride(previous);
}

TEST(KeaDump, WrittenInputReadsBackEqualAndBadFilesAreRejected)
{
    Quiet quiet;
    MeRandomSeed(21);
    MdtWorld* w = MdtWorldCreate(4, 6);
    keaConstraints* r = &w->rows;
    MdtRowStorageReset(r);
    MdtRowStorageClearEntry(r);
    PackConstraint(r, 3, 1.5f);
    PackConstraint(r, 2, -0.25f);
    MdtRowStorageEndPartition(r);
    MdtRowStorageClearEntry(r);
    PackConstraint(r, 1, 3);
    MdtRowStorageEndPartition(r);
    r->Jbody[1] = 1;
    r->Jbody[4] = 2;
    keaBody bodies[3];
    keaBody* pointers[3] = {&bodies[0], &bodies[1], &bodies[2]};
    for (keaBody& b : bodies) {
        b.invmass = Random(0, 2);
        b.flags = static_cast<MeU32>(MeRandom() % 4);
        for (MeReal& v : b.vel)
            v = Random(-5, 5);
        for (MeReal& v : b.fastSpinAxis)
            v = Random(-1, 1);
        b.invI2[1] = Random(-1, 1);
    }
    char path[] = "/tmp/kea_dump_testXXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    keaParams params;
    params.gamma = 0.3f;
    params.epsilon = 0.01f;
    params.stepsize = 1.0f / 60;
    params.debug.inputFile = path;
    testing::internal::CaptureStdout();
    ASSERT_EQ(keaWriteInput(r, &params, pointers, 3), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string("-- writing kea input to file ") + path + "\n");

    MdtWorld* other = MdtWorldCreate(4, 6);
    keaParams readParams;
    readParams.debug.readFile = path;
    keaBody* readBodies[4] = {};
    int count = 0;
    testing::internal::CaptureStdout();
    ASSERT_EQ(keaReadInput(&other->rows, &readParams, readBodies, 4, &count), 1);
    testing::internal::GetCapturedStdout();
    keaConstraints* s = &other->rows;
    EXPECT_EQ(readParams.gamma, 0.3f);
    EXPECT_EQ(readParams.stepsize, 1.0f / 60);
    EXPECT_EQ(s->num_partitions, 2);
    EXPECT_EQ(s->num_rows_inc_padding, r->num_rows_inc_padding);
    EXPECT_EQ(s->num_rows_exc_padding, r->num_rows_exc_padding);
    EXPECT_EQ(s->num_constraints, 3);
    EXPECT_EQ(std::memcmp(s->Jstore, r->Jstore, sizeof(MeReal) * 12 * r->num_rows_inc_padding), 0);
    EXPECT_EQ(std::memcmp(s->xi, r->xi, sizeof(MeReal) * r->num_rows_exc_padding), 0);
    EXPECT_EQ(std::memcmp(s->hi, r->hi, sizeof(MeReal) * r->num_rows_exc_padding), 0);
    EXPECT_EQ(std::memcmp(s->Jbody, r->Jbody, sizeof(int) * 6), 0);
    EXPECT_EQ(std::memcmp(s->Jofs, r->Jofs, sizeof(int) * 3), 0);
    EXPECT_EQ(s->num_rows_inc_padding_partition[1], 4);
    ASSERT_EQ(count, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(readBodies[i]->invmass, bodies[i].invmass);
        EXPECT_EQ(readBodies[i]->flags, bodies[i].flags);
        EXPECT_EQ(std::memcmp(readBodies[i]->vel, bodies[i].vel, 16), 0);
        EXPECT_EQ(std::memcmp(readBodies[i]->fastSpinAxis, bodies[i].fastSpinAxis, 16), 0);
        EXPECT_EQ(readBodies[i]->invI2[1], bodies[i].invI2[1]);
    }
    keaFreeInputBodies(readBodies, count);

    // Too little room: more bodies than allowed, or a smaller world, is refused and keeps nothing.
    MdtWorld* small = MdtWorldCreate(1, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(keaReadInput(&other->rows, &readParams, readBodies, 2, &count), 0);
    EXPECT_EQ(keaReadInput(&small->rows, &readParams, readBodies, 4, &count), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(readBodies[0], nullptr);
    EXPECT_EQ(small->rows.num_partitions, 0);

    // A corrupted body index or a truncated file is refused.
    std::FILE* f = std::fopen(path, "r");
    std::string text;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    std::fclose(f);
    std::size_t jbody = text.find("Jbody\n");
    ASSERT_NE(jbody, std::string::npos);
    std::string corrupt = text;
    corrupt.replace(jbody + 6, 2, "9\n");
    // Partition rows that pad past the stored rows, and a constraint reaching past its partition.
    std::string overPadded = text;
    const std::size_t exc = overPadded.find("num_rows_exc_padding_partition\n5\n");
    ASSERT_NE(exc, std::string::npos);
    overPadded.replace(exc + 31, 1, "9");
    std::string overReaching = text;
    const std::size_t jofs = overReaching.find("Jofs\n0\n3\n");
    ASSERT_NE(jofs, std::string::npos);
    overReaching.replace(jofs + 7, 1, "4");
    // Each refusal says what is wrong and on which line, under which key.
    const std::pair<std::string, std::string> refused[] = {
        {corrupt, "line 147 (num_bodies): Jbody entry 0 is 9; the bodies are -1 (none) to 2"},
        {text.substr(0, text.size() / 2), "line 64 (xi): '0000000' is not a float as eight hex digits"},
        {text.substr(0, text.find("Jsize")), "line 131 (xgamma): the file ends before this line"},
        {overPadded,
         "line 31 (max_constraints): num_rows_exc_padding_partition padded to fours sums to 16, past "
         "num_rows_exc_padding 12"},
        {overReaching, "line 145 (Jbody): constraint 1's rows 4 to 5 reach past the 5 rows of partition 0"},
    };
    const MeMessageHandler silent = MeSetWarningHandler(KeepWarning);
    for (const auto& [bad, reason] : refused) {
        f = std::fopen(path, "w");
        std::fwrite(bad.data(), 1, bad.size(), f);
        std::fclose(f);
        testing::internal::CaptureStdout();
        EXPECT_EQ(keaReadInput(&other->rows, &readParams, readBodies, 4, &count), 0);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(lastWarning, std::string("keaReadInput: ") + path + " is not a valid solver input: " + reason + "\n");
    }
    MeSetWarningHandler(silent);
    EXPECT_EQ(readBodies[0], nullptr);

    unlink(path);
    readParams.debug.readFile = "/nonexistent/kea/input";
    testing::internal::CaptureStdout();
    EXPECT_EQ(keaReadInput(&other->rows, &readParams, readBodies, 4, &count), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(fatals, 1);
    MdtWorldDestroy(small);
    MdtWorldDestroy(other);
    MdtWorldDestroy(w);
}

TEST(KeaDump, SolverSwitchesWriteTheInputAndIntermediateFiles)
{
    Quiet quiet;
    char input[] = "/tmp/kea_switch_inputXXXXXX";
    char inter[] = "/tmp/kea_switch_interXXXXXX";
    close(mkstemp(input));
    close(mkstemp(inter));
    MdtWorld* w = MdtWorldCreate(4, 4);
    MdtBody* b = MdtBodyCreate(w);
    MdtBodyEnable(b);
    MdtConstraint* joint = MdtBallJointCreate(w);
    MdtConstraintSetBodies(joint, b, nullptr);
    MdtBallJointSetPosition(joint, 1, 0, 0);
    MdtConstraintEnable(joint);
    MdtWorldSetGravity(w, 0, -9.81f, 0);
    w->solverDebug.writeInput = 1;
    w->solverDebug.inputFile = input;
    w->solverDebug.writeIntermediate = 1;
    w->solverDebug.intermediateFile = inter;
    testing::internal::CaptureStdout();
    MdtWorldStep(w, 1.0f / 60);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("-- writing kea input to file"), std::string::npos);
    EXPECT_NE(said.find("-- writing intermediate data to file"), std::string::npos);
    std::FILE* f = std::fopen(inter, "r");
    ASSERT_NE(f, nullptr);
    char line[64];
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "partition\n");
    std::fclose(f);

    // Reading the input back into the next solve gives the same answer.
    const MeReal firstLambda = w->rows.lambda[1];
    w->solverDebug.writeInput = 0;
    w->solverDebug.writeIntermediate = 0;
    w->solverDebug.readInput = 1;
    w->solverDebug.readFile = input;
    keaParams params;
    MdtWorldFillSolverParams(w, 4, 1.0f / 60, &params);
    testing::internal::CaptureStdout();
    keaSolve(w->rows, w->solverBodies, 1, params);
    testing::internal::GetCapturedStdout();
    EXPECT_NEAR(w->rows.lambda[1], firstLambda, 1e-4f);
    MdtWorldDestroy(w);
    unlink(input);
    unlink(inter);
}
