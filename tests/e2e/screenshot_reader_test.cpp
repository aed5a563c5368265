// The PPM reader used by the image checks trusts no header size the file can't back.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>

#include "app/screenshot.h"

namespace {

TEST(ScreenshotReader, HeaderSizesMustBeBackedByTheFile)
{
    const std::string path = std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "_shot.ppm";
    auto write = [&](const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    };
    Screenshot image;
    write("P6\n16384 16384\n255\n" + std::string(20, 'x'));
    EXPECT_FALSE(LoadPpm(path, &image));
    EXPECT_LT(image.rgb.capacity(), 1000u);

    write("P6\n2 1\n255\n" + std::string(5, 'x'));
    EXPECT_FALSE(LoadPpm(path, &image));
    write("P6\n2 1\n255\nabcdef");
    ASSERT_TRUE(LoadPpm(path, &image));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.rgb[5], 'f');
    std::remove(path.c_str());
}

}  // namespace
