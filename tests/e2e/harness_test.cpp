// Whole-program runs of the headless harness.

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "app/screenshot.h"
#include "app/test_scene.h"
#include "tests/engine/resource/archive_damage.h"

namespace {

namespace fs = std::filesystem;

/// Channel `c` of the pixel at (x, y).
int at(const Screenshot& s, int x, int y, int c)
{
    return int(s.rgb[(std::size_t(y) * std::size_t(s.width) + std::size_t(x)) * 3 + std::size_t(c)]);
}

/// Pixels of a region that pass `test(r, g, b)`.
template <class T>
int count(const Screenshot& s, int x0, int y0, int x1, int y1, T test)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            n += test(at(s, x, y, 0), at(s, x, y, 1), at(s, x, y, 2)) ? 1 : 0;
    return n;
}

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

    // Runs `program`; its standard output goes to `stdoutTo` when given (and is then not read).
    RunResult Run(const std::string& args, const char* program = CORVANE_HARNESS, const char* stdoutTo = nullptr)
    {
        const fs::path out = stdoutTo ? fs::path(stdoutTo) : dir / "stdout.txt";
        const fs::path err = dir / "stderr.txt";
        const std::string cmd = "SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null " + std::string(program) +
                                " " + args + " >" + out.string() + " 2>" + err.string();
        const int raw = std::system(cmd.c_str());
        RunResult r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        if (!stdoutTo)
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

TEST_F(HarnessTest, AReportLineThatCannotBeWrittenFailsTheRun)
{
    const RunResult r = Run("--frames 3", CORVANE_HARNESS, "/dev/full");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("corvane-harness: could not write the report line: No space left on device"), std::string::npos) << r.err;
}

TEST_F(HarnessTest, ADamagedMediumOfEachKindStopsTheGameNamingItAndTheArchivesReason)
{
    // A texture of the logo, a sound of the main menu and a mesh of the game, each spoiled in
    // the archive appended to a copy of the harness.
    const std::pair<const char*, std::string> media[] = {
        {"media\\screens\\quennet\\textures\\logo.dds", "Unable to open texture '%'. "},
        {"media\\screens\\common\\sounds\\button.wav", "Unable to load sound '%'. "},
        {"media\\natural\\meshes\\asteroid.gbm", "File '%' could not be read from the archive. "},
    };
    int n = 0;
    for (const auto& [medium, text] : media) {
        // A fresh copy each time: the kernel may still hold the last run's image busy for writing.
        const fs::path copy = dir / ("corvane-harness-" + std::to_string(n++));
        fs::copy_file(CORVANE_HARNESS, copy);
        archivetest::Spoil(copy.string(), medium, archivetest::Damage::kFlip);
        const RunResult r = Run("--game --frames 400", copy.c_str());
        EXPECT_EQ(r.status, 1) << medium;
        std::string says = text;
        says.replace(says.find('%'), 1, medium);
        EXPECT_NE(r.err.find("E R R O R: " + says + "Storage file '" + copy.string() + "' is damaged (gzip record: "),
                  std::string::npos)
            << r.err;
    }
}

TEST_F(HarnessTest, AContextWithoutFramebufferObjectsIsRefusedBeforeTheFirstFrame)
{
    // Mesa's overrides give an OpenGL 2.1 context without the framebuffer-object extension.
    const std::string program = std::string("MESA_GL_VERSION_OVERRIDE=2.1 MESA_EXTENSION_OVERRIDE=-GL_ARB_framebuffer_object ") +
                                CORVANE_HARNESS;
    const RunResult r = Run("--frames 3", program.c_str());
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("E R R O R: Unable to open display. The OpenGL context (version 2.1"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(") lacks framebuffer objects (OpenGL 3.0 or GL_ARB_framebuffer_object)."), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find(" 0 frames,"), std::string::npos) << r.out;
}

TEST_F(HarnessTest, RejectsUnknownOptionsAndARunOfNoFrames)
{
    for (const char* args : {"--speed 3", "--frames 0", "--frames"}) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("usage"), std::string::npos) << args;
        EXPECT_EQ(r.out.find("frames,"), std::string::npos) << args << ": no frame may run";
    }
}

TEST_F(HarnessTest, RunsOnAVirtualClockWithAFixedStep)
{
    const RunResult r = Run("--frames 50");
    ASSERT_EQ(r.status, 0) << r.err;
    // 50 steps of 20 ms, whatever the machine's speed; the game sees dt = 0.02 every frame.
    EXPECT_NE(r.out.find("50 frames, game time 1.000 s, dt 0.0200"), std::string::npos) << r.out;
}

TEST_F(HarnessTest, ScreenshotFolderIsCreatedAndAWriteFailureIsNamed)
{
    const fs::path nested = dir / "shots" / "deeper";
    const RunResult ok = Run("--frames 2 --format ppm --screenshots " + nested.string());
    ASSERT_EQ(ok.status, 0) << ok.err;
    Screenshot shot;
    EXPECT_TRUE(LoadPpm((nested / "frame_00002.ppm").string(), &shot));
    for (const auto& entry : fs::directory_iterator(nested))
        EXPECT_EQ(entry.path().extension(), ".ppm") << "temporary file left: " << entry.path();

    // A file where the folder should be: nothing can be written below it.
    const fs::path blocker = dir / "blocker";
    std::ofstream(blocker) << "x";
    const RunResult bad = Run("--frames 3 --screenshots " + (blocker / "shots").string());
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("could not write " + (blocker / "shots" / "frame_00003.png").string()),
              std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("Not a directory"), std::string::npos) << bad.err;
    EXPECT_EQ(ReadFile(blocker), "x");
}

TEST_F(HarnessTest, ASystemQuitEndsTheRunPromptlyCleansUpAndExitsNonZero)
{
    const fs::path shots = dir / "shots";
    const fs::path tmp = dir / "tmp";
    fs::create_directories(tmp);
    const std::string out = (dir / "stdout.txt").string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("TMPDIR", tmp.c_str(), 1);
        if (!freopen(out.c_str(), "w", stdout) || !freopen((dir / "stderr.txt").c_str(), "w", stderr))
            _exit(90);
        execl(CORVANE_HARNESS, CORVANE_HARNESS, "--frames", "10000000", "--every", "1", "--format", "ppm",
              "--screenshots", shots.c_str(), static_cast<char*>(nullptr));
        _exit(91);
    }
    // The loop is running once the first frame is on disc.
    int status = 0;
    bool exited = false;
    for (int i = 0; i < 3000 && !fs::exists(shots / "frame_00001.ppm"); ++i) {
        if (waitpid(child, &status, WNOHANG) == child) {
            exited = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(exited) << ReadFile(dir / "stderr.txt");
    ASSERT_EQ(kill(child, SIGTERM), 0);
    // A hung harness would be killed here rather than hang the suite.
    for (int i = 0; i < 3000 && !exited; ++i) {
        exited = waitpid(child, &status, WNOHANG) == child;
        if (!exited)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!exited) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_TRUE(exited) << "the harness ran on after SIGTERM";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by the signal instead of quitting";
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_NE(ReadFile(dir / "stderr.txt").find("quit by the system"), std::string::npos);
    // The engine's temporary folder went with the run.
    EXPECT_TRUE(fs::is_empty(tmp)) << fs::directory_iterator(tmp)->path();
}

namespace {

// The program's own game set-up through the harness: the logo's gold rings at first, the main
// menu's buttons down the left side after two seconds, then a new game: from the player's suit,
// turned by the script towards the station, the lit headquarters against the stars inside the
// helmet, with the suit HUD's money, inventory and the aimed part's name on its message line.
TEST_F(HarnessTest, GameRunShowsTheLogoThenTheMenu)
{
    const RunResult r = Run("--game --frames 600 --every 50 --format ppm --screenshots " + dir.string());
    ASSERT_EQ(r.status, 0) << r.err;
    // The summary names the scene the run ended in.
    EXPECT_NE(r.out.find(", scene SPACE, status 0"), std::string::npos) << r.out;
    Screenshot logo, menu, suit;
    ASSERT_TRUE(LoadPpm((dir / "frame_00050.ppm").string(), &logo));
    ASSERT_TRUE(LoadPpm((dir / "frame_00150.ppm").string(), &menu));
    ASSERT_TRUE(LoadPpm((dir / "frame_00600.ppm").string(), &suit));
    // A ring of the logo left of centre is gold; the centre of the Q is dark.
    EXPECT_GT(at(logo, 130, 240, 0), 150);
    EXPECT_GT(at(logo, 130, 240, 1), 100);
    EXPECT_LT(at(logo, 130, 240, 2), 100);
    EXPECT_LT(at(logo, 320, 200, 0), 60);
    // A menu button is blue and brighter than the backdrop beside it.
    EXPECT_GT(at(menu, 50, 335, 2), 120);
    EXPECT_GT(at(menu, 50, 335, 2), at(menu, 400, 335, 2) + 40);

    // The headquarters fills the right of the middle: hull under the blue ambient light, its
    // sunlit top lighter than its shaded front.
    auto hull = [](int red, int, int blue) { return blue > 150 && blue > red + 60; };
    EXPECT_GT(count(suit, 330, 200, 530, 380, hull), 200 * 180 * 3 / 4);
    EXPECT_GT(at(suit, 420, 170, 0), at(suit, 450, 320, 0) + 25);
    // Left of it the sky: black with stars.
    const int stars = count(suit, 20, 60, 200, 200, [](int r, int g, int b) { return r + g + b > 300; });
    const int black = count(suit, 20, 60, 200, 200, [](int r, int g, int b) { return r + g + b < 60; });
    EXPECT_GT(stars, 20);
    EXPECT_GT(black, 180 * 140 * 3 / 4);
    // The suit HUD in the console font's orange: the money at the top right, the inventory's
    // first icon beside it, and "Headquarters" on the message line under the reticle.
    auto orange = [](int r, int g, int b) { return r > 150 && g > 80 && b < 120; };
    EXPECT_GT(count(suit, 490, 15, 580, 32, orange), 60);
    EXPECT_GT(count(suit, 590, 10, 635, 50, orange), 40);
    EXPECT_GT(count(suit, 250, 270, 390, 288, orange), 40);
}

// The demo plays the main road and photographs each sight.
TEST_F(HarnessTest, DemoPhotographsLogoMenuStationStoreCockpitAndFight)
{
    const RunResult r = Run(dir.string() + " ppm", CORVANE_DEMO);
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Screenshot logo, menu, start, station, store, cockpit, outside, fight;
    for (auto [name, image] : {std::pair{"logo", &logo}, {"menu", &menu}, {"start", &start}, {"station", &station},
                               {"store", &store}, {"cockpit", &cockpit}, {"outside", &outside}, {"fight", &fight}})
        ASSERT_TRUE(LoadPpm((dir / (std::string(name) + ".ppm")).string(), image)) << name;
    // The logo's gold ring and the menu's blue buttons, captioned in white (bright text in the
    // middle of each button, none at its ends).
    EXPECT_GT(at(logo, 130, 240, 0), 150);
    EXPECT_LT(at(logo, 130, 240, 2), 100);
    EXPECT_GT(at(menu, 50, 335, 2), at(menu, 400, 335, 2) + 40);
    const auto white = [](int r, int g, int b) { return r > 200 && g > 200 && b > 200; };
    for (int y : {335, 373, 411, 449}) {
        EXPECT_GT(count(menu, 60, y - 8, 170, y + 8, white), 60) << y;
        EXPECT_EQ(count(menu, 40, y - 8, 58, y + 8, white), 0) << y;
    }
    // The station's blue hull in the middle, black sky below it; the cargo port, grown out at
    // the lower left, is not there at the start.
    const auto hull = [](int red, int, int blue) { return blue > 150 && blue > red + 60; };
    const auto black = [](int r, int g, int b) { return r + g + b < 60; };
    EXPECT_GT(count(start, 265, 150, 375, 230, hull), 110 * 80 / 4);
    EXPECT_LT(count(start, 160, 280, 250, 380, hull), 90 * 100 / 20);
    EXPECT_GT(count(station, 265, 150, 375, 230, hull), 110 * 80 / 4);
    EXPECT_GT(count(station, 160, 280, 250, 380, hull), 90 * 100 / 4);
    EXPECT_GT(count(station, 30, 330, 200, 440, black), 170 * 110 * 3 / 4);
    // From behind and above the ship flying at the station: its hull below the middle,
    // the station ahead above it.
    EXPECT_GT(count(outside, 230, 280, 410, 350, hull), 180 * 70 / 3);
    EXPECT_GT(count(outside, 260, 140, 380, 240, hull), 120 * 100 / 10);
    // The store: the first preview window is black around a lit product; the backdrop is blue.
    const auto lit = [](int r, int g, int b) { return r + g + b > 150; };
    EXPECT_GT(count(store, 60, 80, 190, 175, black), 130 * 95 / 4);
    EXPECT_GT(count(store, 60, 80, 190, 175, lit), 500);
    EXPECT_GT(at(store, 320, 250, 2), at(store, 320, 250, 0) + 30);
    // The cockpit's pale blue sight frame; the fight's white muzzle flashes at both sides.
    const auto frame = [](int r, int g, int b) { return b > 200 && g > 150 && r < 170; };
    const auto flash = [](int r, int g, int b) { return r > 220 && g > 220 && b > 200; };
    EXPECT_GT(count(cockpit, 0, 0, cockpit.width, cockpit.height, frame), 2000);
    EXPECT_GT(count(fight, 10, 230, 190, 430, flash), 500);
    EXPECT_GT(count(fight, 450, 230, 630, 430, flash), 500);
}

}  // namespace
