// The soak run: the program's own game played headless on the virtual clock for a number of
// minutes, the computer companies building, earning and fighting, the player growing its station,
// taking the free ship and flying it on a scripted route round the site. Once a virtual minute it
// prints the game's size; at the end it checks that memory stayed flat after the warm-up and that
// node and body counts stayed bounded.
//
//   corvane-soak [--minutes M] [--draw-every K]
//
// Exit status: 0 when the game ran its time and stayed bounded; 1 after an engine error, a game
// that never started or a player's step that failed; 2 for a bad command line; 4 when a bound was broken.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/game_driver.h"
#include "app/game_road.h"
#include "game/world/collship_dock.h"
#include "game/world/company.h"
#include "game/world/game_globals.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitUnbounded = 4;

// Growth allowed between the end of the warm-up and the end of the run. Resident memory moves
// with the allocator's caches and the driver's own buffers, so a few MiB of slack are allowed.
constexpr std::uint64_t kMemorySlackKiB = 24 * 1024;
constexpr double kMemorySlackShare = 0.10;
// Nodes and bodies come and go (debris, ore, missiles, ships); the late maximum may exceed the
// early one by this share plus a constant before the count is called unbounded.
constexpr double kCountSlackShare = 0.5;
constexpr std::uint64_t kCountSlack = 400;

// The player's route: after boarding, the throttle is held up and every leg the ship turns for a
// while, so it flies a loop round the site for the rest of the run.
constexpr std::uint64_t kLegFrames = 15 * kDriverFramesPerSecond;
constexpr std::uint64_t kTurnFrames = 2 * kDriverFramesPerSecond;

bool ParseCount(const char* text, long* out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!text || !text[0] || *end || v < 1 || v > 100000)
        return false;
    *out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    long minutes = 120, drawEvery = 10;
    for (int i = 1; i < argc; i += 2) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = false;
        if (a == "--minutes")
            ok = ParseCount(value, &minutes);
        else if (a == "--draw-every")
            ok = ParseCount(value, &drawEvery);
        if (!ok) {
            std::fprintf(stderr, "usage: corvane-soak [--minutes M] [--draw-every K]\n");
            return kExitUsage;
        }
    }

    const std::uint64_t perMinute = 60ull * kDriverFramesPerSecond;
    // The warm-up: the first quarter of the run, at least one minute.
    const long warmup = std::max(1L, minutes / 4);
    std::vector<GAMESIZE> samples;
    road::ROAD player(road::GrownStationAndFreeShip());
    bool playerFailed = false;
    std::uint64_t routeStart = 0, legs = 0, boardings = 0;
    road::OnFailure = [&](const std::string& step, const std::string& what) {
        std::fprintf(stderr, "corvane-soak: the player's step \"%s\": %s\n", step.c_str(), what.c_str());
        playerFailed = true;
    };
    GAMEDRIVE drive;
    drive.Frames = std::uint64_t(minutes) * perMinute;
    drive.DrawEvery = std::uint32_t(drawEvery);
    drive.OnFrame = [&](std::uint64_t frame, const GAMEDRIVERTIMES& t) {
        if (!player.Finished()) {
            if (!player.Frame() && !player.Finished())
                return false;
        } else if (!routeStart) {
            routeStart = frame;
            road::HoldKey(SDLK_w, 3 * kDriverFramesPerSecond);
        } else if ((frame - routeStart) % kLegFrames == 0 && PlayerCompany->Ship()) {
            ++legs;
            if (PlayerCompany->Mode == COMPANYMODE::SHIP) {
                road::HoldKey(legs % 4 == 0 ? SDLK_UP : SDLK_LEFT, kTurnFrames);
            } else if (PlayerCompany->Dock() && PlayerCompany->Dock()->Holding) {
                road::Key(SDLK_SPACE);  // a lost ship's successor waits at the dock: undock it
            } else {
                // Board it again and open the throttle.
                road::BoardShip();
                ++boardings;
            }
            if (legs % 4 == 1 && PlayerCompany->Mode == COMPANYMODE::SHIP)
                road::HoldKey(SDLK_w, 3 * kDriverFramesPerSecond);
        }
        if (frame % perMinute)
            return true;
        const GAMESIZE s = MeasureGame();
        samples.push_back(s);
        std::printf("minute %4llu  resident %7.1f MiB  nodes %6llu  bodies %5llu  update %.3f ms  "
                    "physics %.3f ms  money",
                    static_cast<unsigned long long>(frame / perMinute), double(s.ResidentKiB) / 1024.0,
                    static_cast<unsigned long long>(s.Nodes), static_cast<unsigned long long>(s.Bodies),
                    1e3 * t.Update / double(t.Frames), 1e3 * t.Physics / double(t.Frames));
        for (COMPANY* c : Companies)
            std::printf(" %.1fM", c ? double(c->Money()) / 1e6 : 0.0);
        GAMENODE* ship = PlayerCompany ? PlayerCompany->Ship() : nullptr;
        if (ship) {
            const QNVEC3 at = ship->GetWorldMatrix().Translation();
            std::printf("  ship at (%.0f, %.0f, %.0f)%s", double(at.x), double(at.y), double(at.z),
                        PlayerCompany->Mode == COMPANYMODE::SHIP ? " aboard" : "");
        } else {
            std::printf("  no ship");
        }
        std::printf("\n");
        std::fflush(stdout);
        return true;
    };
    GAMEDRIVERTIMES times;
    const int status = DriveHeadlessGame(drive, &times);
    if (status != 0) {
        std::fprintf(stderr, "corvane-soak: the game ended with status %d\n", status);
        return status;
    }
    if (playerFailed || !player.Finished()) {
        std::fprintf(stderr, "corvane-soak: the player's route never started (last step: %s)\n",
                     player.Reached().empty() ? "none" : player.Reached().back().c_str());
        return 1;
    }
    if (times.Frames < drive.Frames || samples.size() < std::size_t(minutes)) {
        std::fprintf(stderr, "corvane-soak: the game stopped after %llu of %llu frames\n",
                     static_cast<unsigned long long>(times.Frames),
                     static_cast<unsigned long long>(drive.Frames));
        return 1;
    }

    // Bounds: compare the end of the warm-up with the rest of the run.
    const GAMESIZE& base = samples[std::size_t(warmup) - 1];
    std::uint64_t earlyNodes = 0, earlyBodies = 0, lateNodes = 0, lateBodies = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const bool early = i < std::size_t(warmup);
        (early ? earlyNodes : lateNodes) = std::max(early ? earlyNodes : lateNodes, samples[i].Nodes);
        (early ? earlyBodies : lateBodies) = std::max(early ? earlyBodies : lateBodies, samples[i].Bodies);
    }
    const std::uint64_t endMemory = samples.back().ResidentKiB;
    const auto allowedMemory = std::uint64_t(double(base.ResidentKiB) * (1.0 + kMemorySlackShare)) + kMemorySlackKiB;
    const auto bound = [](std::uint64_t early) { return std::uint64_t(double(early) * (1.0 + kCountSlackShare)) + kCountSlack; };
    bool ok = true;
    if (endMemory > allowedMemory) {
        std::fprintf(stderr, "corvane-soak: resident memory grew from %llu KiB to %llu KiB\n",
                     static_cast<unsigned long long>(base.ResidentKiB), static_cast<unsigned long long>(endMemory));
        ok = false;
    }
    if (lateNodes > bound(earlyNodes) || lateBodies > bound(earlyBodies)) {
        std::fprintf(stderr, "corvane-soak: counts grew: nodes %llu -> %llu, bodies %llu -> %llu\n",
                     static_cast<unsigned long long>(earlyNodes), static_cast<unsigned long long>(lateNodes),
                     static_cast<unsigned long long>(earlyBodies), static_cast<unsigned long long>(lateBodies));
        ok = false;
    }
    std::printf("corvane-soak: the player boarded a new ship %llu times on its route\n",
                static_cast<unsigned long long>(boardings));
    std::printf("corvane-soak: %ld minutes, %llu frames; game update %.3f ms, physics %.3f ms, draw %.3f ms "
                "per frame; resident %.1f -> %.1f MiB; %s\n",
                minutes, static_cast<unsigned long long>(times.Frames), 1e3 * times.Update / double(times.Frames),
                1e3 * times.Physics / double(times.Frames),
                times.DrawnFrames ? 1e3 * times.Draw / double(times.DrawnFrames) : 0.0,
                double(base.ResidentKiB) / 1024.0, double(endMemory) / 1024.0, ok ? "bounded" : "UNBOUNDED");
    return ok ? 0 : kExitUnbounded;
}
