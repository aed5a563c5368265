#pragma once
// Row blocks of the pair families. Each family keeps its rows beside its code
// (registration_basic.cpp, registration_convex.cpp, registration_trimesh.cpp) and fills in
// its functions there; registration.cpp assembles the groups.

#include "physics/collision/registration.h"

inline constexpr unsigned kMcdRowI = kMcdSlotIntersect;
inline constexpr unsigned kMcdRowS = kMcdSlotIntersect | kMcdSlotSafeTime;
inline constexpr unsigned kMcdRowH = kMcdSlotIntersect | kMcdSlotHelloGoodbye;

inline constexpr int kMcdMaxGroupRows = 32;
inline constexpr int kMcdMaxGroupLineSegs = 8;

struct McdRowBlock {
    const McdInteractionRow* rows;
    int rowCount;
    const McdLineSegRow* lineSegs;
    int lineSegCount;
};

template <class T, int N>
constexpr int McdCountOf(const T (&)[N])
{
    return N;
}

/// Sphere, box and plane pairs and their line-segment tests (primitives group).
McdRowBlock McdBasicPrimitiveRows();
/// Cylinder and triangle-list pairs and the cylinder's line-segment test (primitives group).
McdRowBlock McdCylinderAndListRows();
/// Cone pairs and the cone's line-segment test (primitives group).
McdRowBlock McdConeRows();
