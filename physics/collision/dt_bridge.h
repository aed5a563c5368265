#pragma once
/// The dynamics bridge: joins collision models to dynamics bodies and turns the touching
/// pairs of a space into contact groups of a world, once per step.
///
/// Per step the engine calls `McdSpaceUpdate` (model boxes), then `McdSpaceUpdateAndCollide`
/// (pair bookkeeping, intersection, contacts), then the world step. Each touching pair with
/// at least one body owns one contact group; its dynamics contacts are reused from step to
/// step and the group is enabled only while it has contacts. Contact parameters and three
/// callbacks are kept per unordered pair of material ids (a model's material is its data
/// word, `McdModelSetData`; ids outside 0 .. n-1 use material 0's records).
///
/// Body hooks (`McdDtBridgeSetBodyHooks`) freeze a model in its space while its body is
/// disabled and unfreeze it when the body wakes, so resting bodies cost no collision work.

#include "physics/collision/model_pair.h"
#include "physics/collision/space.h"
#include "physics/dynamics/world.h"

/// Rejects one contact when it returns 0.
using McdDtContactCallback = int (*)(McdIntersectResult* result, McdContact* collisionContact,
                                     MdtConstraint* dynamicsContact);
/// Drops every contact of the pair for this step when it returns 0.
using McdDtPairCallback = int (*)(McdIntersectResult* result, MdtConstraint* contactGroup);
/// Called for every touching pair.
using McdDtTouchCallback = void (*)(McdIntersectResult* result);

struct McdDtMaterialPair {
    MdtContactParams params;
    McdDtContactCallback contactCallback = nullptr;
    McdDtPairCallback pairCallback = nullptr;
    McdDtTouchCallback touchCallback = nullptr;
};

/// Most pairs handled per batch, and most contacts one pair hands the bridge.
inline constexpr int kMcdDtBatchPairs = 50;
inline constexpr int kMcdDtMaxContacts = 50;

struct McdDtBridge {
    int materialCount = 0;
    int nextMaterial = 1;
    McdDtMaterialPair* table = nullptr;  ///< n(n + 1)/2 records
    McdModelPair* pairs[kMcdDtBatchPairs] = {};
    McdPairContainer container;
    McdContact contacts[kMcdDtMaxContacts];
    int maxContacts = kMcdDtMaxContacts;
};

using McdDtBridgeID = McdDtBridge*;

/// A bridge for `materialCount` materials (at least 1); null on a bad count or allocation
/// failure.
McdDtBridgeID McdDtBridgeCreate(int materialCount);
void McdDtBridgeDestroy(McdDtBridgeID bridge);
/// The next material id (1, 2, ...); -1 once all n ids are handed out.
int McdDtBridgeGetNewMaterial(McdDtBridgeID bridge);

/// The record of the unordered pair (a, b), or null when an id lies outside 0 .. n-1.
McdDtMaterialPair* McdDtBridgeGetMaterialPair(McdDtBridgeID bridge, int a, int b);
MdtContactParams* McdDtBridgeGetContactParams(McdDtBridgeID bridge, int a, int b);
McdDtContactCallback McdDtBridgeGetContactCallback(McdDtBridgeID bridge, int a, int b);
McdDtPairCallback McdDtBridgeGetPairCallback(McdDtBridgeID bridge, int a, int b);
McdDtTouchCallback McdDtBridgeGetTouchCallback(McdDtBridgeID bridge, int a, int b);
/// Setters; ignored for ids outside the table.
void McdDtBridgeSetContactCallback(McdDtBridgeID bridge, int a, int b, McdDtContactCallback callback);
void McdDtBridgeSetPairCallback(McdDtBridgeID bridge, int a, int b, McdDtPairCallback callback);
void McdDtBridgeSetTouchCallback(McdDtBridgeID bridge, int a, int b, McdDtTouchCallback callback);

/// Installs the world's body hooks: disabled freezes the body's model, enabled unfreezes it.
void McdDtBridgeSetBodyHooks(MdtWorld* world);

/// Links a model to a body (null unlinks). Contact groups on the model's previous body are
/// destroyed (their pairs forget them). Linking makes the model follow the body's transform
/// and velocities and the body name the model; unlinking clears the model's pointers into
/// the old body and the old body's model field.
void McdModelSetBody(McdModelID model, MdtBody* body);

/// Destroys every contact group of the world (the pairs make them again at their next
/// collide), giving their constraint records back. Returns the number destroyed.
int McdDtBridgeDestroyContactGroups(MdtWorld* world);

/// Pair bookkeeping only (hello and goodbye, groups of ended pairs destroyed). Returns the
/// result of `McdSpaceBeginChanges`.
int McdSpaceUpdateAndHelloGoodbye(McdDtBridgeID bridge, McdSpaceID space, MdtWorld* world);
/// Bookkeeping, intersection and contact groups. Returns the result of `McdSpaceBeginChanges`.
int McdSpaceUpdateAndCollide(McdDtBridgeID bridge, McdSpaceID space, MdtWorld* world);
