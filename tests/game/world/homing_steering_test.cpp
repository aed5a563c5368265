// Homing steering in a real world: a missile turns onto an off-axis target and closes on it; a
// destroyed target leaves it flying straight at cruise thrust.

#include "engine/physics/node_motion.h"
#include "game/world/damageable.h"
#include "game/world/homing_steering.h"
#include "tests/game/game_test_util.h"

namespace {

class HomingTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        gametest::GameSceneTest::SetUp();
        MakeScene(nullptr, 1);
        root = scene->GetView(0)->Root;
    }
    GAMENODE* Missile()
    {
        auto* m = new GAMENODE(root, "MISSILE", 35, QNCF_LEVEL_GAME | QNCF_BODY | QNCF_UPDATE, 0, 0, nullptr, 0);
        m->SetScale(500.0f, 1.0f);
        PhysicsBodyOf(m)->SetLinearDamping(0.01f);
        PhysicsBodyOf(m)->SetAngularDamping(0.25f);
        m->SetState(3, 0, false, true);
        return m;
    }
    QNNODE* root = nullptr;
};

TEST_F(HomingTest, TurnsOntoAnOffAxisTargetThenClosesAndIgnoresADestroyedOne)
{
    GAMENODE* missile = Missile();
    const QNMATRIX at = Translation(40, 0, 40);
    auto* target = new DAMAGEABLE(root, "SHIP", 64, 0, 0, 0, &at, 0);
    target->SetState(3, 0, false, true);

    const homing::AIM first = homing::HomingSteer(missile, target, true);
    EXPECT_TRUE(first.HasTarget);
    EXPECT_NEAR(first.OffAxis, 0.7853982f, 1e-4f);
    EXPECT_EQ(first.Thrust, homing::kOffAxisThrust);
    Frame();
    float closest = 1e9f;
    homing::AIM aim;
    for (int i = 0; i < 240; ++i) {
        aim = homing::HomingSteer(missile, target, true);
        Frame();
        closest = std::min(closest, (missile->GetWorldMatrix().Translation() - at.Translation()).Length());
    }
    EXPECT_LT(closest, 5.0f) << "the missile reaches the target";

    // A fresh missile aimed straight at a target gets the on-axis thrust; once the target is
    // destroyed it is no target at all.
    GAMENODE* second = Missile();
    const QNMATRIX ahead = Translation(0, 0, 50);
    target->SetTransform(ahead);
    EXPECT_EQ(homing::HomingSteer(second, target, false).Thrust, homing::kOnAxisThrust);
    EXPECT_EQ(homing::HomingSteer(second, target, false).OffAxis, 0.0f) << "dead on reads exactly aligned";
    target->Kill();
    const homing::AIM lost = homing::HomingSteer(second, target, true);
    EXPECT_FALSE(lost.HasTarget);
    EXPECT_EQ(lost.Thrust, homing::kCruiseThrust);
}

}  // namespace
