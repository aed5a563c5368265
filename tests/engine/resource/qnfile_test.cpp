#include "engine/resource/qnfile.h"
#include "engine/resource/qnfileinfo.h"

#include "resource_test_util.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

using restest::Scratch;

using QnFile = Scratch;

TEST_F(QnFile, OpenModesAndFailures)
{
    QNFILE f;
    const std::string missing = Path("missing.bin");
    try {
        f.Open(missing.c_str(), QNFILE::kRead);
        FAIL() << "opened a missing file";
    } catch (const QNDISK_EXC&) {
        const std::string want = "Could not open file. File='" + missing + "'. (" +
                                 std::strerror(ENOENT) + ")";
        EXPECT_EQ(QNEXCEPTION::Message(), want);
        EXPECT_EQ(QNEXCEPTION::ResultCode(), static_cast<std::uint32_t>(ENOENT));
        EXPECT_EQ(std::strchr(QNEXCEPTION::Message(), '\n'), nullptr);
    }
    EXPECT_FALSE(f.IsOpen());
    EXPECT_STREQ(f.Name().Text(), missing.c_str());   // a failed open keeps the name

    // Read + create on a missing file creates it (binary "w").
    f.Open(missing.c_str(), QNFILE::kRead | QNFILE::kCreate);
    EXPECT_TRUE(f.IsOpen());
    f.Close();
    EXPECT_TRUE(restest::FileExists(missing));

    // Create retries only a missing file: a folder stays a failure, with the create text.
    try {
        f.Open(dir.c_str(), QNFILE::kRead | QNFILE::kUpdate | QNFILE::kCreate);
        FAIL() << "opened a folder for update";
    } catch (const QNFILE::EXC&) {
        EXPECT_EQ(std::strncmp(QNEXCEPTION::Message(), "Could not create file.", 22), 0);
    }
    EXPECT_TRUE(restest::FileExists(dir));

    // Backslashes are separators on disk.
    restest::WriteText(Path("x.txt"), "abc");
    const std::string back = dir + "\\x.txt";
    f.Open(back.c_str(), QNFILE::kRead, 1);
    EXPECT_EQ(f.ReadChar(), 'a');
    f.Close();
    EXPECT_TRUE(f.Name().IsEmpty());

    // A null name gives a fresh temporary file.
    f.Open(nullptr, QNFILE::kWrite | QNFILE::kUpdate);
    const std::string temp = f.Name().Text();
    f.Write("zz", 2);
    f.Close();
    EXPECT_EQ(restest::ReadText(temp), "zz");
    std::remove(temp.c_str());
}

TEST_F(QnFile, ReadWriteSeekTell)
{
    QNFILE f;
    f.Open(Path("data.bin").c_str(), QNFILE::kWrite | QNFILE::kUpdate);
    f.Write("hello world", 11);
    EXPECT_EQ(f.Tell(), 11);
    EXPECT_EQ(f.Size(), 11);
    f.Seek(-5, 2);
    char buffer[16] = {};
    EXPECT_EQ(f.Read(buffer, sizeof buffer), 5u);   // short count at end, no error
    EXPECT_STREQ(buffer, "world");
    EXPECT_EQ(f.ReadChar(), 0);
    f.Seek(0, 0);
    EXPECT_EQ(f.ReadChar(), 'h');
    f.Seek(1, 1);
    EXPECT_EQ(f.ReadChar(), 'l');
    EXPECT_THROW(f.Seek(-100, 0), QNFILE::EXC);
    f.Close();
    EXPECT_THROW(f.Read(buffer, 1), QNFILE::EXC);
    EXPECT_THROW(f.Tell(), QNFILE::EXC);
}

TEST_F(QnFile, ReadStringChecksItsLength)
{
    auto put = [](std::string& s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s += static_cast<char>(v >> (8 * i));
    };
    std::string bytes;
    put(bytes, 4);
    bytes += "beam";
    put(bytes, 0);
    put(bytes, 260);
    bytes += std::string(260, 'x');
    restest::WriteText(Path("strings.bin"), bytes);

    QNFILE f;
    f.Open(Path("strings.bin").c_str(), QNFILE::kRead);
    char text[QNFILE::kMaxString + 1];
    EXPECT_TRUE(f.ReadString(text));
    EXPECT_STREQ(text, "beam");
    EXPECT_FALSE(f.ReadString(text));
    EXPECT_THROW(f.ReadString(text), QNFILE::EXC);   // 260 would overrun the buffer
    f.Close();

    std::string cut;
    put(cut, 10);
    cut += "abc";
    restest::WriteText(Path("cut.bin"), cut);
    f.Open(Path("cut.bin").c_str(), QNFILE::kRead);
    EXPECT_THROW(f.ReadString(text), QNFILE::EXC);
    EXPECT_FALSE(f.ReadString(text));   // nothing left
}

TEST_F(QnFile, DatesAndAttributes)
{
    const std::string path = Path("dated.bin");
    restest::WriteText(path, "x");
    struct timespec when = {1000000000, 123456700};
    const std::uint64_t ft = QNFILEINFO::FileTimeFromUnix(when);
    EXPECT_EQ(ft, 116444736000000000ull + 10000000000000000ull + 1234567ull);
    QNFILEINFO::SetDates(QNSTRING(path.c_str()), 0, ft, ft);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mtim.tv_sec, when.tv_sec);
    EXPECT_EQ(info.st_mtim.tv_nsec, when.tv_nsec);

    QNFILEINFO::SetAttributes(QNSTRING(path.c_str()), 0x21);
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0222, 0u);
    EXPECT_EQ(QNFILEINFO::Attributes(QNSTRING(path.c_str())) & QNFILEINFO::kReadOnly, 1u);
    QNFILEINFO::SetAttributes(QNSTRING(path.c_str()), 0x20);
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_NE(info.st_mode & S_IWUSR, 0u);

    const std::string missing = Path("nope.bin");
    try {
        QNFILEINFO::SetDates(QNSTRING(missing.c_str()), 0, ft, ft);
        FAIL();
    } catch (const QNDISK_EXC&) {
        EXPECT_EQ(QNEXCEPTION::Message(), "Unable to set file dates.. File '" + missing + "'. (" +
                                              std::strerror(ENOENT) + ")");
    }
    EXPECT_THROW(QNFILEINFO::SetAttributes(QNSTRING(missing.c_str()), 0x20), QNFILEINFO::EXC);
}
