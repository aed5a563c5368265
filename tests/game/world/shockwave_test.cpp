// The shockwave's whole cycle in a real world at 60 Hz: charging (kept over a power cut), the
// wings opening and coming to rest, the trigger cone and reach, the growing ball burning a
// target's electronics, the wings closing and charging again; and a switch-off mid-ball.

#include <cmath>

#include "game/world/shockwave.h"
#include "station_weapon_fixture.h"

namespace {

using weapontest::WeaponTest;
using BALL = SHOCKWAVE::ENERGYBALL;

class ShockwaveTest : public WeaponTest {
protected:
    // Runs frames until the shockwave reaches `state` (at most `seconds`).
    bool RunUntil(SHOCKWAVE* s, SHOCKWAVESTATE state, double seconds)
    {
        for (int i = 0; i < int(seconds * 60) && s->ShockState != state; ++i)
            Frame();
        return s->ShockState == state;
    }
    SHOCKWAVE* Armed()
    {
        auto* s = Build<SHOCKWAVE>(KIND_SHOCKWAVE);
        EXPECT_TRUE(s && RunUntil(s, SHOCKWAVESTATE::ARMED, 16.0));
        return s;
    }
    // A point `distance` from the shockwave, `degrees` off its up axis.
    static QNVEC3 Above(const SHOCKWAVE* s, float distance, float degrees)
    {
        const QNMATRIX w = s->GetWorldMatrix();
        const float a = degrees * 0.017453292f;
        return w.Translation() + w.Row(1) * (distance * std::cos(a)) + w.Row(0) * (distance * std::sin(a));
    }
};

TEST_F(ShockwaveTest, ChargesOpensArmsReleasesTheBallAndClosesAgain)
{
    auto* s = Build<SHOCKWAVE>(KIND_SHOCKWAVE);
    ASSERT_NE(s, nullptr);
    Seconds(5.0);
    EXPECT_NEAR(s->Charge, 60.0f, 2.0f);
    s->SetPowered(false);
    Seconds(3.0);
    EXPECT_NEAR(s->Charge, 60.0f, 2.0f) << "no power, no charge, none lost";
    s->SetPowered(true);
    ASSERT_TRUE(RunUntil(s, SHOCKWAVESTATE::OPENING_REST, 5.5)) << "full after ten seconds of power";
    ASSERT_TRUE(RunUntil(s, SHOCKWAVESTATE::ARMED, 5.0));
    for (std::uint32_t k = 0; k < SHOCKWAVE::kWings; ++k)
        EXPECT_NEAR(std::fabs(s->WingAngle(k)), SHOCKWAVE::kWingOpen, 0.05f);

    // Beside it, or too far above it: nothing.
    DAMAGEABLE* beside = Intruder(Above(s, 40.0f, 50.0f));
    DAMAGEABLE* high = Intruder(Above(s, 76.0f, 0.0f));
    DAMAGEABLE* away = Intruder(Above(s, 130.0f, 0.0f));
    Seconds(1.0);
    EXPECT_EQ(s->ShockState, SHOCKWAVESTATE::ARMED);
    // Above it: one ball.
    DAMAGEABLE* over = Intruder(Above(s, 40.0f, 30.0f));
    Frames(2);
    EXPECT_EQ(s->ShockState, SHOCKWAVESTATE::BALL);
    BALL* ball = s->Ball.Get();
    ASSERT_NE(ball, nullptr);
    EXPECT_FALSE(s->Fire()) << "one ball at a time";
    EXPECT_EQ(s->Charge, 0.0f);

    Seconds(2.1);
    EXPECT_EQ(ball->Phase, BALLPHASE::HOLDING);
    EXPECT_NEAR(ball->DamageRadius(), 50.0f, 0.01f);
    EXPECT_NEAR((Position(ball) - Position(s)).Length(), BALL::kRiseTo, 0.5f);
    Seconds(1.0);
    EXPECT_LT(over->Electronic, 100.0f) << "within the ball's radius";
    EXPECT_LT(beside->Electronic, 100.0f);
    EXPECT_LT(high->Electronic, 100.0f) << "too far to trigger it, yet within the grown ball";
    EXPECT_EQ(away->Electronic, 100.0f) << "79.5 from the ball's centre";

    QNWEAK<BALL> gone(ball);
    ASSERT_TRUE(RunUntil(s, SHOCKWAVESTATE::CLOSING_REST, 8.0));
    EXPECT_EQ(gone.Get(), nullptr) << "the ball has faded and gone";
    ASSERT_TRUE(RunUntil(s, SHOCKWAVESTATE::CHARGING, 6.0));
    for (std::uint32_t k = 0; k < SHOCKWAVE::kWings; ++k)
        EXPECT_NEAR(s->WingAngle(k), 0.0f, 0.05f);
}

TEST_F(ShockwaveTest, SwitchedOffWithItsBallOutItDropsTheBallAndCloses)
{
    SHOCKWAVE* s = Armed();
    ASSERT_NE(s, nullptr);
    Intruder(Above(s, 30.0f, 0.0f));
    Frames(2);
    QNWEAK<BALL> ball(s->Ball.Get());
    ASSERT_NE(ball.Get(), nullptr);
    s->SetActive(false);
    EXPECT_EQ(ball.Get(), nullptr);
    EXPECT_EQ(s->ShockState, SHOCKWAVESTATE::CLOSING);
}

}  // namespace
