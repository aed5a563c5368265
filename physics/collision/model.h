#pragma once
/// Collision models and geometry instances.
///
/// A model is one collidable object: a geometry placed by a transform that it follows by
/// pointer (usually a dynamics body's), with its world box, contact padding, user data and
/// the links the space and the dynamics bridge need. Its geometry is attached through an
/// embedded geometry instance; an aggregate geometry gets one child instance per element
/// slot, taken from the framework's instance pool. Models and instances live in the
/// framework's pools.

#include <cstdint>

#include "physics/collision/framework.h"

struct MdtBody;

using McdModelUpdateCallback = void (*)(McdModelID model);

struct McdGeometryInstance {
    McdGeometry* geometry = nullptr;
    MeMatrix4Ptr transform = nullptr;
    MeReal min[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    MeReal max[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    std::uintptr_t data = 0;  ///< the bridge reads it as the model's material id
    McdGeometryInstance* prev = nullptr;
    McdGeometryInstance* next = nullptr;
    McdGeometryInstance* parent = nullptr;
    McdGeometryInstance* child = nullptr;
};

struct McdModel {
    McdFramework* framework = nullptr;
    McdSpace* space = nullptr;
    MeReal* linearVelocity = nullptr;   ///< 3 floats, the body's, or null
    MeReal* angularVelocity = nullptr;  ///< 3 floats, the body's, or null
    MeReal padding = kMcdDefaultPadding;
    int spaceId = -1;
    MeI16 sortKey = 0;
    MdtBody* body = nullptr;
    MeReal reservedReal = 1.0f;
    std::uintptr_t reservedWord = 0;
    void* userData = nullptr;
    McdModelUpdateCallback updateFn = nullptr;
    MeMatrix4Ptr relTM = nullptr;
    MeMatrix4Ptr parentTM = nullptr;
    std::uintptr_t reserved = 0;
    McdGeometryInstance instance;
};

/// A model of `geometry` (framework = the geometry's), or null when the geometry is null or
/// the model pool is empty.
McdModelID McdModelCreate(McdGeometryID geometry);
/// Detaches the geometry and returns the record to the pool (1), or 0 for null. The caller
/// removes the model from its space and unlinks its body first; a model still in a space is
/// removed from it here (with a warning), and stays alive (0) when the space refuses.
int McdModelDestroy(McdModelID model);

void McdModelReset(McdModelID model);
void McdModelGetAABB(McdModelID model, MeReal min[3], MeReal max[3]);
MeMatrix4Ptr McdModelGetTransformPtr(McdModelID model);
void McdModelSetTransformPtr(McdModelID model, MeMatrix4Ptr transform);
/// The model will follow `combined`, recomputed by every update as relative x parent.
void McdModelSetRelativeTransforms(McdModelID model, MeMatrix4Ptr relative, MeMatrix4Ptr parent,
                                   MeMatrix4Ptr combined);
void McdModelSetUserData(McdModelID model, void* data);
void* McdModelGetUserData(McdModelID model);
McdGeometryID McdModelGetGeometry(McdModelID model);
/// The instance's data word (the bridge's material id).
void McdModelSetData(McdModelID model, std::uintptr_t data);
std::uintptr_t McdModelGetData(McdModelID model);
void McdModelSetPadding(McdModelID model, MeReal padding);
MeReal McdModelGetPadding(McdModelID model);
void McdModelSetLinearVelocityPtr(McdModelID model, MeReal* velocity);
void McdModelSetAngularVelocityPtr(McdModelID model, MeReal* velocity);
McdGeometryInstance* McdModelGetGeometryInstance(McdModelID model);
MeI16 McdModelGetSortKey(McdModelID model);
void McdModelSetSortKey(McdModelID model, MeI16 key);
void McdModelSetUpdateCallback(McdModelID model, McdModelUpdateCallback fn);
McdSpaceID McdModelGetSpace(McdModelID model);
/// The body field; set and cleared by the dynamics bridge.
MdtBody* McdModelGetBody(McdModelID model);
/// The bounding sphere of the geometry carried by the model's transform.
void McdModelGetBSphere(McdModelID model, MeReal centre[3], MeReal* radius);

/// Runs the update callback, recomputes relative and element transforms and refreshes the
/// world box.
void McdModelUpdate(McdModelID model);
/// The update function every space installs: `McdModelUpdate` of `data`.
void McdModelUpdateFn(void* data, void* argument);

/// Element transform = relative x parent for rigid transforms: rotation as the product of
/// the 3x3 parts, position as the relative position rotated by the parent plus its position.
void MeMatrix4MultiplyAffine(MeMatrix4Ptr out, MeConstMatrix4Ptr relative, MeConstMatrix4Ptr parent);

void McdGeometryInstanceReset(McdGeometryInstance* instance);
/// Attaches a geometry (null detaches): releases the old geometry and its child instances,
/// takes a reference on the new one and, for an aggregate, one child instance per element
/// slot from the framework's instance pool (stopping with a warning when the pool is empty).
void McdGeometryInstanceSetGeometry(McdGeometryInstance* instance, McdGeometryID geometry);
McdGeometryID McdGeometryInstanceGetGeometry(McdGeometryInstance* instance);
void McdGeometryInstanceSetTransformPtr(McdGeometryInstance* instance, MeMatrix4Ptr transform);
MeMatrix4Ptr McdGeometryInstanceGetTransformPtr(McdGeometryInstance* instance);
void McdGeometryInstanceGetAABB(McdGeometryInstance* instance, MeReal min[3], MeReal max[3]);
/// The type's update function; an instance without geometry, transform or update function
/// keeps its box.
void McdGeometryInstanceUpdateAABB(McdGeometryInstance* instance, MeConstMatrix4Ptr second);
/// Bounding sphere in world space: the type's sphere with its centre carried by the whole
/// transform (rotation and position).
void McdGeometryInstanceGetBSphere(McdGeometryInstance* instance, MeReal centre[3], MeReal* radius);
void McdGeometryInstanceSetData(McdGeometryInstance* instance, std::uintptr_t data);
std::uintptr_t McdGeometryInstanceGetData(McdGeometryInstance* instance);
