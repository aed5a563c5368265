// DDS decoding of every supported layout, malformed files, precision reduction and resampling.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/dds.h"

namespace {

struct Dds {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(128, 0);

    void Put(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    }
    // Header of a w x h file; fourcc 0 means a bit-mask layout.
    Dds(std::uint32_t w, std::uint32_t h, std::uint32_t fourcc, std::uint32_t bits = 0, std::uint32_t r = 0,
        std::uint32_t g = 0, std::uint32_t b = 0, std::uint32_t a = 0) {
        std::memcpy(bytes.data(), "DDS ", 4);
        Put(4, 124);
        Put(12, h);
        Put(16, w);
        Put(76, 32);
        Put(80, fourcc ? 0x4u : (0x40u | (a ? 0x1u : 0u)));
        Put(84, fourcc);
        Put(88, bits);
        Put(92, r);
        Put(96, g);
        Put(100, b);
        Put(104, a);
    }
    void Add(std::initializer_list<std::uint8_t> data) { bytes.insert(bytes.end(), data); }
    DdsImage Decode() {
        DdsImage img;
        std::string why;
        EXPECT_TRUE(DdsDecode(bytes.data(), bytes.size(), &img, &why)) << why;
        return img;
    }
};

}  // namespace

TEST(DdsDecode, UncompressedLayouts) {
    Dds argb(2, 1, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
    argb.Add({0x30, 0x20, 0x10, 0x80, 0, 0, 0xFF, 0xFF});
    DdsImage a = argb.Decode();
    EXPECT_EQ(a.format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(a.argb, (std::vector<std::uint32_t>{0x80102030u, 0xFFFF0000u}));

    Dds xrgb(1, 1, 0, 32, 0xFF0000, 0xFF00, 0xFF);
    xrgb.Add({1, 2, 3, 0});
    DdsImage x = xrgb.Decode();
    EXPECT_EQ(x.format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(x.argb[0], 0xFF030201u);

    Dds rgb(2, 1, 0, 24, 0xFF0000, 0xFF00, 0xFF);
    rgb.Add({1, 2, 3, 4, 5, 6});
    DdsImage r = rgb.Decode();
    EXPECT_EQ(r.format, D3DFMT_R8G8B8);
    EXPECT_EQ(r.argb[1], 0xFF060504u);

    Dds r565(2, 1, 0, 16, 0xF800, 0x7E0, 0x1F);
    r565.Add({0x00, 0xF8, 0xE0, 0x07});
    DdsImage c = r565.Decode();
    EXPECT_EQ(c.format, D3DFMT_R5G6B5);
    EXPECT_EQ(c.argb, (std::vector<std::uint32_t>{0xFFFF0000u, 0xFF00FF00u}));

    Dds a1(2, 1, 0, 16, 0x7C00, 0x3E0, 0x1F, 0x8000);
    a1.Add({0x1F, 0x80, 0x1F, 0x00});
    DdsImage d = a1.Decode();
    EXPECT_EQ(d.format, D3DFMT_A1R5G5B5);
    EXPECT_EQ(d.argb, (std::vector<std::uint32_t>{0xFF0000FFu, 0x000000FFu}));

    Dds x1(1, 1, 0, 16, 0x7C00, 0x3E0, 0x1F);
    x1.Add({0x00, 0x7C});
    EXPECT_EQ(x1.Decode().format, D3DFMT_X1R5G5B5);
    EXPECT_EQ(x1.Decode().argb[0], 0xFFFF0000u);

    Dds a4(1, 1, 0, 16, 0xF00, 0xF0, 0xF, 0xF000);
    a4.Add({0x00, 0x8F});
    DdsImage e = a4.Decode();
    EXPECT_EQ(e.format, D3DFMT_A4R4G4B4);
    EXPECT_EQ(e.argb[0], 0x88FF0000u);
}

TEST(DdsDecode, CompressedBlocks) {
    // DXT1, four-colour block: red, blue, 2/3 red + 1/3 blue, 1/3 red + 2/3 blue.
    Dds dxt1(4, 4, D3DFMT_DXT1);
    dxt1.Add({0x00, 0xF8, 0x1F, 0x00, 0xE4, 0, 0, 0});  // indices 0, 1, 2, 3 in the first row
    DdsImage a = dxt1.Decode();
    EXPECT_EQ(a.format, D3DFMT_DXT1);
    EXPECT_EQ(a.argb[0], 0xFFFF0000u);
    EXPECT_EQ(a.argb[1], 0xFF0000FFu);
    EXPECT_EQ(a.argb[2], 0xFFAA0055u);
    EXPECT_EQ(a.argb[3], 0xFF5500AAu);
    EXPECT_EQ(a.argb[4], 0xFFFF0000u);
    // c0 <= c1: the fourth entry is transparent black, the third the mean.
    Dds punch(2, 2, D3DFMT_DXT1);  // smaller than a block
    punch.Add({0x1F, 0x00, 0x00, 0xF8, 0x0E, 0, 0, 0});
    DdsImage b = punch.Decode();
    EXPECT_EQ(b.argb.size(), 4u);
    EXPECT_EQ(b.argb[1], 0u);
    EXPECT_EQ(b.argb[0], 0xFF7F007Fu);

    Dds dxt3(4, 4, D3DFMT_DXT3);
    dxt3.Add({0x5F, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0});
    DdsImage c = dxt3.Decode();
    EXPECT_EQ(c.argb[0] >> 24, 0xFFu);
    EXPECT_EQ(c.argb[1] >> 24, 0x55u);
    EXPECT_EQ(c.argb[2] >> 24, 0u);

    // DXT5 with a0 > a1: index 0 is a0, 1 is a1, 2 is (6 a0 + a1) / 7.
    Dds dxt5(4, 4, D3DFMT_DXT5);
    dxt5.Add({255, 0, 0x88, 0x00, 0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0});
    DdsImage d = dxt5.Decode();
    EXPECT_EQ(d.argb[0] >> 24, 255u);
    EXPECT_EQ(d.argb[1] >> 24, 0u);
    EXPECT_EQ(d.argb[2] >> 24, 218u);
}

TEST(DdsDecode, RefusesMalformedFiles) {
    DdsImage img;
    std::string why;
    Dds ok(4, 4, D3DFMT_DXT1);
    ok.Add({0, 0, 0, 0, 0, 0, 0});  // one byte short
    EXPECT_FALSE(DdsDecode(ok.bytes.data(), ok.bytes.size(), &img, &why));
    EXPECT_EQ(why, "DDS file is truncated");
    Dds big(100000, 1, 0, 32, 0xFF0000, 0xFF00, 0xFF);
    EXPECT_FALSE(DdsDecode(big.bytes.data(), big.bytes.size(), &img, &why));
    Dds zero(0, 4, D3DFMT_DXT1);
    EXPECT_FALSE(DdsDecode(zero.bytes.data(), zero.bytes.size(), &img, &why));
    Dds odd(1, 1, GfxFourCC('A', 'T', 'I', '1'));
    odd.Add({0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_FALSE(DdsDecode(odd.bytes.data(), odd.bytes.size(), &img, &why));
    Dds rgb(2, 2, 0, 24, 0xFF0000, 0xFF00, 0xFF);
    rgb.Add({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});  // a row and a half short
    EXPECT_FALSE(DdsDecode(rgb.bytes.data(), rgb.bytes.size(), &img, &why));
    rgb.bytes[0] = 'X';
    EXPECT_FALSE(DdsDecode(rgb.bytes.data(), rgb.bytes.size(), &img, &why));
    EXPECT_FALSE(DdsDecode(rgb.bytes.data(), 100, &img, &why));

    // A bare header naming a huge image is refused before any texel is allocated, and a failed
    // decode keeps no memory from an earlier one.
    img.argb.assign(64, 7);
    Dds header(16384, 16384, 0, 32, 0xFF0000, 0xFF00, 0xFF);
    EXPECT_FALSE(DdsDecode(header.bytes.data(), header.bytes.size(), &img, &why));
    EXPECT_EQ(why, "DDS file is truncated");
    EXPECT_EQ(img.argb.capacity(), 0u);
    Dds blocks(16384, 16384, D3DFMT_DXT5);
    EXPECT_FALSE(DdsDecode(blocks.bytes.data(), blocks.bytes.size(), &img, &why));
    EXPECT_EQ(img.argb.capacity(), 0u);

    // A bit-mask layout without colour channels would decode to black: refused.
    Dds masks(1, 1, 0, 32, 0, 0, 0, 0xFF000000u);
    masks.Add({1, 2, 3, 4});
    EXPECT_FALSE(DdsDecode(masks.bytes.data(), masks.bytes.size(), &img, &why));
    EXPECT_EQ(why, "DDS pixel format has no colour channels");
}

TEST(DdsConvert, QuantizeKeepsTheFormatsAlphaDepth) {
    std::vector<std::uint32_t> px = {0x7FFFFFFFu, 0x80FFFFFFu, 0x40123456u};
    std::vector<std::uint32_t> a1 = px;
    DdsQuantize(a1, D3DFMT_A1R5G5B5);
    EXPECT_EQ(a1[0] >> 24, 0u);
    EXPECT_EQ(a1[1], 0xFFFFFFFFu);  // full scale stays full scale
    std::vector<std::uint32_t> a4 = px;
    DdsQuantize(a4, D3DFMT_A4R4G4B4);
    EXPECT_EQ(a4[2] >> 24, 0x44u);
    EXPECT_EQ((a4[2] >> 16) & 0xFF, 0x11u);
    std::vector<std::uint32_t> x = px;
    DdsQuantize(x, D3DFMT_R5G6B5);
    EXPECT_EQ(x[0] >> 24, 0xFFu);
    std::vector<std::uint32_t> d = px;
    DdsQuantize(d, D3DFMT_DXT1);
    EXPECT_EQ(d[0], 0u);  // transparent texels of DXT1 are black
}

TEST(DdsConvert, BoxResamplingAndMips) {
    EXPECT_EQ(DdsNextPow2(0), 1u);
    EXPECT_EQ(DdsNextPow2(3), 4u);
    EXPECT_EQ(DdsNextPow2(4), 4u);
    EXPECT_EQ(DdsNextPow2(17), 32u);
    // 3 texels onto 4: each destination texel averages the source span it covers.
    std::vector<std::uint32_t> src = {0xFF000000u, 0xFF000000u | 120u, 0xFF000000u | 240u};
    std::vector<std::uint32_t> up = DdsResample(src, 3, 1, 4, 1);
    ASSERT_EQ(up.size(), 4u);
    EXPECT_EQ(up[0] & 0xFF, 0u);
    EXPECT_EQ(up[1] & 0xFF, 80u);   // 1/3 of 0 and 2/3 of 120 over 3/4 texel
    EXPECT_EQ(up[3] & 0xFF, 240u);
    EXPECT_EQ(up[2] >> 24, 0xFFu);
    std::vector<std::uint32_t> flat(15, 0x80402010u);
    for (std::uint32_t c : DdsResample(flat, 5, 3, 8, 4)) EXPECT_EQ(c, 0x80402010u);
    std::vector<std::uint32_t> quad = {0x00000000u, 0x04040404u, 0x08080808u, 0x0C0C0C0Cu};
    std::vector<std::uint32_t> half = DdsHalve(quad, 2, 2);
    ASSERT_EQ(half.size(), 1u);
    EXPECT_EQ(half[0], 0x06060606u);
    EXPECT_EQ(DdsHalve(std::vector<std::uint32_t>(4, 7u), 4, 1).size(), 2u);
}
