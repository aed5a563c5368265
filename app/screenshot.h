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

/// Writes the image as PNG (".png") or binary PPM (any other extension). The folder is created
/// when missing; the bytes go to a temporary name beside the file, renamed over it once
/// complete, so a reader never sees a partial file and a failure leaves no file behind. False on
/// failure, with the reason (the system's error text) in *error when given.
bool SaveScreenshot(const Screenshot& image, const std::string& path, std::string* error = nullptr);

/// Reads a binary PPM (P6, maxval 255; '#' comments in the header). False when the file is not
/// one, with what is wrong and where (the field, its byte offset) in *error when given.
bool LoadPpm(const std::string& path, Screenshot* image, std::string* error = nullptr);
