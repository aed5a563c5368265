#include "app/game_driver.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "app/game_setup.h"
#include "engine/app/qnapp.h"
#include "engine/app/qnapp_hooks.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "engine/scene/node_chain.h"
#include "engine/util/qnapp_state.h"
#include "game/world/game_globals.h"
#include "platform/audio_device.h"
#include "platform/events.h"
#include "platform/system.h"
#include "platform/test_events.h"

namespace {

constexpr std::int64_t kFrameStep = 20000000;     // 20 ms on the 1 GHz virtual counter
constexpr std::int64_t kClockStart = 1000000000;  // one second in: a seed read from it is never 0
constexpr std::uint64_t kNewGamePass = 150;       // the menu is up after the logo's two seconds
// Passes allowed for the logo, the menu and the load screen before the run counts as failed.
constexpr std::uint64_t kStartLimit = 3000;

struct DRIVERSTATE {
    GAMEDRIVE* Drive = nullptr;
    GAMEDRIVERTIMES Times;
    PlatformScriptedEvents* Script = nullptr;
    std::function<void()> Update, Render, PostUpdate, Present;
    std::int64_t Clock = kClockStart;
    std::uint64_t Passes = 0;
    bool Started = false;
    bool Ended = false;
    bool Drawn = false;  ///< this frame was rendered
};

DRIVERSTATE* g_state = nullptr;

bool InGame()
{
    return QNSCENE::Current && QNSCENE::Current == GameScenes.Space && PlayerCompany;
}

template <class F>
double Timed(const F& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    if (f)
        f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void TimedUpdate()
{
    const double t = Timed(g_state->Update);
    if (g_state->Started)
        g_state->Times.Update += t;
}

void TimedRender()
{
    DRIVERSTATE& s = *g_state;
    const std::uint32_t every = s.Drive->DrawEvery ? s.Drive->DrawEvery : 1;
    s.Drawn = !s.Started || (s.Times.Frames + 1) % every == 0;
    if (!s.Drawn)
        return;
    const double t = Timed(s.Render);
    if (s.Started) {
        s.Times.Draw += t;
        ++s.Times.DrawnFrames;
    }
}

void TimedPostUpdate()
{
    const double t = Timed(g_state->PostUpdate);
    if (g_state->Started)
        g_state->Times.Physics += t;
}

void DriverPresent()
{
    DRIVERSTATE& s = *g_state;
    ++s.Passes;
    s.Clock += kFrameStep;
    if (s.Drawn) {
        if (s.Drive->BeforePresent)
            s.Drive->BeforePresent();
        if (s.Present)
            s.Present();
    } else {
        // A frame not drawn has nothing to show, but the frame clock still ticks.
        QNFRAMESTATS::Tick();
    }
    s.Script->Advance();
    if (s.Ended)
        return;
    if (!s.Started) {
        s.Started = InGame();
        if (!s.Started && s.Drive->OnStartPass)
            s.Drive->OnStartPass(s.Passes);
        if (!s.Started && s.Passes > kStartLimit) {
            std::fprintf(stderr, "game driver: the game did not start within %llu frames\n",
                         static_cast<unsigned long long>(kStartLimit));
            s.Ended = true;
            PlatformPostQuit();
        }
        return;
    }
    ++s.Times.Frames;
    bool more = s.Times.Frames < s.Drive->Frames;
    if (s.Drive->OnFrame && !s.Drive->OnFrame(s.Times.Frames, s.Times))
        more = false;
    if (!more) {
        s.Ended = true;
        PlatformPostQuit();
    }
}

std::int64_t VirtualCounter(void*)
{
    return g_state->Clock;
}

// A wait outside the frame loop (a screen waiting out its button sound) passes virtual time.
void VirtualSleep(double seconds, void*)
{
    g_state->Clock += static_cast<std::int64_t>(seconds * 1e9);
}

std::uint64_t VirtualMilliseconds()
{
    return static_cast<std::uint64_t>(g_state->Clock / 1000000);
}

std::uint64_t ResidentKiB()
{
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return 0;
    unsigned long long size = 0, resident = 0;
    const int n = std::fscanf(f, "%llu %llu", &size, &resident);
    std::fclose(f);
    return n == 2 ? resident * 4 : 0;
}

}  // namespace

int DriveHeadlessGame(GAMEDRIVE& drive, GAMEDRIVERTIMES* times)
{
    if (!std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!std::getenv("ALSOFT_DRIVERS"))
        setenv("ALSOFT_DRIVERS", "null", 1);

    DRIVERSTATE state;
    state.Drive = &drive;
    g_state = &state;
    PlatformSetCounter(&VirtualCounter, nullptr);
    PlatformSetSleep(&VirtualSleep, nullptr);
    PlatformAudio::SetClock(&VirtualMilliseconds);
    PlatformScriptedEvents script(true);
    state.Script = &script;
    script.Install();
    script.KeyDown(SDLK_F2, KMOD_NONE, kNewGamePass);
    script.KeyUp(SDLK_F2, KMOD_NONE, kNewGamePass + 1);

    QNAPP::InstallDefaultHooks();
    state.Update = QNAPP::Scenes.Update;
    state.Render = QNAPP::Scenes.Render;
    state.PostUpdate = QNAPP::Scenes.PostUpdate;
    state.Present = QNAPP::Devices.Present;
    QNAPP::Scenes.Update = &TimedUpdate;
    QNAPP::Scenes.Render = &TimedRender;
    QNAPP::Scenes.PostUpdate = &TimedPostUpdate;
    QNAPP::Devices.Present = &DriverPresent;

    int status = QNAPP::Main(&CreateGame, "");
    if (status == 0 && !state.Started)
        status = 1;
    script.Uninstall();
    PlatformAudio::SetClock(nullptr);
    PlatformSetSleep(nullptr, nullptr);
    PlatformSetCounter(nullptr, nullptr);
    if (times)
        *times = state.Times;
    g_state = nullptr;
    return status;
}

PlatformScriptedEvents* DriverScript()
{
    return g_state ? g_state->Script : nullptr;
}

GAMESIZE MeasureGame()
{
    GAMESIZE size;
    QNITEM* root = &QNSCENE::SceneRoot();
    for (QNITEM* i = QNITEM::Next(root, root); i; i = QNITEM::Next(root, i))
        ++size.Nodes;
    for (QNITEM* s = root->FirstChild(); s; s = s->Next()) {
        auto* scene = dynamic_cast<QNSCENE*>(s);
        if (!scene)
            continue;
        for (std::uint32_t v = 0; v < scene->ViewCount; ++v) {
            QNVIEW* view = scene->GetView(v);
            if (!view)
                continue;
            if (view->World)
                size.Bodies += std::uint64_t(view->World->BodyCount());
            // A view's nodes hang under its own root, outside the scene tree.
            for (QNITEM *root = view->Root, *i = root; i; i = QNITEM::Next(root, i))
                ++size.Nodes;
        }
    }
    size.ResidentKiB = ResidentKiB();
    return size;
}
