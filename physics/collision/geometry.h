#pragma once
/// Geometry base: the common header of every geometry, dispatch through the framework's type
/// table, and the small vector helpers the geometry types and the game share.
///
/// A geometry is a shape in its own frame, shared by any number of models; its reference
/// count is the number of geometry instances using it.

#include "physics/collision/framework.h"

struct McdGeometry {
    MeI16 type = 0;
    int refCount = 0;
    McdFramework* framework = nullptr;
};

/// Writes the header: type id, reference count 0, framework.
void McdGeometryInit(McdGeometryID geometry, McdFrameworkID framework, int typeId);

/// Destroys a geometry through its type's destroy function, warning first when it is still
/// referenced. Null is ignored.
void McdGeometryDestroy(McdGeometryID geometry);

int McdGeometryGetTypeId(McdGeometryID geometry);
int McdGeometryGetReferenceCount(McdGeometryID geometry);
McdFrameworkID McdGeometryGetFramework(McdGeometryID geometry);

/// The type entry of a geometry, or null when its type lies outside the table.
McdGeometryTypeEntry* McdGeometryGetTypeEntry(McdGeometryID geometry);

/// The line-segment test of the geometry's type, or null.
McdLineSegIntersectFn McdGeometryGetLineSegFn(McdGeometryID geometry);

/// The type's bounding sphere, centre in the geometry's frame. False without a function.
bool McdGeometryGetBSphere(McdGeometryID geometry, MeReal centre[3], MeReal* radius);

/// The type's mass properties; -1 without a function.
MeI16 McdGeometryGetMassProperties(McdGeometryID geometry, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

/// Support point of the instance's geometry along a unit world direction (world point).
void McdGeometryMaximPoint(McdGeometryInstance* instance, const MeReal direction[3], MeReal point[3]);

/// Three-float vector helpers shared with the engine and the game.
struct MeVec3 {
    MeReal v[3] = {0, 0, 0};

    /// a . b, accumulated in double.
    static double Dot(const MeReal a[3], const MeReal b[3]);
    void Set(MeReal x, MeReal y, MeReal z);
    void Add(const MeVec3& b);
    /// Multiplies by 1/s.
    void Divide(MeReal s);
};

/// out = rotation rows of `transform` times `point`, plus its position.
void MeMatrix4TransformPoint(MeConstMatrix4Ptr transform, const MeReal point[3], MeReal out[3]);

/// -1, 0 or 1.
MeReal McdSign(MeReal x);
