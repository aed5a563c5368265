// The screenshot reader: loads the input as a PPM; a refusal must say why, and an image it
// reads must write out and read again to the same pixels.

#include "app/screenshot.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::WriteScratch(data, size, ".ppm");
    Screenshot image;
    std::string error;
    if (!LoadPpm(path, &image, &error)) {
        fuzz::Require(error.rfind("'" + path + "' ", 0) == 0 && error.size() > path.size() + 3,
                      "a refusal names the file and what is wrong");
        return 0;
    }
    fuzz::Require(image.rgb.size() == std::size_t(image.width) * std::size_t(image.height) * 3,
                  "an image holds its pixels");
    static const std::string copy = fuzz::ScratchFolder() + "/again.ppm";
    fuzz::Require(SaveScreenshot(image, copy, &error), "an image read writes out");
    Screenshot again;
    fuzz::Require(LoadPpm(copy, &again, &error), "an image written reads again");
    fuzz::Require(again.width == image.width && again.height == image.height && again.rgb == image.rgb,
                  "an image reads back to the same pixels");
    return 0;
}
