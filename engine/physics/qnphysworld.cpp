// The program's collision framework, the per-view worlds, their step, the pair filter and the
// segment query.

#include "engine/physics/qnphysworld.h"

#include <algorithm>
#include <cmath>

#include "engine/physics/qncollgeom.h"
#include "engine/scene/node.h"
#include "physics/collision/dt_bridge.h"
#include "physics/collision/model.h"
#include "physics/collision/registration.h"
#include "physics/dynamics/dynamics.h"

namespace {

McdFramework* gFramework = nullptr;
// The contacts one pair keeps: the first word of the framework's default request.
constexpr std::uint32_t kContactsPerPair = 4;
QNTIMER gClockTimer;
float gClock = 0.0f;

// Both sides hear of the touch, first side first; the pair keeps its contacts only when both
// sides are solid. A pair that does not touch is accepted as it is.
int PairFilter(McdIntersectResult* result, MdtConstraint*)
{
    if (!result->touch || !result->pair)
        return 1;
    auto* a = static_cast<QNMODELRECORD*>(McdModelGetUserData(result->pair->model1));
    auto* b = static_cast<QNMODELRECORD*>(McdModelGetUserData(result->pair->model2));
    if (!a || !b)
        return 1;
    if (a->Callback)
        a->Callback(a->Body, b->Body, result);
    if (b->Callback)
        b->Callback(b->Body, a->Body, result);
    return (a->Solid && b->Solid) ? 1 : 0;
}

}  // namespace

QNWORLDPARAMS QNPHYSWORLD::ViewParams;

void QNPHYSWORLD::InitFramework(std::uint32_t capacity, std::uint32_t capacity2)
{
    MeSetDebugHandler(MeNullMessageHandler);
    MeSetFatalErrorHandler(MeNullMessageHandler);
    MeSetWarningHandler(MeNullMessageHandler);
    MeSetInfoHandler(MeNullMessageHandler);
    TermFramework();
    gFramework = McdInitEngineFramework(int(capacity), int(capacity2));
    gClockTimer.Restart();
    gClock = 0.0f;
}

void QNPHYSWORLD::TermFramework()
{
    if (gFramework)
        McdTerm(gFramework);
    gFramework = nullptr;
}

McdFramework* QNPHYSWORLD::Framework()
{
    return gFramework;
}

float QNPHYSWORLD::Clock()
{
    return gClock;
}

void QNPHYSWORLD::ReadClock()
{
    gClock = float(gClockTimer.Elapsed());
}

QNPHYSWORLD* QNPHYSWORLD::Create(std::uint32_t maxBodies, std::uint32_t maxModels, std::uint32_t maxConstraints,
                                 std::uint32_t maxPairs, std::uint32_t materialCount, bool autoDisable)
{
    // Joints and contacts share the constraint records: beside the joints' room, every pair
    // the space can hold has room for its contact group and the default request's contacts,
    // so that contacts never crowd a joint out.
    const std::uint32_t contactRoom = maxPairs * (1 + kContactsPerPair);
    MdtWorld* dynamics = MdtWorldCreate(int(maxBodies), int(maxConstraints + contactRoom));
    if (!dynamics)
        return nullptr;
    auto* w = new QNPHYSWORLD;
    w->World = dynamics;
    if (gFramework)
        w->Space = McdAxisSortCreate(gFramework, 7, int(maxModels), int(maxPairs));
    w->Bridge = McdDtBridgeCreate(materialCount > 0 ? int(materialCount) : 1);
    if (w->Bridge)
        McdDtBridgeSetPairCallback(w->Bridge, 0, 0, &PairFilter);
    MdtWorldSetAutoDisable(dynamics, autoDisable ? 1 : 0);
    McdDtBridgeSetBodyHooks(dynamics);
    MdtWorldSetGamma(dynamics, 0.3f);
    w->Materials.push_back(0);
    for (std::uint32_t i = 1; i < materialCount && w->Bridge; ++i)
        w->Materials.push_back(McdDtBridgeGetNewMaterial(w->Bridge));
    w->SetContactType(2, 0, 0);
    w->SetFriction(0.015f, 0, 0);
    return w;
}

void QNPHYSWORLD::Destroy(QNPHYSWORLD* w)
{
    if (!w)
        return;
    w->Materials.clear();
    if (w->Bridge)
        McdDtBridgeDestroy(w->Bridge);
    if (w->Space)
        McdSpaceDestroy(w->Space);
    if (w->World)
        MdtWorldDestroy(w->World);
    delete w;
}

void QNPHYSWORLD::SetContactType(int type, std::uint32_t material1, std::uint32_t material2)
{
    if (!Bridge || material1 >= Materials.size() || material2 >= Materials.size())
        return;
    if (MdtContactParams* p = McdDtBridgeGetContactParams(Bridge, Materials[material1], Materials[material2]))
        MdtContactParamsSetType(p, type);
}

void QNPHYSWORLD::SetFriction(float friction, std::uint32_t material1, std::uint32_t material2)
{
    if (!Bridge || material1 >= Materials.size() || material2 >= Materials.size())
        return;
    if (MdtContactParams* p = McdDtBridgeGetContactParams(Bridge, Materials[material1], Materials[material2]))
        MdtContactParamsSetFriction(p, friction);
}

int QNPHYSWORLD::BodyCount() const
{
    return World ? MdtWorldGetBodyCount(World) : 0;
}

int QNPHYSWORLD::ConstraintCount() const
{
    return World ? MdtWorldGetConstraintCount(World) : 0;
}

void QNPHYSWORLD::RefreshPairs()
{
    if (!Space || !Bridge || Space->IsReporting())
        return;
    if (!McdSpaceIsChanging(Space))
        McdSpaceBeginChanges(Space);
    McdSpaceUpdate(Space);
    McdSpaceUpdateAndHelloGoodbye(Bridge, Space, World);
}

void QNPHYSWORLD::Step(float dt)
{
    if (!std::isfinite(dt) || !(dt > 0.0f) || dt > 0.25f || !World)
        return;
    const int models = Space ? McdSpaceGetModelCount(Space) : 0;
    if (MdtWorldGetBodyCount(World) == 0 && models == 0)
        return;
    {
        // The world lock: contact reports queue up and item destruction waits (see header).
        QNDESTROYLOCK locked;
        Stepping = 1;
        if (Space && Bridge) {
            if (!McdSpaceIsChanging(Space))
                McdSpaceBeginChanges(Space);
            McdSpaceUpdate(Space);
            McdSpaceUpdateAndCollide(Bridge, Space, World);
            McdSpaceEndChanges(Space);
        }
        MdtWorldStep(World, dt);
        if (Space)
            McdSpaceBeginChanges(Space);
        Stepping = 0;
    }
    ReadClock();
    DeliverContacts();
}

void QNPHYSWORLD::DeliverContacts()
{
    // Contact operations may destroy this world's nodes, or leave the scene: only the local
    // copy is touched from here on.
    std::vector<QNPENDINGCONTACT> reports;
    reports.swap(Pending);
    for (QNPENDINGCONTACT& r : reports) {
        QNITEM* self = r.Self.Get();
        QNITEM* other = r.Other.Get();
        if ((r.HadSelf && !self) || (r.HadOther && !other))
            continue;
        r.Callback(static_cast<QNNODE*>(self), static_cast<QNNODE*>(other), r.HasPoint ? r.Point : nullptr,
                   r.Normal);
    }
}

void QNPHYSWORLD::DeferRemove(QNNODE* node)
{
    if (!node)
        return;
    node->Delete = 1;
    node->ScheduleOnce();
}

// ---- segment query -------------------------------------------------------------------------

namespace {

QNVEC3 V(const float* p)
{
    return {p[0], p[1], p[2]};
}

void Put(float* out, const QNVEC3& v)
{
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

}  // namespace

int QNPHYSWORLD::IntersectSegment(const QNVEC3& start, const QNVEC3& end, int capacity, QNSEGMENTHIT* hits)
{
    if (capacity <= 0 || !hits)
        return 0;
    // Every hit is gathered first, so that a small capacity keeps the nearest hits and not the
    // first ones the space reports (in model order) or the space's ahead of the triangle lists.
    std::vector<QNSEGMENTHIT> all;
    const float s[3] = {start.x, start.y, start.z};
    const float e[3] = {end.x, end.y, end.z};
    if (Space && !Space->IsReporting()) {
        const int models = std::max(McdSpaceGetModelCount(Space), 1);
        std::vector<McdLineSegIntersectResult> found(static_cast<std::size_t>(models));
        // The query reads the models only: the space stays in its change phase, since a
        // BeginChanges here would retire the pairs begun or ended since the last step before
        // the bridge hears of them (an ended pair would keep its contacts, a new one would
        // never collide).
        const int n = McdSpaceGetLineSegIntersections(Space, s, e, found.data(), models);
        for (int i = 0; i < n; ++i) {
            auto* record = static_cast<QNMODELRECORD*>(McdModelGetUserData(found[std::size_t(i)].model));
            QNSEGMENTHIT& h = all.emplace_back();
            h.Body = record ? record->Body : nullptr;
            for (int k = 0; k < 3; ++k) {
                h.Point[k] = found[std::size_t(i)].position[k];
                h.Normal[k] = found[std::size_t(i)].normal[k];
            }
            h.Distance = found[std::size_t(i)].distance;
        }
    }

    const QNVEC3 d = end - start;
    const float length = d.Length();
    const QNVEC3 unit = d.Normalize();
    for (QNBODY* b = ListFirst; b; b = b->Record.ListNext) {
        if (!b->Record.Solid || !b->Model)
            continue;
        QNVEC3 lo, hi;
        if (!b->GetBounds(lo, hi))
            continue;
        const float bmin[3] = {lo.x, lo.y, lo.z};
        const float bmax[3] = {hi.x, hi.y, hi.z};
        float crossing[3];
        if (MeSegmentBoxIntersect(bmin, bmax, s, e, crossing) <= 0)
            continue;
        if (b->BoxPick) {
            const QNVEC3 centre = (lo + hi) * 0.5f;
            QNSEGMENTHIT& h = all.emplace_back();
            h.Body = b;
            Put(h.Point, centre);
            Put(h.Normal, unit * -1.0f);
            h.Distance = (centre - start).Length();
            continue;
        }
        QNCOLLGEOM* geometry = b->Geometry();
        if (!geometry)
            continue;
        const QNMATRIX world = b->GetTransform();
        const QNMATRIX inverse = world.Inverse();
        const QNVEC3 origin = QNVEC3::TransformCoord(start, inverse);
        const QNVEC3 direction = QNVEC3::TransformNormal(unit, inverse);
        float point[3], normal[3];
        const float t = geometry->IntersectSegment(&origin.x, &direction.x, point, normal);
        if (!(t >= 0.0f) || !(t < length))
            continue;
        QNSEGMENTHIT& h = all.emplace_back();
        h.Body = b;
        Put(h.Point, QNVEC3::TransformCoord(V(point), world));
        Put(h.Normal, QNVEC3::TransformNormal(V(normal), world).Normalize());
        h.Distance = t;
    }

    // Nearest first, equal distances in the order found.
    std::stable_sort(all.begin(), all.end(),
                     [](const QNSEGMENTHIT& x, const QNSEGMENTHIT& y) { return x.Distance < y.Distance; });
    const int count = std::min(capacity, static_cast<int>(all.size()));
    std::copy(all.begin(), all.begin() + count, hits);
    return count;
}
