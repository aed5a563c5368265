#include "physics/collision/primitives.h"
#include "physics/collision/registration_local.h"

namespace {

const McdInteractionRow kRows[] = {
    {kMcdCylinderType, kMcdTriangleListType, kMcdRowI, {}},
    {kMcdBoxType, kMcdTriangleListType, kMcdRowI, {}},
    {kMcdSphereType, kMcdTriangleListType, kMcdRowI, {}},
    {kMcdCylinderType, kMcdCylinderType, kMcdRowS, {}},
    {kMcdCylinderType, kMcdSphereType, kMcdRowS, {}},
    {kMcdCylinderType, kMcdPlaneType, kMcdRowI, {}},
    {kMcdBoxType, kMcdCylinderType, kMcdRowS, {}},
};

const McdLineSegRow kLineSegs[] = {{kMcdCylinderType, nullptr}};

const McdInteractionRow kMeshRows[] = {
    {kMcdTriangleMeshType, kMcdTriangleMeshType, kMcdRowI, {}},
};

const McdLineSegRow kMeshLineSegs[] = {{kMcdTriangleMeshType, nullptr}};

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

// The triangle mesh type registers its functions here once it exists; until then a model of
// that type cannot be made, so an empty entry is sound.
int McdTriangleMeshRegisterType(McdFrameworkID)
{
    return 1;
}
