#pragma once
// A real OpenGL display on a hidden window (headless under SDL_VIDEODRIVER=offscreen),
// with helpers that read the back buffer by regions.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/render/qndisplay.h"
#include "platform/window.h"

class GlDisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
        ASSERT_TRUE(PlatformWindowCreate("render test", 160, 120)) << SDL_GetError();
        QNDISPLAYSETTINGS req;
        req.Width = 160;
        req.Height = 120;
        QNGRFDEV::Create(req);
        QNDISPLAY::OpenWindowed();
    }
    void TearDown() override {
        QNDISPLAY::Close();
        QNGRFDEV::Release();
        PlatformWindowDestroy();
    }

    void Grab() { ASSERT_TRUE(QNDISPLAY::ReadBack(pixels_, width_, height_)); }

    std::uint32_t Pixel(std::uint32_t x, std::uint32_t y) const { return pixels_[size_t(y) * width_ + x]; }

    // Every pixel of the rectangle is within tol of the colour in each of r, g, b.
    bool RegionIs(std::uint32_t x0, std::uint32_t y0, std::uint32_t x1, std::uint32_t y1, std::uint32_t rgb,
                  int tol = 3) const {
        for (std::uint32_t y = y0; y < y1; ++y)
            for (std::uint32_t x = x0; x < x1; ++x)
                if (!Near(Pixel(x, y), rgb, tol)) return false;
        return true;
    }

    static bool Near(std::uint32_t a, std::uint32_t b, int tol) {
        for (int s = 0; s < 24; s += 8) {
            int d = int((a >> s) & 0xFF) - int((b >> s) & 0xFF);
            if (d < -tol || d > tol) return false;
        }
        return true;
    }

    static int Red(std::uint32_t c) { return int((c >> 16) & 0xFF); }
    static int Green(std::uint32_t c) { return int((c >> 8) & 0xFF); }
    static int Blue(std::uint32_t c) { return int(c & 0xFF); }

    std::vector<std::uint32_t> pixels_;
    std::uint32_t width_ = 0, height_ = 0;
};
