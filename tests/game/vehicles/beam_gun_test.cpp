// The EM-2 beam (drain, one-frame pull, stall, segments) and the Ironman gun (cycle, damage per
// shot, seeded sparks) in a real world.

#include <vector>

#include "game/vehicles/em2.h"
#include "game/vehicles/inside_flash.h"
#include "game/vehicles/ironman.h"
#include "game/vehicles/neutron_beam.h"
#include "game/vehicles/outside_flash.h"
#include "game/world/damageable.h"
#include "tests/game/vehicles/weapon_fixture.h"

using shiptest::WeaponTest;

namespace {

// A fixed block of `kind` whose near face lies `distance` ahead of `from` along the site's +z.
DAMAGEABLE* Block(SITE* site, std::int32_t kind, const QNVEC3& from, float distance)
{
    QNMATRIX at;
    at.SetTranslationV(from + QNVEC3(0, 0, distance + 10.0f));  // the box is 20 deep
    at = at * site->GetWorldMatrix();
    auto* block = new DAMAGEABLE(site, "BLOCK", kind, QNCF_LEVEL_GAME, 0, 0, &at, 0);
    block->SetBoxMesh("rec_canister_coll");
    block->SetMaxima(100.0f, 100.0f);
    block->ViewIndex = 3;
    block->SetState(3, 0, false, true);
    return block;
}

}  // namespace

TEST_F(WeaponTest, TheBeamDrainsItsChargeRunsOneFrameAfterThePullAndCountsAStallAsOneHundredth)
{
    COLLSHIP* ship = Player(WEAPON_EM2);
    QNWEAK<EM2> em2 = dynamic_cast<EM2*>(ship->Rack.Get(WEAPON_EM2));
    ASSERT_NE(em2.Get(), nullptr);
    NEUTRONBEAM* beam = em2->Beam;
    ASSERT_NE(beam, nullptr);
    ASSERT_NE(em2->Light, nullptr);
    EXPECT_FALSE(beam->On);

    // A one-frame pull: on for one update, off at the next.
    ship->FireSelectedWeapon();
    Frame();
    EXPECT_TRUE(beam->On);
    EXPECT_TRUE(em2->Light->LightOn);
    EXPECT_FLOAT_EQ(beam->Length, NEUTRONBEAM::kLength);  // nothing ahead
    Frame();
    EXPECT_FALSE(beam->On);
    EXPECT_FALSE(em2->Light->LightOn);
    EXPECT_NEAR(em2->Charge, 60.0f - 1.0f / 60.0f, 1e-4f);

    // A stall while firing drains 0.01 s.
    ship->FireSelectedWeapon();
    Stall(0.6);
    Frame();
    EXPECT_NEAR(em2->Charge, 60.0f - 1.0f / 60.0f - 0.01f, 1e-4f);

    // Held, the charge lasts 60 s of frames; with nothing ahead every segment shows and the last
    // is the end piece. Then the ship drops the spent weapon.
    int frames = 0;
    float half = -1.0f;
    while (ship->Rack.Has(WEAPON_EM2) && frames < 4000) {
        ship->FireSelectedWeapon();
        Frame();
        ++frames;
        if (frames == 1800) {
            half = em2->AmmoLevel();
            for (std::uint32_t i = 0; i < NEUTRONBEAM::kSegments; ++i) {
                EXPECT_EQ(beam->Segment[i]->Votes[0], 3) << i;
                EXPECT_EQ(beam->Segment[i]->EndPiece, i == 11) << i;
            }
            EXPECT_GT(beam->RingsSent, 100u);
        }
    }
    EXPECT_NEAR(half, 0.5f, 0.01f);
    EXPECT_NEAR(frames, 3600, 3);
    Frame();
    EXPECT_EQ(em2.Get(), nullptr);
}

TEST_F(WeaponTest, TheBeamStopsAtTheNearestHitAndDrainsStationPartsButNotRocks)
{
    COLLSHIP* ship = Ship(0, 1, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    ASSERT_TRUE(ship->InstallWeapon(WEAPON_EM2, false, true));
    auto* em2 = dynamic_cast<EM2*>(ship->Rack.Get(WEAPON_EM2));
    NEUTRONBEAM* beam = em2->Beam;
    EXPECT_EQ(em2->Light, nullptr);
    // The computer's beam starts 5 units ahead: a rock 12 units further and a part behind it.
    DAMAGEABLE* rock = Block(sites[0], KIND_ASTEROID, QNVEC3(0, 0, 5), 12.0f);
    DAMAGEABLE* part = Block(sites[0], ITEM_BEAM, QNVEC3(0, 0, 5), 35.0f);
    for (int i = 0; i < 30; ++i) {
        ship->FireSelectedWeapon();
        Frame();
    }
    EXPECT_NEAR(beam->Length, 12.0f, 0.05f);
    for (std::uint32_t i = 0; i < NEUTRONBEAM::kSegments; ++i) {
        EXPECT_EQ(beam->Segment[i]->Votes[0], i <= 3 ? 3 : 2) << i;
        EXPECT_EQ(beam->Segment[i]->EndPiece, i == 3) << i;
    }
    EXPECT_FLOAT_EQ(rock->Electronic, 100.0f);
    EXPECT_FLOAT_EQ(part->Electronic, 100.0f);

    // Without the rock the part 35 units on takes 8 electronic points a second.
    QNITEM::Destroy(rock);
    ship->FireSelectedWeapon();
    Frame();
    const float before = part->Electronic;
    for (int i = 0; i < 60; ++i) {
        ship->FireSelectedWeapon();
        Frame();
    }
    EXPECT_NEAR(beam->Length, 35.0f, 0.05f);
    EXPECT_NEAR(before - part->Electronic, 8.0f, 0.01f);
    EXPECT_FLOAT_EQ(part->Ballistic, 100.0f);
}

TEST_F(WeaponTest, TheIronmanFiresEverySeventhFrameForHalfAPointWithSeededSparks)
{
    COLLSHIP* ship = Player(WEAPON_IRONMAN);
    auto* gun = dynamic_cast<IRONMAN*>(ship->Rack.Get(WEAPON_IRONMAN));
    ASSERT_NE(gun, nullptr);
    EXPECT_FLOAT_EQ(gun->AmmoLevel(), 1.0f);
    auto* inside = dynamic_cast<INSIDEFLASH*>(gun->Flash[0]);
    ASSERT_NE(inside, nullptr);
    COLLSHIP* target = Target(1, QNVEC3(0, 0, 30));

    std::vector<int> shotFrames;
    std::uint32_t shots = 0;
    for (int frame = 0; frame < 300; ++frame) {
        ship->FireSelectedWeapon();
        if (gun->Shots != shots) {
            shots = gun->Shots;
            shotFrames.push_back(frame);
        }
        Frame();
        if (frame == 0) {
            // The flashes are up for the first 0.05 s of a shot.
            EXPECT_EQ(inside->State, 3);
            EXPECT_GE(inside->Picture, 0);
            EXPECT_LE(inside->Picture, 3);
            EXPECT_TRUE(gun->LightOn);
        }
        if (frame == 3) {
            EXPECT_EQ(inside->State, 2);
        }
    }
    // 0.1 s after the previous shot plus the frame that sees the cycle ready.
    ASSERT_GT(shotFrames.size(), 40u);
    for (std::size_t i = 1; i < shotFrames.size(); ++i)
        EXPECT_EQ(shotFrames[i] - shotFrames[i - 1], 7);
    EXPECT_FLOAT_EQ(1000.0f - target->Ballistic, 0.5f * float(shots));
    EXPECT_LE(1000.0f - target->Ballistic, 5.0f * 5.0f);
    // Every hit plays the hit sound; about four in ten show a spark (the generator is seeded).
    EXPECT_EQ(gun->Contact->Hits, shots);
    EXPECT_GT(gun->Contact->Sparks, shots / 4);
    EXPECT_LT(gun->Contact->Sparks, shots * 3 / 5);
    EXPECT_LE(gun->Contact->Cell, 3u);

    // Released: the sound fades out and the cycle is idle again about 0.25 s after the last shot.
    int idle = 0;
    while (gun->Cycle != IRONMAN::CYCLE::IDLE && idle < 60) {
        Frame();
        ++idle;
    }
    const int sinceLastShot = 300 - shotFrames.back() + idle;
    EXPECT_GE(sinceLastShot, 15);  // 0.25 s
    EXPECT_LE(sinceLastShot, 17);
    EXPECT_EQ(gun->Contact->State, 2);
}

TEST_F(WeaponTest, TheComputersIronmanMissesBeyondRangeAndLeavesRocksUnmarked)
{
    COLLSHIP* ship = Ship(0, 1, QNVEC3(0, 0, 0), VIEWMODE_OUTSIDE);
    ASSERT_TRUE(ship->InstallWeapon(WEAPON_IRONMAN, false, true));
    auto* gun = dynamic_cast<IRONMAN*>(ship->Rack.Get(WEAPON_IRONMAN));
    ASSERT_NE(dynamic_cast<OUTSIDEFLASH*>(gun->Flash[0]), nullptr);
    ASSERT_NE(dynamic_cast<OUTSIDEFLASH*>(gun->Flash[1]), nullptr);
    COLLSHIP* far = Target(2, QNVEC3(0, 0, 120));
    for (int i = 0; i < 30; ++i) {
        ship->FireSelectedWeapon();
        Frame();
    }
    EXPECT_GT(gun->Shots, 3u);
    EXPECT_FLOAT_EQ(far->Ballistic, 1000.0f);
    EXPECT_EQ(gun->Contact->Hits, 0u);

    DAMAGEABLE* rock = Block(sites[0], KIND_ASTEROID, QNVEC3(0, 0, 0), 20.0f);
    const std::uint32_t shots = gun->Shots;
    for (int i = 0; i < 30; ++i) {
        ship->FireSelectedWeapon();
        Frame();
    }
    EXPECT_GT(gun->Shots, shots);
    EXPECT_EQ(gun->Contact->Hits, 0u);
    EXPECT_EQ(gun->Contact->State, 2);
    EXPECT_FLOAT_EQ(rock->Ballistic, 100.0f);
    EXPECT_FLOAT_EQ(far->Ballistic, 1000.0f);
}
