// The engine and the game reach the window, events and devices through platform/ only: no
// source of theirs names the library behind it.

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

TEST(PlatformNames, EngineAndGameSourcesNeverNameTheWindowLibrary)
{
    const std::regex library(R"((#include\s*[<"]SDL)|\bSDL_[A-Za-z])");
    int files = 0;
    for (const char* top : {"engine", "game"}) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(CORVANE_SOURCE_DIR) / top)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
                continue;
            ++files;
            std::ifstream in(entry.path());
            std::string line;
            for (int n = 1; std::getline(in, line); ++n)
                EXPECT_FALSE(std::regex_search(line, library)) << entry.path().string() << ":" << n << ": " << line;
        }
    }
    EXPECT_GT(files, 100);
}

}  // namespace
