// The game's fixed frames checked against the geometry they stand for.

#include <gtest/gtest.h>

#include <cmath>

#include "game/world/game_frames.h"

namespace {

TEST(GameFrames, SitesCubeCornersAndMuzzles)
{
    // Sites 2000 units out along +X, +Z, -X, -Z, in that order, unturned.
    const QNVEC3 sites[4] = {QNVEC3(2000, 0, 0), QNVEC3(0, 0, 2000), QNVEC3(-2000, 0, 0), QNVEC3(0, 0, -2000)};
    for (int i = 0; i < 4; ++i) {
        const QNMATRIX& f = gameframes::SiteFrames()[std::size_t(i)];
        EXPECT_EQ(QNVEC3::TransformCoord(QNVEC3(0, 0, 0), f), sites[i]) << i;
        EXPECT_EQ(QNVEC3::TransformNormal(QNVEC3(0, 0, 1), f), QNVEC3(0, 0, 1)) << i;
    }

    // Each cube-corner frame has its origin on a distinct corner of the cube of half-side 200
    // and its +Z axis along the diagonal toward the centre, with X level (no roll).
    int seen = 0;
    for (const QNMATRIX& f : gameframes::CubeCornerFrames()) {
        const QNVEC3 corner = QNVEC3::TransformCoord(QNVEC3(0, 0, 0), f);
        for (float c : {corner.x, corner.y, corner.z})
            EXPECT_NEAR(std::fabs(c), 200.0f, 1e-3f);
        const int bits = (corner.x > 0 ? 1 : 0) | (corner.y > 0 ? 2 : 0) | (corner.z > 0 ? 4 : 0);
        EXPECT_EQ(seen & (1 << bits), 0) << "corner used twice";
        seen |= 1 << bits;
        const QNVEC3 forward = QNVEC3::TransformNormal(QNVEC3(0, 0, 1), f);
        const QNVEC3 toCentre = (QNVEC3(0, 0, 0) - corner).Normalize();
        EXPECT_NEAR(QNVEC3::Dot(forward, toCentre), 1.0f, 1e-6f);
        EXPECT_NEAR(QNVEC3::TransformNormal(QNVEC3(1, 0, 0), f).y, 0.0f, 1e-6f);
    }
    EXPECT_EQ(seen, 0xFF);

    // The muzzles 0.3 in front of and behind the gun's pivot, tilted up by 12 degrees.
    const auto& muzzles = gameframes::FlakMuzzleFrames();
    const QNVEC3 front = muzzles[0].Translation();
    const QNVEC3 back = muzzles[1].Translation();
    EXPECT_NEAR(front.x, 0.0f, 1e-6f);
    EXPECT_NEAR(front.y, 0.0623735f, 1e-6f);
    EXPECT_NEAR(front.z, 0.2934443f, 1e-6f);
    EXPECT_NEAR(back.y, -0.0623735f, 1e-6f);
    EXPECT_NEAR(back.z, -0.2934443f, 1e-6f);

    // Launchers in a row along X, each pitched 15 degrees nose-up without moving off its spot.
    const float xs[6] = {-4.4f, -3.3f, -2.2f, 2.2f, 3.3f, 4.4f};
    for (int i = 0; i < 6; ++i) {
        const QNMATRIX& f = gameframes::AntiShipLauncherFrames()[std::size_t(i)];
        const QNVEC3 at = QNVEC3::TransformCoord(QNVEC3(0, 0, 0), f);
        EXPECT_NEAR(at.x, xs[i], 1e-6f);
        EXPECT_NEAR(at.y, 0.0f, 1e-6f);
        const QNVEC3 forward = QNVEC3::TransformNormal(QNVEC3(0, 0, 1), f);
        EXPECT_NEAR(std::asin(forward.y), gameframes::Radians(15.0f), 1e-5f);
    }
}

}  // namespace
