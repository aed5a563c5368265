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
    // A comment in the header is no fault.
    write("P6\n# made by hand\n1 1 255\nxyz");
    ASSERT_TRUE(LoadPpm(path, &image));
    EXPECT_EQ(image.rgb[2], 'z');
    std::remove(path.c_str());
}

TEST(ScreenshotReader, ARefusalSaysWhatIsWrongAndWhere)
{
    const std::string path = std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "_bad.ppm";
    const std::pair<std::string, std::string> refused[] = {
        {"P5\n2 1\n255\nab", "is not a binary PPM: it starts with 'P5', not 'P6'"},
        {"P6\n2 x1\n255\nabcdef", "has 'x1' for its height at byte 5"},
        {"P6\n2 1\n", "ends before its maxval"},
        {"P6\n2 1\n65535\nabcdef", "has maxval 65535 at byte 7; only 255 is read"},
        {"P6\n0 4\n255\n", "has a size of 0 x 4, outside 1..16384 on a side"},
        {"P6\n2 1\n255\nabcde", "holds 5 bytes of pixels from byte 11; its 2 x 1 need 6"},
        {"", "is empty"},
    };
    for (const auto& [bytes, what] : refused) {
        std::ofstream(path, std::ios::binary) << bytes;
        Screenshot image;
        std::string error;
        EXPECT_FALSE(LoadPpm(path, &image, &error)) << bytes;
        EXPECT_EQ(error, "'" + path + "' " + what);
    }
    std::remove(path.c_str());
    std::string error;
    Screenshot image;
    EXPECT_FALSE(LoadPpm(path, &image, &error));
    EXPECT_EQ(error, "'" + path + "' cannot be opened: No such file or directory");
}

}  // namespace
