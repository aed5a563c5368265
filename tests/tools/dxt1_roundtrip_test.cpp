// The DXT1 writer's blocks decoded back by the engine's own DDS reader match the source image.

#include <cstdint>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/dds.h"
#include "tools/media_formats.h"

namespace {

int Channel(std::uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

TEST(Dxt1Writer, BlocksDecodeBackToTheSourceOpaque)
{
    // Blocks of one colour, of two colours, and of a four-step ramp between two colours: every
    // one of them a DXT1 block holds up to the 5-6-5 precision of its end colours.
    const std::uint32_t ends[][2] = {{0xFFFF0000u, 0xFF0000FFu}, {0xFF20C040u, 0xFF20C040u},
                                     {0xFF000000u, 0xFFFFFFFFu}, {0xFFE0A010u, 0xFF102030u},
                                     {0xFF808080u, 0xFF7F7F7Fu}, {0xFF00FF00u, 0xFF00F000u}};
    constexpr int kBlocks = 6;
    Image source(4 * kBlocks, 8);
    for (int b = 0; b < kBlocks; ++b) {
        const std::uint32_t c0 = ends[b][0], c1 = ends[b][1];
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                source.At(4 * b + x, y) = (x + y) % 2 ? c0 : c1;  // two colours
        for (int y = 4; y < 8; ++y) {
            for (int x = 0; x < 4; ++x) {
                // The ramp: x / 3 of the way from c0 to c1.
                std::uint32_t p = 0xFF000000u;
                for (int shift = 0; shift <= 16; shift += 8) {
                    const int v = (Channel(c0, shift) * (3 - x) + Channel(c1, shift) * x) / 3;
                    p |= static_cast<std::uint32_t>(v) << shift;
                }
                source.At(4 * b + x, y) = p;
            }
        }
    }

    const Bytes file = WriteDdsDxt1(source);
    DdsImage decoded;
    std::string error;
    ASSERT_TRUE(DdsDecode(file.data(), file.size(), &decoded, &error)) << error;
    EXPECT_EQ(decoded.format, D3DFMT_DXT1);
    ASSERT_EQ(decoded.width, 4u * kBlocks);
    ASSERT_EQ(decoded.height, 8u);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 4 * kBlocks; ++x) {
            const std::uint32_t want = source.At(x, y);
            const std::uint32_t got = decoded.argb[static_cast<std::size_t>(y) * decoded.width + x];
            ASSERT_EQ(got >> 24, 0xFFu) << "transparent texel at " << x << "," << y;
            // 5-bit red and blue round by up to 4, 6-bit green by 2; the ramp's thirds add 1.
            EXPECT_LE(std::abs(Channel(got, 16) - Channel(want, 16)), 6) << x << "," << y;
            EXPECT_LE(std::abs(Channel(got, 8) - Channel(want, 8)), 4) << x << "," << y;
            EXPECT_LE(std::abs(Channel(got, 0) - Channel(want, 0)), 6) << x << "," << y;
        }
    }
}

}  // namespace
