// Headless flight of the collector ship at 60 frames a second, its wreck, and the ejection seat.

#include <cmath>

#include "engine/physics/qnphysworld.h"
#include "tests/game/vehicles/ship_fixture.h"

using shiptest::ShipTest;

TEST_F(ShipTest, FullThrottleReachesTopSpeedInAboutThreeSecondsWithoutDrift)
{
    // Seen by nobody, the ship flies on the box registered for that mode.
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_HIDDEN);
    ASSERT_NE(ship->Mesh, nullptr);
    ASSERT_NE(PhysicsBodyOf(ship), nullptr);
    EXPECT_FLOAT_EQ(PhysicsBodyOf(ship)->GetMass(), COLLSHIP::kScale * 1e-5f);

    ship->Throttle = 1.0f;
    int frames = 0;
    while (ship->Speed < 1.0f && frames < 600) {
        Frame();
        ++frames;
        const QNVEC3 v = LocalVelocity(ship);
        EXPECT_LT(std::fabs(v.x) + std::fabs(v.y), 1e-3f) << frames;
        if (frames == 60) {
            // A sideways knock is gone at the next throttle step.
            PhysicsBodyOf(ship)->SetLinearVelocity(PhysicsBodyOf(ship)->GetLinearVelocity() +
                                                   QNVEC3(5.0f, 0.0f, 0.0f));
            Frames(2);
            frames += 2;
            const QNVEC3 after = LocalVelocity(ship);
            EXPECT_LT(std::fabs(after.x), 1e-3f);
        }
    }
    const double seconds = frames / 60.0;
    EXPECT_GT(seconds, 3.2);
    EXPECT_LT(seconds, 3.5);
    EXPECT_NEAR(LocalVelocity(ship).z, COLLSHIP::kTopSpeed, 0.3f);

    // A target within one step is taken at once; a bump that slows the ship is throttled against.
    ship->Throttle = 0.995f;
    Frames(3);
    EXPECT_FLOAT_EQ(ship->Speed, 0.995f);
    PhysicsBodyOf(ship)->SetLinearVelocity(ship->GetWorldMatrix().Row(2) * 20.0f);
    Frames(3);
    EXPECT_NEAR(ship->Speed, 0.51f, 0.011f);
}

TEST_F(ShipTest, TheFlightModelHoldsAtThirtyAndAtOneHundredFortyFourFramesASecond)
{
    for (const double hz : {30.0, 144.0}) {
        COLLSHIP* ship = Ship(0, 0, QNVEC3(hz, 0, 0), VIEWMODE_OUTSIDE);
        auto frames = [&](double seconds) {
            for (int i = 0; i < int(std::lround(seconds * hz)); ++i) {
                QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + std::int64_t(std::llround(1e6 / hz)));
                QNAPP::StepTime(float(1.0 / hz));
                QNSCENE::UpdateScene(scene);
                QNSCENE::PostUpdateScene(scene);
            }
        };
        // Full throttle: top speed after about 3.3 s, along the nose only, at either rate.
        ship->Throttle = 1.0f;
        frames(3.0);
        EXPECT_LT(ship->Speed, 1.0f) << hz;
        frames(0.5);
        EXPECT_NEAR(ship->Speed, 1.0f, 1e-4f) << hz;
        QNVEC3 v = LocalVelocity(ship);
        EXPECT_NEAR(v.z, COLLSHIP::kTopSpeed, 0.3f) << hz;
        EXPECT_LT(std::fabs(v.x) + std::fabs(v.y), 1e-3f) << hz;

        // A hard turn held for a second, then released: the spin dies away and the ship flies
        // straight along its new nose.
        for (int i = 0; i < int(hz); ++i) {
            ship->Steering = QNVEC3(3.0f, 5.0f, 2.0f);
            frames(1.0 / hz);
        }
        EXPECT_GT(PhysicsBodyOf(ship)->GetAngularVelocity().Length(), 0.1f) << hz;
        frames(4.0);
        EXPECT_LT(PhysicsBodyOf(ship)->GetAngularVelocity().Length(), 0.01f) << hz;
        v = LocalVelocity(ship);
        EXPECT_NEAR(v.z, COLLSHIP::kTopSpeed, 0.3f) << hz;
        EXPECT_LT(std::fabs(v.x) + std::fabs(v.y), 1e-3f) << hz;
        QNITEM::Destroy(ship);
    }
}

TEST_F(ShipTest, SteeringTurnsTheShipAndTheTurnStopsWhenReleased)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    const QNVEC3 nose0 = ship->GetWorldMatrix().Row(2);
    for (int i = 0; i < 60; ++i) {
        ship->Steering = ship->Steering + QNVEC3(0.0f, 5.0f, 0.0f);
        Frame();
        EXPECT_EQ(ship->Steering, QNVEC3(0, 0, 0));  // consumed every frame
    }
    const QNVEC3 nose1 = ship->GetWorldMatrix().Row(2);
    const float turned = std::acos(std::clamp(QNVEC3::Dot(nose0, nose1), -1.0f, 1.0f));
    EXPECT_GT(turned, 0.2f);
    EXPECT_GT(nose1.x, 0.0f);  // a positive turn about y swings the nose toward +x
    EXPECT_NEAR(nose1.y, 0.0f, 1e-3f);

    Frames(180);
    const QNVEC3 nose2 = ship->GetWorldMatrix().Row(2);
    Frames(60);
    const QNVEC3 nose3 = ship->GetWorldMatrix().Row(2);
    EXPECT_LT(PhysicsBodyOf(ship)->GetAngularVelocity().Length(), 0.01f);
    EXPECT_GT(QNVEC3::Dot(nose2, nose3), 0.99999f);
}

TEST_F(ShipTest, AWreckDriftsSpinsAndIsDestroyedWhenItsPilotHasHadTime)
{
    COLLSHIP* manned = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    COLLSHIP* empty = Ship(0, 1, QNVEC3(40, 0, 0), VIEWMODE_OUTSIDE);
    manned->SetPilotAboard(true);
    manned->Throttle = 1.0f;
    Frames(120);
    manned->Kill();
    empty->Kill();
    manned->Kill();
    EXPECT_TRUE(manned->IsDestroyed());
    EXPECT_TRUE(manned->IsShipDestroyed());
    EXPECT_EQ(manned->Destroyed, DESTROYEDSTATE::INTACT);
    Frame();
    // Without a pilot the wreck is killed in its first frame; the manned one waits 1.5 s.
    EXPECT_EQ(empty->Destroyed, DESTROYEDSTATE::KILLED);
    EXPECT_EQ(manned->Destroyed, DESTROYEDSTATE::INTACT);
    EXPECT_TRUE(manned->Spun);
    Frames(30);
    // The wreck is held at 3 u/s along its nose and slows below that under its damping only.
    EXPECT_LE(LocalVelocity(manned).z, COLLSHIP::kWreckDrift + 0.01f);
    EXPECT_GT(LocalVelocity(manned).z, COLLSHIP::kWreckDrift * 0.8f);
    EXPECT_GT(PhysicsBodyOf(manned)->GetAngularVelocity().Length(), 0.01f);
    Frames(55);  // 1.43 s
    EXPECT_EQ(manned->Destroyed, DESTROYEDSTATE::INTACT);
    Frames(5);
    EXPECT_NE(manned->Destroyed, DESTROYEDSTATE::INTACT);
}

TEST_F(ShipTest, TheEjectionSeatFlickersPlaysOnceFlashesAndGoes)
{
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    Frames(10);  // the physics clock runs, so the launch push is not faded in from a standstill
    QNMATRIX out;
    out.SetTranslation(0, 0, 1.6f);
    out = out * ship->GetWorldMatrix();
    QNNODE* root = scene->GetView(0)->Root;
    auto* seat = new EJECTIONSEAT(root, &out, 0);
    seat->SetTreeCollision(ship, false);
    seat->SetState(3, 0, false, true);
    seat->Launch(ship);
    QNWEAK<EJECTIONSEAT> alive(seat);
    const float y0 = seat->GetWorldMatrix().Translation().y;

    Frames(59);  // 0.98 s
    EXPECT_EQ(seat->SoundPlays, 0u);
    EXPECT_NE(seat->Flame->State, 3);
    EXPECT_GT(seat->GetWorldMatrix().Translation().y, y0);  // pushed along the ship's up axis
    Frames(3);  // 1.03 s
    EXPECT_EQ(seat->Flame->State, 3);
    EXPECT_EQ(seat->SoundPlays, 1u);
    Frames(6);  // 1.13 s
    EXPECT_NE(seat->Flame->State, 3);
    Frames(6);  // 1.23 s
    EXPECT_EQ(seat->Flame->State, 3);
    Frames(20);  // 1.57 s
    EXPECT_NE(seat->Flame->State, 3);
    EXPECT_EQ(seat->SoundPlays, 1u);

    Frames(114);  // 3.47 s
    EXPECT_FALSE(seat->Flashed);
    Frames(4);
    EXPECT_TRUE(seat->Flashed);
    EXPECT_EQ(seat->State, 2);
    EXPECT_NE(root->FindChild("OUTSIDEHYPERSPACE"), nullptr);
    Frames(56);  // 4.47 s
    EXPECT_TRUE(alive);
    Frames(4);
    EXPECT_FALSE(alive);
}

TEST_F(ShipTest, ASeatSkippingTheFirstFlickerNeverPlaysItsSound)
{
    QNNODE* root = scene->GetView(0)->Root;
    auto* seat = new EJECTIONSEAT(root, nullptr, 0);
    seat->SetState(3, 0, false, true);
    Frame();
    Stall(1.2);  // from below 1.0 s straight past 1.1 s
    Frame();
    Frames(10);
    EXPECT_EQ(seat->SoundPlays, 0u);
    // Hidden before 3.5 s: no flash, still gone at 4.5 s.
    seat->SetState(2, 0, false, false);
    QNWEAK<EJECTIONSEAT> alive(seat);
    Stall(3.3);
    Frames(2);
    EXPECT_FALSE(alive);
    EXPECT_EQ(root->FindChild("OUTSIDEHYPERSPACE"), nullptr);
}
