#include "physics/collision/framework.h"

#include "physics/collision/collision_local.h"
#include "physics/collision/error.h"
#include "physics/collision/geometry.h"
#include "physics/collision/geometry_tests.h"
#include "physics/collision/mass.h"
#include "physics/collision/model.h"
#include "physics/collision/model_pair.h"

namespace {

McdFramework* gCurrentFramework = nullptr;

// The record handed out for pairs whose types lie outside the table: all functions null.
McdInteractions gEmptyInteractions;

constexpr int kPairDataPoolSize = 100;

bool ValidType(const McdFramework* fw, int typeId)
{
    return fw && typeId >= 0 && typeId < fw->typeCount;
}

void FreeFramework(McdFramework* fw)
{
    if (fw->interactions) {
        McdDeleteArray(fw->interactions->entries);
        McdDelete(fw->interactions);
    }
    if (fw->pairDataPool) {
        MeFixedPoolDestroy(fw->pairDataPool);
        McdDelete(fw->pairDataPool);
    }
    MeFixedPoolDestroy(&fw->modelPool);
    MeFixedPoolDestroy(&fw->instancePool);
    McdDelete(fw->defaultRequestStorage);
    McdDeleteArray(fw->types);
    McdCleanupNode* node = fw->cleanups;
    while (node) {
        McdCleanupNode* next = node->next;
        McdDelete(node);
        node = next;
    }
    McdDelete(fw);
}

void McdInteractionTableInit(McdInteractionTable* table, int n, McdInteraction* entries)
{
    table->n = n;
    table->entries = entries;
    for (int i = 0; i < n * n; ++i)
        entries[i] = McdInteraction{};
}

}  // namespace

int McdGetExtraTypeCount()
{
    return kMcdExtraTypeCount;
}

const char* McdGetVersionString()
{
    return "1.1.0 (build 631)";
}

McdFrameworkID McdFrameworkGetCurrent()
{
    return gCurrentFramework;
}

McdFrameworkID McdInit(int extraTypeCount, int maxModels, int maxInstances)
{
    if (extraTypeCount < 0 || maxModels < 0 || maxInstances < 0)
        return nullptr;
    McdFramework* fw = McdNew<McdFramework>();
    if (!fw)
        return nullptr;
    fw->typeCount = extraTypeCount + kMcdBuiltinTypeCount;
    fw->version = McdGetVersionString();
    const std::size_t n = static_cast<std::size_t>(fw->typeCount);
    fw->types = McdNewArray<McdGeometryTypeEntry>(n);
    fw->interactions = McdNew<McdInteractionTable>();
    McdInteraction* entries = McdNewArray<McdInteraction>(n * n);
    fw->defaultRequestStorage = McdNew<McdIntersectRequest>();
    bool ok = fw->types && fw->interactions && entries && fw->defaultRequestStorage;
    if (ok && maxModels > 0)
        ok = MeFixedPoolCreate(&fw->modelPool, maxModels, sizeof(McdModel), alignof(McdModel)) != 0;
    if (ok && maxInstances > 0)
        ok = MeFixedPoolCreate(&fw->instancePool, maxInstances, sizeof(McdGeometryInstance),
                               alignof(McdGeometryInstance)) != 0;
    if (!ok) {
        if (fw->interactions)
            fw->interactions->entries = entries;
        else
            McdDeleteArray(entries);
        FreeFramework(fw);
        return nullptr;
    }
    McdInteractionTableInit(fw->interactions, fw->typeCount, entries);
    fw->defaultRequest = fw->defaultRequestStorage;
    gCurrentFramework = fw;
    McdGeometryTestsCreate();
    return fw;
}

void McdTerm(McdFrameworkID fw)
{
    if (!fw)
        return;
    for (McdCleanupNode* node = fw->cleanups; node; node = node->next)
        node->cleanup(fw);
    McdGeometryTestsDestroy();
    fw->typeCount = 0;
    FreeFramework(fw);
    if (gCurrentFramework == fw)
        gCurrentFramework = nullptr;
}

McdIntersectRequest* McdFrameworkGetDefaultRequest(McdFrameworkID fw)
{
    return fw->defaultRequest;
}

McdCleanupNode* McdFrameworkAddCleanup(McdFrameworkID /*framework*/, McdFrameworkCleanupFn cleanup)
{
    McdFramework* current = gCurrentFramework;
    if (!current)
        return nullptr;
    McdCleanupNode* node = McdNew<McdCleanupNode>(McdCleanupNode{cleanup, current->cleanups});
    if (node)
        current->cleanups = node;
    return node;
}

void McdGeometryRegisterType(McdFrameworkID fw, int typeId, const char* name, McdGeometryDestroyFn destroy,
                             McdGeometryUpdateFn update, McdGeometryGetBSphereFn boundingSphere,
                             McdGeometryMaximumPointFn maximPoint, McdGeometryGetMassPropertiesFn massProperties)
{
    if (!ValidType(fw, typeId)) {
        McdError(McdErrorTable, kMcdErrorRegisterType, " in McdGeometryRegisterType.", "McdGeometryRegisterType",
                 "McdFrame", 371);
        return;
    }
    McdGeometryTypeEntry& e = fw->types[typeId];
    e.destroy = destroy;
    e.update = update;
    e.boundingSphere = boundingSphere;
    e.maximPoint = maximPoint;
    e.massProperties = massProperties;
    e.name = name;
    e.registered = 1;
}

McdGeometryTypeEntry* McdFrameworkGetTypeEntry(McdFrameworkID fw, int typeId)
{
    return ValidType(fw, typeId) ? &fw->types[typeId] : nullptr;
}

void McdGeometrySetLineSegFn(McdFrameworkID fw, int typeId, McdLineSegIntersectFn test)
{
    if (ValidType(fw, typeId))
        fw->types[typeId].lineSegment = test;
}

void McdFrameworkSetInteraction(McdFrameworkID fw, int a, int b, const McdInteractions* fns,
                                McdInteractionResolverFn resolver)
{
    if (!ValidType(fw, a) || !ValidType(fw, b)) {
        McdError(McdErrorTable, kMcdErrorInvalidInteractionType, "", "McdFrameworkSetInteraction", "McdFrame",
                 __LINE__);
        return;
    }
    const int n = fw->interactions->n;
    McdInteraction& e = fw->interactions->entries[b * n + a];
    e.mirrored = 0;
    e.registered = 1;
    e.fns = fns ? *fns : McdInteractions{};
    e.resolver = resolver;
    if (a != b) {
        McdInteraction& m = fw->interactions->entries[a * n + b];
        m.mirrored = 1;
        m.registered = 1;
        m.fns = e.fns;
        m.resolver = resolver;
    }
}

McdInteraction* McdFrameworkGetInteractionEntry(McdFrameworkID fw, int type1, int type2)
{
    if (!ValidType(fw, type1) || !ValidType(fw, type2))
        return nullptr;
    return &fw->interactions->entries[type2 * fw->interactions->n + type1];
}

McdInteractions* McdFrameworkGetInteraction(McdModelPair* pair, int* mirrored)
{
    McdFramework* fw = pair->model1->framework;
    McdGeometry* g1 = pair->model1->instance.geometry;
    McdGeometry* g2 = pair->model2->instance.geometry;
    McdInteraction* e = (g1 && g2) ? McdFrameworkGetInteractionEntry(fw, g1->type, g2->type) : nullptr;
    if (!e) {
        *mirrored = 0;
        return &gEmptyInteractions;
    }
    *mirrored = e->mirrored;
    return e->resolver ? e->resolver(pair) : &e->fns;
}

int McdPairDataPoolCreate(McdFrameworkID fw, int recordSize)
{
    if (!fw->pairDataPool) {
        MeFixedPool* pool = McdNew<MeFixedPool>();
        if (!pool)
            return 0;
        if (!MeFixedPoolCreate(pool, kPairDataPoolSize, recordSize, alignof(std::max_align_t))) {
            McdDelete(pool);
            return 0;
        }
        fw->pairDataPool = pool;
    }
    return 1;
}
