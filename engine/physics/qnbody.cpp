// Node bodies: one dynamics body and one collision model per node.
//
// The model follows, in order of preference, a carrier node's body (at a fixed relative
// transform captured when the model is made), this node's body, or the node's own transform.
// Every model carries the body's QNMODELRECORD as its user data, so the pair filter and the
// segment query get back from a model to its body and node without any offsets.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/physics/qncollgeom.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node.h"
#include "engine/util/qnapp_state.h"
#include "physics/collision/dt_bridge.h"
#include "physics/collision/model.h"
#include "physics/dynamics/dynamics.h"

namespace {

void Identity(MeMatrix4 m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m[r][c] = r == c ? 1.0f : 0.0f;
}

QNMATRIX FromMe(const MeReal* p)
{
    return QNMATRIX(p);
}

void ToMe(const QNMATRIX& m, MeMatrix4 out)
{
    std::memcpy(out, m.m, sizeof(float) * 16);
}

}  // namespace

QNBODY::QNBODY(QNPHYSWORLD* world, QNCONTACTFN callback, QNNODE* owner)
    : Owner(owner), World(world), Callback(callback)
{
    Identity(Own);
    Identity(Relative);
    Identity(Combined);
    Record.Callback = &QNBODY::Trampoline;
    Record.Body = this;
}

QNBODY::~QNBODY()
{
    Release();
}

void QNBODY::Trampoline(QNBODY* self, QNBODY* other, const McdIntersectResult* result)
{
    if (!self || !self->Callback || !result)
        return;
    // The first contact's point exists only when the pair produced contacts.
    const float* point = (result->contactCount > 0 && result->contacts) ? result->contacts[0].position : nullptr;
    QNNODE* const otherNode = other ? other->Owner : nullptr;
    if (!self->World || !self->World->IsStepping()) {
        self->Callback(self->Owner, otherNode, point, result->normal);
        return;
    }
    QNPENDINGCONTACT report;
    report.Callback = self->Callback;
    report.Self = static_cast<QNITEM*>(self->Owner);
    report.Other = static_cast<QNITEM*>(otherNode);
    report.HadSelf = self->Owner != nullptr;
    report.HadOther = otherNode != nullptr;
    report.HasPoint = point != nullptr;
    for (int i = 0; i < 3; ++i) {
        report.Point[i] = point ? point[i] : 0.0f;
        report.Normal[i] = result->normal[i];
    }
    self->World->HoldContact(std::move(report));
}

void QNBODY::MoveJoints(QNBODY* to)
{
    const std::vector<QNJOINT*> joints = Joints;
    for (QNJOINT* j : joints)
        j->Retarget(this, to);
}

void QNBODY::SetDynamic(bool on)
{
    // The joints let go of the old dynamic body and take the new one (or the world).
    const std::vector<QNJOINT*> joints = Joints;
    struct REBIND {
        const std::vector<QNJOINT*>& joints;
        ~REBIND()
        {
            for (QNJOINT* j : joints)
                j->Rebind();
        }
    } rebind{joints};
    if (Body && !joints.empty()) {
        MdtBody* const old = Body;
        Body = nullptr;
        for (QNJOINT* j : joints)
            j->Rebind();
        Body = old;
    }
    if (Body) {
        // Keep the placement: a model riding on this body falls back to the own transform.
        MdtBodyGetTransform(Body, Own);
        if (MdtBodyIsEnabled(Body))
            MdtBodyDisable(Body);
        if (Model && McdModelGetBody(Model) == Body) {
            McdModelSetBody(Model, nullptr);
            McdModelSetTransformPtr(Model, Own);
        }
        MdtBodyDestroy(Body);
        Body = nullptr;
    }
    if (!on || !World || !World->World)
        return;
    Body = MdtBodyCreate(World->World);
    if (!Body)
        return;
    MdtBodySetTransform(Body, Own);
    if (Model && !McdModelGetBody(Model))
        McdModelSetBody(Model, Body);
    MdtBodyEnable(Body);
}

void QNBODY::ChainAppend()
{
    if (!World || Record.ListPrev || World->ListFirst == this)
        return;
    Record.ListPrev = World->ListLast;
    Record.ListNext = nullptr;
    if (World->ListLast)
        World->ListLast->Record.ListNext = this;
    else
        World->ListFirst = this;
    World->ListLast = this;
}

void QNBODY::ChainRemove()
{
    if (!World || (!Record.ListPrev && World->ListFirst != this))
        return;
    if (Record.ListPrev)
        Record.ListPrev->Record.ListNext = Record.ListNext;
    else
        World->ListFirst = Record.ListNext;
    if (Record.ListNext)
        Record.ListNext->Record.ListPrev = Record.ListPrev;
    else
        World->ListLast = Record.ListPrev;
    Record.ListPrev = nullptr;
    Record.ListNext = nullptr;
}

void QNBODY::RemoveModel()
{
    if (!Model)
        return;
    ChainRemove();
    if (Frozen)
        Unfreeze();
    McdSpace* space = McdModelGetSpace(Model);
    if (space) {
        if (!McdSpaceIsChanging(space))
            McdSpaceBeginChanges(space);
        McdSpaceRemoveModel(Model);
        if (World)
            World->RefreshPairs();
    }
    if (McdModelGetBody(Model))
        McdModelSetBody(Model, nullptr);
    McdModelDestroy(Model);
    Model = nullptr;
}

void QNBODY::SetGeometry(QNCOLLGEOM* geometry, QNBODY* carrier)
{
    RemoveModel();
    Record.Geometry = geometry;
    if (!geometry || !geometry->Geometry)
        return;
    Model = McdModelCreate(geometry->Geometry);
    if (!Model)
        return;
    McdModelSetUserData(Model, &Record);
    if (Material >= 0)
        McdModelSetData(Model, std::uintptr_t(Material));

    MdtBody* carrying = (carrier && carrier != this && carrier->Body) ? carrier->Body : Body;
    if (carrying) {
        // A carrier keeps naming its own model: the body hooks freeze and wake that one.
        void* carrierModel = carrying->model;
        McdModelSetBody(Model, carrying);
        if (carrying != Body && carrierModel)
            carrying->model = carrierModel;
        if (carrying != Body) {
            const QNMATRIX mine = Body ? FromMe(MdtBodyGetTransformPtr(Body)) : FromMe(&Own[0][0]);
            const QNMATRIX carrierTM = FromMe(MdtBodyGetTransformPtr(carrying));
            ToMe(mine * carrierTM.Inverse(), Relative);
            ToMe(mine, Combined);
            McdModelSetRelativeTransforms(Model, Relative, carrying->transform, Combined);
        }
    } else {
        McdModelSetTransformPtr(Model, Own);
    }
    if (World && World->Space) {
        if (!McdSpaceIsChanging(World->Space))
            McdSpaceBeginChanges(World->Space);
        McdSpaceInsertModel(World->Space, Model);
        ApplyPairsOff();
    }
    McdModelUpdate(Model);
    if (geometry->Kind == QNCOLLGEOM::TRIANGLE_LIST)
        ChainAppend();
    if (World)
        World->RefreshPairs();
    Wake();
}

void QNBODY::Detach()
{
    if (!Model || !McdModelGetSpace(Model))
        return;
    ChainRemove();
    if (Frozen)
        Unfreeze();
    McdSpace* space = McdModelGetSpace(Model);
    if (!McdSpaceIsChanging(space))
        McdSpaceBeginChanges(space);
    McdSpaceRemoveModel(Model);
    if (World)
        World->RefreshPairs();
}

void QNBODY::Attach()
{
    if (!Model || McdModelGetSpace(Model) || !World || !World->Space)
        return;
    if (!McdSpaceIsChanging(World->Space))
        McdSpaceBeginChanges(World->Space);
    McdSpaceInsertModel(World->Space, Model);
    ApplyPairsOff();
    McdModelUpdate(Model);
    if (Record.Geometry && Record.Geometry->Kind == QNCOLLGEOM::TRIANGLE_LIST)
        ChainAppend();
    World->RefreshPairs();
    Wake();
}

bool QNBODY::IsAttached() const
{
    return Model && McdModelGetSpace(Model);
}

void QNBODY::Release()
{
    const std::vector<QNJOINT*> joints = Joints;
    for (QNJOINT* j : joints)
        j->BodyGone(this);
    ForgetPairsOff();
    RemoveModel();
    Record.Geometry = nullptr;
    Shape = nullptr;
    ShapeCarrier = nullptr;
    SetDynamic(false);
}

void QNBODY::Wake()
{
    if (!Body)
        return;
    MdtBodyDisable(Body);
    MdtBodyEnable(Body);
}

QNMATRIX QNBODY::GetTransform() const
{
    if (Model) {
        if (MeMatrix4Ptr p = McdModelGetTransformPtr(Model))
            return FromMe(&p[0][0]);
    }
    if (Body)
        return FromMe(MdtBodyGetTransformPtr(Body));
    return FromMe(&Own[0][0]);
}

void QNBODY::SetTransform(const QNMATRIX& m)
{
    if (Body) {
        MeMatrix4 t;
        ToMe(m, t);
        MdtBodySetTransform(Body, t);
    } else {
        ToMe(m, Own);
    }
}

void QNBODY::SetMass(float mass)
{
    if (Body)
        MdtBodySetMass(Body, mass);
}

float QNBODY::GetMass() const
{
    return Body ? MdtBodyGetMass(Body) : 0.0f;
}

void QNBODY::SetBoxInertia(float x, float y, float z)
{
    if (!Body)
        return;
    MeReal inertia[9];
    MdtMakeInertiaTensorBox(MdtBodyGetMass(Body), x, y, z, inertia);
    MdtBodySetInertiaTensor(Body, inertia);
}

void QNBODY::SetLinearVelocity(const QNVEC3& v)
{
    if (!Body)
        return;
    MdtBodyEnable(Body);
    MdtBodySetLinearVelocity(Body, v.x, v.y, v.z);
}

void QNBODY::SetAngularVelocity(const QNVEC3& v)
{
    if (!Body)
        return;
    MdtBodyEnable(Body);
    MdtBodySetAngularVelocity(Body, v.x, v.y, v.z);
}

void QNBODY::SetLinearDamping(float c)
{
    if (!Body)
        return;
    MdtBodyEnable(Body);
    MdtBodySetLinearVelocityDamping(Body, c);
}

void QNBODY::SetAngularDamping(float c)
{
    if (!Body)
        return;
    MdtBodyEnable(Body);
    MdtBodySetAngularVelocityDamping(Body, c);
}

QNVEC3 QNBODY::GetLinearVelocity() const
{
    QNVEC3 v;
    if (Body)
        MdtBodyGetLinearVelocity(Body, &v.x);
    return v;
}

QNVEC3 QNBODY::GetAngularVelocity() const
{
    QNVEC3 v;
    if (Body)
        MdtBodyGetAngularVelocity(Body, &v.x);
    return v;
}

float QNBODY::Faded(float& last)
{
    // The fade-in weight of a force applied now: e / 0.1 within 0.1 s of the last one. A clock
    // that went back (restarted) counts as a long pause rather than a negative weight.
    const float now = QNPHYSWORLD::Clock();
    const float e = now - last;
    last = now;
    float w = QNAPP::Rate;
    if (e >= 0.0f && e < 0.1f)
        w *= e / 0.1f;
    return w;
}

void QNBODY::AddForce(const QNVEC3& f)
{
    if (!Body)
        return;
    const float w = Faded(LastForce);
    MdtBodyEnable(Body);
    MdtBodyAddForce(Body, f.x * w, f.y * w, f.z * w);
}

void QNBODY::AddTorque(const QNVEC3& t)
{
    if (!Body)
        return;
    const float w = Faded(LastTorque);
    MdtBodyEnable(Body);
    MdtBodyAddTorque(Body, t.x * w, t.y * w, t.z * w);
}

void QNBODY::ResetForces()
{
    if (!Body)
        return;
    MdtBodyEnable(Body);
    MdtBodyResetForces(Body);
    LastForce = 0.0f;
    LastTorque = 0.0f;
}

void QNBODY::SetDisabled(bool disabled)
{
    if (!Body)
        return;
    if (disabled && MdtBodyIsEnabled(Body))
        MdtBodyDisable(Body);
    else if (!disabled && !MdtBodyIsEnabled(Body))
        MdtBodyEnable(Body);
}

bool QNBODY::IsEnabled() const
{
    return Body && MdtBodyIsEnabled(Body);
}

void QNBODY::UpdateModel()
{
    if (Model && McdModelGetSpace(Model))
        McdSpaceUpdateModel(Model);
    else if (Model)
        McdModelUpdate(Model);
}

void QNBODY::Freeze()
{
    if (Frozen || !Model)
        return;
    if (McdModelGetSpace(Model))
        McdSpaceFreezeModel(Model);
    Frozen = 1;
}

void QNBODY::Unfreeze()
{
    if (!Frozen || !Model)
        return;
    if (McdModelGetSpace(Model))
        McdSpaceUnfreezeModel(Model);
    Frozen = 0;
}

void QNBODY::SetMaterial(int material)
{
    Material = material;
    if (Model)
        McdModelSetData(Model, std::uintptr_t(material));
}

void QNBODY::SetPairEnabled(QNBODY* other, bool disable)
{
    if (!other || other == this)
        return;
    auto listed = std::find(PairsOff.begin(), PairsOff.end(), other);
    if (disable && listed == PairsOff.end()) {
        PairsOff.push_back(other);
        other->PairsOff.push_back(this);
    } else if (!disable && listed != PairsOff.end()) {
        PairsOff.erase(listed);
        std::erase(other->PairsOff, this);
    }
    if (!Model || !other->Model)
        return;
    McdSpace* space = McdModelGetSpace(Model);
    if (space && !McdSpaceIsChanging(space))
        McdSpaceBeginChanges(space);
    if (disable)
        McdSpaceDisablePair(Model, other->Model);
    else
        McdSpaceEnablePair(Model, other->Model);
    if (World)
        World->RefreshPairs();
    Wake();
}

void QNBODY::ApplyPairsOff()
{
    McdSpace* space = Model ? McdModelGetSpace(Model) : nullptr;
    if (!space)
        return;
    // A model entering the space starts with every pair on.
    for (QNBODY* other : PairsOff)
        if (other->Model && McdModelGetSpace(other->Model) == space)
            McdSpaceDisablePair(Model, other->Model);
}

void QNBODY::ForgetPairsOff()
{
    for (QNBODY* other : PairsOff)
        std::erase(other->PairsOff, this);
    PairsOff.clear();
}

void QNBODY::MovePairsOff(QNBODY* to)
{
    if (!to || to == this)
        return;
    const std::vector<QNBODY*> others = PairsOff;
    ForgetPairsOff();
    for (QNBODY* other : others)
        if (other != to)
            to->SetPairEnabled(other, true);
}

bool QNBODY::GetBounds(QNVEC3& min, QNVEC3& max) const
{
    if (!Model)
        return false;
    McdModelGetAABB(Model, &min.x, &max.x);
    return true;
}
