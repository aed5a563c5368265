// What a player sees, from the program's own game with no display: a grown station (generator,
// dock, processor, storage unit) from the suit, the ore field seen over the station, and the
// collector ship's cockpit, parked and flying at the station. Each picture is saved under
// screenshots/ beside the test and checked by pixel regions.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/screenshot.h"
#include "game/world/collship_dock.h"
#include "game/world/natural_object.h"
#include "game/world/sun.h"
#include "tests/e2e/road/road.h"

namespace {

using namespace road;

/// Counts the pixels of a region that pass `test(r, g, b)`.
template <class T>
int Count(const Screenshot& s, int x0, int y0, int x1, int y1, T test)
{
    int n = 0;
    for (int y = std::max(0, y0); y < std::min(s.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(s.width, x1); ++x) {
            const std::uint8_t* p = &s.rgb[(std::size_t(y) * std::size_t(s.width) + std::size_t(x)) * 3];
            n += test(int(p[0]), int(p[1]), int(p[2])) ? 1 : 0;
        }
    return n;
}

/// The mean world position of every node of type T under the player's view root.
template <class T>
bool Centre(QNVEC3* out)
{
    QNITEM* root = QNSCENE::Current->GetView(PlayerView)->Root;
    QNVEC3 sum(0, 0, 0);
    int n = 0;
    for (QNITEM* i = root; i; i = QNITEM::Next(root, i))
        if (auto* t = dynamic_cast<T*>(i)) {
            sum = sum + t->GetWorldMatrix().Translation();
            ++n;
        }
    if (n)
        *out = sum * (1.0f / float(n));
    return n > 0;
}

TEST(GameViews, GrownStationOreFieldAndCockpit)
{
    ReportToTest();
    Screenshot station, field, cockpit, approach;
    Screenshot* capture = nullptr;

    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }}};
    const std::int32_t kinds[] = {KIND_GENERATOR, KIND_COLLSHIPDOCK, KIND_PROCESSOR, KIND_STORAGE};
    const std::int32_t sides[] = {2, 0, 1, 3};
    for (int i = 0; i < 4; ++i)
        for (ROADSTEP& s : BuildOnStartBeam(sides[i], kinds[i], i < 3 ? QNVEC3(1, 0, 0) : QNVEC3(0, 0, 0)))
            steps.push_back(std::move(s));

    std::vector<ROADSTEP> views = {
        {"the grown station from the suit", [&] {
             // Back off along a diagonal above the station and look at its middle.
             const QNVEC3 centre = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
             const QNVEC3 dir = QNVEC3::TransformNormal(QNVEC3(0.6f, 0.45f, -0.66f), Station()->GetWorldMatrix()).Normalize();
             QNMATRIX m;
             m.SetLookAt(centre + dir * 45.0f, centre, QNVEC3(0, 1, 0));
             PlaceAtWorld(PlayerCompany->Suit(), m);
         },
         30, [&] { capture = &station; }},
        {"the ore field and the sun from the station", [&] {
             QNVEC3 rocks(0, 0, 0);
             ASSERT_TRUE(Centre<ORE>(&rocks));
             // Behind and above the station, looking over it at the field.
             const QNVEC3 root = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
             const QNVEC3 from = root + (root - rocks).Normalize() * 45.0f + QNVEC3(0, 20, 0);
             QNMATRIX m;
             m.SetLookAt(from, rocks, QNVEC3(0, 1, 0));
             PlaceAtWorld(PlayerCompany->Suit(), m);
         },
         30, [&] { capture = &field; }},
        {"the free ship", nullptr, 600, [] { ASSERT_NE(PlayerCompany->Ship(), nullptr); }},
        {"undock", [] { Key(SDLK_SPACE); }, 30, [] { EXPECT_FALSE(PlayerCompany->Dock()->Holding); },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        {"board", [] {
             GAMENODE* ship = PlayerCompany->Ship();
             QNMATRIX m = ship->GetWorldMatrix();
             m.SetTranslationV(ship->GetWorldMatrix().Translation() + QNVEC3(0, 4, 0));
             PlaceAtWorld(PlayerCompany->Suit(), m);
             Key(SDLK_RETURN);
         },
         30, [] { ASSERT_EQ(PlayerCompany->Mode, COMPANYMODE::SHIP); }},
        {"the cockpit", nullptr, 30, [&] { capture = &cockpit; }},
        {"flying toward the station", [] {
             const QNVEC3 centre = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
             const QNVEC3 dir = QNVEC3::TransformNormal(QNVEC3(0.6f, 0.3f, -0.74f), Station()->GetWorldMatrix()).Normalize();
             QNMATRIX m;
             m.SetLookAt(centre + dir * 90.0f, centre, QNVEC3(0, 1, 0));
             PlaceAtWorld(PlayerCompany->Ship(), m);
             Script().KeyDown(SDLK_w, KMOD_NONE, Script().Pass() + 3);
             Script().KeyUp(SDLK_w, KMOD_NONE, Script().Pass() + 30);
         },
         60, [&] {
             EXPECT_FALSE(PlayerCompany->Ship()->IsSlowerThan(1.0f));
             capture = &approach;
         }},
        {"done", nullptr, 2, nullptr},
    };
    for (ROADSTEP& s : views)
        steps.push_back(std::move(s));

    ROAD road(std::move(steps));
    GAMEDRIVE drive;
    drive.Frames = 100000;
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) { return road.Frame(); };
    drive.BeforePresent = [&] {
        if (capture) {
            *capture = ReadFrame();
            capture = nullptr;
        }
    };
    ASSERT_EQ(DriveHeadlessGame(drive, nullptr), 0);
    ASSERT_TRUE(road.Finished()) << "last step reached: " << (road.Reached().empty() ? "none" : road.Reached().back());
    ASSERT_GT(station.width, 0);
    ASSERT_GT(field.width, 0);
    ASSERT_GT(cockpit.width, 0);
    EXPECT_TRUE(SaveScreenshot(station, "screenshots/grown_station.png"));
    EXPECT_TRUE(SaveScreenshot(field, "screenshots/ore_field.png"));
    EXPECT_TRUE(SaveScreenshot(cockpit, "screenshots/cockpit.png"));
    EXPECT_TRUE(SaveScreenshot(approach, "screenshots/approach.png"));

    const auto lit = [](int r, int g, int b) { return r + g + b > 90; };
    const auto black = [](int r, int g, int b) { return r + g + b < 60; };
    const auto hull = [](int r, int, int b) { return b > 150 && b > r + 60; };
    const auto rock = [](int r, int g, int b) { return r + g + b > 70 && r + g + b < 330 && b >= r; };
    const auto orange = [](int r, int g, int b) { return r > 150 && g > 80 && b < 120; };
    const auto frame = [](int r, int g, int b) { return b > 200 && g > 150 && r < 170; };

    // The grown station fills the middle: the headquarters' blue hull at the centre, the other
    // parts lit around it; the sky below is black.
    EXPECT_GT(Count(station, 265, 150, 375, 230, hull), 110 * 80 / 4);
    EXPECT_GT(Count(station, 215, 180, 460, 290, lit), 245 * 110 / 3);
    EXPECT_GT(Count(station, 30, 330, 200, 440, black), 170 * 110 * 3 / 4);
    // From behind the station: the station below the middle, the field's rocks above it.
    EXPECT_GT(Count(field, 150, 310, 450, 410, lit), 300 * 100 / 3);
    EXPECT_GT(Count(field, 280, 70, 360, 210, rock), 600);
    // The cockpit: the sight's pale blue frame and the money in the HUD's orange.
    EXPECT_GT(Count(cockpit, 0, 0, cockpit.width, cockpit.height, frame), 2000);
    EXPECT_GT(Count(cockpit, 490, 10, 590, 35, orange), 30);
    // Flying at the station: its hull in the middle of the sight.
    EXPECT_GT(Count(approach, 280, 190, 380, 260, hull), 300);
}

}  // namespace
