// Rendered frames of the weapons: the Ironman's cockpit flashes, and from a chase camera a
// computer ship's EM-2 beam and the Devastator's ring.

#include <vector>

#include "game/vehicles/devastator.h"
#include "game/vehicles/em2.h"
#include "game/vehicles/neutron_beam.h"
#include "game/vehicles/ironman.h"
#include "tests/game/vehicles/weapon_fixture.h"

namespace {

constexpr std::uint32_t kBlack = 0x000000;

using WeaponImageTest = shiptest::WeaponTest;

}  // namespace

TEST_F(WeaponImageTest, CockpitFlashesAndABeamAndRingSeenFromBehind)
{
    scene->SetBackgroundColour(0.0f, 0.0f, 0.0f);
    COLLSHIP* ship = Player(WEAPON_IRONMAN);
    Frames(5);
    Render();
    const std::vector<std::uint32_t> idle = pixels;
    ship->FireSelectedWeapon();
    Frame();
    Render();
    // Both cockpit flashes, the left one and its mirror image on the right, change the frame.
    auto changed = [&](std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1) {
        std::uint32_t n = 0, all = 0;
        for (std::uint32_t y = y0; y < y1; ++y)
            for (std::uint32_t x = x0; x < x1; ++x, ++all)
                n += (idle[std::size_t(y) * width + x] & 0xFFFFFF) != Pixel(x, y);
        return double(n) / all;
    };
    EXPECT_GT(changed(35, 150, 65, 180), 0.2);
    EXPECT_GT(changed(255, 150, 285, 180), 0.2);
    EXPECT_LT(changed(200, 5, 240, 20), 0.01);  // open space

    // From a camera behind and above a computer ship: its beam ahead, the ring around it.
    ship->SetViewMode(VIEWMODE_HIDDEN);
    COLLSHIP* computer = Ship(0, 1, QNVEC3(0, 0, 100), VIEWMODE_OUTSIDE);
    ASSERT_TRUE(computer->InstallWeapon(WEAPON_EM2, false, true));
    ASSERT_TRUE(computer->InstallWeapon(WEAPON_DEVASTATOR, false, false));
    auto* em2 = dynamic_cast<EM2*>(computer->Rack.Get(WEAPON_EM2));
    auto* chase = new GAMENODE(sites[0], "CHASE", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    QNMATRIX look;
    look.SetLookAt(QNVEC3(0, 12, -30), QNVEC3(0, 0, 15), QNVEC3(0, 1, 0));
    chase->SetTransform(look * computer->GetWorldMatrix());
    scene->GetView(0)->CurrentNode = chase;
    computer->Rack.Get(WEAPON_DEVASTATOR)->Fire();
    int frames = 0;
    // Held for about two thirds of a second, then until a flicker shows the beam.
    while ((frames < 40 || em2->Beam->State != 3) && frames < 120) {
        computer->FireSelectedWeapon();
        Frame();
        ++frames;
    }
    ASSERT_EQ(em2->Beam->State, 3);
    EXPECT_EQ(em2->Beam->Segment[11]->State, 3);
    Render();
    EXPECT_GT(ShareNot(155, 100, 165, 140, kBlack), 0.3);  // the beam
    EXPECT_GT(ShareNot(57, 156, 65, 164, kBlack), 0.5);   // the ring's left edge
    EXPECT_LT(ShareNot(100, 140, 130, 155, kBlack), 0.05); // inside the ring
}
