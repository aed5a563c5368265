// Rendered frames of a ship flying toward a station block: from the cockpit and from outside.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/game/vehicles/ship_fixture.h"

namespace {

constexpr std::uint32_t kBlack = 0x000000;

class ShipImageTest : public shiptest::ShipTest {
protected:
    // The headquarters block of a station, in front of the ship.
    GAMENODE* Station(const QNVEC3& at)
    {
        QNMESHPARAMS& m = QNRESOURCES::MeshParams;
        m = QNMESHPARAMS();
        m.File = "media\\station\\support\\meshes\\headq.gbm";
        m.Args[0] = 1;
        scene->Resources.AddMeshFile();
        QNMATRIX place;
        place.SetTranslationV(at);
        place = place * sites[0]->GetWorldMatrix();
        auto* block = new GAMENODE(sites[0], "STATION", 10, QNCF_LEVEL_GAME, 0, 0, &place, 0);
        block->SetColour("white");
        block->SetMesh("headq");
        block->SetState(3, 0, false, true);
        return block;
    }
    // Writes the frame as a PPM when SHIP_IMAGE_DIR names a folder (for looking at it).
    void Keep(const char* name) const
    {
        if (const char* dir = std::getenv("SHIP_IMAGE_DIR"))
            SavePicture((std::string(dir) + "/" + name + ".ppm").c_str());
    }
};

}  // namespace

TEST_F(ShipImageTest, CockpitAndOutsideViewsWhileFlyingTowardTheStation)
{
    scene->SetBackgroundColour(0.0f, 0.0f, 0.0f);
    Station(QNVEC3(0, 0, 0));
    COLLSHIP* ship = Ship(0, 0, QNVEC3(0, 2, -60), VIEWMODE_INSIDE);
    ship->Throttle = 0.3f;
    Frames(30);
    Render();
    Keep("cockpit");
    ASSERT_EQ(width, kWidth);
    // The station straight ahead through the canopy, the dashboard across the bottom, a canopy
    // strut on the left, and open space between them.
    EXPECT_GT(ShareNot(150, 120, 172, 142, kBlack), 0.5);
    EXPECT_GT(ShareNot(40, 198, 280, 236, kBlack), 0.8);
    EXPECT_GT(ShareNot(68, 90, 78, 170, kBlack), 0.8);
    EXPECT_LT(ShareNot(90, 100, 140, 130, kBlack), 0.05);

    ship->SetViewMode(VIEWMODE_OUTSIDE);
    // A chase camera behind and above the ship, looking along its course.
    QNMATRIX behind;
    behind.SetTranslation(0, 3, -14);
    auto* chase = new GAMENODE(sites[0], "CHASE", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0);
    scene->GetView(0)->CurrentNode = chase;
    for (int i = 0; i < 10; ++i) {
        chase->SetTransform(behind * ship->GetWorldMatrix());
        Frame();
    }
    chase->SetTransform(behind * ship->GetWorldMatrix());
    Render();
    Keep("outside");
    // The hull below the middle, the station beyond it, space around them.
    EXPECT_GT(ShareNot(125, 160, 195, 182, kBlack), 0.5);
    EXPECT_GT(ShareNot(150, 130, 170, 148, kBlack), 0.5);
    EXPECT_LT(ShareNot(20, 20, 100, 100, kBlack), 0.05);
    EXPECT_LT(ShareNot(230, 150, 310, 230, kBlack), 0.05);
}
