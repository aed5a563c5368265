// Triangle-list pairs.
//
// The list's callback fills the caller's entry buffer with the triangles near a query
// sphere (the other shape's bounding sphere widened by the pair's padding, centre in the
// list's frame). Each entry's corners and normal are taken into the other shape's frame
// (the sphere: world axes about its centre; the box and the cylinder: their own frames) and
// handed to the geometry tests with the entry's flags. Contacts of all triangles are
// gathered in a fixed local array and culled once against the summed (normalised) contact
// normal.
//
// One-sided triangles (flag bit 1 clear). A sphere whose test reports the triangle's face
// gets the face normal; when the test's normal opposes it the centre lies behind the face
// and the separation becomes -2R minus the test's, so the sphere is pushed out through the
// front. A box or cylinder whose normal opposes the face has the normal turned round.
//
// The count the callback reports is clamped to its buffer, and entries missing a vertex or
// normal pointer are skipped.

#include "physics/collision/triangle_list_pairs.h"
#include "physics/dynamics/me_math.h"

#include <cmath>

#include "physics/collision/contact_cull.h"
#include "physics/collision/geometry_tests.h"
#include "physics/collision/model.h"
#include "physics/collision/primitives.h"

namespace {

constexpr int kSphereGather = 200;
constexpr int kShapeGather = 400;
const McdIntersectRequest kSphereFallback = {4, 1};
const McdIntersectRequest kShapeFallback = {8, 1};

MeReal Dot(const MeReal a[3], const MeReal b[3]) { return MeVector3Dot(a, b); }

void Transform(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    MeReal q[3];
    for (int j = 0; j < 3; ++j)
        q[j] = p[0] * t[0][j] + p[1] * t[1][j] + p[2] * t[2][j] + t[3][j];
    for (int j = 0; j < 3; ++j)
        out[j] = q[j];
}

void Rotate(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    MeReal q[3];
    for (int j = 0; j < 3; ++j)
        q[j] = v[0] * t[0][j] + v[1] * t[1][j] + v[2] * t[2][j];
    for (int j = 0; j < 3; ++j)
        out[j] = q[j];
}

void InverseTransform(MeConstMatrix4Ptr t, const MeReal p[3], MeReal out[3])
{
    const MeReal d[3] = {p[0] - t[3][0], p[1] - t[3][1], p[2] - t[3][2]};
    out[0] = Dot(d, t[0]);
    out[1] = Dot(d, t[1]);
    out[2] = Dot(d, t[2]);
}

void InverseRotate(MeConstMatrix4Ptr t, const MeReal v[3], MeReal out[3])
{
    const MeReal q[3] = {v[0], v[1], v[2]};
    out[0] = Dot(q, t[0]);
    out[1] = Dot(q, t[1]);
    out[2] = Dot(q, t[2]);
}

enum class Shape { kSphere, kBox, kCylinder };

// Asks the list's callback for the triangles near the shape; returns the usable count.
int Gather(McdModelPair* pair, MeReal radius, McdTriangleList** listOut)
{
    McdModelID listModel = pair->model2;
    McdTriangleList* list = static_cast<McdTriangleList*>(McdModelGetGeometry(listModel));
    *listOut = list;
    if (!list || !list->triangleFn)
        return 0;
    MeConstMatrix4Ptr TL = McdModelGetTransformPtr(listModel);
    MeConstMatrix4Ptr TS = McdModelGetTransformPtr(pair->model1);
    MeReal centre[3];
    InverseTransform(TL, TS[3], centre);
    list->triangleCount = 0;
    int n = list->triangleFn(pair, listModel, centre, radius);
    if (n < 0)
        n = 0;
    if (n > list->triangleMaxCount)
        n = list->triangleMaxCount;
    if (!list->triangles)
        n = 0;
    list->triangleCount = n;
    return n;
}

int Intersect(McdModelPair* pair, McdIntersectResult* result, Shape shape)
{
    result->contactCount = 0;
    for (MeReal& x : result->normal)
        x = 0;
    McdGeometryTests* tests = McdGeometryTestsGet();
    McdGeometryID g = McdModelGetGeometry(pair->model1);
    const MeReal eps = McdModelGetPadding(pair->model1) + McdModelGetPadding(pair->model2);
    MeReal R = 0, h = 0, bound = 0;
    const MeReal* e = nullptr;
    switch (shape) {
    case Shape::kSphere:
        R = McdSphereGetRadius(g);
        bound = R;
        break;
    case Shape::kBox:
        e = McdBoxGetHalfExtents(g);
        bound = McdBoxGetRadius(g);
        break;
    case Shape::kCylinder:
        R = McdCylinderGetRadius(g);
        h = McdCylinderGetHalfHeight(g);
        bound = static_cast<const McdCylinder*>(g)->boundingRadius;
        break;
    }
    McdTriangleList* list = nullptr;
    const int count = Gather(pair, bound + eps, &list);
    if (count == 0 || !tests)
        return 0;

    MeConstMatrix4Ptr TL = McdModelGetTransformPtr(pair->model2);
    MeConstMatrix4Ptr TS = McdModelGetTransformPtr(pair->model1);
    const int limit = shape == Shape::kSphere ? kSphereGather : kShapeGather;
    McdContact gathered[kShapeGather];
    int n = 0;
    MeReal sum[3] = {0, 0, 0};
    for (int i = 0; i < count && n < limit; ++i) {
        const McdUserTriangle& entry = list->triangles[i];
        if (!entry.vertices[0] || !entry.vertices[1] || !entry.vertices[2] || !entry.normal)
            continue;
        // Corners and normal in the shape's frame (world axes about the sphere's centre).
        MeReal corners[3][3], faceWorld[3];
        McdTriangleRecord record;
        Rotate(TL, entry.normal, faceWorld);
        for (int k = 0; k < 3; ++k) {
            MeReal w[3];
            Transform(TL, entry.vertices[k], w);
            if (shape == Shape::kSphere) {
                for (int j = 0; j < 3; ++j)
                    corners[k][j] = w[j] - TS[3][j];
            } else {
                InverseTransform(TS, w, corners[k]);
            }
            record.vertices[k] = corners[k];
        }
        if (shape == Shape::kSphere) {
            for (int j = 0; j < 3; ++j)
                record.normal[j] = faceWorld[j];
        } else {
            InverseRotate(TS, faceWorld, record.normal);
        }
        McdTriangleSetEdges(&record);
        record.flags = entry.flags;
        const bool twoSided = (entry.flags & kMcdTriangleTwoSided) != 0;

        if (shape == Shape::kSphere) {
            MeReal sep = 0, normal[3], position[3];
            MeI16 dims = 0;
            if (!tests->SphereTriangle(&sep, normal, position, &dims, eps, R, &record))
                continue;
            McdContact& c = gathered[n++];
            c = McdContact();
            for (int j = 0; j < 3; ++j) {
                c.position[j] = position[j] + TS[3][j];
                sum[j] += normal[j];
            }
            c.dims = dims;
            c.element2 = entry.user;
            if (!twoSided && ((dims >> 8) & 0xff) == 2) {
                for (int j = 0; j < 3; ++j)
                    c.normal[j] = faceWorld[j];
                c.separation = Dot(normal, faceWorld) < 0 ? -2 * R - sep : sep;
            } else {
                for (int j = 0; j < 3; ++j)
                    c.normal[j] = normal[j];
                c.separation = sep;
            }
            continue;
        }

        MeReal sep = 0, normal[3], offset = 0;
        // Room for every point the box test makes (at most 6 + 12 + 3 + 36 + 8 + 8).
        MeReal points[80][3];
        McdPointCursor cursor(points, 80);
        MeI16 dims = 0;
        const bool hit = shape == Shape::kBox
                             ? tests->BoxTriangle(&sep, normal, &offset, &cursor, &dims, eps, e, &record)
                             : tests->CylinderTriangle(&sep, normal, &offset, &cursor, &dims, eps, R, h, &record);
        if (!hit)
            continue;
        MeReal worldNormal[3];
        Rotate(TS, normal, worldNormal);
        if (!twoSided && Dot(worldNormal, faceWorld) < 0)
            for (MeReal& x : worldNormal)
                x = -x;
        const int added = cursor.Count(points);
        for (int k = 0; k < added && n < limit; ++k) {
            McdContact& c = gathered[n++];
            c = McdContact();
            Transform(TS, points[k], c.position);
            c.separation = Dot(points[k], normal) - offset;
            c.dims = dims;
            c.element2 = entry.user;
            for (int j = 0; j < 3; ++j)
                c.normal[j] = worldNormal[j];
        }
        for (int j = 0; j < 3; ++j)
            sum[j] += worldNormal[j];
    }

    const MeReal len = std::sqrt(Dot(sum, sum));
    if (len > 0) {
        for (int j = 0; j < 3; ++j)
            result->normal[j] = sum[j] / len;
    } else {
        result->normal[0] = 1;
    }
    const McdIntersectRequest* request = pair->request ? pair->request
                                                       : (shape == Shape::kSphere ? &kSphereFallback : &kShapeFallback);
    int cap = request->contactMaxCount < result->contactMaxCount ? request->contactMaxCount : result->contactMaxCount;
    if (cap < 0)
        cap = 0;
    result->contactCount = n > 0 ? McdContactCull(result->normal, gathered, n, result->contacts, cap,
                                                  request->faceNormalsFirst)
                                 : 0;
    return result->contactCount > 0 ? 1 : 0;
}

int Register(McdFrameworkID framework, int type, McdIntersectFn fn)
{
    McdInteractions fns;
    fns.intersect = fn;
    McdFrameworkSetInteraction(framework, type, kMcdTriangleListType, &fns, nullptr);
    return 1;
}

}  // namespace

int McdSphereTriangleListIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    return Intersect(pair, result, Shape::kSphere);
}

int McdBoxTriangleListIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    return Intersect(pair, result, Shape::kBox);
}

int McdCylinderTriangleListIntersect(McdModelPair* pair, McdIntersectResult* result)
{
    return Intersect(pair, result, Shape::kCylinder);
}

int McdSphereTriangleListRegister(McdFrameworkID framework)
{
    return Register(framework, kMcdSphereType, McdSphereTriangleListIntersect);
}

int McdBoxTriangleListRegister(McdFrameworkID framework)
{
    return Register(framework, kMcdBoxType, McdBoxTriangleListIntersect);
}

int McdCylinderTriangleListRegister(McdFrameworkID framework)
{
    return Register(framework, kMcdCylinderType, McdCylinderTriangleListIntersect);
}

bool McdSphereTriangleTest(MeReal* separation, MeReal normal[3], MeReal position[3], MeI16* dims, MeReal tolerance,
                           MeReal r, const McdTriangleRecord* triangle)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    return tests && tests->SphereTriangle(separation, normal, position, dims, tolerance, r, triangle);
}

bool McdBoxTriangleTest(MeReal* separation, MeReal normal[3], MeReal* offset, McdPointCursor* cursor, MeI16* dims,
                        MeReal tolerance, const MeReal e[3], const McdTriangleRecord* triangle)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    return tests && tests->BoxTriangle(separation, normal, offset, cursor, dims, tolerance, e, triangle);
}

void McdCylinderLineCrossings(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r, MeReal h,
                              MeReal tLo, MeReal tHi)
{
    if (McdGeometryTests* tests = McdGeometryTestsGet())
        tests->LineCylinderCrossings(cursor, p, d, r, h, tLo, tHi);
}

MeReal* McdCylinderLineClipEnds(McdPointCursor* cursor, const MeReal p[3], const MeReal d[3], MeReal r, MeReal h,
                                MeReal tLo, MeReal tHi)
{
    McdGeometryTests* tests = McdGeometryTestsGet();
    return tests ? tests->LineCylinderClipEnds(cursor, p, d, r, h, tLo, tHi) : nullptr;
}
