#include "physics/dynamics/contact.h"

#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/world.h"

#include <algorithm>
#include <cfloat>
#include <cstring>

void MdtContactParamsReset(MdtContactParams* p)
{
    std::memset(p, 0, sizeof *p);
    p->velThreshold = 0.001f;
    p->friction1 = FLT_MAX;
    p->friction2 = FLT_MAX;
}

void MdtContactParamsSetType(MdtContactParams* p, int type)
{
    if (type < 0 || type > 2) {
        MeWarning(12, "Unknown Contact Type, defaulting to zero friction.\n");
        type = 0;
    }
    p->type = type;
}

void MdtContactParamsSetFriction(MdtContactParams* p, MeReal f) { p->friction1 = p->friction2 = f; }

void MdtContactParamsSetRestitution(MdtContactParams* p, MeReal e)
{
    p->restitution = e;
    p->options |= MdtContactOptionBounce;
}

void MdtContactParamsSetSoftness(MdtContactParams* p, MeReal s)
{
    p->softness = s;
    p->options |= MdtContactOptionSoft;
}

void MdtContactReset(MdtConstraint* c)
{
    MdtConstraintDisable(c);
    MdtContactData& d = c->contact;
    // The group links are the group's, not the contact's: a reset contact stays in its list.
    MdtConstraint* const next = d.next;
    MdtConstraint* const previous = d.previous;
    MdtConstraint* const group = d.group;
    std::memset(static_cast<void*>(&d), 0, sizeof d);
    d.next = next;
    d.previous = previous;
    d.group = group;
    MeVector3Set(d.normal, 0, 1, 0);
    MeVector3Set(d.direction, 1, 0, 0);
    MdtContactParamsReset(&d.params);
    d.importance = FLT_MAX;
    MdtConstraintReset(c);
}

MdtConstraint* MdtContactCreate(MdtWorld* world)
{
    MdtConstraint* c = MdtConstraintCreate(world);
    if (!c)
        return nullptr;
    c->type = MdtTypeContact;
    c->buildRows = MdtContactBuildRows;
    c->rowCount = 3;
    MdtContactReset(c);
    return c;
}

void MdtContactSetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z) { MeVector3Set(c->contact.position, x, y, z); }
void MdtContactSetNormal(MdtConstraint* c, MeReal x, MeReal y, MeReal z) { MeVector3Set(c->contact.normal, x, y, z); }
void MdtContactSetPenetration(MdtConstraint* c, MeReal d) { c->contact.penetration = d; }
void MdtContactSetDirection(MdtConstraint* c, MeReal x, MeReal y, MeReal z) { MeVector3Set(c->contact.direction, x, y, z); }
void MdtContactSetSurfaceVelocity(MdtConstraint* c, MeReal x, MeReal y, MeReal z)
{
    MeVector3Set(c->contact.surfaceVelocity, x, y, z);
}
void MdtContactSetParams(MdtConstraint* c, const MdtContactParams* p) { c->contact.params = *p; }
MdtContactParams* MdtContactGetParams(MdtConstraint* c) { return &c->contact.params; }
void MdtContactGetPosition(const MdtConstraint* c, MeReal out[3]) { MeVector3Copy(out, c->contact.position); }
void MdtContactGetNormal(const MdtConstraint* c, MeReal out[3]) { MeVector3Copy(out, c->contact.normal); }
MeReal MdtContactGetPenetration(const MdtConstraint* c) { return c->contact.penetration; }
MdtConstraint* MdtContactGetNext(const MdtConstraint*, const MdtConstraint* c) { return c->contact.next; }
MdtConstraint* MdtContactGetGroup(const MdtConstraint* c) { return c->contact.group; }

void MdtContactSetFromCollision(const MdtContactParams* params, const MeReal position[3], const MeReal normal[3],
                                MeReal separation, MdtConstraint* c, int flip)
{
    MeVector3Copy(c->contact.position, position);
    MeVector3Copy(c->contact.normal, normal);
    if (flip)
        MeVector3Scale(c->contact.normal, -1);
    c->contact.penetration = -separation;
    c->contact.params = *params;
}

int MdtContactGetRowCount(const MdtConstraint* c)
{
    switch (c->contact.params.type) {
    case 0: return 1;
    case 1: return 2;
    default: return 3;
    }
}

MdtConstraint* MdtContactGroupCreate(MdtWorld* world)
{
    MdtConstraint* g = MdtConstraintCreate(world);
    if (!g)
        return nullptr;
    g->type = MdtTypeContactGroup;
    g->buildRows = MdtContactGroupBuildRows;
    g->rowCount = 0;
    std::memset(static_cast<void*>(&g->group), 0, sizeof g->group);
    MdtContactGroupReset(g);
    return g;
}

void MdtContactGroupReset(MdtConstraint* g)
{
    MdtConstraintDisable(g);
    for (MdtConstraint* c = g->group.first; c;) {
        MdtConstraint* next = c->contact.next;
        MdtConstraintDestroy(c);
        c = next;
    }
    MdtConstraintReset(g);
    std::memset(static_cast<void*>(&g->group), 0, sizeof g->group);
}

void MdtContactGroupDestroy(MdtConstraint* g)
{
    if (!g)
        return;
    for (MdtConstraint* c = g->group.first; c;) {
        MdtConstraint* next = c->contact.next;
        MdtConstraintDestroy(c);
        c = next;
    }
    g->group.first = g->group.last = nullptr;
    g->group.count = 0;
    MdtConstraintDestroy(g);
}

MdtConstraint* MdtContactGroupCreateContact(MdtConstraint* g)
{
    MdtConstraint* c = MdtContactCreate(g->world);
    if (!c)
        return nullptr;
    MdtContactGroupAppend(g, c);
    MdtConstraintSetBodies(c, g->body[0], g->body[1]);
    return c;
}

void MdtContactGroupAppend(MdtConstraint* g, MdtConstraint* c)
{
    MdtContactGroupData& d = g->group;
    c->contact.previous = d.last;
    c->contact.next = nullptr;
    if (d.last)
        d.last->contact.next = c;
    else
        d.first = c;
    d.last = c;
    c->contact.group = g;
    ++d.count;
}

void MdtContactGroupRemove(MdtConstraint* g, MdtConstraint* c)
{
    MdtContactGroupData& d = g->group;
    if (c->contact.group != g)
        return;
    if (c->contact.previous)
        c->contact.previous->contact.next = c->contact.next;
    else
        d.first = c->contact.next;
    if (c->contact.next)
        c->contact.next->contact.previous = c->contact.previous;
    else
        d.last = c->contact.previous;
    c->contact.next = c->contact.previous = nullptr;
    c->contact.group = nullptr;
    --d.count;
}

void MdtContactGroupDestroyContact(MdtConstraint* g, MdtConstraint* c)
{
    MdtContactGroupRemove(g, c);
    MdtConstraintDestroy(c);
}

MdtConstraint* MdtContactGroupGetFirst(const MdtConstraint* g) { return g->group.first; }
int MdtContactGroupGetCount(const MdtConstraint* g) { return g->group.count; }
int MdtContactGroupGetFlip(const MdtConstraint* g) { return g->group.flip; }
void MdtContactGroupSetFlip(MdtConstraint* g, int flip) { g->group.flip = flip; }
void* MdtContactGroupGetPair(const MdtConstraint* g) { return g->group.pair; }
void MdtContactGroupSetPair(MdtConstraint* g, void* pair) { g->group.pair = pair; }
MeReal MdtContactGroupGetLoad(const MdtConstraint* g) { return g->group.load; }
MdtConstraint* MdtConstraintIsContactGroup(MdtConstraint* c) { return c && c->type == MdtTypeContactGroup ? c : nullptr; }

int MdtContactGroupPrioritize(MdtConstraint* group)
{
    MdtContactGroupData& g = group->group;
    const int n = g.count;
    if (n <= 0)
        return 0;
    MdtConstraint** sorted = group->world->stepScratch.groupContacts;
    int count = 0;
    for (MdtConstraint* c = g.first; c && count < group->world->maxConstraints; c = c->contact.next)
        sorted[count++] = c;
    // Insertion sort: stable, in place (groups hold a handful of contacts).
    for (int i = 1; i < count; ++i) {
        MdtConstraint* c = sorted[i];
        int j = i;
        for (; j > 0 && sorted[j - 1]->contact.penetration < c->contact.penetration; --j)
            sorted[j] = sorted[j - 1];
        sorted[j] = c;
    }
    const MeReal step = 100.0f / static_cast<MeReal>(n);
    const MeReal bonus = (group->body[0] && group->body[1]) ? 0.0f : 100.0f;
    for (int i = 0; i < count; ++i)
        sorted[i]->contact.importance = static_cast<MeReal>(n - i) * step + bonus;
    return n;
}
