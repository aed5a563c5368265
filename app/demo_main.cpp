// The scripted demo: the program's own game played with no display along the main road, saving
// a screenshot at each sight: the logo, the main menu, the starting and the grown station from
// the suit, the build store, the cockpit of the free collector ship, the ship firing its gun, and
// the ship flying at the station seen from outside. The suit and the ship move only by their
// keys, flown by the road pilot; fewer frames are drawn while it flies.
//
//   corvane-demo DIR [png|ppm]
//
// Exit status: 0 when the road was played to its end and every picture was written; 1 when a
// step failed or the game ended with an error; 2 for a bad command line.

#include <cstdio>
#include <string>

#include "app/game_driver.h"
#include "app/game_road.h"
#include "app/screenshot.h"
#include "engine/scene/node_bounds.h"
#include "game/world/collship_dock.h"
#include "game/world/natural_object.h"

namespace {

using namespace road;

// Start-up passes at which the logo and the menu are photographed (the menu follows the logo's
// two seconds at pass 100; the new game starts at pass 150).
constexpr std::uint64_t kLogoPass = 60;
constexpr std::uint64_t kMenuPass = 130;
// Frames the ship holds its trigger in the fight.
constexpr std::uint64_t kFireFrames = 40;

std::string g_dir;
std::string g_format = "png";
const char* g_capture = nullptr;
int g_written = 0;
QNWEAK<NATURALOBJECT> g_rock;
bool g_writeFailed = false;

void Capture()
{
    if (!g_capture)
        return;
    std::string error;
    const std::string path = g_dir + "/" + g_capture + "." + g_format;
    if (SaveScreenshot(ReadFrame(), path, &error))
        ++g_written;
    else {
        std::fprintf(stderr, "corvane-demo: could not write %s: %s\n", path.c_str(), error.c_str());
        g_writeFailed = true;
    }
    g_capture = nullptr;
}

/// The nearest rock of the player's view (an asteroid or an ore rock) to `from`.
NATURALOBJECT* NearestRock(const QNVEC3& from)
{
    QNITEM* root = QNSCENE::Current->GetView(PlayerView)->Root;
    NATURALOBJECT* best = nullptr;
    float bestDistance = 0.0f;
    for (QNITEM* i = root; i; i = QNITEM::Next(root, i))
        if (auto* rock = dynamic_cast<NATURALOBJECT*>(i)) {
            const float d = (rock->GetWorldMatrix().Translation() - from).Length();
            if (!best || d < bestDistance)
                best = rock, bestDistance = d;
        }
    return best;
}

std::vector<ROADSTEP> Steps()
{
    std::vector<ROADSTEP> steps = {{"a new game", nullptr, 1, [] { Require(PlayerCompany != nullptr, "no player company"); }},
                                   Flight("the starting station", &ViewStationByKeys, 40.0f, [] { g_capture = "start"; })};
    Append(steps, GrowStation());
    std::vector<ROADSTEP> rest = {
        Flight("the grown station", &ViewStationByKeys, 40.0f, [] { g_capture = "station"; }),
        {"the build store", [] { Key(SDLK_F2); }, 40,
         [] {
             Require(QNSCENE::Current && QNSCENE::Current != GameScenes.Space, "the store did not open");
             g_capture = "store";
         }},
        {"back from the store", [] { Key(SDLK_ESCAPE); }, 30,
         [] { Require(QNSCENE::Current == GameScenes.Space, "the store did not close"); }},
    };
    Append(steps, std::move(rest));
    Append(steps, TakeFreeShip());
    std::vector<ROADSTEP> aboard = {
        {"the cockpit", nullptr, 20, [] { g_capture = "cockpit"; }},
        // The ship 20 units off the nearest rock's face, nose on, the gun held.
        Flight("at the nearest rock",
               InTurn({[] {
                           const NATURALOBJECT* rock = g_rock.Get();
                           const QNVEC3 at = rock->GetWorldMatrix().Translation();
                           const QNVEC3 ship = PlayerCompany->Ship()->GetWorldMatrix().Translation();
                           const float radius = rock->Bounds && rock->Bounds->Radius > 0.0f ? rock->Bounds->Radius : 5.0f;
                           return Pilot().ShipTo(at + (ship - at).Normalize() * (radius + 20.0f), true, {.Reach = 3.0f});
                       },
                       [] { return Pilot().ShipAim(g_rock.Get()->GetWorldMatrix().Translation(), {.Aim = 0.03f}); }}),
               60.0f, nullptr,
               [] {
                   g_rock = NearestRock(PlayerCompany->Ship()->GetWorldMatrix().Translation());
                   Require(g_rock.Get() != nullptr, "no rock in the site");
               }),
        {"the fight", [] {
             Script().KeyDown(SDLK_SPACE, KMOD_NONE, Script().Pass() + 1);
             Script().KeyUp(SDLK_SPACE, KMOD_NONE, Script().Pass() + kFireFrames);
         },
         kFireFrames / 2 + 1, [] { g_capture = "fight"; }},
        {"the gun let go", nullptr, kFireFrames / 2, nullptr},
    };
    Append(steps, std::move(aboard));
    Append(steps, FlyAtStationByKeys(80.0f, kFireFrames));
    Append(steps, std::move(aboard));
    Append(steps, OutsidePicture([] { g_capture = "outside"; }));
    steps.push_back({"the end", nullptr, 4, nullptr});
    return steps;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3 || !argv[1][0] ||
        (argc == 3 && std::string(argv[2]) != "png" && std::string(argv[2]) != "ppm")) {
        std::fprintf(stderr, "usage: corvane-demo DIR [png|ppm]\n");
        return 2;
    }
    g_dir = argv[1];
    if (argc == 3)
        g_format = argv[2];
    ROAD road(Steps());
    GAMEDRIVE drive;
    drive.Frames = 100000;
    FlightDrawEvery = &drive.DrawEvery;
    drive.OnStartPass = [](std::uint64_t pass) {
        if (pass == kLogoPass)
            g_capture = "logo";
        else if (pass == kMenuPass)
            g_capture = "menu";
    };
    drive.OnFrame = [&](std::uint64_t, const GAMEDRIVERTIMES&) { return road.Frame(); };
    drive.BeforePresent = &Capture;
    const int status = DriveHeadlessGame(drive, nullptr);
    std::printf("corvane-demo: %zu of %zu steps, %d pictures in %s, status %d\n", road.Reached().size(),
                road.StepCount(), g_written, g_dir.c_str(), status);
    return status == 0 && road.Finished() && !g_writeFailed ? 0 : 1;
}
