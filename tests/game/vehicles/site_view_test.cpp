// The view from the player's station: the ore field's rocks and the sun's disc in one frame,
// over the star backdrop, checked by pixel regions.

#include <cmath>

#include "engine/physics/qnpick.h"
#include "engine/scene/view.h"
#include "game/vehicles/stars.h"
#include "game/world/natural_object.h"
#include "game/world/ore_field.h"
#include "game/world/site.h"
#include "game/world/sun.h"
#include "tests/game/world_fixture.h"

namespace {

class SiteViewTest : public WorldTest {
protected:
    // Pixel of a world point in the last frame; false when behind the camera or off screen.
    bool PixelOf(const QNVEC3& world, int& x, int& y) const
    {
        const QNVEC3 s = QNPICK::ToScreen(world);
        if (!(s.z > 0.0f && s.z < 1.0f))
            return false;
        x = int((s.x + 667.0f) / 1334.0f * float(width));
        y = int((500.0f - s.y) / 1000.0f * float(height));
        return x >= 2 && y >= 2 && x < int(width) - 2 && y < int(height) - 2;
    }
    // Brightest channel sum in the 5 x 5 block around (x, y).
    int Brightest(int x, int y) const
    {
        int best = 0;
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const std::uint32_t p = Pixel(std::uint32_t(x + dx), std::uint32_t(y + dy));
                best = std::max(best, Red(p) + Green(p) + Blue(p));
            }
        return best;
    }
};

}  // namespace

TEST_F(SiteViewTest, FromTheStationTheOreFieldAndTheSunShowAgainstTheStars)
{
    QNSCENE* scene = MakeScene(1, [](QNRESOURCES& r) {
        SITE::RegisterMedia(r);
        RegisterSkyMedia(r);
    });
    scene->SetBackgroundColour(0, 0, 0);
    QNVIEW* view = scene->GetView(0);
    auto* site = new SITE(view->Root, 0, 0);
    const QNMATRIX siteWorld = site->GetWorldMatrix();
    new STARS(site, siteWorld);
    site->SetState(3, 0, false, true);
    ASSERT_NE(site->Sun->Glow, nullptr);

    // Look from the station's place so that the sun and the field's rock nearest to it sit on
    // the screen's diagonal, the sun up and right, the rock down and left of the centre.
    const QNVEC3 eye = siteWorld.Translation();
    const QNVEC3 toSun = site->Sun->Direction() * -1.0f;
    NATURALOBJECT* nearest = nullptr;
    float best = -2.0f;
    for (QNITEM* c = site->OreField->FirstChild(); c; c = c->Next()) {
        auto* n = static_cast<NATURALOBJECT*>(c);
        const float d = QNVEC3::Dot((n->GetWorldMatrix().Translation() - eye).Normalize(), toSun);
        if (d > best)
            best = d, nearest = n;
    }
    ASSERT_NE(nearest, nullptr);
    const QNVEC3 toRock = (nearest->GetWorldMatrix().Translation() - eye).Normalize();
    ASSERT_GT(QNVEC3::Dot(toRock, toSun), std::cos(80.0f * 3.14159265f / 180.0f)) << "sun and field too far apart";
    const QNVEC3 z = (toSun + toRock).Normalize();
    const QNVEC3 across = (toSun - toRock).Normalize();
    const QNVEC3 up = QNVEC3::Cross(z, across);
    const float c = 0.8f, s = 0.6f;  // the 4:3 screen's diagonal
    const QNVEC3 x = across * c - up * s;
    const QNVEC3 y = across * s + up * c;
    float m[16] = {x.x, x.y, x.z, 0, y.x, y.y, y.z, 0, z.x, z.y, z.z, 0, eye.x, eye.y, eye.z, 1};
    const QNMATRIX look(m);
    auto* camera = new GAMENODE(view->Root, "EYE", 0, QNCF_LEVEL_GAME, 0, 0, &look, 0);
    view->CurrentNode = camera;

    Run(scene, 0.5f);
    Grab();

    // The sun's disc: bright and warm at its projected place.
    int sx = 0, sy = 0;
    ASSERT_TRUE(PixelOf(site->Sun->Glow->GetWorldMatrix().Translation(), sx, sy));
    EXPECT_GT(sx, int(width) / 2);
    EXPECT_LT(sy, int(height) / 2);
    const std::uint32_t sun = Pixel(std::uint32_t(sx), std::uint32_t(sy));
    EXPECT_GT(Red(sun), 200);
    EXPECT_GT(Green(sun), 180);
    EXPECT_GE(Red(sun), Blue(sun));

    // Every rock of the field on screen shows over the black sky.
    int onScreen = 0, shown = 0;
    for (QNITEM* c = site->OreField->FirstChild(); c; c = c->Next()) {
        int rx = 0, ry = 0;
        if (!PixelOf(static_cast<QNNODE*>(c)->GetWorldMatrix().Translation(), rx, ry))
            continue;
        ++onScreen;
        shown += Brightest(rx, ry) > 45;
    }
    EXPECT_GE(onScreen, 2);
    EXPECT_EQ(shown, onScreen);

    // Away from the sun and the field the sky is dark with a few stars.
    int bright = 0, lit = 0, all = 0;
    for (std::uint32_t py = 0; py < height / 4; ++py)
        for (std::uint32_t px = 0; px < width / 4; ++px, ++all) {
            const std::uint32_t p = Pixel(px, py);
            const int sum = Red(p) + Green(p) + Blue(p);
            bright += sum > 600;
            lit += sum > 60;
        }
    EXPECT_LT(bright * 10, all);
    EXPECT_GT(lit, 0);
}
