#pragma once
/// The dynamics world: pools of bodies and constraints, the sets that say which of them take
/// part in a step, the solver's row storage and scratch, step parameters, auto-disable
/// settings and the body enable/disable hooks.

#include "physics/dynamics/body.h"
#include "physics/dynamics/constraint.h"
#include "physics/dynamics/kea_types.h"
#include "physics/dynamics/me_chunk.h"
#include "physics/dynamics/me_pool.h"
#include "physics/dynamics/me_rbtree.h"

/// Ranks the contacts of one contact group before contacts are shed; returns its contact count.
using MdtContactImportanceFn = int (*)(MdtConstraint* group);

/// Auto-disable settings and the row limit of one partition.
struct MdtAutoDisableParams {
    int autoDisable;            ///< nonzero: partitions at rest are disabled
    MeReal velocityThreshold;   ///< squared linear speed above which a body moves
    MeReal angularThreshold;    ///< squared angular speed
    MeReal unused3;
    MeReal accelerationThreshold;  ///< squared linear and angular acceleration
    int restSteps;              ///< a body enabled fewer steps ago counts as moving
    int maxRows;                ///< largest padded row count of one partition
    MdtContactImportanceFn contactImportance;
};

/// Partitions of one step: islands of bodies joined by enabled constraints.
struct MdtPartitionOutput {
    MdtConstraint** constraints = nullptr;
    int* constraintStart = nullptr;
    int* constraintCount = nullptr;
    int totalConstraints = 0;
    int constraintCapacity = 0;
    MdtBody** bodies = nullptr;
    int* bodyStart = nullptr;
    int* bodyCount = nullptr;
    int totalBodies = 0;
    int bodyCapacity = 0;
    int partitionCount = 0;
};

using MdtBodyHook = void (*)(MdtBody* body);

/// Per-step working arrays sized from the capacities at creation.
struct MdtStepScratch {
    MdtBody** visitedBodies = nullptr;            ///< body capacity
    MdtConstraint** visitedConstraints = nullptr; ///< constraint capacity
    MdtConstraint** contacts = nullptr;           ///< constraint capacity (row shedding)
    MdtConstraint** groupContacts = nullptr;      ///< constraint capacity (ranking one group)
};

struct MdtWorld {
    MeRBTree bodyTree;
    MeRBTree enabledConstraintTree;
    MeRBTree enabledBodyTree;
    int solverVariant;  ///< 1 x87 kernels, 2 SSE kernels
    MeChunk scratch;
    int maxBodies;
    int nBodies;
    int nEnabledBodies;
    MeFixedPool bodyPool;
    keaBody** solverBodies;   ///< per step index
    MeMatrix4* stepTransforms;  ///< per step index, centre-of-mass frames
    int maxConstraints;
    int nEnabledConstraints;
    MeFixedPool constraintPool;
    keaConstraints rows;
    MdtPartitionOutput partitions;
    MeReal epsilon;
    MeReal workingGamma;
    MeReal gravity[3];
    MeReal gamma;
    MdtAutoDisableParams autoDisable;
    MeU32 debugDrawFlags;  ///< bit 0 contact normals, bit 1 contact forces
    MdtBodyHook bodyEnabledHook;
    MdtBodyHook bodyDisabledHook;
    keaDebug solverDebug;
    const char* version;
    MdtStepScratch stepScratch;
};

using MdtWorldID = MdtWorld*;

/// A world with room for `maxBodies` bodies and `maxConstraints` constraints; null when
/// maxBodies is not positive, maxConstraints is negative or an allocation fails.
MdtWorld* MdtWorldCreate(int maxBodies, int maxConstraints);
/// Frees the world, its pools and arrays. Bodies and constraints are not visited.
void MdtWorldDestroy(MdtWorld* world);
/// Step parameters, auto-disable block and debug switches to their defaults.
void MdtWorldReset(MdtWorld* world);
int MdtWorldGetBodyCount(const MdtWorld* world);
/// Constraint records in use (created and not destroyed).
int MdtWorldGetConstraintCount(const MdtWorld* world);
int MdtWorldGetEnabledBodyCount(const MdtWorld* world);
void MdtWorldSetGamma(MdtWorld* world, MeReal gamma);
MeReal MdtWorldGetGamma(const MdtWorld* world);
void MdtWorldSetEpsilon(MdtWorld* world, MeReal epsilon);
void MdtWorldSetGravity(MdtWorld* world, MeReal x, MeReal y, MeReal z);
void MdtWorldSetAutoDisable(MdtWorld* world, int on);
/// Hooks called with a body whenever it becomes enabled or disabled (null: none).
void MdtWorldSetBodyHooks(MdtWorld* world, MdtBodyHook enabled, MdtBodyHook disabled);
/// Fills the solver parameters for a step whose largest partition has `maxRows` real rows and
/// returns the scratch memory (null when the scratch cannot grow).
void* MdtWorldFillSolverParams(MdtWorld* world, unsigned maxRows, MeReal stepsize, keaParams* out);

/// The toolkit's version text.
const char* MdtVersion();

/// An empty operation.
inline void DoNothing(...) {}
