#pragma once
/// Contacts and contact groups. A contact (type 4) carries a point, a normal from body 1
/// towards body 0, a penetration depth and its parameters. The contacts of one touching pair
/// live in a contact group (type 5), the only one of them enabled in the world; its row
/// builder builds the rows of all its contacts.

#include "physics/dynamics/constraint.h"

void MdtContactParamsReset(MdtContactParams* p);
/// 0, 1 or 2; any other value stores 0 with warning 12.
void MdtContactParamsSetType(MdtContactParams* p, int type);
/// Both friction bounds.
void MdtContactParamsSetFriction(MdtContactParams* p, MeReal friction);
void MdtContactParamsSetRestitution(MdtContactParams* p, MeReal restitution);
void MdtContactParamsSetSoftness(MdtContactParams* p, MeReal softness);

MdtConstraint* MdtContactCreate(MdtWorld* world);
void MdtContactReset(MdtConstraint* c);
void MdtContactSetPosition(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtContactSetNormal(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtContactSetPenetration(MdtConstraint* c, MeReal depth);
void MdtContactSetDirection(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtContactSetSurfaceVelocity(MdtConstraint* c, MeReal x, MeReal y, MeReal z);
void MdtContactSetParams(MdtConstraint* c, const MdtContactParams* p);
MdtContactParams* MdtContactGetParams(MdtConstraint* c);
void MdtContactGetPosition(const MdtConstraint* c, MeReal out[3]);
void MdtContactGetNormal(const MdtConstraint* c, MeReal out[3]);
MeReal MdtContactGetPenetration(const MdtConstraint* c);
MdtConstraint* MdtContactGetNext(const MdtConstraint* group, const MdtConstraint* c);
MdtConstraint* MdtContactGetGroup(const MdtConstraint* c);
/// Copies one collision result into the contact: the normal negated when `flip` is non-zero,
/// penetration = -separation, then the parameters.
void MdtContactSetFromCollision(const MdtContactParams* params, const MeReal position[3], const MeReal normal[3],
                                MeReal separation, MdtConstraint* c, int flip);
/// Rows of one contact: 1 for type 0, 2 for type 1, 3 otherwise.
int MdtContactGetRowCount(const MdtConstraint* c);

MdtConstraint* MdtContactGroupCreate(MdtWorld* world);
/// Disables the group, destroys its contacts and clears it.
void MdtContactGroupReset(MdtConstraint* g);
/// Destroys every contact, then the group.
void MdtContactGroupDestroy(MdtConstraint* g);
/// A new contact in the group's world, appended, with the group's bodies; null when the pool is empty.
MdtConstraint* MdtContactGroupCreateContact(MdtConstraint* g);
void MdtContactGroupAppend(MdtConstraint* g, MdtConstraint* c);
void MdtContactGroupRemove(MdtConstraint* g, MdtConstraint* c);
void MdtContactGroupDestroyContact(MdtConstraint* g, MdtConstraint* c);
MdtConstraint* MdtContactGroupGetFirst(const MdtConstraint* g);
int MdtContactGroupGetCount(const MdtConstraint* g);
int MdtContactGroupGetFlip(const MdtConstraint* g);
void MdtContactGroupSetFlip(MdtConstraint* g, int flip);
void* MdtContactGroupGetPair(const MdtConstraint* g);
void MdtContactGroupSetPair(MdtConstraint* g, void* pair);
MeReal MdtContactGroupGetLoad(const MdtConstraint* g);
MdtConstraint* MdtConstraintIsContactGroup(MdtConstraint* c);

/// Default contact importance: contacts ranked by penetration (most penetrating most
/// important), contacts against the static world above all others. Returns the count.
int MdtContactGroupPrioritize(MdtConstraint* group);

void MdtContactBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
void MdtContactGroupBuildRows(keaConstraints*, MdtConstraint*, const MeMatrix4*, keaBody* const*, const MeReal*);
