#include "physics/collision/model.h"

#include <new>

#include "physics/collision/aggregate.h"
#include "physics/collision/collision_local.h"
#include "physics/collision/geometry.h"
#include "physics/collision/space.h"
#include "physics/dynamics/body.h"
#include "physics/dynamics/me_message.h"

namespace {

// Gives every child instance of `instance` back to the pool, depth first, dropping the
// reference each held on its geometry.
void ReleaseChildren(McdGeometryInstance* instance, MeFixedPool* pool)
{
    McdGeometryInstance* c = instance->child;
    while (c) {
        McdGeometryInstance* next = c->next;
        ReleaseChildren(c, pool);
        if (c->geometry)
            --c->geometry->refCount;
        c->~McdGeometryInstance();
        MeFixedPoolPut(pool, c);
        c = next;
    }
    instance->child = nullptr;
}

void Multiply4(MeMatrix4Ptr out, MeConstMatrix4Ptr a, MeConstMatrix4Ptr b)
{
    MeReal r[4][4];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i][j] = r[i][j];
}

}  // namespace

void McdGeometryInstanceReset(McdGeometryInstance* instance)
{
    *instance = McdGeometryInstance{};
}

void McdGeometryInstanceSetGeometry(McdGeometryInstance* instance, McdGeometryID geometry)
{
    McdGeometry* old = instance->geometry;
    if (instance->child && old)
        ReleaseChildren(instance, &old->framework->instancePool);
    if (old)
        --old->refCount;
    instance->geometry = geometry;
    if (!geometry)
        return;
    ++geometry->refCount;
    if (geometry->type != kMcdAggregateType)
        return;

    // One child instance per element slot, empty slots included.
    const int n = McdAggregateGetElementCapacity(geometry);
    MeFixedPool* pool = &geometry->framework->instancePool;
    McdGeometryInstance* last = nullptr;
    for (int k = 0; k < n; ++k) {
        void* block = MeFixedPoolGet(pool);
        if (!block) {
            MeWarning(0, "McdGeometryInstanceSetGeometry: instance pool exhausted, %d of %d aggregate elements "
                         "attached.\n", k, n);
            break;
        }
        McdGeometryInstance* c = new (block) McdGeometryInstance();
        c->parent = instance;
        c->prev = last;
        if (last)
            last->next = c;
        else
            instance->child = c;
        last = c;
        McdGeometryID element = McdAggregateGetElementGeometry(geometry, k);
        if (element)
            McdGeometryInstanceSetGeometry(c, element);
    }
}

McdGeometryID McdGeometryInstanceGetGeometry(McdGeometryInstance* instance)
{
    return instance->geometry;
}

void McdGeometryInstanceSetTransformPtr(McdGeometryInstance* instance, MeMatrix4Ptr transform)
{
    instance->transform = transform;
}

MeMatrix4Ptr McdGeometryInstanceGetTransformPtr(McdGeometryInstance* instance)
{
    return instance->transform;
}

void McdGeometryInstanceGetAABB(McdGeometryInstance* instance, MeReal min[3], MeReal max[3])
{
    for (int j = 0; j < 3; ++j) {
        min[j] = instance->min[j];
        max[j] = instance->max[j];
    }
}

void McdGeometryInstanceUpdateAABB(McdGeometryInstance* instance, MeConstMatrix4Ptr second)
{
    if (!instance->geometry || !instance->transform)
        return;
    McdGeometryTypeEntry* entry = McdGeometryGetTypeEntry(instance->geometry);
    if (entry && entry->update)
        entry->update(instance, second);
}

void McdGeometryInstanceGetBSphere(McdGeometryInstance* instance, MeReal centre[3], MeReal* radius)
{
    MeReal local[3] = {0, 0, 0};
    *radius = 0;
    McdGeometryGetBSphere(instance->geometry, local, radius);
    if (instance->transform) {
        MeMatrix4TransformPoint(instance->transform, local, centre);
    } else {
        centre[0] = local[0];
        centre[1] = local[1];
        centre[2] = local[2];
    }
}

void McdGeometryInstanceSetData(McdGeometryInstance* instance, std::uintptr_t data)
{
    instance->data = data;
}

std::uintptr_t McdGeometryInstanceGetData(McdGeometryInstance* instance)
{
    return instance->data;
}

void McdModelReset(McdModelID model)
{
    McdFramework* framework = model->framework;
    *model = McdModel{};
    model->framework = framework;
}

McdModelID McdModelCreate(McdGeometryID geometry)
{
    if (!geometry)
        return nullptr;
    McdFramework* framework = geometry->framework;
    void* block = MeFixedPoolGet(&framework->modelPool);
    if (!block)
        return nullptr;
    McdModel* model = new (block) McdModel();
    model->framework = framework;
    model->padding = framework->defaultPadding;
    McdGeometryInstanceSetGeometry(&model->instance, geometry);
    return model;
}

int McdModelDestroy(McdModelID model)
{
    if (!model)
        return 0;
    // A model still in a space would leave the space holding a freed record.
    if (model->space) {
        MeWarning(0, "McdModelDestroy: model still in a space; removing it first.\n");
        if (!McdSpaceRemoveModel(model))
            return 0;
    }
    // The body must not go on naming a freed model (its hooks would reach it).
    if (model->body && model->body->model == model)
        model->body->model = nullptr;
    McdGeometryInstanceSetGeometry(&model->instance, nullptr);
    McdFramework* framework = model->framework;
    model->~McdModel();
    MeFixedPoolPut(&framework->modelPool, model);
    return 1;
}

void McdModelGetAABB(McdModelID model, MeReal min[3], MeReal max[3])
{
    McdGeometryInstanceGetAABB(&model->instance, min, max);
}

MeMatrix4Ptr McdModelGetTransformPtr(McdModelID model)
{
    return model->instance.transform;
}

void McdModelSetTransformPtr(McdModelID model, MeMatrix4Ptr transform)
{
    model->instance.transform = transform;
}

void McdModelSetRelativeTransforms(McdModelID model, MeMatrix4Ptr relative, MeMatrix4Ptr parent,
                                   MeMatrix4Ptr combined)
{
    model->relTM = relative;
    model->parentTM = parent;
    model->instance.transform = combined;
}

void McdModelSetUserData(McdModelID model, void* data)
{
    model->userData = data;
}

void* McdModelGetUserData(McdModelID model)
{
    return model->userData;
}

McdGeometryID McdModelGetGeometry(McdModelID model)
{
    return model->instance.geometry;
}

void McdModelSetData(McdModelID model, std::uintptr_t data)
{
    model->instance.data = data;
}

std::uintptr_t McdModelGetData(McdModelID model)
{
    return model->instance.data;
}

void McdModelSetPadding(McdModelID model, MeReal padding)
{
    model->padding = padding;
}

MeReal McdModelGetPadding(McdModelID model)
{
    return model->padding;
}

void McdModelSetLinearVelocityPtr(McdModelID model, MeReal* velocity)
{
    model->linearVelocity = velocity;
}

void McdModelSetAngularVelocityPtr(McdModelID model, MeReal* velocity)
{
    model->angularVelocity = velocity;
}

McdGeometryInstance* McdModelGetGeometryInstance(McdModelID model)
{
    return &model->instance;
}

MeI16 McdModelGetSortKey(McdModelID model)
{
    return model->sortKey;
}

void McdModelSetSortKey(McdModelID model, MeI16 key)
{
    model->sortKey = key;
}

void McdModelSetUpdateCallback(McdModelID model, McdModelUpdateCallback fn)
{
    model->updateFn = fn;
}

McdSpaceID McdModelGetSpace(McdModelID model)
{
    return model->space;
}

MdtBody* McdModelGetBody(McdModelID model)
{
    return model->body;
}

void McdModelGetBSphere(McdModelID model, MeReal centre[3], MeReal* radius)
{
    McdGeometryInstanceGetBSphere(&model->instance, centre, radius);
}

void MeMatrix4MultiplyAffine(MeMatrix4Ptr out, MeConstMatrix4Ptr rel, MeConstMatrix4Ptr parent)
{
    MeReal r[4][4];
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j)
            r[i][j] = rel[i][0] * parent[0][j] + rel[i][1] * parent[1][j] + rel[i][2] * parent[2][j];
        r[i][3] = 0;
    }
    for (int j = 0; j < 3; ++j)
        r[3][j] += parent[3][j];
    r[3][3] = 1;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            out[i][j] = r[i][j];
}

void McdModelUpdate(McdModelID model)
{
    if (model->updateFn)
        model->updateFn(model);
    if (model->relTM && model->parentTM && model->instance.transform)
        Multiply4(model->instance.transform, model->relTM, model->parentTM);
    McdGeometryInstanceUpdateAABB(&model->instance, nullptr);
    McdFramework* framework = model->framework;
    if (framework && (framework->hookFlags & kMcdHookModelUpdated) && framework->modelUpdatedHook)
        framework->modelUpdatedHook(model);
}

void McdModelUpdateFn(void* data, void* /*argument*/)
{
    McdModelUpdate(static_cast<McdModelID>(data));
}
