#include "game/world/ore_field.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/util/qnmath.h"
#include "game/world/natural_object.h"

namespace {

constexpr float kDegrees = 3.14159265358979f / 180.0f;
// Share of ore pieces among the field's objects (9 of 34).
constexpr float kOreChance = 0.2647059f;
// The arc runs from -70 to +70 degrees about x while turning 5 degrees about y.
constexpr float kArcStartA = -70.0f;
constexpr float kArcStepA = 140.0f / 33.0f;
constexpr float kArcStepB = 5.0f / 33.0f;
constexpr float kJitter = 5.0f;
constexpr float kSpin = 1.0f / 3.0f;

// Random point of the arc for base angles a and b (degrees), relative to the field.
QNMATRIX ArcPlacement(float a, float b)
{
    const float r = RandomRange(OREFIELD::kMinDistance, OREFIELD::kMaxDistance);
    const float ax = (a + RandomRange(-kJitter, kJitter)) * kDegrees;
    const float by = (b + RandomRange(-kJitter, kJitter)) * kDegrees;
    QNMATRIX rx, ry;
    rx.SetRotationX(ax);
    ry.SetRotationY(by);
    const QNVEC3 p = QNVEC3::TransformCoord(QNVEC3(0, 0, r), rx * ry);
    QNMATRIX m;
    m.SetTranslationV(p);
    return m;
}

}  // namespace

OREFIELD::OREFIELD(QNNODE* parent, std::uint32_t oreColour, const QNMATRIX& placement, std::uint32_t view)
    : GAMENODE(parent, "OREFIELD", kKindOreField, QNCF_LEVEL_EMITTER, 0, 2, &placement, 0),
      OreColour(oreColour % kOreColours), ViewIndex(view)
{
    Build();
}

void OREFIELD::Build()
{
    std::uint32_t ores = kOrePieces, asteroids = kAsteroids;
    float a = kArcStartA, b = 0.0f;
    bool ore = RandomRange(0.0f, 1.0f) < kOreChance;
    while (ores + asteroids > 0) {
        const QNMATRIX first = ArcPlacement(a, b);
        NATURALOBJECT* object;
        if (ore)
            object = new ORE(this, ores % kOreKinds, OreColour, first, ViewIndex);
        else
            object = new ASTEROID(this, std::uint32_t(RoundToInt(RandomRange(0.0f, 1.0f))), first, ViewIndex);
        std::uint32_t tries = 1;
        while (object->Overlaps(this, 0)) {
            if (tries++ == kPlacementTries) {
                ++Crowded;
                break;
            }
            object->SetTransform(ArcPlacement(a, b));
            object->UpdateWorldBounds(true);
        }
        object->SetObstacleView(ViewIndex);
        if (QNBODY* body = PhysicsBodyOf(object))
            body->SetAngularVelocity(QNVEC3(RandomRange(-kSpin, kSpin), RandomRange(-kSpin, kSpin),
                                            RandomRange(-kSpin, kSpin)));
        (ore ? ores : asteroids) -= 1;
        a += kArcStepA;
        b += kArcStepB;
        if (ores > 0 && RandomRange(0.0f, 1.0f) < kOreChance)
            ore = true;
        else
            ore = asteroids == 0;
    }
}
