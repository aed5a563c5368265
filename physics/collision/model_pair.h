#pragma once
/// Model pairs and the records of every pair function.
///
/// The space creates a pair for two models whose boxes overlap and reports it new,
/// continuing or ended. `McdHello` looks up the pair's interaction in the framework's table
/// (swapping the models into the order of registration), `McdIntersect` runs the intersect
/// function into an `McdIntersectResult`, `McdGoodbye` ends it.
///
/// Sign conventions of every pair function: a contact's normal points from model 2 towards
/// model 1, and its separation is negative on penetration. The dims code holds one byte per
/// model (low byte model 1): 0 point, 1 edge, 2 face, 3 curved surface.

#include <cstdint>

#include "physics/collision/framework.h"

struct McdPairData;
struct MdtConstraint;

enum McdPairState : int {
    kMcdPairNew = 1,
    kMcdPairContinuing = 2,
    kMcdPairEnded = 3,
};

struct McdModelPair {
    McdModel* model1 = nullptr;
    McdModel* model2 = nullptr;
    int state = 0;
    McdIntersectRequest* request = nullptr;
    void* reserved = nullptr;
    McdPairData* pairData = nullptr;             ///< owned by the interaction's hello/goodbye
    McdInteractions* interaction = nullptr;      ///< set by `McdHello`
    MdtConstraint* contactGroup = nullptr;       ///< the bridge's contact group, or null
};

struct McdContact {
    MeReal position[3] = {0, 0, 0};
    MeReal normal[3] = {0, 0, 0};  ///< unit, from model 2 towards model 1
    MeReal separation = 0;         ///< negative on penetration
    MeI16 dims = 0;
    void* element1 = nullptr;
    void* element2 = nullptr;
};

struct McdIntersectResult {
    McdModelPair* pair = nullptr;
    McdContact* contacts = nullptr;
    int contactMaxCount = 0;
    int contactCount = 0;
    int touch = 0;
    MeReal normal[3] = {0, 0, 0};
};

/// Written first with the whole step, then with the time of contact when one is found.
struct McdSafeTimeResult {
    McdModelPair* pair = nullptr;
    MeReal time = 0;
};

/// Models set, request = the default request of model 1's framework, everything else cleared.
void McdModelPairInit(McdModelPair* pair, McdModelID model1, McdModelID model2);
void McdModelPairGetModels(McdModelPair* pair, McdModelID* model1, McdModelID* model2);

/// Once per new pair, before its first intersect: hello hook, interaction lookup, model swap
/// when the entry is mirrored, the interaction's hello.
void McdHello(McdModelPair* pair);
/// 1 when the pair has an intersect function (result touch from it), else 0 with count 0
/// and touch 0.
int McdIntersect(McdModelPair* pair, McdIntersectResult* result);
/// Once per ended pair.
void McdGoodbye(McdModelPair* pair);
