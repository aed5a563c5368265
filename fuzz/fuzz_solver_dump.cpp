// Solver input dumps: reads the input into a small world's rows; what is read must write back
// and read again to the same bits; then the solver reads the input through its own switch and
// solves it (assembly, factorisation and the LCP of every partition).

#include <cstring>

#include "fuzz/fuzz_support.h"
#include "physics/dynamics/kea_dump.h"
#include "physics/dynamics/kea_solver.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/world.h"

namespace {

void Silent(int, const char*, va_list) {}

constexpr int kBodies = 8;

MdtWorld* NewWorld()
{
    MdtWorld* world = MdtWorldCreate(kBodies, 16);
    fuzz::Require(world != nullptr, "a world of 8 bodies and 16 constraints");
    return world;
}

bool SameBits(const void* a, const void* b, std::size_t bytes) { return bytes == 0 || std::memcmp(a, b, bytes) == 0; }

// The rows and bodies two reads gave are the same, bit for bit.
void RequireSame(const keaConstraints& a, const keaConstraints& b, keaBody* const* bodiesA, keaBody* const* bodiesB,
                 int count)
{
    const auto ints = [](int n) { return std::size_t(n) * sizeof(int); };
    const auto reals = [](int n) { return std::size_t(n) * sizeof(MeReal); };
    fuzz::Require(a.num_partitions == b.num_partitions && a.num_rows_inc_padding == b.num_rows_inc_padding &&
                      a.num_rows_exc_padding == b.num_rows_exc_padding && a.num_constraints == b.num_constraints,
                  "re-read counts equal");
    const int p = a.num_partitions, rows = a.num_rows_exc_padding, n = a.num_constraints;
    fuzz::Require(SameBits(a.num_rows_exc_padding_partition, b.num_rows_exc_padding_partition, ints(p)) &&
                      SameBits(a.num_rows_inc_padding_partition, b.num_rows_inc_padding_partition, ints(p)) &&
                      SameBits(a.num_constraints_partition, b.num_constraints_partition, ints(p)),
                  "re-read partitions equal");
    fuzz::Require(SameBits(a.Jstore, b.Jstore, reals(12 * a.num_rows_inc_padding)), "re-read Jacobian equal");
    const MeReal* rowsA[] = {a.xi, a.c, a.lo, a.hi, a.slipfactor, a.xgamma};
    const MeReal* rowsB[] = {b.xi, b.c, b.lo, b.hi, b.slipfactor, b.xgamma};
    for (int k = 0; k < 6; ++k)
        fuzz::Require(SameBits(rowsA[k], rowsB[k], reals(rows)), "re-read row values equal");
    fuzz::Require(SameBits(a.Jsize, b.Jsize, ints(n)) && SameBits(a.Jofs, b.Jofs, ints(n)) &&
                      SameBits(a.Jbody, b.Jbody, ints(2 * n)),
                  "re-read constraint tables equal");
    for (int i = 0; i < count; ++i)
        fuzz::Require(SameBits(bodiesA[i], bodiesB[i], sizeof(keaBody)), "re-read bodies equal");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MdtWorld* world = [] {
        MeSetWarningHandler(Silent);
        MeSetFatalErrorHandler(Silent);
        return NewWorld();
    }();
    static MdtWorld* again = NewWorld();
    const std::string& path = fuzz::WriteScratch(data, size, ".kea");
    keaParams params;
    params.debug.readFile = path.c_str();
    keaBody* bodies[kBodies] = {};
    int count = 0;
    if (!keaReadInput(&world->rows, &params, bodies, kBodies, &count))
        return 0;

    // Parse, write, re-read: the dump's own writer and reader agree on everything read.
    static const std::string copy = fuzz::ScratchFolder() + "/written.kea";
    params.debug.inputFile = copy.c_str();
    fuzz::Require(keaWriteInput(&world->rows, &params, bodies, count) == 1, "what was read writes back");
    keaParams reread;
    reread.debug.readFile = copy.c_str();
    keaBody* rereadBodies[kBodies] = {};
    int rereadCount = 0;
    fuzz::Require(keaReadInput(&again->rows, &reread, rereadBodies, kBodies, &rereadCount) == 1,
                  "what was written reads again");
    fuzz::Require(rereadCount == count && std::memcmp(&reread.gamma, &params.gamma, sizeof(MeReal)) == 0 &&
                      std::memcmp(&reread.stepsize, &params.stepsize, sizeof(MeReal)) == 0 &&
                      reread.max_iterations == params.max_iterations,
                  "re-read parameters equal");
    RequireSame(world->rows, again->rows, bodies, rereadBodies, count);
    keaFreeInputBodies(rereadBodies, rereadCount);
    keaFreeInputBodies(bodies, count);

    // The solver replaces its input from the file, as its debug switch does, and solves it.
    keaParams solve;
    MdtWorldFillSolverParams(world, unsigned(world->rows.max_constraint_rows), 1.0f / 60, &solve);
    solve.debug.readInput = 1;
    solve.debug.readFile = path.c_str();
    keaSolve(world->rows, world->solverBodies, 0, solve);
    return 0;
}
