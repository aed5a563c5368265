// The texture loader through a recording device: power-of-two sizes, mip chains, format
// precision, counters and failures.

#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "engine/render/qntexture.h"
#include "platform/dds.h"
#include "tests/engine/render/fake_env.h"
#include "tests/engine/resource/archive_damage.h"

namespace {

std::vector<std::uint8_t> ArgbDds(std::uint32_t w, std::uint32_t h, const std::vector<std::uint32_t>& argb) {
    std::vector<std::uint8_t> b(128 + argb.size() * 4, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    };
    std::memcpy(b.data(), "DDS ", 4);
    put(4, 124);
    put(12, h);
    put(16, w);
    put(76, 32);
    put(80, 0x41);
    put(88, 32);
    put(92, 0xFF0000);
    put(96, 0xFF00);
    put(100, 0xFF);
    put(104, 0xFF000000u);
    for (std::size_t i = 0; i < argb.size(); ++i) put(128 + 4 * i, argb[i]);
    return b;
}

std::string WriteArgbDds(const std::string& name, std::uint32_t w, std::uint32_t h,
                         const std::vector<std::uint32_t>& argb) {
    std::string path = ::testing::TempDir() + name;
    const std::vector<std::uint8_t> b = ArgbDds(w, h, argb);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
    return path;
}

class TextureLoadTest : public FakeDisplayTest {};

}  // namespace

TEST_F(TextureLoadTest, SizesRoundUpAndMipsAreBoxFiltered) {
    std::vector<std::uint32_t> texels(15, 0x80FFFFFFu);
    texels[0] = 0xFF000000u;
    const std::string path = WriteArgbDds("odd.dds", 3, 5, texels);
    GfxTexture* t = nullptr;
    ASSERT_EQ(GfxLoadTexture(device_, path.c_str(), GFX_DEFAULT, GFX_DEFAULT, 0, 0, D3DFMT_UNKNOWN,
                             D3DPOOL_MANAGED, 0, &t),
              D3D_OK);
    auto* ft = static_cast<FakeTexture*>(t);
    EXPECT_EQ(ft->w, 4u);
    EXPECT_EQ(ft->h, 8u);
    EXPECT_EQ(ft->format, D3DFMT_A8R8G8B8);
    ASSERT_EQ(ft->levels, 4u);  // 4x8, 2x4, 1x2, 1x1
    ASSERT_EQ(ft->data[3].size(), 1u);
    // Every level keeps the image's mean within rounding.
    EXPECT_NEAR(double(ft->data[3][0] >> 24), (0xFF + 14.0 * 0x80) / 15.0, 3.0);
    t->Release();
}

TEST_F(TextureLoadTest, SixteenBitFormatsKeepTheirAlphaDepth) {
    std::vector<std::uint32_t> texels = {0x7FFF0000u, 0x80FF0000u, 0x3000FF00u, 0xFF0000FFu};
    const std::string path = WriteArgbDds("alpha.dds", 2, 2, texels);
    GfxTexture* t = nullptr;
    ASSERT_EQ(GfxLoadTexture(device_, path.c_str(), GFX_DEFAULT, GFX_DEFAULT, 1, 0, D3DFMT_A1R5G5B5,
                             D3DPOOL_MANAGED, 0, &t),
              D3D_OK);
    auto* ft = static_cast<FakeTexture*>(t);
    ASSERT_EQ(ft->levels, 1u);
    EXPECT_EQ(ft->data[0][0], 0x00FF0000u);
    EXPECT_EQ(ft->data[0][1], 0xFFFF0000u);
    t->Release();
    ASSERT_EQ(GfxLoadTexture(device_, path.c_str(), GFX_DEFAULT, GFX_DEFAULT, 1, 0, D3DFMT_A4R4G4B4,
                             D3DPOOL_MANAGED, 0xFF0000FFu, &t),
              D3D_OK);
    ft = static_cast<FakeTexture*>(t);
    EXPECT_EQ(ft->data[0][2] >> 24, 0x33u);
    EXPECT_EQ(ft->data[0][3], 0u);  // the colour key became transparent black
    t->Release();
}

TEST_F(TextureLoadTest, LoadCountsTexturesAndNamesTheFileItCouldNotOpen) {
    const std::uint32_t count = QNTEXTURE::LoadedCount, bytes = QNTEXTURE::LoadedBytes;
    WriteArgbDds("flame2.dds", 8, 8, std::vector<std::uint32_t>(64, 0xFFFFFFFFu));
    QNGRFDEV::CurrentMode->Granted.Dxt1Textures = 0;
    QNGRFDEV::CurrentMode->Bits = 16;
    QNTEXTURE tex;
    tex.Load((::testing::TempDir() + "flame.dds").c_str(), 1, 1, 3, 0);  // member 1 is "flame2"
    EXPECT_EQ(static_cast<FakeTexture*>(tex.Texture)->format, D3DFMT_A1R5G5B5);
    EXPECT_EQ(QNTEXTURE::LoadedCount, count + 1);
    EXPECT_EQ(QNTEXTURE::LoadedBytes, bytes + 8 * 8 * 2);
    EXPECT_EQ(tex.Box.max.y, 8.0f);
    EXPECT_EQ(tex.Grid.Cells.x, 1.0f);
    tex.Release();
    EXPECT_EQ(QNTEXTURE::LoadedCount, count);
    EXPECT_EQ(QNTEXTURE::LoadedBytes, bytes);
    try {
        tex.LoadFile("/nonexistent/none.dds", 1, 0);
        FAIL() << "expected QNTEXTURE::EXC";
    } catch (const QNTEXTURE::EXC&) {
        EXPECT_STREQ(QNEXCEPTION::Message(), "Unable to open texture '/nonexistent/none.dds'.");
        EXPECT_EQ(QNEXCEPTION::ResultCode(), D3DERR_NOTFOUND);
    }
    EXPECT_EQ(tex.Texture, nullptr);
}

TEST_F(TextureLoadTest, ArchiveFailuresNameTheMediumAndTheArchivesReason) {
    const std::string archive = ::testing::TempDir() + "textures" + std::to_string(getpid()) + ".qns";
    QNTEXTURE tex;
    auto load = [&](const char* name) { return archivetest::FailureOf([&] { tex.Load(name, 1, 0, 1, 1); }); };
    archivetest::ExpectArchiveFailuresNamed(
        archive, ".dds", ArgbDds(4, 4, std::vector<std::uint32_t>(16, 0xFF336699u)),
        archivetest::Bytes("DDS but nothing more"), load,
        {"Unable to open texture '%'. ", "Unable to open texture '%'.", "Unable to open texture '%'."});
    EXPECT_NE(tex.Texture, nullptr);
    tex.Release();
    QNSTORAGE::SetArchive("");
    QNDISK::RemoveTempFolder();
    std::remove(archive.c_str());
}
