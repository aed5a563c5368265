#include "engine/scene/node_chain.h"

#include "engine/render/qnlight.h"
#include "engine/render/qnmaterial.h"
#include "engine/render/qnviewport.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/scene/view.h"

// ---- body ----------------------------------------------------------------------------------

QNBODYNODE::QNBODYNODE(QNNODE* parent, const char* name, std::int32_t kind,
                       std::uint32_t classFlags, std::uint32_t userFlags, std::int32_t bodyMode,
                       const QNMATRIX* transform, QNVIEW* rootOf)
    : QNNODE(parent, name, kind, classFlags, userFlags, rootOf), BodyMode(bodyMode)
{
    if (QNHOOKS::Node.CreateBody)
        QNHOOKS::Node.CreateBody(this, transform);
}

QNBODYNODE::~QNBODYNODE()
{
    DeleteChildren();
    if (QNHOOKS::Node.ReleaseBody)
        QNHOOKS::Node.ReleaseBody(this);
}

void QNBODYNODE::RehomeFeatures()
{
    // Every body record moves: a dynamic body and a model riding on an ancestor alike.
    if (Body && QNHOOKS::Node.RehomeBody)
        QNHOOKS::Node.RehomeBody(this);
}

// ---- joint ---------------------------------------------------------------------------------

QNJOINTNODE::QNJOINTNODE(QNNODE* parent, const char* name, std::int32_t kind,
                         std::uint32_t classFlags, std::uint32_t userFlags, std::int32_t bodyMode,
                         const QNMATRIX* transform, QNVIEW* rootOf)
    : QNBODYNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform, rootOf)
{
}

QNJOINTNODE::~QNJOINTNODE()
{
    DeleteChildren();
    if (QNHOOKS::Node.ReleaseJoint)
        QNHOOKS::Node.ReleaseJoint(this);
}

void QNJOINTNODE::UpdateInstance()
{
    if (Joint && QNHOOKS::Node.DriveJoint)
        QNHOOKS::Node.DriveJoint(this);
}

// ---- collider and contacts -----------------------------------------------------------------

QNCOLLIDERNODE::QNCOLLIDERNODE(QNNODE* parent, const char* name, std::int32_t kind,
                               std::uint32_t classFlags, std::uint32_t userFlags,
                               std::int32_t bodyMode, const QNMATRIX* transform,
                               std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNJOINTNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform, rootOf),
      CollisionGroupWord(collisionGroup), ContactsOn((classFlags & QNCF_NOCONTACT) ? 0 : 1)
{
    if (classFlags & QNCF_CONTACTS)
        EnableUpdate();
}

QNCOLLIDERNODE::~QNCOLLIDERNODE()
{
    DeleteChildren();
    Contacts.DeleteChildren();
    if (QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(this);
}

void QNCOLLIDERNODE::OnContact(QNNODE*, std::uint32_t, const float*, const float*)
{
}

QNCONTACT* QNCOLLIDERNODE::FindContact(const QNNODE* other) const
{
    for (QNITEM* x = Contacts.FirstChild(); x; x = x->Next()) {
        auto* contact = static_cast<QNCONTACT*>(x);
        if (other && contact->Other.Is(other))
            return contact;
    }
    return nullptr;
}

void QNCOLLIDERNODE::ReportContact(QNNODE* other, const float* point, const float* normal)
{
    if (!(ClassFlags & QNCF_CONTACTS) || !other)
        return;
    // The partner's switch, set from class flag 32 at construction: a node that is never a
    // contact partner is not reported to the nodes it touches (it still hears of them).
    const auto* partner = dynamic_cast<const QNCOLLIDERNODE*>(other);
    if (partner ? !partner->ContactsOn : (other->ClassFlags & QNCF_NOCONTACT) != 0)
        return;
    if (QNCONTACT* contact = FindContact(other)) {
        contact->Timer.Restart();
        contact->Phase = QNCONTACT_TOUCHING;
        OnContact(other, QNCONTACT_TOUCHING, contact->Point, contact->Normal);
        return;
    }
    auto* contact = new QNCONTACT;
    contact->Other = other;
    contact->Timer.Restart();
    for (int i = 0; i < 3; ++i) {
        contact->Point[i] = point ? point[i] : 0.0f;
        contact->Normal[i] = normal ? normal[i] : 0.0f;
    }
    Contacts.AddChild(contact);
    OnContact(other, QNCONTACT_BEGAN, contact->Point, contact->Normal);
}

void QNCOLLIDERNODE::AgeContacts()
{
    // OnContact is game code: it may delete contacts, other nodes or this node.
    QNWEAK<QNNODE> self(this);
    for (QNCHILDWALK walk(&Contacts); QNITEM* x = walk.Advance();) {
        auto* contact = static_cast<QNCONTACT*>(x);
        QNNODE* other = contact->Other.Get();
        if (contact->Phase == QNCONTACT_ENDED || !other) {
            QNITEM::Destroy(contact);
            continue;
        }
        if (contact->Timer.Elapsed() > kContactTimeout) {
            contact->Phase = QNCONTACT_ENDED;
            float point[3] = {contact->Point[0], contact->Point[1], contact->Point[2]};
            float normal[3] = {contact->Normal[0], contact->Normal[1], contact->Normal[2]};
            OnContact(other, QNCONTACT_ENDED, point, normal);
            if (!self)
                return;
        }
    }
}

void QNCOLLIDERNODE::UpdateInstance()
{
    QNWEAK<QNNODE> self(this);
    QNJOINTNODE::UpdateInstance();
    if (self && Model && (ClassFlags & QNCF_CONTACTS))
        AgeContacts();
}

void QNCOLLIDERNODE::ApplyState(std::int32_t oldState, std::int32_t newState)
{
    if (QNHOOKS::Node.CollisionState)
        QNHOOKS::Node.CollisionState(this, oldState, newState);
}

// ---- material and mesh ---------------------------------------------------------------------

QNMATERIALNODE::QNMATERIALNODE(QNNODE* parent, const char* name, std::int32_t kind,
                               std::uint32_t classFlags, std::uint32_t userFlags,
                               std::int32_t bodyMode, const QNMATRIX* transform,
                               std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNCOLLIDERNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform,
                     collisionGroup, rootOf),
      Material(&QNRESOURCES::DefaultMaterial()), Stages(new QNTEXTURESTAGES)
{
}

QNMATERIALNODE::~QNMATERIALNODE()
{
    ReleaseColours();
    ReleaseMaterial();
    ClearTextures();
    delete Stages;
    Stages = nullptr;
}

QNMESHNODE::QNMESHNODE(QNNODE* parent, const char* name, std::int32_t kind,
                       std::uint32_t classFlags, std::uint32_t userFlags, std::int32_t bodyMode,
                       const QNMATRIX* transform, std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNMATERIALNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform,
                     collisionGroup, rootOf)
{
}

QNMESHNODE::~QNMESHNODE()
{
    ReleaseMesh();
}

bool QNMESHNODE::CanDetach(std::int32_t)
{
    return true;
}

void QNMESHNODE::ApplyState(std::int32_t oldState, std::int32_t newState)
{
    QNWEAK<QNNODE> self(this);
    ApplyMeshState(oldState, newState);
    if (self)
        QNMATERIALNODE::ApplyState(oldState, newState);
}

// ---- light and sound -----------------------------------------------------------------------

QNLIGHTNODE::QNLIGHTNODE(QNNODE* parent, const char* name, std::int32_t kind,
                         std::uint32_t classFlags, std::uint32_t userFlags, std::int32_t bodyMode,
                         const QNMATRIX* transform, std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNMESHNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform, collisionGroup,
                 rootOf),
      Light(new QNLIGHT)
{
    Light->SetDirectional(1, 1, 1);
    Light->SetFromMatrix(QNMATRIX());
}

QNLIGHTNODE::~QNLIGHTNODE()
{
    ReleaseLight();
    delete Light;
    Light = nullptr;
}

void QNLIGHTNODE::UpdateInstance()
{
    QNWEAK<QNNODE> self(this);
    if (Light)
        UpdateLight();
    if (self)
        QNMESHNODE::UpdateInstance();
}

void QNLIGHTNODE::ApplyState(std::int32_t oldState, std::int32_t newState)
{
    QNWEAK<QNNODE> self(this);
    if (Light)
        ApplyLightState(oldState, newState);
    if (self)
        QNMESHNODE::ApplyState(oldState, newState);
}

QNSOUNDNODE::QNSOUNDNODE(QNNODE* parent, const char* name, std::int32_t kind,
                         std::uint32_t classFlags, std::uint32_t userFlags, std::int32_t bodyMode,
                         const QNMATRIX* transform, std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNLIGHTNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform, collisionGroup,
                  rootOf)
{
}

QNSOUNDNODE::~QNSOUNDNODE()
{
    ReleaseSoundSlot();
}

void QNSOUNDNODE::UpdateInstance()
{
    QNWEAK<QNNODE> self(this);
    UpdateSound();
    if (self)
        QNLIGHTNODE::UpdateInstance();
}

void QNSOUNDNODE::ApplyState(std::int32_t oldState, std::int32_t newState)
{
    QNWEAK<QNNODE> self(this);
    ApplySoundState(oldState, newState);
    if (self)
        QNLIGHTNODE::ApplyState(oldState, newState);
}

// ---- bounds, instance, physics -------------------------------------------------------------

QNBOUNDSNODE::QNBOUNDSNODE(QNNODE* parent, const char* name, std::int32_t kind,
                           std::uint32_t classFlags, std::uint32_t userFlags,
                           std::int32_t bodyMode, const QNMATRIX* transform,
                           std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNSOUNDNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform, collisionGroup,
                  rootOf)
{
}

QNBOUNDSNODE::~QNBOUNDSNODE()
{
    if (QNHOOKS::Node.ReleaseBounds)
        QNHOOKS::Node.ReleaseBounds(this);
}

QNINSTANCENODE::QNINSTANCENODE(QNNODE* parent, const char* name, std::int32_t kind,
                               std::uint32_t classFlags, std::uint32_t userFlags,
                               std::int32_t bodyMode, const QNMATRIX* transform,
                               std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNBOUNDSNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform,
                   collisionGroup, rootOf)
{
    if (userFlags & QNUF_WIREBOX) {
        if (QNHOOKS::Node.CreateWireBox)
            QNHOOKS::Node.CreateWireBox(this);
        EnableUpdate();
    }
}

QNINSTANCENODE::~QNINSTANCENODE()
{
    if (QNHOOKS::Node.ReleaseInstance)
        QNHOOKS::Node.ReleaseInstance(this);
}

void QNINSTANCENODE::UpdateInstance()
{
    QNWEAK<QNNODE> self(this);
    // An instance without a transform callback draws the matrix it holds: keep it current.
    if (Instance && !Instance->Transform)
        Instance->World = NodeWorldMatrix(this);
    if (QNHOOKS::Node.UpdateInstance)
        QNHOOKS::Node.UpdateInstance(this);
    if (self)
        QNBOUNDSNODE::UpdateInstance();
}

QNPHYSNODE::QNPHYSNODE(QNNODE* parent, const char* name, std::int32_t kind,
                       std::uint32_t classFlags, std::uint32_t userFlags, std::int32_t bodyMode,
                       const QNMATRIX* transform, std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNINSTANCENODE(parent, name, kind, classFlags, userFlags, bodyMode, transform,
                     collisionGroup, rootOf)
{
}

QNPHYSNODE::~QNPHYSNODE() = default;

// ---- game node -----------------------------------------------------------------------------

GAMENODE::GAMENODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                   std::uint32_t userFlags, std::int32_t bodyMode, const QNMATRIX* transform,
                   std::uint32_t collisionGroup, QNVIEW* rootOf)
    : QNPHYSNODE(parent, name, kind, classFlags, userFlags, bodyMode, transform, collisionGroup,
                 rootOf)
{
    Votes[0] = 0;
    State = 0;
}

GAMENODE::~GAMENODE() = default;

void GAMENODE::OnStateChanged(std::int32_t, std::int32_t)
{
}

std::int32_t GAMENODE::Vote(std::int32_t vote) const
{
    return (vote >= 0 && vote < 4) ? Votes[vote] : 3;
}

void GAMENODE::NotifyStateChanged(std::int32_t oldState, std::int32_t newState)
{
    OnStateChanged(oldState, newState);
}

void GAMENODE::StoreVote(std::int32_t state, std::int32_t vote)
{
    if (vote >= 0 && vote < 4)
        Votes[vote] = state;
}
