// The headless harness: runs the program's scenes for a number of frames with scripted input
// and saves screenshots, then ends as the program would.
//
//   corvane-harness --frames N [--screenshots DIR] [--every K] [--format png|ppm]
//                   [--fail-at-frame F] [--game]
//
// With --game it runs the program's own game set-up (logo, main menu, and F2 at frame 150 for
// a new game, then the suit turned towards the station from frame 420); without, a small test
// scene.
//
// N is at least 1. Without a display (and without SDL_VIDEODRIVER) it picks the offscreen
// video driver. Time is virtual: every frame advances the counter by one fixed step, so frames
// and screenshots are the same on every machine. The script presses Space halfway through the
// run (the test scene changes its colour); events of the system (a quit from SIGTERM or
// Ctrl-C, the window's close button) pass through beside it. Screenshots are taken every K
// frames (default 100) and at the last frame, as DIR/frame_NNNNN.png; DIR is created.
//
// Exit status: 0 after N frames; 1 after an engine error (--fail-at-frame F raises one at frame
// F), a screenshot or the report line that could not be written; 2 for a bad command line; 3 when a quit from
// the system ended the run early.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "app/harness_scene.h"
#include "app/screenshot.h"
#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/util/qnexception.h"
#include "platform/audio_device.h"
#include "platform/events.h"
#include "platform/system.h"
#include "platform/test_events.h"

namespace {

// One frame of virtual time: 20 ms, the step for which the frame-rate factor Rate is 1.
constexpr std::int64_t kFrameStep = 20000000;
// The counter starts one second in, so that a seed taken from it is never 0.
constexpr std::int64_t kClockStart = 1000000000;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 3;

struct Options {
    long frames = 600;
    long every = 100;
    long failAt = 0;
    std::string screenshots;
    std::string format = "png";
    bool game = false;
};

// Frame of the scripted F2 that starts a new game from the main menu.
constexpr std::uint64_t kGameStartFrame = 150;

// Keys held in the suit once the game runs (loading ends near frame 360): the view turns from
// the starting direction to the station and backs off until the headquarters fills the middle.
struct SuitMove {
    SDL_Keycode key;
    std::uint64_t from, to;
};
constexpr SuitMove kSuitMoves[] = {{SDLK_RIGHT, 420, 428}, {SDLK_UP, 430, 436}, {SDLK_s, 445, 500}};

bool ParseCount(const char* text, long* out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text[0] || *end || v < 0 || v > 100000000)
        return false;
    *out = v;
    return true;
}

bool Parse(int argc, char** argv, Options* o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--game") {
            o->game = true;
            continue;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value)
            return false;
        bool ok = true;
        if (a == "--frames")
            ok = ParseCount(value, &o->frames) && o->frames >= 1;
        else if (a == "--every")
            ok = ParseCount(value, &o->every);
        else if (a == "--fail-at-frame")
            ok = ParseCount(value, &o->failAt);
        else if (a == "--screenshots")
            o->screenshots = value;
        else if (a == "--format")
            o->format = value, ok = o->format == "png" || o->format == "ppm";
        else
            return false;
        if (!ok)
            return false;
        ++i;
    }
    return true;
}

Options g_options;
long g_frame = 0;
bool g_completed = false;       // the last frame ran and the harness asked to quit
bool g_screenshotFailed = false;
std::int64_t g_clock = kClockStart;
PlatformScriptedEvents* g_script = nullptr;
std::function<void()> g_present;

std::int64_t VirtualCounter(void*)
{
    return g_clock;
}

std::uint64_t VirtualMilliseconds()
{
    return static_cast<std::uint64_t>(g_clock / 1000000);
}

void Capture()
{
    char name[64];
    std::snprintf(name, sizeof name, "frame_%05ld.%s", g_frame, g_options.format.c_str());
    const std::string path = g_options.screenshots + "/" + name;
    std::string error;
    if (!SaveScreenshot(ReadFrame(), path, &error)) {
        std::fprintf(stderr, "corvane-harness: could not write %s: %s\n", path.c_str(), error.c_str());
        g_screenshotFailed = true;
        PlatformPostQuit();
    }
}

// Runs in place of the display's present: counts the frame, takes the screenshot from the
// finished frame, moves the virtual clock on by one step, presents, and ends the run after the
// last frame.
void HarnessPresent()
{
    ++g_frame;
    HarnessNoteFrame(g_options.game);
    if (g_options.failAt > 0 && g_frame == g_options.failAt)
        throw QNNODE_EXC(0, "Forced engine error at frame %ld.", g_frame);
    if (!g_options.screenshots.empty() &&
        (g_frame == g_options.frames || (g_options.every > 0 && g_frame % g_options.every == 0)))
        Capture();
    g_clock += kFrameStep;
    if (g_present)
        g_present();
    g_script->Advance();
    if (g_frame >= g_options.frames && !g_completed) {
        g_completed = true;
        PlatformPostQuit();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (!Parse(argc, argv, &g_options)) {
        std::fprintf(stderr,
                     "usage: corvane-harness --frames N (N >= 1) [--screenshots DIR] [--every K] "
                     "[--format png|ppm] [--fail-at-frame F] [--game]\n");
        return kExitUsage;
    }
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!std::getenv("SDL_VIDEODRIVER") && !(x && *x) && !(wayland && *wayland))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!std::getenv("ALSOFT_DRIVERS"))
        setenv("ALSOFT_DRIVERS", "null", 1);

    PlatformSetCounter(&VirtualCounter, nullptr);
    PlatformAudio::SetClock(&VirtualMilliseconds);

    PlatformScriptedEvents script(true);
    g_script = &script;
    script.Install();
    // Down and up in separate frames: a poll that sees both reports only the release.
    if (g_options.game) {
        // The logo gives way to the menu after two seconds (100 frames); F2 starts a new game.
        script.KeyDown(SDLK_F2, KMOD_NONE, kGameStartFrame);
        script.KeyUp(SDLK_F2, KMOD_NONE, kGameStartFrame + 1);
        // In the game, the suit turns to the station and backs away from it: right, nose down,
        // then thrust backwards (events in time order: the script delivers them in turn).
        for (const SuitMove& m : kSuitMoves) {
            script.KeyDown(m.key, KMOD_NONE, m.from);
            script.KeyUp(m.key, KMOD_NONE, m.to);
        }
    } else {
        const auto half = static_cast<std::uint64_t>(g_options.frames / 2);
        script.KeyDown(SDLK_SPACE, KMOD_NONE, half);
        script.KeyUp(SDLK_SPACE, KMOD_NONE, half + 1);
    }

    QNAPP::InstallDefaultHooks();
    g_present = QNAPP::Devices.Present;
    QNAPP::Devices.Present = &HarnessPresent;

    const int status = QNAPP::Main(HarnessSetup(g_options.game), "");
    const double gameTime = QNAPP::GameTimer.Elapsed();
    const float frameTime = QNAPP::dt;
    script.Uninstall();
    PlatformAudio::SetClock(nullptr);
    PlatformSetCounter(nullptr, nullptr);

    // Both read from the engine: the game timer and the frame time of the last frame.
    std::printf("corvane-harness: %ld frames, game time %.3f s, dt %.4f, ", g_frame, gameTime,
                static_cast<double>(frameTime));
    HarnessReport(g_options.game);
    std::printf(", status %d\n", status);
    // The report line is the run's result: a run whose line was lost (stdout full or closed)
    // has not done its job.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "corvane-harness: could not write the report line: %s\n", std::strerror(errno));
        return kExitFailed;
    }
    if (status != 0 || g_screenshotFailed)
        return kExitFailed;
    if (!g_completed) {
        std::fprintf(stderr, "corvane-harness: quit by the system at frame %ld\n", g_frame);
        return kExitInterrupted;
    }
    return 0;
}
