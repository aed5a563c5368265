#include "physics/dynamics/world.h"

#include "physics/dynamics/contact.h"
#include "physics/dynamics/kea_cpu.h"
#include "physics/dynamics/kea_solver.h"
#include "physics/dynamics/me_memory.h"
#include "physics/dynamics/row_storage.h"

#include <climits>
#include <cstring>

const char* MdtVersion() { return "1.1.0 (build 631)"; }

namespace {

// Blocks that must be 64-byte aligned are rounded up to whole 64-byte lines.
void* CreateAligned64(std::size_t bytes)
{
    bytes = (bytes + 63) & ~static_cast<std::size_t>(63);
    void* block = MeMemoryAPI.createAligned(bytes, 64);
    if (block)
        std::memset(block, 0, bytes);
    return block;
}

void* CreateZeroed(std::size_t bytes) { return MeMemoryAPI.createZeroed(bytes ? bytes : 1); }

void FreeAligned(void* block)
{
    if (block)
        MeMemoryAPI.destroyAligned(block);
}

void Free(void* block)
{
    if (block)
        MeMemoryAPI.destroy(block);
}

// Frees whatever create made; every pointer is null or owned.
void Release(MdtWorld* w)
{
    FreeAligned(w->solverBodies);
    FreeAligned(w->stepTransforms);
    MeFixedPoolDestroy(&w->bodyPool);
    MeFixedPoolDestroy(&w->constraintPool);
    MdtPartitionOutput& po = w->partitions;
    Free(po.bodies);
    Free(po.bodyStart);
    Free(po.bodyCount);
    Free(po.constraintStart);
    Free(po.constraintCount);
    Free(po.constraints);
    keaConstraints& r = w->rows;
    Free(r.num_rows_exc_padding_partition);
    Free(r.num_rows_inc_padding_partition);
    Free(r.num_constraints_partition);
    Free(r.Jsize);
    Free(r.Jofs);
    FreeAligned(r.Jbody);
    FreeAligned(r.constraintForces);
    FreeAligned(r.Jstore);
    FreeAligned(r.xi);
    FreeAligned(r.c);
    FreeAligned(r.lo);
    FreeAligned(r.hi);
    FreeAligned(r.lambda);
    FreeAligned(r.slipfactor);
    FreeAligned(r.xgamma);
    Free(w->stepScratch.visitedBodies);
    Free(w->stepScratch.visitedConstraints);
    Free(w->stepScratch.contacts);
    Free(w->stepScratch.groupContacts);
    MeChunkTerm(&w->scratch);
    MeMemoryAPI.destroy(w);
}

void InitTree(MeRBTree* tree)
{
    MeRBTreeInit(tree, 1000000, MeCompareIntegers);
    MeRBTreeSetIntrusive(tree);
}

}  // namespace

MdtWorld* MdtWorldCreate(int maxBodies, int maxConstraints)
{
    if (maxBodies <= 0 || maxConstraints < 0)
        return nullptr;
    MdtWorld* w = static_cast<MdtWorld*>(MeMemoryAPI.createZeroed(sizeof(MdtWorld)));
    if (!w)
        return nullptr;
    w->solverVariant = keaDetectCPU();
    MeChunkInit(&w->scratch);
    MeChunkSetAuto(&w->scratch, 1024, 16);
    w->maxBodies = maxBodies;
    const std::size_t nb = static_cast<std::size_t>(maxBodies);
    const std::size_t nc = static_cast<std::size_t>(maxConstraints);
    w->solverBodies = static_cast<keaBody**>(CreateAligned64(nb * sizeof(keaBody*)));
    w->stepTransforms = static_cast<MeMatrix4*>(CreateAligned64(nb * sizeof(MeMatrix4)));
    bool ok = w->scratch.block && w->solverBodies && w->stepTransforms;
    ok = ok && MeFixedPoolCreate(&w->bodyPool, maxBodies, sizeof(MdtBody), 16);
    w->maxConstraints = maxConstraints;
    if (ok && maxConstraints > 0)
        ok = MeFixedPoolCreate(&w->constraintPool, maxConstraints, sizeof(MdtConstraint), 0);
    InitTree(&w->bodyTree);
    InitTree(&w->enabledBodyTree);
    InitTree(&w->enabledConstraintTree);

    MdtPartitionOutput& po = w->partitions;
    po.bodyCapacity = maxBodies;
    po.constraintCapacity = maxConstraints;
    po.bodies = static_cast<MdtBody**>(CreateZeroed(nb * sizeof(MdtBody*)));
    po.bodyStart = static_cast<int*>(CreateZeroed(nb * sizeof(int)));
    po.bodyCount = static_cast<int*>(CreateZeroed(nb * sizeof(int)));
    po.constraintStart = static_cast<int*>(CreateZeroed(nb * sizeof(int)));
    po.constraintCount = static_cast<int*>(CreateZeroed(nb * sizeof(int)));
    w->stepScratch.visitedBodies = static_cast<MdtBody**>(CreateZeroed(nb * sizeof(MdtBody*)));
    ok = ok && po.bodies && po.bodyStart && po.bodyCount && po.constraintStart && po.constraintCount &&
         w->stepScratch.visitedBodies;

    keaConstraints& r = w->rows;
    r.max_partitions = maxBodies;
    r.num_rows_exc_padding_partition = static_cast<int*>(CreateZeroed(nb * sizeof(int)));
    r.num_rows_inc_padding_partition = static_cast<int*>(CreateZeroed(nb * sizeof(int)));
    r.num_constraints_partition = static_cast<int*>(CreateZeroed(nb * sizeof(int)));
    ok = ok && r.num_rows_exc_padding_partition && r.num_rows_inc_padding_partition && r.num_constraints_partition;
    if (maxConstraints > 0) {
        const int rowsCap = MdtMaxConstraintRows(maxConstraints);
        const std::size_t nr = static_cast<std::size_t>(rowsCap);
        r.max_constraint_rows = rowsCap;
        r.max_constraints = maxConstraints;
        po.constraints = static_cast<MdtConstraint**>(CreateZeroed(nc * sizeof(MdtConstraint*)));
        r.Jsize = static_cast<int*>(CreateZeroed(nc * sizeof(int)));
        r.Jofs = static_cast<int*>(CreateZeroed(nc * sizeof(int)));
        r.Jbody = static_cast<int*>(CreateAligned64(nc * 2 * sizeof(int)));
        r.constraintForces = static_cast<MeReal*>(CreateAligned64(nc * 16 * sizeof(MeReal)));
        r.Jstore = static_cast<MeReal*>(CreateAligned64(nr * 12 * sizeof(MeReal)));
        r.xi = static_cast<MeReal*>(CreateAligned64(nr * sizeof(MeReal)));
        r.c = static_cast<MeReal*>(CreateAligned64(nr * sizeof(MeReal)));
        r.lo = static_cast<MeReal*>(CreateAligned64(nr * sizeof(MeReal)));
        r.hi = static_cast<MeReal*>(CreateAligned64(nr * sizeof(MeReal)));
        r.lambda = static_cast<MeReal*>(CreateAligned64(nr * sizeof(MeReal)));
        r.slipfactor = static_cast<MeReal*>(CreateAligned64(nr * sizeof(MeReal)));
        r.xgamma = static_cast<MeReal*>(CreateAligned64(nr * sizeof(MeReal)));
        w->stepScratch.visitedConstraints = static_cast<MdtConstraint**>(CreateZeroed(nc * sizeof(MdtConstraint*)));
        w->stepScratch.contacts = static_cast<MdtConstraint**>(CreateZeroed(nc * sizeof(MdtConstraint*)));
        w->stepScratch.groupContacts = static_cast<MdtConstraint**>(CreateZeroed(nc * sizeof(MdtConstraint*)));
        ok = ok && po.constraints && r.Jsize && r.Jofs && r.Jbody && r.constraintForces && r.Jstore && r.xi &&
             r.c && r.lo && r.hi && r.lambda && r.slipfactor && r.xgamma && w->stepScratch.visitedConstraints &&
             w->stepScratch.contacts && w->stepScratch.groupContacts;
    }
    if (!ok) {
        Release(w);
        return nullptr;
    }
    w->bodyEnabledHook = nullptr;
    w->bodyDisabledHook = nullptr;
    MdtWorldReset(w);
    w->version = MdtVersion();
    return w;
}

void MdtWorldDestroy(MdtWorld* world)
{
    if (world)
        Release(world);
}

void MdtWorldReset(MdtWorld* w)
{
    w->epsilon = 0.01f;
    w->workingGamma = w->gamma = 0.2f;
    w->gravity[0] = w->gravity[1] = w->gravity[2] = 0;
    w->autoDisable.autoDisable = 0;
    w->autoDisable.velocityThreshold = 0.02f;
    w->autoDisable.angularThreshold = 0.001f;
    w->autoDisable.unused3 = 0.5f;
    w->autoDisable.accelerationThreshold = 0.002f;
    w->autoDisable.restSteps = 10;
    w->autoDisable.maxRows = INT_MAX;
    w->autoDisable.contactImportance = MdtContactGroupPrioritize;
    w->debugDrawFlags = 0;
    w->solverDebug.writeInput = 0;
    w->solverDebug.readInput = 0;
    w->solverDebug.writeIntermediate = 0;
    w->solverDebug.unused6 = 0;
}

int MdtWorldGetBodyCount(const MdtWorld* world) { return world->nBodies; }
int MdtWorldGetConstraintCount(const MdtWorld* world) { return GetThirdWord(&world->constraintPool); }
int MdtWorldGetEnabledBodyCount(const MdtWorld* world) { return world->nEnabledBodies; }

void MdtWorldSetGamma(MdtWorld* world, MeReal gamma) { world->gamma = world->workingGamma = gamma; }
MeReal MdtWorldGetGamma(const MdtWorld* world) { return world->gamma; }
void MdtWorldSetEpsilon(MdtWorld* world, MeReal epsilon) { world->epsilon = epsilon; }

void MdtWorldSetGravity(MdtWorld* world, MeReal x, MeReal y, MeReal z)
{
    world->gravity[0] = x, world->gravity[1] = y, world->gravity[2] = z;
}

void MdtWorldSetAutoDisable(MdtWorld* world, int on) { world->autoDisable.autoDisable = on; }

void MdtWorldSetBodyHooks(MdtWorld* world, MdtBodyHook enabled, MdtBodyHook disabled)
{
    world->bodyEnabledHook = enabled;
    world->bodyDisabledHook = disabled;
}

void* MdtWorldFillSolverParams(MdtWorld* world, unsigned maxRows, MeReal stepsize, keaParams* out)
{
    out->stepsize = stepsize;
    out->epsilon = world->epsilon;
    out->gamma = world->workingGamma;
    out->max_iterations = 10;
    // The solver takes its per-body data from the same block, ahead of the partitions.
    out->memorySize = MdtSolverScratchSize(static_cast<int>(maxRows)) + keaBodyScratchSize(world->partitions.totalBodies);
    out->memory = MeChunkGetMem(&world->scratch, out->memorySize);
    out->cpu_resources = world->solverVariant;
    out->debug = world->solverDebug;
    return out->memory;
}
