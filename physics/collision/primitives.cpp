// Primitive type functions.
//
// A transform t places a primitive: rows 0-2 are its local axes in world space, row 3 its
// position, and a local point p lands at p0 t[0] + p1 t[1] + p2 t[2] + t[3]. Everything here
// follows from that:
// - World box of a shape symmetric about its origin: on world axis j the extent is the shape's
//   support distance along e_j, e.g. for a box sum_i |t[i][j]| h_i (each local axis
//   contributes its projected half extent); for a cylinder |a_j| hh + sqrt(1 - a_j^2) r with
//   a = t[2] (cap centre offset plus the cap disc's projected radius). The cone is not
//   symmetric, so its box comes from its support points along +-e_j.
// - Support (maxim) point along a unit world direction d: the box picks the corner
//   sign(d . axis_i) h_i per axis (a zero sign stays on the face centre line); the cylinder
//   the cap rim point in the direction of d's part perpendicular to its axis; the cone its
//   apex when the local d_z exceeds the sine of the half-angle (r / slant), else the base rim.
// - Mass properties are per unit mass about the centre of mass in the shape's frame; the
//   cone's origin is its mass centre (a quarter of the height above the base), so its frame
//   is the mass frame as for every other primitive.
// A plane's box is unbounded except along a world axis it faces exactly.

#include "physics/collision/primitives.h"

#include <cmath>

#include "physics/collision/collision_local.h"
#include "physics/collision/model.h"

namespace {

constexpr MeReal kAxisAligned = 0.9999995f;

template <class T>
T* AsType(McdGeometryID g)
{
    return static_cast<T*>(g);
}

template <class T>
McdGeometryID CreateGeometry(McdFrameworkID framework, int typeId, T** out)
{
    T* g = McdNew<T>();
    if (!g)
        return nullptr;
    McdGeometryInit(g, framework, typeId);
    *out = g;
    return g;
}

template <class T>
void DestroyGeometry(McdGeometryID g)
{
    McdDelete(static_cast<T*>(g));
}

void Position(MeConstMatrix4Ptr t, MeReal p[3])
{
    p[0] = t[3][0];
    p[1] = t[3][1];
    p[2] = t[3][2];
}

// Writes a box computed by `boxAt` for the instance's transform, widened to the box at the
// second transform when one is given.
template <class BoxAt>
void UpdateBox(McdGeometryInstance* ins, MeConstMatrix4Ptr second, BoxAt boxAt)
{
    boxAt(ins->transform, ins->min, ins->max);
    if (!second)
        return;
    MeReal lo[3], hi[3];
    boxAt(second, lo, hi);
    for (int j = 0; j < 3; ++j) {
        ins->min[j] = std::fmin(ins->min[j], lo[j]);
        ins->max[j] = std::fmax(ins->max[j], hi[j]);
    }
}

// World box of an oriented box with half extents h: the extent on world axis j is the sum
// over the box axes i of |axis_i[j]| h_i.
void OrientedBoxAt(const MeReal h[3], MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3])
{
    for (int j = 0; j < 3; ++j) {
        const MeReal e = std::fabs(t[0][j]) * h[0] + std::fabs(t[1][j]) * h[1] + std::fabs(t[2][j]) * h[2];
        lo[j] = t[3][j] - e;
        hi[j] = t[3][j] + e;
    }
}

void OrientedBoxMaxim(const MeReal h[3], MeConstMatrix4Ptr t, const MeReal d[3], MeReal out[3])
{
    Position(t, out);
    for (int i = 0; i < 3; ++i) {
        const MeReal s = McdSign(static_cast<MeReal>(MeVec3::Dot(d, t[i]))) * h[i];
        for (int j = 0; j < 3; ++j)
            out[j] += s * t[i][j];
    }
}

void DiagonalMass(MeReal relTM[16], MeReal inertia[9], MeReal ixx, MeReal iyy, MeReal izz)
{
    McdSetIdentity(relTM);
    for (int i = 0; i < 9; ++i)
        inertia[i] = 0;
    inertia[0] = ixx;
    inertia[4] = iyy;
    inertia[8] = izz;
}

void CylinderBoxAt(const McdCylinder* c, MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3])
{
    for (int j = 0; j < 3; ++j) {
        const MeReal a = t[2][j];
        MeReal e = std::fabs(a) * c->halfHeight;
        const MeReal s = 1.0f - a * a;
        if (s > 0)
            e += std::sqrt(s) * c->radius;
        lo[j] = t[3][j] - e;
        hi[j] = t[3][j] + e;
    }
}

// Cone support in a local direction.
void ConeLocalSupport(const McdCone* c, const MeReal d[3], MeReal out[3])
{
    if (d[2] > c->sineRatio) {
        out[0] = 0;
        out[1] = 0;
        out[2] = c->above;
        return;
    }
    out[2] = -c->below;
    if (std::fabs(d[0]) < 1e-6f && std::fabs(d[1]) < 1e-6f) {
        out[0] = 0;
        out[1] = 0;
        return;
    }
    const MeReal len = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    out[0] = c->radius * d[0] / len;
    out[1] = c->radius * d[1] / len;
}

// World direction into the frame of t (transpose of the rotation).
void ToLocal(MeConstMatrix4Ptr t, const MeReal d[3], MeReal out[3])
{
    for (int i = 0; i < 3; ++i)
        out[i] = t[i][0] * d[0] + t[i][1] * d[1] + t[i][2] * d[2];
}

void ConeSupportWorld(const McdCone* c, MeConstMatrix4Ptr t, const MeReal d[3], MeReal out[3])
{
    MeReal local[3], p[3];
    ToLocal(t, d, local);
    ConeLocalSupport(c, local, p);
    MeMatrix4TransformPoint(t, p, out);
}

void ConeBoxAt(const McdCone* c, MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3])
{
    for (int j = 0; j < 3; ++j) {
        MeReal d[3] = {0, 0, 0};
        MeReal p[3];
        d[j] = 1;
        ConeSupportWorld(c, t, d, p);
        hi[j] = p[j];
        d[j] = -1;
        ConeSupportWorld(c, t, d, p);
        lo[j] = p[j];
    }
}

void PlaneBoxAt(MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3])
{
    for (int j = 0; j < 3; ++j) {
        lo[j] = -FLT_MAX;
        hi[j] = FLT_MAX;
    }
    // Only a plane facing along a world axis bounds its box, on that axis alone.
    for (int j = 0; j < 3; ++j) {
        const MeReal n = t[2][j];
        if (n > kAxisAligned) {
            hi[j] = t[3][j];
            return;
        }
        if (n < -kAxisAligned) {
            lo[j] = t[3][j];
            return;
        }
    }
}

// Shapes bounded by an oriented box of half extents about their origin (box, triangle list).
template <class T>
void BoxShapeUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    const MeReal* h = AsType<T>(ins->geometry)->halfExtents;
    UpdateBox(ins, second, [h](MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3]) { OrientedBoxAt(h, t, lo, hi); });
}

template <class T>
void BoxShapeBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    centre[0] = centre[1] = centre[2] = 0;
    *radius = AsType<T>(g)->radius;
}

template <class T>
void BoxShapeMaxim(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    OrientedBoxMaxim(AsType<T>(ins->geometry)->halfExtents, ins->transform, d, out);
}

// Unit-mass inertia of a solid box of half extents h.
void BoxInertia(const MeReal h[3], MeReal relTM[16], MeReal inertia[9])
{
    const MeReal x2 = h[0] * h[0], y2 = h[1] * h[1], z2 = h[2] * h[2];
    DiagonalMass(relTM, inertia, (y2 + z2) / 3, (x2 + z2) / 3, (x2 + y2) / 3);
}

}  // namespace

// Sphere.

McdGeometryID McdSphereCreate(McdFrameworkID framework, MeReal radius)
{
    McdSphere* s = nullptr;
    if (!CreateGeometry(framework, kMcdSphereType, &s))
        return nullptr;
    s->radius = radius;
    return s;
}

MeReal McdSphereGetRadius(McdGeometryID g)
{
    return AsType<McdSphere>(g)->radius;
}

void McdSphereDestroy(McdGeometryID g)
{
    DestroyGeometry<McdSphere>(g);
}

void McdSphereUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    const MeReal r = AsType<McdSphere>(ins->geometry)->radius;
    UpdateBox(ins, second, [r](MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3]) {
        for (int j = 0; j < 3; ++j) {
            lo[j] = t[3][j] - r;
            hi[j] = t[3][j] + r;
        }
    });
}

void McdSphereGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    centre[0] = centre[1] = centre[2] = 0;
    *radius = AsType<McdSphere>(g)->radius;
}

void McdSphereMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    const MeReal r = AsType<McdSphere>(ins->geometry)->radius;
    for (int j = 0; j < 3; ++j)
        out[j] = ins->transform[3][j] + r * d[j];
}

MeI16 McdSphereGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    const MeReal r = AsType<McdSphere>(g)->radius;
    const MeReal i = 0.4f * r * r;
    DiagonalMass(relTM, inertia, i, i, i);
    *volume = 4.1887903f * r * r * r;
    return 0;
}

// Box.

McdGeometryID McdBoxCreate(McdFrameworkID framework, MeReal dx, MeReal dy, MeReal dz)
{
    McdBox* b = nullptr;
    if (!CreateGeometry(framework, kMcdBoxType, &b))
        return nullptr;
    b->halfExtents[0] = 0.5f * dx;
    b->halfExtents[1] = 0.5f * dy;
    b->halfExtents[2] = 0.5f * dz;
    b->radius = std::sqrt(b->halfExtents[0] * b->halfExtents[0] + b->halfExtents[1] * b->halfExtents[1] +
                          b->halfExtents[2] * b->halfExtents[2]);
    return b;
}

MeReal McdBoxGetRadius(McdGeometryID g)
{
    return AsType<McdBox>(g)->radius;
}

MeReal* McdBoxGetHalfExtents(McdGeometryID g)
{
    return AsType<McdBox>(g)->halfExtents;
}

int McdBoxGetTypeId()
{
    return kMcdBoxType;
}

void McdBoxDestroy(McdGeometryID g)
{
    DestroyGeometry<McdBox>(g);
}

void McdBoxUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    BoxShapeUpdate<McdBox>(ins, second);
}

void McdBoxGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    BoxShapeBSphere<McdBox>(g, centre, radius);
}

void McdBoxMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    BoxShapeMaxim<McdBox>(ins, d, out);
}

MeI16 McdBoxGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    const MeReal* h = AsType<McdBox>(g)->halfExtents;
    BoxInertia(h, relTM, inertia);
    *volume = 8 * h[0] * h[1] * h[2];
    return 0;
}

// Plane.

McdGeometryID McdPlaneCreate(McdFrameworkID framework)
{
    McdPlane* p = nullptr;
    return CreateGeometry(framework, kMcdPlaneType, &p);
}

void McdPlaneDestroy(McdGeometryID g)
{
    DestroyGeometry<McdPlane>(g);
}

void McdPlaneUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    UpdateBox(ins, second, PlaneBoxAt);
}

void McdPlaneGetBSphere(McdGeometryID, MeReal centre[3], MeReal* radius)
{
    centre[0] = centre[1] = centre[2] = 0;
    *radius = FLT_MAX;
}

void McdPlaneMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    if (MeVec3::Dot(d, ins->transform[2]) >= kAxisAligned) {
        Position(ins->transform, out);
        return;
    }
    for (int j = 0; j < 3; ++j)
        out[j] = d[j] * FLT_MAX;
}

MeI16 McdPlaneGetMassProperties(McdGeometryID, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    DiagonalMass(relTM, inertia, 1, 1, 1);
    *volume = 0;
    return 0;
}

// Cylinder.

McdGeometryID McdCylinderCreate(McdFrameworkID framework, MeReal radius, MeReal height)
{
    McdCylinder* c = nullptr;
    if (!CreateGeometry(framework, kMcdCylinderType, &c))
        return nullptr;
    c->radius = radius;
    c->halfHeight = 0.5f * height;
    c->boundingRadius = std::sqrt(radius * radius + c->halfHeight * c->halfHeight);
    return c;
}

MeReal McdCylinderGetRadius(McdGeometryID g)
{
    return AsType<McdCylinder>(g)->radius;
}

MeReal McdCylinderGetHalfHeight(McdGeometryID g)
{
    return AsType<McdCylinder>(g)->halfHeight;
}

void McdCylinderDestroy(McdGeometryID g)
{
    DestroyGeometry<McdCylinder>(g);
}

void McdCylinderUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    const McdCylinder* c = AsType<McdCylinder>(ins->geometry);
    UpdateBox(ins, second, [c](MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3]) { CylinderBoxAt(c, t, lo, hi); });
}

void McdCylinderGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    centre[0] = centre[1] = centre[2] = 0;
    *radius = AsType<McdCylinder>(g)->boundingRadius;
}

void McdCylinderMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    const McdCylinder* c = AsType<McdCylinder>(ins->geometry);
    MeConstMatrix4Ptr t = ins->transform;
    const MeReal* a = t[2];
    const MeReal da = static_cast<MeReal>(MeVec3::Dot(d, a));
    const MeReal s = da >= 0 ? c->halfHeight : -c->halfHeight;
    MeReal perp[3];
    for (int j = 0; j < 3; ++j) {
        out[j] = t[3][j] + s * a[j];
        perp[j] = d[j] - da * a[j];
    }
    if (1.0f - da * da <= 0)
        return;
    const MeReal len = std::sqrt(perp[0] * perp[0] + perp[1] * perp[1] + perp[2] * perp[2]);
    if (len <= 0)
        return;
    for (int j = 0; j < 3; ++j)
        out[j] += c->radius * perp[j] / len;
}

MeI16 McdCylinderGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    const McdCylinder* c = AsType<McdCylinder>(g);
    const MeReal h = 2 * c->halfHeight;
    const MeReal r2 = c->radius * c->radius;
    const MeReal ixy = h * h / 12 + r2 / 4;
    DiagonalMass(relTM, inertia, ixy, ixy, r2 / 2);
    *volume = h * 3.1415927f * r2;
    return 0;
}

void McdCylinderLocalSupport(MeReal r, MeReal h, const MeReal d[3], MeReal out[3])
{
    const MeReal z = d[2] < 0 ? -h : h;
    const MeReal len = std::sqrt(d[0] * d[0] + d[1] * d[1]);
    // The test is relative: GJK asks along unnormalised directions as short as its distance,
    // and a short direction off the axis still selects a rim point.
    if (len <= 0.0001f * std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2])) {
        out[0] = 0;
        out[1] = 0;
        out[2] = z;
        return;
    }
    out[0] = r * d[0] / len;
    out[1] = r * d[1] / len;
    out[2] = z;
}

// Cone.

McdGeometryID McdConeCreateFull(McdFrameworkID framework, MeReal height, MeReal radius, std::uint32_t extra)
{
    McdCone* c = nullptr;
    if (!CreateGeometry(framework, kMcdConeType, &c))
        return nullptr;
    c->above = 0.75f * height;
    c->below = 0.25f * height;
    c->radius = radius;
    c->extra = extra;
    c->sineRatio = height > 0 ? radius / std::sqrt(height * height + radius * radius) : 1.0f;
    return c;
}

McdGeometryID McdConeCreate(McdFrameworkID framework, MeReal height, MeReal radius)
{
    return McdConeCreateFull(framework, height, radius, 0);
}

MeReal McdConeGetHeight(McdGeometryID g)
{
    const McdCone* c = AsType<McdCone>(g);
    return c->above + c->below;
}

MeReal McdConeGetRadius(McdGeometryID g)
{
    return AsType<McdCone>(g)->radius;
}

void McdConeDestroy(McdGeometryID g)
{
    DestroyGeometry<McdCone>(g);
}

void McdConeUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    const McdCone* c = AsType<McdCone>(ins->geometry);
    UpdateBox(ins, second, [c](MeConstMatrix4Ptr t, MeReal lo[3], MeReal hi[3]) { ConeBoxAt(c, t, lo, hi); });
}

void McdConeGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    const McdCone* c = AsType<McdCone>(g);
    const MeReal height = c->above + c->below;
    centre[0] = centre[1] = 0;
    if (!(height > 0)) {
        // A flat cone is its base disc.
        centre[2] = 0;
        *radius = c->radius;
        return;
    }
    // The sphere through the apex and the base rim.
    const MeReal d0 = (c->above * c->above - c->below * c->below - c->radius * c->radius) / (2 * height);
    centre[2] = d0;
    *radius = c->above - d0;
}

void McdConeMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    ConeSupportWorld(AsType<McdCone>(ins->geometry), ins->transform, d, out);
}

MeI16 McdConeGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    const McdCone* c = AsType<McdCone>(g);
    const MeReal h = c->above + c->below;
    const MeReal r2 = c->radius * c->radius;
    const MeReal ixy = 0.0375f * (h * h + 4 * r2);
    DiagonalMass(relTM, inertia, ixy, ixy, 0.3f * r2);
    *volume = 0;
    return 0;
}

// Triangle list: bounded by a box of the given size.

McdGeometryID McdTriangleListCreate(McdFrameworkID framework, MeReal dx, MeReal dy, MeReal dz,
                                    McdTriangleListFnPtr triangleFn)
{
    if (!triangleFn)
        return nullptr;
    McdTriangleList* l = nullptr;
    if (!CreateGeometry(framework, kMcdTriangleListType, &l))
        return nullptr;
    l->halfExtents[0] = 0.5f * dx;
    l->halfExtents[1] = 0.5f * dy;
    l->halfExtents[2] = 0.5f * dz;
    l->radius = std::sqrt(l->halfExtents[0] * l->halfExtents[0] + l->halfExtents[1] * l->halfExtents[1] +
                          l->halfExtents[2] * l->halfExtents[2]);
    l->triangleFn = triangleFn;
    return l;
}

void McdTriangleListDestroy(McdGeometryID g)
{
    DestroyGeometry<McdTriangleList>(g);
}

void McdTriangleListUpdate(McdGeometryInstance* ins, MeConstMatrix4Ptr second)
{
    BoxShapeUpdate<McdTriangleList>(ins, second);
}

void McdTriangleListGetBSphere(McdGeometryID g, MeReal centre[3], MeReal* radius)
{
    BoxShapeBSphere<McdTriangleList>(g, centre, radius);
}

void McdTriangleListMaximPoint(McdGeometryInstance* ins, const MeReal d[3], MeReal out[3])
{
    BoxShapeMaxim<McdTriangleList>(ins, d, out);
}

MeI16 McdTriangleListGetMassProperties(McdGeometryID g, MeReal relTM[16], MeReal inertia[9], MeReal* volume)
{
    const MeReal* h = AsType<McdTriangleList>(g)->halfExtents;
    BoxInertia(h, relTM, inertia);
    *volume = h[0] * h[1] * h[2];
    return 0;
}

// Registration.

int McdSimplePrimitivesRegisterTypes(McdFrameworkID fw)
{
    McdGeometryRegisterType(fw, kMcdSphereType, "McdSphere", McdSphereDestroy, McdSphereUpdate, McdSphereGetBSphere,
                            McdSphereMaximPoint, McdSphereGetMassProperties);
    McdGeometryRegisterType(fw, kMcdBoxType, "McdBox", McdBoxDestroy, McdBoxUpdate, McdBoxGetBSphere,
                            McdBoxMaximPoint, McdBoxGetMassProperties);
    McdGeometryRegisterType(fw, kMcdPlaneType, "McdPlane", McdPlaneDestroy, McdPlaneUpdate, McdPlaneGetBSphere,
                            McdPlaneMaximPoint, McdPlaneGetMassProperties);
    return 1;
}

int McdPrimitivesRegisterTypes(McdFrameworkID fw)
{
    McdSimplePrimitivesRegisterTypes(fw);
    McdGeometryRegisterType(fw, kMcdCylinderType, "McdCylinder", McdCylinderDestroy, McdCylinderUpdate,
                            McdCylinderGetBSphere, McdCylinderMaximPoint, McdCylinderGetMassProperties);
    McdGeometryRegisterType(fw, kMcdConeType, "McdCone", McdConeDestroy, McdConeUpdate, McdConeGetBSphere,
                            McdConeMaximPoint, McdConeGetMassProperties);
    McdGeometryRegisterType(fw, kMcdTriangleListType, "McdTriangleList", McdTriangleListDestroy,
                            McdTriangleListUpdate, McdTriangleListGetBSphere, McdTriangleListMaximPoint,
                            McdTriangleListGetMassProperties);
    return 1;
}
