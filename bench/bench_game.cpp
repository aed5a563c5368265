// Frame time of a grown game: the program's own game, run headless on the virtual clock until
// the four companies have played for a while (30 virtual minutes by default, or
// CORVANE_BENCH_WARMUP_MINUTES), then timed over a window of frames that are all drawn. The
// game update, the physics step and the draw submission are reported apart, in milliseconds per
// frame; the render device is the offscreen one.

#include <benchmark/benchmark.h>

#include <cstdlib>

#include "app/game_driver.h"

namespace {

// Frames skip their draw during the warm-up: only the game's state matters there.
constexpr std::uint32_t kWarmupDrawEvery = 1000;
constexpr std::uint64_t kWindowFrames = 3000;

std::uint64_t WarmupFrames()
{
    long minutes = 30;
    if (const char* v = std::getenv("CORVANE_BENCH_WARMUP_MINUTES")) {
        char* end = nullptr;
        const long m = std::strtol(v, &end, 10);
        if (*v && !*end && m >= 0 && m <= 1000)
            minutes = m;
    }
    return std::uint64_t(minutes) * 60 * kDriverFramesPerSecond;
}

void BM_GrownGameFrame(benchmark::State& state)
{
    for (auto _ : state) {
        const std::uint64_t warmup = WarmupFrames();
        GAMEDRIVERTIMES atWindow;
        GAMESIZE size;
        GAMEDRIVE drive;
        drive.Frames = warmup + kWindowFrames;
        drive.DrawEvery = warmup ? kWarmupDrawEvery : 1;
        drive.OnFrame = [&](std::uint64_t frame, const GAMEDRIVERTIMES& t) {
            if (frame == warmup) {
                atWindow = t;
                size = MeasureGame();
                drive.DrawEvery = 1;
            }
            return true;
        };
        GAMEDRIVERTIMES end;
        if (DriveHeadlessGame(drive, &end) != 0 || end.Frames < drive.Frames) {
            state.SkipWithError("the game did not run its frames");
            return;
        }
        const double frames = double(end.Frames - atWindow.Frames);
        const double drawn = double(end.DrawnFrames - atWindow.DrawnFrames);
        const double update = 1e3 * (end.Update - atWindow.Update) / frames;
        const double physics = 1e3 * (end.Physics - atWindow.Physics) / frames;
        const double draw = drawn > 0 ? 1e3 * (end.Draw - atWindow.Draw) / drawn : 0.0;
        state.SetIterationTime((update + physics + draw) * 1e-3);
        state.counters["update_ms"] = update;
        state.counters["physics_ms"] = physics;
        state.counters["draw_ms"] = draw;
        state.counters["game_and_physics_ms"] = update + physics;
        state.counters["nodes"] = double(size.Nodes);
        state.counters["bodies"] = double(size.Bodies);
    }
}
// The engine runs once per process, so the benchmark runs one iteration.
BENCHMARK(BM_GrownGameFrame)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
