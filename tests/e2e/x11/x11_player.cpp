// Plays the shipped game at an X server as a person does: it looks at the screen the server
// shows and presses keys and moves the pointer through XTest. Each command plays one part of a
// game and checks what the screen shows for it; exit status 0 when it did, 1 when it did not.
//
//   x11-player WINDOW COMMAND [ARGS]
//
// Commands (each from where the one before it leaves the game):
//   cursor visible|hidden   the cursor the server shows over the window: an image, or none
//   suit-build              from a new game: the arrow keys turn the suit to the station, the
//                           pointer aims at a start beam, the left button extends it with a joint
//                           and 1 places the first item (the generator) there, Tab moving the
//                           marker while the side is wrong; the same on another beam for the
//                           collector-ship dock
//   mercenaries             F3; the ship's picture dragged onto a hire window, that window
//                           dragged onto DISMISS; EXIT
//   board [undocked]        Space undocks the free ship, W drifts the suit to it, Enter boards
//   fly                     W, D and Left fly the ship; Enter leaves it
//   shot FILE | look        the screen as PPM | what is read off it (for writing scenarios)
// The screenshots of a failure go to $SCENARIO_SHOTS when it is set.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/e2e/x11/x_pilot.h"

using namespace xplay;

namespace {

std::string g_shots;

int Fail(XPILOT& p, const char* what)
{
    std::printf("x11-player: %s\n", what);
    p.Keep("failed");
    return 1;
}

/// The lower line after a click on a beam whose ends are taken: "No more connections available".
constexpr int kNoConnectionCells = 29;
/// The lower line when something moving is in a new part's way: "Blocked by moving object".
constexpr int kBlockedByMovingCells = 24;

/// The lower line when the item does not fit the marked connector: "Wrong side for this
/// structure type".
constexpr int kWrongSideCells = 34;

/// The lower line's lengths when it names a beam and a joint.
constexpr int kBeamCells = 4;
constexpr int kJointCells = 5;

/// Aims at a part of the frame whose name on the lower line has `cells` characters (a beam or
/// a joint), the first spot of the frame looked at lying `beyond` units or more from the middle
/// of the view; tries other spots when the one aimed at is something else.
bool AimAtFrame(XPILOT& p, float beyond, float avoid, int cells)
{
    for (int attempt = 0; attempt < 6; ++attempt) {
        const bool aimed = p.AimAt([&](const SHOT& s, const SPOT* last) { return PickFrame(s, last, beyond, avoid); });
        if (aimed && p.Look().LowerCells == cells)
            return true;
        // Something else of the frame (the other part, the hull's shadow): look a little aside.
        p.X().MoveBy(attempt % 2 ? -4 : 4, attempt % 3 ? 2 : -2);
        Sleep(700);
    }
    return false;
}

/// Pointer moves round the aim, in a widening square spiral of `step` pixels, until the lower
/// line names a part of `cells` characters.
bool Feel(XPILOT& p, int cells, int step = 2, int rings = 3)
{
    if (p.Look().LowerCells == cells)
        return true;
    // Legs of the spiral: right 1, down 1, left 2, up 2, right 3, ...
    int dx = 1, dy = 0;
    for (int leg = 1; leg <= 2 * rings; ++leg) {
        const int length = (leg + 1) / 2;
        for (int i = 0; i < length; ++i) {
            p.X().MoveBy(dx * step, dy * step);
            Sleep(700);
            if (p.Look().LowerCells == cells)
                return true;
        }
        const int t = dx;
        dx = -dy;
        dy = t;
    }
    return false;
}

/// Number key `key` with the marker at each connector of the aimed joint in turn (Tab) until
/// the inventory shows one item fewer.
bool PlaceOnJoint(XPILOT& p, const char* key)
{
    const int before = p.Items();
    for (int connector = 0; connector < 8; ++connector) {
        // The line shows the last refusal for a while, then the name in the sights again; the
        // aim may have drifted off the joint meanwhile (a bump, a turn still dying out).
        bool aimed = false;
        for (const long long end = Now() + 3000; !aimed && Now() < end; Sleep(200))
            aimed = p.Look().LowerCells == kJointCells;
        if (!aimed && !Feel(p, kJointCells, 2, 3))
            continue;
        p.X().Tap(key, 30);
        // On a loaded machine the inventory and the refusal can take a few frames' while to
        // show: wait for either before judging the try.
        int said = kJointCells;
        for (const long long end = Now() + 2500; Now() < end; Sleep(150)) {
            if (p.Items() < before)
                return true;
            said = p.Look().LowerCells;
            if (said == kWrongSideCells || said == kBlockedByMovingCells)
                break;
        }
        if (p.Items() < before)
            return true;
        std::printf("x11-player: item %s not placed (%d characters on the lower line)\n", key, said);
        if (said == kBlockedByMovingCells) {
            // The suit itself (drifted close) is in the part's way: back off and aim again.
            p.X().Tap("s", 120);
            Sleep(1500);
            p.X().Tap("w", 60);
            Feel(p, kJointCells, 2, 3);
            continue;
        }
        p.X().Tap("Tab", 30);
        Sleep(400);
    }
    return false;
}

/// A new joint at the end of a beam whose far end is free: the beam aimed at, the left button,
/// and the joint found where the picture changed. A beam whose ends are taken is left for one
/// further out in the view.
std::vector<SPOT> ExtendBeam(XPILOT& p, float* bearing)
{
    for (float beyond = 0.0f; beyond < 700.0f; beyond += 180.0f) {
        if (!AimAtFrame(p, beyond, *bearing, kBeamCells))
            continue;
        const float aimed = BearingFromStation(p.X().Grab(), 0.0f, 0.0f);
        for (int click = 0; click < 2; ++click) {
            const SHOT before = p.X().Grab();
            p.X().Click(1, 30);
            // The refusal shows on the lower line within a few frames; a joint takes a moment
            // to come into light.
            bool refused = false;
            for (int look = 0; look < 6 && !refused; ++look) {
                Sleep(200);
                const int said = p.Look().LowerCells;
                refused = said >= kNoConnectionCells - 1 && said <= kNoConnectionCells + 1;
            }
            if (refused) {
                std::printf("x11-player: that beam has no free end\n");
                break;
            }
            const SHOT after = p.X().Grab();
            Sleep(400);
            if (std::vector<SPOT> joints = NewParts(before, after, p.X().Grab()); !joints.empty()) {
                *bearing = aimed;
                return joints;
            }
            std::printf("x11-player: nothing came of the click on the beam\n");
            if (!g_shots.empty()) {
                before.Save(g_shots + "/extend-before.ppm");
                after.Save(g_shots + "/extend-after.ppm");
            }
        }
    }
    return {};
}

/// `bearing`: the side of the station (as BearingFromStation gives it) whose beam is not to be
/// used (NaN: any); on return, the side of the beam used.
int Build(XPILOT& p, const char* key, float* bearing)
{
    const std::vector<SPOT> seen = ExtendBeam(p, bearing);
    if (seen.empty()) {
        // Every beam end is taken; a joint a failed try left bare still takes the item.
        for (float beyond = 0.0f; beyond < 700.0f; beyond += 180.0f) {
            if (AimAtFrame(p, beyond, *bearing, kJointCells) && PlaceOnJoint(p, key)) {
                *bearing = BearingFromStation(p.X().Grab(), 0.0f, 0.0f);
                std::printf("x11-player: item %s placed on a bare joint; %d left in the inventory\n", key, p.Items());
                return 0;
            }
        }
        return Fail(p, "no beam was extended with a joint by the left button, and no bare joint took the item");
    }
    // The largest new patch first (a crew member may have drifted into sight as well).
    bool found = false;
    float x = 0, y = 0;  // where the view's middle is, in the frame of the look after the click
    for (std::size_t i = 0; i < seen.size() && i < 3 && !found; ++i) {
        std::printf("x11-player: a joint at %.0f %.0f?\n", seen[i].X, seen[i].Y);
        p.TurnBy(seen[i].X - x, seen[i].Y - y);
        x = seen[i].X;
        y = seen[i].Y;
        found = Feel(p, kJointCells, 2, 4);
    }
    if (!found)
        return Fail(p, "the new joint never came into the sights");
    if (!PlaceOnJoint(p, key))
        return Fail(p, "the item was not placed on the joint at any connector");
    std::printf("x11-player: item %s placed; %d left in the inventory\n", key, p.Items());
    return 0;
}

/// Whether the boarding sign shows at some look within `ms` (it blinks).
bool SeesBoardingSign(XPILOT& p, int ms)
{
    for (const long long end = Now() + ms; Now() < end; Sleep(120))
        if (ShowsBoardingSign(p.X().Grab()))
            return true;
    return false;
}

/// The suit's own items are gone from the screen: the view is the cockpit's.
bool Aboard(XPILOT& p)
{
    return p.Items() == 0;
}

/// The collector ship waiting at the dock boarded from the suit: Space undocks it (again, should
/// the dock take it back), the suit turns to it and drifts in by W until the boarding sign
/// shows, and Enter boards it.
int Board(XPILOT& p, bool undocked)
{
    const auto ship = [](const SHOT& s, const SPOT* last) { return PickPart(s, last, 4000); };
    for (int round = 0; round < 4; ++round) {
        if (round > 0 || !undocked) {
            p.X().Tap("space", 30);
            Sleep(4000);
        }
        for (int push = 0; push < 8; ++push) {
            if (SeesBoardingSign(p, 1500)) {
                p.X().Tap("Return", 30);
                Sleep(1500);
                if (Aboard(p))
                    return 0;
                return Fail(p, "Enter under the boarding sign did not board the ship");
            }
            p.AimAt(ship, 60.0f, 8);
            if (p.Look().Station > 0.5f)
                break;  // against the hull
            p.X().Tap("w", 150);
        }
    }
    return Fail(p, "the boarding sign never showed");
}

/// The ship flown by its keys: W opens the throttle and the gauge's speed arrow climbs; D
/// closes it and the speed falls back; an arrow key turns the ship (the stars sweep past the
/// canopy); Enter leaves it.
int Fly(XPILOT& p)
{
    float low = 0, high = 0;
    if (!ThrottleArrows(p.X().Grab(), &low, &high))
        return Fail(p, "no throttle gauge in the cockpit");
    const float rest = high;
    p.X().KeyDown("w");
    Sleep(1500);
    p.X().KeyUp("w");
    Sleep(3000);
    ThrottleArrows(p.X().Grab(), &low, &high);
    std::printf("x11-player: the speed arrow at %.0f at rest, %.0f after W\n", rest, low);
    if (low < rest + 100.0f)
        return Fail(p, "W did not speed the ship up");
    p.X().Tap("d", 30);
    Sleep(8000);
    ThrottleArrows(p.X().Grab(), &low, &high);
    std::printf("x11-player: the speed arrow back at %.0f after D\n", high);
    if (high > rest + 30.0f)
        return Fail(p, "D did not slow the ship down");
    // At rest the stars stand still behind the canopy; a turn sweeps them past.
    const SHOT ahead = p.X().Grab();
    Sleep(500);
    const float steady = Changed(ahead, p.X().Grab());
    p.X().KeyDown("Left");
    Sleep(600);
    p.X().KeyUp("Left");
    Sleep(300);
    const float turned = Changed(ahead, p.X().Grab());
    std::printf("x11-player: %.4f of the view changed at rest, %.4f as Left turned the ship\n", steady, turned);
    if (turned < 3.0f * steady + 0.003f)
        return Fail(p, "Left did not turn the ship");
    Sleep(4000);  // the turn dies out: a ship is left only at rest
    p.X().Tap("Return", 30);
    Sleep(1500);
    if (Aboard(p))
        return Fail(p, "Enter did not leave the ship");
    return 0;
}

/// Frame positions on the mercenary manager: the ship's picture (the drag's source), the first
/// hire window, DISMISS and EXIT.
constexpr float kMercShip[2] = {-380.0f, -27.0f};
constexpr float kHireWindow[2] = {-348.87f, 392.58f};
constexpr float kHireWindowSize[2] = {230.0f, 120.0f};
constexpr float kDismiss[2] = {-380.0f, -300.0f};
constexpr float kMercExit[2] = {-572.5f, 406.0f};

void Press(XPILOT& p, const float at[2], int hold = 60)
{
    const SHOT s = p.X().Grab();
    int x = 0, y = 0;
    s.FramePixel(at[0], at[1], &x, &y);
    p.X().MoveTo(x + 3, y + 2);
    Sleep(150);
    p.X().MoveTo(x, y);
    Sleep(400);
    p.X().Click(1, hold);
}

void DragBetween(XPILOT& p, const float from[2], const float to[2])
{
    const SHOT s = p.X().Grab();
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    s.FramePixel(from[0], from[1], &x0, &y0);
    s.FramePixel(to[0], to[1], &x1, &y1);
    p.X().Drag(x0, y0, x1, y1);
}

/// F3 opens the mercenary manager; the ship's picture dragged onto the first hire window hires
/// a ship there, the window dragged onto DISMISS lets it go, and EXIT returns to the suit.
int Mercenaries(XPILOT& p)
{
    const SHOT suit = p.X().Grab();
    p.X().Tap("F3", 30);
    Sleep(3000);
    if (!p.X().Cursor().Opaque)
        return Fail(p, "no pointer over the mercenary manager");
    const SHOT free = p.X().Grab();
    const auto window = [&](const SHOT& a, const SHOT& b) {
        return Changed(a, b, kHireWindow[0], kHireWindow[1], kHireWindowSize[0], kHireWindowSize[1]);
    };
    if (window(suit, free) < 0.2f)
        return Fail(p, "F3 did not open the mercenary manager");
    DragBetween(p, kMercShip, kHireWindow);
    Sleep(1500);
    const float hired = window(free, p.X().Grab());
    std::printf("x11-player: %.2f of the hire window changed with the ship dropped on it\n", hired);
    if (hired < 0.1f)
        return Fail(p, "the ship dropped on the hire window hired nothing");
    DragBetween(p, kHireWindow, kDismiss);
    Sleep(2500);
    const float kept = window(free, p.X().Grab());
    std::printf("x11-player: %.2f of the hire window differs from a free one after DISMISS\n", kept);
    if (kept > 0.05f)
        return Fail(p, "the hire window dragged onto DISMISS kept its ship");
    Press(p, kMercExit);
    Sleep(2500);
    if (p.Items() == 0)
        return Fail(p, "EXIT did not return to the suit");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: x11-player WINDOW COMMAND [ARGS]\n");
        return 2;
    }
    if (const char* shots = std::getenv("SCENARIO_SHOTS"))
        g_shots = shots;
    XSESSION x;
    if (!x.Open(::Window(std::strtoul(argv[1], nullptr, 0))))
        return 1;
    XPILOT pilot(x, g_shots);
    const std::string command = argv[2];
    if (command == "shot" && argc > 3)
        return x.Grab().Save(argv[3]) ? 0 : 1;
    if (command == "look") {
        const SIGHT s = pilot.Look();
        std::printf("upper %d lower %d station %.3f at %.1f %.1f items %d\n", s.UpperCells, s.LowerCells, s.Station,
                    s.StationX, s.StationY, pilot.Items());
        return 0;
    }
    if (command == "cursor" && argc > 3) {
        const CURSORLOOK c = x.Cursor();
        const bool visible = c.Opaque >= 20;
        std::printf("x11-player: cursor %dx%d, %d pixels seen\n", c.Width, c.Height, c.Opaque);
        return visible == (std::strcmp(argv[3], "visible") == 0) ? 0 : 1;
    }
    if (command == "board")
        return Board(pilot, argc > 3 && std::strcmp(argv[3], "undocked") == 0);
    if (command == "mercenaries")
        return Mercenaries(pilot);
    if (command == "fly")
        return Fly(pilot);
    if (command == "suit-build") {
        // The generator and the collector-ship dock, each on a joint of its own beam (the
        // generator's joint has no side free for the dock).
        float bearing = NAN;
        for (const char* what : {"generator", "dock"}) {
            if (!pilot.FaceStation())
                return Fail(pilot, "the station never came to the middle of the view");
            // A person tries again (a beam used by a failed try refuses a second joint).
            float side = bearing;
            for (int tries = 1; Build(pilot, "1", &side) != 0; ++tries) {
                if (tries == 3 || !pilot.FaceStation())
                    return Fail(pilot, (std::string("the ") + what + " was not built").c_str());
                side = bearing;
            }
            bearing = side;
        }
        return 0;
    }
    std::fprintf(stderr, "x11-player: unknown command '%s'\n", command.c_str());
    return 2;
}
