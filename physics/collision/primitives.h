#pragma once
/// Primitive geometry types: sphere, box, plane, cylinder, cone and triangle list, with their
/// type functions (destroy, world box, bounding sphere, support point, mass properties).
///
/// Every primitive's frame is its model's transform; axes of symmetry lie along local z.
/// Sizes are fixed at creation. Creators allocate through the toolkit's memory table and
/// return null when the allocation fails.

#include "physics/collision/geometry.h"

struct McdSphere : McdGeometry {
    MeReal radius = 0;
};

struct McdBox : McdGeometry {
    MeReal halfExtents[3] = {0, 0, 0};
    MeReal radius = 0;  ///< length of the half-extent vector
};

/// The plane passes through its model's position; its normal is the model's local z axis and
/// the solid side lies below.
struct McdPlane : McdGeometry {};

struct McdCylinder : McdGeometry {
    MeReal radius = 0;
    MeReal halfHeight = 0;
    MeReal boundingRadius = 0;  ///< sqrt(radius^2 + halfHeight^2)
};

/// Cone along local z, apex up: the apex lies `above` over the centre and the base `below`
/// under it (3/4 and 1/4 of the height).
struct McdCone : McdGeometry {
    MeReal above = 0;
    MeReal below = 0;
    MeReal radius = 0;
    std::uint32_t extra = 0;
    MeReal sineRatio = 1;  ///< radius / slant length; 1 for a flat cone
};

struct McdTriangleList;

/// One triangle a triangle list's callback supplies: pointers into the caller's storage (in
/// the list's frame), the unit face normal, a user word copied into each contact made from
/// it (the contact's `element2`) and the flag bits of the geometry tests' triangle record:
/// bit 0 edge contacts take their own normal, bit 1 two-sided, bits 2-4 edges 0-2 may make
/// edge contacts.
struct McdUserTriangle {
    const MeReal* vertices[3] = {nullptr, nullptr, nullptr};
    const MeReal* normal = nullptr;
    void* user = nullptr;
    unsigned flags = 0;
};

/// Supplies the triangles of a triangle list near a query sphere (centre in the list's frame):
/// writes entries into the list's `triangles` buffer (at most `triangleMaxCount`), sets
/// `triangleCount` and returns that count. The pair functions, the convex-mesh pair and the
/// engine all use this one signature.
using McdTriangleListFnPtr = int (*)(McdModelPair* pair, McdModelID listModel, const MeReal centre[3],
                                     MeReal radius);

struct McdTriangleList : McdGeometry {
    MeReal halfExtents[3] = {0, 0, 0};
    MeReal radius = 0;
    int triangleCount = 0;                  ///< entries written by the last callback
    McdUserTriangle* triangles = nullptr;   ///< the caller's entry buffer
    int triangleMaxCount = 0;               ///< its capacity
    void* userData = nullptr;               ///< the caller's own record
    McdTriangleListFnPtr triangleFn = nullptr;
};

McdGeometryID McdSphereCreate(McdFrameworkID framework, MeReal radius);
/// Full side lengths; the box stores their halves.
McdGeometryID McdBoxCreate(McdFrameworkID framework, MeReal dx, MeReal dy, MeReal dz);
McdGeometryID McdPlaneCreate(McdFrameworkID framework);
McdGeometryID McdCylinderCreate(McdFrameworkID framework, MeReal radius, MeReal height);
McdGeometryID McdConeCreate(McdFrameworkID framework, MeReal height, MeReal radius);
McdGeometryID McdConeCreateFull(McdFrameworkID framework, MeReal height, MeReal radius, std::uint32_t extra);
/// Null when the callback is null.
McdGeometryID McdTriangleListCreate(McdFrameworkID framework, MeReal dx, MeReal dy, MeReal dz,
                                    McdTriangleListFnPtr triangleFn);

MeReal McdSphereGetRadius(McdGeometryID sphere);
MeReal McdBoxGetRadius(McdGeometryID box);
MeReal* McdBoxGetHalfExtents(McdGeometryID box);
int McdBoxGetTypeId();
MeReal McdCylinderGetRadius(McdGeometryID cylinder);
MeReal McdCylinderGetHalfHeight(McdGeometryID cylinder);
MeReal McdConeGetHeight(McdGeometryID cone);
MeReal McdConeGetRadius(McdGeometryID cone);

/// Support point of a cylinder (radius r, half height h) in a local direction.
void McdCylinderLocalSupport(MeReal r, MeReal h, const MeReal d[3], MeReal out[3]);

/// Registers the sphere, box and plane (types 1-3).
int McdSimplePrimitivesRegisterTypes(McdFrameworkID framework);
/// Registers every primitive type (1-6).
int McdPrimitivesRegisterTypes(McdFrameworkID framework);

// Type functions, exposed for the table and the tests.
void McdSphereDestroy(McdGeometryID g);
void McdSphereUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second);
void McdSphereGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius);
void McdSphereMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3]);
MeI16 McdSphereGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

void McdBoxDestroy(McdGeometryID g);
void McdBoxUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second);
void McdBoxGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius);
void McdBoxMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3]);
MeI16 McdBoxGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

void McdPlaneDestroy(McdGeometryID g);
void McdPlaneUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second);
void McdPlaneGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius);
void McdPlaneMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3]);
MeI16 McdPlaneGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

void McdCylinderDestroy(McdGeometryID g);
void McdCylinderUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second);
void McdCylinderGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius);
void McdCylinderMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3]);
MeI16 McdCylinderGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

void McdConeDestroy(McdGeometryID g);
void McdConeUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second);
void McdConeGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius);
void McdConeMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3]);
MeI16 McdConeGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume);

void McdTriangleListDestroy(McdGeometryID g);
void McdTriangleListUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second);
void McdTriangleListGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius);
void McdTriangleListMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3]);
MeI16 McdTriangleListGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume);
