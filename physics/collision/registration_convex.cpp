#include "physics/collision/cone_pairs.h"
#include "physics/collision/convex_mesh.h"
#include "physics/collision/convex_pairs.h"
#include "physics/collision/primitives.h"
#include "physics/collision/registration_local.h"

namespace {

const McdInteractionRow kConeRows[] = {
    {kMcdConeType, kMcdCylinderType, kMcdRowI, {nullptr, nullptr, McdConeConvexIntersect, nullptr}},
    {kMcdConeType, kMcdConeType, kMcdRowI, {nullptr, nullptr, McdConeConvexIntersect, nullptr}},
    {kMcdConeType, kMcdBoxType, kMcdRowI, {nullptr, nullptr, McdConeConvexIntersect, nullptr}},
    {kMcdConeType, kMcdSphereType, kMcdRowI, {nullptr, nullptr, McdConeSphereIntersect, nullptr}},
    {kMcdConeType, kMcdPlaneType, kMcdRowI, {nullptr, nullptr, McdConePlaneIntersect, nullptr}},
};

const McdLineSegRow kConeLineSegs[] = {{kMcdConeType, McdConeLineSegIntersect}};

const McdInteractionRow kConvexRows[] = {
    {kMcdConvexMeshType, kMcdConvexMeshType, kMcdRowH,
     {McdConvexPairHello, McdConvexPairGoodbye, McdConvexMeshConvexMeshIntersect, nullptr}},
    {kMcdBoxType, kMcdConvexMeshType, kMcdRowH,
     {McdConvexPairHello, McdConvexPairGoodbye, McdBoxConvexMeshIntersect, nullptr}},
    {kMcdSphereType, kMcdConvexMeshType, kMcdRowH,
     {McdConvexPairHello, McdConvexPairGoodbye, McdSphereConvexMeshIntersect, nullptr}},
    {kMcdCylinderType, kMcdConvexMeshType, kMcdRowH,
     {McdConvexPairHello, McdConvexPairGoodbye, McdCylinderConvexMeshIntersect, nullptr}},
    {kMcdTriangleListType, kMcdConvexMeshType, kMcdRowI, {nullptr, nullptr, McdTriangleListConvexMeshIntersect, nullptr}},
    {kMcdConvexMeshType, kMcdPlaneType, kMcdRowH,
     {McdConvexPairHello, McdConvexPairGoodbye, McdConvexMeshPlaneIntersect, nullptr}},
};

const McdLineSegRow kConvexLineSegs[] = {{kMcdConvexMeshType, McdConvexMeshLineSegIntersect}};

// The convex pairs' preparation creates the framework's pair-data pool.
const McdRegistrationGroup kConvexGroup = {"McdConvexMeshRegisterInteractions", McdConvexInteractionsPrepare, kConvexRows,
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
