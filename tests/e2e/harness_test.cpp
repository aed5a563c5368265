// Whole-program runs of the headless harness.

#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/screenshot.h"
#include "app/test_scene.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

class HarnessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/corvane-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    RunResult Run(const std::string& args)
    {
        const fs::path out = dir / "stdout.txt";
        const fs::path err = dir / "stderr.txt";
        const std::string cmd = "SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null " + std::string(CORVANE_HARNESS) +
                                " " + args + " >" + out.string() + " 2>" + err.string();
        const int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = ReadFile(out);
        r.err = ReadFile(err);
        return r;
    }

    // True when the pixel is the colour within a small tolerance.
    static bool PixelIs(const Screenshot& s, int x, int y, const float* colour)
    {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) +
                               static_cast<std::size_t>(x)) * 3;
        for (int c = 0; c < 3; ++c)
            if (std::abs(static_cast<int>(s.rgb[i + c]) - static_cast<int>(std::lround(colour[c] * 255.0f))) > 2)
                return false;
        return true;
    }

    fs::path dir;
};

}  // namespace

TEST_F(HarnessTest, RunsTheTestSceneHeadlessAndClearsToItsColour)
{
    const RunResult r = Run("--frames 60 --every 20 --format ppm --screenshots " + dir.string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("60 frames"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("E R R O R"), std::string::npos) << r.err;

    Screenshot before, after;
    ASSERT_TRUE(LoadPpm((dir / "frame_00020.ppm").string(), &before));
    ASSERT_TRUE(LoadPpm((dir / "frame_00060.ppm").string(), &after));
    EXPECT_EQ(before.width, 640);
    EXPECT_EQ(before.height, 480);
    // Corners show the clear colour; Space, scripted at frame 30, switched it.
    for (const auto& [x, y] : {std::pair{2, 2}, std::pair{637, 2}, std::pair{2, 477}, std::pair{637, 477}}) {
        EXPECT_TRUE(PixelIs(before, x, y, testscene::kColourA)) << x << "," << y;
        EXPECT_TRUE(PixelIs(after, x, y, testscene::kColourB)) << x << "," << y;
    }
    EXPECT_TRUE(PixelIs(after, 320, 240, testscene::kColourB));
}

TEST_F(HarnessTest, WritesPngScreenshots)
{
    const RunResult r = Run("--frames 3 --screenshots " + dir.string());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string png = ReadFile(dir / "frame_00003.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST_F(HarnessTest, AnEngineErrorExitsNonZeroWithTheErrorText)
{
    const RunResult r = Run("--frames 30 --fail-at-frame 5");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("E R R O R: Forced engine error at frame 5."), std::string::npos) << r.err;
}

TEST_F(HarnessTest, RejectsUnknownOptions)
{
    const RunResult r = Run("--speed 3");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
}
