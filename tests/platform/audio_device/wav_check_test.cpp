// The WAVE structure check: malformed chunk layouts are refused before the decoder sees them.

#include "platform/audio_device.h"
#include "platform/wav_check.h"
#include "wav_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Wav {
    std::vector<std::uint8_t> bytes;

    void Id(const char* id) { bytes.insert(bytes.end(), id, id + 4); }
    void U32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(std::uint8_t(v >> (8 * i)));
    }
    void U16(std::uint32_t v)
    {
        bytes.push_back(std::uint8_t(v));
        bytes.push_back(std::uint8_t(v >> 8));
    }
    void Format(std::uint32_t channels = 1, std::uint32_t rate = 22050, std::uint32_t bits = 16)
    {
        Id("fmt ");
        U32(16);
        U16(1);
        U16(channels);
        U32(rate);
        U32(rate * channels * bits / 8);
        U16(channels * bits / 8);
        U16(bits);
    }
    void Data(std::uint32_t declared, std::size_t actual)
    {
        Id("data");
        U32(declared);
        bytes.insert(bytes.end(), actual, 0x10);
    }
    // RIFF header sized to what follows.
    std::vector<std::uint8_t> File() const
    {
        Wav w;
        w.Id("RIFF");
        w.U32(std::uint32_t(bytes.size() + 4));
        w.Id("WAVE");
        w.bytes.insert(w.bytes.end(), bytes.begin(), bytes.end());
        return w.bytes;
    }
};

std::string Why(const std::vector<std::uint8_t>& file)
{
    std::string why;
    return WavCheck(file.data(), file.size(), &why) ? "" : why;
}

TEST(WavCheck, RefusesChunkLayoutsTheDecoderWouldTrust)
{
    Wav good;
    good.Format();
    good.Data(8, 8);
    EXPECT_EQ(Why(good.File()), "");

    Wav empty;
    empty.Format();
    empty.Data(0, 0);
    EXPECT_EQ(Why(empty.File()), "sound has no samples");

    // A 130-byte file whose data chunk declares 4 GB.
    Wav huge;
    huge.Format();
    huge.Data(0xFFFFFFF0u, 130 - 44);
    const auto hugeFile = huge.File();
    EXPECT_EQ(hugeFile.size(), 130u);
    EXPECT_EQ(Why(hugeFile), "chunk runs past the end of the file");

    Wav early;
    early.Data(4, 4);
    early.Format();
    EXPECT_EQ(Why(early.File()), "data chunk before the format chunk");

    Wav noData;
    noData.Format();
    EXPECT_EQ(Why(noData.File()), "no data chunk");

    Wav silentFormat;
    silentFormat.Format(0);
    silentFormat.Data(4, 4);
    EXPECT_EQ(Why(silentFormat.File()), "unsupported channel count");
    Wav oddBits;
    oddBits.Format(1, 22050, 12);
    oddBits.Data(4, 4);
    EXPECT_EQ(Why(oddBits.File()), "inconsistent PCM sample layout");

    auto longRiff = good.File();
    longRiff[4] += 10;
    EXPECT_EQ(Why(longRiff), "RIFF size larger than the file");
    EXPECT_EQ(Why({'R', 'I', 'F'}), "not a RIFF WAVE file");

    // Unknown chunks are skipped, odd ones with their pad byte.
    Wav extra;
    extra.Id("LIST");
    extra.U32(3);
    extra.bytes.insert(extra.bytes.end(), {1, 2, 3, 0});
    extra.Format();
    extra.Data(2, 2);
    EXPECT_EQ(Why(extra.File()), "");
}

TEST(WavCheck, LoaderRefusesAnEmptySoundAsABadFile)
{
    const std::string path = std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "_empty.wav";
    Wav empty;
    empty.Format();
    empty.Data(0, 0);
    const auto file = empty.File();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    std::uint32_t rc = 0;
    EXPECT_EQ(PlatformSegment::LoadWav(path.c_str(), &rc), nullptr);
    EXPECT_EQ(rc, kAudioErrBadFile);

    ASSERT_TRUE(testwav::WriteTone(path, 2, 0.05));
    auto segment = PlatformSegment::LoadWav(path.c_str(), &rc);
    EXPECT_EQ(rc, kAudioOk);
    ASSERT_TRUE(segment);
    std::remove(path.c_str());
}

}  // namespace
