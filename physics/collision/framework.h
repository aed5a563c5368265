#pragma once
/// The collision framework: the root record of the collision component.
///
/// `McdInit` creates one framework per run. It owns the geometry type table (one entry per
/// type id, filled by the types' register functions), the pair-interaction table (for every
/// ordered pair of type ids the hello, goodbye, intersect and safe-time functions), the pools
/// of model and geometry-instance records, the cleanup list run by `McdTerm`, the default
/// contact padding and the default intersect request. The framework of the last `McdInit` is
/// also the current framework (`McdFrameworkGetCurrent`).

#include <cstddef>
#include <cstdint>

#include "physics/dynamics/me_pool.h"
#include "physics/dynamics/me_types.h"

using MeI16 = std::int16_t;
using MeU8 = std::uint8_t;
/// A transform: 4x4 row-major, rows 0-2 the local axes in world space, row 3 the position.
using MeMatrix4Ptr = MeReal (*)[4];
using MeConstMatrix4Ptr = const MeReal (*)[4];

struct McdFramework;
struct McdGeometry;
struct McdGeometryInstance;
struct McdModel;
struct McdModelPair;
struct McdIntersectResult;
struct McdLineSegIntersectResult;
struct McdSafeTimeResult;
class McdSpace;

using McdFrameworkID = McdFramework*;
using McdGeometryID = McdGeometry*;
using McdModelID = McdModel*;
using McdSpaceID = McdSpace*;
using McdModelPairID = McdModelPair*;

/// Geometry type ids of this program.
enum McdGeometryTypeId : MeI16 {
    kMcdSphereType = 1,
    kMcdBoxType = 2,
    kMcdPlaneType = 3,
    kMcdCylinderType = 4,
    kMcdConeType = 5,
    kMcdTriangleListType = 6,
    kMcdModelElementsType = 7,  ///< elements that are models; never created here
    kMcdConvexMeshType = 8,
    kMcdTriangleMeshType = 11,
    kMcdAggregateType = 12,
};

/// Extra type count the engine passes (plus one) to `McdInit`.
inline constexpr int kMcdExtraTypeCount = 6;
/// Built-in type count: the type table has extra + this many entries.
inline constexpr int kMcdBuiltinTypeCount = 13;
/// Default contact padding of every new model.
inline constexpr MeReal kMcdDefaultPadding = 0.005f;

// Type-table functions.
using McdGeometryDestroyFn = void (*)(McdGeometryID geometry);
/// Writes the instance's world box; `secondTransform` (null in this program) widens it to
/// the union with the box at that transform.
using McdGeometryUpdateFn = void (*)(McdGeometryInstance* instance, MeConstMatrix4Ptr secondTransform);
using McdGeometryGetBSphereFn = void (*)(McdGeometryID geometry, MeReal centre[3], MeReal* radius);
using McdGeometryMaximumPointFn = void (*)(McdGeometryInstance* instance, const MeReal direction[3],
                                           MeReal point[3]);
/// Inertia per unit mass about the centre of mass, the mass frame, the volume; returns 0.
using McdGeometryGetMassPropertiesFn = MeI16 (*)(McdGeometryID geometry, MeReal relTM[16],
                                                 MeReal inertia[9], MeReal* volume);
/// Line-segment test of one model: non-zero on a hit, with the hit's position, normal and
/// distance written (the model field is the caller's).
using McdLineSegIntersectFn = int (*)(McdModelID model, const MeReal p1[3], const MeReal p2[3],
                                      McdLineSegIntersectResult* hit);

// Pair functions.
using McdHelloFn = int (*)(McdModelPair* pair);
using McdGoodbyeFn = int (*)(McdModelPair* pair);
using McdIntersectFn = int (*)(McdModelPair* pair, McdIntersectResult* result);
using McdSafeTimeFn = int (*)(McdModelPair* pair, MeReal timeStep, McdSafeTimeResult* result);

/// The four functions that serve two models of given types.
struct McdInteractions {
    McdHelloFn hello = nullptr;
    McdGoodbyeFn goodbye = nullptr;
    McdIntersectFn intersect = nullptr;
    McdSafeTimeFn safeTime = nullptr;
};

/// Chooses the four-function record for one pair at hello, in place of the entry's own.
using McdInteractionResolverFn = McdInteractions* (*)(McdModelPair* pair);

/// One entry of the interaction table, index = type(model 2) x n + type(model 1).
struct McdInteraction {
    MeI16 mirrored = 0;    ///< 1: the registration named the types the other way round
    MeI16 registered = 0;  ///< 1 once `McdFrameworkSetInteraction` has written the entry
    McdInteractions fns;
    McdInteractionResolverFn resolver = nullptr;
};

struct McdInteractionTable {
    int n = 0;                        ///< type count
    McdInteraction* entries = nullptr;  ///< n x n
};

struct McdGeometryTypeEntry {
    McdGeometryDestroyFn destroy = nullptr;
    McdGeometryUpdateFn update = nullptr;
    McdGeometryGetBSphereFn boundingSphere = nullptr;
    McdGeometryMaximumPointFn maximPoint = nullptr;
    McdGeometryGetMassPropertiesFn massProperties = nullptr;
    void* reserved = nullptr;
    McdLineSegIntersectFn lineSegment = nullptr;
    const char* name = nullptr;
    int registered = 0;
};

using McdFrameworkCleanupFn = void (*)(McdFramework* framework);

struct McdCleanupNode {
    McdFrameworkCleanupFn cleanup;
    McdCleanupNode* next;
};

/// Contact budget of one pair and the culling's face-first flag; travels with every pair.
struct McdIntersectRequest {
    int contactMaxCount = 4;
    int faceNormalsFirst = 0;
};

using McdHelloHookFn = void (*)(McdModelPair* pair);
using McdModelUpdatedHookFn = void (*)(McdModelID model);

/// Hook flag bit 0: call the model-updated hook at the end of every `McdModelUpdate`.
inline constexpr unsigned kMcdHookModelUpdated = 1u;

struct McdFramework {
    int typeCount = 0;
    int reserved0 = 0;
    McdGeometryTypeEntry* types = nullptr;
    McdCleanupNode* cleanups = nullptr;   ///< newest first
    McdInteractionTable* interactions = nullptr;
    MeFixedPool* pairDataPool = nullptr;  ///< created on demand by the convex interactions
    void* reserved1 = nullptr;
    McdHelloHookFn helloHook = nullptr;
    MeFixedPool modelPool;
    MeFixedPool instancePool;
    MeReal defaultPadding = kMcdDefaultPadding;
    McdModelUpdatedHookFn modelUpdatedHook = nullptr;
    unsigned hookFlags = 0;
    McdIntersectRequest* defaultRequestStorage = nullptr;
    McdIntersectRequest* defaultRequest = nullptr;
    const char* version = nullptr;
};

/// Creates the framework with `extraTypeCount` + 13 type entries, room for `maxModels`
/// models and `maxInstances` extra geometry instances (aggregate elements). Returns null when
/// an argument is negative or an allocation fails.
McdFrameworkID McdInit(int extraTypeCount, int maxModels, int maxInstances);

/// Runs the cleanups (newest first), frees everything the framework owns and clears the
/// current framework when it is this one. Null is ignored.
void McdTerm(McdFrameworkID framework);

/// Extra geometry types beyond the built-in ones: 6.
int McdGetExtraTypeCount();

/// "1.1.0 (build 631)".
const char* McdGetVersionString();

/// The framework of the last `McdInit`, null after its `McdTerm`.
McdFrameworkID McdFrameworkGetCurrent();

/// The default request every new model pair points at.
McdIntersectRequest* McdFrameworkGetDefaultRequest(McdFrameworkID framework);

/// Adds a cleanup run at `McdTerm` to the current framework's list (whatever framework is
/// passed) and returns the node, or null without a current framework.
McdCleanupNode* McdFrameworkAddCleanup(McdFrameworkID framework, McdFrameworkCleanupFn cleanup);

/// Fills a type entry's functions and name and marks it registered. A type id outside the
/// table reports error 21 and registers nothing.
void McdGeometryRegisterType(McdFrameworkID framework, int typeId, const char* name,
                             McdGeometryDestroyFn destroy, McdGeometryUpdateFn update,
                             McdGeometryGetBSphereFn boundingSphere, McdGeometryMaximumPointFn maximPoint,
                             McdGeometryGetMassPropertiesFn massProperties);

/// The entry of a type id, or null outside the table.
McdGeometryTypeEntry* McdFrameworkGetTypeEntry(McdFrameworkID framework, int typeId);

/// Installs the line-segment test of a type (ignored outside the table).
void McdGeometrySetLineSegFn(McdFrameworkID framework, int typeId, McdLineSegIntersectFn test);

/// Writes the entry (A, B) at index B x n + A (mirrored 0) and, when A != B, the entry
/// (B, A) at index A x n + B (mirrored 1), both with a copy of `fns` and `resolver`.
/// Type ids outside the table report warning 35 and change nothing.
void McdFrameworkSetInteraction(McdFrameworkID framework, int typeA, int typeB, const McdInteractions* fns,
                                McdInteractionResolverFn resolver);

/// The table entry of the ordered pair (type of model 1, type of model 2), or null.
McdInteraction* McdFrameworkGetInteractionEntry(McdFrameworkID framework, int typeOfModel1, int typeOfModel2);

/// The four-function record for a pair (the resolver's choice when the entry has one) and
/// the entry's mirrored flag. A pair whose types lie outside the table gets an empty record.
McdInteractions* McdFrameworkGetInteraction(McdModelPair* pair, int* mirrored);

/// Creates the framework's pool of 100 pair-data records of `recordSize` bytes when it has
/// none. Returns 1 when the framework has a pool.
int McdPairDataPoolCreate(McdFrameworkID framework, int recordSize);
