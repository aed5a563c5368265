#include "physics/collision/geometry.h"

#include "physics/collision/aggregate.h"
#include "physics/collision/model.h"
#include "physics/dynamics/me_message.h"

void McdGeometryInit(McdGeometryID geometry, McdFrameworkID framework, int typeId)
{
    geometry->type = static_cast<MeI16>(typeId);
    geometry->refCount = 0;
    geometry->framework = framework;
}

McdGeometryTypeEntry* McdGeometryGetTypeEntry(McdGeometryID geometry)
{
    if (!geometry)
        return nullptr;
    return McdFrameworkGetTypeEntry(geometry->framework, geometry->type);
}

void McdGeometryDestroy(McdGeometryID geometry)
{
    if (!geometry)
        return;
    if (geometry->refCount != 0)
        MeWarning(0, "Destroying geometry with non-zero reference count!\n");
    // The aggregate has no type entry of its own; it is destroyed here directly so that
    // destroying one never goes through an empty table slot.
    if (geometry->type == kMcdAggregateType) {
        McdAggregateDestroy(geometry);
        return;
    }
    McdGeometryTypeEntry* entry = McdGeometryGetTypeEntry(geometry);
    if (entry && entry->destroy)
        entry->destroy(geometry);
    else
        MeWarning(0, "McdGeometryDestroy: geometry type %d has no destroy function.\n", geometry->type);
}

int McdGeometryGetTypeId(McdGeometryID geometry)
{
    return geometry->type;
}

int McdGeometryGetReferenceCount(McdGeometryID geometry)
{
    return geometry->refCount;
}

McdFrameworkID McdGeometryGetFramework(McdGeometryID geometry)
{
    return geometry->framework;
}

McdLineSegIntersectFn McdGeometryGetLineSegFn(McdGeometryID geometry)
{
    McdGeometryTypeEntry* entry = McdGeometryGetTypeEntry(geometry);
    return entry ? entry->lineSegment : nullptr;
}

bool McdGeometryGetBSphere(McdGeometryID geometry, MeReal centre[3], MeReal* radius)
{
    McdGeometryTypeEntry* entry = McdGeometryGetTypeEntry(geometry);
    if (!entry || !entry->boundingSphere)
        return false;
    entry->boundingSphere(geometry, centre, radius);
    return true;
}

MeI16 McdGeometryGetMassProperties(McdGeometryID geometry, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    McdGeometryTypeEntry* entry = McdGeometryGetTypeEntry(geometry);
    if (!entry || !entry->massProperties)
        return -1;
    return entry->massProperties(geometry, relTM, inertia, volume);
}

void McdGeometryMaximPoint(McdGeometryInstance* instance, const MeReal direction[3], MeReal point[3])
{
    McdGeometryTypeEntry* entry = McdGeometryGetTypeEntry(instance->geometry);
    if (entry && entry->maximPoint)
        entry->maximPoint(instance, direction, point);
}

double MeVec3::Dot(const MeReal a[3], const MeReal b[3])
{
    return static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] + static_cast<double>(a[2]) * b[2];
}

void MeVec3::Set(MeReal x, MeReal y, MeReal z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void MeVec3::Add(const MeVec3& b)
{
    v[0] += b.v[0];
    v[1] += b.v[1];
    v[2] += b.v[2];
}

void MeVec3::Divide(MeReal s)
{
    const MeReal inv = 1.0f / s;
    v[0] *= inv;
    v[1] *= inv;
    v[2] *= inv;
}

void MeMatrix4TransformPoint(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    MeReal r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = t[0][j] * p[0] + t[1][j] * p[1] + t[2][j] * p[2] + t[3][j];
    out[0] = r[0];
    out[1] = r[1];
    out[2] = r[2];
}

MeReal McdSign(MeReal x)
{
    return x > 0 ? 1.0f : (x < 0 ? -1.0f : 0.0f);
}
