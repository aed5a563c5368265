#include "tests/e2e/x11/x_pilot.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

namespace xplay {

namespace {

/// Frame units the view turns per pixel of pointer motion at a 1024-pixel-wide picture (the game
/// scales motion by its back buffer's width over the picture's); corrected by what is seen.
constexpr float kPointerGain = 26.0f;
/// Time for a turn to die out after the last input (the suit's angular damping).
constexpr int kCoastMs = 700;
/// The biggest pointer move sent at once (larger ones meet the suit's turn limit).
constexpr int kMaxMove = 8;

/// How far round the station (radians, in the picture) from a beam used before a new one lies.
constexpr float kAvoidBearing = 1.0f;

/// Share of an inventory place's box its orange frame covers when the place shows an item.
constexpr float kShownShare = 0.04f;

}  // namespace

SIGHT XPILOT::Look()
{
    return xplay::Look(x_.Grab());
}

void XPILOT::Keep(const std::string& name)
{
    if (shots_.empty())
        return;
    char file[64];
    std::snprintf(file, sizeof file, "/x-%03d-%s.ppm", ++kept_, name.c_str());
    x_.Grab().Save(shots_ + file);
}

bool XPILOT::FaceStation(float tolerance, int tries)
{
    for (int i = 0; i < tries; ++i) {
        const SIGHT s = Look();
        if (s.Station < 0.003f) {
            x_.Tap("Right", 1);  // look round for it
        } else {
            const bool across = std::fabs(s.StationX) > tolerance, upDown = std::fabs(s.StationY) > tolerance;
            if (!across && !upDown)
                return true;
            // The view turns right with Right; with Up its nose goes down (what is below rises).
            if (across)
                x_.Tap(s.StationX > 0 ? "Right" : "Left", 1);
            if (upDown)
                x_.Tap(s.StationY < 0 ? "Up" : "Down", 1);
        }
        Sleep(kCoastMs);
    }
    return false;
}

bool XPILOT::AimAt(const PICK& pick, float tolerance, int tries)
{
    if (gain_ <= 0.0f)
        gain_ = kPointerGain * 1024.0f / float(std::max(1, x_.Picture().W));
    std::optional<SPOT> last;
    int dx = 0, dy = 0;
    for (int i = 0; i < tries; ++i) {
        const SHOT shot = x_.Grab();
        SPOT expected;
        if (last) {
            expected = *last;
            expected.X -= float(dx) * gain_;
            expected.Y += float(dy) * gain_;
        }
        const std::optional<SPOT> t = pick(shot, last ? &expected : nullptr);
        if (!t)
            return false;
        if (last && std::abs(dx) + std::abs(dy) >= 3) {
            const float moved = std::hypot(last->X - t->X, last->Y - t->Y) / std::hypot(float(dx), float(dy));
            gain_ = std::clamp(0.5f * gain_ + 0.5f * moved, 6.0f, 90.0f);
        }
        last = t;
        if (std::hypot(t->X, t->Y) < tolerance) {
            // Still there once the turn has died out.
            Sleep(kCoastMs / 2);
            const std::optional<SPOT> again = pick(x_.Grab(), &*t);
            if (again && std::hypot(again->X, again->Y) < tolerance)
                return true;
            dx = dy = 0;
            last = again;
            if (!last)
                return false;
            continue;
        }
        dx = std::clamp(int(std::lround(t->X / gain_)), -kMaxMove, kMaxMove);
        dy = std::clamp(int(std::lround(-t->Y / gain_)), -kMaxMove, kMaxMove);
        if (dx == 0 && dy == 0) {
            dx = std::fabs(t->X) > std::fabs(t->Y) ? (t->X > 0 ? 1 : -1) : 0;
            dy = dx == 0 ? (t->Y > 0 ? -1 : 1) : 0;
        }
        x_.MoveBy(dx, dy);
        Sleep(kCoastMs);
    }
    return false;
}

void XPILOT::TurnBy(float x, float y)
{
    if (gain_ <= 0.0f)
        gain_ = kPointerGain * 1024.0f / float(std::max(1, x_.Picture().W));
    int dx = int(std::lround(x / gain_)), dy = int(std::lround(-y / gain_));
    while (dx || dy) {
        const int sx = std::clamp(dx, -kMaxMove, kMaxMove), sy = std::clamp(dy, -kMaxMove, kMaxMove);
        x_.MoveBy(sx, sy);
        dx -= sx;
        dy -= sy;
        Sleep(40);
    }
    Sleep(kCoastMs);
}

int XPILOT::Items()
{
    const SHOT s = x_.Grab();
    int shown = 0;
    for (int i = 0; i < 5; ++i) {
        const BOX b = s.FrameBox(606.5f, 440.0f - 110.0f * float(i), 100.0f, 100.0f);
        if (float(CountIn(s, b, IsHudOrange)) > kShownShare * float(b.W * b.H))
            ++shown;
    }
    return shown;
}

float BearingFromStation(const SHOT& shot, float x, float y)
{
    const SIGHT s = xplay::Look(shot);
    return std::atan2(y - s.StationY, x - s.StationX);
}

std::optional<SPOT> PickFrame(const SHOT& shot, const SPOT* last, float beyond, float avoid)
{
    std::vector<SPOT> spots = Spots(shot, IsFrameShade, IsStationBlue, 6);
    if (!last) {
        const SIGHT sight = xplay::Look(shot);
        std::erase_if(spots, [&](const SPOT& s) {
            const float bearing = std::atan2(s.Y - sight.StationY, s.X - sight.StationX);
            const float off = std::fabs(std::remainder(bearing - avoid, 2.0f * float(M_PI)));
            return std::hypot(s.X, s.Y) < beyond || (!std::isnan(avoid) && off < kAvoidBearing);
        });
    }
    const SPOT* s = last ? Nearest(spots, last->X, last->Y, 150.0f) : Nearest(spots, 0, 0);
    return s ? std::optional<SPOT>(*s) : std::nullopt;
}

namespace {

constexpr int kCell = 12;

/// Patches of neighbouring cells (kCell pixels) of the view's middle for which `cell(x, y)`
/// holds, given by their middle and their cell count.
template <class CELL>
std::vector<SPOT> Patches(const SHOT& shot, CELL cell)
{
    int l = 0, t = 0, r = 0, b = 0;
    shot.FramePixel(-kViewHalfWidth, kViewHalfHeight, &l, &t);
    shot.FramePixel(kViewHalfWidth, -kViewHalfHeight, &r, &b);
    std::map<std::pair<int, int>, bool> cells;  // cell corner -> taken into a patch
    for (int cy = t; cy + kCell <= b; cy += kCell)
        for (int cx = l; cx + kCell <= r; cx += kCell)
            if (cell(cx, cy))
                cells[{cx, cy}] = false;
    std::vector<SPOT> patches;
    for (auto& [corner, taken] : cells) {
        if (taken)
            continue;
        taken = true;
        std::vector<std::pair<int, int>> stack = {corner};
        float sx = 0, sy = 0;
        int n = 0;
        while (!stack.empty()) {
            const auto c = stack.back();
            stack.pop_back();
            sx += float(c.first + kCell / 2);
            sy += float(c.second + kCell / 2);
            ++n;
            for (int ny = -1; ny <= 1; ++ny)
                for (int nx = -1; nx <= 1; ++nx) {
                    const auto it = cells.find({c.first + nx * kCell, c.second + ny * kCell});
                    if (it != cells.end() && !it->second) {
                        it->second = true;
                        stack.push_back(it->first);
                    }
                }
        }
        SPOT s;
        shot.PixelFrame(sx / float(n), sy / float(n), &s.X, &s.Y);
        s.Count = n;
        patches.push_back(s);
    }
    return patches;
}

int CountIn(const SHOT& shot, int cx, int cy, bool (*test)(RGB))
{
    return xplay::CountIn(shot, BOX{cx, cy, kCell, kCell}, test);
}

}  // namespace

std::optional<SPOT> PickPart(const SHOT& shot, const SPOT* last, int most)
{
    std::vector<SPOT> patches = Patches(shot, [&](int cx, int cy) { return CountIn(shot, cx, cy, IsStationBlue) >= 30; });
    std::erase_if(patches, [&](const SPOT& s) { return s.Count > most || s.Count < 2; });
    const SPOT* s = last ? Nearest(patches, last->X, last->Y, 120.0f) : Nearest(patches, 0, 0);
    return s ? std::optional<SPOT>(*s) : std::nullopt;
}

std::vector<SPOT> NewParts(const SHOT& before, const SHOT& after, const SHOT& later)
{
    // New in light, and still there a moment later (the crew drift about; a part does not).
    std::vector<SPOT> patches = Patches(after, [&](int cx, int cy) {
        return CountIn(after, cx, cy, IsStationBlue) >= 40 && CountIn(later, cx, cy, IsStationBlue) >= 40 &&
               CountIn(before, cx, cy, IsStationBlue) <= 10;
    });
    std::erase_if(patches, [](const SPOT& p) { return p.Count < 3; });
    std::sort(patches.begin(), patches.end(), [](const SPOT& a, const SPOT& b) { return a.Count > b.Count; });
    return patches;
}

}  // namespace xplay
