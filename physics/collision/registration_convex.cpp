#include "physics/collision/convex_mesh.h"
#include "physics/collision/primitives.h"
#include "physics/collision/registration_local.h"

namespace {

const McdInteractionRow kConeRows[] = {
    {kMcdConeType, kMcdCylinderType, kMcdRowI, {}},
    {kMcdConeType, kMcdConeType, kMcdRowI, {}},
    {kMcdConeType, kMcdBoxType, kMcdRowI, {}},
    {kMcdConeType, kMcdSphereType, kMcdRowI, {}},
    {kMcdConeType, kMcdPlaneType, kMcdRowI, {}},
};

const McdLineSegRow kConeLineSegs[] = {{kMcdConeType, nullptr}};

const McdInteractionRow kConvexRows[] = {
    {kMcdConvexMeshType, kMcdConvexMeshType, kMcdRowH, {}},
    {kMcdBoxType, kMcdConvexMeshType, kMcdRowH, {}},
    {kMcdSphereType, kMcdConvexMeshType, kMcdRowH, {}},
    {kMcdCylinderType, kMcdConvexMeshType, kMcdRowH, {}},
    {kMcdTriangleListType, kMcdConvexMeshType, kMcdRowI, {}},
    {kMcdConvexMeshType, kMcdPlaneType, kMcdRowH, {}},
};

const McdLineSegRow kConvexLineSegs[] = {{kMcdConvexMeshType, McdConvexMeshLineSegIntersect}};

// The convex pairs' preparation creates the framework's pair-data pool.
const McdRegistrationGroup kConvexGroup = {"McdConvexMeshRegisterInteractions", nullptr, kConvexRows,
                                           McdCountOf(kConvexRows), kConvexLineSegs, McdCountOf(kConvexLineSegs)};

}  // namespace

McdRowBlock McdConeRows()
{
    return {kConeRows, McdCountOf(kConeRows), kConeLineSegs, McdCountOf(kConeLineSegs)};
}

const McdRegistrationGroup* McdConvexMeshInteractionGroup()
{
    return &kConvexGroup;
}

int McdConvexMeshRegisterType(McdFrameworkID framework)
{
    McdGeometryRegisterType(framework, kMcdConvexMeshType, "McdConvexMesh", McdConvexMeshDestroy,
                            McdConvexMeshUpdate, McdConvexMeshGetBSphere, McdConvexMeshMaximPoint,
                            McdConvexMeshGetMassProperties);
    return 1;
}
