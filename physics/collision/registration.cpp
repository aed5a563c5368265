#include "physics/collision/registration.h"

#include "physics/collision/primitives.h"
#include "physics/collision/registration_local.h"

namespace {

// The primitives group gathers the rows of three pair families, each kept beside its code.
struct CombinedGroup {
    McdInteractionRow rows[kMcdMaxGroupRows];
    McdLineSegRow lineSegs[kMcdMaxGroupLineSegs];
    McdRegistrationGroup group{};
};

void Append(CombinedGroup& g, McdRowBlock block)
{
    for (int i = 0; i < block.rowCount && g.group.rowCount < kMcdMaxGroupRows; ++i)
        g.rows[g.group.rowCount++] = block.rows[i];
    for (int i = 0; i < block.lineSegCount && g.group.lineSegCount < kMcdMaxGroupLineSegs; ++i)
        g.lineSegs[g.group.lineSegCount++] = block.lineSegs[i];
}

const McdRegistrationGroup* PrimitiveGroup()
{
    static CombinedGroup combined = [] {
        CombinedGroup g;
        g.group.name = "McdPrimitivesRegisterInteractions";
        g.group.rows = g.rows;
        g.group.lineSegs = g.lineSegs;
        Append(g, McdBasicPrimitiveRows());
        Append(g, McdCylinderAndListRows());
        Append(g, McdConeRows());
        return g;
    }();
    // The copy inside the lambda pointed at its own arrays; point at the static ones.
    combined.group.rows = combined.rows;
    combined.group.lineSegs = combined.lineSegs;
    return &combined.group;
}

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
    return PrimitiveGroup();
}

int McdPrimitivesRegisterInteractions(McdFrameworkID framework)
{
    return McdRegisterGroup(framework, PrimitiveGroup());
}

int McdConvexMeshRegisterInteractions(McdFrameworkID framework)
{
    return McdRegisterGroup(framework, McdConvexMeshInteractionGroup());
}

int McdTriangleMeshRegisterInteractions(McdFrameworkID framework)
{
    return McdRegisterGroup(framework, McdTriangleMeshInteractionGroup());
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
