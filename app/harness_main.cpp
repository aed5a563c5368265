// The headless harness: runs the program's scenes for a number of frames with scripted input
// and saves screenshots, then ends as the program would.
//
//   corvane-harness --frames N [--screenshots DIR] [--every K] [--format png|ppm]
//                   [--fail-at-frame F]
//
// Without a display (and without SDL_VIDEODRIVER) it picks the offscreen video driver. The
// script presses Space halfway through the run (the test scene changes its colour). Screenshots
// are taken every K frames (default 100) and at the last frame, as DIR/frame_NNNNN.png. With
// --fail-at-frame an engine error is raised at that frame, to exercise the error exit.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "app/screenshot.h"
#include "app/test_scene.h"
#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/util/qnexception.h"
#include "platform/events.h"
#include "platform/test_events.h"

namespace {

struct Options {
    long frames = 600;
    long every = 100;
    long failAt = 0;
    std::string screenshots;
    std::string format = "png";
};

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
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value)
            return false;
        bool ok = true;
        if (a == "--frames")
            ok = ParseCount(value, &o->frames);
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
PlatformScriptedEvents* g_script = nullptr;
std::function<void()> g_present;

void Capture()
{
    const Screenshot image = ReadFrame();
    char name[64];
    std::snprintf(name, sizeof name, "/frame_%05ld.%s", g_frame, g_options.format.c_str());
    const std::string path = g_options.screenshots + name;
    if (!SaveScreenshot(image, path))
        std::fprintf(stderr, "corvane-harness: could not write %s\n", path.c_str());
}

// Runs in place of the display's present: counts the frame, takes the screenshot from the
// finished frame, presents, and ends the run after the last frame.
void HarnessPresent()
{
    ++g_frame;
    if (g_options.failAt > 0 && g_frame == g_options.failAt)
        throw QNNODE_EXC(0, "Forced engine error at frame %ld.", g_frame);
    if (!g_options.screenshots.empty() &&
        (g_frame == g_options.frames || (g_options.every > 0 && g_frame % g_options.every == 0)))
        Capture();
    if (g_present)
        g_present();
    g_script->Advance();
    if (g_frame >= g_options.frames)
        PlatformPostQuit();
}

}  // namespace

int main(int argc, char** argv)
{
    if (!Parse(argc, argv, &g_options)) {
        std::fprintf(stderr,
                     "usage: corvane-harness --frames N [--screenshots DIR] [--every K] "
                     "[--format png|ppm] [--fail-at-frame F]\n");
        return 2;
    }
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!std::getenv("SDL_VIDEODRIVER") && !(x && *x) && !(wayland && *wayland))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!std::getenv("ALSOFT_DRIVERS"))
        setenv("ALSOFT_DRIVERS", "null", 1);

    PlatformScriptedEvents script(false);
    g_script = &script;
    script.Install();
    // Down and up in separate frames: a poll that sees both reports only the release.
    const auto half = static_cast<std::uint64_t>(g_options.frames / 2);
    script.KeyDown(SDLK_SPACE, KMOD_NONE, half);
    script.KeyUp(SDLK_SPACE, KMOD_NONE, half + 1);

    QNAPP::InstallDefaultHooks();
    g_present = QNAPP::Devices.Present;
    QNAPP::Devices.Present = &HarnessPresent;

    const int status = QNAPP::Main(&testscene::Setup, "");
    script.Uninstall();
    const float* c = testscene::ClearColour();
    std::printf("corvane-harness: %ld frames, clear colour %.2f %.2f %.2f, status %d\n", g_frame, c[0], c[1],
                c[2], status);
    return status;
}
