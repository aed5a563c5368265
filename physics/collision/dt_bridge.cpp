// The bridge between collision and dynamics.
//
// Each step walks the space's pairs in batches of 50. Ended pairs lose their contact group;
// new pairs get their interaction (hello); every new and continuing pair whose models are
// not both frozen is intersected into the bridge's contact buffer and the contacts are copied
// into the pair's contact group, reusing the group's dynamics contacts in order and
// destroying the ones left over.
//
// Group bodies follow the pair's model order, so a contact normal (from model 2 towards
// model 1) is the dynamics normal from body 1 towards body 0. When model 1 has no body the
// bodies are swapped (the world becomes body 1) and the group's flip flag negates every
// normal. A group's key, -((key1 << 15) + key2) from the models' sort keys, orders the
// groups of a step deterministically.

#include "physics/collision/dt_bridge.h"

#include "physics/collision/collision_local.h"
#include "physics/collision/geometry.h"
#include "physics/collision/model.h"
#include "physics/dynamics/body.h"
#include "physics/dynamics/contact.h"

namespace {

int PairIndex(int n, int a, int b)
{
    const int i = a < b ? a : b;
    const int j = a < b ? b : a;
    return j + n * i - i * (i + 1) / 2;
}

bool ValidMaterial(const McdDtBridge* bridge, int id)
{
    return id >= 0 && id < bridge->materialCount;
}

// A model's material id; ids outside the table fall back to the default material 0.
int MaterialOf(const McdDtBridge* bridge, McdModelID model)
{
    const std::uintptr_t word = McdModelGetData(model);
    return word < static_cast<std::uintptr_t>(bridge->materialCount) ? static_cast<int>(word) : 0;
}

void DropGroup(McdModelPair* pair)
{
    MdtConstraint* g = pair->contactGroup;
    if (!g)
        return;
    pair->contactGroup = nullptr;
    MdtConstraintDisable(g);
    MdtContactGroupDestroy(g);
}

// Destroys every contact group of the body's world that uses the body, enabled or not (a
// disabled group is in no body's constraint set, so the world's pool is searched).
void DestroyGroupsOf(MdtBody* body)
{
    MdtWorld* world = body->world;
    if (!world)
        return;
    for (;;) {
        MdtConstraint* found[32];
        int count = 0;
        MeFixedPool& pool = world->constraintPool;
        for (int i = 0; i < pool.used && count < 32; ++i) {
            auto* c = static_cast<MdtConstraint*>(pool.freeList[i]);
            if (c->type == MdtTypeContactGroup && (c->body[0] == body || c->body[1] == body))
                found[count++] = c;
        }
        if (count == 0)
            return;
        for (int i = 0; i < count; ++i) {
            MdtConstraint* g = found[i];
            if (auto* pair = static_cast<McdModelPair*>(MdtContactGroupGetPair(g)))
                if (pair->contactGroup == g)
                    pair->contactGroup = nullptr;
            MdtConstraintDisable(g);
            MdtContactGroupDestroy(g);
        }
    }
}

void BodyDisabled(MdtBody* body)
{
    auto* model = static_cast<McdModelID>(body->model);
    if (model && McdModelGetSpace(model))
        McdSpaceFreezeModel(model);
}

void BodyEnabled(MdtBody* body)
{
    auto* model = static_cast<McdModelID>(body->model);
    if (model && McdModelGetSpace(model))
        McdSpaceUnfreezeModel(model);
}

void HelloGoodbye(McdPairContainer* c)
{
    for (int i = 0; i < c->endedCount; ++i)
        DropGroup(c->array[i]);
    McdGoodbyeEach(c);
    for (int i = c->newFirst; i < c->continuingFirst; ++i) {
        McdModelPair* pair = c->array[i];
        const McdGeometryID g1 = McdModelGetGeometry(pair->model1);
        const McdGeometryID g2 = McdModelGetGeometry(pair->model2);
        if (g1 && g2 && g1->type == g2->type &&
            McdModelGetSortKey(pair->model2) < McdModelGetSortKey(pair->model1)) {
            McdModel* t = pair->model1;
            pair->model1 = pair->model2;
            pair->model2 = t;
        }
        McdHello(pair);
    }
}

MdtConstraint* GroupFor(McdModelPair* pair, MdtWorld* world)
{
    if (pair->contactGroup)
        return pair->contactGroup;
    MdtBody* b1 = McdModelGetBody(pair->model1);
    MdtBody* b2 = McdModelGetBody(pair->model2);
    if (!b1 && !b2)
        return nullptr;
    MdtConstraint* g = MdtContactGroupCreate(world);
    if (!g)
        return nullptr;
    const int k1 = McdModelGetSortKey(pair->model1);
    const int k2 = McdModelGetSortKey(pair->model2);
    if (b1) {
        MdtConstraintSetBodies(g, b1, b2);
        MdtConstraintSetKey(g, -(k1 * 32768 + k2));
        MdtContactGroupSetFlip(g, 0);
    } else {
        MdtConstraintSetBodies(g, b2, nullptr);
        MdtConstraintSetKey(g, -(k2 * 32768 + k1));
        MdtContactGroupSetFlip(g, 1);
    }
    MdtContactGroupSetPair(g, pair);
    pair->contactGroup = g;
    return g;
}

void CollidePair(McdDtBridge* bridge, McdModelPair* pair, MdtWorld* world)
{
    if (McdSpaceModelIsFrozen(pair->model1) && McdSpaceModelIsFrozen(pair->model2))
        return;
    const int a = MaterialOf(bridge, pair->model1);
    const int b = MaterialOf(bridge, pair->model2);
    McdDtMaterialPair* material = McdDtBridgeGetMaterialPair(bridge, a, b);

    McdIntersectResult result;
    result.contacts = bridge->contacts;
    result.contactMaxCount = bridge->maxContacts;
    McdIntersect(pair, &result);
    if (result.contactCount > bridge->maxContacts)
        result.contactCount = bridge->maxContacts;
    if (result.touch && material->touchCallback)
        material->touchCallback(&result);

    MdtConstraint* g = GroupFor(pair, world);
    if (!g)
        return;
    const int flip = MdtContactGroupGetFlip(g);
    MdtConstraint* c = MdtContactGroupGetFirst(g);
    for (int i = 0; i < result.contactCount; ++i) {
        if (!c) {
            c = MdtContactGroupCreateContact(g);
            if (!c)
                continue;
        }
        McdContact& cc = result.contacts[i];
        MdtContactSetFromCollision(&material->params, cc.position, cc.normal, cc.separation, c, flip);
        if (material->contactCallback && material->contactCallback(&result, &cc, c) == 0)
            continue;  // rejected: the same dynamics contact takes the next one
        c = MdtContactGetNext(g, c);
    }
    while (c) {
        MdtConstraint* next = MdtContactGetNext(g, c);
        MdtContactGroupDestroyContact(g, c);
        c = next;
    }
    if (material->pairCallback && material->pairCallback(&result, g) == 0) {
        while (MdtConstraint* k = MdtContactGroupGetFirst(g))
            MdtContactGroupDestroyContact(g, k);
    }
    if (MdtContactGroupGetCount(g) > 0) {
        if (!MdtConstraintIsEnabled(g))
            MdtConstraintEnable(g);
    } else if (MdtConstraintIsEnabled(g)) {
        MdtConstraintDisable(g);
    }
}

int Update(McdDtBridge* bridge, McdSpaceID space, MdtWorld* world, bool collide)
{
    McdSpaceEndChanges(space);
    McdSpacePairIterator it;
    McdSpacePairIteratorInit(space, &it);
    int more = 1;
    while (more) {
        McdPairContainerInit(&bridge->container, bridge->pairs, kMcdDtBatchPairs);
        more = McdSpaceGetPairs(space, &it, &bridge->container);
        HelloGoodbye(&bridge->container);
        if (!collide)
            continue;
        const McdPairContainer& c = bridge->container;
        for (int i = c.newFirst; i < c.continuingEnd; ++i)
            CollidePair(bridge, c.array[i], world);
    }
    return McdSpaceBeginChanges(space);
}

}  // namespace

McdDtBridgeID McdDtBridgeCreate(int materialCount)
{
    if (materialCount < 1 || materialCount > 4096)
        return nullptr;
    McdDtBridge* bridge = McdNew<McdDtBridge>();
    if (!bridge)
        return nullptr;
    const int records = materialCount * (materialCount + 1) / 2;
    bridge->table = McdNewArray<McdDtMaterialPair>(static_cast<std::size_t>(records));
    if (!bridge->table) {
        McdDelete(bridge);
        return nullptr;
    }
    for (int i = 0; i < records; ++i)
        MdtContactParamsReset(&bridge->table[i].params);
    bridge->materialCount = materialCount;
    bridge->nextMaterial = 1;
    McdPairContainerInit(&bridge->container, bridge->pairs, kMcdDtBatchPairs);
    return bridge;
}

void McdDtBridgeDestroy(McdDtBridgeID bridge)
{
    if (!bridge)
        return;
    McdDeleteArray(bridge->table);
    McdDelete(bridge);
}

int McdDtBridgeGetNewMaterial(McdDtBridgeID bridge)
{
    if (bridge->nextMaterial >= bridge->materialCount)
        return -1;
    return bridge->nextMaterial++;
}

McdDtMaterialPair* McdDtBridgeGetMaterialPair(McdDtBridgeID bridge, int a, int b)
{
    if (!bridge || !ValidMaterial(bridge, a) || !ValidMaterial(bridge, b))
        return nullptr;
    return &bridge->table[PairIndex(bridge->materialCount, a, b)];
}

MdtContactParams* McdDtBridgeGetContactParams(McdDtBridgeID bridge, int a, int b)
{
    McdDtMaterialPair* m = McdDtBridgeGetMaterialPair(bridge, a, b);
    return m ? &m->params : nullptr;
}

McdDtContactCallback McdDtBridgeGetContactCallback(McdDtBridgeID bridge, int a, int b)
{
    McdDtMaterialPair* m = McdDtBridgeGetMaterialPair(bridge, a, b);
    return m ? m->contactCallback : nullptr;
}

McdDtPairCallback McdDtBridgeGetPairCallback(McdDtBridgeID bridge, int a, int b)
{
    McdDtMaterialPair* m = McdDtBridgeGetMaterialPair(bridge, a, b);
    return m ? m->pairCallback : nullptr;
}

McdDtTouchCallback McdDtBridgeGetTouchCallback(McdDtBridgeID bridge, int a, int b)
{
    McdDtMaterialPair* m = McdDtBridgeGetMaterialPair(bridge, a, b);
    return m ? m->touchCallback : nullptr;
}

void McdDtBridgeSetContactCallback(McdDtBridgeID bridge, int a, int b, McdDtContactCallback callback)
{
    if (McdDtMaterialPair* m = McdDtBridgeGetMaterialPair(bridge, a, b))
        m->contactCallback = callback;
}

void McdDtBridgeSetPairCallback(McdDtBridgeID bridge, int a, int b, McdDtPairCallback callback)
{
    if (McdDtMaterialPair* m = McdDtBridgeGetMaterialPair(bridge, a, b))
        m->pairCallback = callback;
}

void McdDtBridgeSetTouchCallback(McdDtBridgeID bridge, int a, int b, McdDtTouchCallback callback)
{
    if (McdDtMaterialPair* m = McdDtBridgeGetMaterialPair(bridge, a, b))
        m->touchCallback = callback;
}

void McdDtBridgeSetBodyHooks(MdtWorld* world)
{
    MdtWorldSetBodyHooks(world, BodyEnabled, BodyDisabled);
}

int McdDtBridgeDestroyContactGroups(MdtWorld* world)
{
    if (!world)
        return 0;
    int destroyed = 0;
    MeFixedPool& pool = world->constraintPool;
    for (int i = 0; i < pool.used;) {
        auto* g = static_cast<MdtConstraint*>(pool.freeList[i]);
        if (g->type != MdtTypeContactGroup) {
            ++i;
            continue;
        }
        // Destroying puts records back and reorders the pool's handed-out entries: look again
        // from the start.
        if (auto* pair = static_cast<McdModelPair*>(MdtContactGroupGetPair(g)))
            if (pair->contactGroup == g)
                pair->contactGroup = nullptr;
        MdtConstraintDisable(g);
        MdtContactGroupDestroy(g);
        ++destroyed;
        i = 0;
    }
    return destroyed;
}

void McdModelSetBody(McdModelID model, MdtBody* body)
{
    MdtBody* old = model->body;
    if (old)
        DestroyGroupsOf(old);
    if (old && old != body && old->model == model)
        old->model = nullptr;
    if (body) {
        body->model = model;
        McdModelSetTransformPtr(model, body->transform);
        model->linearVelocity = MdtBodyGetLinearVelocityPtr(body);
        model->angularVelocity = MdtBodyGetAngularVelocityPtr(body);
        model->body = body;
        return;
    }
    if (!old)
        return;
    if (McdModelGetTransformPtr(model) == old->transform)
        McdModelSetTransformPtr(model, nullptr);
    if (model->linearVelocity == MdtBodyGetLinearVelocityPtr(old))
        model->linearVelocity = nullptr;
    if (model->angularVelocity == MdtBodyGetAngularVelocityPtr(old))
        model->angularVelocity = nullptr;
    model->body = nullptr;
}

int McdSpaceUpdateAndHelloGoodbye(McdDtBridgeID bridge, McdSpaceID space, MdtWorld* world)
{
    return Update(bridge, space, world, false);
}

int McdSpaceUpdateAndCollide(McdDtBridgeID bridge, McdSpaceID space, MdtWorld* world)
{
    return Update(bridge, space, world, true);
}
