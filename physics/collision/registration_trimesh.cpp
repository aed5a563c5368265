#include "physics/collision/cylinder_pairs.h"
#include "physics/collision/primitives.h"
#include "physics/collision/registration_local.h"
#include "physics/collision/triangle_list_pairs.h"
#include "physics/collision/triangle_mesh.h"

namespace {

const McdInteractionRow kRows[] = {
    {kMcdCylinderType, kMcdTriangleListType, kMcdRowI, {nullptr, nullptr, McdCylinderTriangleListIntersect, nullptr}},
    {kMcdBoxType, kMcdTriangleListType, kMcdRowI, {nullptr, nullptr, McdBoxTriangleListIntersect, nullptr}},
    {kMcdSphereType, kMcdTriangleListType, kMcdRowI, {nullptr, nullptr, McdSphereTriangleListIntersect, nullptr}},
    {kMcdCylinderType, kMcdCylinderType, kMcdRowS,
     {nullptr, nullptr, McdCylinderCylinderIntersect, McdCylinderCylinderSafeTime}},
    {kMcdCylinderType, kMcdSphereType, kMcdRowS, {nullptr, nullptr, McdCylinderSphereIntersect, McdCylinderSphereSafeTime}},
    {kMcdCylinderType, kMcdPlaneType, kMcdRowI, {nullptr, nullptr, McdCylinderPlaneIntersect, nullptr}},
    {kMcdBoxType, kMcdCylinderType, kMcdRowS, {nullptr, nullptr, McdBoxCylinderIntersect, McdBoxCylinderSafeTime}},
};

const McdLineSegRow kLineSegs[] = {{kMcdCylinderType, McdCylinderLineSegIntersect}};

const McdInteractionRow kMeshRows[] = {
    {kMcdTriangleMeshType, kMcdTriangleMeshType, kMcdRowI, {nullptr, nullptr, McdTriangleMeshTriangleMeshIntersect, nullptr}},
};

const McdLineSegRow kMeshLineSegs[] = {{kMcdTriangleMeshType, McdTriangleMeshLineSegment}};

const McdRegistrationGroup kMeshGroup = {"McdTriangleMeshRegisterInteractions", nullptr, kMeshRows,
                                         McdCountOf(kMeshRows), kMeshLineSegs, McdCountOf(kMeshLineSegs)};

}  // namespace

McdRowBlock McdCylinderAndListRows()
{
    return {kRows, McdCountOf(kRows), kLineSegs, McdCountOf(kLineSegs)};
}

const McdRegistrationGroup* McdTriangleMeshInteractionGroup()
{
    return &kMeshGroup;
}

int McdTriangleMeshRegisterType(McdFrameworkID framework)
{
    McdGeometryRegisterType(framework, kMcdTriangleMeshType, "CxTriangleMesh", McdTriangleMeshDestroy,
                            McdTriangleMeshUpdate, McdTriangleMeshGetBoundingSphere, CxTriangleMeshMaximPoint,
                            McdTriangleMeshGetMassProperties);
    return 1;
}
