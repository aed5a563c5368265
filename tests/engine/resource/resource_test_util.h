#pragma once
// Helpers of the resource tests: a scratch folder per test, whole-file reads and writes, and
// running this test program again as a child process with a job in its environment.

#include "engine/resource/qndisk.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace restest {

inline std::vector<unsigned char> ReadAll(const std::string& path)
{
    std::vector<unsigned char> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    unsigned char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return bytes;
}

inline std::string ReadText(const std::string& path)
{
    const auto bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

inline void WriteAll(const std::string& path, const void* data, std::size_t size, const char* mode = "wb")
{
    std::FILE* f = std::fopen(path.c_str(), mode);
    ASSERT_NE(f, nullptr) << path;
    if (size) {
        ASSERT_EQ(std::fwrite(data, 1, size, f), size);
    }
    std::fclose(f);
}

inline void WriteText(const std::string& path, const std::string& text, const char* mode = "wb")
{
    WriteAll(path, text.data(), text.size(), mode);
}

inline bool FileExists(const std::string& path)
{
    return access(path.c_str(), F_OK) == 0;
}

// Runs `program` with `job` in QN_RESOURCE_CHILD; returns its exit status (-1 if abnormal).
inline int RunChild(const std::string& program, const std::string& job)
{
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("QN_RESOURCE_CHILD", job.c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// A scratch folder under the temporary path, removed with everything in it.
class Scratch : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = std::string(QNDISK::TempPath().Text()) + "qnres-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override { QNDISK::Delete(QNSTRING(dir)); }
    std::string Path(const std::string& name) const { return dir + name; }

    std::string dir;
};

} // namespace restest
