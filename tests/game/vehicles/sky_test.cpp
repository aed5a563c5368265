// The sky: the star sections stay inside the far plane, and the comet runs its phases on the
// virtual clock with a seeded generator; a new direction of travel keeps the phase.

#include <cmath>
#include <vector>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/render/qncolour.h"
#include "game/vehicles/comet.h"
#include "game/vehicles/stars.h"
#include "tests/game/game_test_util.h"

namespace {

class SkyTest : public gametest::GameSceneTest {
protected:
    static constexpr float kStep = 0.1f;

    void SetUp() override
    {
        GameSceneTest::SetUp();
        MakeScene([](QNRESOURCES& r) { RegisterSkyMedia(r); }, 1);
        sky = new STARS(scene->GetView(0)->Root, QNMATRIX());
        sky->SetState(3, 0, false, true);
    }
    void Step()
    {
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(kStep * 1e6)));
        QNAPP::StepTime(kStep);
        QNSCENE::UpdateScene(scene);
        QNSCENE::PostUpdateScene(scene);
        time += kStep;
    }
    // Runs until the comet's phase changes; returns the time it took.
    float UntilPhaseChanges(float limit)
    {
        const auto phase = sky->Comet->Part->Phase;
        const float start = time;
        while (sky->Comet->Part->Phase == phase && time - start < limit)
            Step();
        return time - start;
    }

    STARS* sky = nullptr;
    float time = 0.0f;
};

}  // namespace

TEST_F(SkyTest, StarSectionsStayInsideTheFarPlane)
{
    int sections = 0;
    for (QNITEM* c = sky->FirstChild(); c; c = c->Next()) {
        auto* n = dynamic_cast<GAMENODE*>(c);
        if (!n || n->Kind != kKindStars)
            continue;
        ++sections;
        ASSERT_NE(n->Mesh, nullptr);
        QNBOX box;
        n->GetBox(box, true);
        float farthest = 0;
        for (int i = 0; i < 8; ++i)
            farthest = std::fmax(farthest, std::fabs(box.Corner(i).y));
        EXPECT_LT(farthest, 1000.0f);
        // The band's rim and the caps' rims lie within the far distance in every direction.
        EXPECT_LT(std::hypot(box.max.x * 0.35f, farthest), 1000.0f);
    }
    EXPECT_EQ(sections, 3);
    EXPECT_LT(COMET::kDistance + 75.0f, 1000.0f);
}

TEST_F(SkyTest, CometRunsItsPhasesAndKeepsThemWhenRepositioned)
{
    COMET::VISIBLEPART* part = sky->Comet->Part;
    std::vector<float> firsts;
    for (int round = 0; round < 3; ++round) {
        ASSERT_EQ(part->Phase, COMET::VISIBLEPART::HIDDEN);
        EXPECT_EQ(part->State, 2);
        const float hidden = UntilPhaseChanges(400.0f);
        EXPECT_GE(hidden, COMET::VISIBLEPART::kHiddenMin - kStep);
        EXPECT_LE(hidden, COMET::VISIBLEPART::kHiddenMax + kStep);
        firsts.push_back(hidden);

        ASSERT_EQ(part->Phase, COMET::VISIBLEPART::FADEIN);
        EXPECT_EQ(part->State, 3);
        Step();
        const float early = part->Level;
        EXPECT_GT(early, 0.0f);
        EXPECT_LT(early, 0.2f);
        EXPECT_FLOAT_EQ(part->OwnColour->Emissive.r, early);
        EXPECT_NEAR(UntilPhaseChanges(10.0f) + kStep, COMET::VISIBLEPART::kFade, kStep * 1.5f);

        ASSERT_EQ(part->Phase, COMET::VISIBLEPART::VISIBLE);
        EXPECT_FLOAT_EQ(part->Level, 1.0f);
        // A new direction of travel halfway: the phase and its clock go on.
        for (int i = 0; i < 50; ++i)
            Step();
        const float before = float(part->PhaseTimer.Elapsed());
        sky->Comet->Reposition(1.0f, 0.0f, 0.1f);
        EXPECT_NEAR(part->GetLocalMatrix().Row(0).y, 1.0f, 1e-4f);  // turned a quarter about z
        sky->Comet->Reposition(0.0f, -1.0f, 0.1f);
        EXPECT_EQ(part->Phase, COMET::VISIBLEPART::VISIBLE);
        EXPECT_FLOAT_EQ(float(part->PhaseTimer.Elapsed()), before);
        const QNVEC3 v = PhysicsBodyOf(sky->Comet)->GetLinearVelocity();
        EXPECT_NEAR(v.x, 0.0f, 1e-4f);
        EXPECT_NEAR(v.y, -0.1f, 1e-4f);
        // The tail points along the travel: the part's x axis turned to (0, -1) + 90 degrees.
        const QNMATRIX local = part->GetLocalMatrix();
        EXPECT_NEAR(local.Row(0).x, 1.0f, 1e-4f);
        EXPECT_NEAR(local.Translation().z, -COMET::kDistance, 1e-3f);
        const float visible = 5.0f + UntilPhaseChanges(100.0f);
        EXPECT_GE(visible, COMET::VISIBLEPART::kVisibleMin - kStep);
        EXPECT_LE(visible, COMET::VISIBLEPART::kVisibleMax + kStep);

        ASSERT_EQ(part->Phase, COMET::VISIBLEPART::FADEOUT);
        EXPECT_NEAR(UntilPhaseChanges(10.0f), COMET::VISIBLEPART::kFade, kStep * 1.5f);
        EXPECT_FLOAT_EQ(part->Level, 0.0f);
    }
    // The generator draws new lengths each round.
    EXPECT_FALSE(firsts[0] == firsts[1] && firsts[1] == firsts[2]);
}
