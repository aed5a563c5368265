#include "physics/collision/registration.h"

#include "physics/collision/primitives.h"

namespace {

constexpr unsigned I = kMcdSlotIntersect;
constexpr unsigned S = kMcdSlotIntersect | kMcdSlotSafeTime;
constexpr unsigned H = kMcdSlotIntersect | kMcdSlotHelloGoodbye;

// The pair code fills `fns` of each row as it lands; the slots are the contract.
const McdInteractionRow kPrimitiveRows[] = {
    {kMcdSphereType, kMcdSphereType, S, {}},
    {kMcdBoxType, kMcdBoxType, S, {}},
    {kMcdBoxType, kMcdPlaneType, S, {}},
    {kMcdBoxType, kMcdSphereType, S, {}},
    {kMcdSphereType, kMcdPlaneType, S, {}},
    {kMcdCylinderType, kMcdTriangleListType, I, {}},
    {kMcdBoxType, kMcdTriangleListType, I, {}},
    {kMcdSphereType, kMcdTriangleListType, I, {}},
    {kMcdConeType, kMcdCylinderType, I, {}},
    {kMcdCylinderType, kMcdCylinderType, S, {}},
    {kMcdCylinderType, kMcdSphereType, S, {}},
    {kMcdCylinderType, kMcdPlaneType, I, {}},
    {kMcdBoxType, kMcdCylinderType, S, {}},
    {kMcdConeType, kMcdConeType, I, {}},
    {kMcdConeType, kMcdBoxType, I, {}},
    {kMcdConeType, kMcdSphereType, I, {}},
    {kMcdConeType, kMcdPlaneType, I, {}},
};

const McdLineSegRow kPrimitiveLineSegs[] = {
    {kMcdSphereType, nullptr}, {kMcdBoxType, nullptr},  {kMcdPlaneType, nullptr},
    {kMcdCylinderType, nullptr}, {kMcdConeType, nullptr},
};

const McdInteractionRow kConvexRows[] = {
    {kMcdConvexMeshType, kMcdConvexMeshType, H, {}},
    {kMcdBoxType, kMcdConvexMeshType, H, {}},
    {kMcdSphereType, kMcdConvexMeshType, H, {}},
    {kMcdCylinderType, kMcdConvexMeshType, H, {}},
    {kMcdTriangleListType, kMcdConvexMeshType, I, {}},
    {kMcdConvexMeshType, kMcdPlaneType, H, {}},
};

const McdLineSegRow kConvexLineSegs[] = {{kMcdConvexMeshType, nullptr}};

const McdInteractionRow kTriangleMeshRows[] = {
    {kMcdTriangleMeshType, kMcdTriangleMeshType, I, {}},
};

const McdLineSegRow kTriangleMeshLineSegs[] = {{kMcdTriangleMeshType, nullptr}};

template <class T, int N>
constexpr int Count(const T (&)[N])
{
    return N;
}

const McdRegistrationGroup kPrimitiveGroup = {"McdPrimitivesRegisterInteractions", nullptr, kPrimitiveRows,
                                              Count(kPrimitiveRows), kPrimitiveLineSegs, Count(kPrimitiveLineSegs)};
// The convex pairs' preparation creates the framework's pair-data pool.
const McdRegistrationGroup kConvexGroup = {"McdConvexMeshRegisterInteractions", nullptr, kConvexRows,
                                           Count(kConvexRows), kConvexLineSegs, Count(kConvexLineSegs)};
const McdRegistrationGroup kTriangleMeshGroup = {"McdTriangleMeshRegisterInteractions", nullptr, kTriangleMeshRows,
                                                 Count(kTriangleMeshRows), kTriangleMeshLineSegs,
                                                 Count(kTriangleMeshLineSegs)};

}  // namespace

int McdRegisterGroup(McdFrameworkID framework, const McdRegistrationGroup* group)
{
    if (group->prepare)
        group->prepare(framework);
    for (int i = 0; i < group->rowCount; ++i) {
        const McdInteractionRow& row = group->rows[i];
        McdFrameworkSetInteraction(framework, row.typeA, row.typeB, &row.fns, nullptr);
    }
    for (int i = 0; i < group->lineSegCount; ++i)
        McdGeometrySetLineSegFn(framework, group->lineSegs[i].type, group->lineSegs[i].test);
    return 1;
}

const McdRegistrationGroup* McdPrimitivesInteractionGroup()
{
    return &kPrimitiveGroup;
}

const McdRegistrationGroup* McdConvexMeshInteractionGroup()
{
    return &kConvexGroup;
}

const McdRegistrationGroup* McdTriangleMeshInteractionGroup()
{
    return &kTriangleMeshGroup;
}

// The convex mesh and triangle mesh types register their functions here once they exist;
// until then a model of those types cannot be made, so an empty entry is sound.
int McdConvexMeshRegisterType(McdFrameworkID)
{
    return 1;
}

int McdTriangleMeshRegisterType(McdFrameworkID)
{
    return 1;
}

int McdPrimitivesRegisterInteractions(McdFrameworkID framework)
{
    return McdRegisterGroup(framework, &kPrimitiveGroup);
}

int McdConvexMeshRegisterInteractions(McdFrameworkID framework)
{
    return McdRegisterGroup(framework, &kConvexGroup);
}

int McdTriangleMeshRegisterInteractions(McdFrameworkID framework)
{
    return McdRegisterGroup(framework, &kTriangleMeshGroup);
}

McdFrameworkID McdInitEngineFramework(int maxModels, int maxInstances)
{
    McdFrameworkID framework = McdInit(McdGetExtraTypeCount() + 1, maxModels, maxInstances);
    if (!framework)
        return nullptr;
    McdFrameworkGetDefaultRequest(framework)->contactMaxCount = 4;
    McdPrimitivesRegisterTypes(framework);
    McdConvexMeshRegisterType(framework);
    McdTriangleMeshRegisterType(framework);
    McdPrimitivesRegisterInteractions(framework);
    McdConvexMeshRegisterInteractions(framework);
    McdTriangleMeshRegisterInteractions(framework);
    return framework;
}
