#pragma once
// What a player reads off the game's picture: the HUD's message lines (their text's width in
// character cells: the HUD font is monospaced, so "Beam" is 4 cells, "Headquarters" 12), the
// player's station (its blue hull and its dimmer frame of beams and joints), the inventory.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "tests/e2e/x11/x_session.h"

namespace xplay {

/// The HUD's text, reticle, frames and the ship's pointer arrow: one orange.
inline bool IsHudOrange(RGB c)
{
    return c.R > 120 && c.B < 70 && c.R > c.G + 30 && c.G * 10 > c.R * 4;  // not the HUD's reds
}

/// The player's station, crew and ship in light (the computer companies' are other colours).
inline bool IsStationBlue(RGB c)
{
    return c.B > 140 && c.B > c.R + 60 && c.B > c.G + 60;
}

/// The station's frame (beams and joints) in its shade: a dim blue-grey lattice, greyer than the
/// rocks (which are redder) and darker than the lit hull.
inline bool IsFrameShade(RGB c)
{
    return c.B >= 80 && c.B <= 175 && c.B - c.R >= 20 && c.R - c.G >= -4 && c.R - c.G <= 8 && c.R >= 24;
}

/// Width in character cells (20 frame units each) of the HUD text in the band of frame rows
/// `y0`-`y1`, x within +-`reach`; 0 without text.
inline int TextCells(const SHOT& s, float y0, float y1, float reach = 560.0f)
{
    int l = 0, t = 0, r = 0, b = 0;
    s.FramePixel(-reach, y1, &l, &t);
    s.FramePixel(reach, y0, &r, &b);
    int first = -1, last = -1;
    for (int px = l; px <= r; ++px)
        for (int py = t; py <= b; ++py)
            if (IsHudOrange(s.At(px, py))) {
                if (first < 0)
                    first = px;
                last = px;
                break;
            }
    if (first < 0)
        return 0;
    const float units = float(last - first + 1) / s.Scale();
    return int(units / 20.0f + 0.6f);
}

/// The view's middle, clear of the HUD's edges (the inventory, meters and money).
inline constexpr float kViewHalfWidth = 520.0f;
inline constexpr float kViewHalfHeight = 380.0f;

struct SIGHT {
    int UpperCells = 0;   ///< the suit's upper message line
    int LowerCells = 0;   ///< the lower line: the part in the sights, or what a placement met
    float Station = 0;    ///< share of the view's middle that shows the lit station
    float StationX = 0;   ///< the lit station's centre in the frame (units, y up)
    float StationY = 0;
};

/// The suit's message lines lie below the reticle (whose frame ends 52 units down).
inline SIGHT Look(const SHOT& shot)
{
    SIGHT s;
    s.UpperCells = TextCells(shot, -68.0f, -54.0f);
    s.LowerCells = TextCells(shot, -88.0f, -72.0f);
    int l = 0, t = 0, r = 0, b = 0;
    shot.FramePixel(-kViewHalfWidth, kViewHalfHeight, &l, &t);
    shot.FramePixel(kViewHalfWidth, -kViewHalfHeight, &r, &b);
    long long n = 0, sx = 0, sy = 0, all = 0;
    for (int py = t; py < b; py += 2)
        for (int px = l; px < r; px += 2) {
            ++all;
            if (IsStationBlue(shot.At(px, py))) {
                ++n;
                sx += px;
                sy += py;
            }
        }
    if (all > 0)
        s.Station = float(n) / float(all);
    if (n > 0)
        shot.PixelFrame(float(sx) / float(n), float(sy) / float(n), &s.StationX, &s.StationY);
    return s;
}

/// How many pixels of screen rectangle `b` pass `test`.
template <class TEST>
int CountIn(const SHOT& shot, const BOX& b, TEST test)
{
    int n = 0;
    for (int y = b.Y; y < b.Y + b.H; ++y)
        for (int x = b.X; x < b.X + b.W; ++x)
            n += test(shot.At(x, y)) ? 1 : 0;
    return n;
}

/// The suit HUD's boarding sign above the reticle (it blinks while the ship can be boarded).
inline bool ShowsBoardingSign(const SHOT& shot)
{
    const BOX b = shot.FrameBox(0.0f, 170.0f, 180.0f, 130.0f);
    return CountIn(shot, b, IsHudOrange) * 5 > b.W * b.H;
}

/// The ship HUD's throttle gauge at the right: its two green arrows (the speed and the setting)
/// ride up a bar. The lowest and highest frame row (y up) the arrows show at; false without them.
inline bool ThrottleArrows(const SHOT& shot, float* lowest, float* highest)
{
    const BOX b = shot.FrameBox(590.0f, -90.0f, 130.0f, 320.0f);
    int low = -1, high = -1;
    for (int y = b.Y; y < b.Y + b.H; ++y) {
        int n = 0;
        for (int x = b.X; x < b.X + b.W; ++x) {
            const RGB c = shot.At(x, y);
            n += c.G > 150 && c.R < 140 && c.B < 140 ? 1 : 0;
        }
        if (n >= 3) {
            if (high < 0)
                high = y;
            low = y;
        }
    }
    if (low < 0)
        return false;
    float x = 0;
    shot.PixelFrame(0, float(low), &x, lowest);
    shot.PixelFrame(0, float(high), &x, highest);
    return true;
}

/// Share (0-1) of the frame rectangle at (cx, cy) of size w x h whose pixels differ by more than
/// `by` (0-255, any channel) between two shots.
inline float Changed(const SHOT& a, const SHOT& b, float cx, float cy, float w, float h, int by = 40)
{
    const BOX box = a.FrameBox(cx, cy, w, h);
    long long n = 0, all = 0;
    for (int y = box.Y; y < box.Y + box.H; y += 2)
        for (int x = box.X; x < box.X + box.W; x += 2) {
            const RGB p = a.At(x, y), q = b.At(x, y);
            ++all;
            n += std::abs(p.R - q.R) > by || std::abs(p.G - q.G) > by || std::abs(p.B - q.B) > by ? 1 : 0;
        }
    return all ? float(n) / float(all) : 0.0f;
}

/// The same over the view's middle.
inline float Changed(const SHOT& a, const SHOT& b, int by = 40)
{
    return Changed(a, b, 0.0f, 0.0f, 2.0f * kViewHalfWidth, 2.0f * kViewHalfHeight, by);
}

/// A spot of the picture in frame units (y up) with how much of what was looked for it holds.
struct SPOT {
    float X = 0, Y = 0;
    int Count = 0;
};

inline float Distance(const SPOT& a, float x, float y)
{
    return std::hypot(a.X - x, a.Y - y);
}

/// Cells of `cell` pixels across the view's middle that hold at least `least` pixels for which
/// `test` holds (and, with `clear` > 0, none within `clear` pixels for which `avoid` holds).
template <class TEST, class AVOID>
std::vector<SPOT> Spots(const SHOT& shot, TEST test, AVOID avoid, int clear, int cell = 12, int least = 20)
{
    int l = 0, t = 0, r = 0, b = 0;
    shot.FramePixel(-kViewHalfWidth, kViewHalfHeight, &l, &t);
    shot.FramePixel(kViewHalfWidth, -kViewHalfHeight, &r, &b);
    std::vector<SPOT> spots;
    for (int cy = t; cy + cell <= b; cy += cell)
        for (int cx = l; cx + cell <= r; cx += cell) {
            int n = 0;
            for (int py = cy; py < cy + cell; ++py)
                for (int px = cx; px < cx + cell; ++px)
                    n += test(shot.At(px, py)) ? 1 : 0;
            if (n < least)
                continue;
            bool near = false;
            for (int py = cy - clear; py < cy + cell + clear && !near && clear > 0; py += 2)
                for (int px = cx - clear; px < cx + cell + clear && !near; px += 2)
                    near = avoid(shot.At(px, py));
            if (near)
                continue;
            SPOT s;
            shot.PixelFrame(float(cx) + float(cell) / 2, float(cy) + float(cell) / 2, &s.X, &s.Y);
            s.Count = n;
            spots.push_back(s);
        }
    return spots;
}

/// The spot nearest (x, y), if any lies within `reach` units.
inline const SPOT* Nearest(const std::vector<SPOT>& spots, float x, float y, float reach = 1e9f)
{
    const SPOT* best = nullptr;
    for (const SPOT& s : spots)
        if (Distance(s, x, y) < reach && (!best || Distance(s, x, y) < Distance(*best, x, y)))
            best = &s;
    return best;
}

}  // namespace xplay
