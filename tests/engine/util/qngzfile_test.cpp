#include "engine/util/qngzfile.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> Gzip(const std::string& text)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::vector<unsigned char> out(deflateBound(&z, text.size()) + 32);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string Payload()
{
    std::string s;
    for (int i = 0; i < 5000; ++i)
        s += "line " + std::to_string(i * 7919 % 1000) + "\n";
    return s;
}

// A file holding: 7 junk bytes, the member, "TAIL".
std::FILE* FileWith(const std::vector<unsigned char>& member)
{
    std::FILE* f = std::tmpfile();
    std::fwrite("JUNKJNK", 1, 7, f);
    std::fwrite(member.data(), 1, member.size(), f);
    std::fwrite("TAIL", 1, 4, f);
    std::fseek(f, 7, SEEK_SET);
    return f;
}

} // namespace

TEST(QnGzFile, InflatesAMemberInChunksAndLeavesTheFileOpen)
{
    const std::string text = Payload();
    const auto member = Gzip(text);
    std::FILE* f = FileWith(member);

    QNGZFILE gz;
    ASSERT_TRUE(gz.Open(f, member.size()));
    std::string got;
    char chunk[1000];
    long n;
    while (got.size() < text.size() && (n = gz.Read(chunk, sizeof chunk)) > 0)
        got.append(chunk, static_cast<std::size_t>(n));
    EXPECT_EQ(got, text);
    EXPECT_TRUE(gz.Finish());
    gz.Close();

    // The limit kept the reader inside the member, and the file is still ours.
    char tail[5] = {};
    EXPECT_EQ(std::fread(tail, 1, 4, f), 4u);
    EXPECT_STREQ(tail, "TAIL");
    std::fclose(f);
}

TEST(QnGzFile, DamageIsReported)
{
    const std::string text = Payload();
    const auto good = Gzip(text);
    std::vector<char> out(text.size() + 10);

    {   // CRC-32 field of the trailer flipped: the read or the end check fails.
        auto bad = good;
        bad[bad.size() - 6] ^= 0x55;
        std::FILE* f = FileWith(bad);
        QNGZFILE gz;
        ASSERT_TRUE(gz.Open(f, bad.size()));
        const long n = gz.Read(out.data(), text.size());
        EXPECT_TRUE(n == -1 || !gz.Finish());
        std::fclose(f);
    }
    {   // Truncated member: the reader fails instead of returning a short copy as complete.
        std::FILE* f = FileWith(good);
        QNGZFILE gz;
        ASSERT_TRUE(gz.Open(f, good.size() / 2));
        EXPECT_EQ(gz.Read(out.data(), text.size()), -1);
        EXPECT_FALSE(gz.Finish());
        std::fclose(f);
    }
    {   // Not gzip at all.
        std::FILE* f = std::tmpfile();
        std::fwrite("plain text, not a gzip member at all", 1, 36, f);
        std::rewind(f);
        QNGZFILE gz;
        ASSERT_TRUE(gz.Open(f));
        EXPECT_EQ(gz.Read(out.data(), 10), -1);
        EXPECT_STRNE(gz.Error(), "");
        std::fclose(f);
    }
    {   // The caller asked for fewer bytes than the member holds: Finish says so.
        std::FILE* f = FileWith(good);
        QNGZFILE gz;
        ASSERT_TRUE(gz.Open(f, good.size()));
        EXPECT_EQ(gz.Read(out.data(), text.size() - 100), static_cast<long>(text.size() - 100));
        EXPECT_FALSE(gz.Finish());
        std::fclose(f);
    }
    QNGZFILE closed;
    EXPECT_EQ(closed.Read(out.data(), 1), -1);
    EXPECT_FALSE(closed.Open(nullptr));
}
