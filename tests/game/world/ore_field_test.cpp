// Ore fields over many seeds: counts per kind, distances, arc spacing, no overlaps, and the
// obstacle boxes they leave in their view's planner.

#include <cmath>

#include "game/world/natural_object.h"
#include "game/world/ore_field.h"
#include "game/world/site.h"
#include "tests/game/world_fixture.h"

namespace {

class OreFieldTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        scene = MakeScene(4, [](QNRESOURCES& r) { RegisterNaturalMedia(r); });
    }
    QNSCENE* scene = nullptr;
};

}  // namespace

TEST_F(OreFieldTest, FieldsHoldNineOrePiecesAndTwentyFiveAsteroidsOnAnArcWithoutOverlap)
{
    constexpr float kDeg = 3.14159265f / 180.0f;
    for (std::uint32_t seed = 1; seed <= 16; ++seed) {
        SeedRandom(seed);
        const std::uint32_t view = seed % 4, colour = (seed / 4) % 4;
        QNPATHPLANNER* planner = PathPlanner(view);
        const QNMATRIX at = SiteMatrix(view);
        auto* field = new OREFIELD(scene->GetView(view)->Root, colour, at, view);
        EXPECT_EQ(field->Crowded, 0u) << seed;
        std::uint32_t asteroids = 0, ores[3] = {};
        std::uint32_t index = 0;
        float sign = 0;
        for (QNITEM* c = field->FirstChild(); c; c = c->Next(), ++index) {
            auto* object = dynamic_cast<NATURALOBJECT*>(c);
            ASSERT_NE(object, nullptr);
            if (auto* ore = dynamic_cast<ORE*>(object)) {
                EXPECT_EQ(ore->Kind, kKindOre);
                EXPECT_EQ(ore->OreColour, colour);
                ++ores[ore->OreKind];
            } else {
                EXPECT_EQ(object->Kind, kKindAsteroid);
                ++asteroids;
            }
            const QNVEC3 p = object->GetWorldMatrix().Translation() - at.Translation();
            const float r = p.Length();
            EXPECT_GE(r, OREFIELD::kMinDistance - 1e-3f) << seed;
            EXPECT_LE(r, OREFIELD::kMaxDistance + 1e-3f) << seed;
            // The turn about x of object i lies within 5 degrees of -70 + i * 140 / 33.
            const float base = -70.0f + float(index) * 140.0f / 33.0f;
            const float turn = std::asin(std::fabs(p.y) / r) / kDeg;
            EXPECT_LE(std::fabs(turn - std::fabs(base)), 5.0f + 1e-2f) << seed << " " << index;
            if (std::fabs(base) > 6.0f) {
                const float s = (p.y > 0) == (base > 0) ? 1.0f : -1.0f;
                if (sign == 0)
                    sign = s;
                EXPECT_EQ(s, sign) << seed << " " << index;  // one side of the arc throughout
            }
            EXPECT_EQ(object->Overlaps(field, 0), nullptr) << seed << " " << index;
            ASSERT_NE(object->Obstacle(), nullptr);
            EXPECT_TRUE(planner->IsPointBlocked(object->GetWorldMatrix().Translation(), QNVEC3(1e4f, 0, 0),
                                                QNVEC3(1e4f, 0, 0), 0.0f));
        }
        EXPECT_EQ(index, 34u);
        EXPECT_EQ(asteroids, 25u) << seed;
        for (std::uint32_t k = 0; k < 3; ++k)
            EXPECT_EQ(ores[k], 3u) << seed << " kind " << k;
        // Independent of the engine's overlap test: no two world boxes intersect.
        for (QNITEM* a = field->FirstChild(); a; a = a->Next()) {
            QNBOX ba;
            static_cast<QNNODE*>(a)->GetTreeBounds(ba, true, false);
            for (QNITEM* b = a->Next(); b; b = b->Next()) {
                QNBOX bb;
                static_cast<QNNODE*>(b)->GetTreeBounds(bb, true, false);
                EXPECT_FALSE(ba.Intersects(bb)) << seed;
            }
        }
        EXPECT_EQ(planner->BoxesInUse(), 34u);
        QNITEM::Destroy(field);
        EXPECT_EQ(planner->BoxesInUse(), 0u);
    }
}
