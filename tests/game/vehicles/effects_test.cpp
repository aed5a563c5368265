// Explosion, hyperspace tunnel and hyperspace flash timelines under the virtual clock.

#include <gtest/gtest.h>

#include "engine/util/qn_item.h"
#include "game/vehicles/explosion.h"
#include "game/vehicles/inside_hyperspace.h"
#include "game/vehicles/outside_hyperspace.h"
#include "tests/game/game_test_util.h"

namespace {

class EffectsTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        MakeScene([](QNRESOURCES& r) {
            EXPLOSION::LoadResources(r);
            INSIDEHYPERSPACE::LoadResources(r);
            OUTSIDEHYPERSPACE::LoadResources(r);
        });
        root = scene->GetView(0)->Root;
    }
    QNNODE* root = nullptr;
};

}  // namespace

TEST_F(EffectsTest, AnExplosionOutlivesItsAnimationUntilItsSoundEnds)
{
    QNMATRIX at;
    at.SetTranslation(0, 0, 20);
    auto* boom = new EXPLOSION(root, 8.0f, &at, 7);
    boom->SetState(3, 0, false, true);
    QNWEAK<EXPLOSION> alive(boom);
    ASSERT_NE(boom->Stages->Stages[0].Texture, nullptr);
    EXPECT_EQ(boom->Stages->Stages[0].Texture, &scene->Resources.FindTexture("explosion", 2)->Texture);

    Frame();
    EXPECT_EQ(boom->Sound.Plays, 1u);
    ASSERT_GT(boom->Sound.Length, 1.0);  // the stand-in boom is longer than the 0.8 s animation
    EXPECT_TRUE(boom->LightOn);
    Frames(60);  // 1 s: the frames have run out, the light is off, the sound still plays
    ASSERT_TRUE(alive);
    EXPECT_LT(boom->Frame, 0);
    EXPECT_FALSE(boom->LightOn);
    EXPECT_EQ(boom->Sound.Plays, 1u);
    const int left = int((boom->Sound.Length - 1.0) * 60.0);
    Frames(left - 2);
    EXPECT_TRUE(alive);
    Frames(6);
    EXPECT_FALSE(alive);
}

TEST_F(EffectsTest, TheTunnelReportsItsMidpointOnTimeAndItsEndAfterTheLastFrame)
{
    std::uint8_t cockpitShown = 0;
    auto* tunnel = new INSIDEHYPERSPACE(root, nullptr, &cockpitShown);
    tunnel->SetState(3, 0, false, true);
    Frame();
    EXPECT_EQ(tunnel->Sound.Plays, 1u);
    // Frame 15 of the first run (0.6 s) shows as 14 while the cockpit is hidden.
    while (tunnel->Frame != 15 && tunnel->Frame >= 0)
        Frame();
    ASSERT_EQ(tunnel->Frame, 15);
    EXPECT_EQ(tunnel->Stages->Stages[0].Texture, &scene->Resources.FindTexture("hyperjump", 14)->Texture);
    EXPECT_FALSE(tunnel->Midpoint);
    cockpitShown = 1;
    Frame();
    EXPECT_EQ(tunnel->Stages->Stages[0].Texture, &scene->Resources.FindTexture("hyperjump", 15)->Texture);

    // A second tunnel with long frames (0.2 s): the midpoint shows at the first frame past 0.66 s.
    auto* slow = new INSIDEHYPERSPACE(root, nullptr, &cockpitShown);
    slow->SetState(3, 0, false, true);
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(slow->Midpoint) << i;
        Stall(0.2);
        Frame();
    }
    EXPECT_FALSE(slow->Midpoint);  // 0.65 s
    Stall(0.2);
    Frame();
    EXPECT_TRUE(slow->Midpoint);   // 0.87 s
    EXPECT_FALSE(slow->Ended);

    // 18 + 15 frames at 25 a second: the end comes after 1.32 s, not before.
    while (tunnel->Frame >= 0)
        Frame();
    EXPECT_TRUE(tunnel->Ended);
    EXPECT_EQ(tunnel->State, 2);
    EXPECT_EQ(tunnel->Sound.Plays, 1u);
}

TEST_F(EffectsTest, TheFlashRemovesItselfAfterItsLifetime)
{
    auto* flash = new OUTSIDEHYPERSPACE(root, nullptr, 12.0f, 10.0f);
    flash->SetState(3, 0, false, true);
    QNWEAK<OUTSIDEHYPERSPACE> alive(flash);
    Frames(100);  // 1.67 s
    ASSERT_TRUE(alive);
    EXPECT_LT(flash->Frame, 0);
    EXPECT_EQ(flash->Sound.Plays, 1u);
    Frames(10);
    EXPECT_FALSE(alive);
}
