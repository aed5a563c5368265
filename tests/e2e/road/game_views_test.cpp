// What a player sees, from the program's own game with no display: the starting station and the
// station grown from the suit (generator, dock, processor, storage unit, cargo port), the ore
// field seen over the station, and the collector ship flying at the station, from its cockpit and
// from outside, its hull on; on the way its camera views look around from the ship's own place.
// The suit and the ship move only by their keys (the road pilot). Each picture is saved under
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

QNMATRIX Turn(char axis, float degrees)
{
    QNMATRIX m;
    if (axis == 'x')
        m.SetRotationX(degrees * 0.017453293f);
    else
        m.SetRotationY(degrees * 0.017453293f);
    return m;
}

/// Whether the ship's cockpit is hidden.
bool HiddenCockpit(GAMENODE* ship)
{
    auto* cockpit = dynamic_cast<GAMENODE*>(ship->FindChild("COCKPIT"));
    return !cockpit || cockpit->State != 3;
}

TEST(GameViews, GrownStationOreFieldAndCockpit)
{
    ReportToTest();
    Screenshot start, station, field, cockpit, approach, outside;
    Screenshot* capture = nullptr;

    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] { ASSERT_NE(PlayerCompany, nullptr); }},
                                   Flight("the starting station from the suit", &ViewStationByKeys, 40.0f,
                                          [&] { capture = &start; })};
    Append(steps, GrowStation());

    std::vector<ROADSTEP> views = {
        Flight("the grown station from the suit", &ViewStationByKeys, 40.0f, [&] {
            for (std::int32_t kind : {KIND_GENERATOR, KIND_COLLSHIPDOCK, KIND_PROCESSOR, KIND_STORAGE, KIND_CARGOPORT})
                EXPECT_EQ(Station()->Counts[kind], 1u) << kind;
            capture = &station;
        }),
        // Behind and above the station, looking over it at the field.
        Flight("the ore field and the sun from the station",
               [] {
                   QNVEC3 rocks(0, 0, 0);
                   if (!Centre<ORE>(&rocks))
                       return true;
                   const QNVEC3 root = Station()->RootJoint.Get()->GetWorldMatrix().Translation();
                   const QNVEC3 from = root + (root - rocks).Normalize() * 45.0f + QNVEC3(0, 20, 0);
                   // The sight is taken on a point of the line toward the field 20 units out.
                   const QNVEC3 toward = (rocks - from).Normalize();
                   static const QNVEC3 up(0, 1, 0);
                   return Pilot().SuitLook(from + toward * 20.0f, toward * -1.0f, 20.0f,
                                           {.Reach = 1.5f, .Sight = 0.5f, .Up = 0.1f}, &up);
               },
               40.0f,
               [&] {
                   QNVEC3 rocks(0, 0, 0);
                   ASSERT_TRUE(Centre<ORE>(&rocks));
                   capture = &field;
               }),
        {"the free ship", nullptr, 600, [] { ASSERT_NE(PlayerCompany->Ship(), nullptr); }},
        {"undock", [] { Key(SDLK_SPACE); }, 30, [] { EXPECT_FALSE(PlayerCompany->Dock()->Holding); },
         [] { return !PlayerCompany->Dock()->Holding; }, nullptr, 40},
        BoardStep("board"),
        {"the cockpit", nullptr, 30, [&] { capture = &cockpit; }},
    };
    Append(views, FlyAtStationByKeys(80.0f, 60));
    views.push_back({"flying toward the station", nullptr, 1, [&] {
                         EXPECT_FALSE(PlayerCompany->Ship()->IsSlowerThan(1.0f));
                         capture = &approach;
                     }});
    Append(steps, std::move(views));
    // The camera views look around from the ship's own place, cockpit and HUD hidden: C turns
    // the view 180 degrees about y, F5 and F6 -90 and 90 about y, F7 and F8 -90 and 90 about x.
    const std::pair<SDL_Keycode, QNMATRIX> turns[] = {{SDLK_c, Turn('y', 180)},  {SDLK_F5, Turn('y', -90)},
                                                      {SDLK_F6, Turn('y', 90)}, {SDLK_F7, Turn('x', -90)},
                                                      {SDLK_F8, Turn('x', 90)}};
    for (const auto& [key, turn] : turns)
        steps.push_back({"a camera view", [key] { HoldKey(key, 4); }, 3, [turn] {
                             GAMENODE* ship = PlayerCompany->Ship();
                             QNNODE* camera = ship->View->CurrentNode.Get();
                             ASSERT_TRUE(camera != nullptr && camera != ship);
                             const QNMATRIX want = turn * ship->GetWorldMatrix();
                             const QNMATRIX got = camera->GetWorldMatrix();
                             for (int r : {0, 1, 2})
                                 EXPECT_LT((got.Row(r) - want.Row(r)).Length(), 1e-3f) << r;
                             EXPECT_LT((got.Translation() - want.Translation()).Length(), 1e-3f);
                             EXPECT_TRUE(HiddenCockpit(ship));
                         }});
    steps.push_back({"the camera back on the ship", nullptr, 6, [] {
                         GAMENODE* ship = PlayerCompany->Ship();
                         EXPECT_EQ(ship->View->CurrentNode.Get(), ship);
                         EXPECT_FALSE(HiddenCockpit(ship));
                     }});
    Append(steps, OutsidePicture([&] { capture = &outside; }));
    steps.push_back({"done", nullptr, 2, nullptr});

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
    for (auto [image, name] : {std::pair{&start, "starting_station"}, {&station, "grown_station"}, {&field, "ore_field"},
                               {&cockpit, "cockpit"}, {&approach, "approach"}, {&outside, "outside_view"}}) {
        ASSERT_GT(image->width, 0) << name;
        EXPECT_TRUE(SaveScreenshot(*image, std::string("screenshots/") + name + ".png")) << name;
    }

    const auto lit = [](int r, int g, int b) { return r + g + b > 90; };
    const auto black = [](int r, int g, int b) { return r + g + b < 60; };
    const auto hull = [](int r, int, int b) { return b > 150 && b > r + 60; };
    const auto rock = [](int r, int g, int b) { return r + g + b > 70 && r + g + b < 330 && b >= r; };
    const auto orange = [](int r, int g, int b) { return r > 150 && g > 80 && b < 120; };
    const auto frame = [](int r, int g, int b) { return b > 200 && g > 150 && r < 170; };

    // The starting station: the headquarters at the centre, nothing yet at the lower left where
    // the grown station's cargo port stands.
    EXPECT_GT(Count(start, 265, 150, 375, 230, hull), 110 * 80 / 4);
    EXPECT_LT(Count(start, 160, 280, 250, 380, lit), 90 * 100 / 10);
    EXPECT_GT(Count(station, 160, 280, 250, 380, hull), 90 * 100 / 4);
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
    // From behind and above the ship: its hull below the middle, the station ahead above it.
    EXPECT_GT(Count(outside, 230, 280, 410, 350, hull), 180 * 70 / 3);
    EXPECT_GT(Count(outside, 260, 140, 380, 240, hull), 120 * 100 / 10);
    EXPECT_GT(Count(outside, 20, 20, 200, 120, black), 180 * 100 * 3 / 4);
}

}  // namespace
