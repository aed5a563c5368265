#include "physics/collision/box_box.h"
#include "physics/collision/line_segment.h"
#include "physics/collision/primitive_pairs.h"
#include "physics/collision/primitives.h"
#include "physics/collision/registration_local.h"

namespace {

const McdInteractionRow kRows[] = {
    {kMcdSphereType, kMcdSphereType, kMcdRowS, {nullptr, nullptr, McdSphereSphereIntersect, McdSphereSphereSafeTime}},
    {kMcdBoxType, kMcdBoxType, kMcdRowS, {nullptr, nullptr, McdBoxBoxIntersect, McdBoxBoxSafeTime}},
    {kMcdBoxType, kMcdPlaneType, kMcdRowS, {nullptr, nullptr, McdBoxPlaneIntersect, McdBoxPlaneSafeTime}},
    {kMcdBoxType, kMcdSphereType, kMcdRowS, {nullptr, nullptr, McdBoxSphereIntersect, McdBoxSphereSafeTime}},
    {kMcdSphereType, kMcdPlaneType, kMcdRowS, {nullptr, nullptr, McdSpherePlaneIntersect, McdSpherePlaneSafeTime}},
};

const McdLineSegRow kLineSegs[] = {
    {kMcdSphereType, McdSphereLineSegment},
    {kMcdBoxType, McdBoxLineSegment},
    {kMcdPlaneType, McdPlaneLineSegment},
};

}  // namespace

McdRowBlock McdBasicPrimitiveRows()
{
    return {kRows, McdCountOf(kRows), kLineSegs, McdCountOf(kLineSegs)};
}
