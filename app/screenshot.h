#pragma once
// Frame read-back and image files for the harness.

#include <cstdint>
#include <string>
#include <vector>

/// An RGB image, rows from the top.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
};

/// Reads the display's back buffer (the finished frame before present); empty without a device.
Screenshot ReadFrame();

/// Writes the image as PNG (".png") or binary PPM (any other extension). False on failure.
bool SaveScreenshot(const Screenshot& image, const std::string& path);

/// Reads a binary PPM (P6, maxval 255); false when the file is not one.
bool LoadPpm(const std::string& path, Screenshot* image);
