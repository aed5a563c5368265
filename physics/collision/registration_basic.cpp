#include "physics/collision/primitives.h"
#include "physics/collision/registration_local.h"

namespace {

const McdInteractionRow kRows[] = {
    {kMcdSphereType, kMcdSphereType, kMcdRowS, {}},
    {kMcdBoxType, kMcdBoxType, kMcdRowS, {}},
    {kMcdBoxType, kMcdPlaneType, kMcdRowS, {}},
    {kMcdBoxType, kMcdSphereType, kMcdRowS, {}},
    {kMcdSphereType, kMcdPlaneType, kMcdRowS, {}},
};

const McdLineSegRow kLineSegs[] = {
    {kMcdSphereType, nullptr},
    {kMcdBoxType, nullptr},
    {kMcdPlaneType, nullptr},
};

}  // namespace

McdRowBlock McdBasicPrimitiveRows()
{
    return {kRows, McdCountOf(kRows), kLineSegs, McdCountOf(kLineSegs)};
}
